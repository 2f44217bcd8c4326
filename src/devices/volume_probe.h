// Probes of logical drives: the physical disk a volume lies on, the file
// system of a drive letter, and the removable drives for the fallback list.
#pragma once

#include <string>
#include <vector>

namespace sw {

class IDeviceIo;

// The physical disk number (0 to 255) of the volume with this letter, from
// its first disk extent; 0 also when the volume cannot be opened or has no
// extents.
int VolumeDiskNumber(IDeviceIo& io, char letter);

// The file-system name of the drive, or "RAW" when the volume cannot be read
// or reports a name that is not printable.
std::string GetDriveFileSystem(char letter);
// The name GetDriveFileSystem reports for one volume-information answer.
std::string FileSystemOrRaw(bool volumeInformationRead, const std::string& fileSystemName);

// The roots ("E:\") of the removable logical drives, in the system's order.
std::vector<std::string> ListRemovableDrives();

}  // namespace sw
