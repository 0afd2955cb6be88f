// TIFF and GeoTIFF reading and writing.
#include "raster/tiffio.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include <tiffio.h>
#include <geotiff/geotiff.h>
#include <geotiff/geotiffio.h>
#include <geotiff/geovalues.h>
#include <geotiff/xtiffio.h>
#include <unistd.h>

#include "platform/atomicfile.h"
#include "platform/parallel.h"
#include "platform/textfile.h"
#include "raster/imagefile.h"
#include "raster/rasterimage.h"
#include "resources/messages_raster.h"

namespace qzn {

namespace {

// libtiff reports through process-wide handlers; the program shows its own
// messages, so the library stays silent.
void SilenceTiff() {
  static std::once_flag once;
  std::call_once(once, [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
  });
}

// What libtiff reports while one file is read. Decoders report damaged data
// as errors, or as warnings where they can step over it and go on: bad and
// mistimed CCITT code words ("Line length mismatch", "Premature EOL"),
// PackBits runs past the row, JPEG data that libjpeg pads or resynchronises.
// Either way the pixels are not the file's, so once the pixel data is being
// decoded both fail the read. Reports while the directory is read (unknown
// tags and the like) do not: what matters there is whether the fields the
// reader needs can be had.
struct TiffReport {
  bool decoding = false;
  std::string damage;  // the first report of damaged pixel data

