#include "ui/iddialogs.h"

#include <wx/button.h>
#include <wx/checkbox.h>

#include "resources/messages_batchdialogs.h"
#include "resources/messages_georefdialogs.h"
#include "resources/messages_imagedlgs.h"
#include "resources/messages_linedialogs.h"
#include "resources/messages_tabledialogs.h"
#include "resources/messages_tools.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

wxButton* Button(wxWindow* parent, int id, const char* text) { return new wxButton(parent, id, U8(text)); }

// A two-column grid of labels and controls.
wxFlexGridSizer* Grid() { return new wxFlexGridSizer(2, wxSize(8, 6)); }
void AddRow(wxFlexGridSizer* grid, wxWindow* parent, const char* label, wxWindow* control) {
  grid->Add(MakeLabel(parent, label), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(control, 0, wxALIGN_CENTER_VERTICAL);
}

}  // namespace

CModelDialog* MakeIDColorDialog(wxWindow* parent, CIDColorDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kIdColorTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* range = MakeGroup(d, text::kIdRange);
  auto* rangeGrid = Grid();
  AddRow(rangeGrid, range->GetStaticBox(), text::kFrom, MakeEdit(range->GetStaticBox(), CIDColorDlg::kLow, 110));
  AddRow(rangeGrid, range->GetStaticBox(), text::kTo, MakeEdit(range->GetStaticBox(), CIDColorDlg::kHigh, 110));
  range->Add(rangeGrid, 0, wxALL, 6);
  row->Add(range, 0, wxEXPAND | wxALL, 4);
  auto* colour = MakeGroup(d, text::kColour);
  colour->Add(new CColourSwatch(colour->GetStaticBox(), CIDColorDlg::kSwatch, wxSize(60, 28)), 0, wxALL | wxEXPAND, 6);
  colour->Add(Button(colour->GetStaticBox(), CIDColorDlg::kDefine, text::kDrawValueDefine), 0, wxALL | wxEXPAND, 6);
  row->Add(colour, 0, wxEXPAND | wxALL, 4);
  top->Add(row, 0, wxALL, 4);
  auto* paging = new wxBoxSizer(wxHORIZONTAL);
  paging->Add(Button(d, CIDColorDlg::kPrevious, "<<"), 0, wxALL, 3);
  paging->Add(Button(d, CIDColorDlg::kNext, ">>"), 0, wxALL, 3);
  paging->Add(Button(d, CIDColorDlg::kAdd, text::kAdd), 0, wxALL, 3);
  paging->Add(Button(d, CIDColorDlg::kOpen, text::kOpen), 0, wxALL, 3);
  paging->Add(Button(d, CIDColorDlg::kSaveAs, text::kSaveAs), 0, wxALL, 3);
  top->Add(paging, 0, wxLEFT | wxRIGHT, 6);
  auto* count = new wxBoxSizer(wxHORIZONTAL);
  count->Add(MakeLabel(d, text::kColourCount), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  count->Add(new wxStaticText(d, CIDColorDlg::kIndex, wxEmptyString, wxDefaultPosition, wxSize(50, -1)), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, 4);
  count->Add(MakeLabel(d, "/"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  count->Add(new wxStaticText(d, CIDColorDlg::kCount, wxEmptyString, wxDefaultPosition, wxSize(50, -1)), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, 4);
  top->Add(count, 0, wxLEFT | wxRIGHT, 6);
  return FinishDialog(d, top);
}

CModelDialog* MakeCurrentIDDialog(wxWindow* parent, CCurrentIDDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kCurrentIdTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  AddRow(grid, d, text::kSetCurrentIdTo, MakeEdit(d, CCurrentIDDlg::kCurrent, 110));
  grid->Add(new wxCheckBox(d, CCurrentIDDlg::kAutoIncrement, U8(text::kIncrementIdBy)), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, CCurrentIDDlg::kIncrement, 110), 0, wxALIGN_CENTER_VERTICAL);
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top);
}

CModelDialog* MakeIDRangeDialog(wxWindow* parent, CIDRangeDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kIdRangeTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  AddRow(grid, d, text::kStartId, MakeEdit(d, CIDRangeDlg::kStart, 110));
  AddRow(grid, d, text::kIncrement, MakeEdit(d, CIDRangeDlg::kIncrement, 110));
  top->Add(grid, 0, wxALL, 10);
  top->Add(new wxCheckBox(d, CIDRangeDlg::kUnlabelledOnly, U8(text::kUnlabelledOnly)), 0, wxLEFT | wxRIGHT | wxBOTTOM,
           10);
  return FinishDialog(d, top);
}

CModelDialog* MakeConvertIDDialog(wxWindow* parent, CConvertIDDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kConvertIdTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = MakeGroup(d, text::kIdFormula);
  auto* grid = Grid();
  AddRow(grid, group->GetStaticBox(), text::kScale, MakeEdit(group->GetStaticBox(), CConvertIDDlg::kScale, 150));
  AddRow(grid, group->GetStaticBox(), text::kOffset, MakeEdit(group->GetStaticBox(), CConvertIDDlg::kOffset, 150));
  group->Add(grid, 0, wxALL, 6);
  top->Add(group, 0, wxEXPAND | wxALL, 8);
  auto* which = new wxBoxSizer(wxHORIZONTAL);
  which->Add(new wxCheckBox(d, CConvertIDDlg::kLines, U8(text::kKindLines)), 0, wxALL, 4);
  which->Add(new wxCheckBox(d, CConvertIDDlg::kPoints, U8(text::kKindPoints)), 0, wxALL, 4);
  top->Add(which, 0, wxLEFT | wxRIGHT, 8);
  return FinishDialog(d, top);
}

CModelDialog* MakeContourValueDialog(wxWindow* parent, CContourValueDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kContourValueTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  AddRow(grid, d, text::kSelectedLineCount,
         new wxStaticText(d, CContourValueDlg::kCount, wxEmptyString, wxDefaultPosition, wxSize(110, -1)));
  AddRow(grid, d, text::kStartValue, MakeEdit(d, CContourValueDlg::kStart, 110));
  AddRow(grid, d, text::kIncrement, MakeEdit(d, CContourValueDlg::kIncrement, 110));
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top);
}

CModelDialog* MakeNoteDialog(wxWindow* parent, CNoteDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kNoteTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* hint = MakeLabel(d, text::kNoteHint);
  hint->Wrap(380);
  top->Add(hint, 0, wxALL, 8);
  top->Add(MakeEdit(d, CNoteDlg::kText, 380, wxTE_MULTILINE), 1, wxEXPAND | wxLEFT | wxRIGHT, 8);
  top->Add(MakeLabel(d, text::kRightButtonChangesMode), 0, wxALL, 8);
  auto* apply = Button(d, CNoteDlg::kApply, text::kApply);
  apply->SetDefault();
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->AddStretchSpacer();
  row->Add(apply, 0, wxALL, 4);
  top->Add(row, 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

void RegisterIDDialogs() {
  RegisterDialogWindow(&MakeIDColorDialog);
  RegisterDialogWindow(&MakeCurrentIDDialog);
  RegisterDialogWindow(&MakeIDRangeDialog);
  RegisterDialogWindow(&MakeConvertIDDialog);
  RegisterDialogWindow(&MakeContourValueDialog);
  RegisterDialogWindow(&MakeNoteDialog);
}

}  // namespace qzn
