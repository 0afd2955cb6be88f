#include "resources/toolbars.h"

#include "resources/commands.h"
#include "resources/toolcommands.h"

namespace qzn::res {

namespace {
using namespace qzn::cmd;

// Basic tools: files; zoom and overview; undo and done; vectorisation;
// overlays; the two editing switches. A row per group of buttons.
// clang-format off
constexpr int kBasic[] = {
    kFileOpen, kFileSaveProject, kFileImportVector, kFileExportVector, 0,
    kViewZoomIn, kViewZoomOut, kViewOverview, 0,
    kEditUndo, kEditDone, 0,
    kVectorAutoVectorize, kVectorBatch, 0,
    kOverlayImage, kOverlayLines, kViewFillPolygons, kOverlayEndPoints, kOverlayNodes,
    kOverlayLineIds, kOverlayPoints, kOverlayPointIds, kOverlayControlPoints,
    kOverlayTextBlocks, kOverlayNotes, kOverlayCrossMarks, 0,
    kEditControlPointTool, kEditTextBlockTool,
};
// clang-format on

// View tools: line editing, point editing, the layer combo's slot (index 28,
// counting from 0 with the separators), the layer dialogs.
// clang-format off
constexpr int kView[] = {
    kEditLineTool, kLineNew, kLineFreehand, kLineMultiTrace, kLineAddNode, kLineDeleteNode, kLineMoveNode,
    kLineSnapNodes, kLineSplit, kLineJoin, kLineClose, kLineCopy, kLineMove, kLineDelete, kLineSetId,
    kLineAssignId, kLineContour, kLineSetLayer, kLinePolygon, kLineShow, 0,
    kEditPointTool, kPointNew, kPointDelete, kPointMove, kPointSetId, kPointAssignId, kPointShowId, kLayerCombo, 0,
    kEditDefineLayers, kEditLayerOps,
};
// clang-format on
static_assert(kView[kLayerComboSlot] == kLayerCombo);
}  // namespace

std::span<const int> ToolbarButtons(int resourceId) {
  switch (resourceId) {
    case kToolBarBasic: return kBasic;
    case kToolBarView: return kView;
    default: return {};
  }
}

}  // namespace qzn::res
