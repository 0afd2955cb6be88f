// Lines in ARC generate, MIF and XYZ text, and reading generate text back.
#include <gtest/gtest.h>

#include "model/chain.h"
#include "model/writerlinks.h"
#include "platform/textfile.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace {

std::unique_ptr<CChain> Sample() {
  auto c = std::make_unique<CChain>();
  c->m_fID = 12.9f;
  c->AddPoint(1.5f, 2.0f);
  c->AddPoint(3.0f, 4.0f);
  c->CalcBounds();
  return c;
}

std::string Written(const std::function<void(CTextFileWriter&)>& write) {
  qzntest::TempDir dir;
  CTextFileWriter out;
  EXPECT_TRUE(out.Open(dir.file("t.txt")));
  write(out);
  EXPECT_TRUE(out.Close());
  return qzntest::ReadFileText(dir.file("t.txt"));
}

TEST(ChainText, PixelFormats) {
  auto c = Sample();
  EXPECT_EQ(Written([&](CTextFileWriter& f) { c->WriteText(f, 0); }),
            "12\r\n1.500000,2.000000\r\n3.000000,4.000000\r\nEND");
  EXPECT_EQ(Written([&](CTextFileWriter& f) { c->WriteText(f, 2); }),
            "Pline 2\r\n1.500000 2.000000\r\n3.000000 4.000000\r\n    Pen (1,2,65280)\r\n");
  EXPECT_EQ(Written([&](CTextFileWriter& f) { c->WriteText(f, 4); }),
            "1.500000 2.000000 12.900000\r\n3.000000 4.000000 12.900000\r\n");
  CChain empty;
  EXPECT_EQ(Written([&](CTextFileWriter& f) { EXPECT_EQ(empty.WriteText(f, 0), 1); }), "");
}

TEST(ChainText, MifPenTakesRedTimes65536) {
  auto c = Sample();
  c->m_color = RGB(255, 0, 0);
  c->m_nPenStyle = PS_DASH;
  c->m_nWidth = 3 | CChain::kLastMovedMark;
  const std::string mif = Written([&](CTextFileWriter& f) { c->WriteText(f, 2); });
  EXPECT_NE(mif.find("    Pen (3,3,16711680)\r\n"), std::string::npos) << mif;
  c->m_color = RGB(1, 2, 3);
  EXPECT_NE(Written([&](CTextFileWriter& f) { c->WriteText(f, 2); }).find("Pen (3,3,66051)"), std::string::npos);
}

TEST(ChainText, MapCoordinatesThroughThePolynomial) {
  auto c = Sample();
  const double ax[4] = {2, 0, 100, 0}, ay[4] = {0, -1, 50, 0};
  const auto affine = qzn::MapTransform::Polynomial(ax, ay, 3);
  EXPECT_EQ(Written([&](CTextFileWriter& f) { c->WriteText(f, 0, affine); }),
            "12\r\n103.000000,48.000000\r\n106.000000,46.000000\r\nEND");
  const std::string mif = Written([&](CTextFileWriter& f) { c->WriteText(f, 2, affine); });
  EXPECT_EQ(mif, "Pline 2\r\n103.000000 48.000000\r\n106.000000 46.000000\r\n    Pen (1,2,0)\r\n");
  const double bx[4] = {1, 0, 1, 0}, by[4] = {0, 1, 0, 5};
  EXPECT_EQ(Written([&](CTextFileWriter& f) { c->WriteText(f, 4, qzn::MapTransform::Polynomial(bx, by, 4)); }),
            "4.500000 7.000000 12.900000\r\n15.000000 9.000000 12.900000\r\n");
  // Rows of no known type are no polynomial: the pixels go out.
  EXPECT_EQ(Written([&](CTextFileWriter& f) { c->WriteText(f, 0, qzn::MapTransform::Polynomial(bx, by, 0)); }),
            "12\r\n1.500000,2.000000\r\n3.000000,4.000000\r\nEND");
  // A transform that cannot map a vertex writes nothing of the line.
  struct Refuses : IMapTransform {
    int TransformPoint(double, double, double&, double&) const override { return 0; }
    int TransformPixel(int, int, double&, double&) const override { return 0; }
  } refuses;
  EXPECT_EQ(
      Written([&](CTextFileWriter& f) { EXPECT_EQ(c->WriteText(f, 2, qzn::MapTransform::Triangulation(refuses)), 0); }),
      "");
}

TEST(ChainText, ReadGenerate) {
  qzntest::TempDir dir;
  qzntest::WriteFileText(dir.file("a.gen"), "5\n10.0,20.0\n30.0,40.0\nEND\n6\nbad line\n1,2\n7\nEND\nEND\n");
  CTextFileReader in;
  ASSERT_TRUE(in.Open(dir.file("a.gen")));
  CChain a;
  ASSERT_EQ(a.ReadGenerate(in, 1), 1);
  EXPECT_EQ(a.m_fID, 5.0f);
  EXPECT_EQ(a.Points(), (CFPointArray{{10.f, 20.f}, {30.f, 40.f}}));
  EXPECT_TRUE((a.m_rcBounds == RECT{9, 19, 31, 41}));
  // Lines that do not give two numbers add no made-up vertex.
  CChain b;
  ASSERT_EQ(b.ReadGenerate(in, 1), 1);
  EXPECT_EQ(b.m_fID, 6.0f);
  EXPECT_EQ(b.Points(), (CFPointArray{{1.f, 2.f}}));
  CChain end;
  EXPECT_EQ(end.ReadGenerate(in, 1), 0);

  qzntest::WriteFileText(dir.file("b.gen"), "7\r\n10.0 20.0\r\n30 40\r\nEND\r\n8\r\n1 1\r\n");
  CTextFileReader sp;
  ASSERT_TRUE(sp.Open(dir.file("b.gen")));
  CChain c;
  ASSERT_EQ(c.ReadGenerate(sp, 0), 1);
  EXPECT_EQ(c.Points(), (CFPointArray{{10.f, 20.f}, {30.f, 40.f}}));
  CChain cut;  // the file ends inside a line
  EXPECT_EQ(cut.ReadGenerate(sp, 0), 0);
  EXPECT_EQ(cut.Points(), (CFPointArray{{1.f, 1.f}}));
}

// GDAL's ARC generate driver is missing from Debian's GDAL, so the file is
// read by a reader written from the published format, apart from ours.
TEST(ChainTextOracle, AnIndependentReaderReadsWrittenGenerateText) {
  QZN_REQUIRE_ORACLE(qzntest::HavePythonModules({}), "Python");
  qzntest::TempDir dir;
  auto a = Sample();
  CChain b;
  b.m_fID = 7;
  b.AddPoint(0, 0);
  b.AddPoint(10, 10);
  b.AddPoint(5, 0);
  CTextFileWriter out;
  ASSERT_TRUE(out.Open(dir.file("lines.gen")));
  a->WriteText(out, 0);
  out.Write("\n");
  b.WriteText(out, 0);
  out.Write("\nEND\n");
  ASSERT_TRUE(out.Close());
  std::string read;
  ASSERT_EQ(qzntest::RunCommand(qzntest::Python() + " " + qzntest::SourcePath("tests/support/arcgen_read.py") + " " +
                                    dir.file("lines.gen"),
                                &read),
            0)
      << read;
  EXPECT_EQ(read, "12 1.5 2,3 4\n7 0 0,10 10,5 0\n");
}

}  // namespace
