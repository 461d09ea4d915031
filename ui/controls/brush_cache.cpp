#include "ui/controls/brush_cache.h"

#include <mutex>
#include <vector>

namespace ui {
namespace controls {
namespace {

struct SharedBrush {
  COLORREF colour;
  HBRUSH brush;
  int users;
};

std::mutex gBrushLock;
// A handful of colours at most: a flat list beats a map here.
std::vector<SharedBrush> gBrushes;

}  // namespace

HBRUSH AcquireBrush(COLORREF colour) {
  std::lock_guard<std::mutex> lock(gBrushLock);
  for (auto& b : gBrushes) {
    if (b.colour == colour) {
      ++b.users;
      return b.brush;
    }
  }
  HBRUSH brush = CreateSolidBrush(colour);
  if (!brush) return nullptr;
  gBrushes.push_back({colour, brush, 1});
  return brush;
}

void ReleaseBrush(HBRUSH brush) {
  if (!brush) return;
  std::lock_guard<std::mutex> lock(gBrushLock);
  for (size_t i = 0; i < gBrushes.size(); ++i) {
    if (gBrushes[i].brush != brush) continue;
    if (--gBrushes[i].users == 0) {
      DeleteObject(gBrushes[i].brush);
      gBrushes.erase(gBrushes.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return;
  }
}

int LiveBrushCount() {
  std::lock_guard<std::mutex> lock(gBrushLock);
  return static_cast<int>(gBrushes.size());
}

}  // namespace controls
}  // namespace ui
