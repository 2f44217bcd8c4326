#include "engine_fixture.h"

namespace sw::testing {

WineDrive* EngineTest::drive_ = nullptr;

}  // namespace sw::testing
