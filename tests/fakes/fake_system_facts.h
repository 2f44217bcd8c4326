// Chosen system facts; EndProcess is recorded instead of ending the test.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/system_facts.h"

namespace sw::fakes {

class FakeSystemFacts : public ISystemFacts {
 public:
  bool IsNtPlatform() override { return nt; }
  bool IsAdministrator() override;
  void EndProcess(unsigned exitCode) override { endedWith = exitCode; }
  bool SetProcessPriorityClass(uint32_t priorityClass, uint32_t& error) override;

  bool nt = true;
  bool administrator = true;
  bool failAdministratorCheck = false;  // raise an OS error as a failed token query would
  std::optional<unsigned> endedWith;
  std::vector<uint32_t> priorityClasses;  // every priority class set, in order
  uint32_t failPriorityWithError = 0;     // non-zero: every priority change fails so
};

}  // namespace sw::fakes
