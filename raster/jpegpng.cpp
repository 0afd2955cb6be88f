// JPEG and PNG reading and writing.
#include "raster/jpegpng.h"

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>
#include <png.h>

#include "platform/atomicfile.h"
#include "platform/host.h"
#include "raster/imagefile.h"
#include "raster/rasterimage.h"
#include "resources/messages_raster.h"

namespace qzn {

namespace {

bool HostIsLittleEndian() {
  const std::uint16_t one = 1;
  return *reinterpret_cast<const BYTE*>(&one) == 1;
}

// Row y of the record as one interleaved file row: triples for 3 planes,
// else the plane's row as stored. invert turns a white-is-zero image into
// the black-is-zero form both formats use.
void PackRow(const CRasterImage& img, int y, BYTE* out, bool invert) {
  if (img.planes == 3) {
    const BYTE* r = img.GetRow(y, 0);
    const BYTE* g = img.GetRow(y, 1);
    const BYTE* b = img.GetRow(y, 2);
    for (std::int64_t x = 0; x < img.width; ++x) {
      *out++ = r[x];
      *out++ = g[x];
      *out++ = b[x];
    }
    return;
  }
  const std::int64_t n = img.GetRowBytes();
  const BYTE* in = img.GetRow(y);
  if (!invert) {
    std::memcpy(out, in, static_cast<std::size_t>(n));
  } else {
    // Inverting every byte inverts every sample at 1, 8 and 16 bits alike.
    for (std::int64_t i = 0; i < n; ++i) out[i] = static_cast<BYTE>(~in[i]);
  }
}

// The reverse: an interleaved file row into row y of the record.
void UnpackRow(const BYTE* in, CRasterImage& img, int y) {
  if (img.planes == 3) {
    BYTE* r = img.GetRow(y, 0);
    BYTE* g = img.GetRow(y, 1);
    BYTE* b = img.GetRow(y, 2);
    for (std::int64_t x = 0; x < img.width; ++x, in += 3) {
      r[x] = in[0];
      g[x] = in[1];
      b[x] = in[2];
    }
    return;
  }
  std::memcpy(img.GetRow(y), in, static_cast<std::size_t>(img.GetRowBytes()));
}

bool WhiteIsZero(const CRasterImage& img) { return img.planes == 1 && img.photometric == kPhotometricMinIsWhite; }

// ---- libjpeg glue ----

struct JpegError {
  jpeg_error_mgr mgr;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {};  // the library's words for the last error
};

// Formats the message and keeps it for the reader's report; the library
// never writes to a console.
void JpegOutputMessage(j_common_ptr cinfo) {
  (*cinfo->err->format_message)(cinfo, reinterpret_cast<JpegError*>(cinfo->err)->message);
}

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
  JpegOutputMessage(cinfo);
  std::longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1);
}

// Damaged data is only a warning to the library, which pads the picture
// with grey, skips bytes or resynchronises, and goes on: a scan cut short,
// a bad Huffman or arithmetic code, bytes before a marker, lost restart
// markers, a progression out of order. The picture is then not the file's,
// so here those warnings are errors; the first one ends the read at once
// (a huge header over a few bytes of data is not decoded to the end).
bool IsJpegDamage(int code) {
  switch (code) {
    case JWRN_ARITH_BAD_CODE:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_JPEG_EOF:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_TOO_MUCH_DATA: return true;
    default: return false;
  }
}

void JpegEmitMessage(j_common_ptr cinfo, int level) {
  if (level < 0 && IsJpegDamage(cinfo->err->msg_code)) JpegErrorExit(cinfo);
}

void InitJpegError(JpegError& err) {
  jpeg_std_error(&err.mgr);
  err.mgr.error_exit = JpegErrorExit;
  err.mgr.output_message = JpegOutputMessage;
  err.mgr.emit_message = JpegEmitMessage;
}

