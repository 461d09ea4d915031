#pragma once
// Solid brushes for control back colours, shared between controls of the same
// colour. Reference-counted and guarded by a lock.
#include <windows.h>

namespace ui {
namespace controls {

// A brush of the colour; every AcquireBrush needs one ReleaseBrush.
HBRUSH AcquireBrush(COLORREF colour);
// Drops one reference; the brush is deleted with its last one.
void ReleaseBrush(HBRUSH brush);
// Number of live brushes (for tests and leak checks).
int LiveBrushCount();

}  // namespace controls
}  // namespace ui
