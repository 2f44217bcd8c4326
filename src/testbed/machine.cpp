#include "testbed/machine.h"

#include <charconv>

#include "platform/text.h"

namespace sw::testbed {
namespace {

bool ParseInteger(const std::string& text, int64_t& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

// A price: a decimal number from 0 to 100000, with a point.
bool ParsePrice(const std::string& text, double& value) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
  return ec == std::errc() && ptr == end && value >= 0 && value <= 100000;
}

bool ParseYesNo(const std::string& text, bool& value) {
  const std::string lower = AsciiLower(text);
  if (lower == "yes" || lower == "true" || lower == "1") return value = true, true;
  if (lower == "no" || lower == "false" || lower == "0") return value = false, true;
  return false;
}

bool IsAbsoluteWindowsPath(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || path.rfind("\\\\", 0) == 0;
}

std::string ResolveFolder(const std::string& folder, const std::string& baseFolder) {
  std::string path = ReplaceAll(folder, "/", "\\");
  if (IsAbsoluteWindowsPath(path) || baseFolder.empty()) return path;
  std::string base = baseFolder;
  if (base.back() != '\\') base += '\\';
  return base + path;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t at = 0;
  while (at < text.size()) {
    const size_t start = text.find_first_not_of(" \t", at);
    if (start == std::string::npos) break;
    const size_t end = std::min(text.find_first_of(" \t", start), text.size());
    words.push_back(text.substr(start, end - start));
    at = end;
  }
  return words;
}

// "<program> <seconds>", "<program> never", or yes/no: yes is a program
// that never lets go.
std::string ParseHold(const std::string& value, ProgramHold& hold) {
  const char* const usage = "held-by-program must be a program and its seconds or never, or yes or no";
  hold = ProgramHold{};
  bool flag = false;
  if (ParseYesNo(value, flag)) {
    if (flag) hold.program = "another program";
    return {};
  }
  const std::vector<std::string> words = Words(value);
  if (words.size() != 2) return usage;
  int64_t seconds = 0;
  if (AsciiLower(words[1]) == "never") seconds = -1;
  else if (!ParseInteger(words[1], seconds) || seconds < 0 || seconds > 3600) return usage;
  hold.program = words[0];
  hold.seconds = seconds;
  return {};
}

// The throttle a key such as "write-ms-per-mib-before" sets; null for other keys.
int* ThrottleField(SimulatedDrive& drive, const std::string& key) {
  struct Field {
    const char* name;
    int SpeedThrottle::*member;
  };
  static constexpr Field kFields[] = {{"write-ms-per-mib", &SpeedThrottle::writeMsPerMib},
                                      {"read-ms-per-mib", &SpeedThrottle::readMsPerMib},
                                      {"write-ms-per-file", &SpeedThrottle::writeMsPerFile},
                                      {"read-ms-per-file", &SpeedThrottle::readMsPerFile}};
  for (const Field& field : kFields) {
    if (key == std::string(field.name) + "-before") return &(drive.speedBefore.*field.member);
    if (key == std::string(field.name) + "-after") return &(drive.speedAfter.*field.member);
  }
  return nullptr;
}

// Applies one "key = value" line to the drive; an error text when it cannot.
std::string Apply(SimulatedDrive& drive, const std::string& key, const std::string& value,
                  const std::string& baseFolder) {
  int64_t number = 0;
  bool flag = false;
  if (key == "number") {
    if (!ParseInteger(value, number) || number < 0 || number > 15) return "number must be 0 to 15";
    drive.number = static_cast<int>(number);
  } else if (key == "vendor") {
    drive.vendor = value;
  } else if (key == "product") {
    drive.product = value;
  } else if (key == "revision") {
    drive.revision = value;
  } else if (key == "serial") {
    drive.serial = value;
  } else if (key == "size") {
    if (!ParseInteger(value, number) || number <= 0) return "size must be a positive number of bytes";
    drive.sizeBytes = number;
  } else if (key == "volume-size") {
    if (!ParseInteger(value, number) || number <= 0) return "volume-size must be a positive number of bytes";
    drive.volumeBytes = number;
  } else if (key == "held-by-program") {
    return ParseHold(value, drive.hold);
  } else if (key == "second-volume") {
    const std::vector<std::string> words = Words(value);
    if (words.empty() || words.size() > 2 || !ParseInteger(words[0], number) || number <= 0)
      return "second-volume must be a size in bytes and an optional letter";
    drive.secondVolumeBytes = number;
    if (words.size() == 2) {
      const std::string upper = AsciiUpper(words[1]);
      if (upper.size() != 1 || upper[0] < 'D' || upper[0] > 'Z') return "second-volume letter must be one of D to Z";
      drive.secondLetter = upper[0];
    }
  } else if (key == "write-protected") {
    if (!ParseYesNo(value, flag)) return "write-protected must be yes or no";
    drive.writeProtected = flag;
  } else if (key == "format-cant-lock") {
    if (!ParseInteger(value, number) || number < 0 || number > 100) return "format-cant-lock must be 0 to 100";
    drive.format.cantLockCalls = static_cast<int>(number);
  } else if (key == "format-in-use") {
    if (!ParseYesNo(value, flag)) return "format-in-use must be yes or no";
    drive.format.reportsVolumeInUse = flag;
  } else if (key == "real-size") {
    if (!ParseInteger(value, number) || number <= 0) return "real-size must be a positive number of bytes";
    drive.capacity.realBytes = number;
  } else if (key == "counterfeit") {
    const std::string kind = AsciiLower(value);
    if (kind != "wrap" && kind != "limbo") return "counterfeit must be wrap or limbo";
    drive.capacity.wraps = kind == "wrap";
  } else if (key == "limbo-reads") {
    const std::string kind = AsciiLower(value);
    if (kind != "zeros" && kind != "stale") return "limbo-reads must be zeros or stale";
    drive.capacity.staleReads = kind == "stale";
  } else if (key == "write-cache-mib") {
    if (!ParseInteger(value, number) || number < 0 || number > 4096) return "write-cache-mib must be 0 to 4096";
    drive.capacity.writeCacheMib = static_cast<int>(number);
  } else if (key == "probe-write-ms" || key == "probe-read-us" || key == "seq-write-mbs" || key == "seq-read-mbs") {
    double price = 0;
    if (!ParsePrice(value, price)) return key + " must be a number from 0 to 100000";
    CapacityBehaviour& capacity = drive.capacity;
    (key == "probe-write-ms"  ? capacity.probeWriteMs
     : key == "probe-read-us" ? capacity.probeReadUs
     : key == "seq-write-mbs" ? capacity.seqWriteMBs
                              : capacity.seqReadMBs) = price;
  } else if (key == "media") {
    const std::string lower = AsciiLower(value);
    if (lower == "removable") drive.mediaType = 11;
    else if (lower == "fixed") drive.mediaType = 12;
    else if (lower == "unknown") drive.mediaType = 0;
    else if (ParseInteger(value, number) && number >= 0 && number <= 255) drive.mediaType = static_cast<uint8_t>(number);
    else return "media must be removable, fixed, unknown or a number";
  } else if (key == "letter") {
    const std::string upper = AsciiUpper(value);
    if (upper.size() != 1 || upper[0] < 'D' || upper[0] > 'Z') return "letter must be one of D to Z";
    drive.letter = upper[0];
  } else if (key == "folder") {
    if (value.empty()) return "folder must not be empty";
    drive.folder = ResolveFolder(value, baseFolder);
  } else if (key == "filesystem") {
    drive.fileSystem = value;
  } else if (key == "label") {
    drive.label = value;
  } else if (key == "format") {
    const std::string lower = AsciiLower(value);
    if (lower != "ok" && lower != "fail") return "format must be ok or fail";
    drive.format.fails = lower == "fail";
  } else if (key == "fail-cluster") {
    if (!ParseInteger(value, number) || number < 0) return "fail-cluster must be an allocation unit in bytes";
    drive.format.failingCluster = static_cast<uint32_t>(number);
  } else if (key == "check-problems") {
    if (!ParseYesNo(value, flag)) return "check-problems must be yes or no";
    drive.format.checkFindsProblems = flag;
  } else if (key == "steps") {
    if (!ParseInteger(value, number) || number < 1 || number > 1000) return "steps must be 1 to 1000";
    drive.format.steps = static_cast<int>(number);
  } else if (key == "step-ms") {
    if (!ParseInteger(value, number) || number < 0 || number > 10000) return "step-ms must be 0 to 10000";
    drive.format.stepMilliseconds = static_cast<int>(number);
  } else if (int* throttle = ThrottleField(drive, key)) {
    if (!ParseInteger(value, number) || number < 0 || number > 10000) return key + " must be 0 to 10000";
    *throttle = static_cast<int>(number);
  } else if (key == "format-output") {
    drive.format.formatOutput.push_back(value);
  } else if (key == "check-output") {
    drive.format.checkOutput.push_back(value);
  } else {
    return "unknown key \"" + key + "\"";
  }
  return {};
}

}  // namespace

ParseResult ParseMachine(const std::string& text, const std::string& baseFolder) {
  ParseResult result;
  SimulatedDrive* current = nullptr;
  int lineNumber = 0;
  auto fail = [&](const std::string& why) {
    result.errors.push_back("line " + std::to_string(lineNumber) + ": " + why);
  };
  for (const std::string& rawLine : SplitLines(text)) {
    ++lineNumber;
    const std::string line = Trim(rawLine);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      if (AsciiLower(line) != "[drive]") {
        fail("unknown section " + line);
        current = nullptr;
        continue;
      }
      result.machine.drives.emplace_back();
      current = &result.machine.drives.back();
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) {
      fail("expected key = value");
      continue;
    }
    if (current == nullptr) {
      fail("key outside a [drive] section");
      continue;
    }
    const std::string why = Apply(*current, AsciiLower(Trim(line.substr(0, equals))), Trim(line.substr(equals + 1)),
                                  baseFolder);
    if (!why.empty()) fail(why);
  }

