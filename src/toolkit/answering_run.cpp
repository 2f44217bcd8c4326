#include "toolkit/answering_run.h"

#include <windows.h>

#include <atomic>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/handles.h"
#include "toolkit/application.h"

namespace sw::tk {
namespace {

struct TWindowQueue {
  std::mutex lock;
  std::deque<std::function<void()>> calls;
  std::atomic<DWORD> windowThread = 0;
  HWND window = nullptr;
  bool wakePosted = false;  // one wake-up message stands for every queued call
};

TWindowQueue& Queue() {
  static TWindowQueue queue;
  return queue;
}

void Wake(TWindowQueue& queue) {
  // Called with the lock held.
  if (queue.wakePosted || queue.window == nullptr) return;
  queue.wakePosted = PostMessageW(queue.window, kRunPostedCallsMessage, 0, 0) != FALSE;
}

}  // namespace

void BindWindowThread() {
  TWindowQueue& queue = Queue();
  const HWND window = Application().UtilityWindow();
  std::lock_guard<std::mutex> hold(queue.lock);
  queue.window = window;
  queue.windowThread = GetWindowThreadProcessId(window, nullptr);
  queue.wakePosted = false;
  if (!queue.calls.empty()) Wake(queue);
}

bool OnTheWindowThread() {
  const DWORD thread = Queue().windowThread;
  return thread == 0 || thread == GetCurrentThreadId();
}

void PostToWindow(std::function<void()> call) {
  TWindowQueue& queue = Queue();
  std::lock_guard<std::mutex> hold(queue.lock);
  queue.calls.push_back(std::move(call));
  Wake(queue);
}

void RunPostedCalls() {
  TWindowQueue& queue = Queue();
  const ULONGLONG start = GetTickCount64();
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> hold(queue.lock);
      queue.wakePosted = false;
      if (queue.calls.empty()) return;
      // A long queue gives the user's input and the drawing their turn: the
      // rest runs at the next timer tick, which comes after both.
      if (GetTickCount64() - start >= kRunPostedCallsSliceMs) {
        queue.wakePosted = SetTimer(queue.window, kRunPostedCallsTimer, USER_TIMER_MINIMUM, nullptr) != 0;
        return;
      }
      call = std::move(queue.calls.front());
      queue.calls.pop_front();
    }
    // A call may open a message box whose loop runs the calls queued after
    // it: they are taken one at a time, so each runs once, in order.
    Guarded([&] { call(); });
  }
}

void OnWindowThread(const std::function<void()>& call) {
  if (OnTheWindowThread()) return call();
  UniqueHandle done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!done) throw std::runtime_error("The window cannot be reached.");
  std::exception_ptr failure;
  PostToWindow([&] {
    try {
      call();
    } catch (...) {
      failure = std::current_exception();
    }
    SetEvent(done.Get());
  });
  WaitForSingleObject(done.Get(), INFINITE);
  if (failure) std::rethrow_exception(failure);
}

void HandleMessagesUntil(const std::function<bool()>& done) {
  while (!done()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    Application().ProcessMessages();
  }
}

void RunAnswering(const std::function<void()>& work) {
  if (!OnTheWindowThread()) return work();
  UniqueHandle workDone(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!workDone) return work();  // no event: the work runs here
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    SetEvent(workDone.Get());
  });
  const HANDLE waits[] = {workDone.Get()};
  while (MsgWaitForMultipleObjects(1, waits, FALSE, INFINITE, QS_ALLINPUT) != WAIT_OBJECT_0)
    Application().ProcessMessages();
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace sw::tk
