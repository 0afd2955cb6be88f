// The line record: construction, copying, bounds and the stored layouts.
#include "model/chain.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/host.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using qzntest::FromHex;
using qzntest::Hex;

std::vector<std::uint8_t> Store(CChain& c) {
  CArchive ar;
  c.Serialize(ar);
  return ar.GetBuffer();
}

void Load(CChain& c, const std::vector<std::uint8_t>& bytes) {
  CArchive ar(bytes);
  c.Serialize(ar);
  EXPECT_EQ(ar.BytesLeft(), 0u);
}

CChain* Line(std::initializer_list<CFPoint> pts) {
  CChain* c = new CChain;
  for (const CFPoint& p : pts) c->AddPoint(p.x, p.y);
  c->CalcBounds();
  return c;
}

TEST(ChainRecord, DefaultsAndConstructors) {
  CChain c;
  EXPECT_EQ(c.m_nWidth, 1);
  EXPECT_EQ(c.m_nPenStyle, 0);
  EXPECT_EQ(c.m_fID, 0.0f);
  EXPECT_EQ(c.m_color, RGB(0, 255, 0));
  EXPECT_EQ(c.m_nLayer, 0);
  EXPECT_EQ(c.GetCount(), 0);

  CChain w(3, 12.5f, RGB(1, 2, 3));
  EXPECT_EQ(w.m_nWidth, 3);
  EXPECT_EQ(w.m_fID, 12.5f);
  EXPECT_EQ(w.m_color, RGB(1, 2, 3));
  EXPECT_TRUE(w.m_rcBounds == RECT{});

  w.m_nPenStyle = 2;
  w.m_nLayer = 4;
  w.AddPoint(1, 1);
  w.CalcBounds();
  CChain attrs(&w);
  EXPECT_EQ(attrs.GetCount(), 0);
  EXPECT_EQ(attrs.m_nPenStyle, 2);
  EXPECT_EQ(attrs.m_nLayer, 4);
  EXPECT_TRUE(attrs.m_rcBounds == w.m_rcBounds);
}

TEST(ChainRecord, CalcBoundsRoundsAndInflatesByPenWidthOnly) {
  CChain c;
  c.AddPoint(2.5f, -2.5f);
  c.CalcBounds();
  EXPECT_TRUE((c.m_rcBounds == RECT{2, -3, 4, -1}));  // 3.0 -> 3, -2.0 -> -2
  // The snap marks in the width word never widen the bounds.
  c.m_nWidth = 1 | CChain::kFirstMovedMark | CChain::kLastMovedMark;
  c.CalcBounds();
  EXPECT_TRUE((c.m_rcBounds == RECT{2, -3, 4, -1}));
  CChain empty;
  empty.m_rcBounds = RECT{1, 2, 3, 4};
  empty.CalcBounds();
  EXPECT_TRUE(empty.m_rcBounds == RECT{});
  EXPECT_TRUE(empty.GetExtent() == CFRect());
  c.AddPoint(-1.25f, 7.5f);
  EXPECT_TRUE((c.GetExtent() == CFRect(-1.25f, -2.5f, 2.5f, 7.5f)));
}

// Vertices far outside the int range (a line file with huge numbers, a
// scaled line) and wide pens give bounds held at the ends of the range.
TEST(ChainRecord, CalcBoundsSaturatesFarVertices) {
  CChain c;
  c.m_nWidth = 300;
  c.AddPoint(-3.0e9f, 3.0e9f);
  c.AddPoint(5.0f, -5.0f);  // -4.5 truncates to -4
  c.CalcBounds();
  EXPECT_TRUE((c.m_rcBounds == RECT{INT_MIN, -304, 305, INT_MAX}));
}

TEST(ChainRecord, CopyFromKeepsOwnPenStyle) {
  std::unique_ptr<CChain> src(Line({{1.f, 2.f}, {3.f, 4.f}}));
  src->m_fID = 7;
  src->m_color = RGB(9, 9, 9);
  src->m_nWidth = 3;
  src->m_nLayer = 2;
  src->m_nPenStyle = 4;
  CChain dst;
  dst.m_nPenStyle = 1;
  dst.AddPoint(0, 0);
  dst.CopyFrom(src.get());
  EXPECT_EQ(dst.Points(), src->Points());
  EXPECT_EQ(dst.m_nPenStyle, 1);
  EXPECT_EQ(dst.m_fID, 7);
  EXPECT_EQ(dst.m_nWidth, 3);
  EXPECT_EQ(dst.m_nLayer, 2);
  EXPECT_TRUE(dst.m_rcBounds == src->m_rcBounds);

  CChain none;
  none.m_fID = 9;
  dst.CopyFrom(&none);
  EXPECT_EQ(dst.GetCount(), 0);
  EXPECT_EQ(dst.m_fID, 9);
  EXPECT_EQ(dst.m_nPenStyle, 1);
}

