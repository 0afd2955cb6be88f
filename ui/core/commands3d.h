// The image view's commands that hand a workspace to the 3D window: build
// an elevation grid or a DEM from its lines and points and open it, and
// drape its image over the open 3D model. The dialogs and the 3D window are
// reached through C3DCommandHost, so the commands run headless in tests.
#pragma once

#include <functional>
#include <string>

#include "platform/wintypes.h"

namespace qzn {

class CDialogModel;
class COpenGLView;
class CQznDoc;

struct C3DCommandHost {
  // Shows a dialog modally; true for OK.
  std::function<bool(CDialogModel&)> runDialog;
  // Opens a grid or DEM file in the 3D window; 1 when it opened.
  std::function<int(const std::string& path)> open3DView;
  // The view of the open 3D document, or null.
  std::function<COpenGLView*()> find3DView;
};

// The grid and DEM commands apply: the workspace holds shown lines or points.
bool HasShownLinesOrPoints(const CQznDoc& doc);
// The drape command applies: an image is loaded and a 3D document is open.
bool CanDrapeImage(const CQznDoc& doc, const C3DCommandHost& host);

// 文件 > 3D 数据 > 创建 3D 栅格文件: the mesh size dialog, the ESRI ASCII
// grid written by the builder, then opened in the 3D window. 1 when a grid
// was written; a build that fails says why.
int CreateGridFile(CQznDoc& doc, const C3DCommandHost& host);
// 文件 > 3D 数据 > 创建 3D 数字高程模型文件: the same with the DEM settings.
int CreateDemFile(CQznDoc& doc, const C3DCommandHost& host);
// 文件 > 3D 数据 > 三维套合显示: the rubber band, else the visible
// rectangle; unless that is the whole extent the drape area dialog asks;
// then the 3D view drapes that rectangle of this workspace's image. 1 when
// draped.
int DrapeImage(CQznDoc& doc, const RECT& rubberBand, const RECT& visibleRect, const C3DCommandHost& host);

}  // namespace qzn
