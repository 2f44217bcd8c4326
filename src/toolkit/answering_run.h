// Work that blocks in one call the program cannot cut into pieces (the
// format library, a flush of a whole volume) runs on a thread of its own
// while the window's thread keeps handling its messages. What the work
// reports back (the library's callbacks) is handed to the window's thread,
// so every window, control and the log are still touched only there.
#pragma once

#include <functional>

namespace sw::tk {

// Runs `work` on a new thread and handles the calling thread's messages
// until it ends; an exception `work` throws is thrown again here.
void RunAnswering(const std::function<void()>& work);

// Runs `call` on the thread that waits in RunAnswering and returns when it
// is done; on that thread itself, or with no RunAnswering under way, runs
// it at once. An exception `call` throws is thrown again to the caller.
void OnWindowThread(const std::function<void()>& call);

}  // namespace sw::tk
