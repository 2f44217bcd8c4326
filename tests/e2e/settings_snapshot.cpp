#include "settings_snapshot.h"

#include "app/fmtmain.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace sw::e2e {
namespace {

std::wstring SettingsPath() { return Widen(std::string(kSettingsKey).substr(1)); }  // without the leading "\"

}  // namespace

SettingsSnapshot::SettingsSnapshot() {
  HKEY raw = nullptr;
  keyExisted_ = RegOpenKeyExW(HKEY_CURRENT_USER, SettingsPath().c_str(), 0, KEY_QUERY_VALUE, &raw) == ERROR_SUCCESS;
  UniqueRegKey key(raw);
  for (const wchar_t* name : {L"Options", L"FS", L"Backups", L"NotOffered"}) {
    Value value{name, std::nullopt};
    DWORD type = 0, size = 0;
    if (keyExisted_ && RegQueryValueExW(key.Get(), name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
      std::vector<BYTE> bytes(size);
      if (RegQueryValueExW(key.Get(), name, nullptr, &type, bytes.data(), &size) == ERROR_SUCCESS)
        value.data = std::make_pair(type, std::move(bytes));
    }
    values_.push_back(std::move(value));
  }
}

SettingsSnapshot::~SettingsSnapshot() {
  if (!keyExisted_) {
    RegDeleteKeyW(HKEY_CURRENT_USER, SettingsPath().c_str());
    return;
  }
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, SettingsPath().c_str(), 0, KEY_SET_VALUE, &raw) != ERROR_SUCCESS) return;
  UniqueRegKey key(raw);
  for (const Value& value : values_) {
    if (value.data)
      RegSetValueExW(key.Get(), value.name.c_str(), 0, value.data->first, value.data->second.data(),
                     static_cast<DWORD>(value.data->second.size()));
    else
      RegDeleteValueW(key.Get(), value.name.c_str());
  }
}

}  // namespace sw::e2e
