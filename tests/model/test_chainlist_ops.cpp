// Operations over all lines, a layer or a rectangle: clean-up, vertex edits
// with undo copies, IDs, layers, mirroring and the crossing-line selection.
#include <gtest/gtest.h>

#include <new>
#include <random>

#include "model/box.h"
#include "model/chainlist.h"
#include "platform/host.h"
#include "tests/model/lineops_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using lineops::Add;

TEST(ChainListOps, DeleteSmallDropsLinesOfFewerThanTwoVertices) {
  CChainList list;
  Add(list, {});
  Add(list, {{1, 1}});
  CChain* two = Add(list, {{0, 0}, {5, 0}});
  list.Adopt(nullptr);
  list.DeleteSmallInRect(0, 1, RECT{}, TRUE);
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetHead(), two);

  // By length: [low, high] of the summed segment lengths.
  CChainList byLength;
  Add(byLength, {{0, 0}, {3, 0}});
  CChain* keep = Add(byLength, {{0, 0}, {30, 0}});
  byLength.DeleteSmallInRect(2, 10, RECT{}, FALSE);
  ASSERT_EQ(byLength.GetCount(), 1);
  EXPECT_EQ(byLength.GetHead(), keep);
}

TEST(ChainListOps, DeleteDuplicatesKeepsTheLastCopy) {
  CChainList list;
  Add(list, {{0, 0}, {5, 5}}, 3);
  Add(list, {{0, 0}, {5, 5}}, 3)->m_color = RGB(1, 2, 3);  // colour is not compared
  CChain* last = Add(list, {{0, 0}, {5, 5}}, 3);
  Add(list, {{0, 0}, {5, 5}}, 4);  // another ID
  list.m_nModified = 0;
  EXPECT_EQ(list.DeleteDuplicates(), 2);
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetHead(), last);
  EXPECT_EQ(list.m_nModified, 0);
}

TEST(ChainListOps, DeleteDuplicatesAgreesWithComparingAllPairs) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> v(0, 3);
  CChainList list;
  for (int i = 0; i < 400; ++i) {
    CChain* c = Add(
        list,
        {CFPoint(static_cast<float>(v(rng)), 0.0f), CFPoint(static_cast<float>(v(rng)), v(rng) == 0 ? -0.0f : 0.0f)},
        static_cast<float>(v(rng) % 2), v(rng) % 2);
    if (v(rng) == 0) c->AddPoint(1, 1);
  }
  std::vector<const CChain*> expected;
  for (auto it = list.begin(); it != list.end(); ++it) {
    bool later = false;
    auto jt = it;
    for (++jt; jt != list.end() && !later; ++jt) later = (*it)->IsEqual(*jt) != 0;
    if (!later) expected.push_back(*it);
  }
  list.DeleteDuplicates();
  EXPECT_EQ(std::vector<const CChain*>(list.begin(), list.end()), expected);
}

TEST(ChainListOps, AutoAssignIDsNumbersOnlyUnlabelledLines) {
  CChainList list;
  list.m_idColors.SetRangeColor(100, 100, RGB(9, 9, 9));
  Add(list, {{0, 0}, {1, 1}}, 0);
  Add(list, {{0, 0}, {1, 1}}, 5);
  Add(list, {{0, 0}, {1, 1}}, 0);
  EXPECT_EQ(list.AutoAssignIDs(100, 10, TRUE), 2);
  std::vector<float> ids;
  for (const CChain* c : list) ids.push_back(c->m_fID);
  EXPECT_EQ(ids, (std::vector<float>{100, 5, 110}));
  EXPECT_EQ(list.GetHead()->m_color, RGB(9, 9, 9));
}

TEST(ChainListOps, ChangeLayerWithCopyAppendsTheCopies) {
  CChainList list;
  for (int i = 0; i < 3; ++i) Add(list, {CFPoint(0, 0), CFPoint(static_cast<float>(i), 1.0f)}, 0, 1);
  list.ChangeLayer(1, 2, RGB(1, 1, 1), TRUE);
  ASSERT_EQ(list.GetCount(), 6);
  int i = 0;
  for (const CChain* c : list) EXPECT_EQ(c->m_nLayer, i++ < 3 ? 1 : 2);
  list.ChangeLayer(1, 2, RGB(1, 1, 1), FALSE);
  for (const CChain* c : list) EXPECT_EQ(c->m_nLayer, 2);
}

