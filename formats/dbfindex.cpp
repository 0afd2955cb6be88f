// Index files: 512-byte blocks holding a B-tree of (key, record) entries in
// key order, records breaking ties. Leaves hold every entry; an inner entry
// holds a child block and the greatest entry below it, so a search halves
// each block from the root down. A full block splits in two halves, its
// left half's greatest entry moving up, and a new root is made when the root
// splits. Every operation runs under the index file's lock and rereads the
// header, so blocks cached here are dropped when another process changed the
// file.
#include "formats/dbfindex.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <unordered_map>

#include "formats/dbfcore.h"
#include "resources/messages_dbase.h"
#include "formats/dbfexpr.h"
#include "platform/atomicfile.h"

namespace qzn {

using namespace dbf;

namespace {

constexpr int kBlock = 512;
constexpr int kHeaderBytes = 280;
constexpr int kFreeHeadAt = 280;  // the chain of free blocks, after the header
constexpr int kExpressionAt = 24;
constexpr int kMaxKey = 100;
constexpr int kMaxIndexes = 32767;

using Raw = std::array<std::uint8_t, kBlock>;

std::uint32_t Get32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
unsigned Get16(const std::uint8_t* p) { return p[0] | (p[1] << 8); }
void Put16(std::uint8_t* p, unsigned v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

struct Index {
  int number = -1;
  int table = -1;
  int next = -1;  // the next index of the same table
  std::string name;
  int fd = -1;
  std::unique_ptr<DbfExpression> expression;
  int keyLength = 0, entryLength = 0, keysPerBlock = 0;
  bool unique = false;
  std::uint32_t root = 1, nextFree = 2, counter = 0, freeHead = 0;
  bool headerRead = false;
  bool positioned = false;  // the current entry
  std::string key;
  std::uint32_t record = 0;
  DbfIndexHook hook;
};

SlotPool<Index>& Indexes() {
  static SlotPool<Index> pool;
  static bool reserved = false;
  if (!reserved) {
    pool.Reserve(Globals().indexSlots);
    reserved = true;
  }
  return pool;
}

Index* IndexAt(int n) { return Indexes().Get(n); }

// ---- block buffers, shared by every open index -----------------------------

// A buffer holds one block of one index. Buffers are found by (index, block)
// through a hash table and reused in least-recently-used order. The pool
// starts with the engine's block-slot count and grows, up to kMaxBuffers,
// while every buffer holds a block, so a large index keeps its working set.
struct Buffer {
  int index = -1;
  std::uint32_t block = 0;
  bool dirty = false;
  Buffer* older = nullptr;  // the use order
  Buffer* newer = nullptr;
  Raw data{};
};

constexpr std::size_t kMaxBuffers = 4096;  // 2 MB

class BlockPool {
 public:
  Buffer* Find(int index, std::uint32_t block) {
    const auto it = m_map.find(Key(index, block));
    if (it == m_map.end()) return nullptr;
    Touch(*it->second);
    return it->second;
  }

  // A buffer for (index, block): a new one while the pool may grow, else the
  // one used longest ago, written back first. Null after reporting.
  Buffer* Take(int index, std::uint32_t block) {
    Buffer* b = nullptr;
    if (m_buffers.size() < std::max<std::size_t>(static_cast<std::size_t>(Globals().blockSlots), 1) ||
        (m_buffers.size() < kMaxBuffers && m_oldest && m_oldest->index >= 0)) {
      m_buffers.emplace_back();
      b = &m_buffers.back();
    } else {
      b = m_oldest;
      if (!Write(*b)) return nullptr;
      Forget(*b);
      Unlink(*b);
    }
    b->index = index;
    b->block = block;
    m_map[Key(index, block)] = b;
    Link(*b);
    return b;
  }

  void MarkDirty(Buffer& b) {
    if (!b.dirty) m_dirty.push_back(&b);
    b.dirty = true;
  }

  // Writes back the changed blocks of one index.
  bool Flush(int index) {
    bool ok = true;
    std::size_t keep = 0;
    for (Buffer* b : m_dirty) {
      if (!b->dirty) continue;
      if (b->index == index) {
        if (!Write(*b)) ok = false;
        if (!b->dirty) continue;
      }
      m_dirty[keep++] = b;
    }
    m_dirty.resize(keep);
    return ok;
  }

  // Forgets every block of one index (their contents may be stale).
  void Drop(int index) {
    for (Buffer& b : m_buffers)
      if (b.index == index) {
        b.dirty = false;
        Forget(b);
      }
  }

 private:
  static std::uint64_t Key(int index, std::uint32_t block) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(index)) << 32) | block;
  }
  void Forget(Buffer& b) {
    if (b.index >= 0) m_map.erase(Key(b.index, b.block));
    b.index = -1;
  }
  void Unlink(Buffer& b) {
    if (b.older)
      b.older->newer = b.newer;
    else
      m_oldest = b.newer;
    if (b.newer)
      b.newer->older = b.older;
    else
      m_newest = b.older;
    b.older = b.newer = nullptr;
  }
  void Link(Buffer& b) {
    b.older = m_newest;
    b.newer = nullptr;
    if (m_newest) m_newest->newer = &b;
    m_newest = &b;
    if (!m_oldest) m_oldest = &b;
  }
  void Touch(Buffer& b) {
    if (m_newest == &b) return;
    Unlink(b);
    Link(b);
  }
  bool Write(Buffer& b);

