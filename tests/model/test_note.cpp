// Annotations: list operations, rotation, drawing (the stored font is never
// changed), the stored layout, the ".nts" file with Chinese text, the import
// of positioned words and the DXF and SDL records.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "model/layer.h"
#include "model/note.h"
#include "model/viewtransform.h"
#include "model/writerlinks.h"
#include "platform/archive.h"
#include "platform/canvas.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/model/points_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using qzntest::ReadFileText;
using qzntest::TempDir;
using qzntest::WriteFileText;
using qzntest::WriteWith;

using qzntest::SongFont;

const char* kStoredNotes =
    "01 00 ff ff 01 00 05 00 43 4e 6f 74 65 0a 00 00 00 14 00 00 00 6e 00 00 00 28 00 00 00 08 b8 df b3 cc 20 31 32 "
    "35 03 00 d3 ff 00 00 ff 00 05 6e 2e 6e 74 73 3c 00 f4 ff ff ff 00 00 00 00 00 00 00 00 00 00 00 00 90 01 00 00 "
    "00 00 00 86 00 00 00 00 cb ce cc e5 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
    "00 00 00";

std::vector<RECT> Rects(const CNoteList& l) {
  std::vector<RECT> out;
  for (const CNote* n : l) out.push_back(n->m_rect);
  return out;
}

class Shift : public IMapTransform {
 public:
  int ok = 1;
  int TransformPoint(double x, double y, double& X, double& Y) const override {
    if (!ok) return 0;
    X = x + 1000;
    Y = -y;
    return 1;
  }
  int TransformPixel(int x, int y, double& X, double& Y) const override { return TransformPoint(x, y, X, Y); }
};

}  // namespace

TEST(Note, ListOperations) {
  CNoteList list;
  EXPECT_EQ(list.m_textColor, RGB(0, 0, 255));
  CNote* a = list.AddNote(RECT{0, 0, 10, 10}, "a");
  list.AddNote(RECT{10, 0, 20, 10}, "b");
  EXPECT_EQ(list.m_nModified, 1);
  EXPECT_EQ(a->m_nID, 0);
  a->m_nID = 4;
  a->m_nAngle = 30;

  // (10, 5) is as far from (5, 5) as from (15, 5): the earlier note wins.
  POSITION pos = nullptr;
  EXPECT_EQ(list.FindNearest(POINT{10, 5}, pos), a);
  EXPECT_EQ(list.GetAt(pos), a);
  CNoteList empty;
  EXPECT_EQ(empty.FindNearest(POINT{0, 0}, pos), nullptr);
  EXPECT_EQ(pos, nullptr);

  // Copying a layer onto itself appends one copy of each of its notes.
  list.ChangeLayer(4, 4, 1);
  ASSERT_EQ(list.GetCount(), 3);
  EXPECT_EQ(list.GetTail()->m_nAngle, 30);
  EXPECT_EQ(list.GetTail()->m_nID, 4);
  list.m_nModified = 0;
  list.ChangeLayer(4, 6, 0);
  EXPECT_TRUE(list.IsLayerEmpty(4));
  EXPECT_FALSE(list.IsLayerEmpty(6));
  EXPECT_EQ(list.m_nModified, 0);

  list.SetLayerInRect(9, RECT{12, 2, 13, 3});
  EXPECT_EQ(list.GetAt(list.FindIndex(1))->m_nID, 9);
  list.SetLayerInRect(2, RECT{});
  EXPECT_TRUE(list.IsLayerEmpty(9));

  list.FlipVertical(RECT{0, 0, 100, 100});
  EXPECT_EQ(list.GetHead()->m_rect, (RECT{0, 90, 10, 100}));
  list.FlipHorizontal(RECT{0, 0, 100, 100});
  EXPECT_EQ(list.GetHead()->m_rect, (RECT{90, 90, 100, 100}));
  list.SwapXY();
  list.m_nModified = 0;
  list.ScaleAll(50.0f, 0.0f, 0.5f, 2.0f);
  EXPECT_EQ(list.GetHead()->m_rect, (RECT{20, 180, 25, 200}));
  EXPECT_EQ(list.m_nModified, 0);

  // The note and its copy meet the rectangle; the one above ends at its top.
  list.DeleteInRect(RECT{20, 180, 21, 181});
  EXPECT_EQ(list.GetCount(), 1);
  EXPECT_EQ(list.RemoveAt(nullptr), RECT{});
  EXPECT_EQ(list.RemoveAt(list.GetHeadPosition()), (RECT{20, 160, 25, 180}));
  EXPECT_TRUE(list.IsEmpty());
}

