#include "toolkit/answering_run.h"

#include <windows.h>

#include <deque>
#include <exception>
#include <mutex>
#include <thread>

#include "platform/handles.h"
#include "toolkit/application.h"

namespace sw::tk {
namespace {

constexpr wchar_t kQueueClass[] = L"StickwiseWindowQueue";
constexpr UINT kRunPosted = WM_APP + 0x51;

struct TWindowQueue {
  std::mutex lock;
  std::deque<std::function<void()>> calls;
  DWORD windowThread = 0;
  HWND window = nullptr;
  bool wakePosted = false;  // one wake-up message stands for every queued call
};

TWindowQueue& Queue() {
  static TWindowQueue queue;
  return queue;
}

LRESULT CALLBACK QueueWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == kRunPosted) {
    RunPostedCalls();
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Wake(TWindowQueue& queue) {
  // Called with the lock held.
  if (queue.wakePosted || queue.window == nullptr) return;
  queue.wakePosted = PostMessageW(queue.window, kRunPosted, 0, 0) != FALSE;
}

}  // namespace

void BindWindowThread() {
  TWindowQueue& queue = Queue();
  const DWORD thread = GetCurrentThreadId();
  std::lock_guard<std::mutex> hold(queue.lock);
  if (queue.window != nullptr && queue.windowThread == thread) return;
  HINSTANCE module = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = QueueWindowProc;
  wc.hInstance = module;
  wc.lpszClassName = kQueueClass;
  RegisterClassExW(&wc);
  queue.window = CreateWindowExW(0, kQueueClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, nullptr);
  queue.windowThread = thread;
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
  for (;;) {
    std::function<void()> call;
    {
      std::lock_guard<std::mutex> hold(queue.lock);
      queue.wakePosted = false;
      if (queue.calls.empty()) return;
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
