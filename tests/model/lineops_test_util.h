// Small helpers of the line-set operation tests: building lists, comparing
// them line by line, random line sets and running a Python oracle script.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "model/chainlist.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace lineops {

inline CChain* Add(CChainList& list, const std::vector<CFPoint>& pts, float id = 0.0f, int layer = 0) {
  CChain* c = list.NewChain();
  for (const CFPoint& p : pts) c->AddPoint(p.x, p.y);
  c->m_fID = id;
  c->m_nLayer = layer;
  c->CalcBounds();
  return c;
}

inline std::vector<std::vector<CFPoint>> Vertices(const CChainList& list) {
  std::vector<std::vector<CFPoint>> out;
  for (const CChain* c : list) out.push_back(c ? c->m_points : std::vector<CFPoint>{});
  return out;
}

// Same lines in the same order: vertices, ID, layer, width word and colour.
inline ::testing::AssertionResult SameLines(const CChainList& a, const CChainList& b) {
  if (a.GetCount() != b.GetCount())
    return ::testing::AssertionFailure() << "counts " << a.GetCount() << " and " << b.GetCount();
  auto ia = a.begin();
  auto ib = b.begin();
  for (std::int64_t i = 0; ia != a.end(); ++ia, ++ib, ++i) {
    const CChain* x = *ia;
    const CChain* y = *ib;
    if (!x || !y) {
      if (x != y) return ::testing::AssertionFailure() << "line " << i << ": null in one list";
      continue;
    }
    if (!(x->m_points == y->m_points) || x->m_fID != y->m_fID || x->m_nLayer != y->m_nLayer ||
        x->m_nWidth != y->m_nWidth || x->m_color != y->m_color)
      return ::testing::AssertionFailure()
             << "line " << i << " differs (" << x->GetCount() << " and " << y->GetCount() << " vertices)";
  }
  return ::testing::AssertionSuccess();
}

// Lines whose ends lie near the nodes of a coarse lattice, so that many ends
// meet within a few pixels; a few closed lines and degenerate ones among them.
inline void RandomNetwork(CChainList& list, std::mt19937& rng, int count, int jitter, int ids = 2, int layers = 2) {
  std::uniform_int_distribution<int> node(0, 12), j(-jitter, jitter), pick(0, 99), mid(-8, 8);
  std::uniform_int_distribution<int> idd(0, ids - 1), layd(0, layers - 1);
  for (int i = 0; i < count; ++i) {
    const int kind = pick(rng);
    std::vector<CFPoint> pts;
    const float x0 = static_cast<float>(node(rng) * 20 + j(rng)), y0 = static_cast<float>(node(rng) * 20 + j(rng));
    if (kind < 3) {
      pts = {CFPoint(x0, y0)};
    } else if (kind < 8) {
      pts = {CFPoint(x0, y0), CFPoint(x0 + 15, y0), CFPoint(x0 + 15, y0 + 15), CFPoint(x0, y0)};
    } else {
      const float x1 = static_cast<float>(node(rng) * 20 + j(rng)), y1 = static_cast<float>(node(rng) * 20 + j(rng));
      pts = {CFPoint(x0, y0),
             CFPoint((x0 + x1) / 2 + static_cast<float>(mid(rng)), (y0 + y1) / 2 + static_cast<float>(mid(rng))),
             CFPoint(x1, y1)};
      if (pick(rng) < 30) pts.erase(pts.begin() + 1);
    }
    Add(list, pts, static_cast<float>(idd(rng)), layd(rng));
  }
}

// Runs a Python script with the given argument; its standard output in out.
inline int RunPython(const qzntest::TempDir& dir, const std::string& script, const std::string& arg, std::string* out) {
  const std::string file = dir.file("oracle.py");
  qzntest::WriteFileText(file, script);
  return qzntest::RunCommand(qzntest::Python() + " '" + file + "' '" + arg + "' 2>&1", out);
}

}  // namespace lineops
