#include "folder_tree.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "platform/text.h"
#include "remote_buffer.h"
#include "ui_driver.h"

namespace sw::ui {
namespace {

constexpr UINT kReplyTimeoutMs = 5000;
constexpr UINT kExpandTimeoutMs = 30000;  // a first expansion lists drives or a large folder
constexpr size_t kMaxItemText = 1024;
constexpr size_t kMaxDepth = 256;
constexpr int kDriveDepth = 2;  // Desktop, then My Computer, then the drives

using Item = LRESULT;

Item Next(HWND tree, UINT relation, Item item) {
  LRESULT found = 0;
  return SendWithin(tree, TVM_GETNEXTITEM, relation, item, kReplyTimeoutMs, found) ? found : 0;
}

// Reads item texts through one buffer in the tree's process.
class ItemReader {
 public:
  explicit ItemReader(HWND tree) : tree_(tree), buffer_(tree, sizeof(TVITEMW) + kMaxItemText * sizeof(wchar_t)) {}

  std::optional<std::string> Name(Item item) {
    TVITEMW query{};
    query.mask = TVIF_HANDLE | TVIF_TEXT;
    query.hItem = reinterpret_cast<HTREEITEM>(item);
    query.pszText = reinterpret_cast<wchar_t*>(buffer_.At(sizeof(TVITEMW)));
    query.cchTextMax = kMaxItemText;
    LRESULT found = 0;
    if (!buffer_.Write(&query, sizeof(query))) return std::nullopt;
    if (!SendWithin(tree_, TVM_GETITEMW, 0, buffer_.At(), kReplyTimeoutMs, found)) {
      buffer_.Leave();  // the tree may still write into it
      return std::nullopt;
    }
    // The control may answer with a text pointer of its own in place of ours.
    std::wstring text(kMaxItemText, L'\0');
    if (!found || !buffer_.ReadAt(buffer_.At(), &query, sizeof(query)) ||
        !buffer_.ReadAt(reinterpret_cast<LPARAM>(query.pszText), text.data(), text.size() * sizeof(wchar_t)))
      return std::nullopt;
    text.resize(wcsnlen(text.c_str(), text.size() - 1));
    return Narrow(text);
  }

  // The child of `parent` named exactly `name`, after expanding `parent`.
  Item Child(Item parent, const std::string& name) {
    LRESULT ignored = 0;
    if (!SendWithin(tree_, TVM_EXPAND, TVE_EXPAND, parent, kExpandTimeoutMs, ignored)) return 0;
    for (Item child = Next(tree_, TVGN_CHILD, parent); child != 0; child = Next(tree_, TVGN_NEXT, child))
      if (Name(child) == name) return child;
    return 0;
  }

 private:
  HWND tree_;
  RemoteBuffer buffer_;
};

std::vector<std::string> Split(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t end; (end = path.find('\\', start)) != std::string::npos; start = end + 1)
    parts.push_back(path.substr(start, end - start));
  parts.push_back(path.substr(start));
  return parts;
}

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; });
  return text;
}

bool NamesDrive(const std::string& itemName, const std::string& drive) {
  return Lower(itemName).find('(' + Lower(drive) + ')') != std::string::npos;
}

// A path of a folder below a drive letter: "X:" and at least one non-empty name.
bool IsFolderPath(const std::vector<std::string>& parts) {
  return parts.size() >= 2 && parts[0].size() == 2 && parts[0][1] == ':' &&
         std::none_of(parts.begin(), parts.end(), [](const std::string& part) { return part.empty(); });
}

// The drive's item, looked for level by level from the roots down, expanding
// only the levels above the drives.
Item FindDrive(HWND tree, ItemReader& reader, const std::string& drive) {
  std::vector<Item> level;
  for (Item root = Next(tree, TVGN_ROOT, 0); root != 0; root = Next(tree, TVGN_NEXT, root)) level.push_back(root);
  for (int depth = 0; depth <= kDriveDepth && !level.empty(); ++depth) {
    std::vector<Item> below;
    for (Item item : level) {
      const std::optional<std::string> name = reader.Name(item);
      if (name && NamesDrive(*name, drive)) return item;
      if (depth == kDriveDepth) continue;
      LRESULT ignored = 0;
      if (!SendWithin(tree, TVM_EXPAND, TVE_EXPAND, item, kExpandTimeoutMs, ignored)) return 0;
      for (Item child = Next(tree, TVGN_CHILD, item); child != 0; child = Next(tree, TVGN_NEXT, child))
        below.push_back(child);
    }
    level = std::move(below);
  }
  return 0;
}

}  // namespace

std::vector<std::string> SelectedItemNames(HWND tree) {
  ItemReader reader(tree);
  std::vector<std::string> names;
  for (Item item = Next(tree, TVGN_CARET, 0); item != 0 && names.size() < kMaxDepth; item = Next(tree, TVGN_PARENT, item)) {
    const std::optional<std::string> name = reader.Name(item);
    if (!name) return {};
    names.insert(names.begin(), *name);
  }
  return names;
}

bool SelectFolderItem(HWND tree, const std::string& path) {
  const std::vector<std::string> parts = Split(path);
  if (!IsFolderPath(parts)) return false;
  ItemReader reader(tree);
  Item item = FindDrive(tree, reader, parts[0]);
  for (size_t i = 1; i < parts.size() && item != 0; ++i) item = reader.Child(item, parts[i]);
  LRESULT ignored = 0;
  return item != 0 && SendWithin(tree, TVM_SELECTITEM, TVGN_CARET, item, kReplyTimeoutMs, ignored);
}

bool TreeShowsPath(const std::vector<std::string>& names, const std::string& path) {
  const std::vector<std::string> parts = Split(path);
  if (!IsFolderPath(parts) || names.size() < parts.size()) return false;
  const size_t folders = parts.size() - 1;
  return std::equal(parts.begin() + 1, parts.end(), names.end() - static_cast<std::ptrdiff_t>(folders)) &&
         NamesDrive(names[names.size() - folders - 1], parts[0]);
}

}  // namespace sw::ui
