// Numbered top-level windows. Each window gets a window class of its own, so
// that a skin can take away one window's background brush without touching
// any other window.
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "ui/events.h"
#include "ui/object_table.h"
#include "ui/system_library.h"
#include "ui/ui.h"

namespace ui {
namespace {

struct WindowRecord {
  HWND handle = nullptr;
  HACCEL accelerators = nullptr;
  std::wstring className;
  // The client size as the caller gave it (at 96 DPI) and the DPI the
  // window is laid out at.
  int designWidth = 0, designHeight = 0;
  int dpi = 96;
};

void (*gDpiHandler)(int windowNumber, int dpi) = nullptr;

// The outer size of a client area of the given size in a window of hwnd's
// styles, with the frame and caption of a display of that DPI (Windows 10
// 1607 and later; before, the system's).
SIZE OuterSize(HWND hwnd, int clientWidth, int clientHeight, int dpi) {
  using ForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto forDpi = reinterpret_cast<ForDpi>(User32Function("AdjustWindowRectExForDpi"));
  RECT outer = {0, 0, clientWidth, clientHeight};
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE));
  const BOOL menu = GetMenu(hwnd) != nullptr;
  if (!forDpi || !forDpi(&outer, style, menu, exStyle, static_cast<UINT>(dpi)))
    AdjustWindowRectEx(&outer, style, menu, exStyle);
  return SIZE{outer.right - outer.left, outer.bottom - outer.top};
}

void ReleaseWindow(WindowRecord& r) {
  if (r.handle && IsWindow(r.handle)) DestroyWindow(r.handle);
  if (r.accelerators) DestroyAcceleratorTable(r.accelerators);
  if (!r.className.empty()) UnregisterClassW(r.className.c_str(), GetModuleHandleW(nullptr));
}

ObjectTable<WindowRecord>& Windows() {
  static ObjectTable<WindowRecord> table(16, ReleaseWindow);
  return table;
}

HICON gAppIcon = nullptr;
HICON gAppIconSmall = nullptr;
HCURSOR gArrow = nullptr;

constexpr uint32_t kNonStyleFlags = kCentreOnScreen | kCentreOnOwner | kStartHidden;

// A program window carries number + 1 in its class's extra bytes, so that any
// message can be traced back to its program window (0 = not numbered yet).
// Read on every message: a window property would cost a trip to the window
// server under Wine each time.
constexpr int kNumberSlot = 0;

}  // namespace

void WindowsStartup() {
  ProgramDpi();  // asked once, before any other thread wants it
  HINSTANCE instance = GetModuleHandleA(nullptr);
  gAppIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
  gAppIconSmall = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  gArrow = LoadCursor(nullptr, IDC_ARROW);
}

void WindowsShutdown() { Windows().ReleaseAll(); }

// Wine hands every window a context of its own from a cache, and a context
// becomes free for another window only when its window is destroyed. So a
// scratch window without a screen presence takes the contexts and gives them
// back by going away.
void PrepareDisplayContexts(int count) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  wchar_t className[48];
  // The system's formatter: the C library's wide one alone weighs 12 KB.
  wsprintfW(className, L"TrovantoScratch%lu", GetCurrentThreadId());
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = className;
  if (!RegisterClassW(&wc)) return;
  if (HWND scratch = CreateWindowExW(0, className, L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, instance, nullptr)) {
    std::vector<HDC> contexts;
    for (int i = 0; i < count; ++i)
      if (HDC dc = GetDC(scratch)) contexts.push_back(dc);
    for (HDC dc : contexts) ReleaseDC(scratch, dc);
    DestroyWindow(scratch);
  }
  UnregisterClassW(className, instance);
}

HICON ApplicationIcon() { return gAppIconSmall ? gAppIconSmall : gAppIcon; }

