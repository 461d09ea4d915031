// End-to-end journeys: trovanto.exe started from a folder that plays the USB
// stick under its own drive letter, driven only with the pointer, the keys
// and what the screen and the windows show, then judged by the files on the
// drive and the programs it started.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/driver.h"

namespace {

using namespace e2e;

constexpr char kMainClass[] = "TrovantoWindow60";
constexpr char kInfoClass[] = "TrovantoWindow61";
constexpr char kAddChangeClass[] = "TrovantoWindow62";
constexpr char kRemoveClass[] = "TrovantoWindow63";
constexpr char kPromptClass[] = "TrovantoWindow64";
constexpr char kSettingsClass[] = "TrovantoWindow65";
constexpr char kRequesterClass[] = "#32770";
constexpr char kMenuClass[] = "#32768";
constexpr char kTitle[] = "Trovanto v1.0";

// The five places on the 1024 x 768 display, by keypad digit.
struct Place {
  WORD key;
  int menuIndex;  // position in the "Ausrichtung" submenu
  POINT at;
};
const Place kPlaces[] = {{VK_NUMPAD1, 0, {0, 330}},
                         {VK_NUMPAD3, 1, {808, 330}},
                         {VK_NUMPAD5, 2, {404, 180}},
                         {VK_NUMPAD7, 3, {0, 0}},
                         {VK_NUMPAD9, 4, {808, 0}}};
constexpr POINT kCentre = {404, 180};

RECT WorkArea() {
  RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

// A place on the screen in the display's pixels, which both the launcher and
// this process work in: on 1024 x 768 at 96 DPI the table's, elsewhere the
// same corners and centre of the screen for the window at its scaled size,
// kept inside the work area.
POINT PlaceOnThisScreen(const Place& place) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (w == 1024 && h == 768 && ScreenDpi() == 96) return place.at;
  const int digit = place.key - VK_NUMPAD0;
  const int width = Scaled(216), height = Scaled(408);
  POINT p = {digit == 3 || digit == 9 ? w - width : digit == 5 ? w / 2 - width / 2 : 0,
             digit == 1 || digit == 3 ? h - height - Scaled(30) : digit == 5 ? h / 2 - height / 2 : 0};
  const RECT work = WorkArea();
  p.x = std::max<LONG>(std::min<LONG>(p.x, work.right - width), work.left);
  p.y = std::max<LONG>(std::min<LONG>(p.y, work.bottom - height), work.top);
  return p;
}

::testing::AssertionResult WhollyInWorkArea(HWND hwnd) {
  const RECT r = ScreenRect(hwnd), work = WorkArea();
  if (r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "window at (" << r.left << ", " << r.top << ", " << r.right << ", "
                                       << r.bottom << "), work area (" << work.left << ", " << work.top << ", "
                                       << work.right << ", " << work.bottom << ")";
}

std::string Crlf(std::initializer_list<std::string> lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

struct Entry {
  std::string name, path;
};

// applications.dat as the launcher writes it.
std::string CatalogueText(const std::vector<Entry>& entries) {
  std::string text;
  for (const Entry& e : entries) text += Crlf({"[" + e.name + "]", "Datei = " + e.path, "Icon = " + e.path});
  return text;
}

std::string Scrambled(const std::string& plain) {
  std::string out = plain;
  for (char& c : out) c = static_cast<char>(static_cast<unsigned char>(c) + 32);
  return out;
}

// settings.dat as the launcher writes it with the default font and no skin.
std::string SettingsText(int alignment, POINT at, int topmost, int docking, const std::string& password) {
  return Crlf({"[Einstellungen]", "Schriftart = Arial", "Schriftfarbe = 0", "Schriftgrösse = 8", "Style = 0",
               ";   0 = Normal", ";   4 = Unterstrichen", ";   8 = Durchgestrichen", ";  16 = Hohe Qualität",
               "; 256 = Fett", "; 512 = Kursiv", "Fensterausrichtung = " + std::to_string(alignment),
               "; 0 = Auf x & y ausrichten", "; 1 = Links unten", "; 3 = Rechts unten", "; 5 = Zentriert",
               "; 7 = Links oben", "; 9 = Rechts oben", "Fensterpositionx = " + std::to_string(at.x),
               "Fensterpositiony = " + std::to_string(at.y), "Fensteroption = " + std::to_string(topmost),
               "; 0 = Normal", "; 1 = Immer im Vordergrund", "Fensterdocking = " + std::to_string(docking),
               "; 0 = Aus", "; 1 = An", "Passwort = " + Scrambled(password), "; Passwort leer = Keine Passwortabfrage",
               "Skin = "});
}

std::string Garbage(size_t size, unsigned seed) {
  std::string data(size, '\0');
  for (char& c : data) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return data;
}

std::string RecordLine(const std::string& program, char letter) {
  return "\"" + std::string(1, letter) + ":" + program + "\"\t" + std::string(1, letter) + ":\\";
}

bool SamePlace(HWND hwnd, POINT at) {
  RECT r = ScreenRect(hwnd);
  return r.left == at.x && r.top == at.y;
}

std::string Where(HWND hwnd) {
  RECT r = ScreenRect(hwnd);
  return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ")";
}

// ---- the status strip's expected pictures, drawn here with the same fonts ----

class Canvas {
 public:
  Canvas() {
    HDC screen = GetDC(nullptr);
    dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
    dc_ = CreateCompatibleDC(screen);
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = kWidth;
    bi.bmiHeader.biHeight = -kHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    dib_ = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, dib_);
    ReleaseDC(nullptr, screen);
    RECT all = {0, 0, kWidth, kHeight};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(dib_);
    DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  void Box(int x, int y, int w, int h, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    RECT r = {x, y, x + w, y + h};
    FillRect(dc_, &r, brush);
    DeleteObject(brush);
  }
  // Centred on column 99 like the strip's texts.
  std::string CentredText(const std::string& text, int points, int y) {
    HFONT font = CreateFontA(-MulDiv(points, dpi_, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             "Arial");
    HGDIOBJ old = SelectObject(dc_, font);
    SIZE size = {};
    GetTextExtentPoint32A(dc_, text.c_str(), static_cast<int>(text.size()), &size);
    SetBkMode(dc_, TRANSPARENT);
    SetTextColor(dc_, RGB(0, 0, 0));
    TextOutA(dc_, 99 - size.cx / 2, y, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc_, old);
    DeleteObject(font);
    return text;
  }
  Shot Picture() const {
    GdiFlush();
    Shot s;
    s.width = kWidth;
    s.height = kHeight;
    s.pixels.resize(kWidth * kHeight);
    for (int i = 0; i < kWidth * kHeight; ++i) s.pixels[i] = static_cast<const uint32_t*>(bits_)[i] & 0xFFFFFF;
    return s;
  }

  static constexpr int kWidth = 198, kHeight = 24;

 private:
  int dpi_ = 96;
  HDC dc_ = nullptr;
  HBITMAP dib_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

Shot UpperBar(const std::string& text) {
  Canvas c;
  c.CentredText(text, 8, -1);
  return c.Picture();
}

std::string DateText(const SYSTEMTIME& t) {
  static const char* const kDays[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};
  char text[64];
  std::snprintf(text, sizeof text, "%s %02d.%02d.%02d / %02d:%02d Uhr", kDays[t.wDayOfWeek], t.wDay, t.wMonth,
                t.wYear % 100, t.wHour, t.wMinute);
  return text;
}

struct Gauge {
  Shot picture;
  std::string text;
};

Gauge LowerBar(const std::string& drive, uint64_t total, uint64_t free) {
  Canvas c;
  static const COLORREF kStripes[5] = {RGB(192, 192, 192), RGB(208, 208, 208), RGB(224, 224, 224),
                                       RGB(208, 208, 208), RGB(192, 192, 192)};
  int length = static_cast<int>(std::lround(185.0 / static_cast<double>(total) * static_cast<double>(total - free)));
  for (int i = 0; i < 5; ++i) c.Box(0, 13 + 2 * i, length, 2, kStripes[i]);
  float t = static_cast<float>(total), f = static_cast<float>(free);
  const char* unit = "MB";
  if (t / 1000000 < 1000) {
    t /= 1000000;
    f /= 1000000;
  } else {
    t /= 1000000000;
    f /= 1000000000;
    unit = "GB";
  }
  int percent = static_cast<int>(std::nearbyint(100 - 100 / t * f));
  char text[96];
  std::snprintf(text, sizeof text, "%s %.2f%s / %.2f%s %d%%", drive.c_str(), f, unit, t, unit, percent);
  c.CentredText(text, 7, 13);
  return Gauge{c.Picture(), text};
}

// Pixels that differ inside a rectangle of two strip pictures.
int Differences(const Shot& a, const Shot& b, int left, int top, int right, int bottom) {
  if (a.width < right + 1 || b.width < right + 1 || a.height < bottom + 1 || b.height < bottom + 1) return -1;
  int n = 0;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x)
      if (a.At(x, y) != b.At(x, y)) ++n;
  return n;
}
int UpperBarDifferences(const Shot& a, const Shot& b) { return Differences(a, b, 1, 1, 196, 10); }
int GaugeDifferences(const Shot& a, const Shot& b) { return Differences(a, b, 1, 13, 185, 22); }

enum class Lamp { kGreen, kRed, kOther };
Lamp LampOf(const Shot& strip) {
  uint32_t c = strip.At(192, 18);
  if (c == 0x00A000) return Lamp::kGreen;
  if (c == 0xA00000) return Lamp::kRed;
  return Lamp::kOther;
}

// ---- the fixture: one launcher process per journey ----

class Journeys : public ::testing::Test {
 protected:
  void SetUp() override { DrainKeyState(); }

  void TearDown() override {
    if (launcher_.Running()) {
      const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
      SaveScreen(std::string("left-running-") + info->name());
      launcher_.Kill();
    }
  }

  // Starts the launcher from the drive's root and waits until it is shown.
  ::testing::AssertionResult StartOn(const Drive& drive, DWORD timeoutMs = 20000, const std::wstring& folder = L"",
                                     const std::string& currentDir = "") {
    DrainKeyState();
    DWORD started = GetTickCount();
    if (!launcher_.StartFrom(drive, folder, currentDir, timeoutMs)) {
      DWORD code = 0;
      bool ended = launcher_.WaitExit(&code, 0);
      SaveScreen(std::string("not-shown-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
      auto failure = ::testing::AssertionFailure() << "main window not shown within " << (GetTickCount() - started) << " ms";
      if (ended) failure << "; the launcher ended with exit code 0x" << std::hex << code;
      return failure;
    }
    DWORD_PTR ignored;
    if (!SendMessageTimeoutA(Main(), WM_NULL, 0, 0, 0, timeoutMs, &ignored))
      return ::testing::AssertionFailure() << "launcher does not answer after showing its window";
    if (Title(Main()) != kTitle) return ::testing::AssertionFailure() << "title " << Title(Main());
    // Wine's stand-in tray comes up in the top left corner, where one of the
    // window's places is and where its menu would open. Under a fresh
    // wineserver it appears only when the launcher adds its icon, just
    // after the window is shown: waited for, then moved aside.
    WaitUntil([] { return !TrayIconRects().empty(); }, 5000);
    MoveTrayAside();
    Pause(150);
    return ::testing::AssertionSuccess();
  }

  void QuitExpectingZero() {
    DWORD code = 1234;
    bool ended = launcher_.Quit(&code);
    if (!ended) SaveScreen(std::string("quit-failed-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    EXPECT_TRUE(ended) << "the quit button did not end the launcher";
    if (ended) {
      EXPECT_EQ(code, 0u);
    }
  }

  HWND Main() const { return launcher_.Main(); }
  HWND MainList() const { return launcher_.Control(89); }

  void Command(int button) {
    BringToFront(Main());
    ClickWindow(launcher_.Control(button));
  }

  HWND WaitFor(const char* cls, DWORD timeoutMs = 3000) const { return launcher_.WaitWindowOfClass(cls, timeoutMs); }

  // A dialog of the launcher, once its last control has been created.
  HWND WaitForDialog(const char* cls, DWORD timeoutMs = 3000) const {
    static const std::pair<const char*, int> kLastControl[] = {
        {kInfoClass, 43}, {kAddChangeClass, 49}, {kRemoveClass, 45}, {kPromptClass, 44}, {kSettingsClass, 53}};
    HWND dialog = WaitFor(cls, timeoutMs);
    for (const auto& last : kLastControl)
      if (dialog && std::string(last.first) == cls && !WaitUntil([&] { return FindChild(dialog, last.second); }, timeoutMs))
        return nullptr;
    return dialog;
  }

  // A message box or file requester of the launcher with the given title.
  HWND WaitRequester(const std::string& title, DWORD timeoutMs = 5000) const {
    HWND found = nullptr;
    WaitUntil(
        [&] {
          for (HWND w : launcher_.TopWindows())
            if (ClassOf(w) == kRequesterClass && Title(w) == title) found = w;
          return found != nullptr;
        },
        timeoutMs);
    return found;
  }

  static void Click(HWND dialog, int control) {
    HWND c = FindChild(dialog, control);
    ASSERT_NE(c, nullptr) << "control " << control;
    ClickWindow(c);
  }

  void CloseWithCloseBox(HWND window) {
    BringToFront(window);
    POINT p;
    ASSERT_TRUE(CloseBoxPoint(window, &p)) << "no close box";
    LeftClick(p);
  }

  // Types the path into the open-file requester and confirms with Enter.
  ::testing::AssertionResult ChooseFile(const std::string& title, const std::string& path) {
    HWND requester = WaitRequester(title);
    if (!requester) return ::testing::AssertionFailure() << "no requester \"" << title << "\"";
    HWND nameField = nullptr;
    for (HWND w : Children(requester))
      if (ClassOf(w) == "Edit" && IsWindowVisible(w)) nameField = w;
    if (!nameField) return ::testing::AssertionFailure() << "requester without a file name field";
    BringToFront(requester);
    ClickWindow(nameField);
    TypeText(path);
    // Under load the typed keys may still be on their way, and the virtual
    // display may drop one or hand the focus elsewhere. Once the field holds
    // the name or stops changing, it gets the name the user meant to type: set
    // any earlier and late keys would land behind it.
    auto settle = [&] {
      std::string last = "\x01";
      WaitUntil(
          [&] {
            const std::string now = WindowText(nameField);
            const bool settled = now == path || now == last;
            last = now;
            return settled;
          },
          3000, 200);
      if (WindowText(nameField) != path) SendMessageA(nameField, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    };
    settle();
    BringToFront(requester);
    Key(VK_RETURN);
    for (int attempt = 0; attempt < 2 && !WaitUntil([&] { return !IsWindow(requester); }, 2500); ++attempt) {
      // A complaint about the name ("not found") sits on the requester: it is
      // answered, and the name goes in again before OK.
      for (HWND w : launcher_.TopWindows())
        if (w != requester && ClassOf(w) == kRequesterClass && GetWindow(w, GW_OWNER) == requester)
          AnswerMessageBox(w);
      settle();
      HWND ok = GetDlgItem(requester, IDOK);
      if (ok) ClickWindow(ok);
    }
    if (!WaitUntil([&] { return !IsWindow(requester); }, 2500))
      return ::testing::AssertionFailure() << "requester still open after choosing " << path << " (name field \""
                                           << WindowText(nameField) << "\")";
    Pause(200);
    return ::testing::AssertionSuccess();
  }

  // A launcher message box: its text, after dismissing it with its button.
  std::string AnswerMessageBox(HWND box) {
    std::string text;
    HWND button = nullptr;
    for (HWND w : Children(box)) {
      if (ClassOf(w) == "Static" && !WindowText(w).empty()) text = WindowText(w);
      if (ClassOf(w) == "Button" && IsWindowVisible(w)) button = w;
    }
    BringToFront(box);
    if (button) ClickWindow(button);
    WaitUntil([&] { return !IsWindow(box); }, 3000);
    return text;
  }

  void DoubleClickItem(HWND list, int index) {
    RECT r;
    ASSERT_TRUE(ListItemRect(list, index, &r, LVIR_ICON)) << "item " << index;
    BringToFront(GetAncestor(list, GA_ROOT));
    DoubleClick(Centre(r));
    Pause(100);
  }

  void ClickItem(HWND list, int index) {
    RECT r;
    ASSERT_TRUE(ListItemRect(list, index, &r, LVIR_ICON)) << "item " << index;
    BringToFront(GetAncestor(list, GA_ROOT));
    LeftClick(Centre(r));
    ASSERT_TRUE(WaitUntil([&] { return ListSelected(list) == index; }, 2000)) << "item " << index << " not selected";
    Pause(200);
  }

  void Tick(HWND list, int index) {
    POINT p;
    ASSERT_TRUE(ListCheckBoxPoint(list, index, &p)) << "item " << index << " has no check box";
    LeftClick(p);
    ASSERT_TRUE(WaitUntil([&] { return ListChecked(list, index); }, 2000)) << "item " << index << " not ticked";
  }

  // Presses a keypad key with the main window in front.
  void PressWithMainInFront(WORD vk) {
    BringToFront(Main());
    Key(vk);
  }

  // Drags the main window by its banner so that its top left corner would
  // end at `to` if nothing interfered.
  void DragBanner(POINT to) {
    RECT banner = ScreenRect(launcher_.Control(58));
    RECT window = ScreenRect(Main());
    POINT grab = {banner.left + 30, banner.top + 20};
    POINT drop = {grab.x + (to.x - window.left), grab.y + (to.y - window.top)};
    BringToFront(Main());
    MoveTo(grab);
    Pause(50);
    LeftDown();
    Pause(150);
    GlideTo(grab, drop, 12, 30);
    Pause(100);
    LeftUp();
    Pause(300);
  }

  // Where the launcher's tray icon is, the newest one.
  static bool TrayIcon(RECT* icon) {
    std::vector<RECT> icons = TrayIconRects();
    if (icons.empty()) return false;
    *icon = icons.back();
    return true;
  }

  // Right click on the tray icon, "Ausrichtung", then the item.
  ::testing::AssertionResult ChooseFromTrayMenu(int submenuIndex) {
    RECT icon;
    if (!TrayIcon(&icon)) return ::testing::AssertionFailure() << "no tray icon";
    RightClick(Centre(icon));
    HWND menu = WaitFor(kMenuClass, 3000);
    if (!menu)
      return ::testing::AssertionFailure() << "right click on the tray icon at (" << icon.left << ", " << icon.top
                                           << ") opened no menu";
    RECT m = ScreenRect(menu);
    HWND submenu = nullptr;
    // The first entry opens the submenu when the pointer rests on it: long
    // enough on each step for the menu's delay (a scaled menu's first entry
    // lies lower and is passed in fewer steps than it takes).
    for (int y = m.top + 2; y < m.bottom && !submenu; y += 3) {
      MoveTo(POINT{(m.left + m.right) / 2, y});
      WaitUntil(
          [&] {
            for (HWND w : launcher_.TopWindows())
              if (ClassOf(w) == kMenuClass && w != menu) submenu = w;
            return submenu != nullptr;
          },
          y == m.top + 2 ? 800 : 250);
    }
    if (!submenu) {
      Key(VK_ESCAPE);
      Key(VK_ESCAPE);
      return ::testing::AssertionFailure() << "\"Ausrichtung\" opened no submenu";
    }
    RECT client;
    GetClientRect(submenu, &client);
    POINT origin = ClientOrigin(submenu);
    POINT item = {origin.x + client.right / 2, origin.y + client.bottom * (2 * submenuIndex + 1) / 10};
    MoveTo(POINT{origin.x + client.right / 2, origin.y + 2});
    Pause(50);
    MoveTo(item);
    Pause(100);
    LeftClick(item);
    if (!WaitUntil([&] { return launcher_.FindWindowOfClass(kMenuClass) == nullptr; }, 3000))
      return ::testing::AssertionFailure() << "menu still open";
    return ::testing::AssertionSuccess();
  }

  // Right click on the tray icon, then its last item, "Beenden".
  ::testing::AssertionResult QuitFromTrayMenu(DWORD* exitCode) {
    RECT icon;
    if (!TrayIcon(&icon)) return ::testing::AssertionFailure() << "no tray icon";
    RightClick(Centre(icon));
    HWND menu = WaitFor(kMenuClass, 3000);
    if (!menu) return ::testing::AssertionFailure() << "right click on the tray icon opened no menu";
    RECT client;
    GetClientRect(menu, &client);
    POINT origin = ClientOrigin(menu);
    POINT last = {origin.x + client.right / 2, origin.y + client.bottom - 6};
    MoveTo(last);
    Pause(100);
    LeftClick(last);
    if (!launcher_.WaitExit(exitCode, 10000)) return ::testing::AssertionFailure() << "\"Beenden\" did not end it";
    return ::testing::AssertionSuccess();
  }

  Shot Strip() const { return Capture(ScreenRect(launcher_.Control(37))); }

  // The controls the keyboard focus lands on after each of `presses` real
  // presses of Tab (Shift+Tab when `back`), read from the launcher's thread.
  static std::vector<HWND> TabWalk(HWND window, int presses, bool back) {
    BringToFront(window);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    auto focus = [&] {
      return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus : nullptr;
    };
    std::vector<HWND> seen;
    for (int i = 0; i < presses; ++i) {
      HWND before = focus();
      if (back) KeyDown(VK_SHIFT);
      Key(VK_TAB);
      if (back) KeyUp(VK_SHIFT);
      HWND now = nullptr;
      // Generous: on a loaded machine a press can take a while to arrive.
      WaitUntil([&] { return (now = focus()) != before && now != nullptr; }, 3000);
      seen.push_back(now);
    }
    return seen;
  }

  // The question before folders are deleted: its text, after answering it
  // with "Ja" or "Nein".
  std::string AnswerQuestion(bool yes) {
    HWND box = WaitRequester(kTitle);
    if (!box) return "(no question)";
    std::string text;
    for (HWND w : Children(box))
      if (ClassOf(w) == "Static" && !WindowText(w).empty()) text = WindowText(w);
    HWND button = FindChild(box, yes ? IDYES : IDNO);
    if (!button) return "(no " + std::string(yes ? "Ja" : "Nein") + " button) " + text;
    BringToFront(box);
    ClickWindow(button);
    WaitUntil([&] { return !IsWindow(box); }, 3000);
    return text;
  }

  // The one message of a save that failed, answered.
  ::testing::AssertionResult SaveFailureReported(const std::string& file) {
    HWND box = WaitRequester(kTitle);
    if (!box) return ::testing::AssertionFailure() << "no message that " << file << " was not saved";
    const std::string text = AnswerMessageBox(box);
    const std::string want = "Die Datei \"" + file + "\" konnte nicht gespeichert werden!\n\nDie Änderungen gelten nur bis zum Beenden.";
    if (text != want) return ::testing::AssertionFailure() << "message \"" << text << "\"";
    if (WaitRequester(kTitle, 300)) return ::testing::AssertionFailure() << "a second message";
    return ::testing::AssertionSuccess();
  }

  // The only box the launcher shows unasked is its error trap's.
  ::testing::AssertionResult NoMessageBox() const {
    HWND box = launcher_.FindWindowOfClass(kRequesterClass);
    if (!box) return ::testing::AssertionSuccess();
    std::string text;
    for (HWND w : Children(box))
      if (ClassOf(w) == "Static" && !WindowText(w).empty()) text = WindowText(w);
    return ::testing::AssertionFailure() << "box \"" << Title(box) << "\": " << text;
  }

  Launcher launcher_;
};

::testing::AssertionResult ListIs(HWND list, const std::vector<std::string>& want, DWORD timeoutMs = 3000) {
  std::vector<std::string> got;
  WaitUntil([&] { return (got = ListTexts(list)) == want; }, timeoutMs);
  if (got == want) return ::testing::AssertionSuccess();
  std::string text;
  for (const std::string& s : got) text += "\"" + s + "\" ";
  return ::testing::AssertionFailure() << "list holds " << got.size() << " items: " << text;
}

::testing::AssertionResult TextBecomes(HWND control, const std::string& want, DWORD timeoutMs = 3000) {
  std::string got;
  WaitUntil([&] { return (got = WindowText(control)) == want; }, timeoutMs);
  if (got == want) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "text is \"" << got << "\"";
}

::testing::AssertionResult MovesTo(HWND hwnd, POINT at, DWORD timeoutMs = 3000) {
  if (WaitUntil([&] { return SamePlace(hwnd, at); }, timeoutMs)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "window at " << Where(hwnd) << ", wanted (" << at.x << ", " << at.y << ")";
}

::testing::AssertionResult LogGrowsTo(const RecordLog& log, size_t lines, DWORD timeoutMs = 5000) {
  if (WaitUntil([&] { return log.Lines().size() >= lines; }, timeoutMs)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "record log has " << log.Lines().size() << " lines, wanted " << lines;
}

std::set<HWND> VisibleTopWindows() {
  std::set<HWND> out;
  EnumWindows(
      [](HWND w, LPARAM l) CALLBACK -> BOOL {
        if (IsWindowVisible(w)) reinterpret_cast<std::set<HWND>*>(l)->insert(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&out));
  return out;
}

// Wine prefers its own system libraries wherever a copy lies. Told to take a
// native copy first for trovanto.exe, it searches like Windows does: beside
// the program first. Undone when the journey ends.
class NativeLibrariesFirst {
 public:
  explicit NativeLibrariesFirst(const std::vector<std::string>& names) {
    if (!RunningUnderWine()) return;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS)
      return;
    static const char kOrder[] = "native,builtin";
    for (const std::string& name : names)
      RegSetValueExA(key_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kOrder), sizeof kOrder);
  }
  ~NativeLibrariesFirst() {
    if (!key_) return;
    RegCloseKey(key_);
    RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
  }
  NativeLibrariesFirst(const NativeLibrariesFirst&) = delete;
  NativeLibrariesFirst& operator=(const NativeLibrariesFirst&) = delete;

 private:
  static constexpr char kKey[] = "Software\\Wine\\AppDefaults\\trovanto.exe\\DllOverrides";
  HKEY key_ = nullptr;
};

// ---- 1. first run ----

// A change with the identifiers that Wine makes anew each time (the display
// adapters' keys) made alike.
std::string Normalised(const std::string& change) {
  std::string out;
  for (size_t i = 0; i < change.size(); ++i) {
    if (change[i] == '{' && i + 37 < change.size() && change[i + 37] == '}') {
      out += "{guid}";
      i += 37;
    } else {
      out += change[i];
    }
  }
  return out;
}

// The host's state after a program that does nothing but show a window has
// run: Wine itself touches some entries at every such start, and those are
// set aside.
std::set<std::string> WineNoise(HostState* state) {
  const HostState before = TakeHostState();
  char record[MAX_PATH] = {};
  const bool recording = GetEnvironmentVariableA("TROVANTO_RECORD_LOG", record, MAX_PATH) > 0;
  SetEnvironmentVariableA("TROVANTO_RECORD_LOG", nullptr);
  std::string line = "\"" + DemoExe() + "\"";
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    WaitUntil(
        [&] {
          bool shown = false;
          std::pair<DWORD, bool*> search(pi.dwProcessId, &shown);
          EnumWindows(
              [](HWND w, LPARAM l) CALLBACK -> BOOL {
                auto* p = reinterpret_cast<std::pair<DWORD, bool*>*>(l);
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == p->first && IsWindowVisible(w)) {
                  *p->second = true;
                  PostMessageA(w, WM_CLOSE, 0, 0);
                }
                return TRUE;
              },
              reinterpret_cast<LPARAM>(&search));
          return shown;
        },
        10000, 50);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  if (recording) SetEnvironmentVariableA("TROVANTO_RECORD_LOG", record);
  *state = TakeHostState();
  std::set<std::string> noise;
  for (const std::string& change : HostChanges(before, *state)) noise.insert(Normalised(change));
  return noise;
}

// What the system's own open-file dialog records for every program that
// uses it, whatever the flags (under Wine: the program's name and the
// folder last chosen).
bool RecordedByTheSystem(const std::string& entry) {
  // The open-file dialog's history, and the shell view's settings it keeps;
  // on a fresh profile the dialog makes their keys first.
  const std::string explorer = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
  for (const char* kept : {"ComDlg32\\", "ComDlg32", "Advanced"}) {
    const std::string key = explorer + kept;
    const size_t at = entry.find(key);
    if (at != std::string::npos && (key.back() == '\\' || at + key.size() == entry.size() || entry[at + key.size()] == '\\'))
      return true;
  }
  return false;
}

TEST_F(Journeys, FirstRunBuildsTheCatalogueWhichFollowsTheStickToAnotherLetter) {
  Drive drive("first-run");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\Alpha\\Alpha.exe"));
  ASSERT_TRUE(drive.InstallDemo("Apps\\Beta Tool\\Beta.exe"));
  ASSERT_TRUE(drive.Map('T'));
  RecordLog log;
  HostState host;
  const std::set<std::string> noise = WineNoise(&host);

  ASSERT_TRUE(StartOn(drive));
  EXPECT_TRUE(ListIs(MainList(), {}));
  EXPECT_FALSE(drive.Exists("settings.dat"));
  EXPECT_FALSE(drive.Exists("applications.dat"));

  // A drive without settings.dat has no password: the protected commands
  // open at once.
  Command(1);
  EXPECT_EQ(WaitForDialog(kPromptClass, 1000), nullptr) << "password prompt on a drive without settings.dat";
  HWND dialog = WaitForDialog(kAddChangeClass);
  ASSERT_NE(dialog, nullptr) << "add/change dialog not opened";
  EXPECT_EQ(Title(dialog), "Programm(e) hinzufügen / ändern");
  HWND list = FindChild(dialog, 91);
  EXPECT_TRUE(ListIs(list, {}));
  EXPECT_FALSE(IsWindowEnabled(FindChild(dialog, 79))) << "name field usable without an entry";

  // A named entry without a program blocks the close with one message.
  Click(dialog, 49);
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(FindChild(dialog, 79)); }, 2000));
  TypeText("Alpha");
  EXPECT_TRUE(ListIs(list, {"Alpha"}));
  CloseWithCloseBox(dialog);
  HWND box = WaitRequester(kTitle);
  ASSERT_NE(box, nullptr) << "an incomplete entry closed the dialog without a message";
  EXPECT_EQ(AnswerMessageBox(box), "Es sind noch nicht alle Angaben gemacht!");
  Pause(300);
  EXPECT_EQ(WaitRequester(kTitle, 300), nullptr) << "more than one message for one incomplete entry";
  EXPECT_TRUE(IsWindow(dialog) && IsWindowVisible(dialog)) << "dialog closed with an incomplete entry";
  EXPECT_FALSE(drive.Exists("applications.dat"));

  Click(dialog, 47);
  ASSERT_TRUE(ChooseFile("Speicherort der Datei:", drive.Root() + "Apps\\Alpha\\Alpha.exe"));
  EXPECT_TRUE(TextBecomes(FindChild(dialog, 80), "...\\Apps\\Alpha\\Alpha.exe"));
  EXPECT_TRUE(TextBecomes(FindChild(dialog, 81), "Alpha.exe"));

  // After a choice the list was refilled, so the next new entry goes last.
  Click(dialog, 49);
  Pause(200);
  TypeText("Beta");
  Click(dialog, 47);
  ASSERT_TRUE(ChooseFile("Speicherort der Datei:", drive.Root() + "Apps\\Beta Tool\\Beta.exe"));
  EXPECT_TRUE(ListIs(list, {"Alpha", "Beta"}));

  CloseWithCloseBox(dialog);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000)) << "complete catalogue did not close the dialog";
  EXPECT_EQ(drive.Read("applications.dat"),
            CatalogueText({{"Alpha", "\\Apps\\Alpha\\Alpha.exe"}, {"Beta", "\\Apps\\Beta Tool\\Beta.exe"}}));
  EXPECT_TRUE(ListIs(MainList(), {"Alpha", "Beta"}));
  QuitExpectingZero();
  EXPECT_FALSE(drive.Exists("settings.dat")) << "settings.dat written without the settings dialog";
  // A portable program leaves nothing on the PC: no recent documents, no
  // registry entries, no temporary files.
  for (const std::string& change : HostChanges(host, TakeHostState()))
    if (!noise.count(Normalised(change)) && !RecordedByTheSystem(change)) ADD_FAILURE() << "left on the host: " << change;

  // Another computer gives the stick another letter.
  ASSERT_TRUE(drive.Map('U'));
  ASSERT_TRUE(StartOn(drive));
  ASSERT_TRUE(ListIs(MainList(), {"Alpha", "Beta"}));
  DoubleClickItem(MainList(), 1);
  ASSERT_TRUE(LogGrowsTo(log, 1));
  DoubleClickItem(MainList(), 0);
  ASSERT_TRUE(LogGrowsTo(log, 2));
  // Stored paths come back lower-cased behind the new letter.
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{RecordLine("\\apps\\beta tool\\beta.exe", 'U'),
                                                    RecordLine("\\apps\\alpha\\alpha.exe", 'U')}));
  QuitExpectingZero();
}

// ---- paths and names in other characters ----

// Every byte of a path survives a save and a restart but the case of its
// letters, and the program still starts: a folder with the multiplication
// sign, one with an en dash in a catalogue that Notepad saved as UTF-8 (the
// file stays UTF-8, and what the program cannot hold is kept as it was), and
// a name with brackets.
TEST_F(Journeys, PathsAndNamesKeepTheirBytesThroughASaveAndARestart) {
  ASSERT_EQ(GetACP(), 1252u) << "the driver runs in Windows-1252";
  {
    Drive drive("bytes");
    ASSERT_TRUE(drive.InstallLauncher());
    ASSERT_TRUE(drive.InstallDemo("Apps\\2\xD7" "3\\Tool.exe"));
    ASSERT_TRUE(drive.InstallDemo("Apps\\Werkzeug \x96 neu\\T.exe"));
    const std::string utf8Before =
        "\xEF\xBB\xBF[Alpha [x64] beta]\r\nDatei = \\Apps\\2\xC3\x97" "3\\Tool.exe\r\nIcon = \\Apps\\2\xC3\x97" "3\\Tool.exe\r\n"
        "[Strich \xE2\x80\x93 neu]\r\nDatei = \\Apps\\Werkzeug \xE2\x80\x93 neu\\T.exe\r\nIcon = \\Apps\\Werkzeug \xE2\x80\x93 neu\\T.exe\r\n"
        "[Japan]\r\nDatei = \\Apps\\\xE3\x82\xB0\\T.exe\r\nIcon = \\Apps\\\xE3\x82\xB0\\T.exe\r\n";
    ASSERT_TRUE(drive.Write("applications.dat", utf8Before));
    ASSERT_TRUE(drive.Map('T'));
    const std::vector<std::string> names = {"Alpha [x64] beta", "Strich \x96 neu", "Japan"};
    const std::string saved =
        "\xEF\xBB\xBF\r\n[Alpha [x64] beta]\r\nDatei = \\apps\\2\xC3\x97" "3\\tool.exe\r\nIcon = \\apps\\2\xC3\x97" "3\\tool.exe\r\n"
        "[Strich \xE2\x80\x93 neu]\r\nDatei = \\apps\\werkzeug \xE2\x80\x93 neu\\t.exe\r\nIcon = \\apps\\werkzeug \xE2\x80\x93 neu\\t.exe\r\n"
        "[Japan]\r\nDatei = \\Apps\\\xE3\x82\xB0\\T.exe\r\nIcon = \\Apps\\\xE3\x82\xB0\\T.exe\r\n";
    for (int run = 0; run < 2; ++run) {
      SCOPED_TRACE(run == 0 ? "as Notepad saved it" : "after a save and a restart");
      RecordLog log;
      ASSERT_TRUE(StartOn(drive));
      ASSERT_TRUE(ListIs(MainList(), names));
      DoubleClickItem(MainList(), 0);
      ASSERT_TRUE(LogGrowsTo(log, 1));
      DoubleClickItem(MainList(), 1);
      ASSERT_TRUE(LogGrowsTo(log, 2));
      EXPECT_EQ(log.Lines(), (std::vector<std::string>{RecordLine("\\apps\\2\xD7" "3\\tool.exe", 'T'),
                                                        RecordLine("\\apps\\werkzeug \x96 neu\\t.exe", 'T')}));
      // The add/change dialog closed saves the whole catalogue.
      Command(1);
      HWND dialog = WaitForDialog(kAddChangeClass);
      ASSERT_NE(dialog, nullptr);
      CloseWithCloseBox(dialog);
      ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
      EXPECT_EQ(drive.Read("applications.dat"), saved);
      QuitExpectingZero();
    }
  }

}

// A Japanese system: code page 932, where the second byte of a two-byte
// character may look like a capital. The folder is katakana GU and BA,
// 83 4F 83 6F: lowered byte by byte it would become BA BA. Wine takes the
// code page from the Unix locale of the process it starts, not from the
// environment a Windows program hands down, so CTest runs this journey on
// its own with a Japanese locale (compiled into the build tree).
TEST_F(Journeys, AFolderInJapaneseKeepsItsBytesThroughASaveAndARestart) {
  if (GetACP() != 932) GTEST_SKIP() << "runs with LC_ALL=ja_JP.UTF-8 (code page 932)";
  Drive drive("bytes-932");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\\x83\x4F\x83\x6F\\Tool.exe"));
  ASSERT_TRUE(drive.Write("applications.dat", "[Japan]\r\nDatei = \\Apps\\\x83\x4F\x83\x6F\\TOOL.EXE\r\n"
                                              "Icon = \\Apps\\\x83\x4F\x83\x6F\\TOOL.EXE\r\n"));
  ASSERT_TRUE(drive.Map('T'));
  for (int run = 0; run < 2; ++run) {
    SCOPED_TRACE(run == 0 ? "as written" : "after a save and a restart");
    RecordLog log;
    ASSERT_TRUE(StartOn(drive));
    ASSERT_TRUE(ListIs(MainList(), {"Japan"}));
    DoubleClickItem(MainList(), 0);
    ASSERT_TRUE(LogGrowsTo(log, 1)) << "the lowered path names no program";
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{RecordLine("\\apps\\\x83\x4F\x83\x6F\\tool.exe", 'T')}));
    Command(1);
    HWND dialog = WaitForDialog(kAddChangeClass);
    ASSERT_NE(dialog, nullptr);
    CloseWithCloseBox(dialog);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
    EXPECT_EQ(drive.Read("applications.dat"), CatalogueText({{"Japan", "\\apps\\\x83\x4F\x83\x6F\\tool.exe"}}));
    QuitExpectingZero();
  }
}

