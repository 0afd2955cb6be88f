// Scanner acquisition over TWAIN: loading the source manager, opening the
// manager and the source, capability negotiation, the acquisition loop,
// native and memory transfers and the error reports.
#include "raster/twain.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "model/helpers.h"
#include "platform/host.h"
#include "platform/profile.h"
#include "platform/textfile.h"
#include "platform/textfile.h"
#include "platform/twain/twaincontainer.h"
#include "resources/messages_scan.h"

namespace qzn {

namespace {

using namespace twain;
namespace text = res::text;

constexpr const char* kModuleName = "libqzntwain.so";
// The manager is process-wide: one TWAIN object at a time uses it.
void* g_library = nullptr;
DSMENTRYPROC g_entry = nullptr;
DSMENTRYPROC g_injected = nullptr;
int g_available = 0;  // 0 unknown, 1 yes, -1 no
std::string g_managerPath;
TW_IDENTITY g_sourceId{};

void CopyName(TW_STR32& out, const char* text) {
  std::memset(out, 0, sizeof out);
  std::strncpy(out, text, sizeof out - 1);
}

// A fixed-size identity text as a string, upper-cased.
std::string UpperText(const char* s, std::size_t n) { return Upper(std::string(s, strnlen(s, n))); }

std::int64_t PaddedRow(std::int64_t columns, std::int64_t bitsPerPixel) {
  return (columns * bitsPerPixel + 31) / 32 * 4;
}

bool NotSupported(TW_UINT16 condition) { return condition == TWCC_BADCAP || condition == TWCC_CAPUNSUPPORTED; }

// A capability container received from the source, freed on every path.
struct Capability {
  TW_CAPABILITY cap{};
  explicit Capability(TW_UINT16 id) {
    cap.Cap = id;
    cap.ConType = kDontCare16;
  }
  ~Capability() { std::free(cap.hContainer); }
  Capability(const Capability&) = delete;
  Capability& operator=(const Capability&) = delete;
};

std::string DefaultManagerPath() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return kModuleName;
  return (exe.parent_path() / kModuleName).string();
}

CTwainWindow& ScreenlessWindow() {
  static CTwainWindow window;
  return window;
}

}  // namespace

// ---- the owner window's handle ----

CTwainWindow::CTwainWindow() {
  m_handle.Size = sizeof m_handle;
  m_handle.Context = this;
  m_handle.Wake = [](void* c) { static_cast<CTwainWindow*>(c)->Wake(); };
  m_handle.SelectSource = [](void* c, const QZN_TWSOURCEENTRY* sources, TW_UINT32 count, TW_INT32 current) -> TW_INT32 {
    std::vector<CTwainSourceEntry> list;
    for (TW_UINT32 i = 0; i < count; ++i)
      list.push_back({sources[i].Name ? sources[i].Name : "", sources[i].Label ? sources[i].Label : ""});
    const int r = static_cast<CTwainWindow*>(c)->SelectSource(list, current);
    return r >= 0 && static_cast<TW_UINT32>(r) < count ? r : -1;
  };
  m_handle.SourceDialog = [](void* c, QZN_TWSCANDIALOG* d) -> TW_INT32 {
    CScanDialogData data;
    data.device = d->Device ? d->Device : "";
    data.label = d->Label ? d->Label : "";
    for (TW_UINT32 i = 0; i < d->ModeCount; ++i) data.modes.emplace_back(d->Modes[i]);
    data.mode = d->Mode;
    data.resolutions.assign(d->Resolutions, d->Resolutions + d->ResolutionCount);
    data.resolutionMin = d->ResolutionMin;
    data.resolutionMax = d->ResolutionMax;
    data.resolutionStep = d->ResolutionStep;
    data.resolution = d->Resolution;
    data.hasArea = d->HasArea != 0;
    data.areaInPixels = d->AreaInPixels != 0;
    data.areaMinX = d->AreaMinX;
    data.areaMinY = d->AreaMinY;
    data.areaMaxX = d->AreaMaxX;
    data.areaMaxY = d->AreaMaxY;
    data.left = d->Left;
    data.top = d->Top;
    data.right = d->Right;
    data.bottom = d->Bottom;
    const int r = static_cast<CTwainWindow*>(c)->SourceDialog(data);
    if (r == 1) {
      d->Mode = data.mode;
      d->Resolution = data.resolution;
      d->Left = data.left;
      d->Top = data.top;
      d->Right = data.right;
      d->Bottom = data.bottom;
    }
    return r;
  };
  m_handle.GetProfile = [](void* c, const char* key) -> const char* {
    auto* w = static_cast<CTwainWindow*>(c);
    w->m_profileValue = w->GetProfileString(key ? key : "");
    return w->m_profileValue.empty() ? nullptr : w->m_profileValue.c_str();
  };
  m_handle.WriteProfile = [](void* c, const char* key, const char* value) {
    static_cast<CTwainWindow*>(c)->WriteProfileString(key ? key : "", value ? value : "");
  };
}

