// The real dialogs behind the window's dialog seam, under Wine: message boxes
// with their exact texts, buttons, default and icon; the file-open dialog with
// its title, filter and folder, taking a typed name of a file that does not
// exist. A thread timer plays the user while the dialog runs its modal loop.
#include <functional>
#include <string>
#include <vector>

#include "win32/win32_user_dialogs.h"
#include "window_fixture.h"

namespace quillet::win32::testing {
namespace {

// What the timer found in the dialog, and what it answers.
struct Seen {
  std::string caption;
  std::string text;
  std::vector<int> buttons;  // of IDOK, IDCANCEL, IDYES, IDNO
  int default_button = 0;    // the button Enter presses
  HICON icon = nullptr;
};

// The one dialog the timer works on at a time.
struct Player {
  std::function<void(HWND dialog)> act;
  bool done = false;
};
Player* g_player = nullptr;

BOOL CALLBACK FindVisibleDialog(HWND hwnd, LPARAM found) {
  wchar_t class_name[16] = {};
  ::GetClassNameW(hwnd, class_name, 16);
  if (std::wstring(class_name) == L"#32770" && ::IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindDialog() {
  HWND found = nullptr;
  ::EnumThreadWindows(::GetCurrentThreadId(), FindVisibleDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

void CALLBACK PlayerTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_player == nullptr || g_player->done) return;
  HWND dialog = FindDialog();
  if (dialog == nullptr) return;
  g_player->done = true;
  g_player->act(dialog);
}

// Runs `show` (which opens a modal dialog) while the timer acts on the dialog.
template <typename Show>
auto WithPlayer(std::function<void(HWND)> act, Show show) {
  Player player{std::move(act)};
  g_player = &player;
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, PlayerTimer);
  auto result = show();
  ::KillTimer(nullptr, timer);
  g_player = nullptr;
  EXPECT_TRUE(player.done) << "no dialog appeared";
  return result;
}

Seen ReadMessageBox(HWND box) {
  Seen seen;
  wchar_t text[1024] = {};
  ::GetWindowTextW(box, text, 1024);
  seen.caption = Narrow(text);
  for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    wchar_t class_name[16] = {};
    ::GetClassNameW(child, class_name, 16);
    if (_wcsicmp(class_name, L"Static") != 0) continue;
    if (HICON icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0))) {
      seen.icon = icon;
      continue;
    }
    ::GetWindowTextW(child, text, 1024);
    if (text[0] != L'\0') seen.text = Narrow(text);
  }
  for (const int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
    HWND button = ::GetDlgItem(box, id);
    if (button == nullptr) continue;
    seen.buttons.push_back(id);
    if ((::GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      seen.default_button = id;
    }
  }
  return seen;
}

void Press(HWND dialog, int button) {
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
}

class DialogsTest : public WindowTest {
 protected:
  Win32UserDialogs Dialogs() { return Win32UserDialogs(window_->Handle()); }
};

TEST_F(DialogsTest, TheWarningIsYesNoWithNoTheDefaultAndTheExclamationIcon) {
  EXPECT_EQ(kWarningBoxStyle, 0x134u);
  const std::string text =
      "The INF file has either: \r\n\r\n- already been updated\r\n- has been altered\r\n"
      "- or is not a valid eVB distribution .INF file\r\n\r\nDo you still wish to continue?";
  for (const int answer : {IDYES, IDNO}) {
    Seen seen;
    auto dialogs = Dialogs();
    const bool yes = WithPlayer(
        [&](HWND box) {
          seen = ReadMessageBox(box);
          Press(box, answer);
        },
        [&] { return dialogs.AskYesNoWarning("INF file contents WARNING!", text); });
    EXPECT_EQ(yes, answer == IDYES);
    EXPECT_EQ(seen.caption, "INF file contents WARNING!");
    // Shown with its line breaks (the static holds CR LF as the box was given).
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(seen.default_button, IDNO);
    EXPECT_EQ(seen.icon, ::LoadIconW(nullptr, IDI_EXCLAMATION));
  }
}

TEST_F(DialogsTest, TheQuestionHasTheQuestionIconAndTheDefaultAsked) {
  for (const bool yes_is_default : {true, false}) {
    Seen seen;
    auto dialogs = Dialogs();
    const bool yes = WithPlayer(
        [&](HWND box) {
          seen = ReadMessageBox(box);
          Press(box, IDYES);
        },
        [&] { return dialogs.AskYesNo("Quillet", "Stop it?", yes_is_default); });
    EXPECT_TRUE(yes);
    EXPECT_EQ(seen.caption, "Quillet");
    EXPECT_EQ(seen.text, "Stop it?");
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO}));
    EXPECT_EQ(seen.default_button, yes_is_default ? IDYES : IDNO);
    EXPECT_EQ(seen.icon, ::LoadIconW(nullptr, IDI_QUESTION));
  }
}

