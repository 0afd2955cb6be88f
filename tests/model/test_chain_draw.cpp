// Painting lines onto a recording canvas: shapes, pens, colours and order.
#include <gtest/gtest.h>

#include <algorithm>

#include "model/chain.h"
#include "tests/model/chain_test_util.h"
#include "model/layer.h"
#include "model/viewtransform.h"
#include "platform/canvas.h"

using namespace qzn;

namespace {

using Calls = std::vector<std::string>;

std::unique_ptr<CChain> Line(const std::vector<CFPoint>& pts, int width = 1) {
  auto c = MakeLine(pts, width);
  c->m_color = RGB(255, 0, 0);
  return c;
}

TEST(ViewTransform, MappingsRoundAsTheViewDoes) {
  CFixedViewTransform v(2.0, 2.0, 10, 0);
  EXPECT_EQ(v.ImageToClientX(10), 0);
  EXPECT_EQ(v.ImageToClientX(11), 2);
  EXPECT_EQ(v.ImageToClientX(9), -1);  // trunc(-2 + 0.5)
  CFixedViewTransform h(0.5, 0.5, 0, 0);
  EXPECT_EQ(h.ImageToClientX(3), 2);
  EXPECT_EQ(h.ClientToImage(POINT{2, 2}).x, 4);
  EXPECT_EQ(h.ImageToClientSize(0, 7).cx, 0);
  EXPECT_FLOAT_EQ(v.ImageToClientXF(10.25f), 0.5f);
  EXPECT_TRUE((v.ImageToClient(RECT{10, 1, 12, 3}) == RECT{0, 2, 4, 6}));
}

TEST(ChainDraw, PolylineNodesEndsAndId) {
  CFixedViewTransform view(2.0, 2.0, 0, 0);
  auto c = Line({{1, 1}, {3, 1}, {3, 4}}, 2);
  c->m_fID = -2.7f;
  CChainDrawOptions opt;
  opt.nodeColorFlag = 1;
  opt.nodeColor = RGB(0, 0, 255);
  CRecordingCanvas dc;
  ASSERT_EQ(c->Draw(dc, view, opt, 1, 1, 1, 0), 1);
  const Calls expected = {"pen 0 2 #ff0000", "move 2 2", "line 6 2", "line 6 8", "pen 0 1 #000000",
                          // node crosses of half-length 2w = 4, the last pixel left out
                          "pen 0 2 #0000ff", "move -2 2", "line 7 2", "move 2 -2", "line 2 7", "move 2 2", "line 11 2",
                          "move 6 -2", "line 6 7", "move 2 8", "line 11 8", "move 6 4", "line 6 13", "pen 0 1 #000000",
                          // end circles (x - 4 .. x + 5), last vertex first, in the line's colour
                          "pen 0 2 #ff0000", "ellipse 2 4 11 13", "ellipse -2 -2 7 7", "pen 0 1 #000000",
                          // ID at vertex count / 2, truncated toward zero
                          "text 6 2 -2"};
  EXPECT_EQ(dc.calls, expected);
}

// A vertex far outside the int range: its marks are drawn around a position
// held far off the canvas instead of overflowing, and the other vertex's
// marks stay where they belong.
TEST(ChainDraw, FarVerticesAreHeldOffTheCanvas) {
  auto c = Line({{1, 1}, {3.0e9f, -3.0e9f}}, 2);
  CRecordingCanvas dc;
  c->Draw(dc, CFixedViewTransform(), CChainDrawOptions(), 1, 1, 0, 0);
  const int far = 1 << 30;
  for (const std::string& call : {"line " + std::to_string(far) + " " + std::to_string(-far),
                                  "ellipse " + std::to_string(far - 4) + " " + std::to_string(-far - 4) + " " +
                                      std::to_string(far + 5) + " " + std::to_string(-far + 5),
                                  std::string("ellipse -3 -3 6 6")})
    EXPECT_NE(std::find(dc.calls.begin(), dc.calls.end(), call), dc.calls.end()) << call;
  CRecordingCanvas print;
  c->DrawForPrint(print, CFixedViewTransform(), 1.0f, 1.0f, -5, 5, 1);
  c->DrawScaled(print, 1.0f, 1.0f, -5, 5);
  ASSERT_GE(print.calls.size(), 3u);
  EXPECT_EQ(print.calls[print.calls.size() - 3], "move 6 -4");
  EXPECT_EQ(print.calls[print.calls.size() - 2], "line " + std::to_string(far) + " " + std::to_string(-far));
}

TEST(ChainDraw, ScreenWidthFollowsZoomInModeTwoButNeverZero) {
  CChainDrawOptions opt;
  CRecordingCanvas dc;
  auto zero = Line({{0, 0}, {1, 0}}, 0);
  zero->Draw(dc, CFixedViewTransform(), opt, 0, 0, 0, 0);
  EXPECT_EQ(dc.calls.front(), "pen 0 1 #ff0000");
  opt.coordMode = 2;
  dc.calls.clear();
  auto three = Line({{0, 0}, {1, 0}}, 3);
  three->Draw(dc, CFixedViewTransform(0.1, 0.1, 0, 0), opt, 0, 0, 0, 0);
  EXPECT_EQ(dc.calls.front(), "pen 0 1 #ff0000");  // 3 x 0.1 -> 0 -> 1
  dc.calls.clear();
  three->Draw(dc, CFixedViewTransform(2, 2, 0, 0), opt, 0, 0, 0, 0);
  EXPECT_EQ(dc.calls.front(), "pen 0 6 #ff0000");
  // A snap mark in the width word is no part of the pen.
  dc.calls.clear();
  three->m_nWidth |= CChain::kFirstMovedMark;
  three->DrawWithPen(dc, CFixedViewTransform(), CChainDrawOptions(), RGB(1, 2, 3), PS_DOT);
  EXPECT_EQ(dc.calls.front(), "pen 2 3 #010203");
}

TEST(ChainDraw, OneVertexAndEmptyLines) {
  CChainDrawOptions opt;
  CRecordingCanvas dc;
  auto one = Line({{5, 5}});
  one->Draw(dc, CFixedViewTransform(), opt, 1, 0, 0, 0);
  EXPECT_EQ(dc.calls, (Calls{"pen 0 1 #ff0000", "move 5 5", "pen 0 1 #000000", "pen 0 1 #ff0000", "ellipse 3 3 8 8",
                             "ellipse 3 3 8 8", "pen 0 1 #000000"}));
  dc.calls.clear();
  CChain empty;
  EXPECT_EQ(empty.Draw(dc, CFixedViewTransform(), opt, 1, 1, 1, 1), 1);
  EXPECT_EQ(empty.DrawFilled(dc, CFixedViewTransform(), opt), 1);
  EXPECT_EQ(empty.DrawScaled(dc, 1, 1, 0, 0), 1);
  empty.DrawId(dc, CFixedViewTransform(), 1);
  EXPECT_TRUE(dc.calls.empty());
}

TEST(ChainDraw, IdPlacementAndFormat) {
  CRecordingCanvas dc;
  auto two = Line({{0, 0}, {10, 4}});
  two->m_fID = -2.7f;
  two->DrawId(dc, CFixedViewTransform(), 1);
  auto five = Line({{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}});
  five->m_fID = 12;
  five->DrawId(dc, CFixedViewTransform(), 0);
  EXPECT_EQ(dc.calls, (Calls{"text 5 2 -2.7", "text 2 2 12"}));
}

TEST(ChainDraw, FilledWithTheLayerHatch) {
  CLayerList layers;
  CLayer* hatched = layers.AddLayer();
  hatched->m_nFill = HS_HORIZONTAL;
  CLayer* solid = layers.AddLayer();
  solid->m_nFill = 6;
  CChainDrawOptions opt;
  opt.layers = &layers;
  auto c = Line({{0, 0}, {4, 0}, {4, 4}, {0, 0}});
  CRecordingCanvas dc;
  c->m_nLayer = layers.GetAt(1).m_nID;
  c->DrawFilled(dc, CFixedViewTransform(), opt);
  EXPECT_EQ(dc.calls, (Calls{"pen 0 1 #ff0000", "brush 2 0 #ff0000", "bkmode 1", "polygon 0 0 4 0 4 4 0 0", "bkmode 2",
                             "brush 1 0 #000000", "pen 0 1 #000000"}));
  dc.calls.clear();
  c->m_nLayer = layers.GetAt(2).m_nID;
  c->DrawFilled(dc, CFixedViewTransform(), opt);
  EXPECT_EQ(dc.calls[1], "brush 0 0 #ff0000");
}

TEST(ChainDraw, PrintAndScaledForms) {
  CFixedViewTransform view(1.0, 1.0, 0, 0);
  auto c = Line({{10, 10}, {20, 10}, {20, 30}});
  CRecordingCanvas dc;
  c->DrawForPrint(dc, view, 2.0f, 2.0f, 10, 10, 1);
  EXPECT_EQ(dc.calls, (Calls{"pen 0 1 #ff0000", "move 0 0", "ellipse -2 -2 3 3", "line 20 0", "move 18 0", "line 23 0",
                             "move 20 -2", "line 20 3", "move 20 0", "line 20 40", "pen 0 1 #000000"}));
  dc.calls.clear();
  auto r = Line({{1.4f, 1.6f}, {3.5f, 0.f}});
  r->DrawScaled(dc, 3.0f, 0.5f, 1, 0);
  EXPECT_EQ(dc.calls, (Calls{"pen 0 1 #ff0000", "move 0 1", "line 9 0", "pen 0 1 #000000"}));
}

TEST(ChainDraw, SelectionDrawsEachLineWithTheViewFlags) {
  auto a = Line({{0, 0}, {1, 0}});
  CChainSelection sel;
  sel.InsertSorted(new CChainSelectionItem{a.get(), 1});
  CChainDrawOptions opt;
  opt.showEnds = 1;
  CRecordingCanvas dc;
  sel.Draw(dc, CFixedViewTransform(), opt);
  EXPECT_EQ(dc.calls.size(), 8u);
  EXPECT_EQ(dc.calls[5], "ellipse -1 -2 4 3");
}

}  // namespace
