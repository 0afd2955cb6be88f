// Text blocks: detection and cross-mark merging (edge sizes, and agreement of
// the grid-indexed passes with plain list walks on random maps), linking
// without cycles or one-sided links, picking along a segment, drawing, the
// stored layout and the ".blk" file.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/box.h"
#include "model/chainlist.h"
#include "model/viewtransform.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using qzntest::ReadFileText;
using qzntest::TempDir;
using qzntest::WriteFileText;

// Lines whose bounds are the given rectangles.
void AddLines(CChainList& lines, const std::vector<RECT>& bounds) {
  for (const RECT& r : bounds) {
    auto* c = new CChain;
    c->AddPoint(static_cast<float>(r.left), static_cast<float>(r.top));
    c->m_rcBounds = r;
    lines.Adopt(c);
  }
}

std::vector<RECT> Rects(const CBoxList& list) {
  std::vector<RECT> out;
  for (const CBox* b : list) out.push_back(b->m_rect);
  return out;
}

// Every link two-sided, every chain open, every block reached once.
void ExpectSoundLinks(const CBoxList& list) {
  std::set<const CBox*> members(list.begin(), list.end()), reached;
  for (const CBox* b : list) {
    if (b->m_pNext) {
      ASSERT_TRUE(members.count(b->m_pNext));
      EXPECT_EQ(b->m_pNext->m_pPrev, b);
    }
    if (b->m_pPrev) {
      ASSERT_TRUE(members.count(b->m_pPrev));
      EXPECT_EQ(b->m_pPrev->m_pNext, b);
    }
    if (b->m_pPrev) continue;
    for (const CBox* c = b; c; c = c->m_pNext) ASSERT_TRUE(reached.insert(c).second) << "closed chain";
  }
  EXPECT_EQ(reached.size(), members.size()) << "a chain without a head";
}

// The chains as lists of list indexes, heads in list order.
std::vector<std::vector<int>> Chains(const CBoxList& list) {
  std::unordered_map<const CBox*, int> index;
  int i = 0;
  for (const CBox* b : list) index[b] = i++;
  std::vector<std::vector<int>> out;
  for (const CBox* b : list) {
    if (b->m_pPrev) continue;
    out.emplace_back();
    for (const CBox* c = b; c; c = c->m_pNext) out.back().push_back(index[c]);
  }
  return out;
}

bool Meets(const RECT& a, const RECT& b) {
  RECT c;
  return IntersectRect(c, a, b);
}

// Detection and cross-mark merging as plain walks over the list.
std::vector<RECT> MergeByWalk(std::vector<RECT> r, bool marks, int w, int h) {
  std::vector<char> alive(r.size(), 1);
  for (std::size_t i = 0; i < r.size(); ++i)
    for (std::size_t j = i + 1; j < r.size(); ++j) {
      if (!alive[j]) continue;
      RECT u;
      UnionRect(u, r[i], r[j]);
      const bool take =
          marks ? (std::int64_t{u.right} - u.left <= w && std::int64_t{u.bottom} - u.top <= h) : Meets(r[i], r[j]);
      if (take) {
        r[j] = u;
        alive[i] = 0;
        break;
      }
    }
  std::vector<RECT> out;
  for (std::size_t i = 0; i < r.size(); ++i)
    if (alive[i]) out.push_back(r[i]);
  return out;
}

