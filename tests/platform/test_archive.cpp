// The object archive: byte-exact layouts against hand-computed hex, object
// tags and the big-index escape, damaged input, and the file store that
// replaces its target only on Close().
#include "platform/archive.h"

#include "tests/platform/leftovers.h"
#include "tests/support/testutil.h"

#include <gtest/gtest.h>

#include <set>
#include <filesystem>
#include <sys/stat.h>

using namespace qzn;

using qzntest::FromHex;
using qzntest::Hex;

namespace {

// ---------------------------------------------------------------------------
// Storable classes for the tests. Every instance is tracked, so a test fed
// damaged bytes can free what a damaged reference slot took in (a new object
// where a reference to an old one belonged has no owner).

class TTracked : public CObject {
 public:
  TTracked() { Live().insert(this); }
  ~TTracked() override { Live().erase(this); }
  static std::set<TTracked*>& Live() {
    static std::set<TTracked*> live;
    return live;
  }
  // The objects this one owns.
  virtual void Owned(std::set<TTracked*>&) const {}
  // Deletes every tracked object that nothing owns (their destructors free
  // the rest).
  static void FreeLeftovers() {
    std::set<TTracked*> owned;
    for (TTracked* t : Live()) t->Owned(owned);
    std::vector<TTracked*> roots;
    for (TTracked* t : Live())
      if (!owned.count(t)) roots.push_back(t);
    for (TTracked* t : roots) delete t;
  }
};

class TPoint : public TTracked {
  QZN_DECLARE_SERIAL(TPoint)
 public:
  TPoint() = default;
  TPoint(std::int32_t x, std::int32_t y) : x(x), y(y) {}
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring())
      ar << x << y;
    else
      ar >> x >> y;
  }
  std::int32_t x = 0, y = 0;
};
QZN_IMPLEMENT_SERIAL(TPoint, CObject, 1)

class TPoint3 : public TPoint {
  QZN_DECLARE_SERIAL(TPoint3)
 public:
  TPoint3() = default;
  TPoint3(std::int32_t x, std::int32_t y, std::int32_t z) : TPoint(x, y), z(z) {}
  void Serialize(CArchive& ar) override {
    TPoint::Serialize(ar);
    if (ar.IsStoring())
      ar << z;
    else
      ar >> z;
  }
  std::int32_t z = 0;
};
QZN_IMPLEMENT_SERIAL(TPoint3, TPoint, 2)

// Owns the next link; loading reads it recursively.
class TChain : public TTracked {
  QZN_DECLARE_SERIAL(TChain)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar.WriteObject(next.get());
    } else {
      next.reset(ar.ReadOwnedObjectAs<TChain>());
    }
  }
  void Owned(std::set<TTracked*>& out) const override {
    if (next) out.insert(next.get());
  }
  std::unique_ptr<TChain> next;
};
QZN_IMPLEMENT_SERIAL(TChain, CObject, 1)

// A named item that owns a list of children and refers to a peer it does not
// own.
class TItem : public TTracked {
  QZN_DECLARE_SERIAL(TItem)
 public:
  void Serialize(CArchive& ar) override {
    if (ar.IsStoring()) {
      ar.WriteString(name);
      ar.WriteCount(static_cast<std::uint32_t>(children.size()));
      for (auto& c : children) ar.WriteObject(c.get());
      ar.WriteObject(peer);
    } else {
      name = ar.ReadString();
      std::uint32_t n = ar.ReadCount(2);  // every child takes a tag of 2 bytes at least
      for (std::uint32_t i = 0; i < n; ++i) children.emplace_back(ar.ReadOwnedObjectAs<TItem>());
      peer = ar.ReadObject(RUNTIME_CLASS(CObject));
    }
  }
  void Owned(std::set<TTracked*>& out) const override {
    for (auto& c : children)
      if (c) out.insert(c.get());
  }
  std::string name;
  std::vector<std::unique_ptr<TItem>> children;
  CObject* peer = nullptr;
};
QZN_IMPLEMENT_SERIAL(TItem, CObject, 3)

const std::vector<std::uint8_t>& Bytes(const CArchive& ar) { return ar.GetBuffer(); }

template <class F>
CArchiveException::Cause CauseOf(F&& f) {
  try {
    f();
  } catch (const CArchiveException& e) {
    return e.m_cause;
  }
  ADD_FAILURE() << "no CArchiveException";
  return CArchiveException::generic;
}

// ---------------------------------------------------------------------------
// Primitives, counts, strings

