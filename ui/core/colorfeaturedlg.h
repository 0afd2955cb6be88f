// The colour-feature table: one row per sample area of an RGB image, each
// with the mean and standard deviation of red, green and blue measured in a
// rectangle the user drew in the view. The features go to the workspace's
// colour classes, from which colour vectorisation works. The table is shown
// and edited in a table control; what the user types into it is taken over.
// The dialog is modeless: it stays open beside the view while the user
// draws the next rectangle, and closes with the view.
#pragma once

#include <functional>

#include "raster/colorfeature.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class CGridModel;
class CQznDoc;
class CQznView;

// Dialog 220 kColorFeatureTitle.
class CColorFeatureDlg : public CDialogModel {
 public:
  enum : int { kId = 220, kGrid = 391, kAdd = 122, kDelete = 123, kSave = 143, kOpen = 142, kVectorize = 396 };
  static constexpr int kColumns = 7;
  static constexpr int kMinRows = 5;  // the header and four empty rows at least

  // The features start as a copy of the workspace's colour classes.
  explicit CColorFeatureDlg(CQznView* view);

  CColorFeatureArray features;  // the dialog's working copy
  bool modified = false;        // features added or deleted since the last save
  // Runs the view's automatic vectorisation (the window sets it).
  std::function<void()> autoVectorize;

  // The table the dialog shows; set before the dialog is initialised.
  void SetGrid(CGridModel* grid) { m_grid = grid; }
  CGridModel* Grid() const { return m_grid; }

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange&) override {}
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls&) override {}

  // Features to the table, and the table back to the features (up to the
  // first row whose ID cell is empty).
  void Fill();
  void ReadBack();
  void OnAdd();
  void OnDelete();
  void OnOpen();
  // False when the user cancelled the file dialog or the file was not written.
  bool OnSave();
  void OnVectorize();

 private:
  CQznDoc* Document() const;
  void HandToDocument();
  // Values typed into the rows of the features are taken over before the
  // table is filled again, so no edit is lost.
  void TakeTypedValues();

  CQznView* m_view;
  CGridModel* m_grid = nullptr;
};

// Opens the table beside the view, modeless; the view keeps it and it closes
// with the view. A table already open closes first, so the new one starts
// from the workspace's features.
void OpenColorFeatureTable(CQznView& view);

}  // namespace qzn
