// The password prompt runs its own wait loop on the test thread while a
// helper thread acts as the user: it types into the field, clicks the
// button, presses Enter or closes the window.
#include "settings/password_prompt.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "settings/settings.h"
#include "settings/shift_text.h"
#include "ui/controls.h"
#include "ui/events.h"
#include "ui/images.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using settings::gSettings;

constexpr int kMain = 60, kPrompt = 64, kField = 78, kButton = 44;

using wine_test::RepoPath;

template <typename Pred>
bool WaitFor(Pred done, DWORD timeoutMs = 5000) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(10))
    if (done()) return true;
  return done();
}

HWND FocusOf(DWORD thread) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

// What the user sees and can do, from the helper thread.
class User {
 public:
  explicit User(DWORD gui) : gui_(gui) {}

  // Waits until the prompt is up with the keyboard focus in its field.
  bool FindPrompt() {
    if (!WaitFor([this] { return GetDlgCtrlID(field_ = FocusOf(gui_)) == kField; })) return false;
    prompt_ = GetAncestor(field_, GA_ROOT);
    return true;
  }

  // Unicode characters, so the Windows-1252 letters arrive whatever the
  // code page of the process.
  bool Type(const std::wstring& text) {
    wine_test::PostChars(field_, text);
    return WaitFor([&] { return GetWindowTextLengthW(field_) == static_cast<int>(text.size()); });
  }

  void ClickButton() { PostMessageW(GetDlgItem(prompt_, kButton), BM_CLICK, 0, 0); }

  // A real key press, seen by the asynchronous key state.
  void PressEnter() {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_RETURN;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
    // Some event of the launcher must follow for the prompt to look.
    PostMessageW(prompt_, WM_NULL, 0, 0);
  }

  void Close() { PostMessageW(prompt_, WM_SYSCOMMAND, SC_CLOSE, 0); }

  // A wrong entry is refused by emptying the field, focused again; the
  // prompt stays.
  bool Refused() {
    return WaitFor([this] { return GetWindowTextLengthW(field_) == 0 && FocusOf(gui_) == field_; }) &&
           IsWindow(prompt_);
  }

  bool PromptGone() const { return !IsWindow(prompt_); }

 private:
  DWORD gui_;
  HWND field_ = nullptr;
  HWND prompt_ = nullptr;
};

// Runs the prompt on this thread while `act` plays the user. If the script
// leaves the prompt open, it is closed so that the test fails, not hangs.
void RunWithUser(const std::function<void(User&)>& act) {
  std::atomic<bool> ended{false};
  const DWORD gui = GetCurrentThreadId();
  User user(gui);
  std::thread helper([&] {
    if (user.FindPrompt()) act(user);
    if (!WaitFor([&] { return ended.load(); }, 3000)) {
      ADD_FAILURE() << "the prompt was still open";
      EnumThreadWindows(
          gui,
          [](HWND w, LPARAM) CALLBACK -> BOOL {
            PostMessageW(w, WM_CLOSE, 0, 0);
            return TRUE;
          },
          0);
    }
  });
  settings::RunPasswordPrompt();
  ended = true;
  helper.join();
}

class PasswordPrompt : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    wine_test::StartServices();
    wine_test::MakeDialogFonts();
    ASSERT_NO_FATAL_FAILURE(wine_test::LoadIcons(RepoPath("resources/pictures/"), {20, 23, 24, 26, 29}));
    ASSERT_NO_FATAL_FAILURE(wine_test::CreateMainWindow(100, 100));
    wine_test::CreateMainList(8, 60, 160, 300);
  }
  static void TearDownTestSuite() { wine_test::StopServices(); }
  void SetUp() override {
    gSettings.AccessGranted = 0;
    while (ui::WaitForEvent(0) != ui::kNoEvent) {
    }
    // The "pressed since" bit outlives key presses of earlier prompts.
    GetAsyncKeyState(VK_RETURN);
  }
};

TEST_F(PasswordPrompt, WrongEntriesAreRefusedUntilTheRightOne) {
  gSettings.Passwort = settings::ShiftText("Geheim", 32);
  RunWithUser([](User& user) {
    ASSERT_TRUE(user.Type(L"geheim"));  // other letter case
    user.ClickButton();
    ASSERT_TRUE(user.Refused());
    ASSERT_TRUE(user.Type(L"Geheim "));  // a trailing blank is a byte more
    user.ClickButton();
    ASSERT_TRUE(user.Refused());
    user.ClickButton();  // empty
    ASSERT_TRUE(user.Refused());
    ASSERT_TRUE(user.Type(L"Geheim"));
    user.ClickButton();
    EXPECT_TRUE(WaitFor([&] { return user.PromptGone(); }));
  });
  EXPECT_EQ(gSettings.AccessGranted, 1);
  EXPECT_FALSE(ui::WindowHandle(kPrompt));
}

