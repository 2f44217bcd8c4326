// Where the running program lies: the companion tool, the backup folder and
// the single-instance name are all found from it.
#pragma once

#include <string>

namespace sw {

// Full path of the running executable, however long; empty when the system
// cannot tell.
std::string ExecutablePath();
// Its folder without a trailing separator; empty when unknown.
std::string ExecutableFolder();

}  // namespace sw
