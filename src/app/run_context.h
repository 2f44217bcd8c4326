// What a run works with on its thread: the host that shows it, the stop
// token, the options taken at Start and the services (whose dialogs are the
// host's, so every box opens on the window's thread). It also meters a long
// stage: it counts the stage's files and bytes and tells the host where the
// stage stands a few times a second.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/run_host.h"
#include "app/run_options.h"
#include "app/services.h"
#include "app/stage_progress.h"
#include "app/stop_token.h"
#include "platform/dialogs.h"

namespace sw {

class TRunContext {
 public:
  TRunContext(IRunHost& host, TStopToken& stop, const AppServices& services, TRunOptions options);
  TRunContext(const TRunContext&) = delete;
  TRunContext& operator=(const TRunContext&) = delete;

  IRunHost& Host() const { return host_; }
  const AppServices& Services() const { return services_; }
  const TRunOptions& Options() const { return options_; }
  TStopToken& Stop() const { return stop_; }
  bool Stopped() const { return stop_.Requested(); }

  void Log(const std::string& line) const { host_.Log(line); }
  void Status(const std::string& text);
  // The status line as this run last set it.
  const std::string& LastStatus() const { return status_; }
  void State(TRunState state);
  bool Ask(const std::string& title, const std::string& text, DefaultAnswer preferred = DefaultAnswer::Yes) const;
  void Tell(const std::string& title, const std::string& text, MessageIcon icon) const;

  // ---- A long stage: files and bytes done of those planned (-1: unknown).
  void BeginStage(const std::string& stage, std::int64_t files, std::int64_t bytes);
  void StageCounted(std::int64_t files, std::int64_t bytes);
  // Told every piece of the stage's work; false once a stop was requested.
  bool StagePiece(std::int64_t bytes);
  void EndStage(bool complete);
  void Percent(int percent) const { host_.Percent(percent); }

  std::string Thousands(long long value) const;
  std::string DecimalSeparator() const;

 private:
  void Report(TStageReport::Kind kind, unsigned long long nowMs);

  IRunHost& host_;
  TStopToken& stop_;
  AppServices services_;
  const TRunOptions options_;
  std::string status_;
  bool running_ = false;     // the run has shown its bar and Cancel
  bool stageActive_ = false;
  TStageReport stage_;
  TStageProgress progress_;
  unsigned long long reportedMs_ = 0;
};

// Sets the host's stop question for as long as it lives.
class TStopQuestion {
 public:
  TStopQuestion(TRunContext& run, std::string question);
  ~TStopQuestion();
  TStopQuestion(const TStopQuestion&) = delete;
  TStopQuestion& operator=(const TStopQuestion&) = delete;

 private:
  TRunContext& run_;
};

}  // namespace sw
