// Option (radio) button. A group starts at an option created after any other
// control (or first in its parent) and runs to the next group start; the
// platform marks the start with WS_GROUP.
#include "ui/controls.h"
#include "ui/controls/control_list.h"

namespace ui {
namespace controls {
namespace {

bool IsOption(HWND w) {
  ControlRecord* r = RecordOf(w);
  return r && r->kind == &kOptionButtonKind;
}

bool StartsGroup(HWND w) { return (GetWindowLongPtrW(w, GWL_STYLE) & WS_GROUP) != 0; }

void UncheckOthersOfGroup(HWND option) {
  HWND first = option;
  while (!StartsGroup(first)) {
    HWND previous = GetWindow(first, GW_HWNDPREV);
    if (!previous) break;
    first = previous;
  }
  for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w != first && StartsGroup(w)) break;
    if (w != option && IsOption(w)) SendMessageW(w, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

intptr_t GetState(ControlRecord& r) {
  return SendMessageW(r.handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

int SetState(ControlRecord& r, intptr_t value) {
  if (value) UncheckOthersOfGroup(r.handle);
  SendMessageW(r.handle, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
  return 1;
}

}  // namespace

const ControlKind kOptionButtonKind = {
    nullptr, nullptr, nullptr, GetState, SetState, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, false, nullptr};

}  // namespace controls

intptr_t CreateOptionButton(int number, int x, int y, int w, int h, const char* text) {
  using namespace controls;
  CreateArgs args{number, &kOptionButtonKind, L"BUTTON", text, BS_AUTORADIOBUTTON | WS_TABSTOP,
                  0, x, y, w, h, true};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  return r ? CreationResult(number, identity, r->handle) : 0;
}

}  // namespace ui
