#pragma once
// Where the main window goes for an alignment code. Shared by the settings
// loader and the placement commands, so it lives below both of them.

namespace settings {

constexpr int kMainWidth = 216, kMainHeight = 408;

// Top-left corner for codes 1, 3, 5, 7, 9 (numeric keypad layout: corners and
// centre of a display of the given size). Any other code returns false and
// leaves *x and *y alone.
bool AlignmentPosition(int code, int displayWidth, int displayHeight, int* x, int* y);

}  // namespace settings
