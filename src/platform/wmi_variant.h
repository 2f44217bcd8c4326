// The one conversion the real WMI adapter applies to every property value
// it reads: an automation VARIANT turned into null, text or integer.
#pragma once

#include <oaidl.h>

#include "platform/wmi.h"

namespace sw {

// Empty and null read as null; text as UTF-8; the integer kinds as their
// value, unsigned ones without a sign change; any other kind as the text
// automation gives it, null when it has none.
WmiValue ToWmiValue(const VARIANT& value);

}  // namespace sw
