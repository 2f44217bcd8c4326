#include "toolkit/line_store.h"

#include "platform/text.h"

namespace sw::tk {
namespace {

std::string JoinWithBreaks(std::vector<std::string>::const_iterator first,
                           std::vector<std::string>::const_iterator last) {
  size_t size = 0;
  for (auto line = first; line != last; ++line) size += line->size() + 2;
  std::string text;
  text.reserve(size);
  for (auto line = first; line != last; ++line) text.append(*line).append("\r\n");
  return text;
}

}  // namespace

void TLineStore::Append(std::string_view text) {
  std::vector<std::string> parts = SplitLines(text);
  if (parts.empty()) {
    lines_.emplace_back();  // an empty line is a line of its own
    return;
  }
  for (std::string& part : parts) lines_.push_back(std::move(part));
}

void TLineStore::Clear() {
  lines_.clear();
  fed_ = 0;
}

std::string TLineStore::Text() const { return JoinWithBreaks(lines_.begin(), lines_.end()); }

std::string TLineStore::TakeUnfed() {
  std::string text = JoinWithBreaks(lines_.begin() + static_cast<std::ptrdiff_t>(fed_), lines_.end());
  fed_ = lines_.size();
  return text;
}

}  // namespace sw::tk
