#include "toolkit/timer.h"

#include <map>

#include "toolkit/application.h"

namespace sw::tk {
namespace {

std::map<UINT_PTR, TTimer*>& Timers() {
  static std::map<UINT_PTR, TTimer*> timers;
  return timers;
}

UINT_PTR NextTimerId() {
  static UINT_PTR next = 1;
  return next++;
}

}  // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner), id_(NextTimerId()) { Timers()[id_] = this; }

TTimer::~TTimer() {
  Stop();
  Timers().erase(id_);
}

void TTimer::Start() { SetTimer(Application().UtilityWindow(), id_, interval_, nullptr); }
void TTimer::Stop() { KillTimer(Application().UtilityWindow(), id_); }

void TTimer::SetInterval(unsigned milliseconds) {
  interval_ = milliseconds;
  if (enabled_) Start();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;  // a running timer keeps its interval
  enabled_ = enabled;
  if (enabled_) Start(); else Stop();
}

void TTimer::Dispatch(UINT_PTR id) noexcept {
  auto found = Timers().find(id);
  if (found == Timers().end()) return;
  TTimer* timer = found->second;
  if (timer->enabled_ && timer->OnTimer) Guarded([&] { timer->OnTimer(); });
}

}  // namespace sw::tk
