#include "instance/instancecontrol.h"

#include <charconv>

#include "platform/module_path.h"
#include "platform/text.h"
#include "toolkit/application.h"
#include "toolkit/control.h"
#include "toolkit/form.h"

namespace sw {

TInstanceControl* TheInstance = nullptr;

namespace {

constexpr char kOnlyOneComponent[] = "Only one copy of this component can be dropped on a form!";
// A copy holds the lock only for a few reads and writes of the block; a wait
// this long means the holder is stuck, and this copy goes on without it.
constexpr DWORD kLockWaitMilliseconds = 10000;

// Holds the named lock for its lifetime. The mutex is created on first use
// by whichever copy comes first; an abandoned one (its holder died) is ours.
class InstanceLock {
 public:
  explicit InstanceLock(const std::string& name)
      : mutex_(CreateMutexW(nullptr, FALSE, Widen(name).c_str())) {
    if (!mutex_) return;
    DWORD waited = WaitForSingleObject(mutex_.Get(), kLockWaitMilliseconds);
    held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  }
  ~InstanceLock() {
    if (held_) ReleaseMutex(mutex_.Get());
  }
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

 private:
  UniqueHandle mutex_;
  bool held_ = false;
};

// Window handles keep their meaning in 32 bits; they widen by sign extension.
std::uint32_t StoredWindow(HWND window) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}
HWND WindowFromStored(std::uint32_t stored) {
  return reinterpret_cast<HWND>(static_cast<LONG_PTR>(static_cast<std::int32_t>(stored)));
}

// A component nobody freed is freed at program end, so its copy leaves the count.
struct ProgramEndRelease {
  ~ProgramEndRelease() { delete TheInstance; }
} programEndRelease;

}  // namespace

std::string InstanceMappingName(const std::string& executablePath) {
  std::string name;
  name.reserve(executablePath.size());
  for (char c : executablePath)
    if (c != '\\' && c != ' ') name += c;
  return name;
}

std::string InstanceLockName(const std::string& mappingName) { return mappingName + ".InstanceLock"; }

std::string RunningExecutablePath() {
  std::string path = ExecutablePath();
  if (path.empty()) RaiseLastOSError();
  return path;
}

TInstanceControl::TInstanceControl(tk::TComponent* owner) : tk::TComponent(owner) {
  // Thrown after the base is built: its destructor unhooks it from the owner.
  if (TheInstance != nullptr) throw EInstanceControl(kOnlyOneComponent);
  TheInstance = this;
}

TInstanceControl::~TInstanceControl() {
  if (TheInstance == this) TheInstance = nullptr;
  Release();
}

HWND TInstanceControl::OwnerWindow() const {
  auto* control = dynamic_cast<tk::TControl*>(Owner());
  return control != nullptr ? control->Handle() : nullptr;
}

void TInstanceControl::Loaded() {
  tk::TComponent::Loaded();
  if (!Enabled) return;
  mappingName_ = InstanceMappingName(RunningExecutablePath());
  std::uint32_t lastWindow = 0;
  if (!Register(lastWindow)) HandleLimitReached(lastWindow);
}

bool TInstanceControl::Register(std::uint32_t& lastWindow) {
  // Creating, checking and counting happen under the lock, so two copies
  // that start at the same moment cannot both pass the limit.
  InstanceLock lock(InstanceLockName(mappingName_));
  mapping_.Reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(InstanceBlock),
                                    Widen(mappingName_).c_str()));
  if (!mapping_) RaiseLastOSError();
  bool firstCopy = GetLastError() != ERROR_ALREADY_EXISTS;

  view_.Reset(static_cast<InstanceBlock*>(MapViewOfFile(mapping_.Get(), FILE_MAP_ALL_ACCESS, 0, 0, 0)));
  if (!view_) {
    if (firstCopy) RaiseLastOSError();
    counted_ = false;  // the block exists but cannot be read: run uncounted
    mapping_.Reset();
    return true;
  }
  InstanceBlock* block = view_.Get();
  if (firstCopy) {
    block->lastWindow = StoredWindow(OwnerWindow());
    block->count = 1;
    return true;
  }
  // MaxInstances 0 refuses every later copy, as 1 does.
  if (block->count >= MaxInstances) {
    counted_ = false;
    lastWindow = block->lastWindow;
    return false;
  }
  block->lastWindow = StoredWindow(OwnerWindow());
  block->count += 1;
  return true;
}

void TInstanceControl::HandleLimitReached(std::uint32_t lastWindow) {
  // Runs after the lock is released: activating the other copy's window
  // waits for that copy, which may itself be waiting for the lock.
  auto& application = tk::Application();
  application.ShowMainForm = false;
  if (HWND own = OwnerWindow()) ShowWindow(own, SW_HIDE);
  if (OnMaxInstancesReached) OnMaxInstancesReached(this, lastWindow);
  HWND running = WindowFromStored(lastWindow);
  if (IsWindow(running)) {
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
  }
  application.Terminate();
}

void TInstanceControl::Release() noexcept {
  // The block stays reachable through the handle this copy holds, so the
  // release never has to look it up by name (nor fail to).
  if (Enabled && counted_ && view_) {
    InstanceLock lock(InstanceLockName(mappingName_));
    InstanceBlock* block = view_.Get();
    if (block->count > 0) block->count -= 1;
  }
  view_.Reset();
  mapping_.Reset();
}

void RegisterInstanceControlClass() {
  tk::RegisterComponentClass(
      "TInstanceControl", [](tk::TComponent* owner, const tk::ComponentDescription& description) -> tk::TComponent* {
        auto* component = new TInstanceControl(owner);
        const auto& properties = description.properties;
        if (auto it = properties.find("Enabled"); it != properties.end()) component->Enabled = it->second == "true";
        if (auto it = properties.find("MaxInstances"); it != properties.end()) {
          std::uint32_t value = 0;
          const std::string& text = it->second;
          auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
          if (error == std::errc() && end == text.data() + text.size()) component->MaxInstances = value;
        }
        return component;
      });
}

}  // namespace sw