  std::deque<Buffer> m_buffers;  // addresses stay put as the pool grows
  std::unordered_map<std::uint64_t, Buffer*> m_map;
  std::vector<Buffer*> m_dirty;
  Buffer* m_oldest = nullptr;
  Buffer* m_newest = nullptr;
};

BlockPool& Pool() {
  static BlockPool pool;
  return pool;
}

bool BlockPool::Write(Buffer& b) {
  if (!b.dirty) return true;
  Index* ix = IndexAt(b.index);
  if (!ix || WriteAt(ix->fd, b.data.data(), kBlock, static_cast<std::int64_t>(b.block) * kBlock) != kBlock) {
    DbfReportError(160, {ix ? ix->name : std::string()});
    return false;
  }
  b.dirty = false;
  return true;
}

bool GetBlock(const Index& ix, std::uint32_t block, Raw& out) {
  Buffer* b = Pool().Find(ix.number, block);
  if (!b) {
    if (block == 0 || block >= ix.nextFree) {
      DbfReportError(330, {ix.name});
      return false;
    }
    Raw data;
    if (ReadAt(ix.fd, data.data(), kBlock, static_cast<std::int64_t>(block) * kBlock) != kBlock) {
      DbfReportError(330, {ix.name});
      return false;
    }
    b = Pool().Take(ix.number, block);
    if (!b) return false;
    b->data = data;
  }
  out = b->data;
  return true;
}

// A block of the tree. The file may have been written by another program:
// a block claiming more entries than a block holds is refused (330) before
// any entry is looked at.
bool GetNode(const Index& ix, std::uint32_t block, Raw& out) {
  if (!GetBlock(ix, block, out)) return false;
  if (static_cast<int>(Get16(out.data())) > ix.keysPerBlock) {
    DbfReportError(330, {ix.name});
    return false;
  }
  return true;
}

bool PutBlock(const Index& ix, std::uint32_t block, const Raw& data) {
  Buffer* b = Pool().Find(ix.number, block);
  if (!b) b = Pool().Take(ix.number, block);
  if (!b) return false;
  b->data = data;
  Pool().MarkDirty(*b);
  return true;
}

bool FlushIndex(const Index& ix) { return Pool().Flush(ix.number); }
void DropIndex(const Index& ix) { Pool().Drop(ix.number); }

// ---- the header and the file lock ------------------------------------------

void HeaderBytes(const Index& ix, std::uint8_t* h) {
  Put32(h, ix.root);
  Put32(h + 4, ix.nextFree);
  Put32(h + 8, ix.counter);
  Put16(h + 12, static_cast<unsigned>(ix.keyLength));
  Put16(h + 14, static_cast<unsigned>(ix.keysPerBlock));
  Put16(h + 16, 0);  // keys are texts
  Put16(h + 18, static_cast<unsigned>(ix.entryLength));
  Put16(h + 20, 0);
  Put16(h + 22, ix.unique ? 1 : 0);
  const std::string& text = ix.expression->Text();
  std::memcpy(h + kExpressionAt, text.data(), std::min<std::size_t>(text.size(), kHeaderBytes - kExpressionAt - 1));
  Put32(h + kFreeHeadAt, ix.freeHead);
}

int EntryLength(int keyLength) { return (8 + keyLength + 3) / 4 * 4; }

// Reads and checks the header; the cached blocks go when the change counter
// moved. 0, or -1 after reporting 320.
int ReadHeader(Index& ix) {
  std::uint8_t h[kFreeHeadAt + 4] = {};
  if (ReadAt(ix.fd, h, sizeof h, 0) != static_cast<std::int64_t>(sizeof h)) {
    DbfReportError(320, {ix.name});
    return -1;
  }
  const int keyLength = static_cast<int>(Get16(h + 12));
  const int entryLength = static_cast<int>(Get16(h + 18));
  const std::uint32_t root = Get32(h), nextFree = Get32(h + 4);
  if (keyLength < 1 || keyLength > kMaxKey || entryLength != EntryLength(keyLength) ||
      static_cast<int>(Get16(h + 14)) != (kBlock - 4) / entryLength || Get16(h + 16) != 0 || root == 0 ||
      root >= nextFree || (ix.headerRead && keyLength != ix.keyLength)) {
    DbfReportError(320, {ix.name});
    return -1;
  }
  const std::uint32_t counter = Get32(h + 8);
  if (!ix.headerRead || counter != ix.counter) DropIndex(ix);
  ix.root = root;
  ix.nextFree = nextFree;
  ix.counter = counter;
  ix.keyLength = keyLength;
  ix.entryLength = entryLength;
  ix.keysPerBlock = (kBlock - 4) / entryLength;
  ix.unique = Get16(h + 22) != 0;
  ix.freeHead = Get32(h + kFreeHeadAt);
  ix.headerRead = true;
  return 0;
}

