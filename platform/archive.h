// The object archive: the binary layout in which project files, layer files
// and other stored tables keep objects. Little-endian, no padding.
//
//  counts   uint16, or 0xFFFF followed by uint32 for 0xFFFF and more
//  strings  1-byte length; or 0xFF + uint16; or 0xFF 0xFFFF + uint32. The
//           bytes are code page 936 on disk and UTF-8 in memory.
//  objects  a uint16 tag: 0 null; 0xFFFF a new class (uint16 schema, uint16
//           name length, name) followed by the object; 0x8000|i a class seen
//           before as index i, followed by the object; a plain index i an
//           object seen before. Once an index reaches 0x7FFF the tag is 0x7FFF
//           followed by a uint32 (with 0x80000000 set for classes). One index
//           counter over the whole archive, starting at 1, counts classes and
//           objects alike.
//
// Every read checks the bytes left first, so a damaged or truncated file ends
// in a CArchiveException instead of a wild allocation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qzn {

class CArchive;
class CObject;

// Appends the UTF-8 bytes of a Unicode code point.
void AppendUtf8(std::string& out, std::uint32_t cp);

class CArchiveException : public std::runtime_error {
 public:
  enum Cause { generic, endOfFile, badIndex, badClass, badSchema, badCount, writeFailed, readOnly, writeOnly };
  CArchiveException(Cause cause, const std::string& what) : std::runtime_error(what), m_cause(cause) {}
  Cause m_cause;
};

// The class descriptor of a storable object: its name, its schema and a
// factory for loading. Descriptors register themselves on construction.
struct CRuntimeClass {
  const char* m_lpszClassName;
  std::uint16_t m_wSchema;  // 0xFFFF: not storable through WriteObject
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;

  CRuntimeClass(const char* name, std::uint16_t schema, CObject* (*create)(), const CRuntimeClass* base);
  CObject* CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }
  bool IsDerivedFrom(const CRuntimeClass* base) const;
  // The registered class of that name, or null.
  static const CRuntimeClass* FromName(std::string_view name);
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  virtual void Serialize(CArchive& ar);
  bool IsKindOf(const CRuntimeClass* cls) const { return GetRuntimeClass()->IsDerivedFrom(cls); }
  static const CRuntimeClass classCObject;
  static const CRuntimeClass* GetThisClass() { return &classCObject; }
};

#define RUNTIME_CLASS(cls) (&cls::class##cls)
// In templates, where RUNTIME_CLASS cannot paste a name: T::GetThisClass().

