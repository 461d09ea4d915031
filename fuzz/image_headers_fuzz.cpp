// Any bytes as a BMP or ICO file. Whatever the checks accept, every byte they
// promise to the platform (headers, colour table, pixel rows, icon images) is
// then read from an exact-size copy, so that a promise past the end of the
// data shows up as a heap overflow.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ui/image_headers.h"

namespace {

volatile uint8_t gSink;

void Touch(const uint8_t* data, size_t size, uint64_t offset, uint64_t length) {
  if (offset > size || length > size - offset) abort();
  if (length == 0) return;
  gSink = data[offset];
  gSink = data[offset + length - 1];
}

void CheckBitmap(const uint8_t* data, size_t size) {
  ui::BmpLayout layout;
  if (ui::CheckBmp(data, size, &layout) != ui::HeaderError::kNone) return;
  const ui::DibLayout& dib = layout.dib;
  if (dib.width <= 0 || dib.width > ui::kMaxImageSide || dib.height == 0) abort();
  if (dib.bitCount > 8 && dib.compression == ui::kBiRgb && dib.colourCount > 256) abort();
  Touch(data, size, 14, dib.tableEnd);
  if (layout.pixelOffset < 14 + uint64_t{dib.tableEnd}) abort();
  Touch(data, size, layout.pixelOffset, dib.pixelBytes);
}

void CheckIcon(const uint8_t* data, size_t size) {
  ui::IconEntryLayout first;
  if (ui::CheckIconFirstEntry(data, size, &first) == ui::HeaderError::kNone) {
    Touch(data, size, first.offset, first.size);
    if (first.width <= 0 || first.height <= 0 || first.width > ui::kMaxImageSide ||
        first.height > ui::kMaxImageSide)
      abort();
  }
  ui::IconEntryLayout all;
  if (ui::CheckIconFile(data, size, &all) == ui::HeaderError::kNone) {
    const uint32_t count = data[4] | (data[5] << 8);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t* e = data + 6 + 16 * i;
      uint32_t bytes, offset;
      std::memcpy(&bytes, e + 8, 4);
      std::memcpy(&offset, e + 12, 4);
      Touch(data, size, offset, bytes);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size heap copy: the sanitizer then sees every read past the end.
  std::vector<uint8_t> copy(data, data + size);
  const uint8_t* bytes = copy.empty() ? nullptr : copy.data();
  CheckBitmap(bytes, size);
  CheckIcon(bytes, size);
  // The same bytes behind a bitmap file signature reach the other parser too.
  if (size >= 2) {
    copy[0] = 'B';
    copy[1] = 'M';
    CheckBitmap(copy.data(), size);
  }
  return 0;
}
