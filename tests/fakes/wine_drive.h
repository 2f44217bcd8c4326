// A temporary folder mapped as a removable drive letter through Wine's mount
// manager (the testbed's mapping), so the engine and the operation read real
// sizes and volume information. The letter and the folder are removed in the
// destructor.
#pragma once

#include <memory>
#include <string>

namespace sw::testbed {
class MappedDrive;
}

namespace sw::testing {

class WineDrive {
 public:
  WineDrive();
  ~WineDrive();
  WineDrive(const WineDrive&) = delete;
  WineDrive& operator=(const WineDrive&) = delete;

  // Empty when the drive is ready; else why it could not be made.
  const std::string& Problem() const { return problem_; }
  char Letter() const { return letter_; }
  std::string Root() const { return std::string(1, letter_) + ":\\"; }

  // The folder behind the letter, by its own Windows path: the same files
  // under another name.
  std::string Folder() const;
  // Takes the drive's folder away as if the stick were pulled out (the
  // letter then names nothing), and puts it back.
  bool Pull();
  bool PutBack();

  // A letter that names no drive at all, and never did while this prefix's
  // server runs.
  static char UnusedLetter();
  // A letter free to map a drive on: also one whose drive was removed.
  static char LetterToMap();

 private:
  std::string problem_;
  char letter_ = 0;
  std::wstring folder_;  // Windows path of the temporary folder
  std::unique_ptr<testbed::MappedDrive> mapping_;
};

}  // namespace sw::testing
