#include "ui/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <utility>
#include <vector>

namespace {

using Pixel = std::array<uint8_t, 4>;  // blue, green, red, alpha
using Pixels = std::vector<Pixel>;     // rows top-down
struct Sizes { int sw, sh, tw, th; };

// Resamples through rows padded by 8 bytes each, which must stay as they were.
Pixels Resample(const Sizes& s, const std::function<Pixel(int, int)>& pixel, bool alpha) {
  const size_t in = s.sw * 4 + 8, out = s.tw * 4 + 8;
  std::vector<uint8_t> source(in * s.sh, 0xEE), target(out * s.th, 0xEE);
  for (int y = 0; y < s.sh; ++y)
    for (int x = 0; x < s.sw; ++x) {
      const Pixel p = pixel(x, y);
      std::copy(p.begin(), p.end(), &source[y * in + x * 4]);
    }
  EXPECT_TRUE(ui::ResamplePixels(source.data(), s.sw, s.sh, in, target.data(), s.tw, s.th, out, alpha));
  Pixels result;
  for (int y = 0; y < s.th; ++y) {
    for (int x = 0; x < s.tw; ++x) {
      const uint8_t* p = &target[y * out + x * 4];
      result.push_back({p[0], p[1], p[2], p[3]});
    }
    for (size_t i = s.tw * 4; i < out; ++i) EXPECT_EQ(target[y * out + i], 0xEE);
  }
  return result;
}

// Random pixels; unless opaque, about a quarter are clear but keep a colour.
std::function<Pixel(int, int)> Noise(bool opaque) {
  return [opaque, random = std::mt19937(7)](int, int) mutable {
    const uint32_t v = random(), a = opaque ? 255 : v >> 24 < 64 ? 0 : v >> 24;
    return Pixel{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(a)};
  };
}

TEST(Resample, SameSizeIsAnExactCopy) {
  for (bool alpha : {true, false}) {
    Pixels expected;
    for (auto noise = Noise(false); expected.size() < 15;) expected.push_back(noise(0, 0));
    for (Pixel& p : expected) p[3] = alpha ? p[3] : 0;
    EXPECT_EQ(Resample({5, 3, 5, 3}, Noise(false), alpha), expected) << "alpha " << alpha;
  }
}

TEST(Resample, UniformStaysUniformAndOpaqueStaysOpaque) {
  // From 1 x 1 up to 3x, halved, at 1.25, 1.5 and 0.75, and odd ratios.
  for (const Sizes& s : {Sizes{1, 1, 3, 2}, {3, 3, 9, 9}, {4, 4, 2, 2}, {4, 4, 5, 5}, {4, 6, 6, 9},
                         {4, 8, 3, 6}, {7, 5, 1, 1}, {64, 48, 5, 7}, {5, 7, 64, 48}}) {
    SCOPED_TRACE(testing::Message() << s.sw << "x" << s.sh << " to " << s.tw << "x" << s.th);
    const auto flat = [](int, int) { return Pixel{10, 128, 250, 200}; };
    for (Pixel p : Resample(s, flat, true)) EXPECT_EQ(p, (Pixel{10, 128, 250, 200}));
    for (Pixel p : Resample(s, flat, false)) EXPECT_EQ(p, (Pixel{10, 128, 250, 0}));
    for (Pixel p : Resample(s, Noise(true), true)) EXPECT_EQ(p[3], 255);
  }
}

TEST(Resample, ShrinkingAveragesEverySourcePixel) {
  // A one-pixel checker, which a filter that skips pixels turns black or white.
  const auto checker = [](int x, int y) { const uint8_t v = (x + y) % 2 ? 255 : 0; return Pixel{v, v, v, 255}; };
  for (const Sizes& s : {Sizes{2, 2, 1, 1}, {64, 64, 7, 5}, {90, 30, 4, 13}})
    for (Pixel p : Resample(s, checker, false))
      for (int c = 0; c < 3; ++c) EXPECT_NEAR(p[c], 128, 8);
}

TEST(Resample, ClearPixelsLendNoColour) {
  // Opaque red beside clear pixels that hold green.
  const auto picture = [](int x, int y) { return (x + y) % 3 ? Pixel{0, 0, 255, 255} : Pixel{0, 255, 0, 0}; };
  for (auto [width, height] : {std::pair{3, 2}, {13, 9}, {1, 1}, {6, 1}})
    for (Pixel p : Resample({6, 4, width, height}, picture, true)) {
      EXPECT_EQ(p[1], 0);
      EXPECT_EQ(p[2], p[3] ? 255 : 0);
    }
}

// Lines one pixel high or wide, across and down: the tent's weights at the
// sample centres (i + 0.5) * source / target - 0.5, edges clamped.
TEST(Resample, LinesFollowTheTent) {
  const std::pair<std::vector<uint8_t>, std::vector<uint8_t>> lines[] = {
      {{0, 255}, {0, 64, 191, 255}}, {{0, 0, 255, 255}, {32, 223}}, {{0, 255}, {128}}, {{10}, {10, 10, 10}}};
  for (const auto& [in, expected] : lines)
    for (int thickness : {1, 3}) {
      const int n = static_cast<int>(in.size()), m = static_cast<int>(expected.size());
      const auto line = [&](int x, int y) { const uint8_t v = in[x + y]; return Pixel{v, v, v, 255}; };
      const Pixels across = Resample({n, 1, m, thickness}, line, false);
      const Pixels down = Resample({1, n, thickness, m}, line, false);
      for (int i = 0; i < m * thickness; ++i) {
        const uint8_t v = expected[i % m], w = expected[i / thickness];
        EXPECT_EQ(across[i], (Pixel{v, v, v, 0})) << "from " << n << " to " << m << " across, at " << i;
        EXPECT_EQ(down[i], (Pixel{w, w, w, 0})) << "from " << n << " to " << m << " down, at " << i;
      }
    }
}

TEST(Resample, RefusesBadArgumentsAndWritesNothing) {
  struct Case { int sw, sh; size_t ss; int tw, th; size_t ts; bool ok; };
  const Case cases[] = {{0, 2, 8, 2, 2, 8, false},  {2, -1, 8, 2, 2, 8, false},  {2, 2, 8, 0, 2, 8, false},
                        {2, 2, 8, 2, -3, 8, false}, {16385, 1, 65540, 1, 1, 4, false}, {1, 1, 4, 1, 16385, 4, false},
                        {2, 2, 7, 3, 3, 12, false}, {2, 2, 8, 3, 3, 11, false}, {16384, 1, 65536, 1, 1, 4, true}};
  const std::vector<uint8_t> source(65540 * 2, 0), untouched(16385 * 12, 0x5A);
  for (const Case& c : cases) {
    std::vector<uint8_t> target = untouched;
    EXPECT_EQ(ui::ResamplePixels(source.data(), c.sw, c.sh, c.ss, target.data(), c.tw, c.th, c.ts, true), c.ok)
        << c.sw << "x" << c.sh << " to " << c.tw << "x" << c.th;
    EXPECT_TRUE(c.ok || target == untouched);
  }
  std::vector<uint8_t> target = untouched;
  EXPECT_FALSE(ui::ResamplePixels(nullptr, 1, 1, 4, target.data(), 2, 2, 8, true));
  EXPECT_FALSE(ui::ResamplePixels(source.data(), 1, 1, 4, nullptr, 2, 2, 8, true));
  EXPECT_TRUE(target == untouched);
}

}  // namespace
