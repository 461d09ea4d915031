#pragma once
// The numbered presentation layer: windows, menus, tray icons, fonts and
// displays. Callers address every object by a small number of their choice.
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "ui/scale.h"

namespace ui {

// The program's texts are Windows-1252 whatever the system's ANSI code page
// is, so every text reaches the platform in UTF-16 through these. File names
// are the exception: they are the system's own and keep its code page.
std::wstring WideFrom1252(const char* text);
std::string NarrowTo1252(const wchar_t* text, int length = -1);
// False when the text holds a character Windows-1252 lacks (the conversion would put a
// look-alike or "?" in its place); `out` is then "".
bool NarrowTo1252Exactly(const wchar_t* text, int length, std::string* out);
std::wstring WideFromSystem(const char* text);
std::string NarrowToSystem(const wchar_t* text);

// A coordinate or size that is to stay as it is.
constexpr int kKeepValue = -65535;

// Window flags; the other bits are platform window styles.
constexpr uint32_t kCentreOnScreen = 1;
constexpr uint32_t kCentreOnOwner = 2;
constexpr uint32_t kStartHidden = 0x10000000;
constexpr uint32_t kStartMaximised = 0x01000000;
constexpr uint32_t kTitleBar = 0x00C00000;
constexpr uint32_t kCloseBox = 0x00080000;
constexpr uint32_t kBorderlessPopup = 0x80000000;

// Font style bits.
constexpr int kFontUnderline = 4;
constexpr int kFontStrikeOut = 8;
constexpr int kFontHighQuality = 16;
constexpr int kFontBold = 256;
constexpr int kFontItalic = 512;

// Module start and end, in the order the program runs them.
void WindowsStartup();
void WindowsShutdown();  // closes every window still open
void MenusShutdown();
void TrayShutdown();     // removes every tray icon
void FontsShutdown();
void DisplaysShutdown();

// Windows. Creating calls return the platform handle (as an integer), or the
// identity for number -1; 0 on failure.
intptr_t CreateProgramWindow(int number, int x, int y, int clientWidth, int clientHeight,
                             const char* title, uint32_t flags, HWND owner);
int CloseProgramWindow(int number);
int HideProgramWindow(int number, int hide);
int MoveResizeWindow(int number, int x, int y, int clientWidth, int clientHeight);
int SetAlwaysOnTop(int number, int on);
int ActivateProgramWindow(int number);
int DisableProgramWindow(int number, int disable);
int ForegroundWindowNumber();
HWND WindowHandle(int number);
// The Tab / Shift+Tab accelerators of a program window, nullptr for others.
HACCEL WindowAccelerators(HWND hwnd);
// Number of the program window that is hwnd or holds it (walking up through
// parents); -1 when it belongs to no program window.
int WindowNumberOf(HWND hwnd);
// The application icon every window class carries (image 16 of the resources).
HICON ApplicationIcon();
// Makes `count` display contexts ready for windows that have not drawn yet;
// any thread. Under Wine a window's first context is otherwise made at its
// first paint, which asks the window server about the display three times.
void PrepareDisplayContexts(int count);

// Popup menus.
HMENU NewPopupMenu(int number);
void OpenTopSubmenu(const char* text);
void AddMenuItem(int identifier, const char* text);
void AddMenuSeparator();
void CloseSubmenu();
int ShowPopupMenu(int number, HWND owner);

// Tray icons; mouse use is reported as TrayEvent through the owner window.
// An icon the shell refuses (0) is kept and added when a task bar comes up.
int AddTrayIcon(int number, HWND owner, HICON icon);
// Puts the tray icons of `owner` in place: a task bar came up (after a
// login, or the shell restarted and forgot them).
void ReaddTrayIcons(HWND owner);

// Fonts, size in points.
HFONT MakeFont(int number, const char* face, int size, int style);
HFONT FontHandle(int number);
// Character height in pixels for a point size on the display.
int FontHeightForPoints(int points);
// Makes every font again for the program DPI and adds (old, new) for each;
// the old ones stay valid until FontsShutdown.
void RemakeFonts(std::vector<std::pair<HANDLE, HANDLE>>* replaced);

// Scale. Sizes and places inside windows (client sizes, controls, pictures,
// drawing) are given at 96 DPI and made at the DPI of their display: a value
// v becomes ScaleToDpi(v, dpi) (ui/scale.h), so at 96 DPI nothing changes. Screen
// positions of windows are never scaled: they are the display's own pixels.
// The program DPI is the one fonts and pictures are made for; it is the
// system's at start and follows the main window across displays.
int ProgramDpi();
void SetProgramDpi(int dpi);
// The DPI of the display a window is on (the program DPI where the system
// cannot tell, as before Windows 10).
int WindowDpi(HWND window);
inline int Scaled(int value) { return ScaleToDpi(value, ProgramDpi()); }
// A program window that moves to a display of another DPI is laid out again
// at that DPI (its client size and every control in it), then the handler
// runs on the GUI thread with the window's number and its new DPI.
void OnDpiChanged(void (*handler)(int windowNumber, int dpi));
// Makes the numbered fonts and the embedded pictures again at the program
// DPI and hands the new ones to every control that shows the old ones.
void RemakeFontsAndPictures();

// Displays; index 0 is the primary one. Sizes are in the coordinate space
// of the program's windows, as are the rectangles below: the system scales
// them for a program that is not DPI-aware (the display modes do not).
int ScanDisplays();
int DisplayWidth(int index);
int DisplayHeight(int index);
// The primary display's work area (the desktop less the task bar).
RECT DesktopWorkArea();
// The work area of each display, in the system's order; at most `capacity`
// are stored, the count of all is returned.
int DisplayWorkAreas(RECT* areas, int capacity);
// The rectangle of the display with the given device name; false when no
// display has it.
bool DisplayBounds(const char* deviceName, RECT* bounds);

}  // namespace ui
