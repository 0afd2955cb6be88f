#include "ui/georefdialogs.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/sizer.h>

#include "resources/messages_georef.h"
#include "resources/messages_georefdialogs.h"
#include "resources/messages_window.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

namespace {

constexpr DialogButton kOk{wxID_OK, text::kButtonOk};
constexpr DialogButton kCancel{wxID_CANCEL, text::kButtonCancel};

// Rows of "label  field" in a group, the labels in one column.
wxStaticBoxSizer* FieldGroup(wxWindow* parent, const char* caption,
                             std::initializer_list<std::pair<const char*, wxWindow* (*)(wxWindow*, int)>> rows,
                             std::initializer_list<int> ids) {
  wxStaticBoxSizer* group = MakeGroup(parent, caption);
  wxWindow* box = group->GetStaticBox();
  auto* grid = new wxFlexGridSizer(2, 4, 8);
  auto id = ids.begin();
  for (const auto& [label, make] : rows) {
    grid->Add(MakeLabel(box, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(make(box, *id++), 0, wxEXPAND);
  }
  group->Add(grid, 0, wxALL, 6);
  return group;
}

// Wide enough for a coordinate as the status bar shows it, a UTM northing
// or a State Plane coordinate in feet included.
int CoordinateWidth(wxWindow* parent) { return std::max(120, parent->GetTextExtent("-12345678.0000").x + 32); }
wxWindow* Edit(wxWindow* parent, int id) { return MakeEdit(parent, id, CoordinateWidth(parent)); }
wxWindow* ReadOnly(wxWindow* parent, int id) { return MakeEdit(parent, id, CoordinateWidth(parent), wxTE_READONLY); }

wxButton* Button(wxWindow* parent, int id, const char* label) { return new wxButton(parent, id, U8(label)); }

// The latitude/longitude group of both conversion dialogs.
wxStaticBoxSizer* LatLongGroup(wxWindow* d, const char* note, int lat, int lon, int toPlane, const char* toPlaneText,
                               int help) {
  wxStaticBoxSizer* group =
      FieldGroup(d, text::kGroupLatLong, {{text::kLatitude, &Edit}, {text::kLongitude, &Edit}}, {lat, lon});
  wxWindow* box = group->GetStaticBox();
  group->Add(MakeLabel(box, note), 0, wxLEFT | wxRIGHT | wxBOTTOM, 6);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(Button(box, toPlane, toPlaneText), 0, wxRIGHT, 6);
  buttons->Add(Button(box, help, text::kLlHelpButton));
  group->Add(buttons, 0, wxALL, 6);
  return group;
}

}  // namespace

CModelDialog* MakeControlPtDialog(wxWindow* parent, CControlPtDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kControlPointTitle));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(FieldGroup(d, text::kFrom, {{"X", &Edit}, {"Y", &Edit}}, {CControlPtDlg::kImageX, CControlPtDlg::kImageY}));
  row->Add(MakeLabel(d, text::kArrows), 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 10);
  row->Add(FieldGroup(d, text::kTo, {{"X", &Edit}, {"Y", &Edit}}, {CControlPtDlg::kMapX, CControlPtDlg::kMapY}));
  return FinishDialog(d, row, MakeButtonRow(d, {kOk, kCancel}));
}

CModelDialog* MakeControlPtStatDialog(wxWindow* parent, CControlPtStatDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kControlPointStatTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  body->Add(LabelledRow(d, text::kChooseControlPoint,
                        new wxChoice(d, CControlPtStatDlg::kPoint, wxDefaultPosition, wxSize(120, -1))));
  auto* grid = new wxFlexGridSizer(2, 8, 8);
  grid->Add(FieldGroup(d, text::kPixelCoordsFrom, {{"X", &ReadOnly}, {"Y", &ReadOnly}},
                       {CControlPtStatDlg::kImageX, CControlPtStatDlg::kImageY}),
            0, wxEXPAND);
  grid->Add(FieldGroup(d, text::kNewCoordsTo, {{"X", &ReadOnly}, {"Y", &ReadOnly}},
                       {CControlPtStatDlg::kMapX, CControlPtStatDlg::kMapY}),
            0, wxEXPAND);
  grid->Add(FieldGroup(d, text::kComputedCoords, {{"X", &ReadOnly}, {"Y", &ReadOnly}},
                       {CControlPtStatDlg::kFitX, CControlPtStatDlg::kFitY}),
            0, wxEXPAND);
  grid->Add(FieldGroup(d, text::kEstimatedError, {{"X", &ReadOnly}, {"Y", &ReadOnly}},
                       {CControlPtStatDlg::kErrorX, CControlPtStatDlg::kErrorY}),
            0, wxEXPAND);
  body->Add(grid, 0, wxTOP, 8);
  return FinishDialog(d, body, MakeButtonRow(d, {kOk}));
}

CModelDialog* MakeWarpDialog(wxWindow* parent, CWarpDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kWarpTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  body->Add(MakeRadio(d, CWarpDlg::kBilinear, text::kWarpBilinear, true), 0, wxBOTTOM, 6);
  body->Add(MakeRadio(d, CWarpDlg::kTriangulation, text::kWarpTriangulation), 0, wxBOTTOM, 10);
  body->Add(MakeLabel(d, text::kWarpNote));
  return FinishDialog(d, body, MakeButtonRow(d, {kOk, kCancel}));
}

