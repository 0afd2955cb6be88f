// The point list: creation and auto-increment, picking, rectangle tests on
// rounded positions, values, layers, values from annotations (against a
// plain walk over the notes), drawing and the stored layout.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "model/layer.h"
#include "model/note.h"
#include "model/ptlist.h"
#include "model/viewtransform.h"
#include "platform/archive.h"
#include "platform/canvas.h"
#include "tests/model/points_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

std::vector<std::uint8_t> Store(CPtList& list) {
  CArchive ar;
  list.Serialize(ar);
  return ar.GetBuffer();
}

void Load(CPtList& list, const std::vector<std::uint8_t>& bytes) {
  CArchive ar(bytes);
  list.Serialize(ar);
}

using qzntest::SongFont;

// One list of every kind of field: header, 60-byte font, ID colours, one point.
const char* kStoredList =
    "f8 e0 f5 05 00 00 c8 42 00 00 20 41 01 00 07 00 ff 00 00 00 3c 00 "
    "f4 ff ff ff 00 00 00 00 00 00 00 00 00 00 00 00 90 01 00 00 00 00 00 86 00 00 00 00 cb ce cc e5 "
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00 00 57 04 01 00 00 00 00 00 00 00 00 00 00 00 ff 00 00 00 01 00 00 00 "
    "03 00 00 00 b0 40 00 ff 00 00 02 00 00 00 00 00 80 3f 00 00 00 40";

}  // namespace

TEST(PtList, DefaultsAndAutoIncrement) {
  CPtList list;
  EXPECT_EQ(list.m_nPointSize, 7);
  EXPECT_EQ(list.m_defaultColor, RGB(255, 0, 0));
  EXPECT_EQ(list.GetColorForID(0), RGB(255, 0, 0));
  EXPECT_EQ(list.GetColorForID(1), RGB(0, 255, 0));
  EXPECT_EQ(list.m_nModified, 0);

  list.m_fNextID = 100.0f;
  list.m_fIDIncrement = 10.0f;
  list.m_nAutoIncrement = 1;
  CPointRec* a = list.AddNext(CFPoint(1.0f, 2.0f));
  CPointRec* b = list.AddNext(CFPoint(3.0f, 4.0f));
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->value, 110.0f);
  EXPECT_EQ(b->value, 120.0f);
  EXPECT_EQ(a->size, 7);
  EXPECT_EQ(a->layer, 0);
  EXPECT_EQ(list.m_nModified, 1);

  CPointRec* n = list.AddNew();
  EXPECT_EQ(n->color, 250u);
  EXPECT_EQ(n->size, 1);
  CPointRec src{5, 6, 7, RGB(1, 2, 3), 9, 4};
  CPointRec* c = list.AddCopy(src);
  EXPECT_EQ(c->layer, 0);
  EXPECT_EQ(c->size, 9);
  EXPECT_EQ(c->color, RGB(1, 2, 3));
}

TEST(PtList, EmptyListAnswers) {
  CPtList list;
  EXPECT_EQ(list.GetBounds(), CFRect());
  EXPECT_EQ(list.GetBoundsInt(), RECT{});
  EXPECT_EQ(list.GetNearest(CFPoint(1.0f, 1.0f)), nullptr);
  EXPECT_TRUE(list.IsLayerEmpty(0));
  EXPECT_EQ(list.NumberPoints(1, 1, 0), 0);
  EXPECT_EQ(list.SetIDInRect(5.0f, RECT{0, 0, 10, 10}), 0);
  EXPECT_EQ(list.RemoveNearest(CFPoint(1.0f, 1.0f)), POINT{});
  list.m_nModified = 0;
  list.SetLayerInRect(3, RECT{});
  EXPECT_EQ(list.m_nModified, 0);  // nothing to change
}

TEST(PtList, NearestKeepsTheEarlierOfEquals) {
  CPtList list;
  list.AddPoint(0, 0, 1, 7, 0);
  list.AddPoint(2, 0, 2, 7, 0);
  list.AddPoint(5.7f, 3.2f, 3, 7, 0);
  EXPECT_EQ(list.GetNearest(CFPoint(1.0f, 0.0f))->value, 1.0f);
  EXPECT_EQ(list.GetNearest(CFPoint(1.1f, 0.0f))->value, 2.0f);
  list.m_nModified = 0;
  EXPECT_EQ(list.RemoveNearest(CFPoint(6.0f, 3.0f)), (POINT{5, 3}));
  EXPECT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.m_nModified, 1);
}

