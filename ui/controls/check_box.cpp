// Check box.
#include "ui/controls.h"
#include "ui/controls/control_list.h"

namespace ui {
namespace controls {
namespace {

intptr_t GetState(ControlRecord& r) {
  return SendMessageW(r.handle, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

int SetState(ControlRecord& r, intptr_t value) {
  SendMessageW(r.handle, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
  return 1;
}

}  // namespace

const ControlKind kCheckBoxKind = {
    nullptr, nullptr, nullptr, GetState, SetState, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, false, nullptr};

}  // namespace controls

intptr_t CreateCheckBox(int number, int x, int y, int w, int h, const char* text, uint32_t flags) {
  using namespace controls;
  CreateArgs args{number, &kCheckBoxKind, L"BUTTON", text,
                  BS_AUTOCHECKBOX | WS_TABSTOP | (flags & 0xFFFF & ~static_cast<DWORD>(BS_TYPEMASK)),
                  0, x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  return r ? CreationResult(number, identity, r->handle) : 0;
}

}  // namespace ui