std::string CTwainWindow::GetProfileString(const std::string& key) {
  return Profile() ? Profile()->GetString("Scanner", key) : std::string();
}

void CTwainWindow::WriteProfileString(const std::string& key, const std::string& value) {
  if (Profile()) Profile()->WriteString("Scanner", key, value);
}

// ---- the manager module ----

void CTwain::SetManagerPath(const std::string& path) {
  g_managerPath = path;
  g_available = 0;
}

std::string CTwain::ManagerPath() { return g_managerPath.empty() ? DefaultManagerPath() : g_managerPath; }

void CTwain::UseEntryPoint(DSMENTRYPROC entry) {
  g_injected = entry;
  g_available = 0;
}

const char* CTwain::OperationName(int index) {
  return index >= 0 && index < static_cast<int>(std::size(text::kTwainOperations)) ? text::kTwainOperations[index] : "";
}

const char* CTwain::ConditionText(int condition) { return text::kTwainConditions[std::clamp(condition, 0, 13)]; }

CTwain::CTwain(CRasterImage* target) : m_target(target) {
  m_appId.Id = 0;
  m_appId.Version.MajorNum = 1;
  m_appId.Version.MinorNum = 0;
  m_appId.Version.Language = TWLG_ENGLISH_USA;
  m_appId.Version.Country = TWCY_USA;
  CopyName(m_appId.Version.Info, "1.0");
  m_appId.ProtocolMajor = 1;
  m_appId.ProtocolMinor = 8;
  m_appId.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyName(m_appId.Manufacturer, "Tarvik Dataco Corp.");
  CopyName(m_appId.ProductFamily, "QZN");
  CopyName(m_appId.ProductName, "QZN");
}

CTwain::~CTwain() {
  DropToState(1);
  EnableOwner();
}

int CTwain::LoadManager() {
  DSMENTRYPROC entry = g_injected;
  void* library = nullptr;
  if (!entry) {
    const std::string path = ManagerPath();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return 0;
    library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return 0;
    entry = reinterpret_cast<DSMENTRYPROC>(dlsym(library, "DSM_Entry"));
    if (!entry) {
      dlclose(library);
      return 0;
    }
  }
  // The manager answers its status before it is opened: a condition other
  // than success means it cannot serve (its scanner library is missing).
  TW_STATUS status{};
  if (entry(&m_appId, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS ||
      status.ConditionCode != TWCC_SUCCESS) {
    if (library) dlclose(library);
    return 0;
  }
  g_library = library;
  g_entry = entry;
  g_available = 1;
  m_state = 2;
  return 1;
}

void CTwain::FreeManager() {
  if (g_library) dlclose(g_library);
  g_library = nullptr;
  g_entry = nullptr;
  m_state = 1;
}

int CTwain::IsAvailable() {
  if (g_entry) return 1;
  if (g_available == 0) {
    if (LoadManager())
      FreeManager();
    else
      g_available = -1;
  }
  return g_available == 1 ? 1 : 0;
}

// ---- calls ----

TW_UINT16 CTwain::Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!g_entry) {
    m_returnCode = TWRC_FAILURE;
    m_conditionCode = TWCC_SEQERROR;
    return m_returnCode;
  }
  m_returnCode = g_entry(&m_appId, dest, dg, dat, msg, data);
  if (m_returnCode == TWRC_FAILURE) {
    TW_STATUS status{};
    if (g_entry(&m_appId, dest, DG_CONTROL, DAT_STATUS, MSG_GET, &status) == TWRC_SUCCESS) {
      m_conditionCode = status.ConditionCode;
    } else {
      m_conditionCode = TWCC_BUMMER;
      ErrorReport(4);
    }
  } else {
    m_conditionCode = TWCC_SUCCESS;
  }
  return m_returnCode;
}

