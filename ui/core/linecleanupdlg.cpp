#include "ui/core/linecleanupdlg.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_linedialogs.h"
#include "ui/core/qznview.h"
#include "ui/core/rectops.h"

namespace qzn {

namespace {
int ClampInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }
}  // namespace

long long ReadSignedInt(const IDialogControls& c, int id) {
  long long v = 0;
  return ParseInteger(c.GetText(id), v) ? v : 0;
}

// ---- the saved copy -----------------------------------------------------------------

bool CSavedLines::Save(const CChainList& lines) {
  Drop();
  if (!m_copy.CopyFrom(lines)) {
    m_copy.DeleteAll();
    return false;
  }
  m_nModified = lines.m_nModified;
  m_nPolygonsBuilt = lines.m_nPolygonsBuilt;
  m_held = true;
  return true;
}

bool CSavedLines::Restore(CChainList& lines) {
  if (!m_held) return false;
  // Moving the copy's lines over takes their list nodes along: nothing here
  // can fail half-way.
  lines.COwningList<CChain>::DeleteAll();
  lines.AdoptAll(m_copy);
  lines.m_nModified = m_nModified;
  lines.m_nPolygonsBuilt = m_nPolygonsBuilt;
  m_held = false;
  return true;
}

void CSavedLines::Drop() {
  m_copy.DeleteAll();
  m_held = false;
}

// ---- the shared part --------------------------------------------------------------------

CApplyLinesDlg::CApplyLinesDlg(CQznView* view) : m_view(view) {}

CQznDoc* CApplyLinesDlg::Document() const { return m_view ? m_view->Document() : nullptr; }

bool CApplyLinesDlg::SaveOnce(const char* noMemoryText) {
  CQznDoc* doc = Document();
  if (!doc) return false;
  if (m_saved.Held()) return true;
  bool saved = false;
  {
    CWaitCapture wait;
    saved = m_saved.Save(doc->m_lines);
  }
  if (!saved) AfxMessageBox(noMemoryText, MB_OK | MB_ICONSTOP);
  return saved;
}

bool CApplyLinesDlg::RestoreSaved() {
  CQznDoc* doc = Document();
  if (!doc || !m_saved.Restore(doc->m_lines)) return false;
  Repaint();
  return true;
}

void CApplyLinesDlg::Repaint() {
  if (m_view) m_view->Refresh();
}

// ---- remove lines -----------------------------------------------------------------------

CRemoveLinesDlg::CRemoveLinesDlg(CQznView* view, const RECT& rect) : CApplyLinesDlg(view), area(rect) {}

RECT CRemoveLinesDlg::ChosenArea() const { return inArea && !IsRectEmpty(area) ? area : RECT{}; }

void CRemoveLinesDlg::DoDataExchange(CDataExchange& dx) {
  if (!dx.save && maximum < minimum) std::swap(maximum, minimum);
  DDX_Text(dx, kMaximum, maximum);
  DDV_Range(dx, maximum, kLineLengthRange);
  DDX_Text(dx, kMinimum, minimum);
  DDX_Radio(dx, {kByLength, kByNodes}, measure);
  if (IsRectEmpty(area)) inArea = false;
  DDX_Check(dx, kInArea, inArea);
  dx.controls.Enable(kInArea, !IsRectEmpty(area));
  if (dx.save && !dx.failed && maximum < minimum) std::swap(maximum, minimum);
}

void CRemoveLinesDlg::OnApply(IDialogControls& c) {
  if (applied || !m_view) return;
  if (!SaveOnce(res::text::kNotEnoughMemory)) return;
  applied = true;
  long long high = ReadSignedInt(c, kMaximum), low = ReadSignedInt(c, kMinimum);
  if (high == 0) high = 1;
  // A maximum below the minimum means the range between them, as on OK.
  if (high < low) {
    std::swap(high, low);
    c.SetText(kMaximum, std::to_string(high));
    c.SetText(kMinimum, std::to_string(low));
  }
  measure = c.GetCheck(kByLength) ? 0 : 1;
  inArea = c.GetCheck(kInArea) && !IsRectEmpty(area);
  m_view->ApplyDeleteShortLines(ClampInt(low), ClampInt(high), ChosenArea(), measure);
}

void CRemoveLinesDlg::OnClicked(int id, IDialogControls& c) {
  if (id == kApply) OnApply(c);
}

void CRemoveLinesDlg::OnChange(int id, IDialogControls&) {
  if (id == kMaximum) applied = false;  // a new maximum: the next apply runs again
}

bool CRemoveLinesDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  if (!applied && m_view) m_view->ApplyDeleteShortLines(ClampInt(minimum), ClampInt(maximum), ChosenArea(), measure);
  m_saved.Drop();
  return true;
}

void CRemoveLinesDlg::OnCancel(IDialogControls&) { RestoreSaved(); }

// ---- delete by type -----------------------------------------------------------------------

CDeleteByTypeDlg::CDeleteByTypeDlg(CQznView* view, const RECT& rc)
    : CApplyLinesDlg(view), inRect(!IsRectEmpty(rc)), rect(rc) {}

void CDeleteByTypeDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Check(dx, kOpen, openLines);
  DDX_Check(dx, kClosed, closedLines);
  if (IsRectEmpty(rect)) inRect = false;
  DDX_Check(dx, kInRect, inRect);
  DDX_Check(dx, kDuplicates, duplicates);
  dx.controls.Enable(kInRect, !IsRectEmpty(rect));
}

