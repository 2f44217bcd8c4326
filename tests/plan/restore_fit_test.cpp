// The restore plan at its edges: a volume filled exactly and one cluster
// over, the file size limits of FAT and FAT32, FAT's top folder, the 32 KiB
// fallback, names the target cannot hold and names that clash in case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/restore_fit.h"
#include "app/speedup_rules.h"

namespace sw {
namespace {

constexpr uint64_t kKiB = 1024, kMiB = 1024 * kKiB, kGiB = 1024 * kMiB;

const char* NameOf(int fs) {
  static const char* const kNames[] = {"NTFS", "FAT", "FAT32", "exFAT"};
  return kNames[fs];
}

RestoreContent Files(std::vector<RestoreFile> files, std::vector<std::string> folders = {}) {
  return RestoreContent{std::move(files), std::move(folders)};
}

// `count` files in the top folder named by `nameOf(i)`, of one byte each.
RestoreContent ManyFiles(size_t count, std::string (*nameOf)(size_t)) {
  RestoreContent content;
  for (size_t i = 0; i < count; ++i) content.files.push_back({nameOf(i), 1});
  return content;
}

const std::string kEmoji = "\xF0\x9F\x98\x80";  // two UTF-16 units

std::string LongName(size_t i) { return "long-name-" + std::to_string(1000 + i); }  // 14 units: 3 entries
std::string ShortName(size_t i) { return "F" + std::to_string(1000 + i) + ".TXT"; }  // 8.3: 1 entry

// --- Room ---------------------------------------------------------------------

struct VolumeCase {
  int fs;
  uint32_t cluster;
  uint64_t volume;
};

class RoomEdgeTest : public ::testing::TestWithParam<VolumeCase> {};

// One file grown until the volume is exactly full, then by one byte more:
// the first fits with nothing to spare, the second is one cluster short.
TEST_P(RoomEdgeTest, ExactlyFullFitsAndOneClusterOverDoesNot) {
  const auto [fs, cluster, volume] = GetParam();
  // With a file of one cluster, everything else is what the plan needs less that cluster.
  const RestoreFit probe = PlanRestore(Files({{"Docs\\fill.bin", cluster}}), fs, cluster, volume);
  ASSERT_TRUE(probe.fits) << probe.reason;
  const uint64_t fullSize = probe.AvailableBytes() - (probe.dataBytes - cluster);

  const RestoreFit full = PlanRestore(Files({{"Docs\\fill.bin", fullSize}}), fs, cluster, volume);
  EXPECT_TRUE(full.fits) << full.reason;
  EXPECT_EQ(full.NeededBytes(), volume);
  EXPECT_EQ(full.reason, "");

  const RestoreFit over = PlanRestore(Files({{"Docs\\fill.bin", fullSize + 1}}), fs, cluster, volume);
  EXPECT_FALSE(over.fits);
  EXPECT_EQ(over.problem, FitProblem::NoRoom);
  EXPECT_EQ(over.shortfallBytes, cluster);
  EXPECT_NE(over.reason.find(std::string("new ") + NameOf(fs) + " volume"), std::string::npos) << over.reason;
  EXPECT_NE(over.reason.find("(" + std::to_string(cluster) + " bytes) short"), std::string::npos) << over.reason;
}

INSTANTIATE_TEST_SUITE_P(EveryFileSystem, RoomEdgeTest,
                         ::testing::Values(VolumeCase{kFsNtfs, 65536, 1 * kGiB}, VolumeCase{kFsNtfs, 32768, 3 * kGiB},
                                           VolumeCase{kFsFat, 65536, 1 * kGiB}, VolumeCase{kFsFat, 32768, kGiB},
                                           VolumeCase{kFsFat32, 65536, 1 * kGiB + 12345},
                                           VolumeCase{kFsFat32, 32768, 3 * kGiB + 777},
                                           VolumeCase{kFsExfat, 65536, 1 * kGiB}, VolumeCase{kFsExfat, 32768, kGiB}));

// The file system's own structures against what Windows really takes on a
// new volume: never less, and not wildly more.
TEST(RestoreFitTest, StructureAllowanceIsAboveTheRealFiguresButNotFarAbove) {
  struct Case {
    int fs;
    uint32_t cluster;
    uint64_t volume, atLeast, atMost;
  };
  const Case cases[] = {
      {kFsFat32, 65536, 8 * kGiB, 1 * kMiB + 16 * kKiB, 3 * kMiB},  // two FATs of 512 KiB
      {kFsFat32, 32768, 8 * kGiB, 2 * kMiB + 16 * kKiB, 4 * kMiB},
      {kFsFat, 32768, 2 * kGiB, 256 * kKiB + 16 * kKiB, 1 * kMiB},  // two FATs of 128 KiB and the top folder
      {kFsExfat, 65536, 8 * kGiB, 512 * kKiB + 64 * kKiB, 8 * kMiB},
      {kFsNtfs, 65536, 8 * kGiB, 64 * kMiB + 16 * kKiB, 100 * kMiB},  // a 64 MiB log file
      {kFsNtfs, 4096, 256 * kMiB, 4 * kMiB, 40 * kMiB},
  };
  for (const Case& c : cases) {
    const RestoreFit fit = PlanRestore({}, c.fs, c.cluster, c.volume);
    EXPECT_GE(fit.structureBytes, c.atLeast) << NameOf(c.fs) << " " << c.volume;
    EXPECT_LE(fit.structureBytes, c.atMost) << NameOf(c.fs) << " " << c.volume;
    EXPECT_TRUE(fit.fits);
  }
  // FAT addresses at most 65524 clusters, whatever the volume.
  EXPECT_LE(PlanRestore({}, kFsFat, 32768, 8 * kGiB).AvailableBytes(), 65524ull * 32768);
}

// What one file of a given size takes: the difference to an empty file of
// the same name, which takes no cluster on any file system.
TEST(RestoreFitTest, FilesAreRoundedUpToTheClusterAndSmallNtfsFilesLiveInTheirRecord) {
  struct Case {
    int fs;
    uint32_t cluster;
    uint64_t size, takes;
  };
  const Case cases[] = {
      {kFsFat32, 65536, 1, 65536},      {kFsFat32, 65536, 65536, 65536}, {kFsFat32, 65536, 65537, 131072},
      {kFsFat, 32768, 32769, 65536},    {kFsExfat, 32768, 1, 32768},     {kFsExfat, 65536, 10 * kMiB, 10 * kMiB},
      {kFsNtfs, 65536, 100, 0},         {kFsNtfs, 65536, 600, 0},        {kFsNtfs, 65536, 900, 65536},
      {kFsNtfs, 32768, 40000, 65536},
  };
  for (const Case& c : cases) {
    const RestoreFit empty = PlanRestore(Files({{"Data\\file.dat", 0}}), c.fs, c.cluster, kGiB);
    const RestoreFit sized = PlanRestore(Files({{"Data\\file.dat", c.size}}), c.fs, c.cluster, kGiB);
    EXPECT_EQ(sized.dataBytes - empty.dataBytes, c.takes) << NameOf(c.fs) << " " << c.size;
  }
}

TEST(RestoreFitTest, EveryFolderTakesAClusterOnTheFatFamilyAndExfat) {
  for (const int fs : {kFsFat, kFsFat32, kFsExfat}) {
    const uint64_t none = PlanRestore({}, fs, 65536, kGiB).dataBytes;
    const uint64_t three = PlanRestore(Files({}, {"A\\", "A\\B\\", "C\\"}), fs, 65536, kGiB).dataBytes;
    EXPECT_EQ(three - none, 3 * 65536u) << NameOf(fs);
  }
  // A folder with more entries than one cluster holds takes more: 1000 long
  // names of 3 entries and the two dot entries fill three 32 KiB clusters.
  RestoreContent crowded = ManyFiles(1000, LongName);
  for (RestoreFile& file : crowded.files) file.path = "Crowded\\" + file.path;
  const uint64_t folderAndFiles = PlanRestore(crowded, kFsFat32, 32768, kGiB).dataBytes -
                                  PlanRestore({}, kFsFat32, 32768, kGiB).dataBytes;
  EXPECT_EQ(folderAndFiles, (1000 + 3) * 32768u);
}

// --- File size limits -------------------------------------------------------------

TEST(RestoreFitTest, Fat32HoldsNoFileOfFourGibAndFatNoneOfTwoGib) {
  struct Case {
    int fs;
    uint64_t size;
    bool fits;
    const char* advice;
  };
  const Case cases[] = {
      {kFsFat32, 4 * kGiB - 1, true, ""},
      {kFsFat32, 4 * kGiB, false, "NTFS or exFAT hold files over 4 GB."},
      {kFsFat, 2 * kGiB - 1, true, ""},
      {kFsFat, 2 * kGiB, false, "FAT32, NTFS or exFAT hold files over 2 GB."},
      {kFsFat, 5 * kGiB, false, "NTFS or exFAT hold files over 4 GB."},
      {kFsExfat, 5 * kGiB, true, ""},
      {kFsNtfs, 5 * kGiB, true, ""},
  };
  for (const Case& c : cases) {
    const RestoreContent content = Files({{"small.txt", 10}, {"Video\\big.mkv", c.size}, {"Video\\bigger.mkv", c.size}});
    const RestoreFit fit = PlanRestore(content, c.fs, 65536, 16 * kGiB);
    // FAT's 65524 clusters of 64 KiB cannot take two such files: only the
    // size limit is asked of it here.
    if (c.fs == kFsFat && c.fits) {
      EXPECT_NE(fit.problem, FitProblem::FileTooLarge) << c.size;
      continue;
    }
    EXPECT_EQ(fit.fits, c.fits) << NameOf(c.fs) << " " << c.size << ": " << fit.reason;
    if (c.fits) continue;
    EXPECT_EQ(fit.problem, FitProblem::FileTooLarge);
    EXPECT_EQ(fit.offendingPath, "Video\\big.mkv");
    EXPECT_EQ(fit.reason.rfind("Video\\big.mkv is ", 0), 0u) << fit.reason;
    EXPECT_NE(fit.reason.find(c.advice), std::string::npos) << fit.reason;
    EXPECT_EQ(fit.suggestedFileSystem, kFsExfat);
  }
}

// --- FAT's top folder -----------------------------------------------------------------

// The top folder's 512 entries hold the label and the System Volume
// Information folder (1 + 3 entries) and then the files: 508 entries.
TEST(RestoreFitTest, FatTopFolderHoldsFiveHundredTwelveEntriesCountingLongNames) {
  struct Case {
    size_t count;
    std::string (*nameOf)(size_t);
    bool fits;
  };
  const Case cases[] = {
      {508, ShortName, true}, {509, ShortName, false}, {169, LongName, true}, {170, LongName, false},
  };
  for (const Case& c : cases) {
    const RestoreFit fit = PlanRestore(ManyFiles(c.count, c.nameOf), kFsFat, 32768, kGiB);
    EXPECT_EQ(fit.fits, c.fits) << c.count << " " << c.nameOf(0) << ": " << fit.reason;
    if (c.fits) continue;
    EXPECT_EQ(fit.problem, FitProblem::TopFolderFull);
    EXPECT_EQ(fit.offendingPath, c.nameOf(c.count - 1));
    EXPECT_NE(fit.reason.find("512"), std::string::npos) << fit.reason;
    EXPECT_EQ(fit.suggestedFileSystem, kFsExfat);
  }
  // Folders count like files; what lies inside them does not.
  RestoreContent nested = ManyFiles(600, LongName);
  for (RestoreFile& file : nested.files) file.path = "Inside\\" + file.path;
  EXPECT_TRUE(PlanRestore(nested, kFsFat, 32768, kGiB).fits);
  RestoreContent folders;
  for (size_t i = 0; i < 509; ++i) folders.folders.push_back(ShortName(i) + "\\");
  EXPECT_EQ(PlanRestore(folders, kFsFat, 32768, 2 * kGiB).problem, FitProblem::TopFolderFull);
  // FAT32's top folder grows like any other.
  EXPECT_TRUE(PlanRestore(ManyFiles(600, LongName), kFsFat32, 32768, kGiB).fits);
}

// A FAT32 folder holds at most 65536 entries, "." and ".." among them.
TEST(RestoreFitTest, AFat32FolderHoldsAtMost65536Entries) {
  for (const auto& [count, fits] : {std::pair<size_t, bool>{65534, true}, std::pair<size_t, bool>{65535, false}}) {
    RestoreContent content;
    for (size_t i = 0; i < count; ++i) content.files.push_back({"Many\\F" + std::to_string(100000 + i) + ".TXT", 0});
    const RestoreFit fit = PlanRestore(content, kFsFat32, 32768, 4 * kGiB);
    EXPECT_EQ(fit.fits, fits) << count << ": " << fit.reason;
    if (fits) continue;
    EXPECT_EQ(fit.problem, FitProblem::FolderFull);
    EXPECT_EQ(fit.offendingPath, content.files.back().path);
    EXPECT_EQ(fit.reason.rfind("Many\\ would need more than 65536 entries", 0), 0u) << fit.reason;
    EXPECT_EQ(fit.suggestedFileSystem, kFsExfat);
  }
}

// --- Names ------------------------------------------------------------------------------

TEST(RestoreFitTest, NamesTheTargetCannotHoldAreRefusedNamingTheFirst) {
  struct Case {
    RestoreContent content;
    const char* offending;
  };
  const Case cases[] = {
      {Files({{"ok.txt", 1}, {"Music\\what?.mp3", 1}, {"b*d.txt", 1}}), "Music\\what?.mp3"},
      {Files({{"a\"b.txt", 1}}), "a\"b.txt"},
      {Files({{"Music\\tab\there.mp3", 1}}), "Music\\tab\there.mp3"},
      {Files({{"x<y>z|.txt", 1}}), "x<y>z|.txt"},
      {Files({{"time 10:30.txt", 1}}), "time 10:30.txt"},
      {Files({{"Folder:1\\inside.txt", 1}}), "Folder:1\\"},  // the folder is met first
      {Files({{"a\\\\b.txt", 1}}), "a\\\\"},                   // an empty name between two separators
      {Files({{std::string(256, 'n') + ".txt", 1}}), nullptr},
      {Files({{std::string(254, 'n') + kEmoji, 1}}), nullptr},  // 256 UTF-16 units
  };
  for (const int fs : {kFsNtfs, kFsFat, kFsFat32, kFsExfat}) {
    for (const Case& c : cases) {
      const RestoreFit fit = PlanRestore(c.content, fs, 65536, kGiB);
      EXPECT_EQ(fit.problem, FitProblem::BadName) << NameOf(fs) << " " << c.content.files[0].path;
      if (c.offending != nullptr) {
        EXPECT_EQ(fit.offendingPath, c.offending);
      }
      EXPECT_EQ(fit.reason.rfind(fit.offendingPath + " ", 0), 0u) << fit.reason;
      EXPECT_EQ(fit.suggestedFileSystem, kNoFileSystem);
    }
  }
  const RestoreContent good = Files({{"Documents\\Notizen \xE2\x80\x93 M\xC3\xBCller.txt", 1}, {".hidden", 1},
                                     {"#[]{}+,;=.txt", 1}, {std::string(253, 'n') + kEmoji, 1}});
  EXPECT_TRUE(PlanRestore(good, kFsFat32, 65536, kGiB).fits);
}

TEST(RestoreFitTest, NamesThatDifferOnlyInCaseCannotShareAFolder) {
  struct Case {
    RestoreContent content;
    const char* offending;  // null: no clash
  };
  const Case cases[] = {
      {Files({{"Docs\\Readme.txt", 1}, {"Docs\\README.TXT", 2}}), "Docs\\README.TXT"},
      {Files({{"\xC3\x84rger.txt", 1}, {"\xC3\xA4rger.txt", 1}}), "\xC3\xA4rger.txt"},
      {Files({{"\xD0\xAF.txt", 1}, {"\xD1\x8F.txt", 1}}), "\xD1\x8F.txt"},                // Я я
      {Files({{"\xC4\x9E", 1}, {"\xC4\x9F", 1}}), "\xC4\x9F"},                            // Ğ ğ
      {Files({{"\xC4\xB9", 1}, {"\xC4\xBA", 1}}), "\xC4\xBA"},                            // Ĺ ĺ
      {Files({{"\xC5\xB8", 1}, {"\xC3\xBF", 1}}), "\xC3\xBF"},                            // Ÿ ÿ
      {Files({{"\xCE\xA3\xCE\xA3", 1}, {"\xCF\x83\xCF\x82", 1}}), "\xCF\x83\xCF\x82"},  // ΣΣ σς
      {Files({{"photos\\a.jpg", 1}}, {"Photos\\"}), "photos\\"},      // a folder only implied by a file
      {Files({{"report", 1}}, {"Report\\"}), "report"},               // a file and a folder
      {Files({{"same", 1}}, {"same\\"}), "same"},
      {Files({{"A\\x.txt", 1}, {"B\\X.txt", 1}}), nullptr},           // different folders
      {Files({{"Stra\xC3\x9F" "e", 1}, {"STRASSE", 1}}), nullptr},    // not the same letters
      {Files({{"\xC3\xB7", 1}, {"\xC3\x97", 1}, {"\xC4\xB1", 1}, {"I", 1}}), nullptr},  // ÷ ×, ı I
      {Files({{"twice.txt", 1}, {"twice.txt", 1}}, {"D\\", "D\\"}), nullptr},  // listed twice: one file
  };
  for (const Case& c : cases) {
    const RestoreFit fit = PlanRestore(c.content, kFsExfat, 65536, kGiB);
    if (c.offending == nullptr) {
      EXPECT_TRUE(fit.fits) << c.content.files[0].path << ": " << fit.reason;
      continue;
    }
    EXPECT_EQ(fit.problem, FitProblem::CaseClash) << c.offending;
    EXPECT_EQ(fit.offendingPath, c.offending);
    EXPECT_NE(fit.reason.find("exFAT cannot hold both"), std::string::npos) << fit.reason;
  }
}

// --- Cluster size choice and the log line -------------------------------------------

TEST(RestoreFitTest, The32KibFallbackIsChosenOnlyWhenOnlyItHoldsTheFiles) {
  // 3000 small files: about 188 MiB in 64 KiB clusters, 94 MiB in 32 KiB ones.
  const RestoreContent small = ManyFiles(3000, ShortName);
  RestoreContent withSub = small;
  for (RestoreFile& file : withSub.files) file.path = "Sub\\" + file.path;
  struct Case {
    uint64_t volume;
    uint32_t chosen;
  };
  for (const Case c : {Case{256 * kMiB, 65536}, Case{128 * kMiB, 32768}, Case{64 * kMiB, 0}}) {
    const ClusterChoice choice = ChooseClusterSize(withSub, kFsFat32, c.volume);
    EXPECT_EQ(choice.clusterSize, c.chosen) << c.volume;
    EXPECT_EQ(choice.fit.fits, c.chosen != 0);
    EXPECT_EQ(choice.neededWith64K, PlanRestore(withSub, kFsFat32, 65536, c.volume).NeededBytes());
    if (c.chosen == 0) {
      // The refusal is the 64 KiB plan's, with its shortfall.
      const RestoreFit with64K = PlanRestore(withSub, kFsFat32, 65536, c.volume);
      EXPECT_EQ(choice.fit.problem, FitProblem::NoRoom);
      EXPECT_EQ(choice.fit.shortfallBytes, with64K.shortfallBytes);
      EXPECT_EQ(ClusterChoiceLine(choice), "The files do not fit on the new volume: " + with64K.reason);
    }
  }
  // A file FAT32 cannot hold is not helped by smaller clusters.
  const ClusterChoice big = ChooseClusterSize(Files({{"disk.img", 4 * kGiB}}), kFsFat32, 64 * kGiB);
  EXPECT_EQ(big.clusterSize, 0u);
  EXPECT_EQ(big.fit.problem, FitProblem::FileTooLarge);
}

TEST(RestoreFitTest, SizesAndThePlannedUseReadInUnitsOf1024WithOneDecimal) {
  const std::pair<uint64_t, const char*> sizes[] = {
      {0, "0 bytes"},          {1023, "1023 bytes"},           {1024, "1.0 KB"},
      {1536, "1.5 KB"},        {10 * kMiB - 1, "10.0 MB"},     {3 * kGiB + kGiB / 10, "3.1 GB"},
      {kGiB - 1, "1024.0 MB"}, {~uint64_t{0}, "17179869184.0 GB"},
  };
  for (const auto& [bytes, text] : sizes) EXPECT_EQ(FormatSize(bytes), text) << bytes;
  EXPECT_EQ(FormatSize(1536, ","), "1,5 KB");

  ClusterChoice choice;
  choice.clusterSize = 65536;
  choice.fit.fits = true;
  choice.fit.volumeBytes = 7 * kGiB + 4 * kGiB / 10;
  choice.fit.structureBytes = 2 * kMiB;
  choice.fit.dataBytes = 3 * kGiB + kGiB / 10 - 2 * kMiB;
  EXPECT_EQ(ClusterChoiceLine(choice), "The files need 3.1 GB of 7.4 GB with 64 KiB clusters.");
  choice.clusterSize = 32768;
  choice.neededWith64K = 7 * kGiB + 6 * kGiB / 10;
  EXPECT_EQ(ClusterChoiceLine(choice, ","),
            "The files need 3,1 GB of 7,4 GB with 32 KiB clusters; with 64 KiB clusters they would need 7,6 GB, more "
            "than the volume holds.");
}

TEST(RestoreFitTest, ChecksRunInOrderNamesThenSizeThenEntriesThenRoom) {
  // A tiny volume that could hold none of it still reports the name first.
  RestoreContent content = ManyFiles(600, LongName);
  content.files.push_back({"huge?.bin", 5 * kGiB});
  EXPECT_EQ(PlanRestore(content, kFsFat, 65536, kMiB).problem, FitProblem::BadName);
  content.files.back().path = "huge.bin";
  EXPECT_EQ(PlanRestore(content, kFsFat, 65536, kMiB).problem, FitProblem::FileTooLarge);
  content.files.back().size = 1;
  EXPECT_EQ(PlanRestore(content, kFsFat, 65536, kMiB).problem, FitProblem::TopFolderFull);
  EXPECT_EQ(PlanRestore(content, kFsFat32, 65536, kMiB).problem, FitProblem::NoRoom);
  // A refusal still says what the files would need.
  EXPECT_GT(PlanRestore(content, kFsFat, 65536, kMiB).dataBytes, 600 * 65536u);
}

TEST(RestoreFitTest, UnknownFileSystemOrClusterSizeIsRefusedNotGuessed) {
  for (const auto& [fs, cluster] : {std::pair{4, 65536u}, std::pair{-1, 65536u}, std::pair{2, 0u},
                                    std::pair{2, 3000u}, std::pair{2, 131072u}}) {
    const RestoreFit fit = PlanRestore(Files({{"a.txt", 1}}), fs, cluster, kGiB);
    EXPECT_FALSE(fit.fits) << fs << " " << cluster;
    EXPECT_EQ(fit.problem, FitProblem::Unsupported);
  }
}

}  // namespace
}  // namespace sw
