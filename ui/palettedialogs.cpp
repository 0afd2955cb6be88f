#include "ui/palettedialogs.h"

#include <wx/button.h>
#include <wx/dcbuffer.h>
#include <wx/scrolbar.h>

#include "resources/messages_imagedlgs.h"
#include "resources/messages_linedialogs.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

// ---- the palette grid ------------------------------------------------------------

CPaletteGrid::CPaletteGrid(wxWindow* parent, CPaletteDlg& model)
    : wxWindow(parent, CPaletteDlg::kGrid, wxDefaultPosition, wxSize(16 * 18, 16 * 18), wxBORDER_SIMPLE),
      m_model(model) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &CPaletteGrid::OnPaint, this);
  Bind(wxEVT_SIZE, &CPaletteGrid::OnSize, this);
  Bind(wxEVT_LEFT_DOWN, &CPaletteGrid::OnDown, this);
  Bind(wxEVT_MOTION, &CPaletteGrid::OnMove, this);
  Bind(wxEVT_LEFT_UP, &CPaletteGrid::OnUp, this);
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &CPaletteGrid::OnCaptureLost, this);
}

void CPaletteGrid::SyncFrame() {
  const wxSize s = GetClientSize();
  m_model.frame = RECT{0, 0, std::max(s.x, 16) - 1, std::max(s.y, 16) - 1};
}

void CPaletteGrid::OnSize(wxSizeEvent& e) {
  SyncFrame();
  Refresh(false);
  e.Skip();
}

void CPaletteGrid::OnPaint(wxPaintEvent&) {
  SyncFrame();
  wxAutoBufferedPaintDC dc(this);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  dc.SetPen(*wxBLACK_PEN);
  for (int r = 0; r < 16; ++r)
    for (int c = 0; c < 16; ++c) {
      const PaletteEntry& e = m_model.entries[static_cast<std::size_t>(r * 16 + c)];
      const RECT cell = m_model.CellRect(r, c);
      dc.SetBrush(wxBrush(wxColour(e.red, e.green, e.blue)));
      dc.DrawRectangle(cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top);
    }
  const RECT& s = m_model.selection;
  if (s.right > s.left || s.bottom > s.top) {
    // The selection stands out on any colour: white under black dashes.
    const wxRect r(s.left, s.top, s.right - s.left + 1, s.bottom - s.top + 1);
    dc.SetBrush(*wxTRANSPARENT_BRUSH);
    dc.SetPen(wxPen(*wxWHITE, 1));
    dc.DrawRectangle(r);
    dc.SetPen(wxPen(*wxBLACK, 1, wxPENSTYLE_SHORT_DASH));
    dc.DrawRectangle(r);
  }
}

void CPaletteGrid::OnDown(wxMouseEvent& e) {
  SyncFrame();
  if (m_model.BeginDrag(POINT{e.GetX(), e.GetY()}) && !HasCapture()) CaptureMouse();
  Refresh(false);
}

void CPaletteGrid::OnMove(wxMouseEvent& e) {
  if (!m_model.dragging) return;
  m_model.DragTo(POINT{e.GetX(), e.GetY()});
  Refresh(false);
}

void CPaletteGrid::OnUp(wxMouseEvent& e) {
  if (!m_model.dragging) return;
  m_model.EndDrag(POINT{e.GetX(), e.GetY()});
  if (HasCapture()) ReleaseMouse();
  Refresh(false);
}

void CPaletteGrid::OnCaptureLost(wxMouseCaptureLostEvent&) { m_model.dragging = false; }

namespace {

wxButton* Button(wxWindow* parent, int id, const char* text) { return new wxButton(parent, id, U8(text)); }

// One bar of the contrast dialog in its group, 0 at the top as the bar counts.
wxStaticBoxSizer* ContrastBar(wxWindow* d, const char* caption, int id) {
  auto* group = MakeGroup(d, caption);
  wxWindow* box = group->GetStaticBox();
  group->Add(MakeLabel(box, "0"), 0, wxALIGN_CENTER_HORIZONTAL | wxTOP, 4);
  group->Add(new wxScrollBar(box, id, wxDefaultPosition, wxSize(-1, 200), wxSB_VERTICAL), 1,
             wxALIGN_CENTER_HORIZONTAL | wxALL, 4);
  group->Add(MakeLabel(box, "255"), 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 4);
  return group;
}

}  // namespace

