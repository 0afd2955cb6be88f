#include "platform/twain/scanjob.h"

#include <dirent.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace qzn::twain {

namespace {

// The threads of this process, by id.
std::vector<pid_t> ThreadIds() {
  std::vector<pid_t> ids;
  if (DIR* d = ::opendir("/proc/self/task")) {
    while (const dirent* e = ::readdir(d))
      if (e->d_name[0] != '.') ids.push_back(static_cast<pid_t>(std::atol(e->d_name)));
    ::closedir(d);
  }
  return ids;
}

// A thread's scheduling state as the kernel reports it ('R' running or
// runnable, 'S' asleep in a call, ...); 0 when it has gone.
char ThreadState(pid_t id) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/self/task/%ld/stat", static_cast<long>(id));
  std::FILE* f = std::fopen(path, "r");
  if (!f) return 0;
  char buf[512];
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, f);
  std::fclose(f);
  buf[n] = 0;
  // The name in brackets may hold anything; the state follows its end.
  const char* end = std::strrchr(buf, ')');
  return end && end[1] == ' ' ? end[2] : 0;
}

// How often, and how far apart, the backend's threads are looked at before
// a pass is ended anyway (a backend thread busy that long is not in the
// middle of freeing a buffer).
constexpr int kSettleLooks = 20000;
constexpr long kSettlePauseNs = 250000;

}  // namespace

TW_UINT16 ConditionOf(SANE_Status status) {
  switch (status) {
    case SANE_STATUS_NO_MEM: return TWCC_LOWMEMORY;
    case SANE_STATUS_JAMMED: return TWCC_PAPERJAM;
    case SANE_STATUS_ACCESS_DENIED: return TWCC_DENIED;
    default: return TWCC_OPERATIONERROR;
  }
}

ScanJob::~ScanJob() {
  if (!m_started) return;
  LetBackendThreadsSettle();
  m_sane.cancel(m_handle);
}

// Backends built on SANE's thread helpers hand the image through a reader
// thread, which they end by asynchronous cancellation when the pass ends:
// in sane_cancel, or in the sane_read that takes the pass's last bytes.
// Cancelled while it is inside the C library's allocator (drawing its
// buffer at the start, freeing it after its last write), it leaves the
// allocator locked and the process hangs in the join that follows (SANE's
// `test` backend does so about once in a thousand scans, scanimage too).
// So before either call, the threads started with the scan are let run
// until each has ended or sleeps in a call (a write to its full pipe, a
// wait), where the cancellation is safe.
void ScanJob::LetBackendThreadsSettle() const {
  const pid_t self = static_cast<pid_t>(::gettid());
  for (int look = 0; look < kSettleLooks; ++look) {
    bool busy = false;
    for (pid_t id : ThreadIds()) {
      if (id == self || std::find(m_threadsBefore.begin(), m_threadsBefore.end(), id) != m_threadsBefore.end())
        continue;
      if (ThreadState(id) == 'R') {
        busy = true;
        break;
      }
    }
    if (!busy) return;
    const timespec pause{0, kSettlePauseNs};
    ::nanosleep(&pause, nullptr);
  }
}

TW_UINT16 ScanJob::Start(TW_UINT16* condition) {
  m_threadsBefore = ThreadIds();
  SANE_Status st = m_sane.start(m_handle);
  if (st != SANE_STATUS_GOOD) {
    *condition = ConditionOf(st);
    return TWRC_FAILURE;
  }
  m_started = true;
  if ((st = m_sane.get_parameters(m_handle, &m_params)) != SANE_STATUS_GOOD) {
    *condition = ConditionOf(st);
    return TWRC_FAILURE;
  }
  const SANE_Frame f = m_params.format;
  const bool single = f == SANE_FRAME_RED || f == SANE_FRAME_GREEN || f == SANE_FRAME_BLUE;
  m_depth = m_params.depth;
  if (f == SANE_FRAME_GRAY && (m_depth == 1 || m_depth == 8 || m_depth == 16)) {
    m_samples = 1;
    m_pixelType = m_depth == 1 ? TWPT_BW : TWPT_GRAY;
  } else if ((f == SANE_FRAME_RGB || single) && m_depth == 8) {
    m_samples = 3;
    m_pixelType = TWPT_RGB;
  } else {
    *condition = TWCC_BADVALUE;
    return TWRC_FAILURE;
  }
  m_width = m_params.pixels_per_line;
  const std::int64_t need = (std::int64_t{m_width} * m_depth * (f == SANE_FRAME_RGB ? 3 : 1) + 7) / 8;
  if (m_width <= 0 || m_params.bytes_per_line < need) {
    *condition = TWCC_OPERATIONERROR;
    return TWRC_FAILURE;
  }
  m_line.assign(static_cast<std::size_t>(m_params.bytes_per_line), 0);
  m_stride = (std::int64_t{m_width} * BitsPerPixel() + 31) / 32 * 4;
  m_whole = single || !m_params.last_frame || m_params.lines < 0;
  if (m_whole)
    ReadWhole();
  else
    m_height = m_params.lines;
  return TWRC_SUCCESS;
}

// One whole SANE line into m_line: GOOD, EOF before its first byte, or the
// status that stopped it (a line cut short by the end counts as an I/O error).
// last: the line may be the pass's last, whose reading ends the pass.
SANE_Status ScanJob::ReadLine(bool last) {
  const SANE_Int size = static_cast<SANE_Int>(m_line.size());
  SANE_Int filled = 0;
  while (filled < size) {
    SANE_Int n = 0;
    if (last) LetBackendThreadsSettle();
    const SANE_Status st = m_sane.read(m_handle, m_line.data() + filled, size - filled, &n);
    if (st == SANE_STATUS_EOF) return filled == 0 ? SANE_STATUS_EOF : SANE_STATUS_IO_ERROR;
    if (st != SANE_STATUS_GOOD) return st;
    filled += std::max<SANE_Int>(n, 0);
  }
  return SANE_STATUS_GOOD;
}

