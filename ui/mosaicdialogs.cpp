#include "ui/mosaicdialogs.h"

#include <wx/button.h>
#include <wx/checkbox.h>

#include "ui/hscrolllistbox.h"
#include "ui/wxtext.h"

namespace qzn {

namespace {

wxButton* Button(wxWindow* parent, int id, const char* text) { return new wxButton(parent, id, U8(text)); }

// Spin arrows that step a number by one; they hold no value of their own.
wxSpinButton* Arrows(wxWindow* parent, int id) {
  auto* arrows = new wxSpinButton(parent, id, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
  arrows->SetRange(-1000000, 1000000);
  arrows->SetValue(0);
  return arrows;
}

// A group with a file name edit and its "浏览" button.
wxStaticBoxSizer* FileGroup(wxWindow* d, const char* caption, int edit, int browse) {
  auto* group = MakeGroup(d, caption, wxHORIZONTAL);
  group->Add(MakeEdit(group->GetStaticBox(), edit, 320), 1, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  group->Add(Button(group->GetStaticBox(), browse, "浏览"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  return group;
}

CModelDialog* MakeColorSources(wxWindow* parent, CColorSourcesDlg& model, const char* title, const char* red,
                               const char* green, const char* blue) {
  auto* d = new CModelDialog(parent, model, U8(title));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(FileGroup(d, red, CColorSourcesDlg::kRed, CColorSourcesDlg::kRedBrowse), 0, wxEXPAND | wxALL, 6);
  top->Add(FileGroup(d, green, CColorSourcesDlg::kGreen, CColorSourcesDlg::kGreenBrowse), 0, wxEXPAND | wxALL, 6);
  top->Add(FileGroup(d, blue, CColorSourcesDlg::kBlue, CColorSourcesDlg::kBlueBrowse), 0, wxEXPAND | wxALL, 6);
  return FinishDialog(d, top);
}

}  // namespace

CModelDialog* MakeRawImageDialog(wxWindow* parent, CRawImageDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("输入图像对话框"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(FileGroup(d, "标题文件名", CRawImageDlg::kHeaderName, CRawImageDlg::kHeaderBrowse), 0, wxEXPAND | wxALL, 6);
  top->Add(FileGroup(d, "图像数据文件名", CRawImageDlg::kDataName, CRawImageDlg::kDataBrowse), 0, wxEXPAND | wxALL, 6);
  auto* layout = MakeGroup(d, "图像配置");
  wxWindow* box = layout->GetStaticBox();
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 4));
  for (auto [label, id] :
       {std::pair{"# 对于列 (X):", int(CRawImageDlg::kColumns)}, std::pair{"# 对于行 (Y):", int(CRawImageDlg::kRows)},
        std::pair{"# 对于平面:", int(CRawImageDlg::kPlanes)}}) {
    grid->Add(MakeLabel(box, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(MakeEdit(box, id, 90), 0, wxALIGN_CENTER_VERTICAL);
  }
  layout->Add(grid, 0, wxALL, 6);
  layout->Add(MakeLabel(box, "每一像素必须是 8 位 (1 字节)"), 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
  auto* skip = new wxBoxSizer(wxHORIZONTAL);
  skip->Add(MakeLabel(box, "在图像数据之前跳过的字节数 (如果没有把握输入 -1):"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT,
            6);
  skip->Add(MakeEdit(box, CRawImageDlg::kSkip, 90), 0, wxALIGN_CENTER_VERTICAL);
  layout->Add(skip, 0, wxALL, 6);
  auto* bottom = new wxBoxSizer(wxHORIZONTAL);
  auto* photometric = MakeGroup(d, "光度测定显示", wxHORIZONTAL);
  wxWindow* pbox = photometric->GetStaticBox();
  photometric->Add(MakeRadio(pbox, CRawImageDlg::kMinIsWhite, "白色最小", true), 0, wxALL, 4);
  photometric->Add(MakeRadio(pbox, CRawImageDlg::kMinIsBlack, "黑色最小"), 0, wxALL, 4);
  photometric->Add(MakeRadio(pbox, CRawImageDlg::kColour, "颜色"), 0, wxALL, 4);
  top->Add(layout, 0, wxEXPAND | wxALL, 6);
  bottom->Add(photometric, 0, wxALL, 0);
  bottom->AddStretchSpacer();
  bottom->Add(Button(d, CRawImageDlg::kSaveHeader, "保存标题"), 0, wxALIGN_BOTTOM | wxALL, 4);
  top->Add(bottom, 0, wxEXPAND | wxALL, 6);
  return FinishDialog(d, top);
}

CModelDialog* MakeMosaicDialog(wxWindow* parent, CMosaicDlg& model) {
  auto* d = new CModelDialog(parent, model, U8("图像镶嵌对话框"));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* listRow = new wxBoxSizer(wxHORIZONTAL);
  listRow->Add(new CHScrollListBox(d, CMosaicDlg::kList, wxDefaultPosition, wxSize(360, 150)), 1, wxEXPAND | wxALL, 4);
  auto* listButtons = new wxBoxSizer(wxVERTICAL);
  listButtons->Add(Button(d, CMosaicDlg::kAdd, "添加图像"), 0, wxEXPAND | wxALL, 4);
  listButtons->Add(Button(d, CMosaicDlg::kRemove, "移除"), 0, wxEXPAND | wxALL, 4);
  auto* count = new wxBoxSizer(wxHORIZONTAL);
  count->Add(MakeLabel(d, "图像添加数:"), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  count->Add(new wxStaticText(d, CMosaicDlg::kCount, wxEmptyString, wxDefaultPosition, wxSize(40, -1)), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, 4);
  listButtons->Add(count);
  listRow->Add(listButtons, 0, wxALL, 4);
  top->Add(listRow, 1, wxEXPAND | wxALL, 4);

  auto* options = new wxBoxSizer(wxHORIZONTAL);
  auto* matrix = MakeGroup(d, "镶嵌矩阵布局");
  wxWindow* mbox = matrix->GetStaticBox();
  auto* grid = new wxFlexGridSizer(3, wxSize(6, 4));
  grid->Add(MakeLabel(mbox, "图像在一行中的数量:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(mbox, CMosaicDlg::kPerRow, 70), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(Arrows(mbox, CMosaicDlg::kPerRowArrows), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeLabel(mbox, "行数:"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(mbox, CMosaicDlg::kRows, 70), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(Arrows(mbox, CMosaicDlg::kRowsArrows), 0, wxALIGN_CENTER_VERTICAL);
  matrix->Add(grid, 0, wxALL, 6);
  options->Add(matrix, 0, wxEXPAND | wxALL, 4);
  auto* overlap = MakeGroup(d, "图像叠加");
  wxWindow* obox = overlap->GetStaticBox();
  overlap->Add(new wxCheckBox(obox, CMosaicDlg::kOverlay, U8("叠加")), 0, wxALL, 4);
  auto* ogrid = new wxFlexGridSizer(2, wxSize(6, 4));
  ogrid->Add(MakeLabel(obox, "左 (%):"), 0, wxALIGN_CENTER_VERTICAL);
  ogrid->Add(MakeEdit(obox, CMosaicDlg::kLeft, 70), 0, wxALIGN_CENTER_VERTICAL);
  ogrid->Add(MakeLabel(obox, "上 (%):"), 0, wxALIGN_CENTER_VERTICAL);
  ogrid->Add(MakeEdit(obox, CMosaicDlg::kTop, 70), 0, wxALIGN_CENTER_VERTICAL);
  overlap->Add(ogrid, 0, wxALL, 4);
  options->Add(overlap, 0, wxEXPAND | wxALL, 4);
  top->Add(options, 0, wxLEFT | wxRIGHT, 4);
  top->Add(new wxCheckBox(d, CMosaicDlg::kGeoreferenced, U8("图像作为地理参考")), 0, wxALL, 8);
  auto* buttons = MakeButtonRow(d, {{wxID_OK, "创建"}, {wxID_CANCEL, "取消"}, {CMosaicDlg::kHelp, "帮助(H)"}});
  top->Add(buttons, 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeColorCompositeDialog(wxWindow* parent, CColorCompositeDlg& model) {
  return MakeColorSources(parent, model, "色彩合成对话框", "红色描边图像", "绿色描边图像", "蓝色描边图像");
}

CModelDialog* MakeColorizeDialog(wxWindow* parent, CColorizeDlg& model) {
  return MakeColorSources(parent, model, "彩色化图像对话框", "红色源图像", "绿色源图像", "蓝色源图像");
}

void RegisterMosaicDialogs() {
  RegisterDialogWindow(&MakeRawImageDialog);
  RegisterDialogWindow(&MakeMosaicDialog);
  RegisterDialogWindow(&MakeColorCompositeDialog);
  RegisterDialogWindow(&MakeColorizeDialog);
}

}  // namespace qzn
