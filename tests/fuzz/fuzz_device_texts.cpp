// The device list's texts from any input: proposed labels, size texts,
// entry letters, WMI records and their lookup, digits, printable names and
// drive-letter forms.
#include <fuzzer/FuzzedDataProvider.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "devices/device_list.h"
#include "devices/device_text.h"
#include "devices/drive_letters.h"
#include "devices/wmi_disks.h"
#include "fuzz_check.h"
#include "platform/text_rules.h"
#include "platform/wmi.h"

namespace {

int NaiveDigitsToInt(const std::string& text) {
  int64_t value = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') value = std::min<int64_t>(value * 10 + (c - '0'), INT32_MAX);
  }
  return static_cast<int>(value);
}

size_t Utf8Characters(const std::string& text) {
  size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// A WMI number: digits grouped by "," in threes, maybe with a minus sign.
bool IsGroupedNumber(const std::string& number) {
  const std::string digits = number.starts_with('-') ? number.substr(1) : number;
  if (digits.empty() || digits[0] == ',') return false;
  for (size_t i = 0; i < digits.size(); ++i) {
    const bool separatorPlace = (digits.size() - i) % 4 == 0;
    if (separatorPlace != (digits[i] == ',')) return false;
    if (!separatorPlace && (digits[i] < '0' || digits[i] > '9')) return false;
  }
  return digits.size() <= 25;  // 9,223,372,036,854,775,807 at most
}

void CheckLabel(const std::string& entry) {
  const std::string label = sw::MakeVolumeLabel(entry);
  FUZZ_CHECK(!label.empty());
  FUZZ_CHECK(label.find_first_of("*?.,;:/\\|+=<>[]") == std::string::npos);
  if (sw::fuzz::IsValidUtf8(entry)) FUZZ_CHECK(sw::fuzz::IsValidUtf8(label));
  // The first word is cut to 11 characters; other labels come from inside
  // the parentheses and are never longer than the entry.
  FUZZ_CHECK(Utf8Characters(label) <= Utf8Characters(entry) || label == "USB");
}

void CheckSizeTexts(long long size, double wmiSize) {
  const std::string text = sw::DeviceSizeText(size, ",");
  FUZZ_CHECK(text.ends_with(size < (1LL << 30) ? " MB" : " GB"));
  FUZZ_CHECK(text.find_first_of("ni") == std::string::npos);  // no nan or inf

  std::string unit;
  const std::string number = sw::WmiSizeNumber(wmiSize, ",", unit);
  FUZZ_CHECK(unit == "MB" || unit == "GB");
  FUZZ_CHECK(number.empty() || IsGroupedNumber(number));
}

void CheckRecords(const std::string& entry, const std::vector<std::string>& records) {
  sw::DiskLookup lookup;
  lookup.DriveNumber = -7;
  lookup.SizeNumber = -7;
  const bool found = sw::LookupDiskRecord(entry, records, lookup);
  if (!found) FUZZ_CHECK(lookup.DriveNumber == -7 && lookup.SizeNumber == -7);
  FUZZ_CHECK(lookup.DriveNumber == -7 || lookup.DriveNumber >= 0);
  FUZZ_CHECK(lookup.SizeNumber == -7 || lookup.SizeNumber >= 0);
  FUZZ_CHECK(lookup.PartitionCount >= 0);
}

void CheckLetters(const std::string& entry, const std::vector<std::string>& toolMap, int form) {
  const char letter = sw::EntryDriveLetter(entry);
  FUZZ_CHECK(letter == 0 || (((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z')) &&
                             letter != 'C' && letter != 'c'));
  const std::string drive = sw::ToolMapLetter(toolMap, entry);
  FUZZ_CHECK(drive.empty() || (drive.size() == 2 && drive[1] == ':'));
  const std::string inForm = sw::DriveLetterInForm(drive, form);
  if (!inForm.empty()) FUZZ_CHECK(inForm[0] >= 'A' && inForm[0] <= 'Z' && form >= 0 && form <= 2);
  const int fileSystem = sw::FileSystemIndex(entry);
  FUZZ_CHECK(fileSystem >= -1 && fileSystem <= 3);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const long long byteSize = input.ConsumeIntegral<long long>();
  const double wmiSize = input.ConsumeBool() ? input.ConsumeFloatingPoint<double>()
                                             : sw::WmiValue::Text(input.ConsumeRandomLengthString(24)).AsNumber();
  const int form = input.ConsumeIntegralInRange<int>(-1, 3);
  const std::string entry = input.ConsumeRandomLengthString(96);
  const std::vector<std::string> records = sw::SplitLines(input.ConsumeRemainingBytesAsString());

  CheckLabel(entry);
  CheckSizeTexts(byteSize, wmiSize);
  CheckRecords(entry, records);
  CheckLetters(entry, records, form);
  FUZZ_CHECK(sw::DigitsToInt(entry) == NaiveDigitsToInt(entry));
  const bool printable = sw::IsPrintableName(entry);
  if (printable) FUZZ_CHECK(!sw::Trim(entry).empty());
  return 0;
}
