#pragma once
// Scaling by DPI without the platform, for code that also builds natively.
// Rounds halves away from zero, as the platform's MulDiv does, so that both
// give the same pixel for every value.
#include <cstdint>

namespace ui {

constexpr int ScaleToDpi(int value, int dpi) {
  if (dpi == 96) return value;
  const int64_t product = int64_t{value} * dpi;
  return static_cast<int>(product >= 0 ? (product + 48) / 96 : -((-product + 48) / 96));
}

}  // namespace ui
