// The workspace's vector commands: text lines moved to a layer of their own,
// text-block and crossing-mark detection, OCR preconditions, the region of
// interest, ID scaling and the vector report.
#include <gtest/gtest.h>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/reportgrid.h"

using namespace qzn;

namespace {

CChain* AddLine(CQznDoc& doc, std::initializer_list<std::pair<float, float>> points, float id = 0.0f) {
  CChain* line = doc.m_lines.NewChain();
  for (const auto& [x, y] : points) line->AddPoint(x, y);
  line->m_fID = id;
  line->CalcBounds();
  return line;
}

}  // namespace

TEST(DocVectorCommands, VectorReportOfAnEmptyWorkspaceHasOnlyItsHeadings) {
  CQznDoc doc;
  CReportTable table;
  ASSERT_EQ(doc.BuildVectorReport(&table), 1);
  EXPECT_EQ(table.GetRowCount(), 1);
  ASSERT_EQ(table.GetColumnCount(), 7);
  EXPECT_EQ(table.m_nFixedRows, 1);
  EXPECT_EQ(table.m_nFixedColumns, 1);
  const char* headings[] = {"No.", "ID", "图层", "中心点(X,Y)", "长度", "多边形", "面积"};
  for (int c = 0; c < 7; ++c) EXPECT_EQ(table.GetItemText(0, c), headings[c]);
  EXPECT_EQ(doc.BuildVectorReport(nullptr), 0);
}

TEST(DocVectorCommands, VectorReportRowsInPixelsAndMapUnits) {
  CQznDoc doc;
  CLayer* layer = doc.m_layers.AddLayer();
  layer->m_strName = "等高线等高线等高线等高线ABC";  // 15 characters, cut to 11
  // A closed 10 x 10 square and an open line.
  CChain* square = AddLine(doc, {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, 12.5f);
  square->m_nLayer = layer->m_nID;
  AddLine(doc, {{0, 0}, {3, 4}});
  // A world file far from the origin: 2 map units a pixel, north up.
  doc.m_tfw.m_A = 2.0, doc.m_tfw.m_E = -2.0, doc.m_tfw.m_C = 500000.0, doc.m_tfw.m_F = 4200000.0;
  doc.m_tfw.m_nTerms = 3;
  CReportTable table;
  ASSERT_EQ(doc.BuildVectorReport(&table), 1);
  ASSERT_EQ(table.GetRowCount(), 3);
  ASSERT_EQ(table.GetColumnCount(), 10);
  EXPECT_EQ(table.GetItemText(0, 9), "Area'");
  const std::vector<std::string> first = {"0", "12.50",  "等高线等高线等高线等高", "(5.0,5.0)", "40.00",
                                          "1", "100.00", "(500010.0,4199990.0)",   "80.00",     "400.00"};
  for (int c = 0; c < 10; ++c) EXPECT_EQ(table.GetItemText(1, c), first[c]) << c;
  EXPECT_EQ(table.GetItemText(2, 0), "1");
  EXPECT_EQ(table.GetItemText(2, 2), "0");
  EXPECT_EQ(table.GetItemText(2, 4), "5.00");
  EXPECT_EQ(table.GetItemText(2, 5), "0");
  EXPECT_EQ(table.GetItemText(2, 6), "0.00");
  EXPECT_EQ(table.GetItemText(2, 8), "10.00");
}

TEST(DocVectorCommands, SplitTextLinesMovesEachLineOnce) {
  CQznDoc doc;
  EXPECT_EQ(doc.SplitTextLines(), 0);  // nothing to split
  CChain* inside = AddLine(doc, {{12, 12}, {15, 15}});
  CChain* outside = AddLine(doc, {{50, 50}, {90, 90}});
  // Two overlapping blocks round the same line.
  doc.m_textBlocks.AddBox(RECT{5, 5, 25, 25}, 0);
  doc.m_textBlocks.AddBox(RECT{8, 8, 30, 30}, 0);
  const auto layersBefore = doc.m_layers.GetCount();
  EXPECT_EQ(doc.SplitTextLines(), 1);
  ASSERT_EQ(doc.m_layers.GetCount(), layersBefore + 1);
  const CLayer& added = doc.m_layers.GetAt(layersBefore);
  EXPECT_EQ(inside->m_nLayer, added.m_nID);
  EXPECT_EQ(inside->m_color, added.m_color);
  EXPECT_EQ(outside->m_nLayer, 0);
  EXPECT_EQ(doc.m_lines.m_nModified, 1);
}

TEST(DocVectorCommands, TextBlocksAskBeforeReplacing) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  // Three letter-sized strokes in a row and a long line.
  AddLine(doc, {{10, 10}, {10, 20}});
  AddLine(doc, {{16, 10}, {16, 20}});
  AddLine(doc, {{22, 10}, {22, 20}});
  AddLine(doc, {{0, 100}, {300, 100}});
  doc.m_textBlocks.AddBox(RECT{200, 200, 210, 210}, -1);
  ui.answers.push_back(IDNO);
  ASSERT_EQ(doc.DetectTextBlocks(12, 14), 1);
  EXPECT_EQ(ui.messages.at(0).text, "移除现有的文本块吗?");
  EXPECT_GE(doc.m_textBlocks.GetCount(), 2);  // the old block kept, new ones added
  EXPECT_EQ(doc.m_textBlocks.m_nModified, 1);
  ui.answers.push_back(IDYES);
  const auto found = doc.m_textBlocks.GetCount() - 1;
  ASSERT_EQ(doc.DetectTextBlocks(12, 14), 1);
  EXPECT_EQ(doc.m_textBlocks.GetCount(), found);  // the old ones gone
  // Nothing of that size: 0, and the blocks stay.
  CQznDoc none;
  AddLine(none, {{0, 100}, {300, 100}});
  EXPECT_EQ(none.DetectTextBlocks(12, 14), 0);
}

