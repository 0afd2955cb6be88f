// Layers: the table's rules, the width conversions, the layer text file and
// the stored table.
#include "model/layer.h"

#include <gtest/gtest.h>

#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

using qzntest::FromHex;
using qzntest::Hex;

std::vector<int> Ids(const CLayerList& t) {
  std::vector<int> v;
  for (const CLayer& l : t.m_layers) v.push_back(l.m_nID);
  return v;
}

TEST(Layer, NewTableHoldsLayerZero) {
  CLayerList t;
  ASSERT_EQ(t.GetCount(), 1);
  const CLayer& z = t.GetAt(0);
  EXPECT_EQ(z.m_nID, 0);
  EXPECT_EQ(z.m_strName, "0");
  EXPECT_EQ(z.m_color, RGB(0, 255, 0));
  EXPECT_TRUE(z.IsVisible() && z.IsCurrent());
  EXPECT_EQ(t.m_nModified, 0);
  EXPECT_EQ(t.DeleteLayerByID(0), FALSE);
  EXPECT_EQ(t.DeleteLayerByName("0"), FALSE);
  CLayer plain;
  EXPECT_EQ(plain.m_strName, "无标题");
  EXPECT_EQ(plain.m_color, 64000u);
}

TEST(Layer, IdsColoursAndNames) {
  CLayerList t;
  t.AddLayer()->m_nID = 1;
  t.AddLayer()->m_nID = 5;
  t.m_nModified = 0;
  CLayer* n = t.AddLayer();
  EXPECT_EQ(n->m_nID, 3);
  EXPECT_EQ(n->m_color, RGB(255, 255, 0));
  EXPECT_EQ(n->m_strName, "图层3");
  EXPECT_EQ(t.m_nModified, 1);

  t.m_layers[1].m_nID = 0;  // IDs 0, 0, 5, 3
  t.m_layers[2].m_nID = 1;  // 0, 0, 1, 3
  t.FixDuplicateIDs();
  EXPECT_EQ(Ids(t), (std::vector<int>{0, 4, 1, 3}));

  std::string name;
  t.GetLayerName(name, 3);
  EXPECT_EQ(name, "图层3");
  t.GetLayerName(name, 99);
  EXPECT_EQ(name, "默认值");
  EXPECT_EQ(t.GetLayerColor(99), RGB(0, 255, 0));
  EXPECT_EQ(t.FindLayerByID(99), &t.m_layers[0]);
  t.m_layers[3].m_strName = "Roads";
  EXPECT_EQ(t.FindLayerByName("ROADS"), &t.m_layers[3]);
  EXPECT_EQ(t.HasLayerName("roads"), TRUE);
  EXPECT_EQ(t.HasLayerName("rivers"), FALSE);
}

TEST(Layer, CurrentVisibleMarked) {
  CLayerList t;
  t.AddLayer()->m_strName = "A";
  t.AddLayer()->m_strName = "B";
  t.SetCurrentLayer("a");
  EXPECT_EQ(t.GetCurrentLayerID(), t.m_layers[1].m_nID);
  EXPECT_FALSE(t.m_layers[0].IsCurrent());
  EXPECT_EQ(t.DeleteLayerByName("A"), FALSE);  // current
  std::string cur;
  EXPECT_EQ(t.GetCurrentLayerName(cur), TRUE);
  EXPECT_EQ(cur, "A");

  t.SetCurrentLayer("nowhere");
  EXPECT_EQ(t.GetCurrentLayer(), nullptr);
  EXPECT_EQ(t.GetCurrentLayerID(), 0);
  EXPECT_EQ(t.GetCurrentLayerName(cur), FALSE);

  t.SetCurrentLayer("B");
  t.m_layers[2].SetVisible(FALSE);  // hiding ends being current
  EXPECT_FALSE(t.m_layers[2].IsCurrent());
  t.m_layers[2].SetVisible(TRUE);
  EXPECT_FALSE(t.m_layers[2].IsCurrent());

  t.m_layers[0].SetMarked(TRUE);
  t.m_layers[2].SetMarked(TRUE);
  std::vector<int> ids{42};
  EXPECT_EQ(t.GetMarkedLayerIDs(ids), 2);
  EXPECT_EQ(ids, (std::vector<int>{42, 0, 2}));

  EXPECT_EQ(t.DeleteLayerByID(2), TRUE);
  EXPECT_EQ(t.GetCount(), 2);

  t.m_layers[1].m_color = RGB(251, 255, 252);
  t.m_layers[0].m_color = RGB(250, 255, 255);
  t.ReplaceWhiteColors();
  EXPECT_EQ(t.m_layers[1].m_color, CLayerList::PaletteColor(t.m_layers[1].m_nID));
  EXPECT_EQ(t.m_layers[0].m_color, RGB(250, 255, 255));
}

