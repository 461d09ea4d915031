#include "ui/image_headers.h"

#include <cstdlib>

namespace ui {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kIconDirectorySize = 6;
constexpr size_t kIconEntrySize = 16;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

int32_t S32(const uint8_t* p) { return static_cast<int32_t>(U32(p)); }

uint32_t U32BigEndian(const uint8_t* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
         (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

uint64_t RowBytes(int32_t width, uint32_t bitCount) {
  return (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
}

bool SideOk(int64_t side) { return side > 0 && side <= kMaxImageSide; }

bool AreaOk(int64_t width, int64_t height) {
  return SideOk(width) && SideOk(height) &&
         static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxImagePixels;
}

// A picture that is sound at all, then one the caller takes.
HeaderError SizeVerdict(int64_t width, int64_t height, const ImageLimits& limits) {
  if (!AreaOk(width, height)) return HeaderError::kDimensions;
  return WithinLimits(width, height, limits) ? HeaderError::kNone : HeaderError::kLimits;
}

enum class DibUse { kFile, kIcon };

// The information header at p with avail bytes from p to the end of what
// belongs to it. For icons the colour rows and the mask follow the table
// directly and must fit into avail; for files the caller checks the pixel
// data at the file's own offset.
HeaderError ParseDib(const uint8_t* p, size_t avail, DibUse use, const ImageLimits& limits,
                     DibLayout* out) {
  DibLayout d;
  if (avail < 4) return HeaderError::kTruncated;
  d.headerSize = U32(p);
  const bool core = d.headerSize == kCoreHeaderSize;
  if (use == DibUse::kIcon) {
    if (d.headerSize != kInfoHeaderSize && d.headerSize != 108 && d.headerSize != 124)
      return HeaderError::kInfoHeader;
  } else if (!core && d.headerSize != kInfoHeaderSize && d.headerSize != 108 &&
             d.headerSize != 124) {
    return HeaderError::kInfoHeader;
  }
  if (avail < d.headerSize) return HeaderError::kTruncated;

  uint16_t planes;
  uint32_t colourUsed = 0;
  if (core) {
    d.width = U16(p + 4);
    d.height = U16(p + 6);
    planes = U16(p + 8);
    d.bitCount = U16(p + 10);
  } else {
    d.width = S32(p + 4);
    d.height = S32(p + 8);
    planes = U16(p + 12);
    d.bitCount = U16(p + 14);
    d.compression = U32(p + 16);
    colourUsed = U32(p + 32);
  }
  if (planes != 1) return HeaderError::kPlanes;

  switch (d.bitCount) {
    case 1: case 4: case 8: case 24: break;
    case 16: case 32:
      if (core) return HeaderError::kBitCount;
      break;
    default:
      return HeaderError::kBitCount;
  }

  // Rows are counted from the signed height; INT32_MIN has no magnitude.
  if (d.height == INT32_MIN) return HeaderError::kDimensions;
  int64_t rows = d.height < 0 ? -static_cast<int64_t>(d.height) : d.height;
  if (use == DibUse::kIcon) {
    if (d.height <= 0 || (d.height & 1) != 0) return HeaderError::kDimensions;
    rows = d.height / 2;
  }
  const HeaderError size = SizeVerdict(d.width, rows, limits);
  if (size != HeaderError::kNone) return size;

  uint32_t masks = 0;
  switch (d.compression) {
    case kBiRgb:
      break;
    case kBiRle8:
    case kBiRle4:
      // The platform decodes run lengths only bottom-up and only at their depth.
      if (use == DibUse::kIcon) return HeaderError::kCompression;
      if (d.bitCount != (d.compression == kBiRle8 ? 8 : 4) || d.height < 0)
        return HeaderError::kCompression;
      break;
    case kBiBitfields:
      if (use == DibUse::kIcon) return HeaderError::kCompression;
      if (d.bitCount != 16 && d.bitCount != 32) return HeaderError::kCompression;
      if (d.headerSize == kInfoHeaderSize) masks = 12;  // later headers carry them inside
      break;
    default:
      return HeaderError::kCompression;
  }

  if (core) {
    d.colourCount = d.bitCount <= 8 ? (1u << d.bitCount) : 0;
  } else if (d.bitCount <= 8) {
    const uint32_t full = 1u << d.bitCount;
    if (colourUsed > full) return HeaderError::kColourTable;
    d.colourCount = colourUsed ? colourUsed : full;
  } else {
    // A deeper bitmap may carry an optional palette; more than 256 entries is no palette.
    if (colourUsed > 256) return HeaderError::kColourTable;
    d.colourCount = colourUsed;
  }
  const uint64_t tableEnd =
      uint64_t{d.headerSize} + masks + uint64_t{d.colourCount} * (core ? 3 : 4);
  if (tableEnd > avail) return HeaderError::kColourTable;
  d.tableEnd = static_cast<uint32_t>(tableEnd);

  if (d.compression == kBiRle8 || d.compression == kBiRle4) {
    // The compressed stream's length is only known from the header.
    d.pixelBytes = U32(p + 20);
    if (d.pixelBytes == 0) return HeaderError::kPixelData;
  } else {
    d.pixelBytes = RowBytes(d.width, d.bitCount) * static_cast<uint64_t>(rows);
    if (use == DibUse::kIcon) d.pixelBytes += RowBytes(d.width, 1) * static_cast<uint64_t>(rows);
  }
  if (use == DibUse::kIcon && d.tableEnd + d.pixelBytes > avail) return HeaderError::kEntryImage;

  *out = d;
  return HeaderError::kNone;
}

// A PNG stream inside an icon entry: signature and header chunk only; the
// rest is for the platform's own decoder.
HeaderError ParseIconPng(const uint8_t* p, size_t avail, const ImageLimits& limits,
                         IconEntryLayout* out) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (avail < 8 + 8 + 13) return HeaderError::kEntryImage;
  for (int i = 0; i < 8; ++i)
    if (p[i] != kSignature[i]) return HeaderError::kEntryImage;
  if (U32BigEndian(p + 8) != 13 || p[12] != 'I' || p[13] != 'H' || p[14] != 'D' || p[15] != 'R')
    return HeaderError::kEntryImage;
  const uint32_t width = U32BigEndian(p + 16);
  const uint32_t height = U32BigEndian(p + 20);
  const HeaderError size = SizeVerdict(width, height, limits);
  if (size != HeaderError::kNone) return size;
  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->bitCount = 32;
  out->png = true;
  return HeaderError::kNone;
}

bool LooksLikePng(const uint8_t* p, size_t avail) {
  return avail >= 4 && p[0] == 0x89 && p[1] == 'P' && p[2] == 'N' && p[3] == 'G';
}

// The image of an icon entry, `size` bytes at `image`.
HeaderError CheckEntryImage(const uint8_t* image, size_t size, const ImageLimits& limits,
                            IconEntryLayout* entry) {
  if (LooksLikePng(image, size)) return ParseIconPng(image, size, limits, entry);
  DibLayout dib;
  HeaderError result = ParseDib(image, size, DibUse::kIcon, limits, &dib);
  // A header cut off by the entry's own size is an entry/image mismatch.
  if (result == HeaderError::kTruncated) result = HeaderError::kEntryImage;
  entry->width = dib.width;
  entry->height = dib.height / 2;
  entry->bitCount = dib.bitCount;
  return result;
}

HeaderError CheckEntry(const uint8_t* data, size_t size, uint32_t index, size_t directoryEnd,
                       IconEntryLayout* out) {
  const uint8_t* e = data + kIconDirectorySize + kIconEntrySize * index;
  IconEntryLayout entry;
  entry.size = U32(e + 8);
  entry.offset = U32(e + 12);
  if (entry.offset < directoryEnd) return HeaderError::kEntryRange;
  if (uint64_t{entry.offset} + entry.size > size) return HeaderError::kEntryRange;

  const HeaderError result = CheckEntryImage(data + entry.offset, entry.size, kAnyImageLimits, &entry);
  if (result == HeaderError::kNone && out) *out = entry;
  return result;
}

// One directory entry as both kinds of directory begin it.
IconChoice DirectoryEntry(const uint8_t* e) {
  IconChoice c;
  c.width = e[0] ? e[0] : 256;
  c.height = e[1] ? e[1] : 256;
  c.bitCount = U16(e + 6);
  c.size = U32(e + 8);
  return c;
}

// Whether candidate c shows better at side x side than the best so far.
bool Nearer(const IconChoice& c, const IconChoice& best, int32_t side) {
  const int64_t distance = std::abs(int64_t{c.width} - side) + std::abs(int64_t{c.height} - side);
  const int64_t bestDistance = std::abs(int64_t{best.width} - side) + std::abs(int64_t{best.height} - side);
  if (distance != bestDistance) return distance < bestDistance;
  return c.bitCount > best.bitCount;
}

bool EntryWithinLimits(const IconChoice& c, const ImageLimits& limits) {
  return WithinLimits(c.width, c.height, limits) && c.size > 0 && c.size <= IconImageByteLimit(limits);
}

}  // namespace

const char* HeaderErrorName(HeaderError error) {
  switch (error) {
    case HeaderError::kNone: return "none";
    case HeaderError::kTruncated: return "truncated";
    case HeaderError::kSignature: return "signature";
    case HeaderError::kInfoHeader: return "info header";
    case HeaderError::kDimensions: return "dimensions";
    case HeaderError::kPlanes: return "planes";
    case HeaderError::kBitCount: return "bit count";
    case HeaderError::kCompression: return "compression";
    case HeaderError::kColourTable: return "colour table";
    case HeaderError::kPixelOffset: return "pixel offset";
    case HeaderError::kPixelData: return "pixel data";
    case HeaderError::kEntryRange: return "entry range";
    case HeaderError::kEntryImage: return "entry image";
    case HeaderError::kLimits: return "beyond limits";
    case HeaderError::kNoEntry: return "no entry within limits";
  }
  return "?";
}

HeaderError CheckBmpHeaders(const uint8_t* data, size_t size, uint64_t fileSize,
                            const ImageLimits& limits, BmpLayout* layout) {
  if (size > fileSize) size = static_cast<size_t>(fileSize);
  if (!data || size < 2) return HeaderError::kTruncated;
  if (!StartsWithBm(data, size)) return HeaderError::kSignature;
  if (size < kFileHeaderSize) return HeaderError::kTruncated;
  // The file size field at byte 2 is ignored: writers leave it 0 or wrong,
  // and nothing reads the data through it.
  BmpLayout b;
  b.pixelOffset = U32(data + 10);
  HeaderError result =
      ParseDib(data + kFileHeaderSize, size - kFileHeaderSize, DibUse::kFile, limits, &b.dib);
  if (result != HeaderError::kNone) return result;
  if (b.pixelOffset < kFileHeaderSize + uint64_t{b.dib.tableEnd} || b.pixelOffset > fileSize)
    return HeaderError::kPixelOffset;
  if (b.dib.pixelBytes > fileSize - b.pixelOffset) return HeaderError::kPixelData;
  if (b.dib.compression == kBiRle8 || b.dib.compression == kBiRle4) {
    // Even a writer that codes every pixel as a run of its own, ending every
    // row, needs no more than this.
    const uint64_t rows = b.dib.height < 0 ? -int64_t{b.dib.height} : b.dib.height;
    if (b.dib.pixelBytes > 2 * uint64_t(b.dib.width) * rows + 2 * rows + 2) return HeaderError::kPixelData;
  }
  if (layout) *layout = b;
  return HeaderError::kNone;
}

HeaderError CheckBmp(const uint8_t* data, size_t size, BmpLayout* layout) {
  return CheckBmpHeaders(data, size, size, kAnyImageLimits, layout);
}

bool WithinLimits(int64_t width, int64_t height, const ImageLimits& limits) {
  return AreaOk(width, height) && width <= limits.maxWidth && height <= limits.maxHeight;
}

bool IsIconDirectory(const uint8_t* data, size_t size) {
  return data && size >= 4 && U16(data) == 0 && U16(data + 2) == 1;
}

HeaderError CheckIconFirstEntry(const uint8_t* data, size_t size, IconEntryLayout* layout) {
  if (!data || size < 4) return HeaderError::kTruncated;
  if (!IsIconDirectory(data, size)) return HeaderError::kSignature;
  if (size < kIconDirectorySize + kIconEntrySize) return HeaderError::kTruncated;
  if (U16(data + 4) == 0) return HeaderError::kEntryRange;
  return CheckEntry(data, size, 0, kIconDirectorySize + kIconEntrySize, layout);
}

HeaderError CheckIconFile(const uint8_t* data, size_t size, IconEntryLayout* first) {
  if (!data || size < 4) return HeaderError::kTruncated;
  if (!IsIconDirectory(data, size)) return HeaderError::kSignature;
  if (size < kIconDirectorySize) return HeaderError::kTruncated;
  const uint32_t count = U16(data + 4);
  if (count == 0) return HeaderError::kEntryRange;
  const size_t directoryEnd = kIconDirectorySize + kIconEntrySize * size_t{count};
  if (directoryEnd > size) return HeaderError::kTruncated;
  for (uint32_t i = 0; i < count; ++i) {
    HeaderError result = CheckEntry(data, size, i, directoryEnd, i == 0 ? first : nullptr);
    if (result != HeaderError::kNone) return result;
  }
  return HeaderError::kNone;
}

uint64_t IconImageByteLimit(const ImageLimits& limits) {
  const uint64_t pixels = uint64_t(limits.maxWidth) * uint64_t(limits.maxHeight);
  return (uint64_t{1} << 16) + pixels * 9;
}

size_t IconFileDirectoryBytes(const uint8_t* data, size_t size) {
  if (!IsIconDirectory(data, size) || size < kIconDirectoryHeaderBytes) return 0;
  const size_t count = U16(data + 4);
  return count == 0 ? 0 : kIconDirectoryHeaderBytes + kIconFileEntryBytes * count;
}

HeaderError ChooseIconFileEntry(const uint8_t* data, size_t size, uint64_t fileSize,
                                const ImageLimits& limits, int32_t side, IconChoice* choice) {
  if (!data || size < 4) return HeaderError::kTruncated;
  if (!IsIconDirectory(data, size)) return HeaderError::kSignature;
  const size_t directoryEnd = IconFileDirectoryBytes(data, size);
  if (directoryEnd == 0) return size < kIconDirectoryHeaderBytes ? HeaderError::kTruncated : HeaderError::kEntryRange;
  if (directoryEnd > size || directoryEnd > fileSize) return HeaderError::kTruncated;
  bool found = false;
  IconChoice best;
  for (size_t at = kIconDirectoryHeaderBytes; at < directoryEnd; at += kIconFileEntryBytes) {
    IconChoice c = DirectoryEntry(data + at);
    c.offset = U32(data + at + 12);
    // A directory that lies about where its images are lies about the rest.
    if (c.offset < directoryEnd || uint64_t{c.offset} + c.size > fileSize) return HeaderError::kEntryRange;
    if (!EntryWithinLimits(c, limits)) continue;
    if (!found || Nearer(c, best, side)) best = c;
    found = true;
  }
  if (!found) return HeaderError::kNoEntry;
  if (choice) *choice = best;
  return HeaderError::kNone;
}

HeaderError ChooseIconGroupEntry(const uint8_t* data, size_t size, const ImageLimits& limits,
                                 int32_t side, IconChoice* choice) {
  if (!data || size < kIconDirectoryHeaderBytes) return HeaderError::kTruncated;
  if (!IsIconDirectory(data, size)) return HeaderError::kSignature;
  const size_t count = U16(data + 4);
  if (count == 0) return HeaderError::kEntryRange;
  const size_t directoryEnd = kIconDirectoryHeaderBytes + kIconGroupEntryBytes * count;
  if (directoryEnd > size) return HeaderError::kTruncated;
  bool found = false;
  IconChoice best;
  for (size_t at = kIconDirectoryHeaderBytes; at < directoryEnd; at += kIconGroupEntryBytes) {
    IconChoice c = DirectoryEntry(data + at);
    c.id = U16(data + at + 12);
    if (c.id == 0 || !EntryWithinLimits(c, limits)) continue;
    if (!found || Nearer(c, best, side)) best = c;
    found = true;
  }
  if (!found) return HeaderError::kNoEntry;
  if (choice) *choice = best;
  return HeaderError::kNone;
}

HeaderError CheckIconImage(const uint8_t* data, size_t size, const ImageLimits& limits,
                           IconEntryLayout* layout) {
  if (!data || size == 0) return HeaderError::kEntryImage;
  if (size > IconImageByteLimit(limits)) return HeaderError::kLimits;
  IconEntryLayout entry;
  entry.size = static_cast<uint32_t>(size);
  const HeaderError result = CheckEntryImage(data, size, limits, &entry);
  if (result == HeaderError::kNone && layout) *layout = entry;
  return result;
}

HeaderError CheckPngHeader(const uint8_t* data, size_t size, const ImageLimits& limits,
                           PngHeader* header) {
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!data || size < kPngHeaderBytes) return HeaderError::kTruncated;
  for (int i = 0; i < 8; ++i)
    if (data[i] != kSignature[i]) return HeaderError::kSignature;
  const uint8_t* chunk = data + 8;
  if (U32BigEndian(chunk) != 13 || chunk[4] != 'I' || chunk[5] != 'H' || chunk[6] != 'D' || chunk[7] != 'R')
    return HeaderError::kInfoHeader;
  PngHeader h;
  h.width = U32BigEndian(chunk + 8);
  h.height = U32BigEndian(chunk + 12);
  h.bitDepth = chunk[16];
  h.colourType = chunk[17];
  h.interlace = chunk[20];
  bool depthOk;
  switch (h.colourType) {
    case 0: depthOk = h.bitDepth == 1 || h.bitDepth == 2 || h.bitDepth == 4 || h.bitDepth == 8 || h.bitDepth == 16; break;
    case 3: depthOk = h.bitDepth == 1 || h.bitDepth == 2 || h.bitDepth == 4 || h.bitDepth == 8; break;
    case 2: case 4: case 6: depthOk = h.bitDepth == 8 || h.bitDepth == 16; break;
    default: return HeaderError::kBitCount;
  }
  if (!depthOk) return HeaderError::kBitCount;
  if (chunk[18] != 0 || chunk[19] != 0) return HeaderError::kCompression;
  if (h.interlace > 1) return HeaderError::kCompression;
  if (h.width > uint32_t{INT32_MAX} || h.height > uint32_t{INT32_MAX}) return HeaderError::kDimensions;
  const HeaderError verdict = SizeVerdict(h.width, h.height, limits);
  if (verdict != HeaderError::kNone) return verdict;
  if (header) *header = h;
  return HeaderError::kNone;
}

uint64_t PngByteLimit(const PngHeader& header) {
  static const uint8_t kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
  const uint64_t bits = uint64_t{header.bitDepth} * kChannels[header.colourType % 7];
  const uint64_t rowBytes = (uint64_t{header.width} * bits + 7) / 8;
  // A filter byte per row; interlacing splits every row into up to seven
  // passes, each with a filter byte and a partly used last byte of its own.
  uint64_t raw = uint64_t{header.height} * (rowBytes + 1);
  if (header.interlace) raw += uint64_t{header.height} * 14 + 16;
  // Stored deflate blocks cost 5 bytes per 65535, chunks 12 bytes each:
  // 1/64 covers data chunks down to about 1 KB.
  const uint64_t stream = raw + raw / 64 + 1024;
  // Colour profile, texts, time and the like.
  constexpr uint64_t kAncillaryBytes = uint64_t{1} << 20;
  return kPngHeaderBytes + stream + kAncillaryBytes;
}

}  // namespace ui
