// Drive letters for the simulated drives: a folder mapped as a removable
// drive through Wine's mount manager, so the program lists, copies and
// probes real files. The letter is the simulated drive's presence: while it
// is mapped the drive counts as plugged in.
#pragma once

#include <string>

namespace sw::testbed {

// Maps `letter` to the folder (a Windows path) as a removable drive. An
// empty text when done; else why not (not running under Wine, or the
// letter names one of the machine's own drives).
std::string MapRemovableDrive(char letter, const std::string& folder);
// Removes the mapping of `letter`; false when the mount manager refused.
bool UnmapDrive(char letter);
// Whether `letter` names a removable drive right now.
bool IsRemovableDrivePresent(char letter);

// Owns one mapping: made in the constructor, removed in the destructor.
class MappedDrive {
 public:
  MappedDrive(char letter, const std::string& folder) : letter_(letter), problem_(MapRemovableDrive(letter, folder)) {}
  ~MappedDrive() {
    if (problem_.empty() && IsRemovableDrivePresent(letter_)) UnmapDrive(letter_);
  }
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  const std::string& Problem() const { return problem_; }

 private:
  char letter_;
  std::string problem_;
};

}  // namespace sw::testbed
