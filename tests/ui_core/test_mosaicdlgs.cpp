// The dialogs that collect the files of a new image, against fake controls:
// the raw image header (read, written whole, opened by the image reader),
// the mosaic list and matrix, and the colour source dialogs.
#include <gtest/gtest.h>

#include <fstream>

#include "raster/rasterimage.h"
#include "raster/rlcraw.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/fake_dialogs.h"
#include "ui/core/mosaicdlgs.h"
#include "ui/core/qznview.h"
#include "ui/core/rawimagedlg.h"

using namespace qzn;
using qzntest::FakeControls;

namespace {

void WriteText(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct RawDialog : ::testing::Test {
  CScriptedHost host;
  CHostScope scope{&host};
  qzntest::TempDir dir;
  CRawImageDlg dlg;
  FakeControls c;
  void SetUp() override { dlg.InitDialog(c); }
};

TEST_F(RawDialog, DefaultsAndAWrittenHeaderOpensItsImage) {
  EXPECT_EQ(c.text[CRawImageDlg::kColumns], "1024");
  EXPECT_EQ(c.text[CRawImageDlg::kRows], "1024");
  EXPECT_EQ(c.text[CRawImageDlg::kPlanes], "1");
  EXPECT_EQ(c.text[CRawImageDlg::kSkip], "-1");
  EXPECT_TRUE(c.check[CRawImageDlg::kMinIsWhite]);

  // 16 header bytes, then a 5 x 3 grey image.
  const std::string data = dir.file("scan.raw");
  std::string bytes(16, 'h');
  for (int i = 0; i < 15; ++i) bytes += static_cast<char>(i * 10);
  WriteText(data, bytes);
  host.fileAnswers.push_back({data});
  dlg.OnClicked(CRawImageDlg::kDataBrowse, c);
  EXPECT_EQ(c.text[CRawImageDlg::kDataName], data);
  EXPECT_EQ(host.fileDialogs.back().filter, "原始图像文件 (*.*)|*.*||");
  const std::string header = dir.file("scan.hdr");
  host.fileAnswers.push_back({header});
  dlg.OnClicked(CRawImageDlg::kHeaderBrowse, c);  // a new name is only shown
  EXPECT_EQ(host.fileDialogs.back().defaultExtension, "hdr");
  EXPECT_EQ(c.text[CRawImageDlg::kHeaderName], header);
  EXPECT_EQ(c.text[CRawImageDlg::kColumns], "1024");
  c.text[CRawImageDlg::kColumns] = "5";
  c.text[CRawImageDlg::kRows] = "3";
  c.text[CRawImageDlg::kSkip] = "16";
  c.check[CRawImageDlg::kMinIsWhite] = false;
  c.check[CRawImageDlg::kMinIsBlack] = true;
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(ReadText(header), "FILENAME " + data +
                                  "\r\nCOLS 5\r\nROWS 3\r\nPLANES 1\r\nBITSPERPIXEL 8\r\nSKIPBYTES 16\r\n"
                                  "LITTLEENDIAN\r\nMINISBLACK\r\n");
  CRasterImage image;
  ASSERT_EQ(ReadRawImage(header, image), 1);
  EXPECT_EQ(image.width, 5);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(image.pixels[14], 140);

  // Choosing the existing header in a fresh dialog brings every field back.
  CRawImageDlg again;
  FakeControls ac;
  again.InitDialog(ac);
  host.fileAnswers.push_back({header});
  again.OnClicked(CRawImageDlg::kHeaderBrowse, ac);
  EXPECT_EQ(ac.text[CRawImageDlg::kDataName], data);
  EXPECT_EQ(ac.text[CRawImageDlg::kColumns], "5");
  EXPECT_EQ(ac.text[CRawImageDlg::kSkip], "16");
  EXPECT_TRUE(ac.check[CRawImageDlg::kMinIsBlack]);
  EXPECT_EQ(again.fields.bitsPerPixel, 8);
}

TEST_F(RawDialog, HeaderLinesAsTheReaderTakesThem) {
  struct Case {
    const char* text;
    RawHeaderFields expected;
  } cases[] = {
      // One blank and a path: the path unchanged, blanks inside included.
      {"FILENAME /data/my scan.raw\n", {"/data/my scan.raw", 1024, 1024, 1, 8, -1, 0}},
      // A leading blank is no keyword: the field stays.
      {" COLS 77\nROWS 20\n", {"", 1024, 20, 1, 8, -1, 0}},
      // Lines no longer than their keyword give empty values, never more.
      {"FILENAME\nCOLS\nPLANES 3\nCOLOR\n", {"", 0, 1024, 3, 8, -1, 2}},
      {"BITSPERPIXEL 16\nSKIPBYTES 512\nMINISBLACK\nLITTLEENDIAN\n", {"", 1024, 1024, 1, 16, 512, 1}},
      {"COLS 640\r\nMINISWHITE\r\n", {"", 640, 1024, 1, 8, -1, 0}},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    const std::string path = dir.file("h.hdr");
    WriteText(path, k.text);
    RawHeaderFields f;
    ASSERT_TRUE(ReadRawHeader(path, f));
    EXPECT_EQ(f.dataFile, k.expected.dataFile);
    EXPECT_EQ(f.columns, k.expected.columns);
    EXPECT_EQ(f.rows, k.expected.rows);
    EXPECT_EQ(f.planes, k.expected.planes);
    EXPECT_EQ(f.bitsPerPixel, k.expected.bitsPerPixel);
    EXPECT_EQ(f.skipBytes, k.expected.skipBytes);
    EXPECT_EQ(f.photometric, k.expected.photometric);
  }
  RawHeaderFields f;
  EXPECT_FALSE(ReadRawHeader(dir.file("none.hdr"), f));
}

TEST_F(RawDialog, NamesAreNeededAndAFailedWriteKeepsTheDialogOpen) {
  ASSERT_FALSE(dlg.OnOK(c));
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"创建标题文件必须定义文件名。"});
  c.text[CRawImageDlg::kDataName] = dir.file("d.raw");
  c.text[CRawImageDlg::kHeaderName] = dir.file("no/such/folder/h.hdr");
  EXPECT_FALSE(dlg.OnOK(c));
  EXPECT_EQ(host.messages.back().text, "不能保存为定义的标题文件。");
  // An existing header is replaced whole or not at all.
  const std::string header = dir.file("keep.hdr");
  WriteText(header, "COLS 9\n");
  c.text[CRawImageDlg::kHeaderName] = header;
  dlg.OnClicked(CRawImageDlg::kSaveHeader, c);
  EXPECT_EQ(host.messages.back().text, "标题文件保存成功:" + header);
  EXPECT_NE(ReadText(header).find("COLS 1024"), std::string::npos);
}