// Compressed bytes go to an atomic file in 64 KB pieces.
struct JpegDest {
  jpeg_destination_mgr mgr;
  CAtomicFile* file;
  std::vector<JOCTET> buffer;
};

void JpegInitDest(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDest*>(cinfo->dest);
  d->mgr.next_output_byte = d->buffer.data();
  d->mgr.free_in_buffer = d->buffer.size();
}

boolean JpegEmptyBuffer(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDest*>(cinfo->dest);
  if (!d->file->Write(d->buffer.data(), d->buffer.size())) ERREXIT(cinfo, JERR_FILE_WRITE);
  d->mgr.next_output_byte = d->buffer.data();
  d->mgr.free_in_buffer = d->buffer.size();
  return TRUE;
}

void JpegTermDest(j_compress_ptr cinfo) {
  auto* d = reinterpret_cast<JpegDest*>(cinfo->dest);
  const std::size_t n = d->buffer.size() - d->mgr.free_in_buffer;
  if (n && !d->file->Write(d->buffer.data(), n)) ERREXIT(cinfo, JERR_FILE_WRITE);
}

// ---- libpng glue ----

// libpng's words for the error that ended a read, kept for the report.
struct PngErrorText {
  char text[256] = {};
};

void PngError(png_structp png, png_const_charp message) {
  if (auto* keep = static_cast<PngErrorText*>(png_get_error_ptr(png)))
    std::snprintf(keep->text, sizeof keep->text, "%s", message ? message : "");
  png_longjmp(png, 1);
}
void PngWarning(png_structp, png_const_charp) {}

void PngWrite(png_structp png, png_bytep data, png_size_t n) {
  auto* file = static_cast<CAtomicFile*>(png_get_io_ptr(png));
  if (!file->Write(data, n)) png_error(png, "write failed");
}
void PngFlush(png_structp) {}

}  // namespace

// ---------------------------------------------------------------------------
// JPEG

int ReadJpegFile(const std::string& fileName, CRasterImage& image, CImageReadProblem* problem) {
  const CReadRefusal refuse(problem);
  CFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) {
    AfxMessageBox(res::text::kCannotOpenImageFile);
    return 0;
  }
  jpeg_decompress_struct cinfo;
  JpegError err;
  CRasterImage tmp;
  std::vector<BYTE> row;
  cinfo.err = &err.mgr;
  InitJpegError(err);
  jpeg_create_decompress(&cinfo);
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return refuse(kReadDamaged, err.message);
  }
  jpeg_stdio_src(&cinfo, file.get());
  jpeg_read_header(&cinfo, TRUE);
  if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) {
    jpeg_destroy_decompress(&cinfo);
    return refuse(kReadCmyk);
  }
  cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
  cinfo.scale_num = cinfo.scale_denom = 1;
  cinfo.quantize_colors = FALSE;
  jpeg_start_decompress(&cinfo);
  const int planes = cinfo.output_components;
  if (planes != 1 && planes != 3) {
    jpeg_destroy_decompress(&cinfo);
    return refuse(kReadUnsupported);
  }
  if (!ImageGeometryFits(cinfo.output_width, cinfo.output_height, planes, 8)) {
    jpeg_destroy_decompress(&cinfo);
    return refuse(kReadBadSize, PixelSizeText(cinfo.output_width, cinfo.output_height));
  }
  tmp.width = static_cast<std::int32_t>(cinfo.output_width);
  tmp.height = static_cast<std::int32_t>(cinfo.output_height);
  tmp.planes = planes;
  tmp.bitsPerSample = 8;
  tmp.photometric = planes == 3 ? kPhotometricRgb : kPhotometricMinIsBlack;
  if (!tmp.AllocPixels()) {
    jpeg_destroy_decompress(&cinfo);
    return refuse(kReadNoMemory);
  }
  if (planes == 3) row.resize(static_cast<std::size_t>(tmp.width) * 3);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW target = planes == 1 ? tmp.GetRow(y) : row.data();
    if (jpeg_read_scanlines(&cinfo, &target, 1) != 1) {
      jpeg_destroy_decompress(&cinfo);
      return refuse(kReadDamaged);
    }
    if (planes == 3) UnpackRow(row.data(), tmp, y);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  image.MoveFrom(tmp);
  return 1;
}

