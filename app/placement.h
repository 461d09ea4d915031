#pragma once
// How dragged windows snap to the edges of the work area, and how a window
// that lies off every display comes back. The alignment positions are in
// settings/alignment.h, since the settings loader needs them too.
#include <cstddef>
#include <cstdint>

#include "settings/alignment.h"

namespace app {

constexpr int kSnapDistance = 32;

// Whether a window has already snapped to an edge since it last left that
// edge's band. Shared by all windows of the program.
struct DockFlags {
  bool left = false, top = false, right = false, bottom = false;
};

using Rect = settings::Area;

// Adjusts the rectangle proposed for a window being dragged: snaps it onto
// an edge of the work area it comes within the snap distance of (once per
// approach), then keeps it inside the work area. The distance is
// kSnapDistance scaled to the window's DPI.
void DockRect(DockFlags& flags, const Rect& work, Rect& r, int snapDistance = kSnapDistance);

// For a window shown at a position that may come from another PC: when less
// than half of it lies inside the given work areas (all displays'), *moved is
// the window moved the least distance onto the nearest of them (the one it
// overlaps most, else the one closest to it) and the result is true.
bool PullOntoWorkArea(const Rect& window, const Rect* workAreas, size_t count, Rect* moved);

}  // namespace app
