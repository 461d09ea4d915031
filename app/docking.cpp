#include "app/docking.h"

#include "app/main_window.h"
#include "app/placement.h"
#include "settings/settings.h"
#include "storage/line_counter.h"
#include "ui/events.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesDocking)

namespace app {
namespace {
// Shared by every window of the program.
DockFlags gDockFlags;
}  // namespace

LRESULT DockingHook(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
  if (settings::gSettings.Fensterdocking != 1 || msg != WM_MOVING) return ui::kProcessDefault;
  MARK_LINE();
  RECT* proposed = reinterpret_cast<RECT*>(lParam);
  Rect r{proposed->left, proposed->top, proposed->right, proposed->bottom};
  DockRect(gDockFlags, settings::WorkArea(), r, ui::ScaleToDpi(kSnapDistance, ui::WindowDpi(hwnd)));
  MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  // The system goes on from the rectangle as changed here.
  proposed->left = r.left;
  proposed->top = r.top;
  proposed->right = r.right;
  proposed->bottom = r.bottom;
  return 1;
}

void PullMainWindowOntoScreen() {
  MARK_LINE();
  HWND window = ui::WindowHandle(kMainWindow);
  RECT now;
  if (!window || !GetWindowRect(window, &now)) return;
  constexpr int kMostDisplays = 16;
  RECT found[kMostDisplays];
  Rect areas[kMostDisplays];
  const int count = ui::DisplayWorkAreas(found, kMostDisplays);
  const size_t n = static_cast<size_t>(count < kMostDisplays ? count : kMostDisplays);
  for (size_t i = 0; i < n; ++i) areas[i] = Rect{found[i].left, found[i].top, found[i].right, found[i].bottom};
  Rect moved;
  // The stored position stays as it is: the file keeps it for the screen it
  // was saved on.
  if (PullOntoWorkArea(Rect{now.left, now.top, now.right, now.bottom}, areas, n, &moved))
    ui::MoveResizeWindow(kMainWindow, moved.left, moved.top, ui::kKeepValue, ui::kKeepValue);
}

}  // namespace app
