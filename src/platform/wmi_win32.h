// WMI through late-bound automation: WbemScripting.SWbemLocator,
// ConnectServer, ExecQuery, _NewEnum and Properties_.Item(name).Value.
#pragma once

#include "platform/handles.h"
#include "platform/wmi.h"

namespace sw {

class Win32Wmi : public IWmi {
 public:
  std::unique_ptr<IWmiServices> ConnectServer(const std::string& server, const std::string& nameSpace,
                                              const std::string& user, const std::string& password) override;

 private:
  // The program's own COM initialisation of the user-interface thread, held
  // for as long as the program can ask WMI anything.
  ComInit com_;
};

}  // namespace sw
