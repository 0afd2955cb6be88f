#include "ui/core/editcommands.h"

#include <algorithm>
#include <array>
#include <new>

#include "raster/mosaic.h"
#include "resources/commands.h"
#include "resources/toolcommands.h"
#include "ui/core/angletool.h"
#include "ui/core/cptool.h"
#include "ui/core/imagetool.h"
#include "ui/core/linetool.h"
#include "ui/core/mergetool.h"
#include "ui/core/notetool.h"
#include "ui/core/pointtool.h"
#include "ui/core/roitool.h"
#include "ui/core/textblocktool.h"
#include "ui/core/qznview.h"

namespace qzn {

namespace {

using namespace cmd;

// The tool families: the tool type and the edit mode that go together.
struct Family {
  int type, mode;
};
constexpr Family kLines{2, 3}, kControlPoints{4, 4}, kPoints{3, 5}, kBlocks{5, 6}, kNotes{6, 7}, kPixels{7, 1},
    kRoi{8, 8};
constexpr int kMergeType = 9;

constexpr int kLineSubCommands[] = {
    kLineNew,      kLineRectangle,  kLineCircle,     kLineMoveNode,     kLineDeleteNode, kLineDelete,    kLineAddNode,
    kLineSplit,    kLineAssignId,   kLineShow,       kLineContour,      kLineJoin,       kLineCopy,      kLineMove,
    kLineClose,    kLineCrossMarks, kLineMultiTrace, kLineSetLayer,     kLinePolygon,    kLineSmooth,    kLineBSpline,
    kLineFreehand, kLineSnapNodes,  kLineSnapEnds,   kLineSnapDistance, kLineSetId,      kLineAutoTrace, kLineDeleteAll,
};
constexpr int kPointSubCommands[] = {kPointNew,    kPointMove,     kPointDelete, kPointAssignId,
                                     kPointShowId, kPointSetLayer, kPointSetId};
constexpr int kCpSubCommands[] = {kCpNew, kCpMove, kCpDelete, kCpModify, kCpCheck, kCpPick};
constexpr int kNoteSubCommands[] = {kNoteAdd, kNoteDelete, kNoteModify, kNoteSetLayer, kNoteMove, kNoteRotate};
constexpr int kBlockSubCommands[] = {kBlockDeleteLines, kBlockDeleteAll, kBlockRestore, kBlockAdd,     kBlockRemove,
                                     kBlockGroup,       kBlockUngroup,   kBlockTestOcr, kBlockTrainOcr};
constexpr int kPixelSubCommands[] = {kImageShowValue, kImagePaint, kImageDrawLine, kImageFill, kImageMapValues};
constexpr int kRoiSubCommands[] = {kRoiRectangle, kRoiCircle, kRoiPolygon};
constexpr int kOtherCommands[] = {
    kEditLineTool,      kEditPointTool, kEditControlPointTool, kCpSelect,
    kEditTextBlockTool, kEditNoteTool,  kEditImageTool,        kAngleCheck,
    kMergeOpen,         kMergePaste,    kMergeMerge,           kMergeCancel,
    kRoiClear,          kEditDone,
};

template <std::size_t N>
bool In(const int (&ids)[N], int id) {
  return std::find(std::begin(ids), std::end(ids), id) != std::end(ids);
}

bool Is(const CQznView& v, Family f) {
  const CEditTool* t = v.Tool();
  return t && t->GetType() == f.type && v.editMode == f.mode;
}

bool HasImage(const CQznView& v) {
  const CQznDoc* d = v.Document();
  return d && d->m_image.HasPixels();
}

// The checked state a tool gives its own command.
bool ToolChecks(const CQznView& v, Family f, int id) { return Is(v, f) && v.Tool()->IsChecked(id); }
// The family's tool is current and leaves its command enabled (the line
// tool greys "设置图层" while layer "0" is the only layer).
bool ToolEnables(const CQznView& v, Family f, int id) { return Is(v, f) && v.Tool()->IsItemEnabled(id); }

EditCommandState SubCommandState(const CQznView& v, int id) {
  const CQznDoc* d = v.Document();
  if (In(kLineSubCommands, id)) {
    // These three stay enabled while another tool stands in for the line
    // tool (a Shift or Ctrl park); they reach only the line tool.
    const bool anyTool = id == kLineSmooth || id == kLineSnapDistance || id == kLineCrossMarks;
    return {anyTool ? v.editMode == 3 : ToolEnables(v, kLines, id), ToolChecks(v, kLines, id)};
  }
  if (In(kPointSubCommands, id)) return {ToolEnables(v, kPoints, id), ToolChecks(v, kPoints, id)};
  if (In(kCpSubCommands, id)) return {ToolEnables(v, kControlPoints, id), ToolChecks(v, kControlPoints, id)};
  if (In(kNoteSubCommands, id)) return {ToolEnables(v, kNotes, id), ToolChecks(v, kNotes, id)};
  if (In(kBlockSubCommands, id)) {
    bool enabled = Is(v, kBlocks);
    if (id == kBlockDeleteAll || id == kBlockRemove) enabled = v.editMode == 6;
    if (id == kBlockRestore) enabled = enabled && v.Tool()->CanUndo();
    return {enabled, ToolChecks(v, kBlocks, id)};
  }
  if (In(kPixelSubCommands, id)) {
    bool enabled = ToolEnables(v, kPixels, id);
    if (id == kImageMapValues)
      enabled = enabled && d && (d->IsGreyImage() || d->IsPaletteImage() || d->IsClassifiedImage());
    return {enabled, ToolChecks(v, kPixels, id)};
  }
  if (In(kRoiSubCommands, id)) return {HasImage(v), ToolChecks(v, kRoi, id)};
  return {};
}

// The merge tool's paste (replace) or merge (average) of its picture into
// the image, then the default mode and the whole new image.
void PasteFloatingImage(CQznView& v, int replace);

}  // namespace

const std::vector<int>& EditCommandIds() {
  static const std::vector<int> ids = [] {
    std::vector<int> all;
    auto add = [&](const auto& list) { all.insert(all.end(), std::begin(list), std::end(list)); };
    add(kLineSubCommands);
    add(kPointSubCommands);
    add(kCpSubCommands);
    add(kNoteSubCommands);
    add(kBlockSubCommands);
    add(kPixelSubCommands);
    add(kRoiSubCommands);
    add(kOtherCommands);
    return all;
  }();
  return ids;
}

EditCommandState GetEditCommandState(const CQznView& v, int id) {
  const CQznDoc* d = v.Document();
  const CEditTool* t = v.Tool();
  switch (id) {
    case kEditLineTool: return {true, v.editMode == 3};
    case kEditPointTool: return {true, v.editMode == 5};
    case kEditControlPointTool:
    case kCpSelect: return {true, v.editMode == 4};
    case kEditTextBlockTool: return {d && !d->m_lines.IsEmpty(), v.editMode == 6};
    case kEditNoteTool: return {true, v.editMode == 7};
    case kEditImageTool: return {HasImage(v), v.editMode == 1};
    case kAngleCheck: return {true, v.editMode == 10};
    case kMergeOpen: return {HasImage(v), false};
    case kMergePaste:
    case kMergeMerge:
    case kMergeCancel: return {t && t->GetType() == kMergeType, false};
    case kRoiClear: return {d && !d->m_roi.IsEmpty(), false};
    case kEditDone: return {true, false};
    default: return SubCommandState(v, id);
  }
}

bool EditCommandHasCheckMark(int id) {
  static constexpr int kNoMark[] = {
      kLineDeleteAll, kLineSnapDistance, kLineSetId,      kLineCrossMarks, kBlockDeleteAll,
      kBlockRestore,  kBlockRemove,      kImageMapValues, kMergeOpen,      kMergePaste,
      kMergeMerge,    kMergeCancel,      kRoiClear,       kEditDone,       kEditNoteTool,
  };
  const std::vector<int>& ids = EditCommandIds();
  return std::find(ids.begin(), ids.end(), id) != ids.end() && !In(kNoMark, id);
}

bool RunEditCommand(CQznView& v, int id) {
  const std::vector<int>& ids = EditCommandIds();
  if (std::find(ids.begin(), ids.end(), id) == ids.end()) return false;
  if (!GetEditCommandState(v, id).enabled) return false;
  CEditTool* t = v.Tool();
  switch (id) {
    case kEditLineTool: v.SetEditMode(v.editMode == 3 ? 0 : 3); return true;
    case kEditPointTool: v.SetEditMode(Is(v, kPoints) ? 0 : 5); return true;
    case kEditControlPointTool: v.SetEditMode(v.editMode == 4 ? 0 : 4); return true;
    case kCpSelect: v.SetEditMode(4); return true;
    case kEditTextBlockTool: v.SetEditMode(t && v.editMode == 6 ? 0 : 6); return true;
    case kEditNoteTool: v.SetEditMode(7); return true;
    case kEditImageTool: v.SetEditMode(t && v.editMode == 1 ? 0 : 1); return true;
    case kAngleCheck: v.SetEditMode(10); return true;
    case kMergeOpen: {
      CEditTool* merge = v.SetEditMode(9);
      if (!merge || merge->GetType() != kMergeType || !merge->OnCommand(kMergeOpen)) v.SetEditMode(0);
      return true;
    }
    case kMergePaste: PasteFloatingImage(v, 1); return true;
    case kMergeMerge: PasteFloatingImage(v, 0); return true;
    case kMergeCancel:
      v.SetEditMode(0);
      v.Refresh();
      return true;
    case kRoiClear:
      v.Document()->m_roi.DeleteAll();
      v.Refresh();
      return true;
    case kEditDone:
      if (t) t->OnCommand(kEditDone);
      if (!v.Tool() || v.editMode != 0) v.SetEditMode(0);
      return true;
    default: break;
  }
  if (In(kRoiSubCommands, id)) {
    if (!Is(v, kRoi)) t = v.SetEditMode(8);
    if (t && Is(v, kRoi)) t->OnCommand(id);
    return true;
  }
  // The sub-commands of the current tool.
  if (In(kLineSubCommands, id) && !Is(v, kLines)) return true;
  if (t) t->OnCommand(id);
  return true;
}

namespace {

void PasteFloatingImage(CQznView& v, int replace) {
  CEditTool* t = v.Tool();
  if (!t || t->GetType() != kMergeType) return;
  if (!t->OnCommand(replace ? kMergePaste : kMergeMerge)) return;
  v.SetEditMode(0);
  v.UpdateOverview();
  v.OnViewFullView();
}

}  // namespace

void RegisterEditTools() {
  RegisterToolFactory(1, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d || !d->m_image.HasPixels()) return nullptr;
    return std::make_unique<CImageEditTool>(h, d);
  });
  RegisterToolFactory(3, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CLineEditTool>(h, d);
  });
  RegisterToolFactory(4, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CControlPointTool>(h, d);
  });
  RegisterToolFactory(5, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CPointEditTool>(h, d);
  });
  RegisterToolFactory(6, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CTextBlockTool>(h, d);
  });
  RegisterToolFactory(7, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CAnnotationTool>(h, d);
  });
  RegisterToolFactory(8, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CRoiTool>(h, d);
  });
  RegisterToolFactory(9, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CMergeImageTool>(h, d);
  });
  RegisterToolFactory(
      10, [](IToolHost& h, CQznDoc*) -> std::unique_ptr<CEditTool> { return std::make_unique<CAngleTool>(h); });
}

}  // namespace qzn
