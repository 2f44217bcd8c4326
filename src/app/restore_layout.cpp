#include "app/restore_layout.h"

#include "app/restore_names.h"

namespace sw::restore_layout {

Layout::Layout(const RestoreContent& content) {
  for (const std::string& folder : content.folders) {
    std::string_view path = folder;
    while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (!path.empty()) Folder(path);  // "\" alone is the top folder itself
  }
  for (const RestoreFile& file : content.files) {
    const size_t slash = file.path.rfind('\\');
    const size_t parent = slash == std::string::npos ? kTop : Folder(std::string_view(file.path).substr(0, slash));
    if (index_.find(Key(file.path, false)) == index_.end()) Add(file.path, false, file.size, parent);
  }
}

std::string Layout::Key(std::string_view path, bool folder) {
  std::string key(1, folder ? 'D' : 'F');
  return key.append(path);
}

// The folder item of `path`, added with its missing parents. The walk goes
// up only as far as the first folder already known and adds iteratively, so
// a deep path costs no deep recursion.
size_t Layout::Folder(std::string_view path) {
  std::vector<std::string_view> missing;
  size_t parent = kTop;
  for (std::string_view at = path;;) {
    if (const auto known = index_.find(Key(at, true)); known != index_.end()) {
      parent = known->second;
      break;
    }
    missing.push_back(at);
    const size_t slash = at.rfind('\\');
    if (slash == std::string_view::npos) break;
    at = at.substr(0, slash);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) parent = Add(*it, true, 0, parent);
  return parent;
}

size_t Layout::Add(std::string_view path, bool folder, uint64_t size, size_t parent) {
  Item item;
  item.path = std::string(path);
  const size_t slash = path.rfind('\\');
  item.nameStart = slash == std::string_view::npos ? 0 : slash + 1;
  item.parent = parent;
  item.folder = folder;
  item.size = size;
  const std::string_view name = item.Name();
  item.units = restore_names::Utf16Units(name);
  item.shortName = restore_names::IsUpperShortName(name);
  item.fatEntries = restore_names::FatEntries(name);
  item.exfatEntries = restore_names::ExfatEntries(name);
  items.push_back(std::move(item));
  index_[Key(path, folder)] = items.size() - 1;
  return items.size() - 1;
}

std::optional<std::pair<size_t, size_t>> Layout::FirstCaseClash() const {
  std::unordered_map<std::u32string, size_t> seen;
  for (size_t i = 0; i < items.size(); ++i) {
    const auto [it, added] = seen.emplace(restore_names::FoldCase(items[i].path), i);
    if (!added) return std::make_pair(it->second, i);
  }
  return std::nullopt;
}

}  // namespace sw::restore_layout
