// The 3D window's OpenGL canvas: draws the frames of a COpenGLView (the
// surface coloured by height, or draped with the workspace's image), turns
// mouse, size and timer events into the view's calls, and renders off
// screen (a framebuffer object) for picking and window capture, so a
// covered window still reads its own pixels.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <wx/glcanvas.h>
#include <wx/timer.h>

#include "ui/capture.h"
#include "ui/core/openglview.h"

namespace qzn {

class C3DRenderer;

// Pixels read back from a frame: top row first, 3 bytes a pixel (RGB).
struct C3DPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
};

class C3DCanvas : public wxGLCanvas, public I3DWindow, public ICaptureSource {
 public:
  C3DCanvas(wxWindow* parent, COpenGLDoc* doc);
  ~C3DCanvas() override;

  COpenGLView& View() { return *m_view; }
  // The OpenGL set-up succeeded (the window draws nothing otherwise).
  bool HasContext() const { return m_ready; }

  // Draws the current frame off screen at the window's size and reads its
  // pixels; false when no off-screen framebuffer can be had.
  bool Capture(C3DPicture& picture);
  // Window capture and printing take the off-screen frame.
  wxImage RenderClientImage() override;
  // Draws the frame into the window's back buffer and reads it without
  // showing it (what the screen would show; tests compare the capture).
  bool ReadBackBuffer(C3DPicture& picture);
  // Behaves as on a driver without framebuffer objects (for tests): no
  // capture, picks read the window's back buffer.
  void DisableOffscreen();
  // Milliseconds of the last frame drawn.
  double LastFrameMilliseconds() const { return m_lastFrameMs; }
  // How drape textures reach OpenGL: built once per drape (the normal way)
  // or uploaded cell by cell in every frame (kept to compare against).
  void SetUploadEveryFrame(bool every);
  // Texture objects the drape holds now (pages of tiles and single tiles).
  std::int64_t DrapeTextureCount() const;

  // ---- I3DWindow ----
  void Invalidate() override;
  void StartTimer(int id, int milliseconds) override;
  void StopTimer(int id) override;
  bool ReadDepth(int x, int y, float& depth) override;
  bool RunDialog(CDialogModel& dialog) override;
  void CursorMoved() override;

  // The GL pixels of a window point (window pixels times the content scale).
  wxPoint ToGlPixels(const wxPoint& p) const;
  void SyncSize();

 private:
  bool MakeCurrent();
  bool InitOpenGL();
  // Draws one frame into the bound framebuffer; the milliseconds it took.
  void DrawFrame();
  bool BindOffscreen(int width, int height);
  void UnbindOffscreen();
  void OnPaint(wxPaintEvent& e);
  void OnSize(wxSizeEvent& e);
  void OnLeftDown(wxMouseEvent& e);
  void OnTimer(wxTimerEvent& e);

  std::unique_ptr<COpenGLView> m_view;
  std::unique_ptr<wxGLContext> m_context;
  std::unique_ptr<C3DRenderer> m_renderer;
  wxTimer m_timer;
  bool m_ready = false;
  bool m_initTried = false;
  bool m_depthWarned = false;
  double m_lastFrameMs = 0.0;
};

}  // namespace qzn