CModelDialog* MakeUtmConvertDialog(wxWindow* parent, CUtmConvertDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kUtmTitle));
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  wxStaticBoxSizer* utm = MakeGroup(d, text::kGroupUtm);
  wxWindow* box = utm->GetStaticBox();
  auto* fields = new wxFlexGridSizer(2, 4, 8);
  fields->Add(MakeLabel(box, text::kDatum), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(new wxComboBox(box, CUtmConvertDlg::kEllipsoid, wxEmptyString, wxDefaultPosition, wxSize(200, -1)));
  for (auto [label, id] : {std::pair{text::kNorthing, int{CUtmConvertDlg::kNorthing}},
                           std::pair{text::kEasting, int{CUtmConvertDlg::kEasting}},
                           std::pair{text::kUtmZone, int{CUtmConvertDlg::kZone}}}) {
    fields->Add(MakeLabel(box, label), 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(MakeEdit(box, id, 140));
  }
  utm->Add(fields, 0, wxALL, 6);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(Button(box, CUtmConvertDlg::kUtmToLl, text::kUtmToLl), 0, wxRIGHT, 6);
  buttons->Add(Button(box, CUtmConvertDlg::kUtmHelp, text::kUtmHelpButton));
  utm->Add(buttons, 0, wxALL, 6);
  row->Add(utm, 0, wxEXPAND);
  row->Add(MakeLabel(d, text::kBothWays), 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 8);
  row->Add(LatLongGroup(d, text::kUtmDegreesNote, CUtmConvertDlg::kLatitude, CUtmConvertDlg::kLongitude,
                        CUtmConvertDlg::kLlToUtm, text::kLlToUtm, CUtmConvertDlg::kLlHelp),
           0, wxEXPAND);
  return FinishDialog(d, row,
                      MakeButtonRow(d, {kOk,
                                        {CUtmConvertDlg::kPointsToLl, text::kControlPointsToLl},
                                        {CUtmConvertDlg::kPointsToUtm, text::kControlPointsToUtm}}));
}

CModelDialog* MakeStatePlaneDialog(wxWindow* parent, CStatePlaneDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(text::kStatePlaneTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  wxStaticBoxSizer* zone = MakeGroup(d, text::kChooseStatePlane, wxHORIZONTAL);
  wxWindow* zoneBox = zone->GetStaticBox();
  zone->Add(new wxComboBox(zoneBox, CStatePlaneDlg::kZone, wxEmptyString, wxDefaultPosition, wxSize(280, -1), 0,
                           nullptr, wxCB_READONLY),
            0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
  zone->Add(MakeRadio(zoneBox, CStatePlaneDlg::kNad27, text::kNad27, true), 0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
  zone->Add(MakeRadio(zoneBox, CStatePlaneDlg::kNad83, text::kNad83), 0, wxALIGN_CENTER_VERTICAL | wxALL, 6);
  body->Add(zone, 0, wxEXPAND | wxBOTTOM, 8);

  auto* row = new wxBoxSizer(wxHORIZONTAL);
  wxStaticBoxSizer* plane = MakeGroup(d, text::kGroupStatePlane);
  wxWindow* box = plane->GetStaticBox();
  auto* fields = new wxFlexGridSizer(2, 4, 8);
  fields->Add(MakeLabel(box, text::kNorthing), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(box, CStatePlaneDlg::kNorthing, 140));
  fields->Add(MakeLabel(box, text::kEasting), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(MakeEdit(box, CStatePlaneDlg::kEasting, 140));
  fields->Add(MakeLabel(box, text::kUnits), 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(new wxComboBox(box, CStatePlaneDlg::kUnits, wxEmptyString, wxDefaultPosition, wxSize(90, -1), 0, nullptr,
                             wxCB_READONLY));
  plane->Add(fields, 0, wxALL, 6);
  auto* buttons = new wxBoxSizer(wxHORIZONTAL);
  buttons->Add(Button(box, CStatePlaneDlg::kSplToLl, text::kSplToLl), 0, wxRIGHT, 6);
  buttons->Add(Button(box, CStatePlaneDlg::kSplHelp, text::kSplHelpButton));
  plane->Add(buttons, 0, wxALL, 6);
  row->Add(plane, 0, wxEXPAND);
  row->Add(MakeLabel(d, text::kBothWays), 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 8);
  row->Add(LatLongGroup(d, text::kSplDegreesNote, CStatePlaneDlg::kLatitude, CStatePlaneDlg::kLongitude,
                        CStatePlaneDlg::kLlToSpl, text::kLlToSpl, CStatePlaneDlg::kLlHelp),
           0, wxEXPAND);
  body->Add(row);
  return FinishDialog(d, body,
                      MakeButtonRow(d, {kOk,
                                        {CStatePlaneDlg::kPointsToLl, text::kControlPointsToLl},
                                        {CStatePlaneDlg::kPointsToSpl, text::kControlPointsToSpl}}));
}

void RegisterGeorefDialogs() {
  RegisterDialogWindow(&MakeControlPtDialog);
  RegisterDialogWindow(&MakeControlPtStatDialog);
  RegisterDialogWindow(&MakeWarpDialog);
  RegisterDialogWindow(&MakeUtmConvertDialog);
  RegisterDialogWindow(&MakeStatePlaneDialog);
}

}  // namespace qzn
