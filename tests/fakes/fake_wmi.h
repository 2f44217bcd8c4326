// Scripted WMI: the objects each query returns, property by property, and
// failures at the connection, at a query or in the middle of an enumeration.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/wmi.h"

namespace sw::fakes {

using WmiObjectData = std::map<std::string, WmiValue>;  // a missing property reads as null

struct WmiQueryCall {
  std::string query;
  std::string language;  // empty for the one-argument form
  int flags = -1;        // -1 for the one-argument form
};

class FakeWmi : public IWmi {
 public:
  std::unique_ptr<IWmiServices> ConnectServer(const std::string& server, const std::string& nameSpace,
                                              const std::string& user, const std::string& password) override;

  // The objects `query` returns; an unscripted query returns none.
  void Answer(const std::string& query, std::vector<WmiObjectData> objects) { answers[query] = std::move(objects); }
  // Enumerating `query` raises after handing out `count` objects.
  void FailAfter(const std::string& query, size_t count) { failAfter[query] = count; }

  std::map<std::string, std::vector<WmiObjectData>> answers;
  std::map<std::string, size_t> failAfter;
  std::vector<std::string> failingQueries;  // ExecQuery raises for these
  bool failConnect = false;
  std::vector<std::vector<std::string>> connects;  // server, namespace, user, password
  std::vector<WmiQueryCall> queries;
};

}  // namespace sw::fakes
