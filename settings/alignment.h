#pragma once
// Where the main window goes for an alignment code. Shared by the settings
// loader and the placement commands, so it lives below both of them.
#include <cstdint>

namespace settings {

constexpr int kMainWidth = 216, kMainHeight = 408;

// A rectangle of the desktop (right and bottom edges outside), in the
// coordinate space the program's windows are placed in.
struct Area {
  int32_t left, top, right, bottom;
};

// Top-left corner for codes 1, 3, 5, 7, 9 (numeric keypad layout: corners and
// centre of a display of the given size). Any other code returns false and
// leaves *x and *y alone. At another DPI than 96 the window and the margin
// below it are as much larger as the display scales them.
bool AlignmentPosition(int code, int displayWidth, int displayHeight, int* x, int* y, int dpi = 96);

// The place of an alignment code on the given display, moved the least
// distance that keeps the window wholly inside the work area (an empty work
// area is not known and keeps nothing). Where the window is larger than the
// work area, its top left corner stays visible.
bool AlignedPosition(int code, const Area& display, const Area& work, int* x, int* y, int dpi = 96);

// Moves a width x height window at *x, *y the least distance that puts it
// inside the area; the top left corner wins when it does not fit.
void KeepInside(const Area& area, int width, int height, int* x, int* y);

}  // namespace settings
