#include "app/window_run_host.h"

#include "app/fmtmain.h"
#include "platform/dialogs.h"
#include "toolkit/answering_run.h"

namespace sw {
namespace {

// The window's boxes, opened on its thread with the window as their owner.
class TWindowDialogs final : public IDialogs {
 public:
  explicit TWindowDialogs(TMainForm& form) : form_(form) {}

  bool AskYesNo(WindowHandle, const std::string& title, const std::string& text,
                DefaultAnswer preferred = DefaultAnswer::Yes) override {
    bool answer = false;
    tk::OnWindowThread([&] { answer = Inner().AskYesNo(form_.Handle(), title, text, preferred); });
    return answer;
  }
  void ShowMessage(WindowHandle, const std::string& title, const std::string& text, MessageIcon icon) override {
    tk::OnWindowThread([&] { Inner().ShowMessage(form_.Handle(), title, text, icon); });
  }
  ReplaceAnswer AskReplace(WindowHandle, const std::string& title, const std::string& text) override {
    ReplaceAnswer answer = ReplaceAnswer::Cancel;
    tk::OnWindowThread([&] { answer = Inner().AskReplace(form_.Handle(), title, text); });
    return answer;
  }
  std::optional<std::string> SelectFolder(WindowHandle, const std::string& startFolder,
                                          const std::string& instruction) override {
    std::optional<std::string> chosen;
    tk::OnWindowThread([&] { chosen = Inner().SelectFolder(form_.Handle(), startFolder, instruction); });
    return chosen;
  }

 private:
  IDialogs& Inner() const { return *form_.Services().dialogs; }
  TMainForm& form_;
};

class TWindowRunHost final : public IRunHost {
 public:
  explicit TWindowRunHost(TMainForm& form) : form_(form), dialogs_(form) {}

  void Log(const std::string& line) override {
    Post([line](TMainForm& form) { form.AddLogLine(line); });
  }
  void Status(const std::string& text) override {
    Post([text](TMainForm& form) { text.empty() ? form.ClearStatus() : form.ShowStatus(text); });
  }
  void Stage(const TStageReport& report) override {
    Post([report](TMainForm& form) { form.ShowStage(report); });
  }
  void Percent(int percent) override {
    Post([percent](TMainForm& form) { form.ShowProgress(percent); });
  }
  void State(TRunState state) override {
    Post([state](TMainForm& form) { form.SetRunState(state); });
  }
  void StopQuestion(const std::string& question) override {
    Post([question](TMainForm& form) { form.StopQuestion = question; });
  }
  IDialogs& Dialogs() override { return dialogs_; }
  void Ended(const TRunEnd& end) override {
    Post([end](TMainForm& form) { form.RunEnded(end); });
  }

 private:
  template <typename Call>
  void Post(Call call) {
    TMainForm* form = &form_;
    tk::PostToWindow([form, call] { call(*form); });
  }

  TMainForm& form_;
  TWindowDialogs dialogs_;
};

}  // namespace

std::unique_ptr<IRunHost> MakeWindowRunHost(TMainForm& form) { return std::make_unique<TWindowRunHost>(form); }

}  // namespace sw
