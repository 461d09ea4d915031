#include "ui/images.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "ui/drawing.h"
#include "ui/image_headers.h"
#include "ui/object_table.h"
#include "ui/png_decoder.h"
#include "ui/resample.h"
#include "ui/ui.h"

namespace ui {
namespace {

struct ImageRecord {
  HANDLE handle = nullptr;  // bitmap or icon; 0 = empty
  int16_t width = 0;
  int16_t height = 0;
  uint8_t depth = 0;
  uint8_t flags = 0;
  bool icon = false;
  uint16_t dpi = 96;  // the DPI its pixels are for; files are read as 96
};

// What a loader made, before it goes into a record.
struct Loaded {
  HANDLE handle = nullptr;
  int width = 0;
  int height = 0;
  int depth = 0;
  uint8_t flags = 0;
  bool icon = false;
  int dpi = 96;
};

void ReleaseHandle(HANDLE handle, bool icon) {
  if (icon)
    DestroyIcon(static_cast<HICON>(handle));
  else
    DeleteObject(handle);
}

void ReleaseImage(ImageRecord& record) { ReleaseHandle(record.handle, record.icon); }

// Record flag: an icon whose depth has not been asked of the platform yet.
constexpr uint8_t kImageDepthPending = 0x40;

ObjectTable<ImageRecord>& Table() {
  static ObjectTable<ImageRecord> table(16, ReleaseImage);
  return table;
}

std::vector<const ImageDecoder*>& Decoders() {
  static std::vector<const ImageDecoder*> decoders;
  return decoders;
}

intptr_t Store(int number, int identity, ImageRecord* record, const Loaded& image) {
  record->width = static_cast<int16_t>(image.width);
  record->height = static_cast<int16_t>(image.height);
  record->depth = static_cast<uint8_t>(image.depth);
  record->flags = image.flags;
  record->icon = image.icon;
  record->dpi = static_cast<uint16_t>(image.dpi);
  record->handle = image.handle;  // last: a non-zero handle makes the record visible
  return number == -1 ? identity : reinterpret_cast<intptr_t>(image.handle);
}

intptr_t Fail(int identity) {
  Table().Forget(identity);
  return 0;
}

bool SizeOk(int width, int height) {
  return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide &&
         static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxImagePixels;
}

int BitmapDepth(HBITMAP bitmap) {
  BITMAP bm{};
  return GetObject(bitmap, sizeof bm, &bm) ? bm.bmBitsPixel : 0;
}

HBITMAP DisplayCompatibleBitmap(int width, int height) {
  HDC screen = GetDC(nullptr);
  if (!screen) return nullptr;
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

// A bottom-up section; masks (three DWORDs) only for 16 and 32 bits with bit fields.
HBITMAP Section(int width, int height, int depth, const uint8_t* masks = nullptr) {
  struct {
    BITMAPINFOHEADER header;
    DWORD masks[3];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(depth);
  info.header.biCompression = BI_RGB;
  if (masks) {
    info.header.biCompression = BI_BITFIELDS;
    memcpy(info.masks, masks, sizeof info.masks);
  }
  void* bits = nullptr;
  return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits,
                          nullptr, 0);
}

// Memory surface holding one bitmap for the length of a scope.
class BitmapSurface {
 public:
  explicit BitmapSurface(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)) {
    if (dc_) old_ = SelectObject(dc_, bitmap);
  }
  ~BitmapSurface() {
    if (!dc_) return;
    if (old_) SelectObject(dc_, old_);
    DeleteDC(dc_);
  }
  BitmapSurface(const BitmapSurface&) = delete;
  BitmapSurface& operator=(const BitmapSurface&) = delete;
  bool ok() const { return dc_ && old_; }
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

enum class BmpKind {
  kSection32,          // memory: always a 32-bit bottom-up section
  kOwnDepthSection,    // file, deeper than 8 bits: a section of the file's depth
  kDisplayCompatible,  // file, 8 bits or fewer
};

// The pixels are converted by the platform from the file's own header and
// colour table (at info, just behind the file header) and its pixel data,
// all of which the checks have proved to be there.
bool BitmapFromParts(const uint8_t* info, const uint8_t* pixels, const BmpLayout& layout, BmpKind kind,
                     Loaded* out) {
  const int width = layout.dib.width;
  const int height = layout.dib.height < 0 ? -layout.dib.height : layout.dib.height;

  HBITMAP bitmap = nullptr;
  switch (kind) {
    case BmpKind::kSection32:
      bitmap = Section(width, height, 32);
      break;
    case BmpKind::kOwnDepthSection:
      // Both the 40-byte header's trailing masks and the later headers' own
      // masks sit right after the first 40 bytes.
      bitmap = Section(width, height, layout.dib.bitCount,
                       layout.dib.compression == kBiBitfields ? info + 40 : nullptr);
      break;
    case BmpKind::kDisplayCompatible:
      bitmap = DisplayCompatibleBitmap(width, height);
      break;
  }
  if (!bitmap) return false;

  int lines = 0;
  {
    BitmapSurface surface(bitmap);
    if (surface.ok()) {
      // Run-length data may skip pixels; they stay black.
      PatBlt(surface.dc(), 0, 0, width, height, BLACKNESS);
      lines = StretchDIBits(surface.dc(), 0, 0, width, height, 0, 0, width, height, pixels,
                            reinterpret_cast<const BITMAPINFO*>(info), DIB_RGB_COLORS, SRCCOPY);
    }
  }
  if (lines <= 0) {  // 0 or GDI_ERROR
    DeleteObject(bitmap);
    return false;
  }
  out->handle = bitmap;
  out->width = width;
  out->height = height;
  out->depth = BitmapDepth(bitmap);
  out->flags = kind == BmpKind::kDisplayCompatible ? kImageDisplayCompatible : 0;
  out->icon = false;
  return true;
}

bool BitmapFromBmp(const uint8_t* data, size_t size, BmpKind kind, Loaded* out) {
  BmpLayout layout;
  if (CheckBmp(data, size, &layout) != HeaderError::kNone) return false;
  return BitmapFromParts(data + 14, data + layout.pixelOffset, layout, kind, out);
}

// Size and depth come from the icon's colour bitmap (the mask for monochrome icons).
bool MeasureIcon(HICON icon, BITMAP* bm) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return false;
  bool ok;
  if (info.hbmColor) {
    ok = GetObject(info.hbmColor, sizeof *bm, bm) != 0;
  } else {
    ok = GetObject(info.hbmMask, sizeof *bm, bm) != 0;
    bm->bmHeight /= 2;
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return ok;
}

// Takes the icon into out, or destroys it.
bool DescribeIcon(HICON icon, Loaded* out) {
  BITMAP bm{};
  if (!MeasureIcon(icon, &bm)) {
    DestroyIcon(icon);
    return false;
  }
  out->handle = icon;
  out->width = bm.bmWidth;
  out->height = bm.bmHeight;
  out->depth = bm.bmBitsPixel;
  out->flags = 0;
  out->icon = true;
  return true;
}

HICON ResampledIcon(HICON icon, int fromWidth, int fromHeight, int width, int height);

// An icon from one checked entry image, at width x height (0: the image's own size).
bool IconFromEntryImage(const uint8_t* image, const IconEntryLayout& entry, int width, int height,
                        Loaded* out) {
  if (width <= 0 || height <= 0) {
    width = entry.width;
    height = entry.height;
  }
  // On a scaled display an entry of another size is made at its own and
  // resampled with a good filter; the platform would stretch it pixel by pixel.
  if ((width != entry.width || height != entry.height) && ProgramDpi() != 96 && entry.bitCount > 1) {
    Loaded own;
    if (!IconFromEntryImage(image, entry, entry.width, entry.height, &own)) return false;
    HICON scaled = ResampledIcon(static_cast<HICON>(own.handle), entry.width, entry.height, width, height);
    if (scaled) {
      DestroyIcon(static_cast<HICON>(own.handle));
      own.handle = scaled;
      own.width = width;
      own.height = height;
      own.depth = 32;
      own.flags = 0;
    }
    *out = own;
    return true;
  }
  // The platform takes a non-const pointer but only reads.
  auto* bits = const_cast<PBYTE>(image);
  HICON icon = CreateIconFromResourceEx(bits, entry.size, TRUE, 0x00030000, width, height, LR_DEFAULTCOLOR);
  if (icon) {
    // Made at the asked size, so that is its size. The depth the platform
    // gives it is asked for only when someone wants it: asking copies both
    // of the icon's bitmaps (trips to the window server under Wine), and
    // the embedded pictures are loaded at every start.
    out->handle = icon;
    out->width = width;
    out->height = height;
    out->depth = 0;
    out->flags = kImageDepthPending;
    out->icon = true;
    return true;
  }
  if (entry.bitCount != 16) icon = CreateIconFromResource(bits, entry.size, TRUE, 0x00030000);
  return icon && DescribeIcon(icon, out);
}

bool IconFromMemory(const uint8_t* data, size_t size, Loaded* out) {
  IconEntryLayout entry;
  if (CheckIconFirstEntry(data, size, &entry) != HeaderError::kNone) return false;
  return IconFromEntryImage(data + entry.offset, entry, 0, 0, out);
}

bool Decode(ImageSource& source, const ImageLimits& limits, Loaded* out) {
  for (const ImageDecoder* decoder : Decoders()) {
    if (!decoder->recognise(source)) continue;
    DecodedImage image;
    if (!decoder->decode(source, limits, &image)) return false;
    out->handle = image.bitmap;
    out->width = image.width;
    out->height = image.height;
    out->depth = image.depth;
    out->flags = 0;
    out->icon = false;
    return true;
  }
  return false;
}

bool FromMemory(const void* data, size_t size, Loaded* image) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  if (StartsWithBm(bytes, size)) return BitmapFromBmp(bytes, size, BmpKind::kSection32, image);
  if (IsIconDirectory(bytes, size)) return IconFromMemory(bytes, size, image);
  ImageSource source(data, size);
  return Decode(source, kAnyImageLimits, image);
}

// Embedded picture `number` (resource type RT_RCDATA), or nullptr.
const void* EmbeddedBytes(int number, size_t* size) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(number), MAKEINTRESOURCEA(10));
  HGLOBAL block = resource ? LoadResource(module, resource) : nullptr;
  *size = resource ? SizeofResource(module, resource) : 0;
  return block && *size ? LockResource(block) : nullptr;
}

