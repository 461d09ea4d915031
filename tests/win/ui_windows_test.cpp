// Windows, menus, tray, fonts, events and the timer, driven with real
// windows and real messages.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "ui/controls.h"
#include "ui/events.h"
#include "ui/file_drop.h"
#include "ui/timer.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using Ev = wine_test::Event;

std::vector<Ev> Drain(int quietMs = 150) { return wine_test::Drain(quietMs); }

int Count(const std::vector<Ev>& evs, int code, int window = -2) {
  int n = 0;
  for (const auto& e : evs)
    if (e.code == code && (window == -2 || e.window == window)) ++n;
  return n;
}

void Click(int x, int y, DWORD down = MOUSEEVENTF_LEFTDOWN, DWORD up = MOUSEEVENTF_LEFTUP) {
  wine_test::ClickAt({x, y}, down, up);
}

class UiWindows : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::WindowsStartup();
    ui::ControlsStartup();
    ui::TimerStartup();
  }
  static void TearDownTestSuite() {
    ui::TimerShutdown();
    ui::TrayShutdown();
    ui::MenusShutdown();
    ui::WindowsShutdown();
    ui::FontsShutdown();
  }
  void SetUp() override {
    Drain(50);
    ui::ResetEvents();
    ui::SetMessageHook(nullptr);
  }
  void TearDown() override {
    ui::SetMessageHook(nullptr);
    for (int n : {5, 6, 7}) ui::CloseProgramWindow(n);
    Drain(50);
  }
  static constexpr uint32_t kDialog = ui::kTitleBar | ui::kCloseBox | ui::kCentreOnScreen;
};

TEST_F(UiWindows, CloseBoxGivesOneCloseRequestAndTheWindowStays) {
  ASSERT_NE(ui::CreateProgramWindow(5, 0, 0, 240, 80, "Test", kDialog, nullptr), 0);
  HWND hwnd = ui::WindowHandle(5);
  Drain();
  RECT r;
  GetWindowRect(hwnd, &r);
  // The close box sits at the right end of the caption.
  int capY = r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  int boxX = r.right - GetSystemMetrics(SM_CXFRAME) - GetSystemMetrics(SM_CXSIZE) / 2 - 1;
  ASSERT_EQ(SendMessageA(hwnd, WM_NCHITTEST, 0, MAKELPARAM(boxX, capY)), HTCLOSE);
  Click(boxX, capY);
  auto evs = Drain(300);
  EXPECT_EQ(Count(evs, ui::kWindowCloseRequest, 5), 1);
  EXPECT_TRUE(IsWindow(hwnd));
  // The keyboard way (Alt+F4 arrives as the system close command) too.
  SendMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  evs = Drain();
  EXPECT_EQ(Count(evs, ui::kWindowCloseRequest, 5), 1);
  EXPECT_TRUE(IsWindow(hwnd));
}

TEST_F(UiWindows, MovesCollapseIntoOneEventAndMinimisingReportsNoResize) {
  ASSERT_NE(ui::CreateProgramWindow(5, 10, 10, 200, 100, "Move", ui::kTitleBar | ui::kCloseBox, nullptr), 0);
  Drain();
  for (int i = 0; i < 20; ++i) ui::MoveResizeWindow(5, 20 + i, 30 + i, ui::kKeepValue, ui::kKeepValue);
  auto evs = Drain();
  EXPECT_EQ(Count(evs, ui::kWindowMoved, 5), 1);

  HWND hwnd = ui::WindowHandle(5);
  ShowWindow(hwnd, SW_MINIMIZE);
  evs = Drain();
  EXPECT_EQ(Count(evs, ui::kWindowResized, 5), 0);
  ShowWindow(hwnd, SW_RESTORE);
  evs = Drain();
  EXPECT_GE(Count(evs, ui::kWindowResized, 5), 1);
}

LRESULT SwallowClose(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_CLOSE ? 1 : ui::kProcessDefault; }
LRESULT PassEverything(HWND, UINT, WPARAM, LPARAM) { return ui::kProcessDefault; }