TEST(Archive, PrimitivesAreLittleEndianAndRoundTrip) {
  CArchive out;
  out << std::uint8_t{0x12} << std::int8_t{-2} << std::uint16_t{0x3456} << std::int16_t{-2} << std::uint32_t{0x789ABCDE}
      << std::int32_t{-2} << std::uint64_t{0x0102030405060708ull} << std::int64_t{-2} << 1.5f << -2.0;
  EXPECT_EQ(Hex(Bytes(out)),
            "12 fe 56 34 fe ff de bc 9a 78 fe ff ff ff 08 07 06 05 04 03 02 01 "
            "fe ff ff ff ff ff ff ff 00 00 c0 3f 00 00 00 00 00 00 00 c0");

  CArchive in(Bytes(out));
  std::uint8_t u8;
  std::int8_t i8;
  std::uint16_t u16;
  std::int16_t i16;
  std::uint32_t u32;
  std::int32_t i32;
  std::uint64_t u64;
  std::int64_t i64;
  float f;
  double d;
  in >> u8 >> i8 >> u16 >> i16 >> u32 >> i32 >> u64 >> i64 >> f >> d;
  EXPECT_EQ(u8, 0x12);
  EXPECT_EQ(i8, -2);
  EXPECT_EQ(u16, 0x3456);
  EXPECT_EQ(i16, -2);
  EXPECT_EQ(u32, 0x789ABCDEu);
  EXPECT_EQ(i32, -2);
  EXPECT_EQ(u64, 0x0102030405060708ull);
  EXPECT_EQ(i64, -2);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(d, -2.0);
  EXPECT_EQ(in.BytesLeft(), 0u);
  EXPECT_EQ(CauseOf([&] { in >> u8; }), CArchiveException::endOfFile);
}

TEST(Archive, RawBytesAndModes) {
  CArchive out;
  out.Write("abc", 3);
  EXPECT_EQ(Hex(Bytes(out)), "61 62 63");
  std::uint8_t b;
  EXPECT_EQ(CauseOf([&] { out >> b; }), CArchiveException::writeOnly);
  EXPECT_EQ(CauseOf([&] { out.ReadObject(nullptr); }), CArchiveException::writeOnly);

  CArchive in(Bytes(out));
  EXPECT_TRUE(in.IsLoading());
  EXPECT_EQ(in.BytesLeft(), 3u);
  char buf[3];
  EXPECT_EQ(CauseOf([&] { in.Read(buf, 4); }), CArchiveException::endOfFile);
  EXPECT_EQ(in.BytesLeft(), 3u);  // a failed read consumes nothing
  in.Read(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "abc");
  EXPECT_EQ(CauseOf([&] { in << std::uint8_t{1}; }), CArchiveException::readOnly);
  EXPECT_EQ(CauseOf([&] { in.WriteObject(nullptr); }), CArchiveException::readOnly);
  in.Close();  // harmless on memory archives
  out.Close();
}

struct CountCase {
  std::uint32_t n;
  const char* hex;
};

TEST(Archive, CountForms) {
  const CountCase cases[] = {
      {0, "00 00"},
      {1, "01 00"},
      {0x1234, "34 12"},
      {0xFFFE, "fe ff"},
      {0xFFFF, "ff ff ff ff 00 00"},
      {0x10000, "ff ff 00 00 01 00"},
      {0x12345678, "ff ff 78 56 34 12"},
      {0xFFFFFFFF, "ff ff ff ff ff ff"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.n);
    CArchive out;
    out.WriteCount(c.n);
    EXPECT_EQ(Hex(Bytes(out)), c.hex);
    CArchive in(FromHex(c.hex));
    EXPECT_EQ(in.ReadCount(0), c.n);  // 0: no elements follow in this fixture
    EXPECT_EQ(in.BytesLeft(), 0u);
  }
}

std::string Repeat(char c, std::size_t n) { return std::string(n, c); }

struct StringCase {
  std::size_t length;
  const char* prefixHex;  // the length bytes
};

