#include "ui/dialogs3d.h"

#include <memory>

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "platform/textfile.h"
#include "resources/messages_view3d.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

wxSlider* Slider(wxWindow* parent, int id, int width = 220) {
  return new wxSlider(parent, id, 0, 0, 100, wxDefaultPosition, wxSize(width, -1), wxSL_HORIZONTAL);
}

// A label whose text the model sets, wide enough for what it will show.
wxStaticText* Value(wxWindow* parent, int id, const char* widest) {
  auto* t = new wxStaticText(parent, id, U8(widest), wxDefaultPosition, wxDefaultSize, wxST_NO_AUTORESIZE);
  t->SetMinSize(t->GetBestSize());
  return t;
}

// Cell size slider with its value, the columns and rows, the output file
// with Browse: the part both grid dialogs share.
void AddGridRows(CModelDialog* d, wxSizer* top, int slider, int columns, int rows, int output, int browse) {
  auto* size = new wxBoxSizer(wxHORIZONTAL);
  size->Add(MakeLabel(d, text::kLabelCellSize), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  size->Add(Slider(d, slider), 1, wxEXPAND | wxALL, 4);
  size->Add(Value(d, CGridMeshSizeDlg::kCellSize, "00000"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  top->Add(size, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);
  auto* counts = new wxBoxSizer(wxHORIZONTAL);
  counts->Add(Value(d, columns, text::kColumnsWidest), 0, wxALL, 4);
  counts->Add(Value(d, rows, text::kRowsWidest), 0, wxALL, 4);
  top->Add(counts, 0, wxLEFT | wxRIGHT, 6);
  auto* file = new wxBoxSizer(wxHORIZONTAL);
  file->Add(MakeLabel(d, text::kLabelOutput), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  file->Add(MakeEdit(d, output, 320), 1, wxEXPAND | wxALL, 4);
  file->Add(new wxButton(d, browse, U8(text::kLabelBrowse)), 0, wxALL, 4);
  top->Add(file, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);
}

}  // namespace

CModelDialog* MakeGridMeshSizeDialog(wxWindow* parent, CGridMeshSizeDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kGridMeshTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  AddGridRows(d, top, CGridMeshSizeDlg::kSlider, CGridMeshSizeDlg::kColumns, CGridMeshSizeDlg::kRows,
              CGridMeshSizeDlg::kOutput, CGridMeshSizeDlg::kBrowse);
  top->Add(DialogButtons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeDemSettingsDialog(wxWindow* parent, CDemSettingsDlg& model) {
  using D = CDemSettingsDlg;
  auto* d = new CModelDialog(parent, model, U8(text::kDemSettingsTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* fields = new wxFlexGridSizer(2, wxSize(4, 4));
  fields->Add(MakeLabel(d, text::kLabelQuadrangle), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, D::kName, 240));
  fields->Add(MakeLabel(d, text::kLabelGroundUnits), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, D::kGroundUnits, 60));
  fields->Add(MakeLabel(d, text::kLabelElevationUnits), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, D::kElevationUnits, 60));
  top->Add(fields, 0, wxALL, 10);
  auto* corners = new wxStaticBoxSizer(wxVERTICAL, d, U8(text::kLabelCorners));
  auto* grid = new wxFlexGridSizer(4, wxSize(4, 4));
  wxWindow* box = corners->GetStaticBox();
  const int ids[4][2] = {{D::kCorner0X, D::kCorner0Y},
                         {D::kCorner1X, D::kCorner1Y},
                         {D::kCorner2X, D::kCorner2Y},
                         {D::kCorner3X, D::kCorner3Y}};
  for (int i = 0; i < 4; ++i) {
    grid->Add(MakeLabel(box, FormatC(text::kLabelCornerFormat, i).c_str()), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(MakeEdit(box, ids[i][0], 100));
    grid->Add(MakeEdit(box, ids[i][1], 100));
    grid->AddSpacer(1);
  }
  corners->Add(grid, 0, wxALL, 4);
  top->Add(corners, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  AddGridRows(d, top, D::kSlider, D::kColumns, D::kRows, D::kOutput, D::kBrowse);
  top->Add(DialogButtons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* Make3DSettingsDialog(wxWindow* parent, C3DSettingsDlg& model) {
  using D = C3DSettingsDlg;
  auto* d = new CModelDialog(parent, model, U8(text::k3DSettingsTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* rows = new wxFlexGridSizer(3, wxSize(6, 6));
  rows->AddGrowableCol(1);
  const struct {
    const char* label;
    int slider, value;
    const char* widest;
  } sliders[] = {{text::kLabelTilt, D::kTilt, D::kTiltLabel, text::kDegreesWidest},
                 {text::kLabelTurn, D::kTurn, D::kTurnLabel, text::kDegreesWidest},
                 {text::kLabelZoom, D::kZoom, D::kZoomLabel, "0000"}};
  for (const auto& s : sliders) {
    rows->Add(MakeLabel(d, s.label), 0, wxALIGN_CENTER_VERTICAL);
    rows->Add(Slider(d, s.slider, 260), 1, wxEXPAND);
    rows->Add(Value(d, s.value, s.widest), 0, wxALIGN_CENTER_VERTICAL);
  }
  top->Add(rows, 0, wxEXPAND | wxALL, 10);
  auto* actions = new wxBoxSizer(wxHORIZONTAL);
  actions->Add(new wxButton(d, D::kApply, U8(text::kLabelApply)), 0, wxALL, 4);
  actions->Add(new wxButton(d, D::kAnimate, U8(text::kLabelAnimate)), 0, wxALL, 4);
  actions->Add(new wxButton(d, D::kOverlay, U8(text::kLabelOverlaySettings)), 0, wxALL, 4);
  top->Add(actions, 0, wxLEFT | wxRIGHT, 6);
  top->Add(DialogButtons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* Make3DScaleDialog(wxWindow* parent, C3DScaleDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::k3DScaleTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* fields = new wxFlexGridSizer(2, wxSize(6, 6));
  fields->Add(MakeLabel(d, text::kLabelVerticalScale), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, C3DScaleDlg::kVerticalScale, 100));
  fields->Add(MakeLabel(d, text::kLabelMeshSize), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, C3DScaleDlg::kMeshSize, 100));
  top->Add(fields, 0, wxALL, 10);
  top->Add(DialogButtons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeDrapeAreaDialog(wxWindow* parent, CDrapeAreaDlg& model) {
  using D = CDrapeAreaDlg;
  auto* d = new CModelDialog(parent, model, U8(text::kDrapeAreaTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxRadioButton(d, D::kWhole, U8(text::kLabelDrapeAll), wxDefaultPosition, wxDefaultSize, wxRB_GROUP), 0,
           wxLEFT | wxRIGHT | wxTOP, 10);
  top->Add(new wxRadioButton(d, D::kArea, U8(text::kLabelDrapeArea)), 0, wxLEFT | wxRIGHT | wxTOP, 10);
  auto* fields = new wxFlexGridSizer(4, wxSize(6, 6));
  fields->Add(MakeLabel(d, text::kLabelLeft), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, D::kLeft));
  fields->Add(MakeLabel(d, text::kLabelRight), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, D::kRight));
  fields->Add(MakeLabel(d, text::kLabelTop), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, D::kTop));
  fields->Add(MakeLabel(d, text::kLabelBottom), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(d, D::kBottom));
  top->Add(fields, 0, wxLEFT | wxRIGHT | wxTOP, 28);
  top->Add(DialogButtons(d), 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

void Register3DDialogs() {
  RegisterDialogWindow(&MakeGridMeshSizeDialog);
  RegisterDialogWindow(&MakeDemSettingsDialog);
  RegisterDialogWindow(&Make3DSettingsDialog);
  RegisterDialogWindow(&Make3DScaleDialog);
  RegisterDialogWindow(&MakeDrapeAreaDialog);
}

bool RunDialogModal(wxWindow* parent, CDialogModel& model) {
  // Gone before the caller's model is: nothing of it may outlive the call.
  std::unique_ptr<CModelDialog> d(MakeDialogWindow(parent, model));
  return d && d->ShowModal() == wxID_OK;
}

}  // namespace qzn
