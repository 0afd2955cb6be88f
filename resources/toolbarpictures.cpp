#include "resources/toolbarpictures.h"

#include <string_view>

#include "resources/commands.h"
#include "resources/toolcommands.h"

namespace qzn::res {

namespace {

struct Picture {
  int command;
  const char* name;
};

// A picture says what its button does: the things the user works on keep
// one drawing throughout (a blue polyline for lines, an orange dot for
// points, a red target for control points), and a corner mark names the
// action on them (a pencil: the editing switch; green plus: add; red cross:
// delete; four arrows: move; a number card: set the ID; a tag: assign it).
constexpr Picture kPictures[] = {
    {cmd::kFileOpen, "file-open"},
    {cmd::kFileSaveProject, "project-save"},
    {cmd::kFileImportVector, "vector-import"},
    {cmd::kFileExportVector, "vector-export"},
    {cmd::kViewZoomIn, "zoom-in"},
    {cmd::kViewZoomOut, "zoom-out"},
    {cmd::kViewOverview, "overview"},
    {cmd::kEditUndo, "undo"},
    {cmd::kEditDone, "done"},
    {cmd::kVectorAutoVectorize, "vectorize"},
    {cmd::kVectorBatch, "vectorize-batch"},
    {cmd::kOverlayImage, "overlay-image"},
    {cmd::kOverlayLines, "overlay-lines"},
    {cmd::kViewFillPolygons, "overlay-fill"},
    {cmd::kOverlayEndPoints, "overlay-endpoints"},
    {cmd::kOverlayNodes, "overlay-nodes"},
    {cmd::kOverlayLineIds, "overlay-line-ids"},
    {cmd::kOverlayPoints, "overlay-points"},
    {cmd::kOverlayPointIds, "overlay-point-ids"},
    {cmd::kOverlayControlPoints, "overlay-control-points"},
    {cmd::kOverlayTextBlocks, "overlay-text-blocks"},
    {cmd::kOverlayNotes, "overlay-notes"},
    {cmd::kOverlayCrossMarks, "overlay-cross-marks"},
    {cmd::kEditControlPointTool, "control-point-tool"},
    {cmd::kEditTextBlockTool, "text-block-tool"},
    {cmd::kHelpContext, "context-help"},
    {cmd::kEditLineTool, "line-tool"},
    {cmd::kLineNew, "line-new"},
    {cmd::kLineFreehand, "line-freehand"},
    {cmd::kLineMultiTrace, "line-multi-trace"},
    {cmd::kLineAddNode, "line-add-node"},
    {cmd::kLineDeleteNode, "line-delete-node"},
    {cmd::kLineMoveNode, "line-move-node"},
    {cmd::kLineSnapNodes, "line-snap-nodes"},
    {cmd::kLineSplit, "line-split"},
    {cmd::kLineJoin, "line-join"},
    {cmd::kLineClose, "line-close"},
    {cmd::kLineCopy, "line-copy"},
    {cmd::kLineMove, "line-move"},
    {cmd::kLineDelete, "line-delete"},
    {cmd::kLineSetId, "line-set-id"},
    {cmd::kLineAssignId, "line-assign-id"},
    {cmd::kLineContour, "line-contour-label"},
    {cmd::kLineSetLayer, "line-set-layer"},
    {cmd::kLinePolygon, "line-polygon"},
    {cmd::kLineShow, "line-highlight"},
    {cmd::kEditPointTool, "point-tool"},
    {cmd::kPointNew, "point-new"},
    {cmd::kPointDelete, "point-delete"},
    {cmd::kPointMove, "point-move"},
    {cmd::kPointSetId, "point-set-id"},
    {cmd::kPointAssignId, "point-assign-id"},
    {cmd::kPointShowId, "point-show-id"},
    {cmd::kEditDefineLayers, "layers-define"},
    {cmd::kEditLayerOps, "layers-operations"},
};

}  // namespace

const char* ToolbarPictureName(int commandId) {
  for (const Picture& p : kPictures)
    if (p.command == commandId) return p.name;
  return nullptr;
}

const char* ToolbarPicture(int commandId) {
  const char* name = ToolbarPictureName(commandId);
  if (!name) return nullptr;
  for (const ToolbarPictureFile& f : ToolbarPictureFiles())
    if (std::string_view(f.name) == name) return f.svg;
  return nullptr;
}

}  // namespace qzn::res