TEST(Archive, StringLengthForms) {
  const StringCase cases[] = {
      {0, "00"},
      {3, "03"},
      {254, "fe"},
      {255, "ff ff 00"},
      {300, "ff 2c 01"},
      {0xFFFD, "ff fd ff"},
      // 0xFFFE would be read as the UTF-16 marker, so it takes the long form.
      {0xFFFE, "ff ff ff fe ff 00 00"},
      {0xFFFF, "ff ff ff ff ff 00 00"},
      {0x10000, "ff ff ff 00 00 01 00"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    std::string s = Repeat('a', c.length);
    CArchive out;
    out.WriteString(s);
    std::vector<std::uint8_t> expect = FromHex(c.prefixHex);
    expect.insert(expect.end(), s.begin(), s.end());
    EXPECT_TRUE(Bytes(out) == expect) << Hex(std::vector<std::uint8_t>(
        Bytes(out).begin(), Bytes(out).begin() + std::min<std::size_t>(Bytes(out).size(), 12)));
    CArchive in(Bytes(out));
    EXPECT_EQ(in.ReadString(), s);
    EXPECT_EQ(in.BytesLeft(), 0u);
  }
}

TEST(Archive, StringsAreCodePage936OnDisk) {
  CArchive out;
  out.WriteString("中文");
  out.WriteString("从 QZN 退出吗?");
  EXPECT_EQ(Hex(Bytes(out)), "04 d6 d0 ce c4 0e b4 d3 20 51 5a 4e 20 cd cb b3 f6 c2 f0 3f");
  CArchive in(Bytes(out));
  EXPECT_EQ(in.ReadString(), "中文");
  EXPECT_EQ(in.ReadString(), "从 QZN 退出吗?");
}

TEST(Archive, ReadsUtf16MarkedStrings) {
  // 0xFF 0xFFFE marks a UTF-16 string whose length (in 16-bit units) follows.
  CArchive in(
      FromHex("ff fe ff 02 2d 4e 87 65 "
              "ff fe ff ff 03 00 41 00 3d d8 00 de "  // 2-byte length, a surrogate pair
              "ff fe ff 02 00 d8 42 00"));            // an unpaired surrogate
  EXPECT_EQ(in.ReadString(), "中文");
  EXPECT_EQ(in.ReadString(), "A\xF0\x9F\x98\x80");
  EXPECT_EQ(in.ReadString(), "?B");
  EXPECT_EQ(in.BytesLeft(), 0u);
}

// ---------------------------------------------------------------------------
// Objects

TEST(Archive, ObjectTags) {
  TPoint a(1, 2), b(3, 4);
  TPoint3 c(5, 6, 7);
  CArchive out;
  out.WriteObject(&a);       // new class (index 1), new object (index 2)
  out.WriteObject(&b);       // class seen before: 0x8001; object index 3
  out.WriteObject(&a);       // object seen before: 2
  out.WriteObject(nullptr);  // null
  out.WriteObject(&c);       // new class (index 4), new object (index 5)
  out.WriteObject(&c);       // 5
  EXPECT_EQ(Hex(Bytes(out)),
            "ff ff 01 00 06 00 54 50 6f 69 6e 74 01 00 00 00 02 00 00 00 "
            "01 80 03 00 00 00 04 00 00 00 "
            "02 00 "
            "00 00 "
            "ff ff 02 00 07 00 54 50 6f 69 6e 74 33 05 00 00 00 06 00 00 00 07 00 00 00 "
            "05 00");

  CArchive in(Bytes(out));
  std::unique_ptr<TPoint> a2(in.ReadObjectAs<TPoint>());
  std::unique_ptr<TPoint> b2(in.ReadObjectAs<TPoint>());
  TPoint* a3 = in.ReadObjectAs<TPoint>();
  TPoint* null = in.ReadObjectAs<TPoint>();
  std::unique_ptr<TPoint> c2(in.ReadObjectAs<TPoint>());  // a TPoint3 is a TPoint
  CObject* c3 = in.ReadObject(RUNTIME_CLASS(TPoint3));
  ASSERT_TRUE(a2 && b2 && c2);
  EXPECT_EQ(a2->x, 1);
  EXPECT_EQ(a2->y, 2);
  EXPECT_EQ(b2->x, 3);
  EXPECT_EQ(b2->y, 4);
  EXPECT_EQ(a3, a2.get());
  EXPECT_EQ(null, nullptr);
  ASSERT_EQ(c2->GetRuntimeClass(), RUNTIME_CLASS(TPoint3));
  EXPECT_EQ(static_cast<TPoint3*>(c2.get())->z, 7);
  EXPECT_EQ(c3, c2.get());
  EXPECT_EQ(in.BytesLeft(), 0u);
}

TEST(Archive, NestedObjectsAndReferencesRoundTrip) {
  TItem root;
  root.name = "根";
  for (int i = 0; i < 3; ++i) {
    auto child = std::make_unique<TItem>();
    child->name = "child " + std::to_string(i);
    root.children.push_back(std::move(child));
  }
  root.children[2]->peer = root.children[0].get();  // back to a sibling
  root.children[1]->peer = &root;                   // back to an object still loading
  root.peer = root.children[1].get();               // back, after the children

  CArchive out;
  out.WriteObject(&root);
  CArchive in(Bytes(out));
  std::unique_ptr<TItem> r(in.ReadObjectAs<TItem>());
  ASSERT_TRUE(r);
  EXPECT_EQ(in.BytesLeft(), 0u);
  EXPECT_EQ(r->name, "根");
  ASSERT_EQ(r->children.size(), 3u);
  EXPECT_EQ(r->children[1]->name, "child 1");
  EXPECT_EQ(r->children[2]->peer, r->children[0].get());
  EXPECT_EQ(r->children[1]->peer, r.get());
  EXPECT_EQ(r->peer, r->children[1].get());
  EXPECT_EQ(r->children[0]->peer, nullptr);
}

TEST(Archive, OwnedReadRefusesBackReferences) {
  // children[0] refers to children[2] before the list owns it, so the list
  // meets a back-reference where it owns what it reads.
  const std::vector<std::uint8_t> bytes = [] {
    TItem root;
    for (int i = 0; i < 3; ++i) root.children.push_back(std::make_unique<TItem>());
    root.children[0]->peer = root.children[2].get();
    CArchive out;
    out.WriteObject(&root);
    return Bytes(out);
  }();
  CArchive in(bytes);
  EXPECT_EQ(CauseOf([&] { in.ReadObject(nullptr); }), CArchiveException::badIndex);
  TTracked::FreeLeftovers();  // children[2], loaded as a peer, has no owner

  // A self-owning damaged file: the child list of object 2 names object 2.
  // layout: new class TItem (1), object 2: name "", count 1, child tag 02 00
  CArchive self(FromHex("ff ff 03 00 05 00 54 49 74 65 6d 00 01 00 02 00 00 00"));
  EXPECT_EQ(CauseOf([&] { self.ReadObject(nullptr); }), CArchiveException::badIndex);

  // Null and new objects are taken.
  CArchive ok(FromHex("00 00 ff ff 01 00 06 00 54 50 6f 69 6e 74 01 00 00 00 02 00 00 00"));
  EXPECT_EQ(ok.ReadOwnedObjectAs<TPoint>(), nullptr);
  std::unique_ptr<TPoint> p(ok.ReadOwnedObjectAs<TPoint>());
  EXPECT_EQ(p->y, 2);
}

TEST(Archive, ExpectedClassIsChecked) {
  TPoint a(1, 2);
  CArchive out;
  out.WriteObject(&a);
  out.WriteObject(&a);
  {
    CArchive in(Bytes(out));
    EXPECT_EQ(CauseOf([&] { in.ReadObject(RUNTIME_CLASS(TPoint3)); }), CArchiveException::badClass);
  }
  {
    CArchive in(Bytes(out));
    std::unique_ptr<CObject> first(in.ReadObject(RUNTIME_CLASS(TPoint)));
    EXPECT_EQ(CauseOf([&] { in.ReadObject(RUNTIME_CLASS(TItem)); }), CArchiveException::badClass);
  }
}

TEST(Archive, UnstorableClassIsRefused) {
  CObject plain;
  CArchive out;
  EXPECT_EQ(CauseOf([&] { out.WriteObject(&plain); }), CArchiveException::badClass);
}

TEST(Archive, RegistryFindsClassesByName) {
  EXPECT_EQ(CRuntimeClass::FromName("TPoint"), RUNTIME_CLASS(TPoint));
  EXPECT_EQ(CRuntimeClass::FromName("TPoint3"), RUNTIME_CLASS(TPoint3));
  EXPECT_EQ(CRuntimeClass::FromName("NoSuchClass"), nullptr);
  EXPECT_TRUE(RUNTIME_CLASS(TPoint3)->IsDerivedFrom(RUNTIME_CLASS(TPoint)));
  EXPECT_TRUE(RUNTIME_CLASS(TPoint3)->IsDerivedFrom(RUNTIME_CLASS(CObject)));
  EXPECT_FALSE(RUNTIME_CLASS(TPoint)->IsDerivedFrom(RUNTIME_CLASS(TPoint3)));
  TPoint3 p;
  EXPECT_TRUE(p.IsKindOf(RUNTIME_CLASS(TPoint)));
  std::unique_ptr<CObject> made(RUNTIME_CLASS(TPoint3)->CreateObject());
  EXPECT_EQ(made->GetRuntimeClass(), RUNTIME_CLASS(TPoint3));
}

// 0x8000 objects of one class take indexes 2..0x8001 (the class is 1), so the
// big-object escape is crossed: index 0x7FFE still fits a tag, 0x7FFF does not.
TEST(Archive, BigIndexEscape) {
  constexpr std::size_t kCount = 0x8000;
  std::vector<TPoint> pts(kCount);
  for (std::size_t i = 0; i < kCount; ++i) pts[i] = TPoint(static_cast<int>(i), -static_cast<int>(i));
  TPoint3 late1(1, 2, 3), late2(4, 5, 6);

  CArchive out;
  for (auto& p : pts) out.WriteObject(&p);
  std::size_t mark = Bytes(out).size();
  auto tail = [&] {
    std::vector<std::uint8_t> t(Bytes(out).begin() + static_cast<std::ptrdiff_t>(mark), Bytes(out).end());
    mark = Bytes(out).size();
    return Hex(t);
  };
  out.WriteObject(&pts[0x7FFC]);  // index 0x7FFE
  EXPECT_EQ(tail(), "fe 7f");
  out.WriteObject(&pts[0x7FFD]);  // index 0x7FFF: the escape
  EXPECT_EQ(tail(), "ff 7f ff 7f 00 00");
  out.WriteObject(&pts[kCount - 1]);  // index 0x8001
  EXPECT_EQ(tail(), "ff 7f 01 80 00 00");
  out.WriteObject(&late1);  // new class takes 0x8002, the object 0x8003
  EXPECT_EQ(tail(), "ff ff 02 00 07 00 54 50 6f 69 6e 74 33 01 00 00 00 02 00 00 00 03 00 00 00");
  out.WriteObject(&late2);  // class 0x8002 seen before: the escape with the class bit
  EXPECT_EQ(tail(), "ff 7f 02 80 00 80 04 00 00 00 05 00 00 00 06 00 00 00");
  out.WriteObject(&late1);  // object 0x8003
  EXPECT_EQ(tail(), "ff 7f 03 80 00 00");
  out.WriteObject(&pts[0]);  // small indexes keep the short tag
  EXPECT_EQ(tail(), "02 00");

  CArchive in(Bytes(out));
  std::vector<std::unique_ptr<TPoint>> loaded;
  for (std::size_t i = 0; i < kCount; ++i) {
    loaded.emplace_back(in.ReadObjectAs<TPoint>());
    ASSERT_EQ(loaded.back()->x, static_cast<int>(i));
  }
  EXPECT_EQ(in.ReadObjectAs<TPoint>(), loaded[0x7FFC].get());
  EXPECT_EQ(in.ReadObjectAs<TPoint>(), loaded[0x7FFD].get());
  EXPECT_EQ(in.ReadObjectAs<TPoint>(), loaded[kCount - 1].get());
  std::unique_ptr<TPoint3> l1(static_cast<TPoint3*>(in.ReadObject(RUNTIME_CLASS(TPoint3))));
  std::unique_ptr<TPoint3> l2(static_cast<TPoint3*>(in.ReadObject(RUNTIME_CLASS(TPoint3))));
  EXPECT_EQ(l1->z, 3);
  EXPECT_EQ(l2->z, 6);
  EXPECT_EQ(in.ReadObjectAs<TPoint>(), l1.get());
  EXPECT_EQ(in.ReadObjectAs<TPoint>(), loaded[0].get());
  EXPECT_EQ(in.BytesLeft(), 0u);
}

TEST(Archive, EscapedTagsAreReadForSmallIndexesToo) {
  // A writer may escape an index below 0x7FFF; the reader takes it.
  std::vector<std::uint8_t> bytes = FromHex(
      "ff ff 01 00 06 00 54 50 6f 69 6e 74 01 00 00 00 02 00 00 00 "  // class 1, object 2
      "ff 7f 01 00 00 80 03 00 00 00 04 00 00 00 "                    // class 1 escaped, object 3
      "ff 7f 02 00 00 00 "                                            // object 2 escaped
      "ff 7f 00 00 00 00");                                           // null escaped
  CArchive in(bytes);
  std::unique_ptr<TPoint> a(in.ReadObjectAs<TPoint>());
  std::unique_ptr<TPoint> b(in.ReadObjectAs<TPoint>());
  EXPECT_EQ(b->x, 3);
  EXPECT_EQ(in.ReadObjectAs<TPoint>(), a.get());
  EXPECT_EQ(in.ReadObjectAs<TPoint>(), nullptr);
  EXPECT_EQ(in.BytesLeft(), 0u);
}

// ---------------------------------------------------------------------------
// Damaged input

TEST(Archive, LyingCountFailsBeforeAllocating) {
  std::vector<std::uint8_t> bytes = FromHex("ff ff ff ff ff ff");
  bytes.resize(bytes.size() + 10, 0);
  CArchive in(bytes);
  EXPECT_EQ(CauseOf([&] { in.ReadCount(); }), CArchiveException::badCount);

  // count * element size against the bytes left
  std::vector<std::uint8_t> two = FromHex("02 00");
  two.resize(2 + 15, 0);
  CArchive in2(two);
  EXPECT_EQ(CauseOf([&] { in2.ReadCount(sizeof(double)); }), CArchiveException::badCount);
  two.push_back(0);
  CArchive in3(two);
  EXPECT_EQ(in3.ReadCount(sizeof(double)), 2u);

  // an element size so big that count * size overflows
  CArchive in4(FromHex("ff ff ff ff ff ff 00"));
  EXPECT_EQ(CauseOf([&] { in4.ReadCount(SIZE_MAX); }), CArchiveException::badCount);

  // a lying child count inside an object
  TItem item;
  item.name = "x";
  CArchive out;
  out.WriteObject(&item);
  std::vector<std::uint8_t> damaged = Bytes(out);
  // layout: ff ff, schema, len 5, "TItem", name 01 'x', count 00 00, peer 00 00
  ASSERT_EQ(Hex(damaged), "ff ff 03 00 05 00 54 49 74 65 6d 01 78 00 00 00 00");
  damaged[13] = 0xFF;
  damaged[14] = 0xFF;
  damaged.insert(damaged.begin() + 15, {0xFF, 0xFF, 0xFF, 0xFF});
  CArchive bad(damaged);
  EXPECT_EQ(CauseOf([&] { bad.ReadObject(RUNTIME_CLASS(TItem)); }), CArchiveException::badCount);
}

// Lying sizes are refused before anything is allocated: in a child process
// whose address space has only 256 MB to spare, a 4 GB string or count must
// still end in CArchiveException rather than bad_alloc.
TEST(Archive, LyingSizesAllocateNothingBig) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "an address-space limit does not mix with AddressSanitizer's shadow memory";
#else
  auto body = [] {
    if (!qzntest::LimitAddressSpace(256u << 20)) std::_Exit(3);
    const char* cases[] = {
        "ff ff ff fe ff ff ff 61 62 63",     // string of 0xFFFFFFFE bytes
        "ff fe ff ff ff ff ff ff ff 41 00",  // UTF-16 string of 0xFFFFFFFF units
    };
    for (const char* hex : cases) {
      CArchive in(FromHex(hex));
      try {
        in.ReadString();
        std::_Exit(4);
      } catch (const CArchiveException&) {
      } catch (...) {
        std::_Exit(5);
      }
    }
    // a TItem whose child count claims 0xFFFFFFFF children
    CArchive in(FromHex("ff ff 03 00 05 00 54 49 74 65 6d 00 ff ff ff ff ff ff 00 00"));
    try {
      delete in.ReadObject(nullptr);
      std::_Exit(6);
    } catch (const CArchiveException&) {
    } catch (...) {
      std::_Exit(7);
    }
    std::_Exit(0);
  };
  EXPECT_EXIT(body(), ::testing::ExitedWithCode(0), "");
#endif
}

