#include "ui/linedialogs.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>

#include "resources/messages_linedialogs.h"
#include "resources/messages_window.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

// A dialog whose rows are stacked from the top; Finish lays it out.
struct Layout {
  CModelDialog* d;
  wxBoxSizer* top = new wxBoxSizer(wxVERTICAL);

  Layout(wxWindow* parent, CDialogModel& model, const char* title) : d(new CModelDialog(parent, model, U8(title))) {}
  void Add(wxSizer* s, int flags = wxEXPAND | wxLEFT | wxRIGHT | wxTOP) { top->Add(s, 0, flags, 8); }
  void Add(wxWindow* w) { top->Add(w, 0, wxLEFT | wxRIGHT | wxTOP, 8); }
  wxCheckBox* Check(wxWindow* parent, int id, const char* label) { return new wxCheckBox(parent, id, U8(label)); }
  wxRadioButton* Radio(wxWindow* parent, int id, const char* label, bool first = false) {
    return MakeRadio(parent, id, label, first);
  }
  // The label above its edit field.
  void Edit(int id, const char* label, int width = 90) {
    top->Add(MakeLabel(d, label), 0, wxLEFT | wxRIGHT | wxTOP, 8);
    top->Add(MakeEdit(d, id, width), 0, wxLEFT | wxRIGHT | wxTOP, 8);
  }
  CModelDialog* Finish(std::initializer_list<DialogButton> buttons) {
    top->AddSpacer(4);
    top->Add(MakeButtonRow(d, buttons), 0, wxEXPAND | wxALL, 4);
    d->SetSizer(top);
    d->Finish();
    return d;
  }
};

constexpr DialogButton kOk{wxID_OK, text::kButtonOk};
constexpr DialogButton kCancel{wxID_CANCEL, text::kButtonCancel};

}  // namespace

CModelDialog* MakeRemoveLinesDialog(wxWindow* parent, CRemoveLinesDlg& model) {
  Layout l(parent, model, text::kRemoveLinesTitle);
  auto* group = new wxStaticBoxSizer(wxHORIZONTAL, l.d, U8(text::kEnterThreshold));
  wxWindow* box = group->GetStaticBox();
  group->Add(LabelledRow(box, text::kMaximum, MakeEdit(box, CRemoveLinesDlg::kMaximum, 80)), 0, wxALL, 2);
  group->Add(LabelledRow(box, text::kMinimum, MakeEdit(box, CRemoveLinesDlg::kMinimum, 80)), 0, wxALL, 2);
  l.Add(group);
  auto* measure = new wxBoxSizer(wxHORIZONTAL);
  measure->Add(l.Radio(l.d, CRemoveLinesDlg::kByLength, text::kByLength, true), 0, wxRIGHT, 16);
  measure->Add(l.Radio(l.d, CRemoveLinesDlg::kByNodes, text::kByNodeCount));
  l.Add(measure);
  l.Add(l.Check(l.d, CRemoveLinesDlg::kInArea, text::kInSelectedArea));
  return l.Finish({kOk, kCancel, {CRemoveLinesDlg::kApply, text::kApply}});
}

CModelDialog* MakeDeleteByTypeDialog(wxWindow* parent, CDeleteByTypeDlg& model) {
  Layout l(parent, model, text::kDeleteByTypeTitle);
  auto* group = new wxStaticBoxSizer(wxVERTICAL, l.d, U8(text::kTypesToDelete));
  wxWindow* box = group->GetStaticBox();
  group->Add(l.Check(box, CDeleteByTypeDlg::kOpen, text::kOpenLines), 0, wxALL, 4);
  group->Add(l.Check(box, CDeleteByTypeDlg::kClosed, text::kClosedPolygons), 0, wxALL, 4);
  group->Add(l.Check(box, CDeleteByTypeDlg::kDuplicates, text::kDuplicateLines), 0, wxALL, 4);
  l.Add(group);
  l.Add(l.Check(l.d, CDeleteByTypeDlg::kInRect, text::kOnlyInRectangle));
  return l.Finish({kOk, kCancel, {CDeleteByTypeDlg::kApply, text::kApply}});
}

CModelDialog* MakeSmoothLinesDialog(wxWindow* parent, CSmoothLinesDlg& model) {
  Layout l(parent, model, text::kSmoothLinesTitle);
  l.Edit(CSmoothLinesDlg::kThreshold, text::kEnterSmoothThreshold);
  l.Add(l.Check(l.d, CSmoothLinesDlg::kInArea, text::kInSelectedArea));
  return l.Finish({kOk, kCancel, {CSmoothLinesDlg::kApply, text::kApply}, {CSmoothLinesDlg::kHelp, text::kHelpButton}});
}

CModelDialog* MakeBSplineDialog(wxWindow* parent, CBSplineDlg& model) {
  Layout l(parent, model, text::kBSplineTitle);
  l.Add(LabelledRow(l.d, text::kNodesToAdd, MakeEdit(l.d, CBSplineDlg::kNodes, 60)));
  return l.Finish({kOk, kCancel, {CBSplineDlg::kApply, text::kApply}});
}

CModelDialog* MakeSnapLinesDialog(wxWindow* parent, CSnapLinesDlg& model) {
  Layout l(parent, model, text::kSnapLinesTitle);
  l.Edit(CSnapLinesDlg::kDistance, text::kSnapThresholdPixels);
  l.Add(l.Check(l.d, CSnapLinesDlg::kSameId, text::kSnapSameIdOnly));
  return l.Finish({kOk, kCancel, {CSnapLinesDlg::kApply, text::kApply}});
}

