// What each control shows in each state of a run, as one table, and the
// one function that applies it to the main window.
#pragma once

#include "app/run_host.h"

namespace sw {

class TMainForm;

struct TRunLook {
  bool startVisible, startEnabled, cancelVisible, barVisible;
};

TRunLook RunLook(TRunState state);

// Applies `state`'s look; the copyright shows unless the run shows its bar
// and Cancel or the status line holds a text.
void ApplyRunState(TMainForm& form, TRunState state);

}  // namespace sw
