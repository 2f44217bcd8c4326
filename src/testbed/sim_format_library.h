// The format service of the simulated machine. It plays the callback
// commands a real format or check plays (progress, output text in the OEM
// code page, completion), honours a "stop" answer, and a successful format
// really empties the drive's folder and records the new file system and
// label, so backup and restore move real files. A volume another program
// holds (until dismounted) is reported in use, as the real library does.
#pragma once

#include <string>
#include <vector>

#include "platform/format_library.h"
#include "testbed/machine.h"

namespace sw::testbed {

class SimulatedFormatLibrary : public IFormatLibrary {
 public:
  explicit SimulatedFormatLibrary(Machine& machine) : machine_(machine) {}

  bool LoadAttempted() const override { return loaded_; }
  bool Load() override { return loaded_ = true; }
  bool HasFormatEx() const override { return true; }
  void FormatEx(const std::string& root, uint32_t mediaCode, const std::string& fileSystem, const std::string& label,
                bool quickFormat, uint32_t clusterSize, FmifsCallback callback) override;
  void Chkdsk(const std::string& root, const std::string& fileSystem, bool repair, bool verbose, bool onlyIfDirty,
              bool surfaceScan, FmifsCallback callback) override;

 private:
  SimulatedDrive* DriveOf(const std::string& root);

  Machine& machine_;
  bool loaded_ = false;
};

// The output lines of a successful format and of a check, when the machine
// description gives none of its own.
std::vector<std::string> DefaultFormatOutput(const std::string& fileSystem, uint32_t clusterSize);
std::vector<std::string> DefaultCheckOutput(const SimulatedDrive& drive);

// Deletes everything inside `folder`, keeping the folder itself; read-only
// entries too, and a folder link goes without its target being emptied.
void EmptyFolder(const std::string& folder);

}  // namespace sw::testbed
