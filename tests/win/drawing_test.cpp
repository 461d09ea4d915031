// Drawing on images under Wine: exact coverage of boxes, lines, pixels and
// ellipses, text boxes, sequences that are closed, and two threads sharing
// the one drawing context.
#include "ui/drawing.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "ui/images.h"

namespace {

constexpr int32_t kWhite = 0xFFFFFF;
constexpr int32_t kGrey = 150 + 256 * 150 + 65536 * 150;
constexpr int32_t kRed = 0x0000FF;  // r + 256 g + 65536 b

// A 32-bit bitmap file of one colour (r + 256 g + 65536 b).
std::vector<uint8_t> PlainBmp(int width, int height, int32_t colour) {
  const size_t pixels = static_cast<size_t>(width) * height;
  std::vector<uint8_t> b(54 + pixels * 4, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  b[0] = 'B'; b[1] = 'M';
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(width));
  put32(22, static_cast<uint32_t>(height));
  b[26] = 1;
  b[28] = 32;
  for (size_t i = 0; i < pixels; ++i) {
    b[54 + 4 * i + 0] = static_cast<uint8_t>(colour >> 16);
    b[54 + 4 * i + 1] = static_cast<uint8_t>(colour >> 8);
    b[54 + 4 * i + 2] = static_cast<uint8_t>(colour);
  }
  return b;
}

// Pixels as colour values r + 256 g + 65536 b, read from the section's memory.
class Picture {
 public:
  explicit Picture(int number) {
    DIBSECTION ds{};
    GetObject(ui::ImageHandle(number), sizeof ds, &ds);
    bits_ = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    stride_ = ds.dsBm.bmWidthBytes;
    width_ = ds.dsBm.bmWidth;
    height_ = ds.dsBm.bmHeight;
    GdiFlush();
  }
  int32_t At(int x, int y) const {
    const uint8_t* p = bits_ + static_cast<size_t>(height_ - 1 - y) * stride_ + 4 * x;
    return p[2] | (p[1] << 8) | (p[0] << 16);
  }
  std::vector<int32_t> All() const {
    std::vector<int32_t> all;
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) all.push_back(At(x, y));
    return all;
  }
  // Every pixel for which inside(x, y) holds has colour `in`, every other `out`.
  ::testing::AssertionResult Covers(const std::function<bool(int, int)>& inside, int32_t in,
                                    int32_t out) const {
    for (int y = 0; y < height_; ++y)
      for (int x = 0; x < width_; ++x) {
        const int32_t want = inside(x, y) ? in : out;
        if (At(x, y) != want)
          return ::testing::AssertionFailure()
                 << "pixel " << x << "," << y << " is " << std::hex << At(x, y) << ", expected "
                 << want;
      }
    return ::testing::AssertionSuccess();
  }
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  const uint8_t* bits_ = nullptr;
  int stride_ = 0;
  int width_ = 0;
  int height_ = 0;
};

class Drawing : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::DrawingStartup();
    ui::ImagesStartup();
  }
  void TearDown() override {
    ui::EndDrawing();
    ui::ImagesShutdown();
    ui::DrawingShutdown();
  }
  // Image 35-sized white canvas under `number`, opened for drawing.
  void Open(int number = 40, int width = 198, int height = 24, int32_t colour = kWhite) {
    const std::vector<uint8_t> bmp = PlainBmp(width, height, colour);
    ASSERT_NE(ui::ImageFromMemory(number, bmp.data(), bmp.size()), 0);
    ASSERT_NE(ui::BeginDrawing(ui::ImageDrawTarget(number)), nullptr);
  }
};

TEST_F(Drawing, BoxCoverage) {
  struct Case {
    const char* what;
    int mode, x, y, w, h;
    std::function<bool(int, int)> inside;
  } cases[] = {
      {"filled", 0, 3, 2, 5, 4, [](int x, int y) { return x >= 3 && x <= 7 && y >= 2 && y <= 5; }},
      {"outlined frame", ui::kDrawOutlined, 3, 2, 5, 4,
       [](int x, int y) {
         return x >= 3 && x <= 7 && y >= 2 && y <= 5 && (x == 3 || x == 7 || y == 2 || y == 5);
       }},
      {"1 x 1", 0, 9, 9, 1, 1, [](int x, int y) { return x == 9 && y == 9; }},
      {"1 x 1 outlined", ui::kDrawOutlined, 9, 9, 1, 1, [](int x, int y) { return x == 9 && y == 9; }},
      {"one column outlined", ui::kDrawOutlined, 4, 3, 1, 5,
       [](int x, int y) { return x == 4 && y >= 3 && y <= 7; }},
      {"one row outlined", ui::kDrawOutlined, 4, 3, 6, 1,
       [](int x, int y) { return y == 3 && x >= 4 && x <= 9; }},
      {"width 0", 0, 4, 3, 0, 5, [](int, int) { return false; }},
      {"negative height", 0, 4, 3, 2, -5, [](int, int) { return false; }},
      {"clipped at the top-left", 0, -3, -2, 5, 4,
       [](int x, int y) { return x <= 1 && y <= 1; }},
      {"clipped at the bottom-right", 0, 195, 22, 10, 10,
       [](int x, int y) { return x >= 195 && y >= 22; }},
  };
  for (const auto& c : cases) {
    Open();
    ui::SetDrawMode(c.mode);
    ui::DrawBox(c.x, c.y, c.w, c.h, kRed);
    ui::EndDrawing();
    EXPECT_TRUE(Picture(40).Covers(c.inside, kRed, kWhite)) << c.what;
  }
}

