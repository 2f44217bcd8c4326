// The four NT probes over simulated drives: announcements and summary,
// offers to the device list, failures, the recorded identity, and the bytes
// each probe sends.
#include <gtest/gtest.h>

#include "hwid/ioctl_codes.h"
#include "probe_fixture.h"

namespace sw::testing {
namespace {

const std::string kDrive0 = "\\\\.\\PhysicalDrive0";
const std::string kDrive1 = "\\\\.\\PhysicalDrive1";

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t offset) {
  return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 | uint32_t{bytes[offset + 3]} << 24;
}

TEST_F(ProbeTest, WithoutDrivesARunLogsAnnouncementsAndEmptySummary) {
  Run();
  std::vector<std::string> expected = {kAdminAnnouncement, kScsiAnnouncement, kZeroRightsAnnouncement,
                                       kSmartAnnouncement, SerialSummary(""),  ModelSummary("")};
  EXPECT_EQ(sink.texts, expected);
  EXPECT_TRUE(sink.offers.empty());
  EXPECT_TRUE(results.empty());
  EXPECT_EQ(io.openDevices, 0);
}

TEST_F(ProbeTest, DiagnosticTextsAppearOnlyWhenSwitchedOn) {
  SetDriveIdDiagnostics(true);
  Run();
  EXPECT_EQ(sink.Count("ReadPhysicalDriveInNTWithAdminRights ERROR\r\nCreateFile("), 16u);
  EXPECT_TRUE(sink.Logged("\r\n0 ReadPhysicalDriveInNTWithAdminRights ERROR\r\n"
                          "CreateFile(\\\\.\\PhysicalDrive15) returned INVALID_HANDLE_VALUE\r\n"));
  EXPECT_TRUE(sink.Logged("\r\n0 ReadPhysicalDriveInNTWithZeroRights ERROR\r\n"
                          "CreateFile(\\\\.\\PhysicalDrive3) returned INVALID_HANDLE_VALUE\r\n"));
  EXPECT_TRUE(sink.Logged("\r\n0 ReadPhysicalDriveInNTUsingSmart ERROR\r\n"
                          "CreateFile(\\\\.\\PhysicalDrive0) returned INVALID_HANDLE_VALUE\r\nError Code 2\r\n"));
  EXPECT_EQ(sink.Count("CreateFile("), 48u);  // SCSI ports that do not open stay silent

  SetDriveIdDiagnostics(false);
  sink.texts.clear();
  Run();
  EXPECT_EQ(sink.texts.size(), 6u);
}

TEST_F(ProbeTest, MediaOtherThanFixedIsOfferedToTheDeviceList) {
  PhysicalDriveScript fixedDisk;
  fixedDisk.descriptor = {"WDC", "WD10EZEX", "01.0", ""};
  fixedDisk.mediaType = 12;
  fixedDisk.diskSize = 1000204886016;
  ScriptPhysicalDrive(io, 0, fixedDisk);
  PhysicalDriveScript stick;
  stick.descriptor = {"Kingston", "DataTraveler 3.0", "PMAP", ""};
  stick.mediaType = 11;
  stick.diskSize = 15502147584;
  ScriptPhysicalDrive(io, 4, stick);
  PhysicalDriveScript noMediaType;
  noMediaType.descriptor = {"Generic", "Flash Disk", "8.07", ""};
  noMediaType.mediaType = 0;
  noMediaType.diskSize = 4009754624;
  ScriptPhysicalDrive(io, 15, noMediaType);

  Run();
  ASSERT_EQ(sink.offers.size(), 2u);
  EXPECT_EQ(sink.offers[0].vendor, "Kingston");
  EXPECT_EQ(sink.offers[0].product, "DataTraveler 3.0");
  EXPECT_EQ(sink.offers[0].revision, "PMAP");
  EXPECT_EQ(sink.offers[0].drivePath, "\\\\.\\PhysicalDrive4");
  EXPECT_EQ(sink.offers[0].size, 15502147584);
  EXPECT_EQ(sink.offers[1].drivePath, "\\\\.\\PhysicalDrive15");
  EXPECT_EQ(sink.offers[1].size, 4009754624);

  EXPECT_TRUE(sink.Logged("\r\n**** STORAGE_DEVICE_DESCRIPTOR for drive 4 ****\r\nVendor Id = [Kingston]\r\n"
                          "Product Id = [DataTraveler 3.0]\r\nProduct Revision = [PMAP]\r\nSerial Number = []\r\n"));
  EXPECT_TRUE(sink.Logged("\r\n**** DISK_GEOMETRY_EX for drive 0 ****\r\nDisk is fixed fixed\r\n"
                          "DiskSize = 1000204886016\r\n"));
  EXPECT_TRUE(sink.Logged("\r\n**** DISK_GEOMETRY_EX for drive 4 ****\r\nDisk is removable fixed\r\n"
                          "DiskSize = 15502147584\r\n"));
  EXPECT_EQ(io.openDevices, 0);
}

TEST_F(ProbeTest, StorageQueryFailureEndsTheDriveGeometryFailureOnlyTheOffer) {
  PhysicalDriveScript storageFails;
  storageFails.storageError = 5;
  ScriptPhysicalDrive(io, 0, storageFails);
  PhysicalDriveScript geometryFails;
  geometryFails.descriptor = {"Vendor", "Stick", "1.00", ""};
  geometryFails.geometry = false;
  ScriptPhysicalDrive(io, 1, geometryFails);

  Run();
  EXPECT_TRUE(sink.Logged("\r\nDeviceIOControl IOCTL_STORAGE_QUERY_PROPERTY error = 5\r\n"));
  EXPECT_FALSE(sink.Logged("STORAGE_DEVICE_DESCRIPTOR for drive 0"));
  EXPECT_TRUE(CallsTo(kDrive0, hwid::kDiskGetDriveGeometryEx).empty());

  EXPECT_TRUE(sink.Logged("STORAGE_DEVICE_DESCRIPTOR for drive 1"));
  EXPECT_EQ(CallsTo(kDrive1, hwid::kDiskGetDriveGeometryEx).size(), 1u);
  EXPECT_FALSE(sink.Logged("DISK_GEOMETRY_EX for drive"));
  EXPECT_FALSE(sink.Logged("IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) returned 0"));
  EXPECT_TRUE(sink.offers.empty());

  SetDriveIdDiagnostics(true);
  sink.texts.clear();
  Run();
  EXPECT_TRUE(sink.Logged("\r\n0 ReadPhysicalDriveInNTWithZeroRights ERROR|nDeviceIoControl("
                          "\\\\.\\PhysicalDrive1, IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) returned 0"));
  EXPECT_TRUE(sink.Logged("\r\n0 STORAGE_DEVICE_DESCRIPTOR contents for drive 1\r\n"));
}

// A drive whose answer to one request is cut to `bytes` bytes: the request
// counts as failed, so no drive is offered or reported on it.
struct ShortAnswer {
  uint32_t code;
  size_t bytes;
  uint8_t mediaType;  // what the full geometry answer would say
};

class ShortAnswerTest : public ProbeTest, public ::testing::WithParamInterface<ShortAnswer> {};

TEST_P(ShortAnswerTest, IsAFailedProbe) {
  PhysicalDriveScript drive;
  drive.descriptor = {"Vendor", "Disk", "01.0", "SN-1"};
  drive.mediaType = GetParam().mediaType;
  drive.smartVersion = true;
  drive.ideDeviceMap = 0x01;
  drive.identify = true;
  ScriptPhysicalDrive(io, 1, drive);
  auto& replies = io.devices[kDrive1][GetParam().code];
  ASSERT_EQ(replies.size(), 1u);
  replies[0].bytes.resize(GetParam().bytes);

  Run();
  EXPECT_TRUE(sink.offers.empty());
  const bool identifyCut = GetParam().code != hwid::kDiskGetDriveGeometryEx &&
                           GetParam().code != hwid::kStorageQueryProperty;
  if (identifyCut) {
    EXPECT_TRUE(results.empty());  // the SMART probe ran last
    EXPECT_FALSE(sink.Logged("\r\nDrive 1 - ")) << sink.Log();
  }
}

INSTANTIATE_TEST_SUITE_P(ProbeTest, ShortAnswerTest,
                         ::testing::Values(ShortAnswer{hwid::kDiskGetDriveGeometryEx, 0, 12},  // media type reads 0
                                           ShortAnswer{hwid::kDiskGetDriveGeometryEx, 31, 11},
                                           ShortAnswer{hwid::kStorageQueryProperty, 8, 11},
                                           ShortAnswer{hwid::kSmartReceiveDriveData, 16, 12},
                                           ShortAnswer{hwid::kSmartReceiveDriveData, 527, 12},
                                           ShortAnswer{hwid::kSmartGetVersion, 3, 12}));

TEST_F(ProbeTest, StorageQueryAsksForTheStandardDeviceProperty) {
  ScriptPhysicalDrive(io, 0, {});
  Run();
  auto storage = CallsTo(kDrive0, hwid::kStorageQueryProperty);
  ASSERT_EQ(storage.size(), 1u);
  EXPECT_EQ(storage[0].input, std::vector<uint8_t>(12, 0));
  EXPECT_EQ(storage[0].outputSize, 10000u);
  auto geometry = CallsTo(kDrive0, hwid::kDiskGetDriveGeometryEx);
  ASSERT_EQ(geometry.size(), 1u);
  EXPECT_TRUE(geometry[0].input.empty());
}

TEST_F(ProbeTest, AdminProbeWinsTheRecordedSerialOverLaterProbes) {
  PhysicalDriveScript drive;
  drive.smartVersion = true;
  drive.ideDeviceMap = 0x01;
  drive.identify = true;
  drive.ata.serial = "ADMIN0001";
  drive.ata.model = "ATA MODEL";
  drive.descriptor = {"Vendor", "STORAGE MODEL", "1.0", Hex("TSROGASE")};
  ScriptPhysicalDrive(io, 0, drive);

  Run();
  EXPECT_EQ(sink.Count("\r\nDrive 0 - "), 2u);  // the admin and SMART probes both report it
  EXPECT_TRUE(sink.Logged("Serial Number = [STORAGES]"));
  EXPECT_EQ(sink.texts[sink.texts.size() - 2], SerialSummary("ADMIN0001"));
  EXPECT_EQ(sink.texts.back(), ModelSummary("ATA MODEL"));
  EXPECT_EQ(sink.Count("Trying to read the drive IDs"), 4u);
  ASSERT_EQ(results.size(), 1u);  // the SMART probe's record
  EXPECT_EQ(results[0].serial, "ADMIN0001");
}

TEST_F(ProbeTest, StorageProbeRecordsASerialOnlyWhenNoneIsRecorded) {
  PhysicalDriveScript drive;
  drive.descriptor = {"Vendor", "STORAGE MODEL", "1.0", Hex("1 2 3 4 5 6 7 8 9 A ")};  // swapped, then trimmed
  drive.mediaType = 11;
  drive.diskSize = 8000000000;
  ScriptPhysicalDrive(io, 2, drive);
  PhysicalDriveScript second = drive;
  second.descriptor.serial = Hex("ZZZZ");
  ScriptPhysicalDrive(io, 3, second);

  EXPECT_TRUE(ReadPhysicalDriveInNTWithZeroRights(results, services));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].serial, "1 2 3 4 5 6 7 8 9 A");
  EXPECT_EQ(results[0].model, "STORAGE MODEL");
  EXPECT_EQ(results[0].size, 8000000000);
  EXPECT_EQ(results[0].drive_type, "removable");
  EXPECT_EQ(results[0].controller, 0);
  EXPECT_EQ(results[0].revision, "");
  EXPECT_EQ(RecordedDriveIdentity().serial, "1 2 3 4 5 6 7 8 9 A");
  EXPECT_EQ(RecordedDriveIdentity().model, "STORAGE MODEL");

  // With a serial already recorded the probe makes no record at all.
  EXPECT_FALSE(ReadPhysicalDriveInNTWithZeroRights(results, services));
  EXPECT_TRUE(results.empty());
  EXPECT_EQ(sink.offers.size(), 4u);  // offers do not depend on the record
}

