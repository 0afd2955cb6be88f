// The point record and the point list: creation, picking, values, colours,
// layers, whole-list geometry, drawing and the stored layout.
#include "model/ptlist.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

#include "model/chain_internal.h"
#include "model/gridindex.h"
#include "model/layer.h"
#include "model/note.h"
#include "model/ownedlist.h"
#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/textfile.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CPtList, CObject, 1)

namespace {

// A cross of half-length h at (x, y); lines leave out their end pixel. The
// position is held far off the canvas and the arms below 2^28 pixels, so the
// ends stay inside the int range.
void DrawCross(CCanvas& dc, std::int64_t px, std::int64_t py, std::int64_t half) {
  const int x = CViewTransform::HeldPixel(static_cast<double>(px));
  const int y = CViewTransform::HeldPixel(static_cast<double>(py));
  const int h = static_cast<int>(std::clamp<std::int64_t>(half, -(1 << 28), 1 << 28));
  dc.MoveTo(x - h, y);
  dc.LineTo(x + h + 1, y);
  dc.MoveTo(x, y - h);
  dc.LineTo(x, y + h + 1);
}

std::string FormatLabel(float value, int labelAsFloat) {
  return labelAsFloat ? FormatC("%.2f", static_cast<double>(value)) : FormatC("%d", TruncInt(value));
}

void DrawLabel(CCanvas& dc, int x, int y, float value, int labelAsFloat) {
  const int oldMode = dc.SetBkMode(TRANSPARENT);
  dc.TextOut(CViewTransform::HeldPixel(x + 2.0), CViewTransform::HeldPixel(y + 2.0), FormatLabel(value, labelAsFloat));
  dc.SetBkMode(oldMode);
}

}  // namespace

// ---------------------------------------------------------------------------
// CPointRec

POINT CPointRec::Rounded() const { return POINT{RoundPixel(x), RoundPixel(y)}; }

int CPointRec::Draw(CCanvas& dc, const CViewTransform& view, int showLabel, int labelAsFloat) const {
  const POINT c = view.ImageToClientPixel(CFPoint(x, y));
  const CPen old = dc.SelectPen(CPen{PS_SOLID, 1, color});
  DrawCross(dc, c.x, c.y, (std::int64_t{size} + 1) / 2);
  if (showLabel) DrawLabel(dc, c.x, c.y, value, labelAsFloat);
  dc.SelectPen(old);
  return 1;
}

int CPointRec::DrawPrint(CCanvas& dc, const CViewTransform& view, float scaleX, float scaleY, int offsetX, int offsetY,
                         int showLabel, int labelAsFloat) const {
  const POINT c = view.ImageToClientPixel(CFPoint(x, y));
  const int px = CViewTransform::HeldPixel(static_cast<float>(static_cast<double>(c.x) - offsetX) * scaleX);
  const int py = CViewTransform::HeldPixel(static_cast<float>(static_cast<double>(c.y) - offsetY) * scaleY);
  const CPen old = dc.SelectPen(CPen{PS_SOLID, 1, color});
  DrawCross(dc, px, py, (std::int64_t{size} * 10 + 10) / 2);
  if (showLabel) DrawLabel(dc, px, py, value, labelAsFloat);
  dc.SelectPen(old);
  return 1;
}

// ---------------------------------------------------------------------------
// CPtList: creating and removing

CPtList::CPtList() {
  m_idColors.SetRangeColor(0, 0, RGB(255, 0, 0));
  m_idColors.m_nModified = 0;
}

CPtList::~CPtList() { DeleteAll(); }

CPointRec* CPtList::AddPoint(float x, float y, float value, int size, COLORREF color) {
  CPointRec* r = New(x, y, value, color, size, 0);
  if (r) m_nModified = 1;
  return r;
}

CPointRec* CPtList::AddNext(const CFPoint& p) {
  if (m_nAutoIncrement) m_fNextID += m_fIDIncrement;
  return AddPoint(p.x, p.y, m_fNextID, m_nPointSize, m_defaultColor);
}

CPointRec* CPtList::AddNew() { return AddPoint(0.0f, 0.0f, 0.0f, 1, 250); }

CPointRec* CPtList::AddCopy(const CPointRec& rec) { return AddPoint(rec.x, rec.y, rec.value, rec.size, rec.color); }

