// Packed DIB arithmetic: header fields of both header kinds, palettes from
// colour tables, device bitmaps to DIBs, stretching compared with Pillow, and
// the placement of a DIB on a printed page.
#include "raster/dib.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>

#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using Bytes = std::vector<BYTE>;

struct DibSpec {
  int bits = 8;
  int width = 13, height = 7;
  bool core = false;     // 12-byte header, 3-byte colour entries
  bool topDown = false;  // negative height
  std::uint32_t compression = 0;
  std::uint32_t masks[3] = {0, 0, 0};  // with compression 3
  int colorsUsed = 0;
};

// Colour table entry i: distinct colours.
PaletteColor TableColor(int i) {
  return PaletteColor{static_cast<BYTE>(i * 37 % 256), static_cast<BYTE>(i * 91 % 256), static_cast<BYTE>(255 - i), 0};
}

// A value of each pixel that exercises every bit of the format.
std::uint32_t PixelValue(const DibSpec& s, int x, int y) {
  switch (s.bits) {
    case 1: return static_cast<std::uint32_t>((x + y) % 3 == 0);
    case 4: return static_cast<std::uint32_t>((x * 7 + y * 3) % 16);
    case 8: return static_cast<std::uint32_t>((x * 7 + y * 3) % (s.colorsUsed ? s.colorsUsed : 256));
    case 16: return static_cast<std::uint32_t>((x * 2347 + y * 911) & 0xFFFF);
    case 24:
    case 32: return static_cast<std::uint32_t>((x * 17) << 16 | (y * 29) << 8 | ((x * y) & 0xFF));
  }
  return 0;
}

Bytes MakeDib(const DibSpec& s) {
  const std::size_t header = s.core ? 12 : 40;
  const bool fields = s.compression == 3;
  const int colors = s.bits <= 8 ? (s.colorsUsed ? s.colorsUsed : 1 << s.bits) : 0;
  const std::size_t entry = s.core ? 3 : 4;
  const std::size_t rowBytes = (static_cast<std::size_t>(s.bits) * s.width + 31) / 32 * 4;
  Bytes b(header + (fields ? 12 : 0) + colors * entry + rowBytes * s.height, 0);
  const int h = s.topDown ? -s.height : s.height;
  WriteLe32(b.data(), static_cast<std::uint32_t>(header));
  if (s.core) {
    WriteLe16(b.data() + 4, static_cast<std::uint32_t>(s.width));
    WriteLe16(b.data() + 6, static_cast<std::uint32_t>(s.height));
    WriteLe16(b.data() + 8, 1);
    WriteLe16(b.data() + 10, static_cast<std::uint32_t>(s.bits));
  } else {
    WriteLe32(b.data() + 4, static_cast<std::uint32_t>(s.width));
    WriteLe32(b.data() + 8, static_cast<std::uint32_t>(h));
    WriteLe16(b.data() + 12, 1);
    WriteLe16(b.data() + 14, static_cast<std::uint32_t>(s.bits));
    WriteLe32(b.data() + 16, s.compression);
    WriteLe32(b.data() + 20, static_cast<std::uint32_t>(rowBytes * s.height));
    WriteLe32(b.data() + 32, static_cast<std::uint32_t>(s.colorsUsed));
  }
  BYTE* p = b.data() + header;
  if (fields)
    for (int i = 0; i < 3; ++i, p += 4) WriteLe32(p, s.masks[i]);
  for (int i = 0; i < colors; ++i, p += entry) {
    const PaletteColor c = TableColor(i);
    p[0] = c.blue, p[1] = c.green, p[2] = c.red;
  }
  for (int y = 0; y < s.height; ++y) {
    BYTE* row = p + rowBytes * static_cast<std::size_t>(s.topDown ? y : s.height - 1 - y);
    for (int x = 0; x < s.width; ++x) {
      const std::uint32_t v = PixelValue(s, x, y);
      switch (s.bits) {
        case 1: row[x / 8] |= static_cast<BYTE>(v << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<BYTE>(x % 2 ? v : v << 4); break;
        case 8: row[x] = static_cast<BYTE>(v); break;
        case 16: WriteLe16(row + 2 * x, v); break;
        case 24: row[3 * x] = BYTE(v), row[3 * x + 1] = BYTE(v >> 8), row[3 * x + 2] = BYTE(v >> 16); break;
        case 32: WriteLe32(row + 4 * x, v); break;
      }
    }
  }
  return b;
}

CDib AsDib(Bytes b) { return CDib{std::move(b)}; }

// A copy of the block with one 32-bit field changed.
Bytes With32(Bytes b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b.at(at + i) = static_cast<BYTE>(v >> (8 * i));
  return b;
}

// The DIB as a .BMP file (file header + block), whatever its header kind.
void WriteBmp(const std::string& path, const CDib& dib) {
  const Bytes file = DibAsBmpFile(dib);
  ASSERT_FALSE(file.empty());
  qzntest::WriteFileBytes(path, file);
}

}  // namespace

