#include "ui/image_headers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstring>
#include <ostream>
#include <vector>

namespace ui {
// Readable failures: the error's name instead of its bytes.
void PrintTo(HeaderError error, std::ostream* out) { *out << HeaderErrorName(error); }
}  // namespace ui

namespace {

using Bytes = std::vector<uint8_t>;
using ui::HeaderError;

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

struct BmpSpec {
  uint32_t headerSize = 40;
  int32_t width = 3;
  int32_t height = 2;
  uint16_t planes = 1;
  uint16_t bitCount = 24;
  uint32_t compression = 0;
  uint32_t sizeImage = 0;
  uint32_t colourUsed = 0;
  uint32_t tableEntries = 0;   // entries actually written
  uint32_t masks = 0;          // mask bytes written after a 40-byte header
  int64_t pixelOffset = -1;    // -1: right after the table
  int64_t pixelBytes = -1;     // -1: what the rows need
};

uint32_t Stride(int32_t width, uint32_t bitCount) {
  return (static_cast<uint32_t>(width) * bitCount + 31) / 32 * 4;
}

Bytes MakeBmp(const BmpSpec& s) {
  const bool core = s.headerSize == 12;
  const uint32_t tableEnd = 14 + s.headerSize + s.masks + s.tableEntries * (core ? 3 : 4);
  const uint32_t offset = s.pixelOffset < 0 ? tableEnd : static_cast<uint32_t>(s.pixelOffset);
  const uint32_t rows = static_cast<uint32_t>(s.height < 0 ? -int64_t{s.height} : s.height);
  const uint64_t pixels = s.pixelBytes >= 0 ? static_cast<uint64_t>(s.pixelBytes)
                                            : uint64_t{Stride(s.width, s.bitCount)} * rows;
  Bytes b(std::max<uint64_t>({tableEnd, offset, 54}) + pixels, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  Put32(b, 10, offset);
  Put32(b, 14, s.headerSize);
  if (core) {
    Put16(b, 18, static_cast<uint32_t>(s.width));
    Put16(b, 20, static_cast<uint32_t>(s.height));
    Put16(b, 22, s.planes);
    Put16(b, 24, s.bitCount);
  } else {
    Put32(b, 18, static_cast<uint32_t>(s.width));
    Put32(b, 22, static_cast<uint32_t>(s.height));
    Put16(b, 26, s.planes);
    Put16(b, 28, s.bitCount);
    Put32(b, 30, s.compression);
    Put32(b, 34, s.sizeImage);
    Put32(b, 46, s.colourUsed);
  }
  return b;
}

BmpSpec Paletted(uint16_t bitCount) {
  BmpSpec s;
  s.bitCount = bitCount;
  s.tableEntries = 1u << bitCount;
  return s;
}

TEST(BmpHeaders, GoodFiles) {
  struct Case {
    const char* what;
    BmpSpec spec;
    uint32_t colourCount;
  };
  std::vector<Case> cases;
  for (uint16_t bits : {1, 4, 8}) cases.push_back({"paletted", Paletted(bits), 1u << bits});
  {
    BmpSpec s = Paletted(8);
    s.colourUsed = 5;
    s.tableEntries = 5;
    cases.push_back({"short palette", s, 5});
  }
  cases.push_back({"24-bit", BmpSpec{}, 0});
  {
    BmpSpec s;
    s.bitCount = 32;
    cases.push_back({"32-bit", s, 0});
    s.height = -2;
    cases.push_back({"32-bit top-down", s, 0});
    s.height = 2;
    s.compression = ui::kBiBitfields;
    s.masks = 12;
    cases.push_back({"32-bit bit fields", s, 0});
    s.bitCount = 16;
    cases.push_back({"16-bit bit fields", s, 0});
  }
  {
    BmpSpec s;
    s.headerSize = 124;
    s.bitCount = 32;
    s.compression = ui::kBiBitfields;  // masks inside the header
    cases.push_back({"version 5 header", s, 0});
  }
  {
    BmpSpec s = Paletted(4);
    s.headerSize = 12;
    cases.push_back({"core header", s, 16});
  }
  {
    BmpSpec s = Paletted(8);
    s.compression = ui::kBiRle8;
    s.sizeImage = 6;
    s.pixelBytes = 6;
    cases.push_back({"run lengths", s, 256});
  }
  {
    BmpSpec s;
    s.pixelOffset = 200;  // a gap after the headers is allowed
    cases.push_back({"gap before the pixels", s, 0});
  }
  {
    BmpSpec s;
    s.width = ui::kMaxImageSide;
    s.height = 1;
    cases.push_back({"widest", s, 0});
  }
  for (const Case& c : cases) {
    const Bytes b = MakeBmp(c.spec);
    ui::BmpLayout layout;
    ASSERT_EQ(ui::CheckBmp(b.data(), b.size(), &layout), HeaderError::kNone) << c.what;
    EXPECT_EQ(layout.dib.width, c.spec.width) << c.what;
    EXPECT_EQ(layout.dib.height, c.spec.height) << c.what;
    EXPECT_EQ(layout.dib.colourCount, c.colourCount) << c.what;
    EXPECT_LE(layout.pixelOffset + layout.dib.pixelBytes, b.size()) << c.what;
  }
}

TEST(BmpHeaders, BrokenFiles) {
  struct Case {
    const char* what;
    BmpSpec spec;
    size_t cut;  // bytes taken off the end
    HeaderError error;
  };
  auto spec = [](auto change) {
    BmpSpec s;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"last row short", BmpSpec{}, 1, HeaderError::kPixelData},
      {"pixel offset past the end", spec([](BmpSpec& s) { s.pixelOffset = 1000; s.pixelBytes = 0; }),
       1000 - 54, HeaderError::kPixelOffset},
      {"pixels overlap the header", spec([](BmpSpec& s) { s.pixelOffset = 20; }), 0,
       HeaderError::kPixelOffset},
      {"palette cut", Paletted(8), 12 + 2 * 4 + 700, HeaderError::kColourTable},
      {"palette larger than the depth allows",
       spec([](BmpSpec& s) { s.bitCount = 4; s.colourUsed = 17; s.tableEntries = 17; }), 0,
       HeaderError::kColourTable},
      {"deep bitmap with a huge palette", spec([](BmpSpec& s) { s.colourUsed = 0x40000000; }), 0,
       HeaderError::kColourTable},
      {"bit field masks missing", spec([](BmpSpec& s) {
         s.bitCount = 32; s.compression = ui::kBiBitfields; s.pixelBytes = 0; }), 0,
       HeaderError::kColourTable},
      {"run lengths longer than the data", spec([](BmpSpec& s) {
         s = Paletted(8); s.compression = ui::kBiRle8; s.sizeImage = 60; s.pixelBytes = 6; }), 0,
       HeaderError::kPixelData},
      {"run lengths without a size", spec([](BmpSpec& s) {
         s = Paletted(8); s.compression = ui::kBiRle8; s.pixelBytes = 6; }), 0,
       HeaderError::kPixelData},
      {"header cut", BmpSpec{}, 18 + 18, HeaderError::kTruncated},
      {"file header only", BmpSpec{}, 18 + 40, HeaderError::kTruncated},
  };
  for (const Case& c : cases) {
    Bytes b = MakeBmp(c.spec);
    ASSERT_LE(c.cut, b.size()) << c.what;
    b.resize(b.size() - c.cut);
    EXPECT_EQ(ui::CheckBmp(b.data(), b.size(), nullptr), c.error)
        << c.what << ": " << ui::HeaderErrorName(ui::CheckBmp(b.data(), b.size(), nullptr));
  }
}

TEST(BmpHeaders, HostileHeaders) {
  struct Case {
    const char* what;
    BmpSpec spec;
    HeaderError error;
  };
  auto spec = [](auto change) {
    BmpSpec s;
    s.pixelBytes = 16;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"width 0", spec([](BmpSpec& s) { s.width = 0; }), HeaderError::kDimensions},
      {"negative width", spec([](BmpSpec& s) { s.width = -3; }), HeaderError::kDimensions},
      {"height 0", spec([](BmpSpec& s) { s.height = 0; }), HeaderError::kDimensions},
      {"height INT32_MIN", spec([](BmpSpec& s) { s.height = INT32_MIN; }), HeaderError::kDimensions},
      {"width past the record's range", spec([](BmpSpec& s) { s.width = 32768; }),
       HeaderError::kDimensions},
      {"too many pixels", spec([](BmpSpec& s) { s.width = 20000; s.height = -20000; }),
       HeaderError::kDimensions},
      {"planes 0", spec([](BmpSpec& s) { s.planes = 0; }), HeaderError::kPlanes},
      {"bit count 7", spec([](BmpSpec& s) { s.bitCount = 7; }), HeaderError::kBitCount},
      {"16 bits in a core header", spec([](BmpSpec& s) { s.headerSize = 12; s.bitCount = 16; }),
       HeaderError::kBitCount},
      {"JPEG inside", spec([](BmpSpec& s) { s.compression = 4; }), HeaderError::kCompression},
      {"alpha bit fields", spec([](BmpSpec& s) { s.bitCount = 32; s.compression = 6; }),
       HeaderError::kCompression},
      {"run lengths at 24 bits", spec([](BmpSpec& s) { s.compression = ui::kBiRle8; s.sizeImage = 4; }),
       HeaderError::kCompression},
      {"top-down run lengths", spec([](BmpSpec& s) {
         s.bitCount = 4; s.tableEntries = 16; s.height = -2; s.compression = ui::kBiRle4; s.sizeImage = 4; }),
       HeaderError::kCompression},
      {"bit fields at 24 bits", spec([](BmpSpec& s) { s.compression = ui::kBiBitfields; s.masks = 12; }),
       HeaderError::kCompression},
  };
  for (const Case& c : cases) {
    const Bytes b = MakeBmp(c.spec);
    EXPECT_EQ(ui::CheckBmp(b.data(), b.size(), nullptr), c.error)
        << c.what << ": " << ui::HeaderErrorName(ui::CheckBmp(b.data(), b.size(), nullptr));
  }

