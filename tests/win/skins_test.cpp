// Skins: the list of skin folders, the prepared background images, skins
// applied at run time and the window background they paint.
#include "settings/skins.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "storage/directory.h"
#include "ui/controls.h"
#include "ui/drawing.h"
#include "ui/images.h"
#include "ui/ui.h"
#include "support/wine_test_support.h"

namespace {

using settings::gSettings;

constexpr int kWidth = 216, kHeight = 408;

// Pixels as a 32-bit section holds them: 0x00RRGGBB.
constexpr uint32_t Rgb(int r, int g, int b) {
  return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b);
}
constexpr uint32_t kGrey = Rgb(226, 226, 226), kBlack = Rgb(0, 0, 0);
constexpr uint32_t kRed = Rgb(255, 0, 0), kBlue = Rgb(0, 0, 255), kGreen = Rgb(0, 160, 0);
constexpr uint32_t kSentinel = Rgb(0x12, 0x34, 0x56);

// A real PNG, so that the skins go through the launcher's own decoder: 8-bit
// RGB rows without filtering, compressed by zlib (the launcher's libpng is
// built without a writer).
bool WritePng(const std::string& path, int w, int h, const std::function<uint32_t(int x, int y)>& colour) {
  const size_t stride = static_cast<size_t>(w) * 3 + 1;
  std::vector<uint8_t> rows(stride * static_cast<size_t>(h), 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t c = colour(x, y);
      uint8_t* p = &rows[static_cast<size_t>(y) * stride + 1 + static_cast<size_t>(x) * 3];
      p[0] = static_cast<uint8_t>(c >> 16);
      p[1] = static_cast<uint8_t>(c >> 8);
      p[2] = static_cast<uint8_t>(c);
    }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 9) != Z_OK) return false;
  packed.resize(packedSize);

  std::string file("\x89PNG\r\n\x1A\n", 8);
  auto put32 = [](std::string& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
  };
  auto chunk = [&](const char* type, const std::string& data) {
    put32(file, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type, 4) + data;
    file += body;
    put32(file, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                            static_cast<uInt>(body.size()))));
  };
  std::string header;
  put32(header, static_cast<uint32_t>(w));
  put32(header, static_cast<uint32_t>(h));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace
  chunk("IHDR", header);
  chunk("IDAT", std::string(packed.begin(), packed.end()));
  chunk("IEND", "");
  std::ofstream out(path, std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out);
}

// A marker in the top-left pixel on blue shows where each copy starts.
uint32_t Marked(int x, int y) { return x == 0 && y == 0 ? kRed : kBlue; }

uint32_t ImagePixel(int image, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ saved = SelectObject(dc, ui::ImageHandle(image));
  const COLORREF c = GetPixel(dc, x, y);
  SelectObject(dc, saved);
  DeleteDC(dc);
  return Rgb(GetRValue(c), GetGValue(c), GetBValue(c));
}

// What the window's background procedure paints over a window-sized surface.
struct Erased {
  LRESULT result = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * kWidth + x]; }
};

Erased Erase(HWND window) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kWidth;
  info.bmiHeader.biHeight = -kHeight;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ saved = SelectObject(dc, dib);
  auto* px = static_cast<uint32_t*>(bits);
  std::fill(px, px + kWidth * kHeight, kSentinel);
  Erased out;
  out.result = SendMessageA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  GdiFlush();
  for (int i = 0; i < kWidth * kHeight; ++i) out.pixels.push_back(px[i] & 0xFFFFFF);
  SelectObject(dc, saved);
  DeleteDC(dc);
  DeleteObject(dib);
  return out;
}

