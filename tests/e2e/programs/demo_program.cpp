// A small program for the demo drive and the end-to-end tests: it shows a
// window that names itself and its working directory, and appends its
// command line and working directory to the file named by TROVANTO_RECORD_LOG
// when that is set.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

std::string gText;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      InflateRect(&r, -12, -12);
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      DrawTextA(dc, gText.c_str(), -1, &r, DT_WORDBREAK);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  char exe[MAX_PATH] = {}, cwd[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  GetCurrentDirectoryA(MAX_PATH, cwd);
  char log[MAX_PATH] = {};
  if (GetEnvironmentVariableA("TROVANTO_RECORD_LOG", log, MAX_PATH)) {
    if (FILE* f = std::fopen(log, "ab")) {
      std::fprintf(f, "%s\t%s\r\n", GetCommandLineA(), cwd);
      std::fclose(f);
    }
    if (GetEnvironmentVariableA("TROVANTO_RECORD_ONLY", nullptr, 0)) return 0;
  }
  gText = std::string("Ein Beispielprogramm vom Stick.\r\n\r\n") + exe + "\r\n\r\nArbeitsverzeichnis: " + cwd;

  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = "TrovantoDemoProgram";
  RegisterClassExA(&wc);
  const char* name = std::strrchr(exe, '\\') ? std::strrchr(exe, '\\') + 1 : exe;
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, name, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 360, 200,
                              nullptr, nullptr, instance, nullptr);
  ShowWindow(hwnd, show);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