// One operation on an index: under its lock, with the header read first and,
// when anything changed, the blocks and the header written before the lock
// is let go.
class Session {
 public:
  explicit Session(Index& ix) : m_ix(ix) {
    if (LockBytes(ix.fd, kLockBase, 1, true) != 0) return;
    m_locked = true;
    m_ok = ReadHeader(ix) == 0;
  }
  ~Session() { Finish(); }
  bool Ok() const { return m_ok; }
  void Changed() { m_changed = true; }
  bool Finish() {
    if (!m_locked) return m_ok;
    if (m_changed) {
      ++m_ix.counter;
      std::uint8_t h[kFreeHeadAt + 4] = {};
      HeaderBytes(m_ix, h);
      if (!FlushIndex(m_ix) || WriteAt(m_ix.fd, h, sizeof h, 0) != static_cast<std::int64_t>(sizeof h)) {
        DbfReportError(160, {m_ix.name});
        m_ok = false;
      }
      m_changed = false;
    }
    if (UnlockBytes(m_ix.fd, kLockBase, 1) != 0) m_ok = false;
    m_locked = false;
    return m_ok;
  }

 private:
  Index& m_ix;
  bool m_locked = false;
  bool m_ok = false;
  bool m_changed = false;
};

// ---- blocks ------------------------------------------------------------------

int Count(const std::uint8_t* b) { return static_cast<int>(Get16(b)); }
void SetCount(std::uint8_t* b, int n) { Put16(b, static_cast<unsigned>(n)); }

class Tree {
 public:
  explicit Tree(Index& ix) : m_ix(ix), K(ix.keyLength), E(ix.entryLength) {}

  std::uint8_t* At(std::uint8_t* b, int i) const { return b + 4 + i * E; }
  const std::uint8_t* At(const std::uint8_t* b, int i) const { return b + 4 + i * E; }
  static bool Leaf(const std::uint8_t* b) { return Count(b) == 0 || Get32(b + 4) == 0; }