TEST_F(Drawing, GreyAreaWithABlackFrame) {
  Open(76, 216, 408);
  ui::DrawBox(0, 0, 216, 408, kGrey);
  ui::SetDrawMode(ui::kDrawOutlined);
  ui::DrawBox(0, 0, 216, 408, 0);
  ui::EndDrawing();
  EXPECT_TRUE(Picture(76).Covers(
      [](int x, int y) { return x == 0 || y == 0 || x == 215 || y == 407; }, 0, kGrey));
}

TEST_F(Drawing, InvertedShapesInvertWhatTheyCoverOnce) {
  Open();
  ui::DrawBox(0, 0, 198, 24, 0x123456);
  ui::SetDrawMode(ui::kDrawInvert | ui::kDrawOutlined);
  ui::DrawBox(2, 2, 6, 5, kRed);  // the colour does not matter when inverting
  ui::SetDrawMode(ui::kDrawInvert);
  ui::DrawLine(20, 3, 30, 3, -1);
  ui::EndDrawing();
  const int32_t inverted = 0xFFFFFF ^ 0x123456;
  EXPECT_TRUE(Picture(40).Covers(
      [](int x, int y) {
        const bool frame = x >= 2 && x <= 7 && y >= 2 && y <= 6 &&
                           (x == 2 || x == 7 || y == 2 || y == 6);
        return frame || (y == 3 && x >= 20 && x <= 30);
      },
      inverted, 0x123456));
}

TEST_F(Drawing, LinesIncludeBothEndPoints) {
  struct Case {
    const char* what;
    int x1, y1, x2, y2;
    std::function<bool(int, int)> inside;
  } cases[] = {
      {"status strip rule", 1, 11, 196, 11, [](int x, int y) { return y == 11 && x >= 1 && x <= 196; }},
      {"drawn right to left", 196, 11, 1, 11,
       [](int x, int y) { return y == 11 && x >= 1 && x <= 196; }},
      {"vertical", 5, 2, 5, 20, [](int x, int y) { return x == 5 && y >= 2 && y <= 20; }},
      {"single point", 7, 7, 7, 7, [](int x, int y) { return x == 7 && y == 7; }},
      {"diagonal", 0, 0, 5, 5, [](int x, int y) { return x == y && x <= 5; }},
  };
  for (const auto& c : cases) {
    Open();
    ui::DrawLine(c.x1, c.y1, c.x2, c.y2, kRed);
    ui::EndDrawing();
    EXPECT_TRUE(Picture(40).Covers(c.inside, kRed, kWhite)) << c.what;
  }
}

