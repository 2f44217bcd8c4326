#include "app/stick_identity.h"

#include "platform/text_rules.h"

namespace sw {

TStickMatch MatchStick(const TStickIdentity& noted, const TStickIdentity& attached) {
  if (noted.Identified()) {
    const bool same = noted.serial == attached.serial && noted.vendor == attached.vendor &&
                      noted.product == attached.product && noted.diskBytes == attached.diskBytes;
    return same ? TStickMatch::Identity : TStickMatch::None;
  }
  if (noted.letter == 0 || AsciiUpper(std::string(1, noted.letter)) != AsciiUpper(std::string(1, attached.letter)))
    return TStickMatch::None;
  if (noted.diskBytes > 0 && attached.diskBytes > 0 && noted.diskBytes != attached.diskBytes) return TStickMatch::None;
  return TStickMatch::LetterAndSize;
}

std::string StickName(const TStickIdentity& stick) {
  std::string name = Trim(Trim(stick.vendor) + " " + Trim(stick.product));
  if (!name.empty()) return name;
  return "drive " + AsciiUpper(std::string(1, stick.letter)) + ":";
}

}  // namespace sw
