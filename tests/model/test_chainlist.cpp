// The line list: ownership, new lines, picking, summaries and the stored layout.
#include "model/chainlist.h"

#include <gtest/gtest.h>

#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using qzntest::FromHex;
using qzntest::Hex;

CChain* Add(CChainList& list, std::vector<CFPoint> pts, int layer = 0) {
  CChain* c = list.NewChain();
  for (const CFPoint& p : pts) c->AddPoint(p.x, p.y);
  c->m_nLayer = layer;
  c->CalcBounds();
  return c;
}

TEST(ChainList, NewLinesTakeTheCurrentAttributes) {
  CChainList list;
  EXPECT_EQ(list.m_nTolerance, 50);
  list.m_nCurrentWidth = 3;
  list.m_fCurrentID = 105.7f;
  list.m_idColors.SetRangeColor(100, 110, RGB(255, 0, 0));
  list.m_nModified = 0;
  CChain* c = list.NewChain();
  ASSERT_TRUE(c);
  EXPECT_EQ(list.m_nModified, 1);
  EXPECT_EQ(c->m_nWidth, 3);
  EXPECT_EQ(c->m_fID, 105.7f);
  EXPECT_EQ(c->m_color, RGB(255, 0, 0));
  EXPECT_EQ(c->m_nPenStyle, 0);

  c->m_nPenStyle = 2;
  c->m_nLayer = 4;
  c->AddPoint(1, 1);
  c->CalcBounds();
  CChain* copy = list.AddCopy(c);
  EXPECT_EQ(copy->GetCount(), 0);
  EXPECT_EQ(copy->m_nPenStyle, 2);
  EXPECT_EQ(copy->m_nLayer, 4);
  EXPECT_TRUE(copy->m_rcBounds == c->m_rcBounds);
  EXPECT_EQ(list.GetCount(), 2);

  list.DeleteAll();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.m_nModified, 0);
}

TEST(ChainList, RemovingAndDetaching) {
  CChainList list;
  CChain* a = Add(list, {{0, 0}, {10, 0}});
  CChain* b = Add(list, {{0, 5}, {10, 5}});
  list.m_nModified = 0;
  EXPECT_TRUE(list.RemoveAt(nullptr) == RECT{});
  EXPECT_EQ(list.m_nModified, 0);
  const RECT rb = b->m_rcBounds;
  EXPECT_TRUE(list.RemoveAt(list.Find(b)) == rb);
  EXPECT_EQ(list.m_nModified, 1);
  CChain stranger;
  list.DeleteChain(&stranger);
  EXPECT_EQ(list.GetCount(), 1);
  list.DeleteChain(a);
  EXPECT_TRUE(list.IsEmpty());

  // A borrowing list hands its lines back untouched.
  CChainList owner;
  Add(owner, {{1, 1}});
  {
    CChainList borrowed;
    for (CChain* c : owner) borrowed.Adopt(c);
    EXPECT_EQ(borrowed.DetachAll(), 0);
  }
  EXPECT_EQ(owner.GetHead()->GetCount(), 1);
}

TEST(ChainList, CopyForUndoKeepsEverythingAndEmptiesOnEmpty) {
  CChainList src;
  CChain* a = Add(src, {{0, 0}, {10, 0}}, 3);
  a->m_nPenStyle = PS_DASHDOT;
  a->m_fID = 8;
  a->m_color = RGB(9, 8, 7);
  CChainList undo;
  Add(undo, {{5, 5}});
  ASSERT_EQ(undo.CopyFrom(src), 1);
  ASSERT_EQ(undo.GetCount(), 1);
  const CChain* c = undo.GetHead();
  EXPECT_NE(c, a);
  EXPECT_EQ(c->IsEqual(a), 1);
  EXPECT_EQ(c->m_nPenStyle, PS_DASHDOT);
  EXPECT_EQ(c->m_color, RGB(9, 8, 7));
  EXPECT_EQ(undo.m_nModified, 1);

  CChainList empty;
  EXPECT_EQ(undo.CopyFrom(empty), 1);
  EXPECT_TRUE(undo.IsEmpty());
}

TEST(ChainList, Tolerance) {
  CChainList list;
  list.SetTolerance(640, 480);
  EXPECT_EQ(list.m_nTolerance, 50);
  list.SetTolerance(30000, 20000);
  EXPECT_EQ(list.m_nTolerance, 150);
}