// 32-bit blue-green-red-alpha rows, top down.
BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The pixels of a bitmap as 32-bit blue-green-red-alpha rows, top down.
bool PixelsOf(HBITMAP bitmap, int width, int height, std::vector<uint8_t>* pixels) {
  BITMAPINFO info = TopDown32(width, height);
  pixels->assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  const int rows = GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels->data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  return rows == height;
}

// Puts 32-bit top-down rows into a bitmap of the same size.
bool SetPixelsOf(HBITMAP bitmap, int width, int height, const std::vector<uint8_t>& pixels) {
  const BITMAPINFO info = TopDown32(width, height);
  HDC dc = CreateCompatibleDC(nullptr);
  if (!dc) return false;
  const int rows = SetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteDC(dc);
  return rows == height;
}

// An icon from straight-alpha pixels; the mask is set where they are clear.
// A 32-bit section holding the pixels, or nullptr.
HBITMAP SectionFromPixels(const std::vector<uint8_t>& pixels, int width, int height) {
  void* bits = nullptr;
  HBITMAP section = TopDownSection32(width, height, &bits);
  if (section && bits) {
    memcpy(bits, pixels.data(), pixels.size());
    return section;
  }
  if (section) DeleteObject(section);
  return nullptr;
}

HICON IconFromPixels(const std::vector<uint8_t>& pixels, int width, int height) {
  HBITMAP colour = SectionFromPixels(pixels, width, height);
  if (!colour) return nullptr;
  // Monochrome rows are padded to 16 bits.
  const size_t stride = static_cast<size_t>((width + 15) / 16 * 2);
  std::vector<uint8_t> maskBits(stride * static_cast<size_t>(height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (pixels[(static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 4 + 3] == 0)
        maskBits[static_cast<size_t>(y) * stride + static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
  HBITMAP mask = CreateBitmap(width, height, 1, 1, maskBits.data());
  ICONINFO icon{};
  icon.fIcon = TRUE;
  icon.hbmColor = colour;
  icon.hbmMask = mask;
  HICON made = mask ? CreateIconIndirect(&icon) : nullptr;
  DeleteObject(colour);
  if (mask) DeleteObject(mask);
  return made;
}

// An icon at another size, through the resampler: its colours with their own
// opacity, or opaque where the mask is clear when it has none; nullptr when
// its bitmaps cannot be read.
HICON ResampledIcon(HICON icon, int fromWidth, int fromHeight, int width, int height) {
  ICONINFO info{};
  if (!SizeOk(width, height) || !GetIconInfo(icon, &info)) return nullptr;
  std::vector<uint8_t> colour, mask, scaled(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  bool ok = info.hbmColor && info.hbmMask && PixelsOf(info.hbmColor, fromWidth, fromHeight, &colour) &&
            PixelsOf(info.hbmMask, fromWidth, fromHeight, &mask);
  if (ok) {
    bool opacity = false;
    for (size_t i = 3; i < colour.size(); i += 4) opacity = opacity || colour[i] != 0;
    if (!opacity)
      for (size_t i = 3; i < colour.size(); i += 4) colour[i] = mask[i - 1] ? 0 : 255;  // white mask: clear
    ok = ResamplePixels(colour.data(), fromWidth, fromHeight, static_cast<size_t>(fromWidth) * 4, scaled.data(),
                        width, height, static_cast<size_t>(width) * 4, true);
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return ok ? IconFromPixels(scaled, width, height) : nullptr;
}

// The embedded pictures are drawn at 1x, 1.5x and 2x ("N", N + 1000 and
// N + 2000). A display takes the nearest, the larger one when two are as
// near, and a size between is made from it with a good filter.
struct Variant {
  int offset, dpi;
};
constexpr Variant kVariants[] = {{0, 96}, {1000, 144}, {2000, 192}};

Variant NearestVariant(int dpi) {
  Variant best = kVariants[0];
  for (const Variant& v : kVariants) {
    const int distance = v.dpi > dpi ? v.dpi - dpi : dpi - v.dpi;
    const int bestDistance = best.dpi > dpi ? best.dpi - dpi : dpi - best.dpi;
    if (distance <= bestDistance) best = v;
  }
  return best;
}

// Pictures 15 to 34 are icons (they have clear parts), 35 a bitmap to draw on.
constexpr int kLastEmbeddedIcon = 34;

bool MakeEmbeddedPicture(int number, int dpi, Loaded* out) {
  const Variant variant = NearestVariant(dpi);
  size_t size = 0;
  const void* data = EmbeddedBytes(number + variant.offset, &size);
  Loaded decoded;
  if (!data || !FromMemory(data, size, &decoded)) return false;
  if (decoded.icon) {  // an icon file: as it is
    *out = decoded;
    return true;
  }
  auto bitmap = static_cast<HBITMAP>(decoded.handle);
  const int width = MulDiv(MulDiv(decoded.width, 96, variant.dpi), dpi, 96);
  const int height = MulDiv(MulDiv(decoded.height, 96, variant.dpi), dpi, 96);
  const bool icon = number <= kLastEmbeddedIcon;
  const bool resized = width != decoded.width || height != decoded.height;
  HANDLE handle = bitmap;  // a bitmap at its drawn size is the decoder's own section
  std::vector<uint8_t> pixels;
  bool ok = !(icon || resized) || PixelsOf(bitmap, decoded.width, decoded.height, &pixels);
  if (ok && resized) {
    std::vector<uint8_t> scaled(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    ok = ResamplePixels(pixels.data(), decoded.width, decoded.height, static_cast<size_t>(decoded.width) * 4,
                        scaled.data(), width, height, static_cast<size_t>(width) * 4, true);
    pixels.swap(scaled);
  }
  if (icon || resized || !ok) {
    DeleteObject(bitmap);
    if (!ok) return false;
    handle = icon ? static_cast<HANDLE>(IconFromPixels(pixels, width, height))
                  : static_cast<HANDLE>(SectionFromPixels(pixels, width, height));
    if (!handle) return false;
  }
  *out = Loaded{};
  out->handle = handle;
  out->width = width;
  out->height = height;
  out->dpi = dpi;
  out->depth = 32;
  out->icon = icon;
  return true;
}

// Pictures made on a second thread. The thread touches nothing but these
// records (the decoders are registered before it starts); the table learns
// of them only when the thread has ended.
struct AheadPicture {
  int number;
  Loaded image;
  bool ok;
  int dpi;
};
struct PicturesAhead {
  HANDLE thread = nullptr;
  DWORD threadId = 0;
  std::vector<AheadPicture> pictures;
  void (*then)() = nullptr;
};
PicturesAhead gAhead;

// Pictures replaced by ones for another DPI. Kept until the end: a list, the
// catalogue or the tray may still hold the old handle.
std::vector<Loaded> gRetired;

DWORD WINAPI MakePicturesAhead(void*) {
  for (AheadPicture& picture : gAhead.pictures)
    picture.ok = MakeEmbeddedPicture(picture.number, picture.dpi, &picture.image);
  if (gAhead.then) gAhead.then();
  return 0;
}

void CollectPicturesAhead() {
  // The error trap may end the process from the thread itself.
  if (!gAhead.thread || GetCurrentThreadId() == gAhead.threadId) return;
  WaitForSingleObject(gAhead.thread, INFINITE);
  CloseHandle(gAhead.thread);
  gAhead.thread = nullptr;
  for (const AheadPicture& picture : gAhead.pictures) {
    if (!picture.ok) continue;
    int identity = 0;
    ImageRecord* record = Table().Reserve(picture.number, &identity);
    if (record)
      Store(picture.number, identity, record, picture.image);
    else
      ReleaseHandle(picture.image.handle, picture.image.icon);
  }
  gAhead.pictures.clear();
}

class FileHandle {
 public:
  explicit FileHandle(HANDLE h) : h_(h) {}
  ~FileHandle() {
    if (ok()) CloseHandle(h_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

HANDLE OpenForReading(const char* path, DWORD share) {
  return CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                     nullptr);
}

bool FileSize(HANDLE file, uint64_t* size) {
  LARGE_INTEGER length{};
  if (!GetFileSizeEx(file, &length) || length.QuadPart < 0) return false;
  *size = static_cast<uint64_t>(length.QuadPart);
  return true;
}

// n bytes from offset; false when the file holds fewer.
bool ReadAt(HANDLE file, uint64_t offset, void* out, size_t n) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return false;
  auto* p = static_cast<uint8_t*>(out);
  size_t done = 0;
  while (done < n) {
    DWORD got = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 24));
    if (!ReadFile(file, p + done, chunk, &got, nullptr) || got == 0) return false;
    done += got;
  }
  return true;
}

// Headers first, judged against the file's size and the limits; then only
// the pixel rows they name, wherever they lie in the file.
bool BitmapFromFile(HANDLE file, uint64_t fileSize, const ImageLimits& limits, Loaded* out) {
  std::vector<uint8_t> headers(static_cast<size_t>(std::min<uint64_t>(fileSize, kBmpHeadersMaxBytes)));
  if (!ReadAt(file, 0, headers.data(), headers.size())) return false;
  BmpLayout layout;
  if (CheckBmpHeaders(headers.data(), headers.size(), fileSize, limits, &layout) != HeaderError::kNone)
    return false;
  std::vector<uint8_t> pixels(static_cast<size_t>(layout.dib.pixelBytes));
  if (!ReadAt(file, layout.pixelOffset, pixels.data(), pixels.size())) return false;
  const BmpKind kind = layout.dib.bitCount <= 8 ? BmpKind::kDisplayCompatible : BmpKind::kOwnDepthSection;
  return BitmapFromParts(headers.data() + 14, pixels.data(), layout, kind, out);
}

// Icons are drawn at 32 x 32 and 16 x 16: the entry nearest the larger serves both.
constexpr int32_t kIconSide = 32;

// The directory of an icon file, then the one image chosen from it, checked
// on its own: the rest of the file is never read, however large it is.
bool ReadIconFileImage(HANDLE file, uint64_t fileSize, const ImageLimits& limits, int32_t side,
                       std::vector<uint8_t>* image, IconEntryLayout* entry) {
  uint8_t head[kIconDirectoryHeaderBytes];
  if (!ReadAt(file, 0, head, sizeof head)) return false;
  const size_t directoryBytes = IconFileDirectoryBytes(head, sizeof head);
  if (directoryBytes == 0 || directoryBytes > fileSize) return false;
  std::vector<uint8_t> directory(directoryBytes);
  if (!ReadAt(file, 0, directory.data(), directory.size())) return false;
  IconChoice choice;
  if (ChooseIconFileEntry(directory.data(), directory.size(), fileSize, limits, side, &choice) !=
      HeaderError::kNone)
    return false;
  image->resize(choice.size);
  if (!ReadAt(file, choice.offset, image->data(), image->size())) return false;
  return CheckIconImage(image->data(), image->size(), limits, entry) == HeaderError::kNone;
}

// The file stays open without write sharing from the check to the load, and
// the platform makes the icon from the very bytes that were checked.
bool IconFromFile(HANDLE file, uint64_t fileSize, const ImageLimits& limits, int width, int height,
                  Loaded* out) {
  std::vector<uint8_t> image;
  IconEntryLayout entry;
  // Without a size: the entry nearest the large icons of the display.
  const int32_t side = width > 0 ? width : ScaleToDpi(kIconSide, ProgramDpi());
  return ReadIconFileImage(file, fileSize, limits, side, &image, &entry) &&
         IconFromEntryImage(image.data(), entry, width, height, out);
}

bool DecodeFile(HANDLE file, const ImageLimits& limits, Loaded* out) {
  ImageSource source(file);
  return Decode(source, limits, out);
}

// --- Icons of programs -----------------------------------------------------

// Whether [p, p + size) lies in committed, readable memory: resource data of
// a program mapped as data is where its own directory says, which may be
// past the end of the file.
bool Readable(const void* p, size_t size) {
  auto at = reinterpret_cast<uintptr_t>(p);
  const uintptr_t end = at + size;
  if (end < at) return false;
  while (at < end) {
    MEMORY_BASIC_INFORMATION region{};
    if (!VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region)) return false;
    if (region.State != MEM_COMMIT || (region.Protect & (PAGE_NOACCESS | PAGE_GUARD)) != 0) return false;
    at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize;
  }
  return true;
}

const uint8_t* ResourceBytes(HMODULE module, LPCSTR name, LPCSTR type, size_t* size) {
  HRSRC resource = FindResourceA(module, name, type);
  if (!resource) return nullptr;
  *size = SizeofResource(module, resource);
  HGLOBAL block = LoadResource(module, resource);
  const void* bytes = block ? LockResource(block) : nullptr;
  return bytes && *size && Readable(bytes, *size) ? static_cast<const uint8_t*>(bytes) : nullptr;
}

// The first icon group, by name or number, in the order the resource
// directory keeps them (the order the shell counts icon indices in).
struct FirstGroup {
  bool found = false;
  bool numbered = false;
  WORD id = 0;
  std::string name;
};

BOOL CALLBACK TakeFirstGroup(HMODULE, LPCSTR, LPSTR name, LONG_PTR param) {
  auto* first = reinterpret_cast<FirstGroup*>(param);
  first->found = true;
  first->numbered = IS_INTRESOURCE(name);
  if (first->numbered)
    first->id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
  else
    first->name = name;
  return FALSE;  // the first is all that is wanted
}

// The program is mapped as data (none of its code runs, and only the pages
// touched are read); its icon group and the one image chosen from it go
// through the same checks as an icon file before the platform sees them.
HICON IconFromProgram(const char* path, int width, int height) {
  // Mapped as plain data first: only the pages the resource lookup touches
  // are read from the stick. As an image, Wine reads the whole program file
  // (about 195 KB per program for the eight icons taken at start-up).
  HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!module) module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return nullptr;
  HICON icon = nullptr;
  FirstGroup group;
  EnumResourceNamesA(module, MAKEINTRESOURCEA(14), TakeFirstGroup, reinterpret_cast<LONG_PTR>(&group));
  size_t groupSize = 0;
  const uint8_t* groupBytes =
      group.found ? ResourceBytes(module, group.numbered ? MAKEINTRESOURCEA(group.id) : group.name.c_str(),
                                  MAKEINTRESOURCEA(14), &groupSize)
                  : nullptr;
  IconChoice choice;
  if (groupBytes && ChooseIconGroupEntry(groupBytes, groupSize, kIconLimits, width, &choice) == HeaderError::kNone) {
    size_t imageSize = 0;
    const uint8_t* imageBytes = ResourceBytes(module, MAKEINTRESOURCEA(choice.id), MAKEINTRESOURCEA(3), &imageSize);
    if (imageBytes && imageSize <= IconImageByteLimit(kIconLimits)) {
      // A copy: the platform makes the icon from the bytes that were checked.
      const std::vector<uint8_t> image(imageBytes, imageBytes + imageSize);
      IconEntryLayout entry;
      Loaded made;
      if (CheckIconImage(image.data(), image.size(), kIconLimits, &entry) == HeaderError::kNone &&
          IconFromEntryImage(image.data(), entry, width, height, &made))
        icon = static_cast<HICON>(made.handle);
    }
  }
  FreeLibrary(module);
  return icon;
}

// A new bitmap of the record's kind: display-compatible, or a section of its depth.
HBITMAP BitmapLike(const ImageRecord& record, int width, int height) {
  if (record.flags & kImageDisplayCompatible) return DisplayCompatibleBitmap(width, height);
  DIBSECTION section{};
  if (GetObject(record.handle, sizeof section, &section) == sizeof section &&
      section.dsBmih.biCompression == BI_BITFIELDS)
    return Section(width, height, record.depth, reinterpret_cast<const uint8_t*>(section.dsBitfields));
  return Section(width, height, record.depth > 8 ? record.depth : 32);
}

bool Stretch(HBITMAP from, int fromWidth, int fromHeight, HBITMAP to, int width, int height,
             int mode) {
  BitmapSurface source(from);
  BitmapSurface target(to);
  if (!source.ok() || !target.ok()) return false;
  if (mode == kScaleSmooth) {
    SetStretchBltMode(target.dc(), HALFTONE);
    SetBrushOrgEx(target.dc(), 0, 0, nullptr);  // half-toning needs its brush origin reset
  } else {
    SetStretchBltMode(target.dc(), COLORONCOLOR);
  }
  return StretchBlt(target.dc(), 0, 0, width, height, source.dc(), 0, 0, fromWidth, fromHeight,
                    SRCCOPY) != 0;
}

bool AttachImage(DrawTarget* target) {
  target->dc = CreateCompatibleDC(nullptr);
  if (!target->dc) return false;
  target->saved = SelectObject(target->dc, target->object);
  if (!target->saved) {
    DeleteDC(target->dc);
    target->dc = nullptr;
    return false;
  }
  return true;
}

void ReleaseImageTarget(DrawTarget* target) {
  if (target->dc) {
    SelectObject(target->dc, target->saved);
    DeleteDC(target->dc);
  }
  delete target;
}

}  // namespace

HBITMAP TopDownSection32(int width, int height, void** bits) {
  const BITMAPINFO info = TopDown32(width, height);
  *bits = nullptr;
  return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

void ImagesStartup() { Table(); }

void ImagesShutdown() {
  CollectPicturesAhead();
  Table().ReleaseAll();
  for (const Loaded& image : gRetired) ReleaseHandle(image.handle, image.icon);
  gRetired.clear();
}

void RemakeEmbeddedPictures(std::vector<std::pair<HANDLE, HANDLE>>* replaced) {
  CollectPicturesAhead();
  const int dpi = ProgramDpi();
  for (int number = kFirstEmbeddedImage; number <= kLastEmbeddedImage; ++number) {
    ImageRecord* record = Table().Find(number);
    Loaded made;
    if (!record || record->dpi == dpi || !MakeEmbeddedPicture(number, dpi, &made)) continue;
    Loaded old;
    old.handle = record->handle;
    old.icon = record->icon;
    gRetired.push_back(old);
    record->width = static_cast<int16_t>(made.width);
    record->height = static_cast<int16_t>(made.height);
    record->depth = static_cast<uint8_t>(made.depth);
    record->flags = made.flags;
    record->dpi = static_cast<uint16_t>(made.dpi);
    record->handle = made.handle;
    replaced->push_back({old.handle, made.handle});
  }
}

void RegisterPngDecoder() {
  auto& decoders = Decoders();
  const ImageDecoder* png = &PngDecoder();
  if (std::find(decoders.begin(), decoders.end(), png) == decoders.end()) decoders.push_back(png);
}

intptr_t ImageFromMemory(int number, const void* data, size_t size) {
  int identity = 0;
  ImageRecord* record = Table().Reserve(number, &identity);
  if (!record) return 0;
  Loaded image;
  return data && FromMemory(data, size, &image) ? Store(number, identity, record, image) : Fail(identity);
}

intptr_t ImageFromFile(int number, const char* path, const ImageLimits& limits) {
  int identity = 0;
  ImageRecord* record = Table().Reserve(number, &identity);
  if (!record) return 0;
  if (!path) return Fail(identity);

  // Opened once, without sharing: nobody can change the file between the
  // checks and the load.
  FileHandle file(OpenForReading(path, 0));
  uint64_t fileSize = 0;
  if (!file.ok() || !FileSize(file.get(), &fileSize)) return Fail(identity);
  uint8_t start[2] = {};
  const bool started = fileSize >= 2 && ReadAt(file.get(), 0, start, 2);

  Loaded image;
  bool ok;
  if (started && StartsWithBm(start, 2)) {
    ok = BitmapFromFile(file.get(), fileSize, limits, &image);
  } else {
    // Only data that starts with the icon directory's zero word can be an icon.
    const bool maybeIcon = started && start[0] == 0 && start[1] == 0;
    ok = (maybeIcon && IconFromFile(file.get(), fileSize, limits, 0, 0, &image)) ||
         DecodeFile(file.get(), limits, &image);
  }
  return ok ? Store(number, identity, record, image) : Fail(identity);
}

HICON IconFromIconOrProgramFile(const char* path, int width, int height) {
  if (!path || width <= 0 || height <= 0) return nullptr;
  uint8_t start[2] = {};
  uint64_t fileSize = 0;
  {
    FileHandle file(OpenForReading(path, FILE_SHARE_READ));
    if (!file.ok() || !FileSize(file.get(), &fileSize) || fileSize < 2 || !ReadAt(file.get(), 0, start, 2))
      return nullptr;
    if (start[0] == 0 && start[1] == 0) {
      Loaded image;
      return IconFromFile(file.get(), fileSize, kIconLimits, width, height, &image)
                 ? static_cast<HICON>(image.handle)
                 : nullptr;
    }
  }
  return start[0] == 'M' && start[1] == 'Z' ? IconFromProgram(path, width, height) : nullptr;
}

HANDLE ImageHandle(int number) {
  ImageRecord* record = Table().Find(number);
  return record ? record->handle : nullptr;
}

intptr_t NewImage(int number, int width, int height) {
  int identity = 0;
  ImageRecord* record = Table().Reserve(number, &identity);
  if (!record) return 0;
  const int dpi = ProgramDpi();
  if (!SizeOk(width, height)) return Fail(identity);
  width = ScaleToDpi(width, dpi);
  height = ScaleToDpi(height, dpi);
  if (!SizeOk(width, height)) return Fail(identity);
  HBITMAP bitmap = DisplayCompatibleBitmap(width, height);
  if (!bitmap) return Fail(identity);
  {
    BitmapSurface surface(bitmap);
    if (surface.ok()) PatBlt(surface.dc(), 0, 0, width, height, BLACKNESS);
  }
  Loaded image;
  image.handle = bitmap;
  image.width = width;
  image.height = height;
  image.depth = BitmapDepth(bitmap);
  image.flags = kImageDisplayCompatible;
  image.dpi = dpi;
  return Store(number, identity, record, image);
}

namespace {

// The record's bitmap at width x height pixels for the given DPI. At 96 DPI
// the platform stretches (mode); scaled, the picture is resampled with a
// good filter whatever the mode.
intptr_t Rescale(ImageRecord* record, int width, int height, int dpi, int mode) {
  if (record->width == width && record->height == height) {
    record->dpi = static_cast<uint16_t>(dpi);
    return reinterpret_cast<intptr_t>(record->handle);
  }
  if (!SizeOk(width, height)) return 0;
  // Resampled pixels come as 32 bits: a section of that depth takes them (and
  // is drawn) without a conversion.
  const bool resampled = dpi != 96;
  HBITMAP scaled = resampled && !(record->flags & kImageDisplayCompatible) ? Section(width, height, 32)
                                                                           : BitmapLike(*record, width, height);
  if (!scaled) return 0;
  auto old = static_cast<HBITMAP>(record->handle);
  bool ok;
  if (!resampled) {
    ok = Stretch(old, record->width, record->height, scaled, width, height, mode);
  } else {
    std::vector<uint8_t> pixels, made(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    ok = PixelsOf(old, record->width, record->height, &pixels) &&
         ResamplePixels(pixels.data(), record->width, record->height, static_cast<size_t>(record->width) * 4,
                        made.data(), width, height, static_cast<size_t>(width) * 4, false) &&
         SetPixelsOf(scaled, width, height, made);
  }
  if (!ok) {
    DeleteObject(scaled);
    return 0;
  }
  record->width = static_cast<int16_t>(width);
  record->height = static_cast<int16_t>(height);
  record->dpi = static_cast<uint16_t>(dpi);
  if (resampled) record->depth = static_cast<uint8_t>(BitmapDepth(scaled));
  record->handle = scaled;
  DeleteObject(old);
  return reinterpret_cast<intptr_t>(scaled);
}

}  // namespace

intptr_t ScaleImage(int number, int width, int height, int mode) {
  ImageRecord* record = Table().Find(number);
  if (!record || record->icon || !SizeOk(width, height)) return 0;
  const int dpi = ProgramDpi();
  return Rescale(record, ScaleToDpi(width, dpi), ScaleToDpi(height, dpi), dpi, mode);
}

intptr_t ScaleImageToProgramDpi(int number) {
  ImageRecord* record = Table().Find(number);
  if (!record || record->icon) return 0;
  const int dpi = ProgramDpi();
  if (record->dpi == dpi) return reinterpret_cast<intptr_t>(record->handle);
  return Rescale(record, MulDiv(record->width, dpi, record->dpi), MulDiv(record->height, dpi, record->dpi), dpi,
                 kScaleSmooth);
}

intptr_t DuplicateImage(int sourceNumber, int newNumber) {
  int identity = 0;
  ImageRecord* record = Table().Reserve(newNumber, &identity);
  if (!record) return 0;
  // Looked up only now: reserving may have released or replaced the source.
  const ImageRecord* source = Table().Find(sourceNumber);
  if (!source) return Fail(identity);
  Loaded copy;
  copy.width = source->width;
  copy.height = source->height;
  copy.depth = source->depth;
  copy.flags = source->flags;
  copy.icon = source->icon;
  copy.dpi = source->dpi;
  if (source->icon) {
    copy.handle = CopyIcon(static_cast<HICON>(source->handle));
  } else {
    HBITMAP bitmap = BitmapLike(*source, source->width, source->height);
    if (bitmap && !Stretch(static_cast<HBITMAP>(source->handle), source->width, source->height,
                           bitmap, source->width, source->height, kScaleRaw)) {
      DeleteObject(bitmap);
      bitmap = nullptr;
    }
    copy.handle = bitmap;
  }
  if (!copy.handle) return Fail(identity);
  return Store(newNumber, identity, record, copy);
}

DrawTarget* ImageDrawTarget(int number) {
  ImageRecord* record = Table().Find(number);
  if (!record || record->icon) return nullptr;
  auto* target = new DrawTarget;
  target->kind = kDrawTargetImage;
  target->attach = AttachImage;
  target->release = ReleaseImageTarget;
  target->object = record->handle;
  target->dpi = record->dpi;
  return target;
}

bool ImageSize(int number, int* width, int* height) {
  const ImageRecord* record = Table().Find(number);
  if (!record) return false;
  if (width) *width = record->width;
  if (height) *height = record->height;
  return true;
}

int ImageDepth(int number) {
  const ImageRecord* record = Table().Find(number);
  if (!record) return 0;
  if (!(record->flags & kImageDepthPending)) return record->depth;
  BITMAP bm{};
  return MeasureIcon(static_cast<HICON>(record->handle), &bm) ? bm.bmBitsPixel : 0;
}

bool IconSize(HICON icon, int* width, int* height) {
  if (!icon) return false;
  const int number = Table().FindNumber([icon](const ImageRecord& r) { return r.handle == icon; });
  if (number != -1) return ImageSize(number, width, height);
  BITMAP bm{};
  if (!MeasureIcon(icon, &bm)) return false;
  *width = bm.bmWidth;
  *height = bm.bmHeight;
  return true;
}

bool ImageIsIcon(int number) {
  const ImageRecord* record = Table().Find(number);
  return record && record->icon;
}

int LoadEmbeddedPicture(int number) {
  CollectPicturesAhead();
  if (number < kFirstEmbeddedImage || number > kLastEmbeddedImage) return 0;
  if (ImageHandle(number)) return 1;
  int identity = 0;
  ImageRecord* record = Table().Reserve(number, &identity);
  if (!record) return 0;
  Loaded image;
  if (!MakeEmbeddedPicture(number, ProgramDpi(), &image)) {
    Fail(identity);
    return 0;
  }
  Store(number, identity, record, image);
  return 1;
}

void LoadEmbeddedPicturesAhead(const int* numbers, int count, void (*then)()) {
  CollectPicturesAhead();
  for (int i = 0; i < count; ++i)
    if (numbers[i] >= kFirstEmbeddedImage && numbers[i] <= kLastEmbeddedImage && !ImageHandle(numbers[i]))
      gAhead.pictures.push_back({numbers[i], {}, false, ProgramDpi()});
  gAhead.then = then;
  gAhead.thread = CreateThread(nullptr, 0, MakePicturesAhead, nullptr, 0, &gAhead.threadId);
  if (!gAhead.thread) gAhead.pictures.clear();  // made when asked for, as always
}

int LoadEmbeddedPictures() {
  int loaded = 0;
  for (int number = kFirstEmbeddedImage; number <= kLastEmbeddedImage; ++number) loaded += LoadEmbeddedPicture(number);
  return loaded;
}

}  // namespace ui