intptr_t CreateProgramWindow(int number, int x, int y, int clientWidth, int clientHeight,
                             const char* title, uint32_t flags, HWND owner) {
  int identity = number;
  WindowRecord* rec = Windows().Reserve(number, &identity);
  if (!rec) return 0;
  HINSTANCE instance = GetModuleHandleA(nullptr);

  wchar_t className[48];
  wsprintfW(className, L"TrovantoWindow%d", identity);
  // A Unicode class: titles and typed characters keep their letters on a
  // system whose ANSI code page is not Windows-1252.
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = ProgramWindowProc;
  wc.cbWndExtra = sizeof(LONG_PTR);  // kNumberSlot
  wc.hInstance = instance;
  wc.hIcon = gAppIcon;
  wc.hIconSm = gAppIconSmall;
  wc.hCursor = gArrow;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  UnregisterClassW(className, instance);  // a leftover from a failed create
  if (!RegisterClassExW(&wc)) {
    Windows().Forget(identity);
    return 0;
  }

  DWORD style = flags & ~kNonStyleFlags;
  if (style == 0) style = kTitleBar;
  DWORD exStyle = 0;

  const int dpi = ProgramDpi();
  RECT outer = {0, 0, ScaleToDpi(clientWidth, dpi), ScaleToDpi(clientHeight, dpi)};
  AdjustWindowRectEx(&outer, style & ~WS_VISIBLE, FALSE, exStyle);
  int width = outer.right - outer.left;
  int height = outer.bottom - outer.top;

  int px = x, py = y;
  if (flags & kCentreOnScreen) {
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (width > sw) width = sw;
    if (height > sh) height = sh;
    px = (sw - width) / 2;
    py = (sh - height) / 2;
  } else if (flags & kCentreOnOwner) {
    HWND ref = owner ? owner : GetActiveWindow();
    RECT r = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (ref) GetWindowRect(ref, &r);
    px = r.left + ((r.right - r.left) - width) / 2;
    py = r.top + ((r.bottom - r.top) - height) / 2;
    if (px < 0) px = 0;
    if (py < 0) py = 0;
  } else if (x == kKeepValue || y == kKeepValue) {
    px = py = CW_USEDEFAULT;
  }

  // Created hidden; shown below once it carries its number.
  HWND hwnd = CreateWindowExW(exStyle, className, WideFrom1252(title).c_str(), style & ~(WS_VISIBLE | WS_MAXIMIZE),
                              px, py, width, height, owner, nullptr, instance, nullptr);
  if (!hwnd) {
    UnregisterClassW(className, instance);
    Windows().Forget(identity);
    return 0;
  }
  rec->handle = hwnd;
  rec->className = className;
  rec->designWidth = clientWidth;
  rec->designHeight = clientHeight;
  rec->dpi = dpi;
  SetWindowLongPtrW(hwnd, kNumberSlot, static_cast<LONG_PTR>(identity) + 1);
  // Placed on a display of another scale than the program's: laid out for it
  // before anything is in it.
  const int own = WindowDpi(hwnd);
  if (own != dpi) {
    rec->dpi = own;
    const SIZE size = OuterSize(hwnd, ScaleToDpi(clientWidth, own), ScaleToDpi(clientHeight, own), own);
    SetWindowPos(hwnd, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  ACCEL keys[2] = {{FVIRTKEY, VK_TAB, 1212}, {FVIRTKEY | FSHIFT, VK_TAB, 1213}};
  rec->accelerators = CreateAcceleratorTableA(keys, 2);

  if (!(flags & kStartHidden)) ShowWindow(hwnd, (flags & kStartMaximised) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  return number == -1 ? identity : reinterpret_cast<intptr_t>(hwnd);
}

int CloseProgramWindow(int number) {
  WindowRecord* rec = Windows().Find(number);
  if (!rec) return 0;
  HWND owner = GetWindow(rec->handle, GW_OWNER);
  if (owner) SetActiveWindow(owner);
  Windows().Free(number);
  return 1;
}

int HideProgramWindow(int number, int hide) {
  WindowRecord* rec = Windows().Find(number);
  if (!rec) return 0;
  if (hide) {
    HWND owner = GetWindow(rec->handle, GW_OWNER);
    if (owner) SetActiveWindow(owner);
    ShowWindow(rec->handle, SW_HIDE);
  } else {
    ShowWindow(rec->handle, IsZoomed(rec->handle) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    SetForegroundWindow(rec->handle);
    SetActiveWindow(rec->handle);
  }
  return 1;
}

int MoveResizeWindow(int number, int x, int y, int clientWidth, int clientHeight) {
  WindowRecord* rec = Windows().Find(number);
  if (!rec) return 0;
  HWND hwnd = rec->handle;
  RECT win, client;
  GetWindowRect(hwnd, &win);
  GetClientRect(hwnd, &client);
  if (clientWidth != kKeepValue) rec->designWidth = clientWidth;
  if (clientHeight != kKeepValue) rec->designHeight = clientHeight;
  int cw = clientWidth == kKeepValue ? client.right : ScaleToDpi(clientWidth, rec->dpi);
  int ch = clientHeight == kKeepValue ? client.bottom : ScaleToDpi(clientHeight, rec->dpi);
  const SIZE outer = OuterSize(hwnd, cw, ch, rec->dpi);
  int nx = x == kKeepValue ? win.left : x;
  int ny = y == kKeepValue ? win.top : y;
  SetWindowPos(hwnd, nullptr, nx, ny, outer.cx, outer.cy, SWP_NOACTIVATE | SWP_NOZORDER);
  return 1;
}

int SetAlwaysOnTop(int number, int on) {
  WindowRecord* rec = Windows().Find(number);
  if (!rec) return 0;
  SetWindowPos(rec->handle, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  return 1;
}

int ActivateProgramWindow(int number) {
  WindowRecord* rec = Windows().Find(number);
  if (!rec) return 0;
  SetForegroundWindow(rec->handle);
  SetActiveWindow(rec->handle);
  return 1;
}

int DisableProgramWindow(int number, int disable) {
  WindowRecord* rec = Windows().Find(number);
  if (!rec) return 0;
  EnableWindow(rec->handle, disable ? FALSE : TRUE);
  return 1;
}

int ForegroundWindowNumber() {
  HWND fg = GetForegroundWindow();
  if (!fg) return -1;
  return Windows().FindNumber([fg](const WindowRecord& r) { return r.handle == fg; });
}

HWND WindowHandle(int number) {
  WindowRecord* rec = Windows().Find(number);
  return rec ? rec->handle : nullptr;
}

int WindowNumberOf(HWND hwnd) {
  HWND h = hwnd;
  while (h && (GetWindowLongPtrW(h, GWL_STYLE) & WS_CHILD)) h = GetAncestor(h, GA_PARENT);
  // Only windows of the program's own classes have the slot.
  if (!h || reinterpret_cast<WNDPROC>(GetClassLongPtrW(h, GCLP_WNDPROC)) != ProgramWindowProc) return -1;
  const LONG_PTR mark = GetWindowLongPtrW(h, kNumberSlot);
  return mark > 0 ? static_cast<int>(mark - 1) : -1;
}

}  // namespace ui

namespace ui {

void OnDpiChanged(void (*handler)(int windowNumber, int dpi)) { gDpiHandler = handler; }

void LayOutAtDpi(HWND hwnd, int dpi, const RECT* suggested) {
  const int number = WindowNumberOf(hwnd);
  WindowRecord* rec = number == -1 ? nullptr : Windows().Find(number);
  if (!rec || rec->handle != hwnd || dpi <= 0) return;
  rec->dpi = dpi;
  // The system's suggestion keeps the window where the user let it go; its
  // size is the system's guess, the client size comes from the caller's.
  RECT now;
  GetWindowRect(hwnd, &now);
  const POINT at = suggested ? POINT{suggested->left, suggested->top} : POINT{now.left, now.top};
  const SIZE size =
      OuterSize(hwnd, ScaleToDpi(rec->designWidth, dpi), ScaleToDpi(rec->designHeight, dpi), dpi);
  SetWindowPos(hwnd, nullptr, at.x, at.y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
  LayOutControls(hwnd, dpi);
  if (gDpiHandler) gDpiHandler(number, dpi);
  InvalidateRect(hwnd, nullptr, TRUE);
}

HACCEL WindowAccelerators(HWND hwnd) {
  int number = WindowNumberOf(hwnd);
  WindowRecord* rec = number == -1 ? nullptr : Windows().Find(number);
  return rec && rec->handle == hwnd ? rec->accelerators : nullptr;
}

}  // namespace ui
