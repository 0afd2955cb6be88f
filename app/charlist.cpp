// OCR character signatures: sampling a glyph box into a grid, comparing
// grids, the set with its archive record and its ".ocr" text file.
#include "app/charlist.h"

#include <algorithm>
#include <new>
#include <vector>

#include "app/qzndoc.h"
#include "model/ownedlist.h"
#include "model/sidefile.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/binarize.h"
#include "resources/messages_app.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CChar, CObject, 1)
QZN_IMPLEMENT_SERIAL(CCharList, CObject, 1)

namespace {

// Grid sizes as a set or a file gives them: both positive and the grid
// within the limit.
bool ValidGridSize(long long width, long long height) {
  return width > 0 && height > 0 && width * height <= kMaxCharGridCells;
}

}  // namespace

// ---- one signature ------------------------------------------------------------

bool CChar::AllocGrid(int width, int height) {
  m_pGrid.reset();
  m_nWidth = m_nHeight = 0;
  if (width <= 0 || height <= 0) return true;
  const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  m_pGrid.reset(new (std::nothrow) BYTE[n]());
  if (!m_pGrid) return false;
  m_nWidth = width;
  m_nHeight = height;
  return true;
}

int CChar::Sample(CQznDoc* doc, const RECT& rc, int code, int width, int height) {
  if (width != height || width <= 0 || !ValidGridSize(width, height)) return 0;
  if (!doc || !doc->m_image.HasPixels()) {
    AfxMessageBox(res::text::kOcrNeedsTraining, MB_OK | MB_ICONERROR);
    return 0;
  }
  if (!AllocGrid(width, height)) return 0;

  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  const float step = static_cast<float>(std::max(w, h)) / static_cast<float>(width);
  const int cx = rc.left + static_cast<int>(w / 2.0 + 0.5);
  const int cy = rc.top + static_cast<int>(h / 2.0 + 0.5);
  const int hx = width / 2, hy = height / 2;

  // Line ink is told by the document's threshold pair on grey images (the
  // automatic pair when the user set none), so training and recognition
  // agree whatever pixel lies in the image's corner.
  const bool bitwise = IsGreyPhotometric(doc->m_image.photometric);
  int key = 0;
  if (bitwise && doc->IsGreyImage()) {
    int low = 0, high = 0;
    if (doc->GetThreshold(low, high)) key = PackGreyRange(low, high);
  }

  for (int i = 0; i < height; ++i) {
    const int y = cy + static_cast<int>((i - hy) * step + 0.5f);
    if (y < rc.top || y > rc.bottom) continue;
    BYTE* row = m_pGrid.get() + static_cast<std::size_t>(i) * width;
    for (int j = 0; j < width; ++j) {
      const int x = cx + static_cast<int>((j - hx) * step + 0.5f);
      if (x < rc.left || x >= rc.right || y >= rc.bottom) continue;
      if (bitwise) {
        row[j] = doc->m_image.IsForeground(x, y, key) ? 1 : 0;
      } else {
        int value = 0;
        doc->GetPixelValue(x, y, value);
        row[j] = static_cast<BYTE>(value & 0xFF);
      }
    }
  }
  m_nCode = code;
  return 1;
}

float CChar::Similarity(const CChar& other) const {
  if (!HasGrid() || !other.HasGrid() || m_nWidth != other.m_nWidth || m_nHeight != other.m_nHeight) return 0.0f;
  const std::int64_t n = CellCount();
  const BYTE* a = m_pGrid.get();
  const BYTE* b = other.m_pGrid.get();
  // Branch-free, so the compiler can run it many cells at a time: a cell
  // counts when it is set in either grid, as a match when both agree.
  std::uint32_t counted = 0, match = 0;  // at most kMaxCharGridCells
  for (std::int64_t i = 0; i < n; ++i) {
    const unsigned any = (a[i] | b[i]) != 0;
    counted += any;
    match += any & static_cast<unsigned>(a[i] == b[i]);
  }
  if (counted == 0) return -1.0f;
  const std::int64_t mismatch = static_cast<std::int64_t>(counted) - match;
  return static_cast<float>(static_cast<std::int64_t>(match) - mismatch) / static_cast<float>(counted);
}

void CChar::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    const bool grid = HasGrid();
    ar << static_cast<std::uint16_t>(m_nCode) << static_cast<std::int32_t>(grid ? m_nWidth : 0)
       << static_cast<std::int32_t>(grid ? m_nHeight : 0);
    if (grid) ar.Write(m_pGrid.get(), static_cast<std::size_t>(CellCount()));
    return;
  }
  std::uint16_t code = 0;
  std::int32_t width = 0, height = 0;
  ar >> code >> width >> height;
  // A signature whose sampling failed is stored without a grid.
  const bool empty = width == 0 || height == 0;
  if (!empty && (!ValidGridSize(width, height) ||
                 static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > ar.BytesLeft()))
    throw CArchiveException(CArchiveException::badCount, "OCR signature: grid size beyond the data");
  CChar loaded;
  if (!empty) {
    if (!loaded.AllocGrid(width, height)) throw std::bad_alloc();
    ar.Read(loaded.m_pGrid.get(), static_cast<std::size_t>(loaded.CellCount()));
  }
  m_nCode = code == 0xFFFF ? -1 : code;
  m_nWidth = loaded.m_nWidth;
  m_nHeight = loaded.m_nHeight;
  m_pGrid = std::move(loaded.m_pGrid);
}

// ---- the set ----------------------------------------------------------------

CCharList::~CCharList() { DeleteAll(); }

void CCharList::TakeFrom(CCharList& other) {
  DeleteAll();
  AdoptAll(other);
  m_nModified = other.m_nModified;
  m_nGridWidth = other.m_nGridWidth;
  m_nGridHeight = other.m_nGridHeight;
  m_strFileName = std::move(other.m_strFileName);
  m_strDescription = std::move(other.m_strDescription);
  other.m_nModified = 0;
}

