// The restore plan's rules. Every allowance errs on the side of "does not
// fit": a refusal costs the user a different choice, an under-estimate costs
// a restore that runs out of room after the stick was erased.
#include "app/restore_fit.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <string_view>

#include "app/restore_layout.h"
#include "app/restore_names.h"
#include "app/speedup_rules.h"
#include "platform/locale.h"

namespace sw {
namespace {

using restore_layout::Item;
using restore_layout::Layout;

constexpr uint64_t kKiB = 1024;
constexpr uint64_t kMiB = 1024 * kKiB;
constexpr uint64_t kGiB = 1024 * kMiB;
constexpr uint64_t kSector = 512;
constexpr uint64_t kEntryBytes = 32;  // one FAT or exFAT folder entry

// Every new writable volume gets a "System Volume Information" folder with
// two small files from Windows: its clusters, plus one to spare.
constexpr uint64_t kSystemFolderClusters = 4;
const std::string_view kSystemFolderName = "System Volume Information";
// Windows aligns the data area after the tables; one cluster covers it.
constexpr uint64_t kAlignmentClusters = 1;

struct FsRules {
  const char* name;       // as the user reads it
  uint64_t maxFileSize;   // largest file the file system stores
  uint64_t maxClusters;   // most clusters it addresses
  uint64_t topEntries;    // FAT: entries of the fixed top folder; 0 when the top folder grows
  uint64_t folderEntries; // FAT, FAT32: most entries in one folder, the dot entries included; 0 no limit checked
};

const FsRules* RulesOf(int fileSystemIndex) {
  static const FsRules kNtfs{"NTFS", std::numeric_limits<uint64_t>::max(), 0xFFFFFFFFull, 0, 0};
  static const FsRules kFat{"FAT", 2 * kGiB - 1, 65524, 512, 65536};
  static const FsRules kFat32{"FAT32", 4 * kGiB - 1, 0x0FFFFFF5, 0, 65536};
  static const FsRules kExfat{"exFAT", std::numeric_limits<uint64_t>::max(), 0xFFFFFFF5ull, 0, 0};
  switch (fileSystemIndex) {
    case kFsNtfs: return &kNtfs;
    case kFsFat: return &kFat;
    case kFsFat32: return &kFat32;
    case kFsExfat: return &kExfat;
    default: return nullptr;
  }
}

bool IsFatFamily(int fs) { return fs == kFsFat || fs == kFsFat32; }

uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return a > UINT64_MAX - b ? UINT64_MAX : a + b; }
uint64_t SaturatingMul(uint64_t a, uint64_t b) { return b != 0 && a > UINT64_MAX / b ? UINT64_MAX : a * b; }
uint64_t CeilDiv(uint64_t value, uint64_t divisor) { return value / divisor + (value % divisor != 0 ? 1 : 0); }
uint64_t RoundUp(uint64_t value, uint64_t unit) { return SaturatingMul(CeilDiv(value, unit), unit); }

std::string ClusterText(uint32_t clusterSize) {
  return clusterSize >= kKiB && clusterSize % kKiB == 0 ? std::to_string(clusterSize / kKiB) + " KiB"
                                                        : std::to_string(clusterSize) + " bytes";
}

// --- The file system's own structures --------------------------------------
//
// FAT, FAT32: 32 reserved sectors (boot sector, FSInfo and their backups),
//   two FATs of 2 (FAT) or 4 (FAT32) bytes per cluster, FAT's fixed top
//   folder of 512 entries, the alignment of the data area.
// exFAT: 4 MiB for the boot regions and the alignment of FAT and cluster
//   heap that Windows chooses for flash media, one FAT of 4 bytes per
//   cluster, the allocation bitmap and the full (uncompressed) upcase table.
// NTFS: the log file (Windows sizes it with the volume: a few MiB on small
//   volumes, 64 MiB from a few GiB on; here volume/32 within 4 to 64 MiB),
//   the cluster bitmap, and 16 MiB for the other metadata files (boot,
//   MFT mirror, upcase table, security, $Extend and the transaction log).
//   The MFT's records are counted with the files (NtfsRecordBytes).
// Every file system: the System Volume Information folder.
uint64_t StructureAllowance(int fs, uint64_t cluster, uint64_t volumeBytes) {
  const uint64_t clusters = volumeBytes / cluster;  // more than the data area can hold
  const uint64_t common = (kSystemFolderClusters + kAlignmentClusters) * cluster;
  switch (fs) {
    case kFsFat:
      return 32 * kSector + 2 * RoundUp((clusters + 2) * 2, kSector) + 512 * kEntryBytes + common;
    case kFsFat32:
      return 32 * kSector + 2 * RoundUp((clusters + 2) * 4, kSector) + common;
    case kFsExfat:
      return 4 * kMiB + RoundUp((clusters + 2) * 4, cluster) + RoundUp(CeilDiv(clusters, 8), cluster) +
             RoundUp(128 * kKiB, cluster) + common;
    default:
      return std::clamp(volumeBytes / 32, 4 * kMiB, 64 * kMiB) + RoundUp(CeilDiv(clusters, 8), cluster) +
             16 * kMiB + common;
  }
}

// --- What each file and folder takes ---------------------------------------
//
// Files are rounded up to the cluster; a 0-byte file takes none. On NTFS a
// file whose data fits in its 1 KiB file record beside the record header,
// the standard information, its long and short name and the data header is
// stored there and takes no cluster either.
constexpr uint64_t kNtfsRecordBytes = 1024;
constexpr uint64_t kNtfsSystemRecords = 64;  // the metadata files' records and the reserved ones

uint64_t Align8(uint64_t value) { return (value + 7) & ~uint64_t{7}; }

uint64_t NtfsNameAttributeBytes(size_t units) { return Align8(24 + 66 + 2 * units); }

bool NtfsResident(const Item& file) {
  if (file.size > kNtfsRecordBytes) return false;
  constexpr uint64_t kFixed = 56 + 96 + 24 + 8;  // header, standard information, data header, end mark
  const uint64_t names = NtfsNameAttributeBytes(file.units) + (file.shortName ? 0 : NtfsNameAttributeBytes(12));
  return kFixed + names + Align8(file.size) <= kNtfsRecordBytes;
}

uint64_t FileBytes(int fs, uint64_t cluster, const Item& file) {
  if (file.size == 0 || (fs == kFsNtfs && NtfsResident(file))) return 0;
  return RoundUp(file.size, cluster);
}

// Folders: FAT and FAT32 keep their entries (long names in 13-character
// pieces, "." and ".."), exFAT its entry sets, in clusters; a folder takes at
// least one. FAT's top folder is the fixed area above; FAT32's and exFAT's
// top folder also hold the label, exFAT's the bitmap and upcase entries, and
// every top folder the System Volume Information folder. An NTFS folder
// keeps a small index in its file record; a larger one in 4 KiB index
// blocks that a B-tree may leave half empty, so twice its entries.
constexpr uint64_t kNtfsResidentIndexBytes = 384;
constexpr uint64_t kNtfsIndexBlockBytes = 4096;
// The metadata files' entries in the NTFS top folder.
constexpr uint64_t kNtfsTopIndexBytes = 13 * 104;

// FAT entries the top folder holds before any file: the label and the
// System Volume Information folder.
uint64_t FatTopReservedEntries() { return 1 + restore_names::FatEntries(kSystemFolderName); }

// What an item's name takes in its folder's entries or index.
uint64_t NameEntryBytes(int fs, const Item& item) {
  switch (fs) {
    case kFsFat:
    case kFsFat32:
      return item.fatEntries * kEntryBytes;
    case kFsExfat:
      return item.exfatEntries * kEntryBytes;
    default:  // the index entry with the long name, and one with the short name
      return Align8(16 + 66 + 2 * item.units) + (item.shortName ? 0 : Align8(16 + 66 + 2 * 12));
  }
}

uint64_t FolderBytes(int fs, uint64_t cluster, uint64_t childBytes, bool top) {
  switch (fs) {
    case kFsFat:
    case kFsFat32: {
      if (top && fs == kFsFat) return 0;
      const uint64_t reserved = top ? FatTopReservedEntries() : 2;  // "." and ".." below the top
      return RoundUp(SaturatingAdd(childBytes, reserved * kEntryBytes), cluster);
    }
    case kFsExfat: {
      const uint64_t reserved = top ? 3 + restore_names::ExfatEntries(kSystemFolderName) : 0;
      return RoundUp(std::max(kEntryBytes, SaturatingAdd(childBytes, reserved * kEntryBytes)), cluster);
    }
    default: {
      const uint64_t index = SaturatingAdd(childBytes, top ? kNtfsTopIndexBytes : 0);
      if (index <= kNtfsResidentIndexBytes) return 0;
      return RoundUp(RoundUp(SaturatingMul(index, 2), kNtfsIndexBlockBytes), cluster);
    }
  }
}

uint64_t NtfsRecordBytes(uint64_t cluster, size_t items) {
  return RoundUp(SaturatingMul(items + kNtfsSystemRecords, kNtfsRecordBytes), cluster);
}

// --- The checks ---------------------------------------------------------------

std::string Shown(const Item& item) { return item.folder ? item.path + "\\" : item.path; }

RestoreFit Refusal(FitProblem problem, const Item* offender, std::string reason) {
  RestoreFit fit;
  fit.problem = problem;
  if (offender != nullptr) fit.offendingPath = Shown(*offender);
  fit.reason = std::move(reason);
  return fit;
}

std::optional<RestoreFit> CheckNames(const Layout& layout, const FsRules& rules) {
  for (const Item& item : layout.items) {
    const std::string why = restore_names::NameProblem(item.Name(), rules.name);
    if (!why.empty()) return Refusal(FitProblem::BadName, &item, Shown(item) + " " + why + ".");
  }
  if (const auto clash = layout.FirstCaseClash()) {
    const Item& first = layout.items[clash->first];
    const Item& second = layout.items[clash->second];
    const std::string why = first.path == second.path
                                ? " is both a file and a folder; "
                                : " and " + Shown(first) + " differ only in letter case; ";
    return Refusal(FitProblem::CaseClash, &second,
                   Shown(second) + why + rules.name + " cannot hold both in one folder.");
  }
  return std::nullopt;
}

std::optional<RestoreFit> CheckFileSizes(const Layout& layout, const FsRules& rules) {
  for (const Item& item : layout.items) {
    if (item.folder || item.size <= rules.maxFileSize) continue;
    const uint64_t limitGb = (rules.maxFileSize + 1) / kGiB;
    const std::string others = item.size >= 4 * kGiB ? "NTFS or exFAT hold files over 4 GB."
                                                      : "FAT32, NTFS or exFAT hold files over 2 GB.";
    return Refusal(FitProblem::FileTooLarge, &item,
                   Shown(item) + " is " + FormatSize(item.size) + "; " + rules.name + " holds no file of " +
                       std::to_string(limitGb) + " GB or more. " + others);
  }
  return std::nullopt;
}

// FAT's fixed top folder, and the most entries any FAT folder may have. The
// first entry past the limit, in the order of the content, is named.
std::optional<RestoreFit> CheckFolderEntries(const Layout& layout, int fs, const FsRules& rules) {
  if (!IsFatFamily(fs)) return std::nullopt;
  const uint64_t reservedTop = FatTopReservedEntries();
  std::vector<uint64_t> used(layout.items.size(), 2);  // "." and ".."
  uint64_t usedTop = reservedTop;
  for (const Item& item : layout.items) {
    const bool top = item.parent == restore_layout::kTop;
    uint64_t& count = top ? usedTop : used[item.parent];
    count += item.fatEntries;
    if (top && rules.topEntries != 0 && count > rules.topEntries)
      return Refusal(FitProblem::TopFolderFull, &item,
                     "The top folder would need more than " + std::to_string(rules.topEntries) +
                         " entries, all that " + rules.name +
                         " has there (a long name takes several, the label and the System Volume Information "
                         "folder take " + std::to_string(reservedTop) + "); " + Shown(item) +
                         " is the first that does not fit.");
    if (count > rules.folderEntries) {
      const std::string folder = top ? std::string("The top folder") : Shown(layout.items[item.parent]);
      return Refusal(FitProblem::FolderFull, &item,
                     folder + " would need more than " + std::to_string(rules.folderEntries) + " entries, all that " +
                         rules.name + " allows in one folder (a long name takes several); " + Shown(item) +
                         " is the first that does not fit.");
    }
  }
  return std::nullopt;
}

RestoreFit CheckRoom(const Layout& layout, int fs, const FsRules& rules, uint64_t cluster, uint64_t volumeBytes) {
  RestoreFit fit;
  fit.volumeBytes = volumeBytes;
  const uint64_t allowance = StructureAllowance(fs, cluster, volumeBytes);
  const uint64_t dataAreaClusters = (kSystemFolderClusters + kAlignmentClusters);
  uint64_t usable = volumeBytes > allowance ? (volumeBytes - allowance) / cluster : 0;
  usable = std::min(usable, rules.maxClusters - dataAreaClusters);
  fit.structureBytes = volumeBytes - usable * cluster;

  // What each folder's children take in it; the top folder last.
  std::vector<uint64_t> childBytes(layout.items.size() + 1, 0);
  for (const Item& item : layout.items) {
    uint64_t& sum = childBytes[item.parent == restore_layout::kTop ? layout.items.size() : item.parent];
    sum = SaturatingAdd(sum, NameEntryBytes(fs, item));
  }
  uint64_t data = FolderBytes(fs, cluster, childBytes.back(), true);
  for (size_t i = 0; i < layout.items.size(); ++i) {
    const Item& item = layout.items[i];
    const uint64_t bytes = item.folder ? FolderBytes(fs, cluster, childBytes[i], false) : FileBytes(fs, cluster, item);
    data = SaturatingAdd(data, bytes);
  }
  if (fs == kFsNtfs) data = SaturatingAdd(data, NtfsRecordBytes(cluster, layout.items.size()));
  fit.dataBytes = data;

  fit.fits = data <= fit.AvailableBytes();
  if (!fit.fits) {
    fit.problem = FitProblem::NoRoom;
    fit.shortfallBytes = data - fit.AvailableBytes();
    fit.reason = "The files need " + FormatSize(data) + ", but the new " + rules.name + " volume has room for " +
                 FormatSize(fit.AvailableBytes()) + " with " + ClusterText(static_cast<uint32_t>(cluster)) +
                 " clusters: " + FormatSize(fit.shortfallBytes) + " (" + std::to_string(fit.shortfallBytes) +
                 " bytes) short.";
  }
  return fit;
}

bool IsValidClusterSize(uint32_t size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }

// The plan without a suggestion.
RestoreFit Evaluate(const Layout& layout, int fs, uint32_t clusterSize, uint64_t volumeBytes) {
  const FsRules* rules = RulesOf(fs);
  if (rules == nullptr || !IsValidClusterSize(clusterSize)) {
    RestoreFit unsupported =
        Refusal(FitProblem::Unsupported, nullptr,
                "No plan for file system " + std::to_string(fs) + " with " + ClusterText(clusterSize) + " clusters.");
    unsupported.volumeBytes = volumeBytes;
    unsupported.structureBytes = volumeBytes;
    return unsupported;
  }
  std::optional<RestoreFit> refusal = CheckNames(layout, *rules);
  if (!refusal) refusal = CheckFileSizes(layout, *rules);
  if (!refusal) refusal = CheckFolderEntries(layout, fs, *rules);
  RestoreFit room = CheckRoom(layout, fs, *rules, clusterSize, volumeBytes);
  if (!refusal) return room;
  // A refusal still tells how much the files would need.
  refusal->volumeBytes = room.volumeBytes;
  refusal->dataBytes = room.dataBytes;
  refusal->structureBytes = room.structureBytes;
  return *refusal;
}

// Another file system that holds the files, for the problems one can solve;
// names and letter case are the same on every target.
void Suggest(RestoreFit& fit, const Layout& layout, int fs, uint32_t clusterSize) {
  if (fit.fits || fit.problem == FitProblem::BadName || fit.problem == FitProblem::CaseClash ||
      fit.problem == FitProblem::Unsupported)
    return;
  for (const int other : {kFsExfat, kFsNtfs, kFsFat32}) {
    if (other == fs || !Evaluate(layout, other, clusterSize, fit.volumeBytes).fits) continue;
    fit.suggestedFileSystem = other;
    if (fit.problem != FitProblem::FileTooLarge)
      fit.reason += std::string(" They would fit on ") + RulesOf(other)->name + ".";
    return;
  }
}

}  // namespace

