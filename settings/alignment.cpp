#include "settings/alignment.h"

namespace settings {

namespace {
// The bottom alignments leave this much room below the window.
constexpr int kBottomMargin = 30;
}  // namespace

bool AlignmentPosition(int code, int displayWidth, int displayHeight, int* x, int* y) {
  const int rightX = displayWidth - kMainWidth;
  const int bottomY = displayHeight - kMainHeight - kBottomMargin;
  int newX, newY;
  switch (code) {
    case 1: newX = 0, newY = bottomY; break;
    case 3: newX = rightX, newY = bottomY; break;
    case 5: newX = displayWidth / 2 - kMainWidth / 2, newY = displayHeight / 2 - kMainHeight / 2; break;
    case 7: newX = 0, newY = 0; break;
    case 9: newX = rightX, newY = 0; break;
    default: return false;
  }
  *x = newX;
  *y = newY;
  return true;
}

}  // namespace settings
