// Which stick a backup belongs to: what the drive identification read of it
// (serial number, vendor and product) and its disk's size, with the drive
// letter it had. The note of a backup keeps it, so that a later start knows
// the stick again when it is plugged in, under whatever letter.
#pragma once

#include <cstdint>
#include <string>

namespace sw {

struct TStickIdentity {
  char letter = 0;             // upper case; 0 when none
  std::string vendor;
  std::string product;
  std::string serial;          // empty when the identification read none
  std::int64_t diskBytes = 0;  // 0 when not known
  // The identification read a serial number: the stick is known by it.
  bool Identified() const { return !serial.empty(); }
};

enum class TStickMatch {
  None,
  Identity,       // the same serial, vendor, product and disk size
  LetterAndSize,  // the note knows no identity: the same letter, and size where both know it
};

// Whether `attached` is the stick `noted` describes. A noted identity is
// only ever matched by identity: a stick with another serial under the same
// letter is another stick.
TStickMatch MatchStick(const TStickIdentity& noted, const TStickIdentity& attached);

// "Acme Pocket Stick" (vendor and product), or "drive Q:" when neither is known.
std::string StickName(const TStickIdentity& stick);

}  // namespace sw
