#pragma once
// Picture decoders beyond the platform's own BMP and ICO support. A decoder
// reads from an ImageSource (a span in memory or an open file) and makes a
// device-independent bitmap section.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "ui/image_headers.h"

namespace ui {

// Sequential bytes from memory (bounded by the given size) or from a file.
class ImageSource {
 public:
  ImageSource(const void* data, size_t size)
      : data_(static_cast<const uint8_t*>(data)), size_(size) {}
  explicit ImageSource(HANDLE file) : file_(file) {}

  // Copies up to n bytes; returns how many were copied (short at the end).
  size_t Read(void* out, size_t n);
  // Back to the first byte, as every decoder expects its input.
  bool Rewind();
  // From the first byte on, reads stop short after this many bytes: a
  // decoder that knows from a header how much a sound picture can take never
  // reads (or waits for) more, whatever the file holds.
  void LimitTo(uint64_t bytes) { budget_ = bytes; }

 private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t position_ = 0;
  uint64_t budget_ = UINT64_MAX;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

struct DecodedImage {
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  int depth = 0;
};

struct ImageDecoder {
  // Reads the start of the source; true when this decoder takes the data.
  bool (*recognise)(ImageSource& source);
  // Decodes from the first byte of the source; false on any error and for a
  // picture beyond the limits.
  bool (*decode)(ImageSource& source, const ImageLimits& limits, DecodedImage* image);
};

// libpng-backed: palette and grey become 24-bit, alpha 32-bit (straight),
// rows top-down in blue-green-red(-alpha) order. Recognising reads only the
// signature and the header chunk; decoding judges the header before any
// other chunk and reads no more than a sound stream of that size needs.
const ImageDecoder& PngDecoder();

}  // namespace ui
