#include "ui/drawing.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "ui/ui.h"

namespace ui {
namespace {

constexpr COLORREF kWhite = 0xFFFFFF;

struct Context {
  HDC dc = nullptr;
  DrawTarget* target = nullptr;
  COLORREF front = 0;
  COLORREF back = kWhite;
  int mode = 0;
  HBRUSH modeBrush = nullptr;
  HGDIOBJ savedPen = nullptr;
  HGDIOBJ savedBrush = nullptr;
  HGDIOBJ savedFont = nullptr;  // set once the first font is selected
  int dpi = 96;                 // the target's
};

// Held from BeginDrawing to EndDrawing by the thread in gOwner.
std::mutex gLock;
std::atomic<DWORD> gOwner{0};
Context gContext;

HBRUSH gBlackBrush = nullptr;
HPEN gBlackPen = nullptr;

bool Open() { return gOwner.load(std::memory_order_acquire) == GetCurrentThreadId(); }

void CloseOwnSequence() {
  Context c = gContext;
  gContext = Context{};
  if (c.dc) {
    SelectObject(c.dc, c.savedPen);
    SelectObject(c.dc, c.savedBrush);
    if (c.savedFont) SelectObject(c.dc, c.savedFont);
  }
  if (c.modeBrush) DeleteObject(c.modeBrush);
  if (c.target && c.target->release) c.target->release(c.target);
  gOwner.store(0, std::memory_order_release);
  gLock.unlock();
}

// A place at 96 DPI on the target, and a length on the target back at 96 DPI.
int Scale(int v) { return ScaleToDpi(v, gContext.dpi); }
int Unscale(int v) { return gContext.dpi == 96 ? v : MulDiv(v, 96, gContext.dpi); }

COLORREF Resolve(int32_t colour) {
  return colour == -1 ? gContext.front : static_cast<COLORREF>(colour) & 0xFFFFFF;
}

// Exact rectangle columns x..x+w-1, rows y..y+h-1, painted or inverted.
void PaintRect(int x, int y, int w, int h, COLORREF colour) {
  if (w <= 0 || h <= 0) return;
  if (gContext.mode & kDrawInvert) {
    PatBlt(gContext.dc, x, y, w, h, DSTINVERT);
    return;
  }
  RECT r{x, y, x + w, y + h};
  if (colour == gContext.front && gContext.modeBrush) {
    FillRect(gContext.dc, &r, gContext.modeBrush);
    return;
  }
  HBRUSH brush = CreateSolidBrush(colour);
  if (!brush) return;
  FillRect(gContext.dc, &r, brush);
  DeleteObject(brush);
}

// Columns x..x+w-1, rows y..y+h-1 at 96 DPI: the pixels between the scaled
// edges, so that neighbouring boxes neither overlap nor leave a gap.
void PaintScaledRect(int x, int y, int w, int h, COLORREF colour) {
  const int left = Scale(x), top = Scale(y);
  PaintRect(left, top, Scale(x + w) - left, Scale(y + h) - top, colour);
}

// Selects a pen (and a brush for filled shapes) of the colour for one shape,
// unless it is the front colour, whose pen and brush are already selected.
class ShapeColour {
 public:
  explicit ShapeColour(COLORREF colour) {
    if (colour == gContext.front) return;
    pen_ = CreatePen(PS_SOLID, 1, colour);
    if (pen_) oldPen_ = SelectObject(gContext.dc, pen_);
    if (!(gContext.mode & kDrawOutlined)) {
      brush_ = CreateSolidBrush(colour);
      if (brush_) oldBrush_ = SelectObject(gContext.dc, brush_);
    }
  }
  ~ShapeColour() {
    if (pen_) {
      SelectObject(gContext.dc, oldPen_);
      DeleteObject(pen_);
    }
    if (brush_) {
      SelectObject(gContext.dc, oldBrush_);
      DeleteObject(brush_);
    }
  }
  ShapeColour(const ShapeColour&) = delete;
  ShapeColour& operator=(const ShapeColour&) = delete;

