#include "terrain/dembuilder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>
#include <utility>

#include "app/qzndoc.h"
#include "model/chainlist.h"
#include "model/helpers.h"
#include "model/ptlist.h"
#include "resources/messages_terrain.h"
#include "terrain/demindex.h"

namespace qzn {

namespace {

// Integer square root, exact for every 64-bit value.
std::int64_t ISqrt(std::int64_t v) {
  if (v <= 0) return 0;
  auto r = static_cast<std::int64_t>(std::sqrt(static_cast<double>(v)));
  while (r > 0 && r > v / r) --r;
  while ((r + 1) <= v / (r + 1)) ++r;
  return r;
}

// A coordinate as a whole pixel, or false when it is no number or so far
// off that it cannot lie in any extent.
bool ToPixel(double v, std::int64_t& out) {
  if (!std::isfinite(v) || std::fabs(v) > 4.0e15) return false;
  out = static_cast<std::int64_t>(v);  // truncation toward zero
  return true;
}

}  // namespace

CDemBuilder::CDemBuilder(const CChainList* lines, const CQznDoc* doc, int cellSize, std::string path)
    : CDemBuilder(lines, doc, cellSize, std::move(path), nullptr) {}

CDemBuilder::CDemBuilder(const CChainList* lines, const CQznDoc* doc, int cellSize, std::string path,
                         const CDemSettings* settings)
    : m_path(std::move(path)), m_nCellSize(cellSize), m_lines(lines), m_settings(settings), m_doc(doc) {
  if (doc) {
    m_left = doc->m_extent.left;
    m_top = doc->m_extent.top;
    m_right = doc->m_extent.right;
    m_bottom = doc->m_extent.bottom;
  }
}

CDemBuilder::~CDemBuilder() = default;

int CDemBuilder::Fail(std::string text) {
  m_error = std::move(text);
  return 0;
}

int CDemBuilder::WriteGrid() {
  m_error.clear();
  if (m_path.empty()) return Fail(res::text::kNoOutputName);
  if (!CollectSamples() || !InterpolateGrid()) return 0;
  SetGridHeader();
  return WriteAsciiGridFile();
}

int CDemBuilder::WriteDem() {
  m_error.clear();
  if (m_path.empty()) return Fail(res::text::kNoOutputName);
  if (!CollectSamples() || !InterpolateGrid()) return 0;
  return WriteUsgsDemFile();
}

int CDemBuilder::CollectSamples() {
  m_error.clear();
  const CPtList* points = m_doc ? &m_doc->m_points : nullptr;
  if (!m_lines && (!points || points->IsEmpty())) return Fail(res::text::kGridNoLinesOrPoints);
  if (m_nCellSize < 1) return Fail(res::text::kGridBadCellSize);

  const std::int64_t cs = m_nCellSize;
  const std::int64_t width = static_cast<std::int64_t>(m_right) - m_left;
  const std::int64_t height = static_cast<std::int64_t>(m_bottom) - m_top;
  constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();
  // Sample coordinates relative to the extent and bucket edges one cell
  // beyond it must stay ints.
  if (width < 0 || height < 0 || width + cs > kIntMax || height + cs > kIntMax ||
      static_cast<std::int64_t>(m_right) + cs > kIntMax || static_cast<std::int64_t>(m_bottom) + cs > kIntMax)
    return Fail(res::text::kGridBadExtent);

  const std::int64_t columns = width / cs + 1;
  const std::int64_t rows = height / cs + 1;
  if (columns < 2 || rows < 2) return Fail(res::text::kGridTooSmall);

  std::int64_t vertexCount = 0;
  if (m_lines)
    for (const CChain* c : *m_lines) vertexCount += c->GetCount();
  const std::int64_t pointCount = points ? points->GetCount() : 0;

  // Buckets of about kBucketFactor line vertices each (points do not count).
  const std::int64_t side = std::max<std::int64_t>(1, ISqrt(vertexCount / kBucketFactor));
  const std::int64_t bucketW = width / side;
  const std::int64_t bucketH = height / side;

  std::vector<std::int32_t> bucketOfSample;
  try {
    m_samples.clear();
    m_cells.clear();
    m_buckets.assign(static_cast<std::size_t>(side * side), CDemBucket{});
    bucketOfSample.resize(static_cast<std::size_t>(vertexCount + pointCount));
    m_cells.assign(static_cast<std::size_t>(columns * rows), kNoHeight);
  } catch (const std::bad_alloc&) {
    m_buckets.clear();
    m_cells.clear();
    return Fail(res::text::kGridNoMemory);
  }
  m_nBucketSide = static_cast<int>(side);
  m_nColumns = static_cast<int>(columns);
  m_nRows = static_cast<int>(rows);

  for (std::int64_t t = 0; t < side; ++t)
    for (std::int64_t i = 0; i < side; ++i) {
      CDemBucket& b = m_buckets[static_cast<std::size_t>(t * side + i)];
      b.left = static_cast<int>(m_left + i * bucketW);
      b.right = i == side - 1 ? static_cast<int>(m_right + cs) : static_cast<int>(b.left + bucketW);
      b.top = static_cast<int>(m_top + t * bucketH);
      b.bottom = t == side - 1 ? static_cast<int>(m_bottom + cs) : static_cast<int>(b.top + bucketH);
    }

  // The bucket whose rectangle holds the pixel, -1 for none. Buckets do not
  // overlap, so this is the first one in index order that holds it.
  auto bucketOf = [&](std::int64_t px, std::int64_t py) -> std::int32_t {
    if (px < m_left || py < m_top || px >= m_right + cs || py >= m_bottom + cs) return -1;
    const std::int64_t i = bucketW > 0 ? std::min((px - m_left) / bucketW, side - 1) : side - 1;
    const std::int64_t t = bucketH > 0 ? std::min((py - m_top) / bucketH, side - 1) : side - 1;
    return static_cast<std::int32_t>(t * side + i);
  };

  // Counting pass: line vertices in list order (rounded to the nearest
  // pixel), then points (truncated).
  std::size_t k = 0;
  auto count = [&](bool ok, std::int64_t px, std::int64_t py) {
    const std::int32_t b = ok ? bucketOf(px, py) : -1;
    bucketOfSample[k++] = b;
    if (b >= 0) ++m_buckets[static_cast<std::size_t>(b)].count;
  };
  if (m_lines)
    for (const CChain* c : *m_lines)
      for (const CFPoint& p : c->Points()) {
        std::int64_t px = 0, py = 0;
        const bool ok = ToPixel(static_cast<double>(p.x) + 0.5, px) && ToPixel(static_cast<double>(p.y) + 0.5, py);
        count(ok, px, py);
      }
  if (points)
    for (const CPointRec* r : *points) {
      std::int64_t px = 0, py = 0;
      const bool ok = ToPixel(r->x, px) && ToPixel(r->y, py);
      count(ok, px, py);
    }

  std::int64_t placed = 0;
  for (CDemBucket& b : m_buckets) {
    b.first = placed;
    placed += b.count;
    b.count = 0;
  }
  try {
    m_samples.resize(static_cast<std::size_t>(placed));
  } catch (const std::bad_alloc&) {
    return Fail(res::text::kGridNoMemory);
  }

  // Placing pass: the same walk; each sample goes to the end of its bucket's
  // run, relative to the extent's left and top edges.
  k = 0;
  auto place = [&](std::int64_t px, std::int64_t py, float z) {
    const std::int32_t b = bucketOfSample[k++];
    if (b < 0) return;
    CDemBucket& bucket = m_buckets[static_cast<std::size_t>(b)];
    m_samples[static_cast<std::size_t>(bucket.first + bucket.count++)] =
        CDemSample{static_cast<int>(px - m_left), static_cast<int>(py - m_top), z};
  };
  if (m_lines)
    for (const CChain* c : *m_lines)
      for (const CFPoint& p : c->Points()) {
        std::int64_t px = 0, py = 0;
        ToPixel(static_cast<double>(p.x) + 0.5, px);
        ToPixel(static_cast<double>(p.y) + 0.5, py);
        place(px, py, c->m_fID);
      }
  if (points)
    for (const CPointRec* r : *points) {
      std::int64_t px = 0, py = 0;
      ToPixel(r->x, px);
      ToPixel(r->y, py);
      place(px, py, r->value);
    }
  return 1;
}

float CDemBuilder::InterpolateCell(const CDemSample* samples, const std::int64_t candidates[4], int x, int y) {
  float weights = 0.0f;
  float weighted = 0.0f;
  auto note = [this](float v) {
    if (v > m_fMaximum) m_fMaximum = v;
    if (v < m_fMinimum) m_fMinimum = v;
    return v;
  };
  for (int q = 0; q < 4; ++q) {
    if (candidates[q] < 0) continue;
    const CDemSample& s = samples[candidates[q]];
    const std::int64_t dx = static_cast<std::int64_t>(s.x) - x;
    const std::int64_t dy = static_cast<std::int64_t>(s.y) - y;
    // A cell on a sample takes its height; it is a height of the grid like
    // any other, so it counts in the range.
    if (dx == 0 && dy == 0) return note(s.z);
    const float w = 1.0f / static_cast<float>(dx * dx + dy * dy);
    weights += w;
    weighted += w * s.z;
  }
  if (weights > 0.0f) return note(weighted / weights);
  return kNoHeight;
}

int CDemBuilder::InterpolateGrid() {
  m_error.clear();
  const std::int64_t cs = m_nCellSize;
  const std::int64_t width = static_cast<std::int64_t>(m_right) - m_left;
  const std::int64_t height = static_cast<std::int64_t>(m_bottom) - m_top;
  const std::int64_t bound = std::max(width, height);
  m_fMaximum = -std::numeric_limits<float>::infinity();
  m_fMinimum = std::numeric_limits<float>::infinity();

  std::unique_ptr<CDemCandidateIndex> index;
  if (m_search == Search::index) {
    try {
      index = std::make_unique<CDemCandidateIndex>(m_samples, m_nCellSize, width, height);
    } catch (const std::bad_alloc&) {
      return Fail(res::text::kGridNoMemory);
    }
  }

  const CDemSample* samples = m_samples.data();
  const auto sampleCount = static_cast<std::int64_t>(m_samples.size());
  // The candidates of the row above, and of the cell to the left, serve as
  // hints for the index's search.
  std::vector<std::int64_t> above;
  if (index) {
    try {
      above.assign(static_cast<std::size_t>(m_nColumns) * 4, -1);
    } catch (const std::bad_alloc&) {
      return Fail(res::text::kGridNoMemory);
    }
  }
  bool any = false;
  CStatusProgress progress;
  progress.SetRange(0, m_nRows);
  progress.SetStep(1);
  for (int r = 0; r < m_nRows; ++r) {
    progress.StepIt();
    const int y = static_cast<int>(r * cs);
    float* row = m_cells.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(m_nColumns);
    for (int c = 0; c < m_nColumns; ++c) {
      const int x = static_cast<int>(c * cs);
      std::int64_t cand[4] = {-1, -1, -1, -1};
      if (index) {
        std::int64_t* mine = &above[static_cast<std::size_t>(c) * 4];
        std::int64_t hints[8];
        std::copy(mine, mine + 4, hints);
        if (c > 0)
          std::copy(mine - 4, mine, hints + 4);
        else
          std::fill(hints + 4, hints + 8, -1);
        index->Find(x, y, bound, hints, 8, cand);
        std::copy(cand, cand + 4, mine);
      } else {
        // Every sample in stored order; a quadrant closes on its first
        // sample within one cell size.
        std::int64_t best[4] = {bound, bound, bound, bound};
        bool closed[4] = {false, false, false, false};
        int closedCount = 0;
        for (std::int64_t i = 0; i < sampleCount && closedCount < 4; ++i) {
          const std::int64_t dx = static_cast<std::int64_t>(samples[i].x) - x;
          const std::int64_t dy = static_cast<std::int64_t>(samples[i].y) - y;
          const int q = (dx <= 0 ? 2 : 0) + (dy <= 0 ? 1 : 0);
          if (closed[q]) continue;
          const std::int64_t d = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
          if (d < best[q] || d <= cs) {
            cand[q] = i;
            best[q] = d;
            if (d <= cs) {
              closed[q] = true;
              ++closedCount;
            }
          }
        }
      }
      row[c] = InterpolateCell(samples, cand, x, y);
      any = any || !std::isnan(row[c]);
    }
  }
  if (!any) return Fail(res::text::kGridNoHeights);
  return 1;
}

void CDemBuilder::SetGridHeader() {
  m_header.columns = m_nColumns;
  m_header.rows = m_nRows;
  m_header.lowerLeftX = static_cast<float>(m_right);
  m_header.lowerLeftY = static_cast<float>(m_bottom);
  m_header.cellSize = static_cast<float>(m_nCellSize);
  m_header.noData = kGridNoData;
}

}  // namespace qzn
