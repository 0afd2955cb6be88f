// OCR signatures: grid comparison, best match, sampling of glyph boxes on
// grey, bilevel and palette images, the archive record and the .ocr file,
// recognition of chained text blocks into annotations, and recognition of
// text rendered by Pillow in DejaVu Sans after training on the same font.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>
#include <vector>

#include "app/charlist.h"
#include "app/qzndoc.h"
#include "model/box.h"
#include "model/note.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/app/qzndoc_test_util.h"
#include "tests/support/testutil.h"

using namespace qzn;

using doctest::MakeGrey;
using qzntest::TempDir;

namespace {

CChar Grid(int w, int h, const std::vector<int>& cells, int code = -1) {
  CChar c;
  c.AllocGrid(w, h);
  for (std::size_t i = 0; i < cells.size(); ++i) c.m_pGrid[i] = static_cast<BYTE>(cells[i]);
  c.m_nCode = code;
  return c;
}

std::vector<int> Cells(const CChar& c) { return std::vector<int>(c.m_pGrid.get(), c.m_pGrid.get() + c.CellCount()); }

void FillRect(CRasterImage& img, int l, int t, int r, int b, BYTE v) {
  for (int y = t; y < b; ++y)
    for (int x = l; x < r; ++x) img.SetByte(x, y, v);
}

// Three glyph shapes on a white grey image, 20 x 20 boxes: a bar, a frame and
// a cross.
enum Shape { kBar, kFrame, kCross, kBlank };
void DrawShape(CRasterImage& img, const RECT& rc, Shape s) {
  const int l = rc.left, t = rc.top, r = rc.right, b = rc.bottom;
  switch (s) {
    case kBar: FillRect(img, l + 8, t, l + 12, b, 0); break;
    case kFrame:
      FillRect(img, l, t, r, t + 3, 0);
      FillRect(img, l, b - 3, r, b, 0);
      FillRect(img, l, t, l + 3, b, 0);
      FillRect(img, r - 3, t, r, b, 0);
      break;
    case kCross:
      FillRect(img, l, t + 8, r, t + 12, 0);
      FillRect(img, l + 8, t, l + 12, b, 0);
      break;
    case kBlank: break;
  }
}

}  // namespace

TEST(OcrSignature, SimilarityScores) {
  struct Case {
    const char* what;
    CChar a, b;
    float expected;
  };
  Case cases[] = {
      {"equal grids", Grid(2, 2, {1, 0, 1, 1}), Grid(2, 2, {1, 0, 1, 1}), 1.0f},
      {"exact complement", Grid(2, 2, {1, 0, 1, 0}), Grid(2, 2, {0, 1, 0, 1}), -1.0f},
      {"both all zero", Grid(2, 2, {0, 0, 0, 0}), Grid(2, 2, {0, 0, 0, 0}), -1.0f},
      {"one match one miss, common zeros skipped", Grid(2, 2, {1, 1, 0, 0}), Grid(2, 2, {1, 0, 0, 0}), 0.0f},
      {"colour values must be equal", Grid(2, 2, {7, 7, 7, 0}), Grid(2, 2, {7, 7, 9, 0}), 1.0f / 3.0f},
      {"sizes differ", Grid(2, 2, {1, 1, 1, 1}), Grid(1, 4, {1, 1, 1, 1}), 0.0f},
      {"no grid", CChar(), Grid(2, 2, {1, 1, 1, 1}), 0.0f},
  };
  for (Case& c : cases) {
    EXPECT_FLOAT_EQ(c.a.Similarity(c.b), c.expected) << c.what;
    EXPECT_FLOAT_EQ(c.b.Similarity(c.a), c.expected) << c.what;
  }
}

