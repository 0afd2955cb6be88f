#include "model/layer.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <unordered_set>

#include "model/chain.h"
#include "model/chain_internal.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_model.h"

namespace qzn {

QZN_IMPLEMENT_SERIAL(CLayer, CObject, 1)
QZN_IMPLEMENT_SERIAL(CLayerList, CObject, 1)

namespace {

enum class Unit { none, inch, centimetre, millimetre };

Unit DocumentUnit(const std::string& unit) {
  if (unit == kUnitInch) return Unit::inch;
  if (unit == kUnitCentimetre) return Unit::centimetre;
  return Unit::none;
}

Unit FileUnit(const std::string& word) {
  const std::string w = Upper(word);
  if (w.find("CENT") != std::string::npos) return Unit::centimetre;
  if (w.find("INCH") != std::string::npos) return Unit::inch;
  if (w.find("MM") != std::string::npos) return Unit::millimetre;
  return Unit::none;
}

static_assert(CLayer::kMaxWidth < CChain::kFirstMovedMark, "a layer's width must stay clear of the snap marks");

int WidthFrom(double w) { return std::clamp(RoundPixel(w), 1, CLayer::kMaxWidth); }

int GetUnusedIDOf(const std::vector<CLayer>& layers) {
  std::unordered_set<int> used;
  for (const CLayer& l : layers) used.insert(l.m_nID);
  int id = static_cast<int>(layers.size());
  while (used.count(id)) ++id;
  return id;
}

}  // namespace

bool LayerNamesEqual(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x < 0x80) x = static_cast<unsigned char>(std::tolower(x));
    if (y < 0x80) y = static_cast<unsigned char>(std::tolower(y));
    if (x != y) return false;
  }
  return true;
}

// ---------------------------------------------------------------- CLayer

void CLayer::Copy(const CLayer& o) {
  m_nID = o.m_nID;
  m_nFlags = o.m_nFlags;
  m_nWidth = o.m_nWidth;
  m_nFill = o.m_nFill;
  m_nPenStyle = o.m_nPenStyle;
  m_color = o.m_color;
  m_strName = o.m_strName;
}

float CLayer::GetWidth(float scale, const std::string& unit) const {
  float w = static_cast<float>(m_nWidth);
  if (DocumentUnit(unit) != Unit::none) w /= scale > 0.0f ? scale : 1.0f;
  return w;
}

void CLayer::SetWidth(float scale, float value, const std::string& unit) {
  double w = value;
  if (DocumentUnit(unit) != Unit::none) w *= scale > 0.0f ? scale : 1.0f;
  m_nWidth = WidthFrom(w);
}

bool CLayer::SetWidthConverted(float scale, float width, const std::string& fileUnit, const std::string& unit) {
  if (!std::isfinite(width)) return false;
  const double s = scale > 0.0f ? scale : 1.0;
  const Unit from = FileUnit(fileUnit), to = DocumentUnit(unit);
  double w = width;
  if (from != Unit::none && from == to)
    w = width * s;
  else if (from == Unit::centimetre && to == Unit::inch)
    w = width * s * 0.3937;
  else if (from == Unit::inch && to == Unit::centimetre)
    w = (width / 0.3937) * s;
  else if (from == Unit::millimetre && to == Unit::inch)
    w = width * s * 0.03937;
  else if (from == Unit::millimetre && to == Unit::centimetre)
    w = width * s / 10.0;
  if (!(w < kMaxWidth + 0.5)) return false;  // wider than a line can be
  m_nWidth = WidthFrom(w);
  return true;
}

void CLayer::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<std::int32_t>(m_nID) << static_cast<std::int32_t>(m_nFlags) << static_cast<std::int32_t>(m_nWidth)
       << static_cast<std::int32_t>(m_nFill) << static_cast<std::int32_t>(m_nPenStyle)
       << static_cast<std::uint32_t>(m_color);
    ar.WriteString(m_strName);
  } else {
    std::int32_t id, flags, width, fill, pen;
    std::uint32_t color;
    ar >> id >> flags >> width >> fill >> pen >> color;
    std::string name = ar.ReadString();
    // A width no layer can have (a line's width word holds its snap marks
    // above kMaxWidth) is damage, as a cut table is.
    if (width < 1 || width > kMaxWidth)
      throw CArchiveException(CArchiveException::badCount, "layer width outside 1..4095 pixels");
    m_nID = id;
    m_nFlags = flags;
    m_nWidth = width;
    m_nFill = fill;
    m_nPenStyle = pen;
    m_color = color;
    m_strName = std::move(name);
  }
}

