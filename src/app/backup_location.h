// Whether a folder may take the backup of a drive that is about to be
// erased. The answer rests on what the system says about the files
// themselves (volume serial number and file ID of the folder and of every
// folder above it, and the volume's name), never on the path text: a subst
// letter, a junction, a volume mounted in a folder or a second drive letter
// for the same folder all name the drive under another path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace sw {

// Why `folder` cannot take the backup of the drive at `driveRoot` (it is a
// drive root, or the drive itself or a folder on it under any name); nothing
// when it can.
std::optional<std::string> BackupLocationRefusal(const std::string& folder, const std::string& driveRoot);

// Free bytes for the caller on the volume that holds `folder` (or the
// nearest folder above it that exists); nothing when they cannot be read.
std::optional<std::uint64_t> FreeBytesAt(const std::string& folder);

// The allocation unit of the volume that holds `folder` (or the nearest
// folder above it that exists); 4096 when it cannot be read.
std::uint64_t ClusterBytesAt(const std::string& folder);

// Writes everything the system still holds for the volume that holds
// `path` to its disk (one flush of the whole volume, which needs
// administrator rights); false when the volume cannot be flushed that way.
bool FlushVolumeOf(const std::string& path);

// True when the root of the drive can be read (it is still there and
// holds a file system).
bool DriveReadable(const std::string& driveRoot);

}  // namespace sw
