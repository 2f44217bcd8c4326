// The window's thread and the threads that work for it. Every window,
// control and the log are touched only on the window's thread; a worker
// hands it calls through one queue, run there in the order handed, by
// whatever message loop the window's thread is in (the main loop, a
// message box's, RunAnswering's).
#pragma once

#include <windows.h>

#include <functional>

namespace sw::tk {

// The message that tells the window's thread calls are queued for it; the
// toolkit's hidden window runs them.
inline constexpr UINT kRunPostedCallsMessage = WM_APP + 0x51;
// A queue that takes longer than this is run on in slices, each after a
// timer tick of the same window.
inline constexpr UINT_PTR kRunPostedCallsTimer = 0x7F51;
inline constexpr unsigned long long kRunPostedCallsSliceMs = 8;

// Makes the calling thread the window's thread (the thread that builds the
// main window); the toolkit's hidden window there runs the queue.
void BindWindowThread();
bool OnTheWindowThread();

// Hands `call` to the window's thread and returns at once; on the window's
// thread itself it is queued too, so the order of all posted calls holds.
void PostToWindow(std::function<void()> call);

// Runs `call` on the window's thread and returns when it is done; on that
// thread itself runs it at once. An exception `call` throws is thrown
// again to the caller.
void OnWindowThread(const std::function<void()>& call);

// Runs the queued calls now (the window's thread only); the toolkit's
// hidden window does this in every message loop.
void RunPostedCalls();

// Handles the calling thread's messages, and with them the queued calls,
// until `done` holds.
void HandleMessagesUntil(const std::function<bool()>& done);

// Work that blocks in one call the program cannot cut into pieces: on the
// window's thread it runs on a thread of its own while the window keeps
// handling its messages; on any other thread it runs at once. An exception
// `work` throws is thrown again here.
void RunAnswering(const std::function<void()>& work);

}  // namespace sw::tk
