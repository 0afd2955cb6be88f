// scangen: writes a synthetic scan for tests, benchmarks and the bundled
// sample.
//
//   scangen --width W --height H --seed S [--min-width a --max-width b]
//           [--contours n] [--grid spacing] [--lzw | --g4 | --pgm | --pbm] -o out
//   scangen --contour-sheet [--seed S ...] [--lzw | --g4 | --pgm | --pbm] -o out
//   scangen --scanned-sheet [--seed S ...] [--lzw | --g4 | --pgm | --pbm] -o out
//
// --contour-sheet sets every picture option to the whole contour sheet of
// the conversion benchmarks (scangen::ContourSheet), --scanned-sheet to the
// sheet without a grid (scangen::ScannedSheet); options after either change
// it further.
//
// Without a format switch the output is an uncompressed 8-bit grey TIFF;
// --pbm writes the ink (below 128) as a bitmap, as potrace is given it in
// the conversion benchmarks.

#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "bench/scangen.h"

namespace {

int Usage(const char* message) {
  std::fprintf(stderr, "scangen: %s\n", message);
  std::fprintf(stderr,
               "usage: scangen --width W --height H --seed S [--min-width a --max-width b] "
               "[--contours n] [--grid spacing] [--contour-sheet | --scanned-sheet] [--lzw|--g4|--pgm|--pbm] -o out\n");
  return 2;
}

template <typename T>
bool ParseNumber(const char* text, T& out) {
  const char* end = text + std::strlen(text);
  const auto [ptr, ec] = std::from_chars(text, end, out);
  return ec == std::errc() && ptr == end;
}

}  // namespace

int main(int argc, char** argv) {
  scangen::Options opt;
  std::string output;
  enum { Tiff, Lzw, G4, Pgm, Pbm } format = Tiff;
  int formats = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    bool ok = true;
    if (arg == "--width") {
      const char* v = value();
      ok = v && ParseNumber(v, opt.width) && opt.width > 0;
    } else if (arg == "--height") {
      const char* v = value();
      ok = v && ParseNumber(v, opt.height) && opt.height > 0;
    } else if (arg == "--seed") {
      const char* v = value();
      ok = v && ParseNumber(v, opt.seed);
    } else if (arg == "--min-width") {
      const char* v = value();
      ok = v && ParseNumber(v, opt.minLineWidth) && opt.minLineWidth >= 1;
    } else if (arg == "--max-width") {
      const char* v = value();
      ok = v && ParseNumber(v, opt.maxLineWidth) && opt.maxLineWidth >= 1;
    } else if (arg == "--contours") {
      const char* v = value();
      ok = v && ParseNumber(v, opt.contours) && opt.contours >= 0;
    } else if (arg == "--grid") {
      const char* v = value();
      ok = v && ParseNumber(v, opt.gridSpacing) && opt.gridSpacing >= 0;
    } else if (arg == "--contour-sheet") {
      opt = scangen::ContourSheet();
    } else if (arg == "--scanned-sheet") {
      opt = scangen::ScannedSheet();
    } else if (arg == "--lzw") {
      format = Lzw, ++formats;
    } else if (arg == "--g4") {
      format = G4, ++formats;
    } else if (arg == "--pgm") {
      format = Pgm, ++formats;
    } else if (arg == "--pbm") {
      format = Pbm, ++formats;
    } else if (arg == "-o") {
      const char* v = value();
      ok = v != nullptr;
      if (ok) output = v;
    } else {
      return Usage(("unknown argument " + std::string(arg)).c_str());
    }
    if (!ok) return Usage(("missing or bad value for " + std::string(arg)).c_str());
  }
  if (output.empty()) return Usage("no output file (-o)");
  if (formats > 1) return Usage("choose one of --lzw, --g4, --pgm, --pbm");
  if (opt.maxLineWidth < opt.minLineWidth) return Usage("--max-width is below --min-width");

  try {
    const scangen::GreyImage img = scangen::Generate(opt);
    bool written = false;
    switch (format) {
      case Pgm: written = scangen::WritePgm(img, output); break;
      case Pbm: written = scangen::WritePbm(img, output); break;
      case Lzw: written = scangen::WriteTiff(img, output, scangen::Compression::Lzw); break;
      case G4: written = scangen::WriteTiff(img, output, scangen::Compression::G4); break;
      case Tiff: written = scangen::WriteTiff(img, output, scangen::Compression::None); break;
    }
    if (!written) {
      std::fprintf(stderr, "scangen: cannot write %s\n", output.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "scangen: %s\n", e.what());
    return 1;
  }
  return 0;
}
