#include "platform/parallel.h"

#include <pthread.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/host.h"
#include "platform/profile.h"

namespace qzn {

namespace {

constexpr int kMaxThreads = 256;
std::atomic<int> g_threads{0};

int Clamp(long long n) { return static_cast<int>(std::clamp<long long>(n, 1, kMaxThreads)); }

}  // namespace

int WorkerThreads() {
  if (const int n = g_threads.load(std::memory_order_relaxed); n > 0) return n;
  if (const char* env = std::getenv("QZN_THREADS")) {
    char* end = nullptr;
    const long long n = std::strtoll(env, &end, 10);
    if (end != env && *end == '\0' && n > 0) return Clamp(n);
  }
  if (const CProfileStore* profile = Profile()) {
    const int n = profile->GetInt("Performance", "Threads", 0);
    if (n > 0) return Clamp(n);
  }
  // Every thread takes address space for its stack and its own memory
  // pool: a process kept to a small address space works on one thread
  // rather than fail for want of memory halfway through a step.
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) return 1;
  return Clamp(std::thread::hardware_concurrency());
}

void SetWorkerThreads(int count) { g_threads.store(count > 0 ? Clamp(count) : 0, std::memory_order_relaxed); }

CWorkerThreadsScope::CWorkerThreadsScope(int count) : m_previous(g_threads.load()) { SetWorkerThreads(count); }
CWorkerThreadsScope::~CWorkerThreadsScope() { g_threads.store(m_previous); }

std::int64_t BandCount(std::int64_t count, std::int64_t minRows) {
  if (count <= 0) return 0;
  const std::int64_t threads = WorkerThreads();
  if (threads <= 1) return 1;
  const std::int64_t most = std::max<std::int64_t>(1, count / std::max<std::int64_t>(minRows, 1));
  return std::clamp<std::int64_t>(4 * threads, 1, most);
}

namespace {

// One ParallelFor call's pieces, shared by its caller and the helpers that
// join it.
struct Job {
  std::int64_t count = 0;
  const std::function<void(std::int64_t)>* task = nullptr;
  std::vector<CHeldMessages>* held = nullptr;
  std::atomic<std::int64_t> next{0};
  std::atomic<bool> failed{false};
  int seats = 0;   // helpers that may still join (the pool's lock)
  int joined = 0;  // helpers that did (the pool's lock)
  std::mutex mutex;
  std::condition_variable changed;
  std::int64_t done = 0;  // pieces finished (mutex)
  int left = 0;           // helpers that joined and are done with it (mutex)
  std::exception_ptr error;

  // Runs one piece; the pieces finished so far, or -1 when none was left.
  std::int64_t RunNext() {
    if (failed.load(std::memory_order_relaxed)) return -1;
    const std::int64_t i = next.fetch_add(1, std::memory_order_relaxed);
    if (i >= count) return -1;
    CHeldMessages* previous = HoldMessages(&(*held)[static_cast<std::size_t>(i)]);
    try {
      (*task)(i);
      HoldMessages(previous);
    } catch (...) {
      HoldMessages(previous);
      std::lock_guard<std::mutex> lock(mutex);
      if (!error) error = std::current_exception();
      failed.store(true, std::memory_order_relaxed);
    }
    std::int64_t finished;
    {
      std::lock_guard<std::mutex> lock(mutex);
      finished = ++done;
    }
    changed.notify_all();
    return finished;
  }
};

// Helper threads kept for the life of the process: starting threads for
// every step cost more than many steps' work (a new thread's stack and
// memory pool are fresh pages too). A helper waits for a job with a seat
// free, takes pieces until none is left, and waits again. The caller of a
// job takes pieces as well, so a job finishes even when every helper is
// busy elsewhere (a piece that runs a ParallelFor of its own). The pool is
// never destroyed: its helpers may still be waiting when the process ends.
class CPool {
 public:
  CPool() { pthread_atfork(&CPool::LockForFork, &CPool::UnlockAfterFork, &CPool::RenewInChild); }