TEST(ChainList, PickingNearestLine) {
  CChainList list;
  list.m_nTolerance = 10;
  CChain* a = Add(list, {{0, 0}, {100, 0}});
  CChain* b = Add(list, {{0.f, 4.5f}, {100.f, 4.5f}});
  Add(list, {});  // no vertices: never picked
  // 2.2 and 2.3 away both truncate to 2: the earlier line wins.
  EXPECT_EQ(list.FindChainNear(CFPoint(50.f, 2.2f)), a);
  EXPECT_EQ(list.FindChainNear(CFPoint(50.f, 3.5f)), b);
  // Excluding a layer keeps the float distance.
  b->m_nLayer = 1;
  EXPECT_EQ(list.FindChainNearExcludingLayers(CFPoint(50.f, 2.3f), {}), b);
  EXPECT_EQ(list.FindChainNearExcludingLayers(CFPoint(50.f, 2.3f), {1}), a);
  EXPECT_EQ(list.FindChainNearOther(CFPoint(50.f, 1.f), a, 0), b);
  EXPECT_EQ(list.FindChainNearOther(CFPoint(50.f, 1.f), a, 1), nullptr);
  EXPECT_EQ(list.FindChainNearOther(CFPoint(50.f, 1.f), nullptr, 1), a);

  // The only line, its bounds just outside the search square: nothing.
  CChainList far;
  far.m_nTolerance = 10;
  Add(far, {{0, 0}, {100, 0}});  // bounds top..bottom = -1..1
  EXPECT_EQ(far.FindChainNear(CFPoint(50.f, 11.f)), nullptr);
  EXPECT_NE(far.FindChainNear(CFPoint(50.f, 10.5f)), nullptr);
  EXPECT_EQ(CChainList().FindPosNear(CFPoint(0.f, 0.f)), nullptr);
}

TEST(ChainList, NullEntriesAreDroppedByPickingOnly) {
  CChainList list;
  CChain* a = Add(list, {{0, 0}, {10, 0}});
  list.Adopt(nullptr);
  CChain* b = Add(list, {{0, 3}, {10, 3}});
  EXPECT_EQ(list.FindChainNearOther(CFPoint(5.f, 2.f), a, 0), b);
  EXPECT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.FindChainNear(CFPoint(5.f, 1.f)), a);
  EXPECT_EQ(list.GetCount(), 2);
}

TEST(ChainList, NearestEnds) {
  CChainList list;
  CChain* a = Add(list, {{0, 0}, {10, 0}}, 1);
  CChain* b = Add(list, {{20, 0}, {12, 0}}, 1);
  CChain* c = Add(list, {{11, 1}, {50, 50}}, 2);
  POSITION pos = nullptr;
  EXPECT_EQ(list.FindNearestEnd(CFPoint(11.f, 0.f), 1, pos, nullptr), a);  // tie: the first line
  EXPECT_EQ(list.GetAt(pos), a);
  EXPECT_EQ(list.FindNearestEnd(CFPoint(11.f, 0.f), 1, pos, a), b);
  EXPECT_EQ(list.FindNearestEnd(CFPoint(11.f, 0.f), 3, pos, nullptr), nullptr);
  EXPECT_EQ(list.FindNearestEnd(CFPoint(5000.f, 0.f), 1, pos, nullptr), nullptr);  // beyond 999999
  EXPECT_EQ(list.FindNearestEndAnyLayer(CFPoint(11.f, 0.9f), nullptr), c);
  EXPECT_EQ(list.IsLayerEmpty(2), 0);
  EXPECT_EQ(list.IsLayerEmpty(7), 1);
}

TEST(ChainList, Summaries) {
  CChainList list;
  EXPECT_TRUE(list.GetBounds() == RECT{});
  int mean = -1;
  EXPECT_EQ(list.GetStatistics(mean), 0);
  EXPECT_EQ(mean, -1);
  Add(list, {{0, 0}, {10, 0}});
  Add(list, {{-5.5f, 3.f}, {1, 20}, {2, 2}, {3, 3}});
  EXPECT_TRUE((list.GetBounds() == RECT{-6, -1, 11, 21}));
  EXPECT_TRUE((list.GetExtent() == CFRect(-5.5f, 0, 10, 20)));
  EXPECT_EQ(list.GetStatistics(mean), 2);
  EXPECT_EQ(mean, 3);
  list.GetHead()->AddPoint(100, 100);
  list.RecalcBounds();
  EXPECT_EQ(list.GetBounds().right, 101);
}

// Two lines: the first with the class record, the second by class index.
const char* kListRecord =
    "0200"                                          // two lines
    "ffff 0100 0600 4343 6861 696e"                 // new class CChain, schema 1
    "780ae305 ffffffff ffffffff 0b000000 01000000"  // bounds -1 -1 11 1
    "0100 0000 0000a040 00ff0000 00000000"          // width 1, style 0, ID 5, green, layer 0
    "0200 00000000 00000000 00002041 00000000"      // (0,0) (10,0)
    "0180"                                          // class index 1
    "780ae305 00000000 00000000 00000000 00000000"  // default line
    "0100 0000 00000000 00ff0000 00000000 0000"
    "03d9 0000803f 0100 00002041 0000 3200 0200"  // 55555, 1.0, on, 10.0, no polygons, 50, 2
    "5704 00000000";                              // empty ID colour table

