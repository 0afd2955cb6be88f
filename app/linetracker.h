// Semi-automatic line tracking: following a scanned line from a click.
//
// While the user digitises a line, each new click can be joined up by
// following the raster line instead of drawing a straight segment. A
// CLineTracker walks along the line cross-section by cross-section: the two
// ends of the current section follow the line's two edges (Moore-neighbour
// steps) out to the border of a small search window around the section, the
// midpoint of the new section is collected, and the window moves on. The walk
// stops at the line's end, where a branch leaves the window (a junction, after
// one try with a larger window to step over small spurs), where the window
// reaches the image border, where it comes back to the line's start (the line
// is closed), or when the caller cancels.
//
// TraceLine serves one click of the line-edit tool; TraceLineEx traces every
// line that a segment drawn by the user crosses into new lines. Both are
// headless: cancelling is a callback the caller polls nothing else for (the
// GUI maps Esc to it).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/wintypes.h"

namespace qzn {

class CChain;
class CChainList;
class CRasterImage;
class CTracePointList;

// Asked once per step of a walk; true stops the walk, keeping the points
// gathered so far.
using CTraceCancel = std::function<bool()>;

class CLineTracker {
 public:
  // Why the last walk stopped.
  enum class Stop {
    Running,      // no walk yet, or one under way
    NoStart,      // no line pixel at or next to the click, or no cross-section
    LineEnd,      // the edges met: the line ends (or a gap begins)
    Junction,     // a branch leaves the window, also in the larger window
    Shrunk,       // the section shrank to a pixel that leads nowhere
    Closed,       // back at the start section: the line is closed
    ImageBorder,  // the search window reached the image's outermost pixels
    Stuck,        // neither end could move
    Cancelled,    // the caller's cancel callback said so
    Limit,        // more than kMaxPoints points
    Error,        // an edge walk found no line pixel to go on with
  };
  static constexpr std::int64_t kMaxPoints = 100000;

  // margin: pixels the search window extends beyond a section; aspect: the
  // largest ratio of the window's long to short side (0: any); mode 1 looks
  // for the line's start section (closing the line), other modes do not.
  explicit CLineTracker(int margin = 3, int aspect = 2, int mode = 1);

  // The image (not owned) and the key that marks its line pixels
  // (CRasterImage::IsForeground), for the following walks.
  void SetImage(const CRasterImage* image, int traceKey);
  // The first trace of a line stores its start section in the tracker;
  // later traces of the same line close the line when they get back there.
  void SetFirstClick(bool first) { m_bFirstClick = first; }
  void SetCancel(CTraceCancel cancel) { m_cancel = std::move(cancel); }

  // Walks from (x, y), or from its first line neighbour, in the direction
  // given by a Quadrant code (the way the user is drawing: the walk runs on
  // away from the previous click), collecting section midpoints into the
  // empty list. Result non-zero when the list holds more than one point; 0
  // also after an error or when the point limit was reached.
  int Trace(int x, int y, int direction, CTracePointList& list);
  // Walks from (x, y) both ways along the line (one way, then the other from
  // the start, with the list reversed), or once round a closed line.
  // Result: non-zero when the list holds more than one point.
  int TraceEx(int x, int y, CTracePointList& list);

  // The cross-section of the line through the line pixel (x, y): a column
  // run (vertical = 1, the line runs across it) or a row run (vertical = 0),
  // ends top then bottom or left then right. 0 when there is none.
  int FindSection(int x, int y, POINT& end1, POINT& end2, int& vertical) const;
  // Direction code of (x, y) seen from (x0, y0), y downwards: 0 same point,
  // 1 x >= x0 and y < y0, 2 x > x0 and y >= y0, 3 x <= x0 and y > y0,
  // 4 x < x0 and y <= y0.
  static int Quadrant(int x, int y, int x0, int y0);
  // The search rectangle (right and bottom inclusive) around a section: its
  // bounds grown by the margin, then with aspect the short side grown a pixel
  // at a time until the long side is at most aspect times the short one.
  void SearchWindow(const POINT& end1, const POINT& end2, RECT& window, int aspect) const;
  bool IsLinePixel(int x, int y) const;
  // Whether the line passes through the one-pixel section at (x, y): across
  // it (vertical section) or along it (horizontal section).
  bool PassesThrough(int x, int y, bool vertical) const;

  // Outcome of the last walk.
  Stop GetStop() const { return m_stop; }
  bool IsClosed() const { return m_bClosed; }
  // Number and text of the last internal error ("内部错误 #03"); 0 / empty
  // when there was none.
  int GetErrorCode() const { return m_nError; }
  std::string GetErrorText() const;

 private:
  struct End {
    POINT p{};
    int dir = 0;   // search direction kept from the last step
    int scan = 0;  // where a fresh section starts looking for background
  };
  struct Section {
    End end[2];
    bool vertical = true;
    bool fresh = true;
  };
  struct StartSection {
    POINT end1{}, end2{};
    bool valid = false;
  };
  enum class EdgeStop { Border, LineEnd, Loop, Closure, Error };
  enum class Exit { Clean, Junction, Ends };

  void Begin();
  bool FindStart(int& x, int& y) const;
  void SetSection(const POINT& a, const POINT& b, bool vertical);
  void FlipSection();
  Stop Walk(CTracePointList& list, bool closureTest, bool ownStart, int errorBase);
  bool MooreStep(POINT& p, int& d, const int (&dirs)[8][2]) const;
  EdgeStop AdvanceEnd(int k, const RECT& window, const POINT& otherEnd, bool closureTest, int errorBase);
  bool ContinuesOutward(const POINT& p, const RECT& window) const;
  Exit CheckExit(const RECT& window) const;
  // Runs of line pixels on the window's border ring, clockwise from `from`
  // to `to`, each carried `widen` ring pixels further.
  int CountRuns(const RECT& window, const POINT& from, const POINT& to, int widen) const;
  bool Enlarge(RECT& window, float meanWidth) const;

  const CRasterImage* m_image = nullptr;
  int m_nKey = 0;
  int m_nMargin;
  int m_nAspect;
  int m_nMode;
  bool m_bFirstClick = false;
  CTraceCancel m_cancel;

  Section m_section;
  StartSection m_start;

  Stop m_stop = Stop::Running;
  bool m_bClosed = false;
  int m_nError = 0;
};

// One click of the line being drawn: follows the raster line from the new
// click on, away from the previous click (the line's last vertex), reduces
// the collected points with the tolerance and appends them to the line. The
// tracker belongs to the line being drawn (its first trace stores the start
// section, so a later trace can close the line).
// Result 1: points were appended (traced, or the click alone when there is
// nothing to follow). Result 0: the walk came back to the line's start and
// closed the line, or it failed (internal error: one message; out of memory:
// kOutOfMemory) and left the line as it was.
int TraceLine(CChain& line, const POINT& previous, const POINT& click, const CRasterImage& image, int traceKey,
              double tolerance, CLineTracker& tracker, const CTraceCancel& cancel = {});

// Traces every line that the segment start-end crosses into a new line of
// the list (NewChain, given layer), reduced with the tolerance; a line
// crossed more than once is traced once. Result: the number of lines made.
int TraceLineEx(const POINT& start, const POINT& end, CChainList& list, const CRasterImage& image, int traceKey,
                int layer, double tolerance, const CTraceCancel& cancel = {});

}  // namespace qzn