TEST_F(ProbeTest, ARunForgetsTheModelOfAnEarlierRun) {
  PhysicalDriveScript drive;
  drive.descriptor = {"Vendor", "OLD MODEL", "1.0", Hex("1234")};
  ScriptPhysicalDrive(io, 0, drive);
  Run();
  EXPECT_EQ(RecordedDriveIdentity().model, "OLD MODEL");

  io.devices.clear();
  sink.texts.clear();
  Run();
  EXPECT_EQ(sink.texts[sink.texts.size() - 2], SerialSummary(""));
  EXPECT_EQ(sink.texts.back(), ModelSummary(""));
}

TEST_F(ProbeTest, AdminProbeSendsIdentifyChosenByTheDeviceMap) {
  PhysicalDriveScript ata;
  ata.smartVersion = true;
  ata.ideDeviceMap = 0x01;
  ata.identify = true;
  ScriptPhysicalDrive(io, 0, ata);
  PhysicalDriveScript atapi = ata;
  atapi.ideDeviceMap = 0x20;  // bit 1 + 4: an ATAPI device at position 1
  ScriptPhysicalDrive(io, 1, atapi);
  PhysicalDriveScript noDevice;
  noDevice.smartVersion = true;
  noDevice.ideDeviceMap = 0;
  ScriptPhysicalDrive(io, 2, noDevice);

  EXPECT_TRUE(ReadPhysicalDriveInNTWithAdminRights(results, services));
  EXPECT_EQ(results.size(), 2u);
  EXPECT_EQ(io.openOptions[0].desiredAccess, hwid::kGenericRead | hwid::kGenericWrite);
  EXPECT_EQ(io.openOptions[0].shareMode, 3u);

  auto first = CallsTo(kDrive0, hwid::kSmartReceiveDriveData);
  ASSERT_EQ(first.size(), 1u);
  ASSERT_EQ(first[0].input.size(), 32u);
  EXPECT_EQ(first[0].outputSize, 528u);
  std::vector<uint8_t> expected(32, 0);
  expected[0] = 0x00; expected[1] = 0x02;  // 512 bytes
  expected[5] = 1;                         // sector count
  expected[9] = 0xA0;                      // drive/head, master
  expected[10] = 0xEC;                     // IDENTIFY DEVICE
  expected[12] = 0;                        // drive number
  EXPECT_EQ(first[0].input, expected);

  auto second = CallsTo(kDrive1, hwid::kSmartReceiveDriveData);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(second[0].input[9], 0xB0);  // slave
  EXPECT_EQ(second[0].input[10], 0xA1);  // IDENTIFY PACKET DEVICE
  EXPECT_EQ(second[0].input[12], 1);
  EXPECT_TRUE(CallsTo("\\\\.\\PhysicalDrive2", hwid::kSmartReceiveDriveData).empty());

  SetDriveIdDiagnostics(true);
  ReadPhysicalDriveInNTWithAdminRights(results, services);
  EXPECT_TRUE(sink.Logged("\r\n0 ReadPhysicalDriveInNTWithAdminRights ERROR\r\nNo device found at position 2 (0)\r\n"));
}

