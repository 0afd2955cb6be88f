// The vector exports of the document: ARC generate lines written here (the
// command line's format), everything else through the installed writers.
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "app/qzndoc.h"
#include "app/vectorexports.h"
#include "platform/parallel.h"
#include "platform/textfile.h"

namespace qzn {
namespace {
IVectorExports* g_exports = nullptr;
}  // namespace

IVectorExports* VectorExports() { return g_exports; }

IVectorExports* SetVectorExports(IVectorExports* exports) {
  IVectorExports* previous = g_exports;
  g_exports = exports;
  return previous;
}

namespace {

// ARC generate text: one block per line ending in "END", a blank-free "END"
// line closing the file. The per-line text ends with "END" and no line end;
// the separators between and after the lines are written here.
//
// Turning numbers into text is most of the work: pieces of consecutive
// lines (some 64 KB of text each) are made into the file's bytes side by
// side and written in list order by whichever thread finishes the piece
// next in line (one at a time; a thread that finds the writing taken leaves
// its bytes for the one writing, who looks again before it lets go). So the
// text is written while later pieces are still being made, the file is the
// same bytes whatever the threads, and at most a window of pieces (four a
// thread) is held at once: a thread runs no further ahead of the writing.
// A piece ends in a line end, so its bytes do not depend on the pieces
// before it.
int WriteGenerate(const std::string& path, const CChainList& lines, const MapTransform& map) {
  CTextFileWriter file;
  if (!file.Open(path)) return 0;
  // A piece is about 64 KB of text (some 32 bytes a vertex).
  constexpr std::int64_t kPieceVertices = 2048;
  std::vector<const CChain*> all;
  std::vector<std::size_t> starts(1, 0);  // each piece's first line in all, then all's size
  std::int64_t vertices = 0;
  for (POSITION pos = lines.GetHeadPosition(); pos;) {
    const CChain* line = lines.GetNext(pos);
    if (!line || line->GetCount() == 0) continue;
    all.push_back(line);
    vertices += line->GetCount();
    if (vertices >= kPieceVertices) {
      starts.push_back(all.size());
      vertices = 0;
    }
  }
  if (starts.back() != all.size()) starts.push_back(all.size());
  const std::int64_t count = static_cast<std::int64_t>(starts.size()) - 1;
  const std::int64_t window = 4 * static_cast<std::int64_t>(WorkerThreads());

  struct Slot {
    std::string text, bytes;
    bool done = false;
  };
  std::vector<Slot> slots(static_cast<std::size_t>(std::min(window, std::max<std::int64_t>(count, 1))));
  std::mutex mutex;
  std::condition_variable written;
  std::int64_t next = 0;  // the first piece not yet written
  bool writing = false;
  std::atomic<bool> failed{false};
  std::exception_ptr error;

  ParallelFor(count, [&](std::int64_t i) {
    Slot& slot = slots[static_cast<std::size_t>(i % static_cast<std::int64_t>(slots.size()))];
    {
      // The slot is free once the piece a window back is written.
      std::unique_lock<std::mutex> lock(mutex);
      written.wait(lock, [&] { return i - next < static_cast<std::int64_t>(slots.size()); });
    }
    // A piece that throws (out of memory) is still marked done, or the
    // writing would wait for it for ever; the exception is passed on at the
    // end.
    auto keep = [&](std::exception_ptr e) {
      failed.store(true, std::memory_order_relaxed);
      std::lock_guard<std::mutex> guard(mutex);
      if (!error) error = e;
    };
    if (!failed.load(std::memory_order_relaxed)) {
      try {
        slot.text.clear();
        slot.bytes.clear();
        bool ok = true;
        for (std::size_t k = starts[static_cast<std::size_t>(i)]; k < starts[static_cast<std::size_t>(i) + 1] && ok;
             ++k) {
          ok = all[k]->AppendText(slot.text, 0, map) != 0;
          slot.text += '\n';
        }
        if (ok)
          CTextFileWriter::Encode(slot.text, slot.bytes);
        else
          failed.store(true, std::memory_order_relaxed);
      } catch (...) {
        keep(std::current_exception());
      }
    }
    std::unique_lock<std::mutex> lock(mutex);
    slot.done = true;
    if (writing) return;
    writing = true;
    for (;;) {
      Slot& head = slots[static_cast<std::size_t>(next % static_cast<std::int64_t>(slots.size()))];
      if (next >= count || !head.done) break;
      lock.unlock();
      if (!failed.load(std::memory_order_relaxed)) {
        try {
          file.WriteEncoded(head.bytes);
        } catch (...) {
          keep(std::current_exception());
        }
      }
      lock.lock();
      head.done = false;
      ++next;
      written.notify_all();
    }
    writing = false;
  });
  if (error) {
    file.Abort();
    std::rethrow_exception(error);
  }
  if (failed.load() || file.Error()) {
    file.Abort();
    return 0;
  }
  file.Write("END\n");
  if (file.Error()) {
    file.Abort();
    return 0;
  }
  return file.Close() ? 1 : 0;
}

}  // namespace

int CQznDoc::SaveVectorFile(const std::string& path, int typeCode) {
  IVectorExports* exports = VectorExports();
  return exports ? exports->SaveVectorFile(*this, path, typeCode) : 0;
}

int CQznDoc::ExportLines(const std::string& path, int type) {
  if (type == kExportGenerate) {
    if (!WriteGenerate(path, m_lines, MapTransform::Pixels())) return 0;
    m_paths[kPathVector] = path;
    return 1;
  }
  IVectorExports* exports = VectorExports();
  return exports ? exports->ExportLines(*this, path, type, false) : 0;
}

int CQznDoc::ExportLinesGeo(const std::string& path, int type) {
  if (type == kExportGenerate) {
    const MapTransform map = GetMapTransform();
    if (!map.IsGeoreferenced()) return 0;
    return WriteGenerate(path, m_lines, map);
  }
  IVectorExports* exports = VectorExports();
  return exports ? exports->ExportLines(*this, path, type, true) : 0;
}

int CQznDoc::ExportPointLayer(const std::string& path, int type) {
  IVectorExports* exports = VectorExports();
  return exports ? exports->ExportPoints(*this, path, type, false) : 0;
}

int CQznDoc::ExportPointLayerGeo(const std::string& path, int type) {
  IVectorExports* exports = VectorExports();
  return exports ? exports->ExportPoints(*this, path, type, true) : 0;
}

}  // namespace qzn
