// The status strip is drawn on the timer thread. It touches only image 35,
// control 37 (through the synchronous image hand-over), fonts 12 and 14 and
// the three values it alone writes after start-up.
#include "app/status_strip.h"

#include <windows.h>

#include <atomic>
#include <cmath>
#include <cstdint>

#include "app/error_trap.h"
#include "app/gauge.h"
#include "app/main_window.h"
#include "settings/settings.h"
#include "storage/date_time.h"
#include "storage/line_counter.h"
#include "ui/controls.h"
#include "ui/drawing.h"
#include "ui/images.h"
#include "ui/ui.h"

TROVANTO_LINE_BASE(storage::kLinesStatusStrip)

namespace app {
namespace {

using settings::gSettings;

constexpr int kStripImage = 35;
constexpr int32_t kGrey = RGB(150, 150, 150);
constexpr int32_t kWhite = RGB(255, 255, 255);
constexpr int32_t kBlack = RGB(0, 0, 0);

uint64_t gLastFreeBytes = 0;
// The red lamp is already in the strip: a tick that finds the free space
// unchanged again has nothing new to draw or hand over.
bool gRedLampShown = false;
// Set by RedrawStatusStrip, taken by the next tick.
std::atomic<bool> gRedrawAll{false};

void ShowStrip() { ui::SetControlState(kStatusStrip, reinterpret_cast<intptr_t>(ui::ImageHandle(kStripImage))); }

void DrawUpperBar(const std::string& text) {
  MARK_LINE();
  if (!ui::BeginDrawing(ui::ImageDrawTarget(kStripImage))) return;
  ui::SetDrawMode(0);
  ui::DrawBox(1, 1, 196, 10, kWhite);
  ui::DrawLine(1, 11, 196, 11, kGrey);
  ui::SetDrawFont(ui::FontHandle(12));
  ui::SetDrawMode(ui::kDrawTransparent);
  int w = ui::TextPixelWidth(text.c_str());
  ui::DrawTextAt(99 - w / 2, -1, text.c_str(), kBlack);
  ui::EndDrawing();
  ShowStrip();
}

void DrawLamp(int32_t colour, int32_t highlight) {
  ui::DrawCircle(192, 18, 4, colour);
  ui::DrawPixel(190, 17, highlight);
  ui::DrawPixel(191, 16, highlight);
  ui::DrawPixel(190, 18, highlight);
}

}  // namespace

void RedrawStatusStrip() { gRedrawAll = true; }

std::string BuildDateText() {
  storage::DateTime now = storage::CurrentDateTime();
  int day = storage::DayOfWeekOf(now);
  if (day < 0 || day > 6) day = 0;
  return gSettings.DayNames[static_cast<size_t>(day)] + " " +
         storage::FormatDateTime("%dd.%mm.%yy / %hh:%ii", now) + " Uhr";
}

void StatusStripTick() {
  MARK_LINE();
  // The timer's thread is not ours to start, so it is readied for the trap here.
  static DWORD preparedThread = 0;
  if (preparedThread != GetCurrentThreadId()) {
    PrepareThreadForTrap();
    preparedThread = GetCurrentThreadId();
  }
  if (gRedrawAll.exchange(false)) {
    gSettings.StatusText.clear();
    gLastFreeBytes = ~uint64_t{0};
    gRedLampShown = false;
  }
  bool captionDrawn = false;
  bool overButton = false;
  // The buttons lie inside their column: one test spares seven while the
  // pointer is elsewhere, which it mostly is.
  bool nearButtons = PointerOverControl(kButtonColumn) != 0;
  for (int i = 1; nearButtons && i <= 7; ++i) {
    if (!PointerOverControl(i)) continue;
    overButton = true;
    const std::string& caption = gSettings.CommandCaptions[static_cast<size_t>(i)];
    if (gSettings.StatusText != caption) {
      DrawUpperBar(caption);
      gSettings.StatusText = caption;
      captionDrawn = true;
    }
    break;
  }
  if (!captionDrawn) {
    MARK_LINE();
    gSettings.DateText = BuildDateText();
    if (!overButton && gSettings.StatusText != gSettings.DateText) {
      DrawUpperBar(gSettings.DateText);
      gSettings.StatusText = gSettings.DateText;
    }
  }

  MARK_LINE();
  ULARGE_INTEGER freeToCaller, total, totalFree;
  uint64_t T = 0, F = 0;
  if (GetDiskFreeSpaceExA(gSettings.ProgramDrive.c_str(), &freeToCaller, &total, &totalFree)) {
    T = total.QuadPart;
    F = totalFree.QuadPart;
  }
  GaugeFigures g = ComputeGauge(T, F);

  if (F != gLastFreeBytes) {
    MARK_LINE();
    if (!ui::BeginDrawing(ui::ImageDrawTarget(kStripImage))) return;
    ui::SetDrawMode(0);
    ui::DrawBox(1, 13, 185, 10, kWhite);
    const int32_t stripes[5] = {RGB(192, 192, 192), RGB(208, 208, 208), RGB(224, 224, 224), RGB(208, 208, 208),
                                RGB(192, 192, 192)};
    for (int i = 0; i < 5; ++i)
      if (g.barPixels > 0) ui::DrawBox(0, 13 + 2 * i, g.barPixels, 2, stripes[i]);
    DrawLamp(RGB(0, 160, 0), RGB(0, 255, 0));
    ui::SetDrawFont(ui::FontHandle(14));
    ui::SetDrawMode(ui::kDrawTransparent);
    std::string text = GaugeText(gSettings.ProgramDrive, g);
    int w = ui::TextPixelWidth(text.c_str());
    ui::DrawTextAt(99 - w / 2, 13, text.c_str(), kBlack);
    ui::EndDrawing();
    ShowStrip();
    gLastFreeBytes = F;
    gRedLampShown = false;
  } else if (!gRedLampShown) {
    MARK_LINE();
    if (!ui::BeginDrawing(ui::ImageDrawTarget(kStripImage))) return;
    ui::SetDrawMode(0);
    DrawLamp(RGB(160, 0, 0), RGB(255, 0, 0));
    ui::EndDrawing();
    ShowStrip();
    gRedLampShown = true;
  }
}

}  // namespace app
