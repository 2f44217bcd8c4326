// The worker thread of one run: it runs the speed-up operation from its
// first check to its end line (or, for options naming a backup folder to
// resume, the copy-back of an unfinished restore) and tells the host how the run ended as its
// last act. The window destroys it when that end arrives, which joins it.
#pragma once

#include <thread>

#include "app/run_context.h"

namespace sw {

class TRunWorker {
 public:
  TRunWorker(IRunHost& host, TStopToken& stop, const AppServices& services, TRunOptions options);
  ~TRunWorker();
  TRunWorker(const TRunWorker&) = delete;
  TRunWorker& operator=(const TRunWorker&) = delete;

 private:
  void Run() noexcept;

  TRunContext context_;
  std::thread thread_;  // last: it starts once the context is complete
};

}  // namespace sw
