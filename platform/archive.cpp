#include "platform/archive.h"

#include "platform/atomicfile.h"
#include "platform/textfile.h"

#include <bit>
#include <cstdarg>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace qzn {

// The tags of the framework's archive format.
namespace {
constexpr std::uint16_t kNullTag = 0;
constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kClassTag = 0x8000;
constexpr std::uint16_t kBigObjectTag = 0x7FFF;
constexpr std::uint32_t kBigClassTag = 0x80000000u;
// The framework's own limit on the number of indexes in one archive.
constexpr std::uint32_t kMaxMapCount = 0x3FFFFFFE;
// Objects loaded inside objects; deeper than this is taken as a damaged file
// rather than risking the stack.
constexpr int kMaxLoadDepth = 1000;

// Every failure goes through this one cold function, so the loading path's
// stack frames stay small (objects load recursively).
[[noreturn]] __attribute__((cold, noinline, format(printf, 2, 3))) void Throw(CArchiveException::Cause cause,
                                                                              const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  std::string what = VFormatC(fmt, ap);
  va_end(ap);
  throw CArchiveException(cause, what);
}

using ull = unsigned long long;

std::string Printable(std::string_view s) {
  std::string out;
  for (unsigned char c : s.substr(0, 80)) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    }
  }
  if (s.size() > 80) out += "...";
  return out;
}

template <class U>
U ToLittle(U v) {
  if constexpr (std::endian::native == std::endian::little || sizeof(U) == 1) {
    return v;
  } else {
    U r = 0;
    for (std::size_t i = 0; i < sizeof(U); ++i) r = static_cast<U>((r << 8) | ((v >> (8 * i)) & 0xFF));
    return r;
  }
}
}  // namespace

// ---------------------------------------------------------------------------
// Runtime classes

namespace {
struct ClassRegistry {
  std::mutex mutex;
  std::unordered_map<std::string_view, const CRuntimeClass*> byName;
};
ClassRegistry& Registry() {
  static ClassRegistry r;  // built on first use, so registration order does not matter
  return r;
}
}  // namespace

CRuntimeClass::CRuntimeClass(const char* name, std::uint16_t schema, CObject* (*create)(), const CRuntimeClass* base)
    : m_lpszClassName(name), m_wSchema(schema), m_pfnCreateObject(create), m_pBaseClass(base) {
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  r.byName.emplace(std::string_view(name), this);  // the first of a name stays
}

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* c = this; c; c = c->m_pBaseClass)
    if (c == base) return true;
  return false;
}

const CRuntimeClass* CRuntimeClass::FromName(std::string_view name) {
  ClassRegistry& r = Registry();
  std::lock_guard<std::mutex> lock(r.mutex);
  auto it = r.byName.find(name);
  return it == r.byName.end() ? nullptr : it->second;
}

const CRuntimeClass CObject::classCObject("CObject", 0xFFFF, nullptr, nullptr);
const CRuntimeClass* CObject::GetRuntimeClass() const { return &CObject::classCObject; }
void CObject::Serialize(CArchive&) {}

// ---------------------------------------------------------------------------
// Opening and closing

struct CArchive::FileSink {
  CAtomicFile file;
  bool committed = false;
};

CArchive::CArchive() : m_mode(store) {}

CArchive::CArchive(std::vector<std::uint8_t> bytes) : m_mode(load), m_buf(std::move(bytes)) {
  m_loadObjects.push_back(nullptr);  // index 0: the null object
  m_loadIsClass.push_back(false);
}

CArchive::~CArchive() = default;  // an unfinished file is dropped by CAtomicFile

std::unique_ptr<CArchive> CArchive::OpenForStore(const std::string& path) {
  auto ar = std::make_unique<CArchive>();
  ar->m_file = std::make_unique<FileSink>();
  if (!ar->m_file->file.Open(path)) Throw(CArchiveException::writeFailed, "%s", ar->m_file->file.ErrorText().c_str());
  return ar;
}

