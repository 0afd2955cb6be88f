#include "ui/scanwindow.h"

#include <algorithm>
#include <cmath>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/evtloop.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "platform/host.h"
#include "raster/imaging.h"
#include "resources/commands.h"
#include "ui/app.h"
#include "ui/docview.h"
#include "ui/imagecommands.h"
#include "ui/mainframe.h"
#include "resources/messages_scan.h"
#include "ui/wxtext.h"
#include "widgets/titlebar.h"

namespace qzn {

namespace text = res::text;

// ---- the commands ----

void RegisterScanCommands(CDesktop& d) {
  auto available = [] { return CTwain().IsAvailable() != 0; };
  CCommandTable& t = d.frame->Commands();
  t.Add(
      cmd::kFileSelectScanner,
      [&d] {
        CWxTwainWindow window(d.frame);
        CTwain().SelectSource(&window);
      },
      available);
  t.Add(
      cmd::kFileScanImage, [&d] { ScanNewImage(d); }, available);
}

wxDocument* ScanNewImage(CDesktop& d) {
  // The scan goes into an image of its own; the workspace is made only
  // when there is an image to show in it.
  CRasterImage image;
  {
    CWxTwainWindow window(d.frame);
    CTwain twain(&image);
    if (!twain.Acquire(&window)) return nullptr;
  }
  if (image.planes == 3) Frequency24to8(&image);
  return NewImageWorkspace(d, image, text::kScanNewImageTitle);
}

// ---- the owner window ----

void CWxTwainWindow::EnableWindow(bool enable) {
  if (m_owner) m_owner->Enable(enable);
}

bool CWxTwainWindow::GetMessage(CTwainMessage*) {
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  if (!loop) return true;  // no loop runs: the source's news is asked for at once
  if (loop->IsYielding()) return true;
  return loop->DispatchTimeout(100) != 0;
}

void CWxTwainWindow::Wake() { wxWakeUpIdle(); }

int CWxTwainWindow::SelectSource(const std::vector<CTwainSourceEntry>& sources, int current) {
  CSelectSourceDialog dialog(m_owner, sources, current);
  if (dialog.ShowModal() != wxID_OK) return -1;
  return dialog.Selection();
}

int CWxTwainWindow::SourceDialog(CScanDialogData& data) {
  CScanSourceDialog dialog(m_owner, data);
  if (dialog.ShowModal() != wxID_OK) return 0;
  return dialog.Read(data) ? 1 : 0;
}

// The buttons of both dialogs: the default one and Cancel.
static wxSizer* DialogButtons(wxDialog* dialog, const char* okText) {
  auto* buttons = new wxStdDialogButtonSizer;
  auto* ok = new wxButton(dialog, wxID_OK, U8(okText));
  ok->SetDefault();
  buttons->AddButton(ok);
  buttons->AddButton(new wxButton(dialog, wxID_CANCEL, U8(text::kScanCancelButton)));
  buttons->Realize();
  return buttons;
}

// ---- the selection dialog ----

CSelectSourceDialog::CSelectSourceDialog(wxWindow* parent, const std::vector<CTwainSourceEntry>& sources, int current)
    : wxDialog(parent, wxID_ANY, U8(text::kScanSelectTitle)) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(this, wxID_ANY, U8(text::kScanSelectPrompt)), 0, wxLEFT | wxRIGHT | wxTOP, 10);
  wxArrayString items;
  for (const CTwainSourceEntry& s : sources) items.Add(U8(s.name + "    " + s.label));
  m_list = new wxListBox(this, wxID_ANY, wxDefaultPosition, wxSize(360, 160), items, wxLB_SINGLE);
  if (current >= 0 && current < static_cast<int>(sources.size())) m_list->SetSelection(current);
  top->Add(m_list, 1, wxEXPAND | wxALL, 10);
  top->Add(DialogButtons(this, text::kScanOkButton), 0, wxEXPAND | wxALL, 10);
  SetSizerAndFit(top);
  FitTitleBar(*this);
  // A double click chooses, as the default button does.
  m_list->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { EndModal(wxID_OK); });
}

int CSelectSourceDialog::Selection() const {
  const int s = m_list->GetSelection();
  return s == wxNOT_FOUND ? -1 : s;
}

// ---- the source's dialog ----

