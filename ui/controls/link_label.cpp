// Text link: transparent text, hand cursor, hover colour, click on release.
#include <windowsx.h>

#include "ui/controls.h"
#include "ui/controls/control_list.h"
#include "ui/events.h"

namespace ui {
namespace controls {
namespace {

// The label draws no background, so a change of its look needs the parent to
// paint the area first; the parent comes before its children with UPDATENOW.
void RedrawWithParent(HWND hwnd) {
  HWND parent = GetParent(hwnd);
  RECT rc;
  GetWindowRect(hwnd, &rc);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
  RedrawWindow(parent, &rc, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

HFONT UnderlinedFont(ControlRecord& r, HFONT source) {
  if (r.underlineFont && r.underlineSource == source) return r.underlineFont;
  if (r.underlineFont) DeleteObject(r.underlineFont);
  r.underlineFont = nullptr;
  r.underlineSource = source;
  LOGFONTW lf{};
  if (!GetObjectW(source ? source : GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf)) return source;
  lf.lfUnderline = TRUE;
  r.underlineFont = CreateFontIndirectW(&lf);
  return r.underlineFont ? r.underlineFont : source;
}

void Paint(ControlRecord& r, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT rc;
  GetClientRect(hwnd, &rc);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (r.underline) font = UnderlinedFont(r, font);
  HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
  SetBkMode(dc, TRANSPARENT);

  int length = GetWindowTextLengthW(hwnd);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  length = GetWindowTextW(hwnd, &text[0], length + 1);
  LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
  UINT format = DT_WORDBREAK | DT_NOCLIP;
  if ((style & SS_TYPEMASK) == SS_CENTER) format |= DT_CENTER;
  if ((style & SS_TYPEMASK) == SS_RIGHT) format |= DT_RIGHT;
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;

  if (!IsWindowEnabled(hwnd)) {
    // Engraved, the way the platform greys disabled text.
    RECT shifted = rc;
    OffsetRect(&shifted, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawTextW(dc, text.c_str(), length, &shifted, format);
    SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
  } else if (r.hot && r.hover != -1) {
    SetTextColor(dc, static_cast<COLORREF>(r.hover));
  } else {
    SetTextColor(dc, r.front != -1 ? static_cast<COLORREF>(r.front) : RGB(0, 0, 0));
  }
  DrawTextW(dc, text.c_str(), length, &rc, format);
  if (oldFont) SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

void SetHot(ControlRecord& r, HWND hwnd, bool hot) {
  if (r.hot == hot) return;
  r.hot = hot;
  if (hot) {
    SetCapture(hwnd);
  } else if (GetCapture() == hwnd) {
    ReleaseCapture();
  }
  RedrawWithParent(hwnd);
}

bool OwnMessage(ControlRecord& r, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_PAINT:
      Paint(r, hwnd);
      *result = 0;
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_NCHITTEST:
      // A static without the notify style lets the mouse through.
      *result = HTCLIENT;
      return true;
    case WM_SETCURSOR:
      SetCursor(LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_HAND)));
      *result = TRUE;
      return true;
    case WM_ENABLE:
      // The static would paint itself with a background here.
      RedrawWithParent(hwnd);
      *result = 0;
      return true;
    case WM_SETTEXT:
      *result = CallControlDefault(hwnd, msg, wParam, lParam);
      RedrawWithParent(hwnd);
      return true;
    case WM_MOUSEMOVE: {
      // Hovering holds the capture so that leaving is seen; a disabled window
      // (a modal dialog above it) ends the hover too.
      RECT rc;
      GetClientRect(hwnd, &rc);
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      bool over = PtInRect(&rc, pt) && IsWindowEnabled(hwnd) &&
                  IsWindowEnabled(GetAncestor(hwnd, GA_ROOT));
      SetHot(r, hwnd, over);
      *result = 0;
      return true;
    }
    case WM_CAPTURECHANGED:
      if (r.hot && reinterpret_cast<HWND>(lParam) != hwnd) {
        r.hot = false;
        RedrawWithParent(hwnd);
      }
      return false;
    case WM_LBUTTONUP: {
      RECT rc;
      GetClientRect(hwnd, &rc);
      POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (PtInRect(&rc, pt)) PostControlReport(hwnd, r.number, kLeftClick);
      *result = 0;
      return true;
    }
  }
  return false;
}

void Release(ControlRecord& r) {
  if (r.underlineFont) DeleteObject(r.underlineFont);
  r.underlineFont = nullptr;
}

int SetColour(ControlRecord& r, int which, int32_t colour) {
  // Transparent by nature: only the text colour can be chosen.
  if (which != kFrontColour) return 0;
  StoreColour(r, which, colour);
  RedrawWithParent(r.handle);
  return 1;
}

}  // namespace

const ControlKind kLinkLabelKind = {
    nullptr, OwnMessage, Release, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, SetColour, false, nullptr};

}  // namespace controls

intptr_t CreateLinkLabel(int number, int x, int y, int w, int h, const char* text,
                         int32_t hoverColour, uint32_t flags) {
  using namespace controls;
  CreateArgs args{number, &kLinkLabelKind, L"STATIC", text, SS_LEFT, 0, x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  if (!r) return 0;
  r->hover = hoverColour == -1 ? -1 : (hoverColour & 0xFFFFFF);
  r->underline = (flags & kLinkUnderlined) != 0;
  return CreationResult(number, identity, r->handle);
}

}  // namespace ui
