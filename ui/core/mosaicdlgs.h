// The dialogs that collect the source files of an image built from several:
// the mosaic (a list of images and the matrix they are laid out in, with
// overlaps or georeferencing), and the colour composite and colourise
// dialogs (one file for each of red, green and blue).
#pragma once

#include <string>
#include <vector>

#include "ui/core/dataexchange.h"

namespace qzn {

class CRasterImage;

// Dialog 183 kMosaicDialogTitle.
class CMosaicDlg : public CDialogModel {
 public:
  enum : int {
    kId = 183,
    kAdd = 122,
    kRemove = 124,
    kHelp = 112,
    kCount = 145,
    kList = 335,
    kPerRow = 338,
    kRows = 339,
    kPerRowArrows = 341,
    kRowsArrows = 342,
    kOverlay = 346,
    kLeft = 185,
    kTop = 186,
    kGeoreferenced = 387
  };
  unsigned perRow = 2;
  unsigned rows = 2;
  bool overlay = false;
  float leftOverlap = 10.0f;  // percent
  float topOverlap = 10.0f;
  bool georeferenced = false;
  std::vector<std::string> images;  // filled on OK, in list order

  // The mosaic's layout kind: 2 georeferenced, 1 overlapping, 0 a grid.
  int Mode() const { return georeferenced ? 2 : overlay ? 1 : 0; }

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  void OnScroll(int id, int code, int position, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  bool PlaceAtCorner() const override { return false; }

 private:
  void ShowCount(IDialogControls& c) const;
};

// Dialogs 186 kColorCompositeTitle and 185 kColorizeTitle: three source
// files. The composite needs at least one, colourising all three.
class CColorSourcesDlg : public CDialogModel {
 public:
  enum : int { kRed = 126, kGreen = 127, kBlue = 128, kRedBrowse = 344, kGreenBrowse = 345, kBlueBrowse = 346 };
  std::string blue, green, red;

  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  bool PlaceAtCorner() const override { return false; }

 protected:
  explicit CColorSourcesDlg(bool needAll) : m_needAll(needAll) {}

 private:
  bool m_needAll;
};

class CColorCompositeDlg : public CColorSourcesDlg {
 public:
  enum : int { kId = 186 };
  CColorCompositeDlg() : CColorSourcesDlg(false) {}
  int DialogId() const override { return kId; }
};

class CColorizeDlg : public CColorSourcesDlg {
 public:
  enum : int { kId = 185 };
  CColorizeDlg() : CColorSourcesDlg(true) {}
  int DialogId() const override { return kId; }
};

// The images of the main window's commands, built from a dialog answered
// with OK into an image of their own (the caller's is replaced only on
// success). 1 or 0 (the builders said why).
// The mosaic of the dialog's files in its matrix and layout kind, a colour
// result with its display palette.
int BuildMosaicImage(const CMosaicDlg& dlg, CRasterImage& out);
// A colour image of the composite dialog's band files.
int BuildCompositeImage(const CColorCompositeDlg& dlg, CRasterImage& out);

}  // namespace qzn
