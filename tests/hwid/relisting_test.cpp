// A whole re-listing inside the real main window: the identification pass
// over simulated physical drives fills cbDevice, letters from WMI included,
// and writes its reports into the log.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/fmtmain.h"
#include "fakes/fake_locale.h"
#include "fakes/fake_print_canvas.h"
#include "fakes/fake_wmi.h"
#include "platform/registry.h"
#include "probe_fixture.h"
#include "toolkit/application.h"

namespace sw::testing {
namespace {

class RelistingTest : public ProbeTest {
 protected:
  RelistingTest() {
    registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    tk::Application().ResetForTests();
    tk::Application().Initialize(GetModuleHandleW(nullptr), &dialogs);
    appServices.dialogs = &dialogs;
    appServices.system = &system;
    appServices.locale = &locale;
    appServices.printer = &printer;
    appServices.deviceIo = &io;
    appServices.wmi = &wmi;
    // \\.\PhysicalDrive1 holds partition 0, the logical drive F:.
    wmi.Answer("ASSOCIATORS OF {Win32_DiskDrive.DeviceID=\"\\\\\\\\.\\\\PhysicalDrive1\"} "
               "WHERE AssocClass = Win32_DiskDriveToDiskPartition",
               {{{"DeviceID", WmiValue::Text("Disk #1, Partition 0")}}});
    wmi.Answer("ASSOCIATORS OF {Win32_DiskPartition.DeviceID=\"Disk #1, Partition 0\"} "
               "WHERE AssocClass = Win32_LogicalDiskToPartition",
               {{{"DeviceID", WmiValue::Text("F:")}}});

    PhysicalDriveScript systemDisk;
    systemDisk.descriptor = {"ATA", "Samsung SSD 860", "RVT0", Hex("0S5H7NM0123456")};
    systemDisk.mediaType = 12;
    systemDisk.diskSize = 500107862016;
    ScriptPhysicalDrive(io, 0, systemDisk);
    PhysicalDriveScript stick;
    stick.descriptor = {"Generic", "Flash Disk", "8.07", ""};
    stick.mediaType = 11;
    stick.diskSize = 8010194944;
    ScriptPhysicalDrive(io, 1, stick);
    PhysicalDriveScript cardReader;
    cardReader.descriptor = {"Vendor", "Card", "1.00", ""};
    cardReader.mediaType = 0;
    cardReader.diskSize = 1073741823;
    ScriptPhysicalDrive(io, 2, cardReader);
  }
  ~RelistingTest() override {
    form.reset();
    tk::Application().ResetForTests();
    registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
  }

  std::vector<std::string> Entries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < form->cbDevice->Count(); ++i) entries.push_back(form->cbDevice->Item(i));
    return entries;
  }
  bool LogHas(const std::string& text) const { return form->Log->Text().find(text) != std::string::npos; }

  fakes::FakeLocale locale;
  fakes::FakePrintCanvas printer;
  fakes::FakeWmi wmi;
  AppServices appServices;
  std::unique_ptr<TMainForm> form;
};

TEST_F(RelistingTest, StartupListsTheRemovableDrivesWithTheirLetters) {
  SetDriveIdDiagnostics(true);
  form = std::make_unique<TMainForm>(appServices);
  ASSERT_TRUE(form->StartupCompleted());
  EXPECT_FALSE(DriveIdDiagnostics());  // start-up switches the diagnostic texts off
  EXPECT_EQ(Entries(), (std::vector<std::string>{"Generic Flash Disk (7.46 GB) (F:\\)", "Vendor Card (1024 MB)"}));
  EXPECT_EQ(RecordedDriveIdentity().model, "Samsung SSD 860");
  EXPECT_EQ(io.openDevices, 0);
}

TEST_F(RelistingTest, RefreshLogsTheIdentificationAndRebuildsTheList) {
  form = std::make_unique<TMainForm>(appServices);
  io.devices.erase("\\\\.\\PhysicalDrive2");
  form->dioRefreshClick();
  EXPECT_EQ(Entries(), (std::vector<std::string>{"Generic Flash Disk (7.46 GB) (F:\\)"}));
  EXPECT_TRUE(LogHas("Trying to read the drive IDs using physical access with zero rights"));
  EXPECT_TRUE(LogHas("Hard Drive Serial Number__________: S0H5N70M214365"));
  EXPECT_TRUE(LogHas("Disk is removable fixed"));
}

}  // namespace
}  // namespace sw::testing
