#include "ui/core/controlptdlg.h"

#include <cmath>

#include "georef/controlpt.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_georefdialogs.h"

namespace qzn {

void CControlPtDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kImageX, imageX);
  DDX_Text(dx, kImageY, imageY);
  DDX_Text(dx, kMapX, mapX);
  DDX_Text(dx, kMapY, mapY);
}

void CControlPtStatDlg::OnInitDialog(IDialogControls& c) {
  if (!m_points) return;
  if (!m_points->FitBilinear()) {
    AfxMessageBox(res::text::kTransformParamsError, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  for (std::int64_t i = 0; i < m_points->GetCount(); ++i)
    c.AddString(kPoint, FormatC("%lld", static_cast<long long>(i)));
  if (m_points->IsEmpty()) return;
  ShowPoint(*m_points->GetHead(), c);
  c.SetCurSel(kPoint, 0);
}

void CControlPtStatDlg::ShowPoint(const CControlPt& p, IDialogControls& c) {
  const double* x = m_points->m_xRow;
  const double* y = m_points->m_yRow;
  const double ix = p.m_imageX, iy = p.m_imageY;
  const double fitX = (x[2] * ix + x[1]) * iy + x[0] * ix + x[3];
  const double fitY = (y[2] * ix + y[1]) * iy + y[0] * ix + y[3];
  c.SetText(kImageX, FormatC("%.1f", ix));
  c.SetText(kImageY, FormatC("%.1f", iy));
  c.SetText(kMapX, FormatC("%.5f", p.m_mapX));
  c.SetText(kMapY, FormatC("%.5f", p.m_mapY));
  c.SetText(kFitX, FormatC("%.5f", fitX));
  c.SetText(kFitY, FormatC("%.5f", fitY));
  c.SetText(kErrorX, FormatC("%.5f", std::fabs(fitX - p.m_mapX)));
  c.SetText(kErrorY, FormatC("%.5f", std::fabs(fitY - p.m_mapY)));
}

void CControlPtStatDlg::OnSelChange(int id, IDialogControls& c) {
  if (id != kPoint || !m_points) return;
  const int sel = c.GetCurSel(kPoint);
  if (sel < 0 || sel >= m_points->GetCount()) return;
  if (const CControlPt* p = m_points->GetAt(m_points->FindIndex(sel))) ShowPoint(*p, c);
}

void CWarpDlg::DoDataExchange(CDataExchange& dx) { DDX_Radio(dx, {kBilinear, kTriangulation}, method); }

}  // namespace qzn