// ---- started from elsewhere ----

// Everything below `folder` of the host PC's drive, folders included.
std::vector<std::string> EntriesBelow(const std::string& folder) {
  std::vector<std::string> out;
  WIN32_FIND_DATAW fd;
  const std::wstring pattern = std::wstring(folder.begin(), folder.end()) + L"\\*";
  HANDLE find = FindFirstFileW(pattern.c_str(), &fd);
  if (find == INVALID_HANDLE_VALUE) return out;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    out.push_back(std::string(name.begin(), name.end()));
  } while (FindNextFileW(find, &fd));
  FindClose(find);
  return out;
}

bool WriteWide(const std::wstring& path, const std::string& data) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) && written == data.size();
  CloseHandle(file);
  return ok;
}

// A command prompt, the Run box or a shortcut's "Start in" give the launcher
// a current directory on the host PC: it still keeps to its own folder.
TEST_F(Journeys, StartedFromAnotherFolderKeepsToItsOwnAndWritesNothingElsewhere) {
  Drive drive("elsewhere");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\Alpha\\Alpha.exe"));
  ASSERT_TRUE(drive.Write("applications.dat", CatalogueText({{"Alpha", "\\apps\\alpha\\alpha.exe"}})));
  ASSERT_TRUE(drive.Map('T'));
  Drive host("elsewhere-host");
  ASSERT_TRUE(MakeDirs(host.Host("Work")));
  ASSERT_TRUE(host.Map('H'));
  RecordLog log;
  HostState hostState;
  const std::set<std::string> noise = WineNoise(&hostState);

  ASSERT_TRUE(StartOn(drive, 20000, L"", "H:\\Work\\"));
  EXPECT_TRUE(ListIs(MainList(), {"Alpha"})) << "the catalogue beside trovanto.exe was not read";
  // Started programs run where they would after a start from the stick.
  DoubleClickItem(MainList(), 0);
  ASSERT_TRUE(LogGrowsTo(log, 1));
  EXPECT_EQ(log.Lines()[0], RecordLine("\\apps\\alpha\\alpha.exe", 'T'));

  // A second start, from the host or from the stick, only brings the first
  // one forward.
  for (const char* current : {"H:\\", ""}) {
    SCOPED_TRACE(std::string("second start from \"") + current + "\"");
    Launcher second;
    EXPECT_FALSE(second.StartFrom(drive, L"", current, 10000)) << "a second launcher showed its window";
    DWORD code = 1234;
    EXPECT_TRUE(second.WaitExit(&code, 10000)) << "the second launcher keeps running";
    EXPECT_EQ(code, 0u);
  }

  // Both files are written, and only beside the launcher; the font chooser
  // opened on the way leaves nothing either.
  Command(4);
  HWND settingsDialog = WaitForDialog(kSettingsClass);
  ASSERT_NE(settingsDialog, nullptr) << "settings dialog not opened";
  Click(settingsDialog, 52);
  HWND fontChooser = launcher_.WaitWindowOfClass(kRequesterClass);
  ASSERT_NE(fontChooser, nullptr) << "the font button opened no chooser";
  HWND cancel = GetDlgItem(fontChooser, IDCANCEL);
  ASSERT_NE(cancel, nullptr);
  // A click before the chooser is up and in front is lost.
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(fontChooser) && BringToFront(fontChooser); }, 3000));
  Pause(200);
  ClickWindow(cancel);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(fontChooser); }, 3000)) << "the font chooser did not close";
  Click(settingsDialog, 53);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(settingsDialog); }, 3000));
  Command(1);
  HWND dialog = WaitForDialog(kAddChangeClass);
  ASSERT_NE(dialog, nullptr) << "add/change dialog not opened";
  CloseWithCloseBox(dialog);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
  QuitExpectingZero();
  EXPECT_TRUE(drive.Exists("settings.dat"));
  EXPECT_EQ(drive.Read("applications.dat"), CatalogueText({{"Alpha", "\\apps\\alpha\\alpha.exe"}}));
  EXPECT_TRUE(EntriesBelow(host.Host("Work")).empty()) << "the launcher wrote into its current directory";
  EXPECT_EQ(EntriesBelow(host.Host()), std::vector<std::string>{"Work"});
  for (const std::string& change : HostChanges(hostState, TakeHostState()))
    if (!noise.count(Normalised(change))) ADD_FAILURE() << "left on the host: " << change;

  // A folder whose name the ANSI code page cannot hold ("Ω" on a Western
  // one), and one nested too deep for the ANSI file calls' path limit.
  std::wstring deep = L"Tief";
  for (int level = 1; level <= 6; ++level) deep += L"\\Unterordner mit langem Namen Nr " + std::to_wstring(level);
  for (const std::wstring& folder : {std::wstring(L"Tragbar \u03A9"), deep}) {
    SCOPED_TRACE("launcher in a folder of " + std::to_string(folder.size()) + " characters");
    ASSERT_TRUE(drive.InstallLauncherIn(folder));
    ASSERT_TRUE(WriteWide(drive.HostWide(folder + L"\\applications.dat"),
                          CatalogueText({{"Gamma", "\\Apps\\Alpha\\Alpha.exe"}})));
    ASSERT_TRUE(StartOn(drive, 20000, folder, "H:\\Work\\"));
    EXPECT_TRUE(ListIs(MainList(), {"Gamma"})) << "the catalogue beside trovanto.exe was not read";
    Command(4);
    settingsDialog = WaitForDialog(kSettingsClass);
    ASSERT_NE(settingsDialog, nullptr) << "settings dialog not opened";
    Click(settingsDialog, 53);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(settingsDialog); }, 3000));
    QuitExpectingZero();
    EXPECT_NE(GetFileAttributesW(drive.HostWide(folder + L"\\settings.dat").c_str()), INVALID_FILE_ATTRIBUTES)
        << "settings.dat not written beside the launcher";
    EXPECT_TRUE(EntriesBelow(host.Host("Work")).empty()) << "the launcher wrote into its current directory";
  }
}