  // Entry against (key, record): key bytes first, then the record.
  int Compare(const std::uint8_t* e, const std::uint8_t* key, std::uint32_t record) const {
    const int c = std::memcmp(e + 8, key, static_cast<std::size_t>(K));
    if (c != 0) return c;
    const std::uint32_t r = Get32(e + 4);
    return r < record ? -1 : (r > record ? 1 : 0);
  }
  // The first entry not below (key, record).
  int Lower(const std::uint8_t* b, const std::uint8_t* key, std::uint32_t record) const {
    int lo = 0, hi = Count(b);
    while (lo < hi) {
      const int mid = (lo + hi) / 2;
      if (Compare(At(b, mid), key, record) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }
  // The first entry whose key, over the prefix's length, is not below it.
  int LowerPrefix(const std::uint8_t* b, std::string_view prefix) const {
    int lo = 0, hi = Count(b);
    while (lo < hi) {
      const int mid = (lo + hi) / 2;
      if (std::memcmp(At(b, mid) + 8, prefix.data(), prefix.size()) < 0)
        lo = mid + 1;
      else
        hi = mid;
    }
    return lo;
  }

  bool Allocate(std::uint32_t& block) {
    if (m_ix.freeHead) {
      Raw b;
      if (!GetBlock(m_ix, m_ix.freeHead, b)) return false;
      block = m_ix.freeHead;
      m_ix.freeHead = Get32(b.data());
      return true;
    }
    block = m_ix.nextFree++;
    return true;
  }
  bool Release(std::uint32_t block) {
    Raw b{};
    Put32(b.data(), m_ix.freeHead);
    m_ix.freeHead = block;
    return PutBlock(m_ix, block, b);
  }

  struct Step {
    std::uint32_t block;
    int i;
  };

  // A child lies below its parent: a child block already on the way down
  // from the root makes the tree a loop, which is refused (330) rather than
  // walked for ever.
  bool Below(const std::vector<Step>& path, std::uint32_t child) const {
    for (const Step& s : path)
      if (s.block == child) {
        DbfReportError(330, {m_ix.name});
        return false;
      }
    return true;
  }

  // Adds (key, record); false after reporting.
  bool Insert(const std::uint8_t* key, std::uint32_t record) {
    std::vector<Step> path;
    std::uint32_t n = m_ix.root;
    Raw b;
    for (;;) {
      if (!GetNode(m_ix, n, b)) return false;
      if (Leaf(b.data())) break;
      int i = Lower(b.data(), key, record);
      if (i == Count(b.data())) {
        // Greater than everything below: the last child takes it, and its
        // entry above says so.
        i = Count(b.data()) - 1;
        std::memcpy(At(b.data(), i) + 8, key, static_cast<std::size_t>(K));
        Put32(At(b.data(), i) + 4, record);
        if (!PutBlock(m_ix, n, b)) return false;
      }
      path.push_back({n, i});
      n = Get32(At(b.data(), i));
      if (!Below(path, n)) return false;
    }
    std::vector<std::uint8_t> entry(static_cast<std::size_t>(E), 0);
    Put32(entry.data() + 4, record);
    std::memcpy(entry.data() + 8, key, static_cast<std::size_t>(K));
    return Place(path, n, b, Lower(b.data(), key, record), entry);
  }

  // Puts entry at position i of block n (held in b), splitting up the path.
  bool Place(std::vector<Step>& path, std::uint32_t n, Raw& b, int i, std::vector<std::uint8_t> entry) {
    for (;;) {
      const int count = Count(b.data());
      std::vector<std::uint8_t> work(4 + static_cast<std::size_t>(count + 1) * E);
      std::memcpy(work.data(), b.data(), 4 + static_cast<std::size_t>(i) * E);
      std::memcpy(work.data() + 4 + static_cast<std::size_t>(i) * E, entry.data(), static_cast<std::size_t>(E));
      std::memcpy(work.data() + 4 + static_cast<std::size_t>(i + 1) * E, At(b.data(), i),
                  static_cast<std::size_t>(count - i) * E);
      if (count + 1 <= m_ix.keysPerBlock) {
        b.fill(0);
        std::memcpy(b.data(), work.data(), work.size());
        SetCount(b.data(), count + 1);
        return PutBlock(m_ix, n, b);
      }
      // Split: the left half goes to a new block, the right half stays.
      const int total = count + 1, left = total / 2;
      std::uint32_t fresh = 0;
      if (!Allocate(fresh)) return false;
      Raw lb{}, rb{};
      SetCount(lb.data(), left);
      std::memcpy(lb.data() + 4, work.data() + 4, static_cast<std::size_t>(left) * E);
      SetCount(rb.data(), total - left);
      std::memcpy(rb.data() + 4, work.data() + 4 + static_cast<std::size_t>(left) * E,
                  static_cast<std::size_t>(total - left) * E);
      if (!PutBlock(m_ix, fresh, lb) || !PutBlock(m_ix, n, rb)) return false;
      // The left half's greatest entry moves up, pointing to the new block.
      std::vector<std::uint8_t> up(At(lb.data(), left - 1), At(lb.data(), left - 1) + E);
      Put32(up.data(), fresh);
      if (path.empty()) {
        std::vector<std::uint8_t> last(At(rb.data(), total - left - 1), At(rb.data(), total - left - 1) + E);
        Put32(last.data(), n);
        std::uint32_t root = 0;
        if (!Allocate(root)) return false;
        Raw nb{};
        SetCount(nb.data(), 2);
        std::memcpy(At(nb.data(), 0), up.data(), static_cast<std::size_t>(E));
        std::memcpy(At(nb.data(), 1), last.data(), static_cast<std::size_t>(E));
        m_ix.root = root;
        return PutBlock(m_ix, root, nb);
      }
      const Step parent = path.back();
      path.pop_back();
      n = parent.block;
      if (!GetNode(m_ix, n, b)) return false;
      i = parent.i;
      entry = std::move(up);
    }
  }

  // Removes (key, record): 1 done, 0 not there, -1 after reporting.
  int Remove(const std::uint8_t* key, std::uint32_t record) {
    std::vector<Step> path;
    std::uint32_t n = m_ix.root;
    Raw b;
    for (;;) {
      if (!GetNode(m_ix, n, b)) return -1;
      const int i = Lower(b.data(), key, record);
      if (Leaf(b.data())) {
        if (i == Count(b.data()) || Compare(At(b.data(), i), key, record) != 0) return 0;
        Erase(b, i);
        break;
      }
      if (i == Count(b.data())) return 0;
      path.push_back({n, i});
      n = Get32(At(b.data(), i));
      if (!Below(path, n)) return -1;
    }
    // An emptied block leaves the tree; its entry above goes with it.
    while (Count(b.data()) == 0 && !path.empty()) {
      if (!Release(n)) return -1;
      const Step parent = path.back();
      path.pop_back();
      n = parent.block;
      if (!GetNode(m_ix, n, b)) return -1;
      Erase(b, parent.i);
    }
    return PutBlock(m_ix, n, b) ? 1 : -1;
  }

  void Erase(Raw& b, int i) const {
    const int count = Count(b.data());
    std::memmove(At(b.data(), i), At(b.data(), i + 1), static_cast<std::size_t>(count - i - 1) * E);
    std::memset(At(b.data(), count - 1), 0, static_cast<std::size_t>(E));
    SetCount(b.data(), count - 1);
  }

  // ---- cursors ---------------------------------------------------------------

  struct Cursor {
    std::vector<Step> path;  // inner blocks down to the leaf
    std::uint32_t leaf = 0;
    int i = 0;
    Raw b{};
    bool end = false;
  };

  // Down to the leaf, choosing in each block by pick(block); false on error.
  template <class Pick>
  bool Descend(Cursor& c, Pick pick) {
    c.path.clear();
    std::uint32_t n = m_ix.root;
    for (;;) {
      if (!GetNode(m_ix, n, c.b)) return false;
      const int i = pick(c.b.data());
      if (Leaf(c.b.data())) {
        c.leaf = n;
        c.i = i;
        c.end = false;
        return Settle(c);
      }
      if (i >= Count(c.b.data())) {
        c.end = true;
        return true;
      }
      c.path.push_back({n, i});
      n = Get32(At(c.b.data(), i));
      if (!Below(c.path, n)) return false;
    }
  }

  // Moves past the end of a leaf to the first entry of the next one.
  bool Settle(Cursor& c) {
    while (!c.end && c.i >= Count(c.b.data())) {
      if (!Neighbour(c, true)) return false;
    }
    return true;
  }

  // To the first entry of the next leaf, or the last entry of the previous
  // one (end when there is none).
  bool Neighbour(Cursor& c, bool forward) {
    Raw b;
    while (!c.path.empty()) {
      Step& s = c.path.back();
      if (!GetNode(m_ix, s.block, b)) return false;
      if (forward ? s.i + 1 < Count(b.data()) : s.i > 0) {
        s.i += forward ? 1 : -1;
        std::uint32_t n = Get32(At(b.data(), s.i));
        for (;;) {
          if (!Below(c.path, n)) return false;
          if (!GetNode(m_ix, n, c.b)) return false;
          // Only the root may be empty: an emptied block leaves the tree.
          if (Count(c.b.data()) == 0) {
            DbfReportError(330, {m_ix.name});
            return false;
          }
          const int edge = forward ? 0 : Count(c.b.data()) - 1;
          if (Leaf(c.b.data())) {
            c.leaf = n;
            c.i = edge;
            return true;
          }
          c.path.push_back({n, edge});
          n = Get32(At(c.b.data(), edge));
        }
      }
      c.path.pop_back();
    }
    c.end = true;
    return true;
  }

 private:
  Index& m_ix;
  const int K, E;
};

// ---- helpers of the interface --------------------------------------------------

std::string FitKey(const Index& ix, std::string key) {
  key.resize(static_cast<std::size_t>(ix.keyLength), ' ');
  return key;
}

void Remember(Index& ix, const Tree& tree, const Tree::Cursor& c) {
  ix.positioned = !c.end;
  if (c.end) return;
  const std::uint8_t* e = tree.At(c.b.data(), c.i);
  ix.key.assign(reinterpret_cast<const char*>(e + 8), static_cast<std::size_t>(ix.keyLength));
  ix.record = Get32(e + 4);
}

// Adds a key under an open session: 0, 340 for a duplicate in a unique
// index (reported), the hook's veto, or -1 after another error.
int AddKey(Index& ix, const std::string& key, std::uint32_t record) {
  Tree tree(ix);
  const auto* k = reinterpret_cast<const std::uint8_t*>(key.data());
  if (ix.unique) {
    Tree::Cursor c;
    if (!tree.Descend(c, [&](const std::uint8_t* b) { return tree.Lower(b, k, 0); })) return -1;
    if (!c.end && std::memcmp(tree.At(c.b.data(), c.i) + 8, k, key.size()) == 0) {
      DbfReportError(340, {ix.name});
      return 340;
    }
  }
  if (ix.hook) {
    const int veto = ix.hook(key, record);
    if (veto != 0) return veto;
  }
  return tree.Insert(k, record) ? 0 : -1;
}

int RemoveKey(Index& ix, const std::string& key, std::uint32_t record) {
  Tree tree(ix);
  const int r = tree.Remove(reinterpret_cast<const std::uint8_t*>(key.data()), record);
  if (r == 0) {
    DbfReportError(950, {res::text::kDbfIndexRemove});  // the index does not match its table
    return -1;
  }
  return r < 0 ? -1 : 0;
}

Index* OpenIndexFor(int number) {
  Index* ix = IndexAt(number);
  if (!ix) DbfReportError(380);
  return ix;
}

void Unlink(Index& ix) {
  Table* t = TableAt(ix.table);
  if (!t) return;
  if (t->firstIndex == ix.number) {
    t->firstIndex = ix.next;
  } else {
    for (int n = t->firstIndex; n >= 0; n = IndexAt(n)->next)
      if (IndexAt(n)->next == ix.number) {
        IndexAt(n)->next = ix.next;
        break;
      }
  }
  if (t->selectedIndex == ix.number) t->selectedIndex = -1;
}

int CloseIndex(Index& ix) {
  int result = FlushIndex(ix) ? 0 : -1;
  DropIndex(ix);
  Unlink(ix);
  if (::close(ix.fd) != 0) result = -1;
  Indexes().Free(ix.number);
  return result;
}

// Opens the file of a new or existing index for the current table.
Index* Attach(const std::string& path, Table& t, int& fd) {
  fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    DbfReportError(120, {path});
    return nullptr;
  }
  const int n = Indexes().Allocate(kMaxIndexes);
  if (n < 0) {
    ::close(fd);
    DbfReportError(920, {res::text::kDbfPoolCreate});
    return nullptr;
  }
  Index* ix = IndexAt(n);
  ix->number = n;
  ix->table = t.number;
  ix->name = path;
  ix->fd = fd;
  ix->next = t.firstIndex;
  t.firstIndex = n;
  t.selectedIndex = n;
  return ix;
}

std::string IndexName(std::string_view name) { return NormaliseName(name, ".NDX"); }

// Runs f(index, tree) under the index's session; failure when the index is
// not open or its header cannot be read.
template <class R, class F>
R OnIndex(int number, R failure, F&& f) {
  return Guarded(
      [&]() -> R {
        Index* ix = OpenIndexFor(number);
        if (!ix) return failure;
        Session s(*ix);
        if (!s.Ok()) return failure;
        Tree tree(*ix);
        return f(*ix, tree);
      },
      failure);
}

}  // namespace

