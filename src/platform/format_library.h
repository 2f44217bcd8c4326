// Seam: the system's file-system management library and its two entries,
// format and check-disk. Wine has no such library, so tests put a scripted
// stand-in here that plays the callback commands of a real run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace sw {

// The library's progress callback in its native layout: the command code,
// a sub-action, and a pointer to the command's data. It answers non-zero to
// let the library go on and zero to ask it to stop.
using FmifsCallback = uint8_t(__stdcall*)(uint32_t command, uint32_t subAction, void* actionInfo);

// Callback command codes (only the low byte of the code is meaningful).
namespace fmifs {
inline constexpr uint8_t kProgress = 0;             // data: 32-bit percentage
inline constexpr uint8_t kStructureCreated = 1;
inline constexpr uint8_t kInsufficientRights = 6;
inline constexpr uint8_t kFsNotSupported = 7;      // also a medium that refuses writes
inline constexpr uint8_t kVolumeInUse = 8;
inline constexpr uint8_t kQuickFormatNotAllowed = 9;
inline constexpr uint8_t kDone = 11;                // data: first byte non-zero on success
inline constexpr uint8_t kOutput = 14;              // data: TextOutput
inline constexpr uint8_t kStructureProgress = 15;
inline constexpr uint8_t kClusterSizeTooSmall = 16;
// Refusals the library names without a text of its own.
inline constexpr uint8_t kIoError = 10;
inline constexpr uint8_t kBadLabel = 12;
inline constexpr uint8_t kClusterSizeTooBig = 17;
inline constexpr uint8_t kVolumeTooSmall = 18;
inline constexpr uint8_t kVolumeTooBig = 19;
inline constexpr uint8_t kNoMediaInDrive = 20;
inline constexpr uint8_t kDeviceNotReady = 24;
inline constexpr uint8_t kSilent = 25;

// Media codes of the format entry.
inline constexpr uint32_t kMediaFloppy = 8;
inline constexpr uint32_t kMediaDisk = 12;

// The text-output record of command 14, native layout: on x64 the text
// pointer follows the 32-bit line count at pointer alignment (offset 8).
struct TextOutput {
  uint32_t lines;      // not read
  const char* output;  // NUL-terminated, in the OEM code page
};
static_assert(offsetof(TextOutput, output) == sizeof(void*), "text pointer at pointer alignment");
#ifdef _WIN64
static_assert(offsetof(TextOutput, output) == 8 && sizeof(TextOutput) == 16, "the x64 record");
#endif
}  // namespace fmifs

class IFormatLibrary {
 public:
  virtual ~IFormatLibrary() = default;
  // Whether a load was already attempted in this process.
  virtual bool LoadAttempted() const = 0;
  // Loads the library on the first call; every later call answers from that
  // one attempt. True when the check-disk entry was found.
  virtual bool Load() = 0;
  // Whether the format entry was found (valid after Load).
  virtual bool HasFormatEx() const = 0;

  // Both entries run synchronously: the callback is called on this thread
  // until the work has ended, and only then do they return. Texts are UTF-8
  // here and handed to the library as UTF-16.
  virtual void FormatEx(const std::string& root, uint32_t mediaCode, const std::string& fileSystem,
                        const std::string& label, bool quickFormat, uint32_t clusterSize, FmifsCallback callback) = 0;
  virtual void Chkdsk(const std::string& root, const std::string& fileSystem, bool repair, bool verbose,
                      bool onlyIfDirty, bool surfaceScan, FmifsCallback callback) = 0;
};

}  // namespace sw
