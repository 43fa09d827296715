// PNG, JPEG and GIF through the libraries the wider ecosystem fuzzes without
// pause. libpng and libjpeg report errors by longjmp: every function that
// calls setjmp below is plain C in spirit, holding no object with a
// destructor and calling nothing that could throw, and its state lives in a
// struct owned by the caller, so that a jump skips no destructor and reads no
// stale register. Buffers are made in the caller between the stages.
// jpeglib.h needs FILE and size_t declared before it.
#include <stdio.h>
// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <gif_lib.h>
#include <png.h>
#include <setjmp.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "textures/image_decoders.h"
#include "textures/image_import.h"

namespace qx::decoders {

namespace {

size_t RowBytes(const RgbImage& image) {
  return static_cast<size_t>(image.width) * 3;
}

// The row that holds picture row y counted from the top.
uint8_t* RowFromTop(RgbImage& image, int y) {
  return image.rgb.data() + static_cast<size_t>(image.height - 1 - y) * RowBytes(image);
}

// ---------------------------------------------------------------- PNG

struct PngJob {
  png_structp png = nullptr;
  png_infop info = nullptr;
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  png_uint_32 width = 0, height = 0;
};

[[noreturn]] void PngFail(png_structp png, png_const_charp) {
  png_longjmp(png, 1);
}

void PngIgnoreWarning(png_structp, png_const_charp) {}

// A read past the last byte is an error, not a zero fill: a cut-off file is refused.
void PngRead(png_structp png, png_bytep out, size_t n) {
  auto* job = static_cast<PngJob*>(png_get_io_ptr(png));
  if (n > job->size - job->pos) png_error(png, "cut short");
  std::memcpy(out, job->data + job->pos, n);
  job->pos += n;
}

bool PngReadHeader(PngJob* job) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_set_read_fn(job->png, job, PngRead);
  // The size is judged here, not by libpng's default limit of a million pixels a side.
  png_set_user_limits(job->png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_read_info(job->png, job->info);
  job->width = png_get_image_width(job->png, job->info);
  job->height = png_get_image_height(job->png, job->info);
  return true;
}

// The samples exactly as stored: no gamma, no background, no sBIT shift;
// palettes and grey expanded to RGB, alpha dropped, 16 bits cut to the high byte.
bool PngReadPixels(PngJob* job, png_bytep* rows) {
  if (setjmp(png_jmpbuf(job->png))) return false;
  png_structp png = job->png;
  const png_byte type = png_get_color_type(png, job->info);
  const png_byte depth = png_get_bit_depth(png, job->info);
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (depth == 16) png_set_strip_16(png);
  if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  png_set_strip_alpha(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, job->info);
  if (png_get_channels(png, job->info) != 3 || png_get_bit_depth(png, job->info) != 8 ||
      png_get_rowbytes(png, job->info) != size_t(job->width) * 3)
    png_error(png, "unexpected layout");
  png_read_image(png, rows);
  // Up to the end chunk: a file cut after its pixels is still a cut file.
  png_read_end(png, nullptr);
  return true;
}

struct PngCleanup {
  PngJob& job;
  ~PngCleanup() { png_destroy_read_struct(&job.png, job.info ? &job.info : nullptr, nullptr); }
};

// ---------------------------------------------------------------- JPEG

// More scans than any real progressive file has: each scan passes over the
// whole picture, so a few kilobytes of scan headers could otherwise keep the
// decoder busy for minutes.
constexpr int kMaxJpegScans = 256;

struct JpegJob {
  jpeg_decompress_struct cinfo;
  jpeg_error_mgr err;
  jpeg_progress_mgr progress;
  jmp_buf jump;
  bool created = false;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

[[noreturn]] void JpegFail(j_common_ptr cinfo) {
  // cinfo is the first member of the job.
  longjmp(reinterpret_cast<JpegJob*>(cinfo)->jump, 1);
}

// Warnings that mean damaged or missing picture data; the decoder would fill
// the gap with grey. Other warnings (stray bytes between markers, an odd
// JFIF thumbnail) leave the picture whole and are passed over.
void JpegMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;
  switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
      JpegFail(cinfo);
    default:
      break;
  }
}

void JpegSilence(j_common_ptr) {}

void JpegProgress(j_common_ptr cinfo) {
  if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxJpegScans) JpegFail(cinfo);
}

