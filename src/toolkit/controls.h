// The standard controls the main window needs.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "toolkit/control.h"
#include "toolkit/line_store.h"

namespace sw::tk {

class TPopupMenu;

// A container with a raised bevel, drawn in the button-face colour.
class TPanel : public TControl {
 public:
  TPanel(TComponent* owner, TControl* parent);

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class TLabel : public TControl {
 public:
  TLabel(TComponent* owner, TControl* parent, bool autoSize = false);
  void SetCaption(const std::string& caption) override;
  void ApplyLayout(int dpi, HFONT font) override;

 private:
  // An auto-sized label takes its text's width; any other label grows to
  // show its whole text on one line but never shrinks below its design width.
  void FitToText();
  bool autoSize_;
  int designWidth_ = -1;
};

class TButton : public TControl {
 public:
  TButton(TComponent* owner, TControl* parent);
  // Presses the button as a click would (used by tests and the UI driver).
  void Click();
};

class TCheckBox : public TControl {
 public:
  TCheckBox(TComponent* owner, TControl* parent);
  bool Checked() const;
  void SetChecked(bool checked);

 protected:
  HBRUSH ControlColor(HDC dc) override;
};

class TGroupBox : public TControl {
 public:
  TGroupBox(TComponent* owner, TControl* parent);

 protected:
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

class TEdit : public TControl {
 public:
  TEdit(TComponent* owner, TControl* parent);
  std::string Text() const { return Caption(); }
  void SetText(const std::string& text) { SetCaption(text); }
};

// A drop-down list without typing.
class TComboBox : public TControl {
 public:
  TComboBox(TComponent* owner, TControl* parent);
  int Count() const;
  void Clear();
  void Add(const std::string& item);
  std::string Item(int index) const;
  int ItemIndex() const;
  void SetItemIndex(int index);
  // Text of the selected item; empty with no selection.
  std::string Text() const;

  std::function<void()> OnChange;

 protected:
  int WindowHeight(int dpi) const override;
  void Command(WORD code) override;
};

// Read-only multi-line text with both scroll bars and no text limit, for a
// log. Its lines live in its own store, which Lines() and Text() read. The
// control is fed from the store in chunks: under Wine every append redraws
// the control at a cost that grows with its text, so a line per append
// would make a long log cost minutes. A line appended after a quiet spell
// shows at once; lines that follow within the feed interval go in together
// when it has passed, by a timer if no further line comes, so every line
// shows within about one interval of its append once messages run. The
// interval is 100 ms, or longer once a feed itself costs more than a fifth
// of that (kFeedCostFactor).
class TMemo : public TControl {
 public:
  static constexpr unsigned kFeedIntervalMs = 100;
  // A feed costs the control time that grows with the text it already
  // holds: the system's edit walks its lines on every change, and again for
  // every line it paints. The next feed waits at least this many times the
  // last one's cost, so however long the log grows, showing it takes a
  // bounded share of the run.
  static constexpr int kFeedCostFactor = 5;

  TMemo(TComponent* owner, TControl* parent);
  // Appends `line` (its own line breaks make several lines) at the end.
  void AppendLine(const std::string& line);
  // The whole log, every line followed by CR LF.
  std::string Text() const { return store_.Text(); }
  std::vector<std::string> Lines() const { return store_.Lines(); }
  size_t LineCount() const { return store_.Count(); }
  void Clear();
  // Feeds the lines the control does not show yet, in one append, and
  // leaves the view scrolled to the end.
  void Flush();
  // Selects the whole text, every line of the store included.
  void SelectAll();
  // Start and end of the current selection, in characters.
  std::pair<int, int> Selection() const;

  TPopupMenu* PopupMenu = nullptr;

 protected:
  HBRUSH ControlColor(HDC dc) override;
  bool HandleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void StartFeedTimer(unsigned delayMs);
  void StopFeedTimer();

  TLineStore store_;
  std::chrono::steady_clock::time_point lastFeed_{};
  std::chrono::steady_clock::duration feedInterval_ = std::chrono::milliseconds(kFeedIntervalMs);
  bool feedTimerRunning_ = false;
};

class TProgressBar : public TControl {
 public:
  TProgressBar(TComponent* owner, TControl* parent);
  int Position() const;
  void SetPosition(int position);
};

// A picture sized to its bitmap.
class TImage : public TControl {
 public:
  TImage(TComponent* owner, TControl* parent, int bitmapResource);
  bool HasPicture() const { return bitmap_.Valid(); }

 protected:
  void Command(WORD code) override;

 private:
  UniqueGdiObject bitmap_;
};

}  // namespace sw::tk
