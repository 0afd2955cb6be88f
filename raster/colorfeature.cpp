#include "raster/colorfeature.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "platform/archive.h"
#include "platform/textfile.h"
#include "raster/rasterimage.h"

namespace qzn {

bool CColorFeature::operator==(const CColorFeature& o) const {
  return std::memcmp(this, &o, sizeof(CColorFeature)) == 0;
}

CChannelRange ChannelRange(float mean, float sd) {
  const double m = mean, s = sd;
  CChannelRange r;
  if (!std::isfinite(m) || !std::isfinite(s)) return r;  // matches nothing
  r.low = TruncInt(m - 2.0 * s - 0.5);
  r.high = TruncInt(m + 2.0 * s + 0.5);
  return r;
}

bool MatchesColorFeature(const CColorFeature& f, int r, int g, int b) {
  const CChannelRange rr = ChannelRange(f.meanRed, f.sdRed);
  const CChannelRange gr = ChannelRange(f.meanGreen, f.sdGreen);
  const CChannelRange br = ChannelRange(f.meanBlue, f.sdBlue);
  return rr.low <= r && r <= rr.high && gr.low <= g && g <= gr.high && br.low <= b && b <= br.high;
}

std::int64_t CColorFeatureArray::Add(const CColorFeature& f) {
  m_items.push_back(f);
  return GetSize() - 1;
}

void CColorFeatureArray::RemoveAt(std::int64_t i, std::int64_t count) {
  if (i < 0 || count <= 0 || i >= GetSize()) return;
  const std::int64_t end = std::min(GetSize(), i + count);
  m_items.erase(m_items.begin() + i, m_items.begin() + end);
}

void CColorFeatureArray::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(static_cast<std::uint32_t>(m_items.size()));
    for (const CColorFeature& f : m_items)
      for (int k = 0; k < 6; ++k) ar << f.Data()[k];
    return;
  }
  const std::uint32_t n = ar.ReadCount(sizeof(CColorFeature));
  std::vector<CColorFeature> items(n);
  for (CColorFeature& f : items)
    for (int k = 0; k < 6; ++k) ar >> f.Data()[k];
  m_items.swap(items);
}

void CColorFeatureArray::SerializeTagged(CArchive& ar) {
  if (ar.IsStoring()) {
    ar << kArchiveTag;
    Serialize(ar);
    return;
  }
  std::int32_t tag = 0;
  ar >> tag;
  if (tag == kArchiveTag) Serialize(ar);
}

int CColorFeatureArray::ReadFile(const std::string& path) {
  CTextFileReader in;
  if (!in.Open(path)) return 0;
  std::string line;
  if (!in.ReadLine(line) || line.find("#QZN COLOR") == std::string::npos) return 0;
  std::vector<CColorFeature> items;
  while (in.ReadLine(line)) {
    CColorFeature f;
    float* v = f.Data();
    if (ScanC(line.c_str(), "%f%f%f%f%f%f", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]) == 6) items.push_back(f);
  }
  if (in.Error()) return 0;
  m_items.swap(items);
  return 1;
}

int CColorFeatureArray::WriteFile(const std::string& path) const {
  CTextFileWriter out;
  if (!out.Open(path)) return 0;
  out.WriteLine("#QZN COLOR FEATURE FILE");
  for (const CColorFeature& f : m_items)
    out.Printf("%f %f %f %f %f %f\n", f.meanRed, f.sdRed, f.meanGreen, f.sdGreen, f.meanBlue, f.sdBlue);
  return out.Close() ? 1 : 0;
}

int ClassifyByColorFeatures(CRasterImage& image, const RECT& rc, const CColorFeatureArray& features) {
  return ClassifyByColorFeatures(image, rc, features.Items().data(), features.GetSize());
}

int ClassifyByColorFeatures(CRasterImage& image, const RECT& rc, const CColorFeature* features, std::int64_t count) {
  if (!image.IsRGB()) return 0;
  if (count <= 0 || !features) {
    std::memset(image.GetPlane(0), 0, static_cast<std::size_t>(image.GetPlaneBytes()));
    return 1;
  }
  // One bit per feature in three 256-entry tables: bit i of red[v] is set when
  // value v lies in feature i's red range, and so on. A pixel matches when
  // the three words share a bit, so the test costs the same for any number
  // of features up to 64 (and a word more per further 64).
  const std::int64_t words = (count + 63) / 64;
  std::vector<std::uint64_t> table;
  try {
    table.assign(static_cast<std::size_t>(3 * 256 * words), 0);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  std::uint64_t* tr = table.data();
  std::uint64_t* tg = tr + 256 * words;
  std::uint64_t* tb = tg + 256 * words;
  for (std::int64_t i = 0; i < count; ++i) {
    const CColorFeature& f = features[i];
    const CChannelRange ranges[3] = {ChannelRange(f.meanRed, f.sdRed), ChannelRange(f.meanGreen, f.sdGreen),
                                     ChannelRange(f.meanBlue, f.sdBlue)};
    std::uint64_t* tabs[3] = {tr, tg, tb};
    for (int k = 0; k < 3; ++k)
      for (int v = std::max(0, ranges[k].low); v <= std::min(255, ranges[k].high); ++v)
        tabs[k][v * words + i / 64] |= std::uint64_t{1} << (i % 64);
  }
  const int left = std::max(0, rc.left), top = std::max(0, rc.top);
  const int right = std::min(image.width - 1, rc.right), bottom = std::min(image.height - 1, rc.bottom);
  for (int y = top; y <= bottom; ++y) {
    BYTE* p0 = image.GetRow(y, 0);
    const BYTE* p1 = image.GetRow(y, 1);
    const BYTE* p2 = image.GetRow(y, 2);
    for (int x = left; x <= right; ++x) {
      const std::uint64_t* a = tr + p0[x] * words;
      const std::uint64_t* b = tg + p1[x] * words;
      const std::uint64_t* c = tb + p2[x] * words;
      std::uint64_t any = 0;
      for (std::int64_t w = 0; w < words && !any; ++w) any = a[w] & b[w] & c[w];
      p0[x] = any ? 1 : 0;
    }
  }
  return 1;
}

}  // namespace qzn
