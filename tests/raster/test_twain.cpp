// Acquisition against a scripted source behind DSM_Entry: negotiation,
// memory and native transfers, the states, the owner window, the error
// reports and what the image record receives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <vector>

#include "platform/host.h"
#include "platform/twain/twaincontainer.h"
#include "raster/twain.h"
#include "tests/raster/test_twain_support.h"
#include "tests/support/testutil.h"

using namespace qzn;
using twaintest::ScriptedWindow;

namespace {

struct Block {
  std::vector<BYTE> data;
  TW_UINT32 columns = 0, rows = 0, x = 0, y = 0, bytesPerRow = 0;
  TW_UINT16 rc = TWRC_SUCCESS;
};

struct Script {
  TW_UINT16 statusCondition = TWCC_SUCCESS;  // the manager's answer before it is opened
  TW_UINT16 openCondition = TWCC_SUCCESS;    // MSG_OPENDS fails with it unless success
  // Containers of MSG_GET (one-value by default) and their items (0 by
  // default); memory and native transfer offered, depth 8.
  std::map<TW_UINT16, TW_UINT16> conType{{ICAP_XFERMECH, TWON_ENUMERATION}};
  std::map<TW_UINT16, std::vector<long>> items{{ICAP_XFERMECH, {TWSX_NATIVE, TWSX_MEMORY}}, {ICAP_BITDEPTH, {8}}};
  std::map<TW_UINT16, TW_UINT16> getFail;  // MSG_GET fails with this condition
  std::map<TW_UINT16, TW_UINT16> setRc;    // what MSG_SET returns
  std::map<TW_UINT16, long> setValue;      // what MSG_SET asked for
  int transferCountGets = 0;
  std::deque<TW_UINT16> events{MSG_XFERREADY};  // then MSG_CLOSEDSREQ
  TW_IMAGEINFO info{};
  TW_UINT32 preferred = 4096;
  std::vector<Block> blocks;
  std::size_t nextBlock = 0;
  std::vector<BYTE> dib;
  TW_UINT16 nativeRc = TWRC_XFERDONE;
  TW_UINT16 disableRc = TWRC_SUCCESS;
  TW_UINT16 condition = TWCC_SUCCESS;
  bool managerOpen = false;
  int enables = 0, disables = 0, sourceOpens = 0, sourceCloses = 0;
};

Script* g_script = nullptr;

TW_UINT16 Fail(TW_UINT16 condition) {
  g_script->condition = condition;
  return TWRC_FAILURE;
}

TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap) {
  Script& s = *g_script;
  if (msg == MSG_GET) {
    if (cap->Cap == CAP_XFERCOUNT) ++s.transferCountGets;
    if (s.getFail.count(cap->Cap)) return Fail(s.getFail[cap->Cap]);
    const auto type = s.conType.count(cap->Cap) ? s.conType[cap->Cap] : TWON_ONEVALUE;
    const auto items = s.items.count(cap->Cap) ? s.items[cap->Cap] : std::vector<long>{0};
    cap->ConType = type;
    if (type == TWON_ENUMERATION)
      cap->hContainer = twain::NewEnumeration(TWTY_UINT16, items, 0, 0);
    else if (type == TWON_ONEVALUE)
      cap->hContainer = twain::NewOneValue(TWTY_UINT16, items[0]);
    else
      cap->hContainer = std::calloc(1, 64);  // a range, say
    return TWRC_SUCCESS;
  }
  long v = -99;
  twain::RequestedValue(*cap, &v);
  s.setValue[cap->Cap] = v;
  const TW_UINT16 rc = s.setRc.count(cap->Cap) ? s.setRc[cap->Cap] : TWRC_SUCCESS;
  return rc == TWRC_FAILURE ? Fail(TWCC_BADVALUE) : rc;
}

