#include "toolkit/busy_pointer.h"

namespace sw::tk {
namespace {

int alive = 0;  // one thread: the window's

}  // namespace

TBusyPointer::TBusyPointer() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) { ++alive; }

TBusyPointer::~TBusyPointer() {
  --alive;
  SetCursor(previous_ != nullptr ? previous_ : LoadCursorW(nullptr, IDC_ARROW));
}

bool TBusyPointer::Shown() { return alive > 0; }

}  // namespace sw::tk
