#include "ui/iddialogs.h"

#include <wx/button.h>
#include <wx/checkbox.h>

#include "ui/wxtext.h"

namespace qzn {

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
  auto* d = new CModelDialog(parent, model, U8("设置 ID 显示颜色"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* range = MakeGroup(d, "ID 范围");
  auto* rangeGrid = Grid();
  AddRow(rangeGrid, range->GetStaticBox(), "从", MakeEdit(range->GetStaticBox(), CIDColorDlg::kLow, 110));
  AddRow(rangeGrid, range->GetStaticBox(), "到", MakeEdit(range->GetStaticBox(), CIDColorDlg::kHigh, 110));
  range->Add(rangeGrid, 0, wxALL, 6);
  row->Add(range, 0, wxEXPAND | wxALL, 4);
  auto* colour = MakeGroup(d, "颜色");
  colour->Add(new CColourSwatch(colour->GetStaticBox(), CIDColorDlg::kSwatch, wxSize(60, 28)), 0, wxALL | wxEXPAND, 6);
  colour->Add(Button(colour->GetStaticBox(), CIDColorDlg::kDefine, "定义"), 0, wxALL | wxEXPAND, 6);
  row->Add(colour, 0, wxEXPAND | wxALL, 4);
  top->Add(row, 0, wxALL, 4);
  auto* paging = new wxBoxSizer(wxHORIZONTAL);
  paging->Add(Button(d, CIDColorDlg::kPrevious, "<<"), 0, wxALL, 3);
  paging->Add(Button(d, CIDColorDlg::kNext, ">>"), 0, wxALL, 3);
  paging->Add(Button(d, CIDColorDlg::kAdd, "添加"), 0, wxALL, 3);
  paging->Add(Button(d, CIDColorDlg::kOpen, "打开"), 0, wxALL, 3);
  paging->Add(Button(d, CIDColorDlg::kSaveAs, "另存为"), 0, wxALL, 3);
  top->Add(paging, 0, wxLEFT | wxRIGHT, 6);
  auto* count = new wxBoxSizer(wxHORIZONTAL);
  count->Add(MakeLabel(d, "颜色总数:"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  count->Add(new wxStaticText(d, CIDColorDlg::kIndex, wxEmptyString, wxDefaultPosition, wxSize(50, -1)), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, 4);
  count->Add(MakeLabel(d, "/"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  count->Add(new wxStaticText(d, CIDColorDlg::kCount, wxEmptyString, wxDefaultPosition, wxSize(50, -1)), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, 4);
  top->Add(count, 0, wxLEFT | wxRIGHT, 6);
  return FinishDialog(d, top);
}

CModelDialog* MakeCurrentIDDialog(wxWindow* parent, CCurrentIDDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("当前 ID 值"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  AddRow(grid, d, "设置当前 ID 为:", MakeEdit(d, CCurrentIDDlg::kCurrent, 110));
  grid->Add(new wxCheckBox(d, CCurrentIDDlg::kAutoIncrement, U8("增加 ID 每次由:")), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, CCurrentIDDlg::kIncrement, 110), 0, wxALIGN_CENTER_VERTICAL);
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top);
}

CModelDialog* MakeIDRangeDialog(wxWindow* parent, CIDRangeDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("ID 范围对话框"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  AddRow(grid, d, "起始 ID:", MakeEdit(d, CIDRangeDlg::kStart, 110));
  AddRow(grid, d, "增加值:", MakeEdit(d, CIDRangeDlg::kIncrement, 110));
  top->Add(grid, 0, wxALL, 10);
  top->Add(new wxCheckBox(d, CIDRangeDlg::kUnlabelledOnly, U8("仅分配 ID 到未标注项目")), 0,
           wxLEFT | wxRIGHT | wxBOTTOM, 10);
  return FinishDialog(d, top);
}

CModelDialog* MakeConvertIDDialog(wxWindow* parent, CConvertIDDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("转换线段和点的 ID"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* group = MakeGroup(d, "新 ID = 旧 ID * 比例 + 偏移量");
  auto* grid = Grid();
  AddRow(grid, group->GetStaticBox(), "比例:", MakeEdit(group->GetStaticBox(), CConvertIDDlg::kScale, 150));
  AddRow(grid, group->GetStaticBox(), "偏移量:", MakeEdit(group->GetStaticBox(), CConvertIDDlg::kOffset, 150));
  group->Add(grid, 0, wxALL, 6);
  top->Add(group, 0, wxEXPAND | wxALL, 8);
  auto* which = new wxBoxSizer(wxHORIZONTAL);
  which->Add(new wxCheckBox(d, CConvertIDDlg::kLines, U8("线段")), 0, wxALL, 4);
  which->Add(new wxCheckBox(d, CConvertIDDlg::kPoints, U8("点")), 0, wxALL, 4);
  top->Add(which, 0, wxLEFT | wxRIGHT, 8);
  return FinishDialog(d, top);
}

CModelDialog* MakeContourValueDialog(wxWindow* parent, CContourValueDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("输入等高线值"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* grid = Grid();
  AddRow(grid, d, "选定线段的总数:",
         new wxStaticText(d, CContourValueDlg::kCount, wxEmptyString, wxDefaultPosition, wxSize(110, -1)));
  AddRow(grid, d, "初始值:", MakeEdit(d, CContourValueDlg::kStart, 110));
  AddRow(grid, d, "增加值:", MakeEdit(d, CContourValueDlg::kIncrement, 110));
  top->Add(grid, 0, wxALL, 10);
  return FinishDialog(d, top);
}

CModelDialog* MakeNoteDialog(wxWindow* parent, CNoteDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("注释对话框"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* hint = MakeLabel(d, "    在图像窗口绘制矩形。在下面输入文字并按下“应用”按钮:");
  hint->Wrap(380);
  top->Add(hint, 0, wxALL, 8);
  top->Add(MakeEdit(d, CNoteDlg::kText, 380, wxTE_MULTILINE), 1, wxEXPAND | wxLEFT | wxRIGHT, 8);
  top->Add(MakeLabel(d, "使用鼠标右键改变编辑模式。"), 0, wxALL, 8);
  auto* apply = Button(d, CNoteDlg::kApply, "应用");
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