  static bool DamageWarning(const char* module, const std::string& text) {
    const std::string m = module ? module : "";
    if (m.rfind("Fax3", 0) == 0 || m.rfind("Fax4", 0) == 0 || m.rfind("PackBits", 0) == 0) return true;
    // libjpeg's corrupt-data warnings, passed on by the JPEG codec.
    return m == "JPEGLib" && (text.find("Corrupt JPEG data") != std::string::npos ||
                              text.find("Premature end of JPEG file") != std::string::npos);
  }
  void Take(const char* module, const char* fmt, va_list ap, bool error) {
    if (!decoding || !damage.empty()) return;
    char buffer[512];
    std::vsnprintf(buffer, sizeof buffer, fmt, ap);
    const std::string text = buffer;
    if (error || DamageWarning(module, text)) damage = (module && *module ? std::string(module) + ": " : "") + text;
  }
};

int TiffReportError(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  static_cast<TiffReport*>(user)->Take(module, fmt, ap, true);
  return 1;
}
int TiffReportWarning(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
  static_cast<TiffReport*>(user)->Take(module, fmt, ap, false);
  return 1;
}

// Opens the file for reading with the GeoTIFF tags registered and the
// reports of libtiff going to report.
TIFF* OpenTiffForReading(const std::string& fileName, TiffReport& report) {
  XTIFFInitialize();
  TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
  if (!options) return nullptr;
  TIFFOpenOptionsSetErrorHandlerExtR(options, TiffReportError, &report);
  TIFFOpenOptionsSetWarningHandlerExtR(options, TiffReportWarning, &report);
  TIFF* tif = TIFFOpenExt(fileName.c_str(), "r", options);
  TIFFOpenOptionsFree(options);
  return tif;
}

// libgeotiff's reports go nowhere: a GeoKey directory that cannot be read is
// told by GTIFNewEx's failure.
void SilentGeoKeyError(GTIF*, int, const char*, ...) {}

struct TiffCloser {
  void operator()(TIFF* t) const { XTIFFClose(t); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;
struct GtifFreer {
  void operator()(GTIF* g) const { GTIFFree(g); }
};
using GtifPtr = std::unique_ptr<GTIF, GtifFreer>;

// Variable-count tags hand back their count as 16 or 32 bits depending on
// how the tag was registered; a zeroed 32-bit count reads right either way on
// a little-endian host, and the count is bounded by the caller anyway.
bool GetDoubles(TIFF* tif, ttag_t tag, std::uint32_t& count, double*& values) {
  count = 0;
  values = nullptr;
  return TIFFGetField(tif, tag, &count, &values) && values && count > 0;
}

// Moves decoded samples into the record: the pixels [x0, x0 + count) of
// row y, from a scanline or a tile row.
struct SampleCopier {
  CRasterImage& img;
  int fileBits;  // 1, 4 or 8
  int spp;       // samples a pixel in the data given (1 for one plane of planar data)
  bool rgb;      // three planes

  // plane: the record plane for planar data, -1 for contiguous data.
  void Copy(const BYTE* in, int y, std::int64_t x0, std::int64_t count, int plane) const {
    if (fileBits == 1) {
      if (x0 & 7) {
        // Tiles should be multiples of 16 pixels wide, but libtiff reads any
        // width: a tile that starts inside a byte goes bit by bit.
        BYTE* row = img.GetRow(y);
        for (std::int64_t i = 0; i < count; ++i) {
          const std::int64_t x = x0 + i;
          const BYTE m = static_cast<BYTE>(0x80 >> (x & 7));
          if ((in[i >> 3] >> (7 - (i & 7))) & 1)
            row[x >> 3] |= m;
          else
            row[x >> 3] &= static_cast<BYTE>(~m);
        }
        const std::int64_t end = x0 + count;
        if (end == img.width && (end & 7)) row[(end - 1) >> 3] &= static_cast<BYTE>(0xFF << (8 - (end & 7)));
        return;
      }
      BYTE* out = img.GetRow(y) + x0 / 8;
      const std::int64_t bytes = (count + 7) / 8;
      std::memcpy(out, in, static_cast<std::size_t>(bytes));
      if (count & 7) out[bytes - 1] &= static_cast<BYTE>(0xFF << (8 - (count & 7)));
      return;
    }
    if (fileBits == 4) {
      BYTE* out = img.GetRow(y) + x0;
      for (std::int64_t i = 0; i < count; ++i)
        out[i] = static_cast<BYTE>((i & 1) ? (in[i >> 1] & 0x0F) : (in[i >> 1] >> 4));
      return;
    }
    if (plane >= 0) {
      std::memcpy(img.GetRow(y, plane) + x0, in, static_cast<std::size_t>(count));
      return;
    }
    if (rgb) {
      BYTE* r = img.GetRow(y, 0) + x0;
      BYTE* g = img.GetRow(y, 1) + x0;
      BYTE* b = img.GetRow(y, 2) + x0;
      for (std::int64_t i = 0; i < count; ++i, in += spp) {
        r[i] = in[0];
        g[i] = in[1];
        b[i] = in[2];
      }
      return;
    }
    BYTE* out = img.GetRow(y) + x0;
    if (spp == 1) {
      std::memcpy(out, in, static_cast<std::size_t>(count));
    } else {
      // Extra samples (alpha) are dropped: the first sample is the image.
      for (std::int64_t i = 0; i < count; ++i, in += spp) out[i] = in[0];
    }
  }
};

int ReadStrips(TIFF* tif, const SampleCopier& c, bool planar, int samplesToRead, const TiffReport& report) {
  CRasterImage& img = c.img;
  const std::int64_t w = img.width, h = img.height;
  const bool direct = !planar && c.spp == 1 && c.fileBits != 4;
  std::vector<BYTE> buf;
  if (!direct) {
    try {
      buf.resize(static_cast<std::size_t>(TIFFScanlineSize64(tif)));
    } catch (const std::bad_alloc&) {
      return kTiffNoMemory;
    }
  }
  if (!planar) {
    for (std::int64_t y = 0; y < h; ++y) {
      if (direct) {
        // The scanline is the record's row: decode straight into it.
        if (TIFFReadScanline(tif, img.GetRow(static_cast<int>(y)), static_cast<std::uint32_t>(y), 0) < 0 ||
            !report.damage.empty())
          return kTiffReadError;
        if (c.fileBits == 1 && (w & 7)) {
          BYTE* row = img.GetRow(static_cast<int>(y));
          row[img.GetRowBytes() - 1] &= static_cast<BYTE>(0xFF << (8 - (w & 7)));
        }
        continue;
      }
      if (TIFFReadScanline(tif, buf.data(), static_cast<std::uint32_t>(y), 0) < 0 || !report.damage.empty())
        return kTiffReadError;
      c.Copy(buf.data(), static_cast<int>(y), 0, w, -1);
    }
    return kTiffOk;
  }
  for (int s = 0; s < samplesToRead; ++s)
    for (std::int64_t y = 0; y < h; ++y) {
      BYTE* row = img.GetRow(static_cast<int>(y), s);
      if (TIFFReadScanline(tif, row, static_cast<std::uint32_t>(y), static_cast<std::uint16_t>(s)) < 0 ||
          !report.damage.empty())
        return kTiffReadError;
    }
  return kTiffOk;
}

int ReadTiles(TIFF* tif, const SampleCopier& c, bool planar, int samplesToRead, const TiffReport& report) {
  CRasterImage& img = c.img;
  const std::int64_t w = img.width, h = img.height;
  std::uint32_t tw = 0, th = 0;
  if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &th) || tw == 0 || th == 0)
    return kTiffReadError;
  const std::int64_t tileRow = TIFFTileRowSize64(tif);
  std::vector<BYTE> buf;
  try {
    buf.resize(static_cast<std::size_t>(TIFFTileSize64(tif)));
  } catch (const std::bad_alloc&) {
    return kTiffNoMemory;
  }
  if (tileRow <= 0 || tileRow * th > static_cast<std::int64_t>(buf.size())) return kTiffReadError;
  const int passes = planar ? samplesToRead : 1;
  for (int s = 0; s < passes; ++s)
    for (std::int64_t ty = 0; ty < h; ty += th)
      for (std::int64_t tx = 0; tx < w; tx += tw) {
        if (TIFFReadTile(tif, buf.data(), static_cast<std::uint32_t>(tx), static_cast<std::uint32_t>(ty), 0,
                         static_cast<std::uint16_t>(s)) < 0 ||
            !report.damage.empty())
          return kTiffReadError;
        const std::int64_t cols = std::min<std::int64_t>(tw, w - tx);
        const std::int64_t rows = std::min<std::int64_t>(th, h - ty);
        for (std::int64_t r = 0; r < rows; ++r)
          c.Copy(buf.data() + r * tileRow, static_cast<int>(ty + r), tx, cols, planar ? s : -1);
      }
  return kTiffOk;
}

// Decoding pieces side by side. A libtiff handle keeps its codec's state, so
// every piece of work opens a handle of its own on the file; the pieces are
// runs of strips or tiles, each decoded whole and moved into its rows.
// The result is the record the one-handle reading makes; a damaged piece
// fails the read with the report of the first damaged piece in file order.
struct PieceLayout {
  bool tiled = false;
  std::int64_t pieceWidth = 0, pieceHeight = 0;  // a tile, or the width and rows of a strip
  std::int64_t across = 1, down = 0;             // pieces a plane
  std::int64_t rowBytes = 0;                     // a decoded row of a piece
  std::int64_t bufferBytes = 0;                  // a decoded piece
  int planes = 1;                                // planes to read
};

bool LayoutPieces(TIFF* tif, const CRasterImage& img, bool planar, int samplesToRead, PieceLayout& l) {
  l.tiled = TIFFIsTiled(tif) != 0;
  l.planes = planar ? samplesToRead : 1;
  if (l.tiled) {
    std::uint32_t tw = 0, th = 0;
    if (!TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tw) || !TIFFGetField(tif, TIFFTAG_TILELENGTH, &th) || tw == 0 || th == 0)
      return false;
    l.pieceWidth = tw;
    l.pieceHeight = th;
    l.across = (img.width + l.pieceWidth - 1) / l.pieceWidth;
    l.rowBytes = TIFFTileRowSize64(tif);
    l.bufferBytes = TIFFTileSize64(tif);
  } else {
    std::uint32_t rps = 0;
    TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rps);
    l.pieceWidth = img.width;
    l.pieceHeight = std::clamp<std::int64_t>(rps, 1, img.height);
    l.across = 1;
    l.rowBytes = TIFFScanlineSize64(tif);
    l.bufferBytes = TIFFStripSize64(tif);
  }
  l.down = (img.height + l.pieceHeight - 1) / l.pieceHeight;
  const std::int64_t perPlane = l.across * l.down;
  const std::int64_t inFile = l.tiled ? TIFFNumberOfTiles(tif) : TIFFNumberOfStrips(tif);
  return l.rowBytes > 0 && l.bufferBytes >= l.rowBytes * std::min<std::int64_t>(l.pieceHeight, img.height) &&
         perPlane * l.planes <= inFile;
}

