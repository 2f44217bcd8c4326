// Typed access to registry values with the framework's error rules: a value
// of the wrong data type raises ERegistryException.
#pragma once

#include <windows.h>

#include <string>

#include "platform/handles.h"

namespace sw::registry {

// Opens `path` (a leading "\" is ignored) with read access only; never
// creates it. An empty key when it cannot be opened.
UniqueRegKey OpenForReading(HKEY root, const std::string& path);

// Opens `path` with full access, creating it (and missing parents) if needed.
// An empty key when that fails.
UniqueRegKey OpenOrCreate(HKEY root, const std::string& path);

bool ValueExists(HKEY key, const std::string& name);

// REG_SZ or REG_EXPAND_SZ; anything else raises "Invalid data type for '<name>'".
std::string ReadString(HKEY key, const std::string& name);
// REG_DWORD; anything else raises "Invalid data type for '<name>'".
int ReadInteger(HKEY key, const std::string& name);

// A failed write raises "Failed to set data for '<name>'".
void WriteString(HKEY key, const std::string& name, const std::string& value);
void WriteInteger(HKEY key, const std::string& name, int value);

// Removes a key and everything below it; true when it is gone afterwards.
bool DeleteTree(HKEY root, const std::string& path);

}  // namespace sw::registry
