// A timer component: while enabled, OnTimer runs every Interval
// milliseconds. Enabling a running timer does not restart its interval.
#pragma once

#include <windows.h>

#include <functional>

#include "toolkit/component.h"

namespace sw::tk {

class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned milliseconds);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);

  std::function<void()> OnTimer;

  // Called by the toolkit's utility window on WM_TIMER.
  static void Dispatch(UINT_PTR id) noexcept;

 private:
  void Start();
  void Stop();

  unsigned interval_ = 1000;
  bool enabled_ = false;
  UINT_PTR id_;
};

}  // namespace sw::tk
