#include "app/placement.h"
#include "settings/alignment.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using app::DockFlags;
using app::DockRect;
using app::Rect;

TEST(Placement, Alignment) {
  struct Case {
    int code, width, height, x, y;
    bool known;
  } cases[] = {
      {1, 1024, 768, 0, 330, true},   {3, 1024, 768, 808, 330, true}, {5, 1024, 768, 404, 180, true},
      {7, 1024, 768, 0, 0, true},     {9, 1024, 768, 808, 0, true},   {5, 1025, 769, 404, 180, true},
      {3, 200, 400, -16, -38, true},  {0, 1024, 768, -7, -7, false},  {4, 1024, 768, -7, -7, false},
  };
  for (const auto& c : cases) {
    int x = -7, y = -7;
    EXPECT_EQ(settings::AlignmentPosition(c.code, c.width, c.height, &x, &y), c.known) << c.code;
    EXPECT_EQ(x, c.x) << c.code;
    EXPECT_EQ(y, c.y) << c.code;
  }
}

// A 216x408 window dragged in a work area that ends at 1024 x 738.
constexpr int32_t kWorkRight = 1024, kWorkBottom = 738;

TEST(Placement, DockingSnapsOncePerApproach) {
  struct Step {
    int32_t x, y, gotX, gotY;  // proposed and resulting top-left
  };
  const std::vector<std::vector<Step>> drags = {
      {{100, 100, 100, 100}, {20, 100, 0, 100}, {10, 100, 10, 100}, {-5, 100, 0, 100},
       {40, 100, 40, 100}, {20, 100, 0, 100}},
      {{100, 25, 100, 0}, {100, 5, 100, 5}, {100, 33, 100, 33}, {100, 31, 100, 0}},
      // The right band starts past 1024 - 32: a right edge at 993 snaps, 992 does not.
      {{776, 100, 776, 100}, {777, 100, 808, 100}, {790, 100, 790, 100}, {850, 100, 808, 100},
       {700, 100, 700, 100}, {780, 100, 808, 100}},
      {{100, 298, 100, 298}, {100, 299, 100, 330}, {100, 310, 100, 310}, {100, 400, 100, 330},
       {100, 200, 100, 200}, {100, 320, 100, 330}},
  };
  for (const auto& steps : drags) {
    DockFlags flags;
    for (const Step& s : steps) {
      Rect r{s.x, s.y, s.x + 216, s.y + 408};
      DockRect(flags, kWorkRight, kWorkBottom, r);
      EXPECT_EQ(r.left, s.gotX) << s.x << "," << s.y;
      EXPECT_EQ(r.top, s.gotY) << s.x << "," << s.y;
      EXPECT_EQ(r.right - r.left, 216);
      EXPECT_EQ(r.bottom - r.top, 408);
    }
  }
}

TEST(Placement, ClampingKeepsWindowInside) {
  const int32_t tries[][2] = {{-300, -300}, {2000, 2000}, {-300, 2000}, {2000, -300}};
  for (const auto& t : tries) {
    // With every edge already snapped only the clamping can stop the window.
    DockFlags flags;
    flags.left = flags.top = flags.right = flags.bottom = true;
    Rect r{t[0], t[1], t[0] + 216, t[1] + 408};
    DockRect(flags, kWorkRight, kWorkBottom, r);
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= kWorkRight && r.bottom <= kWorkBottom)
        << t[0] << "," << t[1];
    EXPECT_EQ(r.right - r.left, 216);
  }
  // Too big for the work area: right and bottom are clamped last and win.
  DockFlags flags;
  Rect r{0, 0, 1200, 900};
  DockRect(flags, kWorkRight, kWorkBottom, r);
  EXPECT_EQ(r.left, kWorkRight - 1200);
  EXPECT_EQ(r.top, kWorkBottom - 900);
}

}  // namespace