CScanSourceDialog::CScanSourceDialog(wxWindow* parent, const CScanDialogData& data)
    : wxDialog(parent, wxID_ANY, U8(text::kScanDialogTitle)) {
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
  grid->AddGrowableCol(1);
  auto label = [&](const char* t) { grid->Add(new wxStaticText(this, wxID_ANY, U8(t)), 0, wxALIGN_CENTER_VERTICAL); };

  label(text::kScanDevice);
  m_device = new wxStaticText(this, wxID_ANY, U8(data.device + "  " + data.label));
  grid->Add(m_device, 0, wxALIGN_CENTER_VERTICAL);

  label(text::kScanMode);
  wxArrayString modes;
  for (const std::string& m : data.modes) modes.Add(U8(m));
  m_mode = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, modes);
  if (data.mode >= 0 && data.mode < static_cast<int>(data.modes.size())) m_mode->SetSelection(data.mode);
  grid->Add(m_mode, 1, wxEXPAND);

  label(text::kScanResolution);
  if (!data.resolutions.empty()) {
    m_resolutions = data.resolutions;
    wxArrayString values;
    int chosen = 0;
    for (std::size_t i = 0; i < m_resolutions.size(); ++i) {
      values.Add(wxString::FromCDouble(m_resolutions[i]));
      if (std::fabs(m_resolutions[i] - data.resolution) < std::fabs(m_resolutions[chosen] - data.resolution))
        chosen = static_cast<int>(i);
    }
    m_resolutionList = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, values);
    m_resolutionList->SetSelection(chosen);
    grid->Add(m_resolutionList, 1, wxEXPAND);
  } else {
    m_resolutionSpin = new wxSpinCtrlDouble(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                            wxSP_ARROW_KEYS, data.resolutionMin, data.resolutionMax, data.resolution,
                                            data.resolutionStep > 0 ? data.resolutionStep : 1);
    m_resolutionSpin->SetDigits(data.resolutionStep > 0 && data.resolutionStep < 1 ? 2 : 0);
    grid->Add(m_resolutionSpin, 1, wxEXPAND);
  }
  top->Add(grid, 0, wxEXPAND | wxALL, 10);

  if (data.hasArea) {
    auto* box = new wxStaticBoxSizer(wxVERTICAL, this,
                                     U8(data.areaInPixels ? text::kScanAreaPixels : text::kScanAreaMillimetres));
    auto* area = new wxFlexGridSizer(4, wxSize(8, 6));
    const char* names[4] = {text::kScanLeft, text::kScanTop, text::kScanRight, text::kScanBottom};
    const double values[4] = {data.left, data.top, data.right, data.bottom};
    for (int i = 0; i < 4; ++i) {
      const bool across = i % 2 == 0;
      area->Add(new wxStaticText(box->GetStaticBox(), wxID_ANY, U8(names[i])), 0, wxALIGN_CENTER_VERTICAL);
      m_area[i] = new wxSpinCtrlDouble(box->GetStaticBox(), wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                       wxSP_ARROW_KEYS, across ? data.areaMinX : data.areaMinY,
                                       across ? data.areaMaxX : data.areaMaxY, values[i], 1);
      m_area[i]->SetDigits(1);
      area->Add(m_area[i], 1, wxEXPAND);
    }
    box->Add(area, 0, wxEXPAND | wxALL, 6);
    top->Add(box, 0, wxEXPAND | wxLEFT | wxRIGHT, 10);
  }

  top->Add(DialogButtons(this, text::kScanButton), 0, wxEXPAND | wxALL, 10);
  SetSizerAndFit(top);
  FitTitleBar(*this);
  Bind(wxEVT_BUTTON, &CScanSourceDialog::OnScan, this, wxID_OK);
}

wxString CScanSourceDialog::DeviceText() const { return m_device->GetLabel(); }

bool CScanSourceDialog::Read(CScanDialogData& data) const {
  double area[4] = {data.left, data.top, data.right, data.bottom};
  for (int i = 0; i < 4; ++i)
    if (m_area[i]) area[i] = m_area[i]->GetValue();
  if (m_area[0] && (area[0] >= area[2] || area[1] >= area[3])) return false;
  if (m_mode->GetSelection() != wxNOT_FOUND) data.mode = m_mode->GetSelection();
  if (m_resolutionList && m_resolutionList->GetSelection() != wxNOT_FOUND)
    data.resolution = m_resolutions[static_cast<std::size_t>(m_resolutionList->GetSelection())];
  if (m_resolutionSpin) data.resolution = m_resolutionSpin->GetValue();
  data.left = area[0];
  data.top = area[1];
  data.right = area[2];
  data.bottom = area[3];
  return true;
}

void CScanSourceDialog::OnScan(wxCommandEvent& event) {
  CScanDialogData probe;
  if (!Read(probe)) {
    AfxMessageBox(text::kScanAreaInvalid, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  event.Skip();  // the dialog's own handler ends it with wxID_OK
}

}  // namespace qzn