// ---- the engine's side ------------------------------------------------------------

namespace dbf {

int UpdateIndexes(Table& t, std::int64_t n, bool append) {
  if (t.firstIndex < 0) return 0;
  if (!append && ReadRecord(t, n, t.Old()) < 0) return -1;
  struct Change {
    Index* ix;
    std::string oldKey, newKey;
  };
  std::vector<Change> done;
  const auto record = static_cast<std::uint32_t>(n);
  // Puts back what the indexes before the refusing one already changed.
  auto undo = [&]() {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
      Session s(*it->ix);
      if (!s.Ok()) continue;
      s.Changed();
      RemoveKey(*it->ix, it->newKey, record);
      if (!append) AddKey(*it->ix, it->oldKey, record);
    }
  };
  for (int k = t.firstIndex; k >= 0; k = IndexAt(k)->next) {
    Index& ix = *IndexAt(k);
    Change c{&ix, {}, {}};
    if (KeyOf(*ix.expression, c.newKey, -1, nullptr) < 0) return undo(), -1;
    c.newKey = FitKey(ix, c.newKey);
    if (!append) {
      if (KeyOf(*ix.expression, c.oldKey, t.number, t.Old()) < 0) return undo(), -1;
      c.oldKey = FitKey(ix, c.oldKey);
      if (c.oldKey == c.newKey) continue;
    }
    Session s(ix);
    if (!s.Ok()) return undo(), -1;
    s.Changed();
    if (!append && RemoveKey(ix, c.oldKey, record) < 0) return undo(), -1;
    const int added = AddKey(ix, c.newKey, record);
    if (added != 0) {
      if (!append) AddKey(ix, c.oldKey, record);
      s.Finish();
      undo();
      return added == 340 ? -3 : -1;
    }
    if (!s.Finish()) return undo(), -1;
    done.push_back(std::move(c));
  }
  return 0;
}

