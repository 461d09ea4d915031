#pragma once
// Numbered images: bitmaps (drawable, scalable, copyable) and icons, loaded
// from memory or files (BMP, ICO, and registered decoders such as PNG), made
// black, scaled and duplicated.
//
// Creating calls return the platform handle as an integer, or the identity
// for number -1 (turn it into a handle with ImageHandle); 0 on failure, and
// the number then names no image. Reusing a number releases its old image.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "ui/image_headers.h"

namespace ui {

struct DrawTarget;

// Image record flag: a display-compatible (device-dependent) bitmap.
constexpr uint8_t kImageDisplayCompatible = 0x80;

// Stretch modes of ScaleImage.
constexpr int kScaleSmooth = 0;
constexpr int kScaleRaw = 1;

// Numbers of the pictures compiled into the program (RCDATA with the same id).
constexpr int kFirstEmbeddedImage = 15;
constexpr int kLastEmbeddedImage = 35;

// A top-down 32-bit blue-green-red-alpha section; *bits receives its pixels.
HBITMAP TopDownSection32(int width, int height, void** bits);

void ImagesStartup();
void ImagesShutdown();  // releases every image
void RegisterPngDecoder();

// data/size: a complete image file in memory; nothing past size is read.
intptr_t ImageFromMemory(int number, const void* data, size_t size);
// Only what the limits allow is made; headers are read and judged before
// the bytes they describe, and only those bytes are read. An icon file gives
// its entry nearest 32 x 32 (scaled to the program DPI) within the limits, at
// that entry's own size.
intptr_t ImageFromFile(int number, const char* path, const ImageLimits& limits = kAnyImageLimits);
// The first icon of a program (its first icon group) or the entry of an
// icon file nearest the size, made at width x height; nullptr when the file
// holds none within kIconLimits or is neither. Every byte the platform makes
// the icon from has passed the header checks; nothing of the program runs.
// No image number: the caller owns the icon.
HICON IconFromIconOrProgramFile(const char* path, int width, int height);
HANDLE ImageHandle(int number);
// Sizes at 96 DPI: the bitmap is made at the program DPI (ui.h), and so is
// a scaled one. ImageSize gives the pixels.
intptr_t NewImage(int number, int width, int height);
// Same size returns the current handle unchanged; icons are not scaled.
intptr_t ScaleImage(int number, int width, int height, int mode);
// A picture read from a file is taken as made for 96 DPI; this enlarges (or
// shrinks) it by the program DPI, with a good filter. Icons stay as they are.
intptr_t ScaleImageToProgramDpi(int number);
intptr_t DuplicateImage(int sourceNumber, int newNumber);
// For BeginDrawing, which takes ownership; 0 for icons and empty numbers.
DrawTarget* ImageDrawTarget(int number);

bool ImageSize(int number, int* width, int* height);
int ImageDepth(int number);  // 0 when the number names no image
// Size of an icon: from the image table when a number holds it (asking the
// icon itself copies both of its bitmaps), else from the icon.
bool IconSize(HICON icon, int* width, int* height);
bool ImageIsIcon(int number);
// Embedded picture 15..35 under its own number, unless it is there already;
// 1 when it is there afterwards. Made for the program DPI.
int LoadEmbeddedPicture(int number);
// Makes every embedded picture that is there again for the program DPI and
// adds (old handle, new handle) for each; the old ones stay valid until
// ImagesShutdown.
void RemakeEmbeddedPictures(std::vector<std::pair<HANDLE, HANDLE>>* replaced);
// Every embedded picture not there yet, in ascending order; returns how many
// are there afterwards.
int LoadEmbeddedPictures();
// Starts making the given embedded pictures on a thread of its own, which
// then runs `then` (work that touches no image). The next LoadEmbeddedPicture
// (or LoadEmbeddedPictures, or ImagesShutdown) waits for the thread and files
// the pictures under their numbers. For start-up, which has files to read and
// windows to build meanwhile.
void LoadEmbeddedPicturesAhead(const int* numbers, int count, void (*then)() = nullptr);

}  // namespace ui
