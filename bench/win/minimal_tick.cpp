// Idle baseline: the launcher's window size with one picture control, fed
// every 250 ms from a multimedia timer thread with the status strip's work:
// one free-space query of the program's own drive, a small drawing into a
// 198x24 DIB section and a synchronous hand-over of the bitmap to the control.
// The launcher's idle CPU is judged against this program's, measured the same
// way, so it must not do less than that work (nor more).
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kWidth = 216;
constexpr int kHeight = 408;
constexpr int kStripWidth = 198;
constexpr int kStripHeight = 24;
constexpr int kStripId = 37;

const char* const kDayNames[7] = {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"};

HWND gStrip = nullptr;
HBITMAP gBitmap = nullptr;
HFONT gTextFont = nullptr;
HFONT gGaugeFont = nullptr;
char gDrive[3] = "C:";
char gShownText[64] = "";
uint64_t gLastFree = 0;
std::atomic<bool> gStopping{false};

void Box(HDC dc, int x, int y, int w, int h, COLORREF colour) {
  RECT r = {x, y, x + w, y + h};
  SetBkColor(dc, colour);
  ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

void Lamp(HDC dc, COLORREF colour, COLORREF highlight) {
  HBRUSH brush = CreateSolidBrush(colour);
  HPEN pen = CreatePen(PS_SOLID, 1, colour);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  Ellipse(dc, 188, 14, 197, 23);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(brush);
  DeleteObject(pen);
  SetPixelV(dc, 190, 17, highlight);
  SetPixelV(dc, 191, 16, highlight);
  SetPixelV(dc, 190, 18, highlight);
}

void CentredText(HDC dc, HFONT font, int y, const char* text) {
  HGDIOBJ old = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  SIZE size = {};
  const int length = static_cast<int>(std::strlen(text));
  GetTextExtentPoint32A(dc, text, length, &size);
  TextOutA(dc, 99 - size.cx / 2, y, text, length);
  SelectObject(dc, old);
  SetBkMode(dc, OPAQUE);
}

void CALLBACK Tick(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  if (gStopping.load()) return;
  SYSTEMTIME now;
  GetLocalTime(&now);
  char dateText[64];
  std::snprintf(dateText, sizeof dateText, "%s %02d.%02d.%02d / %02d:%02d Uhr", kDayNames[now.wDayOfWeek % 7],
                now.wDay, now.wMonth, now.wYear % 100, now.wHour, now.wMinute);

  ULARGE_INTEGER toCaller, total, totalFree;
  uint64_t t = 0, f = 0;
  if (GetDiskFreeSpaceExA(gDrive, &toCaller, &total, &totalFree)) {
    t = total.QuadPart;
    f = totalFree.QuadPart;
  }

  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, gBitmap);
  if (std::strcmp(dateText, gShownText) != 0) {
    Box(dc, 1, 1, 196, 10, RGB(255, 255, 255));
    CentredText(dc, gTextFont, -1, dateText);
    std::snprintf(gShownText, sizeof gShownText, "%s", dateText);
  }
  if (f != gLastFree) {
    const int bar = t ? static_cast<int>(185.0 * static_cast<double>(t - f) / static_cast<double>(t) + 0.5) : 0;
    Box(dc, 1, 13, 185, 10, RGB(255, 255, 255));
    const COLORREF stripes[5] = {RGB(192, 192, 192), RGB(208, 208, 208), RGB(224, 224, 224), RGB(208, 208, 208),
                                 RGB(192, 192, 192)};
    for (int i = 0; i < 5 && bar > 0; ++i) Box(dc, 0, 13 + 2 * i, bar, 2, stripes[i]);
    Lamp(dc, RGB(0, 160, 0), RGB(0, 255, 0));
    char gaugeText[64];
    std::snprintf(gaugeText, sizeof gaugeText, "%s %.2fGB / %.2fGB %d%%", gDrive, f / 1e9, t / 1e9,
                  t ? static_cast<int>(100.0 - 100.0 * static_cast<double>(f) / static_cast<double>(t) + 0.5) : 0);
    CentredText(dc, gGaugeFont, 13, gaugeText);
    gLastFree = f;
  } else {
    Lamp(dc, RGB(160, 0, 0), RGB(255, 0, 0));
  }
  SelectObject(dc, old);
  DeleteDC(dc);
  GdiFlush();
  SendMessageA(gStrip, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(gBitmap));
}

HBITMAP MakeStrip() {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kStripWidth;
  info.bmiHeader.biHeight = -kStripHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) return nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  Box(dc, 0, 0, kStripWidth, kStripHeight, RGB(150, 150, 150));
  Box(dc, 1, 1, 196, 10, RGB(255, 255, 255));
  Box(dc, 1, 13, 185, 10, RGB(255, 255, 255));
  Box(dc, 187, 13, 10, 10, RGB(255, 255, 255));
  SelectObject(dc, old);
  DeleteDC(dc);
  return bitmap;
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  char cwd[MAX_PATH] = {};
  if (GetCurrentDirectoryA(MAX_PATH, cwd) >= 2 && cwd[1] == ':') {
    gDrive[0] = cwd[0];
    gDrive[1] = ':';
  }

  WNDCLASSA wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "TrovantoBenchTick";
  if (!RegisterClassA(&wc)) return 1;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Minimal tick", WS_POPUP, x, y, kWidth, kHeight, nullptr, nullptr,
                              instance, nullptr);
  gBitmap = MakeStrip();
  if (!hwnd || !gBitmap) return 1;
  gStrip = CreateWindowExA(0, "STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_BITMAP, 9, 375, kStripWidth, kStripHeight,
                           hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStripId)), instance, nullptr);
  SendMessageA(gStrip, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(gBitmap));
  gTextFont = CreateFontA(-MulDiv(8, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  gGaugeFont = CreateFontA(-MulDiv(7, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "Arial");
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);

  // The same timer set-up as the launcher: finest resolution, periodic callback.
  TIMECAPS caps = {};
  UINT resolution = 0;
  if (timeGetDevCaps(&caps, sizeof caps) == TIMERR_NOERROR) {
    resolution = caps.wPeriodMin;
    timeBeginPeriod(resolution);
  }
  // No TIME_KILL_SYNCHRONOUS: the tick waits for this thread in its hand-over,
  // so a kill from here that waited for the tick could wait forever.
  UINT timer = timeSetEvent(250, 0, Tick, 0, TIME_PERIODIC | TIME_CALLBACK_FUNCTION);

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);

  gStopping = true;
  if (timer) timeKillEvent(timer);
  if (resolution) timeEndPeriod(resolution);
  return 0;
}