// Linking neighbours as a plain walk, with the same rule against cycles.
void LinkByWalk(const std::vector<CBox*>& boxes) {
  std::int64_t sum = 0;
  for (const CBox* b : boxes) sum += b->m_rect.right - b->m_rect.left;
  const std::int64_t mean = sum / static_cast<std::int64_t>(boxes.size());
  auto sameChain = [](const CBox* a, const CBox* b) {
    while (a->m_pPrev) a = a->m_pPrev;
    while (b->m_pPrev) b = b->m_pPrev;
    return a == b;
  };
  auto dist = [](double x0, double y0, double x1, double y1) {
    return static_cast<std::int64_t>(std::sqrt((x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0)));
  };
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    CBox* p = boxes[i];
    if (p->m_pPrev && p->m_pNext) continue;
    const int c = p->m_rect.top + (p->m_rect.bottom - p->m_rect.top) / 2;
    for (std::size_t j = i + 1; j < boxes.size(); ++j) {
      CBox* q = boxes[j];
      const int d = q->m_rect.top + (q->m_rect.bottom - q->m_rect.top) / 2;
      if (!p->m_pNext && !q->m_pPrev && dist(p->m_rect.right, c, q->m_rect.left, d) < mean && !sameChain(p, q)) {
        p->m_pNext = q;
        q->m_pPrev = p;
      }
      if (!p->m_pPrev && !q->m_pNext && dist(p->m_rect.left, c, q->m_rect.right, d) < mean && !sameChain(p, q)) {
        q->m_pNext = p;
        p->m_pPrev = q;
      }
      if (p->m_pPrev && p->m_pNext) break;
    }
  }
}

}  // namespace

TEST(Box, DetectionSizes) {
  // Characters up to 20 x 30: kept up to 30 x 45 after merging, specks
  // below 10 x 15 in both directions dropped.
  struct Case {
    std::vector<RECT> lines;
    std::vector<RECT> blocks;
  } cases[] = {
      {{{0, 0, 21, 10}}, {}},                                                  // too wide for a candidate
      {{{0, 0, 15, 20}, {5, 5, 20, 25}}, {{0, 0, 20, 25}}},                    // overlapping candidates merge
      {{{0, 0, 15, 20}, {15, 0, 30, 20}}, {{0, 0, 15, 20}, {15, 0, 30, 20}}},  // touching only
      {{{0, 0, 15, 20}, {10, 0, 30, 20}}, {{0, 0, 30, 20}}},                   // 30 wide survives
      {{{0, 0, 15, 20}, {11, 0, 31, 20}}, {}},                                 // 31 wide is removed
      {{{0, 0, 10, 30}, {0, 16, 10, 46}}, {}},                                 // 46 high is removed
      {{{0, 0, 9, 14}}, {}},                                                   // a speck
      {{{0, 0, 9, 15}}, {{0, 0, 9, 15}}},                                      // high enough
  };
  for (const Case& c : cases) {
    CChainList lines;
    AddLines(lines, c.lines);
    CBoxList list;
    EXPECT_EQ(list.DetectText(20, 30, lines), static_cast<std::int64_t>(c.blocks.size()));
    EXPECT_EQ(Rects(list), c.blocks);
    for (const CBox* b : list) EXPECT_EQ(b->m_nType, 0);
  }
}

TEST(Box, DetectionReportsProgressAndLinks) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  CChainList lines;
  AddLines(lines, {{0, 0, 10, 20}, {12, 0, 22, 20}, {100, 100, 110, 120}});
  CBoxList list;
  EXPECT_EQ(list.DetectText(20, 30, lines), 3);
  EXPECT_EQ(ui.progressHigh, 6);
  EXPECT_FALSE(ui.progressPositions.empty());
  EXPECT_EQ(Chains(list), (std::vector<std::vector<int>>{{0, 1}, {2}}));
  EXPECT_EQ(list.m_nModified, 1);
  CChainList none;
  CBoxList empty;
  EXPECT_EQ(empty.DetectText(20, 30, none), 0);
  EXPECT_EQ(empty.m_nModified, 0);
}

TEST(Box, CrossMarks) {
  CChainList lines;
  // W = H = 3: blocks narrower or lower than 3 - 1 = 2 go (a quarter of 3
  // counts as 1).
  AddLines(lines, {{0, 0, 1, 3},
                   {10, 10, 12, 12},
                   {20, 20, 21, 21},
                   {22, 20, 23, 21},
                   {40, 40, 43, 41},
                   {50, 50, 51, 52},
                   {51, 51, 52, 53},
                   {60, 60, 64, 61}});
  CBoxList list;
  EXPECT_EQ(list.MergeSmallBoxes(3, 3, lines), 2);
  // (20,20,21,21) and (22,20,23,21) fit one mark without touching, but the
  // merged block is 1 high; (50,50,51,52) and (51,51,52,53) make a 2 x 3
  // mark; (60,60,64,61) is no candidate.
  EXPECT_EQ(Rects(list), (std::vector<RECT>{{10, 10, 12, 12}, {50, 50, 52, 53}}));
  EXPECT_EQ(list.m_nModified, 1);
  for (const CBox* b : list) EXPECT_EQ(b->m_pNext, nullptr);
}

