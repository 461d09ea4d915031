// Picture that reports clicks and takes the size of its image.
#include <windowsx.h>

#include <cstdlib>

#include "ui/controls.h"
#include "ui/controls/control_list.h"
#include "ui/events.h"

namespace ui {
namespace controls {
namespace {

// The control paints from its own copy: the caller's bitmap may be selected
// into a drawing context of the timer thread when the control repaints, and a
// bitmap can be selected into one context only.
// The status strip hands the same picture over four times a second: an
// existing copy of the same size is reused rather than made anew.
HBITMAP CopyForPainting(HBITMAP source, HBITMAP reuse) {
  BITMAP bm{};
  if (!GetObjectW(source, sizeof bm, &bm)) return nullptr;
  int w = bm.bmWidth;
  int h = bm.bmHeight < 0 ? -bm.bmHeight : bm.bmHeight;
  HBITMAP copy = nullptr;
  BITMAP old{};
  if (reuse && GetObjectW(reuse, sizeof old, &old) && old.bmWidth == w && old.bmHeight == h) {
    copy = reuse;
  } else {
    HDC screen = GetDC(nullptr);
    copy = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
  }
  if (!copy) return nullptr;
  HDC from = CreateCompatibleDC(nullptr);
  HDC to = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFrom = SelectObject(from, source);
  HGDIOBJ oldTo = SelectObject(to, copy);
  bool copied = oldFrom && oldTo && BitBlt(to, 0, 0, w, h, from, 0, 0, SRCCOPY);
  if (oldFrom) SelectObject(from, oldFrom);
  if (oldTo) SelectObject(to, oldTo);
  DeleteDC(from);
  DeleteDC(to);
  if (!copied) {
    if (copy != reuse) DeleteObject(copy);
    return nullptr;
  }
  return copy;
}

void Paint(ControlRecord& r, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (r.paintCopy) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, r.paintCopy);
    BITMAP bm{};
    GetObjectW(r.paintCopy, sizeof bm, &bm);
    BitBlt(dc, 0, 0, bm.bmWidth, bm.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
  } else if (r.image && !IsBitmap(r.image)) {
    DrawIconEx(dc, 0, 0, static_cast<HICON>(r.image), 0, 0, 0, nullptr, DI_NORMAL);
  }
  EndPaint(hwnd, &ps);
}

bool ParentMessage(ControlRecord&, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
  // A single left click is the static's click notification (type 0); every
  // other notification (double click, enable, disable) would collide with the
  // numbered click types, which this kind posts itself.
  if (msg == WM_COMMAND && HIWORD(wParam) != STN_CLICKED) {
    *result = 0;
    return true;
  }
  return false;
}

bool OwnMessage(ControlRecord& r, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_PAINT:
      Paint(r, hwnd);
      *result = 0;
      return true;
    case WM_ERASEBKGND:
      // A bitmap covers the client area; an icon shows the parent around it.
      *result = 1;
      return true;
    case WM_ENABLE:
      // The static would repaint itself as text here.
      InvalidateRect(hwnd, nullptr, FALSE);
      *result = 0;
      return true;
    case WM_LBUTTONDOWN:
      r.dragArmed = true;
      r.dragFrom = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      return false;
    case WM_LBUTTONDBLCLK:
      r.dragArmed = true;
      r.dragFrom = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      PostControlReport(hwnd, r.number, kLeftDoubleClick);
      return false;
    case WM_MOUSEMOVE:
      if (!(wParam & MK_LBUTTON)) {
        r.dragArmed = false;
      } else if (r.dragArmed &&
                 (std::abs(GET_X_LPARAM(lParam) - r.dragFrom.x) > GetSystemMetrics(SM_CXDRAG) ||
                  std::abs(GET_Y_LPARAM(lParam) - r.dragFrom.y) > GetSystemMetrics(SM_CYDRAG))) {
        r.dragArmed = false;
        PostControlReport(hwnd, r.number, kDragStart);
      }
      return false;
    case WM_LBUTTONUP:
      r.dragArmed = false;
      return false;
    case WM_RBUTTONUP:
      // The release that ends a right double click is not a click of its own.
      if (r.afterRightDoubleClick)
        r.afterRightDoubleClick = false;
      else
        PostControlReport(hwnd, r.number, kRightClick);
      return false;
    case WM_RBUTTONDBLCLK:
      r.afterRightDoubleClick = true;
      PostControlReport(hwnd, r.number, kRightDoubleClick);
      return false;
  }
  return false;
}

void Release(ControlRecord& r) {
  if (r.paintCopy) DeleteObject(r.paintCopy);
  r.paintCopy = nullptr;
}

intptr_t GetState(ControlRecord& r) { return reinterpret_cast<intptr_t>(r.image); }

int SetState(ControlRecord& r, intptr_t value) {
  HANDLE image = reinterpret_cast<HANDLE>(value);
  HWND hwnd = r.handle;
  r.image = image;
  HBITMAP copy = IsBitmap(image) ? CopyForPainting(static_cast<HBITMAP>(image), r.paintCopy) : nullptr;
  if ((copy || !IsBitmap(image)) && copy != r.paintCopy) {
    Release(r);
    r.paintCopy = copy;
  }
  // Icons and no image do not cover the old picture: let the parent paint the
  // old area first, then the control paints over it at its new size.
  bool wipe = !IsBitmap(image) && IsWindowVisible(hwnd);
  if (wipe) {
    ShowWindow(hwnd, SW_HIDE);
    UpdateWindow(GetParent(hwnd));
  }
  if (image) {
    SIZE size = ImageSize(image);
    RECT now, client;
    GetWindowRect(hwnd, &now);
    GetClientRect(hwnd, &client);
    // The sunken edge, as wide as the display's scale makes it.
    const int border = r.sunken ? (now.right - now.left) - client.right : 0;
    if (now.right - now.left != size.cx + border || now.bottom - now.top != size.cy + border)
      SetWindowPos(hwnd, nullptr, 0, 0, size.cx + border, size.cy + border,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (wipe) ShowWindow(hwnd, SW_SHOWNA);
  InvalidateRect(hwnd, nullptr, FALSE);
  return 1;
}

}  // namespace

const ControlKind kImageControlKind = {
    ParentMessage, OwnMessage, Release, GetState, SetState, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, true, nullptr};

}  // namespace controls

intptr_t CreateImageControl(int number, int x, int y, int w, int h, HANDLE image, uint32_t flags) {
  using namespace controls;
  bool sunken = (flags & (kTextSunken | SS_SUNKEN)) != 0;
  CreateArgs args{number, &kImageControlKind, L"STATIC", nullptr, SS_NOTIFY,
                  sunken ? static_cast<DWORD>(WS_EX_CLIENTEDGE) : 0u, x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  if (!r) return 0;
  r->sunken = sunken;
  HWND handle = r->handle;
  r->kind->setState(*r, reinterpret_cast<intptr_t>(image));
  return CreationResult(number, identity, handle);
}

}  // namespace ui
