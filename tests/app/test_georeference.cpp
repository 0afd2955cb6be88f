// The workspace's georeference as one answer: which reference it uses, the
// transform that reference gives in either direction, and the export
// dialogs' remembered choice as the project keeps it.
#include <gtest/gtest.h>

#include "app/georeference.h"
#include "app/qzndoc.h"

using namespace qzn;

namespace {

// Every reference below maps the image as X = 500000 + 2 x, Y = 4000000 - 2 y:
// map coordinates of UTM size, which float would round.
constexpr double kPixelX = 77, kPixelY = 33;
constexpr double kMapX = 500000.0 + 2 * kPixelX, kMapY = 4000000.0 - 2 * kPixelY;

void AddControlPoint(CQznDoc& doc, double x, double y) {
  *doc.m_controlPts.AddNew() = CControlPt(x, y, 500000.0 + 2 * x, 4000000.0 - 2 * y);
}

void AddWorldFile(CQznDoc& doc) {
  doc.m_tfw.m_A = 2;
  doc.m_tfw.m_B = 0;
  doc.m_tfw.m_C = 500000;
  doc.m_tfw.m_D = 0;
  doc.m_tfw.m_E = -2;
  doc.m_tfw.m_F = 4000000;
  doc.m_tfw.m_nTerms = 3;
}

enum class Points { none, three, four, fourOnALine };

void AddPoints(CQznDoc& doc, Points points) {
  switch (points) {
    case Points::none: break;
    case Points::three:
      for (auto [x, y] : {std::pair{10.0, 10.0}, {200.0, 10.0}, {10.0, 150.0}}) AddControlPoint(doc, x, y);
      break;
    case Points::four:
      for (auto [x, y] : {std::pair{10.0, 10.0}, {200.0, 10.0}, {10.0, 150.0}, {200.0, 150.0}})
        AddControlPoint(doc, x, y);
      break;
    case Points::fourOnALine:
      for (double x : {10.0, 60.0, 110.0, 160.0}) AddControlPoint(doc, x, x);
      break;
  }
}

}  // namespace

TEST(Georeference, TheWorkspaceUsesTheControlPointsBeforeTheWorldFile) {
  const struct {
    const char* name;
    Points points;
    bool worldFile;
    GeorefKind inUse;
    int polynomial;  // what GetMapTransform gives: 0 pixels
  } cases[] = {
      {"nothing", Points::none, false, GeorefKind::none, 0},
      {"a world file", Points::none, true, GeorefKind::worldFile, kAffinePolynomial},
      {"three points and a world file", Points::three, true, GeorefKind::worldFile, kAffinePolynomial},
      {"four points", Points::four, false, GeorefKind::bilinear, kBilinearPolynomial},
      {"four points and a world file", Points::four, true, GeorefKind::bilinear, kBilinearPolynomial},
      // The points are the reference even when they cannot be fitted: the
      // answer is then pixels, and the world file is not taken instead.
      {"four points on a line and a world file", Points::fourOnALine, true, GeorefKind::bilinear, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CQznDoc doc;
    AddPoints(doc, c.points);
    if (c.worldFile) AddWorldFile(doc);
    EXPECT_EQ(doc.GeorefInUse(), c.inUse);
    EXPECT_EQ(doc.IsGeoreferenced(), c.inUse != GeorefKind::none);

    const MapTransform map = doc.GetMapTransform();
    EXPECT_EQ(map.PolynomialType(), c.polynomial);
    EXPECT_EQ(map.IsGeoreferenced(), c.polynomial != 0);
    double X = 0, Y = 0;
    ASSERT_TRUE(map.Map(kPixelX, kPixelY, X, Y));
    EXPECT_NEAR(X, c.polynomial ? kMapX : kPixelX, 1e-6);
    EXPECT_NEAR(Y, c.polynomial ? kMapY : kPixelY, 1e-6);
    if (!c.polynomial) continue;

    // The same reference the other way, as the imports apply it.
    CGeoreference back;
    ASSERT_EQ(back.Prepare(doc, c.inUse, kMapToImage), CGeoreference::ok);
    ASSERT_TRUE(back.Map().Map(kMapX, kMapY, X, Y));
    EXPECT_NEAR(X, kPixelX, 1e-6);
    EXPECT_NEAR(Y, kPixelY, 1e-6);
  }
}

TEST(Georeference, EachKindPreparesOrSaysWhatFailed) {
  CQznDoc doc;
  doc.m_extent = RECT{0, 0, 255, 255};
  AddPoints(doc, Points::four);
  CGeoreference georef;

  // The triangulation is built for this transform only, in either direction.
  for (TransformDirection direction : {kImageToMap, kMapToImage}) {
    ASSERT_EQ(georef.Prepare(doc, GeorefKind::triangulation, direction), CGeoreference::ok);
    ASSERT_NE(georef.Triangles(), nullptr);
    double X = 0, Y = 0;
    if (direction == kImageToMap) {
      ASSERT_TRUE(georef.Map().Map(200, 150, X, Y));
      EXPECT_NEAR(X, 500400.0, 1e-6);
      EXPECT_NEAR(Y, 3999700.0, 1e-6);
    } else {
      ASSERT_TRUE(georef.Map().Map(500400.0, 3999700.0, X, Y));
      EXPECT_NEAR(X, 200.0, 1e-6);
      EXPECT_NEAR(Y, 150.0, 1e-6);
    }
  }
  EXPECT_TRUE(doc.m_triangles.IsEmpty());

  // Without the data a kind needs, the kind fails and leaves pixels.
  CQznDoc bare;
  const struct {
    GeorefKind kind;
    CGeoreference::Outcome outcome;
  } failures[] = {
      {GeorefKind::bilinear, CGeoreference::fitFailed},
      {GeorefKind::triangulation, CGeoreference::triangulationFailed},
      {GeorefKind::worldFile, CGeoreference::worldFileFailed},
      {GeorefKind::none, CGeoreference::ok},
  };
  for (const auto& f : failures) {
    EXPECT_EQ(georef.Prepare(bare, f.kind), f.outcome);
    EXPECT_TRUE(georef.Map().IsPixels());
    EXPECT_EQ(georef.Triangles(), nullptr);
    EXPECT_FALSE(bare.HasGeoref(f.kind));
  }
}

TEST(Georeference, TheRememberedChoiceIsAKindOrNone) {
  // The project keeps the word in 16 bits: the -1 of none reads back as 65535.
  const struct {
    int word;
    GeorefKind kind;
  } cases[] = {{-1, GeorefKind::none},     {0, GeorefKind::bilinear}, {1, GeorefKind::triangulation},
               {2, GeorefKind::worldFile}, {3, GeorefKind::none},     {65535, GeorefKind::none}};
  for (const auto& c : cases) {
    CQznDoc doc;
    doc.m_nSpareWord = c.word;
    EXPECT_EQ(doc.RememberedGeoref(), c.kind) << c.word;
  }
  CQznDoc doc;
  for (GeorefKind kind : {GeorefKind::none, GeorefKind::bilinear, GeorefKind::triangulation, GeorefKind::worldFile}) {
    doc.RememberGeoref(kind);
    EXPECT_EQ(doc.m_nSpareWord, static_cast<int>(kind));
    EXPECT_EQ(doc.RememberedGeoref(), kind);
  }
}
