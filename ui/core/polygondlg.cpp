#include "ui/core/polygondlg.h"

#include <algorithm>
#include <new>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "model/polygonbuilder.h"
#include "platform/host.h"
#include "resources/messages_linedialogs.h"
#include "resources/messages_model.h"
#include "ui/core/linecleanupdlg.h"
#include "ui/core/qznview.h"

namespace qzn {

unsigned CClosePolygonDlg::s_lastGap = 1;

CClosePolygonDlg::CClosePolygonDlg(CQznView* view) : gap(s_lastGap), m_view(view) {}

CQznDoc* CClosePolygonDlg::Document() const { return m_view ? m_view->Document() : nullptr; }

void CClosePolygonDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kGap, gap);
  DDX_Check(dx, kSplit, split);
  DDX_Check(dx, kNoOverlap, noOverlap);
  dx.controls.Enable(kApply, !applied);  // one apply per dialog
}

void CClosePolygonDlg::DropPolygonLayer(CQznDoc& doc) {
  if (polygonLayer < 0) return;
  doc.m_layers.DeleteLayerByID(polygonLayer);
  doc.m_layers.m_nModified = m_nLayersModified;
  polygonLayer = -1;
  UpdateLayerBar(&doc);
}

bool CClosePolygonDlg::Run(IDialogControls& c) {
  CQznDoc* doc = Document();
  if (!doc) return false;
  CChainList& lines = doc->m_lines;
  m_nModified = lines.m_nModified;
  m_nPolygonsBuilt = lines.m_nPolygonsBuilt;
  m_nLayersModified = doc->m_layers.m_nModified;
  if (polygonLayer < 0) {
    CLayer* layer = doc->m_layers.AddLayer();
    if (!layer) return false;
    FormatString(layer->m_strName, res::text::kPolygonLayerFormat, layer->m_nID);
    polygonLayer = layer->m_nID;
    doc->m_layers.m_nModified = 1;
    UpdateLayerBar(doc);
  }
  const long long typed = ReadSignedInt(c, kGap);
  gap = static_cast<unsigned>(
      std::clamp(typed, static_cast<long long>(kPolygonGapRange.low), static_cast<long long>(kPolygonGapRange.high)));
  split = c.GetCheck(kSplit);
  noOverlap = c.GetCheck(kNoOverlap);
  s_lastGap = gap;

  const int current = doc->m_layers.GetCurrentLayerID();
  const CLayer* currentLayer = doc->m_layers.FindLayerByID(current);
  const int penStyle = currentLayer ? currentLayer->m_nPenStyle : 0;
  const COLORREF color = doc->m_layers.GetLayerColor(polygonLayer);

  // The builder consumes its input, so it works on copies of the current
  // layer's lines: the workspace keeps its own lines whatever happens.
  CChainList work, result;
  bool built = false;
  {
    CWaitCapture wait;
    bool copied = true;
    try {
      for (const CChain* line : lines)
        if (line && line->m_nLayer == current) {
          auto* copy = new CChain(line);
          work.Adopt(copy);
          copy->m_points = line->m_points;
          copy->m_nPenStyle = line->m_nPenStyle;
        }
    } catch (const std::bad_alloc&) {
      copied = false;
    }
    if (copied) {
      CPolygonBuilder builder(&work, &result, static_cast<int>(gap), 0, current);
      built = builder.Build(split ? 1 : 0) != 0 || work.IsEmpty();
      if (!work.IsEmpty() && !built) result.DeleteAll();
    }
    if (copied && built) {
      if (noOverlap) result.DeleteNegativeWinding();
      result.SetAttributes(polygonLayer, color, penStyle, RECT{});
      lines.AdoptAll(result);
      doc->SetLinesModified(1);
    }
  }
  if (!built) {
    AfxMessageBox(res::text::kPolygonsNoMemory, MB_OK);
    DropPolygonLayer(*doc);
    return false;
  }
  return true;
}

void CClosePolygonDlg::OnApply(IDialogControls& c) {
  if (applied) return;
  if (!Run(c)) return;
  applied = true;
  c.Enable(kApply, false);
  if (m_view) m_view->Refresh();
}

void CClosePolygonDlg::OnClicked(int id, IDialogControls& c) {
  if (id == kApply) OnApply(c);
  if (id == kHelp) AfxMessageBox(res::text::kClosePolygonHelp, MB_OK | MB_ICONINFORMATION);
}

bool CClosePolygonDlg::OnOK(IDialogControls& c) {
  if (!applied) {
    applied = Run(c);
    if (m_view) m_view->Refresh();
  }
  if (applied)
    if (CQznDoc* doc = Document()) doc->m_lines.m_nPolygonsBuilt = 1;
  return true;
}

void CClosePolygonDlg::OnCancel(IDialogControls&) {
  CQznDoc* doc = Document();
  if (!applied || !doc) return;
  CChainList& lines = doc->m_lines;
  for (POSITION pos = lines.GetHeadPosition(); pos;) {
    const POSITION at = pos;
    const CChain* line = lines.GetNext(pos);
    if (line && line->m_nLayer == polygonLayer) lines.DeleteAt(at);
  }
  lines.m_nModified = m_nModified;
  lines.m_nPolygonsBuilt = m_nPolygonsBuilt;
  DropPolygonLayer(*doc);
  applied = false;
  if (m_view) m_view->Refresh();
}

void CLabelPolygonDlg::DoDataExchange(CDataExchange& dx) { DDX_Radio(dx, {kClosedOnly, kAllLines}, choice); }

}  // namespace qzn
