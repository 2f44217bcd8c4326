// The calls a worker hands the window's thread: run there, in the order
// handed, a waiting call's result and error brought back, and a long queue
// run in slices that leave the user's input its turn.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>
#include <vector>

#include "toolkit/answering_run.h"

namespace sw::tk {
namespace {

class WindowQueueTest : public ::testing::Test {
 protected:
  WindowQueueTest() { BindWindowThread(); }
};

TEST_F(WindowQueueTest, AWorkersCallsRunOnTheWindowThreadInTheOrderHanded) {
  const DWORD windowThread = GetCurrentThreadId();
  std::vector<int> order;
  std::vector<DWORD> threads;
  int waited = 0;
  std::string error;
  bool finished = false;
  std::thread worker([&] {
    for (int i = 0; i < 3; ++i) PostToWindow([&, i] { order.push_back(i); threads.push_back(GetCurrentThreadId()); });
    OnWindowThread([&] { waited = static_cast<int>(order.size()); });  // after every posted call
    try {
      OnWindowThread([] { throw std::runtime_error("refused"); });
    } catch (const std::runtime_error& failure) {
      error = failure.what();
    }
    PostToWindow([&] { finished = true; });
  });
  HandleMessagesUntil([&] { return finished; });
  worker.join();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(threads, (std::vector<DWORD>(3, windowThread)));
  EXPECT_EQ(waited, 3);
  EXPECT_EQ(error, "refused");
}

TEST_F(WindowQueueTest, ALongQueueRunsInSlicesAndTheRestAfterTheWindowsOwnMessages) {
  // 40 calls of 2 ms each take longer than a slice: one run of the queue
  // does some, the timer tick after the window's other messages the rest.
  int ran = 0;
  for (int i = 0; i < 40; ++i)
    PostToWindow([&] {
      Sleep(2);
      ++ran;
    });
  RunPostedCalls();
  EXPECT_GT(ran, 0);
  EXPECT_LT(ran, 40);
  HandleMessagesUntil([&] { return ran == 40; });
}

}  // namespace
}  // namespace sw::tk