TEST_F(UiWindows, HookReturningOneSuppressesHandlingAndEvent) {
  ASSERT_NE(ui::CreateProgramWindow(5, 0, 0, 100, 50, "Hook", kDialog, nullptr), 0);
  HWND hwnd = ui::WindowHandle(5);
  Drain();
  ui::SetMessageHook(SwallowClose);
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(Count(Drain(), ui::kWindowCloseRequest), 0);
  ui::SetMessageHook(PassEverything);
  PostMessageA(hwnd, WM_CLOSE, 0, 0);
  auto evs = Drain();
  EXPECT_EQ(Count(evs, ui::kWindowCloseRequest, 5), 1);
}

LRESULT OutOfMemory(HWND, UINT msg, WPARAM, LPARAM) {
  if (msg == WM_USER + 9) throw std::bad_alloc();
  return ui::kProcessDefault;
}

// A window that runs through the program's procedure without being one of
// its numbered windows, and a callback that runs out of memory there.
TEST_F(UiWindows, UnnumberedWindowsGiveMinusOneAndNoExceptionLeavesTheProcedure) {
  ASSERT_NE(ui::CreateProgramWindow(5, 0, 0, 100, 50, "Nummer", kDialog, nullptr), 0);
  HWND numbered = ui::WindowHandle(5);
  WNDCLASSW cls = {};
  cls.lpfnWndProc = ui::ProgramWindowProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"TrovantoTestUnnumbered";
  RegisterClassW(&cls);
  HWND plain = CreateWindowW(cls.lpszClassName, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, cls.hInstance, nullptr);
  ASSERT_NE(plain, nullptr);
  Drain();
  SendMessageA(numbered, WM_CLOSE, 0, 0);
  EXPECT_EQ(ui::WaitForEvent(0), ui::kWindowCloseRequest);
  EXPECT_EQ(ui::EventWindowNumber(), 5);
  PostMessageA(plain, WM_USER + 7, 0, 0);
  EXPECT_EQ(ui::WaitForEvent(0), static_cast<int>(WM_USER + 7));
  EXPECT_EQ(ui::EventWindowNumber(), -1);

  ui::SetMessageHook(OutOfMemory);
  PostMessageA(numbered, WM_USER + 9, 0, 0);
  PostMessageA(numbered, WM_CLOSE, 0, 0);
  std::vector<Ev> evs;
  EXPECT_NO_THROW(evs = Drain());
  EXPECT_EQ(Count(evs, ui::kWindowCloseRequest, 5), 1) << "the loop did not go on after the failed message";
  DestroyWindow(plain);
}

TEST_F(UiWindows, TrayMouseMessagesBecomeTrayEvents) {
  ASSERT_NE(ui::CreateProgramWindow(5, 0, 0, 100, 50, "Tray", kDialog | ui::kStartHidden, nullptr), 0);
  HWND hwnd = ui::WindowHandle(5);
  HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
  EXPECT_EQ(ui::AddTrayIcon(9, nullptr, icon), 0);
  EXPECT_EQ(ui::AddTrayIcon(9, hwnd, nullptr), 0);
  ASSERT_NE(ui::AddTrayIcon(9, hwnd, icon), 0);
  struct {
    UINT mouse;
    int type;  // -1: no event
  } cases[] = {{WM_LBUTTONDBLCLK, 2}, {WM_RBUTTONUP, 1}, {WM_LBUTTONUP, 0}, {WM_RBUTTONDBLCLK, 3},
               {WM_MOUSEMOVE, -1}, {WM_LBUTTONDOWN, -1}};
  for (const auto& c : cases) {
    PostMessageA(hwnd, ui::kMsgTrayCallback, 9, c.mouse);
    auto evs = Drain();
    if (c.type < 0) {
      EXPECT_EQ(Count(evs, ui::kTrayEvent), 0) << c.mouse;
    } else {
      ASSERT_EQ(Count(evs, ui::kTrayEvent), 1) << c.mouse;
      for (const auto& e : evs)
        if (e.code == ui::kTrayEvent) {
          EXPECT_EQ(e.type, c.type);
          EXPECT_EQ(e.source, 9);
          EXPECT_EQ(e.window, 5);
        }
    }
  }
  ui::TrayShutdown();
}