TEST(Archive, StringLengthPastTheEnd) {
  const char* cases[] = {
      "05 61 62",                                // 1-byte length
      "ff 2c 01 61 62 63 64 65 66 67 68 69 6a",  // 300 with 10 bytes
      "ff ff ff ff ff ff ff 61",                 // 0xFFFFFFFF
      "ff fe ff 04 2d 4e 87 65",                 // UTF-16, 4 units with 2 there
      "ff",                                      // cut inside the length
      "ff 2c",
      "ff ff ff 00 00",
  };
  for (const char* hex : cases) {
    SCOPED_TRACE(hex);
    CArchive in(FromHex(hex));
    EXPECT_THROW(in.ReadString(), CArchiveException);
  }
}

TEST(Archive, UnknownClassAndSchemaMismatch) {
  {
    CArchive in(FromHex("ff ff 01 00 05 00 4e 6f 70 65 21 00 00 00 00"));
    EXPECT_EQ(CauseOf([&] { in.ReadObject(nullptr); }), CArchiveException::badClass);
  }
  {
    // TPoint registered with schema 1, stored with 9
    CArchive in(FromHex("ff ff 09 00 06 00 54 50 6f 69 6e 74 01 00 00 00 02 00 00 00"));
    EXPECT_EQ(CauseOf([&] { in.ReadObject(nullptr); }), CArchiveException::badSchema);
  }
  {
    // CObject exists but is not storable
    CArchive in(FromHex("ff ff ff ff 07 00 43 4f 62 6a 65 63 74"));
    EXPECT_EQ(CauseOf([&] { in.ReadObject(nullptr); }), CArchiveException::badClass);
  }
  {
    // class name longer than the bytes left
    CArchive in(FromHex("ff ff 01 00 ff 00 54 50"));
    EXPECT_EQ(CauseOf([&] { in.ReadObject(nullptr); }), CArchiveException::endOfFile);
  }
}

