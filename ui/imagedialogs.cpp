#include "ui/imagedialogs.h"

#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/gbsizer.h>
#include <wx/spinbutt.h>

#include "resources/messages_common.h"
#include "ui/wxtext.h"

namespace qzn {

namespace {

// "列:", "行:", "大小:" with their numbers, in a group.
wxStaticBoxSizer* SizeGroup(wxWindow* d, const char* caption, int columns, int rows, int size) {
  auto* group = MakeGroup(d, caption);
  wxWindow* box = group->GetStaticBox();
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 4));
  for (auto [label, id] : {std::pair{"列:", columns}, std::pair{"行:", rows}, std::pair{"大小:", size}}) {
    grid->Add(MakeLabel(box, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(new wxStaticText(box, id, wxEmptyString, wxDefaultPosition, wxSize(110, -1)), 0, wxALIGN_CENTER_VERTICAL);
  }
  group->Add(grid, 0, wxALL, 6);
  return group;
}

wxTextCtrl* ReadOnly(wxWindow* parent, int id, int width = 90) { return MakeEdit(parent, id, width, wxTE_READONLY); }

}  // namespace

CModelDialog* MakeResampleDialog(wxWindow* parent, CResampleDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("图像重新取样"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* sizes = new wxBoxSizer(wxHORIZONTAL);
  sizes->Add(SizeGroup(d, "当前大小", CResampleDlg::kColumns, CResampleDlg::kRows, CResampleDlg::kSize), 1,
             wxEXPAND | wxALL, 4);
  sizes->Add(SizeGroup(d, "新的大小", CResampleDlg::kNewColumns, CResampleDlg::kNewRows, CResampleDlg::kNewSize), 1,
             wxEXPAND | wxALL, 4);
  top->Add(sizes, 0, wxEXPAND | wxALL, 4);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* dir = new wxBoxSizer(wxVERTICAL);
  dir->Add(MakeRadio(d, CResampleDlg::kDown, "向下取样", true), 0, wxALL, 4);
  dir->Add(MakeRadio(d, CResampleDlg::kUp, "向上取样"), 0, wxALL, 4);
  row->Add(dir, 0, wxALL, 4);
  auto* factor = MakeGroup(d, "重新取样因数", wxHORIZONTAL);
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
  auto* d = new CModelDialog(parent, model, U8("移除背景(B)"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = MakeGroup(d, "前景的浓度", wxHORIZONTAL);
  group->Add(MakeEdit(group->GetStaticBox(), CRemoveBackgroundDlg::kSize, 70), 0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
  group->Add(MakeLabel(group->GetStaticBox(), "(像素)"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
  top->Add(group, 0, wxEXPAND | wxALL, 8);
  return FinishDialog(d, top, "开始");
}

CModelDialog* MakeColorClassifyDialog(wxWindow* parent, CColorClassifyDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("颜色分类"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
  grid->Add(MakeLabel(d, "颜色号:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, CColorClassifyDlg::kColours, 70));
  grid->Add(MakeLabel(d, "迭代的数量:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, CColorClassifyDlg::kIterations, 70));
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top, "开始");
}

CModelDialog* MakeImageInfoDialog(wxWindow* parent, CImageInfoDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("图像属性"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 6));
  auto add = [&](const char* label, wxWindow* w) {
    grid->Add(MakeLabel(d, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(w, 0, wxALIGN_CENTER_VERTICAL);
  };
  add("图像类型: ", ReadOnly(d, CImageInfoDlg::kType, 140));
  add("列数 (宽度):", ReadOnly(d, CImageInfoDlg::kColumns));
  add("行数 (高度): ", ReadOnly(d, CImageInfoDlg::kRows));
  add("每一像素的位数:", ReadOnly(d, CImageInfoDlg::kBits));
  add("平面数: ", ReadOnly(d, CImageInfoDlg::kPlanes));
  add("扫描分辨率:", MakeEdit(d, CImageInfoDlg::kResolution, 90));
  const wxString units[] = {U8(res::text::kUnitPixel), U8(res::text::kUnitInch), U8(res::text::kUnitCentimetre)};
  add("分辨率单位: ",
      new wxComboBox(d, CImageInfoDlg::kUnit, units[0], wxDefaultPosition, wxSize(90, -1), 3, units, wxCB_DROPDOWN));
  top->Add(grid, 0, wxALL, 10);
  top->Add(new wxCheckBox(d, CImageInfoDlg::kApply, U8("应用更新的分辨率/单位")), 0, wxLEFT | wxRIGHT | wxBOTTOM, 10);
  return FinishDialog(d, top);
}

void RegisterImageDialogs() {
  RegisterDialogWindow(&MakeResampleDialog);
  RegisterDialogWindow(&MakeRemoveBackgroundDialog);
  RegisterDialogWindow(&MakeColorClassifyDialog);
  RegisterDialogWindow(&MakeImageInfoDialog);
}

}  // namespace qzn
