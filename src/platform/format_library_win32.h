// The format library of the system: fmifs.dll from the system folder only.
#pragma once

#include "platform/format_library.h"

namespace sw {

// Every instance shares one process-wide load: the library is loaded at most
// once per process and released at program end.
class Win32FormatLibrary : public IFormatLibrary {
 public:
  bool LoadAttempted() const override;
  bool Load() override;
  bool HasFormatEx() const override;
  void FormatEx(const std::string& root, uint32_t mediaCode, const std::string& fileSystem, const std::string& label,
                bool quickFormat, uint32_t clusterSize, FmifsCallback callback) override;
  void Chkdsk(const std::string& root, const std::string& fileSystem, bool repair, bool verbose, bool onlyIfDirty,
              bool surfaceScan, FmifsCallback callback) override;
};

}  // namespace sw
