// Seam: Windows Management Instrumentation through its scripting objects.
// Wine lacks the disk properties and associators the device list reads, so
// the list and the drive-letter lookup go through this interface.
// Every failure (object not creatable, connection or query refused) is
// raised as an Exception carrying the system's text.
#pragma once

#include <memory>
#include <string>

namespace sw {

// A property value as automation hands it over: null, text or integer.
struct WmiValue {
  enum class Kind { Null, Text, Integer };
  Kind kind = Kind::Null;
  std::string text;
  long long integer = 0;

  static WmiValue Null() { return {}; }
  static WmiValue Text(std::string value) { return {Kind::Text, std::move(value), 0}; }
  static WmiValue Integer(long long value) { return {Kind::Integer, {}, value}; }

  bool IsNull() const { return kind == Kind::Null; }
  // Null reads as empty text, an integer as its decimal text.
  std::string AsText() const;
  // Null reads as 0; a text is read as a decimal number (64-bit sizes come
  // as text), 0 when it holds none.
  double AsNumber() const;
};

class IWmiObject {
 public:
  virtual ~IWmiObject() = default;
  // Properties_.Item(name).Value
  virtual WmiValue Property(const std::string& name) = 0;
};

// A query result, enumerated one object at a time.
class IWmiObjectSet {
 public:
  virtual ~IWmiObjectSet() = default;
  // The next object; null when there are no more.
  virtual std::unique_ptr<IWmiObject> Next() = 0;
};

class IWmiServices {
 public:
  virtual ~IWmiServices() = default;
  // ExecQuery with the query as its only argument.
  virtual std::unique_ptr<IWmiObjectSet> ExecQuery(const std::string& query) = 0;
  // ExecQuery with query language and flags (32 = forward only).
  virtual std::unique_ptr<IWmiObjectSet> ExecQuery(const std::string& query, const std::string& language,
                                                   int flags) = 0;
};

class IWmi {
 public:
  virtual ~IWmi() = default;
  // Creates the locator and calls ConnectServer(server, namespace, user, password).
  virtual std::unique_ptr<IWmiServices> ConnectServer(const std::string& server, const std::string& nameSpace,
                                                      const std::string& user, const std::string& password) = 0;
};

}  // namespace sw
