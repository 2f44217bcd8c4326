// Owning wrappers for Win32 handles, keys, modules, GDI objects, security
// identifiers and COM pointers: not copyable, movable, released in the
// destructor, so every path out of a function releases what it opened.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace sw {

// Generic owner of a value with a release function and an "empty" value.
template <typename T, typename Traits>
class UniqueResource {
 public:
  UniqueResource() = default;
  explicit UniqueResource(T value) : value_(value) {}
  ~UniqueResource() { Reset(); }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.Release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  T Get() const { return value_; }
  // For out-parameters: releases the current value first.
  T* Put() {
    Reset();
    return &value_;
  }
  bool Valid() const { return Traits::IsValid(value_); }
  explicit operator bool() const { return Valid(); }
  T Release() { return std::exchange(value_, Traits::Empty()); }
  void Reset(T value = Traits::Empty()) {
    if (Traits::IsValid(value_)) Traits::Close(value_);
    value_ = value;
  }

 private:
  T value_ = Traits::Empty();
};

struct KernelHandleTraits {  // CreateFile and friends: null and INVALID_HANDLE_VALUE both mean none
  static HANDLE Empty() { return nullptr; }
  static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<HANDLE, KernelHandleTraits>;

struct VolumeFindTraits {  // a search of the machine's volumes from FindFirstVolume
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::FindVolumeClose(h); }
};
using UniqueVolumeFind = UniqueResource<HANDLE, VolumeFindTraits>;

struct RegKeyTraits {
  static HKEY Empty() { return nullptr; }
  static bool IsValid(HKEY k) { return k != nullptr; }
  static void Close(HKEY k) { ::RegCloseKey(k); }
};
using UniqueRegKey = UniqueResource<HKEY, RegKeyTraits>;

struct ModuleTraits {
  static HMODULE Empty() { return nullptr; }
  static bool IsValid(HMODULE m) { return m != nullptr; }
  static void Close(HMODULE m) { ::FreeLibrary(m); }
};
using UniqueModule = UniqueResource<HMODULE, ModuleTraits>;

struct GdiObjectTraits {
  static HGDIOBJ Empty() { return nullptr; }
  static bool IsValid(HGDIOBJ o) { return o != nullptr; }
  static void Close(HGDIOBJ o) { ::DeleteObject(o); }
};
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;

struct DcTraits {  // a DC from CreateDC
  static HDC Empty() { return nullptr; }
  static bool IsValid(HDC dc) { return dc != nullptr; }
  static void Close(HDC dc) { ::DeleteDC(dc); }
};
using UniqueDc = UniqueResource<HDC, DcTraits>;

struct SidTraits {  // a SID from AllocateAndInitializeSid
  static PSID Empty() { return nullptr; }
  static bool IsValid(PSID s) { return s != nullptr; }
  static void Close(PSID s) { ::FreeSid(s); }
};
using UniqueSid = UniqueResource<PSID, SidTraits>;

struct MenuTraits {
  static HMENU Empty() { return nullptr; }
  static bool IsValid(HMENU m) { return m != nullptr; }
  static void Close(HMENU m) { ::DestroyMenu(m); }
};
using UniqueMenu = UniqueResource<HMENU, MenuTraits>;

struct WindowTraits {
  static HWND Empty() { return nullptr; }
  static bool IsValid(HWND w) { return w != nullptr; }
  static void Close(HWND w) { ::DestroyWindow(w); }
};
using UniqueWindow = UniqueResource<HWND, WindowTraits>;

// Owner of a COM interface pointer.
template <typename I>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() { Reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Reset();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  I* Get() const { return p_; }
  I* operator->() const { return p_; }
  I** Put() {
    Reset();
    return &p_;
  }
  void** PutVoid() { return reinterpret_cast<void**>(Put()); }
  explicit operator bool() const { return p_ != nullptr; }
  void Reset() {
    if (p_ != nullptr) std::exchange(p_, nullptr)->Release();
  }

 private:
  I* p_ = nullptr;
};

// Balanced COM initialisation on the calling thread: uninitialises only after
// a successful initialise (S_FALSE counts as success).
class ComInit {
 public:
  ComInit() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComInit() {
    if (ok_) ::CoUninitialize();
  }
  ComInit(const ComInit&) = delete;
  ComInit& operator=(const ComInit&) = delete;
  bool Ok() const { return ok_; }

 private:
  bool ok_;
};

}  // namespace sw
