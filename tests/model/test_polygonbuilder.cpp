// The polygon builder (splitting, short lines, pruning, walking), polygons
// of a layer, and line IDs from points and annotations; shapely's
// polygonize as the oracle on gap-free networks.
#include "model/polygonbuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <sstream>

#include "model/chain_internal.h"
#include "model/note.h"
#include "model/ptlist.h"
#include "tests/model/lineops_test_util.h"

using namespace qzn;

namespace {

using lineops::Add;

int Build(CChainList& in, CChainList& out, int tolerance, int keep = 0, int split = 0) {
  CPolygonBuilder b(&in, &out, tolerance, keep, 7);
  return b.Build(split);
}

std::vector<double> Areas(const CChainList& list) {
  std::vector<double> a;
  for (const CChain* c : list) a.push_back(c->GetArea());
  std::sort(a.begin(), a.end());
  return a;
}

void Square(CChainList& in, float gap = 0.0f) {
  Add(in, {{0, 0}, {10, 0}});
  Add(in, {{10, 0}, {10, 10}});
  Add(in, {{10, 10}, {0, 10}});
  Add(in, {CFPoint(0.0f, 10.0f), CFPoint(0.0f, gap)});
}

TEST(PolygonBuilder, FourLinesMeetingExactlyMakeOneSquare) {
  CChainList in, out;
  Square(in);
  ASSERT_EQ(Build(in, out, 0), 1);
  ASSERT_EQ(out.GetCount(), 1);
  const CChain* p = out.GetHead();
  EXPECT_EQ(p->GetCount(), 5);
  EXPECT_TRUE(p->IsClosed(0));
  EXPECT_DOUBLE_EQ(p->GetArea(), 100.0);
}

TEST(PolygonBuilder, GapClosesOnlyWithinTheTolerance) {
  {
    CChainList in, out;
    Square(in, 2.0f);
    ASSERT_EQ(Build(in, out, 2), 1);
    ASSERT_EQ(out.GetCount(), 1);
    EXPECT_TRUE(out.GetHead()->IsClosed(0));
  }
  {
    CChainList in, out;
    Square(in, 2.0f);
    ASSERT_EQ(Build(in, out, 1), 1);
    EXPECT_EQ(out.GetCount(), 0);
  }
  {
    CChainList in, out;
    Square(in, 2.0f);
    ASSERT_EQ(Build(in, out, 1, 1), 1);
    EXPECT_EQ(out.GetCount(), 4);  // kept unclosed
    for (const CChain* c : out) EXPECT_FALSE(c->IsClosed(0));
  }
}

TEST(PolygonBuilder, ClosedLinesAreTakenAsTheyAreAndOriented) {
  CChainList in, out;
  CChain* ring = Add(in, {{0, 0}, {0, 20}, {20, 20}, {20, 0}, {1, 0}});  // closed within 1
  ASSERT_EQ(ring->IsPositiveWinding(), 0);
  ASSERT_EQ(Build(in, out, 1), 1);
  ASSERT_EQ(out.GetCount(), 1);
  EXPECT_EQ(out.GetHead(), ring);
  EXPECT_TRUE(ring->IsClosed(0));
  EXPECT_EQ(ring->IsPositiveWinding(), 1);
}

TEST(PolygonBuilder, SpursAndShortLinesGoBeforeWalking) {
  CChainList in, out;
  Square(in);
  Add(in, {{10, 10}, {25, 25}, {30, 25}});                  // dangling spur
  Add(in, {CFPoint(50.0f, 50.0f), CFPoint(50.5f, 50.0f)});  // shorter than tolerance + 1
  ASSERT_EQ(Build(in, out, 0, 1), 1);
  ASSERT_EQ(out.GetCount(), 3);
  // The short line first, then the spur, then the polygon.
  EXPECT_EQ(out.GetHead()->GetCount(), 2);
  EXPECT_EQ(out.GetHead()->m_points.front(), CFPoint(50, 50));
  EXPECT_EQ(out.GetTail()->GetArea(), 100.0);
}

// A gap as large as an int goes: every line is shorter than it and kept
// unclosed, none of them taken for a piece of a polygon (the length bound,
// gap + 1, overflowed and kept them all).
TEST(PolygonBuilder, TheLargestGapLeavesEveryLineShorterThanIt) {
  CChainList in, out;
  Square(in);
  ASSERT_EQ(Build(in, out, INT_MAX, 1), 1);
  ASSERT_EQ(out.GetCount(), 4);
  for (const CChain* c : out) EXPECT_EQ(c->GetCount(), 2);
}

TEST(PolygonBuilder, CrossingLinesSplitAtTheExactCrossing) {
  CChainList in, out;
  Add(in, {{0, 0}, {10, 10}}, 3);
  Add(in, {{0, 10}, {10, 0}}, 4);
  CPolygonBuilder b(&in, &out, 0, 0, 0);
  EXPECT_EQ(b.SplitAtIntersections(), 1);
  EXPECT_TRUE(in.IsEmpty());
  ASSERT_EQ(out.GetCount(), 4);
  int shared = 0;
  for (const CChain* c : out) {
    EXPECT_EQ(c->GetCount(), 2);
    shared += c->HasVertex(CFPoint(5, 5));
  }
  EXPECT_EQ(shared, 4);
  EXPECT_EQ(out.GetHead()->m_fID, 3.0f);
  EXPECT_EQ(out.GetTail()->m_fID, 4.0f);
}

TEST(PolygonBuilder, AWalkThatLoopsBackGivesOnlyTheLoop) {
  // With a 3-pixel node square the walk from (29, 3) runs along its line
  // into the loop of the other two and comes back to the loop's start, not
  // to its own: only the loop is a polygon, the tail is not part of it.
  CChainList in, out;
  Add(in, {{32, 3}, {21, 17}});
  Add(in, {{33, 3}, {19, 19}});
  Add(in, {{29, 3}, {17, 18}});
  ASSERT_EQ(Build(in, out, 3), 1);
  ASSERT_EQ(out.GetCount(), 1);
  const CChain* p = out.GetHead();
  EXPECT_TRUE(p->IsClosed(0));
  EXPECT_EQ(p->GetCount(), 5);
  EXPECT_FALSE(p->HasVertex(CFPoint(29, 3)));
  EXPECT_FALSE(p->HasVertex(CFPoint(17, 18)));
}

TEST(PolygonBuilder, EmptyInputFails) {
  CChainList in, out;
  Add(out, {{0, 0}, {1, 1}});
  EXPECT_EQ(Build(in, out, 2), 0);
  EXPECT_TRUE(out.IsEmpty());
}

TEST(PolygonBuilder, SharpestTurn) {
  EXPECT_FLOAT_EQ(CPolygonBuilder::TurnAngle({0, 0}, {1, 0}, {0, 1}), static_cast<float>(std::acos(0.0)));
  EXPECT_FLOAT_EQ(CPolygonBuilder::TurnAngle({0, 0}, {1, 0}, {-1, 0}), 3.14158f);
  EXPECT_FLOAT_EQ(CPolygonBuilder::TurnAngle({0, 0}, {0, 0}, {1, 0}), 0.0f);
  // Arriving at (0, 0) from (10, 0): the way back points to +x.
  const std::vector<POINT> c = {{0, 10}, {-10, 0}, {0, -10}};
  const std::int64_t pick = CPolygonBuilder::ChooseSharpestTurn({0, 0}, {10, 0}, c);
  EXPECT_EQ(pick, 2);
  // Equal candidates: the last one wins.
  EXPECT_EQ(CPolygonBuilder::ChooseSharpestTurn({0, 0}, {10, 0}, {{0, 5}, {0, 9}}), 1);
}

// Rounds as the rule reads: all lines with a free end go together.
std::vector<std::vector<CFPoint>> PlainPrune(CChainList& in, int t) {
  std::vector<std::vector<CFPoint>> pruned;
  for (;;) {
    std::vector<POINT> ends;
    for (const CChain* c : in)
      for (const CFPoint& e : {c->m_points.front(), c->m_points.back()})
        ends.push_back(POINT{RoundPixel(e.x), RoundPixel(e.y)});
    auto count = [&](const CFPoint& e) {
      const POINT p{RoundPixel(e.x), RoundPixel(e.y)};
      int n = 0;
      for (const POINT& q : ends) n += std::abs(q.x - p.x) <= t && std::abs(q.y - p.y) <= t;
      return n;
    };
    std::vector<POSITION> free;
    for (POSITION pos = in.GetHeadPosition(); pos;) {
      POSITION at = pos;
      const CChain* c = in.GetNext(pos);
      if (count(c->m_points.front()) == 1 || count(c->m_points.back()) == 1) free.push_back(at);
    }
    if (free.empty()) return pruned;
    for (POSITION at : free) {
      pruned.push_back(in.GetAt(at)->m_points);
      in.RemoveAt(at);
    }
  }
}

TEST(PolygonBuilder, PruningAgreesWithPlainRounds) {
  for (unsigned seed = 1; seed <= 8; ++seed) {
    std::mt19937 rng(seed);
    CChainList a, b, out;
    lineops::RandomNetwork(a, rng, 250, 2, 1, 1);
    for (const CChain* c : a) lineops::Add(b, c->m_points);
    const int t = static_cast<int>(seed % 3);
    CPolygonBuilder builder(&a, &out, t, 1, 0);
    builder.PruneDanglingLines();
    const auto expected = PlainPrune(b, t);
    EXPECT_EQ(lineops::Vertices(out), expected) << "seed " << seed;
    EXPECT_EQ(lineops::Vertices(a), lineops::Vertices(b)) << "seed " << seed;
    EXPECT_GT(expected.size(), 10u);
    EXPECT_GT(b.GetCount(), 10);
  }
}

// A gap-free network with all crossings on whole pixels: a frame, full-width
// and full-height lines, 45-degree chords and a few loose spurs, no two of
// them overlapping.
void IntegerNetwork(CChainList& in, std::mt19937& rng, std::ostringstream& wkt) {
  const int w = 400, h = 300;
  std::uniform_int_distribution<int> xs(1, w - 1), ys(1, h - 1), len(5, 60), cs(-100, 100);
  auto distinct = [&](auto& dist, std::vector<int>& taken) {
    for (;;) {
      const int v = dist(rng);
      if (std::find(taken.begin(), taken.end(), v) == taken.end()) {
        taken.push_back(v);
        return v;
      }
    }
  };
  std::vector<int> takenX, takenY, takenC;
  std::vector<std::vector<CFPoint>> lines = {{{0, 0}, {w, 0}, {w, h}, {0, h}, {0, 0}}};
  for (int i = 0; i < 4; ++i) {
    const float y = static_cast<float>(distinct(ys, takenY)), x = static_cast<float>(distinct(xs, takenX));
    lines.push_back({CFPoint(0.0f, y), CFPoint(static_cast<float>(w), y)});
    lines.push_back({CFPoint(x, 0.0f), CFPoint(x, static_cast<float>(h))});
  }
  for (int i = 0; i < 3; ++i) {
    const int c = 2 * distinct(cs, takenC);  // even: crossings of chords stay on whole pixels
    const int sign = i % 2 ? 1 : -1;
    // y = sign * x + c, clipped to the frame
    std::vector<CFPoint> pts;
    for (int x = 0; x <= w; ++x) {
      const int y = sign * x + c + (sign < 0 ? h : 0);
      if (y >= 0 && y <= h) pts.push_back(CFPoint(x, y));
    }
    if (pts.size() >= 2) lines.push_back({pts.front(), pts.back()});
  }
  for (int i = 0; i < 3; ++i) {
    const float x = static_cast<float>(xs(rng)), y = static_cast<float>(distinct(ys, takenY));
    lines.push_back({CFPoint(x, y), CFPoint(std::min<float>(w, x + static_cast<float>(len(rng))), y)});
  }
  wkt << "MULTILINESTRING(";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    Add(in, lines[i]);
    wkt << (i ? "," : "") << "(";
    for (std::size_t j = 0; j < lines[i].size(); ++j) wkt << (j ? "," : "") << lines[i][j].x << " " << lines[i][j].y;
    wkt << ")";
  }
  wkt << ")";
}