std::unique_ptr<CArchive> CArchive::OpenForLoad(const std::string& path) {
  auto fail = [&](int err) {
    Throw(CArchiveException::generic, "cannot read '%s': %s", path.c_str(), std::strerror(err));
  };
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) fail(errno);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
    ::close(fd);
    fail(err);
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    ::close(fd);
    fail(ENOMEM);
  }
  std::size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      ::close(fd);
      fail(err);
    }
    if (n == 0) break;  // the file shrank meanwhile: load what is there
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  return std::make_unique<CArchive>(std::move(bytes));
}

void CArchive::Close() {
  if (!m_file || m_file->committed) return;
  if (!m_file->file.Commit()) Throw(CArchiveException::writeFailed, "%s", m_file->file.ErrorText().c_str());
  m_file->committed = true;
}

void CArchive::Abort() {
  if (m_file && !m_file->committed) m_file->file.Abort();
}

std::uint64_t CArchive::BytesLeft() const { return IsLoading() ? m_buf.size() - m_pos : 0; }

// ---------------------------------------------------------------------------
// Raw bytes and primitives

void CArchive::Need(std::uint64_t n) const {
  if (n > m_buf.size() - m_pos)
    Throw(CArchiveException::endOfFile, "unexpected end of archive: %llu bytes needed at offset %llu, %llu left",
          static_cast<ull>(n), static_cast<ull>(m_pos), static_cast<ull>(m_buf.size() - m_pos));
}

void CArchive::Write(const void* data, std::size_t n) {
  if (IsLoading()) Throw(CArchiveException::readOnly, "writing to an archive that is loading");
  if (n == 0) return;
  if (m_file) {
    if (m_file->committed || !m_file->file.Write(data, n))
      Throw(CArchiveException::writeFailed, "%s",
            m_file->committed ? "writing to a closed archive" : m_file->file.ErrorText().c_str());
    return;
  }
  const auto* p = static_cast<const std::uint8_t*>(data);
  m_buf.insert(m_buf.end(), p, p + n);
}

void CArchive::Read(void* data, std::size_t n) {
  if (IsStoring()) Throw(CArchiveException::writeOnly, "reading from an archive that is storing");
  Need(n);
  if (n) std::memcpy(data, m_buf.data() + m_pos, n);
  m_pos += n;
}

namespace {
template <class U>
void PutLE(CArchive& ar, U v) {
  U le = ToLittle(v);
  ar.Write(&le, sizeof le);
}
template <class U>
U GetLE(CArchive& ar) {
  U le;
  ar.Read(&le, sizeof le);
  return ToLittle(le);
}
}  // namespace

CArchive& CArchive::operator<<(std::uint8_t v) { return PutLE(*this, v), *this; }
CArchive& CArchive::operator<<(std::int8_t v) { return PutLE(*this, static_cast<std::uint8_t>(v)), *this; }
CArchive& CArchive::operator<<(std::uint16_t v) { return PutLE(*this, v), *this; }
CArchive& CArchive::operator<<(std::int16_t v) { return PutLE(*this, static_cast<std::uint16_t>(v)), *this; }
CArchive& CArchive::operator<<(std::uint32_t v) { return PutLE(*this, v), *this; }
CArchive& CArchive::operator<<(std::int32_t v) { return PutLE(*this, static_cast<std::uint32_t>(v)), *this; }
CArchive& CArchive::operator<<(std::uint64_t v) { return PutLE(*this, v), *this; }
CArchive& CArchive::operator<<(std::int64_t v) { return PutLE(*this, static_cast<std::uint64_t>(v)), *this; }
CArchive& CArchive::operator<<(float v) { return PutLE(*this, std::bit_cast<std::uint32_t>(v)), *this; }
CArchive& CArchive::operator<<(double v) { return PutLE(*this, std::bit_cast<std::uint64_t>(v)), *this; }