TEST(DibHeader, FieldsOfBothHeaderKinds) {
  struct Case {
    DibSpec spec;
    int colors;
    std::size_t tableBytes;
  };
  DibSpec core8{8, 300, 5, true};
  DibSpec core1{1, 9, 4, true};
  DibSpec info4{4, 13, 7};
  DibSpec used8{8, 13, 7};
  used8.colorsUsed = 5;
  DibSpec info24{24, 13, 7};
  DibSpec top8{8, 13, 7};
  top8.topDown = true;
  for (const Case& c : {Case{core8, 256, 768}, Case{core1, 2, 6}, Case{info4, 16, 64}, Case{used8, 5, 20},
                        Case{info24, 0, 0}, Case{top8, 256, 1024}}) {
    const Bytes b = MakeDib(c.spec);
    SCOPED_TRACE(::testing::Message() << c.spec.bits << " bits, core " << c.spec.core);
    EXPECT_EQ(DibHeaderSize(b.data()), c.spec.core ? 12u : 40u);
    EXPECT_EQ(DibGetWidth(b.data()), c.spec.width);
    EXPECT_EQ(DibGetHeight(b.data()), c.spec.topDown ? -c.spec.height : c.spec.height);
    EXPECT_EQ(DibBitCount(b.data()), c.spec.bits);
    EXPECT_EQ(DibNumColors(b.data()), c.colors);
    EXPECT_EQ(DibColorTableSize(b.data()), c.tableBytes);
    DibLayout l;
    ASSERT_TRUE(GetDibLayout(AsDib(b), l));
    EXPECT_EQ(l.bitsOffset, (c.spec.core ? 12u : 40u) + c.tableBytes);
  }
}

TEST(DibHeader, BlocksThatDoNotHoldWhatTheirHeaderSaysAreRefused) {
  const Bytes good = MakeDib(DibSpec{8, 13, 7});
  DibLayout l;
  Bytes shortRows(good.begin(), good.end() - 1);
  EXPECT_FALSE(GetDibLayout(AsDib(shortRows), l)) << "one byte of the rows missing";
  EXPECT_FALSE(GetDibLayout(AsDib(With32(With32(good, 4, 0x7FFFFFFF), 8, 0x7FFFFFFF)), l))
      << "sizes whose rows overflow";
  ASSERT_TRUE(GetDibLayout(AsDib(With32(good, 32, 0xFFFFFFFF)), l)) << "a damaged colour count reads as the full table";
  EXPECT_EQ(l.colors, 256);
  EXPECT_FALSE(GetDibLayout(AsDib(With32(good, 16, 1)), l)) << "compressed rows";
  EXPECT_FALSE(GetDibLayout(AsDib(Bytes(good.begin(), good.begin() + 20)), l)) << "half a header";
  std::vector<BYTE> rgb;
  EXPECT_FALSE(DibStretchToRgb(AsDib(shortRows), RECT{0, 0, 13, 7}, 13, 7, rgb));
  EXPECT_FALSE(DibStretchToRgb(AsDib(good), RECT{0, 0, 14, 7}, 13, 7, rgb)) << "source beyond the DIB";
  EXPECT_FALSE(DibStretchToRgb(AsDib(good), RECT{0, 0, 13, 7}, 0, 7, rgb)) << "no destination";
}

