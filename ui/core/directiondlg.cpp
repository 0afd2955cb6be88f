#include "ui/core/directiondlg.h"

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_linedialogs.h"
#include "ui/core/qznview.h"

namespace qzn {

// ---- direction ----------------------------------------------------------------------

CAdjustDirectionDlg::CAdjustDirectionDlg(CQznView* view, CQznDoc* doc) : m_doc(doc), m_view(view) {
  if (!doc) return;
  lines = !doc->m_lines.IsEmpty();
  points = !doc->m_points.IsEmpty();
  notes = !doc->m_notes.IsEmpty();
}

void CAdjustDirectionDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Check(dx, kPoints, points);
  DDX_Check(dx, kNotes, notes);
  DDX_Check(dx, kLines, lines);
}

void CAdjustDirectionDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kFlipVertical && id != kFlipHorizontal && id != kRotate) return;
  if (!m_doc) return;
  UpdateData(c, true);
  CQznDoc& doc = *m_doc;
  const RECT& work = doc.m_extent;
  {
    CWaitCapture wait;
    if (lines) {
      if (id == kFlipVertical) doc.m_lines.FlipVertical(work);
      if (id == kFlipHorizontal) doc.m_lines.FlipHorizontal(work);
      if (id == kRotate) doc.m_lines.Transpose();
      doc.SetLinesModified(1);
    }
    if (points) {
      if (id == kFlipVertical) doc.m_points.FlipVertical(work);
      if (id == kFlipHorizontal) doc.m_points.FlipHorizontal(work);
      if (id == kRotate) doc.m_points.SwapXY();
      doc.m_points.m_nModified = 1;
      doc.SetModifiedFlag(true);
    }
    if (notes) {
      if (id == kFlipVertical) doc.m_notes.FlipVertical(work);
      if (id == kFlipHorizontal) doc.m_notes.FlipHorizontal(work);
      if (id == kRotate) doc.m_notes.SwapXY();
      doc.m_notes.m_nModified = 1;
      doc.SetModifiedFlag(true);
    }
  }
  if (m_view) m_view->Refresh();
}

// ---- georeferenced vector import ------------------------------------------------------

CImportGeoVectorDlg::CImportGeoVectorDlg(const std::string& control, int m) : method(m) {
  if (!control.empty()) controlFile = control;
}

void CImportGeoVectorDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kControlFile, controlFile);
  DDX_Text(dx, kVectorFile, vectorFile);
  DDX_Radio(dx, {kBilinear, kTriangulation}, method);
}

void CImportGeoVectorDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kBrowseControl && id != kBrowseVector) return;
  const bool control = id == kBrowseControl;
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.defaultExtension = control ? "cpt" : "gen";
  request.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  request.filter = control ? res::text::kControlFileFilter : res::text::kVectorFileFilter;
  if (basePath.empty()) {
    request.fileName = control ? "*.cpt" : "*.gen";
  } else {
    const CFilePath path(basePath);
    const std::string stem = path.GetDrivePart() + path.GetDirPart() + path.GetNamePart();
    request.fileName = control ? stem + ".cpt" : stem;
  }
  const std::string chosen = AskFilePath(request);
  if (chosen.empty()) return;
  (control ? controlFile : vectorFile) = chosen;
  c.SetText(control ? kControlFile : kVectorFile, chosen);
}

bool CImportGeoVectorDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  if (vectorFile.empty()) {
    AfxMessageBox(res::text::kNameVectorFile, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (controlFile.empty()) {
    AfxMessageBox(res::text::kNameControlFile, MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  return true;
}

}  // namespace qzn
