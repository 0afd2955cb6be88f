#include "resources/toolbars.h"

#include "resources/commands.h"
#include "resources/menus.h"
#include "resources/messages_tools.h"
#include "resources/messages_window.h"
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
    kEditControlPointTool, kEditTextBlockTool, 0,
    kHelpContext,
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

// The prompts of the buttons' commands: what the editing tools show in the
// status bar when their command is chosen.
struct Prompt {
  int command;
  const char* text;
};
constexpr Prompt kPrompts[] = {
    {kHelpContext, text::kContextHelpPrompt},     {kLineNew, text::kLineNewStatus},
    {kLineFreehand, text::kLineFreehandStatus},   {kLineMultiTrace, text::kLineMultiTraceStatus},
    {kLineAddNode, text::kLineAddNodeStatus},     {kLineDeleteNode, text::kLineDeleteNodeStatus},
    {kLineMoveNode, text::kLineMoveNodeStatus},   {kLineSplit, text::kLineSplitStatus},
    {kLineJoin, text::kLineJoinStatus},           {kLineMove, text::kLineMoveStatus},
    {kLineDelete, text::kLineDeleteStatus},       {kLineSetId, text::kSetCurrentIdStatus},
    {kLineAssignId, text::kLineAssignIdStatus},   {kLineContour, text::kLineContourStatus},
    {kLineSetLayer, text::kLineSetLayerStatus},   {kLinePolygon, text::kLinePolygonStatus},
    {kPointNew, text::kPointNewStatus},           {kPointDelete, text::kPointDeleteStatus},
    {kPointMove, text::kPointMoveStatus},         {kPointSetId, text::kSetCurrentIdStatus},
    {kPointAssignId, text::kPointAssignIdStatus}, {kPointShowId, text::kPointShowIdStatus},
};
}  // namespace

std::span<const int> ToolbarButtons(int resourceId) {
  switch (resourceId) {
    case kToolBarBasic: return kBasic;
    case kToolBarView: return kView;
    default: return {};
  }
}

std::string ButtonTip(int command) {
  if (command == cmd::kHelpContext) return text::kContextHelpTip;
  return PlainText(CommandText(command));
}

std::string ButtonPrompt(int command) {
  for (const Prompt& p : kPrompts)
    if (p.command == command) return p.text;
  return ButtonTip(command);
}

}  // namespace qzn::res