TW_UINT16 CTwain::CallManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return Call(nullptr, dg, dat, msg, data);
}

TW_UINT16 CTwain::CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return Call(&g_sourceId, dg, dat, msg, data);
}

void CTwain::ErrorReport(int index) {
  std::string report;
  if (index == 0 || index == 1) {
    const std::string module = std::filesystem::path(ManagerPath()).filename().string();
    FormatString(report, text::kTwainCannotFormat, text::kTwainOperations[index], module.c_str());
  } else if (index >= 2 && index <= 17) {
    FormatString(report, text::kTwainUnableFormat, text::kTwainOperations[index]);
  } else {
    AfxMessageBox(text::kTwainUnknownError, MB_OK);
    return;
  }
  report += ConditionText(m_conditionCode);
  AfxMessageBox(report, MB_OK);
}

// ---- manager and source ----

int CTwain::OpenManager() {
  if (m_state >= 3) return 1;
  if (m_state < 2 && !LoadManager()) {
    g_available = -1;
    ErrorReport(0);
    return 0;
  }
  CTwainWindow& window = m_window ? *m_window : ScreenlessWindow();
  m_parentHandle = window.Handle();
  if (CallManager(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &m_parentHandle) == TWRC_SUCCESS) m_state = 3;
  if (m_state != 3) {
    ErrorReport(1);
    return 0;
  }
  return 1;
}

int CTwain::SelectSource(CTwainWindow* window) {
  if (window) m_window = window;
  const int saved = m_state;
  int ok = 0;
  if (OpenManager()) {
    TW_IDENTITY id{};
    TW_UINT16 rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_GETDEFAULT, &id);
    if (rc == TWRC_SUCCESS) rc = CallManager(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &id);
    if (rc == TWRC_FAILURE) ErrorReport(2);
    ok = rc == TWRC_SUCCESS;
  }
  DropToState(saved);
  return ok;
}

int CTwain::OpenSource() {
  // No Id and no product name: the manager opens its default source.
  g_sourceId.Id = 0;
  std::memset(g_sourceId.ProductName, 0, sizeof g_sourceId.ProductName);
  if (CallManager(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &g_sourceId) == TWRC_SUCCESS) m_state = 4;
  if (m_state != 4) {
    ErrorReport(3);
    return 0;
  }
  const std::string maker = UpperText(g_sourceId.Manufacturer, sizeof g_sourceId.Manufacturer);
  const std::string product = UpperText(g_sourceId.ProductName, sizeof g_sourceId.ProductName);
  m_quirk = 0;
  if (maker.find("HOWTEK") != std::string::npos)
    m_quirk = 1;
  else if (maker.find("AGFA") != std::string::npos)
    m_quirk = product.find("FOTOLOOK 16 V2.08") != std::string::npos ? 3 : 2;
  return 1;
}

int CTwain::Acquire(CTwainWindow* window) {
  if (window) m_window = window;
  m_savedState = m_state;
  m_result = 0;
  if (OpenManager() && OpenSource() && Negotiate() && EnableSource()) MessageLoop();
  DropToState(m_savedState);
  // However the acquisition ended, the user gets the window back.
  EnableOwner();
  return m_result;
}

// ---- negotiation ----

int CTwain::Negotiate() {
  if (m_state != 4) return 0;
  return NegotiateTransferCount() && NegotiatePixelType() && NegotiateMechanism() && NegotiateBitDepth() &&
         NegotiateCompression();
}

int CTwain::NegotiateTransferCount() {
  Capability set(CAP_XFERCOUNT);
  set.cap.ConType = TWON_ONEVALUE;
  set.cap.hContainer = NewOneValue(TWTY_INT16, 1);
  if (!set.cap.hContainer) {
    AfxMessageBox(text::kScanNoMemory, MB_OK);
    return 0;
  }
  if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &set.cap) == TWRC_CHECKSTATUS) {
    Capability get(CAP_XFERCOUNT);
    if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &get.cap) == TWRC_FAILURE) {
      ErrorReport(5);
      return 0;
    }
  }
  return 1;
}

