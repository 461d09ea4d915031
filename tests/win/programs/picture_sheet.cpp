// Shows the 21 embedded pictures, loaded the way the launcher loads them, on a
// light and a dark background, plus a copy of the status strip with a clock
// text, a gauge and the lamp drawn into it: a sheet to look at in a screenshot.
//
//   picture_sheet.exe [seconds]   (closes by itself, 20 s by default)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ui/drawing.h"
#include "ui/images.h"

namespace {

constexpr int kStripCopy = 90;
constexpr int kWidth = 640;
constexpr int kHalf = 150;

void DrawStripCopy() {
  if (!ui::DuplicateImage(35, kStripCopy)) return;
  HFONT arial8 = CreateFontA(-11, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HFONT arial7 = CreateFontA(-9, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  if (ui::BeginDrawing(ui::ImageDrawTarget(kStripCopy))) {
    ui::DrawBox(1, 1, 196, 10, 0xFFFFFF);
    ui::DrawLine(1, 11, 196, 11, 150 + 256 * 150 + 65536 * 150);
    ui::SetDrawFont(arial8);
    ui::SetDrawMode(ui::kDrawTransparent);
    const char* clock = "Montag 05.03.07 / 14:30 Uhr";
    ui::DrawTextAt(99 - ui::TextPixelWidth(clock) / 2, -1, clock, 0);
    ui::SetDrawMode(0);
    const int bar = 128;
    const int32_t stripes[] = {0xC0C0C0, 0xD0D0D0, 0xE0E0E0, 0xD0D0D0, 0xC0C0C0};
    for (int i = 0; i < 5; ++i) ui::DrawBox(0, 13 + 2 * i, bar, 2, stripes[i]);
    ui::DrawCircle(192, 18, 4, 160 * 256);
    ui::DrawPixel(190, 17, 255 * 256);
    ui::DrawPixel(191, 16, 255 * 256);
    ui::DrawPixel(190, 18, 255 * 256);
    ui::SetDrawFont(arial7);
    ui::SetDrawMode(ui::kDrawTransparent);
    const char* gauge = "E: 1.23GB / 3.95GB 69%";
    ui::DrawTextAt(99 - ui::TextPixelWidth(gauge) / 2, 13, gauge, 0);
    ui::EndDrawing();
  }
  DeleteObject(arial8);
  DeleteObject(arial7);
}

void DrawPicture(HDC dc, int number, int x, int y) {
  HANDLE handle = ui::ImageHandle(number);
  int w = 0, h = 0;
  if (!handle || !ui::ImageSize(number, &w, &h)) return;
  if (ui::ImageIsIcon(number)) {
    DrawIconEx(dc, x, y, static_cast<HICON>(handle), w, h, 0, nullptr, DI_NORMAL);
    return;
  }
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, handle);
  BitBlt(dc, x, y, w, h, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
}

void Label(HDC dc, int x, int y, int number, COLORREF colour) {
  char text[8];
  std::snprintf(text, sizeof text, "%d", number);
  SetTextColor(dc, colour);
  TextOutA(dc, x, y, text, static_cast<int>(std::strlen(text)));
}

void PaintHalf(HDC dc, int top, COLORREF back, COLORREF ink) {
  RECT r{0, top, kWidth, top + kHalf};
  HBRUSH brush = CreateSolidBrush(back);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
  SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  int x = 10;
  for (int n = ui::kFirstEmbeddedImage; n <= 34; ++n) {
    if (n == 20) continue;
    int w = 0, h = 0;
    ui::ImageSize(n, &w, &h);
    DrawPicture(dc, n, x, top + 10);
    Label(dc, x, top + 46, n, ink);
    x += (w > 16 ? w : 16) + 14;
  }
  DrawPicture(dc, 20, 10, top + 68);
  Label(dc, 10, top + 110, 20, ink);
  DrawPicture(dc, 35, 230, top + 68);
  Label(dc, 230, top + 94, 35, ink);
  DrawPicture(dc, kStripCopy, 440, top + 68);
  TextOutA(dc, 440, top + 94, "35 drawn on", 11);
}

LRESULT CALLBACK SheetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      PaintHalf(dc, 0, RGB(240, 240, 240), RGB(0, 0, 0));
      PaintHalf(dc, kHalf, RGB(40, 40, 40), RGB(255, 255, 255));
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER:
    case WM_LBUTTONDOWN:
      DestroyWindow(hwnd);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 20;
  ui::DrawingStartup();
  ui::ImagesStartup();
  ui::RegisterPngDecoder();
  const int loaded = ui::LoadEmbeddedPictures();
  std::printf("picture_sheet: %d of 21 embedded pictures loaded\n", loaded);
  std::fflush(stdout);
  DrawStripCopy();

  WNDCLASSA wc{};
  wc.lpfnWndProc = SheetProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = "TrovantoPictureSheet";
  wc.hIcon = static_cast<HICON>(ui::ImageHandle(16));
  RegisterClassA(&wc);
  RECT r{0, 0, kWidth, 2 * kHalf};
  AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
  HWND hwnd = CreateWindowA("TrovantoPictureSheet", "Trovanto pictures", WS_OVERLAPPEDWINDOW, 0, 0,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                            wc.hInstance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, SW_SHOW);
  SetTimer(hwnd, 1, static_cast<UINT>(seconds > 0 ? seconds : 20) * 1000, nullptr);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  ui::ImagesShutdown();
  ui::DrawingShutdown();
  return loaded == 21 ? 0 : 1;
}