TEST(DibPalette, ComesFromTheColourTable) {
  for (bool core : {false, true}) {
    DibSpec s{4, 5, 3, core};
    const CDib dib = AsDib(MakeDib(s));
    const auto pal = DibMakePalette(&dib);
    ASSERT_NE(pal, nullptr);
    EXPECT_EQ(pal->version, 0x300);
    ASSERT_EQ(pal->entries.size(), 16u);
    for (int i = 0; i < 16; ++i) {
      const PaletteColor want = TableColor(i);
      EXPECT_EQ(pal->entries[i].red, want.red) << i;
      EXPECT_EQ(pal->entries[i].green, want.green) << i;
      EXPECT_EQ(pal->entries[i].blue, want.blue) << i;
      EXPECT_EQ(pal->entries[i].flags, 0) << i;
    }
  }
  const CDib rgb = AsDib(MakeDib(DibSpec{24, 5, 3}));
  EXPECT_EQ(DibMakePalette(&rgb), nullptr) << "no table, no palette";
  EXPECT_EQ(DibMakePalette(nullptr), nullptr);
}

TEST(DibFromDeviceBitmap, DeviceFormatsGiveTheirDibDepths) {
  // A 16-colour device shows only the standard colours; 16- and 32-bit
  // devices give 24-bit DIBs with their colours unchanged.
  const CLogPalette& sixteen = DefaultPalette(4);
  const int w = 11, h = 5;
  struct Case {
    int planes, bitsPixel, dibBits;
  };
  for (const Case c : {Case{4, 1, 4}, Case{1, 4, 4}, Case{1, 16, 24}, Case{1, 32, 24}, Case{1, 24, 24}, Case{1, 8, 8},
                       Case{1, 1, 1}}) {
    SCOPED_TRACE(::testing::Message() << c.planes << " x " << c.bitsPixel);
    Bytes px(w * h * 3);
    for (int i = 0; i < w * h; ++i) {
      // Colours every format can hold: black and white for 1 bit, the
      // standard 16 for 4 and 8 bits (all in the 8-bit cube's corners or
      // nearest to themselves), anything for the deep ones.
      PaletteColor col = sixteen.entries[static_cast<std::size_t>(i % 16)];
      if (c.dibBits == 1) col = i % 3 ? PaletteColor{255, 255, 255, 0} : PaletteColor{};
      if (c.dibBits == 24) col = PaletteColor{BYTE(i * 7), BYTE(i * 13), BYTE(255 - i), 0};
      px[3 * i] = col.red, px[3 * i + 1] = col.green, px[3 * i + 2] = col.blue;
    }
    std::unique_ptr<CDib, void (*)(HDIB)> dib(
        BitmapToDibHandle(CDeviceBitmap{w, h, c.planes, c.bitsPixel, px.data()}, c.dibBits == 8 ? &sixteen : nullptr),
        FreeDib);
    ASSERT_NE(dib, nullptr);
    const BYTE* hd = dib->data.data();
    EXPECT_EQ(DibHeaderSize(hd), 40u);
    EXPECT_EQ(DibBitCount(hd), c.dibBits);
    EXPECT_EQ(DibGetWidth(hd), w);
    EXPECT_EQ(DibGetHeight(hd), h) << "bottom row first";
    EXPECT_EQ(ReadLe16(hd + 12), 1);
    EXPECT_EQ(ReadLe32(hd + 20), static_cast<std::uint32_t>((c.dibBits * w + 31) / 32 * 4 * h));
    std::vector<BYTE> back;
    ASSERT_TRUE(DibStretchToRgb(*dib, RECT{0, 0, w, h}, w, h, back));
    EXPECT_EQ(back, px) << "the colours come back through the table";
  }
}