POSITION CPtList::FindNearestNode(const CFPoint& p) const {
  POSITION best = nullptr;
  float bestDist = 0.0f;
  for (POSITION pos = GetHeadPosition(); pos;) {
    const POSITION here = pos;
    const CPointRec* r = GetNext(pos);
    const float dx = p.x - r->x, dy = p.y - r->y;
    const float d = dx * dx + dy * dy;
    if (!best || d < bestDist) {
      best = here;
      bestDist = d;
    }
  }
  return best;
}

CPointRec* CPtList::GetNearest(const CFPoint& p) const {
  const POSITION pos = FindNearestNode(p);
  return pos ? GetAt(pos) : nullptr;
}

POINT CPtList::RemoveNearest(const CFPoint& p) {
  const POSITION pos = FindNearestNode(p);
  if (!pos) return POINT{};
  CPointRec* r = GetAt(pos);
  const POINT at{TruncInt(r->x), TruncInt(r->y)};
  DeleteAt(pos);
  m_nModified = 1;
  return at;
}

void CPtList::MoveInRect(const RECT& rc, CPtList& other) {
  for (POSITION pos = GetHeadPosition(); pos;) {
    const POSITION here = pos;
    CPointRec* r = GetNext(pos);
    if (PtInRect(rc, r->Rounded())) TransferTo(here, other);
  }
  m_nModified = 1;
}

BOOL CPtList::IsLayerEmpty(int layer) const {
  for (const CPointRec* r : *this)
    if (r->layer == layer) return FALSE;
  return TRUE;
}

void CPtList::DeleteAll() {
  COwningList<CPointRec>::DeleteAll();
  m_nModified = 0;
}

void CPtList::DetachAll() {
  COwningList<CPointRec>::DetachAll();
  m_nModified = 0;
}

// ---------------------------------------------------------------------------
// Values, colours and layers

void CPtList::ApplyIDColors() {
  for (CPointRec* r : *this) r->color = GetColorForID(TruncInt(r->value));
  m_nModified = 1;
}

int CPtList::SetIDInRect(float value, const RECT& rc) {
  int n = 0;
  const COLORREF color = GetColorForID(TruncInt(value));
  for (CPointRec* r : *this)
    if (PtInRect(rc, r->Rounded())) {
      r->value = value;
      r->color = color;
      ++n;
    }
  m_nModified = 1;
  return n;
}

void CPtList::SetLayerInRect(int layer, const RECT& rc) {
  if (IsEmpty()) return;
  if (IsRectEmpty(rc)) {
    for (CPointRec* r : *this) r->layer = layer;
  } else {
    const COLORREF color = GetColorForID(layer);
    for (CPointRec* r : *this)
      if (PtInRect(rc, r->Rounded())) {
        r->layer = layer;
        r->color = color;
      }
  }
  m_nModified = 1;
}

void CPtList::ChangeLayer(int source, int target, COLORREF color, int copy) {
  if (!copy) {
    for (CPointRec* r : *this)
      if (r->layer == source) {
        r->layer = target;
        r->color = color;
      }
    return;
  }
  // Only the records present now: the copies go to the tail and must not be
  // copied again when source and target are the same layer.
  std::int64_t n = GetCount();
  for (POSITION pos = GetHeadPosition(); pos && n > 0; --n) {
    const CPointRec* r = GetNext(pos);
    if (r->layer != source) continue;
    if (CPointRec* c = AddCopy(*r)) {
      c->layer = target;
      c->color = color;
    }
  }
}

void CPtList::ApplyLayerColors(const CLayerList& layers, int all) {
  const int current = layers.GetCurrentLayerID();
  for (CPointRec* r : *this)
    if (all || r->layer != current) r->color = layers.GetLayerColor(r->layer);
  m_nModified = 1;
}

void CPtList::SetLayerColor(int layer, COLORREF color) {
  for (CPointRec* r : *this)
    if (r->layer == layer) r->color = color;
  m_nModified = 1;
}

int CPtList::NumberPoints(int start, int step, int zeroOnly) {
  int n = 0;
  for (CPointRec* r : *this) {
    if (zeroOnly && r->value != 0.0f) continue;
    r->value = static_cast<float>(start);
    start += step;
    ++n;
  }
  m_nModified = 1;
  return n;
}

void CPtList::ScaleValues(float a, float b) {
  for (CPointRec* r : *this) r->value = a * r->value + b;
  m_nModified = 1;
}