// In the class body of a storable class.
#define QZN_DECLARE_SERIAL(cls)                                      \
 public:                                                             \
  static const CRuntimeClass class##cls;                             \
  static const CRuntimeClass* GetThisClass() { return &class##cls; } \
  static CObject* CreateObject();                                    \
  const CRuntimeClass* GetRuntimeClass() const override;

// In one .cpp file; base is the parent class, schema its layout number.
#define QZN_IMPLEMENT_SERIAL(cls, base, schema)                                               \
  CObject* cls::CreateObject() { return new cls; }                                            \
  const CRuntimeClass cls::class##cls(#cls, schema, &cls::CreateObject, RUNTIME_CLASS(base)); \
  const CRuntimeClass* cls::GetRuntimeClass() const { return &cls::class##cls; }

class CArchive {
 public:
  enum Mode { load = 1, store = 0 };

  // Storing into a file: bytes go to a temporary file beside the target that
  // replaces it only when Close() succeeds. Loading from a file reads it all.
  // Both throw CArchiveException when the file cannot be opened.
  static std::unique_ptr<CArchive> OpenForStore(const std::string& path);
  static std::unique_ptr<CArchive> OpenForLoad(const std::string& path);

  // In-memory archives: storing into a growing buffer, loading from bytes.
  CArchive();                                          // storing into memory
  explicit CArchive(std::vector<std::uint8_t> bytes);  // loading from memory
  ~CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return m_mode == load; }
  bool IsStoring() const { return m_mode == store; }

  // Finishes a stored file (flush, fsync, rename onto the target). Throws on
  // any write error; the target is then untouched. Harmless on memory archives.
  void Close();
  // Drops a stored file without touching the target.
  void Abort();

  const std::vector<std::uint8_t>& GetBuffer() const { return m_buf; }  // memory store
  std::uint64_t BytesLeft() const;                                      // loading

  // Raw bytes.
  void Write(const void* data, std::size_t n);
  void Read(void* data, std::size_t n);  // exactly n bytes or CArchiveException

  CArchive& operator<<(std::uint8_t v);
  CArchive& operator<<(std::int8_t v);
  CArchive& operator<<(std::uint16_t v);
  CArchive& operator<<(std::int16_t v);
  CArchive& operator<<(std::uint32_t v);
  CArchive& operator<<(std::int32_t v);
  CArchive& operator<<(std::uint64_t v);
  CArchive& operator<<(std::int64_t v);
  CArchive& operator<<(float v);
  CArchive& operator<<(double v);
  CArchive& operator>>(std::uint8_t& v);
  CArchive& operator>>(std::int8_t& v);
  CArchive& operator>>(std::uint16_t& v);
  CArchive& operator>>(std::int16_t& v);
  CArchive& operator>>(std::uint32_t& v);
  CArchive& operator>>(std::int32_t& v);
  CArchive& operator>>(std::uint64_t& v);
  CArchive& operator>>(std::int64_t& v);
  CArchive& operator>>(float& v);
  CArchive& operator>>(double& v);

  // Element counts. ReadCount checks that count * minElementBytes bytes are
  // still there, so a lying count fails before anything is allocated.
  void WriteCount(std::uint32_t n);
  std::uint32_t ReadCount(std::size_t minElementBytes = 1);

  // Strings, UTF-8 in memory, code page 936 in the archive.
  void WriteString(std::string_view utf8);
  std::string ReadString();

  // Objects with class tags and back-references. ReadObject checks that the
  // loaded object is of the expected class (or derived); null reads as null.
  // A newly loaded object belongs to the caller; a back-reference returns the
  // object loaded before. Unknown classes, schema mismatches, indexes not yet
  // seen and objects nested more than 1000 deep throw CArchiveException; when
  // an object's Serialize throws, that object is deleted before the exception
  // goes on (what it had already loaded is for its destructor to free).
  void WriteObject(const CObject* obj);
  CObject* ReadObject(const CRuntimeClass* expected);
  template <class T>
  T* ReadObjectAs() {
    return static_cast<T*>(ReadObject(T::GetThisClass()));
  }
  // The same for a place that owns what it reads (a child list, say): only
  // null or a new object is taken; a back-reference, whose object has an owner
  // already, throws badIndex, so a damaged file cannot make two owners of one
  // object. Use ReadObject where the format may refer to an object stored
  // before.
  CObject* ReadOwnedObject(const CRuntimeClass* expected);
  template <class T>
  T* ReadOwnedObjectAs() {
    return static_cast<T*>(ReadOwnedObject(T::GetThisClass()));
  }

 private:
  struct FileSink;
  void Need(std::uint64_t n) const;
  std::uint32_t ReadTag32(bool& isClass, bool& isNull, bool& isNew);
  void WriteIndexTag(std::uint32_t index, bool isClass);
  const CRuntimeClass* LoadClass(std::uint32_t& schemaOut);

  Mode m_mode;
  std::vector<std::uint8_t> m_buf;  // whole input when loading; memory output when storing
  std::size_t m_pos = 0;
  std::unique_ptr<FileSink> m_file;  // file output when storing to a path
  std::uint32_t m_nextIndex = 1;
  int m_loadDepth = 0;                                        // ReadObject calls in progress
  std::unordered_map<const void*, std::uint32_t> m_storeMap;  // objects and classes -> index
  std::vector<const void*> m_loadObjects;                     // index -> object or class
  std::vector<bool> m_loadIsClass;
};

}  // namespace qzn