class Skins : public ::testing::Test {
 public:
  static void SetUpTestSuite() {
    ui::WindowsStartup();
    ui::ControlsStartup();
    ui::ImagesStartup();
    ui::RegisterPngDecoder();
    ui::DrawingStartup();
  }
  static void TearDownTestSuite() {
    settings::ReleaseBackgrounds();
    ui::ControlsShutdown();
    ui::WindowsShutdown();
    ui::ImagesShutdown();
    ui::DrawingShutdown();
  }
  void SetUp() override {
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    folder_ = std::string(temp) + "trovanto_skins_" + std::to_string(GetCurrentProcessId()) + "\\";
    storage::RemoveTree(folder_.c_str(), "*.*", 3);
    ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
    gSettings.StartDirectory = folder_;
    gSettings.Skin = "";
    ui::ImagesShutdown();
    ASSERT_NE(ui::CreateProgramWindow(60, 0, 0, kWidth, kHeight, "", ui::kBorderlessPopup | ui::kStartHidden,
                                      nullptr),
              0);
    window_ = ui::WindowHandle(60);
  }
  void TearDown() override {
    ui::CloseProgramWindow(60);
    ui::CloseProgramWindow(65);
    storage::RemoveTree(folder_.c_str(), "*.*", 3);
  }
  std::string SkinFolder(const std::string& name) const {
    const std::string skins = folder_ + "Skins";
    CreateDirectoryA(skins.c_str(), nullptr);
    CreateDirectoryA((skins + "\\" + name).c_str(), nullptr);
    return skins + "\\" + name + "\\";
  }
  void MakeSkin(const std::string& name, int w, int h, uint32_t (*colour)(int, int)) const {
    ASSERT_TRUE(WritePng(SkinFolder(name) + "skin.png", w, h, colour));
  }
  void MakeBrokenSkin(const std::string& name) const {
    std::ofstream(SkinFolder(name) + "skin.png", std::ios::binary) << "\x89PNG\r\n\x1A\n not really";
  }
  // Sound pictures no skin should be: far larger than the window (in 64 KB
  // on disk), or the window's size behind 20 MB of a chunk nobody reads.
  void MakeHostileSkins() const {
    wine_test::WriteFile(SkinFolder("Riesig") + "skin.png", wine_test::SolidPng(4000, 4000, 0xFF0000FF));
    wine_test::WriteFile(SkinFolder("Gepolstert") + "skin.png",
                         wine_test::SolidPng(kWidth, kHeight, 0xFF0000FF, size_t{20} << 20));
  }
  // The generated background: grey inside a one-pixel black frame.
  static void ExpectPlain(const std::function<uint32_t(int, int)>& at) {
    for (auto xy : {std::make_pair(0, 0), {215, 0}, {0, 407}, {215, 407}, {108, 0}, {0, 204}})
      EXPECT_EQ(at(xy.first, xy.second), kBlack) << xy.first << "," << xy.second;
    for (auto xy : {std::make_pair(1, 1), {214, 406}, {108, 204}, {1, 406}})
      EXPECT_EQ(at(xy.first, xy.second), kGrey) << xy.first << "," << xy.second;
  }

  std::string folder_;
  HWND window_ = nullptr;
};