CArchive& CArchive::operator>>(std::uint8_t& v) { return v = GetLE<std::uint8_t>(*this), *this; }
CArchive& CArchive::operator>>(std::int8_t& v) {
  return v = static_cast<std::int8_t>(GetLE<std::uint8_t>(*this)), *this;
}
CArchive& CArchive::operator>>(std::uint16_t& v) { return v = GetLE<std::uint16_t>(*this), *this; }
CArchive& CArchive::operator>>(std::int16_t& v) {
  return v = static_cast<std::int16_t>(GetLE<std::uint16_t>(*this)), *this;
}
CArchive& CArchive::operator>>(std::uint32_t& v) { return v = GetLE<std::uint32_t>(*this), *this; }
CArchive& CArchive::operator>>(std::int32_t& v) {
  return v = static_cast<std::int32_t>(GetLE<std::uint32_t>(*this)), *this;
}
CArchive& CArchive::operator>>(std::uint64_t& v) { return v = GetLE<std::uint64_t>(*this), *this; }
CArchive& CArchive::operator>>(std::int64_t& v) {
  return v = static_cast<std::int64_t>(GetLE<std::uint64_t>(*this)), *this;
}
CArchive& CArchive::operator>>(float& v) { return v = std::bit_cast<float>(GetLE<std::uint32_t>(*this)), *this; }
CArchive& CArchive::operator>>(double& v) { return v = std::bit_cast<double>(GetLE<std::uint64_t>(*this)), *this; }

// ---------------------------------------------------------------------------
// Counts and strings

void CArchive::WriteCount(std::uint32_t n) {
  if (n < 0xFFFF) {
    *this << static_cast<std::uint16_t>(n);
  } else {
    *this << static_cast<std::uint16_t>(0xFFFF) << n;
  }
}

std::uint32_t CArchive::ReadCount(std::size_t minElementBytes) {
  std::uint16_t w;
  *this >> w;
  std::uint32_t n = w;
  if (w == 0xFFFF) *this >> n;
  if (minElementBytes > 0 && n > BytesLeft() / minElementBytes)
    Throw(CArchiveException::badCount, "count %u of %llu-byte elements at offset %llu exceeds the %llu bytes left", n,
          static_cast<ull>(minElementBytes), static_cast<ull>(m_pos), static_cast<ull>(BytesLeft()));
  return n;
}

namespace {
// The framework's string length: a byte below 0xFF; else 0xFF and a uint16
// below 0xFFFE; else 0xFF 0xFFFF and a uint32. 0xFF 0xFFFE marks a UTF-16
// string (never written here, read for completeness), whose length follows
// again in the same form, counted in 16-bit units.
std::uint32_t ReadStringLength(CArchive& ar, bool& utf16) {
  utf16 = false;
  std::uint8_t b;
  ar >> b;
  if (b < 0xFF) return b;
  std::uint16_t w;
  ar >> w;
  if (w == 0xFFFE) {
    utf16 = true;
    ar >> b;
    if (b < 0xFF) return b;
    ar >> w;
  }
  if (w < 0xFFFF) return w;
  std::uint32_t d;
  ar >> d;
  return d;
}

}  // namespace

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void CArchive::WriteString(std::string_view utf8) {
  std::string gbk = Utf8ToGbk(utf8);
  const std::size_t n = gbk.size();
  if (n < 0xFF) {
    *this << static_cast<std::uint8_t>(n);
  } else if (n < 0xFFFE) {
    *this << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(n);
  } else if (n < 0xFFFFFFFFu) {
    *this << static_cast<std::uint8_t>(0xFF) << static_cast<std::uint16_t>(0xFFFF) << static_cast<std::uint32_t>(n);
  } else {
    Throw(CArchiveException::badCount, "string of %llu bytes is too long", static_cast<ull>(n));
  }
  Write(gbk.data(), n);
}

