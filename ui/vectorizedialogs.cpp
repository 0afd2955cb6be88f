#include "ui/vectorizedialogs.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/scrolbar.h>

#include "resources/messages_batchdialogs.h"
#include "resources/messages_imagedlgs.h"
#include "resources/messages_tabledialogs.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

CModelDialog* MakeVectorizeDialog(wxWindow* parent, CVectorizeDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kVectorizeButton));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* method = MakeGroup(d, text::kExtractLinesAs, wxHORIZONTAL);
  method->Add(MakeRadio(method->GetStaticBox(), CVectorizeDlg::kCentreLines, text::kCentreLines, true), 0, wxALL, 4);
  method->Add(MakeRadio(method->GetStaticBox(), CVectorizeDlg::kOutlines, text::kOutlines), 0, wxALL, 4);
  top->Add(method, 0, wxEXPAND | wxALL, 6);
  top->Add(new wxCheckBox(d, CVectorizeDlg::kUseThreshold, U8(text::kUseImageThreshold)), 0, wxLEFT | wxRIGHT | wxTOP,
           8);
  top->Add(new wxCheckBox(d, CVectorizeDlg::kUseRoi, U8(text::kUseSelectedRoi)), 0, wxALL, 8);
  const wxString sources[] = {U8(CVectorizeDlg::kSourceMap), U8(CVectorizeDlg::kSourceCad)};
  auto* combo = new wxComboBox(d, CVectorizeDlg::kSource, sources[0], wxDefaultPosition, wxSize(140, -1), 2, sources,
                               wxCB_DROPDOWN);
  top->Add(LabelledRow(d, text::kSourceImage, combo), 0, wxLEFT | wxRIGHT, 4);
  return FinishDialog(d, top, text::kStart);
}

namespace {

// A horizontal bar 0..255 with its edit and the end labels.
wxSizer* ThresholdRow(wxWindow* d, const char* label, int barId, int editId) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(MakeLabel(d, label), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(MakeLabel(d, "0"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(new wxScrollBar(d, barId, wxDefaultPosition, wxSize(256, -1), wxSB_HORIZONTAL), 1,
           wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(MakeLabel(d, "255"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  row->Add(MakeEdit(d, editId, 50), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  return row;
}

}  // namespace

CModelDialog* MakeThresholdDialog(wxWindow* parent, CThresholdDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kThresholdTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(ThresholdRow(d, text::kHigh, CThresholdDlg::kHighBar, CThresholdDlg::kHighEdit), 0, wxEXPAND | wxALL, 4);
  top->Add(ThresholdRow(d, text::kLow, CThresholdDlg::kLowBar, CThresholdDlg::kLowEdit), 0, wxEXPAND | wxALL, 4);
  return FinishDialog(d, top);
}

CModelDialog* MakeAutoTraceDialog(wxWindow* parent, CAutoTraceDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kAutoTraceTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = MakeGroup(d, text::kSmoothingThresholdPixels);
  group->Add(MakeEdit(group->GetStaticBox(), CAutoTraceDlg::kSmoothing, 100), 0, wxALL, 6);
  top->Add(group, 0, wxEXPAND | wxALL, 8);
  return FinishDialog(d, top);
}

void RegisterVectorizeDialogs() {
  RegisterDialogWindow(&MakeVectorizeDialog);
  RegisterDialogWindow(&MakeThresholdDialog);
  RegisterDialogWindow(&MakeAutoTraceDialog);
}

}  // namespace qzn
