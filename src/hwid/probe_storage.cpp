// The storage-descriptor probe: opens each physical drive without read or
// write rights, reads its storage descriptor and geometry, and offers every
// drive whose media is not fixed to the device list.
#include <algorithm>
#include <optional>
#include <span>
#include <vector>

#include "hwid/byte_reader.h"
#include "hwid/descriptor_decode.h"
#include "hwid/format_text.h"
#include "hwid/hwid_impl.h"
#include "hwid/ioctl_codes.h"
#include "hwid/media_type.h"
#include "platform/device_io.h"

namespace sw {

using namespace hwid;

namespace {

constexpr int kPhysicalDrives = 16;

}  // namespace

bool ReadPhysicalDriveInNTWithZeroRights(tresults_array_dv& results, const DriveIdServices& services) {
  results.clear();
  IDriveIdSink& sink = services.sink;
  std::vector<uint8_t> buffer(kDescriptorBufferSize);
  for (int n = 0; n < kPhysicalDrives; ++n) {
    const std::string path = PhysicalDrivePath(n);
    auto device = services.deviceIo.Open(path, {0, kShareRead | kShareWrite});
    if (!device) {
      if (DriveIdDiagnostics())
        sink.LogText(FormatText("\r\n%d ReadPhysicalDriveInNTWithZeroRights ERROR\r\n"
                                "CreateFile(%s) returned INVALID_HANDLE_VALUE\r\n",
                                0, path.c_str()));
      continue;
    }

    const uint8_t query[kStoragePropertyQuerySize] = {};  // StorageDeviceProperty, PropertyStandardQuery
    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    uint32_t returned = 0;
    if (!device->IoControl(kStorageQueryProperty, query, sizeof(query), buffer.data(), buffer.size(), returned)) {
      sink.LogText(FormatText("\r\nDeviceIOControl IOCTL_STORAGE_QUERY_PROPERTY error = %d\r\n",
                              static_cast<int>(services.deviceIo.LastError())));
      continue;
    }
    if (!AnswerCovers(returned, 0, kDescriptorHeaderSize)) {
      if (DriveIdDiagnostics())
        sink.LogText(FormatText("\r\n%d ReadPhysicalDriveInNTWithZeroRights ERROR\r\n"
                                "IOCTL_STORAGE_QUERY_PROPERTY returned %u bytes\r\n",
                                0, returned));
      continue;
    }
    // Texts are read only within what the device returned.
    const std::span<const uint8_t> descriptor(buffer.data(), std::min<size_t>(returned, buffer.size()));
    if (DriveIdDiagnostics()) sink.LogText(DescriptorDump(descriptor, n));

    const DescriptorTexts texts = DecodeDescriptorTexts(descriptor);
    std::optional<size_t> recordIndex;
    if (RecordIdentityIfFirstUsable(texts.serialNumber, texts.productId)) {
      tresults_dv record;
      record.model = texts.productId;
      record.serial = texts.serialNumber;
      record.drive_type = "Unknown";
      recordIndex = results.size();
      results.push_back(std::move(record));
    }
    sink.LogText(FormatText("\r\n**** STORAGE_DEVICE_DESCRIPTOR for drive %d ****\r\n"
                            "Vendor Id = [%s]\r\nProduct Id = [%s]\r\nProduct Revision = [%s]\r\n"
                            "Serial Number = [%s]\r\n",
                            n, texts.vendorId.c_str(), texts.productId.c_str(), texts.productRevision.c_str(),
                            texts.serialNumber.c_str()));

    std::fill(buffer.begin(), buffer.end(), uint8_t{0});
    // A short geometry answer is a failed one: its missing media type would
    // read as 0 and offer a fixed disk as removable.
    if (!device->IoControl(kDiskGetDriveGeometryEx, nullptr, 0, buffer.data(), buffer.size(), returned) ||
        !AnswerCovers(returned, 0, kGeometrySize)) {
      if (DriveIdDiagnostics())
        sink.LogText(FormatText("\r\n%d ReadPhysicalDriveInNTWithZeroRights ERROR"
                                "|nDeviceIoControl(%s, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) returned 0",
                                0, path.c_str()));
      continue;
    }
    const bool fixed = !IsRemovableMediaType(ReadU32(buffer, kGeometryMediaType));
    const std::string mediaWord = fixed ? "fixed" : "removable";
    const int64_t diskSize = ReadI64(buffer, kGeometryDiskSize);
    sink.LogText(FormatText("\r\n**** DISK_GEOMETRY_EX for drive %d ****\r\nDisk is %s fixed\r\nDiskSize = %s\r\n",
                            n, mediaWord.c_str(), std::to_string(diskSize).c_str()));

    if (!fixed) sink.OfferDrive({texts.vendorId, texts.productId, texts.productRevision, path, diskSize, texts.serialNumber});
    if (recordIndex) {
      results[*recordIndex].size = diskSize > 0 ? static_cast<uint64_t>(diskSize) : 0;
      results[*recordIndex].drive_type = mediaWord;
    }
  }
  return !results.empty();
}

}  // namespace sw
