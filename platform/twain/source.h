// A TWAIN data source over one SANE device: its capabilities, its dialog
// (through the owner window), the acquisition loop's events and the native
// and memory transfers.
//
// The application always gets whole frames of known size: three-pass colour
// and scanners that do not know the image's height (hand scanners) are read
// whole before the transfer is announced; single-pass frames of known height
// are passed on row by row as the device delivers them.
#pragma once

#include <sane/sane.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/twain/sanelib.h"
#include "platform/twain/twaindefs.h"

namespace qzn::twain {

// One way of scanning that the source offers: a SANE mode and depth, and what
// it delivers in TWAIN's terms.
struct ScanMode {
  std::string saneMode;  // empty when the device has no mode option
  int saneDepth = 0;     // value of the depth option; 0 when there is none
  TW_UINT16 pixelType = TWPT_GRAY;
  int bitsPerSample = 8;
  std::string label;
};

class ScanJob;

class Source {
 public:
  Source(SaneLibrary& sane, const TW_IDENTITY& identity, std::string device, std::string label);
  ~Source();
  Source(const Source&) = delete;
  Source& operator=(const Source&) = delete;

  // Opens the device and learns its modes; TWCC_SUCCESS or a condition code.
  TW_UINT16 Open(const QZN_TWWINDOW* window);
  TW_UINT16 Entry(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  // The condition of the last failure, cleared by reading it.
  TW_UINT16 TakeCondition();
  const TW_IDENTITY& Identity() const { return m_identity; }
  const std::string& Device() const { return m_device; }
  int State() const { return m_state; }

 private:
  TW_UINT16 Fail(TW_UINT16 condition);
  TW_UINT16 Capability(TW_UINT16 msg, TW_CAPABILITY* cap);
  TW_UINT16 UserInterface(TW_UINT16 msg, TW_USERINTERFACE* ui);
  TW_UINT16 ProcessEvent(TW_EVENT* event);
  TW_UINT16 ImageInfo(TW_IMAGEINFO* info);
  TW_UINT16 SetupMemory(TW_SETUPMEMXFER* setup);
  TW_UINT16 MemoryBlock(TW_IMAGEMEMXFER* block);
  TW_UINT16 NativeImage(TW_HANDLE* out);
  TW_UINT16 PendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS* pending);
  void EndScan();
  void Wake();

  int FindOption(const char* name) const;
  bool SetOption(const char* name, double value);
  bool SetStringOption(const char* name, const std::string& value);
  bool GetNumber(const char* name, double* value) const;
  void BuildModes();
  void LoadSettings();
  void SaveSettings();
  bool ApplyMode(const ScanMode& mode);
  bool ApplySettings();
  // Runs the dialog (or, without one, scans once); fills the event's message.
  void RunDialog(TW_EVENT* event);
  void StartScan();
  double Resolution() const;

  SaneLibrary& m_sane;
  TW_IDENTITY m_identity;
  std::string m_device, m_label;
  SANE_Handle m_handle = nullptr;
  const QZN_TWWINDOW* m_window = nullptr;  // the parent given at open or enable
  int m_state = 4;
  TW_UINT16 m_condition = TWCC_SUCCESS;

  std::vector<ScanMode> m_modes;
  int m_mode = 0;
  double m_resolution = 0;
  bool m_hasArea = false;
  double m_area[4] = {0, 0, 0, 0};  // left, top, right, bottom in the device's unit

  TW_INT16 m_xferCount = -1;
  TW_UINT16 m_mechanism = TWSX_NATIVE;
  bool m_showUI = true;
  bool m_dialogDue = false;
  int m_rounds = 0;
  TW_UINT16 m_startCondition = TWCC_SUCCESS;  // the device refused to start
  std::unique_ptr<ScanJob> m_job;
};

}  // namespace qzn::twain
