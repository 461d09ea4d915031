#include "catalogue/catalogue.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <type_traits>

namespace {

using catalogue::AppEntry;
using catalogue::Catalogue;

TEST(Catalogue, CursorRules) {
  const auto add = [](Catalogue& c) {
    AppEntry& e = c.Add();
    EXPECT_TRUE(e.Name.empty() && e.Folder.empty() && ResolveEntryIcon(e.Icon) == nullptr && e.IsNew == 0);
    e.Name = "x";
  };
  const auto remove = [](Catalogue& c) { c.RemoveCurrent(); };
  std::string walked;
  const auto walk = [&walked](Catalogue& c) { c.ForEach([&](AppEntry& e) { walked += e.Name; }); };
  struct Case {
    const char* before;
    int cursor;
    std::function<void(Catalogue&)> op;
    const char* after;
    int cursorAfter;
  } cases[] = {
      {"", -1, add, "x", 0},        {"abc", -1, add, "xabc", 0},   {"abc", 0, add, "axbc", 1},
      {"abc", 2, add, "abcx", 3},   {"abc", 0, remove, "bc", 0},   {"abc", 1, remove, "ac", 0},
      {"abc", 2, remove, "ab", 1},  {"a", 0, remove, "", -1},      {"abc", -1, remove, "abc", -1},
      {"abc", 0, walk, "abc", 2},   {"", -1, walk, "", -1},
      {"abc", 0, [](Catalogue& c) { c.SelectIndex(7); }, "abc", 2},
      {"abc", 1, [](Catalogue& c) { c.SelectIndex(-5); }, "abc", -1},
      {"abc", 0, [](Catalogue& c) { c.Swap(0, 2); }, "cba", 0},
      {"abcde", 1, [](Catalogue& c) { c.RemoveEntries({3, 0, 3, 9, -1}); }, "bce", 2},
      {"ab", 0, [](Catalogue& c) { c.RemoveEntries({1, 0}); }, "", -1},
      {"ab", 0, [](Catalogue& c) { c.RemoveEntries({}); }, "ab", 1},
  };
  for (const auto& t : cases) {
    Catalogue c;
    for (char n : std::string(t.before)) {
      c.SelectIndex(c.Count());
      c.Add().Name = std::string(1, n);
    }
    c.SelectIndex(t.cursor);
    walked.clear();
    t.op(c);
    std::string names;
    for (int i = 0; i < c.Count(); ++i) names += c.At(i).Name;
    const std::string what = std::string(t.before) + " @" + std::to_string(t.cursor);
    EXPECT_EQ(names, t.after) << what;
    EXPECT_EQ(c.CursorIndex(), t.cursorAfter) << what;
    EXPECT_EQ(c.Current(), t.cursorAfter < 0 ? nullptr : &c.At(t.cursorAfter)) << what;
    if (t.op.target<std::remove_const_t<decltype(walk)>>()) {
      EXPECT_EQ(walked, t.after) << what;
    }
  }
}

}  // namespace
