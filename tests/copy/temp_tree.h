// A temporary folder owned by the test: created under the system's temp
// folder, removed with everything below it (read-only and system files
// too) when the fixture ends. Helpers write, read and date real files.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace sw::testing {

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The folder, ending with a backslash.
  const std::string& Root() const { return root_; }
  std::string Path(const std::string& relative) const { return root_ + relative; }

  // Creates the file (and its missing folders) with the given content.
  void Write(const std::string& relative, const std::string& content) const;
  void MakeFolder(const std::string& relative) const;
  // Creates a new file beside one whose name differs from it only in case,
  // which a Windows path cannot do: through Wine's host namespace
  // (\\?\unix\...), where names keep their case. False outside Wine; a
  // file it cannot make there fails the test.
  bool WriteCaseTwin(const std::string& relative, const std::string& content) const;

 private:
  std::string root_;
};

bool Exists(const std::string& path);
std::string ReadAll(const std::string& path);
void SetWriteTime(const std::string& path, const FILETIME& time);
FILETIME WriteTime(const std::string& path);
DWORD Attributes(const std::string& path);
// A file time `days` days after 1 January 2020, 12:00 UTC.
FILETIME DayTime(int days);

}  // namespace sw::testing