TEST(PolygonBuilder, MatchesShapelyPolygonizeOnGapFreeNetworks) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"shapely"}), "shapely")
  qzntest::TempDir dir;
  const char* script = R"(
import sys
from shapely import wkt
from shapely.ops import polygonize, unary_union
for line in open(sys.argv[1]):
    polys = list(polygonize(unary_union(wkt.loads(line))))
    print(len(polys), " ".join("%.3f" % a for a in sorted(p.area for p in polys)))
)";
  std::ostringstream all;
  std::vector<std::string> ours;
  for (unsigned seed = 1; seed <= 10; ++seed) {
    std::mt19937 rng(seed);
    CChainList in, out;
    std::ostringstream wkt;
    IntegerNetwork(in, rng, wkt);
    all << wkt.str() << "\n";
    ASSERT_EQ(Build(in, out, 0, 0, 1), 1);
    std::ostringstream line;
    line << out.GetCount();
    bool first = true;
    for (double a : Areas(out)) {
      line << (first ? " " : " ") << std::fixed;
      line.precision(3);
      line << a;
      first = false;
    }
    if (out.IsEmpty()) line << " ";
    ours.push_back(line.str());
  }
  qzntest::WriteFileText(dir.file("nets.txt"), all.str());
  std::string result;
  ASSERT_EQ(lineops::RunPython(dir, script, dir.file("nets.txt"), &result), 0) << result;
  std::istringstream lines(result);
  for (const std::string& mine : ours) {
    std::string theirs;
    std::getline(lines, theirs);
    EXPECT_EQ(mine, theirs);
  }
}

