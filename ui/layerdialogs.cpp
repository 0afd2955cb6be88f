#include "ui/layerdialogs.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/dcclient.h>
#include <wx/listbox.h>
#include <wx/settings.h>

#include "resources/messages_exportdialogs.h"
#include "resources/messages_georefdialogs.h"
#include "resources/messages_imagedlgs.h"
#include "resources/messages_linedialogs.h"
#include "resources/messages_tabledialogs.h"
#include "resources/messages_window.h"
#include "ui/wxcanvas.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

// ---- the layer list ------------------------------------------------------------

CLayerListBox::CLayerListBox(wxWindow* parent, int id, const CLayerList& layers)
    : wxVListBox(parent, id, wxDefaultPosition, wxDefaultSize, wxLB_MULTIPLE | wxBORDER_SUNKEN), m_layers(layers) {
  SetBackgroundColour(*wxWHITE);
  Bind(wxEVT_LEFT_DOWN, &CLayerListBox::OnClick, this);
  Bind(wxEVT_LEFT_DCLICK, &CLayerListBox::OnClick, this);
}

int CLayerListBox::RowHeight() const {
  // The rows are 17 pixels high, or higher where the font needs it.
  return std::max(CLayerManageDlg::kRowHeight, GetCharHeight() + 4);
}

wxCoord CLayerListBox::OnMeasureItem(std::size_t) const { return RowHeight(); }

void CLayerListBox::OnDrawBackground(wxDC&, const wxRect&, std::size_t) const {}

void CLayerListBox::OnDrawItem(wxDC& dc, const wxRect& rect, std::size_t n) const {
  if (n >= m_layers.m_layers.size()) return;
  dc.SetFont(GetFont());
  CWxCanvas canvas(dc);
  const wxColour hi = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  const wxColour hiText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
  DrawLayerRow(canvas, m_layers.m_layers[n], RECT{rect.x, rect.y, rect.GetRight() + 1, rect.GetBottom() + 1},
               dc.GetCharWidth(), IsSelected(n), RGB(hi.Red(), hi.Green(), hi.Blue()),
               RGB(hiText.Red(), hiText.Green(), hiText.Blue()));
}

void CLayerListBox::OnClick(wxMouseEvent& e) {
  SetFocus();
  const int row = VirtualHitTest(e.GetY());
  if (row == wxNOT_FOUND) return;
  Toggle(static_cast<std::size_t>(row));
  RefreshRow(static_cast<std::size_t>(row));
  wxCommandEvent changed(wxEVT_LISTBOX, GetId());
  changed.SetEventObject(this);
  changed.SetInt(row);
  ProcessWindowEvent(changed);
}

// ---- the layer manager --------------------------------------------------------------

namespace {

// The captions over the list's columns, placed as the rows place their parts.
class CLayerListHeader : public wxWindow {
 public:
  explicit CLayerListHeader(wxWindow* parent) : wxWindow(parent, wxID_ANY) {
    SetMinSize(wxSize(-1, GetCharHeight() + 4));
    Bind(wxEVT_PAINT, [this](wxPaintEvent&) {
      wxPaintDC dc(this);
      dc.SetFont(GetFont());
      dc.SetTextForeground(GetForegroundColour());
      const LayerRowColumns c = LayerColumns(2, dc.GetCharWidth());
      dc.DrawText(U8(text::kLayerName), c.name, 0);
      dc.DrawText(U8(text::kLayerFill), c.swatch, 0);
      dc.DrawText(U8(text::kLayerMarks), c.state, 0);
      dc.DrawText(U8(text::kKindLines), c.line, 0);
    });
  }
};

wxButton* Button(wxWindow* d, int id, const char* text) { return new wxButton(d, id, U8(text)); }

}  // namespace

