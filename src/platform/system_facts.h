// Seam: facts about the system and the process that tests must be able to
// choose: the platform family, administrator rights, and ending the process.
#pragma once

#include <cstdint>

namespace sw {

class ISystemFacts {
 public:
  virtual ~ISystemFacts() = default;
  // True on the NT family (platform id 2).
  virtual bool IsNtPlatform() = 0;
  // Whether the process may administer the machine (token group walk).
  // Raises EOSError when a token or group query fails unexpectedly.
  virtual bool IsAdministrator() = 0;
  // Ends the process at once. The real one never returns; a fake may.
  virtual void EndProcess(unsigned exitCode) = 0;
  // Sets the priority class of the whole process (REALTIME_PRIORITY_CLASS,
  // NORMAL_PRIORITY_CLASS, ...). False on failure, with the error code in
  // `error`.
  virtual bool SetProcessPriorityClass(uint32_t priorityClass, uint32_t& error) = 0;
};

}  // namespace sw