TEST(Box, GridPassesAgreeWithListWalks) {
  std::mt19937 rng(11);
  for (int round = 0; round < 6; ++round) {
    std::uniform_int_distribution<int> pos(0, round < 3 ? 300 : 3000), size(0, 12);
    std::vector<RECT> bounds;
    for (int i = 0; i < 1500; ++i) {
      const int x = pos(rng), y = pos(rng);
      // Some lines have no area (a chain with one vertex and no width).
      bounds.push_back(i % 50 == 0 ? RECT{x, y, x, y} : RECT{x, y, x + size(rng) + 1, y + size(rng) + 1});
    }
    CChainList lines;
    AddLines(lines, bounds);

    auto candidates = [&](int w, int h) {
      std::vector<RECT> out;
      for (const RECT& r : bounds)
        if (r.right - r.left <= w && r.bottom - r.top <= h) out.push_back(r);
      return out;
    };
    CBoxList marks;
    marks.MergeSmallBoxes(9, 7, lines);
    std::vector<RECT> expected;
    for (const RECT& r : MergeByWalk(candidates(9, 7), true, 9, 7))
      if (r.right - r.left >= 9 - 2 && r.bottom - r.top >= 7 - 1) expected.push_back(r);
    EXPECT_EQ(Rects(marks), expected) << "round " << round;

    CBoxList text;
    text.DetectText(10, 12, lines);
    expected.clear();
    for (const RECT& r : MergeByWalk(candidates(10, 12), false, 0, 0)) {
      const int w = r.right - r.left, h = r.bottom - r.top;
      if (!(w > 15 || h > 18 || (w < 5 && h < 6))) expected.push_back(r);
    }
    EXPECT_EQ(Rects(text), expected) << "round " << round;
    ExpectSoundLinks(text);

    // Linking the same blocks by a walk gives the same chains.
    CBoxList walked;
    for (const RECT& r : expected) walked.AddBox(r, 0);
    LinkByWalk(std::vector<CBox*>(walked.begin(), walked.end()));
    EXPECT_EQ(Chains(text), Chains(walked)) << "round " << round;
  }
}

TEST(Box, LinkingNeighbours) {
  // Mean width 12: 11 columns right and 4 rows down (11.7) links, 12
  // columns on the same row does not.
  CBoxList near;
  near.AddBox(RECT{0, 0, 12, 10}, 0);
  near.AddBox(RECT{23, 4, 35, 14}, 0);
  EXPECT_EQ(near.LinkNeighbours(), 1);
  EXPECT_EQ(Chains(near), (std::vector<std::vector<int>>{{0, 1}}));
  CBoxList far;
  far.AddBox(RECT{0, 0, 12, 10}, 0);
  far.AddBox(RECT{24, 0, 36, 10}, 0);
  far.LinkNeighbours();
  EXPECT_EQ(Chains(far), (std::vector<std::vector<int>>{{0}, {1}}));
  CBoxList empty;
  EXPECT_EQ(empty.LinkNeighbours(), 0);

  // Two blocks each near both sides of the other: one link, no cycle.
  CBoxList both;
  both.AddBox(RECT{0, 0, 20, 10}, 0);
  both.AddBox(RECT{5, 0, 25, 10}, 0);
  both.LinkNeighbours();
  ExpectSoundLinks(both);
  EXPECT_EQ(Chains(both), (std::vector<std::vector<int>>{{0, 1}}));
}

