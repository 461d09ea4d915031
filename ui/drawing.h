#pragma once
// Immediate-mode drawing on images: open a sequence on a target, draw boxes,
// lines, text, ellipses and pixels, close the sequence.
//
// One sequence at a time for the whole process: BeginDrawing takes a lock
// that EndDrawing gives back, so the timer thread (status strip) and the GUI
// thread (a generated skin) never share the context. A thread that calls
// BeginDrawing while it holds a sequence ends that sequence first; another
// thread waits. Drawing calls from a thread that holds no sequence do nothing.
#include <windows.h>

#include <cstdint>

namespace ui {

constexpr int kDrawTargetImage = 1;

// What BeginDrawing draws on. Made by ImageDrawTarget; BeginDrawing takes
// ownership and hands it to release when the sequence ends (or cannot open).
struct DrawTarget {
  HDC dc = nullptr;  // the surface while a sequence is open
  int kind = 0;
  // Called under the drawing lock: makes dc ready. False when the target
  // cannot be drawn on.
  bool (*attach)(DrawTarget* target) = nullptr;
  // Gives the surface back and frees the descriptor.
  void (*release)(DrawTarget* target) = nullptr;
  HGDIOBJ object = nullptr;  // the bitmap drawn on
  HGDIOBJ saved = nullptr;   // what the surface held before
  // The DPI the surface's pixels are for. Every place and size given to the
  // drawing calls is at 96 DPI and scaled to it; widths that come back are
  // at 96 DPI too.
  int dpi = 96;
};

// Mode bits.
constexpr int kDrawTransparent = 1;  // text without a background box
constexpr int kDrawInvert = 2;       // lines, outlines and fills invert what they cover
constexpr int kDrawOutlined = 4;     // boxes, circles, ellipses as outlines only

// The system font for SetDrawFont.
inline HFONT SystemDrawFont() { return reinterpret_cast<HFONT>(static_cast<intptr_t>(-1)); }

void DrawingStartup();
void DrawingShutdown();

// Opens a sequence (ending the caller's own open one first); 0 when the
// target is 0 or cannot be drawn on, and then no sequence is open.
HDC BeginDrawing(DrawTarget* target);
void EndDrawing();

void SetDrawMode(int mode);
void SetDrawFont(HFONT font);  // (HFONT)-1 = system font

// Colours are r + 256*g + 65536*b; -1 means the front colour (black).
void DrawBox(int x, int y, int w, int h, int32_t colour);
void DrawLine(int x1, int y1, int x2, int y2, int32_t colour);
// Returns x just after the text (x for an empty text), 0 without a sequence.
int DrawTextAt(int x, int y, const char* text, int32_t colour);
int TextPixelWidth(const char* text);
void DrawCircle(int x, int y, int radius, int32_t colour);
void DrawEllipse(int x, int y, int rx, int ry, int32_t colour);
void DrawPixel(int x, int y, int32_t colour);

}  // namespace ui
