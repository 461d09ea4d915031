// Black-box driver for the launcher: a folder that plays the USB drive under
// its own drive letter, the launcher process started on it, and the user's
// means of control (pointer, keys, what is on the screen). Nothing here links
// against the launcher's code; everything goes through windows and input.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace e2e {

// Polls `done` every `stepMs` until it holds or `timeoutMs` have passed.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs = 10);
void Pause(DWORD ms);

bool RunningUnderWine();
// The driver is DPI-aware, as the launcher is: both see the display's own
// pixels. The display's DPI, and a 96-DPI length scaled to it.
int ScreenDpi();
int Scaled(int value);

// Folder for what the suite leaves for diagnosis (screens, record logs).
std::string WorkDir();
// Folder that holds the drives' folders: a file system that nobody else
// writes to when one is available, so that the launcher's free-space gauge
// changes only when a test writes to the drive, as on a real stick.
std::string DriveBase();
std::string LauncherExe();
std::string DemoExe();

std::string ReadFileBytes(const std::string& path, bool* ok = nullptr);
bool WriteFileBytes(const std::string& path, const std::string& data);
bool FileExists(const std::string& path);
bool DirExists(const std::string& path);
bool MakeDirs(const std::string& path);
bool RemoveTreeHost(const std::string& path);
// A symbolic link to a folder, as a stick's user could have made one; under
// Wine on the Unix side, where Wine shows it as a reparse point.
bool MakeFolderLink(const std::string& link, const std::string& target);
bool RemoveFolderLink(const std::string& link);

// A folder mapped to a drive letter, as a removable drive.
class Drive {
 public:
  explicit Drive(const std::string& name);
  ~Drive();
  Drive(const Drive&) = delete;
  Drive& operator=(const Drive&) = delete;

  bool Map(char letter);
  void Unmap();
  bool Mapped() const { return letter_ != 0; }
  char Letter() const { return letter_; }
  // "T:\" while mapped.
  std::string Root() const;
  // Path below the folder, reachable whether or not the drive is mapped.
  std::string Host(const std::string& relative = "") const;

  bool Write(const std::string& relative, const std::string& data) const;
  std::string Read(const std::string& relative, bool* ok = nullptr) const;
  bool Exists(const std::string& relative) const;
  bool InstallLauncher() const;
  // trovanto.exe in a folder below the root (made with its parents), named
  // in UTF-16 so that it may hold what no ANSI code page does.
  bool InstallLauncherIn(const std::wstring& folder) const;
  std::wstring HostWide(const std::wstring& relative) const;
  bool InstallDemo(const std::string& relative) const;
  // A program or library that leaves "<relative>.mark" when run or loaded.
  bool Plant(const std::string& relative, bool library) const;
  // Sets or clears the read-only attribute of every file and folder below.
  void SetReadOnly(bool readOnly) const;
  // Paths of every file below, relative to the root.
  std::vector<std::string> Files() const;

 private:
  std::string folder_;
  char letter_ = 0;
};

// Keeps files open for reading while denying writers and deleters, so that
// writes to them fail even where the read-only attribute does not stop the
// account the tests run under.
class WriteGuard {
 public:
  WriteGuard() = default;
  ~WriteGuard() { Release(); }
  WriteGuard(const WriteGuard&) = delete;
  WriteGuard& operator=(const WriteGuard&) = delete;
  bool Hold(const std::string& path);
  void Release();

 private:
  std::vector<HANDLE> handles_;
};

// Text written by demo programs that the launcher starts.
class RecordLog {
 public:
  RecordLog();
  std::vector<std::string> Lines() const;
  void Clear() const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// The launcher process, started from the drive's root like a user would.
class Launcher {
 public:
  Launcher() = default;
  ~Launcher();
  Launcher(const Launcher&) = delete;
  Launcher& operator=(const Launcher&) = delete;

  // Starts trovanto.exe from the drive with the root as current directory
  // and waits until the main window is shown.
  bool Start(const Drive& drive, DWORD timeoutMs = 20000);
  // The same, with trovanto.exe taken from `folder` below the drive's root
  // ("" for the root) and `currentDir` as the current directory ("" for the
  // folder), the way a command prompt or a shortcut's "Start in" starts it.
  bool StartFrom(const Drive& drive, const std::wstring& folder, const std::string& currentDir, DWORD timeoutMs = 20000);
  bool Running() const;
  DWORD Pid() const { return pid_; }
  HWND Main() const { return main_; }
  HWND Control(int id) const;  // control of the main window
  // Visible top-level window of this process with the given class.
  HWND FindWindowOfClass(const char* cls) const;
  HWND WaitWindowOfClass(const char* cls, DWORD timeoutMs = 5000) const;
  bool WaitWindowGone(const char* cls, DWORD timeoutMs = 5000) const;
  std::vector<HWND> TopWindows(bool visibleOnly = true) const;
  // Full path of the process's module of that file name, lower case ("" if
  // it has none loaded).
  std::string LoadedModule(const char* fileName) const;
  // Clicks the quit button and waits for the process to end.
  bool Quit(DWORD* exitCode, DWORD timeoutMs = 10000);
  bool WaitExit(DWORD* exitCode, DWORD timeoutMs);
  void Kill();

