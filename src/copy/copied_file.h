// One file as a guarded copy or listing saw it: what the backup must hold
// and what the drive held when it was read. Plain data, no system types, so
// the comparisons of listings are tested and fuzzed on their own.
#pragma once

#include <cstdint>
#include <string>

namespace sw {

// A file a guarded run copied: its path below the run's source, its size
// and the hash of its content. A listing run (list-only) records each file
// it lists with its size and a hash of 0. Both record the source's
// last-write time and attributes as the listing showed them, and a copy
// the time it began reading the file (system file times, 100 ns units).
struct TCopiedFile {
  std::string relativePath;
  std::int64_t size = 0;
  std::uint64_t hash = 0;
  std::uint64_t lastWrite = 0;
  std::uint64_t copiedAt = 0;  // 0 for a listing
  std::uint32_t attributes = 0;
};

}  // namespace sw