  // Fields patched after building, where building by them would be absurd.
  struct Patch {
    const char* what;
    size_t at;
    uint32_t value;
    HeaderError error;
  } patches[] = {
      {"header size 64", 14, 64, HeaderError::kInfoHeader},
      {"header size 0xFFFFFFFF", 14, 0xFFFFFFFF, HeaderError::kInfoHeader},
      {"header size 124 past the end", 14, 124, HeaderError::kTruncated},
      {"pixel offset 0xFFFFFFFF", 10, 0xFFFFFFFF, HeaderError::kPixelOffset},
      {"pixel offset one too far", 10, 54 + 1, HeaderError::kPixelData},
  };
  for (const Patch& p : patches) {
    Bytes b = MakeBmp(BmpSpec{});
    Put32(b, p.at, p.value);
    EXPECT_EQ(ui::CheckBmp(b.data(), b.size(), nullptr), p.error)
        << p.what << ": " << ui::HeaderErrorName(ui::CheckBmp(b.data(), b.size(), nullptr));
  }
}

// Files are judged from their first bytes against their size, before any
// pixel is read, and against the limits of what the caller shows.
TEST(BmpHeaders, JudgedFromTheHeadersBeforeThePixels) {
  auto spec = [](auto change) {
    BmpSpec s;
    change(s);
    return s;
  };
  struct Case {
    const char* what;
    BmpSpec spec;
    int64_t sizeChange;  // fileSize = the made file's length plus this
    ui::ImageLimits limits;
    HeaderError error;
  };
  const Case cases[] = {
      {"a small bitmap", BmpSpec{}, 0, ui::kIconLimits, HeaderError::kNone},
      {"pixels far behind the headers", spec([](BmpSpec& s) { s.pixelOffset = 5000; }), 0, ui::kIconLimits,
       HeaderError::kNone},
      {"file shorter than its rows", BmpSpec{}, -1, ui::kAnyImageLimits, HeaderError::kPixelData},
      {"pixel offset past the file", spec([](BmpSpec& s) { s.pixelOffset = 5000; }), -4000, ui::kAnyImageLimits,
       HeaderError::kPixelOffset},
      {"icon of 256 x 256", spec([](BmpSpec& s) { s.width = 256; s.height = 256; }), 0, ui::kIconLimits,
       HeaderError::kNone},
      {"icon one pixel too wide", spec([](BmpSpec& s) { s.width = 257; }), 0, ui::kIconLimits,
       HeaderError::kLimits},
      {"icon too tall, top-down", spec([](BmpSpec& s) { s.width = 1; s.height = -257; }), 0, ui::kIconLimits,
       HeaderError::kLimits},
      {"skin at four times the window", spec([](BmpSpec& s) { s = Paletted(1); s.width = 864; s.height = 1632; }),
       0, ui::kSkinLimits, HeaderError::kNone},
      {"skin far larger", spec([](BmpSpec& s) { s.width = 8192; s.height = 2; }), 0, ui::kSkinLimits,
       HeaderError::kLimits},
      {"run lengths longer than any writer makes", spec([](BmpSpec& s) {
         s = Paletted(8); s.compression = ui::kBiRle8; s.sizeImage = 100000; s.pixelBytes = 100000; }),
       0, ui::kAnyImageLimits, HeaderError::kPixelData},
  };
  for (const Case& c : cases) {
    const Bytes b = MakeBmp(c.spec);
    const uint64_t fileSize = static_cast<uint64_t>(static_cast<int64_t>(b.size()) + c.sizeChange);
    const size_t have = std::min(b.size(), ui::kBmpHeadersMaxBytes);
    // An exact-size copy of the first bytes: nothing behind them is looked at.
    const Bytes head(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(have));
    ui::BmpLayout layout;
    const HeaderError got = ui::CheckBmpHeaders(head.data(), head.size(), fileSize, c.limits, &layout);
    EXPECT_EQ(got, c.error) << c.what;
    if (got == HeaderError::kNone) {
      EXPECT_LE(layout.pixelOffset + layout.dib.pixelBytes, fileSize) << c.what;
      EXPECT_EQ(ui::CheckBmp(b.data(), b.size(), nullptr), HeaderError::kNone) << c.what;
    }
  }
}

