#include "app/docking.h"

#include "app/placement.h"
#include "settings/settings.h"
#include "storage/line_counter.h"
#include "ui/events.h"

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
  DockRect(gDockFlags, settings::gWorkAreaRight, settings::gWorkAreaBottom, r);
  MoveWindow(hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
  // The system goes on from the rectangle as changed here.
  proposed->left = r.left;
  proposed->top = r.top;
  proposed->right = r.right;
  proposed->bottom = r.bottom;
  return 1;
}

}  // namespace app