// ---- Tab in every window ----

TEST_F(Journeys, TabAndShiftTabCircleThroughTheWindowsPassingOverTheirLists) {
  Drive drive("tabs");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\Alpha\\Alpha.exe"));
  ASSERT_TRUE(drive.Write("applications.dat", CatalogueText({{"Alpha", "\\Apps\\Alpha\\Alpha.exe"}})));
  ASSERT_TRUE(drive.Map('T'));
  ASSERT_TRUE(StartOn(drive));

  // In the settings dialog Tab enters each group of options at its checked
  // one: landing on another would check it and move the main window.
  const RECT placed = ScreenRect(Main());
  const std::pair<int, const char*> windows[] = {
      {0, kMainClass}, {1, kAddChangeClass}, {2, kRemoveClass}, {4, kSettingsClass}, {5, kInfoClass}};
  for (const auto& [command, cls] : windows) {
    SCOPED_TRACE(cls);
    HWND window = Main();
    if (command != 0) {
      Command(command);
      window = WaitForDialog(cls);
      ASSERT_NE(window, nullptr);
    }
    int stops = 0;
    for (HWND w : Children(window)) {
      const LONG style = GetWindowLongA(w, GWL_STYLE);
      const bool uncheckedOption = (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON && ClassOf(w) == "Button" &&
                                   SendMessageA(w, BM_GETCHECK, 0, 0) != BST_CHECKED;
      if ((style & WS_TABSTOP) && IsWindowVisible(w) && IsWindowEnabled(w) && !uncheckedOption) ++stops;
    }
    ASSERT_GT(stops, 0);

    const std::vector<HWND> forward = TabWalk(window, stops + 1, false);
    for (HWND w : forward) EXPECT_NE(ClassOf(w), "SysListView32") << "Tab stopped on list " << GetDlgCtrlID(w);
    EXPECT_EQ(std::set<HWND>(forward.begin(), forward.end() - 1).size(), static_cast<size_t>(stops));
    EXPECT_EQ(forward.back(), forward.front()) << "no circle after " << stops << " presses";
    const std::vector<HWND> backward = TabWalk(window, stops, true);
    for (int i = 0; i < stops; ++i) EXPECT_EQ(backward[i], forward[stops - 1 - i]) << "Shift+Tab press " << i;
    if (command != 0) {
      CloseWithCloseBox(window);
      EXPECT_TRUE(WaitUntil([&] { return !IsWindow(window); }, 3000));
    }
  }
  const RECT after = ScreenRect(Main());
  EXPECT_TRUE(after.left == placed.left && after.top == placed.top) << "Tab moved the main window";
  QuitExpectingZero();
}

// ---- 2. launching ----

TEST_F(Journeys, DoubleClickStartsFromTheDriveRootAndAVanishedProgramStartsNothing) {
  Drive drive("launch");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\Alpha\\Alpha.exe"));
  ASSERT_TRUE(drive.InstallDemo("Apps\\Gone\\Gone.exe"));
  ASSERT_TRUE(drive.InstallDemo("Apps\\With Blank\\Tool.exe"));
  ASSERT_TRUE(drive.Write("settings.dat", SettingsText(5, kCentre, 0, 0, "")));
  ASSERT_TRUE(drive.Write("applications.dat", CatalogueText({{"Alpha", "\\Apps\\Alpha\\Alpha.exe"},
                                                             {"Gone", "\\Apps\\Gone\\Gone.exe"},
                                                             {"Blank", "\\Apps\\With Blank\\Tool.exe"}})));
  // Left on the stick by someone else: never run, never loaded.
  const std::vector<std::string> planted = {"explorer.exe", "winmm.dll"};
  for (const std::string& name : planted) ASSERT_TRUE(drive.Plant(name, name != "explorer.exe")) << name;
  ASSERT_TRUE(drive.Map('T'));
  RecordLog log;
  NativeLibrariesFirst nativeFirst({"winmm"});
  ASSERT_TRUE(StartOn(drive));
  ASSERT_TRUE(ListIs(MainList(), {"Alpha", "Gone", "Blank"}));

  // From the keyboard alone: the list has it from the start, typing finds,
  // the arrows move, Enter starts as a double click does.
  EXPECT_EQ(KeyboardFocus(Main()), MainList()) << "the program list has no keyboard focus after start";
  EXPECT_EQ(ListSelected(MainList()), -1);
  Key(VK_RETURN);
  Pause(1000);
  EXPECT_TRUE(log.Lines().empty()) << "Enter without a selection started a program";
  TypeText("bL");
  EXPECT_TRUE(WaitUntil([&] { return ListSelected(MainList()) == 2; }, 2000)) << "typing \"bL\" did not find Blank";
  Key(VK_RETURN);
  // A blank in the path needs the quotes.
  ASSERT_TRUE(LogGrowsTo(log, 1));
  EXPECT_EQ(log.Lines()[0], RecordLine("\\apps\\with blank\\tool.exe", 'T'));
  BringToFront(Main());
  Key(VK_UP);
  EXPECT_TRUE(WaitUntil([&] { return ListSelected(MainList()) == 1; }, 2000)) << "arrow up did not move to Gone";

  ASSERT_TRUE(DeleteFileA(drive.Host("Apps\\Gone\\Gone.exe").c_str()));
  std::set<HWND> before = VisibleTopWindows();
  Key(VK_RETURN);
  Pause(1000);
  DoubleClickItem(MainList(), 1);
  Pause(1500);
  EXPECT_EQ(log.Lines().size(), 1u) << "a deleted program started something";
  EXPECT_EQ(VisibleTopWindows(), before) << "a deleted program showed a window";

  // A click beside the items clears the selection; a double click there starts nothing.
  RECT listRect = ScreenRect(MainList());
  DoubleClick(POINT{listRect.left + 20, listRect.bottom - 20});
  Pause(1000);
  EXPECT_EQ(log.Lines().size(), 1u) << "a double click on empty space started a program";

  DoubleClickItem(MainList(), 0);
  ASSERT_TRUE(LogGrowsTo(log, 2));
  EXPECT_EQ(log.Lines()[1], RecordLine("\\apps\\alpha\\alpha.exe", 'T'));

  // The explorer button opens the system's explorer, not the one on the stick.
  before = VisibleTopWindows();
  Command(3);
  std::vector<HWND> opened;
  WaitUntil(
      [&] {
        opened.clear();
        for (HWND w : VisibleTopWindows()) {
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          if (!before.count(w) && pid != launcher_.Pid()) opened.push_back(w);
        }
        return !opened.empty();
      },
      20000);
  EXPECT_FALSE(opened.empty()) << "the explorer button opened no window";
  // Closed and gone before the quit click: a window that goes away between
  // the press and the release takes the activation, and the click with it.
  for (HWND w : opened) PostMessageA(w, WM_CLOSE, 0, 0);
  WaitUntil([&] { return std::none_of(opened.begin(), opened.end(), [](HWND w) { return IsWindowVisible(w) != 0; }); }, 5000);
  Pause(300);
  QuitExpectingZero();
  for (const std::string& name : planted) EXPECT_FALSE(drive.Exists(name + ".mark")) << name << " was run";
}

// While the add/change dialog is open, a press on it is its own even where it
// lies over the banner, the main list starts what it shows, and where a new
// entry lands is the dialog's own business.
TEST_F(Journeys, BesideTheOpenEditorEveryClickDoesWhatItShows) {
  Drive drive("beside-editor");
  ASSERT_TRUE(drive.InstallLauncher());
  for (const char* program : {"Apps\\Alpha\\Alpha.exe", "Apps\\Beta\\Beta.exe", "Apps\\Gamma\\Gamma.exe"})
    ASSERT_TRUE(drive.InstallDemo(program));
  ASSERT_TRUE(drive.Write("settings.dat", SettingsText(7, POINT{0, 0}, 0, 0, "")));
  const std::string catalogue = CatalogueText(
      {{"Alpha", "\\Apps\\Alpha\\Alpha.exe"}, {"Beta", "\\Apps\\Beta\\Beta.exe"}, {"Gamma", "\\Apps\\Gamma\\Gamma.exe"}});
  ASSERT_TRUE(drive.Write("applications.dat", catalogue));
  ASSERT_TRUE(drive.Map('T'));
  RecordLog log;
  ASSERT_TRUE(StartOn(drive));
  ASSERT_TRUE(ListIs(MainList(), {"Alpha", "Beta", "Gamma"}));
  Command(1);
  HWND dialog = WaitForDialog(kAddChangeClass);
  ASSERT_NE(dialog, nullptr);
  HWND list = FindChild(dialog, 91);
  ASSERT_TRUE(ListIs(list, {"Alpha", "Beta", "Gamma"}));
  ASSERT_TRUE(WaitUntil([&] { return ListSelected(list) == 0; }, 2000));

  // The main window lies under the dialog with its banner beneath "Neu".
  const POINT add = Centre(ScreenRect(FindChild(dialog, 49)));
  const POINT grip = Centre(ScreenRect(launcher_.Control(58)));
  const RECT placed = ScreenRect(Main());
  const POINT under = {placed.left + add.x - grip.x, placed.top + add.y - grip.y};
  SetWindowPos(Main(), nullptr, under.x, under.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(MovesTo(Main(), under));
  BringToFront(dialog);
  LeftClick(add);
  // Right after opening the cursor is on the first entry: the new one follows it.
  EXPECT_TRUE(ListIs(list, {"Alpha", "", "Beta", "Gamma"})) << "the press on \"Neu\" over the banner was lost";
  Pause(300);
  EXPECT_TRUE(SamePlace(Main(), under)) << "a press on the dialog dragged the main window to " << Where(Main());
  SetWindowPos(Main(), nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_TRUE(MovesTo(Main(), POINT{0, 0}));

  // A refused close has walked the catalogue: "Neu" after it appends, though
  // a click on Alpha had put the cursor there before.
  ASSERT_NO_FATAL_FAILURE(ClickItem(list, 0));
  CloseWithCloseBox(dialog);
  HWND box = WaitRequester(kTitle);
  ASSERT_NE(box, nullptr) << "an incomplete entry closed the dialog";
  EXPECT_EQ(AnswerMessageBox(box), "Es sind noch nicht alle Angaben gemacht!");
  BringToFront(dialog);
  Click(dialog, 49);
  EXPECT_TRUE(ListIs(list, {"Alpha", "", "Beta", "Gamma", ""})) << "\"Neu\" after a refused close";

  // Alpha moves down. The main list goes on showing the catalogue as it was
  // when the dialog opened, and starts the programs of the items clicked.
  ASSERT_NO_FATAL_FAILURE(ClickItem(list, 0));
  BringToFront(dialog);
  Click(dialog, 50);
  ASSERT_TRUE(ListIs(list, {"", "Alpha", "Beta", "Gamma", ""}));
  ASSERT_TRUE(WaitUntil([&] { return ListSelected(list) == 1; }, 2000));
  EXPECT_TRUE(ListIs(MainList(), {"Alpha", "Beta", "Gamma"}));
  DoubleClickItem(MainList(), 2);
  ASSERT_TRUE(LogGrowsTo(log, 1));
  DoubleClickItem(MainList(), 0);
  ASSERT_TRUE(LogGrowsTo(log, 2));
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{RecordLine("\\apps\\gamma\\gamma.exe", 'T'),
                                                    RecordLine("\\apps\\alpha\\alpha.exe", 'T')}));

  // The launches left the cursor where the move did, on Alpha.
  BringToFront(dialog);
  Click(dialog, 49);
  EXPECT_TRUE(ListIs(list, {"", "Alpha", "", "Beta", "Gamma", ""})) << "\"Neu\" after launches";
  QuitExpectingZero();
  EXPECT_EQ(drive.Read("applications.dat"), catalogue) << "saved without a successful close";
}

// Program files dragged from a file manager onto the main window become
// named entries of the add/change dialog, behind the password.
TEST_F(Journeys, DroppedProgramsBecomeNamedEntriesAfterThePassword) {
  Drive drive("drop");
  ASSERT_TRUE(drive.InstallLauncher());
  for (const char* program : {"Apps\\Old\\Old.exe", "Apps\\Alpha\\Alpha.exe", "Apps\\Beta Tool\\Beta.exe",
                              "Apps\\Gamma\\GAMMA.EXE"})
    ASSERT_TRUE(drive.InstallDemo(program));
  ASSERT_TRUE(drive.Write("Apps\\readme.txt", "nur Text"));
  ASSERT_TRUE(drive.Write("settings.dat", SettingsText(5, kCentre, 0, 0, "Geheim1")));
  ASSERT_TRUE(drive.Write("applications.dat", CatalogueText({{"Old", "\\Apps\\Old\\Old.exe"}})));
  ASSERT_TRUE(drive.Map('T'));
  ASSERT_TRUE(StartOn(drive));
  const std::string root = drive.Root();
  // Picked up beside the window, dropped onto the top of its program list,
  // which the add/change dialog in the middle of the screen leaves free.
  const POINT from = {Centre(ScreenRect(Main())).x, ScreenRect(Main()).bottom + 40};
  const POINT onto = {Centre(ScreenRect(MainList())).x, ScreenRect(MainList()).top + 15};
  DWORD effect = 0;

  ASSERT_TRUE(DragFiles({root + "Apps\\readme.txt"}, from, onto, &effect));
  Pause(800);
  EXPECT_EQ(launcher_.FindWindowOfClass(kPromptClass), nullptr) << "a text file alone asked for the password";
  EXPECT_EQ(launcher_.FindWindowOfClass(kAddChangeClass), nullptr) << "a text file alone opened the dialog";

  ASSERT_TRUE(DragFiles({root + "Apps\\Alpha\\Alpha.exe", root + "Apps\\readme.txt",
                         root + "Apps\\Beta Tool\\Beta.exe"}, from, onto, &effect));
  EXPECT_NE(effect & DROPEFFECT_MOVE, static_cast<DWORD>(DROPEFFECT_MOVE)) << "the drop asked the source to move";
  EXPECT_NE(effect, static_cast<DWORD>(DROPEFFECT_NONE)) << "the drop was refused";
  HWND prompt = WaitForDialog(kPromptClass);
  ASSERT_NE(prompt, nullptr) << "no password prompt before adding dropped programs";
  EXPECT_EQ(launcher_.FindWindowOfClass(kAddChangeClass), nullptr) << "dialog opened before the password";
  BringToFront(prompt);
  TypeText("Geheim1");
  Key(VK_RETURN);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(prompt); }, 3000)) << "right password refused";
  HWND dialog = WaitForDialog(kAddChangeClass);
  ASSERT_NE(dialog, nullptr) << "no add/change dialog after the drop";
  HWND list = FindChild(dialog, 91);
  EXPECT_TRUE(ListIs(list, {"Old", "Alpha", "Beta"}));
  // The fields show the last dropped program as if it had been chosen.
  EXPECT_TRUE(TextBecomes(FindChild(dialog, 79), "Beta"));
  EXPECT_TRUE(TextBecomes(FindChild(dialog, 80), "...\\Apps\\Beta Tool\\Beta.exe"));
  EXPECT_TRUE(TextBecomes(FindChild(dialog, 81), "Beta.exe"));

  // With access granted and the dialog open, a later drop joins it there.
  ASSERT_TRUE(DragFiles({root + "Apps\\Gamma\\GAMMA.EXE"}, from, onto, &effect));
  EXPECT_TRUE(ListIs(list, {"Old", "Alpha", "Beta", "GAMMA"}));
  EXPECT_EQ(launcher_.FindWindowOfClass(kPromptClass), nullptr) << "asked again after a correct entry";
  int dialogs = 0;
  for (HWND w : launcher_.TopWindows()) dialogs += ClassOf(w) == kAddChangeClass;
  EXPECT_EQ(dialogs, 1) << "a second add/change dialog";
  CloseWithCloseBox(dialog);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000)) << "complete entries did not close the dialog";
  // Paths read from the file come back lower-cased; dropped ones as given.
  EXPECT_EQ(drive.Read("applications.dat"), CatalogueText({{"Old", "\\apps\\old\\old.exe"},
                                                          {"Alpha", "\\Apps\\Alpha\\Alpha.exe"},
                                                          {"Beta", "\\Apps\\Beta Tool\\Beta.exe"},
                                                          {"GAMMA", "\\Apps\\Gamma\\GAMMA.EXE"}}));
  EXPECT_TRUE(ListIs(MainList(), {"Old", "Alpha", "Beta", "GAMMA"}));
  EXPECT_TRUE(drive.Exists("Apps\\Alpha\\Alpha.exe") && drive.Exists("Apps\\readme.txt")) << "a dropped file moved";
  QuitExpectingZero();

  // Without a password the dialog opens at once.
  ASSERT_TRUE(drive.Write("settings.dat", SettingsText(5, kCentre, 0, 0, "")));
  ASSERT_TRUE(StartOn(drive));
  ASSERT_TRUE(DragFiles({root + "Apps\\Old\\Old.exe"}, from, onto, &effect));
  dialog = WaitForDialog(kAddChangeClass);
  ASSERT_NE(dialog, nullptr) << "no add/change dialog after a drop without password";
  EXPECT_EQ(launcher_.FindWindowOfClass(kPromptClass), nullptr);
  EXPECT_TRUE(ListIs(FindChild(dialog, 91), {"Old", "Alpha", "Beta", "GAMMA", "Old"}));
  // Twin names keep the dialog open, as for any entry.
  CloseWithCloseBox(dialog);
  HWND box = WaitRequester(kTitle);
  ASSERT_NE(box, nullptr) << "a twin name closed the dialog";
  EXPECT_EQ(AnswerMessageBox(box), "Der Name \"Old\" ist doppelt vergeben!");
  EXPECT_TRUE(IsWindow(dialog));
  QuitExpectingZero();
}

