// Late-bound calls on the WMI scripting objects. Each automation call goes
// through IDispatch by name; a failed call raises an Exception with the
// object's own error description when it gave one, else the system's text.
#include "platform/wmi_win32.h"

#include <oleauto.h>

#include <vector>

#include "platform/exceptions.h"
#include "platform/text.h"
#include "platform/win_error.h"
#include "platform/wmi_variant.h"

namespace sw {
namespace {

// An owned VARIANT, cleared on destruction.
class Variant {
 public:
  Variant() { VariantInit(&v_); }
  explicit Variant(const std::string& text) : Variant() {
    v_.vt = VT_BSTR;
    v_.bstrVal = SysAllocString(Widen(text).c_str());
  }
  explicit Variant(int value) : Variant() {
    v_.vt = VT_I4;
    v_.lVal = value;
  }
  ~Variant() { VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  VARIANT* Get() { return &v_; }
  const VARIANT& Ref() const { return v_; }

 private:
  VARIANT v_;
};

[[noreturn]] void RaiseAutomationError(HRESULT hr, EXCEPINFO& info, const char* what) {
  std::string message;
  if (hr == DISP_E_EXCEPTION && info.bstrDescription != nullptr) message = Trim(Narrow(info.bstrDescription));
  if (info.bstrDescription) SysFreeString(info.bstrDescription);
  if (info.bstrSource) SysFreeString(info.bstrSource);
  if (info.bstrHelpFile) SysFreeString(info.bstrHelpFile);
  if (message.empty()) message = SystemErrorText(static_cast<unsigned long>(hr));
  throw EOSError(static_cast<unsigned long>(hr), std::string(what) + ": " + message);
}

// An automation object called by member name.
class Dispatch {
 public:
  explicit Dispatch(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  // Calls `name` with `args` (in their written order) and returns the result.
  void Call(const char* name, WORD flags, std::vector<Variant*> args, Variant& result) {
    std::wstring wide = Widen(name);
    LPOLESTR names[] = {wide.data()};
    DISPID id = 0;
    HRESULT hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) {
      EXCEPINFO none{};
      RaiseAutomationError(hr, none, name);
    }
    CallId(id, name, flags, std::move(args), result);
  }

  void CallId(DISPID id, const char* name, WORD flags, std::vector<Variant*> args, Variant& result) {
    std::vector<VARIANTARG> reversed;  // automation takes arguments last to first
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back((*it)->Ref());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info{};
    UINT badArgument = 0;
    HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.Get(), &info, &badArgument);
    if (FAILED(hr)) RaiseAutomationError(hr, info, name);
  }

  // The result as an automation object; raises when it is none.
  static Dispatch FromResult(Variant& result, const char* name) {
    const VARIANT& v = result.Ref();
    ComPtr<IDispatch> object;
    if ((v.vt == VT_DISPATCH && v.pdispVal != nullptr) || (v.vt == VT_UNKNOWN && v.punkVal != nullptr)) {
      IUnknown* unknown = v.vt == VT_DISPATCH ? v.pdispVal : v.punkVal;
      unknown->QueryInterface(IID_IDispatch, object.PutVoid());
    }
    if (!object) throw Exception(std::string(name) + ": no object returned");
    return Dispatch(std::move(object));
  }

  IDispatch* Get() const { return object_.Get(); }

 private:
  ComPtr<IDispatch> object_;
};

constexpr WORD kGet = DISPATCH_PROPERTYGET;
constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

class Win32WmiObject : public IWmiObject {
 public:
  explicit Win32WmiObject(Dispatch object) : object_(std::move(object)) {}

  WmiValue Property(const std::string& name) override {
    Variant properties;
    object_.Call("Properties_", kGet, {}, properties);
    Dispatch propertySet = Dispatch::FromResult(properties, "Properties_");
    Variant itemName(name), item;
    try {
      propertySet.Call("Item", kCall, {&itemName}, item);
    } catch (const EOSError&) {
      // A provider that lacks the property altogether (some systems' disk
      // classes have no Partitions) answers as if its value were null.
      return WmiValue::Null();
    }
    Dispatch property = Dispatch::FromResult(item, "Item");
    Variant value;
    property.Call("Value", kGet, {}, value);
    return ToWmiValue(value.Ref());
  }

 private:
  Dispatch object_;
};

class Win32WmiObjectSet : public IWmiObjectSet {
 public:
  explicit Win32WmiObjectSet(Dispatch set) {
    Variant enumerator;
    set.CallId(DISPID_NEWENUM, "_NewEnum", kCall, {}, enumerator);
    const VARIANT& v = enumerator.Ref();
    IUnknown* unknown = v.vt == VT_UNKNOWN ? v.punkVal : v.vt == VT_DISPATCH ? v.pdispVal : nullptr;
    if (unknown == nullptr || FAILED(unknown->QueryInterface(IID_IEnumVARIANT, enum_.PutVoid())))
      throw Exception("_NewEnum: no enumerator returned");
  }

  std::unique_ptr<IWmiObject> Next() override {
    Variant item;
    ULONG fetched = 0;
    HRESULT hr = enum_->Next(1, item.Get(), &fetched);
    if (FAILED(hr)) {
      EXCEPINFO none{};
      RaiseAutomationError(hr, none, "Next");
    }
    if (hr != S_OK || fetched == 0) return nullptr;
    return std::make_unique<Win32WmiObject>(Dispatch::FromResult(item, "Next"));
  }

 private:
  ComPtr<IEnumVARIANT> enum_;
};

class Win32WmiServices : public IWmiServices {
 public:
  explicit Win32WmiServices(Dispatch services) : services_(std::move(services)) {}

  std::unique_ptr<IWmiObjectSet> ExecQuery(const std::string& query) override {
    Variant text(query), result;
    services_.Call("ExecQuery", kCall, {&text}, result);
    return std::make_unique<Win32WmiObjectSet>(Dispatch::FromResult(result, "ExecQuery"));
  }

  std::unique_ptr<IWmiObjectSet> ExecQuery(const std::string& query, const std::string& language,
                                           int flags) override {
    Variant text(query), lang(language), flagValue(flags), result;
    services_.Call("ExecQuery", kCall, {&text, &lang, &flagValue}, result);
    return std::make_unique<Win32WmiObjectSet>(Dispatch::FromResult(result, "ExecQuery"));
  }

 private:
  Dispatch services_;
};

}  // namespace

std::unique_ptr<IWmiServices> Win32Wmi::ConnectServer(const std::string& server, const std::string& nameSpace,
                                                      const std::string& user, const std::string& password) {
  CLSID locatorClass{};
  HRESULT hr = CLSIDFromProgID(L"WbemScripting.SWbemLocator", &locatorClass);
  ComPtr<IDispatch> locatorObject;
  if (SUCCEEDED(hr))
    hr = CoCreateInstance(locatorClass, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                          locatorObject.PutVoid());
  if (FAILED(hr)) {
    EXCEPINFO none{};
    RaiseAutomationError(hr, none, "WbemScripting.SWbemLocator");
  }
  Dispatch locator(std::move(locatorObject));
  Variant serverArg(server), nameSpaceArg(nameSpace), userArg(user), passwordArg(password), result;
  locator.Call("ConnectServer", kCall, {&serverArg, &nameSpaceArg, &userArg, &passwordArg}, result);
  return std::make_unique<Win32WmiServices>(Dispatch::FromResult(result, "ConnectServer"));
}

}  // namespace sw
