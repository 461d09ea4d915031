// Numbered images under Wine: PNG decoding against ImageMagick's decode of the
// same files, BMP at every depth, icons from memory and disk, hostile data,
// and the make/scale/duplicate/reuse rules.
#include "ui/images.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <zlib.h>

#include "support/wine_test_support.h"
#include "ui/drawing.h"
#include "ui/object_table.h"
#include "ui/ui.h"

namespace {

using Bytes = std::vector<uint8_t>;

const std::string kSuite = TROVANTO_PNGSUITE_DIR;
const std::string kReferences = TROVANTO_PNGREF_DIR;
const std::string kPictures = TROVANTO_PICTURES_DIR;

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::vector<std::string> FilesIn(const std::string& folder, const char* pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE find = FindFirstFileA((folder + "/" + pattern).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    names.push_back(found.cFileName);
  } while (FindNextFileA(find, &found));
  FindClose(find);
  return names;
}

std::string TempPath(const char* name) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  return std::string(dir) + "trovanto_images_" + name;
}

// The pixels of a section straight from its memory, read in the row order the
// caller expects (the platform does not report a section's row order).
struct SectionView {
  const uint8_t* bits = nullptr;
  int stride = 0;
  int depth = 0;
  int width = 0;
  int height = 0;
  bool topDown = false;
  const uint8_t* At(int x, int y) const {
    const int row = topDown ? y : height - 1 - y;
    return bits + static_cast<size_t>(row) * stride + static_cast<size_t>(x) * (depth / 8);
  }
};

bool IsSection(HANDLE bitmap) {
  DIBSECTION ds;
  return GetObject(bitmap, sizeof ds, &ds) == sizeof ds;
}

SectionView ViewSection(HANDLE bitmap, bool topDown) {
  SectionView v;
  DIBSECTION ds{};
  if (GetObject(bitmap, sizeof ds, &ds) != sizeof ds) return v;
  GdiFlush();
  v.bits = static_cast<const uint8_t*>(ds.dsBm.bmBits);
  v.stride = ds.dsBm.bmWidthBytes;
  v.depth = ds.dsBm.bmBitsPixel;
  v.width = ds.dsBm.bmWidth;
  v.height = ds.dsBm.bmHeight;
  v.topDown = topDown;
  return v;
}

// Any bitmap, section or display-compatible, as 0x00RRGGBB rows top first.
std::vector<uint32_t> ReadPixels(HANDLE bitmap, int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = width;
  bmi.bmiHeader.biHeight = -height;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  bmi.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, static_cast<HBITMAP>(bitmap), 0, height, pixels.data(), &bmi,
                              DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(lines, height);
  for (auto& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

struct Reference {
  int width = 0;
  int height = 0;
  Bytes rgba;
};

bool LoadReference(const std::string& base, Reference* ref) {
  FILE* f = std::fopen((base + ".size").c_str(), "r");
  if (!f) return false;
  const bool ok = std::fscanf(f, "%d %d", &ref->width, &ref->height) == 2;
  std::fclose(f);
  ref->rgba = ReadAll(base + ".rgba");
  return ok && ref->rgba.size() == static_cast<size_t>(ref->width) * ref->height * 4;
}

uint32_t ReferenceRgb(const Reference& ref, int x, int y) {
  const uint8_t* p = &ref.rgba[(static_cast<size_t>(y) * ref.width + x) * 4];
  return (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
}

class Images : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::ImagesStartup();
    ui::RegisterPngDecoder();
  }
  void TearDown() override { ui::ImagesShutdown(); }
};

// --- PNG ---------------------------------------------------------------------

// Expected layout from the PNG header: alpha in the colour type gives 32 bits,
// everything else (palette and grey included) 24.
int ExpectedPngDepth(const Bytes& png) { return png.size() > 25 && (png[25] & 4) ? 32 : 24; }

// Decodes one file through memory and through the file path and compares
// every pixel with ImageMagick's decode: B, G, R always, alpha for 32-bit
// results (palette transparency is dropped by design, so alpha is not compared
// for 24-bit results). 16-bit samples may differ by one: both sides round
// sample / 257, but break ties differently. Returns the number of decodes compared.
int CompareWithReference(const std::string& png, const std::string& referenceBase) {
  SCOPED_TRACE(png);
  const Bytes bytes = ReadAll(png);
  Reference ref;
  EXPECT_TRUE(LoadReference(referenceBase, &ref)) << "no reference " << referenceBase;
  if (bytes.empty() || ref.rgba.empty()) return 0;
  const int depth = ExpectedPngDepth(bytes);
  const int slack = bytes.size() > 24 && bytes[24] == 16 ? 1 : 0;
  auto within = [slack](uint8_t a, uint8_t b) { return std::abs(int{a} - int{b}) <= slack; };
  int compared = 0;
  for (bool viaFile : {false, true}) {
    SCOPED_TRACE(viaFile ? "file" : "memory");
    const intptr_t handle = viaFile ? ui::ImageFromFile(50, png.c_str())
                                    : ui::ImageFromMemory(50, bytes.data(), bytes.size());
    if (handle == 0) {
      ADD_FAILURE() << "not decoded";
      continue;
    }
    int w = 0, h = 0;
    EXPECT_TRUE(ui::ImageSize(50, &w, &h));
    EXPECT_EQ(w, ref.width);
    EXPECT_EQ(h, ref.height);
    EXPECT_EQ(ui::ImageDepth(50), depth);
    EXPECT_FALSE(ui::ImageIsIcon(50));
    // Memory read top row first: right only for a top-down section.
    const SectionView v = ViewSection(ui::ImageHandle(50), true);
    if (!v.bits) {
      ADD_FAILURE() << "not a section";
      continue;
    }
    EXPECT_EQ(v.depth, depth);
    EXPECT_EQ(v.stride, depth == 32 ? 4 * w : 3 * w + w % 4);
    if (w != ref.width || h != ref.height) continue;
    // And the picture as the platform shows it.
    const std::vector<uint32_t> shown = ReadPixels(ui::ImageHandle(50), w, h);
    int shownMismatches = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint32_t got = shown[static_cast<size_t>(y) * w + x];
        const uint32_t want = ReferenceRgb(ref, x, y);
        for (int shift : {0, 8, 16})
          if (!within(static_cast<uint8_t>(got >> shift), static_cast<uint8_t>(want >> shift))) {
            ++shownMismatches;
            break;
          }
      }
    EXPECT_EQ(shownMismatches, 0);
    int mismatches = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const uint8_t* got = v.At(x, y);
        const uint8_t* want = &ref.rgba[(static_cast<size_t>(y) * w + x) * 4];
        bool same = within(got[0], want[2]) && within(got[1], want[1]) && within(got[2], want[0]);
        if (depth == 32) same = same && within(got[3], want[3]);
        if (!same && mismatches++ == 0)
          ADD_FAILURE() << "first mismatch at " << x << "," << y << ": BGRA " << int{got[0]} << " "
                        << int{got[1]} << " " << int{got[2]} << " " << int{got[3]} << ", RGBA "
                        << int{want[0]} << " " << int{want[1]} << " " << int{want[2]} << " "
                        << int{want[3]};
      }
    }
    EXPECT_EQ(mismatches, 0);
    ++compared;
  }
  return compared;
}

