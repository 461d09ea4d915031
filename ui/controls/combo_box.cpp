// Combo box: a drop-down list, or with an edit part when editable.
#include <algorithm>

#include "ui/controls.h"
#include "ui/controls/control_list.h"

namespace ui {
namespace controls {
namespace {

// The height given at creation is that of the control with its list dropped
// down; the closed height follows the font.
constexpr int kMinimumDroppedHeight = 160;

intptr_t GetState(ControlRecord& r) {
  return static_cast<int>(SendMessageW(r.handle, CB_GETCURSEL, 0, 0));
}

int SetState(ControlRecord& r, intptr_t value) {
  LRESULT got = SendMessageW(r.handle, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
  return (got != CB_ERR || value == -1) ? 1 : 0;
}

int AddItem(ControlRecord& r, int position, const char* text, HANDLE) {
  std::wstring wide = Widen(text);
  LRESULT index = position < 0
      ? SendMessageW(r.handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()))
      : SendMessageW(r.handle, CB_INSERTSTRING, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(wide.c_str()));
  return index < 0 ? 0 : 1;
}

int RemoveItem(ControlRecord& r, int position) {
  return SendMessageW(r.handle, CB_DELETESTRING, static_cast<WPARAM>(position), 0) == CB_ERR ? 0 : 1;
}

int ClearItems(ControlRecord& r) {
  SendMessageW(r.handle, CB_RESETCONTENT, 0, 0);
  return 1;
}

int CountItems(ControlRecord& r) {
  return static_cast<int>(SendMessageW(r.handle, CB_GETCOUNT, 0, 0));
}

}  // namespace

const ControlKind kComboBoxKind = {
    nullptr, nullptr, nullptr, GetState, SetState, AddItem, RemoveItem, ClearItems,
    CountItems, nullptr, nullptr, nullptr, false, nullptr};

}  // namespace controls

intptr_t CreateComboBox(int number, int x, int y, int w, int h, uint32_t flags) {
  using namespace controls;
  DWORD style = WS_VSCROLL | WS_TABSTOP |
                ((flags & kComboEditable) ? (CBS_DROPDOWN | CBS_AUTOHSCROLL) : CBS_DROPDOWNLIST);
  CreateArgs args{number, &kComboBoxKind, L"COMBOBOX", nullptr, style, 0, x, y, w,
                  std::max(h, kMinimumDroppedHeight), false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  return r ? CreationResult(number, identity, r->handle) : 0;
}

}  // namespace ui