// ---- polygons of a layer

TEST(CreatePolygons, TheLayerBecomesPolygonsAndTheRestFollows) {
  CChainList source, result;
  Square(source);
  for (CChain* c : source) c->m_nLayer = 2;
  CChain* other = Add(source, {{100, 100}, {120, 100}}, 0, 3);
  ASSERT_EQ(result.CreatePolygons(&source, 0.0f, FALSE, 2), 1);
  ASSERT_EQ(result.GetCount(), 2);
  EXPECT_DOUBLE_EQ(result.GetHead()->GetArea(), 100.0);
  EXPECT_EQ(result.GetTail(), other);
  EXPECT_TRUE(source.IsEmpty());
  EXPECT_EQ(result.m_nPolygonsBuilt, 1);
}

TEST(CreatePolygons, AFailedBuildLeavesTheSourceAsItWas) {
  CChainList source, result;
  Add(source, {{0, 0}, {10, 0}}, 0, 1);
  EXPECT_EQ(result.CreatePolygons(&source, 1.0f, FALSE, 5), 0);  // no line on layer 5
  EXPECT_EQ(source.GetCount(), 1);
  EXPECT_EQ(result.m_nPolygonsBuilt, 0);
}

// ---- IDs from points and notes

TEST(LabelPolygons, ClosedLinesTakeTheFirstPointInsideOpenOnesTheNearest) {
  CChainList list;
  CPtList pts;
  EXPECT_EQ(list.LabelPolygons(&pts, FALSE), 0);
  CChain* box = Add(list, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, 1);
  CChain* empty = Add(list, {{50, 0}, {60, 0}, {60, 10}, {50, 10}, {50, 0}}, 2);
  CChain* open = Add(list, {{0, 30}, {100, 30}}, 3);
  pts.AddPoint(70, 70, 9, 7, 0);
  pts.AddPoint(5, 5, 11, 7, 0);
  pts.AddPoint(6, 6, 12, 7, 0);
  pts.AddPoint(40, 35, 13, 7, 0);
  EXPECT_EQ(list.LabelPolygons(&pts, TRUE), 1);
  EXPECT_EQ(box->m_fID, 11.0f);
  EXPECT_EQ(empty->m_fID, 2.0f);
  EXPECT_EQ(open->m_fID, 3.0f);
  list.LabelPolygons(&pts, FALSE);
  EXPECT_EQ(open->m_fID, 13.0f);
}