CChar* CCharList::AddNew() {
  CChar* c = New();
  if (c) m_nModified = 1;
  return c;
}

CChar* CCharList::AddSample(CQznDoc* doc, const RECT& rc, int code) {
  CChar* c = AddNew();
  if (!c) return nullptr;
  if (!c->Sample(doc, rc, code, m_nGridWidth, m_nGridHeight)) {
    // An unsampled signature would only ever score 0; do not keep it.
    RemoveAt(GetCount() - 1);
    return nullptr;
  }
  return c;
}

bool CCharList::RemoveAt(std::int64_t index) {
  POSITION pos = FindIndex(index);
  if (!pos) return false;
  DeleteAt(pos);
  m_nModified = 1;
  return true;
}

int CCharList::FindBest(const CChar& sample) const {
  if (!sample.HasGrid() || sample.m_nWidth != m_nGridWidth || sample.m_nHeight != m_nGridHeight) return -1;
  float best = -1.0f;
  int code = -1;
  for (const CChar* c : *this) {
    if (!c) continue;
    const float score = sample.Similarity(*c);
    if (score > best) {
      best = score;
      code = c->m_nCode;
    }
  }
  return code;
}

void CCharList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<std::uint32_t>(GetCount()));
    for (const CChar* c : *this) ar.WriteObject(c);
    ar << static_cast<std::int32_t>(m_nGridWidth) << static_cast<std::int32_t>(m_nGridHeight);
    ar.WriteString(m_strFileName);
    ar.WriteString(m_strDescription);
    m_nModified = 0;
    return;
  }
  CCharList loaded;
  const std::uint32_t count = ar.ReadCount(2);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (CChar* c = ar.ReadOwnedObjectAs<CChar>()) loaded.Adopt(c);  // a null entry carries nothing
  }
  std::int32_t width = 0, height = 0;
  ar >> width >> height;
  loaded.m_nGridWidth = width;
  loaded.m_nGridHeight = height;
  loaded.m_strFileName = ar.ReadString();
  loaded.m_strDescription = ar.ReadString();
  TakeFrom(loaded);
  m_nModified = 0;
}

// ---- the .ocr file ------------------------------------------------------------

namespace {

bool LineNumber(const std::string& line, int& value) { return ScanC(line.c_str(), "%d", &value) == 1; }

}  // namespace

int CCharList::ReadFile(const std::string& path) {
  CTextFileReader in;
  if (!OpenSideFile(in, path, res::text::kOcrFileReadError, MB_ICONERROR)) return 0;
  std::string line;
  if (!in.ReadLine(line) || line.size() > 255 || !IsSideFileHeader(line, kFileHeader)) {
    AfxMessageBox(res::text::kOcrFileInvalid, MB_OK | MB_ICONERROR);
    return 0;
  }
  // Everything is read aside: a damaged file leaves the set as it was.
  CCharList loaded;
  if (!in.ReadLine(loaded.m_strDescription)) return 0;
  int width = 0, height = 0;
  if (!in.ReadLine(line) || ScanC(line.c_str(), "%d %d", &width, &height) != 2) return 0;
  if (!ValidGridSize(width, height)) {
    AfxMessageBox(res::text::kOcrFileInvalid, MB_OK | MB_ICONERROR);
    return 0;
  }
  loaded.m_nGridWidth = width;
  loaded.m_nGridHeight = height;
  int code = 0;
  while (in.ReadLine(line) && line.find("END") == std::string::npos && LineNumber(line, code)) {
    CChar* c = loaded.AddNew();
    if (!c || !c->AllocGrid(width, height)) {
      AfxMessageBox(res::text::kOcrFileNoMemory, MB_OK | MB_ICONERROR);
      return 0;
    }
    c->m_nCode = code;
    BYTE* cell = c->m_pGrid.get();
    for (std::int64_t k = 0; k < c->CellCount(); ++k) {
      int value = 0;
      if (!in.ReadLine(line) || !LineNumber(line, value)) return 0;
      cell[k] = static_cast<BYTE>(value);
    }
  }
  if (in.Error()) {
    AfxMessageBox(res::text::kOcrFileReadError, MB_OK | MB_ICONERROR);
    return 0;
  }
  loaded.m_strFileName = path;
  TakeFrom(loaded);
  m_nModified = 0;
  return 1;
}

int CCharList::WriteFile(const std::string& path) {
  CTextFileWriter out;
  bool ok = out.Open(path);
  if (ok) {
    out.Write(kFileHeader);
    out.Write("\n");
    out.Write(m_strDescription);
    out.Write("\n");
    out.Printf("%d %d\n", m_nGridWidth, m_nGridHeight);
    std::string cells;
    for (const CChar* c : *this) {
      if (!c || !c->HasGrid()) continue;
      out.Printf("%d\n", c->m_nCode);
      cells.clear();
      const BYTE* g = c->m_pGrid.get();
      for (std::int64_t k = 0; k < c->CellCount(); ++k) {
        cells += std::to_string(static_cast<int>(g[k]));
        cells += '\n';
      }
      out.Write(cells);
    }
    out.Write("END");
    ok = out.Close();
  }
  if (!ok) {
    AfxMessageBox(res::text::kOcrFileSaveError, MB_OK | MB_ICONERROR);
    return 0;
  }
  m_strFileName = path;
  m_nModified = 0;
  return 1;
}

std::string CharCodeText(int code) {
  const auto cp = static_cast<std::uint32_t>(code);
  if (code <= 0 || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return "?";
  std::string s;
  AppendUtf8(s, cp);
  return s;
}

}  // namespace qzn
