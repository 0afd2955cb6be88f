#include "ui/mosaicdialogs.h"

#include <wx/button.h>
#include <wx/checkbox.h>

#include "resources/messages_batchdialogs.h"
#include "resources/messages_imagedlgs.h"
#include "resources/messages_linedialogs.h"
#include "resources/messages_window.h"
#include "ui/hscrolllistbox.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

wxButton* Button(wxWindow* parent, int id, const char* text) { return new wxButton(parent, id, U8(text)); }

// Spin arrows that step a number by one; they hold no value of their own.
wxSpinButton* Arrows(wxWindow* parent, int id) {
  auto* arrows = new wxSpinButton(parent, id, wxDefaultPosition, wxDefaultSize, wxSP_VERTICAL);
  arrows->SetRange(-1000000, 1000000);
  arrows->SetValue(0);
  return arrows;
}

// A group with a file name edit and its kBrowse button.
wxStaticBoxSizer* FileGroup(wxWindow* d, const char* caption, int edit, int browse) {
  auto* group = MakeGroup(d, caption, wxHORIZONTAL);
  group->Add(MakeEdit(group->GetStaticBox(), edit, 320), 1, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  group->Add(Button(group->GetStaticBox(), browse, text::kBrowse), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
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
  auto* d = new CModelDialog(parent, model, U8(text::kRawImageTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(FileGroup(d, text::kHeaderFileName, CRawImageDlg::kHeaderName, CRawImageDlg::kHeaderBrowse), 0,
           wxEXPAND | wxALL, 6);
  top->Add(FileGroup(d, text::kImageDataFileName, CRawImageDlg::kDataName, CRawImageDlg::kDataBrowse), 0,
           wxEXPAND | wxALL, 6);
  auto* layout = MakeGroup(d, text::kImageLayout);
  wxWindow* box = layout->GetStaticBox();
  auto* grid = new wxFlexGridSizer(2, wxSize(8, 4));
  for (auto [label, id] :
       {std::pair{text::kRawColumns, int(CRawImageDlg::kColumns)}, std::pair{text::kRawRows, int(CRawImageDlg::kRows)},
        std::pair{text::kRawPlanes, int(CRawImageDlg::kPlanes)}}) {
    grid->Add(MakeLabel(box, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(MakeEdit(box, id, 90), 0, wxALIGN_CENTER_VERTICAL);
  }
  layout->Add(grid, 0, wxALL, 6);
  layout->Add(MakeLabel(box, text::kEightBitPixels), 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
  auto* skip = new wxBoxSizer(wxHORIZONTAL);
  skip->Add(MakeLabel(box, text::kBytesToSkip), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  skip->Add(MakeEdit(box, CRawImageDlg::kSkip, 90), 0, wxALIGN_CENTER_VERTICAL);
  layout->Add(skip, 0, wxALL, 6);
  auto* bottom = new wxBoxSizer(wxHORIZONTAL);
  auto* photometric = MakeGroup(d, text::kPhotometric, wxHORIZONTAL);
  wxWindow* pbox = photometric->GetStaticBox();
  photometric->Add(MakeRadio(pbox, CRawImageDlg::kMinIsWhite, text::kMinIsWhite, true), 0, wxALL, 4);
  photometric->Add(MakeRadio(pbox, CRawImageDlg::kMinIsBlack, text::kMinIsBlack), 0, wxALL, 4);
  photometric->Add(MakeRadio(pbox, CRawImageDlg::kColour, text::kColour), 0, wxALL, 4);
  top->Add(layout, 0, wxEXPAND | wxALL, 6);
  bottom->Add(photometric, 0, wxALL, 0);
  bottom->AddStretchSpacer();
  bottom->Add(Button(d, CRawImageDlg::kSaveHeader, text::kSaveHeader), 0, wxALIGN_BOTTOM | wxALL, 4);
  top->Add(bottom, 0, wxEXPAND | wxALL, 6);
  return FinishDialog(d, top);
}

CModelDialog* MakeMosaicDialog(wxWindow* parent, CMosaicDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kMosaicDialogTitle));
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* listRow = new wxBoxSizer(wxHORIZONTAL);
  listRow->Add(new CHScrollListBox(d, CMosaicDlg::kList, wxDefaultPosition, wxSize(360, 150)), 1, wxEXPAND | wxALL, 4);
  auto* listButtons = new wxBoxSizer(wxVERTICAL);
  listButtons->Add(Button(d, CMosaicDlg::kAdd, text::kAddImage), 0, wxEXPAND | wxALL, 4);
  listButtons->Add(Button(d, CMosaicDlg::kRemove, text::kRemove), 0, wxEXPAND | wxALL, 4);
  auto* count = new wxBoxSizer(wxHORIZONTAL);
  count->Add(MakeLabel(d, text::kImagesAdded), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
  count->Add(new wxStaticText(d, CMosaicDlg::kCount, wxEmptyString, wxDefaultPosition, wxSize(40, -1)), 0,
             wxALIGN_CENTER_VERTICAL | wxALL, 4);
  listButtons->Add(count);
  listRow->Add(listButtons, 0, wxALL, 4);
  top->Add(listRow, 1, wxEXPAND | wxALL, 4);

  auto* options = new wxBoxSizer(wxHORIZONTAL);
  auto* matrix = MakeGroup(d, text::kMosaicMatrix);
  wxWindow* mbox = matrix->GetStaticBox();
  auto* grid = new wxFlexGridSizer(3, wxSize(6, 4));
  grid->Add(MakeLabel(mbox, text::kImagesPerRow), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(mbox, CMosaicDlg::kPerRow, 70), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(Arrows(mbox, CMosaicDlg::kPerRowArrows), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeLabel(mbox, text::kRowCount), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(mbox, CMosaicDlg::kRows, 70), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(Arrows(mbox, CMosaicDlg::kRowsArrows), 0, wxALIGN_CENTER_VERTICAL);
  matrix->Add(grid, 0, wxALL, 6);
  options->Add(matrix, 0, wxEXPAND | wxALL, 4);
  auto* overlap = MakeGroup(d, text::kImageOverlap);
  wxWindow* obox = overlap->GetStaticBox();
  overlap->Add(new wxCheckBox(obox, CMosaicDlg::kOverlay, U8(text::kOverlap)), 0, wxALL, 4);
  auto* ogrid = new wxFlexGridSizer(2, wxSize(6, 4));
  ogrid->Add(MakeLabel(obox, text::kOverlapLeft), 0, wxALIGN_CENTER_VERTICAL);
  ogrid->Add(MakeEdit(obox, CMosaicDlg::kLeft, 70), 0, wxALIGN_CENTER_VERTICAL);
  ogrid->Add(MakeLabel(obox, text::kOverlapTop), 0, wxALIGN_CENTER_VERTICAL);
  ogrid->Add(MakeEdit(obox, CMosaicDlg::kTop, 70), 0, wxALIGN_CENTER_VERTICAL);
  overlap->Add(ogrid, 0, wxALL, 4);
  options->Add(overlap, 0, wxEXPAND | wxALL, 4);
  top->Add(options, 0, wxLEFT | wxRIGHT, 4);
  top->Add(new wxCheckBox(d, CMosaicDlg::kGeoreferenced, U8(text::kMosaicGeoreferenced)), 0, wxALL, 8);
  auto* buttons = MakeButtonRow(
      d, {{wxID_OK, text::kCreate}, {wxID_CANCEL, text::kButtonCancel}, {CMosaicDlg::kHelp, text::kHelpButton}});
  top->Add(buttons, 0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

CModelDialog* MakeColorCompositeDialog(wxWindow* parent, CColorCompositeDlg& model) {
  return MakeColorSources(parent, model, text::kColorCompositeTitle, text::kRedSeparation, text::kGreenSeparation,
                          text::kBlueSeparation);
}

CModelDialog* MakeColorizeDialog(wxWindow* parent, CColorizeDlg& model) {
  return MakeColorSources(parent, model, text::kColorizeTitle, text::kRedSource, text::kGreenSource, text::kBlueSource);
}

void RegisterMosaicDialogs() {
  RegisterDialogWindow(&MakeRawImageDialog);
  RegisterDialogWindow(&MakeMosaicDialog);
  RegisterDialogWindow(&MakeColorCompositeDialog);
  RegisterDialogWindow(&MakeColorizeDialog);
}

}  // namespace qzn
