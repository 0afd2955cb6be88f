// Work spread over the machine's cores: the long pixel steps of a whole
// sheet (thresholding, thinning, outlining, the skeleton walk, TIFF
// decoding) cut their work into independent pieces and run them here.
//
// How many threads: SetWorkerThreads (the tests and benchmarks), else the
// QZN_THREADS environment variable (command-line runs), else the entry
// Threads of the section [Performance] in the user's settings, else every
// core (one when the process is held to a limited address space, where
// each thread's stack and memory pool would crowd out the work). 1 runs
// every piece on the calling thread, in order: the single-thread path.
// Every step that uses this gives the same result whatever the count.
#pragma once

#include <cstdint>
#include <functional>

namespace qzn {

// The thread count in force (at least 1).
int WorkerThreads();
// 0 goes back to the environment, the settings or the core count.
void SetWorkerThreads(int count);

// Runs task(i) for every i in [0, count) on up to WorkerThreads() threads,
// the calling thread among them, and returns when all have run. Pieces are
// handed out in index order. progress(done), when given, is called on the
// calling thread only, each time it has finished a piece or seen others
// finish, so a progress bar advances while the pieces run. Message boxes a
// piece asks for are held and shown here afterwards, in piece order (see
// HoldMessages). The first exception a piece throws is rethrown here once
// all running pieces are done (pieces not yet started are then skipped).
// The helper threads are started on the first call that needs them and kept
// for the later ones; a piece may call ParallelFor itself.
void ParallelFor(std::int64_t count, const std::function<void(std::int64_t)>& task,
                 const std::function<void(std::int64_t done)>& progress = {});

// The pieces to cut count rows into for the threads in force: several per
// thread, so an uneven piece does not hold the others up, none below
// minRows rows (except when count is smaller).
std::int64_t BandCount(std::int64_t count, std::int64_t minRows);
// First row of band b of n over count rows (band n gives count).
inline std::int64_t BandStart(std::int64_t b, std::int64_t n, std::int64_t count) { return count * b / n; }

// Sets the thread count for the life of the object and puts the previous
// setting back afterwards.
class CWorkerThreadsScope {
 public:
  explicit CWorkerThreadsScope(int count);
  ~CWorkerThreadsScope();
  CWorkerThreadsScope(const CWorkerThreadsScope&) = delete;
  CWorkerThreadsScope& operator=(const CWorkerThreadsScope&) = delete;

 private:
  int m_previous;
};

}  // namespace qzn
