#include "settings/alignment.h"

#include "ui/scale.h"

namespace settings {

namespace {
// The bottom alignments leave this much room below the window.
constexpr int kBottomMargin = 30;
}  // namespace

bool AlignmentPosition(int code, int displayWidth, int displayHeight, int* x, int* y, int dpi) {
  const int width = ui::ScaleToDpi(kMainWidth, dpi), height = ui::ScaleToDpi(kMainHeight, dpi);
  const int rightX = displayWidth - width;
  const int bottomY = displayHeight - height - ui::ScaleToDpi(kBottomMargin, dpi);
  int newX, newY;
  switch (code) {
    case 1: newX = 0, newY = bottomY; break;
    case 3: newX = rightX, newY = bottomY; break;
    case 5: newX = displayWidth / 2 - width / 2, newY = displayHeight / 2 - height / 2; break;
    case 7: newX = 0, newY = 0; break;
    case 9: newX = rightX, newY = 0; break;
    default: return false;
  }
  *x = newX;
  *y = newY;
  return true;
}

void KeepInside(const Area& area, int width, int height, int* x, int* y) {
  if (area.right <= area.left || area.bottom <= area.top) return;
  // Widened: a position read from a file may be anything.
  int64_t nx = *x, ny = *y;
  if (nx + width > area.right) nx = int64_t{area.right} - width;
  if (ny + height > area.bottom) ny = int64_t{area.bottom} - height;
  if (nx < area.left) nx = area.left;
  if (ny < area.top) ny = area.top;
  *x = static_cast<int>(nx);
  *y = static_cast<int>(ny);
}

bool AlignedPosition(int code, const Area& display, const Area& work, int* x, int* y, int dpi) {
  int newX, newY;
  if (!AlignmentPosition(code, display.right - display.left, display.bottom - display.top, &newX, &newY, dpi))
    return false;
  newX += display.left;
  newY += display.top;
  KeepInside(work, ui::ScaleToDpi(kMainWidth, dpi), ui::ScaleToDpi(kMainHeight, dpi), &newX, &newY);
  *x = newX;
  *y = newY;
  return true;
}

}  // namespace settings
