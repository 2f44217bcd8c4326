// Parsing of the companion tool's listing.
#include "devices/tool_output.h"

#include <optional>
#include <string_view>

#include "platform/text_rules.h"

namespace sw {

namespace {

constexpr std::string_view kPhysicalDrivePrefix = "\\\\.\\PhysicalDrive";  // 17 characters
constexpr std::string_view kDevicePrefix = "\\\\.\\";

// Where the header puts the Type column: from the "Type" of "Size Type" up
// to "Partition Type".
struct TypeColumn {
  size_t begin = 0;
  size_t end = 0;
};

std::optional<TypeColumn> HeaderTypeColumn(const std::string& line) {
  const size_t name = line.find("Device Name");
  if (name == std::string::npos) return std::nullopt;
  const size_t size = line.find("Size Type", name + 1);
  if (size == std::string::npos) return std::nullopt;
  const size_t partition = line.find("Partition Type", size + 1);
  if (partition == std::string::npos) return std::nullopt;
  return TypeColumn{size + 5, partition};
}

bool IsDecimal(const std::string& text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

// True when the line's Type cell is the word "Removable": the word
// elsewhere in a line (in a file-system or partition name, say) does not
// make a device removable.
bool TypeIsRemovable(const std::string& line, const TypeColumn& column) {
  if (line.size() <= column.begin) return false;
  const std::string cell = Trim(std::string_view(line).substr(column.begin, column.end - column.begin));
  return cell == "Removable";
}

}  // namespace

void ParseToolOutput(const std::string& text, std::vector<std::string>& toolDriveMap,
                     const std::function<int(char)>& volumeDiskNumber) {
  const std::vector<std::string> lines = SplitLines(text);
  size_t first = 0;
  std::optional<TypeColumn> column;
  for (; first < lines.size(); ++first) {
    if (!lines[first].empty() && (column = HeaderTypeColumn(lines[first]))) break;
  }
  if (!column) return;

  std::vector<std::string> numbers;
  std::string letters;
  for (size_t i = first + 1; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (!line.starts_with(kDevicePrefix) || !TypeIsRemovable(line, *column)) continue;
    if (line.starts_with(kPhysicalDrivePrefix)) {
      // The two characters after the prefix hold the drive number; a line
      // whose number is not decimal is skipped.
      const std::string number = Trim(line.substr(kPhysicalDrivePrefix.size(), 2));
      if (IsDecimal(number)) {
        const int n = std::stoi(number);
        if (n > 0) numbers.push_back(std::to_string(n));
      }
    }
    if (line.size() >= 6) {
      const std::string drive = AsciiUpper(line.substr(4, 2));
      if (drive[0] >= 'D' && drive[0] <= 'Z' && drive[1] == ':') letters += drive[0];
    }
  }

  for (char letter : letters) {
    const int disk = volumeDiskNumber(letter);
    if (disk <= 0) continue;
    for (std::string& entry : numbers) {
      if (entry == std::to_string(disk)) {  // an entry with its letter no longer equals the bare number
        entry += "|";
        entry += letter;
        break;
      }
    }
  }
  if (!numbers.empty()) toolDriveMap = numbers;
}

}  // namespace sw
