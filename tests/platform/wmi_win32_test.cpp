// The real WMI adapter: every kind of automation value it can be handed,
// converted as the device list reads it; and one query against the WMI that
// Wine itself serves.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>

#include "platform/wmi_variant.h"
#include "platform/wmi_win32.h"

namespace sw::testing {
namespace {

// An owned VARIANT filled by `fill`.
class TestVariant {
 public:
  explicit TestVariant(const std::function<void(VARIANT&)>& fill) {
    VariantInit(&v_);
    fill(v_);
  }
  ~TestVariant() { VariantClear(&v_); }
  TestVariant(const TestVariant&) = delete;
  TestVariant& operator=(const TestVariant&) = delete;
  const VARIANT& Get() const { return v_; }

 private:
  VARIANT v_;
};

struct Conversion {
  const char* what;
  std::function<void(VARIANT&)> fill;
  WmiValue::Kind kind;
  std::string text;
  long long integer;
};

TEST(WmiVariantTest, EachAutomationKindConvertsAsTheDeviceListReadsIt) {
  using Kind = WmiValue::Kind;
  const Conversion cases[] = {
      {"empty", [](VARIANT&) {}, Kind::Null, "", 0},
      {"null", [](VARIANT& v) { v.vt = VT_NULL; }, Kind::Null, "", 0},
      {"text", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocString(L"Wine Disk Drive"); }, Kind::Text,
       "Wine Disk Drive", 0},
      {"text outside ASCII", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocString(L"M\u00fcller \u2013 1"); },
       Kind::Text, "M\xC3\xBCller \xE2\x80\x93 1", 0},
      {"null text", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = nullptr; }, Kind::Text, "", 0},
      {"64-bit size as text", [](VARIANT& v) { v.vt = VT_BSTR; v.bstrVal = SysAllocString(L"16008609792"); },
       Kind::Text, "16008609792", 0},
      {"signed byte", [](VARIANT& v) { v.vt = VT_I1; v.cVal = -5; }, Kind::Integer, "", -5},
      {"byte", [](VARIANT& v) { v.vt = VT_UI1; v.bVal = 200; }, Kind::Integer, "", 200},
      {"short", [](VARIANT& v) { v.vt = VT_I2; v.iVal = -300; }, Kind::Integer, "", -300},
      {"unsigned short", [](VARIANT& v) { v.vt = VT_UI2; v.uiVal = 65535; }, Kind::Integer, "", 65535},
      {"long", [](VARIANT& v) { v.vt = VT_I4; v.lVal = -1; }, Kind::Integer, "", -1},
      {"unsigned long", [](VARIANT& v) { v.vt = VT_UI4; v.ulVal = 4294967295u; }, Kind::Integer, "", 4294967295LL},
      {"int", [](VARIANT& v) { v.vt = VT_INT; v.intVal = 7; }, Kind::Integer, "", 7},
      {"unsigned int", [](VARIANT& v) { v.vt = VT_UINT; v.uintVal = 3000000000u; }, Kind::Integer, "", 3000000000LL},
      {"64-bit", [](VARIANT& v) { v.vt = VT_I8; v.llVal = -16008609792LL; }, Kind::Integer, "", -16008609792LL},
      {"unsigned 64-bit", [](VARIANT& v) { v.vt = VT_UI8; v.ullVal = 16008609792ULL; }, Kind::Integer, "",
       16008609792LL},
      {"a number of another kind as its text", [](VARIANT& v) { v.vt = VT_R8; v.dblVal = 8.0; }, Kind::Text, "8", 0},
      {"an array of numbers has no text",
       [](VARIANT& v) { v.vt = VT_ARRAY | VT_I4; v.parray = SafeArrayCreateVector(VT_I4, 0, 2); }, Kind::Null, "", 0},
  };
  for (const Conversion& c : cases) {
    SCOPED_TRACE(c.what);
    TestVariant variant(c.fill);
    const WmiValue value = ToWmiValue(variant.Get());
    EXPECT_EQ(value.kind, c.kind);
    EXPECT_EQ(value.text, c.text);
    EXPECT_EQ(value.integer, c.integer);
  }
}

TEST(Win32WmiTest, WinesDiskDriveArrivesAsTextAndIntegerValues) {
  Win32Wmi wmi;
  auto services = wmi.ConnectServer(".", "root\\CIMV2", "", "");
  ASSERT_NE(services, nullptr);
  auto disks = services->ExecQuery("SELECT * FROM Win32_DiskDrive", "WQL", 32);
  auto disk = disks->Next();
  ASSERT_NE(disk, nullptr) << "Wine lists no disk drive";
  const WmiValue id = disk->Property("DeviceID");
  EXPECT_EQ(id.kind, WmiValue::Kind::Text);
  EXPECT_NE(id.text.find("PHYSICALDRIVE"), std::string::npos) << id.text;
  EXPECT_EQ(disk->Property("Index").kind, WmiValue::Kind::Integer);
  // A property the provider lacks reads as null, not as an error.
  EXPECT_TRUE(disk->Property("NoSuchProperty").IsNull());
}

}  // namespace
}  // namespace sw::testing
