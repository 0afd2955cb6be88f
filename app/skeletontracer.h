// Centre-line vectorisation: a thinned image (one-pixel-wide skeletons of
// set pixels) becomes vector lines.
//
// The driver scans a rectangle row by row; every set pixel it meets starts a
// walk that follows the skeleton pixel by pixel into a new line of the
// target list, clearing each pixel it leaves, so nothing is traced twice.
// A walk stops at a junction (a pixel where three or four branches meet)
// and queues the junction once per branch still to follow; the driver then
// traces those branches from the queue, each line starting on the junction.
// A line that runs out next to a junction already queued ends on it, and a
// closed ring of pixels is closed on its start.
//
// The workspace document's centre-line vectorisation delegates to this class
// with its image, its list of shown lines and its layer table.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/wintypes.h"

namespace qzn {

class CChain;
class CChainList;
class CLayerList;
class CRasterImage;

// First-in first-out list of junction pixels, one entry per branch still to
// follow. Besides the queue order it keeps a table of the queued positions,
// so the question "which queued junction, first in queue order, lies next
// to this pixel?" costs eight look-ups instead of a walk over the queue.
class CJunctionQueue {
 public:
  // Appends copies entries for (x, y) at the tail.
  void Push(int x, int y, int copies = 1);
  // Removes and returns the head entry; the queue must not be empty.
  POINT Pop();
  bool IsEmpty() const { return m_head == m_queue.size(); }
  std::int64_t GetCount() const { return static_cast<std::int64_t>(m_queue.size() - m_head); }
  // The entry nearest the head among those at one of the eight neighbours
  // of (x, y) ((x, y) itself and, when given, except do not count): 1 and
  // out set, else 0.
  int FindNeighbour(int x, int y, POINT& out, const POINT* except = nullptr) const;

 private:
  // Open addressing with linear probing over the queued positions; a
  // position whose entries are all gone leaves the table.
  struct Slot {
    std::uint64_t key;   // the position
    std::int64_t first;  // queue sequence number of the oldest entry
    std::int64_t count;  // entries of this position still queued; 0: a free slot
  };
  static std::uint64_t Key(int x, int y) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(y)) << 32 | static_cast<std::uint32_t>(x);
  }
  const Slot* Find(std::uint64_t key) const;
  Slot& Insert(std::uint64_t key);
  void Erase(std::size_t at);
  void Grow();

  std::vector<POINT> m_queue;  // entries from m_head on are queued
  std::size_t m_head = 0;
  std::vector<Slot> m_slots;
  std::size_t m_keys = 0;     // slots holding a position
  std::int64_t m_pushed = 0;  // sequence number of the next entry
};

class CSkeletonTracer {
 public:
  // Lines go to lines on the current layer of layers, with its colour and
  // pen style. A quiet host shows no message boxes.
  CSkeletonTracer(CRasterImage& image, CChainList& lines, CLayerList& layers);
  virtual ~CSkeletonTracer() = default;
  CSkeletonTracer(const CSkeletonTracer&) = delete;
  CSkeletonTracer& operator=(const CSkeletonTracer&) = delete;

  // Traces every skeleton met in the rectangle (left, top, width, height in
  // image pixels, clipped to the image; its outermost rows and columns
  // start no line but walks cross them). Lines of fewer than 2 vertices are
  // dropped; the others lose their redundant vertices and get the current
  // layer's ID, colour and pen style. The image is consumed. Result 0 when
  // the image is not 1-bit (resp. 8-bit) or has no pixels (nothing done),
  // else 1. When a line cannot be made, kVectorizeNoMemory is shown once
  // per call and the scan goes on with the next row.
  int Trace1Bit(int left, int top, int width, int height);
  int Trace8Bit(int left, int top, int width, int height);

  // Follows one line from (x, y) into chain. mode 0: (x, y) is a set pixel
  // found by the scan; a junction there is queued, and a pixel inside a line
  // is followed both ways. mode 1: (x, y) is a junction taken from the queue
  // (already cleared); the first branch left is followed. Result: the
  // number of vertices appended.
  std::int64_t TraceLine1Bit(CChain& chain, int x, int y, CJunctionQueue& queue, int mode);
  std::int64_t TraceLine8Bit(CChain& chain, int x, int y, CJunctionQueue& queue, int mode);

 protected:
  // Makes a new line at the end of the target list; null when memory runs
  // out.
  virtual CChain* NewChain();

 private:
  template <class Access>
  int TraceRect(Access& access, int left, int top, int width, int height);
  // TraceRect with the lines finished on the worker threads while the scan
  // walks on this one; false when the rectangle is too small to band
  // (nothing done then).
  template <class Access>
  bool TraceBanded(Access& access, std::int64_t l, std::int64_t t, std::int64_t r, std::int64_t b);
  // Gives line the vertices walked, without the redundant ones, its bounds
  // and the current layer's attributes.
  void FinishLine(CChain& walked, CChain& line) const;
  // Drops the line (the list's last) when fewer than 2 vertices were
  // walked, else finishes it.
  void FinishChain(CChain* chain, CChain& walked);
  void ReportOutOfMemory();

  CRasterImage& m_image;
  CChainList& m_lines;
  CLayerList& m_layers;
  bool m_reported = false;
  int m_layerId = 0;
  COLORREF m_layerColor = 0;
  int m_penStyle = 0;
};

}  // namespace qzn
