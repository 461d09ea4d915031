#include "app/placement.h"

namespace app {

void DockRect(DockFlags& flags, const Rect& work, Rect& r, int snapDistance) {
  // Widened so that absurd rectangles cannot overflow; real ones fit easily.
  const int64_t w = int64_t{r.right} - r.left;
  const int64_t h = int64_t{r.bottom} - r.top;
  const auto narrow = [](int64_t v) { return static_cast<int32_t>(v); };

  // Snap only on the first step into a band; inside it the window follows
  // the mouse again, otherwise it could never be moved off the edge.
  if (r.left < int64_t{work.left} + snapDistance) {
    if (!flags.left) {
      r.left = work.left;
      r.right = narrow(work.left + w);
      flags.left = true;
    }
  } else {
    flags.left = false;
  }
  if (r.top < int64_t{work.top} + snapDistance) {
    if (!flags.top) {
      r.top = work.top;
      r.bottom = narrow(work.top + h);
      flags.top = true;
    }
  } else {
    flags.top = false;
  }
  if (r.right > int64_t{work.right} - snapDistance) {
    if (!flags.right) {
      r.left = narrow(work.right - w);
      r.right = work.right;
      flags.right = true;
    }
  } else {
    flags.right = false;
  }
  if (r.bottom > int64_t{work.bottom} - snapDistance) {
    if (!flags.bottom) {
      r.top = narrow(work.bottom - h);
      r.bottom = work.bottom;
      flags.bottom = true;
    }
  } else {
    flags.bottom = false;
  }

  if (r.top < work.top) {
    r.top = work.top;
    r.bottom = narrow(work.top + h);
  }
  if (r.left < work.left) {
    r.left = work.left;
    r.right = narrow(work.left + w);
  }
  if (r.right > work.right) {
    r.right = work.right;
    r.left = narrow(r.right - w);
  }
  if (r.bottom > work.bottom) {
    r.bottom = work.bottom;
    r.top = narrow(r.bottom - h);
  }
}

namespace {

int64_t Overlap(const Rect& a, const Rect& b) {
  const int64_t w = int64_t{a.right < b.right ? a.right : b.right} - (a.left > b.left ? a.left : b.left);
  const int64_t h = int64_t{a.bottom < b.bottom ? a.bottom : b.bottom} - (a.top > b.top ? a.top : b.top);
  return w > 0 && h > 0 ? w * h : 0;
}

// Squared distance between two rectangles that do not overlap.
int64_t Gap(const Rect& a, const Rect& b) {
  int64_t dx = 0, dy = 0;
  if (a.right <= b.left) dx = int64_t{b.left} - a.right;
  else if (b.right <= a.left) dx = int64_t{a.left} - b.right;
  if (a.bottom <= b.top) dy = int64_t{b.top} - a.bottom;
  else if (b.bottom <= a.top) dy = int64_t{a.top} - b.bottom;
  return dx * dx + dy * dy;
}

}  // namespace

bool PullOntoWorkArea(const Rect& window, const Rect* workAreas, size_t count, Rect* moved) {
  const int64_t w = int64_t{window.right} - window.left;
  const int64_t h = int64_t{window.bottom} - window.top;
  if (count == 0 || w <= 0 || h <= 0) return false;
  int64_t visible = 0, best = -1, bestGap = -1;
  size_t nearest = 0;
  for (size_t i = 0; i < count; ++i) {
    const int64_t overlap = Overlap(window, workAreas[i]);
    visible += overlap;
    if (overlap > best) best = overlap, nearest = i;
  }
  if (2 * visible >= w * h) return false;
  if (best == 0) {
    for (size_t i = 0; i < count; ++i) {
      const int64_t gap = Gap(window, workAreas[i]);
      if (bestGap < 0 || gap < bestGap) bestGap = gap, nearest = i;
    }
  }
  int x = window.left, y = window.top;
  settings::KeepInside(workAreas[nearest], static_cast<int>(w), static_cast<int>(h), &x, &y);
  *moved = Rect{x, y, static_cast<int32_t>(x + w), static_cast<int32_t>(y + h)};
  return true;
}

}  // namespace app
