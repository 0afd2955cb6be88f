// Outlines of an 8-bit mask on every core: the region tracer's scan, with
// every boundary step walked once, side by side, whatever the regions'
// extent.
//
// The boundary walk is a function of the step it makes: from a step out of
// pixel p in direction k the walk goes to q = p + k and searches q's
// neighbours clockwise from k + 5. Read as a map from step to next step it
// is one to one (the step before a step is found by searching the other
// way round), so the steps fall into disjoint cycles, and an outline is the
// cycle of its first step, closed where that step would be made again.
// So the bands of rows walk the steps out of their own rows only: a piece
// runs from where a cycle enters the band to where it leaves, or is a whole
// cycle when it never leaves; the pieces of neighbouring bands are joined
// where one leaves and the other enters. Every cycle through the first step
// of some left edge is walked, once in all.
//
// The scan's decisions then need no walk: a left edge starts its outline
// unless it or the pixel to its right is a pixel of an outline started
// before. The bands note, for each left edge, the cycle of its own first
// step and every other cycle passing the left edge or the pixel right of
// it; one thread goes through the left edges in order keeping which cycles
// have started. Lines, their order and the marks left in the image are
// those of the plain scan.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/wintypes.h"

namespace qzn {

class CChain;

class COutlineBands {
 public:
  // An outline the scan starts: its left edge, its cycle and how many steps
  // that has.
  struct Start {
    int x, y;
    std::uint32_t cycle;
    std::int64_t steps;
  };

  // pixels: rows of width bytes, 0 background, 1 ink, 2 ink already marked
  // (never a start); not owned. bands: at least 2, over the scan's rows 1 ..
  // height - 2 as BandStart cuts them.
  COutlineBands(BYTE* pixels, int width, int height, std::int64_t bands);

  // Walks every band's pieces side by side and joins them into cycles;
  // progress(done) after each band. Only reads the pixels. Throws
  // std::bad_alloc.
  void Walk(const std::function<void(std::int64_t)>& progress);
  // The outlines the scan starts, in its order, band by band: decided on
  // one thread, gathered side by side. Lets go of what only the decisions
  // needed. Throws std::bad_alloc.
  std::vector<std::vector<Start>> Starts();
  // The outline of a start into walked: a vertex a boundary pixel, from the
  // left edge round to it again, as the boundary walk gives it. Only reads,
  // so starts may be followed side by side (before Mark). Throws
  // std::bad_alloc.
  void Follow(const Start& start, CChain& walked) const;
  // Sets every pixel of the started outlines to 2, the bands side by side.
  void Mark(const std::vector<std::vector<Start>>& starts);

 private:
  struct Piece {
    std::int64_t code = 0;  // its first step's code in the band's codes
    std::int64_t steps = 0;
    int x = 0, y = 0;  // the pixel its first step leaves
  };
  // Where a piece leaves its band: the entry it leads into (pixel and the
  // direction the search there starts from), not yet joined.
  struct Exit {
    std::int64_t key;
    std::uint32_t piece;
  };
  struct Band {
    int y0 = 0, y1 = 0;    // the rows whose steps it walks
    int sy0 = 0, sy1 = 0;  // its rows of the scan
    // The pixels that can be left edges (a bit each, rows of whole words),
    // and how many come before each word: a left edge's number.
    std::vector<std::uint64_t> candidates;
    std::vector<std::uint32_t> before;
    // By left edge: the piece of its first step, then that piece's cycle.
    std::vector<std::uint32_t> first;
    // (left edge, piece, then cycle): another step from the left edge, or
    // a step from the pixel right of it.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> passes;
    std::vector<BYTE> codes;  // step directions, two a byte
    std::int64_t codeCount = 0;
    std::vector<Piece> pieces;
    std::vector<std::uint64_t> next;                              // by piece: the piece that follows
    std::vector<std::pair<std::int64_t, std::uint32_t>> entries;  // entry key -> piece, sorted
    std::vector<Exit> up, down;                                   // exits into the bands above and below
  };
  // Pieces one thread walked from entries while joining, for several bands.
  struct Added {
    struct Walked {
      std::uint32_t band, id;
      Piece piece;  // its code in codes below
      std::uint64_t next;
    };
    std::vector<Walked> pieces;
    std::vector<BYTE> codes;
    std::int64_t codeCount = 0;
    struct Pass {
      std::uint32_t band, edge, piece;
    };
    std::vector<Pass> passes;
  };

  static constexpr std::uint32_t kNone = 0xFFFFFFFFu;
  static constexpr std::uint64_t kOpen = ~std::uint64_t{0};

  bool IsInk(int x, int y) const;
  unsigned Around(int x, int y) const;       // the ink of (x, y)'s neighbours inside the image, bit k direction k
  int Search(int x, int y, int d) const;      // first ink neighbour clockwise from d
  int SearchBack(int x, int y, int k) const;  // first ink neighbour anticlockwise from k - 1
  std::int64_t Key(int x, int y, int d) const { return (static_cast<std::int64_t>(y) * m_width + x) * 8 + d; }
  static std::uint64_t Ref(std::size_t band, std::uint32_t piece) {
    return (static_cast<std::uint64_t>(band) << 32) | piece;
  }
  const Piece& PieceOf(std::uint64_t ref) const { return m_bands[ref >> 32].pieces[ref & 0xFFFFFFFFu]; }
  std::uint64_t Next(std::uint64_t ref) const { return m_bands[ref >> 32].next[ref & 0xFFFFFFFFu]; }
  int Code(std::size_t band, std::int64_t at) const {
    return (m_bands[band].codes[static_cast<std::size_t>(at >> 1)] >> (4 * (at & 1))) & 15;
  }

  void FindCandidates(Band& band) const;
  void WalkCandidates(std::size_t b);
  // Calls note(left edge, own) for the left edges a step (x, y, k) out of
  // the band's rows concerns: own when it is the left edge's first step.
  template <class Note>
  void NoteStep(const Band& band, int x, int y, int k, Note&& note) const;
  // Walks the piece of band b that the step of key enters, and its
  // successors as long as they have no piece, into added; returns the
  // first one's reference.
  std::uint64_t WalkEntries(std::size_t b, std::int64_t key, Added& added, std::atomic<std::uint32_t>* counts);
  std::vector<Exit>& ExitList(Band& band, int y) const { return y < band.y0 ? band.up : band.down; }
  static void PutCode(std::vector<BYTE>& codes, std::int64_t& count, int code);
  std::uint32_t FindEntry(const Band& band, std::int64_t key) const;
  void Join();
  void NumberCycles();

  BYTE* m_pixels;
  int m_width, m_height;
  std::int64_t m_stride;  // words a row of candidate bits
  std::int64_t m_off[8];
  std::vector<Band> m_bands;
  std::vector<std::int64_t> m_firstOf;            // by band: the number of its first piece
  std::unique_ptr<std::uint32_t[]> m_cycle;       // by piece (bands in order): its cycle
  std::unique_ptr<std::uint64_t[]> m_cycleFirst;  // by cycle: its first piece
  std::unique_ptr<std::int64_t[]> m_cycleSteps;   // by cycle: its steps
  std::size_t m_cycles = 0;
};

}  // namespace qzn
