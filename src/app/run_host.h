// The one boundary between a run and the window that shows it. The run
// works on a thread of its own and tells the host what to show; the host
// never waits on a drive. The window implements it by posting each call to
// its own thread, in order; a test implements it with a script of answers.
#pragma once

#include <cstdint>
#include <string>

namespace sw {

class IDialogs;

// What the controls show; one table (run_states.cpp) says how.
enum class TRunState {
  Idle,      // Start offered; nothing of a run is shown
  Asking,    // the run's first questions: Start grey until the run ends
  Running,   // the bar and Cancel
  Stopping,  // a stop was requested: Start grey, the stage winds down
  Ended,     // the run reached the format: Start offered, the bar stays at 0
};

// Where a long stage stands: files and bytes done of those planned (-1:
// not known, the listing counts what it finds), with the status line and
// the bar's share they make.
struct TStageReport {
  enum class Kind { Begin, Progress, End } kind = Kind::Progress;
  std::string stage;
  std::int64_t filesPlanned = -1, bytesPlanned = -1;
  std::int64_t filesDone = 0, bytesDone = 0;
  bool complete = false;  // End: the stage did all it planned
  // "Backing up: 1,234 of 3,019 files, 1.2 of 4.5 GB, about 2 min left";
  // empty once a stop was requested (the figures stay hidden then).
  std::string status;
  int percent = 0;
};

// How the run ended, told once as its last call.
struct TRunEnd {
  bool succeeded = false;   // every file back and checked, or no backup asked
  bool failed = false;      // the taskbar shows the failure
  std::string error;        // an error that ended the run, shown in the error box
};

class IRunHost {
 public:
  virtual ~IRunHost() = default;
  virtual void Log(const std::string& line) = 0;
  // The status line; an empty text clears it (the copyright shows again).
  virtual void Status(const std::string& text) = 0;
  virtual void Stage(const TStageReport& report) = 0;
  // The bar, for the stages that count in percent (check, format, speed, capacity).
  virtual void Percent(int percent) = 0;
  virtual void State(TRunState state) = 0;
  // The question a stop asks first from now on; empty: none.
  virtual void StopQuestion(const std::string& question) = 0;
  // The questions and boxes: each runs owned by the window, and the run
  // waits for its answer. The owner the run passes is not used.
  virtual IDialogs& Dialogs() = 0;
  virtual void Ended(const TRunEnd& end) = 0;
};

}  // namespace sw
