#include "fakes/fake_format_library.h"

#include "fakes/user_acts.h"

#include "toolkit/answering_run.h"

namespace sw::fakes {

namespace {

uint8_t Send(FmifsCallback callback, const LibraryCommand& command) {
  switch (command.data) {
    case LibraryCommand::Data::Percent: {
      int32_t value = command.percent;
      return callback(command.code, 0, &value);
    }
    case LibraryCommand::Data::Success: {
      uint8_t value = command.success ? 1 : 0;
      return callback(command.code, 0, &value);
    }
    case LibraryCommand::Data::Text: {
      std::string text = command.text;  // NUL-terminated copy owned here
      fmifs::TextOutput record{1, text.c_str()};
      return callback(command.code, 0, &record);
    }
    case LibraryCommand::Data::NullPointer:
      return callback(command.code, 0, nullptr);
    case LibraryCommand::Data::None:
    default: {
      uint32_t unused = 0;
      return callback(command.code, 0, &unused);
    }
  }
}

}  // namespace

bool FakeFormatLibrary::Load() {
  ++loadCalls;
  return available;
}

void FakeFormatLibrary::Play(FmifsCallback callback) {
  for (size_t i = 0; i < script.size(); ++i) {
    // The library runs on a thread of its own; the test's step runs where
    // the test and the window are.
    if (beforeCommand) ActAsTheUser([&] { beforeCommand(i); });
    uint8_t answer = Send(callback, script[i]);
    answers.push_back(answer);
    if (answer == 0) {
      for (const LibraryCommand& windDown : afterStop) answers.push_back(Send(callback, windDown));
      return;
    }
  }
}

void FakeFormatLibrary::FormatEx(const std::string& root, uint32_t mediaCode, const std::string& fileSystem,
                                 const std::string& label, bool quickFormat, uint32_t clusterSize,
                                 FmifsCallback callback) {
  formatCalls.push_back({root, mediaCode, fileSystem, label, quickFormat, clusterSize});
  Play(callback);
}

void FakeFormatLibrary::Chkdsk(const std::string& root, const std::string& fileSystem, bool repair, bool verbose,
                               bool onlyIfDirty, bool surfaceScan, FmifsCallback callback) {
  checkCalls.push_back({root, fileSystem, repair, verbose, onlyIfDirty, surfaceScan});
  Play(callback);
}

}  // namespace sw::fakes