TEST(LabelPolygons, AgreesWithTryingEveryPoint) {
  std::mt19937 rng(3);
  std::uniform_real_distribution<float> pos(0.0f, 2000.0f), size(3.0f, 80.0f);
  CChainList list;
  CPtList pts;
  for (int i = 0; i < 300; ++i) {
    const float x = pos(rng), y = pos(rng), s = size(rng);
    if (i % 2)
      Add(list, {{x, y}, {x + s, y}, {x + s, y + s}, {x, y}}, -1);
    else
      Add(list, {{x, y}, {x + s, y + s / 2}}, -1);
  }
  for (int i = 0; i < 500; ++i) pts.AddPoint(pos(rng), pos(rng), static_cast<float>(i), 7, 0);
  for (int i = 0; i < 20; ++i) pts.AddPoint(500, 500, static_cast<float>(1000 + i), 7, 0);  // ties
  std::vector<float> expected;
  for (const CChain* c : list) {
    float id = c->m_fID;
    if (c->IsClosed(0)) {
      for (const CPointRec* p : pts)
        if (c->PtInPolygon(CFPoint(p->x, p->y))) {
          id = p->value;
          break;
        }
    } else {
      int best = TruncInt(c->DistanceToPoint(CFPoint(pts.GetHead()->x, pts.GetHead()->y)));
      id = pts.GetHead()->value;
      for (const CPointRec* p : pts) {
        const int d = TruncInt(c->DistanceToPoint(CFPoint(p->x, p->y)));
        if (d < best) {
          best = d;
          id = p->value;
        }
      }
    }
    expected.push_back(id);
  }
  list.LabelPolygons(&pts, FALSE);
  std::vector<float> got;
  for (const CChain* c : list) got.push_back(c->m_fID);
  EXPECT_EQ(got, expected);
}

TEST(ApplyNotesAsIDs, TheFirstNumericNoteMeetingTheLineWins) {
  CChainList list;
  CChain* a = Add(list, {{0, 0}, {20, 0}}, 1);
  CChain* b = Add(list, {{100, 100}, {120, 100}}, 2);
  CNoteList notes;
  notes.AddNote(RECT{5, -5, 15, 5}, "abc");
  notes.AddNote(RECT{5, -5, 15, 5}, "12.5m");
  notes.AddNote(RECT{5, -5, 15, 5}, "99");
  list.ApplyNotesAsIDs(&notes);
  EXPECT_EQ(a->m_fID, 12.5f);
  EXPECT_EQ(b->m_fID, 2.0f);
}

}  // namespace
