// The image view's window: shows the view's cached picture (display bitmap
// plus overlays), repaints only the damaged strips when feedback shapes
// move (inverting the cached pixels under them in software), turns mouse,
// key and scroll events into the view's calls, and owns the overview.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/window.h>

#include "ui/capture.h"
#include "ui/commands.h"
#include "ui/core/qznview.h"
#include "ui/keyswindow.h"

namespace qzn {

class CQznDoc;

class COverviewFrame;

// The title of a workspace: its file's name, kUntitled before it has one.
std::string DocumentTitle(const CQznDoc& doc);

class CImageWindow : public CKeysWindow<wxWindow>, public IViewWindow, public ICaptureSource {
 public:
  CImageWindow(wxWindow* parent, CQznDoc* doc);
  ~CImageWindow() override;

  CQznView& View() { return *m_view; }
  CCommandTable& Commands() { return m_commands; }
  COverviewFrame* OverviewFrame() const { return m_overviewFrame; }
  void ShowOverview(bool show);
  // The keyboard comes to the image: its main window is made active when
  // another top-level window (the overview) has it.
  void TakeFocus();

  // The window's picture as it would be painted now (cached picture with
  // the feedback shapes inverted over it), for tests and window capture.
  wxImage Snapshot();
  // Capture renders the snapshot: the view's own pixels wherever the
  // window lies and whatever covers it.
  wxImage RenderClientImage() override { return Snapshot(); }
  // Recomposes the cached picture now (normally done by the next paint).
  void Recompose();
  std::int64_t CacheBytes() const { return std::int64_t{m_cacheW} * m_cacheH * 3 * 2; }  // picture and its pixels

  // ---- IViewWindow ----
  SIZE GetClientSize() const override;
  void InvalidateAll() override;
  void InvalidateStrips(const std::vector<RECT>& strips) override;
  void SetScrollBars(int hRange, int hPos, int vRange, int vPos) override;
  void CaptureMouse() override;
  void ReleaseMouse() override;
  void ShowContextMenu(const std::vector<ContextMenuItem>& items, POINT client) override;
  void SetStatusText(const std::string& utf8) override;
  void OverviewChanged() override;
  void InvalidateRect(const RECT& client) override;
  bool RunDialog(ToolDialog& dialog) override;
  std::unique_ptr<INoteDialog> CreateNoteDialog() override;
  bool IsEscapeDown() const override;

  // Paints a client rectangle onto a device context (the paint handler's
  // work, public for the benchmarks).
  void PaintRect(wxDC& dc, const wxRect& r);

 private:
  void OnPaint(wxPaintEvent& e);
  void OnSize(wxSizeEvent& e);
  void OnMouse(wxMouseEvent& e);
  void OnCaptureLost(wxMouseCaptureLostEvent& e);
  void OnKeyDown(wxKeyEvent& e);
  void OnChar(wxKeyEvent& e);
  void OnScroll(wxScrollWinEvent& e);
  void OnMenu(wxCommandEvent& e);
  void UpdateCursor();
  bool FeedbackMeets(const wxRect& r) const;
  // The picture without overlays (image, white, grey round it) of a client
  // rectangle into rgb (3 bytes a pixel, `stride` bytes a row).
  void ComposeBase(std::uint8_t* rgb, std::int64_t stride, const wxRect& r) const;
  // Draws the picture of the rectangles again (image and overlays) into
  // the cache; the rest of the cache stays.
  void RecomposeRects();

  std::unique_ptr<CQznView> m_view;
  CCommandTable m_commands;
  wxBitmap m_cache;
  wxImage m_cacheImage;  // the cached picture's pixels, for inverting
  int m_cacheW = 0, m_cacheH = 0;
  bool m_dirty = true;
  std::vector<wxRect> m_dirtyRects;  // parts to recompose while the rest stays
  int m_cursorId = -1;
  int m_hThumb = 1, m_vThumb = 1;
  COverviewFrame* m_overviewFrame = nullptr;
};

// The overview's own small window, floating over the main window's bottom
// right corner.
class COverviewFrame : public wxFrame {
 public:
  COverviewFrame(wxWindow* parent, CImageWindow& owner, const wxString& title, const wxPoint& pos);
  wxImage Picture() const;

 private:
  void OnPaint(wxPaintEvent& e);
  void OnMouse(wxMouseEvent& e);
  void OnCaptureLost(wxMouseCaptureLostEvent& e);
  CImageWindow& m_owner;
  CQznView& m_view;
  wxWindow* m_canvas;
};

}  // namespace qzn