TW_UINT16 Scripted(TW_IDENTITY*, TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  Script& s = *g_script;
  if (dat == DAT_STATUS) {
    auto* st = static_cast<TW_STATUS*>(data);
    st->ConditionCode = !dest && !s.managerOpen ? s.statusCondition : s.condition;
    s.condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  if (!dest) {
    if (dat == DAT_PARENT) {
      s.managerOpen = msg == MSG_OPENDSM;
      return TWRC_SUCCESS;
    }
    auto* id = static_cast<TW_IDENTITY*>(data);
    if (msg == MSG_OPENDS) {
      if (s.openCondition != TWCC_SUCCESS) return Fail(s.openCondition);
      ++s.sourceOpens;
      id->Id = 7;
      std::strcpy(id->Manufacturer, "Scripted Scanners");
      std::strcpy(id->ProductName, "scripted");
    } else if (msg == MSG_CLOSEDS) {
      ++s.sourceCloses;
    }
    return TWRC_SUCCESS;
  }
  if (dg == DG_CONTROL) {
    switch (dat) {
      case DAT_CAPABILITY: return Capability(msg, static_cast<TW_CAPABILITY*>(data));
      case DAT_USERINTERFACE:
        if (msg == MSG_ENABLEDS) {
          ++s.enables;
          return TWRC_SUCCESS;
        }
        ++s.disables;
        return s.disableRc == TWRC_FAILURE ? Fail(TWCC_SEQERROR) : s.disableRc;
      case DAT_EVENT: {
        auto* ev = static_cast<TW_EVENT*>(data);
        ev->TWMessage = MSG_CLOSEDSREQ;
        if (!s.events.empty()) {
          ev->TWMessage = s.events.front();
          s.events.pop_front();
        }
        return TWRC_DSEVENT;
      }
      case DAT_PENDINGXFERS: static_cast<TW_PENDINGXFERS*>(data)->Count = 0; return TWRC_SUCCESS;
      case DAT_SETUPMEMXFER: {
        auto* setup = static_cast<TW_SETUPMEMXFER*>(data);
        setup->MinBufSize = 16;
        setup->MaxBufSize = TWON_DONTCARE32;
        setup->Preferred = s.preferred;
        return TWRC_SUCCESS;
      }
      default: return Fail(TWCC_BADPROTOCOL);
    }
  }
  switch (dat) {
    case DAT_IMAGEINFO: *static_cast<TW_IMAGEINFO*>(data) = s.info; return TWRC_SUCCESS;
    case DAT_IMAGEMEMXFER: {
      auto* mx = static_cast<TW_IMAGEMEMXFER*>(data);
      if (s.nextBlock >= s.blocks.size()) return Fail(TWCC_SEQERROR);
      const Block& b = s.blocks[s.nextBlock++];
      const std::size_t length = mx->Memory.Length;  // a packed field: read, never bound
      EXPECT_LE(b.data.size(), length);
      if (!b.data.empty()) std::memcpy(mx->Memory.TheMem, b.data.data(), std::min(b.data.size(), length));
      mx->Compression = TWCP_NONE;
      mx->Columns = b.columns;
      mx->Rows = b.rows;
      mx->XOffset = b.x;
      mx->YOffset = b.y;
      mx->BytesPerRow = b.bytesPerRow;
      mx->BytesWritten = static_cast<TW_UINT32>(b.data.size());
      return b.rc == TWRC_FAILURE ? Fail(TWCC_OPERATIONERROR) : b.rc;
    }
    case DAT_IMAGENATIVEXFER: {
      void* p = std::malloc(s.dib.size());
      std::memcpy(p, s.dib.data(), s.dib.size());
      *static_cast<TW_HANDLE*>(data) = p;
      return s.nativeRc;
    }
    default: return Fail(TWCC_BADPROTOCOL);
  }
}

TW_IMAGEINFO Info(int width, int height, int bitsPerPixel, int samples, int dpi = 300) {
  TW_IMAGEINFO info{};
  info.XResolution = {static_cast<TW_INT16>(dpi), 0x8000};
  info.YResolution = {static_cast<TW_INT16>(dpi), 0};
  info.ImageWidth = width;
  info.ImageLength = height;
  info.SamplesPerPixel = static_cast<TW_INT16>(samples);
  info.BitsPerPixel = static_cast<TW_INT16>(bitsPerPixel);
  info.PixelType = samples == 3 ? TWPT_RGB : bitsPerPixel == 1 ? TWPT_BW : TWPT_GRAY;
  return info;
}

// Rows [y0, y0 + rows) of an image whose byte i of row y is value(i, y),
// each row stride bytes apart (the stride must hold the row's bytes).
Block Band(int columns, int y0, int rows, std::size_t rowBytes, std::size_t stride, BYTE (*value)(int, int)) {
  Block b;
  b.columns = columns;
  b.rows = rows;
  b.y = y0;
  b.bytesPerRow = static_cast<TW_UINT32>(stride);
  b.data.assign(stride * rows, 0xEE);
  for (int r = 0; r < rows; ++r)
    for (std::size_t i = 0; i < rowBytes; ++i) b.data[r * stride + i] = value(static_cast<int>(i), y0 + r);
  return b;
}

BYTE Pattern(int i, int y) { return static_cast<BYTE>(i * 7 + y * 13); }

class TwainScripted : public ::testing::Test {
 protected:
  Script script;
  CScriptedHost host;
  CHostScope scope{&host};
  ScriptedWindow window;
  CRasterImage image;

  void SetUp() override {
    g_script = &script;
    CTwain::UseEntryPoint(&Scripted);
  }
  void TearDown() override { CTwain::UseEntryPoint(nullptr); }

  // Acquires once and checks what must hold however it ends: the state is
  // back where it began and the window is enabled again.
  int Acquire() {
    CTwain twain(&image);
    const int r = twain.Acquire(&window);
    EXPECT_EQ(twain.GetState(), 1);
    EXPECT_TRUE(window.enabled);
    EXPECT_EQ(script.sourceOpens, script.sourceCloses);
    return r;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> t;
    for (const auto& m : host.messages) t.push_back(m.text);
    return t;
  }
};

TEST_F(TwainScripted, TransferMechanismNegotiation) {
  struct Case {
    TW_UINT16 container;
    std::vector<long> offered;
    long chosen;  // -1: refused
  };
  const Case cases[] = {
      {TWON_ENUMERATION, {TWSX_NATIVE, TWSX_MEMORY}, TWSX_MEMORY},
      {TWON_ENUMERATION, {TWSX_FILE, TWSX_NATIVE}, TWSX_NATIVE},
      {TWON_ENUMERATION, {TWSX_FILE}, -1},
      {TWON_ONEVALUE, {TWSX_MEMORY}, TWSX_MEMORY},
      {TWON_ONEVALUE, {TWSX_FILE}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offered.size());
    script = Script{};
    script.events.clear();  // the source asks to be closed at once
    script.conType[ICAP_XFERMECH] = c.container;
    script.items[ICAP_XFERMECH] = c.offered;
    host.messages.clear();
    EXPECT_EQ(Acquire(), 0);
    if (c.chosen < 0) {
      EXPECT_EQ(Texts(), std::vector<std::string>{"TWAIN 不支持: 源不支持本地或内存迁移\n不能使用!"});
      EXPECT_EQ(script.enables, 0);
    } else {
      EXPECT_EQ(script.setValue[ICAP_XFERMECH], c.chosen);
      EXPECT_TRUE(Texts().empty());
      EXPECT_EQ(script.enables, 1);
    }
  }
}

TEST_F(TwainScripted, BitDepthTakesTheDeepestUpToSixteen) {
  script.events.clear();
  script.conType[ICAP_BITDEPTH] = TWON_ENUMERATION;
  script.items[ICAP_BITDEPTH] = {1, 8, 12, 24};
  Acquire();
  EXPECT_EQ(script.setValue[ICAP_BITDEPTH], 12);
}

TEST_F(TwainScripted, CheckStatusAnswers) {
  script.events.clear();
  script.setRc[CAP_XFERCOUNT] = TWRC_CHECKSTATUS;
  script.setRc[ICAP_PIXELTYPE] = TWRC_CHECKSTATUS;
  script.setRc[ICAP_BITDEPTH] = TWRC_CHECKSTATUS;
  script.conType[ICAP_BITDEPTH] = TWON_ENUMERATION;
  Acquire();
  EXPECT_EQ(script.transferCountGets, 1);  // the count is read back
  EXPECT_EQ(Texts(), (std::vector<std::string>{"TWAIN 警告: ICAP_PIXELTYPE returned CheckStatus during Negotiations",
                                               "TWAIN 警告: ICAP_BITDEPTH returned CheckStatus during Negotiations"}));
  EXPECT_EQ(script.enables, 1);
}

TEST_F(TwainScripted, NegotiationFailuresEndOrGoOn) {
  struct Case {
    TW_UINT16 cap;
    TW_UINT16 condition;
    std::string message;
    bool enabled;
  };
  const Case cases[] = {
      {ICAP_PIXELTYPE, TWCC_BADCAP, "TWAIN 不支持: 源不支持 ICAP_PIXELTYPE", true},
      {ICAP_PIXELTYPE, TWCC_BUMMER, "TWAIN 错误: Unable to 获得性能\n由于未知的原因失败", false},
      {ICAP_COMPRESSION, TWCC_BADCAP, "TWAIN 不支持: 来源不支持 ICAP_COMPRESSION", true},
      {ICAP_BITDEPTH, TWCC_LOWMEMORY, "TWAIN 错误: Unable to 获得性能\n没有足够的内存完成操作。", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    script = Script{};
    script.events.clear();
    script.getFail[c.cap] = c.condition;
    host.messages.clear();
    Acquire();
    EXPECT_EQ(Texts(), std::vector<std::string>{c.message});
    EXPECT_EQ(script.enables, c.enabled ? 1 : 0);
  }
}

TEST_F(TwainScripted, CompressionMustBeOfferedAndIsSetToNone) {
  script.events.clear();
  script.conType[ICAP_COMPRESSION] = TWON_ENUMERATION;
  script.items[ICAP_COMPRESSION] = {5, 0};  // a compression first, none offered too
  Acquire();
  ASSERT_TRUE(script.setValue.count(ICAP_COMPRESSION));
  EXPECT_EQ(script.setValue[ICAP_COMPRESSION], TWCP_NONE);

  script = Script{};
  script.events.clear();
  script.conType[ICAP_COMPRESSION] = TWON_ENUMERATION;
  script.items[ICAP_COMPRESSION] = {5};
  host.messages.clear();
  Acquire();
  EXPECT_EQ(Texts(), std::vector<std::string>{"扫描仪不支持未被压缩的数据传递 - 退出"});
  EXPECT_EQ(script.enables, 0);
}

TEST_F(TwainScripted, MemoryTransferOfGreyRows) {
  // 5 columns: rows padded to 8 bytes; two bands.
  script.info = Info(5, 3, 8, 1, 300);
  script.blocks = {Band(5, 0, 2, 5, 8, Pattern), Band(5, 2, 1, 5, 8, Pattern)};
  script.blocks[1].rc = TWRC_XFERDONE;
  image.photometric = 0;  // whatever the record held before
  ASSERT_EQ(Acquire(), 1);
  EXPECT_TRUE(Texts().empty());
  ASSERT_EQ(image.width, 5);
  ASSERT_EQ(image.height, 3);
  EXPECT_EQ(image.bitsPerSample, 8);
  EXPECT_EQ(image.photometric, 1);
  EXPECT_EQ(image.xResolution, 300);
  EXPECT_EQ(image.resolutionUnit, 2);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(image.GetByte(x, y), Pattern(x, y));
  EXPECT_EQ(window.disables, 1);
  EXPECT_EQ(script.setValue[ICAP_XFERMECH], TWSX_MEMORY);
}

TEST_F(TwainScripted, SixteenBitGreyIsStored) {
  script.info = Info(3, 2, 16, 1);
  script.blocks = {Band(3, 0, 2, 6, 8, Pattern)};
  script.blocks[0].rc = TWRC_XFERDONE;
  ASSERT_EQ(Acquire(), 1);
  ASSERT_EQ(image.bitsPerSample, 16);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      std::uint16_t v;
      std::memcpy(&v, image.GetRow(y) + 2 * x, 2);
      EXPECT_EQ(v, Pattern(2 * x, y) | Pattern(2 * x + 1, y) << 8);
    }
}

TEST_F(TwainScripted, BlocksWithOtherRowLayouts) {
  // Rows packed without padding (5 bytes apart) and rows 12 bytes apart both
  // land where they belong; a block larger than the buffer is refused.
  for (std::size_t stride : {std::size_t{5}, std::size_t{12}}) {
    SCOPED_TRACE(stride);
    script = Script{};
    script.info = Info(5, 4, 8, 1);
    script.blocks = {Band(5, 0, 4, 5, stride, Pattern)};
    script.blocks[0].rc = TWRC_XFERDONE;
    image.Init();
    ASSERT_EQ(Acquire(), 1);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(image.GetByte(x, y), Pattern(x, y));
  }
  script = Script{};
  script.info = Info(5, 4, 8, 1);
  script.preferred = 16;
  script.blocks = {Band(5, 0, 2, 5, 8, Pattern)};
  script.blocks[0].rows = 4;  // claims more rows than the buffer holds
  host.messages.clear();
  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{"TWAIN 错误: 数据源传来的图像数据与它报告的图像信息不符"});
}

