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

// The view is in the mode and the mode's own tool is current (not a
// stand-in parked for Shift or Ctrl).
bool Is(const CQznView& v, EditMode mode) {
  const CEditTool* t = v.Tool();
  return t && t->GetType() == ToolTypeOf(mode) && v.editMode == mode;
}

bool IsMergeTool(const CEditTool* t) { return t && t->GetType() == ToolType::kMergeImage; }

bool HasImage(const CQznView& v) {
  const CQznDoc* d = v.Document();
  return d && d->m_image.HasPixels();
}

// The checked state a tool gives its own command.
bool ToolChecks(const CQznView& v, EditMode mode, int id) { return Is(v, mode) && v.Tool()->IsChecked(id); }
// The family's tool is current and leaves its command enabled (the line
// tool greys "设置图层" while layer "0" is the only layer).
bool ToolEnables(const CQznView& v, EditMode mode, int id) { return Is(v, mode) && v.Tool()->IsItemEnabled(id); }

EditCommandState SubCommandState(const CQznView& v, int id) {
  const CQznDoc* d = v.Document();
  if (In(kLineSubCommands, id)) {
    // These three stay enabled while another tool stands in for the line
    // tool (a Shift or Ctrl park); they reach only the line tool.
    const bool anyTool = id == kLineSmooth || id == kLineSnapDistance || id == kLineCrossMarks;
    constexpr EditMode kLines = EditMode::kLineEdit;
    return {anyTool ? v.editMode == kLines : ToolEnables(v, kLines, id), ToolChecks(v, kLines, id)};
  }
  if (In(kPointSubCommands, id))
    return {ToolEnables(v, EditMode::kPointEdit, id), ToolChecks(v, EditMode::kPointEdit, id)};
  if (In(kCpSubCommands, id))
    return {ToolEnables(v, EditMode::kControlPoint, id), ToolChecks(v, EditMode::kControlPoint, id)};
  if (In(kNoteSubCommands, id))
    return {ToolEnables(v, EditMode::kAnnotation, id), ToolChecks(v, EditMode::kAnnotation, id)};
  if (In(kBlockSubCommands, id)) {
    bool enabled = Is(v, EditMode::kTextBlock);
    if (id == kBlockDeleteAll || id == kBlockRemove) enabled = v.editMode == EditMode::kTextBlock;
    if (id == kBlockRestore) enabled = enabled && v.Tool()->CanUndo();
    return {enabled, ToolChecks(v, EditMode::kTextBlock, id)};
  }
  if (In(kPixelSubCommands, id)) {
    bool enabled = ToolEnables(v, EditMode::kImageEdit, id);
    if (id == kImageMapValues)
      enabled = enabled && d && (d->IsGreyImage() || d->IsPaletteImage() || d->IsClassifiedImage());
    return {enabled, ToolChecks(v, EditMode::kImageEdit, id)};
  }
  if (In(kRoiSubCommands, id)) return {HasImage(v), ToolChecks(v, EditMode::kRoi, id)};
  return {};
}