TEST(OcrSignature, FindBestKeepsEarlierOnTiesAndRefusesOtherSizes) {
  CCharList set;
  set.m_nGridWidth = set.m_nGridHeight = 2;
  CChar sample = Grid(2, 2, {1, 1, 0, 0});
  EXPECT_EQ(set.FindBest(sample), -1) << "empty set";

  auto add = [&](std::vector<int> cells, int code) {
    CChar* c = set.AddNew();
    c->AllocGrid(2, 2);
    for (int i = 0; i < 4; ++i) c->m_pGrid[i] = static_cast<BYTE>(cells[i]);
    c->m_nCode = code;
  };
  add({0, 0, 1, 1}, 'x');  // -1: never taken
  EXPECT_EQ(set.FindBest(sample), -1) << "nothing scores above -1";
  add({1, 0, 0, 0}, 'a');  // 0
  add({0, 1, 0, 0}, 'b');  // 0, tie: the earlier stays
  EXPECT_EQ(set.FindBest(sample), 'a');
  add({1, 1, 0, 0}, 'c');  // 1
  EXPECT_EQ(set.FindBest(sample), 'c');
  EXPECT_EQ(set.FindBest(Grid(1, 4, {1, 1, 0, 0})), -1) << "other grid size";
  EXPECT_EQ(set.FindBest(CChar()), -1) << "no grid";
  EXPECT_EQ(set.m_nModified, 1);
  EXPECT_TRUE(set.RemoveAt(0));
  EXPECT_FALSE(set.RemoveAt(9));
  EXPECT_EQ(set.GetCount(), 3);
}

TEST(OcrSignature, SamplingANarrowBoxTakesASquareAroundItsCentre) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  CQznDoc doc;
  MakeGrey(doc.m_image, 100, 100);
  FillRect(doc.m_image, 0, 0, 100, 100, 0);  // all ink: only the box may be sampled
  doc.m_nThreshHigh = 128;

  CChar c;
  ASSERT_EQ(c.Sample(&doc, RECT{40, 20, 50, 50}, 'I', 30, 30), 1);
  EXPECT_EQ(c.m_nCode, 'I');
  ASSERT_EQ(c.m_nWidth, 30);
  // side 30, step 1, centre x 45; offsets round half away from the centre
  // line and are truncated toward zero, so columns 9 to 19 fall on x 40 to
  // 49 (columns 14 and 15 both on 45); every row lies inside.
  for (int i = 0; i < 30; ++i)
    for (int j = 0; j < 30; ++j) EXPECT_EQ(c.m_pGrid[i * 30 + j], (j >= 9 && j < 20) ? 1 : 0) << i << "," << j;

  // Refusals: a non-square grid, no image.
  CChar d;
  EXPECT_EQ(d.Sample(&doc, RECT{40, 20, 50, 50}, 'I', 30, 20), 0);
  CQznDoc empty;
  EXPECT_EQ(d.Sample(&empty, RECT{0, 0, 5, 5}, 'I', 8, 8), 0);
  ASSERT_EQ(svc.messages.size(), 1u);
  EXPECT_EQ(svc.messages[0].text, "图像需要进行 OCR 训练。");
}

TEST(OcrSignature, GreyImagesUseTheThresholdPairNotTheCornerPixel) {
  // The corner pixel is paper; the ink must be told by the threshold pair,
  // the automatic one when the user set none.
  for (int photometric : {1, 0}) {
    CQznDoc doc;
    MakeGrey(doc.m_image, 64, 64, photometric);
    FillRect(doc.m_image, 18, 10, 22, 30, photometric == 0 ? 255 : 0);
    CChar c;
    ASSERT_EQ(c.Sample(&doc, RECT{10, 10, 30, 30}, 'l', 20, 20), 1);
    int set = 0;
    for (int k = 0; k < 400; ++k) set += c.m_pGrid[k];
    // The bar's four columns in five grid columns (the centre one twice).
    EXPECT_EQ(set, 5 * 20) << "photometric " << photometric;
    EXPECT_EQ(c.m_pGrid[5 * 20 + 9], 1);
    EXPECT_EQ(c.m_pGrid[5 * 20 + 2], 0);
  }
  // A user threshold wide enough to take a light smudge takes it.
  CQznDoc doc;
  MakeGrey(doc.m_image, 64, 64);
  FillRect(doc.m_image, 10, 10, 30, 30, 128);
  doc.m_nThreshLow = 0;
  doc.m_nThreshHigh = 200;
  CChar c;
  ASSERT_EQ(c.Sample(&doc, RECT{10, 10, 30, 30}, 'l', 20, 20), 1);
  for (int k = 0; k < 400; ++k) ASSERT_EQ(c.m_pGrid[k], 1);
}

