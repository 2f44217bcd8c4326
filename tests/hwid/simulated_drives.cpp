#include "simulated_drives.h"

#include <algorithm>
#include <cstring>

#include "hwid/ioctl_codes.h"

namespace sw::testing {
namespace {

void PutText(IdentifyWords& words, int first, int last, const std::string& text) {
  std::string padded = text;
  padded.resize(static_cast<size_t>(last - first + 1) * 2, ' ');
  for (int i = first; i <= last; ++i) {
    size_t at = static_cast<size_t>(i - first) * 2;
    words[i] = static_cast<uint16_t>((static_cast<uint8_t>(padded[at]) << 8) | static_cast<uint8_t>(padded[at + 1]));
  }
}

void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

IdentifyWords MakeIdentifyWords(const AtaDrive& drive) {
  IdentifyWords words{};
  words[0] = drive.configuration;
  PutText(words, 10, 19, drive.serial);
  words[21] = drive.bufferUnits;
  PutText(words, 23, 26, drive.revision);
  PutText(words, 27, 46, drive.model);
  words[60] = static_cast<uint16_t>(drive.sectors28 & 0xFFFF);
  words[61] = static_cast<uint16_t>(drive.sectors28 >> 16);
  if (drive.lba48) words[83] = 1u << 10;
  for (int i = 0; i < 4; ++i) words[100 + i] = static_cast<uint16_t>(drive.sectors48 >> (16 * i));
  return words;
}

std::vector<uint8_t> IdentifyBytes(const IdentifyWords& words) {
  std::vector<uint8_t> bytes;
  for (uint16_t w : words) {
    bytes.push_back(static_cast<uint8_t>(w & 0xFF));
    bytes.push_back(static_cast<uint8_t>(w >> 8));
  }
  return bytes;
}

std::vector<uint8_t> MakeDescriptor(const DescriptorFields& fields) {
  std::vector<uint8_t> bytes(36, 0);
  PutU32(bytes, 0, 40);  // Version
  bytes[10] = fields.removableMedia;
  bytes[28] = fields.busType;
  const std::string* texts[] = {&fields.vendor, &fields.product, &fields.revision, &fields.serial};
  for (int i = 0; i < 4; ++i) {
    if (texts[i]->empty()) continue;
    PutU32(bytes, 12 + 4 * i, static_cast<uint32_t>(bytes.size()));
    bytes.insert(bytes.end(), texts[i]->begin(), texts[i]->end());
    bytes.push_back(0);
  }
  PutU32(bytes, 4, static_cast<uint32_t>(bytes.size()));  // Size
  return bytes;
}

std::vector<uint8_t> MakeGeometry(uint8_t mediaType, int64_t diskSize) {
  std::vector<uint8_t> bytes(32, 0);
  bytes[8] = mediaType;
  for (int i = 0; i < 8; ++i) bytes[24 + i] = static_cast<uint8_t>(static_cast<uint64_t>(diskSize) >> (8 * i));
  return bytes;
}

std::string Hex(const std::string& text) {
  static const char digits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : text) {
    hex.push_back(digits[c >> 4]);
    hex.push_back(digits[c & 15]);
  }
  return hex;
}

void ScriptPhysicalDrive(fakes::FakeDeviceIo& io, int n, const PhysicalDriveScript& script) {
  const std::string path = "\\\\.\\PhysicalDrive" + std::to_string(n);
  io.AddDevice(path);
  if (script.smartVersion) {
    std::vector<uint8_t> version(24, 0);
    version[3] = script.ideDeviceMap;
    io.Reply(path, hwid::kSmartGetVersion, {true, version});
  }
  if (script.identify) {
    std::vector<uint8_t> answer(16, 0);
    auto words = IdentifyBytes(MakeIdentifyWords(script.ata));
    answer.insert(answer.end(), words.begin(), words.end());
    io.Reply(path, hwid::kSmartReceiveDriveData, {true, answer});
  }
  if (script.storageError != 0)
    io.Reply(path, hwid::kStorageQueryProperty, {false, {}, script.storageError});
  else if (script.storage)
    io.Reply(path, hwid::kStorageQueryProperty, {true, MakeDescriptor(script.descriptor)});
  if (script.geometry)
    io.Reply(path, hwid::kDiskGetDriveGeometryEx, {true, MakeGeometry(script.mediaType, script.diskSize)});
}

void ScriptScsiPort(fakes::FakeDeviceIo& io, int port, const std::vector<std::pair<int, AtaDrive>>& drives) {
  const std::string path = "\\\\.\\Scsi" + std::to_string(port) + ":";
  io.AddDevice(path);
  // Replies are used in order: position 0 first, then position 1.
  for (int position = 0; position < 2; ++position) {
    auto found = std::find_if(drives.begin(), drives.end(), [&](auto& d) { return d.first == position; });
    std::vector<uint8_t> answer(44, 0);
    if (found != drives.end()) {
      auto words = IdentifyBytes(MakeIdentifyWords(found->second));
      answer.insert(answer.end(), words.begin(), words.end());
      io.Reply(path, hwid::kScsiMiniport, {true, answer});
    } else {
      io.Reply(path, hwid::kScsiMiniport, {false, {}, 1});
    }
  }
}

std::string RecordingSink::Log() const {
  std::string all;
  for (const auto& t : texts) all += t;
  return all;
}

bool RecordingSink::Logged(const std::string& text) const { return Log().find(text) != std::string::npos; }

size_t RecordingSink::Count(const std::string& text) const {
  const std::string all = Log();
  size_t count = 0;
  for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++count;
  return count;
}

}  // namespace sw::testing
