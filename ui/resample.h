#pragma once
// Picture scaling done by our own code instead of the platform's stretching,
// which drops pixels when it shrinks and smears clear pixels' colour.
// Portable: plain pixel rows, no window system.
#include <cstddef>
#include <cstdint>

namespace ui {

// The largest side ResamplePixels takes, source or target.
constexpr int kMaxResampleSide = 16384;

// Resamples a picture of 32-bit pixels in blue-green-red-alpha byte order
// (rows top-down, `stride` bytes apart) to another size, with a tent filter
// that averages every source pixel it covers when shrinking.
// With `alpha`, the fourth byte is straight (unpremultiplied) opacity and
// colours are weighted by it, so a clear pixel's colour never bleeds into its
// neighbours; a fully clear output pixel is all zeros. Without it the fourth
// byte is ignored and written as 0 in every output pixel.
// The same size in and out copies the picture (the fourth byte as above).
// Source and target must not overlap. Returns false, and writes nothing, for
// sizes <= 0 or above kMaxResampleSide, strides shorter than a row, or when
// memory runs out.
bool ResamplePixels(const uint8_t* source, int sourceWidth, int sourceHeight, size_t sourceStride,
                    uint8_t* target, int targetWidth, int targetHeight, size_t targetStride,
                    bool alpha);

}  // namespace ui