TEST(Layer, WidthConversions) {
  CLayer l;
  struct Case {
    float scale, width;
    const char* fileUnit;
    const char* unit;
    int result;
  } cases[] = {
      {100, 2.5f, "MM", kUnitInch, 10},  // round(9.8425)
      {50, 3, "INCH", kUnitPixel, 3},    // pixels: no scale
      {10, 20, "mm", kUnitCentimetre, 20},     {10, 2, "inches", kUnitInch, 20},
      {10, 1, "CENTIMETRE", kUnitInch, 4},      // round(3.937)
      {10, 1, "INCH", kUnitCentimetre, 25},     // round(25.4)
      {-3, 2, "CENT", kUnitCentimetre, 2},      // a bad scale counts as 1
      {10, 0.01f, "CENT", kUnitCentimetre, 1},  // never below 1
      {10, 7, "FEET", kUnitInch, 7},
  };
  for (const Case& c : cases) {
    l.SetWidthConverted(c.scale, c.width, c.fileUnit, c.unit);
    EXPECT_EQ(l.m_nWidth, c.result) << c.fileUnit << " " << c.width;
  }
  l.SetWidth(100, 0.05f, kUnitInch);
  EXPECT_EQ(l.m_nWidth, 5);
  EXPECT_FLOAT_EQ(l.GetWidth(100, kUnitInch), 0.05f);
  EXPECT_FLOAT_EQ(l.GetWidth(100, kUnitPixel), 5.0f);
  l.SetWidth(0, 0.2f, kUnitPixel);
  EXPECT_EQ(l.m_nWidth, 1);
  // 1000 inches at 600 pixels an inch: the widest a line can be, not a
  // width that reaches into its snap marks (a table no load would take).
  l.SetWidth(600, 1000, kUnitInch);
  EXPECT_EQ(l.m_nWidth, CLayer::kMaxWidth);
}

TEST(LayerFile, TextDefinitions) {
  qzntest::TempDir dir;
  CScriptedHost ui;
  CHostScope scope(&ui);
  qzntest::WriteFileText(dir.file("a.lay"),  // code page 936 on disk
                         Utf8ToGbk("layers 2\r\n道路 255 0 0 2.5 MM\r\nRiver 0 0 300 1 INCH\r\n"));
  CLayerList t;
  t.AddLayer()->m_strName = "old";
  ASSERT_EQ(t.LoadLayerFile(dir.file("a.lay"), 100, kUnitInch), TRUE);
  ASSERT_EQ(t.GetCount(), 3);  // layer "0" and the two layers
  EXPECT_EQ(t.m_layers[0].m_strName, "0");
  EXPECT_TRUE(t.m_layers[0].IsCurrent());
  EXPECT_EQ(t.m_layers[1].m_strName, "道路");
  EXPECT_EQ(t.m_layers[1].m_color, RGB(255, 0, 0));
  EXPECT_EQ(t.m_layers[1].m_nWidth, 10);
  EXPECT_EQ(t.m_layers[1].m_nFlags, CLayer::kVisible);
  EXPECT_EQ(t.m_layers[2].m_strName, "River");
  EXPECT_EQ(t.m_nModified, 0);
  EXPECT_EQ(t.m_layers[2].m_color, RGB(0, 0, 255));  // components clamped to 255
  EXPECT_EQ(t.m_layers[2].m_nWidth, 100);

  // Not a whole layer text file: FALSE quietly, the table as it was.
  const struct {
    const char* what;
    std::string text;
  } refused[] = {
      {"not a layer file", "something else\n"},
      {"a line that does not parse", "layers 3\n道路 255 0 0 2.5 MM\nbad line\nRiver 0 0 300 1 INCH\n"},
      {"fewer layers than its count",
       qzntest::ReadFileText(qzntest::SourcePath("tests/fixtures/damaged/readers/lay/declared-count-not-met.lay"))},
      {"a count below 0", "LAYERS -1\n"},
  };
  for (const auto& r : refused) {
    qzntest::WriteFileText(dir.file("c.lay"), r.text);
    EXPECT_EQ(t.LoadLayerFile(dir.file("c.lay"), 1, kUnitPixel), FALSE) << r.what;
    EXPECT_EQ(t.GetCount(), 3) << r.what;
    EXPECT_EQ(t.m_layers[1].m_strName, "道路") << r.what;
  }
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(t.LoadLayerFile(dir.file("none.lay"), 1, kUnitPixel), FALSE);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "不能打开文件。");
  EXPECT_EQ(t.GetCount(), 3);
}

