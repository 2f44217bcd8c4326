// The restore plan at its edges: room, file size limits, folder entries, names, letter case, the 32 KiB fallback.
#include <gtest/gtest.h>

#include <string>

#include "app/restore_fit.h"
#include "app/speedup_rules.h"

namespace sw {
namespace {

using enum FitProblem;
constexpr uint64_t kKiB = 1024, kMiB = 1024 * kKiB, kGiB = 1024 * kMiB;
const std::string kFs[] = {"NTFS", "FAT", "FAT32", "exFAT"}, kEmoji = "\xF0\x9F\x98\x80", n256(256, 'n');

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
void Add(RestoreContent& in, std::string p) { p.back() == '\\' ? in.folders.push_back(p) : in.files.push_back({p, 1}); }
// `content` and `paths`: folders where they end in "\", else files of one byte; with a count, that many of each,
// numbered from 1000 and followed by `ext`.
RestoreContent Files(std::vector<std::string> paths, size_t n = 0, const char* ext = "", RestoreContent content = {}) {
  for (size_t i = 0; i < (n != 0 ? n : 1); ++i)
    for (const std::string& path : paths) Add(content, n != 0 ? path + std::to_string(1000 + i) + ext : path);
  return content;
}
RestoreContent Sized(uint64_t big, uint64_t big2 = 0) { return {{{"a", 10}, {"V\\big", big}, {"V\\big2", big2}}, {}}; }

// The structures: never less than Windows takes on a new volume, not far more. Files and FAT and exFAT folders take
// whole clusters (small NTFS files none, 1000 long names 3 of 32 KiB); 32 KiB ones only when 64 KiB do not fit.
TEST(RestoreFitTest, RoomIsCountedInWholeClustersAndAFullVolumeFitsButOneClusterMoreDoesNot) {
  const struct { int fs; uint32_t cluster; uint64_t volume, atLeast, atMost; } volumes[] = {
      {kFsFat32, 65536, 8 * kGiB + 12345, 1040 * kKiB, 3 * kMiB}, {kFsFat, 32768, 2 * kGiB, 272 * kKiB, kMiB},
      {kFsFat32, 32768, 8 * kGiB, 2064 * kKiB, 4 * kMiB}, {kFsNtfs, 65536, 8 * kGiB, 65552 * kKiB, 100 * kMiB},
      {kFsExfat, 65536, 8 * kGiB, 576 * kKiB, 8 * kMiB}, {kFsNtfs, 4096, 256 * kMiB + 7, 4 * kMiB, 40 * kMiB}};
  for (const auto& c : volumes) {
    auto plan = [&](uint64_t size) { return PlanRestore(Sized(c.volume / 2 - kMiB, size), c.fs, c.cluster, c.volume); };
    const uint64_t fixed = plan(0).structureBytes, full = plan(0).AvailableBytes() - plan(0).dataBytes;
    EXPECT_TRUE(fixed >= c.atLeast && fixed <= c.atMost) << kFs[c.fs] << " " << c.volume << ": " << fixed;
    EXPECT_TRUE(plan(full).fits && plan(full).NeededBytes() == c.volume) << kFs[c.fs] << " " << c.cluster;
    const RestoreFit over = plan(full + 1);
    EXPECT_TRUE(over.shortfallBytes == c.cluster && Has(over.reason, "new " + kFs[c.fs] + " volume") &&
                Has(over.reason, std::to_string(c.cluster) + " bytes) short")) << over.reason;
  }
  EXPECT_LE(PlanRestore({}, kFsFat, 32768, 8 * kGiB).AvailableBytes(), 65524ull * 32768);  // FAT's most clusters
  const struct { int fs; uint32_t cluster; uint64_t size, takes; } files[] = {
      {kFsFat32, 65536, 1, 65536}, {kFsFat32, 65536, 65536, 65536}, {kFsFat32, 65536, 65537, 131072},
      {kFsExfat, 32768, 1, 32768}, {kFsNtfs, 65536, 600, 0}, {kFsNtfs, 65536, 900, 65536}, {kFsNtfs, 4096, 4097, 8192}};
  auto used = [](const RestoreContent& in, int fs, uint32_t n) { return PlanRestore(in, fs, n, kGiB).dataBytes; };
  for (const auto& [fs, cluster, size, takes] : files)
    EXPECT_EQ(used(Sized(size), fs, cluster) - used(Sized(0), fs, cluster), takes) << kFs[fs] << " " << size;
  for (const int fs : {kFsFat, kFsFat32, kFsExfat})
    EXPECT_EQ(used(Files({"A\\", "B\\C\\"}), fs, 65536) - used({}, fs, 65536), 3 * 65536u) << kFs[fs];
  EXPECT_EQ(used(Files({"D\\long-name-"}, 1000), kFsFat32, 32768) - used({}, kFsFat32, 32768), (1000 + 3) * 32768u);
  const RestoreContent small = Files({"Sub\\F"}, 3000, ".TXT");  // 188 MiB in 64 KiB clusters, 94 MiB in 32 KiB
  auto line = [&small](uint64_t volume) { return ClusterChoiceLine(ChooseClusterSize(small, kFsFat32, volume), ","); };
  EXPECT_EQ(line(kGiB), "The files need 188,2 MB of 1,0 GB with 64 KiB clusters.");
  EXPECT_EQ(line(128 * kMiB), "The files need 94,1 MB of 128,0 MB with 32 KiB clusters; with 64 KiB clusters they "
                              "would need 188,1 MB, more than the volume holds.");
  const std::string refused = PlanRestore(small, kFsFat32, 65536, 64 * kMiB).reason;  // with "They would fit on NTFS."
  EXPECT_EQ(line(64 * kMiB), "The files do not fit on the new volume: " + refused);
}

// The first item past a limit is named, which pins the edge. FAT's top folder holds 512 entries: 4 for the label
// and the System Volume Information folder, 1 for a short name, 3 for these long ones. The checks run in order:
// names, file size, folder entries, room. Of two names that differ only in letter case, the later is named.
TEST(RestoreFitTest, EachRuleRefusesAtItsEdgeNamingTheFirstItemAtFault) {
  const std::string upper = "D\\Readme \xC3\x84\xD0\xAF\xC4\x9E\xC4\xB9\xC5\xB8\xCE\xA3\xCE\xA3";  // Ä Я Ğ Ĺ Ÿ ΣΣ
  const std::string lower = "D\\README \xC3\xA4\xD1\x8F\xC4\x9F\xC4\xBA\xC3\xBF\xCF\x83\xCF\x82";  // ä я ğ ĺ ÿ σς
  const struct Case { RestoreContent in; int fs; FitProblem problem; std::string named = {}, reason = {}; } cases[] = {
      {Sized(4 * kGiB - 1), kFsFat32, None}, {Sized(2 * kGiB - 1), kFsFat, None}, {Sized(5 * kGiB), kFsNtfs, None},
      {Sized(4 * kGiB, 4 * kGiB), kFsFat32, FileTooLarge, "V\\big", "FAT32 holds no file of 4 GB or more. NTFS or"},
      {Sized(2 * kGiB), kFsFat, FileTooLarge, "V\\big", "FAT32, NTFS or exFAT hold files over 2 GB."},
      {Files({"F"}, 509, ".TXT"), kFsFat, TopFolderFull, "F1508.TXT", "The top folder would need more than 512"},
      {Files({"long-name-"}, 170), kFsFat, TopFolderFull, "long-name-1169", "They would fit on exFAT."},
      {Files({"F"}, 509, ".TXT\\"), kFsFat, TopFolderFull, "F1508.TXT\\"}, {Files({"long-name-"}, 600), kFsFat32, None},
      {Files({"M\\F"}, 65535, ".TXT"), kFsFat32, FolderFull, "M\\F66534.TXT", "M\\ would need more than 65536"},
      {Files({"ok", "Music\\b*d", "x?"}, 0, "", Sized(5 * kGiB)), kFsFat, BadName, "Music\\b*d", "the character *"},
      {Files({"long-name-"}, 600, "", Sized(5 * kGiB)), kFsFat, FileTooLarge, "V\\big", "exFAT hold files over 4 GB"},
      {Files({"long-name-"}, 600, "", Sized(2 * kGiB - 1, 2 * kGiB - 1)), kFsFat, TopFolderFull, "long-name-1168"},
      {Files({"a\"b"}), kFsFat32, BadName, "a\"b"}, {Files({"M\\tab\there"}), kFsExfat, BadName, "M\\tab\there"},
      {Files({"x<y>z|"}), kFsNtfs, BadName, "x<y>z|"}, {Files({"Fo:1\\in"}), kFsFat, BadName, "Fo:1\\"},
      {Files({"a\\\\b"}), kFsFat32, BadName, "a\\\\", "empty name"}, {Files({"?"}), kFsExfat, BadName, "?"},
      {Files({n256.substr(2) + kEmoji}), kFsNtfs, BadName, n256.substr(2) + kEmoji},  // 256 UTF-16 units
      {Files({upper, lower}), kFsFat, CaseClash, lower, "and " + upper + " differ only in letter case"},
      {Files({"P\\", "p\\a"}), kFsNtfs, CaseClash, "p\\"}, {Files({"R\\", "r"}), kFsFat32, CaseClash, "r"},
      {Files({"same\\", "same"}), kFsExfat, CaseClash, "same", "same is both a file and a folder; exFAT cannot"},
      {Files({"A\\x", "B\\X", "Stra\xC3\x9F" "e", "STRASSE", "\xC3\xB7", "\xC3\x97", "\xC4\xB1", "I", "D\\", "D\\",
              "2", "2", ".hidden", "#[]{}+,;=.txt", n256.substr(3) + kEmoji}), kFsFat32, None}};
  for (const Case& c : cases) {
    const RestoreFit fit = PlanRestore(c.in, c.fs, 65536, 16 * kGiB);
    const bool solvable = c.problem == FileTooLarge || c.problem == TopFolderFull || c.problem == FolderFull;
    EXPECT_TRUE(fit.problem == c.problem && fit.offendingPath == c.named && Has(fit.reason, c.reason) &&
                fit.suggestedFileSystem == (solvable ? kFsExfat : kNoFileSystem) && fit.dataBytes > 0)
        << c.named << " on " << kFs[c.fs] << ": " << fit.offendingPath << ": " << fit.reason;
  }
  for (const auto& [fs, cluster] : {std::pair<int, uint32_t>{4, 65536}, {-1, 65536}, {2, 0}, {2, 3000}, {2, 131072}})
    EXPECT_EQ(PlanRestore(Files({"a"}), fs, cluster, kGiB).problem, Unsupported) << fs << " " << cluster;
}

}  // namespace
}  // namespace sw
