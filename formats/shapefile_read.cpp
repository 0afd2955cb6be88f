// The read side of the shapefile: points, polylines and polygons (with or
// without Z and M) of another program's file into lines or points.
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <vector>

#include "formats/dbf.h"
#include "formats/shapefile.h"
#include "model/chainlist.h"
#include "model/ptlist.h"

namespace qzn {

namespace {

std::int32_t BigEndian(const unsigned char* b) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(b[0]) << 24) | (static_cast<std::uint32_t>(b[1]) << 16) |
                                   (static_cast<std::uint32_t>(b[2]) << 8) | static_cast<std::uint32_t>(b[3]));
}

std::int32_t LittleEndian(const unsigned char* b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                   (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24));
}

double Double(const unsigned char* b) {
  std::uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
  double v = 0.0;
  std::memcpy(&v, &u, 8);
  return v;
}

bool IsPointType(int type) { return type == 1 || type == 11 || type == 21; }
bool IsLineType(int type) { return type == 3 || type == 5 || type == 13 || type == 15 || type == 23 || type == 25; }
bool HasZ(int type) { return type == 13 || type == 15; }

bool ReadBytes(std::FILE* f, unsigned char* to, std::size_t n) { return std::fread(to, 1, n, f) == n; }

}  // namespace

CShapeFile::CShapeFile(const std::string& path, CChainList& lines, CPtList& points, const CLayerLook& layer,
                       const MapTransform& toPixels)
    : m_map(toPixels), m_path(path), m_readLines(&lines), m_readPoints(&points), m_layer(layer) {}

int CShapeFile::OpenTable(const std::string& dbfPath) {
  CloseTable();
  m_table = DbfOpen(dbfPath);
  if (m_table < 0) return 0;
  m_idField = DbfFieldRef("ID");
  m_tableRecords = DbfRecordCount();
  return 1;
}

float CShapeFile::ReadID(std::int64_t record) {
  if (m_table < 0 || m_idField == kDbfNoField || record < 1 || record > m_tableRecords) return 0.0f;
  DbfSelect(m_table);
  if (DbfGoRecord(record) < 0) return 0.0f;
  const char* text = DbfFieldText(m_idField);
  double v = 0.0;
  float id = 0.0f;
  if (!text || !LeadingDouble(text, v) || !ToFloatValue(v, id)) return 0.0f;
  return id;
}

void CShapeFile::CloseTable() {
  if (m_table < 0) return;
  DbfSelect(m_table);
  DbfClose();
  m_table = -1;
  m_idField = kDbfNoField;
  m_tableRecords = 0;
}

ReadResult CShapeFile::Read() {
  if (m_path.empty() || !m_readLines || !m_readPoints) return ReadResult::cannotOpen;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(m_path.c_str(), "rbe"), &std::fclose);
  if (!file) return ReadResult::cannotOpen;
  std::error_code ec;
  const auto size = std::filesystem::file_size(m_path, ec);
  if (ec) return ReadResult::cannotOpen;
  OpenTable(FindCompanion(m_path, "dbf"));
  ReadResult result = ReadResult::damaged;
  try {
    result = ReadRecords(file.get(), static_cast<std::int64_t>(size));
  } catch (...) {
    CloseTable();
    throw;
  }
  CloseTable();
  return result;
}

