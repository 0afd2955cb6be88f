// The workspace document: construction, image kinds, the threshold pair,
// pixel values, units, modified state and the moves between shown and
// hidden sets.
#include "app/qzndoc.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "app/vertexreducer.h"
#include "platform/host.h"
#include "raster/binarize.h"
#include "raster/imaging.h"
#include "resources/messages_common.h"

namespace qzn {

void UpdateLayerBar(CQznDoc* doc) {
  if (doc) Host().UpdateLayerBar(doc);
}

CQznDoc::CQznDoc() {
  m_crossMarks.m_color = 0xFA0000;
  UpdateLayerBar(this);
}

CQznDoc::~CQznDoc() {
  DeleteContents();
  DropBackup();
}

void CQznDoc::DeleteContents() {
  m_image.Free();
  m_lines.DeleteAll();
}

int CQznDoc::OnNewDocument() {
  m_bModified = false;
  m_extent = RECT{0, 0, 2047, 2047};
  m_lines.SetTolerance(2048, 2048);
  return 1;
}

bool CQznDoc::IsDataModified() const {
  return m_layers.m_nModified || m_nTfwModified || m_chars.m_nModified || m_crossMarks.m_nModified ||
         m_textBlocks.m_nModified || m_controlPts.m_nModified || m_points.m_nModified || m_notes.m_nModified ||
         m_lines.m_nModified || m_nSettingsModified;
}

void CQznDoc::SetSettingsModified() {
  m_nSettingsModified = 1;
  SetModifiedFlag(true);
}

int CQznDoc::SaveModified() { return SaveDataIfModified() && SaveImageIfModified(); }

int CQznDoc::ResetExtent() {
  if (!m_image.HasPixels()) return 0;
  m_extent = RECT{0, 0, m_image.width - 1, m_image.height - 1};
  return m_image.width - 1;
}

void CQznDoc::SetExtentAndTolerance(const RECT& extent) {
  m_extent = extent;
  // Sizes in 64 bits: an extent across the whole int range has no int width.
  m_lines.SetTolerance(SaturateInt32(std::int64_t{extent.right} - extent.left + 1),
                       SaturateInt32(std::int64_t{extent.bottom} - extent.top + 1));
}

int CQznDoc::SetExtent(const RECT& rect) {
  if (m_image.HasPixels()) return 0;
  RECT r{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
         std::max(rect.top, rect.bottom)};
  if (r.left == r.right || r.top == r.bottom) return 0;
  m_extent = r;
  return 1;
}

// ---- image kinds ------------------------------------------------------------

// The image record holds the one definition of each kind.
bool CQznDoc::IsGreyImage() const { return m_image.IsGrey(); }
bool CQznDoc::IsPaletteImage() const { return m_image.IsPaletteColor(); }
bool CQznDoc::IsClassifiedImage() const { return m_image.IsSeparated(); }
bool CQznDoc::IsRgbImage() const { return m_image.IsRGB(); }
bool CQznDoc::IsBilevelImage() const { return m_image.IsBilevel(); }

// Lines are dark. Otsu's level t splits the histogram into [0, t] and
// [t + 1, 255]: where 0 is black the lines are the lower class, where 0 is
// white the upper one.
int CQznDoc::AutoThreshold(int left, int top, int width, int height) {
  int bins[256];
  CImageArea area{left, top, width, height, 0};
  if (!GenHistogram(&m_image, &area, bins)) return 0;
  // An area of one grey level has no lines on it: no split of its histogram
  // tells ink from paper (a blank sheet would otherwise be all ink). The
  // range is then empty.
  if (std::count_if(bins, bins + 256, [](int n) { return n > 0; }) <= 1) {
    m_nThreshLow = 1;
    m_nThreshHigh = 0;
    return 1;
  }
  const int t = GetOptimalThresh(bins, 256);
  if (m_image.photometric != kPhotometricMinIsWhite) {
    m_nThreshLow = 0;
    m_nThreshHigh = t;
  } else {
    m_nThreshLow = std::min(t + 1, 255);
    m_nThreshHigh = 255;
  }
  return 1;
}

int CQznDoc::GetThreshold(int& low, int& high) {
  if (!IsGreyImage()) return 1;
  if (m_nThreshHigh == 0 && m_nThreshLow == 0 && !AutoThreshold(0, 0, m_image.width, m_image.height)) return 0;
  low = m_nThreshLow;
  high = m_nThreshHigh;
  return 1;
}

int CQznDoc::GetTraceKey(int x, int y) {
  if (IsGreyImage() && m_nThreshHigh != 0) return PackGreyRange(m_nThreshLow, m_nThreshHigh);
  if (IsGreyImage() || IsPaletteImage() || IsClassifiedImage()) {
    int value = 0;
    GetPixelValue(x, y, value);
    return value;
  }
  return 0;
}

int CQznDoc::GetPixelValue(int x, int y, int& value) const {
  if (!m_image.HasPixels()) return 0;
  x = std::clamp(x, 0, m_image.width - 1);
  y = std::clamp(y, 0, m_image.height - 1);
  if (IsRgbImage()) {
    value =
        (TDGetPixel(&m_image, x, y, 0) << 16) | (TDGetPixel(&m_image, x, y, 1) << 8) | TDGetPixel(&m_image, x, y, 2);
  } else {
    value = TDGetPixel(&m_image, x, y, 0);
  }
  return 1;
}

std::string CQznDoc::GetUnitName() const {
  if (m_image.resolutionUnit == 2) return res::text::kUnitInch;
  if (m_image.resolutionUnit == 3) return res::text::kUnitCentimetre;
  return res::text::kUnitPixel;
}

void CQznDoc::SetUnitName(const std::string& name) {
  if (name.find(res::text::kUnitInch) != std::string::npos)
    m_image.resolutionUnit = 2;
  else if (name.find("米") != std::string::npos)  // centimetres, or any metric name
    m_image.resolutionUnit = 3;
  else
    m_image.resolutionUnit = 1;
}

void CQznDoc::SetLinesModified(int flag) {
  m_lines.m_nModified = flag;
  if (flag) SetModifiedFlag(true);
}

void CQznDoc::SetImageModified(int flag) {
  m_nImageModified = flag;
  if (flag) SetModifiedFlag(true);
}

// ---- lines and layers -------------------------------------------------------

namespace {
// The line list reaches the vertex reducer through this interface, since the
// data model sits below the tracers.
class CDocChainReducer : public IChainReducer {
 public:
  std::int64_t ReduceChain(CChain& chain, double tolerance) override { return m_reducer.ReduceChain(chain, tolerance); }