int CTwain::NegotiatePixelType() {
  Capability c(ICAP_PIXELTYPE);
  if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &c.cap) == TWRC_FAILURE) {
    if (NotSupported(m_conditionCode)) {
      AfxMessageBox(text::kTwainNoPixelType, MB_OK);
      return 1;
    }
    ErrorReport(5);
    return 0;
  }
  if (c.cap.ConType != TWON_ENUMERATION && c.cap.ConType != TWON_ONEVALUE) {
    AfxMessageBox(text::kTwainBadPixelTypeContainer, MB_OK);
    return 0;
  }
  // The source's own choice goes back unchanged: the user picks the kind of
  // scan in the source's dialog.
  const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c.cap);
  if (rc == TWRC_FAILURE) {
    ErrorReport(6);
    return 0;
  }
  if (rc == TWRC_CHECKSTATUS) AfxMessageBox(text::kTwainPixelTypeCheckStatus, MB_OK);
  return 1;
}

int CTwain::NegotiateMechanism() {
  Capability c(ICAP_XFERMECH);
  if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &c.cap) == TWRC_FAILURE) {
    if (NotSupported(m_conditionCode)) {
      AfxMessageBox(text::kTwainNoTransferMechanism, MB_OK);
      return 1;
    }
    ErrorReport(5);
    return 0;
  }
  bool usable = false;
  if (c.cap.ConType == TWON_ENUMERATION) {
    const EnumView e = ViewEnumeration(c.cap.hContainer);
    long v = 0;
    for (std::uint64_t pass = 0; pass < 2 && !usable && e.Valid(); ++pass) {
      const long wanted = pass == 0 ? TWSX_MEMORY : TWSX_NATIVE;
      for (std::uint64_t i = 0; e.Item(i, &v); ++i) {
        if (v == wanted) {
          e.head->CurrentIndex = static_cast<TW_UINT32>(i);
          m_mechanism = static_cast<TW_UINT16>(v);
          usable = true;
          break;
        }
      }
    }
  } else if (c.cap.ConType == TWON_ONEVALUE) {
    long v = 0;
    if (OneValue(c.cap.hContainer, &v) && (v == TWSX_NATIVE || v == TWSX_MEMORY)) {
      m_mechanism = static_cast<TW_UINT16>(v);
      usable = true;
    }
  } else {
    AfxMessageBox(text::kTwainBadMechanismContainer, MB_OK);
    return 0;
  }
  if (!usable) {
    AfxMessageBox(text::kTwainNoNativeOrMemory, MB_OK);
    return 0;
  }
  if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c.cap) == TWRC_FAILURE) {
    ErrorReport(6);
    return 0;
  }
  return 1;
}

int CTwain::NegotiateBitDepth() {
  Capability c(ICAP_BITDEPTH);
  if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &c.cap) == TWRC_FAILURE) {
    if (!NotSupported(m_conditionCode)) ErrorReport(5);
    return 1;
  }
  if (c.cap.ConType == TWON_ONEVALUE) return 1;
  if (c.cap.ConType != TWON_ENUMERATION) {
    AfxMessageBox(text::kTwainBadBitDepthContainer, MB_OK);
    return 0;
  }
  const EnumView e = ViewEnumeration(c.cap.hContainer);
  long best = -1, v = 0;
  std::uint64_t bestIndex = 0;
  for (std::uint64_t i = 0; e.Valid() && e.Item(i, &v); ++i) {
    if (v <= 16 && v > best) {
      best = v;
      bestIndex = i;
    }
  }
  if (best < 0) return 1;
  e.head->CurrentIndex = static_cast<TW_UINT32>(bestIndex);
  const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c.cap);
  if (rc == TWRC_FAILURE) {
    ErrorReport(6);
    return 0;
  }
  if (rc == TWRC_CHECKSTATUS) AfxMessageBox(text::kTwainBitDepthCheckStatus, MB_OK);
  return 1;
}

