// Joining lines, snapping their ends, merging through the end-point index,
// one closed line from a selection and snapping polygons; the indexed
// operations against plain all-pairs versions on random networks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <list>
#include <random>

#include "model/chain_internal.h"
#include "model/chainlist.h"
#include "model/endpointsnapper.h"
#include "model/geometry.h"
#include "model/helpers.h"
#include "model/lineindex.h"
#include "platform/host.h"
#include "tests/model/lineops_test_util.h"

using namespace qzn;

namespace {

using lineops::Add;
using lineops::SameLines;

POINT Rounded(const CFPoint& p) { return POINT{RoundPixel(p.x), RoundPixel(p.y)}; }
bool BothMarks(const CChain* c) { return (c->m_nWidth & CChain::kSnapMarks) == CChain::kSnapMarks; }

void CopyList(const CChainList& from, CChainList& to) {
  for (const CChain* c : from) {
    CChain* d = to.NewChain();
    d->CopyFrom(c);
    d->m_nWidth = c->m_nWidth;
  }
}

// ---- plain versions: every line against every other, as the rules read

void PlainJoinLines(CChainList& list, int t, int parameter) {
  for (POSITION pos = list.GetHeadPosition(); pos;) {
    POSITION at = pos;
    CChain* s = list.GetNext(pos);
    if (!s || s->GetCount() < 2 || s->IsClosed(t)) continue;
    for (int end = 0; end < 2; ++end) {
      const POINT e = Rounded(end == 0 ? s->m_points.front() : s->m_points.back());
      const RECT sq{e.x - t, e.y - t, e.x + t, e.y + t};
      CChain* cand = nullptr;
      int found = 0;
      for (CChain* c : list) {
        if (!c || c == s || c->GetCount() <= 1) continue;
        if (TruncInt(c->m_fID) != TruncInt(s->m_fID) || c->m_nLayer != s->m_nLayer) continue;
        if (PtInRect(sq, Rounded(c->m_points.front())) || PtInRect(sq, Rounded(c->m_points.back()))) {
          ++found;
          cand = c;
        }
      }
      if (found != 1 || cand->IsClosed(t)) continue;
      const int pairing = cand->CanJoinSmoothly(s, t * t, static_cast<float>(parameter));
      if (!pairing) continue;
      cand->JoinChain(s, pairing);
      list.RemoveAt(at);
      break;
    }
  }
}

void PlainSnapEndPoints(CChainList& list, float a) {
  std::list<CChain*> waiting(list.begin(), list.end());
  list.DetachAll();
  std::vector<CChain*> done;
  while (!waiting.empty()) {
    CChain* p = waiting.front();
    waiting.pop_front();
    if (!p) continue;
    if (p->GetCount() < 2) {
      delete p;
      continue;
    }
    done.push_back(p);
    if (BothMarks(p) || p->IsClosed(TruncInt(a))) continue;
    for (int end = 0; end < 2; ++end) {
      const CFPoint q = end == 0 ? p->m_points.front() : p->m_points.back();
      const RECT sq{TruncInt(q.x - a), TruncInt(q.y - a), TruncInt(a + q.x), TruncInt(a + q.y)};
      CChainList candidates;
      for (auto it = waiting.begin(); it != waiting.end();) {
        CChain* c = *it;
        if (!c) {
          ++it;
          continue;
        }
        if (c->GetCount() < 2 || c->IsClosed(0) || BothMarks(c)) {
          done.push_back(c);
          it = waiting.erase(it);
          continue;
        }
        if (PtInRect(sq, Rounded(c->m_points.front())) || PtInRect(sq, Rounded(c->m_points.back())))
          candidates.Adopt(c);
        ++it;
      }
      candidates.SnapEndsToPoint(q, a);
      candidates.DetachAll();
    }
  }
  for (CChain* c : done) list.Adopt(c);
  list.ClearMarks();
}

void PlainSnapPolygons(CChainList& list, int tolerance) {
  std::vector<CChain*> closed;
  for (CChain* c : list)
    if (c && c->IsClosed(0)) closed.push_back(c);
  for (std::size_t i = 0; i < closed.size(); ++i)
    for (std::size_t j = i + 1; j < closed.size(); ++j) closed[j]->SnapToChain(closed[i], tolerance);
}

// ---- joining pairs

TEST(JoinLines, SquareEdgesAreLeftInsideRightAndBottomOutside) {
  // The end of s is at (10, 10), tolerance 3: an end exactly 3 to the left
  // or above lies in its square, one exactly 3 to the right or below does
  // not, so s has one candidate (a) and joins it; b stays as it was.
  struct Case {
    CFPoint a, b;
  };
  const Case cases[] = {{{7, 10}, {13, 10}}, {{10, 7}, {10, 13}}};
  for (const Case& k : cases) {
    CChainList list;
    Add(list, {{0, 10}, {10, 10}});
    const CFPoint aFar(k.a.x - 10, k.a.y - 20), bFar(k.b.x + 10, k.b.y + 20);
    Add(list, {k.a, aFar});
    Add(list, {k.b, bFar});
    list.m_nModified = 0;
    list.JoinLines(3, 7);  // any angle
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.m_nModified, 1);
    bool joined = false, bAlone = false;
    for (const CChain* c : list) {
      joined |= c->GetCount() == 4 && c->HasVertex(aFar) && c->HasVertex(CFPoint(0, 10));
      bAlone |= c->m_points == std::vector<CFPoint>{k.b, bFar};
    }
    EXPECT_TRUE(joined);
    EXPECT_TRUE(bAlone);
  }
}

