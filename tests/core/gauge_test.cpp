#include "app/gauge.h"

#include <gtest/gtest.h>

namespace {

TEST(Gauge, FiguresAndText) {
  struct Case {
    uint64_t total, free;
    const char* text;
    int barPixels;
  } cases[] = {
      {3950000000u, 1230000000u, "E: 1.23GB / 3.95GB 69%", 127},
      {512000000u, 512000000u, "E: 512.00MB / 512.00MB 0%", 0},  // empty drive
      {512000000u, 0u, "E: 0.00MB / 512.00MB 100%", 185},        // full drive
      {999000000u, 0u, "E: 0.00MB / 999.00MB 100%", 185},
      {999999999u, 0u, "E: 0.00GB / 1.00GB 100%", 185},          // 1e9 as a float
      {0u, 0u, "E: 0.00MB / 0.00MB 0%", 0},                      // query failed
      {370u, 1u, "E: 0.00MB / 0.00MB 100%", 185},                // bar 184.5, half away
      {1000000u, 3000000u, "E: 3.00MB / 1.00MB 0%", 0},          // quota: free > total
      {200u, 199u, "E: 0.00MB / 0.00MB 0%", 1},                  // P ties below go to even:
      {200u, 195u, "E: 0.00MB / 0.00MB 2%", 5},                  // 0.5, 2.5, 98.5
      {200u, 3u, "E: 0.00MB / 0.00MB 98%", 182},
  };
  for (const auto& c : cases) {
    const app::GaugeFigures g = app::ComputeGauge(c.total, c.free);
    EXPECT_EQ(app::GaugeText("E:", g), c.text) << c.total << " " << c.free;
    EXPECT_EQ(g.barPixels, c.barPixels) << c.total << " " << c.free;
  }
  EXPECT_DOUBLE_EQ(app::ComputeGauge(370, 1).barLength, 184.5);
}

}  // namespace
