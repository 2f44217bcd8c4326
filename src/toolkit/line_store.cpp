#include "toolkit/line_store.h"

namespace sw::tk {

void TLineStore::Append(std::string_view text) {
  // No line holds a break, so the stored text splits back into the lines.
  size_t at = 0;
  while (at < text.size()) {
    const size_t lineBreak = text.find_first_of("\r\n", at);
    if (lineBreak == std::string_view::npos) break;
    text_.append(text.substr(at, lineBreak - at)).append("\r\n");
    ++count_;
    at = lineBreak + (text.compare(lineBreak, 2, "\r\n") == 0 ? 2 : 1);
  }
  // The text after the last break, or an empty text: one more line.
  if (at < text.size() || text.empty()) {
    text_.append(text.substr(at)).append("\r\n");
    ++count_;
  }
}

void TLineStore::Clear() {
  text_.clear();
  text_.shrink_to_fit();
  count_ = 0;
  fed_ = 0;
}

std::vector<std::string> TLineStore::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(count_);
  for (size_t at = 0, end; (end = text_.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.emplace_back(text_, at, end - at);
  return lines;
}

std::string TLineStore::TakeUnfed() {
  std::string text = text_.substr(fed_);
  fed_ = text_.size();
  return text;
}

}  // namespace sw::tk
