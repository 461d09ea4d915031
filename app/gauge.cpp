#include "app/gauge.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace app {

GaugeFigures ComputeGauge(uint64_t totalBytes, uint64_t freeBytes) {
  GaugeFigures g{0.0, 0, 0.0f, 0.0f, "MB", 0};
  if (totalBytes == 0) return g;

  // With disk quotas the free bytes of the volume can exceed the total the
  // caller may use; the used share is then negative, never a wrapped
  // unsigned difference.
  const double used = freeBytes <= totalBytes ? static_cast<double>(totalBytes - freeBytes)
                                              : -static_cast<double>(freeBytes - totalBytes);
  g.barLength = static_cast<double>(kGaugeWidth) / static_cast<double>(totalBytes) * used;
  g.barPixels = static_cast<int>(std::lround(std::clamp(g.barLength, 0.0, double{kGaugeWidth})));

  // The shown numbers and the percentage are single precision on purpose: the
  // unit switch happens where the float total reaches 1e9, and a total a few
  // bytes short of it already reads as 1.00GB.
  const float t = static_cast<float>(totalBytes);
  const float f = static_cast<float>(freeBytes);
  const float inMegabytes = t / 1000000.0f;
  if (inMegabytes < 1000.0f) {
    g.shownTotal = inMegabytes;
    g.shownFree = f / 1000000.0f;
    g.unit = "MB";
  } else {
    g.shownTotal = t / 1000000000.0f;
    g.shownFree = f / 1000000000.0f;
    g.unit = "GB";
  }
  const float perByte = 100.0f / t;
  const float usedPercent = 100.0f - perByte * f;
  // nearbyint honours the default rounding mode: halves go to the even value.
  // Only free space beyond the total (quotas) leaves 0..100; that reads as 0%
  // and keeps the conversion to int defined however large the excess.
  g.percent = static_cast<int>(std::nearbyint(std::clamp(usedPercent, 0.0f, 100.0f)));
  return g;
}

std::string GaugeText(const std::string& drive, const GaugeFigures& figures) {
  // "%.2f" of a float total of up to 2^64 bytes needs at most 20 characters.
  char freeText[64];
  char totalText[64];
  std::snprintf(freeText, sizeof freeText, "%.2f", static_cast<double>(figures.shownFree));
  std::snprintf(totalText, sizeof totalText, "%.2f", static_cast<double>(figures.shownTotal));
  std::string text = drive;
  text += ' ';
  text += freeText;
  text += figures.unit;
  text += " / ";
  text += totalText;
  text += figures.unit;
  text += ' ';
  text += std::to_string(figures.percent);
  text += '%';
  return text;
}

}  // namespace app
