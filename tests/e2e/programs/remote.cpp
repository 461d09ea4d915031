// Remote control for a running launcher, used by scripts/run and the
// benchmarks: "wait" waits until the main window is shown with its list
// filled, "quit" presses the quit button as a user would.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

HWND FindLauncher() { return FindWindowA("TrovantoWindow60", "Trovanto v1.0"); }

HWND FindChild(HWND parent, int id) {
  HWND direct = GetDlgItem(parent, id);
  if (direct) return direct;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    HWND inner = FindChild(c, id);
    if (inner) return inner;
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  const char* cmd = argc > 1 ? argv[1] : "";
  int timeoutMs = argc > 2 ? std::atoi(argv[2]) : 20000;
  if (std::strcmp(cmd, "click") == 0) timeoutMs = 0;
  DWORD start = GetTickCount();
  if (std::strcmp(cmd, "wait") == 0) {
    int wanted = argc > 3 ? std::atoi(argv[3]) : 0;
    while (GetTickCount() - start < static_cast<DWORD>(timeoutMs)) {
      HWND w = FindLauncher();
      HWND list = w ? FindChild(w, 89) : nullptr;
      if (w && IsWindowVisible(w) && list && SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) >= wanted) {
        std::printf("%lu\n", GetTickCount() - start);
        return 0;
      }
      Sleep(5);
    }
    return 1;
  }
  if (std::strcmp(cmd, "gone") == 0) {
    // gone [ms]: waits until the launcher's main window has disappeared.
    while (GetTickCount() - start < static_cast<DWORD>(timeoutMs)) {
      if (!FindLauncher()) return 0;
      Sleep(20);
    }
    return 1;
  }
  if (std::strcmp(cmd, "quit") == 0) {
    HWND w = FindLauncher();
    HWND button = w ? FindChild(w, 7) : nullptr;
    if (!button) return 1;
    PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (std::strcmp(cmd, "click") == 0 && argc > 2) {
    // click BUTTON: presses one of the main window's command buttons.
    HWND w = FindLauncher();
    HWND button = w ? FindChild(w, std::atoi(argv[2])) : nullptr;
    if (!button) return 1;
    SetForegroundWindow(w);
    PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
  }
  std::fprintf(stderr, "usage: remote wait [ms] [items] | gone [ms] | quit | click BUTTON\n");
  return 2;
}
