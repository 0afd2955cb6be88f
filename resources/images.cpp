#include "resources/images.h"

#include "resources/commands.h"

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

constexpr const char* kOpen[16] = {"                ", "                ", "  OOOO          ", " OYYYYO         ",
                                   " OYYYYOOOOOOO   ", " OYYYYYYYYYYO   ", " OYYOOOOOOOOOOO ", " OYOYYYYYYYYYYO ",
                                   " OYOYYYYYYYYYO  ", " OOYYYYYYYYYYO  ", " OOYYYYYYYYYO   ", " OYYYYYYYYYYO   ",
                                   " OOOOOOOOOOO    ", "                ", "                ", "                "};
constexpr const char* kSave[16] = {"                ", " NNNNNNNNNNNNN  ", " NBWWWWWWWWWBN  ", " NBWWWWWWWWWBN  ",
                                   " NBWWWWWWWWWBN  ", " NBWWWWWWWWWBN  ", " NBBBBBBBBBBBN  ", " NBBBBBBBBBBBN  ",
                                   " NBBGGGGGGGBBN  ", " NBBGGDDGGGBBN  ", " NBBGGDDGGGBBN  ", " NBBGGDDGGGBBN  ",
                                   " NBBGGGGGGGBBN  ", " NNNNNNNNNNNNN  ", "                ", "                "};
constexpr const char* kImport[16] = {"                ", "      C         ", "      CC        ", "CCCCCCCCC       ",
                                     "CCCCCCCCCC      ", "CCCCCCCCC       ", "      CC        ", "      C  KKKKKK ",
                                     "        K     K ", "        K KKK K ", "        K K   K ", "        K K   K ",
                                     "        K KKK K ", "        K     K ", "        KKKKKKK ", "                "};
constexpr const char* kExport[16] = {"                ", "KKKKKKK         ", "K     K         ", "K KKK K         ",
                                     "K K   K         ", "K K   K    R    ", "K KKK K    RR   ", "K     RRRRRRRR  ",
                                     "KKKKKKRRRRRRRRR ", "           RR   ", "           R    ", "                ",
                                     "                ", "                ", "                ", "                "};
constexpr const char* kZoomIn[16] = {"                ", "    KKKKK       ", "   KWWWWWK      ", "  KWWWKWWWK     ",
                                     " KWWWWKWWWWK    ", " KWWKKKKKWWK    ", " KWWWWKWWWWK    ", "  KWWWKWWWK     ",
                                     "   KWWWWWK      ", "    KKKKKDD     ", "         DDD    ", "          DDD   ",
                                     "           DDD  ", "            DD  ", "                ", "                "};
constexpr const char* kZoomOut[16] = {"                ", "    KKKKK       ", "   KWWWWWK      ", "  KWWWWWWWK     ",
                                      " KWWWWWWWWWK    ", " KWWKKKKKWWK    ", " KWWWWWWWWWK    ", "  KWWWWWWWK     ",
                                      "   KWWWWWK      ", "    KKKKKDD     ", "         DDD    ", "          DDD   ",
                                      "           DDD  ", "            DD  ", "                ", "                "};
constexpr const char* kOverview[16] = {"                ", " KKKKKKKKKKKKKK ", " KGGGGGGGGGGGGK ", " KGGGGGGGGGGGGK ",
                                       " KGGRRRRRRGGGGK ", " KGGRWWWWRGGGGK ", " KGGRWWWWRGGGGK ", " KGGRWWWWRGGGGK ",
                                       " KGGRRRRRRGGGGK ", " KGGGGGGGGGGGGK ", " KGGGGGGGGGGGGK ", " KKKKKKKKKKKKKK ",
                                       "                ", "                ", "                ", "                "};
constexpr const char* kUndo[16] = {"                ", "                ", "    B           ", "   BB           ",
                                   "  BBBBBBBBB     ", " BBBBBBBBBBB    ", "  BBB      BB   ", "   BB       BB  ",
                                   "    B       BB  ", "             BB ", "             BB ", "            BB  ",
                                   "          BBB   ", "       BBBBB    ", "                ", "                "};