TEST(PtList, RectangleTestsUseRoundedPositions) {
  struct Case {
    float x, y;
    RECT rc;
    bool inside;
  } cases[] = {
      {10.5f, 3.49f, {11, 3, 12, 4}, true},                                       // counts as (11, 3)
      {10.5f, 3.49f, {10, 3, 11, 4}, false},                                      // not column 10
      {-0.6f, 0.0f, {0, 0, 1, 1}, true},                                          // -0.1 truncates to column 0
      {-0.6f, 0.0f, {-1, 0, 0, 1}, false},   {9.0f, 5.0f, {0, 0, 9, 10}, false},  // right edge is outside
      {5.0f, 10.0f, {0, 0, 9, 10}, false},                                        // bottom edge is outside
      {8.9f, 9.4f, {0, 0, 10, 10}, true},
  };
  for (const Case& c : cases) {
    CPtList list;
    list.AddPoint(c.x, c.y, 0, 7, 0);
    EXPECT_EQ(list.SetIDInRect(42.0f, c.rc), c.inside ? 1 : 0) << c.x << "," << c.y;
    CPtList other;
    list.MoveInRect(c.rc, other);
    EXPECT_EQ(other.GetCount(), c.inside ? 1 : 0);
    EXPECT_EQ(list.GetCount(), c.inside ? 0 : 1);
  }
}

TEST(PtList, ValuesColoursAndLayers) {
  CPtList list;
  list.m_idColors.SetRangeColor(5, 9, RGB(0, 0, 9));
  for (float v : {0.0f, 5.0f, 0.0f}) list.AddPoint(v, v, v, 7, 0);
  EXPECT_EQ(list.NumberPoints(1, 1, 1), 2);
  std::vector<float> values;
  for (const CPointRec* r : list) values.push_back(r->value);
  EXPECT_EQ(values, (std::vector<float>{1, 5, 2}));

  list.ScaleValues(2.0f, 1.0f);
  EXPECT_EQ(list.GetHead()->value, 3.0f);
  list.ApplyIDColors();
  EXPECT_EQ(list.GetAt(list.FindIndex(1))->color, RGB(0, 255, 0));  // 11 has no range

  // Layers: an empty rectangle gives every point the layer; a rectangle
  // also the colour of the layer's ID.
  list.SetLayerInRect(7, RECT{});
  EXPECT_TRUE(list.IsLayerEmpty(0));
  list.SetLayerInRect(6, RECT{4, 4, 6, 6});
  EXPECT_EQ(list.GetAt(list.FindIndex(1))->layer, 6);
  EXPECT_EQ(list.GetAt(list.FindIndex(1))->color, RGB(0, 0, 9));

  // Copying a layer onto itself doubles its points once.
  list.m_nModified = 0;
  list.ChangeLayer(7, 7, RGB(1, 1, 1), 1);
  EXPECT_EQ(list.GetCount(), 5);
  EXPECT_EQ(list.GetTail()->layer, 7);
  EXPECT_EQ(list.GetTail()->color, RGB(1, 1, 1));
  EXPECT_EQ(list.m_nModified, 1);
  list.m_nModified = 0;
  list.ChangeLayer(7, 8, RGB(2, 2, 2), 0);
  EXPECT_TRUE(list.IsLayerEmpty(7));
  EXPECT_EQ(list.m_nModified, 0);

  CLayerList layers;
  CLayer* l = layers.AddLayer();
  l->m_nID = 8;
  l->m_color = RGB(8, 8, 8);
  list.ApplyLayerColors(layers, 1);
  EXPECT_EQ(list.GetHead()->color, RGB(8, 8, 8));
  list.SetLayerColor(6, RGB(6, 6, 6));
  EXPECT_EQ(list.GetAt(list.FindIndex(1))->color, RGB(6, 6, 6));
}