TEST_F(DialogsTest, TheMessageHasOnlyOkAndNoIcon) {
  Seen seen;
  auto dialogs = Dialogs();
  WithPlayer(
      [&](HWND box) {
        seen = ReadMessageBox(box);
        Press(box, IDOK);
      },
      [&] {
        dialogs.ShowMessage("Quillet", "The system cannot find the file specified. 2");
        return true;
      });
  EXPECT_EQ(seen.caption, "Quillet");
  EXPECT_EQ(seen.text, "The system cannot find the file specified. 2");
  EXPECT_EQ(seen.buttons, (std::vector<int>{IDOK}));
  EXPECT_EQ(seen.icon, nullptr);
}

TEST(FileDialogFilterTest, BarsBecomeNulCharacters) {
  struct Case {
    const char* filter;
    std::vector<std::wstring> parts;  // each ended by a NUL, the whole by another
  };
  const Case cases[] = {
      {"INF Files (*.inf)|*.inf|Show All (*.*)|*.*",
       {L"INF Files (*.inf)", L"*.inf", L"Show All (*.*)", L"*.*"}},
      {"EXE Files (*.exe)|*.exe", {L"EXE Files (*.exe)", L"*.exe"}},
      {"Lonely", {L"Lonely", L""}},  // a description without a pattern
      {"A|", {L"A", L""}},
      {"", {}},
  };
  for (const Case& item : cases) {
    SCOPED_TRACE(item.filter);
    std::wstring expected;
    for (const std::wstring& part : item.parts) expected += part + L'\0';
    expected += L'\0';
    EXPECT_EQ(FileDialogFilter(item.filter), expected);
  }
  EXPECT_EQ(kOpenFileFlags & (OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT), 0u);
}

// The Explorer-style dialog's controls: the filter list, the file name.
constexpr int kFilterList = 0x470;     // cmb1
constexpr int kFileNameCombo = 0x47c;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1

std::string DialogFolder(HWND dialog) {
  wchar_t folder[MAX_PATH] = {};
  ::SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
  return Narrow(folder);
}

TEST_F(DialogsTest, TheFileDialogTakesATypedNameOfAMissingFile) {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::string folder = Narrow(temp);
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  const std::string missing = folder + "\\no such package\\Project1.inf";

  OpenFileRequest request;
  request.filter = "INF Files (*.inf)|*.inf|Show All (*.*)|*.*";
  request.title = "eVB Distribution INF file to modify";
  request.initial_directory = folder;
  std::string title;
  std::vector<std::string> filters;
  std::string shown_folder;
  auto dialogs = Dialogs();
  const auto chosen = WithPlayer(
      [&](HWND dialog) {
        wchar_t text[256] = {};
        ::GetWindowTextW(dialog, text, 256);
        title = Narrow(text);
        HWND list = ::GetDlgItem(dialog, kFilterList);
        const auto count = ::SendMessageW(list, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
          ::SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(text));
          filters.push_back(Narrow(text));
        }
        shown_folder = DialogFolder(dialog);
        const std::wstring typed = Widen(missing);
        ::SetDlgItemTextW(dialog, kFileNameCombo, typed.c_str());
        ::SetDlgItemTextW(dialog, kFileNameEdit, typed.c_str());
        Press(dialog, IDOK);
      },
      [&] { return dialogs.GetOpenFileName(request); });
  EXPECT_EQ(title, "eVB Distribution INF file to modify");
  EXPECT_EQ(filters, (std::vector<std::string>{"INF Files (*.inf)", "Show All (*.*)"}));
  EXPECT_EQ(_stricmp(shown_folder.c_str(), folder.c_str()), 0) << shown_folder;
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, missing);
}

TEST_F(DialogsTest, CancellingTheFileDialogGivesNothing) {
  OpenFileRequest request;
  request.file_name = "C:\\Pkg\\Project1.inf";
  request.filter = "EXE Files (*.exe)|*.exe|Show All (*.*)|*.*";
  request.title = "eVC Wrapper for the MIPS processor:";
  auto dialogs = Dialogs();
  const auto chosen = WithPlayer([](HWND dialog) { Press(dialog, IDCANCEL); },
                                 [&] { return dialogs.GetOpenFileName(request); });
  EXPECT_FALSE(chosen.has_value());
}

}  // namespace
}  // namespace quillet::win32::testing
