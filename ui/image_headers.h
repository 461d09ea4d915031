#pragma once
// Checks of BMP, ICO, icon group and PNG headers before their bytes reach the
// platform's bitmap and icon routines (which trust every offset and size they
// are given) or libpng, and before the bodies they describe are read.
// Portable: no window system, only byte spans with their length.
#include <cstddef>
#include <cstdint>

namespace ui {

// The image record keeps width and height as signed 16-bit values.
constexpr int32_t kMaxImageSide = 32767;
// A 32-bit picture of this many pixels takes 256 MB; anything larger is hostile.
constexpr uint64_t kMaxImagePixels = uint64_t{1} << 26;

// The largest picture a caller will take, side by side; kMaxImagePixels
// holds for every caller on top.
struct ImageLimits {
  int32_t maxWidth;
  int32_t maxHeight;
};
constexpr ImageLimits kAnyImageLimits{kMaxImageSide, kMaxImageSide};
// Icons are drawn at 32 x 32 and 16 x 16; 256 x 256 is the largest image icon
// files commonly carry (and what the directory's size bytes can say).
constexpr ImageLimits kIconLimits{256, 256};
// A skin covers the 216 x 408 main window; four times that on each side
// leaves room for any sensible picture.
constexpr ImageLimits kSkinLimits{4 * 216, 4 * 408};

bool WithinLimits(int64_t width, int64_t height, const ImageLimits& limits);

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
  kLimits,        // a sound picture, but larger than the caller takes
  kNoEntry,       // no icon entry within the caller's limits
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

// Every header a bitmap file can have before its pixels (file header, the
// largest information header, bit-field masks and a full colour table) fits
// into this many bytes from the start of the file.
constexpr size_t kBmpHeadersMaxBytes = 14 + 124 + 12 + 256 * 4;

// The headers of a BMP file of fileSize bytes, given its first `have` bytes
// (at least kBmpHeadersMaxBytes of them, or the whole file when shorter), so
// that a file is judged before its pixels are read. The pixel data must lie
// within fileSize and the picture within the limits.
HeaderError CheckBmpHeaders(const uint8_t* data, size_t have, uint64_t fileSize,
                            const ImageLimits& limits, BmpLayout* layout);

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

// --- Reading an icon file or an icon resource one image at a time ----------
// Icons are shown at one size: only the directory and the one image chosen
// from it are read, never the rest of the file.

constexpr size_t kIconDirectoryHeaderBytes = 6;
constexpr size_t kIconFileEntryBytes = 16;   // in an .ico file: ends in the image's file offset
constexpr size_t kIconGroupEntryBytes = 14;  // in a program's icon group: ends in an icon resource id

// The bytes an entry's image may take: a full 32-bit picture at the limits
// with its mask and palette, or a PNG stream of it with room to spare.
uint64_t IconImageByteLimit(const ImageLimits& limits);

struct IconChoice {
  uint32_t size = 0;    // bytes of the chosen image, as the directory says
  uint32_t offset = 0;  // in the file (icon files)
  uint16_t id = 0;      // icon resource number (icon groups)
  int32_t width = 0;    // as the directory says (0 there means 256)
  int32_t height = 0;
  uint16_t bitCount = 0;
};

// Bytes of the whole directory of an icon file from its first six (0 when
// they are no icon directory or name no entry).
size_t IconFileDirectoryBytes(const uint8_t* data, size_t size);

// Chooses the entry of an icon file to show at side x side pixels: the
// nearest in size among those within the limits, the deepest of equals, the
// first of those. `data` holds the whole directory; an entry that points into
// the directory or past fileSize makes the file hostile. Entries beyond the
// limits are passed over for others.
HeaderError ChooseIconFileEntry(const uint8_t* data, size_t size, uint64_t fileSize,
                                const ImageLimits& limits, int32_t side, IconChoice* choice);

// The same for a program's icon group resource, whose entries name icon
// resources instead of file offsets.
HeaderError ChooseIconGroupEntry(const uint8_t* data, size_t size, const ImageLimits& limits,
                                 int32_t side, IconChoice* choice);

// One entry's image on its own (a bitmap with its mask, or a PNG stream's
// header), exactly `size` bytes, within the limits.
HeaderError CheckIconImage(const uint8_t* data, size_t size, const ImageLimits& limits,
                           IconEntryLayout* layout);

// --- PNG streams ------------------------------------------------------------

// Signature and header chunk: the first 33 bytes of every PNG stream.
constexpr size_t kPngHeaderBytes = 33;

struct PngHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bitDepth = 0;
  uint8_t colourType = 0;
  uint8_t interlace = 0;
};

// The first kPngHeaderBytes of a stream: signature, header chunk, a valid
// bit depth for the colour type, and a picture within the limits.
HeaderError CheckPngHeader(const uint8_t* data, size_t size, const ImageLimits& limits,
                           PngHeader* header);

// How many bytes a sound PNG stream of this header needs at most: its rows
// stored without compression, interlaced or not, in chunks of any sensible
// size, plus room for ancillary chunks (colour profile, texts). Reading more
// than that is reading something else.
uint64_t PngByteLimit(const PngHeader& header);

}  // namespace ui
