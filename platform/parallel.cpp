#include "platform/parallel.h"

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
  std::atomic<std::int64_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex mutex;
  std::condition_variable changed;
  std::int64_t done = 0;
  int active = 0;  // helper threads still taking pieces
  std::exception_ptr error;

  // Runs one piece; the pieces finished so far, or -1 when none was left.
  auto runNext = [&]() -> std::int64_t {
    if (failed.load(std::memory_order_relaxed)) return -1;
    const std::int64_t i = next.fetch_add(1, std::memory_order_relaxed);
    if (i >= count) return -1;
    CHeldMessages* previous = HoldMessages(&held[static_cast<std::size_t>(i)]);
    try {
      task(i);
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
  };

  std::vector<std::thread> helpers;
  helpers.reserve(static_cast<std::size_t>(threads - 1));
  for (int t = 1; t < threads; ++t) {
    try {
      {
        std::lock_guard<std::mutex> lock(mutex);
        ++active;
      }
      helpers.emplace_back([&] {
        while (runNext() >= 0) {
        }
        {
          std::lock_guard<std::mutex> lock(mutex);
          --active;
        }
        changed.notify_all();
      });
    } catch (const std::system_error&) {
      // No more threads to be had: the ones running share the work.
      std::lock_guard<std::mutex> lock(mutex);
      --active;
      break;
    }
  }

  // The calling thread works too, reporting after each of its pieces.
  for (std::int64_t finished; (finished = runNext()) >= 0;)
    if (progress) progress(finished);
  // Then waits for the helpers' last pieces, still reporting.
  {
    std::unique_lock<std::mutex> lock(mutex);
    std::int64_t reported = -1;
    while (active > 0) {
      if (progress && done != reported) {
        reported = done;
        lock.unlock();
        progress(reported);
        lock.lock();
        continue;
      }
      changed.wait(lock);
    }
    if (progress && done != reported) {
      reported = done;
      lock.unlock();
      progress(reported);
      lock.lock();
    }
  }
  for (std::thread& t : helpers) t.join();
  for (const CHeldMessages& h : held) ShowHeldMessages(h);
  if (error) std::rethrow_exception(error);
}

}  // namespace qzn
