#include "fakes/fake_system_facts.h"

#include <windows.h>

#include "platform/exceptions.h"

namespace sw::fakes {

bool FakeSystemFacts::IsAdministrator() {
  if (failAdministratorCheck) RaiseOSError(ERROR_ACCESS_DENIED);
  return administrator;
}

bool FakeSystemFacts::SetProcessPriorityClass(uint32_t priorityClass, uint32_t& error) {
  priorityClasses.push_back(priorityClass);
  if (failPriorityWithError == 0) return true;
  error = failPriorityWithError;
  return false;
}

}  // namespace sw::fakes
