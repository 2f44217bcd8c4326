// Conversions of WMI property values shared by the real and the fake WMI.
#include "platform/wmi.h"

#include <cstdlib>

namespace sw {

std::string WmiValue::AsText() const {
  switch (kind) {
    case Kind::Null: return {};
    case Kind::Text: return text;
    case Kind::Integer: return std::to_string(integer);
  }
  return {};
}

double WmiValue::AsNumber() const {
  switch (kind) {
    case Kind::Null: return 0;
    case Kind::Integer: return static_cast<double>(integer);
    case Kind::Text: {
      const char* begin = text.c_str();
      char* end = nullptr;
      double value = std::strtod(begin, &end);
      return end == begin ? 0 : value;
    }
  }
  return 0;
}

}  // namespace sw