TEST(JoinLines, TwoCandidatesAtOneEndTryTheOtherEnd) {
  CChainList list;
  Add(list, {{0, 0}, {10, 0}});  // s: first end crowded, last end free of others
  Add(list, {{0, 1}, {0, 20}});  // two candidates around (0, 0)
  Add(list, {{1, -1}, {1, -20}});
  Add(list, {{11, 0}, {30, 0}});  // one candidate around (10, 0), straight on
  list.JoinLines(2, 1);
  ASSERT_EQ(list.GetCount(), 3);
  const CChain* joined = list.GetTail();
  EXPECT_EQ(joined->GetCount(), 4);
  EXPECT_EQ(joined->m_points.front(), CFPoint(0, 0));
  EXPECT_EQ(joined->m_points.back(), CFPoint(30, 0));
}

TEST(JoinLines, OnlyEqualIntegerIDsAndLayersJoin) {
  CChainList list;
  Add(list, {{0, 0}, {10, 0}}, 5.2f, 1);
  Add(list, {{11, 0}, {20, 0}}, 5.9f, 1);  // same integer ID
  Add(list, {{21, 0}, {30, 0}}, 6.0f, 1);  // other ID
  Add(list, {{31, 0}, {40, 0}}, 6.0f, 2);  // other layer
  list.JoinLines(2, 1);
  EXPECT_EQ(list.GetCount(), 3);
}

TEST(JoinLines, AgreesWithThePlainVersionOnRandomNetworks) {
  std::int64_t joins = 0;
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed);
    CChainList a, b;
    lineops::RandomNetwork(a, rng, 300, 3);
    CopyList(a, b);
    const int t = static_cast<int>(seed % 4) + 1;
    const int angle = seed % 2 ? 7 : 1;
    a.JoinLines(t, angle);
    PlainJoinLines(b, t, angle);
    EXPECT_TRUE(SameLines(a, b)) << "seed " << seed;
    joins += 300 - a.GetCount();
  }
  EXPECT_GT(joins, 60) << "too few joins to tell anything";
}

// One contour broken into many pieces, listed forwards, backwards and with
// every other piece turned round: joined back into one line with the
// vertices of the plain version and bounds that fit them, both pairwise and
// through the end-point index.
TEST(JoinLines, OneContourFromManyPiecesInAnyOrder) {
  for (int order = 0; order < 3; ++order) {
    std::mt19937 rng(40 + order);
    std::uniform_real_distribution<float> step(-3.0f, 3.0f);
    std::vector<std::vector<CFPoint>> pieces;
    CFPoint at(0.0f, 0.0f);
    for (int i = 0; i < 400; ++i) {
      std::vector<CFPoint> piece{at};
      for (int k = 0; k < 3; ++k) {
        at = CFPoint(at.x + 10.0f, at.y + std::round(step(rng)));
        piece.push_back(at);
      }
      if (order == 2 && i % 2) std::reverse(piece.begin(), piece.end());
      pieces.push_back(piece);
    }
    if (order == 1) std::reverse(pieces.begin(), pieces.end());
    CChainList a, b, c;
    for (const auto& piece : pieces) {
      Add(a, piece, 7.0f)->m_nWidth = 3;
      Add(b, piece, 7.0f)->m_nWidth = 3;
      Add(c, piece, 7.0f)->m_nWidth = 3;
    }
    a.JoinLines(2, 7);
    PlainJoinLines(b, 2, 7);
    c.SnapLines(2);
    EXPECT_TRUE(SameLines(a, b)) << order;
    for (CChainList* list : {&a, &c}) {
      ASSERT_EQ(list->GetCount(), 1) << order;
      CChain* joined = list->GetHead();
      EXPECT_EQ(joined->GetCount(), 1600) << order;
      const RECT kept = joined->m_rcBounds;
      joined->CalcBounds();
      EXPECT_TRUE(kept == joined->m_rcBounds) << order;
    }
  }
}