  static CPool& Get() {
    static CPool* pool = new CPool;
    return *pool;
  }

  // Offers the job to up to job.seats helpers, starting helpers up to that
  // many in all.
  void Offer(Job& job) {
    int start = 0;
    {
      std::lock_guard<std::mutex> lock(m_state->mutex);
      m_state->jobs.push_back(&job);
      start = std::max(0, job.seats - m_state->threads);
      m_state->threads += start;
    }
    m_state->work.notify_all();
    State* state = m_state;
    for (int t = 0; t < start; ++t) {
      try {
        std::thread([state] { Serve(*state); }).detach();
      } catch (const std::system_error&) {
        // No more threads to be had: the ones running share the work.
        std::lock_guard<std::mutex> lock(state->mutex);
        state->threads -= start - t;
        break;
      }
    }
  }

  // No helper joins the job after this; the number that did.
  int Withdraw(Job& job) {
    std::lock_guard<std::mutex> lock(m_state->mutex);
    std::erase(m_state->jobs, &job);
    job.seats = 0;
    return job.joined;
  }

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable work;
    std::vector<Job*> jobs;  // offered, with seats free
    int threads = 0;         // helpers started
  };

  static void Serve(State& state) {
    std::unique_lock<std::mutex> lock(state.mutex);
    for (;;) {
      state.work.wait(lock, [&] { return !state.jobs.empty(); });
      Job& job = *state.jobs.front();
      ++job.joined;
      if (--job.seats <= 0) state.jobs.erase(state.jobs.begin());
      lock.unlock();
      while (job.RunNext() >= 0) {
      }
      {
        // The job may end as soon as the lock is let go: not touched after.
        std::lock_guard<std::mutex> done(job.mutex);
        ++job.left;
        job.changed.notify_all();
      }
      lock.lock();
    }
  }

  // A child of fork has none of the helpers: it starts afresh, with the
  // state of the parent's helpers left alone.
  static void LockForFork() { Get().m_state->mutex.lock(); }
  static void UnlockAfterFork() { Get().m_state->mutex.unlock(); }
  static void RenewInChild() { Get().m_state = new State; }

  State* m_state = new State;
};

}  // namespace

void ParallelFor(std::int64_t count, const std::function<void(std::int64_t)>& task,
                 const std::function<void(std::int64_t)>& progress) {
  if (count <= 0) return;
  const int threads = static_cast<int>(std::min<std::int64_t>(WorkerThreads(), count));
  if (threads <= 1) {
    for (std::int64_t i = 0; i < count; ++i) {
      task(i);
      if (progress) progress(i + 1);
    }
    return;
  }

  // Messages a piece asks for are shown, in piece order, once all are done.
  std::vector<CHeldMessages> held(static_cast<std::size_t>(count));
  Job job;
  job.count = count;
  job.task = &task;
  job.held = &held;
  job.seats = threads - 1;
  CPool& pool = CPool::Get();
  pool.Offer(job);

  // The calling thread works too, reporting after each of its pieces.
  for (std::int64_t finished; (finished = job.RunNext()) >= 0;)
    if (progress) progress(finished);
  // Then waits for the helpers' last pieces, still reporting.
  const int joined = pool.Withdraw(job);
  {
    std::unique_lock<std::mutex> lock(job.mutex);
    std::int64_t reported = -1;
    while (job.left < joined) {
      if (progress && job.done != reported) {
        reported = job.done;
        lock.unlock();
        progress(reported);
        lock.lock();
        continue;
      }
      job.changed.wait(lock);
    }
    if (progress && job.done != reported) {
      reported = job.done;
      lock.unlock();
      progress(reported);
      lock.lock();
    }
  }
  for (const CHeldMessages& h : held) ShowHeldMessages(h);
  if (job.error) std::rethrow_exception(job.error);
}

}  // namespace qzn
