// List box of text lines.
#include "ui/controls.h"
#include "ui/controls/control_list.h"

namespace ui {
namespace controls {
namespace {

// A list box shows its horizontal scroll bar only for a declared text width.
// Measured on a memory context of the process's own (a window's costs round
// trips to the window server), and not at all for a line that even in the
// font's widest characters stays within the width already declared: a log
// gets the same short lines again and again.
void GrowExtent(ControlRecord& r, const std::wstring& text) {
  static HDC dc = CreateCompatibleDC(nullptr);
  static HFONT measuredFont = nullptr;
  static LONG widestCharacter = 0;
  if (!dc) return;
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(r.handle, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  if (font != measuredFont || widestCharacter <= 0) {
    TEXTMETRICW metrics{};
    widestCharacter = GetTextMetricsW(dc, &metrics) ? metrics.tmMaxCharWidth : 0;
    measuredFont = font;
  }
  const bool fits = widestCharacter > 0 &&
                    static_cast<long long>(text.size()) * widestCharacter + 6 <= static_cast<long long>(r.widest);
  SIZE size{};
  if (!fits) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  if (!fits && size.cx + 6 > r.widest) {
    r.widest = size.cx + 6;
    SendMessageW(r.handle, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(r.widest), 0);
  }
}

bool ParentMessage(ControlRecord& r, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  if (msg != WM_CTLCOLORLISTBOX) return false;
  return AnswerColourQuery(r, wParam, COLOR_WINDOW, result);
}

intptr_t GetState(ControlRecord& r) {
  return static_cast<int>(SendMessageW(r.handle, LB_GETCURSEL, 0, 0));
}

int SetState(ControlRecord& r, intptr_t value) {
  LRESULT got = SendMessageW(r.handle, LB_SETCURSEL, static_cast<WPARAM>(value), 0);
  return (got != LB_ERR || value == -1) ? 1 : 0;
}

int AddItem(ControlRecord& r, int position, const char* text, HANDLE) {
  std::wstring wide = Widen(text);
  LRESULT index = position < 0
      ? SendMessageW(r.handle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()))
      : SendMessageW(r.handle, LB_INSERTSTRING, static_cast<WPARAM>(position),
                     reinterpret_cast<LPARAM>(wide.c_str()));
  if (index < 0) return 0;
  GrowExtent(r, wide);
  return 1;
}

int RemoveItem(ControlRecord& r, int position) {
  return SendMessageW(r.handle, LB_DELETESTRING, static_cast<WPARAM>(position), 0) == LB_ERR ? 0 : 1;
}

int ClearItems(ControlRecord& r) {
  SendMessageW(r.handle, LB_RESETCONTENT, 0, 0);
  r.widest = 0;
  SendMessageW(r.handle, LB_SETHORIZONTALEXTENT, 0, 0);
  return 1;
}

int CountItems(ControlRecord& r) {
  return static_cast<int>(SendMessageW(r.handle, LB_GETCOUNT, 0, 0));
}

}  // namespace

const ControlKind kTextListKind = {
    ParentMessage, nullptr, nullptr, GetState, SetState, AddItem, RemoveItem, ClearItems,
    CountItems, nullptr, nullptr, StoreColour, false, nullptr};

}  // namespace controls

intptr_t CreateTextList(int number, int x, int y, int w, int h, uint32_t flags) {
  using namespace controls;
  DWORD style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP |
                (flags & 0xFFFF);
  CreateArgs args{number, &kTextListKind, L"LISTBOX", nullptr, style, WS_EX_CLIENTEDGE,
                  x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  return r ? CreationResult(number, identity, r->handle) : 0;
}

}  // namespace ui