std::string CArchive::ReadString() {
  bool utf16 = false;
  std::uint64_t n = ReadStringLength(*this, utf16);
  std::uint64_t bytes = utf16 ? n * 2 : n;
  if (bytes > BytesLeft())
    Throw(CArchiveException::endOfFile, "string of %llu bytes at offset %llu runs past the end (%llu bytes left)",
          static_cast<ull>(bytes), static_cast<ull>(m_pos), static_cast<ull>(BytesLeft()));
  const auto* p = m_buf.data() + m_pos;
  m_pos += bytes;
  if (!utf16) return GbkToUtf8(std::string_view(reinterpret_cast<const char*>(p), bytes));
  std::string out;
  out.reserve(bytes);
  for (std::uint64_t i = 0; i < n; ++i) {
    std::uint32_t u = p[2 * i] | (p[2 * i + 1] << 8);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < n) {
      std::uint32_t lo = p[2 * i + 2] | (p[2 * i + 3] << 8);
      if (lo >= 0xDC00 && lo < 0xE000) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    if (u >= 0xD800 && u < 0xE000) u = '?';  // unpaired surrogate
    AppendUtf8(out, u);
  }
  return out;
}

// ---------------------------------------------------------------------------
// Objects

void CArchive::WriteIndexTag(std::uint32_t index, bool isClass) {
  if (index < kBigObjectTag) {
    *this << static_cast<std::uint16_t>(isClass ? (kClassTag | index) : index);
  } else {
    *this << kBigObjectTag << (isClass ? (kBigClassTag | index) : index);
  }
}

namespace {
std::uint32_t TakeIndex(std::uint32_t& next) {
  if (next > kMaxMapCount) Throw(CArchiveException::badIndex, "too many objects in one archive");
  return next++;
}
}  // namespace

void CArchive::WriteObject(const CObject* obj) {
  if (IsLoading()) Throw(CArchiveException::readOnly, "writing to an archive that is loading");
  if (!obj) {
    *this << kNullTag;
    return;
  }
  if (auto it = m_storeMap.find(obj); it != m_storeMap.end()) {
    WriteIndexTag(it->second, false);
    return;
  }
  const CRuntimeClass* cls = obj->GetRuntimeClass();
  if (auto it = m_storeMap.find(cls); it != m_storeMap.end()) {
    WriteIndexTag(it->second, true);
  } else {
    if (cls->m_wSchema == 0xFFFF) Throw(CArchiveException::badClass, "class %s cannot be stored", cls->m_lpszClassName);
    std::size_t len = std::strlen(cls->m_lpszClassName);
    *this << kNewClassTag << cls->m_wSchema << static_cast<std::uint16_t>(len);
    Write(cls->m_lpszClassName, len);
    m_storeMap[cls] = TakeIndex(m_nextIndex);
  }
  // The object takes its index before its contents, so they can refer to it.
  m_storeMap[obj] = TakeIndex(m_nextIndex);
  const_cast<CObject*>(obj)->Serialize(*this);
}

std::uint32_t CArchive::ReadTag32(bool& isClass, bool& isNull, bool& isNew) {
  std::uint16_t tag;
  *this >> tag;
  isClass = isNull = isNew = false;
  if (tag == kNullTag) {
    isNull = true;
    return 0;
  }
  if (tag == kNewClassTag) {
    isClass = isNew = true;
    return 0;
  }
  std::uint32_t index;
  if (tag == kBigObjectTag) {
    std::uint32_t big;
    *this >> big;
    isClass = (big & kBigClassTag) != 0;
    index = big & ~kBigClassTag;
  } else {
    isClass = (tag & kClassTag) != 0;
    index = tag & ~kClassTag;
  }
  if (index == 0) {
    if (isClass) Throw(CArchiveException::badIndex, "class tag with index 0 at offset %llu", static_cast<ull>(m_pos));
    isNull = true;
  }
  return index;
}