TEST(Archive, IndexesNotYetSeen) {
  const std::string point = "ff ff 01 00 06 00 54 50 6f 69 6e 74 01 00 00 00 02 00 00 00 ";
  struct Case {
    std::string hex;
    int skip;  // objects read before the bad tag
  } cases[] = {
      {"05 00", 0},                      // object 5 in an empty archive
      {"01 80", 0},                      // class 1 in an empty archive
      {"ff 7f 00 00 01 00", 0},          // escaped object 0x10000
      {"ff 7f 00 00 00 80", 0},          // escaped class with index 0
      {point + "03 00", 1},              // object 3 when only 1 (class) and 2 exist
      {point + "01 00", 1},              // index 1 is a class, not an object
      {point + "02 80", 1},              // index 2 is an object, not a class
      {point + "ff 7f 01 00 00 00", 1},  // index 1 escaped as an object
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    CArchive in(FromHex(c.hex));
    std::vector<std::unique_ptr<CObject>> keep;
    for (int i = 0; i < c.skip; ++i) keep.emplace_back(in.ReadObject(nullptr));
    EXPECT_EQ(CauseOf([&] { in.ReadObject(nullptr); }), CArchiveException::badIndex);
  }
}

// Every cut of a valid archive fails with CArchiveException, never a crash or
// a leak (the sanitizer build checks the latter).
TEST(Archive, EveryTruncationFailsCleanly) {
  TItem root;
  root.name = "从 QZN 退出吗?";
  for (int i = 0; i < 3; ++i) {
    auto child = std::make_unique<TItem>();
    child->name = std::string(300, static_cast<char>('a' + i));
    root.children.push_back(std::move(child));
  }
  root.children[1]->peer = root.children[0].get();
  root.peer = root.children[2].get();
  TPoint3 p(1, 2, 3);
  CArchive out;
  out.WriteObject(&root);
  out.WriteObject(&p);
  out.WriteString("tail");
  out.WriteCount(70000);
  const std::vector<std::uint8_t> full = Bytes(out);

  for (std::size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE(cut);
    CArchive in(std::vector<std::uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut)));
    std::unique_ptr<TItem> r;
    std::unique_ptr<TPoint> q;
    EXPECT_THROW(
        {
          r.reset(in.ReadObjectAs<TItem>());
          q.reset(in.ReadObjectAs<TPoint>());
          in.ReadString();
          in.ReadCount(0);
        },
        CArchiveException);
  }
  CArchive in(full);
  std::unique_ptr<TItem> r(in.ReadObjectAs<TItem>());
  std::unique_ptr<TPoint> q(in.ReadObjectAs<TPoint>());
  EXPECT_EQ(in.ReadString(), "tail");
  EXPECT_EQ(in.ReadCount(0), 70000u);
  EXPECT_EQ(r->children[1]->peer, r->children[0].get());
}

