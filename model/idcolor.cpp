#include "model/idcolor.h"

#include <algorithm>
#include <new>
#include <vector>

#include "platform/textfile.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CIDColor, CObject, 1)
QZN_IMPLEMENT_SERIAL(CIDColorList, CObject, 1)

void CIDColor::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<std::int32_t>(m_nLow) << static_cast<std::int32_t>(m_nHigh)
       << static_cast<std::uint32_t>(m_color);
  } else {
    std::int32_t lo, hi;
    std::uint32_t c;
    ar >> lo >> hi >> c;
    m_nLow = lo;
    m_nHigh = hi;
    m_color = c;
  }
}

CIDColorList::~CIDColorList() { DeleteAll(); }

COLORREF CIDColorList::GetColor(int id) const {
  for (const CIDColor* r : *this)
    if (r && r->m_nLow <= id && id <= r->m_nHigh) return r->m_color;
  return kDefaultColor;
}

void CIDColorList::SetRangeColor(int a, int b, COLORREF color) {
  const int lo = std::min(a, b), hi = std::max(a, b);
  // Older ranges are trimmed to end just outside the new one, so every ID of
  // the new range, its ends included, takes the new colour although older
  // ranges stand first in the list.
  try {
    for (POSITION pos = GetHeadPosition(); pos;) {
      CIDColor* r = GetNext(pos);
      if (!r) continue;
      const int L = r->m_nLow, H = r->m_nHigh;
      if (H < lo || L > hi) continue;
      if (lo <= L && H <= hi) {
        r->m_color = color;
      } else if (L < lo && H > hi) {
        r->m_nHigh = lo - 1;  // lo > L >= INT_MIN: no overflow
        Adopt(new CIDColor(hi + 1, H, r->m_color));
      } else if (L < lo) {
        r->m_nHigh = lo - 1;
      } else {
        r->m_nLow = hi + 1;  // H > hi: no overflow
      }
    }
    Adopt(new CIDColor(lo, hi, color));
  } catch (const std::bad_alloc&) {
  }
  m_nModified = 1;
}

CIDColor* CIDColorList::AddNew() { return New(); }

void CIDColorList::DeleteAll() {
  COwningList<CIDColor>::DeleteAll();
  m_nModified = 0;
}

namespace {
// Appends a copy of the range; std::bad_alloc when memory runs out.
void AdoptCopy(COwningList<CIDColor>& out, const CIDColor& r) {
  out.Adopt(new CIDColor(r.m_nLow, r.m_nHigh, r.m_color));
}
}  // namespace

void CIDColorList::Copy(const CIDColorList& source) {
  if (&source == this) return;
  // All or nothing: when memory runs out the table stays as it was.
  COwningList<CIDColor> copy;
  try {
    for (const CIDColor* r : source)
      if (r) AdoptCopy(copy, *r);
  } catch (const std::bad_alloc&) {
    return;
  }
  DeleteAll();
  AdoptAll(copy);
  m_nModified = 0;
}

void CIDColorList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << kTag << static_cast<std::uint32_t>(GetCount());
    for (CIDColor* r : *this) {
      CIDColor zero;
      (r ? r : &zero)->Serialize(ar);
    }
  } else {
    std::uint16_t tag = 0;
    ar >> tag;
    if (tag == kTag) {
      std::uint32_t count = 0;
      ar >> count;
      if (static_cast<std::uint64_t>(count) * 12 > ar.BytesLeft())
        throw CArchiveException(CArchiveException::badCount, "ID colour table: count beyond the end of the data");
      // Read whole before appending, so a damaged table adds nothing.
      LoadAllOrNothing(*this, [&](COwningList<CIDColor>& ranges) {
        for (std::uint32_t i = 0; i < count; ++i) {
          CIDColor* r = new CIDColor;
          ranges.Adopt(r);
          r->Serialize(ar);
        }
      });
    }
  }
  m_nModified = 0;
}

BOOL CIDColorList::SaveText(const std::string& path) {
  CTextFileWriter out;
  if (!out.Open(path)) return FALSE;
  for (const CIDColor* r : *this)
    if (r)
      out.Printf("%ld %ld %ld\n", static_cast<long>(r->m_nLow), static_cast<long>(r->m_nHigh),
                 static_cast<long>(r->m_color));
  if (!out.Close()) return FALSE;
  m_nModified = 0;
  return TRUE;
}

BOOL CIDColorList::LoadText(const std::string& path) {
  CTextFileReader in;
  if (!in.Open(path)) return FALSE;  // the table stays as it was
  std::vector<CIDColor> ranges;
  std::string line;
  while (in.ReadLine(line)) {
    long lo = 0, hi = 0, c = 0;
    if (ScanC(line.c_str(), "%ld%ld%ld", &lo, &hi, &c) != 3) break;
    auto clampInt = [](long v) { return static_cast<int>(std::clamp<long>(v, INT32_MIN, INT32_MAX)); };
    // A colour is three 8-bit components: keep the value inside 0x00FFFFFF.
    ranges.emplace_back(clampInt(lo), clampInt(hi), static_cast<COLORREF>(std::clamp<long>(c, 0, 0xFFFFFF)));
  }
  if (in.Error()) return FALSE;
  COwningList<CIDColor> table;
  try {
    for (const CIDColor& r : ranges) AdoptCopy(table, r);
  } catch (const std::bad_alloc&) {
    return FALSE;  // the table stays as it was
  }
  DeleteAll();
  AdoptAll(table);
  m_nModified = 0;
  return TRUE;
}

}  // namespace qzn
