#include "hwid/recorded_identity.h"

#include "hwid/char_class.h"

namespace sw {

RecordedIdentity& RecordedDriveIdentity() {
  static RecordedIdentity identity;
  return identity;
}

bool IsUsableSerialNumber(const std::string& serial) {
  auto letterOrDigitAt = [&serial](size_t index) {
    return index < serial.size() && hwid::IsLetterOrDigit(static_cast<uint8_t>(serial[index]));
  };
  return letterOrDigitAt(0) || letterOrDigitAt(19);
}

bool RecordIdentityIfFirstUsable(const std::string& serial, const std::string& model) {
  RecordedIdentity& identity = RecordedDriveIdentity();
  if (!identity.serial.empty() || !IsUsableSerialNumber(serial)) return false;
  identity.serial = serial.substr(0, kRecordedTextLimit);
  identity.model = model.substr(0, kRecordedTextLimit);
  return true;
}

}  // namespace sw
