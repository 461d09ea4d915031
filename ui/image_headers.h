#pragma once
// Checks of BMP and ICO headers before their bytes reach the platform's
// bitmap and icon routines, which trust every offset and size they are given.
// Portable: no window system, only byte spans with their length.
#include <cstddef>
#include <cstdint>

namespace ui {

// The image record keeps width and height as signed 16-bit values.
constexpr int32_t kMaxImageSide = 32767;
// A 32-bit picture of this many pixels takes 256 MB; anything larger is hostile.
constexpr uint64_t kMaxImagePixels = uint64_t{1} << 26;

enum class HeaderError {
  kNone,
  kTruncated,     // the data ends inside a header
  kSignature,     // not "BM", or not an icon directory
  kInfoHeader,    // unknown bitmap information header size
  kDimensions,    // zero, negative, odd (icons) or absurd width or height
  kPlanes,
  kBitCount,
  kCompression,
  kColourTable,   // colour count out of range, or the table runs past the data
  kPixelOffset,   // pixel data starts inside the headers or past the data
  kPixelData,     // the rows (or the compressed stream) run past the data
  kEntryRange,    // an icon directory entry points outside the data
  kEntryImage,    // the image inside an icon entry is inconsistent with the entry
};

const char* HeaderErrorName(HeaderError error);

// Compression codes of the bitmap information header.
constexpr uint32_t kBiRgb = 0;
constexpr uint32_t kBiRle8 = 1;
constexpr uint32_t kBiRle4 = 2;
constexpr uint32_t kBiBitfields = 3;

// A device-independent bitmap header as the platform will read it. Offsets
// are relative to the start of the information header.
struct DibLayout {
  uint32_t headerSize = 0;   // 12 (core), 40, 108 or 124
  int32_t width = 0;
  int32_t height = 0;        // as stored: negative = rows top-down; icons count the mask
  uint16_t bitCount = 0;
  uint32_t compression = kBiRgb;
  uint32_t colourCount = 0;  // entries in the colour table
  uint32_t tableEnd = 0;     // end of colour masks and colour table
  uint64_t pixelBytes = 0;   // rows (plus the mask for icons) or the compressed size
};

struct BmpLayout {
  DibLayout dib;
  uint32_t pixelOffset = 0;  // from the start of the file
};

// A BMP file in memory. Checks file header, information header, dimensions,
// bit count, compression, colour table, pixel offset and pixel data size
// against the data length.
HeaderError CheckBmp(const uint8_t* data, size_t size, BmpLayout* layout);

inline bool StartsWithBm(const uint8_t* data, size_t size) {
  return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

// Reserved word 0 and type 1: the data claims to be an icon file.
bool IsIconDirectory(const uint8_t* data, size_t size);

struct IconEntryLayout {
  uint32_t offset = 0;  // of the entry's image in the file
  uint32_t size = 0;    // bytes of the entry's image
  int32_t width = 0;    // from the image itself, not the directory byte
  int32_t height = 0;   // colour rows, without the mask
  uint16_t bitCount = 0;
  bool png = false;     // the entry holds a PNG stream instead of a bitmap
};

// The first directory entry of an icon file and the image it points to.
HeaderError CheckIconFirstEntry(const uint8_t* data, size_t size, IconEntryLayout* layout);

// Every entry of the directory (the platform's icon file loader reads them all
// to choose one). The layout of the first entry goes to *first when given.
HeaderError CheckIconFile(const uint8_t* data, size_t size, IconEntryLayout* first);

}  // namespace ui