TEST(DocVectorCommands, RecognitionNeedsCharactersAndBlocks) {
  CScriptedHost ui;
  CHostScope scope(&ui);
  CQznDoc doc;
  EXPECT_EQ(doc.RecognizeText(), 0);
  EXPECT_EQ(ui.messages.back().text, "没有可用的 OCR 属性设置，现在开始 OCR 训练或者从一个 OCR 文件载入。");
  EXPECT_EQ(ui.messages.back().style, MB_OK | MB_ICONINFORMATION);
  doc.m_chars.Adopt(new CChar());
  EXPECT_EQ(doc.RecognizeText(), 0);
  EXPECT_EQ(ui.messages.back().text, "没有检测到文本块，请先探测或编辑文本块。");
}

TEST(DocVectorCommands, CrossMarksAreDetectedAndShrunk) {
  CQznDoc doc;
  EXPECT_EQ(doc.DetectCrossMarks(10, 10), 0);  // no lines
  // A small cross at (50, 50) broken into four strokes, and long lines
  // running into it.
  AddLine(doc, {{46, 50}, {49, 50}});
  AddLine(doc, {{51, 50}, {54, 50}});
  AddLine(doc, {{50, 46}, {50, 49}});
  AddLine(doc, {{50, 51}, {50, 54}});
  AddLine(doc, {{0, 50}, {45, 50}});
  ASSERT_EQ(doc.DetectCrossMarks(10, 10), 1);
  ASSERT_EQ(doc.m_crossMarks.GetCount(), 1);
  const auto before = doc.m_lines.GetCount();
  ASSERT_EQ(doc.ShrinkCrossMarks(RECT{}), 1);
  EXPECT_LT(doc.m_lines.GetCount(), before);  // the strokes inside the mark went
}

TEST(DocVectorCommands, RoiRectangleAndIdScaling) {
  CQznDoc doc;
  ASSERT_EQ(doc.AddRoiRect(RECT{30, 40, 10, 20}), 1);
  const CChain* roi = doc.m_roi.GetHead();
  EXPECT_EQ(roi->m_nWidth, 2);
  EXPECT_EQ(roi->m_nPenStyle, 0);
  EXPECT_EQ(roi->m_color, 0x3232FFu);
  ASSERT_EQ(roi->GetCount(), 5);
  EXPECT_EQ(roi->GetPoint(0), roi->GetPoint(4));
  EXPECT_EQ(roi->GetPoint(0), CFPoint(10, 20));
  EXPECT_EQ(roi->GetPoint(2), CFPoint(30, 40));

  CChain* line = AddLine(doc, {{0, 0}, {1, 1}}, 10.0f);
  doc.m_points.AddPoint(1.0f, 1.0f, 4.0f, 1, 0);
  doc.TransformIDs(2.0f, 1.0f, 1, 0);
  EXPECT_FLOAT_EQ(line->m_fID, 21.0f);
  EXPECT_FLOAT_EQ(doc.m_points.GetHead()->value, 4.0f);
  doc.TransformIDs(0.5f, 0.0f, 0, 1);
  EXPECT_FLOAT_EQ(line->m_fID, 21.0f);
  EXPECT_FLOAT_EQ(doc.m_points.GetHead()->value, 2.0f);
}
