#include "ui/vectorizedialogs.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/scrolbar.h>

#include "ui/wxtext.h"

namespace qzn {

CModelDialog* MakeVectorizeDialog(wxWindow* parent, CVectorizeDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("矢量化"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* method = MakeGroup(d, "提取线段为", wxHORIZONTAL);
  method->Add(MakeRadio(method->GetStaticBox(), CVectorizeDlg::kCentreLines, "当前线段", true), 0, wxALL, 4);
  method->Add(MakeRadio(method->GetStaticBox(), CVectorizeDlg::kOutlines, "边界线"), 0, wxALL, 4);
  top->Add(method, 0, wxEXPAND | wxALL, 6);
  top->Add(new wxCheckBox(d, CVectorizeDlg::kUseThreshold, U8("使用现有的图像阈值")), 0, wxLEFT | wxRIGHT | wxTOP, 8);
  top->Add(new wxCheckBox(d, CVectorizeDlg::kUseRoi, U8("使用选定的图像范围(ROI)")), 0, wxALL, 8);
  const wxString sources[] = {U8(CVectorizeDlg::kSourceMap), U8(CVectorizeDlg::kSourceCad)};
  auto* combo = new wxComboBox(d, CVectorizeDlg::kSource, sources[0], wxDefaultPosition, wxSize(140, -1), 2, sources,
                               wxCB_DROPDOWN);
  top->Add(LabelledRow(d, "源图像:", combo), 0, wxLEFT | wxRIGHT, 4);
  return FinishDialog(d, top, "开始");
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
  auto* d = new CModelDialog(parent, model, U8("设置图像阈值 "));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(ThresholdRow(d, "高", CThresholdDlg::kHighBar, CThresholdDlg::kHighEdit), 0, wxEXPAND | wxALL, 4);
  top->Add(ThresholdRow(d, "低", CThresholdDlg::kLowBar, CThresholdDlg::kLowEdit), 0, wxEXPAND | wxALL, 4);
  return FinishDialog(d, top);
}

CModelDialog* MakeAutoTraceDialog(wxWindow* parent, CAutoTraceDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("自动追踪参数"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = MakeGroup(d, "平滑阈值 (像素)");
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