TEST(Note, Rotation) {
  // Centre (50, 10); a quarter turn puts the text origin at (40, 60).
  EXPECT_EQ(RotatedTextOrigin(RECT{0, 0, 100, 20}, 90), (POINT{40, 60}));
  EXPECT_EQ(RotatedTextOrigin(RECT{0, 0, 100, 20}, 0), (POINT{0, 0}));
  CRecordingCanvas dc;
  DrawRotatedRect(dc, RECT{0, 0, 100, 20}, 90);
  EXPECT_EQ(dc.calls.front(), "move 40 60");
  EXPECT_EQ(dc.calls.back(), "line 40 60");
  EXPECT_EQ(dc.calls.size(), 5u);
}

// Rectangles spanning the int range (a damaged file, a far import): the
// centre of the turn and the offsets from it do not overflow.
TEST(Note, RotationOfRectanglesAtTheEdgesOfTheIntRange) {
  EXPECT_EQ(RotatedTextOrigin(RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0), (POINT{INT_MIN, INT_MIN}));
  EXPECT_EQ(RotatedTextOrigin(RECT{INT_MAX - 10, 0, INT_MAX, 20}, 0), (POINT{INT_MAX, 0}));
}

TEST(Note, DrawingLeavesTheStoredFontAlone) {
  CNoteList list;
  list.m_pFont = std::make_unique<LOGFONT>(SongFont());
  list.AddNote(RECT{0, 0, 100, 20}, "高程")->m_nAngle = 90;
  list.AddNote(RECT{0, 0, 10, 10}, "");
  list.AddNote(RECT{500, 500, 510, 510}, "far");
  const LOGFONT before = *list.m_pFont;
  CFixedViewTransform view(1.0, 1.0, 0, 0);
  CRecordingCanvas dc;
  EXPECT_EQ(list.Draw(dc, view, RECT{0, 0, 200, 200}, 1), 1);
  EXPECT_EQ(std::memcmp(&before, list.m_pFont.get(), sizeof before), 0);
  std::vector<std::string> texts;
  for (const std::string& c : dc.calls)
    if (c.rfind("text ", 0) == 0 || c.rfind("font ", 0) == 0) texts.push_back(c);
  EXPECT_EQ(texts, (std::vector<std::string>{"font 12 900 宋体", "text 40 60 高程", "font 12 0 "}));
  EXPECT_EQ(dc.textColor, RGB(0, 0, 0));  // restored
  EXPECT_EQ(dc.bkMode, OPAQUE);

  // Printing: centred across the scaled rectangle, no rotation.
  dc.calls.clear();
  list.DrawToBitmap(dc, 2.0f, 2.0f, 0, 0);
  EXPECT_EQ(dc.calls[2], "text " + std::to_string((0 + 200 - dc.GetTextExtent("高程").cx) / 2) + " 0 高程");
}

