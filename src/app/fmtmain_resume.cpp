// The window's side of an unfinished restore: at the start, and when a
// stick is plugged in, the notes of the remembered backup folders are
// looked at (their first lines only) and a backup whose stick is attached
// is offered on a worker, which asks and copies back (resume_restore.cpp).
#include <algorithm>

#include "app/backup_history.h"
#include "app/fmtmain.h"
#include "app/run_states.h"
#include "app/run_worker.h"
#include "app/speedup_rules.h"
#include "app/unfinished_restore.h"
#include "app/window_run_host.h"
#include "platform/text.h"
#include "toolkit/application.h"

namespace sw {
namespace {

bool WritableStick(char letter) {
  return !SameDriveLetter(letter, SystemDriveLetter()) && !SameDriveLetter(letter, ProgramDriveLetter());
}

}  // namespace

void TMainForm::OfferUnfinishedRestore(bool atStart) {
  if (OperationRunning || tk::Application().Terminated()) return;
  for (const TUnfinishedRestore& found :
       FindUnfinishedRestores(RememberedBackupFolders(), DeviceIdentities, &WritableStick)) {
    if (OfferStopped(found.folder, found.note.started)) continue;
    if (found.match == TStickMatch::None) {
      if (atStart)
        AddLogLine("The files of " + StickName(found.note.stick) + " were not all copied back; they are kept in " +
                   found.folder + ". Plug the stick in to copy them back.");
      continue;
    }
    if (std::find(offered_.begin(), offered_.end(), found.Key()) != offered_.end()) continue;
    offered_.push_back(found.Key());
    TRunOptions options;
    options.driveLetter = found.attached.letter;
    options.stick = found.attached;
    options.resumeFolder = found.folder;
    options.resumeMatch = found.match;
    // One at a time: the next is looked for when this one has ended.
    OperationRunning = true;
    resumeRunning_ = true;
    StopQuestion.clear();
    stop_.Reset();
    runHost_ = MakeWindowRunHost(*this);
    worker_ = std::make_unique<TRunWorker>(*runHost_, stop_, services_, std::move(options));
    return;
  }
}

}  // namespace sw
