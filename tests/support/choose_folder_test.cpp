// ChooseFolder against the same kind of folder dialog the program opens
// (SHBrowseForFolderW with an edit box, new style, validation), shown on a
// worker thread of this process. The dialog's callback accepts a typed path
// without creating it; the only folder made is the test's own, in temp.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "choose_folder.h"
#include "folder_tree.h"
#include "platform/handles.h"
#include "platform/text.h"
#include "ui_driver.h"

namespace sw::testing {
namespace {

constexpr char kCaption[] = "Browse for Folder";
constexpr unsigned kTimeoutMs = 20000;

// How the dialog behaves while the driver works on it.
enum class Behaviour {
  Plain,
  StartsInTemp,  // selects the temp folder first, as the program selects its default folder
  ShowsRoot,     // whatever is typed, the edit box shows a drive root, as when the selection wins
  Restless,      // the edit box's text keeps changing, as a selection that never settles
};

struct DialogRun {
  Behaviour behaviour;
  std::wstring typed;     // the path the dialog accepted through its validate-failed callback
  bool chosen = false;    // the dialog returned a folder (OK), not nothing (Cancel)
  std::string answer;     // the folder the program would use: the typed path, else the returned one
};

HWND FirstEdit(HWND dialog) {
  HWND found = nullptr;
  EnumChildWindows(
      dialog,
      [](HWND child, LPARAM data) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Edit") != 0) return TRUE;
        *reinterpret_cast<HWND*>(data) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

LRESULT CALLBACK ShowRoot(HWND edit, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) noexcept {
  if (message == WM_SETTEXT) lParam = reinterpret_cast<LPARAM>(L"Z:\\");
  return DefSubclassProc(edit, message, wParam, lParam);
}

void CALLBACK ChangeText(HWND edit, UINT, UINT_PTR, DWORD tick) noexcept {
  wchar_t text[16] = {};
  wsprintfW(text, L"C:\\%lu", tick);
  SetWindowTextW(edit, text);
}

int CALLBACK OnDialogEvent(HWND dialog, UINT message, LPARAM param, LPARAM data) noexcept {
  auto* run = reinterpret_cast<DialogRun*>(data);
  if (message == BFFM_INITIALIZED) {
    HWND edit = FirstEdit(dialog);
    wchar_t temp[MAX_PATH] = {};
    if (run->behaviour == Behaviour::StartsInTemp && GetTempPathW(MAX_PATH, temp))
      SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(temp));
    if (run->behaviour == Behaviour::ShowsRoot) SetWindowSubclass(edit, ShowRoot, 1, 0);
    if (run->behaviour == Behaviour::Restless) SetTimer(edit, 1, 30, ChangeText);
  } else if (message == BFFM_VALIDATEFAILEDW && param != 0) {
    run->typed = reinterpret_cast<const wchar_t*>(param);  // accepted as typed, not created
  }
  return 0;
}

struct PidlFree {
  void operator()(ITEMIDLIST* pidl) const { CoTaskMemFree(pidl); }
};

// Shows the dialog on its own thread until someone answers it.
class DialogThread {
 public:
  explicit DialogThread(Behaviour behaviour) : run_{behaviour, {}, false, {}}, thread_([this] { Show(); }) {}
  ~DialogThread() {
    if (thread_.joinable()) Finish();
  }
  DialogThread(const DialogThread&) = delete;
  DialogThread& operator=(const DialogThread&) = delete;

  // True once the dialog is gone; a dialog still open is cancelled so the
  // test never hangs on it.
  bool Closed() {
    for (int i = 0; i < 100 && ui::WaitForDialog(kCaption, {}, 0) != nullptr; ++i) Sleep(100);
    const bool closed = ui::WaitForDialog(kCaption, {}, 0) == nullptr;
    CancelLeftOver();
    return closed;
  }
  const DialogRun& Finish() {
    CancelLeftOver();
    thread_.join();
    thread_ = {};
    return run_;
  }

 private:
  void Show() {
    ComInit com;  // the new dialog style needs COM on its thread
    BROWSEINFOW info{};
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_EDITBOX | BIF_VALIDATE;
    info.lpfn = OnDialogEvent;
    info.lParam = reinterpret_cast<LPARAM>(&run_);
    std::unique_ptr<ITEMIDLIST, PidlFree> chosen(SHBrowseForFolderW(&info));
    run_.chosen = chosen != nullptr;
    wchar_t path[MAX_PATH] = {};
    if (!run_.typed.empty()) run_.answer = Narrow(run_.typed);
    else if (chosen && SHGetPathFromIDListW(chosen.get(), path)) run_.answer = Narrow(path);
  }
  static void CancelLeftOver() {
    if (HWND left = ui::WaitForDialog(kCaption, {}, 0)) ui::PressDialogButton(left, "Cancel");
  }

  DialogRun run_;
  std::thread thread_;
};

// A folder of the test's own in temp, removed afterwards, and one beside it
// that does not exist.
class ChooseFolderTest : public ::testing::Test {
 protected:
  ChooseFolderTest() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::string base = Narrow(temp) + "stickwise-choose-" + std::to_string(GetCurrentProcessId());
    existing_ = base + "-existing";
    absent_ = base + "-absent";
    CreateDirectoryW(Widen(existing_).c_str(), nullptr);
  }
  ~ChooseFolderTest() override { RemoveDirectoryW(Widen(existing_).c_str()); }
  static bool Exists(const std::string& path) {
    return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string existing_, absent_;
};

TEST_F(ChooseFolderTest, PressesOkOnlyWhenTheDialogHoldsExactlyThePath) {
  struct Case {
    const char* name;
    Behaviour behaviour;
    std::string path;
    unsigned timeoutMs;
    const char* problem;  // empty: OK pressed
  };
  const Case cases[] = {
      {"plain dialog, existing folder", Behaviour::Plain, existing_, kTimeoutMs, ""},
      {"dialog that starts on another folder", Behaviour::StartsInTemp, existing_, kTimeoutMs, ""},
      {"edit box shows a drive root", Behaviour::ShowsRoot, existing_, kTimeoutMs, "its edit box held \"Z:\\\""},
      {"edit box never settles", Behaviour::Restless, existing_, 3000, "the dialog did not settle"},
      {"folder the tree cannot select", Behaviour::Plain, absent_, kTimeoutMs, "the dialog does not hold"},
  };
  ASSERT_TRUE(Exists(existing_));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DialogThread dialog(c.behaviour);
    const ui::FolderChoice choice = ui::ChooseFolder(kCaption, c.path, c.timeoutMs);
    EXPECT_TRUE(dialog.Closed());
    const DialogRun& run = dialog.Finish();
    const bool accepted = *c.problem == '\0';
    EXPECT_EQ(choice.accepted, accepted) << choice.problem;
    EXPECT_NE(choice.problem.find(c.problem), std::string::npos) << choice.problem;
    if (accepted) {
      EXPECT_EQ(run.answer, c.path);  // the dialog answers with exactly that folder
    } else {
      EXPECT_FALSE(run.chosen);
      EXPECT_EQ(run.answer, "");
    }
  }
  EXPECT_FALSE(Exists(absent_));
}

TEST(TreeShowsPathTest, MatchesOnlyTheFolderUnderItsDrive) {
  const std::vector<std::string> tree = {"Desktop", "My Computer", "/ (Z:)", "work", "build", "run-backup"};
  struct Case {
    const char* path;
    bool shown;
  };
  const Case cases[] = {
      {"Z:\\work\\build\\run-backup", true},   {"z:\\work\\build\\run-backup", true},
      {"Q:\\work\\build\\run-backup", false},  {"Z:\\work\\build", false},
      {"Z:\\build\\run-backup", false},         {"Z:\\work\\build\\Run-Backup", false},
      {"Z:\\work\\build\\run-backup\\", false}, {"Z:\\", false},
      {"\\\\server\\work\\build\\run-backup", false},
  };
  for (const Case& c : cases) EXPECT_EQ(ui::TreeShowsPath(tree, c.path), c.shown) << c.path;
}

}  // namespace
}  // namespace sw::testing