TEST_F(TwainScripted, ShortTransferIsNoSuccess) {
  script.info = Info(4, 3, 8, 1);
  script.blocks = {Band(4, 0, 2, 4, 4, Pattern)};
  script.blocks[0].rc = TWRC_XFERDONE;
  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{"TWAIN 错误: 数据源传来的图像不完整"});
}

TEST_F(TwainScripted, FormatsTheRecordCannotHoldAreRefused) {
  struct Case {
    int bits, samples;
  };
  for (const Case c : {Case{48, 3}, Case{4, 1}, Case{32, 4}}) {
    script = Script{};
    script.info = Info(4, 4, c.bits, c.samples);
    host.messages.clear();
    image.Init();
    EXPECT_EQ(Acquire(), 0);
    std::string text;
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_NE(host.messages[0].text.find(std::to_string(c.bits)), std::string::npos);
    EXPECT_EQ(image.pixels, nullptr);
  }
}

TEST_F(TwainScripted, SizeLimitIsTheRecordsOwn) {
  // An A0 sheet at 300 dpi in colour is sized (and then cancelled by the
  // source), not refused; a scan beyond any memory is reported.
  script.info = Info(9933, 14043, 24, 3);
  Block cancel;
  cancel.rc = TWRC_CANCEL;
  script.blocks = {cancel};
  EXPECT_EQ(Acquire(), 0);
  EXPECT_TRUE(Texts().empty());
  EXPECT_EQ(image.width, 9933);
  EXPECT_EQ(image.height, 14043);
  EXPECT_EQ(image.planes, 3);

  script = Script{};
  script.info = Info(INT32_MAX, INT32_MAX, 24, 3);
  image.Init();
  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{"扫描图像: 内存不足。"});
  EXPECT_EQ(image.pixels, nullptr);
}

