// The vector commands of the workspace: text lines moved to a layer of their
// own, text-block and crossing-mark detection, OCR, the region of interest,
// ID scaling, and the vector report.
#include <algorithm>
#include <cmath>
#include <unordered_set>
#include <vector>

#include "app/qzndoc.h"
#include "model/writerlinks.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_app.h"

namespace qzn {

int CQznDoc::SplitTextLines() {
  if (m_textBlocks.IsEmpty() || m_lines.IsEmpty()) return 0;
  CLayer* layer = m_layers.AddLayer();
  if (!layer) return 0;
  const int id = layer->m_nID;
  const COLORREF color = layer->m_color;
  const int penStyle = layer->m_nPenStyle;
  m_layers.m_nModified = 1;
  // A line inside two overlapping blocks is moved, and counted, once.
  std::unordered_set<const CChain*> moved;
  for (POSITION pos = m_textBlocks.GetHeadPosition(); pos;) {
    const CBox* box = m_textBlocks.GetNext(pos);
    if (!box) continue;
    CObList inside;
    m_lines.CollectInsideRect(box->m_rect, &inside);
    for (POSITION at = inside.GetHeadPosition(); at;) {
      auto* line = static_cast<CChain*>(inside.GetNext(at));
      line->m_nLayer = id;
      line->m_color = color;
      line->m_nPenStyle = penStyle;
      moved.insert(line);
    }
    inside.RemoveAll();
  }
  if (!moved.empty()) SetLinesModified(1);
  UpdateLayerBar(this);
  return static_cast<int>(moved.size());
}

int CQznDoc::DetectTextBlocks(int width, int height) {
  if (!m_textBlocks.IsEmpty() && AfxMessageBox(res::text::kAskRemoveTextBlocks, MB_YESNO | MB_ICONQUESTION) == IDYES)
    m_textBlocks.RemoveAll();
  CBoxList found;
  found.DetectText(width, height, m_lines);
  if (found.IsEmpty()) return 0;
  m_textBlocks.AdoptAll(found);
  m_textBlocks.m_nModified = 1;
  return 1;
}

int CQznDoc::RecognizeText() {
  if (m_chars.IsEmpty()) {
    AfxMessageBox(res::text::kNoOcrSettings, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  if (m_textBlocks.IsEmpty()) {
    AfxMessageBox(res::text::kNoTextBlocks, MB_OK | MB_ICONINFORMATION);
    return 0;
  }
  return m_notes.RecognizeTextBoxes(this, &m_textBlocks, &m_chars);
}

int CQznDoc::DetectCrossMarks(int width, int height) {
  if (m_lines.IsEmpty()) return 0;
  m_crossMarks.RemoveAll();
  m_crossMarks.MergeSmallBoxes(width, height, m_lines);
  return m_crossMarks.IsEmpty() ? 0 : 1;
}

int CQznDoc::ShrinkCrossMarks(const RECT& rect) {
  if (m_crossMarks.IsEmpty() || m_lines.IsEmpty()) return 0;
  RECT rc = rect;
  const int visited = m_lines.ShrinkCrossMarks(rc, &m_crossMarks);
  if (visited) SetLinesModified(1);
  return visited ? 1 : 0;
}

int CQznDoc::AddRoiRect(const RECT& rect) {
  const RECT r{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
               std::max(rect.top, rect.bottom)};
  auto* roi = new (std::nothrow) CChain(2, 0.0f, RGB(0xFF, 0x32, 0x32));
  if (!roi) return 0;
  roi->MakeRectangle(r);
  try {
    m_roi.Adopt(roi);
  } catch (const std::bad_alloc&) {
    return 0;  // the rectangle went with the failed list node
  }
  return 1;
}

void CQznDoc::TransformIDs(float a, float b, int lines, int points) {
  if (lines) {
    m_lines.TransformIDs(a, b);
    SetLinesModified(1);
  }
  if (points) m_points.ScaleValues(a, b);
}

// ---- the vector report ------------------------------------------------------------

namespace {

// Mean point, length and area of a line's vertices carried to map units,
// in double: map coordinates are too large for the float vertices of a line.
struct CMapMeasures {
  double cx = 0.0, cy = 0.0, length = 0.0, area = 0.0;
};

CMapMeasures MeasureInMap(const CChain& line, const double* xRow, const double* yRow, int type) {
  std::vector<double> x, y;
  x.reserve(line.m_points.size());
  y.reserve(line.m_points.size());
  for (const CFPoint& p : line.m_points) {
    double X = 0.0, Y = 0.0;
    ApplyPolynomial(p.x, p.y, xRow, yRow, type, X, Y);
    x.push_back(X);
    y.push_back(Y);
  }
  CMapMeasures m;
  const std::size_t n = x.size();
  if (n == 0) return m;
  // As the line's own measures: the mean leaves out the last vertex (a closed
  // line's repeat of its first), the area is that of closed lines only.
  const std::size_t meanCount = n == 1 ? 1 : n - 1;
  for (std::size_t i = 0; i < meanCount; ++i) m.cx += x[i], m.cy += y[i];
  m.cx /= static_cast<double>(meanCount);
  m.cy /= static_cast<double>(meanCount);
  for (std::size_t i = 1; i < n; ++i) m.length += std::hypot(x[i] - x[i - 1], y[i] - y[i - 1]);
  if (line.IsClosed(0)) {
    double sum = 0.0;
    for (std::size_t i = 0; i + 1 < n; ++i)
      sum += (x[i] - x[0]) * (y[i + 1] - y[0]) - (x[i + 1] - x[0]) * (y[i] - y[0]);
    m.area = std::fabs(sum / 2.0);
  }
  return m;
}

// At most `count` characters of a UTF-8 text, never cutting a character.
std::string FirstCharacters(const std::string& text, int count) {
  std::size_t i = 0;
  for (int n = 0; i < text.size() && n < count; ++n) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
  }
  return text.substr(0, i);
}

}  // namespace

int CQznDoc::BuildVectorReport(IReportGrid* grid) const {
  if (!grid) return 0;
  const MapTransform map = GetMapTransform();
  const int type = map.PolynomialType();
  const int columns = type ? 10 : 7;
  grid->SetColumnCount(columns);
  grid->SetRowCount(static_cast<int>(m_lines.GetCount()) + 1);
  grid->SetFixedRowCount(1);
  grid->SetFixedColumnCount(1);
  for (int c = 0; c < columns; ++c) grid->SetItemText(0, c, res::text::kVectorReportHeadings[c]);
  int row = 1;
  for (POSITION pos = m_lines.GetHeadPosition(); pos; ++row) {
    const CChain* line = m_lines.GetNext(pos);
    std::string layer;
    m_layers.GetLayerName(layer, line->m_nLayer);
    const CFPoint mean = line->GetMeanPoint();
    grid->SetItemText(row, 0, FormatC("%d", row - 1));
    grid->SetItemText(row, 1, FormatC("%.2f", static_cast<double>(line->m_fID)));
    grid->SetItemText(row, 2, FirstCharacters(layer, 11));
    grid->SetItemText(row, 3, FormatC("(%.1f,%.1f)", static_cast<double>(mean.x), static_cast<double>(mean.y)));
    grid->SetItemText(row, 4, FormatC("%.2f", line->GetLength()));
    grid->SetItemText(row, 5, line->IsClosed(0) ? "1" : "0");
    grid->SetItemText(row, 6, FormatC("%.2f", line->GetArea()));
    if (type) {
      const CMapMeasures m = MeasureInMap(*line, map.XRow(), map.YRow(), type);
      grid->SetItemText(row, 7, FormatC("(%.1f,%.1f)", m.cx, m.cy));
      grid->SetItemText(row, 8, FormatC("%.2f", m.length));
      grid->SetItemText(row, 9, FormatC("%.2f", m.area));
    }
  }
  return 1;
}

}  // namespace qzn
