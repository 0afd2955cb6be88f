// The option records of the vector exports: what each export asks before it
// writes, with the defaults a workspace gives and which choices it enables.
// The window shows them as dialogs through the options hook; without a hook
// (command line, batch, tests) an export takes the defaults as if OK were
// pressed.
#pragma once

#include <string>

#include "formats/exportcommon.h"
#include "resources/messages_common.h"

namespace qzn {

class CQznDoc;

// Which georeference radios a workspace enables: "双线性" and "三角网法" with
// more than three control points, "使用 TFW" with a world file.
struct GeorefEnabling {
  bool bilinear = false;
  bool triangulation = false;
  bool worldFile = false;
  static GeorefEnabling For(const CQznDoc& doc);
};

// "DXF 输出选项".
struct DxfOutOptions {
  enum Mode : int { pageSpace = 0, pixelSpacing = 1, bilinear = 2, triangulation = 3, worldFile = 4 };
  int idAsZ = 1;         // "保存矢量 ID 为 Z 值"
  int lines = 1;         // "线段"
  int points = 1;        // "点"
  int text = 1;          // "文本"
  int mode = pageSpace;  // "矢量调整系统"
  GeorefEnabling enabled;
  // The last georeference choice of the workspace, when there is one, gives
  // the mode.
  static DxfOutOptions Defaults(const CQznDoc& doc);
  // The mode of a georeference (pageSpace for none).
  static int ModeOf(GeorefKind kind);
};

// "定义图像分辨率", opened from the DXF options: pixels per unit and the unit's
// name. Applied to the image only when the dialog closes with OK.
struct ImageResolutionOptions {
  float resolution = 0.0f;  // "每单位像素 (每英寸点数):"
  std::string unit;         // "分辨率单位:" ("英寸", "厘米", "像素", or typed)
  static ImageResolutionOptions Defaults(const CQznDoc& doc);
  // Both resolutions take the number, the unit follows the name ("英寸"
  // inch, anything with "米" centimetre, else none).
  void Apply(CQznDoc& doc) const;
};

// "MIF 文件参数".
struct MifParamOptions {
  enum CoordSys : int { latLong = 0, nonEarth = 1, earth = 2 };
  std::string projection = "\"墨卡托\", 10, 62, \"m\", 0";  // "输入坐标系统参数记录:"
  std::string unitName = res::text::kUnitInch;              // "单位名称:"
  int coordSys = latLong;                                   // "纬度/经度", "非陆地", "陆地"
  int lines = 0;                                            // "线段": on when there are lines
  int createMid = 1;                                        // "创建 MID 文件"
  int points = 0;                                           // "点"
  int text = 0;                                             // "文本注释"
  int mode = -1;                                            // GeorefChoice, -1 none chosen
  int regions = 0;                                          // "对于闭合线使用区域"
  GeorefEnabling enabled;
  static MifParamOptions Defaults(const CQznDoc& doc);
  // The coordinate-system clause the choices give ("" for none).
  std::string Clause() const;
};

// "输出为 ArcView 形文件".
struct ArcViewExportOptions {
  enum Source : int { lines = 0, points = 1, notes = 2 };
  int source = lines;  // "线段", "点", "文本注释"
  int mode = 0;        // GeorefChoice
  int polygons = 0;    // "使用多边形闭合线"
  GeorefEnabling enabled;
  static ArcViewExportOptions Defaults(const CQznDoc& doc);
};

// "3D XYZ 文件选项".
struct XyzOptions {
  int lines = 0;   // "线段", on and enabled when there are lines
  int points = 0;  // "点", likewise
  int mode = -1;   // GeorefChoice without flip, -1 none chosen
  bool linesEnabled = false;
  bool pointsEnabled = false;
  GeorefEnabling enabled;
  static XyzOptions Defaults(const CQznDoc& doc);
};

// "SDL 输出选项".
struct SdlOutputOptions {
  int lines = 0;              // "线段"
  int points = 0;             // "点"
  int text = 0;               // "文本"
  int mode = 0;               // GeorefChoice without flip
  int merge = 0;              // "用属性文件合并 "
  std::string attributePath;  // "SDA 路径:"
  bool linesEnabled = false, pointsEnabled = false, textEnabled = false;
  GeorefEnabling enabled;
  static SdlOutputOptions Defaults(const CQznDoc& doc);
};

// "Arc/Pnt 输出".
struct ArcPntExportOptions {
  int mode = -1;       // GeorefChoice, -1 none chosen
  int integerIds = 1;  // "对于 Arc/Info 产生的格式保持 ID 为整数"
  GeorefEnabling enabled;
  static ArcPntExportOptions Defaults(const CQznDoc& doc);
};

// "IGES 输出".
struct IgesOutOptions {
  enum Mode : int { none = 0, bilinear = 1, triangulation = 2, worldFile = 3, pageSpace = 4, flip = 5 };
  int mode = none;
  GeorefEnabling enabled;
  bool pageSpaceEnabled = false;  // with a horizontal resolution
  static IgesOutOptions Defaults(const CQznDoc& doc);
};

// The dialogs of the exports. Each is handed the defaults and changes them;
// true is OK, false Cancel (the export then ends, successfully, writing
// nothing).
class IExportOptionsHook {
 public:
  virtual ~IExportOptionsHook() = default;
  virtual bool AskDxf(CQznDoc& doc, DxfOutOptions& options) = 0;
  virtual bool AskMif(CQznDoc& doc, MifParamOptions& options) = 0;
  virtual bool AskArcView(CQznDoc& doc, ArcViewExportOptions& options) = 0;
  virtual bool AskXyz(CQznDoc& doc, XyzOptions& options) = 0;
  virtual bool AskSdl(CQznDoc& doc, SdlOutputOptions& options) = 0;
  virtual bool AskArcPnt(CQznDoc& doc, ArcPntExportOptions& options) = 0;
  virtual bool AskIges(CQznDoc& doc, IgesOutOptions& options) = 0;
};

// The installed hook (not owned), null when none; Set returns the previous one.
IExportOptionsHook* ExportOptionsHook();
IExportOptionsHook* SetExportOptionsHook(IExportOptionsHook* hook);

// The record's defaults, shown through the hook's `ask` when a hook is
// installed. False when cancelled.
template <class Options>
bool AskExportOptions(CQznDoc& doc, Options& options, bool (IExportOptionsHook::*ask)(CQznDoc&, Options&)) {
  options = Options::Defaults(doc);
  IExportOptionsHook* hook = ExportOptionsHook();
  return !hook || (hook->*ask)(doc, options);
}

}  // namespace qzn