TEST(OcrSignature, PaletteImagesSampleTheLowByteOfThePixel) {
  CQznDoc doc;
  MakeGrey(doc.m_image, 16, 16);
  doc.m_image.photometric = 3;
  FillRect(doc.m_image, 0, 0, 16, 16, 7);
  FillRect(doc.m_image, 4, 4, 8, 8, 200);
  CChar c;
  ASSERT_EQ(c.Sample(&doc, RECT{4, 4, 8, 8}, 'p', 4, 4), 1);
  for (int k = 0; k < 16; ++k) EXPECT_EQ(c.m_pGrid[k], 200);
}

TEST(OcrSet, ArchiveRoundTripKeepsCodesGridsAndUngriddedSignatures) {
  CCharList set;
  set.m_nGridWidth = set.m_nGridHeight = 3;
  set.m_strFileName = "/maps/a.ocr";
  set.m_strDescription = "等高线 数字";
  CChar* a = set.AddNew();
  a->AllocGrid(3, 3);
  a->m_pGrid[4] = 1;
  a->m_nCode = '7';
  set.AddNew();  // sampling failed: code -1, no grid
  CChar* cjk = set.AddNew();
  cjk->AllocGrid(3, 3);
  cjk->m_pGrid[0] = 1;
  cjk->m_nCode = 0x9AD8;  // 高, above the 16-bit sign

  CArchive out;
  set.Serialize(out);
  EXPECT_EQ(set.m_nModified, 0);

  CCharList back;
  CArchive in(out.GetBuffer());
  back.Serialize(in);
  EXPECT_EQ(in.BytesLeft(), 0u);
  ASSERT_EQ(back.GetCount(), 3);
  EXPECT_EQ(back.m_nGridWidth, 3);
  EXPECT_EQ(back.m_strFileName, set.m_strFileName);
  EXPECT_EQ(back.m_strDescription, set.m_strDescription);
  POSITION pos = back.GetHeadPosition();
  const CChar* b0 = back.GetNext(pos);
  const CChar* b1 = back.GetNext(pos);
  const CChar* b2 = back.GetNext(pos);
  EXPECT_EQ(b0->m_nCode, '7');
  EXPECT_EQ(Cells(*b0), Cells(*a));
  EXPECT_EQ(b1->m_nCode, -1);
  EXPECT_FALSE(b1->HasGrid());
  EXPECT_EQ(b2->m_nCode, 0x9AD8);

  // Every truncation fails as an archive error and leaves the set whole.
  const auto& bytes = out.GetBuffer();
  for (std::size_t cut = 0; cut < bytes.size(); cut += 3) {
    CArchive part(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(cut)));
    EXPECT_THROW(back.Serialize(part), CArchiveException) << cut;
    EXPECT_EQ(back.GetCount(), 3);
  }
}

