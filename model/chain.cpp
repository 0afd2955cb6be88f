// The line record: construction, copying, bounds and the stored layout.
#include "model/chain.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <new>

#include "model/chain_internal.h"
#include "platform/host.h"
#include "resources/messages_model.h"

namespace qzn {

static_assert(std::endian::native == std::endian::little, "vertex blocks are stored as raw little-endian floats");

QZN_IMPLEMENT_SERIAL(CChain, CObject, 1)

CChain::CChain(const CChain* other)
    : m_nWidth(other->m_nWidth),
      m_nPenStyle(other->m_nPenStyle),
      m_fID(other->m_fID),
      m_rcBounds(other->m_rcBounds),
      m_color(other->m_color),
      m_nLayer(other->m_nLayer) {}

CChain::CChain(int width, float id, COLORREF color) : m_nWidth(width), m_fID(id), m_color(color) {}

void CChain::CalcBounds() {
  if (m_points.empty()) {
    m_rcBounds = RECT{};
    return;
  }
  int l = std::numeric_limits<int>::max(), t = l;
  int r = std::numeric_limits<int>::min(), b = r;
  for (const CFPoint& p : m_points) {
    int x = RoundPixel(p.x), y = RoundPixel(p.y);
    l = std::min(l, x);
    r = std::max(r, x);
    t = std::min(t, y);
    b = std::max(b, y);
  }
  // The snap marks are not part of the width: bounds follow the pen only.
  const int w = GetPenWidth();
  // In 64 bits and held to the int range: far vertices round to the range's
  // ends, and the pen must not push them over.
  auto held = [](std::int64_t v) {
    return static_cast<int>(
        std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  };
  m_rcBounds =
      RECT{held(std::int64_t{l} - w), held(std::int64_t{t} - w), held(std::int64_t{r} + w), held(std::int64_t{b} + w)};
}

CFRect CChain::GetExtent() const {
  if (m_points.empty()) return CFRect();
  CFRect e(m_points[0].x, m_points[0].y, m_points[0].x, m_points[0].y);
  for (const CFPoint& p : m_points) {
    e.left = std::min(e.left, p.x);
    e.top = std::min(e.top, p.y);
    e.right = std::max(e.right, p.x);
    e.bottom = std::max(e.bottom, p.y);
  }
  return e;
}

int CChain::CopyFrom(const CChain* other) {
  if (other == this) return 1;
  try {
    CFPointArray copy(other->m_points);
    m_points.swap(copy);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  m_rcBounds = other->m_rcBounds;
  m_color = other->m_color;
  m_fID = other->m_fID;
  m_nWidth = other->m_nWidth;
  m_nLayer = other->m_nLayer;
  return 1;
}

int CChain::Append(const CChain* other) {
  if (m_points.empty()) return CopyFrom(other);
  const CFPoint last = m_points.back();
  const std::size_t n = other->m_points.size();  // other may be this line
  try {
    m_points.reserve(m_points.size() + n);  // the pushes below cannot fail
  } catch (const std::bad_alloc&) {
    return 0;
  }
  for (std::size_t i = 0; i < n; ++i) {
    const CFPoint p = other->m_points[i];
    if (p.x != last.x || p.y != last.y) m_points.push_back(p);
  }
  return 1;
}

int CChain::IsEqual(const CChain* other) const {
  if (m_points.size() != other->m_points.size()) return 0;
  if (m_fID != other->m_fID || m_nLayer != other->m_nLayer) return 0;
  if (!(m_rcBounds == other->m_rcBounds)) return 0;
  for (std::size_t i = 0; i < m_points.size(); ++i)
    if (!(m_points[i] == other->m_points[i])) return 0;
  return 1;
}

void CChain::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << kMarker;
    ar << static_cast<std::int32_t>(m_rcBounds.left) << static_cast<std::int32_t>(m_rcBounds.top)
       << static_cast<std::int32_t>(m_rcBounds.right) << static_cast<std::int32_t>(m_rcBounds.bottom);
    ar << static_cast<std::uint16_t>(GetPenWidth() & 0xFFFF);
    ar << static_cast<std::uint16_t>(m_nPenStyle & 0xFFFF);
    ar << m_fID;
    ar << static_cast<std::uint32_t>(m_color);
    ar << static_cast<std::int32_t>(m_nLayer);
    ar.WriteCount(static_cast<std::uint32_t>(m_points.size()));
    if (!m_points.empty()) ar.Write(m_points.data(), m_points.size() * sizeof(CFPoint));
    return;
  }
  // Everything is read into locals first, so a damaged record leaves the line
  // as it was when the archive gives up.
  std::int32_t first = 0;
  ar >> first;
  const bool current = first == kMarker;
  RECT rc{};
  if (current) {
    ar >> rc.left;
  } else {
    rc.left = first;  // the older layout has no marker
  }
  ar >> rc.top >> rc.right >> rc.bottom;
  std::uint16_t width = 0, style = 0;
  ar >> width >> style;
  float id = 0.0f;
  if (current) {
    ar >> id;
  } else {
    std::int32_t iid = 0;
    ar >> iid;
    id = static_cast<float>(iid);
  }
  std::uint32_t color = 0;
  std::int32_t layer = 0;
  ar >> color >> layer;
  const std::uint32_t count = ar.ReadCount(sizeof(CFPoint));
  CFPointArray pts(count);
  if (count) ar.Read(pts.data(), static_cast<std::size_t>(count) * sizeof(CFPoint));

  m_rcBounds = rc;
  m_nWidth = width & ~kSnapMarks;  // a stray snap mark is never a pen width
  m_nPenStyle = style;
  m_fID = id;
  m_color = color;
  m_nLayer = layer;
  m_points.swap(pts);
}

}  // namespace qzn