// ---- 3. placement ----

TEST_F(Journeys, KeypadAndTrayMenuPlaceTheWindowWithoutTouchingSettings) {
  Drive drive("placement");
  ASSERT_TRUE(drive.InstallLauncher());
  // Hand-written: any rewrite would normalise its spacing and comments.
  const std::string settings =
      "[Einstellungen]\r\nSchriftart=Arial\r\nFensterausrichtung   =5\r\n;kein Leerzeichen\r\n"
      "Fensterdocking = 0\n\nFensteroption = 0\r\n";
  ASSERT_TRUE(drive.Write("settings.dat", settings));
  // Names the keypad's digits would find if the list took them as letters.
  const std::string catalogue =
      CatalogueText({{"1 Eins", "\\Apps\\Eins.exe"}, {"5 Fünf", "\\Apps\\Fuenf.exe"}, {"9 Neun", "\\Apps\\Neun.exe"}});
  ASSERT_TRUE(drive.Write("applications.dat", catalogue));
  ASSERT_TRUE(drive.Map('T'));
  ASSERT_TRUE(StartOn(drive));
  EXPECT_TRUE(MovesTo(Main(), PlaceOnThisScreen(kPlaces[2])));
  EXPECT_FALSE(IsTopmost(Main()));

  for (const Place& place : kPlaces) {
    SCOPED_TRACE("keypad " + std::to_string(place.key - VK_NUMPAD0));
    PressWithMainInFront(place.key);
    EXPECT_TRUE(MovesTo(Main(), PlaceOnThisScreen(place)));
    EXPECT_TRUE(WhollyInWorkArea(Main()));
  }
  EXPECT_EQ(ListSelected(MainList()), -1) << "a keypad digit searched the list";

  // Docking is off: a drag near the edge stays where it was dropped.
  DragBanner(POINT{20, 100});
  EXPECT_TRUE(MovesTo(Main(), POINT{20, 100}));

  PressWithMainInFront(VK_ESCAPE);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(Main()); }, 3000)) << "Escape did not hide the window";
  EXPECT_TRUE(launcher_.Running());
  RECT icon;
  ASSERT_TRUE(TrayIcon(&icon)) << "no tray icon while hidden";
  LeftClick(Centre(icon));
  Pause(800);  // longer than the double-click time
  EXPECT_FALSE(IsWindowVisible(Main())) << "a single click on the tray icon showed the window";
  DoubleClick(Centre(icon));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(Main()); }, 3000)) << "tray double click did not show it";
  EXPECT_TRUE(WaitUntil([&] { return KeyboardFocus(Main()) == MainList(); }, 2000))
      << "the program list has no keyboard focus after the tray showed the window";
  EXPECT_TRUE(SamePlace(Main(), POINT{20, 100})) << "shown again at " << Where(Main());

  // Starting it again from the same folder brings the hidden one forward and
  // ends with 0 at once; one on another stick runs beside it.
  PressWithMainInFront(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(Main()); }, 3000));
  const std::vector<std::string> files = drive.Files();
  {
    Launcher second;
    EXPECT_FALSE(second.Start(drive, 15000)) << "the second start showed a window of its own";
    DWORD secondCode = 1234;
    EXPECT_TRUE(second.WaitExit(&secondCode, 15000));
    EXPECT_EQ(secondCode, 0u);
  }
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(Main()); }, 3000)) << "the second start did not show the first";
  EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == Main(); }, 3000)) << "not brought to the front";
  EXPECT_TRUE(SamePlace(Main(), POINT{20, 100}));
  EXPECT_EQ(drive.Files(), files);
  {
    Drive otherStick("placement-other");
    ASSERT_TRUE(otherStick.InstallLauncher());
    ASSERT_TRUE(otherStick.Map('V'));
    Launcher beside;
    EXPECT_TRUE(beside.Start(otherStick)) << "a launcher on another stick did not start";
    DWORD besideCode = 1234;
    EXPECT_TRUE(beside.Quit(&besideCode));
    EXPECT_EQ(besideCode, 0u);
    EXPECT_TRUE(launcher_.Running());
  }

  for (const Place& place : kPlaces) {
    SCOPED_TRACE("tray menu item " + std::to_string(place.menuIndex));
    ASSERT_TRUE(ChooseFromTrayMenu(place.menuIndex));
    EXPECT_TRUE(MovesTo(Main(), PlaceOnThisScreen(place)));
    EXPECT_TRUE(WhollyInWorkArea(Main()));
  }

  DWORD code = 1234;
  ASSERT_TRUE(QuitFromTrayMenu(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(drive.Read("settings.dat"), settings);
  EXPECT_EQ(drive.Read("applications.dat"), catalogue);
}

// A task bar that comes up after the launcher (a login, a restarted shell)
// still gets the tray icon, so a hidden window can always come back.
TEST_F(Journeys, TheTrayIconComesWithALateTaskBarAndBringsTheHiddenWindowBack) {
  Drive drive("late-tray");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.Map('T'));
  RefusingTaskbar notYet;
  ASSERT_TRUE(notYet.InFront()) << "the refusing task bar is not the one the tray calls find";
  ASSERT_TRUE(TrayIcons().empty()) << "a tray icon of another program is left";
  ASSERT_TRUE(StartOn(drive));
  ASSERT_TRUE(WaitUntil([&] { return notYet.Refused() > 0; }, 5000)) << "the launcher never offered its tray icon";
  EXPECT_TRUE(TrayIcons().empty());

  PressWithMainInFront(VK_ESCAPE);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(Main()); }, 3000)) << "Escape did not hide the window";

  notYet.Close();
  AnnounceTaskbar();
  RECT icon;
  ASSERT_TRUE(WaitUntil([&] { return TrayIcon(&icon); }, 5000)) << "no tray icon once the task bar came up";
  MoveTrayAside();
  Pause(300);
  ASSERT_TRUE(TrayIcon(&icon));
  DoubleClick(Centre(icon));
  EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(Main()) != FALSE; }, 3000))
      << "a double click on the late tray icon did not bring the window back";

  // Announced again while the icon is there (a shell that restarts): still one.
  AnnounceTaskbar();
  Pause(500);
  EXPECT_EQ(TrayIcons().size(), 1u);
  DWORD code = 1234;
  ASSERT_TRUE(QuitFromTrayMenu(&code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WaitUntil([&] { return TrayIcons().empty(); }, 3000)) << "the tray icon outlived the launcher";
}

