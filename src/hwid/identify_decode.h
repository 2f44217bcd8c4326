// Decoding of ATA IDENTIFY data: its text fields, drive type and capacity,
// and the per-drive report that the IDENTIFY-based probes log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "hwid/hwid_types.h"

namespace sw {

// Word indices of the IDENTIFY fields used.
namespace identify_word {
inline constexpr size_t kGeneralConfiguration = 0;  // bit 7 removable media, bit 6 fixed device
inline constexpr size_t kSerialFirst = 10, kSerialWords = 10;
inline constexpr size_t kBufferSize = 21;  // in 512-byte units
inline constexpr size_t kRevisionFirst = 23, kRevisionWords = 4;
inline constexpr size_t kModelFirst = 27, kModelWords = 20;
inline constexpr size_t kSectors28Low = 60, kSectors28High = 61;
inline constexpr size_t kCommandSetsSupported = 83;  // bit 10: 48-bit addressing
inline constexpr size_t kSectors48First = 100;        // words 100..103, least significant first
}  // namespace identify_word

// The text of `count` words from word `first` (words past the 256 are not
// there), two characters a word (high byte first), with trailing blanks cut
// (the first character is never cut, so a field of blanks becomes one blank)
// and leading blanks kept. Ends at a zero byte.
std::string IdentifyWordsToText(const IdentifyWords& words, size_t first, size_t count);

// "Removable" (bit 7 of word 0), else "Fixed" (bit 6), else "Unknown".
std::string IdentifyDriveType(const IdentifyWords& words);

// Capacity in bytes: the 48-bit sector count when word 83 announces 48-bit
// addressing, else the 28-bit count of words 60 and 61; times 512, in
// unsigned 64-bit arithmetic. Nothing (unknown) when the bytes would not fit
// in 64 bits.
std::optional<uint64_t> IdentifyCapacity(const IdentifyWords& words);

// Logs the report of drive `driveNumber`, records its serial and model number
// when it is the first usable drive of the run, and fills `record`.
void ReportIdentifyData(int32_t driveNumber, const IdentifyWords& words, tresults_dv& record, IDriveIdSink& sink);

}  // namespace sw