constexpr const char* kDone[16] = {"                ", "                ", "             CC ", "            CCC ",
                                   "           CCC  ", "          CCC   ", "         CCC    ", " CC     CCC     ",
                                   " CCC   CCC      ", "  CCC CCC       ", "   CCCCC        ", "    CCC         ",
                                   "     C          ", "                ", "                ", "                "};

struct Glyph {
  int id;
  const char* glyph;
  std::uint32_t tile;
};

constexpr std::uint32_t kOverlayTile = 0xD8E4F0;
constexpr std::uint32_t kLineTile = 0xF0E0C8;
constexpr std::uint32_t kPointTile = 0xDCEFD8;
constexpr std::uint32_t kOtherTile = 0xE8E0F0;

constexpr Glyph kGlyphs[] = {
    {cmd::kVectorAutoVectorize, "矢", kOtherTile},
    {cmd::kVectorBatch, "批", kOtherTile},
    {cmd::kOverlayImage, "图", kOverlayTile},
    {cmd::kOverlayLines, "线", kOverlayTile},
    {cmd::kViewFillPolygons, "填", kOverlayTile},
    {cmd::kOverlayEndPoints, "端", kOverlayTile},
    {cmd::kOverlayNodes, "节", kOverlayTile},
    {cmd::kOverlayLineIds, "号", kOverlayTile},
    {cmd::kOverlayPoints, "点", kOverlayTile},
    {cmd::kOverlayPointIds, "值", kOverlayTile},
    {cmd::kOverlayControlPoints, "控", kOverlayTile},
    {cmd::kOverlayTextBlocks, "块", kOverlayTile},
    {cmd::kOverlayNotes, "注", kOverlayTile},
    {cmd::kOverlayCrossMarks, "叉", kOverlayTile},
    {cmd::kEditControlPointTool, "控", kOtherTile},
    {cmd::kEditTextBlockTool, "文", kOtherTile},
    {cmd::kEditLineTool, "线", kLineTile},
    {32798, "新", kLineTile},
    {33107, "追", kLineTile},
    {32977, "多", kLineTile},
    {32818, "添", kLineTile},
    {32800, "删", kLineTile},
    {32801, "移", kLineTile},
    {33025, "捕", kLineTile},
    {32822, "分", kLineTile},
    {32856, "连", kLineTile},
    {32880, "闭", kLineTile},
    {32875, "复", kLineTile},
    {33036, "动", kLineTile},
    {32799, "除", kLineTile},
    {32851, "设", kLineTile},
    {32826, "配", kLineTile},
    {32854, "高", kLineTile},
    {33017, "层", kLineTile},
    {33028, "形", kLineTile},
    {32843, "亮", kLineTile},
    {cmd::kEditPointTool, "点", kPointTile},
    {32860, "新", kPointTile},
    {32861, "删", kPointTile},
    {32865, "移", kPointTile},
    {32866, "设", kPointTile},
    {32863, "配", kPointTile},
    {32872, "值", kPointTile},
    {cmd::kEditDefineLayers, "层", kOtherTile},
    {cmd::kEditLayerOps, "处", kOtherTile},
};

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

ToolImage ToolbarImage(int id) {
  switch (id) {
    case cmd::kFileOpen: return {kOpen};
    case cmd::kFileSaveProject: return {kSave};
    case cmd::kFileImportVector: return {kImport};
    case cmd::kFileExportVector: return {kExport};
    case cmd::kViewZoomIn: return {kZoomIn};
    case cmd::kViewZoomOut: return {kZoomOut};
    case cmd::kViewOverview: return {kOverview};
    case cmd::kEditUndo: return {kUndo};
    case cmd::kEditDone: return {kDone};
    default: break;
  }
  for (const Glyph& g : kGlyphs)
    if (g.id == id) return {nullptr, g.glyph, g.tile};
  return {nullptr, "?", kOtherTile};
}

const CursorImage& Cursor(int id) {
  if (const CursorImage* tool = ToolCursor(id)) return *tool;
  return id == kCursorAngle ? kAngle : kCross;
}

}  // namespace qzn::res