// Drops from sources that do not speak OLE: the names wait for the event,
// and a disabled window (a prompt in front of it) takes nothing.
TEST_F(UiWindows, DropMessageBecomesOneEventWithTheNamesUnlessDisabled) {
  ASSERT_NE(ui::CreateProgramWindow(5, 0, 0, 100, 50, "Drop", kDialog, nullptr), 0);
  ASSERT_EQ(ui::AcceptFileDrops(5), 1);
  EXPECT_EQ(ui::AcceptFileDrops(77), 0);
  HWND hwnd = ui::WindowHandle(5);
  EXPECT_TRUE(GetWindowLongPtrA(hwnd, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  const std::vector<std::string> names = {"C:\\Tools\\Beta Tool.exe", "C:\\Tools\\readme.txt", "D:\\\xe4.bat"};
  auto post = [&] {
    std::string list;
    for (const auto& n : names) list += n + '\0';
    list += '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(memory);
    PostMessageA(hwnd, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
  };
  for (bool disabled : {false, true}) {
    SCOPED_TRACE(disabled ? "disabled" : "enabled");
    ui::DisableProgramWindow(5, disabled ? 1 : 0);
    post();
    auto evs = Drain();
    EXPECT_EQ(Count(evs, ui::kFilesDropped, 5), disabled ? 0 : 1);
    EXPECT_EQ(ui::TakeDroppedFiles(), disabled ? std::vector<std::string>{} : names);
    EXPECT_TRUE(ui::TakeDroppedFiles().empty()) << "names handed out twice";
  }
  ui::FileDropShutdown();
}

TEST_F(UiWindows, MenuChoiceGivesMenuEventAndOpensBesideThePointer) {
  ASSERT_NE(ui::CreateProgramWindow(5, 100, 100, 200, 200, "Menu", ui::kTitleBar, nullptr), 0);
  HWND hwnd = ui::WindowHandle(5);
  ASSERT_NE(ui::NewPopupMenu(57), nullptr);
  ui::OpenTopSubmenu("Ausrichtung");
  ui::AddMenuItem(1, "Links unten");
  ui::AddMenuItem(3, "Rechts unten");
  ui::CloseSubmenu();
  ui::AddMenuSeparator();
  ui::AddMenuItem(0, "Beenden");
  Drain();

  SetCursorPos(300, 300);
  std::atomic<bool> seen{false};
  RECT menuRect = {};
  std::thread chooser([&] {
    for (int i = 0; i < 100 && !seen; ++i) {
      HWND m = FindWindowA("#32768", nullptr);
      if (m && IsWindowVisible(m)) {
        GetWindowRect(m, &menuRect);
        seen = true;
        // Up from the top wraps to the last item, "Beenden".
        for (WORD vk : {VK_UP, VK_RETURN}) {
          INPUT in[2] = {};
          in[0].type = in[1].type = INPUT_KEYBOARD;
          in[0].ki.wVk = in[1].ki.wVk = vk;
          in[1].ki.dwFlags = KEYEVENTF_KEYUP;
          SendInput(2, in, sizeof(INPUT));
          Sleep(100);
        }
      }
      Sleep(50);
    }
  });
  ui::ShowPopupMenu(57, hwnd);
  chooser.join();
  ASSERT_TRUE(seen);
  EXPECT_EQ(menuRect.left, 299);
  EXPECT_EQ(menuRect.top, 299);
  auto evs = Drain();
  ASSERT_EQ(Count(evs, ui::kMenuEvent), 1);
  for (const auto& e : evs)
    if (e.code == ui::kMenuEvent) {
      EXPECT_EQ(e.source, 0);
    }
  ui::MenusShutdown();
}

std::atomic<int> gFirstCalls{0}, gSecondCalls{0};
void FirstProc() { ++gFirstCalls; }
void SecondProc() { ++gSecondCalls; }

TEST_F(UiWindows, TimerSlotsRefuseOutsideRangeAndRestartReplaces) {
  EXPECT_EQ(ui::StartPeriodicTimer(16, 10, FirstProc), 0u);
  EXPECT_EQ(ui::StartPeriodicTimer(-1, 10, FirstProc), 0u);
  ASSERT_NE(ui::StartPeriodicTimer(0, 10, FirstProc), 0u);
  auto waitFor = [](std::atomic<int>& calls) {
    for (int i = 0; i < 200 && calls.load() == 0; ++i) Sleep(10);
    return calls.load() > 0;
  };
  EXPECT_TRUE(waitFor(gFirstCalls));
  ASSERT_NE(ui::StartPeriodicTimer(0, 10, SecondProc), 0u);
  EXPECT_TRUE(waitFor(gSecondCalls));
  int first = gFirstCalls.load();
  Sleep(150);
  EXPECT_EQ(gFirstCalls.load(), first) << "the replaced procedure is still called";
  ui::StopPeriodicTimer(0);
  int second = gSecondCalls.load();
  Sleep(100);
  EXPECT_EQ(gSecondCalls.load(), second);
}

TEST_F(UiWindows, ZeroTimeoutReturnsAtOnceAndDeferredEventsComeFirst) {
  DWORD t0 = GetTickCount();
  EXPECT_EQ(ui::WaitForEvent(0), ui::kNoEvent);
  EXPECT_LT(GetTickCount() - t0, 50u);
  ASSERT_NE(ui::CreateProgramWindow(5, 0, 0, 100, 50, "Deferred", kDialog, nullptr), 0);
  Drain();
  HWND hwnd = ui::WindowHandle(5);
  SendMessageA(hwnd, WM_CLOSE, 0, 0);  // handled now, queued as a deferred event
  PostMessageA(hwnd, WM_USER + 5, 0, 0);
  // Work left for after the first paint runs once, before any event is
  // handed out, even one already queued.
  static int runs;
  static bool closeWaiting;
  runs = 0;
  ui::RunBeforeFirstEvent([] {
    ++runs;
    MSG m;
    closeWaiting = PeekMessageA(&m, nullptr, WM_USER + 5, WM_USER + 5, PM_NOREMOVE) != 0;
  });
  EXPECT_EQ(ui::WaitForEvent(0), ui::kWindowCloseRequest);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(closeWaiting);
  EXPECT_EQ(ui::EventWindowNumber(), 5);
  EXPECT_EQ(ui::WaitForEvent(0), static_cast<int>(WM_USER + 5));
  EXPECT_EQ(runs, 1);

  // A fetched key-down is kept for its window until asked for once, even
  // after the key is up; asked for another window, it is dropped.
  ASSERT_NE(ui::CreateProgramWindow(6, 0, 0, 100, 50, "Other", kDialog, nullptr), 0);
  Drain();
  PostMessageA(hwnd, WM_KEYDOWN, VK_NUMPAD5, 1);
  PostMessageA(hwnd, WM_KEYUP, VK_NUMPAD5, 0xC0000001);
  PostMessageA(hwnd, WM_KEYDOWN, VK_ESCAPE, 1);
  Drain();
  EXPECT_TRUE(ui::TakeKeyDown(VK_NUMPAD5, hwnd));
  EXPECT_FALSE(ui::TakeKeyDown(VK_NUMPAD5, hwnd)) << "one press counted twice";
  EXPECT_FALSE(ui::TakeKeyDown(VK_NUMPAD9, hwnd));
  EXPECT_FALSE(ui::TakeKeyDown(VK_ESCAPE, ui::WindowHandle(6))) << "a key for one window counted for another";
  EXPECT_FALSE(ui::TakeKeyDown(VK_ESCAPE, hwnd));
}

TEST_F(UiWindows, GeometryCentringShrinkingAndKeepValue) {
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_NE(ui::CreateProgramWindow(6, 0, 0, sw + 400, sh + 300, "Big", kDialog, nullptr), 0);
  RECT r;
  GetWindowRect(ui::WindowHandle(6), &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_LE(r.right - r.left, sw);
  EXPECT_LE(r.bottom - r.top, sh);

  ASSERT_NE(ui::CreateProgramWindow(5, 30, 40, 216, 408, "Main", ui::kBorderlessPopup, nullptr), 0);
  HWND hwnd = ui::WindowHandle(5);
  RECT c;
  GetClientRect(hwnd, &c);
  EXPECT_EQ(c.right, 216);
  EXPECT_EQ(c.bottom, 408);
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.top, 40);
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_CAPTION, 0);

  ui::MoveResizeWindow(5, ui::kKeepValue, ui::kKeepValue, ui::kKeepValue, ui::kKeepValue);
  GetWindowRect(hwnd, &r);
  EXPECT_EQ(r.left, 30);
  ui::MoveResizeWindow(5, 404, 180, ui::kKeepValue, ui::kKeepValue);
  GetWindowRect(hwnd, &r);
  GetClientRect(hwnd, &c);
  EXPECT_EQ(r.left, 404);
  EXPECT_EQ(r.top, 180);
  EXPECT_EQ(c.right, 216);
  EXPECT_EQ(c.bottom, 408);

  // A window of the same number replaces the old one.
  ASSERT_NE(ui::CreateProgramWindow(5, 0, 0, 50, 50, "Again", kDialog, nullptr), 0);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(ui::WindowHandle(99), nullptr);
  EXPECT_EQ(ui::CloseProgramWindow(99), 0);
}

TEST_F(UiWindows, ForegroundNumberAndClosingADialogActivatesItsOwner) {
  ASSERT_NE(ui::CreateProgramWindow(5, 50, 50, 216, 408, "Owner", ui::kTitleBar, nullptr), 0);
  HWND owner = ui::WindowHandle(5);
  ASSERT_NE(ui::CreateProgramWindow(6, 0, 0, 240, 80, "Dialog", kDialog, owner), 0);
  ui::ActivateProgramWindow(6);
  Drain();
  EXPECT_EQ(ui::ForegroundWindowNumber(), 6);
  EXPECT_EQ(GetWindow(ui::WindowHandle(6), GW_OWNER), owner);
  ui::CloseProgramWindow(6);
  Drain();
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_EQ(ui::ForegroundWindowNumber(), 5);
}

void PressTab(bool shift) {
  std::vector<INPUT> in;
  auto key = [&](WORD vk, DWORD flags) {
    INPUT i = {};
    i.type = INPUT_KEYBOARD;
    i.ki.wVk = vk;
    i.ki.dwFlags = flags;
    in.push_back(i);
  };
  if (shift) key(VK_SHIFT, 0);
  key(VK_TAB, 0);
  key(VK_TAB, KEYEVENTF_KEYUP);
  if (shift) key(VK_SHIFT, KEYEVENTF_KEYUP);
  SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
  Drain();
}

TEST_F(UiWindows, TabAndShiftTabWalkTheEnabledVisibleTabStopsInCircles) {
  ASSERT_NE(ui::CreateProgramWindow(5, 100, 100, 300, 200, "Tabs", kDialog, nullptr), 0);
  ui::UseControlParent(ui::WindowHandle(5));
  for (int n = 1; n <= 4; ++n) ASSERT_NE(ui::CreateEditField(n, 10, 10 + 30 * (n - 1), 100, 20, "", 0), 0);
  ui::DisableControl(2, 1);
  ShowWindow(ui::ControlHandle(3), SW_HIDE);
  ui::ActivateProgramWindow(5);
  ui::FocusControl(1);
  Drain();
  ASSERT_EQ(ui::FocusedControl(), 1);
  PressTab(false);
  EXPECT_EQ(ui::FocusedControl(), 4) << "disabled and hidden fields are skipped";
  PressTab(false);
  EXPECT_EQ(ui::FocusedControl(), 1) << "Tab on the last goes to the first";
  PressTab(true);
  EXPECT_EQ(ui::FocusedControl(), 4) << "Shift+Tab on the first goes to the last";
  PressTab(true);
  EXPECT_EQ(ui::FocusedControl(), 1);
}

// Moved to a display of another scale, a window lays itself and every
// control out again from the sizes it was given at 96 DPI, tells the program,
// and comes back to the very same pixels at 96 DPI.
int gDpiWindow = 0, gDpiSeen = 0;

TEST_F(UiWindows, ADisplayOfAnotherScaleLaysTheWindowAndItsControlsOutAgain) {
  ui::SetProgramDpi(96);
  ASSERT_NE(ui::CreateProgramWindow(5, 30, 40, 216, 408, "Main", ui::kBorderlessPopup, nullptr), 0);
  HWND window = ui::WindowHandle(5);
  ASSERT_NE(ui::UseControlParent(window), nullptr);
  ui::SetControlFont(-1, ui::MakeFont(12, "Arial", 8, 0));
  ASSERT_NE(ui::CreateTextControl(301, 9, 63, 139, 30, "Text", 0), 0);
  ASSERT_NE(ui::CreateContainer(302, 156, 63, 51, 304, 1), 0);
  ASSERT_NE(ui::CreateImageButton(303, 6, 6, 38, 32, nullptr), 0);
  ui::EndContainer();
  ui::OnDpiChanged([](int number, int dpi) {
    gDpiWindow = number;
    gDpiSeen = dpi;
    ui::SetProgramDpi(dpi);
    ui::RemakeFontsAndPictures();
  });
  auto placed = [](int control) {
    HWND c = ui::ControlHandle(control);
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, GetParent(c), reinterpret_cast<POINT*>(&r), 2);
    return std::vector<LONG>{r.left, r.top, r.right - r.left, r.bottom - r.top};
  };
  auto fontHeight = [] {
    LOGFONTA lf{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageW(ui::ControlHandle(301), WM_GETFONT, 0, 0)), sizeof lf, &lf);
    return lf.lfHeight;
  };
  struct Step {
    int dpi;
    POINT at;
    std::vector<LONG> text, button;
    LONG clientWidth, clientHeight, font;
  } steps[] = {{144, {100, 50}, {14, 95, 209, 45}, {9, 9, 57, 48}, 324, 612, -16},
               {120, {0, 0}, {11, 79, 174, 38}, {8, 8, 48, 40}, 270, 510, -13},
               {96, {30, 40}, {9, 63, 139, 30}, {6, 6, 38, 32}, 216, 408, -11}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.dpi);
    RECT suggested = {step.at.x, step.at.y, step.at.x + 10, step.at.y + 10};  // the size is the system's guess
    SendMessageW(window, 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(step.dpi, step.dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(gDpiWindow, 5);
    EXPECT_EQ(gDpiSeen, step.dpi);
    RECT r, c;
    GetWindowRect(window, &r);
    GetClientRect(window, &c);
    EXPECT_EQ(r.left, step.at.x);
    EXPECT_EQ(r.top, step.at.y);
    EXPECT_EQ(c.right, step.clientWidth);
    EXPECT_EQ(c.bottom, step.clientHeight);
    EXPECT_EQ(placed(301), step.text);
    EXPECT_EQ(placed(303), step.button);
    EXPECT_EQ(fontHeight(), step.font);
  }
  // A size given later is scaled as well.
  ui::SetProgramDpi(96);
  SendMessageW(window, 0x02E0, MAKEWPARAM(144, 144), 0);
  ui::MoveResizeWindow(5, ui::kKeepValue, ui::kKeepValue, 100, 60);
  RECT c;
  GetClientRect(window, &c);
  EXPECT_EQ(c.right, 150);
  EXPECT_EQ(c.bottom, 90);
  ui::OnDpiChanged(nullptr);
  ui::SetProgramDpi(96);
}

TEST_F(UiWindows, FontHeightFollowsThePointSize) {
  HDC dc = GetDC(nullptr);
  int dpi = GetDeviceCaps(dc, LOGPIXELSY);
  ReleaseDC(nullptr, dc);
  HFONT f = ui::MakeFont(12, "Arial", 8, ui::kFontBold | ui::kFontItalic);
  ASSERT_NE(f, nullptr);
  LOGFONTA lf;
  ASSERT_NE(GetObjectA(f, sizeof lf, &lf), 0);
  EXPECT_EQ(lf.lfHeight, -MulDiv(8, dpi, 72));
  if (dpi == 96) {
    EXPECT_EQ(lf.lfHeight, -11);
  }
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_TRUE(lf.lfItalic);
  EXPECT_FALSE(lf.lfUnderline);
  EXPECT_STREQ(lf.lfFaceName, "Arial");
  // Reusing the number replaces the font.
  HFONT g = ui::MakeFont(12, "Arial", 7, 0);
  EXPECT_EQ(ui::FontHandle(12), g);
  EXPECT_EQ(GetObjectType(f), 0u);
}

TEST_F(UiWindows, DisplaysHaveThePrimaryFirst) {
  ASSERT_GE(ui::ScanDisplays(), 1);
  EXPECT_EQ(ui::DisplayWidth(0), GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(ui::DisplayHeight(0), GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(ui::DisplayWidth(-1), 0);
  EXPECT_EQ(ui::DisplayWidth(ui::ScanDisplays()), 0);
}

}  // namespace