void CDeleteByTypeDlg::ReadChecks(IDialogControls& c) {
  openLines = c.GetCheck(kOpen);
  closedLines = c.GetCheck(kClosed);
  duplicates = c.GetCheck(kDuplicates);
  inRect = c.GetCheck(kInRect) && !IsRectEmpty(rect);
}

void CDeleteByTypeDlg::Delete() {
  CQznDoc* doc = Document();
  if (!doc) return;
  CChainList& lines = doc->m_lines;
  const RECT limit = inRect ? rect : RECT{};
  if (duplicates) lines.DeleteDuplicates();
  // Open and closed together are every line (of the rectangle).
  if (openLines || closedLines) lines.DeleteByClosure(limit, openLines, closedLines);
  doc->SetLinesModified(1);
}

void CDeleteByTypeDlg::OnApply(IDialogControls& c) {
  ReadChecks(c);
  if (!openLines && !closedLines && !duplicates) {
    AfxMessageBox(res::text::kChooseLineTypes, MB_OK | MB_ICONSTOP);
    return;
  }
  if (!SaveOnce(res::text::kNoMemoryToContinue)) return;
  {
    CWaitCapture wait;
    Delete();
  }
  Repaint();
}

void CDeleteByTypeDlg::OnClicked(int id, IDialogControls& c) {
  if (id == kApply) OnApply(c);
}

bool CDeleteByTypeDlg::OnOK(IDialogControls& c) {
  if (m_saved.Held()) {
    m_saved.Drop();  // applied: the result stays
    return true;
  }
  ReadChecks(c);
  if (openLines || closedLines || duplicates) {
    {
      CWaitCapture wait;
      Delete();
    }
    Repaint();
  }
  return true;
}

void CDeleteByTypeDlg::OnCancel(IDialogControls&) { RestoreSaved(); }

// ---- smooth lines ----------------------------------------------------------------------------

namespace {
float ClampThreshold(float v) { return std::isfinite(v) ? std::clamp(v, 0.0f, 1000.0f) : 0.0f; }
}  // namespace

CSmoothLinesDlg::CSmoothLinesDlg(CQznView* view, const RECT& rect) : CApplyLinesDlg(view), area(rect) {
  if (CQznDoc* doc = Document()) {
    threshold = ClampThreshold(doc->m_fFactor);
    m_savedTolerance = doc->m_fFactor;
  }
}

RECT CSmoothLinesDlg::ChosenArea() const { return inArea && !IsRectEmpty(area) ? area : RECT{}; }

void CSmoothLinesDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kThreshold, threshold);
  DDV_Range(dx, threshold, kSmoothToleranceRange);
  if (IsRectEmpty(area)) inArea = false;
  DDX_Check(dx, kInArea, inArea);
  dx.controls.Enable(kInArea, !IsRectEmpty(area));
}

void CSmoothLinesDlg::OnApply(IDialogControls& c) {
  if (applied || !m_view) return;
  if (!SaveOnce(res::text::kNotEnoughMemory)) return;
  applied = true;
  float v = 0.0f;
  threshold = ParseNumber(c.GetText(kThreshold), v) ? ClampThreshold(v) : 0.0f;
  inArea = c.GetCheck(kInArea) && !IsRectEmpty(area);
  m_view->ApplySmoothLines(threshold, ChosenArea());
}

void CSmoothLinesDlg::OnClicked(int id, IDialogControls& c) {
  if (id == kApply) OnApply(c);
  if (id == kHelp) AfxMessageBox(res::text::kSmoothHelp, MB_OK | MB_ICONINFORMATION);
}

void CSmoothLinesDlg::OnChange(int id, IDialogControls&) {
  if (id == kThreshold) applied = false;
}

bool CSmoothLinesDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  if (!applied && m_view) m_view->ApplySmoothLines(threshold, ChosenArea());
  m_saved.Drop();
  return true;
}

void CSmoothLinesDlg::OnCancel(IDialogControls&) {
  // Cancel leaves the workspace as it was: its lines and its tolerance.
  if (RestoreSaved())
    if (CQznDoc* doc = Document()) doc->m_fFactor = m_savedTolerance;
}

// ---- B-spline smoothing -----------------------------------------------------------------------

CBSplineDlg::CBSplineDlg(CQznView* view) : CApplyLinesDlg(view) {}

void CBSplineDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kNodes, nodes);
  DDV_Range(dx, nodes, kBSplineNodesRange);
}

bool CBSplineDlg::OnApply(IDialogControls& c) {
  CQznDoc* doc = Document();
  if (!doc || !UpdateData(c, true)) return false;
  if (!SaveOnce(res::text::kNoMemoryToApply)) return false;
  bool done = false;
  {
    CWaitCapture wait;
    done = doc->m_lines.SmoothBSplineAll(1, static_cast<int>(nodes)) != 0;
  }
  if (!done) {
    // Some lines may be smoothed and others not: the lines go back as they
    // were, and the user hears why.
    RestoreSaved();
    AfxMessageBox(res::text::kNoMemoryToApply, MB_OK | MB_ICONSTOP);
    return false;
  }
  doc->SetLinesModified(1);
  applied = true;
  Repaint();
  return true;
}

void CBSplineDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kApply) return;
  if (applied)
    AfxMessageBox(res::text::kBSplineDone, MB_OK | MB_ICONINFORMATION);
  else
    OnApply(c);
}

bool CBSplineDlg::OnOK(IDialogControls& c) {
  // Not applied yet: the smoothing runs as an apply does, so a smoothing
  // that fails half-way leaves the lines as they were.
  if (!applied && !OnApply(c)) return !m_view;
  m_saved.Drop();
  return true;
}

void CBSplineDlg::OnCancel(IDialogControls&) { RestoreSaved(); }

}  // namespace qzn
