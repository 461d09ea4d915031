#pragma once
// How dragged windows snap to the screen edges. The alignment positions are
// in settings/alignment.h, since the settings loader needs them too.
#include <cstdint>

#include "settings/alignment.h"

namespace app {

constexpr int kSnapDistance = 32;

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