// A packed DIB: 40-byte header, colour table, rows padded to 4 bytes.
std::vector<BYTE> Dib(int width, int height, int bits, const std::vector<BYTE>& table,
                      const std::vector<std::vector<BYTE>>& rows) {
  const std::size_t stride = (static_cast<std::size_t>(width) * bits + 31) / 32 * 4;
  std::vector<BYTE> d(40 + table.size() + stride * rows.size(), 0);
  auto put32 = [&](int at, std::uint32_t v) { std::memcpy(&d[at], &v, 4); };
  put32(0, 40);
  put32(4, static_cast<std::uint32_t>(width));
  put32(8, static_cast<std::uint32_t>(height));
  d[12] = 1;
  d[14] = static_cast<BYTE>(bits);
  put32(32, static_cast<std::uint32_t>(table.size() / 4));
  std::copy(table.begin(), table.end(), d.begin() + 40);
  for (std::size_t r = 0; r < rows.size(); ++r)
    std::copy(rows[r].begin(), rows[r].end(), d.begin() + 40 + table.size() + r * stride);
  return d;
}

TEST_F(TwainScripted, NativeColourKeepsWidthOrientationAndChannels) {
  // 5 pixels wide (not a multiple of 4), two rows; pixel (x, y) is
  // R = 10x + y, G = 100 + y, B = 200 + x, stored B, G, R.
  auto row = [](int y) {
    std::vector<BYTE> r;
    for (int x = 0; x < 5; ++x) r.insert(r.end(), {BYTE(200 + x), BYTE(100 + y), BYTE(10 * x + y)});
    return r;
  };
  for (int height : {2, -2}) {
    SCOPED_TRACE(height);
    script = Script{};
    script.conType[ICAP_XFERMECH] = TWON_ONEVALUE;
    script.items[ICAP_XFERMECH] = {TWSX_NATIVE};
    script.info = Info(5, 2, 24, 3, 200);
    // Bottom-up: the first stored row is the image's last.
    script.dib = height > 0 ? Dib(5, 2, 24, {}, {row(1), row(0)}) : Dib(5, -2, 24, {}, {row(0), row(1)});
    image.Init();
    ASSERT_EQ(Acquire(), 1);
    EXPECT_TRUE(Texts().empty());
    ASSERT_EQ(image.width, 5);
    ASSERT_EQ(image.planes, 3);
    EXPECT_EQ(image.photometric, 2);
    EXPECT_EQ(image.xResolution, 200);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(image.GetPlaneByte(x, y, 0), 10 * x + y);
        EXPECT_EQ(image.GetPlaneByte(x, y, 1), 100 + y);
        EXPECT_EQ(image.GetPlaneByte(x, y, 2), 200 + x);
      }
  }
}

