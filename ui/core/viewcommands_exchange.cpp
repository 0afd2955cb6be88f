// Vector exchange, projects and pictures of the File menu.
#include "formats/vectorexport.h"
#include "model/helpers.h"
#include "platform/profile.h"
#include "raster/mosaic.h"
#include "resources/commands.h"
#include "resources/messages_formats.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/directiondlg.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

namespace text = res::text;
constexpr unsigned kSaveFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;  // 6

bool HasLinesOrPoints(const CQznView& v) { return HasLines(v) || HasPoints(v); }
// Importing replaces lines and points that the line and point tools hold.
bool NotEditingLinesOrPoints(const CQznView& v) {
  return !InMode(v, EditMode::kLineEdit) && !InMode(v, EditMode::kPointEdit);
}

// After an import: a workspace without an image takes the extent of what
// was read, so it is shown whole.
void ShowImported(CQznView& v) {
  if (HasImage(v))
    v.Refresh();
  else
    v.OnViewFullView();
}

void ExportVector(CQznView& v) {
  CQznDoc& d = Doc(v);
  std::string name = WithoutExtension(d.m_paths[CQznDoc::kPathVector]);
  if (name.empty() && HasImage(v)) name = ImageStem(d);
  const std::string path =
      AskFilePath(FileRequest(FileDialogKind::save, "gen", name, kSaveFlags, text::kExportVectorFilter));
  if (path.empty()) return;
  int ok = 0;
  {
    CWaitCapture wait;
    ok = d.SaveVectorFile(path, VectorFileTypeOf(path));
  }
  if (!ok) {
    AfxMessageBox(text::kSaveVectorFileError, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (CProfileStore* p = Profile()) p->WriteString(text::kProfileSection, text::kProfileLastSavedVector, path);
}

void ImportVector(CQznView& v) {
  CQznDoc& d = Doc(v);
  const FileDialogResult chosen =
      Host().AskFiles(FileRequest(FileDialogKind::open, "gen", HasImage(v) ? ImageStem(d) : std::string(),
                                  OFN_FILEMUSTEXIST | OFN_ALLOWMULTISELECT, text::kImportVectorFilter));
  if (!chosen.accepted || chosen.paths.empty()) return;
  SettleTools(v);
  {
    CWaitCapture wait;
    // Each file says its own failure; the others are read all the same.
    for (const std::string& path : chosen.paths) d.ImportVectors(path, 0);
  }
  ShowImported(v);
}

void ImportGeoVector(CQznView& v) {
  CQznDoc& d = Doc(v);
  int ok = 0;
  if (d.m_controlPts.GetCount() > 3 || d.m_tfw.m_nTerms != 0) {
    // The workspace's own reference converts the file.
    const std::string path = AskFilePath(
        FileRequest(FileDialogKind::open, "gen", std::string(), OFN_FILEMUSTEXIST, text::kImportVectorFilter));
    if (path.empty()) return;
    SettleTools(v);
    CWaitCapture wait;
    ok = d.ImportGeoVectors(path, std::string(), GeorefKind::bilinear);
  } else {
    // The reference file is chosen with the vector file.
    CImportGeoVectorDlg dlg(d.m_paths[CQznDoc::kPathWorldFile], static_cast<int>(GeorefKind::bilinear));
    dlg.basePath = d.m_paths[CQznDoc::kPathImage];
    if (DoModal(dlg) != IDOK) return;
    SettleTools(v);
    CWaitCapture wait;
    ok = d.ImportGeoVectors(dlg.vectorFile, dlg.controlFile, dlg.Method());
  }
  if (!ok) AfxMessageBox(text::kReadGeoVectorError, MB_OK);
  ShowImported(v);
}

void SaveVectorAsImage(CQznView& v) {
  CQznDoc& d = Doc(v);
  const std::string path =
      AskFilePath(FileRequest(FileDialogKind::save, "bmp", std::string(), kSaveFlags, text::kBitmapFilter));
  if (path.empty()) return;
  CWaitCapture wait;
  RenderImageToDib(path, 0, &d.m_image, d.m_extent, &d.m_lines, &d.m_points, &d.m_notes);
}

void SaveProjectAs(CQznView& v) {
  CQznDoc& d = Doc(v);
  std::string name = WithoutExtension(d.m_paths[CQznDoc::kPathProject]);
  if (name.empty() && HasImage(v)) name = ImageStem(d);
  const std::string path =
      AskFilePath(FileRequest(FileDialogKind::save, "prj", name, kSaveFlags, text::kProjectFilter));
  if (path.empty()) return;
  if (!d.SaveProject(path)) AfxMessageBox(text::kSaveProjectError, MB_OK | MB_ICONSTOP);
}

void SaveProject(CQznView& v) {
  CQznDoc& d = Doc(v);
  const std::string path = d.m_paths[CQznDoc::kPathProject];
  // A project never saved, one whose file is gone, or a save that failed:
  // the user chooses where it goes.
  if (!path.empty() && CFilePath(path).Exists() && d.SaveProject(path)) return;
  SaveProjectAs(v);
}

void SaveImageAs(CQznView& v) {
  CQznDoc& d = Doc(v);
  const std::string path =
      AskFilePath(FileRequest(FileDialogKind::save, "tif", ImageStem(d), kSaveFlags, text::kSaveImageFilter));
  if (path.empty()) return;
  // The writer is chosen by the extension; the workspace then goes by the
  // new image's name.
  if (!d.OnSaveDocument(path)) return;
  d.SetPathName(path);
  if (IViewServices* s = ViewServices()) s->DocumentRenamed(v);
}

constexpr ViewCommand kCommands[] = {
    {cmd::kFileExportVector, HasLinesOrPoints, nullptr, ExportVector},
    {cmd::kFileImportVector, NotEditingLinesOrPoints, nullptr, ImportVector},
    {cmd::kFileImportGeoVector, NotEditingLinesOrPoints, nullptr, ImportGeoVector},
    {cmd::kFileSaveVectorAsImage, HasLinesOrPoints, nullptr, SaveVectorAsImage},
    {cmd::kFileSaveProject, HasDoc, nullptr, SaveProject},
    {cmd::kFileSaveProjectAs, HasDoc, nullptr, SaveProjectAs},
    {cmd::kFileSaveImageAs, HasImage, nullptr, SaveImageAs},
};

}  // namespace

std::span<const ViewCommand> ExchangeCommands() { return kCommands; }

}  // namespace qzn::vc
