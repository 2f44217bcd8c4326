// The capacity check's journal on disk: a file in the backup folder (the
// system's temp folder when the run keeps no backup), flushed to its disk
// after every batch of saved blocks, and named in the settings so that the
// next run's start finds it wherever it lies and puts the blocks back.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "capacity/capacity_probe.h"
#include "platform/handles.h"

namespace sw {

class IBlockDevice;
class TRunContext;

class TCapacityJournalFile {
 public:
  // Creates the journal of `disk` in `folder`, header written and flushed;
  // nothing, and why, when it cannot.
  static std::unique_ptr<TCapacityJournalFile> Create(const std::string& folder, const IBlockDevice& disk,
                                                      std::string& why);
  TCapacityJournalFile(const TCapacityJournalFile&) = delete;
  TCapacityJournalFile& operator=(const TCapacityJournalFile&) = delete;

  // Adds a batch and flushes it to the disk; false, and why, when it could not.
  bool Append(const std::vector<TSavedBlockView>& blocks, std::string& why);
  // Every block is back: the file and its entry in the settings go.
  bool Remove();
  const std::string& Path() const { return path_; }

 private:
  TCapacityJournalFile(UniqueHandle file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}
  UniqueHandle file_;
  std::string path_;
};

// Where the journal goes when the run keeps no backup: the system's temp folder.
std::string JournalFolderWithoutBackup();

// Before anything else a run does: every journal the settings name whose
// disk is attached is put back, then deleted; one that is damaged, whose
// disk is not attached or does not match is kept and never applied. Each
// is named in the log with what became of it.
void RecoverCapacityJournals(TRunContext& run);

}  // namespace sw