TEST(MosaicDialog, ListMatrixAndOK) {
  CScriptedHost host;
  CHostScope scope(&host);
  CMosaicDlg dlg;
  FakeControls c;
  dlg.InitDialog(c);
  EXPECT_EQ(c.text[CMosaicDlg::kPerRow], "2");
  EXPECT_EQ(c.text[CMosaicDlg::kLeft], "10");
  EXPECT_EQ(c.text[CMosaicDlg::kCount], "0");
  // The files keep the order the file dialog gives them.
  host.fileAnswers.push_back({"/m/a.tif", "/m/b.tif", "/m/c.tif"});
  dlg.OnClicked(CMosaicDlg::kAdd, c);
  EXPECT_NE(host.fileDialogs.back().flags & OFN_ALLOWMULTISELECT, 0u);
  host.fileAnswers.push_back({"/m/d.tif"});
  dlg.OnClicked(CMosaicDlg::kAdd, c);
  EXPECT_EQ(c.items[CMosaicDlg::kList], (std::vector<std::string>{"/m/a.tif", "/m/b.tif", "/m/c.tif", "/m/d.tif"}));
  EXPECT_EQ(c.text[CMosaicDlg::kCount], "4");
  dlg.OnClicked(CMosaicDlg::kRemove, c);
  EXPECT_EQ(host.messages.back().text, "请从列表中选择一个文件以移除。");
  c.SetCurSel(CMosaicDlg::kList, 3);
  dlg.OnClicked(CMosaicDlg::kRemove, c);
  EXPECT_EQ(c.text[CMosaicDlg::kCount], "3");

  // The arrows stop at 1 going down and have no upper stop of their own.
  for (int i = 0; i < 3; ++i) dlg.OnScroll(CMosaicDlg::kPerRowArrows, kScrollLineUp, 0, c);
  EXPECT_EQ(c.text[CMosaicDlg::kPerRow], "1");
  dlg.OnScroll(CMosaicDlg::kRowsArrows, kScrollLineDown, 0, c);
  EXPECT_EQ(c.text[CMosaicDlg::kRows], "3");
  c.text[CMosaicDlg::kPerRow] = "1000";
  dlg.OnScroll(CMosaicDlg::kPerRowArrows, kScrollLineDown, 0, c);
  EXPECT_EQ(c.text[CMosaicDlg::kPerRow], "1001");
  host.messages.clear();
  EXPECT_FALSE(dlg.OnOK(c));
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"请输入一个整数在 1 和 1000 之间。"});
  // Rows 0 refused, corrected: every image once.
  c.text[CMosaicDlg::kPerRow] = "3";
  c.text[CMosaicDlg::kRows] = "0";
  EXPECT_FALSE(dlg.OnOK(c));
  c.text[CMosaicDlg::kRows] = "1";
  c.check[CMosaicDlg::kGeoreferenced] = true;
  ASSERT_TRUE(dlg.OnOK(c));
  EXPECT_EQ(dlg.images, (std::vector<std::string>{"/m/a.tif", "/m/b.tif", "/m/c.tif"}));
  EXPECT_EQ(dlg.Mode(), 2);

  struct Overlap {
    const char* text;
    bool accepted;
  } overlaps[] = {{"0", false}, {"0.001", true}, {"90", true}, {"90.5", false}};
  for (const Overlap& k : overlaps) {
    c.text[CMosaicDlg::kTop] = k.text;
    EXPECT_EQ(dlg.OnOK(c), k.accepted) << k.text;
  }
  CMosaicDlg empty;
  FakeControls ec;
  empty.InitDialog(ec);
  EXPECT_FALSE(empty.OnOK(ec));
  EXPECT_EQ(host.messages.back().text, "请为创建镶嵌图添加图像。");
  empty.OnClicked(CMosaicDlg::kHelp, ec);
  EXPECT_EQ(host.messages.back().text,
            "首先定义矩阵大小 (每一行和列中的图像) 并将图像文件添加到列表中。\n"
            "图像应该是同一类型，图像将为镶嵌而被变形和裁剪成一个整体。 \n"
            "图像将从左到右的排列直到全部图像被合并。\n");
}

