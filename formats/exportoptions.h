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

// Which georeference radios a workspace enables: kBilinear and kTriangulation with
// more than three control points, kExpUseTfw with a world file.
struct GeorefEnabling {
  bool bilinear = false;
  bool triangulation = false;
  bool worldFile = false;
  static GeorefEnabling For(const CQznDoc& doc);
};

// kDxfOutTitle.
struct DxfOutOptions {
  enum Mode : int { pageSpace = 0, pixelSpacing = 1, bilinear = 2, triangulation = 3, worldFile = 4 };
  int idAsZ = 1;         // kDxfIdAsZ
  int lines = 1;         // kKindLines
  int points = 1;        // kKindPoints
  int text = 1;          // kExpText
  int mode = pageSpace;  // kDxfAdjustSystem
  GeorefEnabling enabled;
  // The last georeference choice of the workspace, when there is one, gives
  // the mode.
  static DxfOutOptions Defaults(const CQznDoc& doc);
  // The mode of a georeference (pageSpace for none).
  static int ModeOf(GeorefKind kind);
};

// kImageResTitle, opened from the DXF options: pixels per unit and the unit's
// name. Applied to the image only when the dialog closes with OK.
struct ImageResolutionOptions {
  float resolution = 0.0f;  // kImageResPixelsPerUnit
  std::string unit;         // kImageResUnit (kUnitInch, kUnitCentimetre, kUnitPixel, or typed)
  static ImageResolutionOptions Defaults(const CQznDoc& doc);
  // Both resolutions take the number, the unit follows the name (kUnitInch
  // inch, anything with the character 米 centimetre, else none).
  void Apply(CQznDoc& doc) const;
};

// kMifParamTitle.
struct MifParamOptions {
  enum CoordSys : int { latLong = 0, nonEarth = 1, earth = 2 };
  std::string projection = "\"墨卡托\", 10, 62, \"m\", 0";  // kMifProjectionRecord
  std::string unitName = res::text::kUnitInch;              // kMifUnitName
  int coordSys = latLong;                                   // kMifLatLong, kMifNonEarth, kMifEarth
  int lines = 0;                                            // kKindLines: on when there are lines
  int createMid = 1;                                        // kMifCreateMid
  int points = 0;                                           // kKindPoints
  int text = 0;                                             // kKindNotes
  int mode = -1;                                            // GeorefChoice, -1 none chosen
  int regions = 0;                                          // kMifRegions
  GeorefEnabling enabled;
  static MifParamOptions Defaults(const CQznDoc& doc);
  // The coordinate-system clause the choices give ("" for none).
  std::string Clause() const;
};

// kArcViewExportTitle.
struct ArcViewExportOptions {
  enum Source : int { lines = 0, points = 1, notes = 2 };
  int source = lines;  // kKindLines, kKindPoints, kKindNotes
  int mode = 0;        // GeorefChoice
  int polygons = 0;    // kArcViewPolygons
  GeorefEnabling enabled;
  static ArcViewExportOptions Defaults(const CQznDoc& doc);
};

// kXyzOptionsTitle.
struct XyzOptions {
  int lines = 0;   // kKindLines, on and enabled when there are lines
  int points = 0;  // kKindPoints, likewise
  int mode = -1;   // GeorefChoice without flip, -1 none chosen
  bool linesEnabled = false;
  bool pointsEnabled = false;
  GeorefEnabling enabled;
  static XyzOptions Defaults(const CQznDoc& doc);
};

// kSdlOutputTitle.
struct SdlOutputOptions {
  int lines = 0;              // kKindLines
  int points = 0;             // kKindPoints
  int text = 0;               // kExpText
  int mode = 0;               // GeorefChoice without flip
  int merge = 0;              // kSdlMerge
  std::string attributePath;  // kSdlPathLabel
  bool linesEnabled = false, pointsEnabled = false, textEnabled = false;
  GeorefEnabling enabled;
  static SdlOutputOptions Defaults(const CQznDoc& doc);
};

// kArcPntTitle.
struct ArcPntExportOptions {
  int mode = -1;       // GeorefChoice, -1 none chosen
  int integerIds = 1;  // kArcPntIntegerIds
  GeorefEnabling enabled;
  static ArcPntExportOptions Defaults(const CQznDoc& doc);
};

// kIgesOutTitle.
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