TEST(ChainListOps, MirroringAndTransposing) {
  CChainList list;
  CChain* c = Add(list, {{3, 0}, {7, 49}});
  list.FlipVertical(RECT{0, 0, 99, 49});
  EXPECT_EQ(c->m_points, (std::vector<CFPoint>{{3, 49}, {7, 0}}));
  list.FlipHorizontal(RECT{0, 0, 99, 49});
  EXPECT_EQ(c->m_points, (std::vector<CFPoint>{{96, 49}, {92, 0}}));
  list.Transpose();
  EXPECT_EQ(c->m_points, (std::vector<CFPoint>{{49, 96}, {0, 92}}));
  EXPECT_EQ(c->m_rcBounds.left, -1);  // bounds recomputed (pen width 1)
}

TEST(ChainListOps, EraseVerticesMovesEmptiedLinesAndKeepsUndoCopies) {
  CChainList list, undo;
  CObList changed, removed;
  CChain* small = Add(list, {{10, 10}, {12, 12}});
  CChain* big = Add(list, {{0, 11}, {11, 11}, {30, 11}});
  Add(list, {{100, 100}, {110, 100}});
  EXPECT_EQ(list.EraseVerticesInRect(RECT{5, 5, 15, 15}, &undo, &changed, &removed), 2);
  ASSERT_EQ(removed.GetCount(), 1);
  EXPECT_EQ(removed.GetHead(), small);
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(big->GetCount(), 2);
  ASSERT_EQ(undo.GetCount(), 2);
  EXPECT_EQ(undo.GetHead()->GetCount(), 2);
  EXPECT_EQ(undo.GetTail()->GetCount(), 3);
  EXPECT_EQ(changed.GetCount(), 2);
  delete small;
  EXPECT_EQ(list.EraseVerticesInRect(RECT{5, 5, 15, 15}, nullptr, &changed, &removed), 0);
}

// When an undo copy cannot be made the edit is refused before any line
// changes, and a whole-list copy changes nothing: in a child process whose
// address space cannot hold a copy of the big line.
TEST(ChainListOps, UndoCopiesThatCannotBeMadeRefuseTheEdit) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "an address-space limit does not mix with AddressSanitizer's shadow memory";
#else
  auto body = [] {
    CChainList list, undo;
    CObList changed, removed;
    CChain* small = Add(list, {{10, 10}, {12, 12}});
    CChain* big = list.NewChain();
    big->m_points.assign(20000000, CFPoint(11.0f, 11.0f));  // 160 MB of vertices
    big->m_points.back() = CFPoint(500.0f, 500.0f);
    big->CalcBounds();
    if (!qzntest::LimitAddressSpace(64u << 20)) std::_Exit(3);
    try {
      CFPointArray copy(big->m_points);
      std::_Exit(8);  // the limit does not bite: the test would prove nothing
    } catch (const std::bad_alloc&) {
    }
    const RECT rc{5, 5, 15, 15};
    if (list.EraseVerticesInRect(rc, &undo, &changed, &removed) != 0) std::_Exit(4);
    if (list.InsertPointInRect(rc, &undo, &changed, &removed) != 0) std::_Exit(5);
    if (!undo.IsEmpty() || !changed.IsEmpty() || !removed.IsEmpty()) std::_Exit(6);
    if (small->GetCount() != 2 || big->GetCount() != 20000000 || list.GetCount() != 2) std::_Exit(7);
    // A whole-list copy that cannot be made leaves the target as it was.
    CChainList target;
    CChain* kept = Add(target, {{1, 1}, {2, 2}, {3, 3}});
    if (target.CopyFrom(list) != 0 || target.GetCount() != 1 || target.GetHead() != kept || kept->GetCount() != 3)
      std::_Exit(9);
    // A line copy says it failed and shows nothing; the list operation that
    // asked for it reports it and keeps no empty copy.
    CScriptedHost host;
    CHostScope scope(&host);
    CChain line;
    line.AddPoint(1, 1);
    if (line.CopyFrom(big) != 0 || line.GetCount() != 1 || !host.messages.empty()) std::_Exit(10);
    small->m_nLayer = 5;  // only the big line is copied
    list.ChangeLayer(0, 1, RGB(1, 2, 3), TRUE);
    if (list.GetCount() != 2 || big->m_nLayer != 0) std::_Exit(11);
    if (host.Texts() != std::vector<std::string>{"CopyFrom, 内存不足"}) std::_Exit(12);
    std::_Exit(0);
  };
  EXPECT_EXIT(body(), ::testing::ExitedWithCode(0), "");