int CPtList::ValuesFromNotes(const CNoteList& notes) {
  // Notes by list index: rectangles for the containing test, centres for the
  // nearest one. Both searches keep the lowest index among equals, as a walk
  // over the notes in list order does.
  std::vector<const CNote*> list;
  list.reserve(static_cast<std::size_t>(notes.GetCount()));
  for (const CNote* n : notes) list.push_back(n);
  const std::size_t n = list.size();
  std::vector<RECT> rects(n), centres(n);
  std::vector<int> values(n, 0);
  std::vector<char> hasValue(n, 0);
  std::int64_t sizes = 0;
  for (std::size_t i = 0; i < n; ++i) {
    rects[i] = list[i]->m_rect;
    const POINT c = list[i]->Centre();
    centres[i] = RECT{c.x, c.y, c.x, c.y};
    hasValue[i] = LeadingInt(list[i]->m_strText, values[i]) ? 1 : 0;
    sizes += std::abs(static_cast<std::int64_t>(RectWidth(rects[i]))) +
             std::abs(static_cast<std::int64_t>(RectHeight(rects[i])));
  }
  if (n > 0) {
    const std::int64_t cell = std::max<std::int64_t>(8, sizes / static_cast<std::int64_t>(n));
    std::vector<RECT> all(rects);
    all.insert(all.end(), centres.begin(), centres.end());
    const RECT extent = BoundingRect(all);
    CRectGrid areas(extent, cell, n), points(extent, cell, n);
    for (std::size_t i = 0; i < n; ++i) {
      areas.Insert(static_cast<int>(i), rects[i]);
      points.Insert(static_cast<int>(i), centres[i]);
    }
    // Beyond this distance no note counts as near.
    constexpr double kFar = 100000000.0;
    for (CPointRec* r : *this) {
      const POINT at = r->Rounded();
      int found = -1;
      areas.Query(RECT{at.x, at.y, at.x, at.y}, [&](int i) {
        if (hasValue[i] && (found < 0 || i < found) && PtInRect(rects[i], at)) found = i;
      });
      if (found >= 0) {
        r->value = static_cast<float>(values[found]);
        continue;
      }
      const std::int64_t px = TruncInt(r->x), py = TruncInt(r->y);
      int best = -1;
      double bestDist = kFar;
      points.Around(
          px, py,
          [&](int i) {
            const double dx = static_cast<double>(centres[i].left - px), dy = static_cast<double>(centres[i].top - py);
            const double d = std::sqrt(dx * dx + dy * dy);
            if (d < bestDist || (d == bestDist && best >= 0 && i < best)) {
              bestDist = d;
              best = i;
            }
          },
          [&](std::int64_t reach) { return best >= 0 && bestDist < static_cast<double>(reach); });
      if (best >= 0 && hasValue[best]) r->value = static_cast<float>(values[best]);
    }
  }
  m_nModified = 1;
  return 1;
}

// ---------------------------------------------------------------------------
// Whole-list geometry

CFRect CPtList::GetBounds() const {
  if (IsEmpty()) return CFRect();
  CFRect b(std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::lowest(),
           std::numeric_limits<float>::lowest());
  for (const CPointRec* r : *this) {
    b.left = std::min(b.left, r->x);
    b.top = std::min(b.top, r->y);
    b.right = std::max(b.right, r->x);
    b.bottom = std::max(b.bottom, r->y);
  }
  return b;
}

bool CPtList::IsInPixelRange() const {
  for (const CPointRec* r : *this)
    if (!InPixelRange(r->x) || !InPixelRange(r->y) || !std::isfinite(r->value)) return false;
  return true;
}

RECT CPtList::GetBoundsInt() const {
  if (IsEmpty()) return RECT{};
  const CFRect b = GetBounds();
  return RECT{SaturatedSum(TruncInt(b.left), -1), SaturatedSum(TruncInt(b.top), -1), SaturatedSum(TruncInt(b.right), 1),
              SaturatedSum(TruncInt(b.bottom), 1)};
}

void CPtList::FlipVertical(const RECT& extent) {
  const float sum = static_cast<float>(static_cast<std::int64_t>(extent.top) + extent.bottom);
  for (CPointRec* r : *this) r->y = sum - r->y;
  m_nModified = 1;
}

void CPtList::FlipHorizontal(const RECT& extent) {
  const float sum = static_cast<float>(static_cast<std::int64_t>(extent.left) + extent.right);
  for (CPointRec* r : *this) r->x = sum - r->x;
  m_nModified = 1;
}

void CPtList::SwapXY() {
  for (CPointRec* r : *this) std::swap(r->x, r->y);
  m_nModified = 1;
}