TEST(DibFromDeviceBitmap, PixelsTakeTheNearestPaletteEntry) {
  CLogPalette pal;
  pal.entries = {{0, 0, 0, 0}, {200, 0, 0, 0}, {0, 0, 200, 0}, {200, 0, 0, 0}};
  const Bytes px = {190, 10, 10, /**/ 10, 0, 180, /**/ 90, 90, 90, /**/ 200, 0, 0};
  std::unique_ptr<CDib, void (*)(HDIB)> dib(BitmapToDibHandle(CDeviceBitmap{4, 1, 1, 4, px.data()}, &pal), FreeDib);
  ASSERT_NE(dib, nullptr);
  const BYTE* table = dib->data.data() + 40;
  EXPECT_EQ(table[4 * 1 + 2], 200) << "entry 1 red";
  EXPECT_EQ(table[4 * 15 + 2], 0) << "entries beyond the palette are black";
  const BYTE* row = table + 64;
  EXPECT_EQ(row[0], 0x12) << "red-ish to 1, blue-ish to 2";
  EXPECT_EQ(row[1], 0x01) << "grey nearest black; red to the first of equal entries";
  EXPECT_EQ(BitmapToDibHandle(CDeviceBitmap{0, 1, 1, 24, px.data()}, nullptr), nullptr);
  EXPECT_EQ(BitmapToDibHandle(CDeviceBitmap{4, 1, 1, 24, nullptr}, nullptr), nullptr);
}

TEST(DibStretch, EqualsPillowsDecodeOfTheSameBmp) {
  QZN_REQUIRE_PYTHON_MODULES("PIL");
  DibSpec bits1{1, 13, 7};
  DibSpec bits4{4, 13, 7};
  DibSpec bits8{8, 13, 7};
  bits8.colorsUsed = 40;
  DibSpec core8{8, 13, 7, true};
  DibSpec core4{4, 13, 7, true};
  DibSpec top24{24, 13, 7};
  top24.topDown = true;
  DibSpec bits24{24, 13, 7};
  DibSpec bits16{16, 13, 7};
  DibSpec rgb565{16, 13, 7};
  rgb565.compression = 3;
  rgb565.masks[0] = 0xF800, rgb565.masks[1] = 0x07E0, rgb565.masks[2] = 0x001F;
  DibSpec bits32{32, 13, 7};
  const std::vector<DibSpec> specs = {bits1, bits4, bits8, core8, core4, top24, bits24, bits16, rgb565, bits32};
  struct Draw {
    RECT source;
    int w, h;
  };
  const std::vector<Draw> draws = {
      {{0, 0, 13, 7}, 13, 7}, {{0, 0, 13, 7}, 40, 23}, {{0, 0, 13, 7}, 5, 3}, {{2, 1, 11, 6}, 31, 17}};
  qzntest::TempDir dir;
  std::ostringstream script;
  script << "from PIL import Image\n";
  for (std::size_t i = 0; i < specs.size(); ++i) {
    const std::string bmp = dir.file("d" + std::to_string(i) + ".bmp");
    WriteBmp(bmp, AsDib(MakeDib(specs[i])));
    script << "im = Image.open('" << bmp << "').convert('RGB')\n";
    for (std::size_t k = 0; k < draws.size(); ++k) {
      const Draw& d = draws[k];
      script << "open('" << dir.file("d" + std::to_string(i) + "_" + std::to_string(k) + ".raw")
             << "', 'wb').write(im.resize((" << d.w << ", " << d.h << "), Image.NEAREST, box=(" << d.source.left << ", "
             << d.source.top << ", " << d.source.right << ", " << d.source.bottom << ")).tobytes())\n";
    }
  }
  qzntest::WriteFileText(dir.file("decode.py"), script.str());
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " " + dir.file("decode.py")), 0);
  for (std::size_t i = 0; i < specs.size(); ++i) {
    const CDib dib = AsDib(MakeDib(specs[i]));
    for (std::size_t k = 0; k < draws.size(); ++k) {
      SCOPED_TRACE(::testing::Message() << specs[i].bits << " bits, core " << specs[i].core << ", compression "
                                        << specs[i].compression << ", draw " << k);
      std::vector<BYTE> ours;
      ASSERT_TRUE(DibStretchToRgb(dib, draws[k].source, draws[k].w, draws[k].h, ours));
      const Bytes pillow = qzntest::ReadFileBytes(dir.file("d" + std::to_string(i) + "_" + std::to_string(k) + ".raw"));
      ASSERT_EQ(ours.size(), pillow.size());
      EXPECT_TRUE(ours == pillow) << "first difference at byte "
                                  << (std::mismatch(ours.begin(), ours.end(), pillow.begin()).first - ours.begin());
    }
  }
}

