// Single-line edit field.
#include "ui/controls.h"
#include "ui/controls/control_list.h"
#include "ui/events.h"

namespace ui {
namespace controls {
namespace {

bool ParentMessage(ControlRecord& r, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  switch (msg) {
    case WM_COMMAND:
      switch (HIWORD(wParam)) {
        // One focus move loses the focus in one field and gains it in
        // another within a single message: both are queued as reports so
        // that neither overwrites the other (nor the click that moved it).
        // Moves the program makes itself are no user events.
        case EN_SETFOCUS:
          if (!ProgramMovesFocus()) PostControlReport(r.handle, r.number, kFocusGained);
          break;
        case EN_KILLFOCUS:
          if (!ProgramMovesFocus()) PostControlReport(r.handle, r.number, kFocusLost);
          break;
        case EN_CHANGE: SetPendingControlEvent(r.number, kItemChange); break;
        default: return false;
      }
      *result = 0;
      return true;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:  // read-only and disabled fields ask this one
      return AnswerColourQuery(r, wParam, COLOR_BTNHIGHLIGHT, result);
  }
  return false;
}

}  // namespace

const ControlKind kEditFieldKind = {
    ParentMessage, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, StoreColour, false, nullptr};

}  // namespace controls

intptr_t CreateEditField(int number, int x, int y, int w, int h, const char* text, uint32_t flags) {
  using namespace controls;
  // The low half holds the platform's edit styles (password, read-only,
  // digits only); the border flag lives above it.
  DWORD style = ES_AUTOHSCROLL | WS_TABSTOP | ((flags & 0xFFFF) & ~static_cast<DWORD>(ES_MULTILINE));
  DWORD exStyle = (flags & kEditNoBorder) ? 0 : WS_EX_CLIENTEDGE;
  CreateArgs args{number, &kEditFieldKind, L"EDIT", text, style, exStyle, x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  return r ? CreationResult(number, identity, r->handle) : 0;
}

}  // namespace ui