int CloseIndexes(Table& t) {
  int result = 0;
  while (t.firstIndex >= 0)
    if (CloseIndex(*IndexAt(t.firstIndex)) < 0) result = -1;
  return result;
}

int SelectedIndexTop(Table& t, std::int64_t& record) {
  const int r = DbfIndexTop(t.selectedIndex);
  if (r == 0) record = DbfIndexRecord(t.selectedIndex);
  return r;
}

}  // namespace dbf

// ---- the interface -----------------------------------------------------------------

int DbfIndexCreate(const std::string& name, std::string_view expression, int unique) {
  return Guarded(
      [&]() -> int {
        Table* t = CurrentTable();
        if (!t) return -1;
        const std::string path = IndexName(name);
        std::unique_ptr<DbfExpression> e = DbfCompile(expression);
        if (!e) return -1;
        int length = 0;
        if (KeyShape(*e, length) < 0) return -1;
        if (length > kMaxKey) {
          DbfReportError(370);
          return -1;
        }
        if (length < 1 || e->Text().size() > kHeaderBytes - kExpressionAt - 1) {
          DbfReportError(length < 1 ? 360 : 300, {path});
          return -1;
        }
        Index proto;
        proto.expression = std::move(e);
        proto.keyLength = length;
        proto.entryLength = EntryLength(length);
        proto.keysPerBlock = (kBlock - 4) / proto.entryLength;
        proto.unique = unique != 0;
        std::vector<std::uint8_t> file(2 * kBlock, 0);  // the header and an empty root leaf
        HeaderBytes(proto, file.data());
        CAtomicFile out;
        if (!out.Open(path) || !out.Write(file.data(), file.size()) || !out.Commit()) {
          DbfReportError(300, {path});
          return -1;
        }
        int fd = -1;
        Index* ix = Attach(path, *t, fd);
        if (!ix) return -1;
        ix->expression = std::move(proto.expression);
        ix->keyLength = proto.keyLength;
        ix->entryLength = proto.entryLength;
        ix->keysPerBlock = proto.keysPerBlock;
        ix->unique = proto.unique;
        // Every record's key, as the records stand now: read in large runs,
        // sorted, and entered in order, so the tree grows along its right
        // edge and each block is written once.
        bool ok = DbfFlush(t->number) == 0;
        const std::int64_t count = ok ? RecordCount(*t) : -1;
        ok = ok && count >= 0;
        const std::size_t K = static_cast<std::size_t>(length);
        std::vector<char> keys;
        std::vector<std::uint32_t> order;
        if (ok) {
          keys.resize(static_cast<std::size_t>(count) * K);
          order.resize(static_cast<std::size_t>(count));
          const std::int64_t run = std::max<std::int64_t>(1, (1 << 20) / t->recordLength);
          std::vector<char> chunk(
              static_cast<std::size_t>(std::min(run, std::max<std::int64_t>(count, 1)) * t->recordLength));
          std::string key;
          for (std::int64_t first = 1; ok && first <= count; first += run) {
            const std::int64_t m = std::min(run, count - first + 1);
            const std::int64_t bytes = m * t->recordLength;
            if (ReadAt(t->fd, chunk.data(), bytes, t->headerLength + (first - 1) * t->recordLength) != bytes) {
              DbfReportError(140, {t->name});
              ok = false;
              break;
            }
            for (std::int64_t k = 0; ok && k < m; ++k) {
              ok = KeyOf(*ix->expression, key, t->number, chunk.data() + k * t->recordLength) == 0;
              key = FitKey(*ix, key);
              std::memcpy(keys.data() + static_cast<std::size_t>(first - 1 + k) * K, key.data(), K);
            }
          }
        }
        if (ok) {
          for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<std::uint32_t>(i);
          std::stable_sort(order.begin(), order.end(), [&](std::uint32_t x, std::uint32_t y) {
            return std::memcmp(keys.data() + x * K, keys.data() + y * K, K) < 0;
          });
          Session s(*ix);
          ok = s.Ok();
          if (ok) s.Changed();
          Tree tree(*ix);
          for (std::size_t i = 0; ok && i < order.size(); ++i) {
            const char* k = keys.data() + order[i] * K;
            if (ix->unique && i > 0 && std::memcmp(k, keys.data() + order[i - 1] * K, K) == 0) {
              DbfReportError(340, {ix->name});
              ok = false;
              break;
            }
            ok = tree.Insert(reinterpret_cast<const std::uint8_t*>(k), order[i] + 1);
          }
          if (!s.Finish()) ok = false;
        }
        if (!ok) {
          CloseIndex(*ix);
          ::unlink(path.c_str());
          return -1;
        }
        return ix->number;
      },
      -1);
}