CModelDialog* MakePaletteDialog(wxWindow* parent, CPaletteDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kPaletteTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(MakeLabel(d, text::kPaletteHint), 0, wxALL, 8);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new CPaletteGrid(d, model), 0, wxALL, 8);
  auto* buttons = new wxBoxSizer(wxVERTICAL);
  for (auto [id, text] :
       {std::pair{int(CPaletteDlg::kPick), text::kPickColour}, std::pair{int(CPaletteDlg::kApply), text::kApply},
        std::pair{int(CPaletteDlg::kRestore), text::kRestorePalette},
        std::pair{int(CPaletteDlg::kOpen), text::kOpenPalette}, std::pair{int(CPaletteDlg::kSave), text::kSavePalette}})
    buttons->Add(Button(d, id, text), 0, wxEXPAND | wxALL, 4);
  row->Add(buttons, 0, wxALL, 4);
  top->Add(row);
  top->Add(new wxStaticText(d, CPaletteDlg::kRangeText, wxEmptyString, wxDefaultPosition, wxSize(300, -1)), 0,
           wxLEFT | wxRIGHT, 8);
  return FinishDialog(d, top);
}

CModelDialog* MakeContrastDialog(wxWindow* parent, CContrastDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kContrastTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* bars = new wxBoxSizer(wxHORIZONTAL);
  bars->Add(ContrastBar(d, text::kLow, CContrastDlg::kLowBar), 1, wxEXPAND | wxALL, 6);
  bars->Add(ContrastBar(d, text::kHigh, CContrastDlg::kHighBar), 1, wxEXPAND | wxALL, 6);
  top->Add(bars, 1, wxEXPAND | wxALL, 4);
  return FinishDialog(d, top);
}

CModelDialog* MakeImageColorDialog(wxWindow* parent, CImageColorDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kImageColorTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, wxSize(10, 8));
  grid->Add(Button(d, CImageColorDlg::kForeground, text::kForeground), 0, wxEXPAND);
  grid->Add(new CColourSwatch(d, CImageColorDlg::kForeSwatch, wxSize(80, 28)));
  grid->Add(Button(d, CImageColorDlg::kBackground, text::kBackground), 0, wxEXPAND);
  grid->Add(new CColourSwatch(d, CImageColorDlg::kBackSwatch, wxSize(80, 28)));
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top);
}

CModelDialog* MakeBinaryValueDialog(wxWindow* parent, CBinaryValueDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kBinaryValueTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(MakeLabel(d, text::kPixelValue), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(new wxStaticText(d, CBinaryValueDlg::kText, wxEmptyString, wxDefaultPosition, wxSize(90, -1)), 0,
           wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(Button(d, CBinaryValueDlg::kInvert, text::kInvert), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  top->Add(row, 0, wxALL, 8);
  return FinishDialog(d, top);
}

CModelDialog* MakeColorPixelValueDialog(wxWindow* parent, CColorPixelValueDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kColorPixelValueTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
  for (auto [label, id] : {std::pair{text::kRedValue, int(CColorPixelValueDlg::kRed)},
                           std::pair{text::kGreenValue, int(CColorPixelValueDlg::kGreen)},
                           std::pair{text::kBlueValue, int(CColorPixelValueDlg::kBlue)}}) {
    grid->Add(MakeLabel(d, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(MakeEdit(d, id, 70), 0, wxALIGN_CENTER_VERTICAL);
  }
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top);
}

CModelDialog* MakePixelValueDialog(wxWindow* parent, CPixelValueDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kPixelValueTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(LabelledRow(d, text::kPixelValue, MakeEdit(d, CPixelValueDlg::kValue, 70)), 0, wxALL, 10);
  return FinishDialog(d, top);
}

void RegisterPaletteDialogs() {
  RegisterDialogWindow(&MakePaletteDialog);
  RegisterDialogWindow(&MakeContrastDialog);
  RegisterDialogWindow(&MakeImageColorDialog);
  RegisterDialogWindow(&MakeBinaryValueDialog);
  RegisterDialogWindow(&MakeColorPixelValueDialog);
  RegisterDialogWindow(&MakePixelValueDialog);
}

}  // namespace qzn