 private:
  CVertexReducer m_reducer;
};
}  // namespace

void CQznDoc::SmoothLines(float tolerance, const RECT& rc) {
  CDocChainReducer reducer;
  m_lines.Smooth(tolerance, rc, reducer);
}

void CQznDoc::SnapLines(int distance) { m_lines.SnapLines(distance); }

int CQznDoc::CreatePolygons(float closingTolerance, BOOL keepUnclosed) {
  CChainList built;
  const int result = built.CreatePolygons(&m_lines, closingTolerance, keepUnclosed, m_layers.GetCurrentLayerID());
  if (!result) return 0;
  m_lines.DeleteAll();
  m_lines.AdoptAll(built);
  SetLinesModified(1);
  return result;
}

void CQznDoc::DeleteShortLines(int low, int high, const RECT& rc, BOOL byVertexCount) {
  m_lines.DeleteSmallInRect(low, high, rc, byVertexCount);
}

void CQznDoc::SetCurrentLayer(const std::string& name) { m_layers.SetCurrentLayer(name); }

void CQznDoc::GetLayerName(int id, char* buffer, int size) const {
  if (!buffer || size <= 0) return;
  std::string name;
  m_layers.GetLayerName(name, id);
  const std::size_t n = std::min(name.size(), static_cast<std::size_t>(size - 1));
  std::memcpy(buffer, name.data(), n);
  buffer[n] = '\0';
}

namespace {

// Moves the elements of `from` for which `move` holds to the tail of `to`,
// keeping the order of both lists; cannot fail.
template <class T, class Pred>
void MoveWhere(COwningList<T>& from, COwningList<T>& to, Pred move) {
  for (POSITION pos = from.GetHeadPosition(); pos;) {
    POSITION at = pos;
    if (move(from.GetNext(pos))) from.TransferTo(at, to);
  }
}

void RefreshFromLayer(CChain* line, const CLayer& layer) {
  line->m_nWidth = layer.m_nWidth;
  line->m_nPenStyle = layer.m_nPenStyle;
  if (line->m_fID == 0.0f) line->m_color = layer.m_color;
}

}  // namespace

void CQznDoc::ApplyLayerVisibility(const CLayerList& layers) {
  auto refresh = [&](CChain* line, bool wantVisible) {
    const CLayer* layer = layers.FindLayerByID(line->m_nLayer);
    if (!layer) return false;
    RefreshFromLayer(line, *layer);
    return (layer->IsVisible() != 0) == wantVisible;
  };
  CChainList moved;
  MoveWhere(m_lines, moved, [&](CChain* c) { return refresh(c, false); });
  MoveWhere(m_hiddenLines, m_lines, [&](CChain* c) { return refresh(c, true); });
  MoveWhere(moved, m_hiddenLines, [](CChain*) { return true; });

  auto layerVisible = [&](int id, bool wantVisible) {
    const CLayer* layer = layers.FindLayerByID(id);
    return layer && (layer->IsVisible() != 0) == wantVisible;
  };
  CPtList movedPoints;
  MoveWhere(m_points, movedPoints, [&](CPointRec* p) { return layerVisible(p->layer, false); });
  MoveWhere(m_hiddenPoints, m_points, [&](CPointRec* p) { return layerVisible(p->layer, true); });
  MoveWhere(movedPoints, m_hiddenPoints, [](CPointRec*) { return true; });

  CNoteList movedNotes;
  MoveWhere(m_notes, movedNotes, [&](CNote* n) { return layerVisible(n->m_nID, false); });
  MoveWhere(m_hiddenNotes, m_notes, [&](CNote* n) { return layerVisible(n->m_nID, true); });
  MoveWhere(movedNotes, m_hiddenNotes, [](CNote*) { return true; });
}

}  // namespace qzn