// Random damage must end in CArchiveException or a clean load, nothing else.
TEST(Archive, RandomCorruptionFailsCleanly) {
  const std::vector<std::uint8_t> full = [] {
    TItem root;
    root.name = "root";
    for (int i = 0; i < 5; ++i) {
      auto child = std::make_unique<TItem>();
      child->name = "c" + std::to_string(i);
      root.children.push_back(std::move(child));
    }
    root.children[3]->peer = root.children[1].get();
    CArchive out;
    out.WriteObject(&root);
    return Bytes(out);
  }();
  ASSERT_TRUE(TTracked::Live().empty());
  std::uint32_t seed = 12345;
  auto rnd = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> bytes = full;
    int flips = 1 + static_cast<int>(rnd() % 3);
    for (int k = 0; k < flips; ++k) bytes[rnd() % bytes.size()] = static_cast<std::uint8_t>(rnd() >> 24);
    CArchive in(bytes);
    try {
      std::unique_ptr<TItem> r(in.ReadObjectAs<TItem>());
    } catch (const CArchiveException&) {
    }
    TTracked::FreeLeftovers();
    ASSERT_TRUE(TTracked::Live().empty());
  }
}

TEST(Archive, DeepNestingFailsCleanly) {
  // TChain objects each holding the next: a new class, then 0x8001 tags.
  auto chain = [](int depth) {
    std::vector<std::uint8_t> b = FromHex("ff ff 01 00 06 00 54 43 68 61 69 6e");
    for (int i = 1; i < depth; ++i) {
      b.push_back(0x01);
      b.push_back(0x80);
    }
    b.push_back(0);
    b.push_back(0);
    return b;
  };
  {
    CArchive in(chain(1000));
    std::unique_ptr<TChain> c(in.ReadObjectAs<TChain>());
    int n = 0;
    for (TChain* p = c.get(); p; p = p->next.get()) ++n;
    EXPECT_EQ(n, 1000);
  }
  for (int depth : {1001, 100000}) {
    CArchive in(chain(depth));
    EXPECT_EQ(CauseOf([&] { in.ReadObject(nullptr); }), CArchiveException::generic);
  }
}