bool JpegReadHeader(JpegJob* job) {
  if (setjmp(job->jump)) return false;
  job->cinfo.err = jpeg_std_error(&job->err);
  job->err.error_exit = JpegFail;
  job->err.emit_message = JpegMessage;
  job->err.output_message = JpegSilence;
  jpeg_create_decompress(&job->cinfo);
  job->created = true;
  job->progress.progress_monitor = JpegProgress;
  job->cinfo.progress = &job->progress;
  jpeg_mem_src(&job->cinfo, job->data, static_cast<unsigned long>(job->size));
  jpeg_read_header(&job->cinfo, TRUE);
  return true;
}

// CMYK as Adobe writes it (inverted) or plain, to RGB without a colour profile.
void CmykRowToRgb(const uint8_t* cmyk, uint8_t* rgb, int width, bool inverted) {
  for (int x = 0; x < width; ++x, cmyk += 4, rgb += 3) {
    const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const unsigned v = inverted ? cmyk[c] : 255u - cmyk[c];
      rgb[c] = static_cast<uint8_t>((v * k + 127) / 255);
    }
  }
}

bool JpegReadPixels(JpegJob* job, RgbImage* image, uint8_t* cmyk_row) {
  if (setjmp(job->jump)) return false;
  j_decompress_ptr cinfo = &job->cinfo;
  const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
  cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(cinfo);
  if (cinfo->output_width != JDIMENSION(image->width) || cinfo->output_height != JDIMENSION(image->height) ||
      cinfo->output_components != (cmyk ? 4 : 3))
    JpegFail(reinterpret_cast<j_common_ptr>(cinfo));
  while (cinfo->output_scanline < cinfo->output_height) {
    uint8_t* out = RowFromTop(*image, static_cast<int>(cinfo->output_scanline));
    JSAMPROW row = cmyk ? cmyk_row : out;
    if (jpeg_read_scanlines(cinfo, &row, 1) != 1) JpegFail(reinterpret_cast<j_common_ptr>(cinfo));
    if (cmyk) CmykRowToRgb(cmyk_row, out, image->width, cinfo->saw_Adobe_marker);
  }
  // Up to the end marker: a file cut after its last scan is still a cut file.
  jpeg_finish_decompress(cinfo);
  return true;
}

struct JpegCleanup {
  JpegJob& job;
  ~JpegCleanup() {
    if (job.created) jpeg_destroy_decompress(&job.cinfo);
  }
};

// ---------------------------------------------------------------- GIF

struct GifSource {
  const uint8_t* data;
  size_t size;
  size_t pos;
};

int GifRead(GifFileType* gif, GifByteType* out, int wanted) {
  auto* s = static_cast<GifSource*>(gif->UserData);
  const size_t n = std::min(s->size - s->pos, static_cast<size_t>(std::max(wanted, 0)));
  std::memcpy(out, s->data + s->pos, n);
  s->pos += n;
  return static_cast<int>(n);  // fewer than wanted: giflib reports a read error
}

struct GifCloser {
  void operator()(GifFileType* gif) const {
    int error = 0;
    DGifCloseFile(gif, &error);
  }
};

// Skips extension blocks up to the first image; false at the end of the file
// or on an error.
bool GifFindImage(GifFileType* gif) {
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
    if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) == GIF_OK;
    if (type != EXTENSION_RECORD_TYPE) return false;
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
    while (block)
      if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
  }
}

}  // namespace