TEST(PtList, WholeListGeometry) {
  CPtList list;
  list.AddPoint(1.5f, 2.5f, 0, 7, 0);
  list.AddPoint(-3.2f, 8.0f, 0, 7, 0);
  EXPECT_EQ(list.GetBounds(), CFRect(-3.2f, 2.5f, 1.5f, 8.0f));
  EXPECT_EQ(list.GetBoundsInt(), (RECT{-4, 1, 2, 9}));
  list.FlipVertical(RECT{0, 0, 100, 10});
  EXPECT_EQ(list.GetHead()->y, 7.5f);
  list.FlipHorizontal(RECT{0, 0, 10, 10});
  EXPECT_EQ(list.GetHead()->x, 8.5f);
  list.SwapXY();
  EXPECT_EQ(list.GetHead()->x, 7.5f);
  list.m_nModified = 0;
  list.ScaleAll(1.0f, 2.0f, 2.0f, 0.5f);
  EXPECT_EQ(list.GetHead()->x, 13.0f);
  EXPECT_EQ(list.GetHead()->y, 3.25f);
  EXPECT_EQ(list.m_nModified, 0);
}

TEST(PtList, DrawsCrossesAndLabels) {
  CPtList list;
  CPointRec* r = list.AddPoint(10.4f, 20.6f, 12.75f, 5, RGB(0, 0, 255));
  CFixedViewTransform view(2.0, 2.0, 0, 0);
  CRecordingCanvas dc;
  EXPECT_EQ(r->Draw(dc, view, 1, 0), 1);
  // (20.8, 41.2) rounds to (21, 41); half-length (5 + 1) / 2 = 3.
  EXPECT_EQ(dc.calls,
            (std::vector<std::string>{"pen 0 1 #0000ff", "move 18 41", "line 25 41", "move 21 38", "line 21 45",
                                      "bkmode 1", "text 23 43 12", "bkmode 2", "pen 0 1 #000000"}));
  dc.calls.clear();
  r->Draw(dc, view, 1, 1);
  EXPECT_EQ(dc.calls[6], "text 23 43 12.75");

  dc.calls.clear();
  list.DrawToBitmap(dc, 0.5f, 0.5f, 2, 4);
  // trunc((10.4 - 2) * 0.5) = 4, trunc((20.6 - 4) * 0.5) = 8, h = (7 + 1) / 2.
  EXPECT_EQ(dc.calls[1], "move 0 8");
  EXPECT_EQ(dc.calls[2], "line 9 8");

  dc.calls.clear();
  r->DrawPrint(dc, view, 0.5f, 0.5f, 1, 1, 0, 0);
  // trunc((21 - 1) * 0.5) = 10, trunc((41 - 1) * 0.5) = 20; h = (50 + 10) / 2.
  EXPECT_EQ(dc.calls[1], "move -20 20");
  EXPECT_EQ(dc.calls[2], "line 41 20");
}

// Points far outside the int range, huge sizes and a zoomed view: crosses,
// labels and bounds are held far off the canvas instead of overflowing.
TEST(PtList, FarPointsAreHeldOffTheCanvas) {
  CPtList list;
  CPointRec* r = list.AddPoint(3.0e9f, -3.0e9f, 1.0f, 5, RGB(0, 0, 255));
  const std::string far = std::to_string(1 << 30), nearFar = std::to_string((1 << 30) - 3);
  CRecordingCanvas dc;
  r->Draw(dc, CFixedViewTransform(16.0, 16.0, 0, 0), 1, 0);
  EXPECT_EQ(dc.calls[1], "move " + nearFar + " -" + far);
  r->size = 2000000000;
  r->DrawPrint(dc, CFixedViewTransform(), 1.0f, 1.0f, -5, 5, 1, 0);
  list.DrawToBitmap(dc, 1.0f, 1.0f, 0, 0);
  EXPECT_EQ(list.GetBoundsInt(), (RECT{INT_MAX - 1, INT_MIN, INT_MAX, INT_MIN + 1}));
  const CViewTransform& view = CFixedViewTransform(1.0e-3, 1.0e-3, 0, 0);
  EXPECT_EQ(view.ClientToImage(POINT{INT_MAX, INT_MIN}).x, 1 << 30);
  EXPECT_EQ(CFixedViewTransform(16.0, 16.0, 0, 0).ImageToClient(RECT{0, 0, INT_MAX, 1}).right, 1 << 30);
}