int CTwain::NegotiateCompression() {
  Capability c(ICAP_COMPRESSION);
  if (CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &c.cap) == TWRC_FAILURE) {
    if (NotSupported(m_conditionCode)) {
      AfxMessageBox(text::kTwainNoCompression, MB_OK);
      return 1;
    }
    ErrorReport(5);
    return 0;
  }
  bool offersNone = false;
  bool currentNone = false;
  long v = 0;
  if (c.cap.ConType == TWON_ENUMERATION) {
    const EnumView e = ViewEnumeration(c.cap.hContainer);
    for (std::uint64_t i = 0; e.Valid() && e.Item(i, &v); ++i) {
      if (v == TWCP_NONE) {
        offersNone = true;
        if (i == e.head->CurrentIndex) currentNone = true;
      }
    }
  } else if (c.cap.ConType == TWON_ONEVALUE) {
    offersNone = currentNone = OneValue(c.cap.hContainer, &v) && v == TWCP_NONE;
  } else {
    AfxMessageBox(text::kTwainBadCompressionContainer, MB_OK);
    return 0;
  }
  if (!offersNone) {
    AfxMessageBox(text::kTwainNoUncompressed, MB_OK);
    return 0;
  }
  if (currentNone) return 1;
  // Transfers are taken uncompressed only: a source that offers no
  // compression among others is told to use it.
  Capability set(ICAP_COMPRESSION);
  set.cap.ConType = TWON_ONEVALUE;
  set.cap.hContainer = NewOneValue(TWTY_UINT16, TWCP_NONE);
  if (!set.cap.hContainer || CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &set.cap) == TWRC_FAILURE) {
    ErrorReport(6);
    return 0;
  }
  return 1;
}

// ---- enabling and the loop ----

int CTwain::EnableSource() {
  CTwainWindow& window = m_window ? *m_window : ScreenlessWindow();
  m_ui.ShowUI = 1;
  m_ui.ModalUI = 0;
  m_ui.hParent = window.Handle();
  const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &m_ui);
  if (rc == TWRC_SUCCESS || rc == TWRC_CHECKSTATUS) m_state = 5;
  if (m_state != 5) {
    ErrorReport(7);
    return 0;
  }
  window.EnableWindow(false);
  m_ownerDisabled = true;
  return 1;
}

void CTwain::EnableOwner() {
  if (!m_ownerDisabled) return;
  (m_window ? *m_window : ScreenlessWindow()).EnableWindow(true);
  m_ownerDisabled = false;
}

void CTwain::DisableSource() {
  if (CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &m_ui) == TWRC_SUCCESS)
    m_state = 4;
  else
    ErrorReport(15);
  EnableOwner();
}

void CTwain::MessageLoop() {
  CTwainWindow& window = m_window ? *m_window : ScreenlessWindow();
  while (m_state > 4) {
    CTwainMessage message;
    if (!window.GetMessage(&message)) break;
    TW_EVENT event{&message, MSG_NULL};
    const TW_UINT16 rc = CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
    if (rc == TWRC_FAILURE) ErrorReport(8);
    if (rc == TWRC_NOTDSEVENT) window.DispatchMessage(message);
    if (event.TWMessage == MSG_XFERREADY) {
      m_state = 6;
      TransferReady();
      // After an image the source is disabled; one that cannot be is left
      // to the drop back to the starting state.
      if (m_result) break;
    } else if (event.TWMessage == MSG_CLOSEDSREQ) {
      m_state = 5;
      DisableSource();
      if (m_state > 4) break;
    }
  }
}

void CTwain::TransferReady() {
  if (m_mechanism != TWSX_MEMORY && m_mechanism != TWSX_NATIVE) {
    AfxMessageBox(text::kTwainBadMechanism, MB_OK);
  } else if (CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &m_imageInfo) != TWRC_SUCCESS) {
    // Without the image's size there is nothing to receive it into.
    ErrorReport(9);
  } else {
    m_result = m_mechanism == TWSX_MEMORY ? MemoryTransfer() : NativeTransfer();
  }
  EndTransfer();
  if (m_state == 6 && m_pending.Count != 0) ResetTransfers();
  if (m_result) DisableSource();
}

void CTwain::EndTransfer() {
  if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &m_pending) == TWRC_SUCCESS)
    m_state = m_pending.Count != 0 ? 6 : 5;
  else
    ErrorReport(13);
}

void CTwain::ResetTransfers() {
  if (CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &m_pending) == TWRC_SUCCESS)
    m_state = 5;
  else
    ErrorReport(14);
}