  // Whole-drive checks: each drive needs a letter, a folder and a size, its
  // volume fits on it, and no two drives share a letter or a physical drive
  // number.
  for (size_t i = 0; i < result.machine.drives.size(); ++i) {
    const SimulatedDrive& drive = result.machine.drives[i];
    const std::string name = "drive " + std::to_string(i + 1);
    if (drive.letter == 0) result.errors.push_back(name + ": no letter");
    if (drive.folder.empty()) result.errors.push_back(name + ": no folder");
    if (drive.sizeBytes <= 0) result.errors.push_back(name + ": no size");
    if (drive.capacity.realBytes > drive.sizeBytes) result.errors.push_back(name + ": real-size is larger than size");
    if (drive.volumeBytes > 0 && drive.sizeBytes > 0 && drive.volumeBytes > drive.sizeBytes - kPartitionOffset)
      result.errors.push_back(name + ": volume-size must leave the drive's first MiB to the partition table");
    for (size_t j = 0; j < i; ++j) {
      const SimulatedDrive& other = result.machine.drives[j];
      if (drive.letter != 0 && other.letter == drive.letter)
        result.errors.push_back(name + ": letter " + std::string(1, drive.letter) + " is taken");
      if (other.number == drive.number)
        result.errors.push_back(name + ": physical drive " + std::to_string(drive.number) + " is taken");
    }
  }
  return result;
}

const SimulatedDrive* FindByLetter(const Machine& machine, char letter) {
  const std::string wanted = AsciiUpper(std::string(1, letter));
  for (const SimulatedDrive& drive : machine.drives)
    if (drive.letter == wanted[0]) return &drive;
  return nullptr;
}

SimulatedDrive* FindByLetter(Machine& machine, char letter) {
  return const_cast<SimulatedDrive*>(FindByLetter(static_cast<const Machine&>(machine), letter));
}

const SimulatedDrive* FindByNumber(const Machine& machine, int number) {
  for (const SimulatedDrive& drive : machine.drives)
    if (drive.number == number) return &drive;
  return nullptr;
}

SimulatedDrive* FindByNumber(Machine& machine, int number) {
  return const_cast<SimulatedDrive*>(FindByNumber(static_cast<const Machine&>(machine), number));
}

}  // namespace sw::testbed
