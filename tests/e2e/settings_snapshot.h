// The program's per-user settings as they were before a test: the testbed
// saves its options when it closes, and the next run must start from the
// same settings. Restored (or removed, when there were none) on destruction.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace sw::e2e {

class SettingsSnapshot {
 public:
  SettingsSnapshot();
  ~SettingsSnapshot();
  SettingsSnapshot(const SettingsSnapshot&) = delete;
  SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;

 private:
  struct Value {
    std::wstring name;
    std::optional<std::pair<DWORD, std::vector<BYTE>>> data;  // type and bytes; none when absent
  };
  bool keyExisted_ = false;
  std::vector<Value> values_;
};

}  // namespace sw::e2e
