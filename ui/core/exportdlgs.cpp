#include "ui/core/exportdlgs.h"

#include <filesystem>
#include <system_error>

#include "app/qzndoc.h"
#include "formats/projectionlist.h"
#include "platform/host.h"
#include "platform/profile.h"
#include "resources/messages_common.h"
#include "resources/messages_exportdialogs.h"
#include "ui/core/viewcommands.h"

namespace qzn {

namespace {

namespace text = res::text;

// A check box over one of the records' 0/1 fields.
void CheckInt(CDataExchange& dx, int id, int& value) {
  bool on = value != 0;
  DDX_Check(dx, id, on);
  if (dx.save) value = on ? 1 : 0;
}

// The georeference buttons a workspace can use: the control points' two
// with more than three of them, the world file's with one loaded.
void EnableGeoref(IDialogControls& c, const GeorefEnabling& e, int bilinear, int triangulation, int worldFile) {
  c.Enable(bilinear, e.bilinear);
  c.Enable(triangulation, e.triangulation);
  c.Enable(worldFile, e.worldFile);
}

std::string ProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

std::string SettingsDirectory() { return std::filesystem::path(CProfileStore::DefaultPath()).parent_path().string(); }

// Runs the dialog on a copy of the record; OK hands the copy back. A quiet
// run keeps the defaults without asking.
template <class Dialog, class Options, class... Before>
bool Ask(Options& options, Before... before) {
  if (Host().IsQuiet()) return true;
  Dialog dialog(before..., options);
  if (DoModal(dialog) != IDOK) return false;
  options = dialog.values;
  return true;
}

}  // namespace

// ---- DXF --------------------------------------------------------------------------

void CDxfOutDlg::DoDataExchange(CDataExchange& dx) {
  CheckInt(dx, kIdAsZ, values.idAsZ);
  CheckInt(dx, kLines, values.lines);
  CheckInt(dx, kPoints, values.points);
  CheckInt(dx, kText, values.text);
  DDX_Radio(dx, {kPageSpace, kPixelSpacing, kCpBilinear, kCpTriangulation, kWorldFile}, values.mode);
}

void CDxfOutDlg::OnInitDialog(IDialogControls& c) {
  EnableGeoref(c, values.enabled, kCpBilinear, kCpTriangulation, kWorldFile);
}

void CDxfOutDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kResolution || !m_doc) return;
  CImageResDlg resolution(ImageResolutionOptions::Defaults(*m_doc));
  if (DoModal(resolution) == IDOK) resolution.values.Apply(*m_doc);
}

// ---- image resolution ----------------------------------------------------------------

void CImageResDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kResolution, values.resolution);
  DDV_MinMaxFloat(dx, values.resolution, 0.0f, 1.0e6f);
  DDX_Text(dx, kUnit, values.unit);
}

void CImageResDlg::OnInitDialog(IDialogControls& c) {
  // The entries come after the exchange filled the edit field: keep its text.
  const std::string unit = c.GetText(kUnit);
  c.ResetContent(kUnit);
  for (const char* name : {text::kUnitInch, text::kUnitCentimetre, text::kUnitPixel}) c.AddString(kUnit, name);
  c.SetText(kUnit, unit);
}

// ---- MIF ---------------------------------------------------------------------------

CMifParamDlg::CMifParamDlg(const MifParamOptions& options)
    : COptionsDlg(options), programDir(ProgramDirectory()), fallbackDir(SettingsDirectory()) {}

void CMifParamDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kProjection, values.projection);
  DDX_Text(dx, kUnitName, values.unitName);
  DDX_Radio(dx, {kLatLong, kNonEarth, kEarth}, values.coordSys);
  CheckInt(dx, kLines, values.lines);
  CheckInt(dx, kCreateMid, values.createMid);
  CheckInt(dx, kPoints, values.points);
  CheckInt(dx, kText, values.text);
  DDX_Radio(dx, {kRadioNoGeoref, kRadioBilinear, kRadioTriangulation, kRadioWorldFile, kRadioFlip}, values.mode);
  CheckInt(dx, kRegions, values.regions);
}

void CMifParamDlg::OnInitDialog(IDialogControls& c) {
  const std::string unit = c.GetText(kUnitName);
  c.ResetContent(kUnitName);
  for (const char* name : text::kMifUnitNames) c.AddString(kUnitName, name);
  c.SetText(kUnitName, unit);
  EnableGeoref(c, values.enabled, kRadioBilinear, kRadioTriangulation, kRadioWorldFile);
}

void CMifParamDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kShowList) return;
  const std::string list = FindOrWriteProjectionList(programDir, fallbackDir);
  if (list.empty()) {
    AfxMessageBox(text::kMifListMissing, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  IViewServices* services = ViewServices();
  if (!services || !services->OpenInEditor(list)) AfxMessageBox(text::kMifListNotOpened, MB_OK | MB_ICONEXCLAMATION);
}

// ---- shapefile --------------------------------------------------------------------

void CArcViewExportDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kLines, kPoints, kNotes}, values.source);
  DDX_Radio(dx, {kRadioNoGeoref, kRadioBilinear, kRadioTriangulation, kRadioWorldFile, kRadioFlip}, values.mode);
  CheckInt(dx, kPolygons, values.polygons);
}

