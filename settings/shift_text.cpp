#include "settings/shift_text.h"

namespace settings {

namespace {

constexpr int kScramble = 32;

// Bytes 224..255 (small a-grave to y-diaeresis) cannot move up by 32 within one byte. They are stored
// as this marker followed by a byte in '!'..'@'. Plain scrambling yields only
// bytes from 33 up, so the marker is never ambiguous, and no pair can equal
// the one-byte form of any other character.
constexpr unsigned char kWideMarker = 0x01;
constexpr unsigned char kFirstWide = 224;
constexpr unsigned char kWideBase = '!';
constexpr unsigned char kWideLast = kWideBase + (255 - kFirstWide);  // '@'

std::string Scramble(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b >= kFirstWide) {
      out += static_cast<char>(kWideMarker);
      out += static_cast<char>(b - kFirstWide + kWideBase);
    } else {
      out += static_cast<char>(b + kScramble);
    }
  }
  return out;
}

std::string Unscramble(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    if (b >= kScramble + 1) {
      out += static_cast<char>(b - kScramble);
      continue;
    }
    if (b == kWideMarker && i + 1 < text.size()) {
      const unsigned char next = static_cast<unsigned char>(text[i + 1]);
      if (next >= kWideBase && next <= kWideLast) {
        out += static_cast<char>(next - kWideBase + kFirstWide);
        ++i;
        continue;
      }
    }
    // Never produced by scrambling; only a hand-edited file holds it. Kept
    // as it is rather than dropped, so no byte of the file is lost.
    out += static_cast<char>(b);
  }
  return out;
}

}  // namespace

std::string ShiftText(const std::string& text, int shift) {
  if (shift == kScramble) return Scramble(text);
  if (shift == -kScramble) return Unscramble(text);
  std::string out = text;
  for (char& c : out)
    c = static_cast<char>((static_cast<unsigned>(static_cast<unsigned char>(c)) +
                           static_cast<unsigned>(shift)) & 0xFFu);
  return out;
}

}  // namespace settings