// Rows and columns that hold at least one changed pixel.
struct Extent {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Extent ChangedExtent(const Picture& p, int32_t background) {
  Extent e;
  for (int y = 0; y < p.height(); ++y)
    for (int x = 0; x < p.width(); ++x)
      if (p.At(x, y) != background) {
        e.left = std::min(e.left, x);
        e.right = std::max(e.right, x);
        e.top = std::min(e.top, y);
        e.bottom = std::max(e.bottom, y);
      }
  return e;
}

TEST_F(Drawing, CirclesAndEllipsesStayInsideTheirBoxes) {
  struct Case {
    const char* what;
    int mode, x, y, rx, ry;
    bool circle;
    int left, top, right, bottom;
  } cases[] = {
      {"status lamp", 0, 192, 18, 4, 4, true, 188, 14, 195, 21},
      {"outlined lamp", ui::kDrawOutlined, 192, 18, 4, 4, true, 188, 14, 195, 21},
      {"radius 1 is a 2 x 2 box", 0, 10, 10, 1, 1, true, 10, 10, 11, 11},
      {"wide ellipse", 0, 50, 12, 20, 6, false, 30, 6, 69, 17},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Open();
    ui::SetDrawMode(c.mode);
    if (c.circle)
      ui::DrawCircle(c.x, c.y, c.rx, kRed);
    else
      ui::DrawEllipse(c.x, c.y, c.rx, c.ry, kRed);
    ui::EndDrawing();
    Picture p(40);
    const Extent e = ChangedExtent(p, kWhite);
    EXPECT_EQ(e.left, c.left);
    EXPECT_EQ(e.top, c.top);
    EXPECT_EQ(e.right, c.right);
    EXPECT_EQ(e.bottom, c.bottom);
    if (c.rx > 1) {
      // Round, not a box: the corners stay, the middle is filled or left alone.
      EXPECT_EQ(p.At(c.left, c.top), kWhite);
      EXPECT_EQ(p.At(c.x, c.y), (c.mode & ui::kDrawOutlined) ? kWhite : kRed);
    }
  }
  Open();
  ui::DrawCircle(20, 12, 2, kRed);
  ui::DrawEllipse(40, 12, 0, 5, kRed);  // no width: nothing
  ui::EndDrawing();
  const Extent e = ChangedExtent(Picture(40), kWhite);
  EXPECT_EQ(e.left, 18);
  EXPECT_EQ(e.right, 21);
}

TEST_F(Drawing, TextOpaqueHasAWhiteBoxTransparentHasNone) {
  Open(40, 198, 24, 0);  // black canvas
  const int width = ui::TextPixelWidth("Montag");
  ASSERT_GT(width, 10);
  EXPECT_EQ(ui::DrawTextAt(5, 2, "Montag", kRed), 5 + width);
  ui::EndDrawing();
  {
    Picture p(40);
    int white = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 198; ++x)
        if (p.At(x, y) == kWhite) {
          ++white;
          EXPECT_GE(x, 5);
          EXPECT_LT(x, 5 + width);
          EXPECT_GE(y, 2);
        }
    EXPECT_GT(white, width * 4);
  }
  ASSERT_NE(ui::BeginDrawing(ui::ImageDrawTarget(40)), nullptr);
  ui::DrawBox(0, 0, 198, 24, 0);
  ui::SetDrawMode(ui::kDrawTransparent);
  EXPECT_EQ(ui::DrawTextAt(5, 2, "Montag", kRed), 5 + width);
  ui::EndDrawing();
  Picture p(40);
  int red = 0;
  for (int32_t c : p.All()) {
    EXPECT_NE(c, kWhite);
    red += c != 0;
  }
  EXPECT_GT(red, 5) << "no glyphs drawn";
}

TEST_F(Drawing, EmptyTextDrawsNothingAndReturnsX) {
  Open();
  EXPECT_EQ(ui::DrawTextAt(17, 3, "", 0), 17);
  EXPECT_EQ(ui::TextPixelWidth(""), 0);
  ui::EndDrawing();
  EXPECT_TRUE(Picture(40).Covers([](int, int) { return false; }, 0, kWhite));
}

TEST_F(Drawing, SystemFontMeasuresLikeThePlatformsSystemFont) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SIZE expected{};
  GetTextExtentPoint32A(dc, "Info...", 7, &expected);
  SelectObject(dc, old);
  DeleteDC(dc);

  HFONT small = CreateFontA(-6, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  Open();
  ui::SetDrawFont(small);
  const int smallWidth = ui::TextPixelWidth("Info...");
  ui::SetDrawFont(ui::SystemDrawFont());
  EXPECT_EQ(ui::TextPixelWidth("Info..."), expected.cx);
  EXPECT_NE(smallWidth, expected.cx);
  ui::EndDrawing();
  DeleteObject(small);  // no longer selected anywhere
  EXPECT_EQ(GetObjectType(small), 0u);
}

TEST_F(Drawing, NothingIsDrawnWithoutAnOpenSequence) {
  Open();
  ui::EndDrawing();
  const std::vector<int32_t> before = Picture(40).All();
  auto everything = [] {
    ui::SetDrawMode(ui::kDrawInvert);
    ui::DrawBox(0, 0, 50, 10, kRed);
    ui::DrawLine(0, 0, 100, 20, kRed);
    ui::DrawCircle(20, 10, 5, kRed);
    ui::DrawEllipse(20, 10, 5, 3, kRed);
    ui::DrawPixel(1, 1, kRed);
    EXPECT_EQ(ui::DrawTextAt(3, 3, "Uhr", kRed), 0);
    EXPECT_EQ(ui::TextPixelWidth("Uhr"), 0);
  };
  everything();
  EXPECT_EQ(Picture(40).All(), before) << "after EndDrawing";
  EXPECT_EQ(ui::BeginDrawing(nullptr), nullptr);
  everything();
  EXPECT_EQ(Picture(40).All(), before) << "after BeginDrawing(0)";
  // A number that names no image gives no target; no sequence opens.
  EXPECT_EQ(ui::ImageDrawTarget(41), nullptr);
  EXPECT_EQ(ui::BeginDrawing(ui::ImageDrawTarget(41)), nullptr);
  everything();
  EXPECT_EQ(Picture(40).All(), before) << "after BeginDrawing on nothing";
}

