// Builds the main window in-process with fakes behind every seam, on a
// settings key that the fixture removes before and after each test.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/fmtmain.h"
#include "fakes/fake_app_services.h"
#include "platform/registry.h"
#include "toolkit/application.h"

namespace sw::testing {

class MainFormTest : public ::testing::Test, protected fakes::FakeAppServices {
 protected:
  MainFormTest() {
    registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    tk::Application().ResetForTests();
    tk::Application().Initialize(GetModuleHandleW(nullptr), &dialogs);
  }
  ~MainFormTest() override {
    form.reset();
    tk::Application().ResetForTests();
    registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
  }

  TMainForm& CreateForm() {
    form = std::make_unique<TMainForm>(services);
    return *form;
  }

  // Writes a settings value before the window is built.
  static void WriteSetting(const std::string& name, DWORD type, const void* data, DWORD size) {
    UniqueRegKey key = registry::OpenOrCreate(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(key.Valid());
    ASSERT_EQ(RegSetValueExW(key.Get(), std::wstring(name.begin(), name.end()).c_str(), 0, type,
                             static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
  }
  static void WriteOptions(const std::string& options) {
    std::wstring wide(options.begin(), options.end());
    WriteSetting("Options", REG_SZ, wide.c_str(), static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
  }
  static void WriteFs(DWORD value) { WriteSetting("FS", REG_DWORD, &value, sizeof(value)); }
  static bool SettingsKeyExists() {
    return registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKey).Valid();
  }

  std::unique_ptr<TMainForm> form;
};

}  // namespace sw::testing
