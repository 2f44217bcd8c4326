// The journal file's format: what it holds comes back as it was; a record
// cut short at the end is left out; any other fault, another disk or
// another size refuses it; applied, it leaves the stick as it was.
#include <gtest/gtest.h>

#include "capacity/probe_journal.h"
#include "testbed/sim_block_device.h"

namespace sw {
namespace {

constexpr std::uint64_t MiB = 1 << 20, GiB = 1 << 30;

struct JournalFixture : ::testing::Test {
  // Two batches as the probe journals them: a sector and a block of two.
  JournalFixture() : stick({.claimedBytes = 2 * GiB, .identity = "Generic Flash 0001"}) {
    first.assign(512, std::byte{0x11});
    second.assign(1024, std::byte{0x22});
    bytes = EncodeJournalHeader(stick.Identity(), stick.Size(), 512) +
            EncodeJournalBatch({{5 * MiB - 512, first.data(), 512}}) +
            EncodeJournalBatch({{GiB, second.data(), 1024}});
  }
  TSimBlockDevice stick;
  std::vector<std::byte> first, second;
  std::string bytes;
};

TEST_F(JournalFixture, ReadsBackWhatWasWritten) {
  const TParsedJournal parsed = ParseJournal(bytes);
  ASSERT_TRUE(parsed.sound) << parsed.problem;
  EXPECT_EQ(parsed.journal.identity, stick.Identity());
  ASSERT_EQ(parsed.journal.batches.size(), 2u);
  EXPECT_EQ(parsed.journal.batches[0][0].offset, 5 * MiB - 512);
  EXPECT_EQ(parsed.journal.batches[1][0].data, second);
  EXPECT_EQ(JournalMismatch(parsed.journal, stick), "");
}

TEST_F(JournalFixture, LeavesOutARecordCutShortWhileItWasWritten) {
  for (std::size_t cut : {std::size_t{1}, std::size_t{30}, std::size_t{900}}) {
    const TParsedJournal parsed = ParseJournal(bytes.substr(0, bytes.size() - cut));
    ASSERT_TRUE(parsed.sound) << cut << ": " << parsed.problem;
    EXPECT_EQ(parsed.journal.batches.size(), 1u) << cut;
  }
}

TEST_F(JournalFixture, RefusesADamagedFile) {
  struct Damage {
    const char* name;
    std::size_t at;
  };
  const std::size_t header = EncodeJournalHeader(stick.Identity(), stick.Size(), 512).size();
  for (const Damage& damage : {Damage{"magic", 0}, Damage{"identity", 14}, Damage{"header sum", header - 1},
                               Damage{"record magic", header + 2}, Damage{"saved data", header + 100},
                               Damage{"last record's sum", bytes.size() - 3}}) {
    std::string damaged = bytes;
    damaged[damage.at] = static_cast<char>(damaged[damage.at] ^ 0x40);
    const TParsedJournal parsed = ParseJournal(damaged);
    EXPECT_FALSE(parsed.sound) << damage.name;
    EXPECT_FALSE(parsed.problem.empty()) << damage.name;
    EXPECT_TRUE(parsed.journal.batches.empty()) << damage.name;
  }
}

TEST_F(JournalFixture, RefusesAnotherDiskOrAnotherSize) {
  const TJournal journal = ParseJournal(bytes).journal;
  TSimBlockDevice other({.claimedBytes = 2 * GiB, .identity = "Generic Flash 0002"});
  EXPECT_NE(JournalMismatch(journal, other), "");
  TSimBlockDevice larger({.claimedBytes = 4 * GiB, .identity = "Generic Flash 0001"});
  EXPECT_NE(JournalMismatch(journal, larger), "");
}

TEST_F(JournalFixture, AppliedPutsTheOldestCopyLast) {
  // The same sector in both batches: the first batch's copy is what it held first.
  const std::vector<std::byte> later(512, std::byte{0x33});
  const std::string twice = EncodeJournalHeader(stick.Identity(), stick.Size(), 512) +
                            EncodeJournalBatch({{MiB, first.data(), 512}}) + EncodeJournalBatch({{MiB, later.data(), 512}});
  EXPECT_EQ(ApplyJournal(ParseJournal(twice).journal, stick), std::vector<std::uint64_t>{});
  std::vector<std::byte> now(512);
  stick.ReadSettled(MiB, now.data(), 512);
  EXPECT_EQ(now, first);
}

}  // namespace
}  // namespace sw