TEST(ChainListArchive, LayoutIsPinned) {
  CChainList list;
  CChain* a = Add(list, {{0, 0}, {10, 0}});
  a->m_fID = 5;
  list.Adopt(new CChain);
  list.m_fIDIncrement = 1.0f;
  list.m_nAutoIncrement = 1;
  list.m_fCurrentID = 10.0f;
  list.m_nCurrentWidth = 2;
  CArchive out;
  list.Serialize(out);
  EXPECT_EQ(Hex(out.GetBuffer()), Hex(FromHex(kListRecord)));

  CChainList back;
  back.m_nModified = 1;
  CArchive in(FromHex(kListRecord));
  back.Serialize(in);
  EXPECT_EQ(in.BytesLeft(), 0u);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.GetHead()->IsEqual(a), 1);
  EXPECT_EQ(back.m_fIDIncrement, 1.0f);
  EXPECT_EQ(back.m_nAutoIncrement, 1);
  EXPECT_EQ(back.m_fCurrentID, 10.0f);
  EXPECT_EQ(back.m_nTolerance, 50);
  EXPECT_EQ(back.m_nCurrentWidth, 2);
  EXPECT_EQ(back.m_nModified, 1);  // neither stored nor changed by loading
}

TEST(ChainListArchive, OlderLayoutAndColourTable) {
  // No lines; increment 5 as an unsigned, auto-increment 0, current ID int32
  // 250; polygons 1, tolerance 60, width 3; one colour range.
  const auto bytes = FromHex("0000 0500 0000 fa000000 0100 3c00 0300 5704 01000000 0a000000 14000000 ff000000");
  CChainList list;
  CArchive in(bytes);
  list.Serialize(in);
  EXPECT_EQ(list.m_fIDIncrement, 5.0f);
  EXPECT_EQ(list.m_fCurrentID, 250.0f);
  EXPECT_EQ(list.m_nPolygonsBuilt, 1);
  EXPECT_EQ(list.m_nTolerance, 60);
  EXPECT_EQ(list.m_nCurrentWidth, 3);
  EXPECT_EQ(list.m_idColors.GetColor(15), RGB(255, 0, 0));
}

// A record cut short, or one whose width for new lines reaches the bits of
// a line's width word that hold its snap marks.
TEST(ChainListArchive, DamagedRecordAddsNothing) {
  const auto whole = FromHex(kListRecord);
  const std::size_t widthAt = whole.size() - 8;  // before the empty colour table
  auto cut = whole;
  cut.resize(whole.size() - 6);
  auto marks = whole, widest = whole;
  marks[widthAt] = 0x00, marks[widthAt + 1] = 0x10;  // 0x1000
  widest[widthAt] = 0xff, widest[widthAt + 1] = 0xff;
  for (const auto& bytes : {cut, marks, widest}) {
    CChainList list;
    CChain* mine = Add(list, {{1, 1}});
    list.m_fCurrentID = 3;
    list.m_nCurrentWidth = 4;
    CArchive in(bytes);
    EXPECT_THROW(list.Serialize(in), CArchiveException);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetHead(), mine);
    EXPECT_EQ(list.m_fCurrentID, 3.0f);
    EXPECT_EQ(list.m_nCurrentWidth, 4);
  }
  auto widestAllowed = whole;
  widestAllowed[widthAt] = 0xff, widestAllowed[widthAt + 1] = 0x0f;
  CChainList list;
  CArchive in(widestAllowed);
  list.Serialize(in);
  EXPECT_EQ(list.m_nCurrentWidth, 0xfff);
}

// A document keeps several line lists in one archive. A damaged file whose
// second list refers back to a line of the first must not give that line two
// owners: the second list refuses it and stays as it was.
TEST(ChainListArchive, LineOfAnotherListIsRefused) {
  CChainList first, second;
  CChain* shared = Add(first, {{1, 1}, {2, 2}});
  second.Adopt(shared);  // borrowed only to store the reference
  CArchive out;
  first.Serialize(out);
  second.Serialize(out);
  second.DetachAll();

  CArchive in(std::vector<std::uint8_t>(out.GetBuffer()));
  CChainList lines, hidden;
  lines.Serialize(in);
  ASSERT_EQ(lines.GetCount(), 1);
  EXPECT_THROW(hidden.Serialize(in), CArchiveException);
  EXPECT_EQ(hidden.GetCount(), 0);
}

}  // namespace
