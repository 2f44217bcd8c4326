// The restore content as the planner walks it: every file and folder once,
// parents before their children, each knowing its folder and what its own
// name takes in a folder. Plain logic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "app/restore_fit.h"

namespace sw::restore_layout {

// The parent of an item in the top folder.
inline constexpr size_t kTop = std::numeric_limits<size_t>::max();

struct Item {
  std::string path;  // relative, no trailing backslash
  size_t nameStart = 0;
  size_t parent = kTop;  // index of the folder item
  bool folder = false;
  uint64_t size = 0;
  // The name's length in UTF-16 units, whether it is an upper-case 8.3
  // name, and the folder entries it takes on FAT/FAT32 and exFAT.
  size_t units = 0;
  bool shortName = false;
  size_t fatEntries = 0;
  size_t exfatEntries = 0;

  std::string_view Name() const { return std::string_view(path).substr(nameStart); }
};

class Layout {
 public:
  // Listed folders first, then files, each in the given order; a folder
  // that is only implied by a path comes right before the first item in it.
  // A path listed twice as the same kind counts once.
  explicit Layout(const RestoreContent& content);

  // The first pair of items whose paths are the same under letter-case
  // folding (a file and a folder of one path among them): the earlier item,
  // then the later one.
  std::optional<std::pair<size_t, size_t>> FirstCaseClash() const;

  std::vector<Item> items;

 private:
  size_t Folder(std::string_view path);
  size_t Add(std::string_view path, bool folder, uint64_t size, size_t parent);
  static std::string Key(std::string_view path, bool folder);

  std::unordered_map<std::string, size_t> index_;  // Key() -> item
};

}  // namespace sw::restore_layout
