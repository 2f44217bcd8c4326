// The size a new file system on a drive will have. The format keeps the
// partition, so that is the partition's length, which the volume reports
// through the device seam (and the testbed's simulated volume answers with
// its own size); the file system's total stands in when the volume cannot
// be asked.
#pragma once

#include <cstdint>

namespace sw {
class IDeviceIo;
}

namespace sw::drive {

// The bytes of the volume of `letter`; -1 when neither the volume nor its
// file system answers. `io` may be null: the file system's total is used.
int64_t VolumeCapacity(IDeviceIo* io, char letter);

}  // namespace sw::drive
