#include "ui/exportdialogs.h"

#include <initializer_list>
#include <utility>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/sizer.h>

#include "resources/messages_exportdialogs.h"
#include "resources/messages_linedialogs.h"
#include "resources/messages_window.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

constexpr DialogButton kOk{wxID_OK, text::kButtonOk};
constexpr DialogButton kCancel{wxID_CANCEL, text::kButtonCancel};

CExportOptionDialogs g_exportDialogs;

using Item = std::pair<int, const char*>;

// The georeference buttons every dialog but DXF's shows, in their order.
constexpr Item kNoGeoref{kRadioNoGeoref, text::kExpNoGeoref};
constexpr Item kBilinear{kRadioBilinear, text::kBilinear};
constexpr Item kBilinearShape{kRadioBilinear, text::kExpBilinearShape};
constexpr Item kTriangulation{kRadioTriangulation, text::kTriangulation};
constexpr Item kWorldFile{kRadioWorldFile, text::kExpUseTfw};
constexpr Item kFlip{kRadioFlip, text::kExpFlipV};

// A group of radio buttons, one under the other. A group whose value may be
// "none chosen" starts with the hidden button that stands for it.
wxStaticBoxSizer* RadioGroup(wxWindow* parent, const char* caption, std::initializer_list<Item> items,
                             bool mayBeNone = false) {
  wxStaticBoxSizer* group = MakeGroup(parent, caption);
  wxWindow* box = group->GetStaticBox();
  if (mayBeNone) MakeNoChoice(box);
  bool first = !mayBeNone;
  for (const auto& [id, label] : items) {
    group->Add(MakeRadio(box, id, label, first), 0, wxALL, 4);
    first = false;
  }
  return group;
}

// A group of check boxes, one under the other.
wxStaticBoxSizer* CheckGroup(wxWindow* parent, const char* caption, std::initializer_list<Item> items) {
  wxStaticBoxSizer* group = MakeGroup(parent, caption);
  for (const auto& [id, label] : items) group->Add(new wxCheckBox(group->GetStaticBox(), id, U8(label)), 0, wxALL, 4);
  return group;
}

wxComboBox* Combo(wxWindow* parent, int id, int width) {
  return new wxComboBox(parent, id, wxEmptyString, wxDefaultPosition, wxSize(width, -1));
}

// Two groups side by side.
wxBoxSizer* Row(wxSizer* left, wxSizer* right) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(left, 0, wxEXPAND | wxRIGHT, 8);
  row->Add(right, 0, wxEXPAND);
  return row;
}

}  // namespace

CModelDialog* MakeDxfOutDialog(wxWindow* parent, CDxfOutDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kDxfOutTitle));
  auto* left = new wxBoxSizer(wxVERTICAL);
  left->Add(new wxCheckBox(d, CDxfOutDlg::kIdAsZ, U8(text::kDxfIdAsZ)), 0, wxBOTTOM, 8);
  left->Add(CheckGroup(d, text::kExpGroupData,
                       {{CDxfOutDlg::kLines, text::kKindLines},
                        {CDxfOutDlg::kPoints, text::kKindPoints},
                        {CDxfOutDlg::kText, text::kExpText}}),
            0, wxEXPAND);
  wxStaticBoxSizer* modes = RadioGroup(d, text::kDxfAdjustSystem,
                                       {{CDxfOutDlg::kPageSpace, text::kExpPageSpace},
                                        {CDxfOutDlg::kPixelSpacing, text::kDxfPixelSpacing},
                                        {CDxfOutDlg::kCpBilinear, text::kDxfCpBilinear},
                                        {CDxfOutDlg::kCpTriangulation, text::kDxfCpTriangulation},
                                        {CDxfOutDlg::kWorldFile, text::kDxfUseTfw}});
  return FinishDialog(d, Row(left, modes),
                      MakeButtonRow(d, {kOk, kCancel, {CDxfOutDlg::kResolution, text::kDxfResolutionButton}}));
}

CModelDialog* MakeImageResDialog(wxWindow* parent, CImageResDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kImageResTitle));
  auto* grid = new wxFlexGridSizer(2, 6, 8);
  grid->Add(MakeLabel(d, text::kImageResPixelsPerUnit), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, CImageResDlg::kResolution, 120));
  grid->Add(MakeLabel(d, text::kImageResUnit), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(Combo(d, CImageResDlg::kUnit, 120));
  return FinishDialog(d, grid, MakeButtonRow(d, {kOk, kCancel}));
}

