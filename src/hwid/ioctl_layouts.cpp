// Compile-time proof that the byte offsets and sizes the probes use (named
// in ioctl_codes.h and descriptor_decode.h) match the system's own x64
// structures. The probes build and read raw bytes, so a wrong constant
// would otherwise only show on a real drive.
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

#include <cstddef>

#include "hwid/descriptor_decode.h"
#include "hwid/ioctl_codes.h"
#include "hwid/media_type.h"

namespace sw::hwid {
namespace {

static_assert(sizeof(void*) == 8, "the probes' layouts are the x64 ones");

static_assert(kSmartGetVersion == SMART_GET_VERSION);
static_assert(kSmartReceiveDriveData == SMART_RCV_DRIVE_DATA);
static_assert(kStorageQueryProperty == IOCTL_STORAGE_QUERY_PROPERTY);
static_assert(kDiskGetDriveGeometryEx == IOCTL_DISK_GET_DRIVE_GEOMETRY_EX);
static_assert(kScsiMiniport == IOCTL_SCSI_MINIPORT);

static_assert(sizeof(GETVERSIONINPARAMS) == kVersionParamsSize);
static_assert(offsetof(GETVERSIONINPARAMS, bIDEDeviceMap) == kVersionIdeDeviceMap);

static_assert(sizeof(SENDCMDINPARAMS) == kSendCmdInSize);
static_assert(offsetof(SENDCMDINPARAMS, bBuffer) == kSendCmdInInputSize);
static_assert(offsetof(SENDCMDINPARAMS, cBufferSize) == kCmdBufferSize);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bFeaturesReg) == kCmdFeatures);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bSectorCountReg) == kCmdSectorCount);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bSectorNumberReg) == kCmdSectorNumber);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bCylLowReg) == kCmdCylinderLow);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bCylHighReg) == kCmdCylinderHigh);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bDriveHeadReg) == kCmdDriveHead);
static_assert(offsetof(SENDCMDINPARAMS, irDriveRegs) + offsetof(IDEREGS, bCommandReg) == kCmdCommand);
static_assert(offsetof(SENDCMDINPARAMS, bDriveNumber) == kCmdDriveNumber);
static_assert(offsetof(SENDCMDOUTPARAMS, bBuffer) == kSendCmdOutData);
static_assert(kIdentifyDevice == ID_CMD && kIdentifyPacketDevice == ATAPI_ID_CMD);

static_assert(sizeof(SRB_IO_CONTROL) == kSrbSize);
static_assert(offsetof(SRB_IO_CONTROL, HeaderLength) == kSrbHeaderLength);
static_assert(offsetof(SRB_IO_CONTROL, Signature) == kSrbSignature);
static_assert(offsetof(SRB_IO_CONTROL, Timeout) == kSrbTimeout);
static_assert(offsetof(SRB_IO_CONTROL, ControlCode) == kSrbControlCode);
static_assert(offsetof(SRB_IO_CONTROL, ReturnCode) == kSrbReturnCode);
static_assert(offsetof(SRB_IO_CONTROL, Length) == kSrbLength);

static_assert(sizeof(STORAGE_PROPERTY_QUERY) == kStoragePropertyQuerySize);
static_assert(offsetof(DISK_GEOMETRY_EX, Geometry) + offsetof(DISK_GEOMETRY, MediaType) == kGeometryMediaType);
static_assert(offsetof(DISK_GEOMETRY_EX, DiskSize) == kGeometryDiskSize);
static_assert(FixedMedia == kFixedMediaType);

namespace d = descriptor_offset;
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, Version) == d::kVersion);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, Size) == d::kSize);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, DeviceType) == d::kDeviceType);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, DeviceTypeModifier) == d::kDeviceTypeModifier);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RemovableMedia) == d::kRemovableMedia);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, CommandQueueing) == d::kCommandQueueing);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == d::kVendorIdOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductIdOffset) == d::kProductIdOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset) == d::kProductRevisionOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, SerialNumberOffset) == d::kSerialNumberOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == d::kBusType);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, RawPropertiesLength) == d::kRawPropertiesLength);

}  // namespace
}  // namespace sw::hwid
