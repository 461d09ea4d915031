// Any bytes as a BMP, ICO or PNG file, or as a program's icon group. Whatever the checks accept, every byte they
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

// Headers judged from the first bytes only, before the pixels are read: the
// pixel rows must lie in the file and the picture within the limits.
void CheckBitmapHeadersFirst(const uint8_t* data, size_t size) {
  const size_t have = size < ui::kBmpHeadersMaxBytes ? size : ui::kBmpHeadersMaxBytes;
  std::vector<uint8_t> head(data, data + have);  // exact size: reads past `have` show
  for (const ui::ImageLimits& limits : {ui::kAnyImageLimits, ui::kIconLimits, ui::kSkinLimits}) {
    ui::BmpLayout layout;
    if (ui::CheckBmpHeaders(head.empty() ? nullptr : head.data(), have, size, limits, &layout) !=
        ui::HeaderError::kNone)
      continue;
    const int64_t rows = layout.dib.height < 0 ? -int64_t{layout.dib.height} : layout.dib.height;
    if (layout.dib.width > limits.maxWidth || rows > limits.maxHeight) abort();
    Touch(head.data(), have, 14, layout.dib.tableEnd);
    Touch(data, size, layout.pixelOffset, layout.dib.pixelBytes);
    // With the whole file at hand the same headers pass the full check.
    if (ui::CheckBmp(data, size, nullptr) != ui::HeaderError::kNone && limits.maxWidth == ui::kMaxImageSide)
      abort();
  }
}

// The directory first, then only the chosen image, checked on its own.
void CheckIconChoice(const uint8_t* data, size_t size) {
  const size_t directory = ui::IconFileDirectoryBytes(data, size);
  if (directory != 0 && directory <= size) {
    std::vector<uint8_t> dir(data, data + directory);
    ui::IconChoice choice;
    if (ui::ChooseIconFileEntry(dir.data(), directory, size, ui::kIconLimits, 32, &choice) ==
        ui::HeaderError::kNone) {
      Touch(data, size, choice.offset, choice.size);
      if (choice.width > 256 || choice.height > 256 || choice.size > ui::IconImageByteLimit(ui::kIconLimits))
        abort();
      std::vector<uint8_t> image(data + choice.offset, data + choice.offset + choice.size);
      ui::IconEntryLayout entry;
      if (ui::CheckIconImage(image.data(), image.size(), ui::kIconLimits, &entry) == ui::HeaderError::kNone &&
          (entry.width <= 0 || entry.width > 256 || entry.height <= 0 || entry.height > 256))
        abort();
    }
  }
  ui::IconChoice group;
  if (ui::ChooseIconGroupEntry(data, size, ui::kIconLimits, 16, &group) == ui::HeaderError::kNone &&
      (group.id == 0 || group.width > 256 || group.height > 256))
    abort();
}

void CheckPng(const uint8_t* data, size_t size) {
  ui::PngHeader header;
  if (ui::CheckPngHeader(data, size, ui::kIconLimits, &header) != ui::HeaderError::kNone) return;
  if (header.width == 0 || header.width > 256 || header.height == 0 || header.height > 256) abort();
  // 256 x 256 at 16-bit RGBA, interlaced: about 0.5 MB of rows plus 1 MB for ancillary chunks.
  if (ui::PngByteLimit(header) > (uint64_t{3} << 20)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An exact-size heap copy: the sanitizer then sees every read past the end.
  std::vector<uint8_t> copy(data, data + size);
  const uint8_t* bytes = copy.empty() ? nullptr : copy.data();
  CheckBitmap(bytes, size);
  CheckBitmapHeadersFirst(bytes, size);
  CheckIcon(bytes, size);
  CheckIconChoice(bytes, size);
  CheckPng(bytes, size);
  // The same bytes behind a bitmap file signature reach the other parser too.
  if (size >= 2) {
    copy[0] = 'B';
    copy[1] = 'M';
    CheckBitmap(copy.data(), size);
    CheckBitmapHeadersFirst(copy.data(), size);
  }
  return 0;
}