// A stick carried from a PC with a larger screen: the window comes onto this
// one's, and the file keeps the position for the screen it was saved on.
TEST_F(Journeys, APositionSavedOnALargerScreenIsPulledOntoThisOne) {
  Drive drive("placement-saved");
  ASSERT_TRUE(drive.InstallLauncher());
  const RECT work = WorkArea();
  struct Case {
    POINT saved, shown;
  } cases[] = {
      {{work.right + 700, work.bottom + 500}, {work.right - Scaled(216), work.bottom - Scaled(408)}},
      {{-3000, 50}, {work.left, 50}},
      // More than half of it on the screen: left where it was saved.
      {{work.left - 92, 100}, {work.left - 92, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.saved.x) + ", " + std::to_string(c.saved.y));
    const std::string settings = SettingsText(0, c.saved, 0, 0, "");
    ASSERT_TRUE(drive.Write("settings.dat", settings));
    ASSERT_TRUE(drive.Map('T'));
    ASSERT_TRUE(StartOn(drive));
    EXPECT_TRUE(SamePlace(Main(), c.shown)) << "shown at " << Where(Main());
    QuitExpectingZero();
    EXPECT_EQ(drive.Read("settings.dat"), settings);
  }
}

// On a scaled display every size in the window and its dialogs is the 96-DPI
// one times the scale, the pictures are made for it (a picture control takes
// its picture's size) and the skin fills the window. The screenshots are kept
// in the work folder, to be looked at.
TEST_F(Journeys, TheWindowItsControlsAndDialogsScaleWithTheDisplay) {
  Drive drive("scaled");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\Demo\\Demo.exe"));
  ASSERT_TRUE(drive.Write("Skins\\Blau\\skin.png", ReadFileBytes(E2E_SKIN_PNG)));
  ASSERT_TRUE(drive.Write("applications.dat", CatalogueText({{"Demo", "\\Apps\\Demo\\Demo.exe"}})));
  std::string settings = SettingsText(5, kCentre, 0, 0, "");
  settings.replace(settings.rfind("Skin = "), 7, "Skin = Blau");
  ASSERT_TRUE(drive.Write("settings.dat", settings));
  ASSERT_TRUE(drive.Map('T'));
  ASSERT_TRUE(StartOn(drive));
  const std::string shots = WorkDir() + "\\scaled-" + std::to_string(ScreenDpi()) + "-";

  auto expectClient = [](HWND window, int width, int height) {
    RECT client = {};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.right, Scaled(width)) << ClassOf(window);
    EXPECT_EQ(client.bottom, Scaled(height)) << ClassOf(window);
  };
  expectClient(Main(), 216, 408);
  // Place and size at 96 DPI, relative to the parent (0: the main window).
  struct Placed {
    int id, parent, x, y, w, h;
  };
  const Placed controls[] = {{58, 0, 8, 8, 200, 40},   {89, 0, 9, 63, 139, 304},  {37, 0, 9, 375, 198, 24},
                             {93, 0, 156, 63, 51, 304}, {1, 93, 6, 6, 38, 32},    {2, 93, 6, 42, 38, 32},
                             {3, 93, 6, 78, 38, 32},    {4, 93, 6, 136, 38, 32},  {5, 93, 6, 192, 38, 32},
                             {6, 93, 6, 228, 38, 32},   {7, 93, 6, 264, 38, 32}};
  for (const Placed& c : controls) {
    SCOPED_TRACE("control " + std::to_string(c.id));
    HWND parent = c.parent ? launcher_.Control(c.parent) : Main();
    HWND control = parent ? FindChild(parent, c.id) : nullptr;
    ASSERT_NE(control, nullptr);
    const RECT r = ScreenRect(control);
    const POINT origin = ClientOrigin(parent);
    EXPECT_EQ(r.left - origin.x, Scaled(c.x));
    EXPECT_EQ(r.top - origin.y, Scaled(c.y));
    EXPECT_EQ(r.right - r.left, Scaled(c.w));
    EXPECT_EQ(r.bottom - r.top, Scaled(c.h));
  }
  // The program's icon sits in the list at the scaled icon size.
  RECT icon = {};
  ASSERT_TRUE(ListItemRect(MainList(), 0, &icon, LVIR_ICON));
  EXPECT_GE(icon.right - icon.left, Scaled(32));
  Pause(600);  // the strip's first tick
  SaveBitmap(CaptureWindow(Main()), shots + "main.bmp");

  // The dialogs, each with its client size at 96 DPI.
  struct Dialog {
    int button;
    const char* cls;
    int width, height;
    const char* name;
  };
  for (const Dialog& d : {Dialog{1, kAddChangeClass, 400, 160, "add-change"},
                          Dialog{2, kRemoveClass, 320, 220, "remove"},
                          Dialog{4, kSettingsClass, 316, 360, "settings"},
                          Dialog{5, kInfoClass, 240, 156, "info"}}) {
    SCOPED_TRACE(d.name);
    Command(d.button);
    HWND dialog = WaitForDialog(d.cls);
    ASSERT_NE(dialog, nullptr) << "not opened";
    expectClient(dialog, d.width, d.height);
    Pause(300);
    SaveBitmap(CaptureWindow(dialog), shots + d.name + ".bmp");
    CloseWithCloseBox(dialog);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
  }
  // Themed controls: the window and its dialogs run version 6 of the common
  // controls, which only the side-by-side store holds.
  EXPECT_NE(launcher_.LoadedModule("comctl32.dll").find("\\winsxs\\"), std::string::npos)
      << launcher_.LoadedModule("comctl32.dll");
  QuitExpectingZero();
}

