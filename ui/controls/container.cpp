// Container: a child window that holds further controls. Its messages go to
// the program window procedure, so its controls report like any others.
#include "ui/controls.h"
#include "ui/controls/control_list.h"
#include "ui/events.h"

namespace ui {
namespace controls {
namespace {

int SetColour(ControlRecord& r, int which, int32_t colour) {
  if (which != kBackColour) return 0;
  StoreColour(r, which, colour);
  // Controls inside take the container's colour when they have none.
  RedrawWindow(r.handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  return 1;
}

}  // namespace

// A container moving, changing size or painting its background is none of
// the program window's events; these come from its creation on, before any
// subclass could see them.
LRESULT CALLBACK ContainerWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_MOVE:
    case WM_SIZE:
      return DefWindowProcW(hwnd, msg, wParam, lParam);
    case WM_ERASEBKGND: {
      ControlRecord* r = RecordOf(hwnd);
      RECT rc;
      GetClientRect(hwnd, &rc);
      FillRect(reinterpret_cast<HDC>(wParam), &rc,
               (r && r->backBrush) ? r->backBrush : GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
  }
  return ProgramWindowProc(hwnd, msg, wParam, lParam);
}

const ControlKind kContainerKind = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, SetColour, false, nullptr};

}  // namespace controls

intptr_t CreateContainer(int number, int x, int y, int w, int h, uint32_t flags) {
  using namespace controls;
  DWORD style = WS_CLIPSIBLINGS;
  if (flags & kContainerBorder) style |= WS_BORDER;
  if (flags & kContainerDialogFrame) style |= WS_DLGFRAME;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (flags & kContainerStaticEdge) exStyle |= WS_EX_STATICEDGE;
  if (flags & kContainerClientEdge) exStyle |= WS_EX_CLIENTEDGE;
  CreateArgs args{number, &kContainerKind, kContainerClass, nullptr, style, exStyle, x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  if (!r) return 0;
  HWND container = r->handle;
  EnterContainer(container);
  return CreationResult(number, identity, container);
}

}  // namespace ui
