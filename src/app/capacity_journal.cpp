#include "app/capacity_journal.h"

#include <windows.h>

#include "app/fmtmain.h"
#include "app/run_context.h"
#include "capacity/probe_journal.h"
#include "platform/block_device.h"
#include "platform/raw_disks.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "platform/win_error.h"

namespace sw {
namespace {

constexpr char kListValue[] = "CapacityJournals";  // the journals not yet put back, one path a line

std::vector<std::string> ListedJournals() {
  std::vector<std::string> paths;
  UniqueRegKey key = registry::OpenForReading(HKEY_CURRENT_USER, kSettingsKey);
  if (!key || !registry::ValueExists(key.Get(), kListValue)) return paths;
  const std::string text = registry::ReadString(key.Get(), kListValue);
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (end > start) paths.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return paths;
}

bool ListJournals(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) text += path + "\n";
  UniqueRegKey key = registry::OpenOrCreate(HKEY_CURRENT_USER, kSettingsKey);
  if (!key) return false;
  registry::WriteString(key.Get(), kListValue, text);
  return true;
}

bool WriteAll(HANDLE file, const std::string& bytes, std::string& why) {
  for (std::size_t at = 0; at < bytes.size();) {
    const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 24));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + at, piece, &written, nullptr) || written == 0) {
      why = SystemErrorText(GetLastError());
      return false;
    }
    at += written;
  }
  if (FlushFileBuffers(file)) return true;
  why = SystemErrorText(GetLastError());
  return false;
}

bool ReadWholeFile(const std::string& path, std::string& bytes, DWORD& error) {
  UniqueHandle file(CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) return (error = GetLastError()), false;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > (std::int64_t{1} << 31)) return (error = ERROR_FILE_TOO_LARGE), false;
  bytes.resize(static_cast<std::size_t>(size.QuadPart));
  for (std::size_t at = 0; at < bytes.size();) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), bytes.data() + at, static_cast<DWORD>(std::min<std::size_t>(bytes.size() - at, 1 << 24)),
                  &read, nullptr) || read == 0)
      return (error = GetLastError()), false;
    at += read;
  }
  return true;
}

// What became of one journal: true when it is done with (put back, or gone).
bool Recover(TRunContext& run, const std::string& path) {
  std::string bytes;
  DWORD error = 0;
  if (!ReadWholeFile(path, bytes, error)) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    run.Log("The capacity check's journal " + path + " cannot be read (" + SystemErrorText(error) +
            "): it was not applied and is kept.");
    return false;
  }
  const TParsedJournal parsed = ParseJournal(bytes);
  if (!parsed.sound) {
    run.Log("The capacity check's journal " + path + " is damaged (" + parsed.problem +
            "): it was not applied and is kept.");
    return false;
  }
  const TJournal& journal = parsed.journal;
  std::string why = "this program has no access to whole disks";
  IRawDisks* disks = run.Services().rawDisks;
  std::unique_ptr<IBlockDevice> disk = disks != nullptr ? disks->OpenDiskWithIdentity(journal.identity, why) : nullptr;
  if (disk && !(why = JournalMismatch(journal, *disk)).empty()) disk.reset();
  if (!disk) {
    run.Log("The capacity check's journal " + path + " is for the disk " + journal.identity +
            ", which is not attached as it was (" + why + "): it was not applied and is kept.");
    return false;
  }
  std::size_t blocks = 0;
  for (const auto& batch : journal.batches) blocks += batch.size();
  const std::vector<std::uint64_t> failed = ApplyJournal(journal, *disk);
  disk.reset();
  if (!failed.empty()) {
    run.Log("The capacity check's journal " + path + ": " + std::to_string(failed.size()) + " of " +
            std::to_string(blocks) + " blocks of the disk " + journal.identity +
            " could not be put back, the first at offset " + std::to_string(failed.front()) + "; the journal is kept.");
    return false;
  }
  run.Log("Put back " + std::to_string(blocks) + " blocks of the disk " + journal.identity +
          " that an interrupted capacity check had changed, from its journal " + path + ".");
  if (!DeleteFileW(Widen(path).c_str()))
    run.Log("The journal " + path + " could not be deleted (" + SystemErrorText(GetLastError()) + ").");
  return true;
}

}  // namespace

std::unique_ptr<TCapacityJournalFile> TCapacityJournalFile::Create(const std::string& folder, const IBlockDevice& disk,
                                                                   std::string& why) {
  const std::string identity = disk.Identity();
  if (identity.empty()) {
    why = "cannot name the disk, which does not say who it is";
    return nullptr;
  }
  std::string base = folder;
  if (!base.empty() && base.back() != '\\') base += '\\';
  UniqueHandle file;
  std::string path;
  // A journal kept from an earlier run stays as it is: the new one takes the next free name.
  for (int number = 1; number <= 99 && !file; ++number) {
    path = base + "stickwise-capacity-journal" + (number == 1 ? std::string() : "-" + std::to_string(number)) + ".bin";
    file = UniqueHandle(CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (!file) {
    why = "cannot be created in " + folder + " (" + SystemErrorText(GetLastError()) + ")";
    return nullptr;
  }
  std::vector<std::string> listed = ListedJournals();
  listed.push_back(path);
  if (!ListJournals(listed) ||
      !WriteAll(file.Get(), EncodeJournalHeader(identity, disk.Size(), disk.SectorSize()), why)) {
    why = why.empty() ? "cannot be named in the settings" : "cannot be written (" + why + ")";
    file.Reset();
    DeleteFileW(Widen(path).c_str());
    listed.pop_back();
    ListJournals(listed);
    return nullptr;
  }
  return std::unique_ptr<TCapacityJournalFile>(new TCapacityJournalFile(std::move(file), path));
}

bool TCapacityJournalFile::Append(const std::vector<TSavedBlockView>& blocks, std::string& why) {
  return WriteAll(file_.Get(), EncodeJournalBatch(blocks), why);
}

bool TCapacityJournalFile::Remove() {
  file_.Reset();
  if (!DeleteFileW(Widen(path_).c_str())) return false;
  std::vector<std::string> listed = ListedJournals();
  std::erase(listed, path_);
  return ListJournals(listed);
}

std::string JournalFolderWithoutBackup() {
  wchar_t folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  return length > 0 && length <= MAX_PATH ? Narrow(std::wstring(folder, length)) : std::string();
}

void RecoverCapacityJournals(TRunContext& run) {
  const std::vector<std::string> listed = ListedJournals();
  if (listed.empty()) return;
  std::vector<std::string> kept;
  for (const std::string& path : listed)
    if (!Recover(run, path)) kept.push_back(path);
  // Journals listed meanwhile (none: this runs first) are kept as they are.
  ListJournals(kept);
}

}  // namespace sw