// What was typed is compared, not its nearest Windows-1252 look-alike: an l
// with stroke is no l, and a Cyrillic letter is no "?". Such a character can
// be in no stored password, and the user is told so.
TEST_F(PasswordPrompt, CharactersWindows1252LacksAreRefusedWithAMessage) {
  const DWORD gui = GetCurrentThreadId();
  for (const auto& [password, lookAlike] : {std::make_pair("Kolo", L"Ko\u0142o"), std::make_pair("a?", L"a\u0436")}) {
    SCOPED_TRACE(password);
    gSettings.AccessGranted = 0;
    gSettings.Passwort = settings::ShiftText(password, 32);
    std::string title, message;
    RunWithUser([&, lookAlike = lookAlike, password = password](User& user) {
      ASSERT_TRUE(user.Type(lookAlike));
      user.ClickButton();
      message = wine_test::AnswerMessageBox(gui, 5000, &title);
      ASSERT_TRUE(user.Refused());
      ASSERT_TRUE(user.Type(std::wstring(password, password + std::strlen(password))));
      user.ClickButton();
    });
    EXPECT_EQ(message,
              "Das Passwort enth\xE4lt ein Zeichen, das in keinem Passwort stehen kann!\r\n\r\n"
              "Erlaubt sind Buchstaben, Ziffern und Zeichen des westeurop\xE4ischen Zeichensatzes (Windows-1252).");
    EXPECT_EQ(title, settings::TitleWithVersion());
    EXPECT_EQ(gSettings.AccessGranted, 1);
  }
}

TEST_F(PasswordPrompt, EnterWorksLikeTheButton) {
  gSettings.Passwort = settings::ShiftText("Sesam", 32);
  RunWithUser([](User& user) {
    ASSERT_TRUE(user.Type(L"sesam"));
    user.PressEnter();
    ASSERT_TRUE(user.Refused());
    ASSERT_TRUE(user.Type(L"Sesam"));
    user.PressEnter();
  });
  EXPECT_EQ(gSettings.AccessGranted, 1);
}

TEST_F(PasswordPrompt, ClosingDeniesAccessEvenWithTheRightTextTyped) {
  gSettings.Passwort = settings::ShiftText("Sesam", 32);
  RunWithUser([](User& user) {
    ASSERT_TRUE(user.Type(L"Sesam"));
    user.Close();
  });
  EXPECT_EQ(gSettings.AccessGranted, 0);
  EXPECT_FALSE(ui::WindowHandle(kPrompt));
}

TEST_F(PasswordPrompt, CloseRequestOfAnotherWindowEndsThePromptAsADenial) {
  gSettings.Passwort = settings::ShiftText("Sesam", 32);
  HWND main = ui::WindowHandle(kMain);
  RunWithUser([main](User&) { PostMessageW(main, WM_CLOSE, 0, 0); });
  EXPECT_EQ(gSettings.AccessGranted, 0);
  EXPECT_TRUE(ui::WindowHandle(kMain));  // the prompt only took the request
}

TEST_F(PasswordPrompt, HandWrittenLowerCasePasswordIsUnlockedByCapitals) {
  gSettings.Passwort = "sesam";  // each byte 32 above what must be typed
  RunWithUser([](User& user) {
    ASSERT_TRUE(user.Type(L"sesam"));
    user.ClickButton();
    ASSERT_TRUE(user.Refused());
    ASSERT_TRUE(user.Type(L"SESAM"));
    user.ClickButton();
  });
  EXPECT_EQ(gSettings.AccessGranted, 1);
}

TEST_F(PasswordPrompt, WithoutAPasswordAnEmptyEntryGrantsAccess) {
  // No settings.dat leaves AccessGranted 0 with an empty password; the
  // prompt then opens, and confirming the empty field lets the user in.
  gSettings.Passwort = "";
  RunWithUser([](User& user) { user.ClickButton(); });
  EXPECT_EQ(gSettings.AccessGranted, 1);
}

}  // namespace