void CArcViewExportDlg::OnInitDialog(IDialogControls& c) {
  EnableGeoref(c, values.enabled, kRadioBilinear, kRadioTriangulation, kRadioWorldFile);
}

// ---- XYZ ---------------------------------------------------------------------------

void CXyzOptionsDlg::DoDataExchange(CDataExchange& dx) {
  CheckInt(dx, kLines, values.lines);
  CheckInt(dx, kPoints, values.points);
  DDX_Radio(dx, {kRadioNoGeoref, kRadioBilinear, kRadioTriangulation, kRadioWorldFile}, values.mode);
}

void CXyzOptionsDlg::OnInitDialog(IDialogControls& c) {
  c.Enable(kLines, values.linesEnabled);
  c.Enable(kPoints, values.pointsEnabled);
  EnableGeoref(c, values.enabled, kRadioBilinear, kRadioTriangulation, kRadioWorldFile);
}

// ---- SDL ---------------------------------------------------------------------------

void CSdlOutputDlg::DoDataExchange(CDataExchange& dx) {
  CheckInt(dx, kLines, values.lines);
  CheckInt(dx, kPoints, values.points);
  CheckInt(dx, kText, values.text);
  DDX_Radio(dx, {kRadioNoGeoref, kRadioBilinear, kRadioTriangulation, kRadioWorldFile}, values.mode);
  CheckInt(dx, kMerge, values.merge);
  // The path is shown, not typed: it comes from the file dialog.
  if (!dx.save) dx.controls.SetText(kPath, values.attributePath);
}

void CSdlOutputDlg::OnInitDialog(IDialogControls& c) {
  c.Enable(kLines, values.linesEnabled);
  c.Enable(kPoints, values.pointsEnabled);
  c.Enable(kText, values.textEnabled);
  c.Enable(kMerge, !values.attributePath.empty());
  EnableGeoref(c, values.enabled, kRadioBilinear, kRadioTriangulation, kRadioWorldFile);
}

void CSdlOutputDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kFindFile) return;
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.defaultExtension = "sda";
  request.fileName = values.attributePath.empty() ? "*.sda" : values.attributePath;
  request.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  request.filter = text::kSdlFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) return;
  values.attributePath = path;
  if (m_doc) m_doc->m_paths[CQznDoc::kPathAttributes] = path;
  c.Enable(kMerge, true);
  c.SetText(kPath, path);
}

// ---- ARC generate and point files ---------------------------------------------------

void CArcPntExportDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kRadioNoGeoref, kRadioBilinear, kRadioTriangulation, kRadioWorldFile, kRadioFlip}, values.mode);
  CheckInt(dx, kIntegerIds, values.integerIds);
}

void CArcPntExportDlg::OnInitDialog(IDialogControls& c) {
  EnableGeoref(c, values.enabled, kRadioBilinear, kRadioTriangulation, kRadioWorldFile);
}

// ---- IGES --------------------------------------------------------------------------

void CIgesOutDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kRadioNoGeoref, kRadioBilinear, kRadioTriangulation, kRadioWorldFile, kPageSpace, kFlip}, values.mode);
}

void CIgesOutDlg::OnInitDialog(IDialogControls& c) {
  EnableGeoref(c, values.enabled, kRadioBilinear, kRadioTriangulation, kRadioWorldFile);
  c.Enable(kPageSpace, values.pageSpaceEnabled);
}

// ---- the hook ---------------------------------------------------------------------

bool CExportOptionDialogs::AskDxf(CQznDoc& doc, DxfOutOptions& options) { return Ask<CDxfOutDlg>(options, &doc); }
bool CExportOptionDialogs::AskMif(CQznDoc&, MifParamOptions& options) { return Ask<CMifParamDlg>(options); }
bool CExportOptionDialogs::AskArcView(CQznDoc&, ArcViewExportOptions& options) {
  return Ask<CArcViewExportDlg>(options);
}
bool CExportOptionDialogs::AskXyz(CQznDoc&, XyzOptions& options) { return Ask<CXyzOptionsDlg>(options); }
bool CExportOptionDialogs::AskSdl(CQznDoc& doc, SdlOutputOptions& options) { return Ask<CSdlOutputDlg>(options, &doc); }
bool CExportOptionDialogs::AskArcPnt(CQznDoc&, ArcPntExportOptions& options) { return Ask<CArcPntExportDlg>(options); }
bool CExportOptionDialogs::AskIges(CQznDoc&, IgesOutOptions& options) { return Ask<CIgesOutDlg>(options); }

}  // namespace qzn