TEST_F(Images, PngSuiteMatchesIndependentDecode) {
  int files = 0, compared = 0;
  for (const char* sub : {"", "/interlaced"}) {
    for (const std::string& name : FilesIn(kSuite + sub, "*.png")) {
      const std::string base = name.substr(0, name.size() - 4);
      compared += CompareWithReference(kSuite + sub + "/" + name, kReferences + sub + "/" + base);
      ++files;
    }
  }
  std::printf("pngsuite: %d files, %d decodes compared\n", files, compared);
  EXPECT_GE(files, 50);
  EXPECT_EQ(compared, 2 * files);
}

TEST_F(Images, PngOddWidthsAndColourTypesMatchIndependentDecode) {
  const std::string folder = kReferences + "/png";
  int files = 0;
  for (const std::string& name : FilesIn(folder, "*.png")) {
    CompareWithReference(folder + "/" + name, folder + "/" + name.substr(0, name.size() - 4));
    ++files;
  }
  EXPECT_GE(files, 8);
}

// A good PNG with another size in its header and the header's CRC made
// right again, so that only the size is wrong.
Bytes WithSize(Bytes png, uint32_t width, uint32_t height) {
  for (int i = 0; i < 4; ++i) {
    png[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    png[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  const uint32_t crc = crc32(crc32(0, nullptr, 0), &png[12], 17);
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  return png;
}

TEST_F(Images, BrokenPngsLoadNothing) {
  const Bytes good = ReadAll(kSuite + "/basn2c08.png");
  ASSERT_GT(good.size(), 100u);
  struct Case {
    const char* what;
    Bytes data;
  };
  std::vector<Case> cases;
  cases.push_back({"signature only", Bytes(good.begin(), good.begin() + 8)});
  cases.push_back({"cut inside the header", Bytes(good.begin(), good.begin() + 20)});
  cases.push_back({"cut inside the pixel data", Bytes(good.begin(), good.begin() + good.size() / 2)});
  cases.push_back({"no end chunk", Bytes(good.begin(), good.end() - 12)});
  Bytes badCrc = good;
  badCrc[29] ^= 0xFF;  // IHDR's CRC
  cases.push_back({"header CRC wrong", badCrc});
  Bytes badPixels = good;
  for (size_t i = 70; i < 90 && i < badPixels.size(); ++i) badPixels[i] ^= 0x5A;
  cases.push_back({"pixel data scrambled", badPixels});
  cases.push_back({"width 0", WithSize(good, 0, 32)});
  cases.push_back({"width past the record's range", WithSize(good, 40000, 1)});
  cases.push_back({"too many pixels within the side limit", WithSize(good, 30000, 30000)});
  for (const Case& c : cases) {
    EXPECT_EQ(ui::ImageFromMemory(51, c.data.data(), c.data.size()), 0) << c.what;
    EXPECT_EQ(ui::ImageHandle(51), nullptr) << c.what;
    const std::string path = TempPath("broken.png");
    ASSERT_TRUE(WriteAll(path, c.data));
    EXPECT_EQ(ui::ImageFromFile(51, path.c_str()), 0) << c.what << " (file)";
    DeleteFileA(path.c_str());
  }
  // A good picture cut by the size argument: nothing past it is read.
  EXPECT_EQ(ui::ImageFromMemory(51, good.data(), good.size() - 20), 0);
  EXPECT_NE(ui::ImageFromMemory(51, good.data(), good.size()), 0);
}

// --- BMP ---------------------------------------------------------------------

struct BmpCase {
  const char* name;
  int bitCount;  // as ImageMagick wrote it (checked, so the table stays honest)
  bool displayCompatibleFromFile;
};

const BmpCase kBmpCases[] = {
    {"pal1", 1, true},    {"pal4", 4, true},   {"pal8", 8, true},
    {"rle8", 8, true},    {"core4", 4, true},  {"core24", 24, false},
    {"rgb24", 24, false}, {"rgb32", 32, false}, {"fields32", 32, false},
};

int StoredBitCount(const Bytes& bmp) {
  const uint32_t headerSize = bmp[14] | (bmp[15] << 8);
  return headerSize == 12 ? bmp[24] : bmp[28];
}

void ExpectPixelsMatch(HANDLE bitmap, const Reference& ref) {
  const std::vector<uint32_t> got = ReadPixels(bitmap, ref.width, ref.height);
  int mismatches = 0;
  for (int y = 0; y < ref.height; ++y)
    for (int x = 0; x < ref.width; ++x)
      if (got[static_cast<size_t>(y) * ref.width + x] != ReferenceRgb(ref, x, y) &&
          mismatches++ == 0)
        ADD_FAILURE() << "first mismatch at " << x << "," << y;
  EXPECT_EQ(mismatches, 0);
}

TEST_F(Images, BmpFromMemoryIsAlways32BitBottomUpSection) {
  for (const BmpCase& c : kBmpCases) {
    SCOPED_TRACE(c.name);
    const std::string base = kReferences + "/bmp/" + c.name;
    const Bytes bmp = ReadAll(base + ".bmp");
    Reference ref;
    ASSERT_TRUE(LoadReference(base, &ref));
    ASSERT_EQ(StoredBitCount(bmp), c.bitCount);
    ASSERT_NE(ui::ImageFromMemory(53, bmp.data(), bmp.size()), 0);
    EXPECT_EQ(ui::ImageDepth(53), 32);
    const SectionView v = ViewSection(ui::ImageHandle(53), false);
    ASSERT_NE(v.bits, nullptr);
    EXPECT_EQ(v.depth, 32);
    EXPECT_EQ(v.width, ref.width);
    EXPECT_EQ(v.height, ref.height);
    ExpectPixelsMatch(ui::ImageHandle(53), ref);
    // Bottom-up: the last row of the picture comes first in memory.
    int mismatches = 0;
    for (int y = 0; y < ref.height; ++y)
      for (int x = 0; x < ref.width; ++x) {
        const uint8_t* p = v.At(x, y);
        mismatches += ((uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0]) != ReferenceRgb(ref, x, y);
      }
    EXPECT_EQ(mismatches, 0);
  }
}

TEST_F(Images, BmpFromFileKeepsDeepPicturesAsSectionsAndPalettedOnesDisplayCompatible) {
  HDC screen = GetDC(nullptr);
  const int displayDepth = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  for (const BmpCase& c : kBmpCases) {
    SCOPED_TRACE(c.name);
    const std::string base = kReferences + "/bmp/" + c.name;
    Reference ref;
    ASSERT_TRUE(LoadReference(base, &ref));
    ASSERT_NE(ui::ImageFromFile(54, (base + ".bmp").c_str()), 0);
    HANDLE handle = ui::ImageHandle(54);
    if (c.displayCompatibleFromFile) {
      EXPECT_FALSE(IsSection(handle));
      EXPECT_EQ(ui::ImageDepth(54), displayDepth);
    } else {
      EXPECT_TRUE(IsSection(handle));
      EXPECT_EQ(ui::ImageDepth(54), c.bitCount);
    }
    int w = 0, h = 0;
    ui::ImageSize(54, &w, &h);
    EXPECT_EQ(w, ref.width);
    EXPECT_EQ(h, ref.height);
    ExpectPixelsMatch(handle, ref);
  }
}

// A 2 x 2 bitmap in any header kind the checks accept, for hand-made variants.
Bytes SmallBmp(int32_t width, int32_t height, uint16_t bitCount) {
  const uint32_t stride = (static_cast<uint32_t>(width) * bitCount + 31) / 32 * 4;
  const uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
  const uint32_t colours = bitCount <= 8 ? (1u << bitCount) : 0;
  const uint32_t offset = 14 + 40 + colours * 4;
  Bytes b(offset + stride * rows, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B'; b[1] = 'M';
  put32(2, static_cast<uint32_t>(b.size()));
  put32(10, offset);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = static_cast<uint8_t>(bitCount);
  return b;
}

TEST_F(Images, TopDownBmpBecomesBottomUpWithRowsInPlace) {
  // Two rows: top red, bottom blue, stored top row first.
  Bytes bmp = SmallBmp(2, -2, 24);
  const size_t pixels = 54;
  for (int x = 0; x < 2; ++x) {
    bmp[pixels + 3 * x + 2] = 0xFF;      // top row, red
    bmp[pixels + 8 + 3 * x + 0] = 0xFF;  // bottom row, blue
  }
  ASSERT_NE(ui::ImageFromMemory(55, bmp.data(), bmp.size()), 0);
  int w = 0, h = 0;
  ui::ImageSize(55, &w, &h);
  EXPECT_EQ(h, 2);
  const std::vector<uint32_t> got = ReadPixels(ui::ImageHandle(55), 2, 2);
  EXPECT_EQ(got[0], 0xFF0000u);
  EXPECT_EQ(got[2], 0x0000FFu);
  const SectionView v = ViewSection(ui::ImageHandle(55), false);
  ASSERT_NE(v.bits, nullptr);
  EXPECT_EQ(v.At(0, 0)[2], 0xFF);  // red top row, stored last
  EXPECT_EQ(v.bits[0], 0xFF);      // blue bottom row, stored first

  // From a file the headers are read first and then only the rows, wherever
  // the header says they are: here 1 MB behind the headers.
  Bytes gap(bmp.begin(), bmp.begin() + pixels);
  gap.resize(pixels + (1u << 20), 0x5A);
  gap.insert(gap.end(), bmp.begin() + pixels, bmp.end());
  const uint32_t offset = static_cast<uint32_t>(pixels + (1u << 20));
  std::memcpy(&gap[10], &offset, 4);
  const std::string path = TempPath("gap.bmp");
  ASSERT_TRUE(WriteAll(path, gap));
  ASSERT_NE(ui::ImageFromFile(55, path.c_str(), ui::kIconLimits), 0);
  const std::vector<uint32_t> fromFile = ReadPixels(ui::ImageHandle(55), 2, 2);
  EXPECT_EQ(fromFile[0], 0xFF0000u);
  EXPECT_EQ(fromFile[2], 0x0000FFu);
  // Beyond the caller's limits nothing is made, however sound the file.
  const Bytes wide = SmallBmp(300, 1, 24);
  ASSERT_TRUE(WriteAll(path, wide));
  EXPECT_EQ(ui::ImageFromFile(55, path.c_str(), ui::kIconLimits), 0);
  EXPECT_NE(ui::ImageFromFile(55, path.c_str(), ui::kSkinLimits), 0);
  DeleteFileA(path.c_str());
}

// The header rules have their own native tables; here only that a refused
// header stops both loading paths, and that "BM" never falls through to the
// decoders.
TEST_F(Images, HostileBmpLoadsNothingAndTriesNoOtherFormat) {
  const Bytes good = ReadAll(kReferences + "/bmp/rgb24.bmp");
  ASSERT_GT(good.size(), 60u);
  Bytes bmThenPng = {'B', 'M'};
  const Bytes png = ReadAll(kSuite + "/basn2c08.png");
  bmThenPng.insert(bmThenPng.end(), png.begin(), png.end());
  Bytes wide = good;
  wide[21] = 0x10;  // width 0x10000000
  const struct {
    const char* what;
    Bytes data;
  } cases[] = {
      {"BM and garbage", {'B', 'M', 0x13, 0x37, 0xAA, 0x55, 1, 2, 3}},
      {"BM then a PNG", bmThenPng},
      {"pixel rows cut short", Bytes(good.begin(), good.end() - 10)},
      {"absurd width", wide},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ui::ImageFromMemory(56, c.data.data(), c.data.size()), 0) << c.what;
    const std::string path = TempPath("hostile.bmp");
    ASSERT_TRUE(WriteAll(path, c.data));
    EXPECT_EQ(ui::ImageFromFile(56, path.c_str()), 0) << c.what << " (file)";
    DeleteFileA(path.c_str());
  }
}

// --- ICO ---------------------------------------------------------------------

struct IconPicture {
  int size;
  uint32_t colour;  // 0xAARRGGBB for every pixel
};

// An icon file with 32-bit images in the given order, each with its AND mask.
Bytes MakeIcon(const std::vector<IconPicture>& pictures) {
  Bytes file(6 + 16 * pictures.size(), 0);
  file[2] = 1;
  file[4] = static_cast<uint8_t>(pictures.size());
  for (size_t i = 0; i < pictures.size(); ++i) {
    const int n = pictures[i].size;
    const size_t maskStride = (n + 31) / 32 * 4;
    Bytes image(40 + static_cast<size_t>(n) * n * 4 + maskStride * n, 0);
    image[0] = 40;
    image[4] = static_cast<uint8_t>(n);
    image[8] = static_cast<uint8_t>(2 * n);
    image[12] = 1;
    image[14] = 32;
    for (int p = 0; p < n * n; ++p)
      std::memcpy(&image[40 + 4 * p], &pictures[i].colour, 4);
    uint8_t* entry = &file[6 + 16 * i];
    entry[0] = static_cast<uint8_t>(n);
    entry[1] = static_cast<uint8_t>(n);
    entry[4] = 1;
    entry[6] = 32;
    const uint32_t bytes = static_cast<uint32_t>(image.size());
    const uint32_t offset = static_cast<uint32_t>(file.size());
    std::memcpy(entry + 8, &bytes, 4);
    std::memcpy(entry + 12, &offset, 4);
    file.insert(file.end(), image.begin(), image.end());
  }
  return file;
}

// The colour the icon shows at its centre when drawn on white.
uint32_t IconCentre(HICON icon, int size) {
  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = size;
  bmi.bmiHeader.biHeight = size;
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP canvas = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, canvas);
  PatBlt(dc, 0, 0, size, size, WHITENESS);
  DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  const COLORREF c = GetPixel(dc, size / 2, size / 2);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(canvas);
  return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

TEST_F(Images, IconInMemoryYieldsItsFirstImageAtItsOwnSize) {
  const Bytes icon = MakeIcon({{24, 0xFFFF0000}, {16, 0xFF0000FF}, {32, 0xFF00FF00}});
  ASSERT_NE(ui::ImageFromMemory(57, icon.data(), icon.size()), 0);
  EXPECT_TRUE(ui::ImageIsIcon(57));
  int w = 0, h = 0;
  ui::ImageSize(57, &w, &h);
  EXPECT_EQ(w, 24);
  EXPECT_EQ(h, 24);
  EXPECT_EQ(ui::ImageDepth(57), 32);
  EXPECT_EQ(IconCentre(static_cast<HICON>(ui::ImageHandle(57)), 24), 0xFF0000u);
  EXPECT_EQ(ui::ImageDrawTarget(57), nullptr);
  EXPECT_EQ(ui::ScaleImage(57, 48, 48, ui::kScaleRaw), 0);
}

TEST_F(Images, IconChecksLookOnlyAtTheFirstEntryInMemory) {
  // The second entry points far outside: in memory only the first one counts.
  Bytes icon = MakeIcon({{16, 0xFF00FF00}, {16, 0xFF0000FF}});
  const uint32_t outside = 0x7FFFFFF0;
  std::memcpy(&icon[6 + 16 + 12], &outside, 4);
  EXPECT_NE(ui::ImageFromMemory(58, icon.data(), icon.size()), 0);
  // From a file the platform reads every entry, so the file is refused.
  const std::string path = TempPath("far.ico");
  ASSERT_TRUE(WriteAll(path, icon));
  EXPECT_EQ(ui::ImageFromFile(58, path.c_str()), 0);
  DeleteFileA(path.c_str());
}

TEST_F(Images, IconWithABitmapTallerThanItsEntryLoadsNothing) {
  Bytes icon = MakeIcon({{16, 0xFFFF0000}});
  icon[22 + 8] = 64;  // 32 colour rows claimed, 16 stored
  EXPECT_EQ(ui::ImageFromMemory(59, icon.data(), icon.size()), 0);
  EXPECT_EQ(ui::ImageHandle(59), nullptr);
}

TEST_F(Images, IconFileLoadsAtASizeStoredInIt) {
  const std::string path = TempPath("two.ico");
  ASSERT_TRUE(WriteAll(path, MakeIcon({{24, 0xFFFF0000}, {16, 0xFF0000FF}})));
  ASSERT_NE(ui::ImageFromFile(60, path.c_str()), 0);
  EXPECT_TRUE(ui::ImageIsIcon(60));
  int w = 0, h = 0;
  ui::ImageSize(60, &w, &h);
  EXPECT_TRUE(w == 24 || w == 16) << w;
  EXPECT_EQ(w, h);
  DeleteFileA(path.c_str());

  ASSERT_NE(ui::ImageFromFile(61, (kPictures + "/20.ico").c_str()), 0);
  ui::ImageSize(61, &w, &h);
  EXPECT_EQ(w, 200);
  EXPECT_EQ(h, 40);
}

TEST_F(Images, MissingOrLockedFilesLoadNothing) {
  EXPECT_EQ(ui::ImageFromFile(62, (kPictures + "/no-such-file.png").c_str()), 0);
  const std::string path = TempPath("locked.png");
  ASSERT_TRUE(WriteAll(path, ReadAll(kSuite + "/basn2c08.png")));
  // Opened without sharing: a file someone writes to is not read.
  HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(ui::ImageFromFile(62, path.c_str()), 0);
  CloseHandle(writer);
  EXPECT_NE(ui::ImageFromFile(62, path.c_str()), 0);
  DeleteFileA(path.c_str());
  EXPECT_EQ(ui::ImageFromFile(62, nullptr), 0);
  EXPECT_EQ(ui::ImageFromMemory(62, nullptr, 10), 0);
}

// --- Making, scaling, copying, numbering ---------------------------------------

TEST_F(Images, NewImageIsBlackAndDisplayCompatible) {
  ASSERT_NE(ui::NewImage(63, 21, 9), 0);
  HANDLE h = ui::ImageHandle(63);
  EXPECT_FALSE(IsSection(h));
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(ui::ImageDepth(63), GetDeviceCaps(screen, BITSPIXEL));
  ReleaseDC(nullptr, screen);
  for (uint32_t p : ReadPixels(h, 21, 9)) ASSERT_EQ(p, 0u);
  EXPECT_EQ(ui::NewImage(63, 0, 9), 0);
  EXPECT_EQ(ui::NewImage(63, 40000, 9), 0);
}

TEST_F(Images, ScaleReplacesTheBitmapAndKeepsItsKind) {
  // Columns black, white: a raw doubling repeats whole pixels.
  Bytes bmp = SmallBmp(2, 1, 24);
  bmp[54 + 3] = bmp[54 + 4] = bmp[54 + 5] = 0xFF;
  const std::string path = TempPath("scale.bmp");
  ASSERT_TRUE(WriteAll(path, bmp));
  ASSERT_NE(ui::ImageFromFile(64, path.c_str()), 0);
  DeleteFileA(path.c_str());
  ASSERT_EQ(ui::ImageDepth(64), 24);
  HANDLE before = ui::ImageHandle(64);
  EXPECT_EQ(ui::ScaleImage(64, 2, 1, ui::kScaleSmooth), reinterpret_cast<intptr_t>(before));
  EXPECT_EQ(GetObjectType(before), static_cast<DWORD>(OBJ_BITMAP)) << "same size: kept";
  const intptr_t scaled = ui::ScaleImage(64, 4, 1, ui::kScaleRaw);
  ASSERT_NE(scaled, 0);
  EXPECT_EQ(reinterpret_cast<HANDLE>(scaled), ui::ImageHandle(64));
  EXPECT_EQ(GetObjectType(before), 0u) << "old bitmap not deleted";
  EXPECT_TRUE(IsSection(ui::ImageHandle(64)));
  EXPECT_EQ(ui::ImageDepth(64), 24);
  const std::vector<uint32_t> px = ReadPixels(ui::ImageHandle(64), 4, 1);
  EXPECT_EQ(px, (std::vector<uint32_t>{0, 0, 0xFFFFFF, 0xFFFFFF}));

  ASSERT_NE(ui::NewImage(65, 10, 10), 0);
  ASSERT_NE(ui::ScaleImage(65, 5, 20, ui::kScaleSmooth), 0);
  EXPECT_FALSE(IsSection(ui::ImageHandle(65)));
  int w = 0, h = 0;
  ui::ImageSize(65, &w, &h);
  EXPECT_EQ(w, 5);
  EXPECT_EQ(h, 20);
  for (uint32_t p : ReadPixels(ui::ImageHandle(65), 5, 20)) ASSERT_EQ(p, 0u);
  EXPECT_EQ(ui::ScaleImage(65, 0, 20, ui::kScaleRaw), 0);
  EXPECT_EQ(ui::ScaleImage(99, 5, 5, ui::kScaleRaw), 0);
}

TEST_F(Images, DuplicateCopiesKindSizeDepthAndPixels) {
  const Bytes png = ReadAll(kSuite + "/basn6a08.png");
  ASSERT_NE(ui::ImageFromMemory(76, png.data(), png.size()), 0);
  ASSERT_NE(ui::DuplicateImage(76, 77), 0);
  EXPECT_NE(ui::ImageHandle(77), ui::ImageHandle(76));
  EXPECT_TRUE(IsSection(ui::ImageHandle(77)));
  EXPECT_EQ(ui::ImageDepth(77), 32);
  EXPECT_EQ(ReadPixels(ui::ImageHandle(77), 32, 32), ReadPixels(ui::ImageHandle(76), 32, 32));

  ASSERT_NE(ui::NewImage(78, 3, 3), 0);
  const intptr_t identity = ui::DuplicateImage(78, -1);
  ASSERT_GE(identity, ui::kFirstFreeIdentity);
  EXPECT_FALSE(IsSection(ui::ImageHandle(static_cast<int>(identity))));

  const Bytes icon = MakeIcon({{16, 0xFF00FF00}});
  ASSERT_NE(ui::ImageFromMemory(79, icon.data(), icon.size()), 0);
  ASSERT_NE(ui::DuplicateImage(79, 80), 0);
  EXPECT_TRUE(ui::ImageIsIcon(80));
  EXPECT_EQ(IconCentre(static_cast<HICON>(ui::ImageHandle(80)), 16), 0x00FF00u);

  EXPECT_EQ(ui::DuplicateImage(98, 81), 0);
  EXPECT_EQ(ui::ImageHandle(81), nullptr);
}

TEST_F(Images, ReusingANumberReleasesTheOldImage) {
  const Bytes png = ReadAll(kSuite + "/basn2c08.png");
  ASSERT_NE(ui::ImageFromMemory(76, png.data(), png.size()), 0);
  HANDLE oldBitmap = ui::ImageHandle(76);
  ASSERT_NE(ui::ImageFromMemory(76, png.data(), png.size()), 0);
  EXPECT_EQ(GetObjectType(oldBitmap), 0u);

  const Bytes icon = MakeIcon({{16, 0xFF00FF00}});
  ASSERT_NE(ui::ImageFromMemory(82, icon.data(), icon.size()), 0);
  auto oldIcon = static_cast<HICON>(ui::ImageHandle(82));
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(oldIcon, &info));
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  // A failing load empties the number too.
  EXPECT_EQ(ui::ImageFromMemory(82, "junk", 4), 0);
  EXPECT_FALSE(GetIconInfo(oldIcon, &info));
  EXPECT_EQ(ui::ImageHandle(82), nullptr);
}

TEST_F(Images, AnyFreeIdentityWithMinusOne) {
  const Bytes png = ReadAll(kSuite + "/basn0g08.png");
  const intptr_t a = ui::ImageFromMemory(-1, png.data(), png.size());
  const intptr_t b = ui::ImageFromMemory(-1, png.data(), png.size());
  ASSERT_GE(a, ui::kFirstFreeIdentity);
  ASSERT_GE(b, ui::kFirstFreeIdentity);
  EXPECT_NE(a, b);
  EXPECT_NE(ui::ImageHandle(static_cast<int>(a)), nullptr);
  EXPECT_EQ(ui::ImageFromMemory(-1, "junk", 4), 0);
  EXPECT_EQ(ui::ImageHandle(-1), nullptr);
  EXPECT_EQ(ui::ImageHandle(-7), nullptr);
}

// --- Embedded pictures -------------------------------------------------------

DWORD gAheadThread = 0;

// Loaded where they are asked for, and made ahead on the start-up helper
// (which then runs its follow-on work on its own thread): the same pictures,
// at each display scale as large as it says. 96, 144 and 192 DPI take the
// pictures drawn for them, 120 the 1.5x ones made smaller.
TEST_F(Images, EmbeddedPicturesLoadAtTheirSizes) {
  for (const int dpi : {96, 120, 144, 192}) {
    for (const bool ahead : {false, true}) {
      SCOPED_TRACE(std::to_string(dpi) + (ahead ? " DPI, made ahead" : " DPI, loaded when asked for"));
      ui::ImagesShutdown();
      ui::ImagesStartup();
      ui::SetProgramDpi(dpi);
      if (ahead) {
        std::vector<int> numbers = {99};  // not an embedded picture: skipped
        for (int n = ui::kFirstEmbeddedImage; n <= ui::kLastEmbeddedImage; ++n) numbers.push_back(n);
        gAheadThread = GetCurrentThreadId();
        ui::LoadEmbeddedPicturesAhead(numbers.data(), static_cast<int>(numbers.size()),
                                      [] { gAheadThread = GetCurrentThreadId(); });
      }
      EXPECT_EQ(ui::LoadEmbeddedPictures(), 21);
      if (ahead) {
        EXPECT_NE(gAheadThread, GetCurrentThreadId()) << "the follow-on work did not run on the helper";
      }
      for (int n = ui::kFirstEmbeddedImage; n <= 34; ++n) {
        SCOPED_TRACE(n);
        int w = 0, h = 0;
        ASSERT_TRUE(ui::ImageSize(n, &w, &h));
        EXPECT_TRUE(ui::ImageIsIcon(n));
        EXPECT_EQ(ui::ImageDepth(n), 32);
        EXPECT_EQ(w, ui::ScaleToDpi(n == 15 ? 32 : n == 20 ? 200 : 16, dpi));
        EXPECT_EQ(h, ui::ScaleToDpi(n == 15 ? 32 : n == 20 ? 40 : 16, dpi));
      }
      int w = 0, h = 0;
      ASSERT_TRUE(ui::ImageSize(35, &w, &h));
      ASSERT_EQ(w, ui::ScaleToDpi(198, dpi));
      ASSERT_EQ(h, ui::ScaleToDpi(24, dpi));
      EXPECT_EQ(ui::ImageDepth(35), 32);
      // The status strip's frame and panels, which the clock and gauge draw into.
      const std::vector<uint32_t> px = ReadPixels(ui::ImageHandle(35), w, h);
      auto at = [&](int x, int y) {
        return px[static_cast<size_t>(ui::ScaleToDpi(y, dpi) * w + ui::ScaleToDpi(x, dpi))];
      };
      EXPECT_EQ(at(0, 0), 0x969696u);
      EXPECT_EQ(at(2, 2), 0xFFFFFFu);
      EXPECT_EQ(at(190, 18), 0xFFFFFFu);
      if (dpi != 120) {  // drawn for the scale: edges exact
        EXPECT_EQ(at(50, 23), 0x969696u);
        EXPECT_EQ(at(1, 1), 0xFFFFFFu);
        EXPECT_EQ(at(50, 11), 0x969696u);
        EXPECT_EQ(at(186, 18), 0x969696u);
      }
      // Drawing on it goes by its scale: a box from (1, 1) to (4, 3) at 96 DPI.
      ui::DrawingStartup();
      ASSERT_NE(ui::BeginDrawing(ui::ImageDrawTarget(35)), nullptr);
      ui::DrawBox(1, 1, 3, 2, RGB(255, 0, 0));
      ui::EndDrawing();
      ui::DrawingShutdown();
      const std::vector<uint32_t> drawn = ReadPixels(ui::ImageHandle(35), w, h);
      for (int y = 0; y < ui::ScaleToDpi(5, dpi); ++y)
        for (int x = 0; x < ui::ScaleToDpi(6, dpi); ++x) {
          const bool inside = x >= ui::ScaleToDpi(1, dpi) && x < ui::ScaleToDpi(4, dpi) &&
                              y >= ui::ScaleToDpi(1, dpi) && y < ui::ScaleToDpi(3, dpi);
          EXPECT_EQ(drawn[static_cast<size_t>(y * w + x)] == 0xFF0000u, inside) << x << ", " << y;
        }
    }
  }
  ui::SetProgramDpi(96);
}

// On a scaled display an icon file without an entry of the asked size is
// enlarged through the resampler: a 16-pixel icon made 48 wide is smooth, not
// sixteen blocks of three by three.
TEST_F(Images, AnIconEnlargedForAScaledDisplayIsSmooth) {
  ui::SetProgramDpi(144);
  HICON icon = ui::IconFromIconOrProgramFile((kPictures + "/16.ico").c_str(), 48, 48);
  ui::SetProgramDpi(96);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  const std::vector<uint32_t> px = ReadPixels(info.hbmColor, 48, 48);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);
  auto pixel = [&](int x, int y) { return px[static_cast<size_t>(y * 48 + x)]; };
  int blended = 0;
  for (int by = 0; by < 48; by += 3)
    for (int bx = 0; bx < 48; bx += 3)
      for (int i = 1; i < 9; ++i)
        if (pixel(bx + i % 3, by + i / 3) != pixel(bx, by)) {
          ++blended;
          break;
        }
  EXPECT_GT(blended, 40) << "enlarged pixel by pixel";
}

// At 96 DPI the icons made from the embedded pictures draw exactly as the
// icon files of the same pictures do, on any background.
TEST_F(Images, EmbeddedIconsDrawLikeTheirIconFiles) {
  ui::SetProgramDpi(96);
  for (int n = ui::kFirstEmbeddedImage; n <= 34; ++n) {
    SCOPED_TRACE(n);
    ASSERT_EQ(ui::LoadEmbeddedPicture(n), 1);
    const std::string file = kPictures + "/" + std::to_string(n) + ".ico";
    ASSERT_NE(ui::ImageFromFile(100, file.c_str()), 0) << file;
    int w = 0, h = 0;
    ASSERT_TRUE(ui::ImageSize(n, &w, &h));
    for (const COLORREF background : {RGB(255, 255, 255), RGB(0, 0, 0), RGB(40, 120, 200)}) {
      auto drawn = [&](int number) {
        return wine_test::DrawnOn(w, h, background, [&](HDC dc) {
          DrawIconEx(dc, 0, 0, static_cast<HICON>(ui::ImageHandle(number)), w, h, 0, nullptr, DI_NORMAL);
        });
      };
      EXPECT_EQ(drawn(n), drawn(100)) << "on " << std::hex << background;
    }
  }
}

}  // namespace