#endif
}

TEST(ChainListOps, InsertPointInRect) {
  CChainList list, undo;
  CObList changed, removed;
  CChain* inside = Add(list, {{11, 11}, {12, 12}});
  CChain* across = Add(list, {{0, 10}, {30, 10}});
  EXPECT_EQ(list.InsertPointInRect(RECT{5, 5, 15, 15}, &undo, &changed, &removed), 1);
  EXPECT_EQ(removed.GetHead(), inside);
  EXPECT_EQ(changed.GetHead(), across);
  ASSERT_EQ(across->GetCount(), 3);
  EXPECT_EQ(across->GetPoint(1), CFPoint(10.25f, 10.25f));
  EXPECT_EQ(undo.GetHead()->GetCount(), 2);
  delete inside;
}

TEST(ChainListOps, MoveInsideRectAndLayers) {
  CChainList list;
  CChain* in = Add(list, {{2, 2}, {4, 4}}, 0, 3);
  CChain* across = Add(list, {{0, 5}, {50, 5}}, 0, 4);
  Add(list, {{60, 60}, {70, 70}}, 0, 3);
  CObList dest;
  EXPECT_EQ(list.MoveInsideRect(RECT{}, &dest, TRUE), 0);
  EXPECT_EQ(list.MoveInsideRect(RECT{0, 0, 10, 10}, &dest, TRUE), 1);
  EXPECT_EQ(dest.GetHead(), in);
  EXPECT_EQ(list.MoveInsideRect(RECT{0, 0, 10, 10}, &dest, FALSE), 1);
  EXPECT_EQ(dest.GetTail(), across);
  CObList layer3;
  list.MoveLayerTo(3, &layer3);
  EXPECT_EQ(layer3.GetCount(), 1);
  EXPECT_TRUE(list.IsEmpty());
  delete in;
  delete across;
  delete static_cast<CChain*>(layer3.GetHead());
}

TEST(ChainListOps, LinesInTextBlocksAndCrossMarks) {
  CChainList list;
  CChain* letter = Add(list, {{11, 11}, {14, 14}});
  Add(list, {{100, 100}, {140, 100}});
  CBoxList boxes;
  boxes.AddBox(RECT{10, 10, 20, 20}, 0);
  CObList dest;
  EXPECT_EQ(list.MoveLinesInBoxes(RECT{}, &dest, &boxes, FALSE), 1);
  EXPECT_EQ(dest.GetHead(), letter);
  EXPECT_TRUE(boxes.IsEmpty());
  delete letter;

  CBoxList marks;
  marks.AddBox(RECT{118, 96, 122, 104}, 0);
  Add(list, {{119, 99}, {121, 101}});  // inside the mark: deleted
  EXPECT_EQ(list.ShrinkCrossMarks(RECT{}, &marks), 1);
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetHead()->GetCount(), 3);
}

