// A test's step that acts as the user would while a run works: it runs on
// the window's thread, whichever thread reaches it, and what it posted
// there (a click, a close) is handled before the run goes on, as it would
// be by a user quicker than the stage.
#pragma once

#include <functional>

#include "toolkit/answering_run.h"
#include "toolkit/application.h"

namespace sw::fakes {

inline void ActAsTheUser(const std::function<void()>& act) {
  tk::OnWindowThread([&] {
    act();
    tk::Application().ProcessMessages();
  });
}

}  // namespace sw::fakes