int ReadPiecesSideBySide(const std::string& fileName, const PieceLayout& l, const SampleCopier& c, bool planar,
                         bool jpegToRgb, std::string& damage) {
  CRasterImage& img = c.img;
  const std::int64_t perPlane = l.across * l.down;
  const std::int64_t pieces = perPlane * l.planes;
  const std::int64_t tasks = BandCount(pieces, 1);
  struct Outcome {
    std::int64_t firstBad = -1;  // the first piece that failed
    int code = kTiffOk;
    std::string damage;
  };
  std::vector<Outcome> outcomes(static_cast<std::size_t>(tasks));
  // Strips of whole rows of bytes, one sample a pixel, are the image's rows
  // as they stand: decoded straight into them, without a buffer to fill
  // and copy.
  const bool intoRows = !l.tiled && !planar && c.spp == 1 && c.fileBits == 8 && !c.rgb && img.planes == 1 &&
                        l.rowBytes == img.GetRowBytes();
  ParallelFor(tasks, [&](std::int64_t task) {
    Outcome& out = outcomes[static_cast<std::size_t>(task)];
    auto fail = [&](std::int64_t piece, int code, const std::string& text) {
      out.firstBad = piece;
      out.code = code;
      out.damage = text;
    };
    const std::int64_t from = BandStart(task, tasks, pieces), to = BandStart(task + 1, tasks, pieces);
    TiffReport report;
    TiffPtr tif(OpenTiffForReading(fileName, report));
    if (!tif) return fail(from, kTiffReadError, report.damage);
    if (jpegToRgb) TIFFSetField(tif.get(), TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    std::vector<BYTE> buf;
    try {
      if (!intoRows) buf.resize(static_cast<std::size_t>(l.bufferBytes));
    } catch (const std::bad_alloc&) {
      return fail(from, kTiffNoMemory, "");
    }
    report.decoding = true;
    for (std::int64_t piece = from; piece < to; ++piece) {
      const std::uint32_t index = static_cast<std::uint32_t>(piece);
      const int plane = static_cast<int>(piece / perPlane);
      const std::int64_t inPlane = piece % perPlane;
      const std::int64_t y0 = (inPlane / l.across) * l.pieceHeight;
      const std::int64_t x0 = (inPlane % l.across) * l.pieceWidth;
      const std::int64_t rows = std::min<std::int64_t>(l.pieceHeight, img.height - y0);
      const std::int64_t cols = std::min<std::int64_t>(l.pieceWidth, img.width - x0);
      // A strip holds only the rows left at the foot of the image: libtiff
      // decodes no more than those either way.
      const tmsize_t got =
          intoRows ? TIFFReadEncodedStrip(tif.get(), index, img.GetRow(static_cast<int>(y0)),
                                          static_cast<tmsize_t>(rows * l.rowBytes))
          : l.tiled ? TIFFReadEncodedTile(tif.get(), index, buf.data(), static_cast<tmsize_t>(buf.size()))
                    : TIFFReadEncodedStrip(tif.get(), index, buf.data(), static_cast<tmsize_t>(buf.size()));
      if (got < 0 || (!l.tiled && got < rows * l.rowBytes) || !report.damage.empty())
        return fail(piece, kTiffReadError, report.damage);
      if (intoRows) continue;
      for (std::int64_t r = 0; r < rows; ++r)
        c.Copy(buf.data() + r * l.rowBytes, static_cast<int>(y0 + r), x0, cols, planar ? plane : -1);
    }
  });
  for (const Outcome& o : outcomes)
    if (o.firstBad >= 0) {
      damage = o.damage;
      return o.code;
    }
  return kTiffOk;
}

}  // namespace

