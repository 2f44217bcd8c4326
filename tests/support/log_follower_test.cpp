// The follower against a multi-line edit of this process, fed as the
// program's log is: text appended at the end, one or more lines at a time.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "log_follower.h"
#include "platform/handles.h"

namespace sw::testing {
namespace {

class LogFollowerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    edit_.Reset(CreateWindowExW(0, L"Edit", L"", WS_POPUP | ES_MULTILINE | ES_AUTOHSCROLL | ES_AUTOVSCROLL, 0, 0, 200,
                                100, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(edit_);
    SendMessageW(edit_.Get(), EM_SETLIMITTEXT, 0, 0);
  }
  void Append(const std::wstring& text) {
    const auto end = GetWindowTextLengthW(edit_.Get());
    SendMessageW(edit_.Get(), EM_SETSEL, end, end);
    SendMessageW(edit_.Get(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
  }
  std::vector<std::string> Look(ui::LogFollower& follower) {
    std::vector<std::string> lines;
    EXPECT_TRUE(follower.NewLines(lines));
    return lines;
  }
  UniqueWindow edit_;
};

using Lines = std::vector<std::string>;

TEST_F(LogFollowerTest, EachLookGivesTheLinesCompletedSinceTheLastOne) {
  struct Step {
    std::wstring appended;
    Lines expected;
    std::string unfinished;
  };
  const Step steps[] = {
      {L"first\r\nsecond\r\n", {"first", "second"}, ""},
      {L"", {}, ""},
      {L"third, written in two", {}, "third, written in two"},
      {L" parts\r", {}, "third, written in two parts"},  // the break split between two looks
      {L"\n", {"third, written in two parts"}, ""},
      {std::wstring(70000, L'x') + L"\r\n\x00e9t\x00e9\r\n", {std::string(70000, 'x'), "\xc3\xa9t\xc3\xa9"}, ""},
  };
  ui::LogFollower follower(edit_.Get());
  for (const Step& step : steps) {
    Append(step.appended);
    EXPECT_EQ(Look(follower), step.expected);
    EXPECT_EQ(follower.Unfinished(), step.unfinished);
  }
}

TEST_F(LogFollowerTest, ALogClearedAndRefilledIsFollowedFromItsStart) {
  Append(L"a line from before the clear, longer than what comes after it\r\n");
  ui::LogFollower follower(edit_.Get());
  EXPECT_EQ(Look(follower).size(), 1u);
  SetWindowTextW(edit_.Get(), L"");
  Append(L"new\r\n");
  EXPECT_EQ(Look(follower), Lines{"new"});
}

}  // namespace
}  // namespace sw::testing
