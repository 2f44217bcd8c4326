// The run's progress as the user sees it: the progress bar, the status line
// with files, bytes and time left, and the taskbar button, which pauses
// while a box waits for the user and shows how the run ended.
#include <windows.h>

#include "app/fmtmain.h"
#include "platform/dialogs.h"
#include "platform/locale.h"

namespace sw {
namespace {

// The window's boxes, with the taskbar button paused while one waits.
class TPausingDialogs final : public IDialogs {
 public:
  TPausingDialogs(IDialogs& inner, std::function<void(bool waiting)> onWait)
      : inner_(inner), onWait_(std::move(onWait)) {}

  bool AskYesNo(WindowHandle owner, const std::string& title, const std::string& text,
                DefaultAnswer preferred = DefaultAnswer::Yes) override {
    TWait wait(*this);
    return inner_.AskYesNo(owner, title, text, preferred);
  }
  void ShowMessage(WindowHandle owner, const std::string& title, const std::string& text,
                   MessageIcon icon) override {
    TWait wait(*this);
    inner_.ShowMessage(owner, title, text, icon);
  }
  ReplaceAnswer AskReplace(WindowHandle owner, const std::string& title, const std::string& text) override {
    TWait wait(*this);
    return inner_.AskReplace(owner, title, text);
  }
  std::optional<std::string> SelectFolder(WindowHandle owner, const std::string& startFolder,
                                          const std::string& instruction) override {
    TWait wait(*this);
    return inner_.SelectFolder(owner, startFolder, instruction);
  }

 private:
  struct TWait {
    explicit TWait(TPausingDialogs& dialogs) : dialogs_(dialogs) { dialogs_.onWait_(true); }
    ~TWait() { dialogs_.onWait_(false); }
    TPausingDialogs& dialogs_;
  };
  IDialogs& inner_;
  std::function<void(bool waiting)> onWait_;
};

}  // namespace

void TMainForm::InstallPausingDialogs() {
  if (services_.taskbar == nullptr || services_.dialogs == nullptr) return;
  pausingDialogs_ = std::make_unique<TPausingDialogs>(*services_.dialogs, [this](bool waiting) {
    if (taskbarState_ == TaskbarState::None || taskbarState_ == TaskbarState::Error) return;
    services_.taskbar->SetState(Handle(), waiting ? TaskbarState::Paused : TaskbarState::Normal);
  });
  services_.dialogs = pausingDialogs_.get();
}

void TMainForm::ShowStage(const TStageReport& report) {
  // A stop hides the bar and the status line: the figures stay hidden.
  if (runState_ != TRunState::Stopping && !report.status.empty()) {
    ShowStatus(report.status);
    ShowProgress(report.percent);
  }
  if (report.kind == TStageReport::Kind::End) lblBottomMsg->SetCaption("");
}

void TMainForm::ShowProgress(int percent) {
  ProgressBar->SetPosition(percent);
  if (services_.taskbar == nullptr) return;
  if (taskbarState_ != TaskbarState::Normal) ShowTaskbarState(TaskbarState::Normal);
  services_.taskbar->SetProgress(Handle(), static_cast<std::uint64_t>(percent), 100);
}

void TMainForm::ShowRunEnded(bool failed) {
  ProgressBar->SetPosition(0);
  if (services_.taskbar == nullptr || taskbarState_ == TaskbarState::None) return;
  ShowTaskbarState(failed ? TaskbarState::Error : TaskbarState::None);
  services_.taskbar->FlashUnlessInFront(Handle());
}

void TMainForm::ShowTaskbarState(TaskbarState state) {
  taskbarState_ = state;
  services_.taskbar->SetState(Handle(), state);
}

}  // namespace sw