TEST(ChainRecord, AppendSkipsRepeatsOfTheOldLastVertex) {
  std::unique_ptr<CChain> a(Line({{0.f, 0.f}, {5.f, 5.f}}));
  std::unique_ptr<CChain> b(Line({{5.f, 5.f}, {6.f, 6.f}, {5.f, 5.f}, {7.f, 7.f}}));
  a->Append(b.get());
  EXPECT_EQ(a->Points(), (CFPointArray{{0.f, 0.f}, {5.f, 5.f}, {6.f, 6.f}, {7.f, 7.f}}));

  // Onto an empty line: a full copy, attributes included.
  b->m_fID = 3;
  b->m_color = RGB(1, 1, 1);
  b->m_nWidth = 2;
  b->m_nLayer = 5;
  CChain e;
  e.Append(b.get());
  EXPECT_EQ(e.Points(), b->Points());
  EXPECT_EQ(e.m_fID, 3);
  EXPECT_EQ(e.m_color, RGB(1, 1, 1));
  EXPECT_EQ(e.m_nLayer, 5);
  EXPECT_TRUE(e.m_rcBounds == b->m_rcBounds);

  // A line appended to itself doubles without the joint repeat.
  std::unique_ptr<CChain> s(Line({{0.f, 0.f}, {1.f, 0.f}}));
  s->Append(s.get());
  EXPECT_EQ(s->Points(), (CFPointArray{{0.f, 0.f}, {1.f, 0.f}, {0.f, 0.f}}));
}

TEST(ChainRecord, IsEqualComparesGeometryIdLayerAndBounds) {
  std::unique_ptr<CChain> a(Line({{0.f, 0.f}, {5.f, 5.f}}));
  std::unique_ptr<CChain> b(Line({{0.f, 0.f}, {5.f, 5.f}}));
  b->m_color = RGB(1, 2, 3);
  b->m_nPenStyle = 3;
  EXPECT_EQ(a->IsEqual(b.get()), 1);
  b->AddPoint(5, 5);
  EXPECT_EQ(a->IsEqual(b.get()), 0);
  std::unique_ptr<CChain> c(Line({{0.f, 0.f}, {5.f, 5.f}}));
  c->m_nLayer = 1;
  EXPECT_EQ(a->IsEqual(c.get()), 0);
  c->m_nLayer = 0;
  c->m_fID = 0.5f;
  EXPECT_EQ(a->IsEqual(c.get()), 0);
}

// ---- stored layout, pinned byte for byte

TEST(ChainArchive, DefaultLineIs38Bytes) {
  CChain c;
  const auto bytes = Store(c);
  EXPECT_EQ(Hex(bytes), Hex(FromHex("780ae305 00000000 00000000 00000000 00000000"
                                    "0100 0000 00000000 00ff0000 00000000 0000")));
  EXPECT_EQ(bytes.size(), 38u);
}

const char* kTwoVertexRecord =
    "780ae305 00000000 00000000 05000000 06000000"  // marker, bounds 0 0 5 6
    "0200 0100 00004841 01020300 07000000"          // width 2, style 1, ID 12.5, colour, layer 7
    "0200 0000c03f 00000040 00004040 00008040";     // 2 vertices (1.5,2) (3,4)

TEST(ChainArchive, CurrentLayoutRoundTrip) {
  std::unique_ptr<CChain> c(Line({{1.5f, 2.f}, {3.f, 4.f}}));
  c->m_nWidth = 2;
  c->CalcBounds();
  c->m_nPenStyle = 1;
  c->m_fID = 12.5f;
  c->m_color = RGB(1, 2, 3);
  c->m_nLayer = 7;
  EXPECT_EQ(Hex(Store(*c)), Hex(FromHex(kTwoVertexRecord)));

  CChain back;
  back.AddPoint(9, 9);  // replaced by the loaded vertices
  Load(back, FromHex(kTwoVertexRecord));
  EXPECT_EQ(back.Points(), c->Points());
  EXPECT_TRUE((back.m_rcBounds == RECT{0, 0, 5, 6}));
  EXPECT_EQ(back.m_nWidth, 2);
  EXPECT_EQ(back.m_nPenStyle, 1);
  EXPECT_EQ(back.m_fID, 12.5f);
  EXPECT_EQ(back.m_color, RGB(1, 2, 3));
  EXPECT_EQ(back.m_nLayer, 7);
}

