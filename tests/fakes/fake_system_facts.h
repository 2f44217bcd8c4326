// Chosen system facts; EndProcess is recorded instead of ending the test.
#pragma once

#include <optional>

#include "platform/system_facts.h"

namespace sw::fakes {

class FakeSystemFacts : public ISystemFacts {
 public:
  bool IsNtPlatform() override { return nt; }
  bool IsAdministrator() override;
  void EndProcess(unsigned exitCode) override { endedWith = exitCode; }

  bool nt = true;
  bool administrator = true;
  bool failAdministratorCheck = false;  // raise an OS error as a failed token query would
  std::optional<unsigned> endedWith;
};

}  // namespace sw::fakes
