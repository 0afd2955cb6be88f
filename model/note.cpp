// Annotations: the note record, the list operations, rotated drawing, the
// stored layout, the ".nts" file, the import of positioned words and the
// DXF and SDL writers.
#include "model/note.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cmath>
#include <new>
#include <vector>

#include "model/chain_internal.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "model/ownedlist.h"
#include "model/sidefile.h"
#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_model.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CNote, CObject, 1)
QZN_IMPLEMENT_SERIAL(CNoteList, CObject, 1)

void CNote::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << m_rect.left << m_rect.top << m_rect.right << m_rect.bottom;
    ar.WriteString(m_strText);
    ar << static_cast<std::uint32_t>(static_cast<std::uint16_t>(m_nID) |
                                     (static_cast<std::uint32_t>(static_cast<std::uint16_t>(m_nAngle)) << 16));
  } else {
    RECT r;
    ar >> r.left >> r.top >> r.right >> r.bottom;
    std::string text = ar.ReadString();
    std::uint32_t word = 0;
    ar >> word;
    m_rect = r;
    m_strText = std::move(text);
    m_nID = static_cast<std::int16_t>(word & 0xFFFF);
    m_nAngle = static_cast<std::int16_t>(word >> 16);
  }
}

// ---------------------------------------------------------------------------
// Rotation

namespace {
struct Rotation {
  float cosA, sinA;
  int cx, cy;
  Rotation(const RECT& rc, int angle) {
    const float theta = static_cast<float>(-angle * 0.0175);
    cosA = std::cos(theta);
    sinA = std::sin(theta);
    cx = static_cast<int>((std::int64_t{rc.left} + rc.right) / 2);
    cy = static_cast<int>((std::int64_t{rc.top} + rc.bottom) / 2);
  }
  POINT Map(int x, int y) const {
    const float dx = static_cast<float>(std::int64_t{x} - cx), dy = static_cast<float>(std::int64_t{y} - cy);
    return POINT{TruncInt(dx * cosA - dy * sinA + static_cast<float>(cx)),
                 TruncInt(dx * sinA + dy * cosA + static_cast<float>(cy))};
  }
};
}  // namespace

POINT RotatedTextOrigin(const RECT& rc, int angle) { return Rotation(rc, angle).Map(rc.left, rc.top); }

std::array<POINT, 5> RotatedRectCorners(const RECT& rc, int angle) {
  const Rotation rot(rc, angle);
  return {rot.Map(rc.left, rc.top), rot.Map(rc.right, rc.top), rot.Map(rc.right, rc.bottom),
          rot.Map(rc.left, rc.bottom), rot.Map(rc.left, rc.top)};
}

void DrawRotatedRect(CCanvas& dc, const RECT& rc, int angle) {
  const std::array<POINT, 5> corners = RotatedRectCorners(rc, angle);
  dc.MoveTo(corners[0].x, corners[0].y);
  for (int i = 1; i < 5; ++i) dc.LineTo(corners[i].x, corners[i].y);
}