CModelDialog* MakeLayerManageDialog(wxWindow* parent, CLayerManageDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kLayerManageTitle));
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  auto* left = new wxBoxSizer(wxVERTICAL);
  left->Add(new CLayerListHeader(d), 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
  auto* list = new CLayerListBox(d, CLayerManageDlg::kList, model.working);
  // Room for the four columns and about ten rows.
  const int w = list->GetCharWidth();
  list->SetMinSize(wxSize(LayerColumns(2, w).line + 6 * w + 24, list->RowHeight() * 10 + 4));
  left->Add(list, 1, wxEXPAND | wxALL, 6);
  auto* nameRow = new wxBoxSizer(wxHORIZONTAL);
  nameRow->Add(MakeLabel(d, text::kLayerName), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  nameRow->Add(MakeEdit(d, CLayerManageDlg::kName, 160), 1, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  nameRow->Add(Button(d, CLayerManageDlg::kAdd, text::kAddLayer), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  left->Add(nameRow, 0, wxEXPAND | wxLEFT | wxRIGHT, 2);
  top->Add(left, 1, wxEXPAND);
  auto* buttons = new wxBoxSizer(wxVERTICAL);
  auto* ok = new wxButton(d, wxID_OK, U8(text::kButtonOk));
  ok->SetDefault();
  buttons->Add(ok, 0, wxEXPAND | wxALL, 4);
  buttons->AddSpacer(8);
  for (auto [id, text] : {std::pair{int(CLayerManageDlg::kOnOff), text::kLayerOnOff},
                          std::pair{int(CLayerManageDlg::kCurrent), text::kLayerCurrent},
                          std::pair{int(CLayerManageDlg::kLock), text::kLayerLock},
                          std::pair{int(CLayerManageDlg::kColour), text::kColour},
                          std::pair{int(CLayerManageDlg::kLineType), text::kLayerLineType},
                          std::pair{int(CLayerManageDlg::kFill), text::kLayerHatchFill},
                          std::pair{int(CLayerManageDlg::kDelete), text::kDelete}})
    buttons->Add(Button(d, id, text), 0, wxEXPAND | wxALL, 4);
  top->Add(buttons, 0, wxALL, 6);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeLineTypeDialog(wxWindow* parent, CLineTypeDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kLineTypeTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* styles = MakeGroup(d, text::kLineStyle);
  const char* names[] = {text::kLineSolid, text::kLineDash, text::kKindPoints, text::kLineDashDot,
                         text::kLineDashDotDot};
  for (int i = 0; i < 5; ++i)
    styles->Add(MakeRadio(styles->GetStaticBox(), CLineTypeDlg::kSolid + i, names[i], i == 0), 0, wxALL, 3);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(styles, 0, wxALL, 6);
  auto* width = MakeGroup(d, text::kLineWidth);
  width->Add(MakeEdit(width->GetStaticBox(), CLineTypeDlg::kWidth, 90), 0, wxALL, 4);
  auto* unit = new wxBoxSizer(wxHORIZONTAL);
  unit->Add(MakeLabel(width->GetStaticBox(), text::kUnits), 0, wxALL, 4);
  unit->Add(
      new wxStaticText(width->GetStaticBox(), CLineTypeDlg::kUnit, wxEmptyString, wxDefaultPosition, wxSize(60, -1)), 0,
      wxALL, 4);
  width->Add(unit);
  row->Add(width, 0, wxALL, 6);
  top->Add(row);
  return FinishDialog(d, top);
}

CModelDialog* MakeHatchFillDialog(wxWindow* parent, CHatchFillDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kHatchFillTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, wxSize(12, 4));
  MakeNoChoice(d);
  const char* names[] = {text::kHatchHorizontal, text::kHatchVertical,      text::kHatchForward, text::kHatchBackward,
                         text::kHatchCross,      text::kHatchDiagonalCross, text::kHatchSolid};
  for (int i = 0; i < CHatchFillDlg::kCount; ++i) grid->Add(MakeRadio(d, CHatchFillDlg::kFirst + i, names[i]));
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top);
}

CModelDialog* MakeLayerOperationDialog(wxWindow* parent, CLayerOperationDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kLayerOperationTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* hint = MakeLabel(d, text::kLayerOperationHint);
  hint->Wrap(360);
  top->Add(hint, 0, wxALL, 8);
  auto* lists = new wxBoxSizer(wxHORIZONTAL);
  auto* from = new wxBoxSizer(wxVERTICAL);
  from->Add(MakeLabel(d, text::kFromLayers), 0, wxBOTTOM, 2);
  from->Add(
      new wxListBox(d, CLayerOperationDlg::kSources, wxDefaultPosition, wxSize(150, 160), 0, nullptr, wxLB_MULTIPLE), 1,
      wxEXPAND);
  lists->Add(from, 1, wxEXPAND | wxALL, 4);
  lists->Add(MakeLabel(d, ">>"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  auto* to = new wxBoxSizer(wxVERTICAL);
  to->Add(MakeLabel(d, text::kToLayer), 0, wxBOTTOM, 2);
  to->Add(new wxListBox(d, CLayerOperationDlg::kTarget, wxDefaultPosition, wxSize(150, 160), 0, nullptr, wxLB_SINGLE),
          1, wxEXPAND);
  lists->Add(to, 1, wxEXPAND | wxALL, 4);
  top->Add(lists, 1, wxEXPAND | wxLEFT | wxRIGHT, 6);
  auto* options = new wxBoxSizer(wxHORIZONTAL);
  auto* op = MakeGroup(d, text::kOperation);
  op->Add(MakeRadio(op->GetStaticBox(), CLayerOperationDlg::kCopy, text::kCopyLayers, true), 0, wxALL, 3);
  op->Add(MakeRadio(op->GetStaticBox(), CLayerOperationDlg::kMove, text::kMoveLayers), 0, wxALL, 3);
  options->Add(op, 1, wxEXPAND | wxALL, 4);
  auto* items = MakeGroup(d, text::kDataItems);
  items->Add(new wxCheckBox(items->GetStaticBox(), CLayerOperationDlg::kLines, U8(text::kKindLines)), 0, wxALL, 3);
  items->Add(new wxCheckBox(items->GetStaticBox(), CLayerOperationDlg::kPoints, U8(text::kKindPoints)), 0, wxALL, 3);
  items->Add(new wxCheckBox(items->GetStaticBox(), CLayerOperationDlg::kNotes, U8(text::kExpText)), 0, wxALL, 3);
  options->Add(items, 1, wxEXPAND | wxALL, 4);
  top->Add(options, 0, wxEXPAND | wxLEFT | wxRIGHT, 6);
  return FinishDialog(d, top);
}

CModelDialog* MakeLayerColorDialog(wxWindow* parent, CLayerColorDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kLayerColorTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = MakeGroup(d, text::kChooseLayers);
  group->Add(MakeRadio(group->GetStaticBox(), CLayerColorDlg::kCurrentOnly, text::kCurrentLayerOnly, true), 0, wxALL,
             3);
  group->Add(MakeRadio(group->GetStaticBox(), CLayerColorDlg::kOthers, text::kAllButCurrentLayer), 0, wxALL, 3);
  group->Add(MakeRadio(group->GetStaticBox(), CLayerColorDlg::kAll, text::kAllLayers), 0, wxALL, 3);
  top->Add(group, 0, wxEXPAND | wxALL, 8);
  return FinishDialog(d, top);
}

void RegisterLayerDialogs() {
  RegisterDialogWindow(&MakeLayerManageDialog);
  RegisterDialogWindow(&MakeLineTypeDialog);
  RegisterDialogWindow(&MakeHatchFillDialog);
  RegisterDialogWindow(&MakeLayerOperationDialog);
  RegisterDialogWindow(&MakeLayerColorDialog);
}

}  // namespace qzn