void CPtList::ScaleAll(double offsetX, double offsetY, double scaleX, double scaleY) {
  for (CPointRec* r : *this) {
    r->x = static_cast<float>(scaleX * (r->x - offsetX));
    r->y = static_cast<float>(scaleY * (r->y - offsetY));
  }
}

int CPtList::DrawToBitmap(CCanvas& dc, float scaleX, float scaleY, int offsetX, int offsetY) const {
  const CPen old = dc.SelectPen(CPen{PS_SOLID, 1, m_defaultColor});
  const std::int64_t h = (std::int64_t{m_nPointSize} + 1) / 2;
  for (const CPointRec* r : *this)
    DrawCross(dc, TruncInt((r->x - static_cast<float>(offsetX)) * scaleX),
              TruncInt((r->y - static_cast<float>(offsetY)) * scaleY), h);
  dc.SelectPen(old);
  return 1;
}

// ---------------------------------------------------------------------------
// Stored layout

void CPtList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << kMarker << m_fNextID << m_fIDIncrement << static_cast<std::uint16_t>(m_nAutoIncrement)
       << static_cast<std::uint16_t>(m_nPointSize) << static_cast<std::int32_t>(m_defaultColor);
    ar << static_cast<std::uint16_t>(m_pLabelFont ? kFontRecordBytes : 0);
    if (m_pLabelFont) WriteFontRecord(ar, *m_pLabelFont);
    ar << static_cast<std::int32_t>(m_labelColor);
    m_idColors.Serialize(ar);
    ar << static_cast<std::int32_t>(GetCount());
    for (const CPointRec* r : *this)
      ar << static_cast<std::uint16_t>(r->size) << r->value << static_cast<std::int32_t>(r->color)
         << static_cast<std::int32_t>(r->layer) << r->x << r->y;
    return;
  }

  // Everything is read aside and taken over only when the whole list has
  // been read, so a damaged list changes nothing.
  std::int32_t first = 0;
  ar >> first;
  const bool current = first == kMarker;
  float nextID = 0.0f, increment = 0.0f;
  if (current) {
    ar >> nextID >> increment;
  } else {
    std::int32_t inc = 0;
    ar >> inc;
    nextID = static_cast<float>(first);
    increment = static_cast<float>(inc);
  }
  std::uint16_t autoInc = 0, size = 0, fontBytes = 0;
  std::int32_t color = 0, labelColor = 0, count = 0;
  ar >> autoInc >> size >> color >> fontBytes;
  // The record is 60 bytes whatever count a damaged file gives.
  LOGFONT font;
  if (fontBytes != 0) ReadFontRecord(ar, font);
  ar >> labelColor;
  CIDColorList colors;
  colors.Serialize(ar);
  ar >> count;
  std::vector<CPointRec> recs;
  if (count > 0) {
    if (static_cast<std::uint64_t>(count) * 22 > ar.BytesLeft())
      throw CArchiveException(CArchiveException::badCount, "point list: count beyond the end of the data");
    recs.resize(static_cast<std::size_t>(count));
    for (CPointRec& r : recs) {
      std::uint16_t s = 0;
      std::int32_t c = 0, layer = 0;
      ar >> s;
      if (current) {
        ar >> r.value;
      } else {
        std::int32_t v = 0;
        ar >> v;
        r.value = static_cast<float>(v);
      }
      ar >> c >> layer >> r.x >> r.y;
      r.size = s;
      r.color = static_cast<COLORREF>(c);
      r.layer = layer;
    }
  }

  m_fNextID = nextID;
  m_fIDIncrement = increment;
  m_nAutoIncrement = autoInc;
  m_nPointSize = size;
  m_defaultColor = static_cast<COLORREF>(color);
  if (fontBytes != 0) {
    try {
      if (!m_pLabelFont) m_pLabelFont = std::make_unique<LOGFONT>();
      *m_pLabelFont = font;
    } catch (const std::bad_alloc&) {
      return;  // the rest of the list is not taken over
    }
  }
  m_labelColor = static_cast<COLORREF>(labelColor);
  m_idColors.AdoptAll(colors);
  COwningList<CPointRec> points;
  try {
    for (const CPointRec& r : recs) points.Adopt(new CPointRec(r));
  } catch (const std::bad_alloc&) {
    return;  // no point is taken over
  }
  if (!points.IsEmpty()) m_nModified = 1;
  AdoptAll(points);
}

}  // namespace qzn