RestoreFit PlanRestore(const RestoreContent& content, int fileSystemIndex, uint32_t clusterSize,
                       uint64_t volumeBytes) {
  const Layout layout(content);
  RestoreFit fit = Evaluate(layout, fileSystemIndex, clusterSize, volumeBytes);
  Suggest(fit, layout, fileSystemIndex, clusterSize);
  return fit;
}

ClusterChoice ChooseClusterSize(const RestoreContent& content, int fileSystemIndex, uint64_t volumeBytes) {
  const Layout layout(content);
  ClusterChoice choice;
  choice.fit = Evaluate(layout, fileSystemIndex, 65536, volumeBytes);
  choice.neededWith64K = choice.fit.NeededBytes();
  if (choice.fit.fits) {
    choice.clusterSize = 65536;
    return choice;
  }
  if (choice.fit.problem == FitProblem::NoRoom) {
    RestoreFit smaller = Evaluate(layout, fileSystemIndex, 32768, volumeBytes);
    if (smaller.fits) {
      choice.clusterSize = 32768;
      choice.fit = smaller;
      return choice;
    }
  }
  Suggest(choice.fit, layout, fileSystemIndex, 65536);
  return choice;
}

std::string ClusterChoiceLine(const ClusterChoice& choice, const std::string& decimalSeparator) {
  if (choice.clusterSize == 0) return "The files do not fit on the new volume: " + choice.fit.reason;
  std::string line = "The files need " + FormatSize(choice.fit.NeededBytes(), decimalSeparator) + " of " +
                     FormatSize(choice.fit.volumeBytes, decimalSeparator) + " with " +
                     ClusterText(choice.clusterSize) + " clusters";
  if (choice.clusterSize != 65536)
    line += "; with 64 KiB clusters they would need " + FormatSize(choice.neededWith64K, decimalSeparator) +
            ", more than the volume holds";
  return line + ".";
}

}  // namespace sw
