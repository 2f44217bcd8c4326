#include "remote_buffer.h"

namespace sw::ui {

RemoteBuffer::RemoteBuffer(HWND window, size_t size) : size_(size) {
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  process_.Reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
  if (process_) address_ = VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteBuffer::~RemoteBuffer() {
  if (address_ != nullptr) VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
}

bool RemoteBuffer::Write(const void* data, size_t size, size_t offset) {
  SIZE_T written = 0;
  return Valid() && offset + size <= size_ &&
         WriteProcessMemory(process_.Get(), static_cast<char*>(address_) + offset, data, size, &written) &&
         written == size;
}

bool RemoteBuffer::ReadAt(LPARAM address, void* data, size_t size) const {
  SIZE_T read = 0;
  return Valid() && ReadProcessMemory(process_.Get(), reinterpret_cast<const void*>(address), data, size, &read) &&
         read == size;
}

}  // namespace sw::ui
