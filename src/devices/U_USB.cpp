#include "devices/U_USB.h"

#include <dbt.h>

#include <cstddef>

#include "toolkit/application.h"

namespace sw {
namespace {

constexpr wchar_t kListenerClass[] = L"StickwiseUsbListener";

// GUID_DEVINTERFACE_USB_DEVICE: every USB device interface.
constexpr GUID kUsbDeviceInterface = {0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_W) == 32, "the interface filter is 32 bytes");
// The volume record's unit mask lies at byte offset 12, after the header.
static_assert(offsetof(DEV_BROADCAST_VOLUME, dbcv_unitmask) == 12, "unit mask at offset 12");

HINSTANCE ModuleInstance() {
  HINSTANCE instance = tk::Application().InstanceHandle();
  return instance != nullptr ? instance : GetModuleHandleW(nullptr);
}

void RegisterListenerClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.lpszClassName = kListenerClass;
  // A second registration of the same class fails harmlessly.
  RegisterClassExW(&wc);
}

}  // namespace

std::string DriveLetterFromMask(std::uint32_t unitMask) {
  for (int i = 0; i <= 25; ++i) {
    if (unitMask & 1u) return std::string(1, static_cast<char>('a' + i));
    unitMask >>= 1;
  }
  return {};
}

TUsbClass::TUsbClass() {
  HINSTANCE instance = ModuleInstance();
  RegisterListenerClass(instance, &TUsbClass::WindowProc);
  // A top-level window (not message-only): the system broadcasts volume
  // arrivals and removals to top-level windows only.
  window_.Reset(CreateWindowExW(WS_EX_TOOLWINDOW, kListenerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                instance, this));
  if (window_) RegisterForUsbInterfaces();
}

TUsbClass::~TUsbClass() = default;

void TUsbClass::RegisterForUsbInterfaces() {
  DEV_BROADCAST_DEVICEINTERFACE_W filter{};
  filter.dbcc_size = sizeof(filter);
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_reserved = 0;
  filter.dbcc_classguid = kUsbDeviceInterface;
  filter.dbcc_name[0] = L'\0';
  notification_.Reset(RegisterDeviceNotificationW(window_.Get(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE));
}

LRESULT CALLBACK TUsbClass::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<TUsbClass*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  LRESULT result = 0;
  tk::Guarded([&] { result = self->HandleDeviceChange(window, message, wParam, lParam); });
  return result;
}

LRESULT TUsbClass::HandleDeviceChange(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  if (message != WM_DEVICECHANGE) return DefWindowProcW(window, message, wParam, lParam);
  DeviceChanged(wParam, lParam);
  return 0;
}

void TUsbClass::DeviceChanged(WPARAM event, LPARAM data) {
  if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
  // The record is read only as far as its own size says it reaches: a
  // missing record or one too short to hold a unit mask raises nothing.
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
  if (header == nullptr || header->dbch_size < sizeof(DEV_BROADCAST_HDR)) return;
  if (header->dbch_devicetype != DBT_DEVTYP_VOLUME) return;  // USB interface records raise nothing
  if (header->dbch_size < offsetof(DEV_BROADCAST_VOLUME, dbcv_unitmask) + sizeof(DWORD)) return;

  // The flags word is not examined: media arriving in a card reader counts too.
  const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(header);
  std::string driveLetter = DriveLetterFromMask(volume->dbcv_unitmask);
  const TUsbVolumeEvent& handler = event == DBT_DEVICEARRIVAL ? OnVolumeArrival : OnVolumeRemoval;
  if (handler) handler(this, "", "", "", driveLetter);
}

}  // namespace sw