int DbfIndexOpen(const std::string& name) {
  return Guarded(
      [&]() -> int {
        Table* t = CurrentTable();
        if (!t) return -1;
        int fd = -1;
        Index* ix = Attach(IndexName(name), *t, fd);
        if (!ix) return -1;
        std::string text;
        {
          Session s(*ix);
          if (s.Ok()) {
            char h[kHeaderBytes + 1] = {};
            if (ReadAt(fd, h, kHeaderBytes, 0) == kHeaderBytes) text.assign(h + kExpressionAt);
          }
          if (!s.Finish() || text.empty()) {
            CloseIndex(*ix);
            return -1;
          }
        }
        ix->expression = DbfCompile(text);
        int length = 0;
        if (!ix->expression || KeyShape(*ix->expression, length) < 0 || length != ix->keyLength) {
          if (ix->expression && length != ix->keyLength) DbfReportError(360, {ix->name});
          CloseIndex(*ix);
          return -1;
        }
        return ix->number;
      },
      -1);
}

int DbfIndexSelect(int index) {
  Table* t = CurrentTable();
  if (!t) return -1;
  const int previous = t->selectedIndex;
  const Index* ix = IndexAt(index);
  if (index < 0)
    t->selectedIndex = -1;
  else if (ix && ix->table == t->number)
    t->selectedIndex = index;
  return previous;
}