// ---- end snapping

TEST(SnapEndPoints, EndsMoveOntoEarlierTargetsAndWidthsStay) {
  CChainList list;
  CChain* target = Add(list, {{0, 0}, {50, 0}});
  CChain* near = Add(list, {{1.5f, 1.0f}, {1.5f, 40.0f}});
  near->m_nWidth = 2;
  CChain* ring = Add(list, {{48, 1}, {60, 10}, {70, 1}, {48, 1}});  // closed: never moves
  list.SnapEndPoints(3.0f);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(near->m_points.front(), CFPoint(0, 0));
  EXPECT_EQ(near->m_nWidth, 2);
  EXPECT_EQ(ring->m_points.front(), CFPoint(48, 1));
  EXPECT_EQ(target->m_points.back(), CFPoint(50, 0));
  for (const CChain* c : list) EXPECT_EQ(c->m_nWidth & CChain::kSnapMarks, 0);
}

TEST(SnapEndPoints, AgreesWithThePlainVersionOnRandomNetworks) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 rng(seed * 7);
    CChainList a, b;
    lineops::RandomNetwork(a, rng, 300, 4);
    CopyList(a, b);
    const float t = 1.5f + static_cast<float>(seed % 4);
    const auto before = lineops::Vertices(a);
    a.SnapEndPoints(t);
    EXPECT_NE(lineops::Vertices(a), before) << "nothing snapped";
    PlainSnapEndPoints(b, t);
    EXPECT_TRUE(SameLines(a, b)) << "seed " << seed;
  }
}

// ---- merging through the end-point index

TEST(SnapLines, BrokenContourOfOneIDBecomesOneLineAtTheEnd) {
  CChainList list;
  Add(list, {{0, 0}});  // fewer than 2 vertices: keeps its place
  Add(list, {{0, 10}, {20, 10}}, 100);
  Add(list, {{41, 11}, {60, 10}}, 100);
  Add(list, {{21, 11}, {40, 10}}, 100);
  list.SnapLines(2);
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetHead()->GetCount(), 1);
  const CChain* merged = list.GetTail();
  EXPECT_EQ(merged->GetCount(), 6);
  EXPECT_EQ(merged->m_fID, 100.0f);
  EXPECT_EQ(list.m_nModified, 1);
}

TEST(SnapLines, DifferentIDsStayApartButAreReappended) {
  CChainList list;
  CChain* a = Add(list, {{0, 10}, {20, 10}}, 1);
  Add(list, {{21, 11}, {40, 10}}, 2);
  Add(list, {{41, 11}, {60, 10}}, 3);
  list.SnapLines(2);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.Find(a), nullptr);  // replaced by a copy
  for (const CChain* c : list) EXPECT_EQ(c->GetCount(), 2);
}

TEST(SnapLines, AnEndWithTwoOthersNearIsLinkedToNeither) {
  CChainList list;
  Add(list, {{0, 0}, {20, 0}});
  Add(list, {{21, 1}, {40, 20}});
  Add(list, {{21, -1}, {40, -20}});
  CEndpointSnapper snapper(&list);
  ASSERT_TRUE(snapper.BuildEndpoints());
  for (const auto& e : snapper.Entries()) EXPECT_EQ(snapper.Entries()[e.partner].lineIndex, e.lineIndex);
  ASSERT_EQ(snapper.Run(2, TRUE, TRUE), 1);
  ASSERT_EQ(list.GetCount(), 3);
  for (const CChain* c : list) EXPECT_EQ(c->GetCount(), 2);
}