TEST(Note, StoredLayout) {
  CNoteList list;
  CNote* n = list.AddNote(RECT{10, 20, 110, 40}, "高程 125");
  n->m_nID = 3;
  n->m_nAngle = -45;
  list.m_textColor = RGB(0, 0, 255);
  list.m_strFileName = "n.nts";
  list.m_pFont = std::make_unique<LOGFONT>(SongFont());
  CArchive out;
  list.Serialize(out);
  EXPECT_EQ(qzntest::Hex(out.GetBuffer()), kStoredNotes);

  CNoteList back;
  back.AddNote(RECT{1, 1, 2, 2}, "kept");
  CArchive in(qzntest::FromHex(kStoredNotes));
  back.Serialize(in);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.GetTail()->m_strText, "高程 125");
  EXPECT_EQ(back.GetTail()->m_nID, 3);
  EXPECT_EQ(back.GetTail()->m_nAngle, -45);
  ASSERT_TRUE(back.m_pFont);
  EXPECT_EQ(std::memcmp(back.m_pFont.get(), list.m_pFont.get(), sizeof(LOGFONT)), 0);

  // A font count other than 60 still reads the 60-byte record; a count of 0
  // leaves the font as it is.
  auto bytes = qzntest::FromHex(kStoredNotes);
  bytes[52] = 0x7f;
  CNoteList odd;
  CArchive oddIn(bytes);
  odd.Serialize(oddIn);
  ASSERT_TRUE(odd.m_pFont);
  EXPECT_EQ(odd.m_pFont->lfHeight, -12);
  CNoteList noFont;
  CArchive plain;
  noFont.Serialize(plain);
  CArchive plainIn(plain.GetBuffer());
  odd.Serialize(plainIn);
  ASSERT_TRUE(odd.m_pFont);

  // Truncated: nothing is added.
  bytes.resize(40);
  CNoteList cut;
  CArchive cutIn(bytes);
  EXPECT_THROW(cut.Serialize(cutIn), CArchiveException);
  EXPECT_TRUE(cut.IsEmpty());
}

TEST(Note, AnnotationFile) {
  TempDir dir;
  CScriptedHost ui;
  CHostScope scope(&ui);
  CNoteList list;
  list.AddNote(RECT{1, 2, 30, 40}, "等高线 100")->m_nAngle = 30;
  list.AddNote(RECT{-5, 6, 7, 8}, "");
  list.AddNote(RECT{9, 9, 19, 19}, "END of text");
  const std::string path = dir.file("a.nts");
  ASSERT_EQ(list.SaveFile(path), 1);
  EXPECT_EQ(list.m_strFileName, path);
  EXPECT_EQ(ReadFileText(path), Utf8ToGbk("QZN 注释文件\r\n1 2 30 40\r\n等高线 100\r\n-5 6 7 8\r\n\r\n9 9 19 19\r\n"
                                          "END of text\r\nEND"));

  CNoteList back;
  ASSERT_EQ(back.LoadFile(path), 1);
  ASSERT_EQ(back.GetCount(), 3);
  EXPECT_EQ(back.GetHead()->m_strText, "等高线 100");
  EXPECT_EQ(back.GetHead()->m_nAngle, 0);
  EXPECT_EQ(back.GetHead()->m_nID, 0);
  EXPECT_EQ(back.GetAt(back.FindIndex(1))->m_strText, "");
  EXPECT_EQ(back.GetTail()->m_strText, "END of text");
  EXPECT_EQ(Rects(back), Rects(list));

  struct Case {
    std::string text;
    int result;
    std::vector<std::string> texts;
  } cases[] = {
      {"qzn 注释文件\n1 2 3 4\n高\n", 1, {"高"}},             // case is ignored
      {"QZN 注释文件\r\n1 2 3 4\r\nab\r\nEND", 1, {"ab"}},    // written on Windows
      {"QZN 注释文件\n1 2 3 4\n最后一行", 1, {"最后一行"}},   // no line end: nothing lost
      {"QZN 注释文件\n1 2 3 4\nab\n1 2 3\ncd\n", 1, {"ab"}},  // three numbers end it
      {"QZN 注释文件\n1 2 3 4\n" + std::string(5000, 'x') + "\n", 1, {std::string(5000, 'x')}},
      {"QZN 文本块文件\n1 2 3 4\nab\n", 0, {}},
  };
  for (const Case& c : cases) {
    WriteFileText(path, Utf8ToGbk(c.text));
    CNoteList l;
    ui.messages.clear();
    EXPECT_EQ(l.LoadFile(path), c.result) << c.text;
    std::vector<std::string> texts;
    for (const CNote* n : l) texts.push_back(n->m_strText);
    EXPECT_EQ(texts, c.texts) << c.text;
    if (!c.result) {
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].text, "无效的注释文件");
    }
  }
  CNoteList l;
  EXPECT_EQ(l.LoadFile(dir.file("none.nts")), 0);
  EXPECT_EQ(ui.messages.back().text, "读取注释文件出错。");
  EXPECT_EQ(list.SaveFile(dir.file("no/dir.nts")), 0);
  EXPECT_EQ(ui.messages.back().text, "保存注释文件出错。");
}