// channel: -1 for a whole row, 0..2 for the red, green or blue frame of a
// three-pass scan.
void ScanJob::Convert(const std::uint8_t* line, std::uint8_t* out, int channel) const {
  const std::int64_t w = m_width;
  if (channel >= 0) {
    for (std::int64_t x = 0; x < w; ++x) out[3 * x + channel] = line[x];
  } else if (m_depth == 1) {
    // SANE's set bit is black; TWAIN's black is 0.
    const std::int64_t n = (w + 7) / 8;
    for (std::int64_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(~line[i]);
    if (w % 8) out[n - 1] &= static_cast<std::uint8_t>(0xFF << (8 - w % 8));
  } else {
    std::memcpy(out, line, static_cast<std::size_t>(w * m_samples * (m_depth / 8)));
  }
}

void ScanJob::ReadWhole() {
  std::int64_t frameRows = m_params.lines;  // -1 until the first frame ends
  bool first = true;
  std::int64_t r = 0;
  for (;;) {
    const SANE_Frame f = m_params.format;
    const int channel = f == SANE_FRAME_RED ? 0 : f == SANE_FRAME_GREEN ? 1 : f == SANE_FRAME_BLUE ? 2 : -1;
    r = 0;
    for (;;) {
      // Of a frame of unknown height any line may be the last.
      const SANE_Status st = ReadLine(frameRows < 0 || r + 1 >= frameRows);
      if (st == SANE_STATUS_EOF) break;
      if (st != SANE_STATUS_GOOD) {
        m_deferred = st == SANE_STATUS_CANCELLED ? TWRC_CANCEL : TWRC_FAILURE;
        m_deferredCondition = ConditionOf(st);
        break;
      }
      if (frameRows >= 0 && r >= frameRows) continue;  // rows past the announced height
      if (static_cast<std::int64_t>(m_image.size()) < (r + 1) * m_stride) {
        const std::int64_t want =
            std::max<std::int64_t>((r + 1) * m_stride, 2 * static_cast<std::int64_t>(m_image.size()));
        m_image.resize(static_cast<std::size_t>(frameRows >= 0 ? frameRows * m_stride : want), 0);
      }
      Convert(m_line.data(), m_image.data() + r * m_stride, channel);
      ++r;
    }
    if (first && frameRows < 0) frameRows = r;
    first = false;
    if (m_deferred != TWRC_SUCCESS) break;
    if (r < frameRows) {  // the device ended before the rows it announced
      m_deferred = TWRC_FAILURE;
      m_deferredCondition = TWCC_OPERATIONERROR;
      break;
    }
    if (m_params.last_frame) break;
    SANE_Status st = m_sane.start(m_handle);
    if (st == SANE_STATUS_GOOD) st = m_sane.get_parameters(m_handle, &m_params);
    if (st != SANE_STATUS_GOOD) {
      m_deferred = st == SANE_STATUS_CANCELLED ? TWRC_CANCEL : TWRC_FAILURE;
      m_deferredCondition = ConditionOf(st);
      break;
    }
    if (m_params.pixels_per_line != m_width || m_params.depth != m_depth || m_params.bytes_per_line < m_width) {
      m_deferred = TWRC_FAILURE;
      m_deferredCondition = TWCC_OPERATIONERROR;
      break;
    }
    m_line.assign(static_cast<std::size_t>(m_params.bytes_per_line), 0);
  }
  if (frameRows < 0) frameRows = r;
  // A failed scan still has a size, so that the failure is met where the
  // rows are asked for.
  m_height = static_cast<std::int32_t>(std::max<std::int64_t>(frameRows, m_deferred == TWRC_SUCCESS ? 0 : 1));
  m_image.resize(static_cast<std::size_t>(m_height * m_stride), 0);
}

TW_UINT16 ScanJob::Read(std::uint8_t* out, std::int64_t outStride, std::int64_t maxRows, std::int64_t* rows,
                        TW_UINT16* condition) {
  *rows = 0;
  if (m_deferred != TWRC_SUCCESS) {
    *condition = m_deferredCondition;
    return m_deferred;
  }
  std::int64_t k = 0;
  if (m_whole) {
    k = std::min(maxRows, m_height - m_delivered);
    for (std::int64_t i = 0; i < k; ++i)
      std::memcpy(out + i * outStride, m_image.data() + (m_delivered + i) * m_stride,
                  static_cast<std::size_t>(m_stride));
    m_delivered += k;
  } else {
    for (; k < maxRows && m_delivered < m_height; ++k) {
      SANE_Status st = ReadLine(m_delivered + 1 >= m_height);
      if (st == SANE_STATUS_EOF) st = SANE_STATUS_IO_ERROR;  // fewer rows than announced
      if (st != SANE_STATUS_GOOD) {
        *rows = k;
        *condition = ConditionOf(st);
        return st == SANE_STATUS_CANCELLED ? TWRC_CANCEL : TWRC_FAILURE;
      }
      std::memset(out + k * outStride, 0, static_cast<std::size_t>(m_stride));
      Convert(m_line.data(), out + k * outStride, -1);
      ++m_delivered;
    }
  }
  *rows = k;
  return m_delivered >= m_height ? TWRC_XFERDONE : TWRC_SUCCESS;
}

}  // namespace qzn::twain
