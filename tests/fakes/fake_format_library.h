// A format library that plays a script of callback commands, as the real
// one would during a format or a check, and records how it was called and
// what the callback answered.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/format_library.h"

namespace sw::fakes {

// One callback command with its data.
struct LibraryCommand {
  uint32_t code = 0;
  enum class Data { None, Percent, Success, Text, NullPointer } data = Data::None;
  int32_t percent = 0;
  bool success = false;
  std::string text;  // bytes in the OEM code page

  static LibraryCommand Percent(int32_t value) { return {fmifs::kProgress, Data::Percent, value, false, {}}; }
  static LibraryCommand Done(bool ok) { return {fmifs::kDone, Data::Success, 0, ok, {}}; }
  static LibraryCommand Output(std::string oemText) { return {fmifs::kOutput, Data::Text, 0, false, std::move(oemText)}; }
  static LibraryCommand Code(uint32_t code) { return {code, Data::None, 0, false, {}}; }
  static LibraryCommand WithNullData(uint32_t code) { return {code, Data::NullPointer, 0, false, {}}; }
};

struct FormatCall {
  std::string root;
  uint32_t mediaCode;
  std::string fileSystem;
  std::string label;
  bool quickFormat;
  uint32_t clusterSize;
};

struct CheckCall {
  std::string root;
  std::string fileSystem;
  bool repair, verbose, onlyIfDirty, surfaceScan;
};

class FakeFormatLibrary : public IFormatLibrary {
 public:
  bool LoadAttempted() const override { return loadCalls > 0; }
  bool Load() override;
  bool HasFormatEx() const override { return hasFormatEx; }
  void FormatEx(const std::string& root, uint32_t mediaCode, const std::string& fileSystem, const std::string& label,
                bool quickFormat, uint32_t clusterSize, FmifsCallback callback) override;
  void Chkdsk(const std::string& root, const std::string& fileSystem, bool repair, bool verbose, bool onlyIfDirty,
              bool surfaceScan, FmifsCallback callback) override;

  // Plays `script` through `callback`; after the first "stop" answer the
  // rest is skipped and `afterStop` is played instead, as a library that
  // winds down would.
  void Play(FmifsCallback callback);

  bool available = true;    // whether the check-disk entry is found
  bool hasFormatEx = true;  // whether the format entry is found
  std::vector<LibraryCommand> script;
  std::vector<LibraryCommand> afterStop = {LibraryCommand::Done(false)};
  // Runs inside a call before each command of the script, with its index
  // (to act as the user would while the library works).
  std::function<void(size_t index)> beforeCommand;

  int loadCalls = 0;
  std::vector<FormatCall> formatCalls;
  std::vector<CheckCall> checkCalls;
  std::vector<uint8_t> answers;  // the callback's answer to each command played
};

}  // namespace sw::fakes