TEST(OcrSet, FileRoundTripAndItsLayout) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  TempDir dir;
  CCharList set;
  set.m_nGridWidth = set.m_nGridHeight = 2;
  set.m_strDescription = "图名 digits";
  for (int code : {int{'1'}, 0x9AD8}) {
    CChar* c = set.AddNew();
    c->AllocGrid(2, 2);
    c->m_pGrid[code & 3] = 1;
    c->m_nCode = code;
  }
  set.AddNew();  // no grid: not written
  const std::string path = dir.file("set.ocr");
  ASSERT_EQ(set.WriteFile(path), 1);
  EXPECT_EQ(set.m_nModified, 0);
  EXPECT_EQ(set.m_strFileName, path);

  const std::string text = GbkToUtf8(qzntest::ReadFileText(path));
  EXPECT_EQ(text, "QZN OCR 文件\r\n图名 digits\r\n2 2\r\n49\r\n0\r\n1\r\n0\r\n0\r\n39640\r\n1\r\n0\r\n0\r\n0\r\nEND");

  // Read over an existing set, with the header in other Latin case.
  std::string lower = qzntest::ReadFileText(path);
  lower.replace(0, 3, "qzn");
  lower.replace(4, 3, "Ocr");
  qzntest::WriteFileText(path, lower);
  CCharList back;
  back.AddNew();
  ASSERT_EQ(back.ReadFile(path), 1);
  EXPECT_EQ(back.m_nModified, 0);
  ASSERT_EQ(back.GetCount(), 2);
  EXPECT_EQ(back.m_strDescription, set.m_strDescription);
  EXPECT_EQ(back.GetHead()->m_nCode, '1');
  EXPECT_EQ(back.GetTail()->m_nCode, 0x9AD8);
  EXPECT_EQ(Cells(*back.GetTail()), Cells(*set.GetAt(set.FindIndex(1))));
  EXPECT_TRUE(svc.messages.empty());
}

TEST(OcrSet, AFailedReadLeavesTheSetAsItWas) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  TempDir dir;
  CCharList set;
  set.m_strDescription = "kept";
  set.AddNew()->m_nCode = 'k';

  struct Case {
    const char* what;
    const char* content;  // null: no file
    const char* message;  // null: none
  };
  const Case cases[] = {
      {"missing file", nullptr, "读取 OCR 文件错误。"},
      {"other header", "QZN OCR FILE\n\n2 2\nEND", "无效的 OCR 文件。"},
      {"no grid size", "QZN OCR 文件\ndesc\nx y\nEND", nullptr},
      {"absurd grid size", "QZN OCR 文件\ndesc\n100000 100000\nEND", "无效的 OCR 文件。"},
      {"cells cut short", "QZN OCR 文件\ndesc\n2 2\n65\n1\n0\n", nullptr},
      {"a cell that is no number", "QZN OCR 文件\ndesc\n2 2\n65\n1\n0\nx\n1\nEND", nullptr},
  };
  for (const Case& c : cases) {
    svc.messages.clear();
    const std::string path = dir.file("bad.ocr");
    std::filesystem::remove(path);
    if (c.content) qzntest::WriteFileText(path, Utf8ToGbk(c.content));
    EXPECT_EQ(set.ReadFile(path), 0) << c.what;
    ASSERT_EQ(set.GetCount(), 1) << c.what;
    EXPECT_EQ(set.GetHead()->m_nCode, 'k') << c.what;
    EXPECT_EQ(set.m_strDescription, "kept") << c.what;
    if (c.message) {
      ASSERT_EQ(svc.messages.size(), 1u) << c.what;
      EXPECT_EQ(svc.messages[0].text, c.message) << c.what;
      EXPECT_EQ(svc.messages[0].style & 0xF0, static_cast<unsigned>(MB_ICONERROR)) << c.what;
    }
  }
  // A file that ends its signatures at a non-number line is read whole.
  const std::string path = dir.file("ok.ocr");
  qzntest::WriteFileText(path, Utf8ToGbk("QZN OCR 文件\n\n1 1\n65\n1\nnot a code\n66\n1\n"));
  ASSERT_EQ(set.ReadFile(path), 1);
  EXPECT_EQ(set.GetCount(), 1);

  // A write that cannot be done fails with its message and keeps the flag.
  svc.messages.clear();
  set.m_nModified = 1;
  EXPECT_EQ(set.WriteFile(dir.file("no/such/dir/x.ocr")), 0);
  ASSERT_EQ(svc.messages.size(), 1u);
  EXPECT_EQ(svc.messages[0].text, "保存 OCR 文件错误。");
  EXPECT_EQ(set.m_nModified, 1);
}

