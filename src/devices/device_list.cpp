// Entry texts, caption keys, label proposals and the letter rule of the
// device list.
#include "devices/device_list.h"

#include <cstdio>
#include <string_view>

#include "platform/text_rules.h"

namespace sw {

namespace {

constexpr long long kGiB = 1073741824LL;
constexpr double kMiB = 1048576.0;

// printf formats with "." whatever the locale; the locale's separator replaces it.
std::string FormatFixed(const char* format, double value, const std::string& decimalSeparator) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return ReplaceAll(Trim(buffer), ".", decimalSeparator);
}

constexpr size_t kLabelCharacters = 11;

// The first `count` characters of a UTF-8 text, never cutting one apart: a
// character is a lead byte with the continuation bytes that follow it.
std::string FirstCharacters(const std::string& text, size_t count) {
  size_t characters = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool continuation = (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80;
    if (!continuation && characters++ == count) return text.substr(0, i);
  }
  return text;
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

std::string DeviceSizeText(long long size, const std::string& decimalSeparator) {
  if (size < kGiB) return FormatFixed("%6.0f", static_cast<double>(size) / kMiB, decimalSeparator) + " MB";
  return FormatFixed("%7.2f", static_cast<double>(size) / static_cast<double>(kGiB), decimalSeparator) + " GB";
}

std::string DeviceEntryText(const std::string& vendor, const std::string& product, long long size,
                            const std::string& root, const std::string& decimalSeparator) {
  std::string entry = vendor + " " + product + " (" + DeviceSizeText(size, decimalSeparator) + ")";
  if (!root.empty()) entry += " (" + root + ")";
  return entry;
}

std::string ItemCaption(const std::string& text) {
  const size_t open = text.find('(');
  if (open == std::string::npos || open == 0) return {};
  return Trim(std::string_view(text).substr(0, open));
}

std::string MakeVolumeLabel(const std::string& text) {
  constexpr std::string_view kRemoved = "*?.,;:/\\|+=<>[]";
  std::string cleaned;
  for (char c : Trim(text))
    if (kRemoved.find(c) == std::string_view::npos) cleaned += c;

  const size_t blank = cleaned.find(' ');
  if (blank != std::string::npos && blank >= 1) {
    std::string word = FirstCharacters(cleaned.substr(0, blank), kLabelCharacters);
    if (!word.empty()) return word;
  }
  const size_t open = cleaned.find('(');
  if (open != std::string::npos && open >= 2) {
    const size_t close = cleaned.find(')');
    std::string inside;
    if (close != std::string::npos && close > open) inside = cleaned.substr(open + 1, close - open - 1);
    cleaned.clear();
    for (char c : inside)
      if (c != ' ') cleaned += c;
  }
  return cleaned.empty() ? "USB" : cleaned;
}

char EntryDriveLetter(const std::string& entry) {
  const std::string text = Trim(entry);
  if (text.size() < 6) return 0;
  const std::string_view tail = std::string_view(text).substr(text.size() - 5);
  if (tail[0] != '(' || tail.substr(2) != ":\\)") return 0;
  const char letter = tail[1];
  if (!IsAsciiLetter(letter) || letter == 'C' || letter == 'c') return 0;
  return letter;
}

int FileSystemIndex(const std::string& fileSystem) {
  const std::string name = AsciiUpper(fileSystem);
  if (name == "NTFS") return 0;
  if (name == "FAT") return 1;
  if (name == "FAT32") return 2;
  if (name == "EXFAT") return 3;
  return -1;
}

std::string FileSystemMessage(const std::string& entry, const std::string& fileSystem) {
  return "The current file system of " + entry + " is " + fileSystem + ".\r\n" +
         "You can format it to FAT, FAT32, NTFS, or EXFAT.\r\n";
}

DeviceSelection SelectDevice(const std::string& entry, char previousLetter, const std::string& currentLabel,
                             const std::function<std::string(char)>& fileSystemOf) {
  DeviceSelection selection;
  const char letter = EntryDriveLetter(entry);
  selection.DriveLetter = letter != 0 ? letter : previousLetter;
  if (currentLabel.empty()) {
    selection.SetLabel = true;
    selection.Label = MakeVolumeLabel(entry);
  }
  // With no entry (the list re-listed empty after the stick was pulled)
  // there is nothing to describe: a letter kept from an earlier entry is not
  // probed, and no line names an empty entry.
  if (selection.DriveLetter == 0 || Trim(entry).empty()) return selection;
  const std::string fileSystem = fileSystemOf(selection.DriveLetter);
  selection.FileSystemIndex = FileSystemIndex(fileSystem);
  if (!fileSystem.empty()) selection.Message = FileSystemMessage(entry, fileSystem);
  return selection;
}

}  // namespace sw