TEST_F(ProbeTest, FailedVersionQueryEndsTheDriveInBothSmartProbes) {
  PhysicalDriveScript drive;
  drive.identify = true;  // would answer, but the version query fails first
  ScriptPhysicalDrive(io, 0, drive);
  io.Reply(kDrive0, hwid::kSmartGetVersion, {false, {}, 50});
  SetDriveIdDiagnostics(true);

  EXPECT_FALSE(ReadPhysicalDriveInNTWithAdminRights(results, services));
  EXPECT_FALSE(ReadPhysicalDriveInNTUsingSmart(results, services));
  EXPECT_TRUE(CallsTo(kDrive0, hwid::kSmartReceiveDriveData).empty());
  EXPECT_TRUE(sink.Logged("\r\n0 ReadPhysicalDriveInNTWithAdminRights ERROR\r\n"
                          "DeviceIoControl(0, DFP_GET_VERSION) returned 0, error is 50\r\n"));
  EXPECT_TRUE(sink.Logged("\r\n0 ReadPhysicalDriveInNTWithAdminRights ERROR\r\nNo device found at position 0 (0)\r\n"));
  EXPECT_TRUE(sink.Logged("\r\n0 ReadPhysicalDriveInNTUsingSmart ERROR\r\n"
                          "DeviceIoControl(0, SMART_GET_VERSION) returned 0, error is 50\r\n"));
}