bool LeadingInt(const std::string& text, int& value) {
  std::size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  long long v = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
    v = std::min<long long>(v * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
  v = negative ? -v : v;
  value = static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
  return true;
}

// ---------------------------------------------------------------------------
// The list

CNoteList::~CNoteList() { DeleteAll(); }

CNote* CNoteList::AddNote(const RECT& rc, const std::string& text) {
  CNote* n = New(rc, text);
  if (n) m_nModified = 1;
  return n;
}

CNote* CNoteList::AppendCopy(const CNote& note) {
  CNote* n = AddNote(note.m_rect, note.m_strText);
  if (n) {
    n->m_nID = note.m_nID;
    n->m_nAngle = note.m_nAngle;
  }
  return n;
}

RECT CNoteList::RemoveAt(POSITION pos) {
  if (!pos) return RECT{};
  CNote* n = GetAt(pos);
  const RECT rc = n->m_rect;
  DeleteAt(pos);
  m_nModified = 1;
  return rc;
}

void CNoteList::DeleteAll() {
  COwningList<CNote>::DeleteAll();
  m_nModified = 0;
}

CNote* CNoteList::FindNearest(POINT p, POSITION& pos) const {
  pos = nullptr;
  double best = 99999999.0;
  CNote* found = nullptr;
  for (auto it = begin(); it != end(); ++it) {
    const POINT c = (*it)->Centre();
    const double dx = static_cast<double>(c.x) - p.x, dy = static_cast<double>(c.y) - p.y;
    const double d = dx * dx + dy * dy;
    if (d < best) {
      best = d;
      found = *it;
      pos = it.position();
    }
  }
  return found;
}

void CNoteList::DeleteInRect(const RECT& rc) {
  for (POSITION pos = GetHeadPosition(); pos;) {
    const POSITION here = pos;
    RECT common;
    if (IntersectRect(common, GetNext(pos)->m_rect, rc)) RemoveAt(here);
  }
  m_nModified = 1;
}

void CNoteList::ChangeLayer(int from, int to, int copy) {
  if (!copy) {
    for (CNote* n : *this)
      if (n->m_nID == from) n->m_nID = static_cast<std::int16_t>(to);
    return;
  }
  // Only the notes present now: copies go to the tail.
  std::int64_t count = GetCount();
  for (POSITION pos = GetHeadPosition(); pos && count > 0; --count) {
    const CNote* n = GetNext(pos);
    if (n->m_nID != from) continue;
    if (CNote* c = AppendCopy(*n)) c->m_nID = static_cast<std::int16_t>(to);
  }
}

namespace {
// Mirrors the two edges across lo + hi.
void Mirror(std::int32_t& a, std::int32_t& b, std::int32_t lo, std::int32_t hi) {
  const std::int64_t sum = static_cast<std::int64_t>(lo) + hi;
  a = static_cast<std::int32_t>(sum - a);
  b = static_cast<std::int32_t>(sum - b);
}
}  // namespace

void CNoteList::FlipVertical(const RECT& extent) {
  for (CNote* n : *this) {
    Mirror(n->m_rect.top, n->m_rect.bottom, extent.top, extent.bottom);
    NormalizeRect(n->m_rect);
  }
  m_nModified = 1;
}

void CNoteList::FlipHorizontal(const RECT& extent) {
  for (CNote* n : *this) {
    Mirror(n->m_rect.left, n->m_rect.right, extent.left, extent.right);
    NormalizeRect(n->m_rect);
  }
  m_nModified = 1;
}

void CNoteList::SwapXY() {
  for (CNote* n : *this) {
    RECT& r = n->m_rect;
    r = RECT{r.top, r.left, r.bottom, r.right};
    NormalizeRect(r);
  }
  m_nModified = 1;
}

BOOL CNoteList::IsLayerEmpty(int id) const {
  for (const CNote* n : *this)
    if (n->m_nID == id) return FALSE;
  return TRUE;
}

void CNoteList::SetLayerInRect(int id, const RECT& rc) {
  if (IsEmpty()) return;
  const bool all = IsRectEmpty(rc);
  for (CNote* n : *this) {
    RECT common;
    if (all || IntersectRect(common, n->m_rect, rc)) n->m_nID = static_cast<std::int16_t>(id);
  }
  m_nModified = 1;
}

void CNoteList::ScaleAll(double offsetX, double offsetY, double scaleX, double scaleY) {
  for (CNote* n : *this) {
    RECT& r = n->m_rect;
    r.left = TruncInt((r.left - offsetX) * scaleX);
    r.right = TruncInt((r.right - offsetX) * scaleX);
    r.top = TruncInt((r.top - offsetY) * scaleY);
    r.bottom = TruncInt((r.bottom - offsetY) * scaleY);
    NormalizeRect(r);
  }
}

// ---------------------------------------------------------------------------
// Drawing

int CNoteList::Draw(CCanvas& dc, const CViewTransform& view, const RECT& clip, int frames) const {
  if (IsEmpty()) return 1;
  const int oldMode = dc.SetBkMode(TRANSPARENT);
  const COLORREF oldColor = dc.SetTextColor(m_textColor);
  for (const CNote* n : *this) {
    RECT common;
    if (!IntersectRect(common, n->m_rect, clip)) continue;
    const RECT c = view.ImageToClient(n->m_rect);
    if (frames) DrawRotatedRect(dc, c, n->m_nAngle);
    if (n->m_strText.empty()) continue;
    const POINT at = RotatedTextOrigin(c, n->m_nAngle);
    if (m_pFont) {
      // The turn goes into a copy: the list's own font stays as stored.
      LOGFONT turned = *m_pFont;
      turned.lfEscapement = turned.lfOrientation = n->m_nAngle * 10;
      const CFont old = dc.SelectFont(MakeCanvasFont(turned));
      dc.TextOut(at.x, at.y, n->m_strText);
      dc.SelectFont(old);
    } else {
      dc.TextOut(at.x, at.y, n->m_strText);
    }
  }
  dc.SetTextColor(oldColor);
  dc.SetBkMode(oldMode);
  return 1;
}

namespace {
// Text centred across the rectangle, at its top.
void DrawCentred(CCanvas& dc, const RECT& r, const std::string& text) {
  const SIZE ext = dc.GetTextExtent(text);
  dc.TextOut(static_cast<int>((static_cast<std::int64_t>(r.left) + r.right - ext.cx) / 2), r.top, text);
}

template <class ToRect>
int DrawPlain(const CNoteList& list, CCanvas& dc, ToRect&& toRect) {
  if (list.IsEmpty()) return 1;
  const int oldMode = dc.SetBkMode(TRANSPARENT);
  const COLORREF oldColor = dc.SetTextColor(list.m_textColor);
  for (const CNote* n : list)
    if (!n->m_strText.empty()) DrawCentred(dc, toRect(n->m_rect), n->m_strText);
  dc.SetTextColor(oldColor);
  dc.SetBkMode(oldMode);
  return 1;
}

RECT ScaleRect(const RECT& r, float scaleX, float scaleY, int offsetX, int offsetY) {
  return RECT{TruncInt(static_cast<float>(r.left - offsetX) * scaleX),
              TruncInt(static_cast<float>(r.top - offsetY) * scaleY),
              TruncInt(static_cast<float>(r.right - offsetX) * scaleX),
              TruncInt(static_cast<float>(r.bottom - offsetY) * scaleY)};
}
}  // namespace

int CNoteList::DrawPrint(CCanvas& dc, const CViewTransform& view, float scaleX, float scaleY, int offsetX,
                         int offsetY) const {
  return DrawPlain(*this, dc,
                   [&](const RECT& r) { return ScaleRect(view.ImageToClient(r), scaleX, scaleY, offsetX, offsetY); });
}

int CNoteList::DrawToBitmap(CCanvas& dc, float scaleX, float scaleY, int offsetX, int offsetY) const {
  return DrawPlain(*this, dc, [&](const RECT& r) { return ScaleRect(r, scaleX, scaleY, offsetX, offsetY); });
}

// ---------------------------------------------------------------------------
// Files

int CNoteList::SaveFile(const std::string& path) {
  CTextFileWriter out;
  if (out.Open(path)) {
    out.Write(kFileHeader);
    out.Write("\n");
    for (const CNote* n : *this) {
      out.Printf("%d %d %d %d\n", n->m_rect.left, n->m_rect.top, n->m_rect.right, n->m_rect.bottom);
      out.Write(OneLineText(n->m_strText));
      out.Write("\n");
    }
    out.Write("END");
    if (out.Close()) {
      m_strFileName = path;
      return 1;
    }
  }
  AfxMessageBox(res::text::kNoteFileSaveError, MB_OK | MB_ICONSTOP);
  return 0;
}

int CNoteList::LoadFile(const std::string& path) {
  CTextFileReader in;
  if (!OpenSideFile(in, path, res::text::kNoteFileReadError, MB_ICONSTOP)) return 0;
  m_strFileName = path;
  std::string line;
  if (!in.ReadLine(line) || !IsSideFileHeader(line, kFileHeader)) {
    AfxMessageBox(res::text::kNoteFileInvalid, MB_OK | MB_ICONSTOP);
    return 0;
  }
  std::string text;
  while (in.ReadLine(line)) {
    RECT r;
    if (line.find("END") != std::string::npos ||
        ScanC(line.c_str(), "%d %d %d %d", &r.left, &r.top, &r.right, &r.bottom) != 4)
      break;
    if (!in.ReadLine(text)) break;
    if (!AddNote(r, text)) break;
  }
  return 1;
}

RECT TextBoxAt(int x, int y, const std::string& text) {
  const std::int64_t len = static_cast<std::int64_t>(Utf8ToGbk(text).size());
  return RECT{x, y, SaturatedSum(x, 5 * len), SaturatedSum(y, 20)};
}

int CNoteList::ImportText(const std::string& path, const double* cx, const double* cy) {
  CTextFileReader in;
  if (!OpenSideFile(in, path, res::text::kNoteFileReadError, MB_ICONSTOP)) return 0;
  m_strFileName = path;
  std::string line;
  while (in.ReadLine(line)) {
    // Two numbers and a word, separated by white space; other lines are no
    // words.
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < line.size() && tokens.size() < 3;) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      const std::size_t startTok = i;
      while (i < line.size() && !IsBlank(line[i])) ++i;
      if (i > startTok) tokens.emplace_back(line, startTok, i - startTok);
    }
    double x = 0.0, y = 0.0;
    if (tokens.size() < 3 || !ParseDouble(tokens[0], x) || !ParseDouble(tokens[1], y)) continue;
    const std::string& word = tokens[2];
    const int X = TruncInt(cx[0] * x + cx[1] * y + cx[3] * x * y + cx[4]);
    const int Y = TruncInt(cy[0] * x + cy[1] * y + cy[3] * x * y + cy[4]);
    if (!AddNote(TextBoxAt(X, Y, word), word)) break;
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Exchange formats

namespace {
void WriteDxfHead(CTextFileWriter& file, const CNote& n, const CLayerList& layers) {
  std::string layer;
  layers.GetLayerName(layer, n.m_nID);
  file.Write("0\nTEXT\n8\n");
  file.Write(layer);
  file.Write("\n");
}

// Position, text, height, angle in the order of the georeferenced writers.
void WriteDxfBody(CTextFileWriter& file, const CNote& n, double X, double Y, double height) {
  file.Printf("10\n%f\n20\n%f\n1\n", X, Y);
  file.Write(OneLineText(n.m_strText));
  file.Printf("\n40\n%f\n41\n1.0\n50\n%d\n7\nSTANDARD\n", height, static_cast<int>(n.m_nAngle));
}

void WriteSdlHead(CTextFileWriter& file, const CNote& n) {
  file.Write("M, \"");
  file.Write(OneLineText(n.m_strText));
  file.Write("\", \"0000\", 1\n");
}
}  // namespace

int CNoteList::WriteDxf(CTextFileWriter& file, const qzn::MapTransform& map, const CLayerList& layers) const {
  for (const CNote* n : *this) {
    // The insertion point is the (left, top) corner; the height is what the
    // rectangle's left edge spans in y.
    double X = 0.0, Y = 0.0, X2 = 0.0, Y2 = 0.0;
    if (!map.MapPixel(n->m_rect.left, n->m_rect.top, X, Y) || !map.MapPixel(n->m_rect.left, n->m_rect.bottom, X2, Y2))
      return 0;
    WriteDxfHead(file, *n, layers);
    if (map.IsGeoreferenced()) {
      WriteDxfBody(file, *n, X, Y, std::fabs(Y2 - Y));
    } else {
      // Pixel and page-unit files have always put the angle before the height.
      file.Printf("10\n%f\n20\n%f\n1\n", X, Y);
      file.Write(OneLineText(n->m_strText));
      file.Printf("\n50\n%d\n40\n%f\n41\n1.0\n7\nSTANDARD\n", static_cast<int>(n->m_nAngle), std::fabs(Y2 - Y));
    }
  }
  return 1;
}

int CNoteList::WriteSdl(CTextFileWriter& file, const qzn::MapTransform& map) const {
  for (const CNote* n : *this) {
    double X = 0.0, Y = 0.0;
    if (!map.MapPixel(n->m_rect.left, n->m_rect.top, X, Y)) return 0;
    WriteSdlHead(file, *n);
    if (map.IsPixels())
      file.Printf("%d,%d\n", n->m_rect.left, n->m_rect.top);
    else
      file.Printf("%f,%f\n", X, Y);
  }
  return 1;
}

// ---------------------------------------------------------------------------
// Stored layout

void CNoteList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<std::uint32_t>(GetCount()));
    for (const CNote* n : *this) ar.WriteObject(n);
    ar << static_cast<std::int32_t>(m_textColor);
    ar.WriteString(m_strFileName);
    ar << static_cast<std::uint16_t>(m_pFont ? kFontRecordBytes : 0);
    if (m_pFont) WriteFontRecord(ar, *m_pFont);
    return;
  }
  // Read aside: a damaged list adds no note and changes no setting.
  std::int32_t color = 0;
  std::uint16_t fontBytes = 0;
  std::string name;
  LOGFONT font;
  LoadAllOrNothing(*this, [&](COwningList<CNote>& loaded) {
    const std::uint32_t count = ar.ReadCount(2);
    for (std::uint32_t i = 0; i < count; ++i)
      if (CNote* n = ar.ReadOwnedObjectAs<CNote>()) loaded.Adopt(n);
    ar >> color;
    name = ar.ReadString();
    ar >> fontBytes;
    // The record is 60 bytes whatever count a damaged file gives.
    if (fontBytes != 0) ReadFontRecord(ar, font);
    if (fontBytes != 0 && !m_pFont) m_pFont = std::make_unique<LOGFONT>();
  });
  m_textColor = static_cast<COLORREF>(color);
  m_strFileName = std::move(name);
  if (fontBytes != 0) *m_pFont = font;
}

}  // namespace qzn
