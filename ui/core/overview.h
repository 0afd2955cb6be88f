// The overview: the whole image as a small thumbnail with the view's visible
// rectangle outlined in red. Dragging the outline and letting go recentres
// the view on the outline's new centre. The logic lives here; the window
// (ui/) shows the thumbnail, the outline and the feedback layer, and passes
// mouse messages in client pixels.
#pragma once

#include "platform/wintypes.h"
#include "ui/core/displaybitmap.h"
#include "ui/core/feedback.h"

namespace qzn {

class CQznView;

class COverview {
 public:
  explicit COverview(CQznView& view) : m_view(view) {}

  // The client size (128 x 128 until the window tells its own).
  void SetClientSize(int width, int height);
  int Width() const { return m_width; }
  int Height() const { return m_height; }

  // Maps the visible rectangle onto the client; nothing for an empty extent.
  void SetViewRect(const RECT& extent, const RECT& visible);
  const RECT& ViewRect() const { return m_viewRect; }

  // Renders the thumbnail from the view's image and contrast; false without
  // an image or when the rendering fails (the old thumbnail is kept).
  bool Render();
  const RgbBitmap& Thumbnail() const { return m_thumbnail; }

  bool visible = true;

  // Mouse, in client pixels. A drag that starts outside the outline does
  // nothing; the outline follows the drag as a feedback frame; the release
  // recentres the view.
  void OnLButtonDown(POINT p);
  void OnMouseMove(POINT p);
  void OnLButtonUp(POINT p);
  void OnCaptureLost() { OnLButtonUp(m_current); }
  bool Dragging() const { return m_dragging; }
  CFeedbackLayer& Feedback() { return m_feedback; }

  // The outline's colour.
  static constexpr COLORREF kOutline = RGB(250, 10, 10);
  static constexpr COLORREF kEmpty = RGB(250, 250, 250);

 private:
  CQznView& m_view;
  int m_width = 128, m_height = 128;
  RECT m_viewRect{};
  RgbBitmap m_thumbnail;
  bool m_dragging = false;
  POINT m_start{}, m_current{};
  CFeedbackLayer m_feedback;
};

}  // namespace qzn