TEST_F(Drawing, EverySequenceStartsFromTheInitialState) {
  Open();
  ui::SetDrawMode(ui::kDrawInvert | ui::kDrawOutlined | ui::kDrawTransparent);
  ui::EndDrawing();
  ASSERT_NE(ui::BeginDrawing(ui::ImageDrawTarget(40)), nullptr);
  ui::DrawBox(0, 0, 3, 3, 0);  // filled black, not an inverted frame
  ui::EndDrawing();
  Picture p(40);
  EXPECT_EQ(p.At(1, 1), 0);
  EXPECT_EQ(p.At(0, 0), 0);
}

TEST_F(Drawing, BeginningAgainOnTheSameThreadEndsTheOpenSequence) {
  Open(40);
  const std::vector<uint8_t> bmp = PlainBmp(198, 24, kWhite);
  ASSERT_NE(ui::ImageFromMemory(41, bmp.data(), bmp.size()), 0);
  ASSERT_NE(ui::BeginDrawing(ui::ImageDrawTarget(41)), nullptr);  // would deadlock if not ended
  ui::DrawPixel(0, 0, kRed);
  ASSERT_NE(ui::BeginDrawing(ui::ImageDrawTarget(40)), nullptr);  // same image as the first
  ui::DrawPixel(1, 0, kRed);
  ui::EndDrawing();
  EXPECT_EQ(Picture(41).At(0, 0), kRed);
  EXPECT_EQ(Picture(41).At(1, 0), kWhite);
  EXPECT_EQ(Picture(40).At(1, 0), kRed);
}

TEST_F(Drawing, AnotherThreadWaitsForTheOpenSequence) {
  Open();
  std::atomic<bool> opened{false};
  std::thread waiter([&] {
    if (ui::BeginDrawing(ui::ImageDrawTarget(40))) {
      opened = true;
      ui::DrawPixel(0, 0, 0x00FF00);
      ui::EndDrawing();
    }
  });
  // A thread that holds no sequence draws nothing, even while another is open.
  std::thread stranger([] {
    ui::DrawPixel(5, 5, kRed);
    ui::DrawBox(6, 6, 3, 3, kRed);
    ui::EndDrawing();
  });
  stranger.join();
  Sleep(200);
  EXPECT_FALSE(opened.load());
  ui::DrawPixel(0, 0, kRed);
  ui::DrawPixel(1, 1, kRed);
  ui::EndDrawing();
  waiter.join();
  EXPECT_TRUE(opened.load());
  Picture p(40);
  EXPECT_EQ(p.At(0, 0), 0x00FF00);
  EXPECT_EQ(p.At(1, 1), kRed);
  EXPECT_EQ(p.At(5, 5), kWhite);
  EXPECT_EQ(p.At(7, 7), kWhite);
}

// Two threads fill one image with their own colour inside one sequence each
// and check, before ending it, that no pixel of the other shows through.
TEST_F(Drawing, TwoThreadsNeverShareASequence) {
  const char* stress = std::getenv("TROVANTO_STRESS");
  const auto duration = std::chrono::seconds(stress && std::strcmp(stress, "1") == 0 ? 30 : 3);
  const std::vector<uint8_t> bmp = PlainBmp(198, 24, kWhite);
  ASSERT_NE(ui::ImageFromMemory(35, bmp.data(), bmp.size()), 0);
  std::atomic<bool> stop{false};
  std::atomic<int> torn{0};
  std::atomic<int> failedBegins{0};
  auto worker = [&](int32_t colour, std::atomic<int>* rounds) {
    while (!stop.load()) {
      if (!ui::BeginDrawing(ui::ImageDrawTarget(35))) {
        ++failedBegins;
        continue;
      }
      ui::SetDrawFont(ui::SystemDrawFont());
      ui::DrawBox(0, 0, 198, 24, colour);
      ui::SetDrawMode(ui::kDrawTransparent);
      ui::DrawTextAt(3, 3, "Uhr", colour);
      Picture p(35);
      for (int32_t c : p.All())
        if (c != colour) {
          ++torn;
          break;
        }
      ui::EndDrawing();
      ++*rounds;
      std::this_thread::yield();
    }
  };
  std::atomic<int> roundsA{0}, roundsB{0};
  std::thread a(worker, kRed, &roundsA);
  std::thread b(worker, 0x00FF00, &roundsB);
  std::this_thread::sleep_for(duration);
  stop = true;
  a.join();
  b.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(failedBegins.load(), 0);
  EXPECT_GT(roundsA.load(), 0);
  EXPECT_GT(roundsB.load(), 0);
  std::printf("stress: %d + %d sequences\n", roundsA.load(), roundsB.load());
}

}  // namespace
