// Memory in the process that owns a window, for the messages whose pointers
// the system does not carry across processes: a tree view's item queries and
// the folder dialog's selection by path. The driver is that process's peer,
// so it reads and writes there as the program would.
#pragma once

#include <windows.h>

#include <cstddef>

#include "platform/handles.h"

namespace sw::ui {

class RemoteBuffer {
 public:
  RemoteBuffer(HWND window, size_t size);
  ~RemoteBuffer();
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  bool Valid() const { return address_ != nullptr; }
  // The buffer's address in the window's process, `offset` bytes in.
  LPARAM At(size_t offset = 0) const { return reinterpret_cast<LPARAM>(static_cast<char*>(address_) + offset); }
  bool Write(const void* data, size_t size, size_t offset = 0);
  // Reads from any address of that process (a text pointer the window returned).
  bool ReadAt(LPARAM address, void* data, size_t size) const;
  // Leaves the memory to the other process, which may still read it.
  void Leave() { address_ = nullptr; }

 private:
  UniqueHandle process_;
  void* address_ = nullptr;
  size_t size_ = 0;
};

}  // namespace sw::ui
