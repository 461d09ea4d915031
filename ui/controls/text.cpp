// Static text.
#include "ui/controls.h"
#include "ui/controls/control_list.h"

namespace ui {
namespace controls {
namespace {

bool ParentMessage(ControlRecord& r, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  if (msg != WM_CTLCOLORSTATIC) return false;
  // With only a text colour the text sits on the enclosing container's colour
  // if it has one, else on the button face.
  if (r.back == -1 && r.front != -1) {
    if (ControlRecord* c = ColouredContainerOf(r.handle)) {
      HDC dc = reinterpret_cast<HDC>(wParam);
      SetTextColor(dc, static_cast<COLORREF>(r.front));
      SetBkColor(dc, static_cast<COLORREF>(c->back));
      *result = reinterpret_cast<LRESULT>(c->backBrush);
      return true;
    }
  }
  return AnswerColourQuery(r, wParam, COLOR_BTNFACE, result);
}

}  // namespace

const ControlKind kTextKind = {
    ParentMessage, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, StoreColour, false, nullptr};

}  // namespace controls

intptr_t CreateTextControl(int number, int x, int y, int w, int h, const char* text, uint32_t flags) {
  using namespace controls;
  // The low half holds the platform's static styles; the sunken flag lives
  // above it.
  DWORD style = (flags & 0xFFFF) | ((flags & kTextSunken) ? SS_SUNKEN : 0);
  CreateArgs args{number, &kTextKind, L"STATIC", text, style, 0, x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  return r ? CreationResult(number, identity, r->handle) : 0;
}

}  // namespace ui
