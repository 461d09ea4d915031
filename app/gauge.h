#pragma once
// The figures and text of the drive gauge in the status strip.
#include <cstdint>
#include <string>

namespace app {

constexpr int kGaugeWidth = 185;  // pixels of the gauge panel

struct GaugeFigures {
  double barLength;  // used share of kGaugeWidth, unrounded
  int barPixels;     // barLength rounded and kept within 0..kGaugeWidth
  float shownFree;   // free space in `unit`
  float shownTotal;  // total size in `unit`
  const char* unit;  // "MB" or "GB" (decimal), chosen by the total alone
  int percent;       // used space in percent, rounded half to even
};

// A total of 0 (the drive is gone or the query failed) gives all zeros in MB.
GaugeFigures ComputeGauge(uint64_t totalBytes, uint64_t freeBytes);

// drive + " " + free + unit + " / " + total + unit + " " + percent + "%",
// numbers with two decimals, e.g. "E: 1.23GB / 3.95GB 69%".
std::string GaugeText(const std::string& drive, const GaugeFigures& figures);

}  // namespace app