TEST(PtList, StoredLayoutIsByteExact) {
  CPtList list;
  list.m_fNextID = 100.0f;
  list.m_fIDIncrement = 10.0f;
  list.m_nAutoIncrement = 1;
  list.m_pLabelFont = std::make_unique<LOGFONT>(SongFont());
  CPointRec* r = list.AddPoint(1.0f, 2.0f, 5.5f, 3, RGB(0, 255, 0));
  r->layer = 2;
  EXPECT_EQ(qzntest::Hex(Store(list)), kStoredList);

  CPtList back;
  Load(back, qzntest::FromHex(kStoredList));
  EXPECT_EQ(back.m_fNextID, 100.0f);
  EXPECT_EQ(back.m_fIDIncrement, 10.0f);
  EXPECT_EQ(back.m_nAutoIncrement, 1);
  ASSERT_TRUE(back.m_pLabelFont);
  EXPECT_EQ(std::memcmp(back.m_pLabelFont.get(), list.m_pLabelFont.get(), sizeof(LOGFONT)), 0);
  EXPECT_EQ(MakeCanvasFont(*back.m_pLabelFont).faceName, "宋体");
  // A damaged record's height of -2^31 gives the largest height, not an overflow.
  LOGFONT damaged = *back.m_pLabelFont;
  damaged.lfHeight = INT_MIN;
  EXPECT_EQ(MakeCanvasFont(damaged).height, INT_MAX);
  ASSERT_EQ(back.GetCount(), 1);
  EXPECT_EQ(back.GetHead()->layer, 2);
  EXPECT_EQ(back.GetHead()->value, 5.5f);
  EXPECT_EQ(back.m_nModified, 1);  // the document clears it after reading
}

TEST(PtList, SizesSurviveAndLoadingAppends) {
  CPtList list;
  list.m_nPointSize = 9;
  list.AddPoint(1, 1, 1, 7, 0);
  list.AddPoint(2, 2, 2, 3, 0);
  const auto bytes = Store(list);
  CPtList back;
  back.AddPoint(0, 0, 0, 1, 0);
  Load(back, bytes);
  ASSERT_EQ(back.GetCount(), 3);
  EXPECT_EQ(back.GetAt(back.FindIndex(1))->size, 7);
  EXPECT_EQ(back.GetTail()->size, 3);
  EXPECT_EQ(back.m_nPointSize, 9);
  EXPECT_EQ(back.m_pLabelFont, nullptr);  // a font count of 0 sets none
}

TEST(PtList, OlderLayoutKeepsIntegersAsFloats) {
  // No marker: next ID and increment as int32, values as int32.
  const std::string hex =
      "2a 00 00 00 05 00 00 00 00 00 07 00 ff 00 00 00 00 00 00 00 00 00 57 04 00 00 00 00 "
      "01 00 00 00 04 00 f9 ff ff ff 00 00 00 00 00 00 00 00 00 00 20 41 00 00 a0 41";
  CPtList list;
  Load(list, qzntest::FromHex(hex));
  EXPECT_EQ(list.m_fNextID, 42.0f);
  EXPECT_EQ(list.m_fIDIncrement, 5.0f);
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.GetHead()->value, -7.0f);
  EXPECT_EQ(list.GetHead()->x, 10.0f);
  EXPECT_EQ(list.GetHead()->y, 20.0f);
  EXPECT_EQ(list.GetHead()->size, 4);
}

TEST(PtList, DamagedFontCountAndCountsFailCleanly) {
  // A font count of 100: the record is still read as 60 bytes.
  auto bytes = qzntest::FromHex(kStoredList);
  bytes[20] = 100;
  CPtList list;
  const LOGFONT* before = nullptr;
  Load(list, bytes);
  ASSERT_TRUE(list.m_pLabelFont);
  EXPECT_EQ(list.m_pLabelFont->lfHeight, -12);
  EXPECT_EQ(list.GetCount(), 1);
  // Reloading reuses the block.
  before = list.m_pLabelFont.get();
  Load(list, bytes);
  EXPECT_EQ(list.m_pLabelFont.get(), before);

  // A point count beyond the data throws before anything changes.
  auto lying = qzntest::FromHex(kStoredList);
  lying[105] = 0xff;  // 65281 records
  CPtList other;
  EXPECT_THROW(Load(other, lying), CArchiveException);
  EXPECT_EQ(other.GetCount(), 0);
  EXPECT_EQ(other.m_fNextID, 0.0f);
  // Truncated in the middle of a record.
  auto cut = qzntest::FromHex(kStoredList);
  cut.resize(cut.size() - 3);
  EXPECT_THROW(Load(other, cut), CArchiveException);
  EXPECT_EQ(other.GetCount(), 0);
}

