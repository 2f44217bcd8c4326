// The device list inside the real main window, with fakes behind the seams.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "fakes/fake_device_io.h"
#include "fakes/fake_wmi.h"
#include "fakes/main_form_fixture.h"

namespace sw {
namespace {

const std::string kDiskQuery = "SELECT * FROM Win32_DiskDrive";
const std::string kDrive1Partitions =
    "ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PhysicalDrive1\"} "
    "WHERE AssocClass = Win32_DiskDriveToDiskPartition";

fakes::WmiObjectData Disk(const std::string& caption, const std::string& id, long long size) {
  return {{"Caption", WmiValue::Text(caption)},
          {"DeviceID", WmiValue::Text(id)},
          {"Partitions", WmiValue::Integer(1)},
          {"Size", WmiValue::Text(std::to_string(size))}};
}

class DeviceListTest : public testing::MainFormTest {
 protected:
  DeviceListTest() {
    services.deviceIo = &io;
    services.wmi = &wmi;
    wmi.Answer(kDiskQuery, {Disk("Generic Flash Disk USB Device", "\\\\.\\PHYSICALDRIVE1", 8010194944LL),
                            Disk("Fixed Disk", "\\\\.\\PHYSICALDRIVE0", 500107862016LL)});
    wmi.Answer(kDrive1Partitions, {{{"DeviceID", WmiValue::Text("Disk #1, Partition 0")}}});
    wmi.Answer("ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"Disk #1, Partition 0\"} "
               "WHERE AssocClass = Win32_LogicalDiskToPartition",
               {{{"DeviceID", WmiValue::Text("F:")}}});
  }
  void Offer(const std::string& vendor, const std::string& product, long long size, const std::string& path) {
    form->PendingVendor = vendor;
    form->PendingProduct = product;
    form->PendingRevision = "1.00";
    form->PendingDrivePath = path;
    form->PendingSize = size;
    form->AddPendingDevice();
  }

  bool LogHas(const std::string& text) const { return form->Log->Text().find(text) != std::string::npos; }

  fakes::FakeDeviceIo io;
  fakes::FakeWmi wmi;
};

TEST_F(DeviceListTest, StartupListsTheWmiDisksIntoTheLogAndTheRecords) {
  TMainForm& f = CreateForm();
  ASSERT_TRUE(f.StartupCompleted());
  EXPECT_EQ(f.WmiDisks, (std::vector<std::string>{
                            "Generic Flash Disk USB Device|||\\\\.\\PHYSICALDRIVE1|||1|||8 GB",
                            "Fixed Disk|||\\\\.\\PHYSICALDRIVE0|||1|||500 GB",
                        }));
  EXPECT_EQ(f.Log->Lines().at(0), "Caption        Generic Flash Disk USB Device");
  EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(DeviceListTest, OfferedDrivesBecomeEntriesAndTheFirstIsSelected) {
  TMainForm& f = CreateForm();
  f.cbDevice->Clear();
  Offer("Generic", "Flash Disk", 8010194944LL, "\\\\.\\PhysicalDrive1");
  Offer("", "Card", 1073741823LL, "\\\\.\\PhysicalDrive2");
  ASSERT_EQ(f.cbDevice->Count(), 2);
  EXPECT_EQ(f.cbDevice->Item(0), "Generic Flash Disk (7.46 GB) (F:\\)");
  EXPECT_EQ(f.cbDevice->Item(1), " Card (1024 MB)");
  EXPECT_EQ(f.cbDevice->ItemIndex(), 0);
  EXPECT_TRUE(f.PendingVendor.empty());
  EXPECT_TRUE(f.PendingRevision.empty());
  EXPECT_TRUE(f.PendingDrivePath.empty());
  EXPECT_EQ(f.PendingSize, 0);
}

TEST_F(DeviceListTest, SelectionTakesTheLetterLabelAndLogsTheFileSystem) {
  TMainForm& f = CreateForm();
  f.cbDevice->Clear();
  f.cbDevice->Add("Generic Flash Disk (7.46 GB) (f:\\)");
  f.cbDevice->Add("System Disk (465.76 GB) (C:\\)");
  f.cbDevice->SetItemIndex(0);
  f.VolumeLabel->SetText("");
  f.cbDeviceChange();
  EXPECT_EQ(f.SelectedDriveLetter, 'f');
  EXPECT_EQ(f.VolumeLabel->Text(), "Generic");
  EXPECT_TRUE(LogHas("The current file system of Generic Flash Disk (7.46 GB) (f:\\) is RAW."));

  f.VolumeLabel->SetText("KEEP");
  f.cbDevice->SetItemIndex(1);
  f.cbDeviceChange();
  EXPECT_EQ(f.SelectedDriveLetter, 'f');  // never C
  EXPECT_EQ(f.VolumeLabel->Text(), "KEEP");
}

TEST_F(DeviceListTest, LookupSelectedDiskFindsTheWmiRecord) {
  TMainForm& f = CreateForm();
  int driveNumber = -1, partitions = -1;
  long long sizeNumber = -1;
  std::string deviceId, sizeUnit, sizeText;
  f.LookupSelectedDisk("Generic Flash Disk (7.46 GB) (F:\\)", driveNumber, deviceId, partitions, sizeNumber,
                       sizeUnit, sizeText);
  EXPECT_EQ(driveNumber, 1);
  EXPECT_EQ(deviceId, "\\\\.\\PHYSICALDRIVE1");
  EXPECT_EQ(partitions, 1);
  EXPECT_EQ(sizeNumber, 8);
  EXPECT_EQ(sizeUnit, "GB");
  EXPECT_EQ(sizeText, "8 GB");
}

TEST_F(DeviceListTest, AWmiFailureInARelistingShowsTheErrorAndSkipsTheSelectionStep) {
  TMainForm& f = CreateForm();
  wmi.FailAfter(kDiskQuery, 1);
  f.SelectedDriveLetter = 'q';
  f.VolumeLabel->SetText("");
  tk::Guarded([&f] { f.dioRefreshClick(); });
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Generic failure ");
  EXPECT_EQ(f.WmiDisks.size(), 1u);              // the record listed before the failure stays
  EXPECT_EQ(f.VolumeLabel->Text(), "");          // cbDeviceChange did not run
  EXPECT_FALSE(LogHas("The current file system"));
}

TEST_F(DeviceListTest, AWmiFailureAtStartupEndsTheStartupSequence) {
  wmi.failConnect = true;
  TMainForm& f = CreateForm();
  EXPECT_FALSE(f.StartupCompleted());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "The RPC server is unavailable.");
}

}  // namespace
}  // namespace sw
