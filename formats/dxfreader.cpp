#include "formats/dxfreader.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <new>
#include <vector>

#include "platform/textfile.h"

namespace qzn {

COLORREF DxfColorNumberToRgb(int number) {
  switch (number < 0 ? -number : number) {
    case 1: return RGB(255, 0, 0);
    case 2: return RGB(255, 255, 0);
    case 3: return RGB(0, 255, 0);
    case 4:
    case 5: return RGB(0, 0, 255);
    case 6: return RGB(255, 0, 255);
    case 7: return RGB(255, 255, 255);
    case 8: return RGB(127, 127, 127);
    case 9: return RGB(191, 191, 191);
    default: return RGB(0, 0, 0);
  }
}

namespace {

// The entities the reader knows by name; only some of them make elements.
enum Entity : int {
  kNone = -1,
  kLine = 0,
  kPolyline,
  kVertex,
  kText,
  kObject,
  kPoint,
  kCircle,
  kArc,
  kTrace,
  kSolid,
  kShape,
  kBlock,
  kEndBlk,
  kInsert,
  kAttDef,
  kAttrib,
  kSeqEnd,
  k3dLine,
  k3dFace,
  kDimension,
  kLwPolyline,
  kOther  // a name outside the table
};

const char* const kEntityNames[] = {"LINE",   "POLYLINE", "VERTEX", "TEXT",   "OBEJECT", "POINT",     "CIRCLE",
                                    "ARC",    "TRACE",    "SOLID",  "SHAPE",  "BLOCK",   "ENDBLK",    "INSERT",
                                    "ATTDEF", "ATTRIB",   "SEQEND", "3DLINE", "3DFACE",  "DIMENSION", "LWPOLYLINE"};

bool SameName(std::string_view a, const char* b) { return SameWordIgnoringCase(a, b); }

Entity EntityOf(std::string_view name) {
  for (int i = 0; i <= kLwPolyline; ++i)
    if (SameName(name, kEntityNames[i])) return static_cast<Entity>(i);
  return kOther;
}

enum class Group { read, end, damaged };
enum class Section { found, eofGroup, endOfFile, damaged };

}  // namespace

struct CDxfReader::Impl {
  CDxfReader& r;
  CLineReader in;
  int code = 0;
  std::string_view value;

  // The entity being collected.
  Entity entity = kNone;
  bool inVertex = false;
  std::vector<double> xs, ys, zs;  // codes 10-18, 20-28, 30-38 (of the vertices for a POLYLINE)
  std::vector<double> hx, hy, hz;  // a POLYLINE's own point
  double f40 = 0.0, f50 = 0.0, f51 = 0.0;
  long long flags = 0;
  std::string text;         // code 1, as stored
  std::string layer = "0";  // code 8, as stored

  // The layer last looked up, by its stored name.
  std::string cachedName;
  int cachedLayer = 0;
  bool cachedValid = false;

  explicit Impl(CDxfReader& reader) : r(reader) {}

  Group Next() {
    std::string_view line;
    if (!in.Next(line)) return in.Error() ? Group::damaged : Group::end;
    long long c = 0;
    if (!ParseInt(line, c) || c < INT_MIN || c > INT_MAX) return Group::damaged;
    if (!in.Next(line)) return Group::damaged;  // a code without its value
    code = static_cast<int>(c);
    value = TrimBlanks(line);
    return Group::read;
  }

  // Groups up to "0 SECTION" followed by "2 name"; "0 EOF" ends the search.
  Section FindSection(const char* name) {
    bool again = false;  // the group after a SECTION is looked at once more
    for (;;) {
      if (!again) {
        const Group g = Next();
        if (g != Group::read) return g == Group::end ? Section::endOfFile : Section::damaged;
      }
      again = false;
      if (code != 0) continue;
      if (SameName(value, "EOF")) return Section::eofGroup;
      if (!SameName(value, "SECTION")) continue;
      const Group g = Next();
      if (g != Group::read) return g == Group::end ? Section::endOfFile : Section::damaged;
      if (code == 2 && SameName(value, name)) return Section::found;
      again = true;
    }
  }

