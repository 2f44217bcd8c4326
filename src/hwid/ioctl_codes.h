// Device-control codes and the layouts of the standard structures the probes
// exchange with the drives, each byte offset named once.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sw::hwid {

constexpr uint32_t CtlCode(uint32_t deviceType, uint32_t function, uint32_t method, uint32_t access) {
  return (deviceType << 16) | (access << 14) | (function << 2) | method;
}

inline constexpr uint32_t kSmartGetVersion = CtlCode(7, 0x20, 0, 1);
inline constexpr uint32_t kSmartReceiveDriveData = CtlCode(7, 0x22, 0, 3);
inline constexpr uint32_t kStorageQueryProperty = CtlCode(0x2D, 0x500, 0, 0);
inline constexpr uint32_t kDiskGetDriveGeometryEx = CtlCode(7, 0x28, 0, 0);
inline constexpr uint32_t kScsiMiniport = 0x0004D008;
inline constexpr uint32_t kScsiMiniportIdentify = 0x001B0501;
inline constexpr uint32_t kPortDriverIdeInfo = 1;  // the port driver's IDE information block

static_assert(kSmartGetVersion == 0x00074080);
static_assert(kSmartReceiveDriveData == 0x0007C088);
static_assert(kStorageQueryProperty == 0x002D1400);
static_assert(kDiskGetDriveGeometryEx == 0x000700A0);

// Access and share flags of CreateFile, and the process priority classes.
inline constexpr uint32_t kGenericRead = 0x80000000;
inline constexpr uint32_t kGenericWrite = 0x40000000;
inline constexpr uint32_t kShareRead = 0x1, kShareWrite = 0x2, kShareDelete = 0x4;
inline constexpr uint32_t kRealtimePriorityClass = 0x100;
inline constexpr uint32_t kNormalPriorityClass = 0x20;

// GETVERSIONINPARAMS: the answer to SMART_GET_VERSION.
inline constexpr size_t kVersionParamsSize = 24;
inline constexpr size_t kVersionIdeDeviceMap = 3;  // bits 0..3 ATA, bits 4..7 ATAPI

// SENDCMDINPARAMS: buffer size, the eight IDE task-file registers, drive number.
inline constexpr size_t kSendCmdInSize = 33;
inline constexpr uint32_t kSendCmdInInputSize = 32;  // sent without its one-byte data area
inline constexpr size_t kCmdBufferSize = 0;
inline constexpr size_t kCmdFeatures = 4;
inline constexpr size_t kCmdSectorCount = 5;
inline constexpr size_t kCmdSectorNumber = 6;
inline constexpr size_t kCmdCylinderLow = 7;
inline constexpr size_t kCmdCylinderHigh = 8;
inline constexpr size_t kCmdDriveHead = 9;
inline constexpr size_t kCmdCommand = 10;
inline constexpr size_t kCmdDriveNumber = 12;

// SENDCMDOUTPARAMS: 16 header bytes, then the 512 bytes of IDENTIFY data.
inline constexpr size_t kSendCmdOutData = 16;
inline constexpr size_t kIdentifySize = 512;
inline constexpr size_t kSendCmdOutSize = kSendCmdOutData + kIdentifySize;  // 528

inline constexpr uint8_t kIdentifyDevice = 0xEC;
inline constexpr uint8_t kIdentifyPacketDevice = 0xA1;

// SRB_IO_CONTROL, the header of a SCSI miniport request.
inline constexpr size_t kSrbHeaderLength = 0;
inline constexpr size_t kSrbSignature = 4;  // 8 characters, no terminator
inline constexpr size_t kSrbTimeout = 12;
inline constexpr size_t kSrbControlCode = 16;
inline constexpr size_t kSrbReturnCode = 20;
inline constexpr size_t kSrbLength = 24;
inline constexpr size_t kSrbSize = 28;

// Properties of the storage query and the geometry answer.
inline constexpr size_t kStoragePropertyQuerySize = 12;
inline constexpr size_t kDescriptorBufferSize = 10000;
inline constexpr size_t kDescriptorHeaderSize = 36;  // STORAGE_DEVICE_DESCRIPTOR up to its raw properties
inline constexpr size_t kGeometryMediaType = 8;
inline constexpr size_t kGeometryDiskSize = 24;
inline constexpr size_t kGeometrySize = 32;  // DISK_GEOMETRY_EX up to and with DiskSize

}  // namespace sw::hwid