TEST_F(Skins, CollectListsOnlyFolders) {
  struct Case {
    const char* what;
    std::function<void(const Skins&)> prepare;
    std::vector<std::string> names;
  } cases[] = {
      {"a file and two folders",
       [](const Skins& t) {
         t.SkinFolder("Blau");
         t.SkinFolder("Leer ohne Bild");
         std::ofstream(t.folder_ + "Skins\\liesmich.txt") << "x";
       },
       {"Blau", "Leer ohne Bild"}},
      {"no Skins folder", [](const Skins&) {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    storage::RemoveTree((folder_ + "Skins").c_str(), "*.*", 3);
    c.prepare(*this);
    settings::gSkinNames = {"Alt"};
    settings::CollectSkinNames();
    std::vector<std::string> names = settings::gSkinNames;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.names);
  }
}

TEST_F(Skins, PrepareMakesBackgroundAndPreviewSource) {
  // Missing picture: the plain background.
  settings::PrepareSkinImage("Nirgends");
  for (int image : {76, 77}) {
    int w = 0, h = 0;
    ASSERT_TRUE(ui::ImageSize(image, &w, &h));
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    ExpectPlain([image](int x, int y) { return ImagePixel(image, x, y); });
  }

  // A small picture is scaled up without smoothing: the marker doubles.
  MakeSkin("Klein", 108, 204, Marked);
  settings::PrepareSkinImage("Klein");
  for (int image : {76, 77}) {
    int w = 0, h = 0;
    ASSERT_TRUE(ui::ImageSize(image, &w, &h));
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(h, kHeight);
    EXPECT_EQ(ImagePixel(image, 1, 1), kRed);
    EXPECT_EQ(ImagePixel(image, 2, 0), kBlue);
    EXPECT_EQ(ImagePixel(image, 0, 2), kBlue);
  }

  // Up to four times the window on each side, and a little of other chunks,
  // is a skin.
  wine_test::WriteFile(SkinFolder("Gross") + "skin.png", wine_test::SolidPng(4 * kWidth, 4 * kHeight, 0xFFFF0000, 65536));
  settings::PrepareSkinImage("Gross");
  for (int image : {76, 77}) {
    int w = 0, h = 0;
    ASSERT_TRUE(ui::ImageSize(image, &w, &h));
    EXPECT_EQ(w, kWidth);
    EXPECT_EQ(ImagePixel(image, 100, 100), kRed);
  }

  // Present but not a picture (a broken file, or a folder of that name), or
  // not one a skin can be: no background at all rather than the plain one.
  MakeBrokenSkin("Kaputt");
  CreateDirectoryA((SkinFolder("Ordner") + "skin.png").c_str(), nullptr);
  MakeHostileSkins();
  for (const char* name : {"Kaputt", "Ordner", "Riesig", "Gepolstert"}) {
    SCOPED_TRACE(name);
    settings::PrepareSkinImage(name);
    EXPECT_EQ(ui::ImageHandle(76), nullptr);
    EXPECT_EQ(ui::ImageHandle(77), nullptr);
  }
}

TEST_F(Skins, SetBackgroundImageRegistersOncePerWindow) {
  settings::PrepareSkinImage("");
  EXPECT_EQ(settings::SetBackgroundImage(nullptr, 76), 0);
  EXPECT_EQ(settings::SetBackgroundImage(window_, 99), 0);
  // A refused call leaves the window's own background alone.
  EXPECT_NE(GetClassLongPtrA(window_, GCLP_HBRBACKGROUND), 0);

  const int first = settings::SetBackgroundImage(window_, 76);
  ASSERT_GT(first, 0);
  EXPECT_EQ(GetClassLongPtrA(window_, GCLP_HBRBACKGROUND), 0);
  EXPECT_EQ(settings::SetBackgroundImage(window_, 77), first);
  // Replaced only once: a second replacement would call itself forever.
  SetWindowTextA(window_, "Trovanto");
  char title[32] = {};
  GetWindowTextA(window_, title, sizeof title);
  EXPECT_STREQ(title, "Trovanto");

  ASSERT_NE(ui::CreateProgramWindow(65, 0, 0, 100, 100, "", ui::kBorderlessPopup | ui::kStartHidden, nullptr), 0);
  EXPECT_EQ(settings::SetBackgroundImage(ui::WindowHandle(65), 76), first + 1);
  // Each window has a class of its own: the other one keeps painting.
  const Erased e = Erase(window_);
  EXPECT_EQ(e.result, 1);
  ExpectPlain([&e](int x, int y) { return e.At(x, y); });

  // A window made later under a recycled handle starts afresh.
  ui::CloseProgramWindow(65);
  ASSERT_NE(ui::CreateProgramWindow(65, 0, 0, 100, 100, "", ui::kBorderlessPopup | ui::kStartHidden, nullptr), 0);
  EXPECT_GT(settings::SetBackgroundImage(ui::WindowHandle(65), 76), first + 1);
}

TEST_F(Skins, ApplySkinAtRunTimeTilesItsPictureOverTheWindow) {
  settings::PrepareSkinImage("");
  ASSERT_GT(settings::SetBackgroundImage(window_, 76), 0);
  MakeSkin("Klein", 108, 204, Marked);
  ASSERT_NE(ui::CreateProgramWindow(65, 0, 0, 300, 300, "", ui::kBorderlessPopup | ui::kStartHidden, nullptr), 0);
  ui::UseControlParent(ui::WindowHandle(65));
  ASSERT_NE(ui::CreateImageControl(36, 10, 10, 108, 204, nullptr, 0), 0);

  EXPECT_EQ(settings::ApplySkin("Klein"), 1);
  EXPECT_EQ(gSettings.Skin, "Klein");
  int w = 0, h = 0;
  ASSERT_TRUE(ui::ImageSize(76, &w, &h));
  EXPECT_EQ(w * 1000 + h, 108 * 1000 + 204);
  EXPECT_EQ(ui::GetControlState(36), reinterpret_cast<intptr_t>(ui::ImageHandle(77)));

  const Erased e = Erase(window_);
  EXPECT_EQ(e.result, 1);
  for (auto xy : {std::make_pair(0, 0), {108, 0}, {0, 204}, {108, 204}})
    EXPECT_EQ(e.At(xy.first, xy.second), kRed) << xy.first << "," << xy.second;
  for (auto xy : {std::make_pair(1, 0), {107, 203}, {109, 205}, {215, 407}, {0, 407}})
    EXPECT_EQ(e.At(xy.first, xy.second), kBlue) << xy.first << "," << xy.second;
}

TEST_F(Skins, ApplySkinThatCannotBeUsedChangesNothing) {
  MakeSkin("Gut", kWidth, kHeight, [](int x, int) { return x < 100 ? kGreen : kBlue; });
  settings::PrepareSkinImage("Gut");
  ASSERT_GT(settings::SetBackgroundImage(window_, 76), 0);
  gSettings.Skin = "Gut";
  SkinFolder("OhneBild");
  MakeBrokenSkin("Kaputt");
  MakeHostileSkins();
  const HANDLE background = ui::ImageHandle(76), preview = ui::ImageHandle(77);

  for (const char* name : {"OhneBild", "Fehlt", "Kaputt", "Riesig", "Gepolstert"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(settings::ApplySkin(name), 0);
    EXPECT_EQ(gSettings.Skin, "Gut");
    EXPECT_EQ(ui::ImageHandle(76), background);
    EXPECT_EQ(ui::ImageHandle(77), preview);
    const Erased e = Erase(window_);
    EXPECT_EQ(e.result, 1);
    EXPECT_EQ(e.At(0, 0), kGreen);
    EXPECT_EQ(e.At(99, 407), kGreen);
    EXPECT_EQ(e.At(100, 0), kBlue);
  }
}

}  // namespace
