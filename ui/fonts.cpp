// Numbered fonts (sizes in points) and the display list.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "ui/object_table.h"
#include "ui/ui.h"

namespace ui {
namespace {

struct FontRecord {
  HFONT handle = nullptr;
  // What it was made from, to make it again for another DPI.
  char face[LF_FACESIZE] = {};
  int size = 0, style = 0, dpi = 96;
};

// Fonts replaced by ones for another DPI, kept until the end: a control or
// a drawing may still have one selected.
std::vector<HFONT> gRetiredFonts;

HFONT NewFont(const char* face, int size, int style, int dpi) {
  return CreateFontA(-MulDiv(size, dpi, 72), 0, 0, 0, (style & kFontBold) ? FW_BOLD : FW_NORMAL,
                     (style & kFontItalic) != 0, (style & kFontUnderline) != 0, (style & kFontStrikeOut) != 0,
                     DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     (style & kFontHighQuality) ? PROOF_QUALITY : DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     face ? face : "");
}

void ReleaseFont(FontRecord& r) {
  if (r.handle) DeleteObject(r.handle);
}

ObjectTable<FontRecord>& Fonts() {
  static ObjectTable<FontRecord> table(16, ReleaseFont);
  return table;
}

struct Display {
  int16_t width = 0, height = 0;
  uint16_t refresh = 0, depth = 0;
  char name[32] = {};
};
std::vector<Display> gDisplays;

}  // namespace

// Points at the program DPI (the display's, not the 96 a program unaware of
// scaling is told).
int FontHeightForPoints(int points) { return -MulDiv(points, ProgramDpi(), 72); }

HFONT MakeFont(int number, const char* face, int size, int style) {
  FontRecord* rec = Fonts().Reserve(number);
  if (!rec) return nullptr;
  const int dpi = ProgramDpi();
  HFONT font = NewFont(face, size, style, dpi);
  if (!font) {
    Fonts().Forget(number);
    return nullptr;
  }
  lstrcpynA(rec->face, face ? face : "", LF_FACESIZE);
  rec->size = size;
  rec->style = style;
  rec->dpi = dpi;
  rec->handle = font;
  return font;
}

void RemakeFonts(std::vector<std::pair<HANDLE, HANDLE>>* replaced) {
  const int dpi = ProgramDpi();
  std::vector<int> numbers;
  Fonts().ForEach([&](int number, const FontRecord& r) {
    if (r.dpi != dpi) numbers.push_back(number);
  });
  for (int number : numbers) {
    FontRecord* rec = Fonts().Find(number);
    HFONT font = rec ? NewFont(rec->face, rec->size, rec->style, dpi) : nullptr;
    if (!font) continue;
    gRetiredFonts.push_back(rec->handle);
    replaced->push_back({rec->handle, font});
    rec->dpi = dpi;
    rec->handle = font;
  }
}

HFONT FontHandle(int number) {
  FontRecord* rec = Fonts().Find(number);
  return rec ? rec->handle : nullptr;
}

void FontsShutdown() {
  Fonts().ReleaseAll();
  for (HFONT font : gRetiredFonts) DeleteObject(font);
  gRetiredFonts.clear();
}

int ScanDisplays() {
  gDisplays.clear();
  std::vector<Display> others;
  DISPLAY_DEVICEA dev;
  for (DWORD i = 0;; ++i) {
    std::memset(&dev, 0, sizeof dev);
    dev.cb = sizeof dev;
    if (!EnumDisplayDevicesA(nullptr, i, &dev, 0)) break;
    if (!(dev.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)) continue;
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(dev.DeviceName, ENUM_CURRENT_SETTINGS, &mode)) continue;
    Display d;
    // The mode is in real pixels; the windows are placed in the scaled
    // space of the display's bounds when the two differ.
    RECT bounds;
    if (DisplayBounds(dev.DeviceName, &bounds)) {
      d.width = static_cast<int16_t>(bounds.right - bounds.left);
      d.height = static_cast<int16_t>(bounds.bottom - bounds.top);
    } else {
      d.width = static_cast<int16_t>(mode.dmPelsWidth);
      d.height = static_cast<int16_t>(mode.dmPelsHeight);
    }
    d.refresh = static_cast<uint16_t>(mode.dmDisplayFrequency == 1 ? 0 : mode.dmDisplayFrequency);
    d.depth = static_cast<uint16_t>(mode.dmBitsPerPel);
    std::snprintf(d.name, sizeof d.name, "%s", dev.DeviceName);
    if ((dev.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) && gDisplays.empty())
      gDisplays.push_back(d);
    else
      others.push_back(d);
  }
  if (gDisplays.empty() && !others.empty()) {
    gDisplays.push_back(others.front());
    others.erase(others.begin());
  }
  gDisplays.insert(gDisplays.end(), others.begin(), others.end());
  if (gDisplays.empty()) {
    Display d;
    d.width = static_cast<int16_t>(GetSystemMetrics(SM_CXSCREEN));
    d.height = static_cast<int16_t>(GetSystemMetrics(SM_CYSCREEN));
    HDC dc = GetDC(nullptr);
    if (dc) {
      d.depth = static_cast<uint16_t>(GetDeviceCaps(dc, BITSPIXEL));
      int r = GetDeviceCaps(dc, VREFRESH);
      d.refresh = static_cast<uint16_t>(r == 1 ? 0 : r);
      ReleaseDC(nullptr, dc);
    }
    gDisplays.push_back(d);
  }
  return static_cast<int>(gDisplays.size());
}

int DisplayWidth(int index) {
  return index >= 0 && index < static_cast<int>(gDisplays.size()) ? gDisplays[static_cast<size_t>(index)].width : 0;
}

int DisplayHeight(int index) {
  return index >= 0 && index < static_cast<int>(gDisplays.size()) ? gDisplays[static_cast<size_t>(index)].height : 0;
}

void DisplaysShutdown() { gDisplays.clear(); }

}  // namespace ui
