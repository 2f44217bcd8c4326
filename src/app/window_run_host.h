// The main window's side of a run: every call the run makes is posted to
// the window's thread and done there in the order made; a question runs
// there too, owned by the window, while the run waits for its answer.
#pragma once

#include <memory>

#include "app/run_host.h"

namespace sw {

class TMainForm;

std::unique_ptr<IRunHost> MakeWindowRunHost(TMainForm& form);

}  // namespace sw
