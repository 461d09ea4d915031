#pragma once
// Where the main window goes for an alignment code, and how dragged windows
// snap to the screen edges.
#include <cstdint>

namespace app {

constexpr int kSnapDistance = 32;
constexpr int kMainWidth = 216, kMainHeight = 408;

// Top-left corner for codes 1, 3, 5, 7, 9 (numeric keypad layout: corners and
// centre of a display of the given size). Any other code returns false and
// leaves *x and *y alone.
bool AlignmentPosition(int code, int displayWidth, int displayHeight, int* x, int* y);

// Whether a window has already snapped to an edge since it last left that
// edge's band. Shared by all windows of the program.
struct DockFlags {
  bool left = false, top = false, right = false, bottom = false;
};

struct Rect {
  int32_t left, top, right, bottom;
};

// Adjusts the rectangle proposed for a window being dragged: snaps it onto
// an edge it comes within kSnapDistance of (once per approach), then keeps it
// between the screen's left/top edge and the work area's right/bottom edge.
void DockRect(DockFlags& flags, int32_t workRight, int32_t workBottom, Rect& r);

}  // namespace app