TEST(Note, ImportText) {
  TempDir dir;
  const std::string path = dir.file("words.txt");
  const std::string longWord(3000, 'w');
  WriteFileText(path, Utf8ToGbk("10.5 20 山峰\nnot a line\n1 2\n3e1 -4 " + longWord + " extra\n"));
  // X = x + 2 y + 0.5 x y + 7 (c2 unused), Y = -y + 100.
  const double cx[5] = {1, 2, 999, 0.5, 7}, cy[5] = {0, -1, 999, 0, 100};
  CNoteList list;
  ASSERT_EQ(list.ImportText(path, cx, cy), 1);
  ASSERT_EQ(list.GetCount(), 2);
  // 10.5 + 40 + 105 + 7 = 162.5 -> 162; two Chinese characters are four bytes.
  // The second word: 30 - 8 - 60 + 7 = -31, five pixels a byte.
  EXPECT_EQ(list.GetHead()->m_rect, (RECT{162, 80, 182, 100}));
  EXPECT_EQ(list.GetHead()->m_strText, "山峰");
  EXPECT_EQ(list.GetTail()->m_strText, longWord);
  EXPECT_EQ(list.GetTail()->m_rect, (RECT{-31, 104, -31 + 15000, 124}));
  EXPECT_EQ(list.m_strFileName, path);
}

TEST(Note, DxfAndSdlRecords) {
  TempDir dir;
  CNoteList list;
  CNote* n = list.AddNote(RECT{10, 20, 30, 40}, "高程");
  n->m_nID = 5;
  n->m_nAngle = 15;
  CLayerList layers;
  EXPECT_EQ(WriteWith(dir,
                      [&](CTextFileWriter& f) {
                        list.WriteDxf(f, qzn::MapTransform::Scaled(2.0, -1.0, 100.0, 50.0), layers);
                      }),
            "0\r\nTEXT\r\n8\r\n默认值\r\n10\r\n120.000000\r\n20\r\n30.000000\r\n1\r\n高程\r\n50\r\n15\r\n40\r\n"
            "20.000000\r\n41\r\n1.0\r\n7\r\nSTANDARD\r\n");
  const double cx[4] = {1, 0, 0, 1000}, cy[4] = {0, 2, 0, 0};
  EXPECT_EQ(
      WriteWith(dir, [&](CTextFileWriter& f) { list.WriteDxf(f, qzn::MapTransform::Polynomial(cx, cy, 4), layers); }),
      "0\r\nTEXT\r\n8\r\n默认值\r\n10\r\n1010.000000\r\n20\r\n40.000000\r\n1\r\n高程\r\n40\r\n40.000000\r\n41\r\n"
      "1.0\r\n50\r\n15\r\n7\r\nSTANDARD\r\n");
  Shift shift;
  EXPECT_EQ(
      WriteWith(dir, [&](CTextFileWriter& f) { list.WriteDxf(f, qzn::MapTransform::Triangulation(shift), layers); }),
      "0\r\nTEXT\r\n8\r\n默认值\r\n10\r\n1010.000000\r\n20\r\n-20.000000\r\n1\r\n高程\r\n40\r\n20.000000\r\n41\r\n"
      "1.0\r\n50\r\n15\r\n7\r\nSTANDARD\r\n");
  EXPECT_EQ(WriteWith(dir,
                      [&](CTextFileWriter& f) {
                        list.WriteSdl(f);
                        list.WriteSdl(f, qzn::MapTransform::Polynomial(cx, cy, 3));
                        list.WriteSdl(f, qzn::MapTransform::Triangulation(shift));
                      }),
            "M, \"高程\", \"0000\", 1\r\n10,20\r\nM, \"高程\", \"0000\", 1\r\n10.000000,40.000000\r\n"
            "M, \"高程\", \"0000\", 1\r\n1010.000000,-20.000000\r\n");
  shift.ok = 0;
  EXPECT_EQ(WriteWith(dir,
                      [&](CTextFileWriter& f) {
                        EXPECT_EQ(list.WriteDxf(f, qzn::MapTransform::Triangulation(shift), layers), 0);
                        EXPECT_EQ(list.WriteSdl(f, qzn::MapTransform::Triangulation(shift)), 0);
                      }),
            "");
}
