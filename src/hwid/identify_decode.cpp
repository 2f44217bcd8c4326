#include "hwid/identify_decode.h"

#include <algorithm>
#include <limits>

#include "hwid/char_class.h"
#include "hwid/format_text.h"
#include "hwid/recorded_identity.h"

namespace sw {

std::string IdentifyWordsToText(const IdentifyWords& words, size_t first, size_t count) {
  std::string text;
  const size_t end = first < words.size() ? first + std::min(count, words.size() - first) : first;
  for (size_t i = first; i < end; ++i) {
    text.push_back(static_cast<char>(words[i] >> 8));
    text.push_back(static_cast<char>(words[i] & 0xFF));
  }
  while (text.size() > 1 && hwid::IsBlank(static_cast<uint8_t>(text.back()))) text.pop_back();
  if (size_t zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return text;
}

std::string IdentifyDriveType(const IdentifyWords& words) {
  const uint16_t configuration = words[identify_word::kGeneralConfiguration];
  if (configuration & 0x80) return "Removable";
  if (configuration & 0x40) return "Fixed";
  return "Unknown";
}

std::optional<uint64_t> IdentifyCapacity(const IdentifyWords& words) {
  constexpr uint64_t kSectorSize = 512;
  uint64_t sectors = 0;
  if (words[identify_word::kCommandSetsSupported] & (1u << 10)) {
    for (size_t i = 4; i-- > 0;) sectors = (sectors << 16) | words[identify_word::kSectors48First + i];
  } else {
    sectors = words[identify_word::kSectors28Low] | (uint64_t{words[identify_word::kSectors28High]} << 16);
  }
  if (sectors > std::numeric_limits<uint64_t>::max() / kSectorSize) return std::nullopt;
  return sectors * kSectorSize;
}

namespace {

const char* ControllerText(int32_t position) {
  switch (position) {
    case 0: return "Primary Controller - ";
    case 1: return "Secondary Controller - ";
    case 2: return "Tertiary Controller - ";
    case 3: return "Quaternary Controller - ";
    default: return nullptr;
  }
}

}  // namespace

void ReportIdentifyData(int32_t driveNumber, const IdentifyWords& words, tresults_dv& record, IDriveIdSink& sink) {
  using namespace identify_word;
  const std::string serial = IdentifyWordsToText(words, kSerialFirst, kSerialWords);
  const std::string model = IdentifyWordsToText(words, kModelFirst, kModelWords);
  const std::string revision = IdentifyWordsToText(words, kRevisionFirst, kRevisionWords);
  RecordIdentityIfFirstUsable(serial, model);

  const int32_t controller = driveNumber / 2;
  const int32_t position = driveNumber % 2;
  sink.LogText(hwid::FormatText("\r\nDrive %d - ", driveNumber));
  if (const char* text = ControllerText(controller)) sink.LogText(text);
  if (position == 0) sink.LogText(" - Master drive");
  if (position == 1) sink.LogText(" - Slave drive");

  sink.LogText(hwid::FormatText("Drive Model Number________________: [%s]\r\n", model.c_str()));
  sink.LogText(hwid::FormatText("Drive Serial Number_______________: [%s]\r\n", serial.c_str()));
  sink.LogText(hwid::FormatText("Drive Controller Revision Number__: [%s]\r\n", revision.c_str()));
  const std::string driveType = IdentifyDriveType(words);
  sink.LogText("Drive Type________________________: ");
  sink.LogText(driveType);
  const std::optional<uint64_t> capacity = IdentifyCapacity(words);
  sink.LogText(capacity ? "Drive Size________________________: " + std::to_string(*capacity) + " bytes\r\n"
                        : std::string("Drive Size________________________: unknown\r\n"));

  record.controller = controller;
  record.drive = position;
  record.model = model;
  record.serial = serial;
  record.revision = revision;
  record.buffer_size = int64_t{words[kBufferSize]} * 512;
  record.drive_type = driveType;
  record.size = capacity.value_or(0);
}

}  // namespace sw
