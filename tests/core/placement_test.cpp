#include "app/placement.h"
#include "settings/alignment.h"
#include "ui/scale.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using app::DockFlags;
using app::DockRect;
using app::Rect;
using settings::Area;

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

// Display and work area as the program sees them: at 144 DPI a program that
// is not DPI-aware gets 1024 x 768 as 683 x 512, and 1920 x 1080 at 150 % as
// 1280 x 720; task bars take a strip off one side. A DPI-aware one sees the
// real pixels and a window (and margin) as much larger as the DPI says.
TEST(Placement, AlignmentKeepsTheWindowInTheWorkArea) {
  const Area screen96{0, 0, 1024, 768}, screen144{0, 0, 683, 512}, laptop150{0, 0, 1280, 720};
  const Area fullHd{0, 0, 1920, 1080};
  struct Case {
    Area display, work;
    int code, x, y;
    int dpi = 96;
  } cases[] = {
      // 324 x 612 with a 45-pixel margin; 270 x 510 with 38.
      {screen96, screen96, 1, 0, 111, 144},
      {screen96, screen96, 3, 700, 111, 144},
      {screen96, screen96, 5, 350, 78, 144},
      {screen96, screen96, 9, 700, 0, 144},
      {fullHd, {0, 0, 1920, 1040}, 3, 1650, 530, 120},
      {fullHd, fullHd, 5, 825, 285, 120},
      {{0, 0, 300, 600}, {0, 0, 300, 600}, 3, 0, 0, 192},
      // No task bar at 96 DPI: exactly the table's places.
      {screen96, screen96, 1, 0, 330},
      {screen96, screen96, 3, 808, 330},
      {screen96, screen96, 5, 404, 180},
      {screen96, screen96, 7, 0, 0},
      {screen96, screen96, 9, 808, 0},
      // A 30-pixel task bar at the bottom is what the margin leaves free.
      {screen96, {0, 0, 1024, 738}, 3, 808, 330},
      {screen144, screen144, 1, 0, 74},
      {screen144, screen144, 3, 467, 74},
      {screen144, screen144, 5, 233, 52},
      {screen144, screen144, 9, 467, 0},
      {laptop150, {0, 0, 1280, 672}, 1, 0, 264},
      {laptop150, {0, 0, 1280, 672}, 3, 1064, 264},
      {laptop150, {0, 0, 1280, 672}, 5, 532, 156},
      // Task bars at the top and at the left move the work area's origin.
      {screen96, {0, 40, 1024, 768}, 7, 0, 40},
      {screen96, {0, 40, 1024, 768}, 9, 808, 40},
      {screen96, {60, 0, 1024, 768}, 1, 60, 330},
      {screen96, {60, 0, 1024, 768}, 7, 60, 0},
      // Too small for the window: its top left corner stays on the screen.
      {{0, 0, 200, 400}, {0, 0, 200, 400}, 3, 0, 0},
      {{0, 0, 200, 400}, {10, 20, 200, 400}, 9, 10, 20},
      // A work area not yet known keeps nothing.
      {screen96, {0, 0, 0, 0}, 9, 808, 0},
  };
  for (const auto& c : cases) {
    int x = -7, y = -7;
    ASSERT_TRUE(settings::AlignedPosition(c.code, c.display, c.work, &x, &y, c.dpi));
    EXPECT_EQ(x, c.x) << c.code << " on " << c.display.right << " x " << c.display.bottom << " at " << c.dpi;
    EXPECT_EQ(y, c.y) << c.code << " on " << c.display.right << " x " << c.display.bottom << " at " << c.dpi;
  }
  int x = -7, y = -7;
  EXPECT_FALSE(settings::AlignedPosition(0, screen96, screen96, &x, &y));
  EXPECT_EQ(x, -7);
}

