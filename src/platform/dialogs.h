// Seam: the modal boxes and dialogs. Tests script the answers instead of
// blocking on a real box.
#pragma once

#include <optional>
#include <string>

namespace sw {

// The window that owns a box: an HWND in the Win32 build, which converts to
// it implicitly, so the plain logic that reports through boxes needs no
// windows.h. Null for no owner.
using WindowHandle = void*;

enum class MessageIcon { None, Error, Warning, Information };

// The answer a Yes/No box offers as its default button, the one Enter takes.
enum class DefaultAnswer { Yes, No };

// The answers of the folder copy's five-button replace question.
enum class ReplaceAnswer { Yes, No, Cancel, NoToAll, YesToAll };

class IDialogs {
 public:
  virtual ~IDialogs() = default;

  // Modal Yes/No box without icon; true for Yes. `owner` may be null. A
  // question whose safe answer is No offers No as the default.
  virtual bool AskYesNo(WindowHandle owner, const std::string& title, const std::string& text,
                        DefaultAnswer preferred = DefaultAnswer::Yes) = 0;

  // Modal box with one OK button.
  virtual void ShowMessage(WindowHandle owner, const std::string& title, const std::string& text,
                           MessageIcon icon) = 0;

  // The copy's replace question: Yes, No, Cancel, No to All, Yes to All.
  virtual ReplaceAnswer AskReplace(WindowHandle owner, const std::string& title, const std::string& text) = 0;

  // Folder selection opened at `startFolder`; a typed path of a new folder is
  // accepted as typed (the caller creates it). Empty when the user cancels.
  // `instruction` is the line the dialog shows above its folders.
  virtual std::optional<std::string> SelectFolder(WindowHandle owner, const std::string& startFolder,
                                                  const std::string& instruction) = 0;
};

}  // namespace sw
