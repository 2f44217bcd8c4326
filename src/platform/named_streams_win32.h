// The named streams through FindFirstStreamW/FindNextStreamW and files
// opened as "path:name"; the volume's file system and its FILE_NAMED_STREAMS
// flag through GetVolumeInformationW.
#pragma once

#include "platform/named_streams.h"

namespace sw {

class Win32NamedStreams : public INamedStreams {
 public:
  TStreamVolume VolumeOf(const std::string& path) override;
  bool List(const std::string& path, std::vector<TNamedStream>& streams, std::uint32_t& error) override;
  bool Read(const std::string& path, const std::string& name, std::vector<unsigned char>& data,
            std::uint32_t& error) override;
  bool Write(const std::string& path, const std::string& name, const std::vector<unsigned char>& data,
             std::uint32_t& error) override;
};

}  // namespace sw
