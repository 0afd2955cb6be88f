// Helpers of the 3D window's tests: grid files, the desktop with its 3D
// window, reading pixels back and where model points land on the screen.
#pragma once

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/utils.h>

#include "platform/textfile.h"
#include "terrain/opengldoc.h"
#include "tests/support/testutil.h"
#include "ui/core/openglview.h"
#include "ui/frame3d.h"
#include "ui/glcanvas3d.h"

namespace view3dtest {

using namespace qzn;

inline void Pump(int rounds = 10) {
  for (int i = 0; i < rounds; ++i) {
    wxTheApp->Yield(true);
    wxMilliSleep(2);
  }
}

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
  const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) + static_cast<std::size_t>(x)) * 3;
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

// Where a model point lands in the picture (x right, y down, in pixels).
inline CPoint3 ScreenOf(COpenGLView& view, const CPoint3& model) {
  const CFrameSetup f = view.SetupFrame();
  CPoint3 w;
  EXPECT_TRUE(ProjectPoint(model, f.modelView, f.projection, f.viewport, w));
  return CPoint3{w.x, f.viewport[3] - w.y, w.z};
}

}  // namespace view3dtest