int WriteJpegFile(const std::string& fileName, int quality, const CRasterImage& image) {
  const bool rgb = image.IsRGB();
  if (!rgb && !(image.IsGrey() && image.planes == 1)) return 0;
  CAtomicFile out;
  if (!out.Open(fileName)) {
    AfxMessageBox(res::text::kCannotOpenImageFile);
    return 0;
  }
  jpeg_compress_struct cinfo;
  JpegError err;
  JpegDest dest;
  std::vector<BYTE> row;
  try {
    dest.buffer.resize(65536);
    row.resize(static_cast<std::size_t>(image.width) * image.planes);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  dest.file = &out;
  dest.mgr.init_destination = JpegInitDest;
  dest.mgr.empty_output_buffer = JpegEmptyBuffer;
  dest.mgr.term_destination = JpegTermDest;
  cinfo.err = &err.mgr;
  InitJpegError(err);
  jpeg_create_compress(&cinfo);
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    return 0;
  }
  cinfo.dest = &dest.mgr;
  cinfo.image_width = static_cast<JDIMENSION>(image.width);
  cinfo.image_height = static_cast<JDIMENSION>(image.height);
  cinfo.input_components = rgb ? 3 : 1;
  cinfo.in_color_space = rgb ? JCS_RGB : JCS_GRAYSCALE;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  const bool invert = WhiteIsZero(image);
  while (cinfo.next_scanline < cinfo.image_height) {
    PackRow(image, static_cast<int>(cinfo.next_scanline), row.data(), invert);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&cinfo, &p, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return out.Commit() ? 1 : 0;
}

// ---------------------------------------------------------------------------
// PNG

int ReadPngFile(const std::string& fileName, CRasterImage& image, CImageReadProblem* problem) {
  const CReadRefusal refuse(problem);
  CFilePtr file(std::fopen(fileName.c_str(), "rb"));
  if (!file) return refuse(kReadNotThisFormat);
  PngErrorText error;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &error, PngError, PngWarning);
  if (!png) return refuse(kReadNoMemory);
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return refuse(kReadNoMemory);
  }
  CRasterImage tmp;
  std::vector<BYTE> row;
  // Why the library was stopped, where the reader stopped it itself; else the
  // library's own report says what was damaged.
  // (volatile: read again after the library jumped back)
  const char* volatile stopped = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return refuse(stopped ? stopped : kReadDamaged, error.text);
  }
  png_init_io(png, file.get());
  png_read_info(png, info);
  png_uint_32 w = 0, h = 0;
  int depth = 0, colorType = 0, interlace = 0;
  png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);

  const bool palette = colorType == PNG_COLOR_TYPE_PALETTE;
  const bool color = (colorType & PNG_COLOR_MASK_COLOR) && !palette;
  if (colorType & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(png);
  int bits = depth;
  if (depth == 2 || depth == 4) {
    // The record keeps 1, 8 or 16 bits: grey is scaled to 8 bits, palette
    // indices are spread to one byte each.
    if (palette)
      png_set_packing(png);
    else
      png_set_expand_gray_1_2_4_to_8(png);
    bits = 8;
  }
  if (depth == 16) {
    if (color) {
      png_set_strip_16(png);
      bits = 8;
    } else if (HostIsLittleEndian()) {
      png_set_swap(png);
    }
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int planes = color ? 3 : 1;
  if (!ImageGeometryFits(w, h, planes, bits)) {
    stopped = kReadBadSize;
    png_error(png, PixelSizeText(w, h).c_str());
  }
  tmp.width = static_cast<std::int32_t>(w);
  tmp.height = static_cast<std::int32_t>(h);
  tmp.planes = planes;
  tmp.bitsPerSample = bits;
  tmp.photometric = palette ? kPhotometricPalette : color ? kPhotometricRgb : kPhotometricMinIsBlack;
  if (palette) {
    if (!tmp.AllocPalette()) {
      AfxMessageBox(res::text::kColourMapNoMemory);
      png_destroy_read_struct(&png, &info, nullptr);
      return 0;
    }
    png_colorp entries = nullptr;
    int count = 0;
    if (png_get_PLTE(png, info, &entries, &count) && entries) {
      for (int i = 0; i < count && i < 256; ++i) {
        tmp.red[i] = entries[i].red;
        tmp.green[i] = entries[i].green;
        tmp.blue[i] = entries[i].blue;
      }
    }
  }
  if (!tmp.AllocPixels()) {
    stopped = kReadNoMemory;
    png_error(png, "");
  }
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  if (planes == 3) {
    row.resize(rowBytes);
  } else if (static_cast<std::int64_t>(rowBytes) != tmp.GetRowBytes()) {
    png_error(png, "row size");
  }
  for (int pass = 0; pass < passes; ++pass) {
    for (int y = 0; y < tmp.height; ++y) {
      if (planes == 1) {
        // An interlaced pass adds its pixels to what the row already holds.
        png_read_row(png, tmp.GetRow(y), nullptr);
      } else {
        if (passes > 1 && pass > 0) PackRow(tmp, y, row.data(), false);
        png_read_row(png, row.data(), nullptr);
        UnpackRow(row.data(), tmp, y);
      }
    }
  }
  // libpng keeps the bits after a packed row's last pixel as the row held
  // them, and the block was not cleared: the padding is cleared here.
  if (tmp.bitsPerSample == 1 && (tmp.width & 7)) {
    const BYTE keep = static_cast<BYTE>(0xFF << (8 - (tmp.width & 7)));
    for (int y = 0; y < tmp.height; ++y) tmp.GetRow(y)[tmp.GetRowBytes() - 1] &= keep;
  }
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  image.MoveFrom(tmp);
  return 1;
}

int WritePngFile(const std::string& fileName, const CRasterImage& image) {
  if (!image.pixels || image.width <= 0 || image.height <= 0) return 0;
  const int bits = image.bitsPerSample;
  const bool rgb = image.planes == 3;
  if (rgb ? bits != 8 : (image.planes != 1 || (bits != 1 && bits != 8 && bits != 16))) return 0;
  // volatile: read again after the library may have jumped back
  const volatile bool palette = !rgb && image.photometric == kPhotometricPalette && image.HasPalette() && bits <= 8;

  CAtomicFile out;
  if (!out.Open(fileName)) return 0;
  std::vector<BYTE> row;
  try {
    row.resize(static_cast<std::size_t>(rgb ? 3 * static_cast<std::int64_t>(image.width) : image.GetRowBytes()));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
  if (!png) return 0;
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    return 0;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return 0;
  }
  png_set_write_fn(png, &out, PngWrite, PngFlush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), rgb ? 8 : bits,
               rgb       ? PNG_COLOR_TYPE_RGB
               : palette ? PNG_COLOR_TYPE_PALETTE
                         : PNG_COLOR_TYPE_GRAY,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (palette) {
    // A palette never has more entries than the depth can index.
    const int count = 1 << bits;
    png_color entries[256];
    for (int i = 0; i < count; ++i) {
      entries[i].red = image.red[i];
      entries[i].green = image.green[i];
      entries[i].blue = image.blue[i];
    }
    png_set_PLTE(png, info, entries, count);
  }
  png_write_info(png, info);
  if (bits == 16 && HostIsLittleEndian()) png_set_swap(png);
  const bool invert = !palette && WhiteIsZero(image);
  for (int y = 0; y < image.height; ++y) {
    PackRow(image, y, row.data(), invert);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out.Commit() ? 1 : 0;
}

}  // namespace qzn
