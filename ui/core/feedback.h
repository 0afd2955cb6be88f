// The retained feedback layer: rubber bands, measuring lines and drag
// outlines that a tool shows while the mouse moves. A shape is drawn by
// inverting the pixels under it, so the picture beneath is never changed and
// two shapes over the same pixel cancel there, as inverted drawing always
// did. Tools set and clear shapes by slot; the window repaints only the
// damaged strips from its cached picture and inverts the shapes over them
// in software. Nothing is drawn outside a paint.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/wintypes.h"
#include "ui/core/displaybitmap.h"

namespace qzn {

struct FeedbackShape {
  enum Kind : int { kFrame, kLine, kPolyline, kPicture };
  Kind kind = kFrame;
  // kFrame: the four one-pixel edges of (left, top) - (right, bottom):
  //   top (left, top, width, 1), right (right, top, 1, height),
  //   left (left, top, 1, height), bottom (left, bottom, width, 1).
  //   The corners where two edges meet are inverted twice, as strips always
  //   were. An empty frame (no width or no height) inverts nothing.
  // kLine: the pixels of a line from (left, top) to (right, bottom), the end
  //   pixel excluded, as a line is drawn; with a width above 1 each pixel
  //   of the line is a square of that side, and every pixel they cover is
  //   inverted once.
  // kPolyline: the pixels of the segments through `points`, each pixel
  //   inverted once however many segments cross it (one inverted polyline
  //   drawn in one go), the last point excluded; `width` as for kLine.
  //   geometry holds the points' bounds.
  // kPicture: `picture` stretched over geometry (right and bottom
  //   exclusive), nearest pixel, exclusive-or'ed into what lies beneath:
  //   shown twice it is gone.
  RECT geometry{};
  int width = 1;
  std::vector<POINT> points;
  std::shared_ptr<const RgbBitmap> picture;

  static FeedbackShape Make(Kind kind, const RECT& geometry) {
    FeedbackShape s;
    s.kind = kind;
    s.geometry = geometry;
    return s;
  }
  static FeedbackShape Frame(const RECT& r) { return Make(kFrame, r); }
  static FeedbackShape Line(POINT a, POINT b, int width = 1) {
    FeedbackShape s = Make(kLine, RECT{a.x, a.y, b.x, b.y});
    s.width = width < 1 ? 1 : width;
    return s;
  }
  static FeedbackShape Polyline(std::vector<POINT> points, int width = 1);
  static FeedbackShape Picture(const RECT& client, std::shared_ptr<const RgbBitmap> picture) {
    FeedbackShape s = Make(kPicture, client);
    s.picture = std::move(picture);
    return s;
  }
  bool operator==(const FeedbackShape&) const = default;
};

// A strip of pixels (x, y, width, height) and whether each of its pixels is
// touched once (the strips of a frame) or by the line's pixels listed.
class CFeedbackLayer {
 public:
  // Sets or replaces the shape of a slot; the union of the old and new
  // shape's pixels is reported as damage.
  void Set(int slot, const FeedbackShape& shape);
  void Clear(int slot);
  void ClearAll();
  bool Has(int slot) const { return m_shapes.count(slot) != 0; }
  const std::map<int, FeedbackShape>& Shapes() const { return m_shapes; }

  // Rectangles (right and bottom exclusive) that need repainting since the
  // last call, taken from the layer. Thin strips, not bounding boxes: a
  // rubber band across the window damages four strips of one pixel.
  std::vector<RECT> TakeDamage();

  // Inverts the shapes' pixels inside clip (right/bottom exclusive) of an
  // RGB buffer (3 bytes a pixel, `stride` bytes a row) whose top-left pixel
  // is (clip.left, clip.top) of the client.
  void Invert(std::uint8_t* rgb, std::int64_t stride, const RECT& clip) const;

  // The pixels of a shape, each once per time it is inverted (frame corners
  // twice), for tests and for Invert. A picture's pixels are those of its
  // rectangle.
  static void ForEachPixel(const FeedbackShape& shape, const RECT& clip, const std::function<void(int, int)>& f);
  // Strips covering a shape's pixels (right/bottom exclusive).
  static void Strips(const FeedbackShape& shape, std::vector<RECT>& out);

 private:
  static void XorPicture(const FeedbackShape& shape, std::uint8_t* rgb, std::int64_t stride, const RECT& clip);
  std::map<int, FeedbackShape> m_shapes;
  std::vector<RECT> m_damage;
};

// Slots of the shapes the view and the tools show.
enum : int { kSlotRubberBand = 0, kSlotToolBand = 1, kSlotToolLine = 2, kSlotToolFirstFree = 8 };

}  // namespace qzn
