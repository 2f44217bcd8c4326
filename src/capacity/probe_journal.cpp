#include "capacity/probe_journal.h"

#include <cstring>

#include "platform/block_device.h"

namespace sw {
namespace {

constexpr char kHeaderMagic[8] = {'S', 'W', 'C', 'A', 'P', 'J', '0', '1'};
constexpr char kBatchMagic[8] = {'S', 'W', 'B', 'A', 'T', 'C', 'H', '1'};
constexpr std::uint64_t kMostBlockBytes = std::uint64_t{1} << 20;

std::uint64_t Checksum(const char* data, std::size_t size) {
  std::uint64_t hash = 0xcbf29ce484222325;  // FNV-1a, 64 bits
  for (std::size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<unsigned char>(data[i])) * 0x100000001b3;
  return hash;
}

template <typename T>
void Put(std::string& out, T value) {
  char bytes[sizeof(T)];
  std::memcpy(bytes, &value, sizeof(T));
  out.append(bytes, sizeof(T));
}

void Seal(std::string& out, std::size_t start) { Put(out, Checksum(out.data() + start, out.size() - start)); }

// Reads forward through the file; every read is checked against its end.
class Reader {
 public:
  explicit Reader(const std::string& bytes) : bytes_(bytes) {}
  std::size_t At() const { return at_; }
  std::size_t Left() const { return bytes_.size() - at_; }
  template <typename T>
  bool Get(T& value) {
    if (Left() < sizeof(T)) return false;
    std::memcpy(&value, bytes_.data() + at_, sizeof(T));
    at_ += sizeof(T);
    return true;
  }
  bool Take(std::size_t size, const char*& data) {
    if (Left() < size) return false;
    data = bytes_.data() + at_;
    at_ += size;
    return true;
  }
  bool SumMatches(std::size_t start) {
    std::uint64_t sum = 0;
    const std::uint64_t expected = Checksum(bytes_.data() + start, at_ - start);
    return Get(sum) && sum == expected;
  }

 private:
  const std::string& bytes_;
  std::size_t at_ = 0;
};

}  // namespace

std::string EncodeJournalHeader(const std::string& identity, std::uint64_t deviceBytes, std::uint32_t sectorBytes) {
  std::string out(kHeaderMagic, sizeof kHeaderMagic);
  Put(out, static_cast<std::uint32_t>(identity.size()));
  out += identity;
  Put(out, deviceBytes);
  Put(out, sectorBytes);
  Seal(out, 0);
  return out;
}

// Magic, block count, payload length (so a record cut short is told from
// a damaged one), the blocks, the checksum.
std::string EncodeJournalBatch(const std::vector<TSavedBlockView>& blocks) {
  std::uint64_t payload = 0;
  for (const TSavedBlockView& block : blocks) payload += 12 + block.size;
  std::string out(kBatchMagic, sizeof kBatchMagic);
  out.reserve(out.size() + 12 + payload + 8);
  Put(out, static_cast<std::uint32_t>(blocks.size()));
  Put(out, payload);
  for (const TSavedBlockView& block : blocks) {
    Put(out, block.offset);
    Put(out, block.size);
    out.append(reinterpret_cast<const char*>(block.data), block.size);
  }
  Seal(out, 0);
  return out;
}

TParsedJournal ParseJournal(const std::string& bytes) {
  TParsedJournal parsed;
  auto damaged = [&](const std::string& why) {
    parsed.problem = why;
    parsed.journal.batches.clear();
    return parsed;
  };
  Reader in(bytes);
  const char* magic = nullptr;
  std::uint32_t identityLength = 0;
  const char* identity = nullptr;
  if (!in.Take(8, magic) || std::memcmp(magic, kHeaderMagic, 8) != 0) return damaged("it is not a journal of this program");
  if (!in.Get(identityLength) || !in.Take(identityLength, identity) || !in.Get(parsed.journal.deviceBytes) ||
      !in.Get(parsed.journal.sectorBytes) || !in.SumMatches(0))
    return damaged("its header is damaged");
  parsed.journal.identity.assign(identity, identityLength);
  while (in.Left() > 0) {
    const std::size_t start = in.At();
    std::uint32_t count = 0;
    std::uint64_t payload = 0;
    if (!in.Take(8, magic) || !in.Get(count) || !in.Get(payload)) break;  // cut short while it was written
    if (std::memcmp(magic, kBatchMagic, 8) != 0) return damaged("a record at byte " + std::to_string(start) + " is damaged");
    if (payload + 8 > in.Left()) break;  // cut short while it was written
    std::vector<TJournalBlock> batch;
    std::uint64_t seen = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      TJournalBlock block;
      std::uint32_t size = 0;
      const char* data = nullptr;
      if (!in.Get(block.offset) || !in.Get(size) || size > kMostBlockBytes || !in.Take(size, data))
        return damaged("a record at byte " + std::to_string(start) + " is damaged");
      block.data.assign(reinterpret_cast<const std::byte*>(data), reinterpret_cast<const std::byte*>(data) + size);
      seen += 12 + size;
      batch.push_back(std::move(block));
    }
    if (seen != payload || !in.SumMatches(start))
      return damaged("a record at byte " + std::to_string(start) + " does not match its checksum");
    parsed.journal.batches.push_back(std::move(batch));
  }
  parsed.sound = true;
  return parsed;
}

std::string JournalMismatch(const TJournal& journal, const IBlockDevice& device) {
  if (journal.identity.empty() || device.Identity() != journal.identity)
    return "it was written for the disk " + journal.identity + ", not for " + device.Identity();
  if (device.Size() != journal.deviceBytes || device.SectorSize() != journal.sectorBytes)
    return "the disk now reports another size";
  for (const auto& batch : journal.batches)
    for (const TJournalBlock& block : batch)
      if (block.data.empty() || block.offset % journal.sectorBytes != 0 || block.data.size() % journal.sectorBytes != 0 ||
          block.offset > journal.deviceBytes || block.data.size() > journal.deviceBytes - block.offset)
        return "a block at offset " + std::to_string(block.offset) + " lies off the disk's sectors";
  return {};
}

std::vector<std::uint64_t> ApplyJournal(const TJournal& journal, IBlockDevice& device) {
  std::vector<std::uint64_t> failed;
  for (auto batch = journal.batches.rbegin(); batch != journal.batches.rend(); ++batch)
    for (const TJournalBlock& block : *batch) {
      const auto size = static_cast<std::uint32_t>(block.data.size());
      std::uint32_t error = 0;
      bool done = false;
      for (int attempt = 0; attempt < 2 && !done; ++attempt) {
        try {
          done = device.Write(block.offset, block.data.data(), size, error);
        } catch (...) {
        }
      }
      if (!done) failed.push_back(block.offset);
    }
  return failed;
}

}  // namespace sw
