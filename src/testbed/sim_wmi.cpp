#include "testbed/sim_wmi.h"

#include "platform/exceptions.h"
#include "platform/text.h"
#include "testbed/wine_mount.h"

namespace sw::testbed {
namespace {

constexpr char kDiskDriveQuery[] = "select * from win32_diskdrive";
constexpr char kDiskToPartition[] = "associators of {win32_diskdrive.deviceid=";
constexpr char kPartitionToLogicalDisk[] = "associators of {win32_diskpartition.deviceid=";

std::string PhysicalDrivePath(const SimulatedDrive& drive) {
  return "\\\\.\\PHYSICALDRIVE" + std::to_string(drive.number);
}

std::string PartitionId(const SimulatedDrive& drive) {
  return "Disk #" + std::to_string(drive.number) + ", Partition #0";
}

// The text between the first pair of double quotes of `query`.
std::string QuotedKey(const std::string& query) {
  const size_t open = query.find('"');
  if (open == std::string::npos) return {};
  const size_t close = query.find('"', open + 1);
  if (close == std::string::npos) return {};
  return query.substr(open + 1, close - open - 1);
}

std::string Sanitized(const std::string& text) {
  std::string out;
  for (char c : AsciiUpper(text)) out += (c == ' ') ? '_' : c;
  return out;
}

class ObjectOfProperties : public IWmiObject {
 public:
  explicit ObjectOfProperties(WmiProperties properties) : properties_(std::move(properties)) {}
  WmiValue Property(const std::string& name) override {
    auto found = properties_.find(name);
    return found == properties_.end() ? WmiValue::Null() : found->second;
  }

 private:
  WmiProperties properties_;
};

// The system's objects first (when there are any), then the simulated ones.
class ChainedObjectSet : public IWmiObjectSet {
 public:
  ChainedObjectSet(std::unique_ptr<IWmiObjectSet> system, std::vector<WmiProperties> simulated)
      : system_(std::move(system)), simulated_(std::move(simulated)) {}
  std::unique_ptr<IWmiObject> Next() override {
    if (system_) {
      if (auto object = system_->Next()) return object;
      system_.reset();
    }
    if (next_ >= simulated_.size()) return nullptr;
    return std::make_unique<ObjectOfProperties>(simulated_[next_++]);
  }

 private:
  std::unique_ptr<IWmiObjectSet> system_;
  std::vector<WmiProperties> simulated_;
  size_t next_ = 0;
};

class SimulatedServices : public IWmiServices {
 public:
  SimulatedServices(const Machine& machine, std::unique_ptr<IWmiServices> system)
      : machine_(machine), system_(std::move(system)) {}

  std::unique_ptr<IWmiObjectSet> ExecQuery(const std::string& query) override {
    return Run(query, [&] { return system_->ExecQuery(query); });
  }
  std::unique_ptr<IWmiObjectSet> ExecQuery(const std::string& query, const std::string& language, int flags) override {
    return Run(query, [&] { return system_->ExecQuery(query, language, flags); });
  }

 private:
  template <typename SystemQuery>
  std::unique_ptr<IWmiObjectSet> Run(const std::string& query, SystemQuery systemQuery) {
    std::vector<WmiProperties> objects;
    bool appendToSystem = false;
    const bool answered = AnswerQuery(machine_, query, objects, appendToSystem);
    std::unique_ptr<IWmiObjectSet> system;
    if ((!answered || appendToSystem) && system_) system = systemQuery();
    return std::make_unique<ChainedObjectSet>(std::move(system), std::move(objects));
  }

  const Machine& machine_;
  std::unique_ptr<IWmiServices> system_;  // null when the system's WMI is not there
};

}  // namespace

WmiProperties DiskDriveProperties(const SimulatedDrive& drive) {
  // WMI reports the size of the whole cylinders, as text (a 64-bit value).
  constexpr long long kCylinderBytes = 255LL * 63 * 512;
  const long long size = drive.sizeBytes / kCylinderBytes * kCylinderBytes;
  return {
      {"Caption", WmiValue::Text(drive.Caption())},
      {"DeviceID", WmiValue::Text(PhysicalDrivePath(drive))},
      {"Model", WmiValue::Text(drive.Caption())},
      {"Partitions", WmiValue::Integer(1)},
      {"PNPDeviceID", WmiValue::Text("USBSTOR\\DISK&VEN_" + Sanitized(drive.vendor) + "&PROD_" +
                                     Sanitized(drive.product) + "&REV_" + Sanitized(drive.revision) + "\\" +
                                     drive.serial + "&0")},
      {"Size", WmiValue::Text(std::to_string(size))},
  };
}

bool AnswerQuery(const Machine& machine, const std::string& query, std::vector<WmiProperties>& objects,
                 bool& appendToSystem) {
  const std::string lower = AsciiLower(Trim(query));
  appendToSystem = false;
  if (lower == kDiskDriveQuery) {
    for (const SimulatedDrive& drive : machine.drives)
      if (IsRemovableDrivePresent(drive.letter)) objects.push_back(DiskDriveProperties(drive));
    appendToSystem = true;
    return true;
  }
  if (lower.rfind(kDiskToPartition, 0) == 0) {
    // The drive path arrives with every backslash doubled.
    const std::string path = AsciiLower(ReplaceAll(QuotedKey(query), "\\\\", "\\"));
    for (const SimulatedDrive& drive : machine.drives) {
      if (path != AsciiLower(PhysicalDrivePath(drive))) continue;
      if (IsRemovableDrivePresent(drive.letter)) objects.push_back({{"DeviceID", WmiValue::Text(PartitionId(drive))}});
      return true;
    }
    return false;
  }
  if (lower.rfind(kPartitionToLogicalDisk, 0) == 0) {
    const std::string partition = QuotedKey(query);
    for (const SimulatedDrive& drive : machine.drives) {
      if (partition != PartitionId(drive)) continue;
      if (IsRemovableDrivePresent(drive.letter))
        objects.push_back({{"DeviceID", WmiValue::Text(std::string(1, drive.letter) + ":")}});
      return true;
    }
    return false;
  }
  return false;
}

std::unique_ptr<IWmiServices> SimulatedWmi::ConnectServer(const std::string& server, const std::string& nameSpace,
                                                          const std::string& user, const std::string& password) {
  std::unique_ptr<IWmiServices> system;
  try {
    system = system_.ConnectServer(server, nameSpace, user, password);
  } catch (const Exception&) {
    // Without the system's WMI the simulated drives are still listed.
  }
  return std::make_unique<SimulatedServices>(machine_, std::move(system));
}

}  // namespace sw::testbed