const char* TiffErrorText(int code) {
  if (code == kTiffBadSize) return res::text::kImageSizeInvalid;
  if (code == kTiffCmyk) return res::text::kCmykNotSupported;
  if (code < 0 || code >= static_cast<int>(std::size(res::text::kTiffErrorTexts))) return res::text::kTiffReadError;
  return res::text::kTiffErrorTexts[code];
}

namespace {

// The PhotometricInterpretation the current directory stores, read from
// the file itself; -1 when it cannot be told. libtiff drops a ColorMap it
// cannot read (a file cut inside it) with no more than a warning, and then
// takes an 8-bit palette image for grey (or, with three samples, RGB): the
// stored value shows what the file meant. libtiff takes the value from any
// integer type (a LONG as well as the usual SHORT), so it is read here the
// same way.
int StoredPhotometric(TIFF* t) {
  const int fd = TIFFFileno(t);
  const std::uint64_t at = TIFFCurrentDirOffset(t);
  if (fd < 0 || at == 0) return -1;
  const bool big = TIFFIsBigTIFF(t), swapped = TIFFIsByteSwapped(t);
  auto read = [&](std::uint64_t offset, void* out, std::size_t n) {
    return ::pread(fd, out, n, static_cast<off_t>(offset)) == static_cast<ssize_t>(n);
  };
  // An unsigned number of n bytes in the file's byte order.
  auto number = [&](const std::uint8_t* p, int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(p[swapped ? n - 1 - i : i]) << (8 * i);
    return v;
  };
  std::uint8_t head[8] = {};
  if (!read(at, head, big ? 8 : 2)) return -1;
  const std::uint64_t count = number(head, big ? 8 : 2);
  const std::uint64_t entrySize = big ? 20 : 12, first = at + (big ? 8 : 2);
  const int fieldSize = big ? 8 : 4;
  // A directory of more than a few thousand entries is not one worth reading.
  for (std::uint64_t i = 0; i < std::min<std::uint64_t>(count, 4096); ++i) {
    std::uint8_t e[20] = {};
    if (!read(first + i * entrySize, e, static_cast<std::size_t>(entrySize))) return -1;
    if (number(e, 2) != TIFFTAG_PHOTOMETRIC) continue;
    int size = 0;
    bool isSigned = false;
    switch (number(e + 2, 2)) {
      case TIFF_BYTE: size = 1; break;
      case TIFF_SBYTE: size = 1, isSigned = true; break;
      case TIFF_SHORT: size = 2; break;
      case TIFF_SSHORT: size = 2, isSigned = true; break;
      case TIFF_LONG: size = 4; break;
      case TIFF_SLONG: size = 4, isSigned = true; break;
      case TIFF_LONG8: size = 8; break;
      case TIFF_SLONG8: size = 8, isSigned = true; break;
      default: return -1;
    }
    const std::uint64_t values = number(e + 4, big ? 8 : 4);
    if (values < 1) return -1;
    // The first value, left-justified in the entry when the values fit
    // there, else at the offset the entry gives.
    const std::uint8_t* field = e + (big ? 12 : 8);
    std::uint8_t value[8] = {};
    if (values * static_cast<std::uint64_t>(size) <= static_cast<std::uint64_t>(fieldSize))
      std::memcpy(value, field, static_cast<std::size_t>(size));
    else if (!read(number(field, fieldSize), value, static_cast<std::size_t>(size)))
      return -1;
    const std::uint64_t v = number(value, size);
    if (isSigned && (v >> (8 * size - 1)) & 1) return -1;  // negative: no photometric code
    return v <= 0xFFFF ? static_cast<int>(v) : -1;
  }
  return -1;
}

// A tile may reach past the image (tiles are multiples of 16 pixels), and
// small images often come in tiles of the usual sizes; beyond both it is
// not a tile of this image.
bool TileDimensionFits(std::uint32_t tile, std::uint32_t image) {
  return tile <= std::max<std::uint64_t>(1024, (static_cast<std::uint64_t>(image) + 15) / 16 * 16);
}

}  // namespace

