// Outline vectorisation: every filled region of a binarised image becomes a
// closed line along its boundary pixels (first vertex repeated at the end),
// thinned by vertex reduction with tolerance 0.6.
//
// The image is a 0/1 foreground mask (1 or 8 bits a pixel) and is consumed:
// at 8 bits each traced outline's pixels are set to 2 (still foreground for
// later walks, but no longer a start), at 1 bit each traced region's
// 8-connected pixels are erased. A region is found at a "left edge": a
// foreground pixel with background on its left and foreground on its right,
// so regions only one pixel wide everywhere give no line.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/wintypes.h"

namespace qzn {

class CChain;
class CChainList;

class CRegionTracer {
 public:
  // The pixel block (not owned; rows of (width + 7) / 8 bytes, leftmost
  // pixel in the top bit, at 1 bit; rows of width bytes at 8 bits) and the
  // list that receives the outlines (not owned). A quiet host shows no
  // message boxes.
  CRegionTracer(BYTE* pixels, int width, int height, int bitsPerPixel, CChainList& target);
  virtual ~CRegionTracer() = default;
  CRegionTracer(const CRegionTracer&) = delete;
  CRegionTracer& operator=(const CRegionTracer&) = delete;

  // Scans the image rows 1 .. height - 2, columns 1 .. width - 2, and traces
  // a closed outline from every untraced left edge into a new line of the
  // target list carrying id. Result 1 when
  // the scan finished; 0 for an unusable image (no pixels, depth other than
  // 1 or 8) or when a line could not be made (kOutOfMemory; the lines made so
  // far stay).
  int Trace(int id);
  // Follows the boundary of the region of (x, y) clockwise on the screen
  // (Moore neighbour following, background first on the left), appending
  // every boundary pixel; the start pixel ends the line again. Result 1 when
  // the outline closed, 0 for an isolated pixel (nothing appended).
  int TraceOutline(int x, int y, CChain& chain);
  // Marks the traced region so it never starts an outline again: at 8 bits
  // the outline's pixels become 2, at 1 bit the region's 8-connected pixels
  // around the line's first vertex are erased.
  void RetireRegion(CChain& chain);

  // 0 outside the image.
  int GetPixel(int x, int y) const {
    if (!Inside(x, y)) return 0;
    const BYTE* row = Row(y);
    if (m_bits == 1) return (row[x >> 3] >> (7 - (x & 7))) & 1;
    return row[x];
  }
  // Ignored outside the image; at 1 bit any non-zero value sets the pixel.
  void SetPixel(int x, int y, int value);
  // Moves (x, y) one step in direction code dir (0 east, then clockwise on
  // the screen: 1 south-east ... 7 north-east; taken modulo 8) and returns
  // the pixel value found there.
  int StepDir(int& x, int& y, int dir) const;
  // No neighbour of value 1 in any of the eight directions.
  bool IsIsolated(int x, int y) const;
  // Left neighbour 0, pixel 1, right neighbour 1.
  bool IsLeftEdge(int x, int y) const;
  // Left neighbour 0, pixel 2, right neighbour 1.
  bool IsTracedLeftEdge(int x, int y) const;

 protected:
  // Makes a new line at the end of the target list; null when memory runs
  // out.
  virtual CChain* NewChain();

 private:
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
  BYTE* Row(int y) const { return m_pixels + m_rowBytes * static_cast<std::int64_t>(y); }
  struct Run {
    int y, x0, x1;
  };
  // Clears the 8-connected foreground around (x, y) (1 bit only) and
  // returns the runs cleared.
  std::vector<Run> EraseRegion1(int x, int y);
  // Replaces a hole's outline in chain by the outer outline of its region.
  void TraceOuterInstead(CChain& chain);
  // The outline from the left edge (x, y) into chain, as the scan makes it:
  // traced, the region retired. Not reduced.
  void TraceFromLeftEdge(int x, int y, CChain& chain);
  // Trace over bands of rows on the worker threads: 1 or 0 as Trace, or -1
  // when the image is too small to band (nothing done then).
  int TraceBanded(int id);
  // The same for 8-bit masks, also when regions reach across many bands:
  // every boundary step walked once side by side, the scan's starts then
  // decided in order (-1: too small to band, or no memory for it; nothing
  // done then).
  int TraceBanded8(int id);
  // Ink for the connection of regions: 1 or 2 at 8 bits, a set bit at 1.
  bool IsInk(int x, int y) const {
    const int v = GetPixel(x, y);
    return v == 1 || (m_bits == 8 && v == 2);
  }
  void Report(const char* text, unsigned style) const;

  BYTE* m_pixels;
  int m_width;
  int m_height;
  int m_bits;
  std::int64_t m_rowBytes;
  CChainList& m_target;
};

}  // namespace qzn
