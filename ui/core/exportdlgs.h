// The option dialogs of the vector exports, and the hook through which the
// exports ask them. Each dialog works on a copy of its option record (the
// defaults the workspace gives); OK hands the copy back, Cancel leaves the
// record and ends the export with nothing written. The window installs the
// hook at start-up; a quiet (batch) run keeps the defaults without a dialog.
#pragma once

#include <string>

#include "formats/exportoptions.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class CQznDoc;

// The buttons of the georeference radio groups, in the order of the records'
// GeorefChoice values (kExpNoGeoref, kBilinear, kTriangulation, kExpUseTfw, kExpFlipV).
enum GeorefRadio : int {
  kRadioNoGeoref = 206,
  kRadioBilinear = 214,
  kRadioTriangulation = 215,
  kRadioWorldFile = 216,
  kRadioFlip = 217,
};

// The common part of the dialogs: the copy of the record they work on.
template <class Options, int Id>
class COptionsDlg : public CDialogModel {
 public:
  static constexpr int kId = Id;
  explicit COptionsDlg(const Options& options) : values(options) {}
  Options values;
  int DialogId() const override { return Id; }
};

// Dialog 128 kDxfOutTitle.
class CDxfOutDlg : public COptionsDlg<DxfOutOptions, 128> {
 public:
  enum : int {
    kIdAsZ = 147,
    kLines = 207,
    kPoints = 201,
    kText = 202,
    // kDxfAdjustSystem, in the order of DxfOutOptions::Mode.
    kPageSpace = 204,
    kPixelSpacing = 205,
    kCpBilinear = 206,
    kCpTriangulation = 215,
    kWorldFile = 216,
    kResolution = 358,
  };
  CDxfOutDlg(CQznDoc* doc, const DxfOutOptions& options) : COptionsDlg(options), m_doc(doc) {}

  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  // kDxfResolutionButton opens the resolution dialog on the workspace's image.
  void OnClicked(int id, IDialogControls& c) override;

 private:
  CQznDoc* m_doc;
};

// Dialog 191 kImageResTitle: the image's pixels per unit and the unit's name.
class CImageResDlg : public COptionsDlg<ImageResolutionOptions, 191> {
 public:
  enum : int { kResolution = 355, kUnit = 356 };
  using COptionsDlg::COptionsDlg;

  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
};

// Dialog 130 kMifParamTitle.
class CMifParamDlg : public COptionsDlg<MifParamOptions, 130> {
 public:
  enum : int {
    kProjection = 165,
    kShowList = 166,
    kUnitName = 199,
    // kMifLatLong, kMifNonEarth, kMifEarth, in the order of MifParamOptions' systems.
    kLatLong = 195,
    kNonEarth = 196,
    kEarth = 197,
    kLines = 200,
    kPoints = 201,
    kText = 202,
    kCreateMid = 203,
    kRegions = 333,
  };
  // The projection list is looked for beside the running program, else
  // written into the user's settings folder.
  explicit CMifParamDlg(const MifParamOptions& options);
  std::string programDir;
  std::string fallbackDir;

  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  // kMifShowList opens the projection list in the desktop's text editor.
  void OnClicked(int id, IDialogControls& c) override;
};

// Dialog 144 kArcViewExportTitle.
class CArcViewExportDlg : public COptionsDlg<ArcViewExportOptions, 144> {
 public:
  enum : int {
    // The source, in the order of ArcViewExportOptions::Source.
    kLines = 201,
    kPoints = 204,
    kNotes = 205,
    kPolygons = 332,
  };
  using COptionsDlg::COptionsDlg;

  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
};

// Dialog 146 kXyzOptionsTitle.
class CXyzOptionsDlg : public COptionsDlg<XyzOptions, 146> {
 public:
  enum : int { kPoints = 201, kLines = 207 };
  using COptionsDlg::COptionsDlg;

  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
};

// Dialog 148 kSdlOutputTitle.
class CSdlOutputDlg : public COptionsDlg<SdlOutputOptions, 148> {
 public:
  enum : int {
    kPoints = 201,
    kText = 202,
    kLines = 207,
    kMerge = 220,
    kFindFile = 221,
    kPath = 222,
  };
  CSdlOutputDlg(CQznDoc* doc, const SdlOutputOptions& options) : COptionsDlg(options), m_doc(doc) {}

  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  // kSdlFindFile: the attribute file, remembered by the workspace too.
  void OnClicked(int id, IDialogControls& c) override;

 private:
  CQznDoc* m_doc;
};

// Dialog 147 kArcPntTitle.
class CArcPntExportDlg : public COptionsDlg<ArcPntExportOptions, 147> {
 public:
  enum : int { kIntegerIds = 231 };
  using COptionsDlg::COptionsDlg;

  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
};

// Dialog 203 kIgesOutTitle.
class CIgesOutDlg : public COptionsDlg<IgesOutOptions, 203> {
 public:
  enum : int {
    // After the four georeference buttons, in the order of IgesOutOptions::Mode.
    kPageSpace = 204,
    kFlip = 205,
  };
  using COptionsDlg::COptionsDlg;

  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
};

// The exports' questions as these dialogs, run through the installed dialog
// runner. A quiet host (a batch run) is answered with the defaults.
class CExportOptionDialogs : public IExportOptionsHook {
 public:
  bool AskDxf(CQznDoc& doc, DxfOutOptions& options) override;
  bool AskMif(CQznDoc& doc, MifParamOptions& options) override;
  bool AskArcView(CQznDoc& doc, ArcViewExportOptions& options) override;
  bool AskXyz(CQznDoc& doc, XyzOptions& options) override;
  bool AskSdl(CQznDoc& doc, SdlOutputOptions& options) override;
  bool AskArcPnt(CQznDoc& doc, ArcPntExportOptions& options) override;
  bool AskIges(CQznDoc& doc, IgesOutOptions& options) override;
};

}  // namespace qzn