TEST(ColourSourceDialogs, CompositeNeedsOneSourceColouriseAllThree) {
  CScriptedHost host;
  CHostScope scope(&host);
  CColorCompositeDlg composite;
  CColorizeDlg colourise;
  struct Case {
    CColorSourcesDlg* dlg;
    const char* message;
    bool acceptsRedAlone;
  } cases[] = {{&composite, "首先请指定图像颜色源文件。", true}, {&colourise, "首先请指定所有图像颜色源文件。", false}};
  for (const Case& k : cases) {
    FakeControls c;
    k.dlg->InitDialog(c);
    host.messages.clear();
    EXPECT_FALSE(k.dlg->OnOK(c));
    EXPECT_EQ(host.Texts(), std::vector<std::string>{k.message});
    // "浏览" starts from the colour's current path and puts the choice back.
    c.text[CColorSourcesDlg::kRed] = "/s/old.tif";
    host.fileAnswers.push_back({"/s/red.tif"});
    k.dlg->OnClicked(CColorSourcesDlg::kRedBrowse, c);
    EXPECT_EQ(host.fileDialogs.back().fileName, "/s/old.tif");
    EXPECT_EQ(c.text[CColorSourcesDlg::kRed], "/s/red.tif");
    EXPECT_EQ(k.dlg->OnOK(c), k.acceptsRedAlone);
    EXPECT_EQ(k.dlg->red, "/s/red.tif");
    c.text[CColorSourcesDlg::kGreen] = "/s/g.tif";
    c.text[CColorSourcesDlg::kBlue] = "/s/b.tif";
    EXPECT_TRUE(k.dlg->OnOK(c));
  }
}

}  // namespace
