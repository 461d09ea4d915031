// The embedded pictures are generated files that the program loads straight
// from its resources; these checks catch a generator that writes a file the
// loader would misread (wrong layout, wrong size, mask and alpha at odds).

#include "resources/embedded_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

std::filesystem::path PicturePath(const std::string& name) {
  // The data folder may not exist, so ".." is resolved on the text.
  return (std::filesystem::path(TROVANTO_TEST_DATA "/../../resources/pictures") / name).lexically_normal();
}

Bytes ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t Le16(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t Le32(const Bytes& b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
uint32_t Be32(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
}

uint32_t Crc32(const Bytes& b, size_t at, size_t length) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = at; i < at + length; ++i) {
    crc ^= b[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

TEST(EmbeddedPictures, EachIconIsOne32BitImageWithAMaskThatMatchesItsAlpha) {
  for (int number = kFirstEmbeddedPicture; number < kLastEmbeddedPicture; ++number) {
    SCOPED_TRACE(number);
    const uint32_t w = number == 15 ? 32 : number == 20 ? 200 : 16;
    const uint32_t h = number == 15 ? 32 : number == 20 ? 40 : 16;
    const size_t expected_size = number == 15 ? 4286 : number == 20 ? 33182 : 1150;
    const Bytes ico = ReadAll(PicturePath(std::to_string(number) + ".ico"));
    ASSERT_EQ(ico.size(), expected_size);

    // Directory: reserved, type icon, exactly one entry.
    EXPECT_EQ(Le16(ico, 0), 0u);
    EXPECT_EQ(Le16(ico, 2), 1u);
    EXPECT_EQ(Le16(ico, 4), 1u);
    EXPECT_EQ(ico[6], w);
    EXPECT_EQ(ico[7], h);
    EXPECT_EQ(ico[8], 0u);
    EXPECT_EQ(ico[9], 0u);
    EXPECT_EQ(Le16(ico, 10), 1u);
    EXPECT_EQ(Le16(ico, 12), 32u);
    EXPECT_EQ(Le32(ico, 14), ico.size() - 22);
    EXPECT_EQ(Le32(ico, 18), 22u);

    // Bitmap header: the height counts colour and mask together.
    const uint32_t stride = (w + 31) / 32 * 4;
    EXPECT_EQ(Le32(ico, 22), 40u);
    EXPECT_EQ(Le32(ico, 26), w);
    EXPECT_EQ(Le32(ico, 30), 2 * h);
    EXPECT_EQ(Le16(ico, 34), 1u);
    EXPECT_EQ(Le16(ico, 36), 32u);
    EXPECT_EQ(Le32(ico, 38), 0u);
    EXPECT_EQ(Le32(ico, 42), w * h * 4 + stride * h);

    const size_t colour = 62, mask = colour + size_t(w) * h * 4;
    int mismatches = 0, clear = 0;
    for (uint32_t y = 0; y < h; ++y) {
      for (uint32_t x = 0; x < w; ++x) {
        const bool transparent = ico[colour + (size_t(y) * w + x) * 4 + 3] == 0;
        const bool masked = (ico[mask + size_t(y) * stride + x / 8] >> (7 - x % 8)) & 1;
        mismatches += transparent != masked;
        clear += transparent;
      }
    }
    EXPECT_EQ(mismatches, 0);
    // A blank square or a solid one means the drawing went wrong.
    EXPECT_GT(clear, 0);
    EXPECT_LT(clear, int(w * h) * 9 / 10);
  }
}

// What the program embeds: every picture as an RGBA PNG drawn for 96 DPI
// ("N.png") and again at 1.5 and 2 times its size ("N-150.png",
// "N-200.png"); the status strip's with colour chunks before its data.
TEST(EmbeddedPictures, EachIsAnRgbaPngAtEachScaleWithTheSizeScaled) {
  for (int number = kFirstEmbeddedPicture; number <= kLastEmbeddedPicture; ++number) {
    for (const int percent : {100, 150, 200}) {
      const std::string name = std::to_string(number) + (percent == 100 ? "" : "-" + std::to_string(percent)) + ".png";
      SCOPED_TRACE(name);
      const uint32_t w = number == 15 ? 32 : number == 20 ? 200 : number == 35 ? 198 : 16;
      const uint32_t h = number == 15 ? 32 : number == 20 ? 40 : number == 35 ? 24 : 16;
      const Bytes png = ReadAll(PicturePath(name));
      const Bytes signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
      ASSERT_GE(png.size(), 8u + 25u);
      ASSERT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));

      std::vector<std::string> order;
      size_t at = 8;
      while (at + 12 <= png.size()) {
        const uint32_t length = Be32(png, at);
        ASSERT_LE(at + 12 + length, png.size());
        const std::string type(png.begin() + at + 4, png.begin() + at + 8);
        EXPECT_EQ(Be32(png, at + 8 + length), Crc32(png, at + 4, 4 + length)) << type;
        if (type == "IHDR") {
          ASSERT_EQ(length, 13u);
          EXPECT_EQ(Be32(png, at + 8), w * percent / 100);
          EXPECT_EQ(Be32(png, at + 12), h * percent / 100);
          EXPECT_EQ(png[at + 16], 8u);   // bit depth
          EXPECT_EQ(png[at + 17], 6u);   // RGBA
          EXPECT_EQ(png[at + 20], 0u);   // not interlaced
        }
        order.push_back(type);
        at += 12 + length;
      }
      EXPECT_EQ(at, png.size());

      auto position = [&](const std::string& type) {
        return std::find(order.begin(), order.end(), type) - order.begin();
      };
      ASSERT_FALSE(order.empty());
      EXPECT_EQ(order.front(), "IHDR");
      EXPECT_EQ(order.back(), "IEND");
      EXPECT_LT(position("IDAT"), std::ptrdiff_t(order.size()));
      if (number == kLastEmbeddedPicture) {
        EXPECT_LT(position("gAMA"), position("IDAT"));
        EXPECT_LT(position("cHRM"), position("IDAT"));
      }
    }
  }
}

}  // namespace