TEST(OcrRecognise, ChainsBecomeNotesAndOnlyReadGlyphsLoseTheirLines) {
  CScriptedHost svc;
  CHostScope scope(&svc);
  CQznDoc doc;
  MakeGrey(doc.m_image, 300, 100);
  doc.m_extent = RECT{0, 0, 299, 99};
  doc.m_nThreshHigh = 128;
  CLayer* text = doc.m_layers.AddLayer();
  text->m_strName = "文字";
  doc.SetCurrentLayer("文字");
  const int layer = doc.m_layers.GetCurrentLayerID();

  // Train a bar, a frame and a cross.
  doc.m_chars.m_nGridWidth = doc.m_chars.m_nGridHeight = 16;
  const Shape trained[] = {kBar, kFrame, kCross};
  const char codes[] = {'1', 'O', '+'};
  for (int i = 0; i < 3; ++i) {
    RECT rc{10 + 30 * i, 10, 30 + 30 * i, 30};
    DrawShape(doc.m_image, rc, trained[i]);
    ASSERT_NE(doc.m_chars.AddSample(&doc, rc, codes[i]), nullptr);
  }
  // Word 1: cross, blank, bar -> "+1" (the blank glyph is passed over).
  // Word 2: blank head -> no note at all.
  struct Glyph {
    RECT rc;
    Shape shape;
  };
  const Glyph word1[] = {{{10, 50, 30, 70}, kCross}, {{35, 50, 55, 70}, kBlank}, {{60, 50, 80, 70}, kBar}};
  const Glyph word2[] = {{{150, 50, 170, 70}, kBlank}, {{175, 50, 195, 70}, kFrame}};
  auto addWord = [&](const Glyph* g, int n) {
    CBox* prev = nullptr;
    for (int i = 0; i < n; ++i) {
      DrawShape(doc.m_image, g[i].rc, g[i].shape);
      CBox* b = doc.m_textBlocks.AddBox(g[i].rc, -1);
      if (prev) prev->m_pNext = b, b->m_pPrev = prev;
      prev = b;
      // A line of the glyph's lettering inside its block.
      CChain* line = doc.m_lines.NewChain();
      line->AddPoint(g[i].rc.left + 2, g[i].rc.top + 2);
      line->AddPoint(g[i].rc.right - 2, g[i].rc.bottom - 2);
      line->CalcBounds();
    }
  };
  addWord(word1, 3);
  addWord(word2, 2);
  // A map line crossing the first word stays.
  CChain* road = doc.m_lines.NewChain();
  road->AddPoint(0, 60);
  road->AddPoint(299, 60);
  road->CalcBounds();

  EXPECT_EQ(doc.m_notes.RecognizeTextBoxes(&doc, &doc.m_textBlocks, &doc.m_chars), 1);
  ASSERT_EQ(doc.m_notes.GetCount(), 1);
  const CNote* note = doc.m_notes.GetHead();
  EXPECT_EQ(note->m_strText, "+1");
  EXPECT_EQ(note->m_nID, layer);
  EXPECT_EQ(note->m_rect, (RECT{10, 50, 80, 70}));
  EXPECT_EQ(doc.m_notes.m_nModified, 1);

  // Left: the blank glyph of word 1 (now alone) and both blocks of word 2,
  // each with its line, and the road.
  ASSERT_EQ(doc.m_textBlocks.GetCount(), 3);
  const CBox* blank = doc.m_textBlocks.GetHead();
  EXPECT_EQ(blank->m_rect, word1[1].rc);
  EXPECT_EQ(blank->m_pPrev, nullptr);
  EXPECT_EQ(blank->m_pNext, nullptr);
  EXPECT_EQ(doc.m_lines.GetCount(), 4);
  for (const CChain* c : doc.m_lines) {
    const RECT b = c->m_rcBounds;
    EXPECT_FALSE(b.left >= 10 && b.right <= 30) << "cross line left";
    EXPECT_FALSE(b.left >= 60 && b.right <= 80) << "bar line left";
  }
  EXPECT_TRUE(svc.messages.empty());

  // Missing arguments do nothing.
  EXPECT_EQ(doc.m_notes.RecognizeTextBoxes(nullptr, &doc.m_textBlocks, &doc.m_chars), 0);
  EXPECT_EQ(doc.m_notes.RecognizeTextBoxes(&doc, nullptr, &doc.m_chars), 0);
}