void CTwain::DropToState(int state) {
  while (m_state > state) {
    const int before = m_state;
    switch (m_state) {
      case 7:
      case 6:
        if (m_state == 7)
          EndTransfer();
        else
          ResetTransfers();
        break;
      case 5: DisableSource(); break;
      case 4:
        if (CallManager(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &g_sourceId) == TWRC_SUCCESS)
          m_state = 3;
        else
          ErrorReport(16);
        break;
      case 3:
        if (CallManager(DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &m_parentHandle) == TWRC_SUCCESS)
          m_state = 2;
        else
          ErrorReport(17);
        break;
      default: FreeManager(); break;
    }
    if (m_state == before) break;
  }
}

// ---- transfers ----

int CTwain::NativeTransfer() {
  TW_HANDLE dib = nullptr;
  const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib);
  m_state = rc == TWRC_XFERDONE || rc == TWRC_SUCCESS || rc == TWRC_CANCEL ? 7 : 6;
  if (rc == TWRC_FAILURE) ErrorReport(11);
  if (rc != TWRC_XFERDONE) {
    std::free(dib);
    return 0;
  }
  struct Freer {
    void* p;
    ~Freer() { std::free(p); }
  } freer{dib};
  const std::size_t size = BlockSize(dib);
  const BYTE* p = static_cast<const BYTE*>(dib);
  auto u32 = [&](std::size_t at) {
    TW_UINT32 v;
    std::memcpy(&v, p + at, 4);
    return v;
  };
  auto i32 = [&](std::size_t at) {
    TW_INT32 v;
    std::memcpy(&v, p + at, 4);
    return v;
  };
  auto u16 = [&](std::size_t at) {
    TW_UINT16 v;
    std::memcpy(&v, p + at, 2);
    return v;
  };
  if (size < 40 || u32(0) < 40) {
    AfxMessageBox(text::kTwainBadBlock, MB_OK);
    return 0;
  }
  const std::int64_t headerSize = u32(0);
  const std::int64_t width = i32(4);
  const std::int64_t height = i32(8);
  const int bits = u16(14);
  if (u32(16) != 0) {
    AfxMessageBox(text::kTwainCompressedBitmap, MB_OK);
    return 0;
  }
  std::int64_t colours = u32(32);
  if (colours == 0) colours = bits <= 8 ? std::int64_t{1} << bits : 0;
  const std::int64_t rows = height < 0 ? -height : height;
  const std::int64_t stride = PaddedRow(width, bits);
  const std::int64_t offset = headerSize + colours * 4;
  if (width <= 0 || rows == 0 || width > INT32_MAX || rows > INT32_MAX || bits == 0 || colours > 256 ||
      offset > static_cast<std::int64_t>(size) || stride > (static_cast<std::int64_t>(size) - offset) / rows) {
    AfxMessageBox(text::kTwainBadBlock, MB_OK);
    return 0;
  }
  // The scanned width is kept: the rows' padding to 4 bytes is not image.
  if (!BeginImage(static_cast<int>(width), static_cast<int>(rows), bits, bits == 24 ? 3 : 1, m_quirk)) return 0;
  // The colour table says which value is black for 1-bit and grey images.
  const BYTE* table = p + headerSize;
  auto luminance = [&](std::int64_t i) { return table[4 * i] * 114 + table[4 * i + 1] * 587 + table[4 * i + 2] * 299; };
  if (m_target && bits == 1 && colours >= 2) {
    m_target->photometric = luminance(0) > luminance(1) ? kPhotometricMinIsWhite : kPhotometricMinIsBlack;
  } else if (m_target && bits == 8 && colours > 0) {
    bool grey = true, rising = true, falling = true;
    for (std::int64_t i = 0; i < colours; ++i) {
      const BYTE b = table[4 * i], g = table[4 * i + 1], r = table[4 * i + 2];
      grey = grey && r == g && g == b;
      rising = rising && r == i;
      falling = falling && r == 255 - i;
    }
    if (!grey || (!rising && !falling)) {
      if (m_target->AllocPalette()) {
        for (std::int64_t i = 0; i < colours; ++i) {
          m_target->blue[i] = table[4 * i];
          m_target->green[i] = table[4 * i + 1];
          m_target->red[i] = table[4 * i + 2];
        }
        m_target->photometric = kPhotometricPalette;
      }
    } else {
      m_target->photometric = rising ? kPhotometricMinIsBlack : kPhotometricMinIsWhite;
    }
  }
  // Rows go bottom-up unless the height is negative; colour rows are B, G, R.
  std::vector<BYTE> rgb(bits == 24 ? static_cast<std::size_t>(stride) : 0);
  for (std::int64_t r = 0; r < rows; ++r) {
    const BYTE* src = p + offset + r * stride;
    const std::int64_t y = height < 0 ? r : rows - 1 - r;
    if (bits == 24) {
      for (std::int64_t x = 0; x < width; ++x) {
        rgb[3 * x] = src[3 * x + 2];
        rgb[3 * x + 1] = src[3 * x + 1];
        rgb[3 * x + 2] = src[3 * x];
      }
      src = rgb.data();
    }
    if (!PutRows(0, static_cast<int>(y), static_cast<int>(width), 1, src)) return 0;
  }
  return 1;
}

