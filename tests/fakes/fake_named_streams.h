// Named streams for the tests, since Wine keeps none: held in memory per
// file, as strict as Windows where the backup relies on it. A stream
// belongs to a file that exists (a file that is gone takes its streams with
// it), a volume whose file system is not NTFS refuses every stream
// (ERROR_INVALID_NAME, as FAT does for "path:name"), a read-only file
// refuses a write (ERROR_ACCESS_DENIED), and a name with ":", "\" or "/"
// is refused. A file made anew under the same name (another file index)
// has none, and ForgetBelow plays a format. Paths compare without regard
// to case. Every call is counted.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/named_streams.h"

namespace sw::fakes {

class FakeNamedStreams : public INamedStreams {
 public:
  TStreamVolume VolumeOf(const std::string& path) override;
  bool List(const std::string& path, std::vector<TNamedStream>& streams, std::uint32_t& error) override;
  bool Read(const std::string& path, const std::string& name, std::vector<unsigned char>& data,
            std::uint32_t& error) override;
  bool Write(const std::string& path, const std::string& name, const std::vector<unsigned char>& data,
             std::uint32_t& error) override;

  // The file system of the volume whose root is `root` ("E:\"); a volume not
  // named reads NTFS.
  void SetFileSystem(const std::string& root, const std::string& fileSystem);
  // Puts a stream on an existing file as a test's setup, past the checks.
  void Put(const std::string& path, const std::string& name, const std::string& content);
  // The content of a stream; empty when there is none.
  std::string Content(const std::string& path, const std::string& name) const;
  bool Has(const std::string& path, const std::string& name) const;
  // Drops a stream, as another program might.
  void Remove(const std::string& path, const std::string& name);
  // Drops every stream below `root`, as a format does.
  void ForgetBelow(const std::string& root);

  int lists = 0;
  int reads = 0;
  int writes = 0;
  int refused = 0;  // calls refused for the volume, the file or the name

 private:
  using TStreams = std::map<std::string, std::vector<unsigned char>>;  // by lower-case name
  struct TFile {
    std::uint64_t identity = 0;  // volume serial and file index
    TStreams streams;
  };
  static std::string Key(const std::string& text);
  // The identity of the file at `path`; 0 when it cannot be opened.
  static std::uint64_t IdentityOf(const std::string& path);
  std::string FileSystemOf(const std::string& path) const;
  // The file's streams, once its file is known to exist; null (and `error`) otherwise.
  TStreams* StreamsOf(const std::string& path, std::uint32_t& error);

  std::map<std::string, std::string> fileSystems_;  // by lower-case root
  std::map<std::string, TFile> files_;              // by lower-case path
  std::map<std::string, std::string> names_;        // a stream's name as written, by lower-case path and name
};

}  // namespace sw::fakes