 private:
  HPEN pen_ = nullptr;
  HBRUSH brush_ = nullptr;
  HGDIOBJ oldPen_ = nullptr;
  HGDIOBJ oldBrush_ = nullptr;
};

}  // namespace

void DrawingStartup() {
  if (!gBlackBrush) gBlackBrush = CreateSolidBrush(0);
  if (!gBlackPen) gBlackPen = CreatePen(PS_SOLID, 1, 0);
}

void DrawingShutdown() {
  if (Open()) CloseOwnSequence();
  if (gBlackBrush) DeleteObject(gBlackBrush);
  if (gBlackPen) DeleteObject(gBlackPen);
  gBlackBrush = nullptr;
  gBlackPen = nullptr;
}

HDC BeginDrawing(DrawTarget* target) {
  if (Open()) CloseOwnSequence();
  if (!target) return nullptr;
  gLock.lock();
  gOwner.store(GetCurrentThreadId(), std::memory_order_release);
  // The surface is made ready only now, under the lock: a bitmap can be
  // selected into one surface at a time, and another thread may have just
  // been drawing on the same image.
  if (!target->attach || !target->attach(target) || !target->dc) {
    gContext.target = target;
    CloseOwnSequence();
    return nullptr;
  }
  HDC dc = target->dc;
  gContext.dc = dc;
  gContext.target = target;
  gContext.dpi = target->dpi > 0 ? target->dpi : 96;
  SetTextAlign(dc, TA_UPDATECP | TA_TOP | TA_LEFT);
  HGDIOBJ brush = gBlackBrush ? static_cast<HGDIOBJ>(gBlackBrush) : GetStockObject(BLACK_BRUSH);
  HGDIOBJ pen = gBlackPen ? static_cast<HGDIOBJ>(gBlackPen) : GetStockObject(BLACK_PEN);
  gContext.savedBrush = SelectObject(dc, brush);
  gContext.savedPen = SelectObject(dc, pen);
  gContext.modeBrush = CreateSolidBrush(gContext.front);
  SetTextColor(dc, gContext.front);
  SetBkColor(dc, gContext.back);
  SetBkMode(dc, OPAQUE);
  SetROP2(dc, R2_COPYPEN);
  MoveToEx(dc, 0, 0, nullptr);
  return dc;
}

void EndDrawing() {
  if (Open()) CloseOwnSequence();
}

void SetDrawMode(int mode) {
  if (!Open()) return;
  HDC dc = gContext.dc;
  gContext.mode = mode;
  SetROP2(dc, (mode & kDrawInvert) ? R2_NOT : R2_COPYPEN);
  SelectObject(dc, (mode & kDrawOutlined) || !gContext.modeBrush ? GetStockObject(NULL_BRUSH)
                                                                 : gContext.modeBrush);
  SetBkMode(dc, (mode & kDrawTransparent) ? TRANSPARENT : OPAQUE);
}

void SetDrawFont(HFONT font) {
  if (!Open() || !font) return;
  if (font == SystemDrawFont()) font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  HGDIOBJ previous = SelectObject(gContext.dc, font);
  if (previous && !gContext.savedFont) gContext.savedFont = previous;
}

void DrawBox(int x, int y, int w, int h, int32_t colour) {
  if (!Open() || w <= 0 || h <= 0) return;
  const COLORREF c = Resolve(colour);
  if (!(gContext.mode & kDrawOutlined)) {
    PaintScaledRect(x, y, w, h, c);
    return;
  }
  // The frame as four disjoint strips, so that inverting never hits a pixel twice.
  PaintScaledRect(x, y, w, 1, c);
  if (h > 1) PaintScaledRect(x, y + h - 1, w, 1, c);
  if (h > 2) {
    PaintScaledRect(x, y + 1, 1, h - 2, c);
    if (w > 1) PaintScaledRect(x + w - 1, y + 1, 1, h - 2, c);
  }
}

void DrawLine(int x1, int y1, int x2, int y2, int32_t colour) {
  if (!Open()) return;
  HDC dc = gContext.dc;
  const COLORREF c = Resolve(colour);
  if (gContext.dpi != 96) {
    // Scaled, a line is as thick as a scaled pixel: across or down, the
    // pixels between the scaled edges; slanted, a pen of that width.
    if (y1 == y2 || x1 == x2) {
      const int left = x1 < x2 ? x1 : x2, top = y1 < y2 ? y1 : y2;
      PaintScaledRect(left, top, (x1 < x2 ? x2 - x1 : x1 - x2) + 1, (y1 < y2 ? y2 - y1 : y1 - y2) + 1, c);
      return;
    }
    HPEN wide = CreatePen(PS_SOLID, Scale(1), c);
    HGDIOBJ old = wide ? SelectObject(dc, wide) : nullptr;
    POINT before{};
    MoveToEx(dc, Scale(x1), Scale(y1), &before);
    LineTo(dc, Scale(x2), Scale(y2));
    MoveToEx(dc, before.x, before.y, nullptr);
    if (wide) {
      SelectObject(dc, old);
      DeleteObject(wide);
    }
    return;
  }
  HPEN pen = nullptr;
  HGDIOBJ oldPen = nullptr;
  if (c != gContext.front) {
    pen = CreatePen(PS_SOLID, 1, c);
    if (pen) oldPen = SelectObject(dc, pen);
  }
  POINT before{};
  MoveToEx(dc, x1, y1, &before);
  LineTo(dc, x2, y2);  // stops short of the end point
  if (gContext.mode & kDrawInvert)
    PatBlt(dc, x2, y2, 1, 1, DSTINVERT);
  else
    SetPixel(dc, x2, y2, c);
  MoveToEx(dc, before.x, before.y, nullptr);
  if (pen) {
    SelectObject(dc, oldPen);
    DeleteObject(pen);
  }
}

int DrawTextAt(int x, int y, const char* text, int32_t colour) {
  if (!Open()) return 0;
  if (!text || !*text) return x;
  HDC dc = gContext.dc;
  const COLORREF c = Resolve(colour);
  if (c != gContext.front) SetTextColor(dc, c);
  MoveToEx(dc, Scale(x), Scale(y), nullptr);
  const std::wstring wide = WideFrom1252(text);
  TextOutW(dc, 0, 0, wide.c_str(), static_cast<int>(wide.size()));  // at the current position
  if (c != gContext.front) SetTextColor(dc, gContext.front);
  POINT after{Scale(x), Scale(y)};
  GetCurrentPositionEx(dc, &after);
  MoveToEx(dc, 0, 0, nullptr);
  return Unscale(after.x);
}

int TextPixelWidth(const char* text) {
  if (!Open() || !text || !*text) return 0;
  SIZE size{};
  const std::wstring wide = WideFrom1252(text);
  if (!GetTextExtentPoint32W(gContext.dc, wide.c_str(), static_cast<int>(wide.size()), &size))
    return 0;
  return Unscale(size.cx);
}

void DrawEllipse(int x, int y, int rx, int ry, int32_t colour) {
  if (!Open() || rx <= 0 || ry <= 0) return;
  ShapeColour shape(Resolve(colour));
  // With a one-pixel pen the figure stays inside left..right-1, top..bottom-1.
  Ellipse(gContext.dc, Scale(x - rx), Scale(y - ry), Scale(x + rx), Scale(y + ry));
}

void DrawCircle(int x, int y, int radius, int32_t colour) {
  if (radius == 1) {
    DrawBox(x, y, 2, 2, colour);
    return;
  }
  DrawEllipse(x, y, radius, radius, colour);
}

void DrawPixel(int x, int y, int32_t colour) {
  if (!Open()) return;
  if (gContext.dpi != 96) {
    PaintScaledRect(x, y, 1, 1, Resolve(colour));
    return;
  }
  SetPixel(gContext.dc, x, y, Resolve(colour));
}

}  // namespace ui