TEST(Box, CollectAlongSegment) {
  CBoxList list;
  list.AddBox(RECT{40, 0, 50, 10}, 0);  // centre (45, 5)
  list.AddBox(RECT{0, 0, 10, 10}, 0);   // centre (5, 5)
  list.AddBox(RECT{20, 0, 30, 10}, 0);  // centre (25, 5)
  list.AddBox(RECT{20, 0, 30, 10}, 0);  // the same centre: after the one before it
  list.AddBox(RECT{0, 50, 10, 60}, 0);  // off the segment's box
  CBoxPtrList sel;                      // borrowed: the blocks stay the list's
  EXPECT_EQ(list.CollectAlongSegment(sel, POINT{0, 5}, POINT{48, 5}), 4);
  std::vector<const CBox*> got(sel.begin(), sel.end());
  EXPECT_EQ(got, (std::vector<const CBox*>{list.GetAt(list.FindIndex(1)), list.GetAt(list.FindIndex(2)),
                                           list.GetAt(list.FindIndex(3)), list.GetAt(list.FindIndex(0))}));
  CBoxList::LinkAll(sel);
  ExpectSoundLinks(list);
  EXPECT_EQ(Chains(list), (std::vector<std::vector<int>>{{1, 2, 3, 0}, {4}}));

  CBoxPtrList none;
  EXPECT_EQ(list.CollectAlongSegment(none, POINT{5, 5}, POINT{5, 5}), 0);  // length 0: limit 0
  CBoxList empty;
  EXPECT_EQ(empty.CollectAlongSegment(none, POINT{0, 0}, POINT{9, 9}), 0);
}

TEST(Box, LinkAllAndUnlinkAllKeepChainsSimple) {
  CBoxList list;
  std::vector<CBox*> b;
  for (int i = 0; i < 6; ++i) b.push_back(list.AddBox(RECT{i * 10, 0, i * 10 + 8, 8}, -1));
  auto select = [&](std::vector<int> idx, bool link) {
    CBoxPtrList sel;
    for (int i : idx) sel.AddTail(b[i]);
    link ? CBoxList::LinkAll(sel) : CBoxList::UnlinkAll(sel);
    ExpectSoundLinks(list);
  };
  select({0, 1, 2}, true);  // 0-1-2
  select({3, 4}, true);     // 3-4
  select({2, 3}, true);     // joins them: 0-1-2-3-4
  EXPECT_EQ(Chains(list), (std::vector<std::vector<int>>{{0, 1, 2, 3, 4}, {5}}));
  // 4 keeps its predecessor 3; 0 letting go of 1 keeps the chain open.
  select({4, 0}, true);
  EXPECT_EQ(Chains(list), (std::vector<std::vector<int>>{{1, 2, 3, 4, 0}, {5}}));
  select({2, 1}, true);     // reversing a pair inside a chain
  select({5, 5, 3}, true);  // a block selected twice counts once
  select({1, 3}, false);
  for (const CBox* x : {b[1], b[3]}) {
    EXPECT_EQ(x->m_pPrev, nullptr);
    EXPECT_EQ(x->m_pNext, nullptr);
  }
  // Removing a block unlinks its neighbours on both sides.
  select({0, 1, 2}, true);
  list.RemoveAt(list.Find(b[1]));
  ExpectSoundLinks(list);
  EXPECT_EQ(b[0]->m_pNext, nullptr);
  EXPECT_EQ(b[2]->m_pPrev, nullptr);
}

TEST(Box, HitTestsAndDeletion) {
  CBoxList list;
  list.AddBox(RECT{0, 0, 10, 10}, 0);
  list.AddBox(RECT{5, 5, 15, 15}, -1);
  list.m_nModified = 0;
  EXPECT_EQ(list.DeleteAtPoint(POINT{10, 20}), RECT{});
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.m_nModified, 0);
  POSITION pos = nullptr;
  EXPECT_EQ(list.FindAtPoint(POINT{10, 10}, pos), list.GetTail());  // right edge of the first is outside
  EXPECT_EQ(list.DeleteAtPoint(POINT{7, 7}), (RECT{0, 0, 10, 10}));
  EXPECT_EQ(list.m_nModified, 1);
  list.DeleteInRect(RECT{14, 14, 20, 20});
  EXPECT_TRUE(list.IsEmpty());
  EXPECT_EQ(list.RemoveAt(nullptr), RECT{});
}

