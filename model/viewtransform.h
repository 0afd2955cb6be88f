// The mapping between image pixels (x right, y down; the coordinates of all
// vector data) and the client pixels of a window. The image view implements
// it; every drawing routine of the data model receives one to place what it
// draws. Each conversion reads the getters afresh, so a zoom or scroll takes
// effect with the next drawing.
#pragma once

#include "model/fpoint.h"
#include "platform/wintypes.h"

namespace qzn {

class CViewTransform {
 public:
  virtual ~CViewTransform() = default;

  // Whole pixels truncate toward zero and are held within +-2^30: far beyond
  // any window or image, yet the marks drawn around them and the offsets
  // added to them stay inside the int range.
  static constexpr int kHeldPixel = 1 << 30;
  static int HeldPixel(double v) {
    if (!(v > -kHeldPixel)) return -kHeldPixel;  // NaN as well
    if (v > kHeldPixel) return kHeldPixel;
    return static_cast<int>(v);
  }

  virtual double GetScaleX() const = 0;  // client pixels per image pixel
  virtual double GetScaleY() const = 0;
  virtual int GetWorkspaceOriginX() const = 0;  // left/top of the image extent
  virtual int GetWorkspaceOriginY() const = 0;
  virtual int GetClientOffsetX() const = 0;  // subtracted after scaling
  virtual int GetClientOffsetY() const = 0;
  virtual int GetViewOriginX() const = 0;  // image x/y of the visible window's left/top edge
  virtual int GetViewOriginY() const = 0;

  // One coordinate to a client pixel: trunc(scale * (v - origin) + 0.5 - offset).
  // The +0.5 comes before the offset, so only non-negative results round to
  // nearest; below 0 they truncate toward zero.
  int ImageToClientX(double x) const {
    return HeldPixel(GetScaleX() * (x - GetViewOriginX()) + 0.5 - GetClientOffsetX());
  }
  int ImageToClientY(double y) const {
    return HeldPixel(GetScaleY() * (y - GetViewOriginY()) + 0.5 - GetClientOffsetY());
  }
  RECT ImageToClient(const RECT& r) const {
    return RECT{ImageToClientX(r.left), ImageToClientY(r.top), ImageToClientX(r.right), ImageToClientY(r.bottom)};
  }
  RECT ImageToClient(int left, int top, int right, int bottom) const {
    return ImageToClient(RECT{left, top, right, bottom});
  }
  SIZE ImageToClientSize(int w, int h) const {
    return SIZE{HeldPixel(GetScaleX() * w + 0.5), HeldPixel(GetScaleY() * h + 0.5)};
  }

  // Float mappers used by the line, point and control-point drawing; a client
  // pixel is the result plus 0.5, truncated toward zero.
  float ImageToClientXF(float x) const {
    return static_cast<float>((static_cast<double>(x) - GetViewOriginX()) * GetScaleX() - GetClientOffsetX());
  }
  float ImageToClientYF(float y) const {
    return static_cast<float>((static_cast<double>(y) - GetViewOriginY()) * GetScaleY() - GetClientOffsetY());
  }
  // The client pixel of an image point, as the drawing routines place it.
  POINT ImageToClientPixel(const CFPoint& p) const {
    return POINT{HeldPixel(ImageToClientXF(p.x) + 0.5f), HeldPixel(ImageToClientYF(p.y) + 0.5f)};
  }

  // Client to image truncates (no half-pixel term): a client pixel maps to the
  // image pixel whose span holds its left or top edge.
  POINT ClientToImage(POINT p) const {
    return POINT{HeldPixel((static_cast<double>(p.x) + GetClientOffsetX()) / GetScaleX() + GetViewOriginX()),
                 HeldPixel((static_cast<double>(p.y) + GetClientOffsetY()) / GetScaleY() + GetViewOriginY())};
  }
  RECT ClientToImage(const RECT& r) const {
    POINT a = ClientToImage(POINT{r.left, r.top});
    POINT b = ClientToImage(POINT{r.right, r.bottom});
    return RECT{a.x, a.y, b.x, b.y};
  }
  CFPoint ClientToImageF(const CFPoint& p) const {
    return CFPoint(static_cast<float>((static_cast<float>(GetClientOffsetX()) + p.x) / GetScaleX() + GetViewOriginX()),
                   static_cast<float>((static_cast<float>(GetClientOffsetY()) + p.y) / GetScaleY() + GetViewOriginY()));
  }
};

// A transform with fixed values: off-screen rendering, printing previews and
// tests.
class CFixedViewTransform : public CViewTransform {
 public:
  double scaleX = 1.0, scaleY = 1.0;
  int workspaceOriginX = 0, workspaceOriginY = 0;
  int clientOffsetX = 0, clientOffsetY = 0;
  int viewOriginX = 0, viewOriginY = 0;

  CFixedViewTransform() = default;
  CFixedViewTransform(double sx, double sy, int vx, int vy)
      : scaleX(sx), scaleY(sy), viewOriginX(vx), viewOriginY(vy) {}

  double GetScaleX() const override { return scaleX; }
  double GetScaleY() const override { return scaleY; }
  int GetWorkspaceOriginX() const override { return workspaceOriginX; }
  int GetWorkspaceOriginY() const override { return workspaceOriginY; }
  int GetClientOffsetX() const override { return clientOffsetX; }
  int GetClientOffsetY() const override { return clientOffsetY; }
  int GetViewOriginX() const override { return viewOriginX; }
  int GetViewOriginY() const override { return viewOriginY; }
};

}  // namespace qzn
