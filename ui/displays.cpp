// The display and work-area queries, all in the coordinate space the
// program's windows are placed in. Everything that places a window asks
// here, so that the space stays one.
#include <windows.h>

#include <atomic>
#include <cstring>

#include "ui/system_library.h"
#include "ui/ui.h"

namespace ui {

namespace {

std::atomic<int> gProgramDpi{0};  // 0 = not asked yet

using DpiForWindow = UINT(WINAPI*)(HWND);
using DpiForSystem = UINT(WINAPI*)();

DpiForWindow WindowDpiFunction() {
  static const auto function = reinterpret_cast<DpiForWindow>(User32Function("GetDpiForWindow"));
  return function;
}

int SystemDpi() {
  if (const auto forSystem = reinterpret_cast<DpiForSystem>(User32Function("GetDpiForSystem")))
    if (const UINT dpi = forSystem()) return static_cast<int>(dpi);
  int dpi = 96;
  if (HDC screen = GetDC(nullptr)) {
    dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
  }
  return dpi > 0 ? dpi : 96;
}

}  // namespace

int ProgramDpi() {
  if (gProgramDpi == 0) gProgramDpi = SystemDpi();
  return gProgramDpi;
}

void SetProgramDpi(int dpi) {
  if (dpi > 0) gProgramDpi = dpi;
}

int WindowDpi(HWND window) {
  if (window)
    if (const DpiForWindow forWindow = WindowDpiFunction())
      if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
  return ProgramDpi();
}

RECT DesktopWorkArea() {
  RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

namespace {

struct WorkAreaList {
  RECT* areas;
  int capacity, count;
};

BOOL CALLBACK CollectWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* list = reinterpret_cast<WorkAreaList*>(data);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(monitor, &info)) return TRUE;
  if (list->count < list->capacity) list->areas[list->count] = info.rcWork;
  ++list->count;
  return TRUE;
}

struct BoundsSearch {
  const char* name;
  RECT bounds;
  bool found;
};

BOOL CALLBACK MatchDevice(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* search = reinterpret_cast<BoundsSearch*>(data);
  MONITORINFOEXA info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoA(monitor, &info) || std::strcmp(info.szDevice, search->name) != 0) return TRUE;
  search->bounds = info.rcMonitor;
  search->found = true;
  return FALSE;
}

}  // namespace

int DisplayWorkAreas(RECT* areas, int capacity) {
  WorkAreaList list = {areas, capacity, 0};
  EnumDisplayMonitors(nullptr, nullptr, CollectWorkArea, reinterpret_cast<LPARAM>(&list));
  if (list.count == 0) {
    if (capacity > 0) areas[0] = DesktopWorkArea();
    list.count = 1;
  }
  return list.count;
}

bool DisplayBounds(const char* deviceName, RECT* bounds) {
  BoundsSearch search = {deviceName, {}, false};
  EnumDisplayMonitors(nullptr, nullptr, MatchDevice, reinterpret_cast<LPARAM>(&search));
  if (search.found) *bounds = search.bounds;
  return search.found;
}

}  // namespace ui
