#include "ui/imagedialogs.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/gbsizer.h>
#include <wx/spinbutt.h>

#include "resources/messages_batchdialogs.h"
#include "resources/messages_common.h"
#include "resources/messages_imagedlgs.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

// kSizeColumns, kSizeRows and kSizeBytes with their numbers, in a group.
wxStaticBoxSizer* SizeGroup(wxWindow* d, const char* caption, int columns, int rows, int size) {
  auto* group = MakeGroup(d, caption);
  wxWindow* box = group->GetStaticBox();
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 4));
  for (auto [label, id] :
       {std::pair{text::kSizeColumns, columns}, std::pair{text::kSizeRows, rows}, std::pair{text::kSizeBytes, size}}) {
    grid->Add(MakeLabel(box, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(new wxStaticText(box, id, wxEmptyString, wxDefaultPosition, wxSize(110, -1)), 0, wxALIGN_CENTER_VERTICAL);
  }
  group->Add(grid, 0, wxALL, 6);
  return group;
}

wxTextCtrl* ReadOnly(wxWindow* parent, int id, int width = 90) { return MakeEdit(parent, id, width, wxTE_READONLY); }

}  // namespace

CModelDialog* MakeResampleDialog(wxWindow* parent, CResampleDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kResampleTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* sizes = new wxBoxSizer(wxHORIZONTAL);
  sizes->Add(SizeGroup(d, text::kCurrentSize, CResampleDlg::kColumns, CResampleDlg::kRows, CResampleDlg::kSize), 1,
             wxEXPAND | wxALL, 4);
  sizes->Add(SizeGroup(d, text::kNewSize, CResampleDlg::kNewColumns, CResampleDlg::kNewRows, CResampleDlg::kNewSize), 1,
             wxEXPAND | wxALL, 4);
  top->Add(sizes, 0, wxEXPAND | wxALL, 4);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* dir = new wxBoxSizer(wxVERTICAL);
  dir->Add(MakeRadio(d, CResampleDlg::kDown, text::kSampleDown, true), 0, wxALL, 4);
  dir->Add(MakeRadio(d, CResampleDlg::kUp, text::kSampleUp), 0, wxALL, 4);
  row->Add(dir, 0, wxALL, 4);
  auto* factor = MakeGroup(d, text::kResampleFactor, wxHORIZONTAL);
  factor->Add(ReadOnly(factor->GetStaticBox(), CResampleDlg::kFactor, 70), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  auto* arrows = new wxSpinButton(factor->GetStaticBox(), CResampleDlg::kFactorArrows, wxDefaultPosition, wxDefaultSize,
                                  wxSP_VERTICAL);
  arrows->SetRange(-1000000, 1000000);
  arrows->SetValue(0);
  factor->Add(arrows, 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(factor, 0, wxALL, 4);
  top->Add(row, 0, wxALL, 4);
  return FinishDialog(d, top);
}

CModelDialog* MakeRemoveBackgroundDialog(wxWindow* parent, CRemoveBackgroundDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kRemoveBackgroundTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = MakeGroup(d, text::kForegroundSize, wxHORIZONTAL);
  group->Add(MakeEdit(group->GetStaticBox(), CRemoveBackgroundDlg::kSize, 70), 0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
  group->Add(MakeLabel(group->GetStaticBox(), text::kInPixels), 0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
  top->Add(group, 0, wxEXPAND | wxALL, 8);
  return FinishDialog(d, top, text::kStart);
}

CModelDialog* MakeColorClassifyDialog(wxWindow* parent, CColorClassifyDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kColorClassifyTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
  grid->Add(MakeLabel(d, text::kNumberOfColours), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, CColorClassifyDlg::kColours, 70));
  grid->Add(MakeLabel(d, text::kIterations), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, CColorClassifyDlg::kIterations, 70));
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top, text::kStart);
}

CModelDialog* MakeImageInfoDialog(wxWindow* parent, CImageInfoDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kImageInfoTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
  auto add = [&](const char* label, wxWindow* w) {
    grid->Add(MakeLabel(d, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(w, 0, wxALIGN_CENTER_VERTICAL);
  };
  add(text::kImageType, ReadOnly(d, CImageInfoDlg::kType, 140));
  add(text::kImageColumns, ReadOnly(d, CImageInfoDlg::kColumns));
  add(text::kImageRows, ReadOnly(d, CImageInfoDlg::kRows));
  add(text::kBitsPerPixel, ReadOnly(d, CImageInfoDlg::kBits));
  add(text::kPlaneCount, ReadOnly(d, CImageInfoDlg::kPlanes));
  add(text::kImageScanResolution, MakeEdit(d, CImageInfoDlg::kResolution, 90));
  const wxString units[] = {U8(text::kUnitPixel), U8(text::kUnitInch), U8(text::kUnitCentimetre)};
  add(text::kResolutionUnit,
      new wxComboBox(d, CImageInfoDlg::kUnit, units[0], wxDefaultPosition, wxSize(90, -1), 3, units, wxCB_DROPDOWN));
  top->Add(grid, 0, wxALL, 10);
  top->Add(new wxCheckBox(d, CImageInfoDlg::kApply, U8(text::kApplyResolution)), 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
  return FinishDialog(d, top);
}

void RegisterImageDialogs() {
  RegisterDialogWindow(&MakeResampleDialog);
  RegisterDialogWindow(&MakeRemoveBackgroundDialog);
  RegisterDialogWindow(&MakeColorClassifyDialog);
  RegisterDialogWindow(&MakeImageInfoDialog);
}

}  // namespace qzn