TEST(DibOnPage, PrintOptionsPlaceThePictureInsideThePrintableArea) {
  struct Case {
    const char* what;
    std::int64_t dibW, dibH;
    int option, xf, yf;
    RECT printable;
    int ppiX, ppiY;
    RECT area, drawn, source;
  };
  // A4 at 600 pixels an inch less margins of 15 mm (354 pixels).
  constexpr RECT kA4 = {354, 354, 4606, 6654};
  // clang-format off
  const Case cases[] = {
      {"option 1, wide picture: area width, shape kept", 400, 300, 1, 0, 0, {0, 0, 4800, 6600}, 600, 600,
       {0, 0, 4800, 3600}, {0, 0, 4800, 3600}, {0, 0, 400, 300}},
      {"option 1 from the margins' corner", 400, 300, 1, 0, 0, kA4, 600, 600,
       {354, 354, 4606, 3543}, {354, 354, 4606, 3543}, {0, 0, 400, 300}},
      {"option 1, height rounded to the nearest device pixel", 3, 2, 1, 0, 0, {0, 0, 1000, 6600}, 600, 600,
       {0, 0, 1000, 667}, {0, 0, 1000, 667}, {0, 0, 3, 2}},
      {"option 1 on unequal resolutions keeps the shape on paper", 400, 300, 1, 0, 0, {0, 0, 2400, 6600}, 300, 600,
       {0, 0, 2400, 3600}, {0, 0, 2400, 3600}, {0, 0, 400, 300}},
      {"option 1, tall picture: fitted to the area's height instead", 100, 400, 1, 0, 0, kA4, 600, 600,
       {354, 354, 1929, 6654}, {354, 354, 1929, 6654}, {0, 0, 100, 400}},
      {"option 3: width x factor by height x factor", 400, 300, 3, 2, 3, kA4, 600, 600,
       {354, 354, 1154, 1254}, {354, 354, 1154, 1254}, {0, 0, 400, 300}},
      {"option 3 beyond the area: the rows and columns that land in it", 400, 300, 3, 20, 30, kA4, 600, 600,
       {354, 354, 8354, 9354}, {354, 354, 4606, 6654}, {0, 0, 213, 210}},
      {"option 3 beyond the coordinate range ends at its edge", 1 << 20, 1, 3, 1 << 12, 1, kA4, 600, 600,
       {354, 354, INT32_MAX, 355}, {354, 354, 4606, 355}, {0, 0, 1, 1}},
      {"other options fill the area", 400, 300, 2, 0, 0, kA4, 600, 600,
       kA4, kA4, {0, 0, 400, 300}},
      {"option 0 fills the area", 10, 10, 0, 0, 0, {0, 0, 480, 660}, 600, 600,
       {0, 0, 480, 660}, {0, 0, 480, 660}, {0, 0, 10, 10}},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DibPagePlacement p;
    ASSERT_TRUE(PlaceDibOnPage(c.dibW, c.dibH, c.option, c.xf, c.yf, c.printable, c.ppiX, c.ppiY, p));
    const auto show = [](const RECT& r) {
      return ::testing::Message() << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom;
    };
    EXPECT_TRUE(p.area == c.area) << show(p.area);
    EXPECT_TRUE(p.drawn == c.drawn) << show(p.drawn);
    EXPECT_TRUE(p.source == c.source) << show(p.source);
  }
  DibPagePlacement p;
  EXPECT_FALSE(PlaceDibOnPage(400, 300, 3, 0, 1, kA4, 600, 600, p)) << "a factor of 0";
  EXPECT_FALSE(PlaceDibOnPage(0, 300, 1, 0, 0, kA4, 600, 600, p)) << "no picture";
  EXPECT_FALSE(PlaceDibOnPage(400, 300, 1, 0, 0, RECT{354, 354, 354, 6654}, 600, 600, p)) << "no area";
  EXPECT_FALSE(PlaceDibOnPage(400, 300, 1, 0, 0, RECT{500, 500, 400, 400}, 600, 600, p)) << "margins past each other";
  EXPECT_FALSE(PlaceDibOnPage(400, 300, 1, 0, 0, kA4, 0, 600, p)) << "no resolution";
}
