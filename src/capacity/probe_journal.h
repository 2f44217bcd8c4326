// The capacity check's journal: the blocks it is about to change, as they
// were, written to a file before the first of them is changed, so that a
// crash or a power cut in the middle leaves a way back. One header names
// the disk (its identity, size and sector size); each batch of blocks
// follows as one record with its own checksum. A record cut short at the
// end of the file is the batch being written when the program stopped: its
// blocks were never changed, so it is left out. Any other fault makes the
// whole journal damaged, and a damaged journal is never applied.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "capacity/capacity_probe.h"

namespace sw {

class IBlockDevice;

struct TJournalBlock {
  std::uint64_t offset = 0;
  std::vector<std::byte> data;
};

struct TJournal {
  std::string identity;
  std::uint64_t deviceBytes = 0;
  std::uint32_t sectorBytes = 0;
  std::vector<std::vector<TJournalBlock>> batches;  // in the order they were written to the disk
};

struct TParsedJournal {
  bool sound = false;
  std::string problem;  // why it is damaged
  TJournal journal;
};

std::string EncodeJournalHeader(const std::string& identity, std::uint64_t deviceBytes, std::uint32_t sectorBytes);
std::string EncodeJournalBatch(const std::vector<TSavedBlockView>& blocks);
TParsedJournal ParseJournal(const std::string& bytes);

// Why `journal` must not be applied to `device` (another disk, or another
// size); empty when it belongs to it.
std::string JournalMismatch(const TJournal& journal, const IBlockDevice& device);

// Writes every journalled block back, the newest batch first; the offsets
// of those that could not be written (each tried twice).
std::vector<std::uint64_t> ApplyJournal(const TJournal& journal, IBlockDevice& device);

}  // namespace sw
