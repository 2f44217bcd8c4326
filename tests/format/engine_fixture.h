// An engine on the scripted format library, with handlers that record every
// event, and one real Wine drive shared by the whole suite.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_device_io.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_format_library.h"
#include "fakes/fake_system_facts.h"
#include "format/fmtchkdsk.h"
#include "platform/text.h"
#include "toolkit/application.h"
#include "fakes/wine_drive.h"

namespace sw::testing {

// The exact message for a root that names no drive (two pieces, one text).
inline const std::string kNotADriveRootMessage = "Invalid Drive Speci" "fication: ";


using fakes::LibraryCommand;

class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { drive_ = new WineDrive(); }
  static void TearDownTestSuite() {
    delete drive_;
    drive_ = nullptr;
  }

  void SetUp() override {
    if (!drive_->Problem().empty()) GTEST_SKIP() << "Wine drive: " << drive_->Problem();
    tk::Application().ResetForTests();
    tk::Application().Initialize(GetModuleHandleW(nullptr), &dialogs);
    root = drive_->Root();
    deviceIo.AddDevice(DevicePath(drive_->Letter()));
    // Waits between lock attempts are recorded, never slept.
    engine = std::make_unique<TFmtChkDsk>(
        nullptr, FmtChkServices{&Library(), &system, &deviceIo, [this](uint32_t ms) { waits.push_back(ms); }});
    engine->onProgressEvent = [this](int percent, bool& cancel) {
      percents.push_back(percent);
      cancel = cancelOnProgress;
    };
    engine->onInfoEvent = [this](std::string info, bool& cancel) {
      infos.push_back(info);
      cancel = cancelOnInfo;
    };
  }
  void TearDown() override {
    engine.reset();
    tk::Application().ResetForTests();
  }

  // The library the engine calls: the scripted one unless a suite drives
  // the system's.
  virtual IFormatLibrary& Library() { return library; }

  static std::string DevicePath(char letter) { return std::string("\\\\.\\") + letter + ":"; }
  // The label and file-system name Wine reports for the test drive.
  static std::pair<std::string, std::string> DriveVolume() {
    wchar_t label[261] = {}, fs[261] = {};
    std::wstring wideRoot = std::wstring(1, static_cast<wchar_t>(drive_->Letter())) + L":\\";
    GetVolumeInformationW(wideRoot.c_str(), label, 261, nullptr, nullptr, nullptr, fs, 261);
    return {Narrow(label), Narrow(fs)};
  }
  static std::string DriveFileSystem() { return DriveVolume().second; }
  // The engine's line describing the test drive.
  std::string VolumeLine() const {
    return root + " Volume Label: " + DriveVolume().first + ", File System: " + DriveVolume().second;
  }
  // The file-system index whose name is `name`, or one that differs from it.
  static uint8_t IndexOf(const std::string& name) {
    const char* names[] = {"NTFS", "FAT", "FAT32", "EXFAT"};
    for (uint8_t i = 0; i < 4; ++i)
      if (name == names[i]) return i;
    return 255;
  }

  static WineDrive* drive_;
  fakes::FakeFormatLibrary library;
  fakes::FakeSystemFacts system;
  fakes::FakeDeviceIo deviceIo;
  fakes::FakeDialogs dialogs;
  std::unique_ptr<TFmtChkDsk> engine;
  std::string root;
  std::vector<std::string> infos;
  std::vector<int> percents;
  std::vector<uint32_t> waits;
  bool cancelOnProgress = false;
  bool cancelOnInfo = false;
};

}  // namespace sw::testing