// A mode switch that leaves the mode again when it is on: the default mode.
void Toggle(CQznView& v, EditMode mode, bool on) { v.SetEditMode(on ? EditMode::kDefault : mode); }

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
    case kEditLineTool: return {true, v.editMode == EditMode::kLineEdit};
    case kEditPointTool: return {true, v.editMode == EditMode::kPointEdit};
    case kEditControlPointTool:
    case kCpSelect: return {true, v.editMode == EditMode::kControlPoint};
    case kEditTextBlockTool: return {d && !d->m_lines.IsEmpty(), v.editMode == EditMode::kTextBlock};
    case kEditNoteTool: return {true, v.editMode == EditMode::kAnnotation};
    case kEditImageTool: return {HasImage(v), v.editMode == EditMode::kImageEdit};
    case kAngleCheck: return {true, v.editMode == EditMode::kAngle};
    case kMergeOpen: return {HasImage(v), false};
    case kMergePaste:
    case kMergeMerge:
    case kMergeCancel: return {IsMergeTool(t), false};
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
    case kEditLineTool: Toggle(v, EditMode::kLineEdit, v.editMode == EditMode::kLineEdit); return true;
    case kEditPointTool: Toggle(v, EditMode::kPointEdit, Is(v, EditMode::kPointEdit)); return true;
    case kEditControlPointTool: Toggle(v, EditMode::kControlPoint, v.editMode == EditMode::kControlPoint); return true;
    case kCpSelect: v.SetEditMode(EditMode::kControlPoint); return true;
    case kEditTextBlockTool: Toggle(v, EditMode::kTextBlock, t && v.editMode == EditMode::kTextBlock); return true;
    case kEditNoteTool: v.SetEditMode(EditMode::kAnnotation); return true;
    case kEditImageTool: Toggle(v, EditMode::kImageEdit, t && v.editMode == EditMode::kImageEdit); return true;
    case kAngleCheck: v.SetEditMode(EditMode::kAngle); return true;
    case kMergeOpen: {
      CEditTool* merge = v.SetEditMode(EditMode::kMergeImage);
      if (!IsMergeTool(merge) || !merge->OnCommand(kMergeOpen)) v.SetEditMode(EditMode::kDefault);
      return true;
    }
    case kMergePaste: PasteFloatingImage(v, 1); return true;
    case kMergeMerge: PasteFloatingImage(v, 0); return true;
    case kMergeCancel:
      v.SetEditMode(EditMode::kDefault);
      v.Refresh();
      return true;
    case kRoiClear:
      v.Document()->m_roi.DeleteAll();
      v.Refresh();
      return true;
    case kEditDone:
      if (t) t->OnCommand(kEditDone);
      if (!v.Tool() || v.editMode != EditMode::kDefault) v.SetEditMode(EditMode::kDefault);
      return true;
    default: break;
  }
  if (In(kRoiSubCommands, id)) {
    if (!Is(v, EditMode::kRoi)) t = v.SetEditMode(EditMode::kRoi);
    if (t && Is(v, EditMode::kRoi)) t->OnCommand(id);
    return true;
  }
  // The sub-commands of the current tool.
  if (In(kLineSubCommands, id) && !Is(v, EditMode::kLineEdit)) return true;
  if (t) t->OnCommand(id);
  return true;
}

namespace {

void PasteFloatingImage(CQznView& v, int replace) {
  CEditTool* t = v.Tool();
  if (!IsMergeTool(t)) return;
  if (!t->OnCommand(replace ? kMergePaste : kMergeMerge)) return;
  v.SetEditMode(EditMode::kDefault);
  v.UpdateOverview();
  v.OnViewFullView();
}

}  // namespace

void RegisterEditTools() {
  RegisterToolFactory(EditMode::kImageEdit, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d || !d->m_image.HasPixels()) return nullptr;
    return std::make_unique<CImageEditTool>(h, d);
  });
  RegisterToolFactory(EditMode::kLineEdit, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CLineEditTool>(h, d);
  });
  RegisterToolFactory(EditMode::kControlPoint, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CControlPointTool>(h, d);
  });
  RegisterToolFactory(EditMode::kPointEdit, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CPointEditTool>(h, d);
  });
  RegisterToolFactory(EditMode::kTextBlock, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CTextBlockTool>(h, d);
  });
  RegisterToolFactory(EditMode::kAnnotation, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CAnnotationTool>(h, d);
  });
  RegisterToolFactory(EditMode::kRoi, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CRoiTool>(h, d);
  });
  RegisterToolFactory(EditMode::kMergeImage, [](IToolHost& h, CQznDoc* d) -> std::unique_ptr<CEditTool> {
    if (!d) return nullptr;
    return std::make_unique<CMergeImageTool>(h, d);
  });
  RegisterToolFactory(EditMode::kAngle, [](IToolHost& h, CQznDoc*) -> std::unique_ptr<CEditTool> {
    return std::make_unique<CAngleTool>(h);
  });
}

}  // namespace qzn