int ReadTiffImage(const std::string& fileName, CRasterImage& image, int* orientation, std::string* problem) {
  SilenceTiff();
  if (orientation) *orientation = 1;
  auto refuse = [&](int code, const std::string& what) {
    if (problem) *problem = what;
    return code;
  };
  TiffReport report;
  TiffPtr tif(OpenTiffForReading(fileName, report));
  if (!tif) return kTiffCannotOpen;
  TIFF* t = tif.get();

  std::uint32_t w = 0, h = 0;
  if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &w) || !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &h)) return kTiffMissingSize;
  {
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (StoredPhotometric(t) == kPhotometricPalette && !TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b))
      return kTiffNoColorMap;
  }
  std::uint16_t bps = 1, spp = 1, planarConfig = PLANARCONFIG_CONTIG, photometric = PHOTOMETRIC_MINISBLACK;
  std::uint16_t compression = COMPRESSION_NONE, unit = 0, orient = 1, inkSet = INKSET_CMYK;
  TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &bps);
  if (bps != 1 && bps != 4 && bps != 8) return kTiffBadBits;
  TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetField(t, TIFFTAG_PLANARCONFIG, &planarConfig);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric);
  TIFFGetFieldDefaulted(t, TIFFTAG_COMPRESSION, &compression);
  const bool jpegToRgb = photometric == PHOTOMETRIC_YCBCR && compression == COMPRESSION_JPEG;
  if (jpegToRgb) {
    // The JPEG codec converts to RGB itself, subsampling included.
    TIFFSetField(t, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    photometric = PHOTOMETRIC_RGB;
  }
  if (photometric != kPhotometricMinIsWhite && photometric != kPhotometricMinIsBlack &&
      photometric != kPhotometricRgb && photometric != kPhotometricPalette && photometric != kPhotometricSeparated)
    return kTiffBadPhotometric;
  // Photometric 5 with one sample and a colour map is an image of colour
  // classes; with several samples it is print colour (CMYK and other inks),
  // which is refused as such rather than as a missing colour map.
  if (photometric == PHOTOMETRIC_SEPARATED && (spp > 1 || TIFFGetField(t, TIFFTAG_INKSET, &inkSet))) return kTiffCmyk;
  if (spp == 0 || (bps != 8 && spp != 1)) return kTiffBadSamples;
  if (photometric == PHOTOMETRIC_RGB && spp < 3) return kTiffBadPhotometric;
  // The samples a pixel holds: the colour's own (three for RGB, else one)
  // and the extra samples the file declares (alpha, masks; one undeclared
  // alpha is let pass, as some writers leave it unlabelled), at most 15.
  // More is not an image this reader can hold, and each sample would cost
  // a scanline's or a tile's worth of memory.
  std::uint16_t extraCount = 0;
  std::uint16_t* extraKinds = nullptr;
  TIFFGetField(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extraKinds);
  const int colourSamples = photometric == PHOTOMETRIC_RGB ? 3 : 1;
  if (spp > colourSamples + std::clamp<int>(extraCount, 1, 15))
    return refuse(kTiffBadSize, FormatC(res::text::kSamplesPerPixelFormat, static_cast<int>(spp)));
  float xres = 0, yres = 0;
  TIFFGetField(t, TIFFTAG_XRESOLUTION, &xres);
  TIFFGetField(t, TIFFTAG_YRESOLUTION, &yres);
  TIFFGetField(t, TIFFTAG_RESOLUTIONUNIT, &unit);
  TIFFGetFieldDefaulted(t, TIFFTAG_ORIENTATION, &orient);

  const bool rgb = photometric == PHOTOMETRIC_RGB;
  const bool planar = planarConfig == PLANARCONFIG_SEPARATE && spp > 1;
  if (w == 0 || h == 0) return kTiffMissingSize;
  if (!ImageGeometryFits(w, h, rgb ? 3 : 1, bps == 1 ? 1 : 8)) return refuse(kTiffBadSize, PixelSizeText(w, h));
  if (TIFFIsTiled(t)) {
    std::uint32_t tw = 0, th = 0;
    TIFFGetField(t, TIFFTAG_TILEWIDTH, &tw);
    TIFFGetField(t, TIFFTAG_TILELENGTH, &th);
    if (!TileDimensionFits(tw, w) || !TileDimensionFits(th, h))
      return refuse(kTiffBadSize, FormatC(res::text::kTileSizeFormat, static_cast<unsigned long>(tw),
                                          static_cast<unsigned long>(th)));
  }

  CRasterImage tmp;
  tmp.width = static_cast<std::int32_t>(w);
  tmp.height = static_cast<std::int32_t>(h);
  tmp.planes = rgb ? 3 : 1;
  tmp.bitsPerSample = bps == 1 ? 1 : 8;
  tmp.photometric = photometric;
  tmp.xResolution = xres;
  tmp.yResolution = yres;
  tmp.resolutionUnit = unit;

  if (photometric == kPhotometricPalette || photometric == kPhotometricSeparated) {
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (!TIFFGetField(t, TIFFTAG_COLORMAP, &r, &g, &b) || !r || !g || !b) return kTiffNoColorMap;
    if (!tmp.AllocPalette()) return kTiffNoMemory;
    // Whatever the depth, the three tables sit at 0, 256 and 512 of the
    // palette block; the map holds 2^bits entries.
    const int colors = 1 << bps;
    for (int i = 0; i < colors; ++i) {
      tmp.red[i] = static_cast<BYTE>(r[i] >> 8);
      tmp.green[i] = static_cast<BYTE>(g[i] >> 8);
      tmp.blue[i] = static_cast<BYTE>(b[i] >> 8);
    }
  }
  if (!tmp.AllocPixels()) return kTiffNoMemory;

  const SampleCopier copier{tmp, bps, planar ? 1 : static_cast<int>(spp), rgb};
  const int samplesToRead = rgb ? 3 : 1;
  // A file of several strips or tiles is decoded on the worker threads;
  // old-style JPEG keeps state from one strip to the next, so it is read in
  // order through the one handle.
  // Tiles whose width ends inside a byte of the image (1-bit tiles not a
  // multiple of 8 wide) share that byte with the next tile of the row, so
  // they are decoded in order too.
  PieceLayout layout;
  const bool sideBySide = WorkerThreads() > 1 && compression != COMPRESSION_OJPEG &&
                          LayoutPieces(t, tmp, planar, samplesToRead, layout) &&
                          layout.across * layout.down * layout.planes > 1 &&
                          (layout.across == 1 || layout.pieceWidth * tmp.bitsPerSample % 8 == 0);
  int rc;
  if (sideBySide) {
    std::string damage;
    rc = ReadPiecesSideBySide(fileName, layout, copier, planar, jpegToRgb, damage);
    if (rc != kTiffOk) return refuse(rc, damage);
  } else {
    report.decoding = true;
    rc = TIFFIsTiled(t) ? ReadTiles(t, copier, planar, samplesToRead, report)
                        : ReadStrips(t, copier, planar, samplesToRead, report);
    report.decoding = false;
    if (rc != kTiffOk) return refuse(rc, report.damage);
  }

  std::uint32_t count;
  double* values;
  if (GetDoubles(t, TIFFTAG_GEOTIEPOINTS, count, values) && count >= 6) {
    if (!tmp.AllocTiePoints(static_cast<std::int32_t>(count / 6))) return kTiffNoMemory;
    std::memcpy(tmp.tiePoints, values, sizeof(double) * 6 * (count / 6));
  }
  if (GetDoubles(t, TIFFTAG_GEOPIXELSCALE, count, values) && count == 3) {
    std::memcpy(tmp.pixelScale, values, sizeof tmp.pixelScale);
    tmp.pixelScaleValid = 1;
  }
  if (GetDoubles(t, TIFFTAG_GEOTRANSMATRIX, count, values)) {
    std::fill(std::begin(tmp.modelTransformation), std::end(tmp.modelTransformation), 0.0);
    std::memcpy(tmp.modelTransformation, values, sizeof(double) * std::min<std::uint32_t>(count, 16));
    tmp.modelTransformationValid = 1;
  }
  // How the GeoTIFF data places pixels; a GeoKey directory that cannot be
  // read makes the whole GeoTIFF data untrustworthy (its tags are damaged),
  // which the document says rather than map with it.
  if (tmp.tiePointCount > 0 || tmp.pixelScaleValid || tmp.modelTransformationValid) {
    std::uint32_t keyCount = 0;
    std::uint16_t* keyDirectory = nullptr;
    const bool hasKeys = TIFFGetField(t, TIFFTAG_GEOKEYDIRECTORY, &keyCount, &keyDirectory) != 0;
    GtifPtr keys(GTIFNewEx(t, SilentGeoKeyError, nullptr));
    if (!keys) {
      tmp.geoRasterType = hasKeys ? kGeoKeysDamaged : 0;
    } else {
      std::uint16_t rasterType = 0;
      if (GTIFKeyGet(keys.get(), GTRasterTypeGeoKey, &rasterType, 0, 1) == 1 &&
          (rasterType == RasterPixelIsArea || rasterType == RasterPixelIsPoint))
        tmp.geoRasterType = rasterType;
    }
  }
  if (orientation) *orientation = orient;
  image.MoveFrom(tmp);
  return kTiffOk;
}

