// Frames: a group box with a caption, or an edge drawn around an area whose
// inside is left to the parent.
#include "ui/controls.h"
#include "ui/controls/control_list.h"

namespace ui {
namespace controls {
namespace {

void PaintEdge(ControlRecord& r, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  switch (r.frameType) {
    case kFrameSunken:
      DrawEdge(dc, &rc, EDGE_SUNKEN, BF_RECT);
      break;
    case kFrameStaticEdge:
      DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT);
      break;
    default:
      FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
      break;
  }
  EndPaint(hwnd, &ps);
}

bool OwnMessage(ControlRecord& r, HWND hwnd, UINT msg, WPARAM, LPARAM, LRESULT* result) {
  if (r.frameType == kFrameGroupBox) return false;
  switch (msg) {
    case WM_PAINT:
      PaintEdge(r, hwnd);
      *result = 0;
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_ENABLE:
      // The static would fill its area here.
      InvalidateRect(hwnd, nullptr, FALSE);
      *result = 0;
      return true;
  }
  return false;
}

}  // namespace

const ControlKind kFrameKind = {
    nullptr, OwnMessage, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, false, nullptr};

}  // namespace controls

intptr_t CreateFrame(int number, int x, int y, int w, int h, const char* text, int type) {
  using namespace controls;
  if (type < kFrameGroupBox || type > kFrameFlat) type = kFrameFlat;
  // The edge frames are statics without the notify style: the mouse passes
  // through them to the controls inside.
  CreateArgs args = type == kFrameGroupBox
      ? CreateArgs{number, &kFrameKind, L"BUTTON", text, BS_GROUPBOX, 0, x, y, w, h, false}
      : CreateArgs{number, &kFrameKind, L"STATIC", nullptr, SS_LEFT, 0, x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  if (!r) return 0;
  r->frameType = type;
  return CreationResult(number, identity, r->handle);
}

}  // namespace ui
