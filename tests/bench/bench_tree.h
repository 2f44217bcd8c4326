// What the copy benchmarks share: a clock in seconds and a generated drive
// tree of a few thousand small files and a few large ones.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/handles.h"
#include "platform/text.h"

namespace sw::bench {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

inline void WriteBytes(const std::string& path, size_t size, char fill) {
  UniqueHandle file(
      CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    std::exit(1);
  }
  std::string chunk(std::min<size_t>(size, 1 << 20), fill);
  for (size_t left = size; left > 0;) {
    DWORD part = static_cast<DWORD>(std::min(left, chunk.size())), written = 0;
    WriteFile(file.Get(), chunk.data(), part, &written, nullptr);
    left -= part;
  }
}

// `folders` folders of `perFolder` small files (0.5 to 8 KiB), some without
// a dot in the name, and `large` files of `largeMiB` MiB at the root; the
// bytes written.
inline long long MakeDriveTree(const std::string& root, int folders, int perFolder, int large, int largeMiB) {
  CreateDirectoryW(Widen(root).c_str(), nullptr);
  long long bytes = 0;
  for (int f = 0; f < folders; ++f) {
    std::string folder = root + "\\folder" + std::to_string(f);
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    for (int i = 0; i < perFolder; ++i) {
      size_t size = 512 + static_cast<size_t>((i * 7919 + f * 104729) % (8 * 1024 - 512));
      std::string name = i % 10 == 0 ? "NOTES" + std::to_string(i) : "file" + std::to_string(i) + ".dat";
      WriteBytes(folder + "\\" + name, size, static_cast<char>('a' + i % 26));
      bytes += static_cast<long long>(size);
    }
  }
  for (int i = 0; i < large; ++i) {
    size_t size = static_cast<size_t>(largeMiB) << 20;
    WriteBytes(root + "\\large" + std::to_string(i) + ".bin", size, static_cast<char>('A' + i));
    bytes += static_cast<long long>(size);
  }
  return bytes;
}

}  // namespace sw::bench
