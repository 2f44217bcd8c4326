// Finding a backup whose restore did not finish: the remembered backup
// folders are read for their
// notes' first lines only, and a note that is not "restored" and whose
// erase had begun is matched with the sticks attached now. Cheap enough
// for the window's thread: no note's file list and no stick is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/backup_marker.h"
#include "app/stick_identity.h"

namespace sw {

struct TUnfinishedRestore {
  std::string folder;
  TBackupMarker note;        // without its file list
  TStickIdentity attached;   // the stick it belongs to; letter 0 when not attached
  TStickMatch match = TStickMatch::None;
  // "folder*started": one backup, whatever folder name it is found under later.
  std::string Key() const { return folder + "*" + note.started; }
};

// The unfinished restores among `folders` (each looked at once), with the
// stick of `attached` each belongs to. `usable` says whether a stick may be
// written to (never the system's or the program's drive).
std::vector<TUnfinishedRestore> FindUnfinishedRestores(const std::vector<std::string>& folders,
                                                       const std::vector<TStickIdentity>& attached,
                                                       bool (*usable)(char letter));

// "Drive Q: has an unfinished restore from <folder> (2,345 files, 1.2 GB,
// saved on <date>). Copy the files back now?", with a last paragraph when
// the stick was recognised only by its letter and size.
std::string UnfinishedRestoreQuestion(const TUnfinishedRestore& found, const std::string& files,
                                      const std::string& size, const std::string& date);

}  // namespace sw