CModelDialog* MakeSnapEndpointsDialog(wxWindow* parent, CSnapEndpointsDlg& model) {
  Layout l(parent, model, text::kSnapEndpointsTitle);
  l.Add(LabelledRow(l.d, text::kSnapTolerance, MakeEdit(l.d, CSnapEndpointsDlg::kTolerance, 90)));
  return l.Finish({kOk, kCancel, {CSnapEndpointsDlg::kApply, text::kApply}});
}

CModelDialog* MakeSnapDistanceDialog(wxWindow* parent, CSnapDistanceDlg& model) {
  Layout l(parent, model, text::kSnapDistanceTitle);
  l.Add(LabelledRow(l.d, text::kSnapDistancePixels, MakeEdit(l.d, CSnapDistanceDlg::kDistance, 70)));
  return l.Finish({kOk, kCancel});
}

CModelDialog* MakeClosePolygonDialog(wxWindow* parent, CClosePolygonDlg& model) {
  Layout l(parent, model, text::kClosePolygonTitle);
  l.Edit(CClosePolygonDlg::kGap, text::kPolygonGapTolerance);
  l.Add(l.Check(l.d, CClosePolygonDlg::kSplit, text::kSplitAtIntersections));
  l.Add(l.Check(l.d, CClosePolygonDlg::kNoOverlap, text::kNoOverlappingOutlines));
  return l.Finish(
      {kOk, kCancel, {CClosePolygonDlg::kApply, text::kApply}, {CClosePolygonDlg::kHelp, text::kHelpButton}});
}

CModelDialog* MakeLabelPolygonDialog(wxWindow* parent, CLabelPolygonDlg& model) {
  Layout l(parent, model, text::kLabelPolygonTitle);
  l.Add(l.Radio(l.d, CLabelPolygonDlg::kClosedOnly, text::kClosedPolygonsOnly, true));
  l.Add(l.Radio(l.d, CLabelPolygonDlg::kAllLines, text::kAllLines));
  return l.Finish({kOk, kCancel});
}

CModelDialog* MakeAdjustDirectionDialog(wxWindow* parent, CAdjustDirectionDlg& model) {
  Layout l(parent, model, text::kAdjustDirectionTitle);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  auto* group = new wxStaticBoxSizer(wxVERTICAL, l.d, U8(text::kDataKinds));
  wxWindow* box = group->GetStaticBox();
  group->Add(l.Check(box, CAdjustDirectionDlg::kLines, text::kKindLines), 0, wxALL, 4);
  group->Add(l.Check(box, CAdjustDirectionDlg::kPoints, text::kKindPoints), 0, wxALL, 4);
  group->Add(l.Check(box, CAdjustDirectionDlg::kNotes, text::kKindNotes), 0, wxALL, 4);
  row->Add(group, 0, wxEXPAND | wxRIGHT, 12);
  auto* actions = new wxBoxSizer(wxVERTICAL);
  for (const DialogButton& b : {DialogButton{CAdjustDirectionDlg::kFlipVertical, text::kFlipVertical},
                                DialogButton{CAdjustDirectionDlg::kFlipHorizontal, text::kFlipHorizontal},
                                DialogButton{CAdjustDirectionDlg::kRotate, text::kRotate90}})
    actions->Add(new wxButton(l.d, b.id, U8(b.text)), 0, wxEXPAND | wxBOTTOM, 4);
  row->Add(actions, 0, wxTOP, 8);
  l.Add(row);
  return l.Finish({kOk});
}

CModelDialog* MakeImportGeoVectorDialog(wxWindow* parent, CImportGeoVectorDlg& model) {
  Layout l(parent, model, text::kImportGeoVectorTitle);
  auto fileRow = [&](const char* title, int edit, int browse) {
    auto* group = new wxStaticBoxSizer(wxHORIZONTAL, l.d, U8(title));
    wxWindow* box = group->GetStaticBox();
    group->Add(MakeEdit(box, edit, 320, wxTE_READONLY), 1, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    group->Add(new wxButton(box, browse, U8(text::kBrowse)), 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    l.Add(group);
  };
  fileRow(text::kApplyControlOrTfw, CImportGeoVectorDlg::kControlFile, CImportGeoVectorDlg::kBrowseControl);
  fileRow(text::kVectorFileName, CImportGeoVectorDlg::kVectorFile, CImportGeoVectorDlg::kBrowseVector);
  auto* methods = new wxBoxSizer(wxHORIZONTAL);
  methods->Add(l.Radio(l.d, CImportGeoVectorDlg::kBilinear, text::kBilinear, true), 0, wxRIGHT, 16);
  methods->Add(l.Radio(l.d, CImportGeoVectorDlg::kTriangulation, text::kTriangulation));
  l.Add(methods);
  return l.Finish({kOk, kCancel});
}

void RegisterLineDialogs() {
  RegisterDialogWindow(&MakeRemoveLinesDialog);
  RegisterDialogWindow(&MakeDeleteByTypeDialog);
  RegisterDialogWindow(&MakeSmoothLinesDialog);
  RegisterDialogWindow(&MakeBSplineDialog);
  RegisterDialogWindow(&MakeSnapLinesDialog);
  RegisterDialogWindow(&MakeSnapEndpointsDialog);
  RegisterDialogWindow(&MakeSnapDistanceDialog);
  RegisterDialogWindow(&MakeClosePolygonDialog);
  RegisterDialogWindow(&MakeLabelPolygonDialog);
  RegisterDialogWindow(&MakeAdjustDirectionDialog);
  RegisterDialogWindow(&MakeImportGeoVectorDialog);
}

}  // namespace qzn
