// Arithmetic of packed device-independent bitmaps (DIBs, raster/imagefile.h):
// the header's fields (the 40-byte info header, its larger successors and the
// 12-byte core header of old files), the colour table as a logical palette,
// a device bitmap turned into a DIB, a DIB's pixels stretched into RGB, and
// where a DIB lands on a printed page. No toolkit: the window code draws,
// captures and prints with these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/wintypes.h"
#include "raster/imagefile.h"

namespace qzn {

// Little-endian fields of the stored layouts.
inline std::uint16_t ReadLe16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
inline std::uint32_t ReadLe32(const BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void WriteLe16(BYTE* p, std::uint32_t v) {
  p[0] = static_cast<BYTE>(v);
  p[1] = static_cast<BYTE>(v >> 8);
}
inline void WriteLe32(BYTE* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

inline constexpr std::uint32_t kDibCoreHeaderSize = 12;
inline constexpr std::uint32_t kDibInfoHeaderSize = 40;

// ---- the header --------------------------------------------------------------
// Each takes the block's first bytes: at least 12 for a core header, 40 for an
// info header (the size field says which).

// The header's size field: 12 (core), 40 or more (info).
std::uint32_t DibHeaderSize(const BYTE* header);
// Width and height; a core header holds them in 16 bits. An info header's
// height is negative when the rows are stored top row first.
std::int32_t DibGetWidth(const BYTE* header);
std::int32_t DibGetHeight(const BYTE* header);
int DibBitCount(const BYTE* header);
// Colours in the table: the colours-used field of an info header when it is
// not 0, else 2 for 1 bit, 16 for 4, 256 for 8 and none for more.
int DibNumColors(const BYTE* header);
// Bytes of the colour table: 4 an entry (blue, green, red, 0) after an info
// header, 3 (blue, green, red) after a core header.
std::size_t DibColorTableSize(const BYTE* header);

// Where everything of a DIB lies, checked against the block: a header whose
// table or rows would lie beyond the block's end gives no layout, so nothing
// reads outside it.
struct DibLayout {
  std::uint32_t headerSize = 0;
  bool core = false;
  std::int64_t width = 0, height = 0;  // height without its sign
  bool topDown = false;
  int bitCount = 0;
  std::uint32_t compression = 0;  // 0 plain rows, 3 bit fields (16 and 32 bits)
  int colors = 0;                 // colour table entries
  std::size_t tableOffset = 0, entryBytes = 4;
  std::uint32_t masks[3] = {0, 0, 0};  // red, green, blue of 16- and 32-bit rows
  std::size_t bitsOffset = 0;
  std::int64_t rowBytes = 0;  // a stored row, padded to 4 bytes
};
// False when the block is not a DIB the helpers can read: no header, a size
// of nothing, a bit count other than 1, 4, 8, 16, 24 or 32, compressed rows,
// or a block shorter than its header, table and rows.
bool GetDibLayout(const CDib& dib, DibLayout& out);

// The DIB as the bytes of a .BMP file: the 14-byte file header (magic "BM",
// file size, offset of the rows) and the block. Empty for an unreadable DIB.
std::vector<BYTE> DibAsBmpFile(const CDib& dib);

// ---- palettes -------------------------------------------------------------------

struct PaletteColor {
  BYTE red = 0, green = 0, blue = 0, flags = 0;
};
// A logical palette: its version (0x300) and entries.
struct CLogPalette {
  WORD version = 0x300;
  std::vector<PaletteColor> entries;
};

// The DIB's colour table as a logical palette (flags 0); none without a
// table or a readable DIB.
std::unique_ptr<CLogPalette> DibMakePalette(const CDib* dib);

// The palette a device bitmap is converted with when none is given: black and
// white for 1 bit, the 16 standard colours (black, the eight dark colours
// with light grey, grey and the seven bright ones with white) for 4 bits, and
// the colour cube of 8 levels of red and green and 4 of blue for 8 bits.
const CLogPalette& DefaultPalette(int bitCount);

// ---- device bitmaps ---------------------------------------------------------------

// A bitmap as a display device holds it: its format (planes x bits a pixel)
// and its pixels as the colours the device shows them, red, green, blue, top
// row first, rows without padding. The pixels are borrowed from the caller
// (a canvas, a toolkit image), so a large picture is not copied twice. A
// capture of a window makes one at 24 bits.
struct CDeviceBitmap {
  int width = 0, height = 0;
  int planes = 1, bitsPixel = 24;
  const BYTE* rgb = nullptr;  // width x height x 3 bytes
};

// The DIB bit count of a device format: planes x bits a pixel, rounded up to
// 1, 4, 8 or 24 (so 16- and 32-bit devices give 24).
int DibBitCountOfFormat(int planes, int bitsPixel);

// The bitmap as a packed DIB: a 40-byte header (1 plane, no compression, the
// image size filled in), for 1, 4 and 8 bits a full colour table from the
// palette (or DefaultPalette; entries it lacks are black) with every pixel
// the nearest entry (squared distance, the first of equals), and rows bottom
// row first padded to 4 bytes. Null for a bitmap without pixels or area, or
// when memory runs out.
HDIB BitmapToDibHandle(const CDeviceBitmap& bitmap, const CLogPalette* palette);

// ---- drawing ------------------------------------------------------------------------

// The pixels that a rectangle of the DIB (top row first, right and bottom
// exclusive) gives when stretched to dstWidth x dstHeight: red, green, blue,
// top row first. Each destination pixel takes the source pixel under its
// centre (x' = left + floor((x + 0.5) * source width / dstWidth)), so a copy
// of the same size is exact and stretching repeats or drops whole pixels
// without mixing colours. Colour indices beyond the table are black. False
// for an unreadable DIB, a source rectangle that is empty or not inside the
// DIB, a destination without area, or when memory runs out.
bool DibStretchToRgb(const CDib& dib, const RECT& source, int dstWidth, int dstHeight, std::vector<BYTE>& rgb);

// ---- printing ---------------------------------------------------------------------

// Where a DIB lands in the printable area of a page (device pixels at
// ppiX x ppiY; the paper less its margins), by print option:
//  1: across the area's width, the height keeping the picture's shape on
//     the device (height = width x dibH x ppiY / (ppiX x dibW)); a picture
//     that would then run off the area's bottom is fitted to its height
//     instead, its shape kept;
//  3: dibW x xFactor by dibH x yFactor device pixels;
//  any other: the whole area.
// The placed area starts at the printable area's top-left corner; `drawn`
// is its part inside the printable area and `source` the DIB pixels that map
// onto that part, each edge rounded to the nearest pixel. Sizes are rounded
// to the nearest device pixel. False when there is nothing to place: no
// picture, no printable area, no resolution, or option 3 with a factor
// below 1.
struct DibPagePlacement {
  RECT area, drawn, source;
};
bool PlaceDibOnPage(std::int64_t dibWidth, std::int64_t dibHeight, int option, int xFactor, int yFactor,
                    const RECT& printable, int ppiX, int ppiY, DibPagePlacement& out);

}  // namespace qzn