TEST(ChainArchive, OlderLayoutWithoutMarkerAndIntegerId) {
  // Bounds first, the ID as an int32 (250), no marker.
  const auto bytes = FromHex(
      "01000000 02000000 0a000000 0b000000 0300 0000 fa000000 ff000000 02000000"
      "0100 00002041 00003041");
  CChain c;
  Load(c, bytes);
  EXPECT_TRUE((c.m_rcBounds == RECT{1, 2, 10, 11}));  // taken as stored
  EXPECT_EQ(c.m_nWidth, 3);
  EXPECT_EQ(c.m_fID, 250.0f);
  EXPECT_EQ(c.m_color, RGB(255, 0, 0));
  EXPECT_EQ(c.m_nLayer, 2);
  EXPECT_EQ(c.Points(), (CFPointArray{{10.f, 11.f}}));
}

TEST(ChainArchive, SnapMarksNeverReachTheFile) {
  CChain c;
  c.m_nWidth = 2 | CChain::kFirstMovedMark | CChain::kLastMovedMark;
  const auto bytes = Store(c);
  EXPECT_EQ(bytes[20], 2);
  EXPECT_EQ(bytes[21], 0);
  // A mark left in an older file is dropped on loading.
  auto marked = bytes;
  marked[21] = 0x10;
  CChain back;
  Load(back, marked);
  EXPECT_EQ(back.m_nWidth, 2);
}

TEST(ChainArchive, LongCountsUseTheEscape) {
  for (std::uint32_t n : {65534u, 65535u, 70000u}) {
    CChain c;
    for (std::uint32_t i = 0; i < n; ++i) c.AddPoint(static_cast<float>(i), 1.0f);
    const auto bytes = Store(c);
    const std::size_t head = 36;
    if (n < 0xFFFF) {
      ASSERT_EQ(bytes.size(), head + 2 + 8 * n);
      EXPECT_EQ(bytes[head] | bytes[head + 1] << 8, static_cast<int>(n));
    } else {
      ASSERT_EQ(bytes.size(), head + 6 + 8 * n);
      EXPECT_EQ(bytes[head], 0xFF);
      EXPECT_EQ(bytes[head + 1], 0xFF);
      EXPECT_EQ(static_cast<std::uint32_t>(bytes[head + 2] | bytes[head + 3] << 8 | bytes[head + 4] << 16 |
                                           bytes[head + 5] << 24),
                n);
    }
    CChain back;
    Load(back, bytes);
    EXPECT_EQ(back.Points(), c.Points());
  }
}

TEST(ChainArchive, DamagedRecordFailsAndLeavesTheLine) {
  auto bytes = FromHex(kTwoVertexRecord);
  bytes.resize(bytes.size() - 3);  // truncated inside the last vertex
  std::unique_ptr<CChain> c(Line({{7.f, 7.f}}));
  CArchive ar(bytes);
  EXPECT_THROW(c->Serialize(ar), CArchiveException);
  EXPECT_EQ(c->Points(), (CFPointArray{{7.f, 7.f}}));
  // A count far beyond the data fails before allocating.
  auto lying =
      FromHex("780ae305 00000000 00000000 00000000 00000000 0100 0000 00000000 00ff0000 00000000 ffff ffffff7f");
  CArchive ar2(lying);
  EXPECT_THROW(c->Serialize(ar2), CArchiveException);
}

TEST(ChainArchive, ObjectArchiveCreatesChains) {
  std::unique_ptr<CChain> c(Line({{1.f, 2.f}, {3.f, 4.f}}));
  CArchive out;
  out.WriteObject(c.get());
  CArchive in(out.GetBuffer());
  std::unique_ptr<CChain> back(in.ReadObjectAs<CChain>());
  ASSERT_TRUE(back);
  EXPECT_EQ(back->IsEqual(c.get()), 1);
  EXPECT_EQ(Hex(std::vector<std::uint8_t>(out.GetBuffer().begin(), out.GetBuffer().begin() + 12)),
            Hex(FromHex("ffff 0100 0600 4343 6861 696e")));  // tag, schema 1, "CChain"
}

}  // namespace
