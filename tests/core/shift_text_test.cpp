#include "settings/shift_text.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

using settings::ShiftText;

TEST(ShiftText, RoundTripGivesValidStoredValues) {
  std::set<std::string> oneByteForms;
  std::vector<std::string> passwords = {"\xE4\xF6\xFC", "Geheim 123", " \t\xFF \xE0!@ \x01"};
  for (int b = 1; b <= 255; ++b) passwords.push_back(std::string(1, char(b)));
  for (const std::string& p : passwords) {
    const std::string stored = ShiftText(p, 32);
    const unsigned first = static_cast<unsigned char>(p[0]);
    EXPECT_EQ(ShiftText(stored, -32), p) << first;
    EXPECT_EQ(stored.find_first_of(std::string("\0\r\n", 3)), std::string::npos) << first;
    for (char end : {stored.front(), stored.back()}) EXPECT_TRUE(end != ' ' && end != '\t') << first;
    if (p.size() != 1) continue;
    // No two characters may share a stored form.
    EXPECT_TRUE(oneByteForms.insert(stored).second) << first;
  }
}

TEST(ShiftText, Unscrambling) {
  struct Case {
    std::string stored, plain;
  } cases[] = {
      {"secret", "SECRET"},             // typed by hand into the file
      {"\x61\x81\x51\x40", "Aa1 "},
      {"\x01!\x01@", "\xE0\xFF"},
      {"\x01", "\x01"},                 // stray bytes below '!' are kept
      {"\x01\x41", "\x01\x21"},
      {"a\x1F\x09" "b", "A\x1F\x09" "B"},
  };
  for (const auto& c : cases) EXPECT_EQ(ShiftText(c.stored, -32), c.plain);
}

TEST(ShiftText, OtherShiftsWrapPerByte) {
  EXPECT_EQ(ShiftText("\x01\xFF", 1), std::string("\x02\x00", 2));
  EXPECT_EQ(ShiftText("\x01\x80", -2), "\xFF\x7E");
}

}  // namespace
