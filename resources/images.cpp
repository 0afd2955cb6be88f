#include "resources/images.h"

namespace qzn::res {

std::int32_t PictureColour(char c) {
  switch (c) {
    case 'K': return 0x000000;
    case 'W': return 0xFFFFFF;
    case 'G': return 0xC0C0C0;
    case 'D': return 0x606060;
    case 'R': return 0xD02020;
    case 'B': return 0x3070E0;
    case 'N': return 0x102060;
    case 'Y': return 0xF0D040;
    case 'O': return 0xB08020;
    case 'C': return 0x20A040;
    default: return -1;
  }
}

namespace {

// A cross of one-pixel lines with a gap round the hot spot, white-edged so it
// shows on dark and light scans alike.
constexpr const char* kCrossRows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "               W                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKKW  K  WKKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "               W                ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "               W                ", "                                "};
constexpr const char* kAngleRows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "               W                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKKW  K  WKKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "               W      WWW       ", "              WKW   WWKKKW      ", "              WKW  WKKWWW       ",
    "              WKW WKWW          ", "              WKW WKW           ", "              WKWWKW            ",
    "              WKWWKW            ", "              WKWWKW            ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "               W                ", "                                "};
constexpr CursorImage kCross{kCrossRows, 15, 15};
constexpr CursorImage kAngle{kAngleRows, 15, 15};

}  // namespace

const CursorImage& Cursor(int id) {
  if (const CursorImage* tool = ToolCursor(id)) return *tool;
  return id == kCursorAngle ? kAngle : kCross;
}

}  // namespace qzn::res