// Lines in text blocks against the plain rule (every box in turn over all
// lines) on random maps: the same lines move, in the same order, with null
// entries, empty boxes and a selecting rectangle.
TEST(ChainListOps, LinesInTextBlocksAgreeWithABoxByBoxWalk) {
  int movedBy[2] = {0, 0};  // bounds inside, crossing
  for (unsigned seed = 1; seed <= 8; ++seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> at(0, 400), len(1, 30), side(10, 80);
    CChainList a, b;
    for (int i = 0; i < 300; ++i) {
      const float x = static_cast<float>(at(rng)), y = static_cast<float>(at(rng));
      const std::vector<CFPoint> pts{{x, y}, {x + len(rng), y + len(rng) - 15}, {x + len(rng), y}};
      Add(a, pts);
      Add(b, pts);
      if (i % 50 == 0) {
        a.Adopt(nullptr);
        b.Adopt(nullptr);
      }
    }
    CBoxList boxesA, boxesB;
    for (int i = 0; i < 60; ++i) {
      const int x = at(rng), y = at(rng), w = i % 10 ? side(rng) : 0, h = side(rng);
      boxesA.AddBox(RECT{x, y, x + w, y + h}, 0);
      boxesB.AddBox(RECT{x, y, x + w, y + h}, 0);
    }
    const RECT select = seed % 2 ? RECT{} : RECT{0, 0, 250, 300};
    const BOOL flag = seed % 4 < 2;
    CObList movedA, movedB;
    const int n = a.MoveLinesInBoxes(select, &movedA, &boxesA, flag);
    int plain = 0;
    for (POSITION pos = boxesB.GetHeadPosition(); pos;) {
      POSITION here = pos;
      CBox* box = boxesB.GetNext(pos);
      RECT inter;
      if (!IsRectEmpty(select) && !IntersectRect(inter, box->m_rect, select)) continue;
      plain += b.MoveInsideRect(box->m_rect, &movedB, !flag);
      boxesB.RemoveAt(here);
    }
    EXPECT_EQ(n, plain) << seed;
    movedBy[flag ? 1 : 0] += n;
    EXPECT_EQ(boxesA.GetCount(), boxesB.GetCount()) << seed;
    EXPECT_TRUE(lineops::SameLines(a, b)) << seed;
    std::vector<CFPointArray> va, vb;
    for (CObject* o : movedA) va.push_back(static_cast<CChain*>(o)->m_points);
    for (CObject* o : movedB) vb.push_back(static_cast<CChain*>(o)->m_points);
    EXPECT_EQ(va, vb) << seed;
    for (CObject* o : movedA) delete static_cast<CChain*>(o);
    for (CObject* o : movedB) delete static_cast<CChain*>(o);
  }
  EXPECT_GT(movedBy[0], 20);
  EXPECT_GT(movedBy[1], 20);
}

TEST(ChainListOps, CrossingLinesAreSortedFromTheSegmentStart) {
  CChainList list;
  CChain* left = Add(list, {{10, 0}, {10, 20}});
  CChain* right = Add(list, {{30, 0}, {30, 20}});
  Add(list, {{50, 0}, {50, 5}});  // not crossed
  CChainSelection sel;
  list.CollectCrossingLines(&sel, 40, 10, 0, 10);  // right to left
  ASSERT_EQ(sel.GetCount(), 2);
  EXPECT_EQ(sel.GetHead()->chain, right);
  EXPECT_EQ(sel.GetTail()->chain, left);
  EXPECT_EQ(sel.GetHead()->key, 100);
}

struct HalvingReducer : IChainReducer {
  std::int64_t ReduceChain(CChain& c, double) override {
    c.m_points.resize(c.m_points.size() / 2 + 1);
    return c.GetCount();
  }
};

TEST(ChainListOps, SmoothReducesTheSelectedLines) {
  CChainList list;
  CChain* a = Add(list, {{0, 0}, {1, 0}, {2, 0}, {3, 0}});
  CChain* b = Add(list, {{100, 0}, {101, 0}, {102, 0}, {103, 0}});
  HalvingReducer reducer;
  list.Smooth(1.0f, RECT{0, -5, 10, 5}, reducer);
  EXPECT_EQ(a->GetCount(), 3);
  EXPECT_EQ(b->GetCount(), 4);
  list.Smooth(1.0f, RECT{}, reducer);
  EXPECT_EQ(b->GetCount(), 3);
}

}  // namespace
