// Push button showing an image: the kind draws the whole face itself
// (owner-drawn), so that the image can sit on the platform's button face.
#include "ui/controls.h"
#include "ui/controls/common_controls.h"
#include "ui/controls/control_list.h"

#include <shlwapi.h>
#include <uxtheme.h>
#include <vssym32.h>

#include "ui/system_library.h"

namespace ui {
namespace controls {
namespace {

// The theme functions, from the system folder (see system_library.h).
struct Themes {
  decltype(&::IsAppThemed) isAppThemed = SystemFunction<decltype(&::IsAppThemed)>("uxtheme.dll", "IsAppThemed");
  decltype(&::OpenThemeData) open = SystemFunction<decltype(&::OpenThemeData)>("uxtheme.dll", "OpenThemeData");
  decltype(&::CloseThemeData) close = SystemFunction<decltype(&::CloseThemeData)>("uxtheme.dll", "CloseThemeData");
  decltype(&::DrawThemeBackground) drawBackground =
      SystemFunction<decltype(&::DrawThemeBackground)>("uxtheme.dll", "DrawThemeBackground");
  decltype(&::GetThemeBackgroundContentRect) contentRect =
      SystemFunction<decltype(&::GetThemeBackgroundContentRect)>("uxtheme.dll", "GetThemeBackgroundContentRect");
  bool Complete() const { return isAppThemed && open && close && drawBackground && contentRect; }
};

const Themes& Theme() {
  static const Themes functions;
  return functions;
}

bool ThemesActive() { return Theme().Complete() && Theme().isAppThemed(); }

// Visual styles only apply when the process runs common controls 6 (it needs
// a manifest); without it the other buttons are classic, and so is this one.
bool CommonControls6() {
  static int known = -1;
  if (known < 0) {
    known = 0;
    if (HMODULE module = CommonControlsLibrary()) {
      using GetVersionFn = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
      auto fn = reinterpret_cast<GetVersionFn>(
          reinterpret_cast<void*>(GetProcAddress(module, "DllGetVersion")));
      DLLVERSIONINFO info{};
      info.cbSize = sizeof info;
      if (fn && SUCCEEDED(fn(&info)) && info.dwMajorVersion >= 6) known = 1;
    }
  }
  return known == 1;
}

void DrawImage(HDC dc, HANDLE image, int x, int y, SIZE size, bool disabled) {
  if (disabled) {
    DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(image), 0, x, y, size.cx, size.cy,
               (IsBitmap(image) ? DST_BITMAP : DST_ICON) | DSS_DISABLED);
  } else if (IsBitmap(image)) {
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, image);
    if (old) {
      BitBlt(dc, x, y, size.cx, size.cy, source, 0, 0, SRCCOPY);
      SelectObject(source, old);
    }
    DeleteDC(source);
  } else {
    DrawIconEx(dc, x, y, static_cast<HICON>(image), size.cx, size.cy, 0, nullptr, DI_NORMAL);
  }
}

void Draw(ControlRecord& r, const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT face = item.rcItem;
  bool pressed = (item.itemState & ODS_SELECTED) != 0;
  bool disabled = (item.itemState & ODS_DISABLED) != 0;

  // The button's theme stays open while the theme does: opening it asks the
  // window server for the window's theme properties each time.
  if (!r.theme && CommonControls6() && ThemesActive()) r.theme = Theme().open(item.hwndItem, L"Button");
  HTHEME theme = static_cast<HTHEME>(r.theme);
  RECT focus = face;
  int inset = 2;
  if (theme) {
    int state = disabled ? PBS_DISABLED : pressed ? PBS_PRESSED : r.hot ? PBS_HOT
              : (item.itemState & ODS_FOCUS) ? PBS_DEFAULTED : PBS_NORMAL;
    // The rounded corners show what is behind the button; filling them here
    // avoids asking the parent to paint (it would report a repaint event).
    ControlRecord* container = ColouredContainerOf(item.hwndItem);
    FillRect(dc, &face, container ? container->backBrush : GetSysColorBrush(COLOR_BTNFACE));
    Theme().drawBackground(theme, dc, BP_PUSHBUTTON, state, &face, nullptr);
    Theme().contentRect(theme, dc, BP_PUSHBUTTON, state, &face, &focus);
    inset = 4;
  } else {
    DrawFrameControl(dc, &face, DFC_BUTTON,
                     DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0) | (disabled ? DFCS_INACTIVE : 0));
    InflateRect(&focus, -3, -3);
  }

  if (r.image) {
    SIZE size = ImageSize(r.image);
    int x = face.left + (face.right - face.left - size.cx) / 2 + (pressed ? 1 : 0);
    int y = face.top + (face.bottom - face.top - size.cy) / 2 + (pressed ? 1 : 0);
    int saved = SaveDC(dc);
    inset = ScaleToDpi(inset, r.dpi);
    IntersectClipRect(dc, face.left + inset, face.top + inset, face.right - inset, face.bottom - inset);
    DrawImage(dc, r.image, x, y, size, disabled);
    RestoreDC(dc, saved);
  }

  if ((item.itemState & ODS_FOCUS) && !(item.itemState & ODS_NOFOCUSRECT)) DrawFocusRect(dc, &focus);
}

bool ParentMessage(ControlRecord& r, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (msg == WM_DRAWITEM) {
    Draw(r, *reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    *result = TRUE;
    return true;
  }
  // A press is the only event of a button; owner-drawn buttons also notify
  // double clicks and focus changes, which are not events here.
  if (msg == WM_COMMAND && HIWORD(wParam) != BN_CLICKED) {
    *result = 0;
    return true;
  }
  return false;
}

void CloseTheme(ControlRecord& r) {
  if (r.theme) Theme().close(static_cast<HTHEME>(r.theme));
  r.theme = nullptr;
}

bool OwnMessage(ControlRecord& r, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_THEMECHANGED:
      CloseTheme(r);
      return false;
    case WM_LBUTTONDBLCLK:
      // Owner-drawn buttons turn the second click of a double click into a
      // double-click notification; a fast second press is a press all the same.
      *result = CallControlDefault(hwnd, WM_LBUTTONDOWN, wParam, lParam);
      return true;
    case WM_MOUSEMOVE:
      if (!r.hot) {
        r.hot = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        if (CommonControls6() && ThemesActive()) InvalidateRect(hwnd, nullptr, FALSE);
      }
      return false;
    case WM_MOUSELEAVE:
      r.hot = false;
      if (CommonControls6() && ThemesActive()) InvalidateRect(hwnd, nullptr, FALSE);
      return false;
  }
  return false;
}

intptr_t GetState(ControlRecord& r) { return reinterpret_cast<intptr_t>(r.image); }

int SetState(ControlRecord& r, intptr_t value) {
  r.image = reinterpret_cast<HANDLE>(value);
  InvalidateRect(r.handle, nullptr, FALSE);
  return 1;
}

}  // namespace

const ControlKind kImageButtonKind = {
    ParentMessage, OwnMessage, CloseTheme, GetState, SetState, nullptr, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, true, nullptr};

}  // namespace controls

intptr_t CreateImageButton(int number, int x, int y, int w, int h, HANDLE image) {
  using namespace controls;
  CreateArgs args{number, &kImageButtonKind, L"BUTTON", nullptr, BS_OWNERDRAW | WS_TABSTOP, 0,
                  x, y, w, h, false};
  int identity = 0;
  ControlRecord* r = CreateControl(args, &identity);
  if (!r) return 0;
  r->image = image;
  return CreationResult(number, identity, r->handle);
}

}  // namespace ui