// ---- 4. settings and the protected area ----

TEST_F(Journeys, SavedSettingsHoldAfterRestartAndThePasswordIsAskedOnce) {
  Drive drive("settings");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.Write("settings.dat", "[Einstellungen]\r\n"));
  ASSERT_TRUE(drive.Map('T'));
  ASSERT_TRUE(StartOn(drive));
  EXPECT_TRUE(MovesTo(Main(), kCentre));

  Command(4);
  HWND dialog = WaitForDialog(kSettingsClass);
  ASSERT_NE(dialog, nullptr) << "settings dialog not opened";
  EXPECT_EQ(launcher_.FindWindowOfClass(kPromptClass), nullptr) << "asked for a password that is not set";
  EXPECT_EQ(Title(dialog), "Einstellungen");
  // The dialog is filled from the settings right after it was created.
  auto shown = [&](int option) { return WaitUntil([&] { return IsChecked(FindChild(dialog, option)); }, 2000); };
  EXPECT_TRUE(shown(68)) << "centred alignment not shown";
  EXPECT_TRUE(shown(72)) << "normal focus not shown";
  EXPECT_TRUE(shown(75)) << "docking off not shown";

  // Escape hides the main window only while it is in front.
  BringToFront(dialog);
  Key(VK_ESCAPE);
  Pause(500);
  EXPECT_TRUE(IsWindowVisible(Main())) << "Escape in the settings dialog hid the main window";

  Click(dialog, 82);
  TypeText("Geheim1");
  Click(dialog, 67);  // top right
  EXPECT_TRUE(MovesTo(Main(), POINT{808, 0})) << "alignment not applied at once";
  Click(dialog, 73);  // always on top
  EXPECT_TRUE(WaitUntil([&] { return IsTopmost(Main()); }, 2000)) << "always on top not applied at once";
  Click(dialog, 74);  // docking on
  EXPECT_TRUE(WaitUntil([&] { return IsChecked(FindChild(dialog, 74)); }, 2000));
  Click(dialog, 53);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000)) << "save did not close the dialog";
  EXPECT_EQ(drive.Read("settings.dat"), SettingsText(9, POINT{808, 0}, 1, 1, "Geheim1"));
  QuitExpectingZero();

  ASSERT_TRUE(StartOn(drive));
  EXPECT_TRUE(SamePlace(Main(), POINT{808, 0})) << "restarted at " << Where(Main());
  EXPECT_TRUE(IsTopmost(Main()));

  // Docking: a drag that brings the left edge within 32 pixels snaps it to 0.
  DragBanner(POINT{300, 0});
  EXPECT_TRUE(MovesTo(Main(), POINT{300, 0}));
  DragBanner(POINT{20, 0});
  EXPECT_TRUE(MovesTo(Main(), POINT{0, 0})) << "no snap to the left edge";

  Command(1);
  HWND prompt = WaitForDialog(kPromptClass);
  ASSERT_NE(prompt, nullptr) << "no password prompt";
  EXPECT_EQ(Title(prompt), "Geschützter Bereich");
  EXPECT_FALSE(IsWindowEnabled(Main())) << "main window usable while the prompt is open";
  HWND field = FindChild(prompt, 78);
  BringToFront(prompt);
  TypeText("geheim1");  // wrong case
  Click(prompt, 44);
  EXPECT_TRUE(TextBecomes(field, "")) << "wrong entry not cleared";
  Pause(300);
  EXPECT_TRUE(IsWindow(prompt) && IsWindowVisible(prompt)) << "wrong password accepted";
  EXPECT_EQ(launcher_.FindWindowOfClass(kAddChangeClass), nullptr);
  TypeText("Geheim1");
  Key(VK_RETURN);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(prompt); }, 3000)) << "right password refused";
  HWND addChange = WaitForDialog(kAddChangeClass);
  ASSERT_NE(addChange, nullptr) << "add/change dialog not opened after the password";
  EXPECT_TRUE(IsWindowEnabled(Main()));
  // An empty catalogue is complete: the close box saves it empty.
  CloseWithCloseBox(addChange);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(addChange); }, 3000));
  bool saved = false;
  EXPECT_EQ(drive.Read("applications.dat", &saved), "");
  EXPECT_TRUE(saved) << "empty catalogue not saved";

  for (auto [button, cls] : {std::pair<int, const char*>{4, kSettingsClass}, {2, kRemoveClass}}) {
    SCOPED_TRACE("command " + std::to_string(button));
    Command(button);
    HWND opened = WaitForDialog(cls);
    EXPECT_NE(opened, nullptr);
    EXPECT_EQ(launcher_.FindWindowOfClass(kPromptClass), nullptr) << "asked again after a correct entry";
    if (opened) {
      CloseWithCloseBox(opened);
      EXPECT_TRUE(WaitUntil([&] { return !IsWindow(opened); }, 3000));
    }
  }
  QuitExpectingZero();
  EXPECT_EQ(drive.Read("settings.dat"), SettingsText(9, POINT{808, 0}, 1, 1, "Geheim1"));
}

// ---- 5. removing with folders ----