// Ends beyond the int range round to its edges. An end at the lowest y must
// not find ends at the highest y of the column before, and the squares
// around such ends must not overflow.
TEST(SnapLines, EndsAtTheEdgesOfTheIntRangeStayApart) {
  for (int op = 0; op < 2; ++op) {
    CChainList list;
    Add(list, {{10.f, -3.0e9f}, {10.f, -2.9e9f}});
    Add(list, {{9.f, 3.0e9f}, {9.f, 2.9e9f}});
    Add(list, {{-3.0e9f, 0.f}, {0.f, 0.f}});
    Add(list, {{1.f, 0.f}, {3.0e9f, 0.f}});
    if (op == 0)
      list.SnapLines(5);
    else
      list.JoinLines(5, 1);
    ASSERT_EQ(list.GetCount(), 3) << op;
    for (const CChain* c : list) EXPECT_EQ(c->GetCount(), c->m_points.front().y == 0.f ? 4 : 2) << op;
  }
  // Polygons whose bounds span the whole range share one grid with small ones.
  CChainList polygons;
  Add(polygons, {{-3.0e9f, -3.0e9f}, {3.0e9f, -3.0e9f}, {3.0e9f, 3.0e9f}, {-3.0e9f, -3.0e9f}});
  Add(polygons, {{0, 0}, {10, 0}, {10, 10}, {0, 0}});
  EXPECT_EQ(polygons.SnapPolygons(3), 1);
}

// The computed spiral rank is the position in the spiral the snapper and the
// polygon builder search by, and a snap distance far beyond any image costs
// no memory.
TEST(SnapLines, SpiralRankIsThePositionInTheSpiral) {
  for (int n : {1, 3, 5, 13}) {
    std::vector<POINT> offsets;
    ASSERT_EQ(BuildSpiralOffsets(POINT{0, 0}, n, offsets), 1);
    for (std::size_t i = 0; i < offsets.size(); ++i)
      EXPECT_EQ(SpiralRank(offsets[i].x, offsets[i].y), static_cast<std::int64_t>(i)) << n << " " << i;
  }
  CChainList list;
  Add(list, {{0.f, 0.f}, {10.f, 0.f}});
  Add(list, {{5000.f, 0.f}, {6000.f, 0.f}});
  // Each end then has two others near, so nothing is linked, and nothing fails.
  list.SnapLines(2147483647);
  ASSERT_EQ(list.GetCount(), 2);
  for (const CChain* c : list) EXPECT_EQ(c->GetCount(), 2);
}

// ---- one closed line

TEST(JoinIntoOne, OneLineClosesOnlyWithinTheTolerance) {
  CChainList sel;
  Add(sel, {{0, 0}, {10, 0}, {10, 10}, {0, 10}});  // ends 10 apart
  CChain result;
  result.AddPoint(99, 99);
  EXPECT_FALSE(sel.JoinIntoOne(5, &result));
  EXPECT_EQ(result.GetCount(), 1);
  EXPECT_TRUE(sel.JoinIntoOne(11, &result));
  EXPECT_EQ(result.GetCount(), 5);
  EXPECT_TRUE(result.IsClosed(0));
}

TEST(JoinIntoOne, StrokesMergeIntoOneClosedLineAndAnEmptySelectionFails) {
  CChainList sel;
  Add(sel, {{0, 0}, {10, 0}}, 1);
  Add(sel, {{10, 11}, {0, 10}}, 2);
  Add(sel, {{11, 1}, {10, 10}}, 3);
  Add(sel, {{0, 9}, {1, 1}}, 4);
  CChain result;
  ASSERT_TRUE(sel.JoinIntoOne(3, &result));
  EXPECT_TRUE(result.IsClosed(0));
  EXPECT_EQ(result.GetCount(), 9);
  EXPECT_EQ(sel.GetCount(), 4);  // the selection itself is not touched

  CChainList empty;
  CChain r2;
  EXPECT_FALSE(empty.JoinIntoOne(3, &r2));
  EXPECT_EQ(r2.GetCount(), 0);
}

// ---- polygons

TEST(SnapPolygons, AgreesWithThePlainVersion) {
  for (unsigned seed = 1; seed <= 6; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> pos(0.0f, 400.0f), size(5.0f, 40.0f);
    CChainList a, b;
    for (int i = 0; i < 150; ++i) {
      const float x = pos(rng), y = pos(rng), w = size(rng), h = size(rng);
      Add(a, {{x, y}, {x + w, y}, {x + w, y + h}, {x, y + h}, {x, y}});
    }
    Add(a, {{0, 0}, {400, 0}});  // open lines are left alone
    CopyList(a, b);
    EXPECT_EQ(a.SnapPolygons(3), 1);
    PlainSnapPolygons(b, 3);
    EXPECT_TRUE(SameLines(a, b)) << "seed " << seed;
  }
}

}  // namespace
