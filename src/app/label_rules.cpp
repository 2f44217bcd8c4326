#include "app/label_rules.h"

#include <string_view>

#include "app/speedup_rules.h"
#include "platform/text_rules.h"

namespace sw {
namespace {

struct LabelRule {
  const char* name;
  size_t maxUnits;          // in UTF-16 code units, as the system counts them
  std::string_view forbidden;
  bool basicPlaneOnly;      // the old FAT label cannot store characters above U+FFFF
};

const LabelRule& RuleFor(int fileSystemIndex) {
  static const LabelRule kNtfs{"NTFS", 32, "\"*/:<>?\\|", false};
  static const LabelRule kFat{"FAT", 11, "\"*+,./:;<=>?[\\]|", true};
  static const LabelRule kFat32{"FAT32", 11, "\"*+,./:;<=>?[\\]|", true};
  static const LabelRule kExfat{"EXFAT", 11, "\"*/:<>?\\|", false};
  switch (fileSystemIndex) {
    case kFsFat: return kFat;
    case kFsFat32: return kFat32;
    case kFsExfat: return kExfat;
    default: return kNtfs;
  }
}

}  // namespace

std::string LabelProblem(const std::string& label, int fileSystemIndex) {
  const LabelRule& rule = RuleFor(fileSystemIndex);
  const std::string limit = std::string(rule.name) + " allows at most " + std::to_string(rule.maxUnits) + " characters";
  size_t units = 0;
  for (const char32_t c : DecodeUtf8(label)) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
      return "it holds a control character (a tab or a line break, for example)";
    if (c == 0xFFFD) return "it holds text that is not valid UTF-8";
    if (c < 0x80 && rule.forbidden.find(static_cast<char>(c)) != std::string_view::npos)
      return "it holds the character " + std::string(1, static_cast<char>(c)) + ", which " + rule.name +
             " does not allow in a label";
    if (c > 0xFFFF && rule.basicPlaneOnly)
      return std::string("it holds a character that ") + rule.name + " cannot store in a label (an emoji, for example)";
    units += c > 0xFFFF ? 2 : 1;
  }
  if (units > rule.maxUnits) return "it is " + std::to_string(units) + " characters long; " + limit;
  return {};
}

}  // namespace sw
