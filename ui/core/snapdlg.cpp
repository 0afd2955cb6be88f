#include "ui/core/snapdlg.h"

#include "app/qzndoc.h"
#include "model/endpointsnapper.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "platform/host.h"
#include "resources/messages_linedialogs.h"
#include "resources/messages_model.h"
#include "ui/core/qznview.h"

namespace qzn {

bool SnapLinesByLayer(CChainList& lines, const CLayerList& layers, int distance, bool sameId) {
  if (distance >= 50) {
    lines.JoinLines(distance, 45);
    return true;
  }
  for (const CLayer& layer : layers.m_layers) {
    if (layer.IsMarked()) continue;  // locked layers keep their lines as they are
    CEndpointSnapper snapper(&lines, layer.m_nID);
    if (!snapper.BuildEndpoints() || !snapper.Run(distance, sameId ? TRUE : FALSE, TRUE)) {
      AfxMessageBox(res::text::kSnapLinesNoMemory, MB_OK);
      return false;
    }
  }
  lines.m_nModified = 1;
  return true;
}

// ---- snap lines ----------------------------------------------------------------------

CSnapLinesDlg::CSnapLinesDlg(CQznView* view) : CApplyLinesDlg(view) {}

void CSnapLinesDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kDistance, distance);
  DDV_Range(dx, distance, kSnapDistanceRange);
  DDX_Check(dx, kSameId, sameId);
}

void CSnapLinesDlg::OnInitDialog(IDialogControls&) {
  m_lastRun = distance;
  // Cancel must be able to give the lines back whatever is applied: without
  // a copy the dialog does not run.
  if (!SaveOnce(res::text::kNotEnoughMemory)) cannotRun = true;
}

void CSnapLinesDlg::Snap(int d, bool same) {
  CQznDoc* doc = Document();
  if (!doc) return;
  {
    CWaitCapture wait;
    SnapLinesByLayer(doc->m_lines, doc->m_layers, d, same);
  }
  doc->SetLinesModified(1);
  Repaint();
}

void CSnapLinesDlg::OnApply(IDialogControls& c) {
  if (!UpdateData(c, true)) return;
  Snap(static_cast<int>(distance), sameId);
  m_lastRun = distance;
}

void CSnapLinesDlg::OnClicked(int id, IDialogControls& c) {
  if (id == kApply) OnApply(c);
}

bool CSnapLinesDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  // Snapping again at the distance of the last apply would change nothing
  // more, unless that apply found nothing to snap.
  const CQznDoc* doc = Document();
  if (doc && (distance != m_lastRun || doc->m_lines.GetCount() == m_saved.Count()))
    Snap(static_cast<int>(distance), sameId);
  m_saved.Drop();
  return true;
}

void CSnapLinesDlg::OnCancel(IDialogControls&) { RestoreSaved(); }

// ---- snap end points -----------------------------------------------------------------

CSnapEndpointsDlg::CSnapEndpointsDlg(CQznView* view) : CApplyLinesDlg(view) {}

void CSnapEndpointsDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kTolerance, tolerance);
  DDV_MinMaxFloat(dx, tolerance, 0.0f, 100000.0f);
}

void CSnapEndpointsDlg::OnInitDialog(IDialogControls&) {
  if (!SaveOnce(res::text::kNotEnoughMemory)) cannotRun = true;
}

void CSnapEndpointsDlg::Snap() {
  CQznDoc* doc = Document();
  if (!doc) return;
  {
    CWaitCapture wait;
    doc->m_lines.SnapEndPoints(tolerance);
  }
  doc->SetLinesModified(1);
  Repaint();
}

void CSnapEndpointsDlg::OnApply(IDialogControls& c) {
  if (!UpdateData(c, true)) return;
  lastApplied = tolerance;
  Snap();
}

void CSnapEndpointsDlg::OnClicked(int id, IDialogControls& c) {
  if (id == kApply) OnApply(c);
}

bool CSnapEndpointsDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  if (tolerance != lastApplied) Snap();
  m_saved.Drop();
  return true;
}

void CSnapEndpointsDlg::OnCancel(IDialogControls&) { RestoreSaved(); }

// ---- snap distance -------------------------------------------------------------------

void CSnapDistanceDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kDistance, distance);
  DDV_MinMaxUInt(dx, distance, 1, 1000);
}

}  // namespace qzn