// ---------------------------------------------------------------------------
// Files

TEST(ArchiveFile, StoreReplacesTargetOnlyOnClose) {
  qzntest::TempDir dir;
  std::string target = dir.file("project.qzn");
  qzntest::WriteFileText(target, "old");

  auto ar = CArchive::OpenForStore(target);
  TPoint p(7, 8);
  ar->WriteObject(&p);
  ar->WriteString("中");
  EXPECT_EQ(qzntest::ReadFileText(target), "old");
  EXPECT_EQ(TempLeftovers(dir.path()).size(), 1u);
  ar->Close();
  EXPECT_EQ(Hex(qzntest::ReadFileBytes(target)),
            "ff ff 01 00 06 00 54 50 6f 69 6e 74 07 00 00 00 08 00 00 00 02 d6 d0");
  EXPECT_TRUE(TempLeftovers(dir.path()).empty());
  ar->Close();  // a second Close does nothing
  EXPECT_EQ(CauseOf([&] { ar->WriteString("more"); }), CArchiveException::writeFailed);
  ar.reset();
  EXPECT_EQ(qzntest::ReadFileBytes(target).size(), 23u);

  auto in = CArchive::OpenForLoad(target);
  std::unique_ptr<TPoint> q(in->ReadObjectAs<TPoint>());
  EXPECT_EQ(q->x, 7);
  EXPECT_EQ(in->ReadString(), "中");
  EXPECT_EQ(in->BytesLeft(), 0u);
}

