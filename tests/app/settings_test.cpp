// The options kept per user in the registry: what start-up restores, what
// closing writes, and what a damaged value does.
#include "fakes/main_form_fixture.h"

namespace sw::testing {
namespace {

using SettingsTest = MainFormTest;

std::string StoredOptions() {
  UniqueRegKey key = registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKey);
  return key ? registry::ReadString(key.Get(), "Options") : "<no key>";
}

int StoredFs() {
  UniqueRegKey key = registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKey);
  return key ? registry::ReadInteger(key.Get(), "FS") : -100;
}

TEST_F(SettingsTest, FirstStartWithoutKeyKeepsDefaultsAndCreatesNothing) {
  TMainForm& f = CreateForm();
  EXPECT_FALSE(f.OptCorrectErrors->Checked());
  EXPECT_FALSE(f.OptQuickFmt->Checked());
  EXPECT_FALSE(f.OptVerbose->Checked());
  EXPECT_EQ(f.FileSystem->ItemIndex(), 0);
  EXPECT_EQ(f.FileSystem->Text(), "NTFS");
  EXPECT_FALSE(SettingsKeyExists()) << "loading must never create the key";
}

TEST_F(SettingsTest, RestoresOptionsInScanQuickVerboseOrderAndFileSystem) {
  WriteOptions("101");
  WriteFs(2);
  TMainForm& f = CreateForm();
  EXPECT_TRUE(f.OptCorrectErrors->Checked());
  EXPECT_FALSE(f.OptQuickFmt->Checked());
  EXPECT_TRUE(f.OptVerbose->Checked());
  EXPECT_EQ(f.FileSystem->Text(), "FAT32");
}

TEST_F(SettingsTest, FileSystemIndexOutsideTheListIsIgnored) {
  for (DWORD fs : {DWORD{4}, static_cast<DWORD>(-1)}) {
    WriteFs(fs);
    TMainForm& f = CreateForm();
    EXPECT_EQ(f.FileSystem->ItemIndex(), 0) << "FS=" << static_cast<int>(fs);
    form.reset();
  }
  WriteFs(3);
  EXPECT_EQ(CreateForm().FileSystem->Text(), "EXFAT");
}

TEST_F(SettingsTest, ShortOrForeignOptionsLeaveBoxesUnchecked) {
  WriteOptions("11");
  TMainForm& f = CreateForm();
  EXPECT_FALSE(f.OptCorrectErrors->Checked());
  EXPECT_FALSE(f.OptQuickFmt->Checked());
  form.reset();

  WriteOptions("x1y9");  // only a "1" checks its box; longer texts are fine
  TMainForm& g = CreateForm();
  EXPECT_FALSE(g.OptCorrectErrors->Checked());
  EXPECT_TRUE(g.OptQuickFmt->Checked());
  EXPECT_FALSE(g.OptVerbose->Checked());
}

TEST_F(SettingsTest, WrongDataTypeShowsRegistryErrorAndSkipsRemainingStartUp) {
  DWORD number = 101;
  WriteSetting("Options", REG_DWORD, &number, sizeof(number));
  TMainForm& f = CreateForm();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Invalid data type for 'Options'");
  EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::Error);
  EXPECT_FALSE(f.StartupCompleted());
  EXPECT_EQ(f.lblCopyright->Caption().find("2026"), std::string::npos) << "step 16 must not have run";

  form.reset();
  dialogs.shown.clear();
  registry::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
  std::wstring text = L"2";
  WriteSetting("FS", REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  CreateForm();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "Invalid data type for 'FS'");
}

TEST_F(SettingsTest, ClosingAlwaysWritesBothValues) {
  TMainForm& f = CreateForm();
  f.Close();
  EXPECT_EQ(StoredOptions(), "00000");
  EXPECT_EQ(StoredFs(), 0);
  form.reset();

  WriteOptions("011");
  WriteFs(1);
  TMainForm& g = CreateForm();
  g.OptCorrectErrors->SetChecked(true);
  g.OptVerbose->SetChecked(false);
  g.FileSystem->SetItemIndex(3);
  g.Close();
  EXPECT_EQ(StoredOptions(), "11000");
  EXPECT_EQ(StoredFs(), 3);
  EXPECT_EQ(g.RunStop().Reason(), TStopReason::Close) << "closing asks a running format to stop";
}

}  // namespace
}  // namespace sw::testing
