#include "app/placement.h"

namespace app {

void DockRect(DockFlags& flags, int32_t workRight, int32_t workBottom, Rect& r) {
  // Widened so that absurd rectangles cannot overflow; real ones fit easily.
  const int64_t w = int64_t{r.right} - r.left;
  const int64_t h = int64_t{r.bottom} - r.top;
  const auto narrow = [](int64_t v) { return static_cast<int32_t>(v); };

  // Snap only on the first step into a band; inside it the window follows
  // the mouse again, otherwise it could never be moved off the edge.
  if (r.left < kSnapDistance) {
    if (!flags.left) {
      r.left = 0;
      r.right = narrow(w);
      flags.left = true;
    }
  } else {
    flags.left = false;
  }
  if (r.top < kSnapDistance) {
    if (!flags.top) {
      r.top = 0;
      r.bottom = narrow(h);
      flags.top = true;
    }
  } else {
    flags.top = false;
  }
  if (r.right > int64_t{workRight} - kSnapDistance) {
    if (!flags.right) {
      r.left = narrow(workRight - w);
      r.right = workRight;
      flags.right = true;
    }
  } else {
    flags.right = false;
  }
  if (r.bottom > int64_t{workBottom} - kSnapDistance) {
    if (!flags.bottom) {
      r.top = narrow(workBottom - h);
      r.bottom = workBottom;
      flags.bottom = true;
    }
  } else {
    flags.bottom = false;
  }

  if (r.top < 0) {
    r.top = 0;
    r.bottom = narrow(h);
  }
  if (r.left < 0) {
    r.left = 0;
    r.right = narrow(w);
  }
  if (r.right > workRight) {
    r.right = workRight;
    r.left = narrow(r.right - w);
  }
  if (r.bottom > workBottom) {
    r.bottom = workBottom;
    r.top = narrow(r.bottom - h);
  }
}

}  // namespace app