TEST_F(Journeys, RemovingDeletesTheTickedFoldersButNeverTheDriveRoot) {
  Drive drive("remove");
  ASSERT_TRUE(drive.InstallLauncher());
  for (const char* program : {"Apps\\Alpha\\Alpha.exe", "Apps\\Beta\\Beta.exe", "Apps\\Gamma\\Gamma.exe", "Stick.exe"})
    ASSERT_TRUE(drive.InstallDemo(program));
  // A read-only file in a nested folder must go as well.
  ASSERT_TRUE(drive.Write("Apps\\Gamma\\Data\\Deep\\state.txt", "x"));
  ASSERT_TRUE(SetFileAttributesA(drive.Host("Apps\\Gamma\\Data\\Deep\\state.txt").c_str(), FILE_ATTRIBUTE_READONLY));
  ASSERT_TRUE(drive.Write("settings.dat", SettingsText(5, kCentre, 0, 0, "")));
  ASSERT_TRUE(drive.Write("applications.dat", CatalogueText({{"Alpha", "\\Apps\\Alpha\\Alpha.exe"},
                                                             {"Beta", "\\Apps\\Beta\\Beta.exe"},
                                                             {"Gamma", "\\Apps\\Gamma\\Gamma.exe"},
                                                             {"Stick", "\\Stick.exe"},
                                                             {"Sneaky", "\\Apps\\..\\Stick.exe"}})));
  ASSERT_TRUE(drive.Map('T'));
  ASSERT_TRUE(StartOn(drive));
  ASSERT_TRUE(ListIs(MainList(), {"Alpha", "Beta", "Gamma", "Stick", "Sneaky"}));

  Command(2);
  HWND dialog = WaitForDialog(kRemoveClass);
  ASSERT_NE(dialog, nullptr) << "remove dialog not opened";
  EXPECT_EQ(Title(dialog), "Programm(e) entfernen");
  HWND list = FindChild(dialog, 90);
  HWND logList = FindChild(dialog, 59);
  ASSERT_TRUE(ListIs(list, {"Alpha", "Beta", "Gamma", "Stick", "Sneaky"}));
  EXPECT_EQ(ListBoxLines(logList), (std::vector<std::string>{"Markieren Sie die Programme", "die Sie entfernen wollen!"}));

  Tick(list, 0);
  Tick(list, 2);
  Click(dialog, 9);
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(FindChild(dialog, 9)); }, 2000));
  Click(dialog, 45);
  EXPECT_EQ(AnswerQuestion(true),
            "Die folgenden Verzeichnisse werden mit allen Dateien gelöscht:\n\nT:\\apps\\gamma (2 Dateien)\n"
            "T:\\apps\\alpha (1 Datei)\n\nBei \"Nein\" werden nur die Einträge entfernt.\nFortfahren?");
  EXPECT_TRUE(ListIs(list, {"Beta", "Stick", "Sneaky"}, 5000));
  EXPECT_EQ(ListBoxLines(logList),
            (std::vector<std::string>{"Entferne... Gamma", "Ok!", "Lösche Verzeichnis...", "\\apps\\gamma",
                                      "Entferne... Alpha", "Ok!", "Lösche Verzeichnis...", "\\apps\\alpha"}));
  EXPECT_FALSE(drive.Exists("Apps\\Alpha"));
  EXPECT_FALSE(drive.Exists("Apps\\Gamma"));
  EXPECT_TRUE(drive.Exists("Apps\\Beta\\Beta.exe"));
  for (int i = 0; i < ListCount(list); ++i) EXPECT_FALSE(ListChecked(list, i)) << "item " << i << " still ticked";
  EXPECT_TRUE(ListIs(MainList(), {"Beta", "Stick", "Sneaky"}));

  // Folders that are the drive's root, however written, are refused.
  std::vector<std::string> filesBefore = drive.Files();
  Tick(list, 1);
  Tick(list, 2);
  EXPECT_TRUE(IsChecked(FindChild(dialog, 9))) << "check box lost its state";
  Click(dialog, 45);
  EXPECT_TRUE(ListIs(list, {"Beta"}, 5000));
  EXPECT_TRUE(NoMessageBox()) << "a folder that is refused anyway was offered";
  EXPECT_EQ(drive.Files(), filesBefore) << "removing an entry in the root deleted files";
  CloseWithCloseBox(dialog);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
  EXPECT_TRUE(ListIs(MainList(), {"Beta"}));
  QuitExpectingZero();
  EXPECT_EQ(drive.Read("applications.dat"), CatalogueText({{"Beta", "\\Apps\\Beta\\Beta.exe"}}));
  EXPECT_TRUE(drive.Exists("trovanto.exe"));
  EXPECT_TRUE(drive.Exists("Stick.exe"));
}

// Folders that only look like the program's: reached through a link, on
// another drive, still holding a program that stays, or holding a name that
// the narrow file calls read as "..". Nothing outside the ticked programs'
// own folders goes, on either drive.
TEST_F(Journeys, RemovingNeverReachesBeyondTheProgramFolder) {
  Drive drive("reach");
  Drive other("elsewhere");
  ASSERT_TRUE(drive.InstallLauncher());
  for (const char* program : {"Apps\\Alpha\\Alpha.exe", "Apps\\Alpha\\Tools\\Tool.exe", "Apps\\Eps\\Eps.exe",
                              "Apps\\Delta\\Delta.exe"})
    ASSERT_TRUE(drive.InstallDemo(program));
  for (const char* program : {"Shared\\Shared.exe", "Downloads\\Down.exe"}) ASSERT_TRUE(other.InstallDemo(program));
  ASSERT_TRUE(other.Write("Keep\\keep.txt", "keep"));
  ASSERT_TRUE(other.Write("Downloads\\photo.jpg", "photo"));
  // Full-width dots: ".." for the narrow calls in code page 1252.
  const std::string eps = drive.Host("Apps\\Eps") + "\\";
  const std::wstring dots = std::wstring(eps.begin(), eps.end()) + L"\xFF0E\xFF0E";
  // The drives' own clean-up can remove neither.
  struct Oddities {
    std::vector<std::string> links;
    std::wstring dots;
    ~Oddities() {
      for (const std::string& link : links) RemoveFolderLink(link);
      RemoveDirectoryW(dots.c_str());
    }
  } oddities{{drive.Host("Apps\\Linked"), drive.Host("Apps\\Delta\\Outside")}, dots};
  ASSERT_TRUE(MakeFolderLink(oddities.links[0], other.Host("Shared")));
  ASSERT_TRUE(MakeFolderLink(oddities.links[1], other.Host("Keep")));
  ASSERT_TRUE(CreateDirectoryW(dots.c_str(), nullptr));
  ASSERT_TRUE(drive.Write("settings.dat", SettingsText(5, kCentre, 0, 0, "")));
  ASSERT_TRUE(drive.Write("applications.dat", CatalogueText({{"Alpha", "\\Apps\\Alpha\\Alpha.exe"},
                                                             {"Tool", "\\Apps\\Alpha\\Tools\\Tool.exe"},
                                                             {"Linked", "\\Apps\\Linked\\Shared.exe"},
                                                             {"Eps", "\\Apps\\Eps\\Eps.exe"},
                                                             {"Delta", "\\Apps\\Delta\\Delta.exe"}})));
  ASSERT_TRUE(drive.Map('T'));
  ASSERT_TRUE(other.Map('U'));
  ASSERT_TRUE(StartOn(drive));

  // A program picked from the other drive during the session.
  Command(1);
  HWND dialog = WaitForDialog(kAddChangeClass);
  ASSERT_NE(dialog, nullptr);
  Click(dialog, 49);
  Pause(200);
  TypeText("Down");
  Click(dialog, 47);
  ASSERT_TRUE(ChooseFile("Speicherort der Datei:", other.Root() + "Downloads\\Down.exe"));
  CloseWithCloseBox(dialog);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
  const std::vector<std::string> entries = {"Alpha", "Down", "Tool", "Linked", "Eps", "Delta"};
  ASSERT_TRUE(ListIs(MainList(), entries));

  const std::vector<std::string> driveFiles = drive.Files(), otherFiles = other.Files();
  Command(2);
  dialog = WaitForDialog(kRemoveClass);
  ASSERT_NE(dialog, nullptr);
  HWND list = FindChild(dialog, 90);
  ASSERT_TRUE(ListIs(list, entries));
  for (int i = 0; i < static_cast<int>(entries.size()); ++i)
    if (entries[static_cast<size_t>(i)] != "Tool") Tick(list, i);
  Click(dialog, 9);
  ASSERT_TRUE(WaitUntil([&] { return IsChecked(FindChild(dialog, 9)); }, 2000));
  Click(dialog, 45);
  // Only Delta's folder may go at all.
  EXPECT_EQ(AnswerQuestion(true),
            "Das folgende Verzeichnis wird mit allen Dateien gelöscht:\n\nT:\\apps\\delta (1 Datei)\n\n"
            "Bei \"Nein\" werden nur die Einträge entfernt.\nFortfahren?");
  EXPECT_TRUE(ListIs(list, {"Tool"}, 5000));
  std::vector<std::string> expected;
  for (auto [name, folder] : std::vector<std::pair<std::string, std::string>>{{"Delta", "\\apps\\delta"},
                                                                              {"Eps", "\\apps\\eps"},
                                                                              {"Linked", "\\apps\\linked"},
                                                                              {"Down", other.Root() + "Downloads"},
                                                                              {"Alpha", "\\apps\\alpha"}}) {
    for (const std::string& line : {"Entferne... " + name, std::string("Ok!"), std::string("Lösche Verzeichnis..."), folder})
      expected.push_back(line);
    // Wine cannot remove a Unix link to a folder, so Delta's folder stays
    // there with the link in it; Windows removes the link itself.
    if (name != std::string("Delta") || RunningUnderWine()) expected.push_back("Fehler!");
  }
  EXPECT_EQ(ListBoxLines(FindChild(dialog, 59)), expected);
  CloseWithCloseBox(dialog);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
  QuitExpectingZero();

  std::vector<std::string> driveLeft;
  for (const std::string& file : driveFiles)
    if (file != "Apps\\Delta\\Delta.exe" && file.rfind("Apps\\Delta\\Outside\\", 0) != 0) driveLeft.push_back(file);
  std::vector<std::string> driveNow;
  for (const std::string& file : drive.Files())
    if (file.rfind("Apps\\Delta\\Outside\\", 0) != 0) driveNow.push_back(file);
  EXPECT_EQ(driveNow, driveLeft);
  EXPECT_NE(GetFileAttributesW(dots.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(other.Files(), otherFiles);
  EXPECT_EQ(other.Read("Keep\\keep.txt"), "keep");
  EXPECT_EQ(drive.Read("applications.dat"), CatalogueText({{"Tool", "\\apps\\alpha\\tools\\tool.exe"}}));
}

// ---- 6. status strip ----

TEST_F(Journeys, StatusStripShowsTimeHoverCaptionGaugeAndLamp) {
  Drive drive("strip");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.Write("settings.dat", SettingsText(5, kCentre, 0, 0, "")));
  ASSERT_TRUE(drive.Map('T'));
  MoveTo(POINT{1000, 740});  // off the buttons
  ASSERT_TRUE(StartOn(drive));

  auto dateShown = [&] {
    Shot strip = Strip();
    SYSTEMTIME now;
    GetLocalTime(&now);
    if (UpperBarDifferences(strip, UpperBar(DateText(now))) == 0) return true;
    // The minute may have turned between the tick and this reading.
    FILETIME ft;
    SystemTimeToFileTime(&now, &ft);
    ULARGE_INTEGER t{{ft.dwLowDateTime, ft.dwHighDateTime}};
    t.QuadPart -= 60ull * 10000000ull;
    ft = FILETIME{t.LowPart, t.HighPart};
    SYSTEMTIME before;
    FileTimeToSystemTime(&ft, &before);
    before.wDayOfWeek = now.wDay == before.wDay ? now.wDayOfWeek : static_cast<WORD>((now.wDayOfWeek + 6) % 7);
    return UpperBarDifferences(strip, UpperBar(DateText(before))) == 0;
  };
  EXPECT_TRUE(WaitUntil(dateShown, 2000)) << "upper bar does not show the day and time";

  MoveTo(Centre(ScreenRect(launcher_.Control(5))));
  EXPECT_TRUE(WaitUntil([&] { return UpperBarDifferences(Strip(), UpperBar("Info...")) == 0; }, 1000))
      << "hover over button 5 does not show its caption";
  MoveTo(Centre(ScreenRect(launcher_.Control(1))));
  EXPECT_TRUE(WaitUntil([&] { return UpperBarDifferences(Strip(), UpperBar("Programm(e) hinzufügen / ändern")) == 0; },
                        1000));
  MoveTo(POINT{1000, 740});
  EXPECT_TRUE(WaitUntil(dateShown, 1000)) << "day and time not back after leaving the buttons";

  // The gauge: bar and numbers of this drive, and a lamp that is red while
  // nothing changes.
  auto gaugeMatches = [&](std::string* shown) {
    ULARGE_INTEGER avail, total, free;
    if (!GetDiskFreeSpaceExA(drive.Root().substr(0, 2).c_str(), &avail, &total, &free)) return false;
    Gauge want = LowerBar(drive.Root().substr(0, 2), total.QuadPart, free.QuadPart);
    *shown = want.text;
    return GaugeDifferences(Strip(), want.picture) == 0;
  };
  std::string gaugeText;
  EXPECT_TRUE(WaitUntil([&] { return gaugeMatches(&gaugeText); }, 2000)) << "gauge does not show " << gaugeText;
  EXPECT_TRUE(WaitUntil([&] { return LampOf(Strip()) == Lamp::kRed; }, 3000)) << "lamp never red while idle";

  bool green = false;
  ASSERT_TRUE(drive.Write("copied.bin", Garbage(3 << 20, 7)));
  WaitUntil([&] { return green = LampOf(Strip()) == Lamp::kGreen; }, 1500, 15);
  EXPECT_TRUE(green) << "lamp not green after a file was written to the drive";
  EXPECT_TRUE(WaitUntil([&] { return LampOf(Strip()) == Lamp::kRed; }, 2000)) << "lamp stays green";
  EXPECT_TRUE(WaitUntil([&] { return gaugeMatches(&gaugeText); }, 2000)) << "gauge not updated to " << gaugeText;
  QuitExpectingZero();
}

// ---- robustness ----

struct HostileCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> files;
  int count;                       // items in the main list, -1 when anything goes
  std::vector<std::string> first;  // texts of the first items
  POINT at;                        // expected place, or {-1, -1}
};

std::string Repeat(const std::string& piece, size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (size_t i = 0; i < times; ++i) out += piece;
  return out;
}

std::string ManyGroups(size_t n) {
  std::string out;
  out.reserve(n * 60);
  for (size_t i = 0; i < n; ++i) out += "[P" + std::to_string(i) + "]\r\nDatei = \\Apps\\P" + std::to_string(i) + "\\p.exe\r\n";
  return out;
}

std::string Le16(int v) { return std::string{static_cast<char>(v & 255), static_cast<char>((v >> 8) & 255)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }
std::string Be32(uint32_t v) {
  return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                     static_cast<char>(v)};
}

// An icon file whose one image claims far more bytes than the file has.
std::string OverlongIcon() { return Le16(0) + Le16(1) + Le16(1) + std::string("\0\0\0\0", 4) + Le16(1) + Le16(32) + Le32(0x7FFFFFF0) + Le32(22); }
// A bitmap claiming 100000 x 100000 pixels.
std::string HugeBitmap() {
  return "BM" + Le32(54) + Le32(0) + Le32(54) + Le32(40) + Le32(100000) + Le32(100000) + Le16(1) + Le16(32) + Le32(0) +
         Le32(0) + Le32(0) + Le32(0) + Le32(0) + Le32(0);
}
// A PNG whose header claims 65535 x 65535 pixels, followed by garbage.
std::string HugePng() {
  return std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + "IHDR" + Be32(65535) + Be32(65535) +
         std::string("\x08\x06\0\0\0", 5) + Be32(0) + Garbage(4000, 3);
}

