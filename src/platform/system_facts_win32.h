// System facts from the running system: version, access token, process end.
#pragma once

#include "platform/system_facts.h"

namespace sw {

class Win32SystemFacts : public ISystemFacts {
 public:
  bool IsNtPlatform() override;
  bool IsAdministrator() override;
  [[noreturn]] void EndProcess(unsigned exitCode) override;
  bool SetProcessPriorityClass(uint32_t priorityClass, uint32_t& error) override;
};

}  // namespace sw
