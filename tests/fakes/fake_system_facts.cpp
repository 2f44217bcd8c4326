#include "fakes/fake_system_facts.h"

#include <windows.h>

#include "platform/exceptions.h"

namespace sw::fakes {

bool FakeSystemFacts::IsAdministrator() {
  if (failAdministratorCheck) RaiseOSError(ERROR_ACCESS_DENIED);
  return administrator;
}

}  // namespace sw::fakes