TEST(LayerArchive, LayoutIsPinned) {
  CLayerList t;
  CLayer* l = t.AddLayer();
  l->m_nFill = 6;
  l->m_nPenStyle = 2;
  l->m_nWidth = 3;
  CArchive out;
  t.Serialize(out);
  const char* kRecord =
      "02000000"
      "00000000 03000000 01000000 00000000 00000000 00ff0000 01 30"
      "01000000 01000000 03000000 06000000 02000000 ff000000 05 cdbcb2e331";  // "图层1" in code page 936
  EXPECT_EQ(Hex(out.GetBuffer()), Hex(FromHex(kRecord)));

  CLayerList back;
  CArchive in(FromHex(kRecord));
  back.Serialize(in);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.m_layers[1].m_strName, "图层1");
  EXPECT_EQ(back.m_layers[1].m_nFill, 6);
  EXPECT_EQ(back.m_layers[1].m_color, RGB(255, 0, 0));
}

TEST(LayerArchive, LoadedTableAlwaysHasLayerZeroAndOneCurrent) {
  CLayerList t;
  {
    CArchive empty(FromHex("00000000"));
    t.Serialize(empty);
  }
  ASSERT_EQ(t.GetCount(), 1);
  EXPECT_EQ(t.m_layers[0].m_strName, "0");
  EXPECT_TRUE(t.m_layers[0].IsCurrent() && t.m_layers[0].IsVisible());

  // Two current layers (one hidden), no layer "0", ID 0 taken.
  CLayerList src;
  src.m_layers.clear();
  CLayer a, b;
  a.m_nID = 0;
  a.m_strName = "A";
  a.m_nFlags = CLayer::kCurrent;  // current but hidden
  b.m_nID = 1;
  b.m_strName = "B";
  b.m_nFlags = CLayer::kCurrent | CLayer::kVisible;
  src.m_layers = {a, b};
  CArchive out;
  src.Serialize(out);
  CArchive in(out.GetBuffer());
  t.Serialize(in);
  ASSERT_EQ(t.GetCount(), 3);
  EXPECT_EQ(t.m_layers[0].m_strName, "0");
  EXPECT_EQ(t.m_layers[0].m_nID, 2);
  int current = 0;
  for (const CLayer& l : t.m_layers) current += l.IsCurrent() ? 1 : 0;
  EXPECT_EQ(current, 1);
  EXPECT_TRUE(t.m_layers[1].IsCurrent() && t.m_layers[1].IsVisible());

  auto cut = out.GetBuffer();
  cut.resize(cut.size() - 2);
  CArchive bad(cut);
  EXPECT_THROW(t.Serialize(bad), CArchiveException);
  EXPECT_EQ(t.GetCount(), 3);  // a damaged table changes nothing
}

}  // namespace