TEST(Box, Draw) {
  CBoxList list;
  list.m_nPenWidth = 2;
  CBox* a = list.AddBox(RECT{0, 0, 10, 10}, 0);
  CBox* b = list.AddBox(RECT{20, 0, 30, 10}, 0);
  a->m_pNext = b;
  b->m_pPrev = a;
  list.AddBox(RECT{100, 100, 110, 110}, 0);  // outside the clip
  CFixedViewTransform view(2.0, 2.0, 0, 0);
  CRecordingCanvas dc;
  EXPECT_EQ(list.Draw(dc, view, RECT{0, 0, 50, 50}), 1);
  EXPECT_EQ(dc.calls,
            (std::vector<std::string>{"pen 0 2 #ff0000", "polyline 0 0 20 0 20 20 0 20 0 0", "move 10 10", "line 50 10",
                                      "polyline 40 0 60 0 60 20 40 20 40 0", "pen 0 1 #000000"}));
}

// Linked blocks far out under a zoomed view: the link between the centres is
// drawn between positions held far off the canvas.
TEST(Box, DrawFarBlocks) {
  CBoxList list;
  CBox* a = list.AddBox(RECT{INT_MAX - 20, 0, INT_MAX - 10, 10}, 0);
  CBox* b = list.AddBox(RECT{INT_MAX - 9, 0, INT_MAX, 10}, 0);
  a->m_pNext = b;
  b->m_pPrev = a;
  CRecordingCanvas dc;
  EXPECT_EQ(list.Draw(dc, CFixedViewTransform(16.0, 16.0, 0, 0), RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}), 1);
  EXPECT_EQ(dc.calls[2], "move " + std::to_string(1 << 30) + " 80");
}

namespace {
// A, B, C, D with the chain A -> B -> C stored after D, and D alone.
const char* kStoredBoxes =
    "ff 00 00 00 01 00 00 00 05 61 2e 62 6c 6b 04 00 00 00 "
    "00 00 00 00 00 00 00 00 00 00 00 00 0a 00 00 00 0a 00 00 00 01 00 "
    "ff ff ff ff 14 00 00 00 00 00 00 00 1e 00 00 00 0a 00 00 00 01 00 "
    "00 00 00 00 28 00 00 00 00 00 00 00 32 00 00 00 0a 00 00 00 00 00 "
    "00 00 00 00 00 00 00 00 14 00 00 00 0a 00 00 00 1e 00 00 00 00 00";

CBoxList& FourBlocks(CBoxList& list) {
  CBox* a = list.AddBox(RECT{0, 0, 10, 10}, 0);
  CBox* d = list.AddBox(RECT{0, 20, 10, 30}, 0);
  CBox* b = list.AddBox(RECT{20, 0, 30, 10}, -1);
  CBox* c = list.AddBox(RECT{40, 0, 50, 10}, 0);
  (void)d;
  a->m_pNext = b;
  b->m_pPrev = a;
  b->m_pNext = c;
  c->m_pPrev = b;
  return list;
}
}  // namespace