ReadResult CShapeFile::ReadRecords(std::FILE* f, std::int64_t fileSize) {
  unsigned char header[100];
  if (!ReadBytes(f, header, 100) || BigEndian(header) != 9994) return ReadResult::damaged;
  m_fileLength = 2 * static_cast<std::int64_t>(BigEndian(header + 24));
  m_version = LittleEndian(header + 28);
  m_shapeType = LittleEndian(header + 32);
  // A file shorter than its header says has been cut short.
  if (m_fileLength < 100 || m_fileLength > fileSize) return ReadResult::damaged;
  const bool points = IsPointType(m_shapeType);
  if (m_shapeType == kNull) return ReadResult::ok;
  if (!points && !IsLineType(m_shapeType)) return ReadResult::damaged;

  std::vector<unsigned char> content;
  std::vector<std::int32_t> parts;
  std::int64_t offset = 100, n = 0;
  while (offset < m_fileLength) {
    unsigned char rh[8];
    if (m_fileLength - offset < 8 || !ReadBytes(f, rh, 8)) return ReadResult::damaged;
    const std::int64_t length = 2 * static_cast<std::int64_t>(BigEndian(rh + 4));
    if (length < 0 || length > m_fileLength - offset - 8) return ReadResult::damaged;
    offset += 8 + length;
    ++n;  // shape n has table row n, null shapes too
    content.resize(static_cast<std::size_t>(length));
    if (length > 0 && !ReadBytes(f, content.data(), content.size())) return ReadResult::damaged;
    if (length < 4) continue;  // no shape type: nothing to read
    const unsigned char* c = content.data();
    const int type = LittleEndian(c);
    if (type == kNull) continue;

    if (points) {
      if (!IsPointType(type) || length < 20 || (type == 11 && length < 28)) return ReadResult::damaged;
      CFPoint p;
      if (!ToPixel(m_map, Double(c + 4), Double(c + 12), p)) return ReadResult::damaged;
      float value = 0.0f;
      if (type == 11) {
        if (!ToFloatValue(Double(c + 20), value)) return ReadResult::damaged;
      } else {
        value = ReadID(n);
      }
      CPointRec* r = m_readPoints->AddNew();
      if (!r) throw std::bad_alloc();
      r->x = p.x;
      r->y = p.y;
      r->value = value;
      r->layer = m_layer.id;
      continue;
    }

    // Any other record of a line file is read with the polyline layout.
    if (length < 44) return ReadResult::damaged;
    const std::int64_t partCount = LittleEndian(c + 36), pointCount = LittleEndian(c + 40);
    if (partCount < 1 || pointCount < 1) return ReadResult::damaged;
    const std::int64_t xyAt = 44 + 4 * partCount;
    const std::int64_t zAt = xyAt + 16 * pointCount;
    if (zAt > length) return ReadResult::damaged;
    const bool z = HasZ(type);
    if (z && zAt + 16 + 8 * pointCount > length) return ReadResult::damaged;
    parts.resize(static_cast<std::size_t>(partCount));
    for (std::int64_t i = 0; i < partCount; ++i) {
      parts[static_cast<std::size_t>(i)] = LittleEndian(c + 44 + 4 * i);
      const std::int32_t start = parts[static_cast<std::size_t>(i)];
      const std::int32_t before = i == 0 ? 0 : parts[static_cast<std::size_t>(i - 1)];
      if (start < before || start > pointCount || (i == 0 && start != 0)) return ReadResult::damaged;
    }
    const float tableId = z ? 0.0f : ReadID(n);
    for (std::int64_t i = 0; i < partCount; ++i) {
      const std::int64_t from = parts[static_cast<std::size_t>(i)];
      const std::int64_t to = i + 1 < partCount ? parts[static_cast<std::size_t>(i + 1)] : pointCount;
      float id = tableId;
      // A line with Z takes the height of its first vertex as its ID.
      if (z && from < pointCount && !ToFloatValue(Double(c + zAt + 16 + 8 * from), id)) return ReadResult::damaged;
      CChain* line = m_readLines->NewChain();
      if (!line) throw std::bad_alloc();
      line->m_points.reserve(static_cast<std::size_t>(to - from));
      for (std::int64_t k = from; k < to; ++k) {
        CFPoint p;
        if (!ToPixel(m_map, Double(c + xyAt + 16 * k), Double(c + xyAt + 16 * k + 8), p)) return ReadResult::damaged;
        line->m_points.push_back(p);
      }
      line->m_fID = id;
      line->m_nLayer = m_layer.id;
      line->m_color = m_layer.color;
      line->m_nPenStyle = m_layer.penStyle;
      line->CalcBounds();
    }
  }
  return ReadResult::ok;
}

}  // namespace qzn
