// Cursors drawn by the project, as data: 32 rows of 32 characters, each
// naming a colour of the legend below, ' ' transparent. (The toolbar
// pictures are SVG drawings: resources/toolbarpictures.h.)
#pragma once

#include <cstdint>

namespace qzn::res {

// Legend of the picture characters: 'K' black, 'W' white, 'G' grey, 'D' dark
// grey, 'R' red, 'B' blue, 'N' navy, 'Y' yellow, 'O' ochre, 'C' green.
// Returns 0xRRGGBB, or -1 for ' ' and unknown characters (transparent).
std::int32_t PictureColour(char c);

struct CursorImage {
  const char* const* rows;  // 32 rows of 32: 'K' black, 'W' white, ' ' clear
  int hotX, hotY;
};

// Cursor resources: 101 (the default tool's cross), 207 (the angle tool's
// cross with a protractor mark). Unknown ids give the cross.
enum : int { kCursorCross = 101, kCursorAngle = 207 };
// The edit tools' cursors (resources/toolcursors.cpp); null for other ids.
enum : int {
  kCursorAdd = 104,
  kCursorDelete = 105,
  kCursorMove = 106,
  kCursorAssignId = 113,
  kCursorPick = 120,
  kCursorRemoveMark = 132,
  kCursorFreehand = 137,
  kCursorFill = 202,
  kCursorDrawLine = 217
};
const CursorImage* ToolCursor(int id);
const CursorImage& Cursor(int id);

}  // namespace qzn::res