TEST_F(ProbeTest, SmartProbeSendsAZeroFilledBlockWithOnlyTheCommand) {
  PhysicalDriveScript drive;
  drive.smartVersion = true;  // map 0: the admin probe stops, the SMART probe goes on
  drive.identify = true;
  drive.ata.model = "SMART MODEL";
  ScriptPhysicalDrive(io, 7, drive);

  EXPECT_TRUE(ReadPhysicalDriveInNTUsingSmart(results, services));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].model, "SMART MODEL");
  EXPECT_EQ(results[0].controller, 3);
  EXPECT_EQ(results[0].drive, 1);
  EXPECT_EQ(io.openOptions.back().shareMode, 7u);  // read, write and delete

  auto calls = CallsTo("\\\\.\\PhysicalDrive7", hwid::kSmartReceiveDriveData);
  ASSERT_EQ(calls.size(), 1u);
  std::vector<uint8_t> expected(33, 0);
  expected[10] = 0xEC;
  EXPECT_EQ(calls[0].input, expected);
  EXPECT_EQ(calls[0].outputSize, 545u);
}

TEST_F(ProbeTest, ScsiPortTwoPositionOneIsDriveFive) {
  AtaDrive drive;
  drive.model = "SCSI ATA DISK";
  ScriptScsiPort(io, 2, {{1, drive}});

  EXPECT_TRUE(ReadDrivesThroughScsiPorts(results, services));
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0].controller, 2);
  EXPECT_EQ(results[0].drive, 1);
  EXPECT_EQ(results[0].model, "SCSI ATA DISK");
  ASSERT_GE(sink.texts.size(), 3u);
  EXPECT_EQ(sink.texts[0], "\r\nDrive 5 - ");
  EXPECT_EQ(sink.texts[1], "Tertiary Controller - ");
  EXPECT_EQ(sink.texts[2], " - Slave drive");

  auto calls = CallsTo("\\\\.\\Scsi2:", hwid::kScsiMiniport);
  ASSERT_EQ(calls.size(), 2u);
  const auto& request = calls[1].input;
  ASSERT_EQ(request.size(), 60u);
  EXPECT_EQ(calls[1].outputSize, 557u);
  EXPECT_EQ(U32At(request, 0), 28u);
  EXPECT_EQ(std::string(request.begin() + 4, request.begin() + 12), "SCSIDISK");
  EXPECT_EQ(U32At(request, 12), 10000u);
  EXPECT_EQ(U32At(request, 16), 0x001B0501u);
  EXPECT_EQ(U32At(request, 24), 529u);
  EXPECT_EQ(request[38], 0xEC);
  EXPECT_EQ(request[40], 1);
}