// ---------------------------------------------------------------------------
// Values from annotations

namespace {
// A plain walk over the notes in list order for every point.
std::vector<float> ValuesByWalk(const CPtList& points, const CNoteList& notes) {
  std::vector<float> out;
  for (const CPointRec* r : points) {
    float value = r->value;
    double best = 100000000.0;
    const CNote* bestNote = nullptr;
    bool done = false;
    const POINT at = r->Rounded();
    for (const CNote* n : notes) {
      int v = 0;
      if (PtInRect(n->m_rect, at) && LeadingInt(n->m_strText, v)) {
        value = static_cast<float>(v);
        done = true;
        break;
      }
      const double dx = n->Centre().x - static_cast<int>(r->x), dy = n->Centre().y - static_cast<int>(r->y);
      const double d = std::sqrt(dx * dx + dy * dy);
      if (d < best) {
        best = d;
        bestNote = n;
      }
    }
    int v = 0;
    if (!done && bestNote && LeadingInt(bestNote->m_strText, v)) value = static_cast<float>(v);
    out.push_back(value);
  }
  return out;
}
}  // namespace

TEST(PtList, ValuesFromNotes) {
  CNoteList notes;
  notes.AddNote(RECT{0, 0, 10, 10}, "abc");    // holds the point but no number
  notes.AddNote(RECT{0, 0, 20, 20}, " -35m");  // the first holding it with one
  notes.AddNote(RECT{0, 0, 20, 20}, "99");
  notes.AddNote(RECT{100, 100, 110, 110}, "7");
  notes.AddNote(RECT{200, 100, 210, 110}, "x8");
  CPtList points;
  points.AddPoint(5, 5, 1, 7, 0);
  points.AddPoint(104, 130, 2, 7, 0);  // nearest centre (105, 105)
  points.AddPoint(206, 130, 3, 7, 0);  // nearest note has no number: kept
  points.m_nModified = 0;
  EXPECT_EQ(points.ValuesFromNotes(notes), 1);
  std::vector<float> values;
  for (const CPointRec* r : points) values.push_back(r->value);
  EXPECT_EQ(values, (std::vector<float>{-35, 7, 3}));
  EXPECT_EQ(points.m_nModified, 1);

  CNoteList none;
  EXPECT_EQ(points.ValuesFromNotes(none), 1);
  EXPECT_EQ(points.GetHead()->value, -35.0f);
}

TEST(PtList, ValuesFromNotesAgreeWithAWalkOverTheNotes) {
  std::mt19937 rng(7);
  for (int round = 0; round < 4; ++round) {
    CNoteList notes;
    std::uniform_int_distribution<int> pos(-50, 2000), size(1, 60), num(0, 3);
    const int nNotes = round == 0 ? 3 : 400;
    for (int i = 0; i < nNotes; ++i) {
      const int x = pos(rng), y = pos(rng);
      // Duplicated centres test the ties; some texts carry no number.
      const RECT rc = i % 5 == 1 ? notes.GetTail()->m_rect : RECT{x, y, x + size(rng), y + size(rng) / 3};
      notes.AddNote(rc, num(rng) == 0 ? "none" : std::to_string(i));
    }
    CPtList points;
    std::uniform_real_distribution<float> fp(-300.0f, 2500.0f);
    for (int i = 0; i < 2000; ++i) points.AddPoint(fp(rng), fp(rng), -1.0f, 7, 0);
    const std::vector<float> expected = ValuesByWalk(points, notes);
    points.ValuesFromNotes(notes);
    std::vector<float> got;
    for (const CPointRec* r : points) got.push_back(r->value);
    EXPECT_EQ(got, expected) << "round " << round;
  }
}