// ---------------------------------------------------------------------------
// Writing

void SetGeoKeys(GTIF* keys, int rasterType) {
  GTIFKeySet(keys, GTModelTypeGeoKey, TYPE_SHORT, 1, ModelTypeProjected);
  GTIFKeySet(keys, GTRasterTypeGeoKey, TYPE_SHORT, 1,
             rasterType == RasterPixelIsPoint ? RasterPixelIsPoint : RasterPixelIsArea);
  GTIFKeySet(keys, GTCitationGeoKey, TYPE_ASCII, 0, "Tarvik Dataco GeoTIFF");
}

int WriteTiffImage(const std::string& fileName, const CRasterImage& img, int compression) {
  SilenceTiff();
  if (!img.pixels || img.width <= 0 || img.height <= 0) return 0;
  const int bits = img.bitsPerSample;
  if (bits < 1 || bits > 16) return 0;
  const int fileBits = bits == 1 ? 1 : bits <= 8 ? 8 : 16;
  if (fileBits != bits) return 0;  // the record only ever holds 1, 8 or 16 bits
  const int planes = img.planes;
  if (planes != 1 && planes != 3) return 0;
  if (planes == 3 && bits == 1) return 0;
  if (compression == 0) compression = COMPRESSION_NONE;
  if (!TIFFIsCODECConfigured(static_cast<std::uint16_t>(compression))) return 0;

  // libtiff writes the temporary file by its name; the atomic file puts it
  // in place once it is complete, so a failed save never leaves half a file.
  CAtomicFile out;
  if (!out.Open(fileName)) return 0;
  // Beyond 4 GB of pixels only BigTIFF can hold the offsets.
  const bool big = img.GetImageBytes() > 0xF0000000LL;
  TiffPtr tif(XTIFFOpen(out.TempPath().c_str(), big ? "w8" : "w"));
  if (!tif) return 0;
  TIFF* t = tif.get();
  GtifPtr keyHandle(GTIFNew(t));
  GTIF* keys = keyHandle.get();

  TIFFSetField(t, TIFFTAG_SUBFILETYPE, 0);
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(img.width));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(img.height));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(fileBits));
  TIFFSetField(t, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(compression));
  TIFFSetField(t, TIFFTAG_MAKE, "Tarvik Dataco Corp.");
  TIFFSetField(t, TIFFTAG_ARTIST, "QZN for Windows");
  TIFFSetField(t, TIFFTAG_HOSTCOMPUTER, "PC/MS WINDOWS");
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(planes));
  // A resolution of 0 is "unknown": it is left out rather than written as a
  // zero that other programs would divide by.
  if (img.xResolution > 0) TIFFSetField(t, TIFFTAG_XRESOLUTION, img.xResolution);
  if (img.yResolution > 0) TIFFSetField(t, TIFFTAG_YRESOLUTION, img.yResolution);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  // The record's own unit: none, inch or centimetre. 0 (not set) writes no
  // tag, so reading the file back gives 0 again.
  if (img.resolutionUnit >= RESUNIT_NONE && img.resolutionUnit <= RESUNIT_CENTIMETER)
    TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, static_cast<std::uint16_t>(img.resolutionUnit));

  bool georeferenced = false;
  if (img.tiePointCount > 0 && img.tiePoints) {
    TIFFSetField(t, TIFFTAG_GEOTIEPOINTS, static_cast<std::uint32_t>(img.tiePointCount * 6), img.tiePoints);
    if (img.pixelScaleValid) TIFFSetField(t, TIFFTAG_GEOPIXELSCALE, 3u, img.pixelScale);
    georeferenced = true;
  } else if (img.modelTransformationValid) {
    TIFFSetField(t, TIFFTAG_GEOTRANSMATRIX, 16u, img.modelTransformation);
    georeferenced = true;
  }
  if (georeferenced && keys) SetGeoKeys(keys, img.geoRasterType);

  int photometric;
  std::vector<std::uint16_t> map;
  if (planes == 3) {
    photometric = PHOTOMETRIC_RGB;
  } else if (img.HasPalette() && (img.photometric == kPhotometricPalette || img.photometric == kPhotometricSeparated) &&
             bits <= 8) {
    const int colors = 1 << bits;
    try {
      map.resize(3 * static_cast<std::size_t>(colors));
    } catch (const std::bad_alloc&) {
    }
    if (map.empty()) {
      photometric = PHOTOMETRIC_MINISBLACK;
    } else {
      // v * 257 spreads the byte over 16 bits; its high byte is the byte.
      for (int i = 0; i < colors; ++i) {
        map[i] = static_cast<std::uint16_t>(img.red[i] * 257);
        map[colors + i] = static_cast<std::uint16_t>(img.green[i] * 257);
        map[2 * colors + i] = static_cast<std::uint16_t>(img.blue[i] * 257);
      }
      TIFFSetField(t, TIFFTAG_COLORMAP, map.data(), map.data() + colors, map.data() + 2 * colors);
      photometric = img.photometric;
    }
  } else {
    photometric = img.photometric == kPhotometricMinIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
  }
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(photometric));

  const std::int64_t scanline = TIFFScanlineSize64(t);
  if (scanline <= 0) return 0;
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(std::max<std::int64_t>(1, 16384 / scanline)));
  std::vector<BYTE> buf;
  try {
    buf.resize(static_cast<std::size_t>(scanline));
  } catch (const std::bad_alloc&) {
    return 0;
  }
  const std::int64_t rowBytes = img.GetRowBytes();
  const int sampleBytes = fileBits == 16 ? 2 : 1;
  for (int y = 0; y < img.height; ++y) {
    if (planes == 1) {
      std::memcpy(buf.data(), img.GetRow(y), static_cast<std::size_t>(rowBytes));
    } else {
      const BYTE* src[3] = {img.GetRow(y, 0), img.GetRow(y, 1), img.GetRow(y, 2)};
      BYTE* out = buf.data();
      if (sampleBytes == 1) {
        for (std::int64_t x = 0; x < img.width; ++x) {
          *out++ = src[0][x];
          *out++ = src[1][x];
          *out++ = src[2][x];
        }
      } else {
        for (std::int64_t x = 0; x < img.width; ++x)
          for (int p = 0; p < 3; ++p) {
            *out++ = src[p][2 * x];
            *out++ = src[p][2 * x + 1];
          }
      }
    }
    if (TIFFWriteScanline(t, buf.data(), static_cast<std::uint32_t>(y), 0) < 0) return 0;
  }
  if (keys && georeferenced) GTIFWriteKeys(keys);
  keyHandle.reset();
  // Closing writes the directory; only a file that closed cleanly replaces
  // the target.
  if (!TIFFFlush(t)) return 0;
  tif.reset();
  return out.Commit() ? 1 : 0;
}

}  // namespace qzn
