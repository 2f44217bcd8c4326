// A source and a destination folder for one copy test, the fakes behind the
// copy's boxes, and a run helper with the options the tests vary.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "copy/copy_folder.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_locale.h"
#include "temp_tree.h"

namespace sw::testing {

struct CopyOptions {
  std::string mask = "*.*";
  std::int32_t replaceMode = ReplaceWhenNewer;
  bool listOnly = false;
  bool keepFolderName = false;
  bool recurse = true;
  bool flatten = false;
  bool clearReadOnly = false;
  TNameRules nameRules = TNameRules::Standard;
};

class CopyTest : public ::testing::Test {
 protected:
  std::string Src(const std::string& relative = "") const { return tree.Path("src\\" + relative); }
  std::string Dst(const std::string& relative = "") const { return tree.Path("dst\\" + relative); }

  bool Run(const CopyOptions& options = {}, const TFileEvent& onFile = nullptr) {
    return Run(Src(), Dst(), options, onFile);
  }
  bool Run(const std::string& source, const std::string& destination, const CopyOptions& options,
           const TFileEvent& onFile = nullptr) {
    return Keep(CopyFolder({source, destination, options.mask, options.replaceMode, options.listOnly,
                            options.keepFolderName, options.recurse, options.flatten, options.clearReadOnly, onFile,
                            TCopyHost{&dialogs, &locale, nullptr}, options.nameRules}));
  }
  // Keeps the run's counters in `stats` and tells whether it completed.
  bool Keep(const TCopyResult& result) {
    stats = result.statistics;
    return result.completed;
  }

  // A handler that records "folder|name" of every file it sees.
  TFileEvent Recorder() {
    return [this](const std::string& folder, const std::string&, const std::string& name, std::int64_t, bool&) {
      seen.push_back(folder + "|" + name);
      return true;
    };
  }

  TempTree tree;
  fakes::FakeDialogs dialogs;
  fakes::FakeLocale locale;
  std::vector<std::string> seen;
  TCopyStatistics stats;  // of the last run
};

}  // namespace sw::testing
