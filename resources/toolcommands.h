// Command ids of the edit tools' sub-commands, as the menus and the stored
// shortcut tables know them. The switches of the tools themselves (kEditLineTool,
// kEditPointTool, ...) are in commands.h.
#pragma once

namespace qzn::cmd {

enum : int {
  // Line tool: sub-modes
  kLineNew = 32798,
  kLineRectangle = 33038,
  kLineCircle = 33037,
  kLineMoveNode = 32801,
  kLineDeleteNode = 32800,
  kLineDelete = 32799,
  kLineAddNode = 32818,
  kLineSplit = 32822,
  kLineAssignId = 32826,
  kLineShow = 32843,
  kLineContour = 32854,
  kLineJoin = 32856,
  kLineCopy = 32875,
  kLineMove = 33036,
  kLineClose = 32880,
  kLineCrossMarks = 32943,
  kLineMultiTrace = 32977,
  kLineSetLayer = 33017,
  kLinePolygon = 33028,
  kLineSmooth = 33051,
  kLineBSpline = 33061,
  kLineFreehand = 33107,
  // Line tool: other commands (and kLineSetSmoothing in commands.h)
  kLineSnapNodes = 33025,
  kLineSnapEnds = 33063,
  kLineSnapDistance = 33077,
  kLineSetId = 32851,
  kLineAutoTrace = 32878,
  kLineDeleteAll = 32803,
  kLineRestore = 32894,

  // Point tool
  kPointNew = 32860,
  kPointMove = 32865,
  kPointDelete = 32861,
  kPointAssignId = 32863,
  kPointShowId = 32872,
  kPointSetLayer = 33018,
  kPointSetId = 32866,

  // Control-point tool
  kCpNew = 32813,
  kCpMove = 32814,
  kCpDelete = 32815,
  kCpModify = 32816,
  kCpCheck = 33078,
  kCpPick = 33079,
  kCpSelect = 32810,  // Vector > 选择控制点: the tool's switch on

  // Annotation tool
  kNoteAdd = 32922,
  kNoteDelete = 32923,
  kNoteModify = 32924,
  kNoteSetLayer = 33019,
  kNoteMove = 33058,
  kNoteRotate = 33059,

  // Text-block tool
  kBlockDeleteLines = 32889,
  kBlockDeleteAll = 32891,
  kBlockRestore = 32890,
  kBlockAdd = 32912,
  kBlockRemove = 32892,
  kBlockGroup = 32913,
  kBlockUngroup = 32914,
  kBlockTestOcr = 32909,
  kBlockTrainOcr = 32910,

  // Region-of-interest tool
  kRoiRectangle = 33046,
  kRoiCircle = 33047,
  kRoiPolygon = 33048,
  kRoiClear = 33049,

  // Image edit tool
  kImageShowValue = 32899,
  kImagePaint = 32900,
  kImageDrawLine = 33103,
  kImageFill = 33073,
  kImageMapValues = 32941,

  // Merge image tool
  kMergeOpen = 33080,
  kMergePaste = 33081,
  kMergeMerge = 33082,
  kMergeCancel = 33083,

  // Angle tool
  kAngleCheck = 33084,
};

}  // namespace qzn::cmd
