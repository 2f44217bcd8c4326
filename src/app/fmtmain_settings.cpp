// The options that survive between runs: "Options" (Scan, Quick, Verbose,
// Measure speed and Check the real capacity as five "0"/"1" characters)
// and "FS" (the file-system index), per user. A shorter "Options" from an
// older run leaves the options it does not have off.
#include "app/fmtmain.h"
#include "platform/registry.h"

namespace sw {

void TMainForm::LoadSettings() {
  std::string options;
  {
    UniqueRegKey key = registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKey);
    if (!key) return;
    if (registry::ValueExists(key.Get(), "Options")) options = registry::ReadString(key.Get(), "Options");
    if (registry::ValueExists(key.Get(), "FS")) {
      int index = registry::ReadInteger(key.Get(), "FS");
      if (index >= 0 && index <= FileSystem->Count() - 1) FileSystem->SetItemIndex(index);
    }
  }
  if (options.size() >= 3) {
    // Any character other than "1" leaves its box as it is.
    if (options[0] == '1') OptCorrectErrors->SetChecked(true);
    if (options[1] == '1') OptQuickFmt->SetChecked(true);
    if (options[2] == '1') OptVerbose->SetChecked(true);
    if (options.size() >= 4 && options[3] == '1') OptMeasureSpeed()->SetChecked(true);
    if (options.size() >= 5 && options[4] == '1') OptCheckCapacity()->SetChecked(true);
  }
}

void TMainForm::SaveSettings() {
  std::string options;
  options += OptCorrectErrors->Checked() ? '1' : '0';
  options += OptQuickFmt->Checked() ? '1' : '0';
  options += OptVerbose->Checked() ? '1' : '0';
  options += OptMeasureSpeed()->Checked() ? '1' : '0';
  options += OptCheckCapacity()->Checked() ? '1' : '0';
  UniqueRegKey key = registry::OpenOrCreate(HKEY_CURRENT_USER, kSettingsKey);
  if (!key) return;  // nothing written, nothing reported
  registry::WriteString(key.Get(), "Options", options);
  registry::WriteInteger(key.Get(), "FS", FileSystem->ItemIndex());
}

}  // namespace sw
