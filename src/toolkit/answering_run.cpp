#include "toolkit/answering_run.h"

#include <windows.h>

#include <exception>
#include <thread>

#include "platform/handles.h"
#include "toolkit/application.h"

namespace sw::tk {
namespace {

// One RunAnswering under way: the window's thread, and the call the work
// hands it (one at a time: the work waits for each).
struct TAnsweringRun {
  DWORD windowThread = GetCurrentThreadId();
  UniqueHandle callRequested{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  UniqueHandle callDone{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  const std::function<void()>* call = nullptr;
  std::exception_ptr callFailure;
};

TAnsweringRun* activeRun = nullptr;

}  // namespace

void RunAnswering(const std::function<void()>& work) {
  TAnsweringRun run;
  UniqueHandle workDone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!run.callRequested || !run.callDone || !workDone) return work();  // no events: the work runs here
  TAnsweringRun* const outer = std::exchange(activeRun, &run);
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    SetEvent(workDone.Get());
  });
  const HANDLE waits[] = {workDone.Get(), run.callRequested.Get()};
  for (;;) {
    const DWORD woken = MsgWaitForMultipleObjects(2, waits, FALSE, INFINITE, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) break;
    if (woken == WAIT_OBJECT_0 + 1) {
      try {
        (*run.call)();
      } catch (...) {
        run.callFailure = std::current_exception();
      }
      SetEvent(run.callDone.Get());
      continue;
    }
    Application().ProcessMessages();
  }
  worker.join();
  activeRun = outer;
  if (failure) std::rethrow_exception(failure);
}

void OnWindowThread(const std::function<void()>& call) {
  TAnsweringRun* const run = activeRun;
  if (run == nullptr || GetCurrentThreadId() == run->windowThread) return call();
  run->call = &call;
  run->callFailure = nullptr;
  SetEvent(run->callRequested.Get());
  WaitForSingleObject(run->callDone.Get(), INFINITE);
  if (run->callFailure) std::rethrow_exception(run->callFailure);
}

}  // namespace sw::tk