  ReadResult ReadLayerTable();
  ReadResult ReadEntities();
  void StartEntity(Entity e);
  bool Store();
  bool Build();
  int LayerOf(bool& found);
  bool AddLine(const std::vector<CFPoint>& vertices, bool close, bool hasId, double id, bool polyline);
};

CDxfReader::CDxfReader(const std::string& path, CChainList& lines, CPtList& points, CNoteList& notes,
                       CLayerList& layers, bool useLayers, const MapTransform& toPixels)
    : m_path(path),
      m_lines(lines),
      m_points(points),
      m_notes(notes),
      m_layers(layers),
      m_useLayers(useLayers),
      m_map(toPixels) {}

ReadResult CDxfReader::Read() {
  Impl impl(*this);
  if (m_path.empty() || !impl.in.Open(m_path)) return ReadResult::cannotOpen;
  if (m_useLayers) {
    const ReadResult layers = impl.ReadLayerTable();
    if (layers != ReadResult::ok) return layers;
  }
  if (!impl.in.Rewind()) return ReadResult::damaged;
  return impl.ReadEntities();
}

// The LAYER table in place of the layers. A file without a TABLES section
// keeps the layers (elements go to them by name); a TABLES section without a
// usable LAYER table (none, no count, a count of 0) turns layer handling off.
// Newer files put a handle and subclass markers between the table's name and
// its count: they are passed over.
ReadResult CDxfReader::Impl::ReadLayerTable() {
  const Section tables = FindSection("TABLES");
  if (tables == Section::damaged) return ReadResult::damaged;
  if (tables != Section::found) return ReadResult::ok;
  auto off = [&] {
    r.m_useLayers = false;
    return ReadResult::ok;
  };
  bool again = false;
  for (;;) {
    if (!again) {
      const Group g = Next();
      if (g != Group::read) return ReadResult::damaged;
    }
    again = false;
    if (code != 0) continue;
    if (SameName(value, "ENDSEC") || SameName(value, "EOF")) return off();
    if (!SameName(value, "TABLE")) continue;
    const Group g = Next();
    if (g != Group::read) return ReadResult::damaged;
    if (code == 2 && SameName(value, "LAYER")) break;
    again = true;
  }
  long long count = 0;
  for (;;) {
    const Group g = Next();
    if (g != Group::read) return ReadResult::damaged;
    if (code == 0) return off();
    if (code == 70) {
      if (!ParseInt(value, count)) return ReadResult::damaged;
      break;
    }
  }
  if (count <= 0) return off();

  CLayerList& layers = r.m_layers;
  layers.RemoveAll();
  CLayer* newest = nullptr;
  bool first = true;
  for (;;) {
    const Group g = Next();
    if (g != Group::read) return ReadResult::damaged;
    if (code == 0) {
      if (SameName(value, "ENDTAB")) break;
      if (SameName(value, "LAYER")) {
        newest = layers.AddLayer();
        if (first) newest->SetCurrent(TRUE);
      }
    } else if (code == 2 && newest) {
      newest->m_strName = GbkToUtf8(value);
    } else if (code == 62 && newest) {
      long long number = 0;
      if (!ParseInt(value, number)) return ReadResult::damaged;
      newest->m_color = DxfColorNumberToRgb(static_cast<int>(std::clamp<long long>(number, -1000, 1000)));
    }
    first = false;
  }
  // Layer "0" and exactly one current layer, whatever the table held.
  layers.MakeSound();
  r.m_layersTaken = true;
  return ReadResult::ok;
}

ReadResult CDxfReader::Impl::ReadEntities() {
  CReadProgress progress(in);
  Section s = FindSection("ENTITIES");
  for (;;) {
    if (s == Section::eofGroup) return ReadResult::ok;
    if (s != Section::found) return ReadResult::damaged;  // no EOF group: the file is cut short
    StartEntity(kNone);
    for (;;) {
      const Group g = Next();
      if (g != Group::read) return ReadResult::damaged;
      progress.Update();
      if (code > 9) {
        if (!Store()) return ReadResult::damaged;
        continue;
      }
      if (code == 1) {
        if (!inVertex) text.assign(value);
        continue;
      }
      if (code == 8) {
        if (!inVertex) layer.assign(value);
        continue;
      }
      if (code != 0) continue;
      if (SameName(value, "EOF")) return Build() ? ReadResult::ok : ReadResult::damaged;
      if (SameName(value, "ENDSEC")) {
        if (!Build()) return ReadResult::damaged;
        break;
      }
      const Entity next = EntityOf(value);
      if (entity == kPolyline && next == kVertex) {
        // The vertex's groups go to the polyline's vertex lists; its own
        // flags, widths, layer and text are the vertex's, not the line's.
        inVertex = true;
        continue;
      }
      if (!Build()) return ReadResult::damaged;
      StartEntity(next);
    }
    s = FindSection("ENTITIES");
  }
}

void CDxfReader::Impl::StartEntity(Entity e) {
  entity = e;
  inVertex = false;
  xs.clear();
  ys.clear();
  zs.clear();
  hx.clear();
  hy.clear();
  hz.clear();
  // Every entity starts from the defaults: a height, width or angle of one
  // entity never carries over to the next.
  f40 = f50 = f51 = 0.0;
  flags = 0;
  text.clear();
  layer.assign("0");
}

bool CDxfReader::Impl::Store() {
  const bool own = entity == kPolyline && !inVertex;
  auto number = [&](std::vector<double>& list) {
    double v = 0.0;
    if (!ParseDouble(value, v)) return false;
    list.push_back(v);
    return true;
  };
  if (code >= 10 && code <= 18) return number(own ? hx : xs);
  if (code >= 20 && code <= 28) return number(own ? hy : ys);
  if (code >= 30 && code <= 38) return number(own ? hz : zs);
  if (inVertex) return true;
  if (code == 40 || code == 50 || code == 51) {
    double v = 0.0;
    if (!ParseDouble(value, v)) return false;
    (code == 40 ? f40 : code == 50 ? f50 : f51) = v;
  } else if (code == 70) {
    long long v = 0;
    if (!ParseInt(value, v)) return false;
    flags = v;
  }
  return true;
}

// The layer of the element being built; found is false when the layer list
// is empty (the caller then makes one of the entity's layer name).
int CDxfReader::Impl::LayerOf(bool& found) {
  found = true;
  if (!r.m_useLayers) return 0;
  if (cachedValid && cachedName == layer) return cachedLayer;
  const CLayer* l = r.m_layers.FindLayerByName(GbkToUtf8(layer));
  if (!l) {
    CLayer* added = r.m_layers.AddLayer();
    added->m_strName = GbkToUtf8(layer);
    found = false;
    cachedValid = false;
    return added->m_nID;
  }
  cachedName = layer;
  cachedLayer = l->m_nID;
  cachedValid = true;
  return l->m_nID;
}

bool CDxfReader::Impl::AddLine(const std::vector<CFPoint>& vertices, bool close, bool hasId, double id, bool polyline) {
  float fid = 0.0f;
  if (hasId && !ToFloatValue(id, fid)) return false;
  CChain* c = r.m_lines.NewChain();
  if (!c) throw std::bad_alloc();
  c->m_points = vertices;
  if (close) c->Close();
  if (hasId) c->m_fID = fid;
  c->CalcBounds();
  bool found = true;
  c->m_nLayer = LayerOf(found);
  if (!found) c->m_color = r.m_layers.GetLayerColor(c->m_nLayer);
  // Only a polyline's group 40 is a width (its default start width); other
  // entities use it for a radius or a height.
  if (r.m_useLayers && polyline && f40 > 1.0 && f40 < 20.0) {
    c->m_nWidth = static_cast<int>(f40);
    c->CalcBounds();
  }
  return true;
}

bool CDxfReader::Impl::Build() {
  const Entity e = entity;
  entity = kNone;
  if (e != kLine && e != kPolyline && e != kLwPolyline && e != kText && e != kPoint && e != kCircle && e != kArc)
    return true;
  const std::size_t pairs = std::min(xs.size(), ys.size());
  const MapTransform& map = r.m_map;
  std::vector<CFPoint> v;
  auto add = [&](double x, double y) {
    CFPoint p;
    if (!ToPixel(map, x, y, p)) return false;
    v.push_back(p);
    return true;
  };
  switch (e) {
    case kLine:
      if (pairs < 2) return true;
      if (!add(xs[0], ys[0]) || !add(xs[1], ys[1])) return false;
      return AddLine(v, false, !zs.empty(), zs.empty() ? 0.0 : zs[0], false);
    case kPolyline:
    case kLwPolyline: {
      if (pairs < 2) return true;
      v.reserve(pairs + 1);
      for (std::size_t i = 0; i < pairs; ++i)
        if (!add(xs[i], ys[i])) return false;
      // The elevation: a 2D polyline keeps it in its own point, a 3D one
      // (flag 8) in its vertices; a light-weight polyline in group 38.
      const bool is3D = e == kPolyline && (flags & 8) != 0;
      const std::vector<double>& z = e == kPolyline && !is3D && !hz.empty() ? hz : zs;
      return AddLine(v, (flags & 1) != 0, !z.empty(), z.empty() ? 0.0 : z[0], true);
    }
    case kCircle: {
      // The square around the circle, made in file units and then converted.
      if (pairs < 1) return true;
      const double x = xs[0], y = ys[0], radius = std::fabs(f40);
      if (!add(x - radius, y - radius) || !add(x + radius, y - radius) || !add(x + radius, y + radius) ||
          !add(x - radius, y + radius) || !add(x - radius, y - radius))
        return false;
      return AddLine(v, false, !zs.empty(), zs.empty() ? 0.0 : zs[0], false);
    }
    case kArc: {
      if (pairs < 1) return true;
      const double kPi = 3.14159265358979323846;
      const double s = f50 * kPi / 180.0, t = f51 * kPi / 180.0;
      if (!add(xs[0] + f40 * std::cos(s), ys[0] + f40 * std::sin(s)) ||
          !add(xs[0] + f40 * std::cos(t), ys[0] + f40 * std::sin(t)))
        return false;
      return AddLine(v, false, !zs.empty(), zs.empty() ? 0.0 : zs[0], false);
    }
    case kPoint: {
      if (pairs < 1) return true;
      float value = 0.0f;
      if (!add(xs[0], ys[0]) || (!zs.empty() && !ToFloatValue(zs[0], value))) return false;
      CPointRec* p = r.m_points.AddPoint(v[0].x, v[0].y, value, 7, 255);
      if (!p) throw std::bad_alloc();
      bool found = true;
      p->layer = LayerOf(found);
      if (!found) p->color = r.m_layers.GetLayerColor(p->layer);
      return true;
    }
    case kText: {
      if (pairs < 1) return true;
      if (!add(xs[0], ys[0])) return false;
      const std::string utf8 = GbkToUtf8(text);
      CNote* n = r.m_notes.AddNote(TextBoxAt(RoundPixel(v[0].x), RoundPixel(v[0].y), utf8), utf8);
      if (!n) throw std::bad_alloc();
      bool found = true;
      n->m_nID = static_cast<std::int16_t>(LayerOf(found));
      return true;
    }
    default: return true;
  }
}

}  // namespace qzn
