#include "app/run_context.h"

#include <windows.h>

#include "platform/locale.h"

namespace sw {
namespace {

// A stage tells the host where it stands at most this often: a stage of
// many small files spends its time on the files, not on the status line.
constexpr unsigned long long kReportEveryMs = 200;

}  // namespace

TRunContext::TRunContext(IRunHost& host, TStopToken& stop, const AppServices& services, TRunOptions options)
    : host_(host), stop_(stop), services_(services), options_(std::move(options)) {
  services_.dialogs = &host.Dialogs();
}

void TRunContext::Status(const std::string& text) {
  status_ = text;
  host_.Status(text);
}

void TRunContext::State(TRunState state) {
  running_ = state == TRunState::Running;
  host_.State(state);
}

bool TRunContext::Ask(const std::string& title, const std::string& text, DefaultAnswer preferred) const {
  return services_.dialogs->AskYesNo(nullptr, title, text, preferred);
}

void TRunContext::Tell(const std::string& title, const std::string& text, MessageIcon icon) const {
  services_.dialogs->ShowMessage(nullptr, title, text, icon);
}

void TRunContext::BeginStage(const std::string& stage, std::int64_t files, std::int64_t bytes) {
  // The listing and the backup come before the busy state: Cancel is
  // offered from the first long stage on.
  if (!running_ && !Stopped()) State(TRunState::Running);
  stage_ = TStageReport{};
  stage_.stage = stage;
  stage_.filesPlanned = files;
  stage_.bytesPlanned = bytes;
  stageActive_ = true;
  status_.clear();
  const unsigned long long now = GetTickCount64();
  progress_.Start(stage, files, bytes, now);
  Report(TStageReport::Kind::Begin, now);
}

void TRunContext::StageCounted(std::int64_t files, std::int64_t bytes) {
  const unsigned long long now = GetTickCount64();
  for (std::int64_t file = 0; file < files; ++file) progress_.AddFile();
  progress_.AddBytes(bytes, now);
  stage_.filesDone += files;
  stage_.bytesDone += bytes;
}

bool TRunContext::StagePiece(std::int64_t bytes) {
  const unsigned long long now = GetTickCount64();
  if (bytes != 0) {
    progress_.AddBytes(bytes, now);
    stage_.bytesDone += bytes;
  }
  if (stageActive_ && now - reportedMs_ >= kReportEveryMs) Report(TStageReport::Kind::Progress, now);
  return !Stopped();
}

void TRunContext::EndStage(bool complete) {
  if (!stageActive_) return;
  stage_.complete = complete;
  if (complete) progress_.Finish();
  Report(TStageReport::Kind::End, GetTickCount64());
  stageActive_ = false;
}

void TRunContext::Report(TStageReport::Kind kind, unsigned long long nowMs) {
  reportedMs_ = nowMs;
  stage_.kind = kind;
  // A stop hides the bar and the status line: the figures stay hidden.
  stage_.status = Stopped() ? std::string()
                            : progress_.StatusText(nowMs, services_.locale->ThousandSeparator(), DecimalSeparator());
  stage_.percent = progress_.Percent();
  host_.Stage(stage_);
}

std::string TRunContext::Thousands(long long value) const {
  return FormatThousands(value, services_.locale->ThousandSeparator());
}

std::string TRunContext::DecimalSeparator() const {
  return services_.locale != nullptr ? services_.locale->DecimalSeparator() : ".";
}

TStopQuestion::TStopQuestion(TRunContext& run, std::string question) : run_(run) {
  run_.Host().StopQuestion(question);
}

TStopQuestion::~TStopQuestion() { run_.Host().StopQuestion(""); }

}  // namespace sw
