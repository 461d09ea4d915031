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
