// The one stop request of a run: Cancel, closing the window and a fatal
// error all set it, and every stage asks it between two pieces of its work.
// The window's thread sets it; the worker reads it; the first reason stays.
#pragma once

#include <atomic>

namespace sw {

enum class TStopReason { None, Cancel, Close, Fatal };

class TStopToken {
 public:
  // True when this request is the first one.
  bool Request(TStopReason reason) {
    TStopReason none = TStopReason::None;
    return reason_.compare_exchange_strong(none, reason);
  }
  bool Requested() const { return reason_.load() != TStopReason::None; }
  TStopReason Reason() const { return reason_.load(); }
  // A new run begins with no request.
  void Reset() { reason_.store(TStopReason::None); }

 private:
  std::atomic<TStopReason> reason_{TStopReason::None};
};

}  // namespace sw