// ---------------------------------------------------------------- CLayerList

CLayerList::CLayerList() {
  CLayer* zero = AddLayer();
  zero->m_strName = kLayerZero;
  zero->SetCurrent(TRUE);
  m_nModified = 0;
}

COLORREF CLayerList::PaletteColor(int id) {
  static const COLORREF palette[6] = {RGB(0, 255, 0),   RGB(255, 0, 0),   RGB(0, 0, 255),
                                      RGB(255, 255, 0), RGB(255, 0, 255), RGB(0, 255, 255)};
  return palette[((id % 6) + 6) % 6];
}

int CLayerList::GetUnusedID() const { return GetUnusedIDOf(m_layers); }

CLayer* CLayerList::AddLayer() {
  CLayer layer;
  layer.m_nID = GetUnusedID();
  layer.m_color = PaletteColor(layer.m_nID);
  layer.m_strName = FormatC(res::text::kLayerNameFormat, layer.m_nID);
  m_layers.push_back(layer);
  m_nModified = 1;
  return &m_layers.back();
}

void CLayerList::FixDuplicateIDs() {
  std::unordered_set<int> seen;
  for (std::size_t i = 0; i < m_layers.size(); ++i) {
    if (i > 0 && seen.count(m_layers[i].m_nID)) m_layers[i].m_nID = GetUnusedID();
    seen.insert(m_layers[i].m_nID);
  }
}

const CLayer* CLayerList::FindLayerByID(int id) const {
  if (m_layers.empty()) return nullptr;
  for (const CLayer& l : m_layers)
    if (l.m_nID == id) return &l;
  return &m_layers.front();
}

CLayer* CLayerList::FindLayerByID(int id) {
  return const_cast<CLayer*>(static_cast<const CLayerList*>(this)->FindLayerByID(id));
}

CLayer* CLayerList::FindLayerByName(const std::string& name) {
  if (m_layers.empty()) return nullptr;
  for (CLayer& l : m_layers)
    if (LayerNamesEqual(l.m_strName, name)) return &l;
  return &m_layers.front();
}

BOOL CLayerList::HasLayerName(const std::string& name) const {
  for (const CLayer& l : m_layers)
    if (LayerNamesEqual(l.m_strName, name)) return TRUE;
  return FALSE;
}

COLORREF CLayerList::GetLayerColor(int id) const {
  for (const CLayer& l : m_layers)
    if (l.m_nID == id) return l.m_color;
  return RGB(0, 255, 0);
}

void CLayerList::GetLayerName(std::string& out, int id) const {
  for (const CLayer& l : m_layers)
    if (l.m_nID == id) {
      out = l.m_strName;
      return;
    }
  out = res::text::kDefaultLayerName;
}

CLayer* CLayerList::GetCurrentLayer() {
  for (CLayer& l : m_layers)
    if (l.IsCurrent()) return &l;
  return nullptr;
}

int CLayerList::GetCurrentLayerID() const {
  for (const CLayer& l : m_layers)
    if (l.IsCurrent()) return l.m_nID;
  return 0;
}

CLayerLook CLayerList::GetCurrentLook() const {
  CLayerLook look;
  for (const CLayer& l : m_layers)
    if (l.IsCurrent()) {
      look.id = l.m_nID;
      look.color = l.m_color;
      look.penStyle = l.m_nPenStyle;
      break;
    }
  return look;
}

BOOL CLayerList::GetCurrentLayerName(std::string& out) const {
  for (const CLayer& l : m_layers)
    if (l.IsCurrent()) {
      out = l.m_strName;
      return TRUE;
    }
  return FALSE;
}

void CLayerList::SetCurrentLayer(const std::string& name) {
  if (const CLayer* cur = GetCurrentLayer()) {
    const std::string curName = cur->m_strName;
    for (CLayer& l : m_layers)
      if (LayerNamesEqual(l.m_strName, curName)) {
        l.SetCurrent(FALSE);
        break;
      }
  }
  for (CLayer& l : m_layers)
    if (LayerNamesEqual(l.m_strName, name)) {
      l.m_nFlags |= CLayer::kCurrent | CLayer::kVisible;
      break;
    }
}

int CLayerList::GetMarkedLayerIDs(std::vector<int>& ids) const {
  int n = 0;
  for (const CLayer& l : m_layers)
    if (l.IsMarked()) {
      ids.push_back(l.m_nID);
      ++n;
    }
  return n;
}

