// A run's host without a window: it records what the run shows, answers
// its questions from the fake dialogs, and lets a test act at a log line
// (press Cancel, change the drive) as the user would meanwhile.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/run_host.h"
#include "platform/dialogs.h"

namespace sw::fakes {

class ScriptedRunHost : public IRunHost {
 public:
  explicit ScriptedRunHost(IDialogs& dialogs) : dialogs_(dialogs) {}

  void Log(const std::string& line) override {
    lines.push_back(line);
    if (onLog) onLog(line);
  }
  void Status(const std::string& text) override { statuses.push_back(text); }
  void Stage(const TStageReport& report) override {
    if (report.kind != TStageReport::Kind::Begin) return;
    stages.push_back(report.stage);
    if (onStage) onStage(report.stage);
  }
  void Percent(int percent) override { percents.push_back(percent); }
  void State(TRunState state) override { states.push_back(state); }
  void StopQuestion(const std::string& question) override { stopQuestion = question; }
  IDialogs& Dialogs() override { return dialogs_; }
  void Ended(const TRunEnd& runEnd) override {
    end = runEnd;
    ended = true;
  }

  std::vector<std::string> lines;
  std::vector<std::string> statuses;
  std::vector<std::string> stages;  // the long stages begun, in order
  std::vector<int> percents;
  std::vector<TRunState> states;
  std::string stopQuestion;
  std::optional<TRunEnd> end;
  std::atomic<bool> ended = false;  // set last, from the run's thread
  std::function<void(const std::string& line)> onLog;
  std::function<void(const std::string& stage)> onStage;  // as a long stage begins

 private:
  IDialogs& dialogs_;
};

}  // namespace sw::fakes