 private:
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

// ---- windows ----
HWND FindChild(HWND parent, int id);
std::vector<HWND> Children(HWND parent);
// A control's text, asked with WM_GETTEXT.
std::string WindowText(HWND hwnd);
// A window's title, read without disturbing a busy owner.
std::string Title(HWND hwnd);
std::string ClassOf(HWND hwnd);
RECT ScreenRect(HWND hwnd);
POINT ClientOrigin(HWND hwnd);
POINT Centre(const RECT& r);
bool IsTopmost(HWND hwnd);
bool BringToFront(HWND hwnd);
// A point on the window's close box (found with the window's own hit test).
bool CloseBoxPoint(HWND hwnd, POINT* p);
// Wine's stand-in for the notification area when no desktop tray runs:
// Wine 8 keeps each icon in a child window of its own, Wine 10 paints them
// side by side at the top of its client area.
HWND TrayWindow();
std::vector<HWND> TrayIcons();
// The screen rectangles of the visible icons, in the order they were added.
std::vector<RECT> TrayIconRects();
// Moves the stand-in where none of the main window's five places and no
// dialog reaches: centred at the bottom of the screen.
void MoveTrayAside();

// A task bar that is not up yet, as right after a login: a window of the
// shell's task bar class, found by the system's tray calls before Wine's,
// that refuses every icon. It answers on a thread of its own while the test
// waits.
class RefusingTaskbar {
 public:
  RefusingTaskbar();
  ~RefusingTaskbar() { Close(); }
  RefusingTaskbar(const RefusingTaskbar&) = delete;
  RefusingTaskbar& operator=(const RefusingTaskbar&) = delete;
  // Whether the tray calls reach this window rather than Wine's.
  bool InFront() const;
  // Icons refused so far.
  long Refused() const { return refused_; }
  // Gone: the tray calls reach Wine's task bar again.
  void Close();

 private:
  static DWORD WINAPI Run(void* param);
  static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND window_ = nullptr;
  HANDLE thread_ = nullptr;
  volatile long refused_ = 0;
};
// What the shell tells every top-level window when its task bar has come
// up ("TaskbarCreated").
void AnnounceTaskbar();

// ---- traces on the host ----
// What a program could leave on the PC: every registry key and value of the
// three stored branches (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_USERS
// .Default: what Wine keeps in system.reg, user.reg and userdef.reg, read
// through the registry since the server writes those files only now and
// then), and every file below the user's application data, local
// application data (recent documents among them) and temporary folders,
// by name, size and time.
using HostState = std::map<std::string, std::string>;
HostState TakeHostState();
// Names of the entries that appeared, changed or vanished.
std::vector<std::string> HostChanges(const HostState& before, const HostState& after);

// ---- input ----
void MoveTo(POINT p);
// Moves the pointer from `from` to `to` in `steps` even steps, `stepMs` apart
// (a hand dragging, not a jump).
void GlideTo(POINT from, POINT to, int steps, DWORD stepMs);
void LeftClick(POINT p);
void RightClick(POINT p);
void DoubleClick(POINT p);
void LeftDown();
void LeftUp();
void ClickWindow(HWND hwnd);
void Key(WORD vk);
void KeyDown(WORD vk);
void KeyUp(WORD vk);
void TypeText(const std::string& text);
// The window that has the keyboard focus in the thread that owns `window`.
HWND KeyboardFocus(HWND window);
// A file drag as the file explorer makes it: an OLE drag of the files (by
// full path) that starts with the left button down at `from` and ends with
// the button released at `to`, the pointer moved by real input. Returns
// whether the drag ran; `effect` gets what the target made of it.
bool DragFiles(const std::vector<std::string>& paths, POINT from, POINT to, DWORD* effect);
// Reads and discards the "pressed since the last query" bit of these keys.
void DrainKeyState();

// ---- controls of another process ----
int ListCount(HWND list);
std::string ListText(HWND list, int index);
std::vector<std::string> ListTexts(HWND list);
bool ListItemRect(HWND list, int index, RECT* screen, int part = 0 /*LVIR_BOUNDS*/);
int ListSelected(HWND list);
bool ListChecked(HWND list, int index);
// A screen point on the item's check box (found with the list's hit test).
bool ListCheckBoxPoint(HWND list, int index, POINT* p);
std::vector<std::string> ListBoxLines(HWND listBox);
bool IsChecked(HWND button);

// ---- screen ----
struct Shot {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, row by row
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool operator==(const Shot& o) const { return width == o.width && height == o.height && pixels == o.pixels; }
  bool operator!=(const Shot& o) const { return !(*this == o); }
};
Shot Capture(const RECT& screen);
Shot CaptureWindow(HWND hwnd);  // the window's rectangle as it is on the screen
bool SaveBitmap(const Shot& shot, const std::string& path);
void SaveScreen(const std::string& name);  // into WorkDir(), for diagnosis
inline int Red(uint32_t c) { return (c >> 16) & 255; }
inline int Green(uint32_t c) { return (c >> 8) & 255; }
inline int Blue(uint32_t c) { return c & 255; }

}  // namespace e2e
