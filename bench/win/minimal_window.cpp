// Start-up baseline: the least a Win32 program does to show a window of the
// launcher's size. The launcher's start-up time is judged against this one,
// started the same way on the same machine.
#include <windows.h>

namespace {

constexpr int kWidth = 216;
constexpr int kHeight = 408;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, msg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  // DPI-aware like the launcher, and as large: on a scaled display the system
  // would otherwise stretch this one as a bitmap, which costs it more.
  SetProcessDPIAware();
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  const int width = MulDiv(kWidth, dpi, 96), height = MulDiv(kHeight, dpi, 96);
  WNDCLASSA wc = {};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "TrovantoBenchWindow";
  if (!RegisterClassA(&wc)) return 1;
  // Centred like the launcher in its default placement, so both cover the
  // same pixels of the display.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "Minimal", WS_POPUP, x, y, width, height, nullptr, nullptr,
                              instance, nullptr);
  if (!hwnd) return 1;
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
