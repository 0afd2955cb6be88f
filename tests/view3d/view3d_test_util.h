// Helpers of the 3D window's tests: grid files, the desktop with its 3D
// window, reading pixels back and where model points land on the screen.
#pragma once

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/utils.h>

#include "app/qzndoc.h"
#include "platform/textfile.h"
#include "terrain/colorramp.h"
#include "terrain/opengldoc.h"
#include "tests/support/testutil.h"
#include "tests/ui/gui_test_util.h"
#include "ui/app.h"
#include "ui/mainframe.h"
#include "ui/wxhost.h"
#include "ui/core/openglview.h"
#include "ui/frame3d.h"
#include "ui/glcanvas3d.h"

namespace view3dtest {

using namespace qzn;

using guitest::Pump;

// An ESRI ASCII grid of columns x rows heights h(c, r), row 0 first.
inline void WriteGrid(const std::string& path, int columns, int rows, double cell,
                      const std::function<double(int, int)>& h, double lowerLeftX = 0, double lowerLeftY = 0) {
  std::string text = FormatC("ncols %d\nnrows %d\nxllcorner %g\nyllcorner %g\ncellsize %g\nNODATA_value -9999\n",
                             columns, rows, lowerLeftX, lowerLeftY, cell);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) text += FormatC("%.3f ", h(c, r));
    text += "\n";
  }
  qzntest::WriteFileText(path, text);
}

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

inline Rgb PixelAt(const C3DPicture& p, int x, int y) {
  const std::size_t i =
      (static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) + static_cast<std::size_t>(x)) * 3;
  return Rgb{p.rgb[i], p.rgb[i + 1], p.rgb[i + 2]};
}

inline bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

inline std::string Show(const Rgb& c) { return FormatC("(%d,%d,%d)", c.r, c.g, c.b); }

// A ramp colour as an 8-bit frame buffer holds it.
inline Rgb RampRgb(const CRampColor& c) {
  auto q = [](float v) { return static_cast<int>(std::lround(v * 255.0f)); };
  return Rgb{q(c[0]), q(c[1]), q(c[2])};
}

// A workspace holding an RGB image whose pixel (x, y) is colour(x, y); its
// extent is the image.
inline std::unique_ptr<CQznDoc> RgbDoc(int w, int h, const std::function<Rgb(int, int)>& colour) {
  auto doc = std::make_unique<CQznDoc>();
  CRasterImage& img = doc->m_image;
  img.Init();
  img.width = w;
  img.height = h;
  img.planes = 3;
  img.bitsPerSample = 8;
  img.photometric = 2;
  EXPECT_TRUE(img.AllocPixels());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb c = colour(x, y);
      img.SetPlaneByte(x, y, 0, static_cast<BYTE>(c.r));
      img.SetPlaneByte(x, y, 1, static_cast<BYTE>(c.g));
      img.SetPlaneByte(x, y, 2, static_cast<BYTE>(c.b));
    }
  doc->ResetExtent();
  return doc;
}

// Where a model point lands in the picture (x right, y down, in pixels).
inline CPoint3 ScreenOf(COpenGLView& view, const CPoint3& model) {
  const CFrameSetup f = view.SetupFrame();
  CPoint3 w;
  EXPECT_TRUE(ProjectPoint(model, f.modelView, f.projection, f.viewport, w));
  return CPoint3{w.x, f.viewport[3] - w.y, w.z};
}

// The desktop with its main window, made once for a test suite; each test
// ends with the 3D window and the workspaces closed.
class Desktop3D : public guitest::DesktopTest {
 public:
  using guitest::DesktopTest::dir;
  using guitest::DesktopTest::host;

  void TearDown() override {
    if (C3DFrame* f = Current3DFrame()) f->Destroy();
    Pump();
    guitest::DesktopTest::TearDown();
    // Closing a changed workspace may have asked for a file too.
    host->fileDialogs.clear();
  }

  // Opens a grid in the 3D window and lets it draw its first frame.
  static C3DFrame* Open(const std::string& path) {
    EXPECT_EQ(Open3DView(path), 1) << path;
    Pump(20);
    C3DFrame* f = Current3DFrame();
    EXPECT_NE(f, nullptr);
    if (f) {
      EXPECT_TRUE(f->Canvas()->HasContext());
    }
    return f;
  }

  static C3DPicture Picture(C3DFrame& f) {
    C3DPicture p;
    EXPECT_TRUE(f.Canvas()->Capture(p));
    return p;
  }

  // Kept in build/artifacts to be looked at.
  static void Save(const C3DPicture& p, const std::string& name) {
    wxImage img(p.width, p.height, const_cast<unsigned char*>(p.rgb.data()), true);
    std::filesystem::create_directories(std::string(QZN_BINARY_DIR) + "/artifacts");
    img.SaveFile(std::string(QZN_BINARY_DIR) + "/artifacts/" + name, wxBITMAP_TYPE_PNG);
  }
};

}  // namespace view3dtest
