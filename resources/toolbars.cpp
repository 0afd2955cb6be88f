#include "resources/toolbars.h"

#include "resources/commands.h"

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
    kEditLineTool, 32798, 33107, 32977, 32818, 32800, 32801, 33025, 32822, 32856,
    32880, 32875, 33036, 32799, 32851, 32826, 32854, 33017, 33028, 32843, 0,
    kEditPointTool, 32860, 32861, 32865, 32866, 32863, 32872, kLayerCombo, 0,
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
