#include "ui/png_decoder.h"

#include <png.h>

#include <cstring>

#include "ui/image_headers.h"

namespace ui {

size_t ImageSource::Read(void* out, size_t n) {
  const uint64_t consumed = position_;
  if (consumed >= budget_) return 0;
  if (n > budget_ - consumed) n = static_cast<size_t>(budget_ - consumed);
  if (file_ == INVALID_HANDLE_VALUE) {
    const size_t left = size_ - position_;
    if (n > left) n = left;
    if (n) std::memcpy(out, data_ + position_, n);
    position_ += n;
    return n;
  }
  size_t total = 0;
  auto* p = static_cast<uint8_t*>(out);
  while (total < n) {
    const DWORD chunk = static_cast<DWORD>(n - total > 0x10000000 ? 0x10000000 : n - total);
    DWORD got = 0;
    if (!ReadFile(file_, p + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
  }
  position_ += total;
  return total;
}

bool ImageSource::Rewind() {
  position_ = 0;
  budget_ = UINT64_MAX;
  if (file_ == INVALID_HANDLE_VALUE) return true;
  LARGE_INTEGER zero{};
  return SetFilePointerEx(file_, zero, nullptr, FILE_BEGIN) != 0;
}

namespace {

// Everything a decode touches lives here, in the caller's frame: libpng leaves
// through longjmp, which must find no C++ object with a destructor in the
// frame that called setjmp, and no register-cached state it needs afterwards.
struct PngJob {
  ImageSource* source;
  const ImageLimits* limits;
  png_structp png;
  png_infop info;
  HBITMAP bitmap;
  int width;
  int height;
  int depth;
};

void ReadFromSource(png_structp png, png_bytep out, size_t n) {
  auto* source = static_cast<ImageSource*>(png_get_io_ptr(png));
  if (source->Read(out, n) != n) png_error(png, "unexpected end of data");
}

void OnPngError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void OnPngWarning(png_structp, png_const_charp) {}

// Chunks that libpng keeps (texts, suggested palettes) and the memory one
// chunk may take once decompressed (a colour profile): a stream made of
// thousands of them, or of one that inflates to gigabytes, is refused.
constexpr png_uint_32 kChunkCacheMax = 64;
constexpr png_alloc_size_t kChunkMallocMax = png_alloc_size_t{1} << 20;

bool DecodeRows(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  png_infop info = job->info;
  png_set_read_fn(png, job->source, ReadFromSource);
  png_set_user_limits(png, static_cast<png_uint_32>(job->limits->maxWidth),
                      static_cast<png_uint_32>(job->limits->maxHeight));
  png_set_chunk_cache_max(png, kChunkCacheMax);
  png_set_chunk_malloc_max(png, kChunkMallocMax);
#ifdef PNG_HANDLE_AS_UNKNOWN_SUPPORTED
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
#endif  // without it, the read-only build skips unknown chunks unread anyway
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
  if (static_cast<uint64_t>(width) * height > kMaxImagePixels) png_error(png, "image too large");

  if (colourType == PNG_COLOR_TYPE_PALETTE) {
    png_set_palette_to_rgb(png);
    // Palette transparency is dropped: expanding a palette would otherwise
    // turn tRNS into an alpha channel.
    png_set_strip_alpha(png);
  }
  if ((colourType & PNG_COLOR_MASK_COLOR) == 0) {
    if (bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    png_set_gray_to_rgb(png);
  }
  // Rounded scaling keeps 16-bit samples as close as 8 bits allow.
  if (bitDepth == 16) png_set_scale_16(png);
  png_set_bgr(png);
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int depth = (colourType & PNG_COLOR_MASK_ALPHA) ? 32 : 24;
  if (png_get_bit_depth(png, info) != 8 || png_get_channels(png, info) * 8 != depth)
    png_error(png, "unexpected pixel layout");
  // Rows of a DIB are padded to 4 bytes: 3*w + (w mod 4) is that padding for 24 bits.
  const size_t stride = depth == 32 ? 4 * size_t{width} : 3 * size_t{width} + width % 4;
  if (png_get_rowbytes(png, info) > stride) png_error(png, "row too long");

  BITMAPINFO bmi{};
  bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bmi.bmiHeader.biWidth = static_cast<LONG>(width);
  bmi.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down: rows in file order
  bmi.bmiHeader.biPlanes = 1;
  bmi.bmiHeader.biBitCount = static_cast<WORD>(depth);
  bmi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  job->bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!job->bitmap || !bits) png_error(png, "no bitmap");

  // Interlaced passes are combined into the rows already written.
  auto* rows = static_cast<png_bytep>(bits);
  for (int pass = 0; pass < passes; ++pass)
    for (png_uint_32 y = 0; y < height; ++y) png_read_row(png, rows + y * stride, nullptr);
  png_read_end(png, nullptr);

  job->width = static_cast<int>(width);
  job->height = static_cast<int>(height);
  job->depth = depth;
  return true;
}

bool StartJob(PngJob* job, ImageSource* source, const ImageLimits* limits) {
  *job = PngJob{};
  job->source = source;
  job->limits = limits;
  job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job, OnPngError, OnPngWarning);
  if (!job->png) return false;
  job->info = png_create_info_struct(job->png);
  return job->info != nullptr;
}

void FinishJob(PngJob* job) {
  if (job->png) png_destroy_read_struct(&job->png, job->info ? &job->info : nullptr, nullptr);
}

// The signature and the header chunk, read and judged without libpng: what
// follows them (and may be long) is read once, when decoding.
bool RecognisePng(ImageSource& source) {
  uint8_t header[kPngHeaderBytes];
  if (!source.Rewind() || source.Read(header, sizeof header) != sizeof header) return false;
  return CheckPngHeader(header, sizeof header, kAnyImageLimits, nullptr) == HeaderError::kNone;
}

bool DecodePng(ImageSource& source, const ImageLimits& limits, DecodedImage* image) {
  uint8_t header[kPngHeaderBytes];
  PngHeader png;
  if (!source.Rewind() || source.Read(header, sizeof header) != sizeof header ||
      CheckPngHeader(header, sizeof header, limits, &png) != HeaderError::kNone || !source.Rewind())
    return false;
  source.LimitTo(PngByteLimit(png));
  PngJob job;
  bool ok = StartJob(&job, &source, &limits) && DecodeRows(&job);
  FinishJob(&job);
  if (!ok) {
    if (job.bitmap) DeleteObject(job.bitmap);
    return false;
  }
  image->bitmap = job.bitmap;
  image->width = job.width;
  image->height = job.height;
  image->depth = job.depth;
  return true;
}

const ImageDecoder kPng = {RecognisePng, DecodePng};

}  // namespace

const ImageDecoder& PngDecoder() { return kPng; }

}  // namespace ui
