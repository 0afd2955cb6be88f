// The source manager: DSM_Entry, the one function this module exports. It
// lists SANE's devices as TWAIN sources, keeps the default source (the
// user's choice, kept in the application's profile store through the owner
// window), opens one source at a time and routes the source operations to it.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/twain/sanelib.h"
#include "platform/twain/source.h"
#include "platform/twain/twaindefs.h"

namespace qzn::twain {
namespace {

struct Device {
  std::string name, label;
  TW_IDENTITY identity{};
};

struct Manager {
  SaneLibrary sane;
  bool open = false;
  const QZN_TWWINDOW* window = nullptr;
  TW_UINT16 condition = TWCC_SUCCESS;
  std::vector<Device> devices;
  bool listed = false;
  std::size_t next = 0;  // MSG_GETNEXT's position
  std::string defaultName;
  std::unique_ptr<Source> source;
};

Manager& M() {
  static Manager m;
  return m;
}

TW_UINT16 Fail(TW_UINT16 condition) {
  M().condition = condition;
  return TWRC_FAILURE;
}

void CopyText(TW_STR32& out, const char* text) {
  std::memset(out, 0, sizeof out);
  if (text) std::strncpy(out, text, sizeof out - 1);
}

void ListDevices() {
  Manager& m = M();
  if (m.listed) return;
  m.devices.clear();
  const SANE_Device** list = nullptr;
  if (m.sane.get_devices(&list, SANE_FALSE) == SANE_STATUS_GOOD && list) {
    for (const SANE_Device** d = list; *d; ++d) {
      Device dev;
      dev.name = (*d)->name ? (*d)->name : "";
      dev.label = std::string((*d)->vendor ? (*d)->vendor : "") + " " + ((*d)->model ? (*d)->model : "") + " (" +
                  ((*d)->type ? (*d)->type : "") + ")";
      TW_IDENTITY& id = dev.identity;
      id.Id = static_cast<TW_UINT32>(m.devices.size() + 1);
      id.Version.MajorNum = 1;
      id.Version.Language = TWLG_ENGLISH_USA;
      id.Version.Country = TWCY_USA;
      CopyText(id.Version.Info, "SANE");
      id.ProtocolMajor = 1;
      id.ProtocolMinor = 8;
      id.SupportedGroups = DG_CONTROL | DG_IMAGE;
      CopyText(id.Manufacturer, (*d)->vendor);
      CopyText(id.ProductFamily, (*d)->model);
      CopyText(id.ProductName, dev.name.c_str());
      m.devices.push_back(std::move(dev));
    }
  }
  m.listed = true;
}

// The default source's index: the remembered choice when it is still there,
// else the first device; -1 without devices.
int DefaultIndex() {
  Manager& m = M();
  ListDevices();
  for (std::size_t i = 0; i < m.devices.size(); ++i)
    if (m.devices[i].name == m.defaultName) return static_cast<int>(i);
  return m.devices.empty() ? -1 : 0;
}

// A source asked for by identity: its Id, else its product name (the device
// name, cut to the 33 characters the identity holds); Id 0 with no name is
// the default source.
int FindDevice(const TW_IDENTITY& id) {
  Manager& m = M();
  ListDevices();
  if (id.Id == 0 && id.ProductName[0] == 0) return DefaultIndex();
  for (std::size_t i = 0; i < m.devices.size(); ++i) {
    const TW_IDENTITY& d = m.devices[i].identity;
    if ((id.Id != 0 && d.Id == id.Id) ||
        (id.Id == 0 && std::strncmp(d.ProductName, id.ProductName, sizeof d.ProductName) == 0))
      return static_cast<int>(i);
  }
  return -1;
}

TW_UINT16 OpenManager(TW_HANDLE* parent) {
  Manager& m = M();
  if (m.open) return Fail(TWCC_SEQERROR);
  const auto* w = parent ? static_cast<const QZN_TWWINDOW*>(*parent) : nullptr;
  m.window = w && w->Size >= sizeof(QZN_TWWINDOW) ? w : nullptr;
  if (!m.sane.Load()) return Fail(TWCC_NODS);
  SANE_Int version = 0;
  if (m.sane.init(&version, nullptr) != SANE_STATUS_GOOD) {
    m.sane.Unload();
    return Fail(TWCC_BUMMER);
  }
  m.open = true;
  m.listed = false;
  m.defaultName.clear();
  if (m.window && m.window->GetProfile)
    if (const char* v = m.window->GetProfile(m.window->Context, "Source")) m.defaultName = v;
  return TWRC_SUCCESS;
}

TW_UINT16 CloseManager() {
  Manager& m = M();
  if (!m.open || m.source) return Fail(TWCC_SEQERROR);
  m.sane.exit();
  m.sane.Unload();
  m.open = false;
  m.listed = false;
  m.devices.clear();
  m.window = nullptr;
  return TWRC_SUCCESS;
}

TW_UINT16 Identity(TW_UINT16 msg, TW_IDENTITY* id) {
  Manager& m = M();
  if (!m.open) return Fail(TWCC_SEQERROR);
  switch (msg) {
    case MSG_GETDEFAULT: {
      const int i = DefaultIndex();
      if (i < 0) return Fail(TWCC_NODS);
      *id = m.devices[static_cast<std::size_t>(i)].identity;
      return TWRC_SUCCESS;
    }
    case MSG_GETFIRST:
    case MSG_GETNEXT:
      ListDevices();
      if (msg == MSG_GETFIRST) m.next = 0;
      if (m.next >= m.devices.size()) return TWRC_ENDOFLIST;
      *id = m.devices[m.next++].identity;
      return TWRC_SUCCESS;
    case MSG_USERSELECT: {
      int i = DefaultIndex();
      if (i < 0) return Fail(TWCC_NODS);
      if (m.window && m.window->SelectSource) {
        std::vector<QZN_TWSOURCEENTRY> entries;
        for (const Device& d : m.devices) entries.push_back({d.name.c_str(), d.label.c_str()});
        i = m.window->SelectSource(m.window->Context, entries.data(), static_cast<TW_UINT32>(entries.size()), i);
        if (i < 0 || static_cast<std::size_t>(i) >= m.devices.size()) return TWRC_CANCEL;
        m.defaultName = m.devices[static_cast<std::size_t>(i)].name;
        if (m.window->WriteProfile) m.window->WriteProfile(m.window->Context, "Source", m.defaultName.c_str());
      }
      *id = m.devices[static_cast<std::size_t>(i)].identity;
      return TWRC_SUCCESS;
    }
    case MSG_OPENDS: {
      if (m.source) return Fail(TWCC_MAXCONNECTIONS);
      const int i = FindDevice(*id);
      if (i < 0) return Fail(TWCC_NODS);
      const Device& d = m.devices[static_cast<std::size_t>(i)];
      auto source = std::make_unique<Source>(m.sane, d.identity, d.name, d.label);
      const TW_UINT16 c = source->Open(m.window);
      if (c != TWCC_SUCCESS) return Fail(c);
      m.source = std::move(source);
      *id = d.identity;
      return TWRC_SUCCESS;
    }
    case MSG_CLOSEDS:
      if (!m.source || id->Id != m.source->Identity().Id) return Fail(TWCC_NODS);
      if (m.source->State() != 4) return Fail(TWCC_SEQERROR);
      m.source.reset();
      return TWRC_SUCCESS;
    default: return Fail(TWCC_BADPROTOCOL);
  }
}

}  // namespace
}  // namespace qzn::twain

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY* origin, TW_IDENTITY* dest,
                                                                      TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg,
                                                                      TW_MEMREF data) {
  using namespace qzn::twain;
  Manager& m = M();
  if (!origin) return Fail(TWCC_BADVALUE);
  if (dest) {
    // A source operation: only the open source answers.
    if (!m.source || dest->Id != m.source->Identity().Id) return Fail(TWCC_BADDEST);
    if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET) {
      if (!data) return TWRC_FAILURE;
      auto* status = static_cast<TW_STATUS*>(data);
      status->ConditionCode = m.source->TakeCondition();
      status->Reserved = 0;
      return TWRC_SUCCESS;
    }
    return m.source->Entry(dg, dat, msg, data);
  }
  if (dg != DG_CONTROL || !data) return Fail(dg != DG_CONTROL ? TWCC_BADPROTOCOL : TWCC_BADVALUE);
  switch (dat) {
    case DAT_STATUS: {
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      auto* status = static_cast<TW_STATUS*>(data);
      // Asked before it is opened, the manager says whether it can serve:
      // without the SANE library there is no source to be had.
      TW_UINT16 c = m.condition;
      if (!m.open) {
        const bool ok = m.sane.Load();
        if (ok)
          m.sane.Unload();
        else
          c = TWCC_NODS;
      }
      status->ConditionCode = c;
      status->Reserved = 0;
      m.condition = TWCC_SUCCESS;
      return TWRC_SUCCESS;
    }
    case DAT_PARENT:
      if (msg == MSG_OPENDSM) return OpenManager(static_cast<TW_HANDLE*>(data));
      if (msg == MSG_CLOSEDSM) return CloseManager();
      return Fail(TWCC_BADPROTOCOL);
    case DAT_IDENTITY: return Identity(msg, static_cast<TW_IDENTITY*>(data));
    default: return Fail(TWCC_BADPROTOCOL);
  }
}
