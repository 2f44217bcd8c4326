// The identity of the first usable drive of an identification run: its
// serial number and model number, always recorded together. Unit-wide,
// like the diagnostic switch: the run keeps no other context, and the
// closing summary of the run prints both.
#pragma once

#include <cstddef>
#include <string>

namespace sw {

// The recorded texts hold at most this many characters (a longer text from
// a storage descriptor is cut, the way a fixed 1024-byte field would hold it).
inline constexpr size_t kRecordedTextLimit = 1023;

struct RecordedIdentity {
  std::string serial;
  std::string model;
};

// The unit's recorded identity, kept from one run to the next.
RecordedIdentity& RecordedDriveIdentity();

// Records serial and model number when nothing is recorded yet and the
// serial number is usable (its first or twentieth character is a letter or
// digit). True when it recorded them.
bool RecordIdentityIfFirstUsable(const std::string& serial, const std::string& model);

// Whether a serial number's first or twentieth character is a letter or digit.
bool IsUsableSerialNumber(const std::string& serial);

}  // namespace sw