TEST(Box, StoredLayout) {
  CBoxList list;
  FourBlocks(list).m_strFileName = "a.blk";
  CArchive out;
  list.Serialize(out);
  EXPECT_EQ(qzntest::Hex(out.GetBuffer()), kStoredBoxes);
  EXPECT_EQ(list.m_nModified, 0);

  CBoxList back;
  CArchive in(qzntest::FromHex(kStoredBoxes));
  back.Serialize(in);
  EXPECT_EQ(back.m_strFileName, "a.blk");
  EXPECT_EQ(Rects(back), (std::vector<RECT>{{0, 0, 10, 10}, {20, 0, 30, 10}, {40, 0, 50, 10}, {0, 20, 10, 30}}));
  EXPECT_EQ(Chains(back), (std::vector<std::vector<int>>{{0, 1, 2}, {3}}));
  EXPECT_EQ(back.GetAt(back.FindIndex(1))->m_nType, -1);
  EXPECT_EQ(back.m_nModified, 0);

  // A closed chain (never made by the list itself) is still written whole,
  // each block once.
  CBoxList ring;
  CBox* x = ring.AddBox(RECT{0, 0, 1, 1}, 0);
  CBox* y = ring.AddBox(RECT{2, 2, 3, 3}, 0);
  x->m_pNext = y;
  y->m_pPrev = x;
  y->m_pNext = x;
  x->m_pPrev = y;
  EXPECT_EQ(ring.ChainOrder().size(), 2u);

  auto lying = qzntest::FromHex(kStoredBoxes);
  lying[15] = 0x40;
  CBoxList none;
  CArchive bad(lying);
  EXPECT_THROW(none.Serialize(bad), CArchiveException);
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_EQ(none.m_nPenWidth, 1);
}

TEST(Box, TextBlockFile) {
  TempDir dir;
  CScriptedHost ui;
  CHostScope scope(&ui);
  CBoxList list;
  FourBlocks(list);
  const std::string path = dir.file("a.blk");
  ASSERT_EQ(list.WriteTextFile(path), 1);
  EXPECT_EQ(list.m_strFileName, path);
  EXPECT_EQ(list.m_nModified, 0);
  // Chinese header in code page 936, CRLF line ends, END without one.
  EXPECT_EQ(ReadFileText(path), Utf8ToGbk("QZN 文本块文件") +
                                    "\r\n0 0 0 10 10 1\r\n-1 20 0 30 10 1\r\n0 40 0 50 10 0\r\n0 0 20 10 30 0\r\nEND");

  CBoxList back;
  ASSERT_EQ(back.ReadTextFile(path), 1);
  EXPECT_EQ(Rects(back), (std::vector<RECT>{{0, 0, 10, 10}, {20, 0, 30, 10}, {40, 0, 50, 10}, {0, 20, 10, 30}}));
  EXPECT_EQ(Chains(back), (std::vector<std::vector<int>>{{0, 1, 2}, {3}}));
  EXPECT_EQ(back.m_nModified, 1);

  struct Case {
    std::string text;
    int result;
    std::size_t blocks;
  } cases[] = {
      {Utf8ToGbk("qzn 文本块文件") + "\n1 0 0 5 5 0\nEND", 1, 1},          // case of the Latin letters
      {Utf8ToGbk("QZN 文本块文件") + "\r\n1 0 0 5 5 0\r\nEND\r\n", 1, 1},  // written on Windows
      {Utf8ToGbk("QZN 文本块文件"), 0, 0},                                 // no line end after the header
      {Utf8ToGbk("QZN 文本块") + "\n1 0 0 5 5 0\n", 0, 0},
      // A bad continuation line is skipped; the next line starts a chain.
      {Utf8ToGbk("QZN 文本块文件") + "\n0 0 0 5 5 1\nxx\n0 9 9 12 12 0\n1 2 3\n0 1 1 2 2 0\n", 1, 2},
  };
  for (const Case& c : cases) {
    WriteFileText(path, c.text);
    CBoxList l;
    ui.messages.clear();
    EXPECT_EQ(l.ReadTextFile(path), c.result) << c.text;
    EXPECT_EQ(static_cast<std::size_t>(l.GetCount()), c.blocks) << c.text;
    if (!c.result) {
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].text, "无效的文本块文件。");
    }
    ExpectSoundLinks(l);
  }
  CBoxList l;
  EXPECT_EQ(l.ReadTextFile(dir.file("none.blk")), 0);
  EXPECT_EQ(ui.messages.back().text, "读取文本块文件出错。");
  EXPECT_EQ(list.WriteTextFile(dir.file("no/dir.blk")), 0);
  EXPECT_EQ(ui.messages.back().text, "保存文本块文件出错。");
}
