// The 3D view's camera arithmetic without OpenGL: the orthographic
// projection and the model-view transform of a frame as 4 x 4 matrices in
// OpenGL's column-major order (the window loads them as they are), and the
// mapping between model points and window positions that picking uses.
#pragma once

#include <array>

namespace qzn {

using CMatrix4 = std::array<double, 16>;  // column-major: element (row i, column j) at [j * 4 + i]

CMatrix4 IdentityMatrix();
// a x b: b is applied to a point first.
CMatrix4 MultiplyMatrix(const CMatrix4& a, const CMatrix4& b);
// The matrices of glOrtho, glTranslated and glRotated (angle in degrees
// about the axis (x, y, z), counter-clockwise looking down the axis).
CMatrix4 OrthoMatrix(double left, double right, double bottom, double top, double zNear, double zFar);
CMatrix4 TranslationMatrix(double x, double y, double z);
CMatrix4 RotationMatrix(double degrees, double x, double y, double z);
// False for a singular matrix.
bool InvertMatrix(const CMatrix4& m, CMatrix4& inverse);

// A viewport: x, y (from the bottom left), width, height in GL pixels.
using CViewport = std::array<int, 4>;

struct CPoint3 {
  double x = 0.0, y = 0.0, z = 0.0;
};

// Model point -> window position (x, y from the bottom left, depth 0 to
// 1), as OpenGL maps it; false when the point maps to infinity.
bool ProjectPoint(const CPoint3& model, const CMatrix4& modelView, const CMatrix4& projection, const CViewport& vp,
                  CPoint3& window);
// The inverse: window position and depth -> model point.
bool UnProjectPoint(const CPoint3& window, const CMatrix4& modelView, const CMatrix4& projection, const CViewport& vp,
                    CPoint3& model);

}  // namespace qzn