TEST_F(TwainScripted, NativeBilevelFollowsItsColourTable) {
  // Row bits 1010 0000; with black first a set bit is white (photometric 1),
  // with white first a set bit is black (photometric 0).
  const std::vector<BYTE> blackFirst{0, 0, 0, 0, 255, 255, 255, 0};
  const std::vector<BYTE> whiteFirst{255, 255, 255, 0, 0, 0, 0, 0};
  for (const auto* table : {&blackFirst, &whiteFirst}) {
    script = Script{};
    script.conType[ICAP_XFERMECH] = TWON_ONEVALUE;
    script.items[ICAP_XFERMECH] = {TWSX_NATIVE};
    script.info = Info(3, 1, 1, 1);
    script.dib = Dib(3, 1, 1, *table, {{0xA0, 0, 0, 0}});
    image.Init();
    ASSERT_EQ(Acquire(), 1);
    EXPECT_EQ(image.photometric, table == &blackFirst ? 1 : 0);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.GetBit(0, 0), 1);
    EXPECT_EQ(image.GetBit(1, 0), 0);
    EXPECT_EQ(image.GetBit(2, 0), 1);
  }
}

TEST_F(TwainScripted, NativeFailuresAndCompressedBitmaps) {
  script.conType[ICAP_XFERMECH] = TWON_ONEVALUE;
  script.items[ICAP_XFERMECH] = {TWSX_NATIVE};
  script.info = Info(4, 1, 8, 1);
  script.dib = Dib(4, 1, 8, {}, {{1, 2, 3, 4}});
  script.dib[16] = 1;  // run-length compressed
  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{"错误: 不能操作已压缩的位图"});

  script.events = {MSG_XFERREADY};
  script.dib = Dib(4, 30, 8, {}, {{1, 2, 3, 4}});  // 30 rows announced, one there
  host.messages.clear();
  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{"TWAIN 错误: 数据源传来的图像数据与它报告的图像信息不符"});

  script.events = {MSG_XFERREADY};
  script.nativeRc = TWRC_CANCEL;
  host.messages.clear();
  EXPECT_EQ(Acquire(), 0);
  EXPECT_TRUE(Texts().empty());
}