const CRuntimeClass* CArchive::LoadClass(std::uint32_t& schemaOut) {
  std::uint16_t schema, len;
  *this >> schema >> len;
  Need(len);
  std::string_view name(reinterpret_cast<const char*>(m_buf.data() + m_pos), len);
  m_pos += len;
  const CRuntimeClass* cls = CRuntimeClass::FromName(name);
  if (!cls || cls->m_wSchema == 0xFFFF)
    Throw(CArchiveException::badClass, "unknown class '%s' in archive", Printable(name).c_str());
  if (cls->m_wSchema != schema)
    Throw(CArchiveException::badSchema, "class %s stored with schema %u, this program reads schema %u",
          cls->m_lpszClassName, schema, cls->m_wSchema);
  schemaOut = schema;
  std::uint32_t index = TakeIndex(m_nextIndex);
  (void)index;
  m_loadObjects.push_back(cls);
  m_loadIsClass.push_back(true);
  return cls;
}

CObject* CArchive::ReadObject(const CRuntimeClass* expected) {
  if (IsStoring()) Throw(CArchiveException::writeOnly, "reading from an archive that is storing");
  const std::size_t tagPos = m_pos;
  bool isClass, isNull, isNew;
  std::uint32_t index = ReadTag32(isClass, isNull, isNew);
  if (isNull) return nullptr;

  if (!isClass) {  // an object seen before
    if (index >= m_loadObjects.size() || m_loadIsClass[index])
      Throw(CArchiveException::badIndex, "no object with index %u at offset %llu (%u indexes so far)", index,
            static_cast<ull>(tagPos), m_nextIndex - 1);
    auto* obj = static_cast<CObject*>(const_cast<void*>(m_loadObjects[index]));
    if (obj && expected && !obj->IsKindOf(expected))
      Throw(CArchiveException::badClass, "object of class %s where %s was expected",
            obj->GetRuntimeClass()->m_lpszClassName, expected->m_lpszClassName);
    return obj;
  }

  const CRuntimeClass* cls;
  if (isNew) {
    std::uint32_t schema = 0;
    cls = LoadClass(schema);
  } else {
    if (index >= m_loadObjects.size() || !m_loadIsClass[index])
      Throw(CArchiveException::badIndex, "no class with index %u at offset %llu (%u indexes so far)", index,
            static_cast<ull>(tagPos), m_nextIndex - 1);
    cls = static_cast<const CRuntimeClass*>(m_loadObjects[index]);
  }
  if (expected && !cls->IsDerivedFrom(expected))
    Throw(CArchiveException::badClass, "object of class %s where %s was expected", cls->m_lpszClassName,
          expected->m_lpszClassName);
  if (m_loadDepth >= kMaxLoadDepth)
    Throw(CArchiveException::generic, "objects nested more than %d deep at offset %llu", kMaxLoadDepth,
          static_cast<ull>(tagPos));
  CObject* obj = cls->CreateObject();
  if (!obj) Throw(CArchiveException::badClass, "class %s cannot be created", cls->m_lpszClassName);
  std::uint32_t objIndex;
  try {
    objIndex = TakeIndex(m_nextIndex);
    m_loadObjects.push_back(obj);
    m_loadIsClass.push_back(false);
  } catch (...) {
    delete obj;
    throw;
  }
  // A failure while the object loads deletes it; what it had loaded so far is
  // its own to free.
  ++m_loadDepth;
  try {
    obj->Serialize(*this);
  } catch (...) {
    --m_loadDepth;
    // Everything loaded since belongs to the failed object: no later tag may
    // hand it out.
    for (std::size_t i = objIndex; i < m_loadObjects.size(); ++i)
      if (!m_loadIsClass[i]) m_loadObjects[i] = nullptr;
    delete obj;
    throw;
  }
  --m_loadDepth;
  return obj;
}

CObject* CArchive::ReadOwnedObject(const CRuntimeClass* expected) {
  if (IsStoring()) Throw(CArchiveException::writeOnly, "reading from an archive that is storing");
  const std::size_t tagPos = m_pos;
  bool isClass, isNull, isNew;
  std::uint32_t index = ReadTag32(isClass, isNull, isNew);
  if (!isNull && !isClass)
    Throw(CArchiveException::badIndex, "object %u at offset %llu was loaded before, where a new one belongs", index,
          static_cast<ull>(tagPos));
  m_pos = tagPos;
  return ReadObject(expected);
}

}  // namespace qzn