TEST(ArchiveFile, AbortAndDestructionLeaveTargetAlone) {
  qzntest::TempDir dir;
  std::string target = dir.file("t.bin");
  qzntest::WriteFileText(target, "old");
  {
    auto ar = CArchive::OpenForStore(target);
    ar->WriteString("new");
    ar->Abort();
    EXPECT_TRUE(TempLeftovers(dir.path()).empty());
  }
  EXPECT_EQ(qzntest::ReadFileText(target), "old");
  {
    auto ar = CArchive::OpenForStore(target);
    ar->WriteString("new");
  }  // destroyed without Close()
  EXPECT_EQ(qzntest::ReadFileText(target), "old");
  EXPECT_TRUE(TempLeftovers(dir.path()).empty());

  // a new file that is never closed never appears
  {
    auto ar = CArchive::OpenForStore(dir.file("fresh.bin"));
    ar->WriteCount(3);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("fresh.bin")));
}

TEST(ArchiveFile, KeepsPermissionsAndFollowsLinks) {
  qzntest::TempDir dir;
  std::string real = dir.file("real.bin");
  qzntest::WriteFileText(real, "old");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  std::filesystem::create_symlink("real.bin", dir.path() / "link.bin");
  auto ar = CArchive::OpenForStore(dir.file("link.bin"));
  ar->WriteCount(1);
  ar->Close();
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.bin"));
  EXPECT_EQ(Hex(qzntest::ReadFileBytes(real)), "01 00");
  struct stat st {};
  ASSERT_EQ(::stat(real.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ArchiveFile, OpenFailures) {
  qzntest::TempDir dir;
  EXPECT_THROW(CArchive::OpenForStore(dir.file("no/such/folder/x.bin")), CArchiveException);
  EXPECT_THROW(CArchive::OpenForStore(dir.path().string()), CArchiveException);
  EXPECT_THROW(CArchive::OpenForLoad(dir.file("missing.bin")), CArchiveException);
  EXPECT_THROW(CArchive::OpenForLoad(dir.path().string()), CArchiveException);
  qzntest::WriteFileBytes(dir.file("empty.bin"), {});
  auto in = CArchive::OpenForLoad(dir.file("empty.bin"));
  EXPECT_EQ(in->BytesLeft(), 0u);
  EXPECT_EQ(CauseOf([&] { in->ReadObject(nullptr); }), CArchiveException::endOfFile);
}

// Writes of every size around the file buffer (small ones that gather, ones
// larger than the buffer that go straight out) come back byte for byte.
TEST(ArchiveFile, LargeFileRoundTrips) {
  qzntest::TempDir dir;
  std::string target = dir.file("big.bin");
  std::vector<std::uint8_t> expect;
  std::uint32_t seed = 99;
  auto rnd = [&] { return seed = seed * 1664525u + 1013904223u; };
  {
    auto ar = CArchive::OpenForStore(target);
    for (std::size_t size : {1u, 7u, 4096u, 300000u, 3u, 1000000u, 262144u, 262143u, 5u, 2000000u}) {
      std::vector<std::uint8_t> block(size);
      for (auto& b : block) b = static_cast<std::uint8_t>(rnd() >> 24);
      ar->Write(block.data(), block.size());
      expect.insert(expect.end(), block.begin(), block.end());
      *ar << static_cast<std::uint32_t>(size);
      for (int k = 0; k < 4; ++k) expect.push_back(static_cast<std::uint8_t>(size >> (8 * k)));
    }
    ar->Close();
  }
  EXPECT_TRUE(qzntest::ReadFileBytes(target) == expect);
  auto in = CArchive::OpenForLoad(target);
  ASSERT_EQ(in->BytesLeft(), expect.size());
  std::vector<std::uint8_t> got(expect.size());
  in->Read(got.data(), got.size());
  EXPECT_TRUE(got == expect);
}

}  // namespace