TEST(BmpHeaders, NotABitmapAtAll) {
  const uint8_t bm[] = {'B', 'M', 1, 2, 3};
  const uint8_t other[] = {'B', 'X', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(ui::CheckBmp(bm, sizeof bm, nullptr), HeaderError::kTruncated);
  EXPECT_EQ(ui::CheckBmp(other, sizeof other, nullptr), HeaderError::kSignature);
  EXPECT_EQ(ui::CheckBmp(nullptr, 100, nullptr), HeaderError::kTruncated);
  EXPECT_EQ(ui::CheckBmp(bm, 1, nullptr), HeaderError::kTruncated);
  EXPECT_TRUE(ui::StartsWithBm(bm, 2));
  EXPECT_FALSE(ui::StartsWithBm(bm, 1));
}

// --- Icons -------------------------------------------------------------------

struct IconImageSpec {
  uint32_t headerSize = 40;
  int32_t width = 16;
  int32_t height = 32;  // as in the bitmap header: colour rows plus mask rows
  uint16_t bitCount = 32;
  uint16_t planes = 1;
  uint32_t compression = 0;
  uint32_t colourUsed = 0;
  bool png = false;
};

Bytes IconImage(const IconImageSpec& s) {
  if (s.png) {
    Bytes p = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    const uint32_t w = static_cast<uint32_t>(s.width), h = static_cast<uint32_t>(s.height);
    const uint8_t ihdr[13] = {uint8_t(w >> 24), uint8_t(w >> 16), uint8_t(w >> 8), uint8_t(w),
                              uint8_t(h >> 24), uint8_t(h >> 16), uint8_t(h >> 8), uint8_t(h),
                              8, 6, 0, 0, 0};
    p.insert(p.end(), ihdr, ihdr + 13);
    p.resize(p.size() + 40);  // CRC and the rest: the platform's business
    return p;
  }
  const int32_t rows = s.height > 0 ? s.height / 2 : 0;
  const uint32_t colours = s.bitCount <= 8 ? (s.colourUsed ? s.colourUsed : 1u << s.bitCount) : 0;
  const size_t size = s.headerSize + colours * 4 +
                      size_t{Stride(s.width > 0 ? s.width : 0, s.bitCount)} * rows +
                      size_t{Stride(s.width > 0 ? s.width : 0, 1)} * rows;
  Bytes b(std::max<size_t>(size, 40), 0);
  Put32(b, 0, s.headerSize);
  Put32(b, 4, static_cast<uint32_t>(s.width));
  Put32(b, 8, static_cast<uint32_t>(s.height));
  Put16(b, 12, s.planes);
  Put16(b, 14, s.bitCount);
  Put32(b, 16, s.compression);
  Put32(b, 32, s.colourUsed);
  return b;
}

// An icon file with the images in order; entry sizes and offsets as written.
Bytes MakeIconFile(const std::vector<Bytes>& images) {
  Bytes f(6 + 16 * images.size(), 0);
  Put16(f, 2, 1);
  Put16(f, 4, static_cast<uint32_t>(images.size()));
  for (size_t i = 0; i < images.size(); ++i) {
    Put32(f, 6 + 16 * i + 8, static_cast<uint32_t>(images[i].size()));
    Put32(f, 6 + 16 * i + 12, static_cast<uint32_t>(f.size()));
    f.insert(f.end(), images[i].begin(), images[i].end());
  }
  return f;
}

TEST(IconHeaders, GoodFirstEntries) {
  struct Case {
    const char* what;
    IconImageSpec spec;
    int width, height;
  };
  auto spec = [](auto change) {
    IconImageSpec s;
    change(s);
    return s;
  };
  const Case cases[] = {
      {"16 x 16, 32 bits", IconImageSpec{}, 16, 16},
      {"banner 200 x 40", spec([](IconImageSpec& s) { s.width = 200; s.height = 80; }), 200, 40},
      {"8 bits with palette", spec([](IconImageSpec& s) { s.bitCount = 8; }), 16, 16},
      {"4 bits, short palette", spec([](IconImageSpec& s) { s.bitCount = 4; s.colourUsed = 3; }), 16, 16},
      {"1 bit", spec([](IconImageSpec& s) { s.bitCount = 1; s.width = 32; s.height = 64; }), 32, 32},
      {"PNG inside", spec([](IconImageSpec& s) { s.png = true; s.width = 256; s.height = 256; }), 256, 256},
  };
  for (const Case& c : cases) {
    const Bytes f = MakeIconFile({IconImage(c.spec)});
    ui::IconEntryLayout e;
    ASSERT_TRUE(ui::IsIconDirectory(f.data(), f.size())) << c.what;
    ASSERT_EQ(ui::CheckIconFirstEntry(f.data(), f.size(), &e), HeaderError::kNone) << c.what;
    EXPECT_EQ(e.width, c.width) << c.what;
    EXPECT_EQ(e.height, c.height) << c.what;
    EXPECT_EQ(e.offset, 22u) << c.what;
    EXPECT_EQ(e.png, c.spec.png) << c.what;
    EXPECT_EQ(ui::CheckIconFile(f.data(), f.size(), nullptr), HeaderError::kNone) << c.what;
  }
}

TEST(IconHeaders, FirstEntryOnlyVersusEveryEntry) {
  // A second entry pointing outside: memory loads read only the first one,
  // the platform's file loader reads them all.
  Bytes f = MakeIconFile({IconImage({}), IconImage({})});
  Put32(f, 6 + 16 + 12, 0xFFFFFFF0);
  ui::IconEntryLayout first;
  EXPECT_EQ(ui::CheckIconFirstEntry(f.data(), f.size(), &first), HeaderError::kNone);
  EXPECT_EQ(first.width, 16);
  EXPECT_EQ(ui::CheckIconFile(f.data(), f.size(), nullptr), HeaderError::kEntryRange);

  // A directory that claims more entries than the data holds.
  Bytes g = MakeIconFile({IconImage({})});
  Put16(g, 4, 100);
  EXPECT_EQ(ui::CheckIconFirstEntry(g.data(), g.size(), nullptr), HeaderError::kNone);
  EXPECT_EQ(ui::CheckIconFile(g.data(), g.size(), nullptr), HeaderError::kTruncated);
}

TEST(IconHeaders, BrokenAndHostileEntries) {
  const Bytes good = MakeIconFile({IconImage({})});
  struct Case {
    const char* what;
    Bytes data;
    HeaderError error;
  };
  auto patched32 = [&](size_t at, uint32_t v) {
    Bytes b = good;
    Put32(b, at, v);
    return b;
  };
  auto patched16 = [&](size_t at, uint32_t v) {
    Bytes b = good;
    Put16(b, at, v);
    return b;
  };
  auto image = [](auto change) {
    IconImageSpec s;
    change(s);
    return MakeIconFile({IconImage(s)});
  };
  const size_t entry = 6, bitmap = 22;
  const Case cases[] = {
      {"no entries", patched16(4, 0), HeaderError::kEntryRange},
      {"type 2 (cursor)", patched16(2, 2), HeaderError::kSignature},
      {"cut inside the directory", Bytes(good.begin(), good.begin() + 10), HeaderError::kTruncated},
      {"entry size past the end", patched32(entry + 8, static_cast<uint32_t>(good.size())),
       HeaderError::kEntryRange},
      {"entry size 0xFFFFFFFF", patched32(entry + 8, 0xFFFFFFFF), HeaderError::kEntryRange},
      {"offset past the end", patched32(entry + 12, 0xFFFFFF00), HeaderError::kEntryRange},
      {"offset inside the directory", patched32(entry + 12, 6), HeaderError::kEntryRange},
      {"file cut inside the image", Bytes(good.begin(), good.end() - 1), HeaderError::kEntryRange},
      {"entry smaller than its header", patched32(entry + 8, 20), HeaderError::kEntryImage},
      {"entry smaller than its pixels", patched32(entry + 8, 600), HeaderError::kEntryImage},
      {"bitmap taller than the entry", patched32(bitmap + 8, 34), HeaderError::kEntryImage},
      {"odd bitmap height", patched32(bitmap + 8, 31), HeaderError::kDimensions},
      {"negative bitmap height", patched32(bitmap + 8, static_cast<uint32_t>(-32)), HeaderError::kDimensions},
      {"bitmap width 0", patched32(bitmap + 4, 0), HeaderError::kDimensions},
      {"absurd bitmap width", patched32(bitmap + 4, 0x7FFFFFFF), HeaderError::kDimensions},
      {"core header", patched32(bitmap, 12), HeaderError::kInfoHeader},
      {"header size past the entry", patched32(bitmap, 124), HeaderError::kEntryImage},
      {"bit count 3", image([](IconImageSpec& s) { s.bitCount = 3; }), HeaderError::kBitCount},
      {"run-length icon", image([](IconImageSpec& s) { s.bitCount = 8; s.compression = ui::kBiRle8; }),
       HeaderError::kCompression},
      {"palette beyond the depth", image([](IconImageSpec& s) { s.bitCount = 1; s.colourUsed = 3; }),
       HeaderError::kColourTable},
      {"PNG of width 0", image([](IconImageSpec& s) { s.png = true; s.width = 0; }),
       HeaderError::kDimensions},
      {"PNG too large", image([](IconImageSpec& s) { s.png = true; s.width = 40000; s.height = 2; }),
       HeaderError::kDimensions},
  };
  for (const Case& c : cases) {
    const HeaderError got = ui::CheckIconFirstEntry(c.data.data(), c.data.size(), nullptr);
    EXPECT_EQ(got, c.error) << c.what << ": " << ui::HeaderErrorName(got);
    EXPECT_NE(ui::CheckIconFile(c.data.data(), c.data.size(), nullptr), HeaderError::kNone) << c.what;
  }
}

// An icon file's directory entry as the size bytes and bit count say.
void Describe(Bytes& f, size_t index, int side, uint16_t bitCount) {
  f[6 + 16 * index] = static_cast<uint8_t>(side == 256 ? 0 : side);
  f[6 + 16 * index + 1] = static_cast<uint8_t>(side == 256 ? 0 : side);
  Put16(f, 6 + 16 * index + 6, bitCount);
}

IconImageSpec Square(int side, bool png = false) {
  IconImageSpec s;
  s.width = side;
  s.height = png ? side : 2 * side;
  s.png = png;
  return s;
}

// Only the directory is read to choose; then the chosen image alone is read
// and checked, so a file's other entries never cost anything.
TEST(IconHeaders, OneEntryIsChosenFromTheDirectory) {
  struct Image {
    int side;        // the directory's size bytes (256 is stored as 0)
    int realSide;    // what the image itself says
    uint16_t bits;
    bool png;
  };
  struct Case {
    const char* what;
    std::vector<Image> images;
    int32_t side;
    HeaderError choose;
    size_t chosen;
    HeaderError image;  // of the chosen entry's image, on its own
  };
  const Case cases[] = {
      {"nearest 32", {{16, 16, 32, false}, {32, 32, 32, false}, {48, 48, 32, false}}, 32, HeaderError::kNone, 1,
       HeaderError::kNone},
      {"nearest 16", {{48, 48, 32, false}, {32, 32, 32, false}, {16, 16, 32, false}}, 16, HeaderError::kNone, 2,
       HeaderError::kNone},
      {"the deepest of equals", {{32, 32, 8, false}, {32, 32, 32, false}, {32, 32, 4, false}}, 32,
       HeaderError::kNone, 1, HeaderError::kNone},
      {"a large PNG passed over for a small bitmap", {{256, 1024, 32, true}, {32, 32, 32, false}}, 32,
       HeaderError::kNone, 1, HeaderError::kNone},
      {"256 x 256 when nothing else is there", {{256, 256, 32, true}}, 32, HeaderError::kNone, 0,
       HeaderError::kNone},
      {"a PNG larger than its directory says", {{256, 8192, 32, true}}, 32, HeaderError::kNone, 0,
       HeaderError::kLimits},
      {"a bitmap larger than its directory says", {{16, 300, 32, false}}, 16, HeaderError::kNone, 0,
       HeaderError::kLimits},
  };
  for (const Case& c : cases) {
    std::vector<Bytes> images;
    for (const Image& i : c.images) images.push_back(IconImage(Square(i.realSide, i.png)));
    Bytes f = MakeIconFile(images);
    for (size_t i = 0; i < c.images.size(); ++i) Describe(f, i, c.images[i].side, c.images[i].bits);
    const size_t directory = ui::IconFileDirectoryBytes(f.data(), 6);
    ASSERT_EQ(directory, 6 + 16 * c.images.size()) << c.what;
    const Bytes dir(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(directory));
    ui::IconChoice choice;
    const HeaderError got = ui::ChooseIconFileEntry(dir.data(), dir.size(), f.size(), ui::kIconLimits, c.side, &choice);
    ASSERT_EQ(got, c.choose) << c.what;
    const uint8_t* entry = f.data() + 6 + 16 * c.chosen;
    EXPECT_EQ(choice.offset, entry[12] | (entry[13] << 8) | (entry[14] << 16) | (uint32_t{entry[15]} << 24))
        << c.what;
    const Bytes image(f.begin() + choice.offset, f.begin() + choice.offset + choice.size);
    ui::IconEntryLayout layout;
    EXPECT_EQ(ui::CheckIconImage(image.data(), image.size(), ui::kIconLimits, &layout), c.image) << c.what;
  }
}

TEST(IconHeaders, DirectoriesThatLieOrOfferNothing) {
  const Bytes two = MakeIconFile({IconImage(Square(16)), IconImage(Square(32))});
  auto patched32 = [&](size_t at, uint32_t v) {
    Bytes b = two;
    Put32(b, at, v);
    return b;
  };
  struct Case {
    const char* what;
    Bytes data;
    int64_t sizeChange;
    HeaderError error;
  };
  const Case cases[] = {
      {"an entry past the end of the file", patched32(6 + 16 + 12, 0x7FFFFF00), 0, HeaderError::kEntryRange},
      {"an entry inside the directory", patched32(6 + 12, 10), 0, HeaderError::kEntryRange},
      {"the file ends inside an image", two, -1, HeaderError::kEntryRange},
      {"every entry larger than an icon can be",
       [&] { Bytes b = patched32(6 + 8, 4u << 20); Put32(b, 6 + 16 + 8, 4u << 20); return b; }(),
       8 << 20, HeaderError::kNoEntry},
      {"no entries", [&] { Bytes b = two; Put16(b, 4, 0); return b; }(), 0, HeaderError::kEntryRange},
      {"a cursor file", [&] { Bytes b = two; Put16(b, 2, 2); return b; }(), 0, HeaderError::kSignature},
  };
  for (const Case& c : cases) {
    const uint64_t fileSize = static_cast<uint64_t>(static_cast<int64_t>(c.data.size()) + c.sizeChange);
    EXPECT_EQ(ui::ChooseIconFileEntry(c.data.data(), std::min<size_t>(c.data.size(), 6 + 32), fileSize,
                                      ui::kIconLimits, 32, nullptr),
              c.error)
        << c.what;
  }
  // A directory of more entries than the bytes given holds.
  EXPECT_EQ(ui::ChooseIconFileEntry(two.data(), 6 + 16, two.size(), ui::kIconLimits, 32, nullptr),
            HeaderError::kTruncated);
  EXPECT_EQ(ui::IconFileDirectoryBytes(two.data(), 5), 0u);
}

// A program's icon group names its images by resource number.
TEST(IconHeaders, GroupEntriesNameTheirImages) {
  struct Entry {
    int side;
    uint16_t bits;
    uint32_t bytes;
    uint16_t id;
  };
  auto group = [](const std::vector<Entry>& entries) {
    Bytes g(6 + 14 * entries.size(), 0);
    Put16(g, 2, 1);
    Put16(g, 4, static_cast<uint32_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
      const size_t at = 6 + 14 * i;
      g[at] = g[at + 1] = static_cast<uint8_t>(entries[i].side == 256 ? 0 : entries[i].side);
      Put16(g, at + 4, 1);
      Put16(g, at + 6, entries[i].bits);
      Put32(g, at + 8, entries[i].bytes);
      Put16(g, at + 12, entries[i].id);
    }
    return g;
  };
  struct Case {
    const char* what;
    Bytes data;
    int32_t side;
    HeaderError error;
    uint16_t id;
  };
  const Case cases[] = {
      {"nearest 32", group({{16, 32, 1128, 1}, {32, 32, 4264, 2}, {256, 32, 40000, 3}}), 32, HeaderError::kNone, 2},
      {"nearest 16", group({{16, 32, 1128, 1}, {32, 32, 4264, 2}}), 16, HeaderError::kNone, 1},
      {"deeper of equals", group({{32, 8, 3000, 7}, {32, 32, 4264, 8}}), 32, HeaderError::kNone, 8},
      {"number 0 names nothing", group({{32, 32, 4264, 0}, {48, 32, 9000, 5}}), 32, HeaderError::kNone, 5},
      {"an image larger than an icon can be", group({{32, 32, 64u << 20, 4}, {16, 32, 1128, 6}}), 32,
       HeaderError::kNone, 6},
      {"nothing within the limits", group({{32, 32, 64u << 20, 4}}), 32, HeaderError::kNoEntry, 0},
      {"cut inside its entries", [&] { Bytes g = group({{32, 32, 4264, 2}}); g.pop_back(); return g; }(), 32,
       HeaderError::kTruncated, 0},
      {"no entries", group({}), 32, HeaderError::kEntryRange, 0},
  };
  for (const Case& c : cases) {
    ui::IconChoice choice;
    EXPECT_EQ(ui::ChooseIconGroupEntry(c.data.data(), c.data.size(), ui::kIconLimits, c.side, &choice), c.error)
        << c.what;
    if (c.error == HeaderError::kNone) {
      EXPECT_EQ(choice.id, c.id) << c.what;
    }
  }
}

// --- PNG ---------------------------------------------------------------------

Bytes PngHeaderBytes(uint32_t width, uint32_t height, uint8_t depth, uint8_t colour, uint8_t interlace = 0) {
  Bytes p = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
  for (uint32_t v : {width, height})
    for (int shift = 24; shift >= 0; shift -= 8) p.push_back(static_cast<uint8_t>(v >> shift));
  p.insert(p.end(), {depth, colour, 0, 0, interlace, 0, 0, 0, 0});
  return p;
}

TEST(PngHeaders, JudgedBeforeAnyOtherChunk) {
  struct Case {
    const char* what;
    Bytes data;
    ui::ImageLimits limits;
    HeaderError error;
  };
  auto patched = [](Bytes b, size_t at, uint8_t v) {
    b[at] = v;
    return b;
  };
  const Bytes skin = PngHeaderBytes(216, 408, 8, 6);
  const Case cases[] = {
      {"a skin", skin, ui::kSkinLimits, HeaderError::kNone},
      {"a paletted icon", PngHeaderBytes(32, 32, 4, 3), ui::kIconLimits, HeaderError::kNone},
      {"interlaced 16-bit grey", PngHeaderBytes(256, 256, 16, 0, 1), ui::kIconLimits, HeaderError::kNone},
      {"8192 x 8192 as an icon", PngHeaderBytes(8192, 8192, 8, 6), ui::kIconLimits, HeaderError::kLimits},
      {"8192 x 8192 as a skin", PngHeaderBytes(8192, 8192, 8, 6), ui::kSkinLimits, HeaderError::kLimits},
      {"a skin one pixel too tall", PngHeaderBytes(864, 1633, 8, 2), ui::kSkinLimits, HeaderError::kLimits},
      {"width 0", PngHeaderBytes(0, 408, 8, 6), ui::kAnyImageLimits, HeaderError::kDimensions},
      {"width 2^31", PngHeaderBytes(0x80000000u, 1, 8, 6), ui::kAnyImageLimits, HeaderError::kDimensions},
      {"bad signature", patched(skin, 1, 'Q'), ui::kAnyImageLimits, HeaderError::kSignature},
      {"first chunk not the header", patched(skin, 12, 'i'), ui::kAnyImageLimits, HeaderError::kInfoHeader},
      {"RGB at 4 bits", PngHeaderBytes(4, 4, 4, 2), ui::kAnyImageLimits, HeaderError::kBitCount},
      {"colour type 5", PngHeaderBytes(4, 4, 8, 5), ui::kAnyImageLimits, HeaderError::kBitCount},
      {"interlace method 2", PngHeaderBytes(4, 4, 8, 6, 2), ui::kAnyImageLimits, HeaderError::kCompression},
      {"cut short", Bytes(skin.begin(), skin.end() - 1), ui::kAnyImageLimits, HeaderError::kTruncated},
  };
  for (const Case& c : cases) {
    ui::PngHeader header;
    EXPECT_EQ(ui::CheckPngHeader(c.data.data(), c.data.size(), c.limits, &header), c.error) << c.what;
  }
}

// The byte limit must hold any sound stream: its rows stored uncompressed
// in small chunks, interlaced or not.
TEST(PngHeaders, ByteLimitHoldsEveryStoredStream) {
  struct Case {
    uint8_t depth, colour, interlace;
    uint32_t bitsPerPixel;
  } const cases[] = {{1, 0, 0, 1}, {16, 0, 1, 16}, {8, 2, 0, 24}, {16, 2, 1, 48}, {4, 3, 1, 4},
                     {8, 4, 0, 16}, {8, 6, 0, 32}, {16, 6, 1, 64}};
  for (const Case& c : cases) {
    for (uint32_t side : {1u, 7u, 216u, 864u}) {
      const Bytes bytes = PngHeaderBytes(side, side, c.depth, c.colour, c.interlace);
      ui::PngHeader header;
      ASSERT_EQ(ui::CheckPngHeader(bytes.data(), bytes.size(), ui::kSkinLimits, &header), HeaderError::kNone);
      const uint64_t rowBytes = (uint64_t{side} * c.bitsPerPixel + 7) / 8;
      // Seven passes each add a filter byte and a partly used byte per row.
      const uint64_t raw = side * (rowBytes + 1) + (c.interlace ? 2 * 15 * uint64_t{side} / 8 + 14 : 0);
      // 2 KB data chunks (12 bytes each) in stored deflate blocks (5 bytes each), plus zlib's 6.
      const uint64_t stream = 33 + raw + (raw / 2048 + 1) * 12 + (raw / 65535 + 1) * 5 + 6 + 12;
      EXPECT_GE(ui::PngByteLimit(header), stream) << int(c.colour) << "/" << int(c.depth) << " at " << side;
      EXPECT_LE(ui::PngByteLimit(header), stream + (uint64_t{2} << 20));
    }
  }
}

TEST(IconHeaders, EmbeddedSizesAddUp) {
  // 6 + 16 + 4264 = 4286 for 32 x 32, 1150 for 16 x 16, 33182 for the 200 x 40 banner.
  struct Case {
    int width, height;
    size_t fileSize;
  } cases[] = {{32, 32, 4286}, {16, 16, 1150}, {200, 40, 33182}};
  for (const Case& c : cases) {
    IconImageSpec s;
    s.width = c.width;
    s.height = 2 * c.height;
    const Bytes f = MakeIconFile({IconImage(s)});
    EXPECT_EQ(f.size(), c.fileSize);
    EXPECT_EQ(ui::CheckIconFirstEntry(f.data(), f.size(), nullptr), HeaderError::kNone);
  }
}

}  // namespace
