#include "app/run_worker.h"

#include <exception>

#include "app/resume_restore.h"
#include "app/speedup_operation.h"

namespace sw {

TRunWorker::TRunWorker(IRunHost& host, TStopToken& stop, const AppServices& services, TRunOptions options)
    : context_(host, stop, services, std::move(options)), thread_([this] { Run(); }) {}

TRunWorker::~TRunWorker() {
  if (thread_.joinable()) thread_.join();
}

void TRunWorker::Run() noexcept {
  TRunEnd end;
  bool declined = false;
  try {
    if (!context_.Options().resumeFolder.empty()) {
      TResumeRestore resume(context_);
      resume.Run();
      end.succeeded = resume.Succeeded();
      declined = resume.Declined();
    } else {
      TSpeedUpOperation operation(context_);
      operation.Run();
      end.succeeded = operation.Succeeded();
    }
  } catch (const std::exception& error) {
    end.error = error.what();
  } catch (...) {
    end.error = "An unexpected error occurred.";
  }
  TStopToken& stop = context_.Stop();
  if (!end.error.empty()) stop.Request(TStopReason::Fatal);
  // A run the user stopped has not failed.
  end.failed = !end.succeeded && !declined && stop.Reason() != TStopReason::Cancel && stop.Reason() != TStopReason::Close;
  context_.Host().Ended(end);
}

}  // namespace sw