BOOL CLayerList::DeleteLayerByName(const std::string& name) {
  for (auto it = m_layers.begin(); it != m_layers.end(); ++it)
    if (LayerNamesEqual(it->m_strName, name) && !LayerNamesEqual(it->m_strName, kLayerZero) && !it->IsCurrent()) {
      m_layers.erase(it);
      m_nModified = 1;
      return TRUE;
    }
  return FALSE;
}

BOOL CLayerList::DeleteLayerByID(int id) {
  for (auto it = m_layers.begin(); it != m_layers.end(); ++it)
    if (it->m_nID == id && !LayerNamesEqual(it->m_strName, kLayerZero) && !it->IsCurrent()) {
      m_layers.erase(it);
      m_nModified = 1;
      return TRUE;
    }
  return FALSE;
}

void CLayerList::ReplaceWhiteColors() {
  for (CLayer& l : m_layers)
    if (GetRValue(l.m_color) > 250 && GetGValue(l.m_color) > 250 && GetBValue(l.m_color) > 250)
      l.m_color = PaletteColor(l.m_nID);
}

void CLayerList::MakeSound(std::vector<CLayer>& layers) {
  bool hasZero = false;
  for (const CLayer& l : layers) hasZero = hasZero || LayerNamesEqual(l.m_strName, kLayerZero);
  if (!hasZero) {
    CLayer zero;
    bool idZeroUsed = false;
    for (const CLayer& l : layers) idZeroUsed = idZeroUsed || l.m_nID == 0;
    zero.m_nID = idZeroUsed ? GetUnusedIDOf(layers) : 0;
    zero.m_color = PaletteColor(zero.m_nID);
    zero.m_strName = kLayerZero;
    layers.insert(layers.begin(), zero);
  }
  CLayer* current = nullptr;
  for (CLayer& l : layers) {
    if (!l.IsCurrent()) continue;
    if (current)
      l.SetCurrent(FALSE);
    else
      current = &l;
  }
  if (!current) {
    for (CLayer& l : layers)
      if (LayerNamesEqual(l.m_strName, kLayerZero)) {
        current = &l;
        break;
      }
  }
  current->m_nFlags |= CLayer::kCurrent | CLayer::kVisible;
}

void CLayerList::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << static_cast<std::uint32_t>(m_layers.size());
    for (CLayer& l : m_layers) l.Serialize(ar);
  } else {
    std::uint32_t count = 0;
    ar >> count;
    if (static_cast<std::uint64_t>(count) * 25 > ar.BytesLeft())
      throw CArchiveException(CArchiveException::badCount, "layer table: count beyond the end of the data");
    std::vector<CLayer> layers;
    layers.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
      CLayer l;
      l.Serialize(ar);
      layers.push_back(std::move(l));
    }
    MakeSound(layers);
    m_layers.swap(layers);
  }
  m_nModified = 0;
}

BOOL CLayerList::LoadLayerFile(const std::string& path, float scale, const std::string& unit) {
  CTextFileReader in;
  if (!in.Open(path)) {
    AfxMessageBox(res::text::kCannotOpenFileStop);
    return FALSE;
  }
  std::string line;
  if (!in.ReadLine(line)) return FALSE;
  line = Upper(line);
  char word[32] = {};
  int count = 0;
  if (line.find("LAYERS") == std::string::npos || ScanC(line.c_str(), "%31s%d", word, &count) != 2 || count < 0)
    return FALSE;

  // The file is taken whole or not at all: one that ends before the count
  // its first line gives, or has a line that does not parse, is damaged, and
  // loading what parses of it would lose layers without a word.
  CLayerList table;  // layer "0", current
  for (int i = 0; i < count; ++i) {
    if (!in.ReadLine(line)) return FALSE;
    char name[64] = {}, unitWord[32] = {};
    int r = 0, g = 0, b = 0;
    float width = 0.0f;
    if (ScanC(line.c_str(), "%63s%d%d%d%f%31s", name, &r, &g, &b, &width, unitWord) != 6) return FALSE;
    CLayer* l = table.AddLayer();
    l->m_strName = name;
    l->m_nFlags = CLayer::kVisible;
    l->m_nFill = 0;
    l->m_nPenStyle = 0;
    l->m_color = RGB(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
    if (!l->SetWidthConverted(scale, width, unitWord, unit)) return FALSE;
  }
  if (in.Error()) return FALSE;
  m_layers.swap(table.m_layers);
  m_nModified = 0;
  return TRUE;
}

}  // namespace qzn
