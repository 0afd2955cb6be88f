// ID colour ranges: lookup, range setting, stored layout and the ".clr" file.
#include "model/idcolor.h"

#include <gtest/gtest.h>

#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using qzntest::FromHex;
using qzntest::Hex;
using Ranges = std::vector<std::tuple<int, int, COLORREF>>;

const COLORREF kGreen = RGB(0, 255, 0), kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255);

Ranges Of(const CIDColorList& t) {
  Ranges r;
  for (const CIDColor* c : t) r.emplace_back(c->m_nLow, c->m_nHigh, c->m_color);
  return r;
}

TEST(IDColor, EmptyTableIsGreenAndFirstMatchWins) {
  CIDColorList t;
  EXPECT_EQ(t.GetColor(-5), kGreen);
  EXPECT_EQ(t.GetColor(123456), kGreen);
  CIDColor* a = t.AddNew();
  *a = CIDColor(0, 10, kRed);
  CIDColor* b = t.AddNew();
  *b = CIDColor(5, 20, kBlue);
  EXPECT_EQ(t.GetColor(7), kRed);
  EXPECT_EQ(t.GetColor(15), kBlue);
  EXPECT_EQ(t.GetColor(21), kGreen);
}

TEST(IDColor, SetRangeColorGivesTheWholeRangeItsColour) {
  struct Case {
    Ranges before;
    int a, b;
    Ranges after;
  } cases[] = {
      {{}, 20, 10, {{10, 20, kRed}}},                                                     // bounds ordered
      {{{0, 100, kGreen}}, 10, 20, {{0, 9, kGreen}, {10, 20, kRed}, {21, 100, kGreen}}},  // enclosing range split
      {{{50, 60, kBlue}}, 10, 20, {{50, 60, kBlue}, {10, 20, kRed}}},                     // no overlap
      {{{12, 15, kBlue}}, 10, 20, {{12, 15, kRed}, {10, 20, kRed}}},                      // inside: recoloured
      {{{0, 15, kBlue}, {18, 30, kBlue}}, 10, 20, {{0, 9, kBlue}, {21, 30, kBlue}, {10, 20, kRed}}},
  };
  for (const Case& c : cases) {
    CIDColorList t;
    for (auto [lo, hi, col] : c.before) *t.AddNew() = CIDColor(lo, hi, col);
    t.m_nModified = 0;
    t.SetRangeColor(c.a, c.b, kRed);
    Ranges got = Of(t);
    std::sort(got.begin(), got.end());
    Ranges want = c.after;
    std::sort(want.begin(), want.end());
    EXPECT_EQ(got, want);
    EXPECT_EQ(t.m_nModified, 1);
    for (int id = std::min(c.a, c.b); id <= std::max(c.a, c.b); ++id) EXPECT_EQ(t.GetColor(id), kRed) << id;
  }
  CIDColorList t;
  t.SetRangeColor(0, 100, kGreen);
  t.SetRangeColor(10, 20, kRed);
  EXPECT_EQ(t.GetColor(9), kGreen);
  EXPECT_EQ(t.GetColor(21), kGreen);
}

TEST(IDColor, CopyAndDelete) {
  CIDColorList a, b;
  a.SetRangeColor(1, 2, kRed);
  *b.AddNew() = CIDColor(7, 8, kBlue);
  b.Copy(a);
  EXPECT_EQ(Of(b), Of(a));
  EXPECT_EQ(b.m_nModified, 0);
  b.DeleteAll();
  EXPECT_TRUE(b.IsEmpty());
}

TEST(IDColorArchive, LayoutAndForeignTag) {
  CIDColorList t;
  *t.AddNew() = CIDColor(10, 20, kRed);
  *t.AddNew() = CIDColor(-1, 5, RGB(1, 2, 3));
  t.m_nModified = 1;
  CArchive out;
  t.Serialize(out);
  const char* kRecord = "5704 02000000 0a000000 14000000 ff000000 ffffffff 05000000 01020300";
  EXPECT_EQ(Hex(out.GetBuffer()), Hex(FromHex(kRecord)));
  EXPECT_EQ(t.m_nModified, 0);

  CIDColorList back;
  *back.AddNew() = CIDColor(0, 0, kBlue);  // kept: loading appends
  CArchive in(FromHex(kRecord));
  back.Serialize(in);
  EXPECT_EQ(Of(back), (Ranges{{0, 0, kBlue}, {10, 20, kRed}, {-1, 5, RGB(1, 2, 3)}}));

  // Another tag: two bytes read, the table untouched.
  CArchive other(FromHex("5804 01000000"));
  back.Serialize(other);
  EXPECT_EQ(other.BytesLeft(), 4u);
  EXPECT_EQ(back.GetCount(), 3);

  auto cut = FromHex(kRecord);
  cut.resize(cut.size() - 1);
  CArchive bad(cut);
  EXPECT_THROW(back.Serialize(bad), CArchiveException);
  EXPECT_EQ(back.GetCount(), 3);
}

TEST(IDColorText, SaveAndLoad) {
  qzntest::TempDir dir;
  CIDColorList t;
  t.SetRangeColor(10, 20, kRed);
  *t.AddNew() = CIDColor(-3, 4, RGB(1, 2, 3));
  ASSERT_EQ(t.SaveText(dir.file("a.clr")), TRUE);
  EXPECT_EQ(qzntest::ReadFileText(dir.file("a.clr")), "10 20 255\r\n-3 4 197121\r\n");
  CIDColorList back;
  ASSERT_EQ(back.LoadText(dir.file("a.clr")), TRUE);
  EXPECT_EQ(Of(back), Of(t));
  EXPECT_EQ(t.SaveText(dir.file("missing/dir/a.clr")), FALSE);
}

TEST(IDColorText, LoadStopsAtTheFirstBadLineAndKeepsTheTableOnFailure) {
  qzntest::TempDir dir;
  qzntest::WriteFileText(dir.file("b.clr"), "1 2 255\n\n3 4 255\n");
  CIDColorList t;
  ASSERT_EQ(t.LoadText(dir.file("b.clr")), TRUE);
  EXPECT_EQ(Of(t), (Ranges{{1, 2, kRed}}));

  // Bounds as read (a reversed range matches nothing); colours kept to 24 bits.
  qzntest::WriteFileText(dir.file("c.clr"), "30 10 255\r\n0 5 -7\r\n6 9 99999999\r\n");
  ASSERT_EQ(t.LoadText(dir.file("c.clr")), TRUE);
  EXPECT_EQ(Of(t), (Ranges{{30, 10, kRed}, {0, 5, 0}, {6, 9, 0xFFFFFF}}));
  EXPECT_EQ(t.GetColor(20), kGreen);

  EXPECT_EQ(t.LoadText(dir.file("none.clr")), FALSE);
  EXPECT_EQ(t.GetCount(), 3);  // an unreadable file erases nothing
}

}  // namespace
