#include "platform/twain/source.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <sane/saneopts.h>

#include "platform/twain/scanjob.h"
#include "platform/twain/twaincontainer.h"
#include "resources/messages_scan.h"

namespace qzn::twain {

namespace {

bool Settable(const SANE_Option_Descriptor* d) {
  return d && SANE_OPTION_IS_ACTIVE(d->cap) && SANE_OPTION_IS_SETTABLE(d->cap);
}

double NumberOf(const SANE_Option_Descriptor* d, SANE_Word w) {
  return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : static_cast<double>(w);
}

std::string LabelOf(TW_UINT16 type, int bits) {
  namespace text = res::text;
  const char* kind = type == TWPT_BW     ? text::kScanModeBlackWhite
                     : type == TWPT_GRAY ? text::kScanModeGrey
                                         : text::kScanModeColour;
  char label[128];
  std::snprintf(label, sizeof label, text::kScanModeFormat, kind, type == TWPT_RGB ? 3 * bits : bits);
  return label;
}

std::string FormatNumber(double v) {
  char buf[64];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

bool ParseNumbers(const std::string& text, double* out, int n) {
  const char* p = text.c_str();
  const char* end = p + text.size();
  for (int i = 0; i < n; ++i) {
    if (i > 0) {
      if (p >= end || *p != ',') return false;
      ++p;
    }
    const auto r = std::from_chars(p, end, out[i]);
    if (r.ec != std::errc() || !std::isfinite(out[i])) return false;
    p = r.ptr;
  }
  return p == end;
}

TW_FIX32 Fix32(double v) {
  TW_FIX32 f;
  const double whole = std::floor(v);
  f.Whole = static_cast<TW_INT16>(std::clamp(whole, -32768.0, 32767.0));
  f.Frac = static_cast<TW_UINT16>(std::clamp(std::lround((v - whole) * 65536.0), 0L, 65535L));
  return f;
}

}  // namespace

Source::Source(SaneLibrary& sane, const TW_IDENTITY& identity, std::string device, std::string label)
    : m_sane(sane), m_identity(identity), m_device(std::move(device)), m_label(std::move(label)) {}

Source::~Source() {
  m_job.reset();
  if (m_handle) m_sane.close(m_handle);
}

TW_UINT16 Source::Fail(TW_UINT16 condition) {
  m_condition = condition;
  return TWRC_FAILURE;
}

TW_UINT16 Source::TakeCondition() {
  const TW_UINT16 c = m_condition;
  m_condition = TWCC_SUCCESS;
  return c;
}

void Source::Wake() {
  if (m_window && m_window->Wake) m_window->Wake(m_window->Context);
}

// ---- options ----

int Source::FindOption(const char* name) const {
  for (SANE_Int i = 1;; ++i) {
    const SANE_Option_Descriptor* d = m_sane.get_option_descriptor(m_handle, i);
    if (!d) return -1;
    if (d->name && std::strcmp(d->name, name) == 0) return i;
  }
}

bool Source::GetNumber(const char* name, double* value) const {
  const int i = FindOption(name);
  if (i < 0) return false;
  const SANE_Option_Descriptor* d = m_sane.get_option_descriptor(m_handle, i);
  if (!SANE_OPTION_IS_ACTIVE(d->cap) || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED) ||
      d->size < static_cast<SANE_Int>(sizeof(SANE_Word)))
    return false;
  std::vector<SANE_Word> words(static_cast<std::size_t>(d->size) / sizeof(SANE_Word));
  if (m_sane.control_option(m_handle, i, SANE_ACTION_GET_VALUE, words.data(), nullptr) != SANE_STATUS_GOOD)
    return false;
  *value = NumberOf(d, words[0]);
  return true;
}

bool Source::SetOption(const char* name, double value) {
  const int i = FindOption(name);
  if (i < 0) return false;
  const SANE_Option_Descriptor* d = m_sane.get_option_descriptor(m_handle, i);
  if (!Settable(d) || (d->type != SANE_TYPE_INT && d->type != SANE_TYPE_FIXED)) return false;
  SANE_Word w = d->type == SANE_TYPE_FIXED ? SANE_FIX(value) : static_cast<SANE_Word>(std::lround(value));
  return m_sane.control_option(m_handle, i, SANE_ACTION_SET_VALUE, &w, nullptr) == SANE_STATUS_GOOD;
}

bool Source::SetStringOption(const char* name, const std::string& value) {
  const int i = FindOption(name);
  if (i < 0) return false;
  const SANE_Option_Descriptor* d = m_sane.get_option_descriptor(m_handle, i);
  if (!Settable(d) || d->type != SANE_TYPE_STRING || d->size <= 0) return false;
  std::vector<char> buf(static_cast<std::size_t>(d->size), 0);
  std::strncpy(buf.data(), value.c_str(), buf.size() - 1);
  return m_sane.control_option(m_handle, i, SANE_ACTION_SET_VALUE, buf.data(), nullptr) == SANE_STATUS_GOOD;
}

double Source::Resolution() const {
  double v = 0;
  return GetNumber(SANE_NAME_SCAN_RESOLUTION, &v) ? v : 0;
}

// Every mode and depth of the device that gives an image the application can
// hold: 1-bit, 8-bit or 16-bit grey, and 8-bit colour.
void Source::BuildModes() {
  m_modes.clear();
  std::string savedMode;
  std::vector<std::string> modes{""};
  if (const int i = FindOption(SANE_NAME_SCAN_MODE); i >= 0) {
    const SANE_Option_Descriptor* d = m_sane.get_option_descriptor(m_handle, i);
    if (Settable(d) && d->type == SANE_TYPE_STRING && d->constraint_type == SANE_CONSTRAINT_STRING_LIST &&
        d->size > 0) {
      std::vector<char> buf(static_cast<std::size_t>(d->size), 0);
      if (m_sane.control_option(m_handle, i, SANE_ACTION_GET_VALUE, buf.data(), nullptr) == SANE_STATUS_GOOD)
        savedMode = buf.data();
      modes.clear();
      for (const SANE_String_Const* s = d->constraint.string_list; *s; ++s) modes.emplace_back(*s);
    }
  }
  double savedDepth = 0;
  const bool hadDepth = GetNumber(SANE_NAME_BIT_DEPTH, &savedDepth);

  for (const std::string& mode : modes) {
    if (!mode.empty() && !SetStringOption(SANE_NAME_SCAN_MODE, mode)) continue;
    std::vector<int> depths{0};
    if (const int i = FindOption(SANE_NAME_BIT_DEPTH); i >= 0) {
      const SANE_Option_Descriptor* d = m_sane.get_option_descriptor(m_handle, i);
      if (Settable(d) && d->type == SANE_TYPE_INT) {
        depths.clear();
        if (d->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
          for (SANE_Int k = 1; k <= d->constraint.word_list[0]; ++k) depths.push_back(d->constraint.word_list[k]);
        } else if (d->constraint_type == SANE_CONSTRAINT_RANGE) {
          for (int v : {1, 8, 16})
            if (v >= d->constraint.range->min && v <= d->constraint.range->max) depths.push_back(v);
        }
      }
    }
    for (int depth : depths) {
      if (depth && !SetOption(SANE_NAME_BIT_DEPTH, depth)) continue;
      SANE_Parameters p{};
      if (m_sane.get_parameters(m_handle, &p) != SANE_STATUS_GOOD) continue;
      ScanMode m{mode, depth, TWPT_GRAY, p.depth, ""};
      if (p.format == SANE_FRAME_GRAY && (p.depth == 1 || p.depth == 8 || p.depth == 16)) {
        m.pixelType = p.depth == 1 ? TWPT_BW : TWPT_GRAY;
      } else if (p.format != SANE_FRAME_GRAY && p.depth == 8) {
        m.pixelType = TWPT_RGB;
      } else {
        continue;
      }
      m.label = LabelOf(m.pixelType, m.bitsPerSample);
      m_modes.push_back(m);
    }
  }
  // Two modes that deliver the same kind of image are told apart by the
  // device's own name for them.
  for (std::size_t a = 0; a < m_modes.size(); ++a) {
    bool clash = false;
    for (std::size_t b = 0; b < m_modes.size(); ++b)
      clash = clash || (a != b && m_modes[b].pixelType == m_modes[a].pixelType &&
                        m_modes[b].bitsPerSample == m_modes[a].bitsPerSample);
    if (clash && !m_modes[a].saneMode.empty()) m_modes[a].label += " - " + m_modes[a].saneMode;
  }
  // The device's current mode is the source's current one.
  m_mode = 0;
  for (std::size_t k = 0; k < m_modes.size(); ++k) {
    if (m_modes[k].saneMode == savedMode &&
        (!hadDepth || m_modes[k].saneDepth == 0 || m_modes[k].saneDepth == static_cast<int>(savedDepth))) {
      m_mode = static_cast<int>(k);
      break;
    }
  }
  if (!savedMode.empty()) SetStringOption(SANE_NAME_SCAN_MODE, savedMode);
  if (hadDepth) SetOption(SANE_NAME_BIT_DEPTH, savedDepth);
}

bool Source::ApplyMode(const ScanMode& mode) {
  bool ok = true;
  if (!mode.saneMode.empty()) ok = SetStringOption(SANE_NAME_SCAN_MODE, mode.saneMode);
  if (mode.saneDepth) ok = SetOption(SANE_NAME_BIT_DEPTH, mode.saneDepth) && ok;
  return ok;
}

bool Source::ApplySettings() {
  bool ok = m_modes.empty() || ApplyMode(m_modes[static_cast<std::size_t>(m_mode)]);
  if (m_resolution > 0) SetOption(SANE_NAME_SCAN_RESOLUTION, m_resolution);
  if (m_hasArea) {
    // The corner first where the area grows, so no step makes it empty.
    SetOption(SANE_NAME_SCAN_TL_X, m_area[0]);
    SetOption(SANE_NAME_SCAN_TL_Y, m_area[1]);
    SetOption(SANE_NAME_SCAN_BR_X, m_area[2]);
    SetOption(SANE_NAME_SCAN_BR_Y, m_area[3]);
    SetOption(SANE_NAME_SCAN_TL_X, m_area[0]);
    SetOption(SANE_NAME_SCAN_TL_Y, m_area[1]);
  }
  return ok;
}

void Source::LoadSettings() {
  if (!m_window || !m_window->GetProfile) return;
  if (const char* v = m_window->GetProfile(m_window->Context, "Mode")) {
    for (std::size_t k = 0; k < m_modes.size(); ++k)
      if (m_modes[k].label == v) m_mode = static_cast<int>(k);
  }
  double r = 0;
  if (const char* v = m_window->GetProfile(m_window->Context, "Resolution"); v && ParseNumbers(v, &r, 1) && r > 0)
    m_resolution = r;
  double a[4];
  if (const char* v = m_window->GetProfile(m_window->Context, "Area");
      v && m_hasArea && ParseNumbers(v, a, 4) && a[0] < a[2] && a[1] < a[3])
    std::copy(a, a + 4, m_area);
}

void Source::SaveSettings() {
  if (!m_window || !m_window->WriteProfile) return;
  if (!m_modes.empty())
    m_window->WriteProfile(m_window->Context, "Mode", m_modes[static_cast<std::size_t>(m_mode)].label.c_str());
  m_window->WriteProfile(m_window->Context, "Resolution", FormatNumber(m_resolution).c_str());
  if (m_hasArea) {
    const std::string area = FormatNumber(m_area[0]) + "," + FormatNumber(m_area[1]) + "," + FormatNumber(m_area[2]) +
                             "," + FormatNumber(m_area[3]);
    m_window->WriteProfile(m_window->Context, "Area", area.c_str());
  }
}

TW_UINT16 Source::Open(const QZN_TWWINDOW* window) {
  m_window = window;
  const SANE_Status st = m_sane.open(m_device.c_str(), &m_handle);
  if (st != SANE_STATUS_GOOD) {
    m_handle = nullptr;
    return st == SANE_STATUS_INVAL ? TWCC_NODS : ConditionOf(st);
  }
  BuildModes();
  m_resolution = Resolution();
  // A device whose current resolution lies outside its own range starts at
  // the nearest end of it.
  if (const int i = FindOption(SANE_NAME_SCAN_RESOLUTION); i >= 0) {
    const SANE_Option_Descriptor* o = m_sane.get_option_descriptor(m_handle, i);
    if (o->constraint_type == SANE_CONSTRAINT_RANGE)
      m_resolution =
          std::clamp(m_resolution, NumberOf(o, o->constraint.range->min), NumberOf(o, o->constraint.range->max));
  }
  m_hasArea = GetNumber(SANE_NAME_SCAN_TL_X, &m_area[0]) && GetNumber(SANE_NAME_SCAN_TL_Y, &m_area[1]) &&
              GetNumber(SANE_NAME_SCAN_BR_X, &m_area[2]) && GetNumber(SANE_NAME_SCAN_BR_Y, &m_area[3]);
  LoadSettings();
  m_state = 4;
  return TWCC_SUCCESS;
}

// ---- the protocol ----

TW_UINT16 Source::Entry(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!data) return Fail(TWCC_BADVALUE);
  if (dg == DG_CONTROL) {
    switch (dat) {
      case DAT_CAPABILITY: return Capability(msg, static_cast<TW_CAPABILITY*>(data));
      case DAT_USERINTERFACE: return UserInterface(msg, static_cast<TW_USERINTERFACE*>(data));
      case DAT_EVENT:
        if (msg == MSG_PROCESSEVENT) return ProcessEvent(static_cast<TW_EVENT*>(data));
        break;
      case DAT_PENDINGXFERS: return PendingTransfers(msg, static_cast<TW_PENDINGXFERS*>(data));
      case DAT_SETUPMEMXFER:
        if (msg == MSG_GET) return SetupMemory(static_cast<TW_SETUPMEMXFER*>(data));
        break;
      case DAT_IDENTITY:
        if (msg == MSG_GET) {
          *static_cast<TW_IDENTITY*>(data) = m_identity;
          return TWRC_SUCCESS;
        }
        break;
      default: break;
    }
  } else if (dg == DG_IMAGE && msg == MSG_GET) {
    switch (dat) {
      case DAT_IMAGEINFO: return ImageInfo(static_cast<TW_IMAGEINFO*>(data));
      case DAT_IMAGEMEMXFER: return MemoryBlock(static_cast<TW_IMAGEMEMXFER*>(data));
      case DAT_IMAGENATIVEXFER: return NativeImage(static_cast<TW_HANDLE*>(data));
      default: break;
    }
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 Source::Capability(TW_UINT16 msg, TW_CAPABILITY* cap) {
  const bool set = msg == MSG_SET;
  if (msg != MSG_GET && msg != MSG_GETCURRENT && msg != MSG_GETDEFAULT && msg != MSG_SET && msg != MSG_RESET)
    return Fail(TWCC_BADPROTOCOL);
  if ((set || msg == MSG_RESET) && m_state != 4) return Fail(TWCC_SEQERROR);
  const ScanMode* mode = m_modes.empty() ? nullptr : &m_modes[static_cast<std::size_t>(m_mode)];
  long value = 0;
  if (set && !RequestedValue(*cap, &value)) return Fail(TWCC_BADVALUE);

  // Picks the first mode with that pixel type (and depth, when given).
  auto choose = [&](long type, long bits) {
    for (std::size_t k = 0; k < m_modes.size(); ++k) {
      if (m_modes[k].pixelType == type && (bits < 0 || m_modes[k].bitsPerSample == bits)) {
        m_mode = static_cast<int>(k);
        return true;
      }
    }
    return false;
  };

  TW_HANDLE answer = nullptr;
  TW_UINT16 conType = TWON_ONEVALUE;
  switch (cap->Cap) {
    case CAP_XFERCOUNT:
      if (set) {
        if (value != -1 && value < 1) return Fail(TWCC_BADVALUE);
        m_xferCount = static_cast<TW_INT16>(value);
        return TWRC_SUCCESS;
      }
      if (msg == MSG_RESET) m_xferCount = -1;
      answer = NewOneValue(TWTY_INT16, msg == MSG_GETDEFAULT ? -1 : m_xferCount);
      break;
    case ICAP_PIXELTYPE: {
      if (set) {
        if (mode && mode->pixelType == value) return TWRC_SUCCESS;
        return choose(value, -1) ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
      }
      std::vector<long> types;
      for (const ScanMode& m : m_modes)
        if (std::find(types.begin(), types.end(), m.pixelType) == types.end()) types.push_back(m.pixelType);
      const long current = mode ? mode->pixelType : TWPT_GRAY;
      if (msg == MSG_GET) {
        const auto at = std::find(types.begin(), types.end(), current) - types.begin();
        answer = NewEnumeration(TWTY_UINT16, types, static_cast<TW_UINT32>(at), static_cast<TW_UINT32>(at));
        conType = TWON_ENUMERATION;
      } else {
        answer = NewOneValue(TWTY_UINT16, current);
      }
      break;
    }
    case ICAP_XFERMECH:
      if (set) {
        if (value != TWSX_NATIVE && value != TWSX_MEMORY) return Fail(TWCC_BADVALUE);
        m_mechanism = static_cast<TW_UINT16>(value);
        return TWRC_SUCCESS;
      }
      if (msg == MSG_RESET) m_mechanism = TWSX_NATIVE;
      if (msg == MSG_GET) {
        answer = NewEnumeration(TWTY_UINT16, {TWSX_NATIVE, TWSX_MEMORY}, m_mechanism == TWSX_MEMORY ? 1 : 0, 0);
        conType = TWON_ENUMERATION;
      } else {
        answer = NewOneValue(TWTY_UINT16, msg == MSG_GETDEFAULT ? TWSX_NATIVE : m_mechanism);
      }
      break;
    case ICAP_BITDEPTH:
      // The depth belongs to the mode the user picks in the dialog: asked for
      // its depths, the source names the current one only.
      if (set) {
        if (mode && mode->bitsPerSample == value) return TWRC_SUCCESS;
        return mode && choose(mode->pixelType, value) ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
      }
      answer = NewOneValue(TWTY_UINT16, mode ? mode->bitsPerSample : 8);
      break;
    case ICAP_COMPRESSION:
      if (set) return value == TWCP_NONE ? TWRC_SUCCESS : Fail(TWCC_BADVALUE);
      answer = NewOneValue(TWTY_UINT16, TWCP_NONE);
      break;
    default: return Fail(TWCC_BADCAP);
  }
  if (!answer) return Fail(TWCC_LOWMEMORY);
  cap->ConType = conType;
  cap->hContainer = answer;
  return TWRC_SUCCESS;
}

TW_UINT16 Source::UserInterface(TW_UINT16 msg, TW_USERINTERFACE* ui) {
  if (msg == MSG_ENABLEDS) {
    if (m_state != 4) return Fail(TWCC_SEQERROR);
    m_showUI = ui->ShowUI != 0;
    if (ui->hParent) {
      const auto* w = static_cast<const QZN_TWWINDOW*>(ui->hParent);
      if (w->Size >= sizeof(QZN_TWWINDOW)) m_window = w;
    }
    m_state = 5;
    m_dialogDue = true;
    m_rounds = 0;
    Wake();
    return TWRC_SUCCESS;
  }
  if (msg == MSG_DISABLEDS) {
    if (m_state != 5) return Fail(TWCC_SEQERROR);
    EndScan();
    m_dialogDue = false;
    m_state = 4;
    return TWRC_SUCCESS;
  }
  return Fail(TWCC_BADPROTOCOL);
}

TW_UINT16 Source::ProcessEvent(TW_EVENT* event) {
  if (m_state < 5) return Fail(TWCC_SEQERROR);
  event->TWMessage = MSG_NULL;
  if (m_state == 5 && m_dialogDue) {
    m_dialogDue = false;
    RunDialog(event);
    return TWRC_DSEVENT;
  }
  return TWRC_NOTDSEVENT;
}

void Source::RunDialog(TW_EVENT* event) {
  int answer = -1;
  if (m_showUI && m_window && m_window->SourceDialog && !m_modes.empty()) {
    std::vector<const char*> labels;
    for (const ScanMode& m : m_modes) labels.push_back(m.label.c_str());
    QZN_TWSCANDIALOG d{};
    d.Device = m_device.c_str();
    d.Label = m_label.c_str();
    d.ModeCount = static_cast<TW_UINT32>(labels.size());
    d.Modes = labels.data();
    d.Mode = m_mode;
    std::vector<double> list;
    if (const int i = FindOption(SANE_NAME_SCAN_RESOLUTION); i >= 0) {
      const SANE_Option_Descriptor* o = m_sane.get_option_descriptor(m_handle, i);
      if (o->constraint_type == SANE_CONSTRAINT_RANGE) {
        d.ResolutionMin = NumberOf(o, o->constraint.range->min);
        d.ResolutionMax = NumberOf(o, o->constraint.range->max);
        d.ResolutionStep = NumberOf(o, o->constraint.range->quant);
      } else if (o->constraint_type == SANE_CONSTRAINT_WORD_LIST) {
        for (SANE_Int k = 1; k <= o->constraint.word_list[0]; ++k)
          list.push_back(NumberOf(o, o->constraint.word_list[k]));
      }
    }
    d.ResolutionCount = static_cast<TW_UINT32>(list.size());
    d.Resolutions = list.data();
    d.Resolution = m_resolution;
    d.HasArea = m_hasArea;
    if (m_hasArea) {
      const char* names[4] = {SANE_NAME_SCAN_TL_X, SANE_NAME_SCAN_TL_Y, SANE_NAME_SCAN_BR_X, SANE_NAME_SCAN_BR_Y};
      double lo[4] = {0, 0, 0, 0}, hi[4] = {0, 0, 0, 0};
      for (int k = 0; k < 4; ++k) {
        const int i = FindOption(names[k]);
        const SANE_Option_Descriptor* o = i >= 0 ? m_sane.get_option_descriptor(m_handle, i) : nullptr;
        if (o && o->constraint_type == SANE_CONSTRAINT_RANGE) {
          lo[k] = NumberOf(o, o->constraint.range->min);
          hi[k] = NumberOf(o, o->constraint.range->max);
          d.AreaInPixels = o->unit == SANE_UNIT_PIXEL;
        }
      }
      d.AreaMinX = lo[0];
      d.AreaMinY = lo[1];
      d.AreaMaxX = std::max(hi[2], hi[0]);
      d.AreaMaxY = std::max(hi[3], hi[1]);
      d.Left = m_area[0];
      d.Top = m_area[1];
      d.Right = m_area[2];
      d.Bottom = m_area[3];
    }
    answer = m_window->SourceDialog(m_window->Context, &d);
    if (answer == 1) {
      if (d.Mode >= 0 && static_cast<std::size_t>(d.Mode) < m_modes.size()) m_mode = d.Mode;
      if (std::isfinite(d.Resolution) && d.Resolution > 0) m_resolution = d.Resolution;
      if (m_hasArea && std::isfinite(d.Left) && std::isfinite(d.Top) && std::isfinite(d.Right) &&
          std::isfinite(d.Bottom) && d.Left < d.Right && d.Top < d.Bottom) {
        m_area[0] = d.Left;
        m_area[1] = d.Top;
        m_area[2] = d.Right;
        m_area[3] = d.Bottom;
      }
      SaveSettings();
    }
  }
  // Without a dialog the source scans once with its settings; when that scan
  // has ended (well or not) it asks to be closed.
  const bool scan = answer == 1 || (answer == -1 && m_rounds == 0);
  ++m_rounds;
  if (scan) {
    StartScan();
    event->TWMessage = MSG_XFERREADY;
  } else {
    event->TWMessage = MSG_CLOSEDSREQ;
  }
}

void Source::StartScan() {
  ApplySettings();
  m_resolution = Resolution() > 0 ? Resolution() : m_resolution;
  m_job = std::make_unique<ScanJob>(m_sane, m_handle);
  TW_UINT16 condition = TWCC_SUCCESS;
  if (m_job->Start(&condition) != TWRC_SUCCESS)
    m_startCondition = condition;
  else
    m_startCondition = TWCC_SUCCESS;
  m_state = 6;
}

void Source::EndScan() { m_job.reset(); }

TW_UINT16 Source::ImageInfo(TW_IMAGEINFO* info) {
  if (m_state < 6 || !m_job) return Fail(TWCC_SEQERROR);
  if (m_startCondition != TWCC_SUCCESS) return Fail(m_startCondition);
  *info = TW_IMAGEINFO{};
  info->XResolution = info->YResolution = Fix32(m_resolution);
  info->ImageWidth = m_job->Width();
  info->ImageLength = m_job->Height();
  info->SamplesPerPixel = static_cast<TW_INT16>(m_job->Samples());
  for (int k = 0; k < m_job->Samples(); ++k) info->BitsPerSample[k] = static_cast<TW_INT16>(m_job->BitsPerSample());
  info->BitsPerPixel = static_cast<TW_INT16>(m_job->BitsPerPixel());
  info->Planar = 0;
  info->PixelType = static_cast<TW_INT16>(m_job->PixelType());
  info->Compression = TWCP_NONE;
  return TWRC_SUCCESS;
}

TW_UINT16 Source::SetupMemory(TW_SETUPMEMXFER* setup) {
  if (m_state < 6 || !m_job || m_startCondition != TWCC_SUCCESS) return Fail(TWCC_SEQERROR);
  const std::int64_t stride = m_job->Stride();
  if (stride > UINT32_MAX) return Fail(TWCC_BADVALUE);
  setup->MinBufSize = static_cast<TW_UINT32>(stride);
  setup->MaxBufSize = TWON_DONTCARE32;
  const std::int64_t rows = std::max<std::int64_t>(1, (std::int64_t{1} << 18) / std::max<std::int64_t>(stride, 1));
  setup->Preferred = static_cast<TW_UINT32>(std::min<std::int64_t>(stride * rows, UINT32_MAX / stride * stride));
  return TWRC_SUCCESS;
}

TW_UINT16 Source::MemoryBlock(TW_IMAGEMEMXFER* block) {
  if (m_state < 6 || !m_job || m_startCondition != TWCC_SUCCESS) return Fail(TWCC_SEQERROR);
  const std::int64_t stride = m_job->Stride();
  if (!block->Memory.TheMem || stride <= 0) return Fail(TWCC_BADVALUE);
  const std::int64_t fit = block->Memory.Length / stride;
  if (fit <= 0) return Fail(TWCC_BADVALUE);
  m_state = 7;
  const std::int64_t y = m_job->Delivered();
  std::int64_t rows = 0;
  TW_UINT16 condition = TWCC_SUCCESS;
  const TW_UINT16 rc = m_job->Read(static_cast<std::uint8_t*>(block->Memory.TheMem), stride, fit, &rows, &condition);
  if (rc == TWRC_FAILURE) return Fail(condition);
  if (rc == TWRC_CANCEL) return rc;
  block->Compression = TWCP_NONE;
  block->BytesPerRow = static_cast<TW_UINT32>(stride);
  block->Columns = static_cast<TW_UINT32>(m_job->Width());
  block->Rows = static_cast<TW_UINT32>(rows);
  block->XOffset = 0;
  block->YOffset = static_cast<TW_UINT32>(y);
  block->BytesWritten = static_cast<TW_UINT32>(rows * stride);
  return rc;
}

TW_UINT16 Source::NativeImage(TW_HANDLE* out) {
  if (m_state != 6 || !m_job || m_startCondition != TWCC_SUCCESS) return Fail(TWCC_SEQERROR);
  const int bits = m_job->BitsPerPixel();
  if (bits != 1 && bits != 8 && bits != 24) return Fail(TWCC_BADVALUE);  // a DIB has no 16-bit grey
  m_state = 7;
  const std::int64_t stride = m_job->Stride();  // TWAIN rows and DIB rows are both padded to 4
  const std::int64_t height = m_job->Height();
  const std::int64_t colours = bits == 24 ? 0 : std::int64_t{1} << bits;
  const std::int64_t offset = 40 + 4 * colours;
  auto* dib = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(offset + stride * height)));
  if (!dib) return Fail(TWCC_LOWMEMORY);
  auto put32 = [&](int at, std::uint32_t v) { std::memcpy(dib + at, &v, 4); };
  auto put16 = [&](int at, std::uint16_t v) { std::memcpy(dib + at, &v, 2); };
  std::memset(dib, 0, static_cast<std::size_t>(offset));
  put32(0, 40);
  put32(4, static_cast<std::uint32_t>(m_job->Width()));
  put32(8, static_cast<std::uint32_t>(height));
  put16(12, 1);
  put16(14, static_cast<std::uint16_t>(bits));
  put32(20, static_cast<std::uint32_t>(stride * height));
  const std::uint32_t dpm = static_cast<std::uint32_t>(std::lround(m_resolution / 0.0254));
  put32(24, dpm);
  put32(28, dpm);
  put32(32, static_cast<std::uint32_t>(colours));
  // Index 0 is black, as in TWAIN's rows; grey values are their own index.
  for (std::int64_t i = 0; i < colours; ++i) {
    const std::uint8_t v = static_cast<std::uint8_t>(colours == 2 ? i * 255 : i);
    dib[40 + 4 * i] = dib[41 + 4 * i] = dib[42 + 4 * i] = v;
  }
  for (std::int64_t y = 0; y < height; ++y) {
    std::uint8_t* row = dib + offset + (height - 1 - y) * stride;  // bottom-up
    std::int64_t got = 0;
    TW_UINT16 condition = TWCC_SUCCESS;
    const TW_UINT16 rc = m_job->Read(row, stride, 1, &got, &condition);
    if (rc != TWRC_SUCCESS && rc != TWRC_XFERDONE) {
      std::free(dib);
      return rc == TWRC_CANCEL ? rc : Fail(condition);
    }
    if (bits == 24)
      for (std::int64_t x = 0; x < m_job->Width(); ++x) std::swap(row[3 * x], row[3 * x + 2]);
  }
  *out = dib;
  return TWRC_XFERDONE;
}

TW_UINT16 Source::PendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS* pending) {
  if (msg == MSG_GET) {
    pending->Count = m_state >= 6 ? 1 : 0;
    return TWRC_SUCCESS;
  }
  if (msg != MSG_ENDXFER && msg != MSG_RESET) return Fail(TWCC_BADPROTOCOL);
  if (m_state < 6 || (msg == MSG_RESET && m_state != 6)) return Fail(TWCC_SEQERROR);
  // One image for each scan the user starts: none is left pending.
  EndScan();
  pending->Count = 0;
  pending->EOJ = 0;
  m_state = 5;
  m_dialogDue = true;
  Wake();
  return TWRC_SUCCESS;
}

}  // namespace qzn::twain
