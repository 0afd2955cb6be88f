// The direction dialog: flips or turns the workspace's lines, points and
// text notes within the workspace, at once on each button; and the dialog
// of the georeferenced vector import, which collects the vector file, the
// control-point or world file and the transform method.
#pragma once

#include <string>

#include "model/maptransform.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class CQznDoc;
class CQznView;

// Dialog 169 kAdjustDirectionTitle.
class CAdjustDirectionDlg : public CDialogModel {
 public:
  enum : int {
    kId = 169,
    kLines = 200,
    kPoints = 201,
    kNotes = 202,
    kFlipVertical = 271,
    kFlipHorizontal = 272,
    kRotate = 273
  };
  // Each kind starts checked when the workspace shows some of it.
  CAdjustDirectionDlg(CQznView* view, CQznDoc* doc);

  bool lines = false, notes = false, points = false;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;

 private:
  CQznDoc* m_doc;
  CQznView* m_view;
};

// Dialog 154 kImportGeoVectorTitle.
class CImportGeoVectorDlg : public CDialogModel {
 public:
  enum : int {
    kId = 154,
    kControlFile = 233,
    kBrowseControl = 234,
    kVectorFile = 235,
    kBrowseVector = 236,
    kBilinear = 214,
    kTriangulation = 215
  };
  // The control file is taken when it is not empty.
  CImportGeoVectorDlg(const std::string& controlFile, int method);

  std::string controlFile;
  std::string vectorFile;
  int method = 0;        // the radio's index: the GeorefKind, bilinear or triangulation
  std::string basePath;  // the names the browse buttons propose start from it

  GeorefKind Method() const { return static_cast<GeorefKind>(method); }

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
};

}  // namespace qzn
