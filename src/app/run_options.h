// What the user chose when Start was pressed. The run works on this copy
// from its first check to its end line: no control is read during the run.
#pragma once

#include <string>

#include "app/stick_identity.h"

namespace sw {

struct TRunOptions {
  int deviceCount = 0;             // entries of the device list
  std::string deviceEntry;         // the chosen entry as shown
  char driveLetter = 0;            // the drive the run works on; 0 when none
  int fileSystem = 0;              // index in NTFS, FAT, FAT32, exFAT
  std::string fileSystemName;      // as the list shows it
  std::string label;               // the volume label, trimmed
  bool quickFormat = false;
  bool scan = false;               // "Scan drive for errors"
  bool measureSpeed = false;       // before and after the format
  bool checkCapacity = false;      // the real capacity, before the erase
  // The chosen disk's size as the device list read it: a number and its unit.
  long long sizeNumber = 0;
  std::string sizeUnit;
  // The chosen stick as the identification read it; its note keeps it.
  TStickIdentity stick;
  // A copy-back run instead of a speed-up: the backup folder whose note
  // says its restore did not finish, and how its stick was recognised
  // (`stick` and `driveLetter` are the attached stick's).
  std::string resumeFolder;
  TStickMatch resumeMatch = TStickMatch::None;
};

}  // namespace sw
