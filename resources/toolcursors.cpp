// The edit tools' cursors: the cross of the default tool with a badge that
// says what a click does (104 add, 105 delete, 113 give an ID, 132 remove a
// mark, 137 freehand, 202 fill, 217 draw a line), the four-way arrow of
// moving (106) and the arrow of picking (120).
#include "resources/images.h"

namespace qzn::res {

namespace {

constexpr const char* kCursor104Rows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "                                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKK   K   KKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "                                ", "              WKW      WWW      ", "              WKW      WKW      ",
    "              WKW      WKW      ", "              WKW      WKW      ", "              WKW  WWWWWKWWWWW  ",
    "              WKW  WKKKKKKKKKW  ", "              WKW  WWWWWKWWWWW  ", "              WKW      WKW      ",
    "              WKW      WKW      ", "              WKW      WKW      ", "              WKW      WWW      ",
    "               W                ", "                                ",
};
constexpr const char* kCursor105Rows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "                                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKK   K   KKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "                                ", "              WKW  WWW     WWW  ", "              WKW  WKWW   WWKW  ",
    "              WKW  WWKWW WWKWW  ", "              WKW   WWKWWWKWW   ", "              WKW    WWKWKWW    ",
    "              WKW     WWKWW     ", "              WKW    WWKWKWW    ", "              WKW   WWKWWWKWW   ",
    "              WKW  WWKWW WWKWW  ", "              WKW  WKWW   WWKW  ", "              WKW  WWW     WWW  ",
    "               W                ", "                                ",
};
constexpr const char* kCursor106Rows[32] = {
    "                                ", "                                ", "              WWW               ",
    "             WWKWW              ", "            WWKKKWW             ", "           WWKWKWKWW            ",
    "          WWKWWKWWKWW           ", "          WKWWWKWWWKW           ", "          WWW WKW WWW           ",
    "              WKW               ", "      WWW     WKW     WWW       ", "     WWKW     WKW     WKWW      ",
    "    WWKWW     WKW     WWKWW     ", "   WWKWW      WKW      WWKWW    ", "  WWKWWWWWWWWWWKWWWWWWWWWWKWW   ",
    "  WKKKKKKKKKKKKKKKKKKKKKKKKKW   ", "  WWKWWWWWWWWWWKWWWWWWWWWWKWW   ", "   WWKWW      WKW      WWKWW    ",
    "    WWKWW     WKW     WWKWW     ", "     WWKW     WKW     WKWW      ", "      WWW     WKW     WWW       ",
    "              WKW               ", "          WWW WKW WWW           ", "          WKWWWKWWWKW           ",
    "          WWKWWKWWKWW           ", "           WWKWKWKWW            ", "            WWKKKWW             ",
    "             WWKWW              ", "              WWW               ", "                                ",
    "                                ", "                                ",
};
constexpr const char* kCursor113Rows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "                                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKK   K   KKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "                     WWW WWW    ", "              WKW    WKW WKW    ", "              WKW    WKW WKW    ",
    "              WKW WWWWKWWWKWWWW ", "              WKW WKKKKKKKKKKKW ", "              WKW WWWWKWWWKWWWW ",
    "              WKW    WKW WKW    ", "              WKW WWWWKWWWKWWWW ", "              WKW WKKKKKKKKKKKW ",
    "              WKW WWWWKWWWKWWWW ", "              WKW    WKW WKW    ", "              WKW    WKW WKW    ",
    "               W     WWW WWW    ", "                                ",
};
constexpr const char* kCursor120Rows[32] = {
    "WWW                             ", "WKWW                            ", "WKKWW                           ",
    "WKWKWW                          ", "WKWWKWW                         ", "WKWWWKWW                        ",
    "WKWWWWKWW                       ", "WKWWWWWKWW                      ", "WKWWWWWWKWW                     ",
    "WKWWWWWWWKWW                    ", "WKWWWWWWWWKWW                   ", "WKWWWWWWWWWKWW                  ",
    "WKWWWWKKKKKKKW                  ", "WKWWWKKKWWWWWW                  ", "WKWWKWWKKW                      ",
    "WKWKWWWKKWW                     ", "WKKWWWWWKKW                     ", "WKWW   WKKWW                    ",
    "WWW    WWKKW                    ", "        WWWW                    ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ", "                                ",
    "                                ", "                                ",
};
constexpr const char* kCursor132Rows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "                                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKK   K   KKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "                                ", "              WKW  WWWWWWWWWWW  ", "              WKW  WKKKKKKKKKW  ",
    "              WKW  WKWWWWWWKKW  ", "              WKW  WKW  WWKWKW  ", "              WKW  WKW WWKWWKW  ",
    "              WKW  WKWWWKWWWKW  ", "              WKW  WKWWKWW WKW  ", "              WKW  WKWKWW  WKW  ",
    "              WKW  WKKWWWWWWKW  ", "              WKW  WKKKKKKKKKW  ", "              WKW  WWWWWWWWWWW  ",
    "               W                ", "                                ",
};
constexpr const char* kCursor137Rows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "                                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKK   K   KKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "                                ", "              WKW               ", "              WKW        WWWW   ",
    "              WKW       WWKKWW  ", "              WKW       WKWWKW  ", "              WKW WWW  WWWWWWWW ",
    "              WKW WKW  WKW  WKW ", "              WKW WWWWWWWW  WWW ", "              WKW  WKWWKW       ",
    "              WKW  WWKKWW       ", "              WKW   WWWW        ", "              WKW               ",
    "               W                ", "                                ",
};
constexpr const char* kCursor202Rows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "                                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKK   K   KKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "                                ", "              WKW               ", "              WKW  WWWWWWWWWWW  ",
    "              WKW  WKKKKKKKKKWW ", "              WKW  WKKKKKKKKKKWW", "              WKW  WKKKKKKKKKWKW",
    "              WKW  WKKKKKKKKKWKW", "              WKW  WKKKKKKKKKWWW", "              WKW  WKKKKKKKKKW  ",
    "              WKW  WKKKKKKKKKW  ", "              WKW  WKKKKKKKKKW  ", "              WKW  WWWWWWWWWWW  ",
    "               W                ", "                                ",
};
constexpr const char* kCursor217Rows[32] = {
    "                                ", "               W                ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "              WKW               ", "              WKW               ", "              WKW               ",
    "                                ", "                                ", " WWWWWWWWWWW       WWWWWWWWWWW  ",
    "WKKKKKKKKKKK   K   KKKKKKKKKKKW ", " WWWWWWWWWWW       WWWWWWWWWWW  ", "                                ",
    "                                ", "              WKW          WWW  ", "              WKW         WWKW  ",
    "              WKW        WWKWW  ", "              WKW       WWKWW   ", "              WKW      WWKWW    ",
    "              WKW     WWKWW     ", "              WKW    WWKWW      ", "              WKW   WWKWW       ",
    "              WKW  WWKWW        ", "              WKW WWKWW         ", "              WKW WKWW          ",
    "               W  WWW           ", "                                ",
};
constexpr CursorImage kCursor104{kCursor104Rows, 15, 15};
constexpr CursorImage kCursor105{kCursor105Rows, 15, 15};
constexpr CursorImage kCursor106{kCursor106Rows, 15, 15};
constexpr CursorImage kCursor113{kCursor113Rows, 15, 15};
constexpr CursorImage kCursor120{kCursor120Rows, 1, 1};
constexpr CursorImage kCursor132{kCursor132Rows, 15, 15};
constexpr CursorImage kCursor137{kCursor137Rows, 15, 15};
constexpr CursorImage kCursor202{kCursor202Rows, 15, 15};
constexpr CursorImage kCursor217{kCursor217Rows, 15, 15};

}  // namespace

const CursorImage* ToolCursor(int id) {
  switch (id) {
    case kCursorAdd: return &kCursor104;
    case kCursorDelete: return &kCursor105;
    case kCursorMove: return &kCursor106;
    case kCursorAssignId: return &kCursor113;
    case kCursorPick: return &kCursor120;
    case kCursorRemoveMark: return &kCursor132;
    case kCursorFreehand: return &kCursor137;
    case kCursorFill: return &kCursor202;
    case kCursorDrawLine: return &kCursor217;
    default: return nullptr;
  }
}

}  // namespace qzn::res