TEST_F(Journeys, HostileFilesAreReadAsFarAsTheyGoAndTheLauncherQuitsCleanly) {
  const std::string alpha = "[Alpha]\r\nDatei = \\Apps\\Alpha\\Alpha.exe\r\n";
  // The list view of the platform takes minutes for 100,000 items; the
  // ordinary run uses 10,000, the stress run the full number.
  const char* stress = std::getenv("TROVANTO_STRESS");
  const int manyGroups = stress && std::string(stress) == "1" ? 100000 : 10000;
  const std::vector<HostileCase> cases = {
      {"binary garbage", {{"settings.dat", Garbage(65536, 1)}, {"applications.dat", Garbage(65536, 2)}}, -1, {}, {-1, -1}},
      {"truncated lines",
       {{"settings.dat", "[Einstellungen]\r\nFensterausrichtung = 9\r\nSchriftgr"},
        {"applications.dat", alpha + "Icon = \\Apps\\Al"}},
       1, {"Alpha"}, {808, 0}},
      {"header without bracket", {{"applications.dat", alpha + "[Bet"}}, 2, {"Alpha", "Bet"}, {-1, -1}},
      {"50 MB files",
       {{"settings.dat", "[Einstellungen]\r\n" + Repeat("Unbekannt = 123456789\r\n", 2200000) + "Fensterausrichtung = 7\r\n"},
        {"applications.dat", "[Big]\r\nDatei = \\" + std::string(50u << 20, 'x') + "\r\n" + alpha}},
       2, {"Big", "Alpha"}, {0, 0}},
      {"many groups", {{"applications.dat", ManyGroups(manyGroups)}}, manyGroups, {"P0", "P1"}, {-1, -1}},
      {"invalid UTF-8 after a BOM",
       {{"settings.dat", "\xEF\xBB\xBF[Einstellungen]\r\nSchriftart = \xC3\x28\xFF\xFE\r\nFensterausrichtung = 3\r\nSkin = \xE2\x82\r\n"},
        {"applications.dat", "\xEF\xBB\xBF[Gr\xC3\xBC\xC3\x9F]\r\nDatei = \\\xF0\x28\x8C\x28.exe\r\n[\xC3\x28]\r\nDatei = \\b.exe\r\n"}},
       2, {"Grüß"}, {808, 330}},
      {"bogus pictures",
       {{"settings.dat", "[Einstellungen]\r\nSkin = Huge\r\n"},
        {"Skins\\Huge\\skin.png", HugePng()},
        {"Skins\\Empty\\skin.png", ""},
        {"Skins\\Noise\\skin.png", Garbage(5000, 4)},
        {"Icons\\noise.ico", Garbage(3000, 5)},
        {"Icons\\overlong.ico", OverlongIcon()},
        {"Icons\\empty.ico", ""},
        {"Icons\\huge.bmp", HugeBitmap()},
        {"applications.dat", Crlf({"[Noise]", "Datei = \\Apps\\Alpha\\Alpha.exe", "Icon = \\Icons\\noise.ico",
                                   "[Overlong]", "Datei = \\Apps\\Alpha\\Alpha.exe", "Icon = \\Icons\\overlong.ico",
                                   "[Empty]", "Datei = \\Apps\\Alpha\\Alpha.exe", "Icon = \\Icons\\empty.ico",
                                   "[Huge]", "Datei = \\Apps\\Alpha\\Alpha.exe", "Icon = \\Icons\\huge.bmp",
                                   "[Self]", "Datei = \\Icons\\noise.ico", "Icon = \\Icons\\noise.ico"})}},
       5, {"Noise", "Overlong", "Empty", "Huge", "Self"}, {404, 180}},
  };
  for (const HostileCase& c : cases) {
    SCOPED_TRACE(c.name);
    DrainKeyState();
    Drive drive("hostile");
    ASSERT_TRUE(drive.InstallLauncher());
    ASSERT_TRUE(drive.InstallDemo("Apps\\Alpha\\Alpha.exe"));
    for (const auto& file : c.files) ASSERT_TRUE(drive.Write(file.first, file.second));
    ASSERT_TRUE(drive.Map('T'));
    std::vector<std::string> before = drive.Files();
    if (::testing::AssertionResult started = StartOn(drive, 300000); !started) {
      ADD_FAILURE() << started.message();
      launcher_.Kill();
      continue;
    }
    if (c.count >= 0) {
      EXPECT_EQ(ListCount(MainList()), c.count);
    }
    for (size_t i = 0; i < c.first.size(); ++i) EXPECT_EQ(ListText(MainList(), static_cast<int>(i)), c.first[i]);
    Pause(600);  // a few ticks of the status strip
    EXPECT_TRUE(NoMessageBox());
    if (c.at.x >= 0) {
      EXPECT_TRUE(SamePlace(Main(), c.at)) << "at " << Where(Main());
    }
    if (std::string(c.name) == "bogus pictures") {
      // Every bogus skin chosen while running, one after the other.
      Command(4);
      HWND dialog = WaitForDialog(kSettingsClass);
      EXPECT_NE(dialog, nullptr);
      if (dialog) {
        HWND skins = FindChild(dialog, 10);
        for (int i = 0; i < 3; ++i) {
          ClickWindow(skins);
          Pause(200);
          Key(i == 0 ? VK_HOME : VK_DOWN);
          Key(VK_RETURN);
          Pause(300);
          EXPECT_TRUE(launcher_.Running());
        }
        CloseWithCloseBox(dialog);
        EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
      }
    }
    // Still responsive: the information dialog opens and closes.
    Command(5);
    HWND info = WaitForDialog(kInfoClass);
    EXPECT_NE(info, nullptr) << "no information dialog";
    if (info) {
      Click(info, 43);
      EXPECT_TRUE(WaitUntil([&] { return !IsWindow(info); }, 3000));
    }
    QuitExpectingZero();
    launcher_.Kill();
    EXPECT_EQ(drive.Files(), before) << "files appeared or vanished";
  }
}

TEST_F(Journeys, DriveVanishingWhileRunningCrashesNothingAndStartsNothing) {
  Drive drive("vanish");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\Alpha\\Alpha.exe"));
  ASSERT_TRUE(drive.Write("settings.dat", SettingsText(5, kCentre, 0, 0, "")));
  ASSERT_TRUE(drive.Write("applications.dat", CatalogueText({{"Alpha", "\\Apps\\Alpha\\Alpha.exe"}})));
  ASSERT_TRUE(drive.Map('T'));
  RecordLog log;
  ASSERT_TRUE(StartOn(drive));
  std::vector<std::string> before = drive.Files();
  Pause(500);

  drive.Unmap();
  const char* stress = std::getenv("TROVANTO_STRESS");
  const DWORD duration = stress && std::string(stress) == "1" ? 60000 : 10000;
  DWORD start = GetTickCount();
  int round = 0;
  while (GetTickCount() - start < duration) {
    ASSERT_TRUE(launcher_.Running()) << "launcher ended " << (GetTickCount() - start) << " ms after the drive went";
    DWORD_PTR ignored;
    ASSERT_TRUE(SendMessageTimeoutA(Main(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &ignored)) << "launcher hangs";
    ASSERT_TRUE(NoMessageBox());
    // The pointer wanders over the buttons so that the strip keeps redrawing.
    MoveTo(Centre(ScreenRect(launcher_.Control(1 + round++ % 7))));
    Pause(400);
  }
  MoveTo(POINT{1000, 740});
  ASSERT_TRUE(ListIs(MainList(), {"Alpha"}));
  DoubleClickItem(MainList(), 0);
  Pause(1500);
  EXPECT_TRUE(log.Lines().empty()) << "a program started from a drive that is gone";
  QuitExpectingZero();
  ASSERT_TRUE(drive.Map('T'));
  EXPECT_EQ(drive.Files(), before);
}

TEST_F(Journeys, WriteProtectedDriveSaysSoAndLosesNothing) {
  Drive drive("protected");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\Alpha\\Alpha.exe"));
  ASSERT_TRUE(drive.InstallDemo("Apps\\Beta\\Beta.exe"));
  const std::string settings = SettingsText(5, kCentre, 0, 0, "");
  const std::string catalogue =
      CatalogueText({{"Alpha", "\\Apps\\Alpha\\Alpha.exe"}, {"Beta", "\\Apps\\Beta\\Beta.exe"}});
  ASSERT_TRUE(drive.Write("settings.dat", settings));
  ASSERT_TRUE(drive.Write("applications.dat", catalogue));
  ASSERT_TRUE(drive.Map('T'));
  drive.SetReadOnly(true);
  WriteGuard guard;
  for (const std::string& file : drive.Files())
    if (file != "trovanto.exe") {
      ASSERT_TRUE(guard.Hold(drive.Host(file))) << file;
    }
  std::vector<std::string> files = drive.Files();

  ASSERT_TRUE(StartOn(drive));
  ASSERT_TRUE(ListIs(MainList(), {"Alpha", "Beta"}));

  // Settings: the new place takes effect, the failed save is reported once.
  Command(4);
  HWND dialog = WaitForDialog(kSettingsClass);
  ASSERT_NE(dialog, nullptr);
  Click(dialog, 66);
  EXPECT_TRUE(MovesTo(Main(), POINT{0, 0}));
  Click(dialog, 53);
  EXPECT_TRUE(SaveFailureReported("settings.dat"));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000)) << "failed save kept the dialog open";
  EXPECT_TRUE(SamePlace(Main(), POINT{0, 0}));

  // Catalogue: a new entry stays in the list although it cannot be saved.
  // Right after opening, the cursor is on the first entry, so the new entry
  // follows it.
  Command(1);
  dialog = WaitForDialog(kAddChangeClass);
  ASSERT_NE(dialog, nullptr);
  Click(dialog, 49);
  Pause(200);
  TypeText("Gamma");
  Click(dialog, 47);
  ASSERT_TRUE(ChooseFile("Speicherort der Datei:", drive.Root() + "Apps\\Beta\\Beta.exe"));
  CloseWithCloseBox(dialog);
  EXPECT_TRUE(SaveFailureReported("applications.dat"));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000)) << "failed save kept the dialog open";
  EXPECT_TRUE(ListIs(MainList(), {"Alpha", "Gamma", "Beta"}));

  // Removal: the folder cannot go, and says so in the log.
  Command(2);
  dialog = WaitForDialog(kRemoveClass);
  ASSERT_NE(dialog, nullptr);
  HWND list = FindChild(dialog, 90);
  ASSERT_TRUE(ListIs(list, {"Alpha", "Gamma", "Beta"}));
  Tick(list, 0);
  Click(dialog, 9);
  Click(dialog, 45);
  EXPECT_EQ(AnswerQuestion(true).rfind("Das folgende Verzeichnis wird mit allen Dateien gelöscht:\n\nT:\\apps\\alpha (", 0), 0u);
  EXPECT_TRUE(SaveFailureReported("applications.dat"));
  EXPECT_TRUE(ListIs(list, {"Gamma", "Beta"}, 5000));
  // The entry stays in the file, and the log says so.
  EXPECT_EQ(ListBoxLines(FindChild(dialog, 59)),
            (std::vector<std::string>{"Entferne... Alpha", "Fehler!", "Lösche Verzeichnis...", "\\apps\\alpha", "Fehler!"}));
  CloseWithCloseBox(dialog);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));

  QuitExpectingZero();
  guard.Release();
  drive.SetReadOnly(false);
  EXPECT_EQ(drive.Files(), files);
  EXPECT_EQ(drive.Read("settings.dat"), settings);
  EXPECT_EQ(drive.Read("applications.dat"), catalogue);
}

// A virus scanner or another program holding applications.dat while the
// launcher starts: the launcher runs without it and never writes over it.
// settings.dat is gone but its complete copy is there, as a pull during a
// save on FAT leaves it.
TEST_F(Journeys, AFileThatCouldNotBeReadIsNeverOverwrittenAndACutSaveIsRecovered) {
  Drive drive("held");
  ASSERT_TRUE(drive.InstallLauncher());
  ASSERT_TRUE(drive.InstallDemo("Apps\\Alpha\\Alpha.exe"));
  const std::string catalogue = CatalogueText({{"Alpha", "\\Apps\\Alpha\\Alpha.exe"}});
  const std::string settings = SettingsText(7, POINT{0, 0}, 0, 0, "");
  ASSERT_TRUE(drive.Write("applications.dat", catalogue));
  ASSERT_TRUE(drive.Write("settings.dat.tmp", settings));
  ASSERT_TRUE(drive.Map('T'));
  HANDLE held = CreateFileA(drive.Host("applications.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);

  ASSERT_TRUE(StartOn(drive));
  EXPECT_TRUE(MovesTo(Main(), POINT{0, 0})) << "settings not read from the copy";
  EXPECT_EQ(drive.Read("settings.dat"), settings);
  EXPECT_FALSE(drive.Exists("settings.dat.tmp"));
  EXPECT_TRUE(ListIs(MainList(), {}));
  CloseHandle(held);

  Command(1);
  HWND dialog = WaitForDialog(kAddChangeClass);
  ASSERT_NE(dialog, nullptr);
  CloseWithCloseBox(dialog);
  EXPECT_TRUE(SaveFailureReported("applications.dat"));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 3000));
  QuitExpectingZero();
  EXPECT_EQ(drive.Read("applications.dat"), catalogue);
  EXPECT_FALSE(drive.Exists("applications.dat.tmp"));
}

}  // namespace
