// The lines of a log kept apart from the control that shows them: the store
// is the truth for what the log holds, and it remembers how many of its
// lines the control has been given, so the control can be fed in chunks.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sw::tk {

class TLineStore {
 public:
  // Appends `text` as it is: its own line breaks make several lines, an
  // empty text one empty line; a trailing break adds no empty line.
  void Append(std::string_view text);
  void Clear();

  const std::vector<std::string>& Lines() const { return lines_; }
  size_t Count() const { return lines_.size(); }
  // Every line followed by CR LF, as a multi-line edit holds it.
  std::string Text() const;

  bool HasUnfed() const { return fed_ < lines_.size(); }
  // The lines not yet handed to the control, each followed by CR LF; they
  // count as fed from now on.
  std::string TakeUnfed();

 private:
  std::vector<std::string> lines_;
  size_t fed_ = 0;  // lines_[0, fed_) are in the control
};

}  // namespace sw::tk
