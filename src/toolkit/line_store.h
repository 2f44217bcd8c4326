// The lines of a log kept apart from the control that shows them: the store
// is the truth for what the log holds, and it remembers how much of it the
// control has been given, so the control can be fed in chunks. The lines
// are kept as one text, each followed by CR LF, as the control holds them:
// a log of a hundred thousand files costs its characters, not an object
// per line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sw::tk {

class TLineStore {
 public:
  // Appends `text` as it is: its own line breaks (CR LF, CR or LF) make
  // several lines, an empty text one empty line; a trailing break adds no
  // empty line.
  void Append(std::string_view text);
  void Clear();

  std::vector<std::string> Lines() const;
  size_t Count() const { return count_; }
  // Every line followed by CR LF, as a multi-line edit holds it.
  const std::string& Text() const { return text_; }

  bool HasUnfed() const { return fed_ < text_.size(); }
  // The lines not yet handed to the control, each followed by CR LF; they
  // count as fed from now on.
  std::string TakeUnfed();

 private:
  std::string text_;
  size_t count_ = 0;
  size_t fed_ = 0;  // text_[0, fed_) is in the control
};

}  // namespace sw::tk