// The platform's MulDiv rounding: halves away from zero, nothing at 96 DPI.
TEST(Placement, ScalingToADpiRoundsAsThePlatformDoes) {
  struct Case {
    int value, dpi, scaled;
  } cases[] = {{9, 144, 14},   {51, 144, 77},    {-1, 144, -2},  {-3, 120, -4}, {216, 120, 270},
               {30, 120, 38},  {1, 120, 1},      {198, 120, 248}, {7, 96, 7},   {408, 192, 816},
               {0, 144, 0},    {2000000000, 96, 2000000000}};
  for (const auto& c : cases) EXPECT_EQ(ui::ScaleToDpi(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
}

// A 216x408 window dragged in a work area that ends at 1024 x 738.
constexpr Rect kWork{0, 0, 1024, 738};

TEST(Placement, DockingSnapsOncePerApproach) {
  struct Step {
    int32_t x, y, gotX, gotY;  // proposed and resulting top-left
  };
  struct Drag {
    Rect work;
    std::vector<Step> steps;
  };
  const std::vector<Drag> drags = {
      {kWork,
       {{100, 100, 100, 100}, {20, 100, 0, 100}, {10, 100, 10, 100}, {-5, 100, 0, 100}, {40, 100, 40, 100},
        {20, 100, 0, 100}}},
      {kWork, {{100, 25, 100, 0}, {100, 5, 100, 5}, {100, 33, 100, 33}, {100, 31, 100, 0}}},
      // The right band starts past 1024 - 32: a right edge at 993 snaps, 992 does not.
      {kWork,
       {{776, 100, 776, 100}, {777, 100, 808, 100}, {790, 100, 790, 100}, {850, 100, 808, 100},
        {700, 100, 700, 100}, {780, 100, 808, 100}}},
      {kWork,
       {{100, 298, 100, 298}, {100, 299, 100, 330}, {100, 310, 100, 310}, {100, 400, 100, 330},
        {100, 200, 100, 200}, {100, 320, 100, 330}}},
      // A task bar at the left (60 wide) or the top (40 high): the bands and
      // the clamp start at the work area's edge.
      {{60, 0, 1024, 768}, {{100, 100, 100, 100}, {80, 100, 60, 100}, {70, 100, 70, 100}, {10, 100, 60, 100}}},
      {{0, 40, 1024, 768}, {{100, 100, 100, 100}, {100, 60, 100, 40}, {100, 50, 100, 50}, {100, 0, 100, 40}}},
      // 683 x 512, as 1024 x 768 reads at 144 DPI.
      {{0, 0, 683, 512}, {{400, 50, 400, 50}, {450, 50, 467, 50}, {500, 60, 467, 60}, {300, 60, 300, 60}, {300, 75, 300, 104}}},
  };
  for (const Drag& drag : drags) {
    DockFlags flags;
    for (const Step& s : drag.steps) {
      Rect r{s.x, s.y, s.x + 216, s.y + 408};
      DockRect(flags, drag.work, r);
      EXPECT_EQ(r.left, s.gotX) << s.x << "," << s.y;
      EXPECT_EQ(r.top, s.gotY) << s.x << "," << s.y;
      EXPECT_EQ(r.right - r.left, 216);
      EXPECT_EQ(r.bottom - r.top, 408);
    }
  }
}

TEST(Placement, ClampingKeepsWindowInside) {
  const int32_t tries[][2] = {{-300, -300}, {2000, 2000}, {-300, 2000}, {2000, -300}};
  for (const Rect& work : {kWork, Rect{60, 40, 683, 512}}) {
    for (const auto& t : tries) {
      // With every edge already snapped only the clamping can stop the window.
      DockFlags flags;
      flags.left = flags.top = flags.right = flags.bottom = true;
      Rect r{t[0], t[1], t[0] + 216, t[1] + 408};
      DockRect(flags, work, r);
      EXPECT_TRUE(r.left >= work.left && r.top >= work.top && r.right <= work.right && r.bottom <= work.bottom)
          << t[0] << "," << t[1];
      EXPECT_EQ(r.right - r.left, 216);
    }
  }
  // Too big for the work area: right and bottom are clamped last and win.
  DockFlags flags;
  Rect r{0, 0, 1200, 900};
  DockRect(flags, kWork, r);
  EXPECT_EQ(r.left, kWork.right - 1200);
  EXPECT_EQ(r.top, kWork.bottom - 900);
}

// A position saved on another PC's screen comes back onto this one's when
// less than half of the window would be seen.
TEST(Placement, WindowOffEveryDisplayIsPulledOntoTheNearest) {
  const Rect one[] = {{0, 0, 1024, 768}};
  // A second display to the right, taller, and one above the first.
  const Rect three[] = {{0, 0, 1024, 738}, {1024, 0, 2304, 1024}, {0, -600, 800, 0}};
  struct Case {
    const Rect* areas;
    size_t count;
    int32_t x, y;
    bool pulled;
    int32_t gotX, gotY;
  } cases[] = {
      {one, 1, 100, 100, false, 0, 0},
      {one, 1, 1500, 900, true, 808, 360},     // wholly off to the bottom right
      {one, 1, -5000, -5000, true, 0, 0},      // wholly off to the top left
      {one, 1, 900, 100, false, 0, 0},         // 124 of 216 columns seen: more than half
      {one, 1, 916, 100, false, 0, 0},         // 108 of 216: half seen is enough
      {one, 1, 917, 100, true, 808, 100},      // 107 of 216
      {one, 1, 100, 600, true, 100, 360},      // 168 of 408 rows
      {one, 1, 900, 500, true, 808, 360},      // a corner seen only
      {three, 3, 1500, 900, true, 1500, 616},  // mostly below the second display
      {three, 3, 900, 100, false, 0, 0},       // across two displays, all of it seen
      {three, 3, 100, -500, false, 0, 0},      // on the display above
      {three, 3, 3000, 100, true, 2088, 100},  // right of the second: its nearest
      {three, 3, 900, -700, true, 584, -600},  // above the gap beside the third
      {three, 3, 100, 700, true, 100, 330},    // under the first's task bar
  };
  for (const Case& c : cases) {
    Rect moved{-1, -1, -1, -1};
    const bool pulled = app::PullOntoWorkArea(Rect{c.x, c.y, c.x + 216, c.y + 408}, c.areas, c.count, &moved);
    EXPECT_EQ(pulled, c.pulled) << c.x << "," << c.y;
    if (!pulled || !c.pulled) continue;
    EXPECT_EQ(moved.left, c.gotX) << c.x << "," << c.y;
    EXPECT_EQ(moved.top, c.gotY) << c.x << "," << c.y;
    EXPECT_EQ(moved.right - moved.left, 216);
    EXPECT_EQ(moved.bottom - moved.top, 408);
  }
  Rect moved;
  EXPECT_FALSE(app::PullOntoWorkArea(Rect{1500, 900, 1716, 1308}, one, 0, &moved)) << "no display known";
}

}  // namespace
