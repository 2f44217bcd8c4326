#include "fakes/fake_wmi.h"

#include <algorithm>

#include "platform/exceptions.h"

namespace sw::fakes {
namespace {

class FakeObject : public IWmiObject {
 public:
  explicit FakeObject(WmiObjectData data) : data_(std::move(data)) {}
  WmiValue Property(const std::string& name) override {
    auto found = data_.find(name);
    return found == data_.end() ? WmiValue::Null() : found->second;
  }

 private:
  WmiObjectData data_;
};

class FakeObjectSet : public IWmiObjectSet {
 public:
  FakeObjectSet(std::vector<WmiObjectData> objects, size_t failAfter)
      : objects_(std::move(objects)), failAfter_(failAfter) {}
  std::unique_ptr<IWmiObject> Next() override {
    if (next_ >= failAfter_) throw Exception("Generic failure ");
    if (next_ >= objects_.size()) return nullptr;
    return std::make_unique<FakeObject>(objects_[next_++]);
  }

 private:
  std::vector<WmiObjectData> objects_;
  size_t failAfter_;
  size_t next_ = 0;
};

class FakeServices : public IWmiServices {
 public:
  explicit FakeServices(FakeWmi& wmi) : wmi_(wmi) {}
  std::unique_ptr<IWmiObjectSet> ExecQuery(const std::string& query) override { return Run({query, "", -1}); }
  std::unique_ptr<IWmiObjectSet> ExecQuery(const std::string& query, const std::string& language,
                                           int flags) override {
    return Run({query, language, flags});
  }

 private:
  std::unique_ptr<IWmiObjectSet> Run(WmiQueryCall call) {
    wmi_.queries.push_back(call);
    const auto& failing = wmi_.failingQueries;
    if (std::find(failing.begin(), failing.end(), call.query) != failing.end()) throw Exception("Invalid query ");
    auto fail = wmi_.failAfter.find(call.query);
    return std::make_unique<FakeObjectSet>(wmi_.answers[call.query],
                                           fail == wmi_.failAfter.end() ? SIZE_MAX : fail->second);
  }
  FakeWmi& wmi_;
};

}  // namespace

std::unique_ptr<IWmiServices> FakeWmi::ConnectServer(const std::string& server, const std::string& nameSpace,
                                                     const std::string& user, const std::string& password) {
  connects.push_back({server, nameSpace, user, password});
  if (failConnect) throw Exception("The RPC server is unavailable.");
  return std::make_unique<FakeServices>(*this);
}

}  // namespace sw::fakes