int CTwain::MemoryTransfer() {
  if (m_imageInfo.Compression != TWCP_NONE) {
    AfxMessageBox(text::kTwainCompressedTransfer, MB_OK);
    return 0;
  }
  TW_SETUPMEMXFER setup{};
  if (CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) {
    ErrorReport(10);
    return 0;
  }
  auto roundUp = [](TW_UINT32 v, std::uint64_t dontCare) -> std::uint64_t {
    return v == TWON_DONTCARE32 ? dontCare : (std::uint64_t{v} + 3) / 4 * 4;
  };
  std::uint64_t size = roundUp(setup.Preferred, 4096);
  BYTE* buffer = size ? static_cast<BYTE*>(std::malloc(size)) : nullptr;
  if (!buffer) {
    size = roundUp(setup.MinBufSize, 1024);
    buffer = size ? static_cast<BYTE*>(std::malloc(size)) : nullptr;
  }
  if (!buffer) {
    AfxMessageBox(text::kTwainNoTransferMemory, MB_OK);
    return 0;
  }
  struct Freer {
    void* p;
    ~Freer() { std::free(p); }
  } freer{buffer};

  if (!BeginImage(m_imageInfo.ImageWidth, m_imageInfo.ImageLength, m_imageInfo.BitsPerPixel,
                  m_imageInfo.SamplesPerPixel, m_quirk))
    return 0;

  int result = 0;
  std::int64_t covered = 0;
  m_firstBlock = 1;
  for (;;) {
    TW_IMAGEMEMXFER block{};
    block.Compression = kDontCare16;
    block.BytesPerRow = block.Columns = block.Rows = TWON_DONTCARE32;
    block.XOffset = block.YOffset = block.BytesWritten = TWON_DONTCARE32;
    block.Memory.Flags = TWMF_APPOWNS | TWMF_POINTER;
    block.Memory.Length = static_cast<TW_UINT32>(std::min<std::uint64_t>(size, UINT32_MAX));
    block.Memory.TheMem = buffer;
    const TW_UINT16 rc = CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &block);
    if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE || rc == TWRC_CANCEL)
      m_state = 7;
    else
      m_state = m_firstBlock ? 6 : 7;
    m_firstBlock = 0;
    if (rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) {
      if (!DeliverBlock(block, buffer, &covered)) break;
      if (rc == TWRC_XFERDONE) {
        // Success only when every pixel of the image came.
        const std::int64_t all = std::int64_t{m_imageInfo.ImageWidth} * m_imageInfo.ImageLength;
        if (covered >= all)
          result = 1;
        else
          AfxMessageBox(text::kTwainIncomplete, MB_OK);
        break;
      }
      continue;
    }
    if (rc != TWRC_CANCEL) ErrorReport(12);
    break;
  }
  return result;
}

