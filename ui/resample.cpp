#include "ui/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace ui {
namespace {

// The source pixels one output pixel is made of along one axis: `count`
// weights from `at` in the table, for sources first, first + 1, ...
struct Span {
  int first;
  int count;
  size_t at;
};

struct Axis {
  std::vector<Span> spans;
  std::unique_ptr<float[]> weights;
};

// Tent weights from `source` pixels to `target` ones along one axis. Output
// pixel i is centred on source position (i + 0.5) * scale - 0.5; the tent has
// radius 1 when enlarging and the scale when shrinking, so that every source
// pixel under an output pixel counts. Taps past an edge go to the edge pixel.
Axis MakeAxis(int source, int target) {
  Axis axis;
  axis.spans.resize(static_cast<size_t>(target));
  const double scale = static_cast<double>(source) / target;
  const double radius = std::max(scale, 1.0);
  // No span is longer than the tent is wide.
  const size_t widest = static_cast<size_t>(2 * std::ceil(radius)) + 1;
  axis.weights.reset(new float[widest * static_cast<size_t>(target)]());
  size_t at = 0;
  for (int i = 0; i < target; ++i) {
    const double centre = (i + 0.5) * scale - 0.5;
    // Only the taps strictly inside the tent have any weight.
    const int lo = static_cast<int>(std::floor(centre - radius)) + 1;
    const int hi = static_cast<int>(std::ceil(centre + radius)) - 1;
    const int first = std::clamp(lo, 0, source - 1);
    const int last = std::clamp(hi, 0, source - 1);
    float* w = &axis.weights[at];
    double total = 0;
    for (int j = lo; j <= hi; ++j) {
      const double weight = 1.0 - std::fabs(j - centre) / radius;
      if (weight <= 0) continue;
      w[std::clamp(j, 0, source - 1) - first] += static_cast<float>(weight);
      total += weight;
    }
    for (int k = 0; k <= last - first; ++k) w[k] = static_cast<float>(w[k] / total);
    axis.spans[static_cast<size_t>(i)] = Span{first, last - first + 1, at};
    at += static_cast<size_t>(last - first + 1);
  }
  return axis;
}

uint8_t ToByte(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 255.0f) return 255;
  return static_cast<uint8_t>(v + 0.5f);
}

bool SideOk(int side) { return side > 0 && side <= kMaxResampleSide; }

}  // namespace

bool ResamplePixels(const uint8_t* source, int sourceWidth, int sourceHeight, size_t sourceStride,
                    uint8_t* target, int targetWidth, int targetHeight, size_t targetStride,
                    bool alpha) {
  if (!source || !target || !SideOk(sourceWidth) || !SideOk(sourceHeight) ||
      !SideOk(targetWidth) || !SideOk(targetHeight))
    return false;
  const size_t sourceRow = static_cast<size_t>(sourceWidth) * 4;
  const size_t targetRow = static_cast<size_t>(targetWidth) * 4;
  if (sourceStride < sourceRow || targetStride < targetRow) return false;

  if (sourceWidth == targetWidth && sourceHeight == targetHeight) {
    for (int y = 0; y < targetHeight; ++y) {
      uint8_t* out = target + static_cast<size_t>(y) * targetStride;
      std::memcpy(out, source + static_cast<size_t>(y) * sourceStride, targetRow);
      if (!alpha)
        for (size_t x = 3; x < targetRow; x += 4) out[x] = 0;
    }
    return true;
  }

  // Rows scaled across go to `middle` (sourceHeight rows of targetWidth
  // pixels, four floats each, colours premultiplied with `alpha`); each
  // output row is then summed from the rows of `middle` its span covers.
  const uint64_t middleFloats = uint64_t{targetRow} * static_cast<uint64_t>(sourceHeight);
  Axis across, down;
  std::unique_ptr<float[]> middle, sum;
  try {
    if (middleFloats > SIZE_MAX / sizeof(float)) return false;
    across = MakeAxis(sourceWidth, targetWidth);
    down = MakeAxis(sourceHeight, targetHeight);
    middle.reset(new float[static_cast<size_t>(middleFloats)]);
    sum.reset(new float[targetRow]);
  } catch (const std::bad_alloc&) {
    return false;
  }

  float* m = middle.get();
  for (int y = 0; y < sourceHeight; ++y) {
    const uint8_t* row = source + static_cast<size_t>(y) * sourceStride;
    for (const Span& span : across.spans) {
      const float* w = &across.weights[span.at];
      const uint8_t* p = row + static_cast<size_t>(span.first) * 4;
      float b = 0, g = 0, r = 0, a = 0;
      for (int k = 0; k < span.count; ++k, p += 4) {
        const float wa = alpha ? w[k] * p[3] : w[k];
        b += wa * p[0];
        g += wa * p[1];
        r += wa * p[2];
        a += wa;
      }
      m[0] = b;
      m[1] = g;
      m[2] = r;
      m[3] = a;
      m += 4;
    }
  }

  for (int y = 0; y < targetHeight; ++y) {
    const Span& span = down.spans[static_cast<size_t>(y)];
    std::fill(sum.get(), sum.get() + targetRow, 0.0f);
    for (int k = 0; k < span.count; ++k) {
      const float w = down.weights[span.at + static_cast<size_t>(k)];
      const float* in = &middle[static_cast<size_t>(span.first + k) * targetRow];
      for (size_t n = 0; n < targetRow; ++n) sum[n] += w * in[n];
    }
    uint8_t* out = target + static_cast<size_t>(y) * targetStride;
    for (size_t n = 0; n < targetRow; n += 4, out += 4) {
      const float* v = &sum[n];
      if (!alpha) {
        out[0] = ToByte(v[0]);
        out[1] = ToByte(v[1]);
        out[2] = ToByte(v[2]);
        out[3] = 0;
      } else if (ToByte(v[3]) == 0) {
        std::memset(out, 0, 4);
      } else {
        out[0] = ToByte(v[0] / v[3]);
        out[1] = ToByte(v[1] / v[3]);
        out[2] = ToByte(v[2] / v[3]);
        out[3] = ToByte(v[3]);
      }
    }
  }
  return true;
}

}  // namespace ui