Result DecodePng(const uint8_t* data, size_t size, RgbImage& image) {
  if (size < 8 || png_sig_cmp(data, 0, 8) != 0) return Result::kInvalid;
  // The header chunk comes first: a picture too large is told as such even
  // when the rest of the file is no use.
  if (size >= 24 && std::memcmp(data + 12, "IHDR", 4) == 0) {
    auto be32 = [&](size_t at) {
      return uint32_t(data[at]) << 24 | uint32_t(data[at + 1]) << 16 | uint32_t(data[at + 2]) << 8 |
             data[at + 3];
    };
    if (be32(16) > uint32_t(kMaxImageSide) || be32(20) > uint32_t(kMaxImageSide)) return Result::kTooLarge;
  }
  PngJob job;
  job.data = data;
  job.size = size;
  job.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngIgnoreWarning);
  if (!job.png) return Result::kInvalid;
  PngCleanup cleanup{job};
  job.info = png_create_info_struct(job.png);
  if (!job.info || !PngReadHeader(&job)) return Result::kInvalid;
  if (const Result r = CheckSize(job.width, job.height); r != Result::kOk) return r;
  RgbImage out;
  Allocate(out, static_cast<int>(job.width), static_cast<int>(job.height));
  std::vector<png_bytep> rows(job.height);
  for (png_uint_32 y = 0; y < job.height; ++y) rows[y] = RowFromTop(out, static_cast<int>(y));
  if (!PngReadPixels(&job, rows.data())) return Result::kInvalid;
  image = std::move(out);
  return Result::kOk;
}

Result DecodeJpeg(const uint8_t* data, size_t size, RgbImage& image) {
  if (size < 2 || data[0] != 0xFF || data[1] != 0xD8) return Result::kInvalid;
  JpegJob job;
  job.data = data;
  job.size = size;
  JpegCleanup cleanup{job};
  if (!JpegReadHeader(&job)) return Result::kInvalid;
  if (const Result r = CheckSize(job.cinfo.image_width, job.cinfo.image_height); r != Result::kOk) return r;
  RgbImage out;
  Allocate(out, static_cast<int>(job.cinfo.image_width), static_cast<int>(job.cinfo.image_height));
  std::vector<uint8_t> cmyk_row(static_cast<size_t>(out.width) * 4);
  if (!JpegReadPixels(&job, &out, cmyk_row.data())) return Result::kInvalid;
  image = std::move(out);
  return Result::kOk;
}

// The first frame on the logical screen: pixels take their palette colour
// (a transparent one too, as alpha is dropped everywhere), the screen outside
// the frame stays black.
Result DecodeGif(const uint8_t* data, size_t size, RgbImage& image) {
  if (size < 6 || std::memcmp(data, "GIF8", 4) != 0) return Result::kInvalid;
  GifSource source{data, size, 0};
  int error = 0;
  std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, GifRead, &error));
  if (!gif) return Result::kInvalid;
  if (const Result r = CheckSize(gif->SWidth, gif->SHeight); r != Result::kOk) return r;
  if (!GifFindImage(gif.get())) return Result::kInvalid;
  const GifImageDesc& frame = gif->Image;
  const ColorMapObject* palette = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
  // A frame is drawn on the screen; one larger than any screen is damaged.
  if (!palette || !palette->Colors || frame.Width <= 0 || frame.Height <= 0 || frame.Width > 65535 ||
      frame.Height > 65535 || CheckSize(frame.Width, frame.Height) != Result::kOk)
    return Result::kInvalid;
  RgbImage out;
  Allocate(out, gif->SWidth, gif->SHeight);
  std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
  auto put_row = [&](int y) {
    const int screen_y = frame.Top + y;
    if (screen_y < 0 || screen_y >= out.height) return;
    uint8_t* row = RowFromTop(out, screen_y);
    for (int x = 0; x < frame.Width; ++x) {
      const int screen_x = frame.Left + x;
      if (screen_x < 0 || screen_x >= out.width) continue;
      const int index = line[static_cast<size_t>(x)];
      if (index >= palette->ColorCount) continue;  // no colour: black
      const GifColorType& c = palette->Colors[index];
      uint8_t* p = row + static_cast<size_t>(screen_x) * 3;
      p[0] = c.Red;
      p[1] = c.Green;
      p[2] = c.Blue;
    }
  };
  if (frame.Interlace) {
    static constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < frame.Height; y += kStep[pass]) {
        if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return Result::kInvalid;
        put_row(y);
      }
  } else {
    for (int y = 0; y < frame.Height; ++y) {
      if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR) return Result::kInvalid;
      put_row(y);
    }
  }
  image = std::move(out);
  return Result::kOk;
}

}  // namespace qx::decoders