int CTwain::DeliverBlock(const TW_IMAGEMEMXFER& block, const BYTE* buffer, std::int64_t* covered) {
  const std::int64_t bpp = m_imageInfo.BitsPerPixel;
  std::int64_t columns = block.Columns;
  if (m_quirk == 3) columns = bpp > 8 ? block.BytesPerRow / 2 : block.BytesPerRow;
  const std::int64_t rows = block.Rows;
  if (rows == 0) return 1;
  const std::int64_t x = block.XOffset, y = block.YOffset;
  const std::int64_t stride = PaddedRow(columns, bpp);
  const std::int64_t sourceStride = block.BytesPerRow == TWON_DONTCARE32 ? stride : block.BytesPerRow;
  const std::int64_t length = block.Memory.Length;
  if (columns > INT32_MAX || rows > INT32_MAX || x > INT32_MAX || y > INT32_MAX || columns <= 0 ||
      sourceStride < (columns * bpp + 7) / 8 || sourceStride > length / rows) {
    AfxMessageBox(text::kTwainBadBlock, MB_OK);
    return 0;
  }
  // The bands are written as rows padded to 4 bytes; a source that packs its
  // rows otherwise is laid out that way first.
  std::vector<BYTE> repacked;
  const BYTE* rowsData = buffer;
  if (sourceStride != stride) {
    repacked.assign(static_cast<std::size_t>(stride * rows), 0);
    const std::int64_t n = std::min(stride, sourceStride);
    for (std::int64_t r = 0; r < rows; ++r)
      std::memcpy(repacked.data() + r * stride, buffer + r * sourceStride, static_cast<std::size_t>(n));
    rowsData = repacked.data();
  }
  const int ok = bpp >= 9 && bpp <= 23 ? PutRowsDeep(static_cast<int>(x), static_cast<int>(y),
                                                     static_cast<int>(columns), static_cast<int>(rows), rowsData)
                                       : PutRows(static_cast<int>(x), static_cast<int>(y), static_cast<int>(columns),
                                                 static_cast<int>(rows), rowsData);
  if (!ok) return 0;
  const std::int64_t w = std::min<std::int64_t>(x + columns, m_imageInfo.ImageWidth) - x;
  const std::int64_t h = std::min<std::int64_t>(y + rows, m_imageInfo.ImageLength) - y;
  if (w > 0 && h > 0) *covered += w * h;
  return 1;
}

// ---- the target ----

int CTwain::BeginImage(int width, int height, int bitsPerPixel, int samplesPerPixel, int quirk) {
  if (!m_target) return 0;
  int bits = 0, planes = 1, photometric = kPhotometricMinIsBlack;
  if (bitsPerPixel == 24) {
    bits = 8;
    planes = 3;
    photometric = kPhotometricRgb;
  } else if (samplesPerPixel == 1 && (bitsPerPixel == 1 || bitsPerPixel == 8)) {
    bits = bitsPerPixel;
  } else if (samplesPerPixel == 1 && bitsPerPixel >= 9 && bitsPerPixel <= 16) {
    bits = 16;
  }
  if (bits == 0) {
    std::string message;
    FormatString(message, text::kTwainUnsupportedFormat, bitsPerPixel, samplesPerPixel);
    AfxMessageBox(message, MB_OK);
    return 0;
  }
  if (width <= 0 || height <= 0) {
    AfxMessageBox(text::kTwainBadBlock, MB_OK);
    return 0;
  }
  // Sized in a fresh record first, so a scan too large to hold leaves the
  // target as it was.
  CRasterImage image;
  image.width = width;
  image.height = height;
  image.bitsPerSample = bits;
  image.planes = planes;
  image.photometric = photometric;
  image.xResolution = static_cast<float>(m_imageInfo.XResolution.Whole);
  image.yResolution = static_cast<float>(m_imageInfo.YResolution.Whole);
  image.resolutionUnit = 2;
  if (!image.AllocPixels()) {
    AfxMessageBox(text::kScanNoMemory, MB_OK);
    return 0;
  }
  m_target->MoveFrom(image);
  return 1;
}

int CTwain::PutRows(int x, int y, int columns, int rows, const BYTE* buffer) {
  if (!m_target || !m_target->pixels) return 0;
  return m_target->PutBandAligned(x, y, buffer, columns, rows);
}

int CTwain::PutRowsDeep(int x, int y, int columns, int rows, const BYTE* buffer) {
  CRasterImage* t = m_target;
  if (!t || !t->pixels || !buffer || t->bitsPerSample != 16 || t->planes != 1) return 0;
  const std::int64_t stride = PaddedRow(columns, 16);
  const int c0 = std::max(x, 0), c1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{x} + columns, t->width));
  const int r0 = std::max(y, 0), r1 = static_cast<int>(std::min<std::int64_t>(std::int64_t{y} + rows, t->height));
  for (int r = r0; r < r1; ++r) {
    if (c1 <= c0) break;
    const BYTE* src = buffer + (r - std::int64_t{y}) * stride + 2 * (c0 - std::int64_t{x});
    std::memcpy(t->GetRow(r) + 2 * std::int64_t{c0}, src, static_cast<std::size_t>(2 * (c1 - c0)));
  }
  return 1;
}

}  // namespace qzn
