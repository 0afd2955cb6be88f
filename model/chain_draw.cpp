// Painting one line: on the view with its own pen and optional node crosses,
// end circles and ID; highlighted with a caller's pen; filled with its
// layer's hatch; for printing and into rasters with plain offsets and factors.
// Pens and brushes are made once per line and the polyline is one move-to
// followed by line-tos.
#include <algorithm>
#include <cmath>

#include "model/chain.h"
#include "model/chain_internal.h"
#include "model/layer.h"
#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/textfile.h"

namespace qzn {

namespace {

// Canvas positions are held far off the canvas and pens below 2^28 pixels,
// so the node crosses and end circles drawn around them stay inside the int
// range.
int CanvasCoord(double v) { return CViewTransform::HeldPixel(v); }

POINT ClientPixel(const CViewTransform& view, const CFPoint& p) {
  return POINT{CanvasCoord(static_cast<double>(view.ImageToClientXF(p.x)) + 0.5),
               CanvasCoord(static_cast<double>(view.ImageToClientYF(p.y)) + 0.5)};
}

// The pen width on screen: with coordinate mode 2 it follows the zoom; never
// below one pixel.
int ScreenWidth(const CChain& c, const CViewTransform& view, const CChainDrawOptions& opt) {
  int w = c.GetPenWidth();
  if (opt.coordMode == kCoordPage) w = TruncInt(w * view.GetScaleX() + 0.5);
  return std::clamp(w, 1, 1 << 28);
}

void DrawPolyline(CCanvas& dc, const CViewTransform& view, const CFPointArray& pts) {
  POINT p = ClientPixel(view, pts[0]);
  dc.MoveTo(p.x, p.y);
  for (std::size_t i = 1; i < pts.size(); ++i) {
    p = ClientPixel(view, pts[i]);
    dc.LineTo(p.x, p.y);
  }
}

void DrawCross(CCanvas& dc, int x, int y, int h) {
  dc.MoveTo(x - h, y);
  dc.LineTo(x + h + 1, y);
  dc.MoveTo(x, y - h);
  dc.LineTo(x, y + h + 1);
}

}  // namespace

int CChain::Draw(CCanvas& dc, const CViewTransform& view, const CChainDrawOptions& opt, int endMarks, int nodeMarks,
                 int showId, int decimalId) const {
  if (m_points.empty()) return 1;
  const int w = ScreenWidth(*this, view, opt);
  const CPen old = dc.SelectPen(CPen{m_nPenStyle, w, m_color});
  DrawPolyline(dc, view, m_points);
  dc.SelectPen(old);

  if (nodeMarks) {
    const CPen prev = dc.SelectPen(CPen{PS_SOLID, w, opt.nodeColorFlag ? opt.nodeColor : m_color});
    const int h = 2 * w;
    for (const CFPoint& v : m_points) {
      const POINT p = ClientPixel(view, v);
      DrawCross(dc, p.x, p.y, h);
    }
    dc.SelectPen(prev);
  }
  if (endMarks) {
    const CPen prev = dc.SelectPen(CPen{PS_SOLID, w, opt.endColorFlag ? opt.endColor : m_color});
    const int m = 2 * w;
    for (const CFPoint& v : {m_points.back(), m_points.front()}) {
      const POINT p = ClientPixel(view, v);
      dc.Ellipse(p.x - m, p.y - m, p.x + m + 1, p.y + m + 1);
    }
    dc.SelectPen(prev);
  }
  if (showId) DrawId(dc, view, decimalId);
  return 1;
}

int CChain::DrawWithPen(CCanvas& dc, const CViewTransform& view, const CChainDrawOptions& opt, COLORREF color,
                        int penStyle) const {
  if (m_points.empty()) return 1;
  const CPen old = dc.SelectPen(CPen{penStyle, ScreenWidth(*this, view, opt), color});
  DrawPolyline(dc, view, m_points);
  dc.SelectPen(old);
  return 1;
}

void CChain::DrawId(CCanvas& dc, const CViewTransform& view, int decimal) const {
  if (m_points.empty()) return;
  const std::string text = decimal ? FormatC("%.1f", static_cast<double>(m_fID)) : FormatC("%d", TruncInt(m_fID));
  CFPoint at;
  if (m_points.size() == 2)
    at = CFPoint((static_cast<double>(m_points[0].x) + m_points[1].x) / 2.0,
                 (static_cast<double>(m_points[0].y) + m_points[1].y) / 2.0);
  else
    at = m_points[m_points.size() / 2];
  const POINT p = ClientPixel(view, at);
  dc.TextOut(p.x, p.y, text);
}

int CChain::DrawFilled(CCanvas& dc, const CViewTransform& view, const CChainDrawOptions& opt) const {
  if (m_points.empty()) return 1;
  int fill = 6;
  if (opt.layers)
    if (const CLayer* layer = opt.layers->FindLayerByID(m_nLayer)) fill = layer->m_nFill;
  CBrush brush;
  if (fill >= 0 && fill <= 5)
    brush = CBrush{BS_HATCHED, fill, m_color};
  else
    brush = CBrush{BS_SOLID, HS_HORIZONTAL, m_color};
  std::vector<POINT> pts;
  pts.reserve(m_points.size());
  for (const CFPoint& v : m_points) pts.push_back(ClientPixel(view, v));
  const CPen oldPen = dc.SelectPen(CPen{m_nPenStyle, GetPenWidth(), m_color});
  const CBrush oldBrush = dc.SelectBrush(brush);
  const int oldMode = dc.SetBkMode(TRANSPARENT);  // hatch gaps show what lies beneath
  dc.Polygon(pts);
  dc.SetBkMode(oldMode);
  dc.SelectBrush(oldBrush);
  dc.SelectPen(oldPen);
  return 1;
}

int CChain::DrawForPrint(CCanvas& dc, const CViewTransform& view, float factorX, float factorY, int offsetX,
                         int offsetY, int nodeMarks) const {
  if (m_points.empty()) return 1;
  const CPen old = dc.SelectPen(CPen{m_nPenStyle, GetPenWidth(), m_color});
  const std::size_t n = m_points.size();
  for (std::size_t i = 0; i < n; ++i) {
    const POINT c = ClientPixel(view, m_points[i]);
    const int x = CanvasCoord(static_cast<float>(static_cast<double>(c.x) - offsetX) * factorX);
    const int y = CanvasCoord(static_cast<float>(static_cast<double>(c.y) - offsetY) * factorY);
    if (i == 0) {
      dc.MoveTo(x, y);
      dc.Ellipse(x - 2, y - 2, x + 3, y + 3);
      continue;
    }
    dc.LineTo(x, y);
    if (nodeMarks && i + 1 < n) {
      DrawCross(dc, x, y, 2);
      dc.MoveTo(x, y);
    }
  }
  dc.SelectPen(old);
  return 1;
}

int CChain::DrawScaled(CCanvas& dc, float factorX, float factorY, int offsetX, int offsetY) const {
  if (m_points.empty()) return 1;
  const CPen old = dc.SelectPen(CPen{m_nPenStyle, GetPenWidth(), m_color});
  for (std::size_t i = 0; i < m_points.size(); ++i) {
    const int ix = RoundPixel(m_points[i].x), iy = RoundPixel(m_points[i].y);
    const int x = CanvasCoord(static_cast<float>(static_cast<double>(ix) - offsetX) * factorX);
    const int y = CanvasCoord(static_cast<float>(static_cast<double>(iy) - offsetY) * factorY);
    if (i == 0)
      dc.MoveTo(x, y);
    else
      dc.LineTo(x, y);
  }
  dc.SelectPen(old);
  return 1;
}

void CChainSelection::Draw(CCanvas& dc, const CViewTransform& view, const CChainDrawOptions& opt) const {
  for (const CChainSelectionItem* item : *this)
    if (item && item->chain) item->chain->Draw(dc, view, opt, opt.showEnds, opt.showNodes, 0, 0);
}

}  // namespace qzn
