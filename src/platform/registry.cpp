#include "platform/registry.h"

#include <vector>

#include "platform/exceptions.h"
#include "platform/text.h"

namespace sw::registry {
namespace {

std::wstring SubKey(const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.front() == '\\') p.erase(p.begin());
  return Widen(p);
}

[[noreturn]] void InvalidType(const std::string& name) {
  throw ERegistryException("Invalid data type for '" + name + "'");
}

}  // namespace

UniqueRegKey OpenForReading(HKEY root, const std::string& path) {
  UniqueRegKey key;
  if (RegOpenKeyExW(root, SubKey(path).c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) key.Reset();
  return key;
}

UniqueRegKey OpenOrCreate(HKEY root, const std::string& path) {
  UniqueRegKey key;
  if (RegCreateKeyExW(root, SubKey(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                      nullptr, key.Put(), nullptr) != ERROR_SUCCESS)
    key.Reset();
  return key;
}

bool ValueExists(HKEY key, const std::string& name) {
  return RegQueryValueExW(key, Widen(name).c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::string ReadString(HKEY key, const std::string& name) {
  std::wstring wname = Widen(name);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, wname.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) InvalidType(name);
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegQueryValueExW(key, wname.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got) !=
      ERROR_SUCCESS)
    return {};
  if (type != REG_SZ && type != REG_EXPAND_SZ) InvalidType(name);
  // The stored text may or may not carry its terminating zero.
  std::wstring text(buffer.data(), got / sizeof(wchar_t));
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return Narrow(text);
}

int ReadInteger(HKEY key, const std::string& name) {
  DWORD type = 0, value = 0, size = sizeof(value);
  LONG rc = RegQueryValueExW(key, Widen(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  if (rc == ERROR_MORE_DATA || (rc == ERROR_SUCCESS && (type != REG_DWORD || size != sizeof(DWORD))))
    InvalidType(name);
  if (rc != ERROR_SUCCESS) return 0;
  return static_cast<int>(value);
}

void WriteString(HKEY key, const std::string& name, const std::string& value) {
  std::wstring wide = Widen(value);
  if (RegSetValueExW(key, Widen(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                     static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t))) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

void WriteInteger(HKEY key, const std::string& name, int value) {
  DWORD data = static_cast<DWORD>(value);
  if (RegSetValueExW(key, Widen(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                     sizeof(data)) != ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

bool DeleteTree(HKEY root, const std::string& path) {
  LONG rc = RegDeleteTreeW(root, SubKey(path).c_str());
  if (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) {
    RegDeleteKeyW(root, SubKey(path).c_str());
    return true;
  }
  return false;
}

}  // namespace sw::registry
