#include "ui/core/vectorizedlgs.h"

#include <algorithm>

#include "app/qzndoc.h"
#include "platform/textfile.h"
#include "ui/core/contrastdlgs.h"
#include "ui/core/qznview.h"

namespace qzn {

// ---- vectorise ----------------------------------------------------------------

CVectorizeDlg::CVectorizeDlg(CQznDoc* doc) : m_doc(doc) {
  useThreshold = CanUseThreshold();
  useRoi = CanUseRoi();
}

bool CVectorizeDlg::CanUseThreshold() const {
  return m_doc && m_doc->IsGreyImage() && (m_doc->m_nThreshHigh != 0 || m_doc->m_nThreshLow != 0);
}

bool CVectorizeDlg::CanUseRoi() const { return m_doc && !m_doc->m_roi.IsEmpty(); }

bool CVectorizeDlg::IsCadSource(const std::string& text) { return Upper(text.substr(0, 3)) == "CAD"; }

void CVectorizeDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kCentreLines, kOutlines}, method);
  DDX_Text(dx, kSource, source);
  DDX_Check(dx, kUseThreshold, useThreshold);
  DDX_Check(dx, kUseRoi, useRoi);
  // A disabled box keeps its value.
  dx.controls.Enable(kUseThreshold, CanUseThreshold());
  dx.controls.Enable(kUseRoi, CanUseRoi());
}

// ---- threshold ----------------------------------------------------------------

void CThresholdDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kHighEdit, high);
  DDV_Range(dx, high, kGreyValueRange);
  // The low value is held to 0..high like the bars hold it: a typed low
  // above the high value never reaches the document.
  DDX_Text(dx, kLowEdit, low);
  DDV_MinMaxUInt(dx, low, 0, std::min(high, 255u));
  for (int bar : {kLowBar, kHighBar}) {
    dx.controls.SetScrollRange(bar, 0, 255);
    dx.controls.SetScrollPos(bar, static_cast<int>(std::min(bar == kLowBar ? low : high, 255u)));
  }
}

void CThresholdDlg::OnScroll(int id, int code, int position, IDialogControls& c) {
  if (id != kHighBar && id != kLowBar) return;
  unsigned& value = id == kHighBar ? high : low;
  int v = static_cast<int>(value);
  // Dragging updates only when the thumb is let go.
  if (!StepGreyBar(code, position, v)) return;
  const int lo = static_cast<int>(std::min(low, 255u)), hi = static_cast<int>(std::min(high, 255u));
  v = id == kHighBar ? std::clamp(v, lo, 255) : std::clamp(v, 0, hi);
  value = static_cast<unsigned>(v);
  c.SetScrollPos(id, v);
  c.SetText(id == kHighBar ? kHighEdit : kLowEdit, std::to_string(v));
  if (view) view->PreviewThreshold(static_cast<int>(low), static_cast<int>(high), true);
}

void CThresholdDlg::OnChange(int id, IDialogControls& c) {
  if (id != kHighEdit && id != kLowEdit) return;
  long long typed = 0;
  if (!ParseInteger(c.GetText(id), typed) || typed < 0 || typed > 255) return;  // not a grey value (yet)
  (id == kHighEdit ? high : low) = static_cast<unsigned>(typed);
  c.SetScrollPos(id == kHighEdit ? kHighBar : kLowBar, static_cast<int>(typed));
  if (view) view->PreviewThreshold(static_cast<int>(low), static_cast<int>(high), true);
}

// ---- auto-trace -----------------------------------------------------------------

void CAutoTraceDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kSmoothing, smoothing);
  DDV_MinMaxDouble(dx, smoothing, 0.0, 1000.0);
}

}  // namespace qzn