TEST_F(ProbeTest, ScsiAnswerWithoutModelIsNoDrive) {
  AtaDrive noModel;
  noModel.model = "A";  // second character blank: the model byte is a blank, not zero
  ScriptScsiPort(io, 0, {{0, noModel}});
  io.Reply("\\\\.\\Scsi0:", hwid::kScsiMiniport, {true, std::vector<uint8_t>(557, 0)});  // position 1: all zero
  EXPECT_TRUE(ReadDrivesThroughScsiPorts(results, services));
  EXPECT_EQ(results.size(), 1u);
}

TEST_F(ProbeTest, ResultArrayHoldsEveryDriveFound) {
  AtaDrive drive;
  for (int port = 0; port < 16; ++port) ScriptScsiPort(io, port, {{0, drive}, {1, drive}});
  EXPECT_TRUE(ReadDrivesThroughScsiPorts(results, services));
  ASSERT_EQ(results.size(), 32u);
  EXPECT_EQ(results[31].controller, 15);
  EXPECT_EQ(results[31].drive, 1);

  PhysicalDriveScript ata;
  ata.smartVersion = true;
  ata.ideDeviceMap = 0x0F;
  ata.identify = true;
  for (int n = 0; n < 16; ++n) ScriptPhysicalDrive(io, n, ata);
  EXPECT_TRUE(ReadPhysicalDriveInNTWithAdminRights(results, services));
  EXPECT_EQ(results.size(), 16u);
  EXPECT_TRUE(ReadPhysicalDriveInNTUsingSmart(results, services));
  EXPECT_EQ(results.size(), 16u);
  EXPECT_EQ(io.openDevices, 0);
}

}  // namespace
}  // namespace sw::testing
