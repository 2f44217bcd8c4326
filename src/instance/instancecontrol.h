// The single-instance guard: a component on the main window that counts the
// running copies of the program in a small named shared block and, when the
// limit is reached, brings the running copy to the front and ends this one
// before its main window is ever shown.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/exceptions.h"
#include "platform/handles.h"
#include "toolkit/component.h"

namespace sw {

class EInstanceControl : public Exception {
 public:
  using Exception::Exception;
};

// Sender, and the window handle stored by the last copy that registered.
using TMaxInstancesReachedEvent = std::function<void(tk::TComponent* sender, const std::uint32_t lastInstanceHandle)>;

// The shared block: 8 bytes, one per program path.
struct InstanceBlock {
  std::uint32_t lastWindow;  // window of the last copy that registered
  std::uint32_t count;       // number of counted copies
};
static_assert(sizeof(InstanceBlock) == 8, "the shared block is 8 bytes");

// The name of the shared block: the executable's full path without any "\"
// and " " (D:\Program Files\Tool\app.exe gives D:ProgramFilesToolapp.exe).
std::string InstanceMappingName(const std::string& executablePath);
// The named lock that serialises registering and releasing between copies.
std::string InstanceLockName(const std::string& mappingName);
// The full path of the running executable.
std::string RunningExecutablePath();

class TInstanceControl : public tk::TComponent {
 public:
  // Raises EInstanceControl when the process already has one.
  explicit TInstanceControl(tk::TComponent* owner);
  ~TInstanceControl() override;

  // Stored with the form; in place before the after-loading step runs.
  bool Enabled = true;
  std::uint32_t MaxInstances = 1;
  TMaxInstancesReachedEvent OnMaxInstancesReached;

  // True while this copy is part of the shared count.
  bool IsCounted() const { return counted_ && view_.Valid(); }
  const std::string& MappingName() const { return mappingName_; }

 protected:
  // Registers this copy, or hands over to the running one when the limit is reached.
  void Loaded() override;

 private:
  struct ViewTraits {
    static InstanceBlock* Empty() { return nullptr; }
    static bool IsValid(InstanceBlock* v) { return v != nullptr; }
    static void Close(InstanceBlock* v) { ::UnmapViewOfFile(v); }
  };
  using UniqueView = UniqueResource<InstanceBlock*, ViewTraits>;

  // Decides under the lock; returns the window to activate when refused.
  bool Register(std::uint32_t& lastWindow);
  void HandleLimitReached(std::uint32_t lastWindow);
  void Release() noexcept;
  HWND OwnerWindow() const;

  std::string mappingName_;
  UniqueHandle mapping_;
  UniqueView view_;
  bool counted_ = true;
};

// The one component of this kind in the process, or null.
extern TInstanceControl* TheInstance;

// Makes "TInstanceControl" known to forms built from a description, with its
// stored properties Enabled ("true"/"false") and MaxInstances.
void RegisterInstanceControlClass();

}  // namespace sw