// Text in DejaVu Sans rendered by Pillow: trained on one line of digits and
// letters, recognised on other words in the same font and size.
TEST(OcrRecognise, ReadsDejaVuTextAfterTrainingOnTheSameFont) {
  const std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  QZN_REQUIRE_ORACLE(std::filesystem::exists(font), "fonts-dejavu-core")
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({"PIL"}), "Pillow")
  TempDir dir;
  const std::string png = dir.file("text.png");
  const std::string script = dir.file("render.py");
  qzntest::WriteFileText(script, R"PY(
import sys
from PIL import Image, ImageDraw, ImageFont
font = ImageFont.truetype(sys.argv[1], 36)
lines = [("0123456789ABEHKNR", 20, 20), ("2047 815", 40, 110), ("BANK 3690", 300, 110), ("HERNE 57", 60, 190)]
img = Image.new("L", (700, 260), 255)
draw = ImageDraw.Draw(img)
for text, x, y in lines:
    draw.text((x, y), text, font=font, fill=0)
    # one word per output line: "line word" then per glyph "code l t r b"
    pen = x
    for i, ch in enumerate(text):
        if ch != " ":
            l, t, r, b = draw.textbbox((x + draw.textlength(text[:i], font=font), y), ch, font=font)
            print(lines.index((text, x, y)), ord(ch), int(l), int(t), int(r) + 1, int(b) + 1)
        else:
            print(lines.index((text, x, y)), 32, 0, 0, 0, 0)
img.save(sys.argv[2])
)PY");
  std::string out;
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " " + script + " " + font + " " + png, &out), 0);

  CScriptedHost svc;
  CHostScope scope(&svc);
  CQznDoc doc;
  CQuietScope quiet;
  ASSERT_EQ(doc.LoadImageFile(png), 1);
  doc.m_extent = RECT{0, 0, doc.m_image.width - 1, doc.m_image.height - 1};

  // Line 0 trains; the other lines are words separated by spaces.
  std::istringstream in(out);
  int line, code;
  RECT rc;
  CBox* prev = nullptr;
  std::vector<std::string> expected;
  std::string word;
  int lastLine = -1;
  auto endWord = [&] {
    if (!word.empty()) expected.push_back(word);
    word.clear();
    prev = nullptr;
  };
  while (in >> line >> code >> rc.left >> rc.top >> rc.right >> rc.bottom) {
    if (line != lastLine) endWord();
    lastLine = line;
    if (line == 0) {
      ASSERT_NE(doc.m_chars.AddSample(&doc, rc, code), nullptr);
      continue;
    }
    if (code == ' ') {
      endWord();
      continue;
    }
    CBox* b = doc.m_textBlocks.AddBox(rc, 0);
    if (prev) prev->m_pNext = b, b->m_pPrev = prev;
    prev = b;
    word += static_cast<char>(code);
  }
  endWord();
  ASSERT_EQ(doc.m_chars.GetCount(), 17);
  ASSERT_EQ(expected.size(), 6u);

  EXPECT_EQ(doc.m_notes.RecognizeTextBoxes(&doc, &doc.m_textBlocks, &doc.m_chars), 6);
  std::vector<std::string> read;
  for (const CNote* n : doc.m_notes) read.push_back(n->m_strText);
  EXPECT_EQ(read, expected);
  EXPECT_TRUE(doc.m_textBlocks.IsEmpty());
}