CModelDialog* MakeMifParamDialog(wxWindow* parent, CMifParamDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kMifParamTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  body->Add(MakeLabel(d, text::kMifProjectionRecord));
  auto* record = new wxBoxSizer(wxHORIZONTAL);
  record->Add(MakeEdit(d, CMifParamDlg::kProjection, 420), 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  record->Add(new wxButton(d, CMifParamDlg::kShowList, U8(text::kMifShowList)), 0, wxALIGN_CENTER_VERTICAL);
  body->Add(record, 0, wxEXPAND | wxTOP | wxBOTTOM, 4);
  body->Add(LabelledRow(d, text::kMifUnitName, Combo(d, CMifParamDlg::kUnitName, 140)), 0, wxBOTTOM, 4);

  auto* left = new wxBoxSizer(wxVERTICAL);
  left->Add(RadioGroup(d, text::kMifCoordSys,
                       {{CMifParamDlg::kLatLong, text::kMifLatLong},
                        {CMifParamDlg::kNonEarth, text::kMifNonEarth},
                        {CMifParamDlg::kEarth, text::kMifEarth}}),
            0, wxEXPAND | wxBOTTOM, 8);
  left->Add(CheckGroup(d, text::kExpGroupData,
                       {{CMifParamDlg::kLines, text::kKindLines},
                        {CMifParamDlg::kPoints, text::kKindPoints},
                        {CMifParamDlg::kText, text::kKindNotes},
                        {CMifParamDlg::kCreateMid, text::kMifCreateMid},
                        {CMifParamDlg::kRegions, text::kMifRegions}}),
            0, wxEXPAND);
  body->Add(
      Row(left, RadioGroup(d, text::kExpGroupGeoref, {kNoGeoref, kBilinear, kTriangulation, kWorldFile, kFlip}, true)));
  return FinishDialog(d, body, MakeButtonRow(d, {kOk, kCancel}));
}

CModelDialog* MakeArcViewExportDialog(wxWindow* parent, CArcViewExportDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kArcViewExportTitle));
  auto* left = new wxBoxSizer(wxVERTICAL);
  left->Add(RadioGroup(d, text::kExpGroupData,
                       {{CArcViewExportDlg::kLines, text::kKindLines},
                        {CArcViewExportDlg::kPoints, text::kKindPoints},
                        {CArcViewExportDlg::kNotes, text::kKindNotes}}),
            0, wxEXPAND | wxBOTTOM, 8);
  left->Add(new wxCheckBox(d, CArcViewExportDlg::kPolygons, U8(text::kArcViewPolygons)));
  return FinishDialog(
      d,
      Row(left, RadioGroup(d, text::kExpGroupGeoref, {kNoGeoref, kBilinearShape, kTriangulation, kWorldFile, kFlip})),
      MakeButtonRow(d, {kOk, kCancel}));
}

CModelDialog* MakeXyzOptionsDialog(wxWindow* parent, CXyzOptionsDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kXyzOptionsTitle));
  wxStaticBoxSizer* data =
      CheckGroup(d, text::kExpGroupData,
                 {{CXyzOptionsDlg::kLines, text::kKindLines}, {CXyzOptionsDlg::kPoints, text::kKindPoints}});
  return FinishDialog(
      d, Row(data, RadioGroup(d, text::kExpGroupGeoref, {kNoGeoref, kBilinearShape, kTriangulation, kWorldFile}, true)),
      MakeButtonRow(d, {kOk, kCancel}));
}

CModelDialog* MakeSdlOutputDialog(wxWindow* parent, CSdlOutputDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kSdlOutputTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  wxStaticBoxSizer* data = CheckGroup(d, text::kExpGroupData,
                                      {{CSdlOutputDlg::kLines, text::kKindLines},
                                       {CSdlOutputDlg::kPoints, text::kKindPoints},
                                       {CSdlOutputDlg::kText, text::kExpText}});
  body->Add(Row(data, RadioGroup(d, text::kExpGroupGeoref, {kNoGeoref, kBilinear, kTriangulation, kWorldFile})), 0,
            wxBOTTOM, 8);
  auto* merge = new wxBoxSizer(wxHORIZONTAL);
  merge->Add(new wxCheckBox(d, CSdlOutputDlg::kMerge, U8(text::kSdlMerge)), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
  merge->Add(new wxButton(d, CSdlOutputDlg::kFindFile, U8(text::kSdlFindFile)), 0, wxALIGN_CENTER_VERTICAL);
  body->Add(merge, 0, wxBOTTOM, 4);
  auto* path = new wxBoxSizer(wxHORIZONTAL);
  path->Add(MakeLabel(d, text::kSdlPathLabel), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 6);
  // A long path is shortened in the middle: its folder's start and its name stay.
  path->Add(new wxStaticText(d, CSdlOutputDlg::kPath, wxEmptyString, wxDefaultPosition, wxSize(300, -1),
                             wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE),
            1, wxALIGN_CENTER_VERTICAL);
  body->Add(path, 0, wxEXPAND);
  return FinishDialog(d, body, MakeButtonRow(d, {kOk, kCancel}));
}

CModelDialog* MakeArcPntExportDialog(wxWindow* parent, CArcPntExportDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kArcPntTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  body->Add(RadioGroup(d, text::kExpGroupGeoref, {kNoGeoref, kBilinear, kTriangulation, kWorldFile, kFlip}, true), 0,
            wxEXPAND | wxBOTTOM, 8);
  body->Add(new wxCheckBox(d, CArcPntExportDlg::kIntegerIds, U8(text::kArcPntIntegerIds)));
  return FinishDialog(d, body, MakeButtonRow(d, {kOk, kCancel}));
}

CModelDialog* MakeIgesOutDialog(wxWindow* parent, CIgesOutDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kIgesOutTitle));
  wxStaticBoxSizer* modes = RadioGroup(d, text::kExpGroupGeoref,
                                       {kNoGeoref,
                                        kBilinear,
                                        kTriangulation,
                                        kWorldFile,
                                        {CIgesOutDlg::kPageSpace, text::kExpPageSpace},
                                        {CIgesOutDlg::kFlip, text::kFlipVertical}});
  return FinishDialog(d, modes, MakeButtonRow(d, {kOk, kCancel}));
}

void RegisterExportDialogs() {
  RegisterDialogWindow(&MakeDxfOutDialog);
  RegisterDialogWindow(&MakeImageResDialog);
  RegisterDialogWindow(&MakeMifParamDialog);
  RegisterDialogWindow(&MakeArcViewExportDialog);
  RegisterDialogWindow(&MakeXyzOptionsDialog);
  RegisterDialogWindow(&MakeSdlOutputDialog);
  RegisterDialogWindow(&MakeArcPntExportDialog);
  RegisterDialogWindow(&MakeIgesOutDialog);
  SetExportOptionsHook(&g_exportDialogs);
}

void RemoveExportDialogs() {
  if (ExportOptionsHook() == &g_exportDialogs) SetExportOptionsHook(nullptr);
}

}  // namespace qzn