TEST_F(TwainScripted, WindowComesBackWhenDisablingFails) {
  script.info = Info(4, 1, 8, 1);
  script.blocks = {Band(4, 0, 1, 4, 4, Pattern)};
  script.blocks[0].rc = TWRC_XFERDONE;
  script.disableRc = TWRC_FAILURE;
  CTwain twain(&image);
  EXPECT_EQ(twain.Acquire(&window), 1);
  EXPECT_TRUE(window.enabled);
  EXPECT_EQ(window.disables, 1);
  EXPECT_GT(twain.GetState(), 4);  // the source could not be disabled
  // Once after the transfer and once more when the state drops back.
  EXPECT_EQ(Texts(), std::vector<std::string>(2, "TWAIN 错误: Unable to 禁用数据源\n顺序错误"));
}

TEST_F(TwainScripted, OpeningTheSourceFails) {
  script.openCondition = TWCC_NODS;
  EXPECT_EQ(Acquire(), 0);
  EXPECT_EQ(Texts(), std::vector<std::string>{"TWAIN 错误: Unable to 打开数据源\n不支持数据源查找。"});
  EXPECT_EQ(window.disables, 0);
}

TEST(TwainManager, AvailabilityIsWorkedOutOnceAndKept) {
  CScriptedHost host;
  CHostScope scope(&host);
  qzntest::TempDir dir;
  const std::string module = std::string(QZN_BINARY_DIR) + "/libqzntwain.so";
  ASSERT_TRUE(std::filesystem::exists(module));

  // No module: not available, and the answer is kept even once it appears.
  const std::string missing = dir.file("libqzntwain.so");
  CTwain::SetManagerPath(missing);
  {
    CTwain twain;
    EXPECT_EQ(twain.IsAvailable(), 0);
    std::filesystem::copy_file(module, missing);
    EXPECT_EQ(twain.IsAvailable(), 0);
    EXPECT_EQ(twain.GetState(), 1);
  }
  // The module without the SANE library: not available either.
  setenv("QZN_SANE_LIBRARY", dir.file("no-libsane.so").c_str(), 1);
  CTwain::SetManagerPath(module);
  EXPECT_EQ(CTwain().IsAvailable(), 0);
  // With both, available; the module is not kept loaded by the question.
  unsetenv("QZN_SANE_LIBRARY");
  CTwain::SetManagerPath(module);
  {
    CTwain twain;
    EXPECT_EQ(twain.IsAvailable(), 1);
    EXPECT_EQ(twain.GetState(), 1);
  }
  // Acquiring without a manager reports where it looked.
  CTwain::SetManagerPath(dir.file("nowhere/libqzntwain.so"));
  CRasterImage image;
  CTwain twain(&image);
  EXPECT_EQ(twain.Acquire(nullptr), 0);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text.rfind("TWAIN 错误: 不能到 载入源管理器 (libqzntwain.so)\n", 0), 0u);
  CTwain::SetManagerPath("");
}

}  // namespace