int DbfIndexSeek(int index, std::string_view key) {
  return OnIndex(index, -1, [&](Index& ix, Tree& tree) -> int {
    const std::string_view prefix = key.substr(0, static_cast<std::size_t>(ix.keyLength));
    Tree::Cursor c;
    if (!tree.Descend(c, [&](const std::uint8_t* b) { return tree.LowerPrefix(b, prefix); })) return -1;
    Remember(ix, tree, c);
    if (c.end) return 3;
    if (std::memcmp(tree.At(c.b.data(), c.i) + 8, prefix.data(), prefix.size()) != 0) return 2;
    return static_cast<int>(prefix.size()) == ix.keyLength ? 0 : 1;
  });
}

int DbfIndexSeekRecord(int index, std::string_view key, std::int64_t record) {
  return OnIndex(index, -1, [&](Index& ix, Tree& tree) -> int {
    const std::string k = FitKey(ix, std::string(key));
    const auto* kp = reinterpret_cast<const std::uint8_t*>(k.data());
    const auto r = static_cast<std::uint32_t>(record);
    Tree::Cursor c;
    if (!tree.Descend(c, [&](const std::uint8_t* b) { return tree.Lower(b, kp, r); })) return -1;
    Remember(ix, tree, c);
    return !c.end && tree.Compare(tree.At(c.b.data(), c.i), kp, r) == 0 ? 0 : 4;
  });
}

std::int64_t DbfIndexSkip(int index, std::int64_t n) {
  const Index* known = IndexAt(index);
  if (known && !known->positioned) return 0;
  return OnIndex(index, std::int64_t{-1}, [&](Index& ix, Tree& tree) -> std::int64_t {
    const auto* kp = reinterpret_cast<const std::uint8_t*>(ix.key.data());
    Tree::Cursor c;
    if (!tree.Descend(c, [&](const std::uint8_t* b) { return tree.Lower(b, kp, ix.record); })) return -1;
    std::int64_t moved = 0;
    if (n > 0) {
      // From the current entry, or from where it would stand were it gone.
      if (!c.end && tree.Compare(tree.At(c.b.data(), c.i), kp, ix.record) != 0) {
        --n;
        ++moved;
      }
      while (!c.end && n > 0) {
        Tree::Cursor next = c;
        ++next.i;
        if (!tree.Settle(next)) return -1;
        if (next.end) break;
        c = std::move(next);
        --n;
        ++moved;
      }
    } else {
      if (c.end) {
        // Past the last entry: the last one is a step back.
        if (!tree.Descend(c, [](const std::uint8_t* b) { return Count(b) - 1; })) return -1;
        c.i = Count(c.b.data()) - 1;
        c.end = c.i < 0;
        if (!c.end) {
          ++n;
          ++moved;
        }
      }
      while (!c.end && n < 0) {
        Tree::Cursor prev = c;
        if (prev.i > 0) {
          --prev.i;
        } else {
          if (!tree.Neighbour(prev, false)) return -1;
          if (prev.end) break;
        }
        c = std::move(prev);
        ++n;
        ++moved;
      }
    }
    Remember(ix, tree, c);
    return moved;
  });
}

int DbfIndexTop(int index) {
  return OnIndex(index, -1, [&](Index& ix, Tree& tree) -> int {
    Tree::Cursor c;
    if (!tree.Descend(c, [](const std::uint8_t*) { return 0; })) return -1;
    Remember(ix, tree, c);
    return c.end ? 3 : 0;
  });
}

int DbfIndexBottom(int index) {
  return OnIndex(index, -1, [&](Index& ix, Tree& tree) -> int {
    Tree::Cursor c;
    if (!tree.Descend(c, [](const std::uint8_t* b) { return std::max(Count(b) - 1, 0); })) return -1;
    if (!c.end && Count(c.b.data()) == 0) c.end = true;
    Remember(ix, tree, c);
    return c.end ? 3 : 0;
  });
}

std::int64_t DbfIndexRecord(int index) {
  const Index* ix = IndexAt(index);
  return ix && ix->positioned ? ix->record : 0;
}

std::string DbfIndexKey(int index) {
  const Index* ix = IndexAt(index);
  return ix && ix->positioned ? ix->key : std::string();
}

void DbfIndexSetHook(int index, DbfIndexHook hook) {
  if (Index* ix = IndexAt(index)) ix->hook = std::move(hook);
}

}  // namespace qzn
