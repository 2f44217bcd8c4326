// The user's locale and clock from the system.
#pragma once

#include "platform/locale.h"

namespace sw {

class Win32Locale : public ILocale {
 public:
  std::string ThousandSeparator() override;
  std::string DecimalSeparator() override;
  std::string FormatShortDate(const LocalDateTime& when) override;
  std::string FormatShortTime(const LocalDateTime& when) override;
  std::string FormatLongTime(const LocalDateTime& when) override;
  LocalDateTime Now() override;
};

}  // namespace sw
