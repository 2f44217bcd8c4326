// WMI of the simulated machine: the disk-drive list gains the plugged-in
// simulated drives after the system's own disks, and the associators lead
// from a simulated drive to its one partition and its drive letter. Every
// other query goes to the system's WMI.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/wmi.h"
#include "testbed/machine.h"

namespace sw::testbed {

using WmiProperties = std::map<std::string, WmiValue>;  // a missing property reads as null

class SimulatedWmi : public IWmi {
 public:
  SimulatedWmi(const Machine& machine, IWmi& system) : machine_(machine), system_(system) {}
  std::unique_ptr<IWmiServices> ConnectServer(const std::string& server, const std::string& nameSpace,
                                              const std::string& user, const std::string& password) override;

 private:
  const Machine& machine_;
  IWmi& system_;
};

// What the simulated machine answers to `query` by itself; false when the
// query is one for the system's WMI. Only plugged-in drives are answered.
bool AnswerQuery(const Machine& machine, const std::string& query, std::vector<WmiProperties>& objects,
                 bool& appendToSystem);

// The Win32_DiskDrive properties of a simulated drive.
WmiProperties DiskDriveProperties(const SimulatedDrive& drive);

}  // namespace sw::testbed
