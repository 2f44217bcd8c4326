// Seam: the named streams (alternate data streams) of a file. A file on
// NTFS may carry data beside its main content, under a name of its own:
// among them "Zone.Identifier", the mark that a file came from the internet,
// which Windows reads before it runs a downloaded program. The backup and
// restore carry them with their file; tests put a strict stand-in behind
// this interface, since Wine keeps no streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sw {

// One named stream of a file: its name without the leading ":" and the
// ":$DATA" type ("Zone.Identifier"), and its size in bytes.
struct TNamedStream {
  std::string name;
  std::int64_t size = 0;
};

// The file system of the volume that holds a path, and whether it keeps
// named streams (NTFS does; FAT, FAT32 and exFAT do not).
struct TStreamVolume {
  std::string fileSystem;  // "NTFS", "FAT32", ...; empty when it cannot be read
  bool keepsStreams = false;
};

class INamedStreams {
 public:
  virtual ~INamedStreams() = default;
  // The volume that holds `path` (a file or folder, UTF-8).
  virtual TStreamVolume VolumeOf(const std::string& path) = 0;
  // The named streams of the file `path`, its main data left out; false
  // (and `error`) when they cannot be listed. A file without any lists none.
  virtual bool List(const std::string& path, std::vector<TNamedStream>& streams, std::uint32_t& error) = 0;
  // The whole content of the stream `name` of `path`; false (and `error`)
  // when it cannot be read.
  virtual bool Read(const std::string& path, const std::string& name, std::vector<unsigned char>& data,
                    std::uint32_t& error) = 0;
  // Writes `data` as the stream `name` of the existing file `path`,
  // replacing a stream of that name, and flushes it to its disk; false (and
  // `error`) when the volume or the file refuses it.
  virtual bool Write(const std::string& path, const std::string& name, const std::vector<unsigned char>& data,
                     std::uint32_t& error) = 0;
};

}  // namespace sw
