// Scanner acquisition over TWAIN: CTwain picks a source and acquires one image
// from it into a raster image record, through the source manager's single
// entry point DSM_Entry. The manager is a module loaded at run time from
// beside the program (platform/twain); it serves the scanners of SANE.
//
// CTwainWindow stands for the owner window: it is disabled while the source
// is enabled, it feeds the acquisition loop with the messages of its event
// loop, and it shows the dialogs of the manager and the source. The GUI
// derives its own; the base class is a window without a screen (no dialogs,
// a loop that never waits).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/twain/twaindefs.h"
#include "raster/rasterimage.h"

namespace qzn {

// One message of the owner window's event loop, as the acquisition loop
// offers it to the source. native is whatever the window uses; the source of
// this platform claims no window message itself (docs/scanning.md).
struct CTwainMessage {
  void* native = nullptr;
};

struct CTwainSourceEntry {
  std::string name;   // device name
  std::string label;  // vendor, model and kind
};

// The source's own dialog in C++ terms (see QZN_TWSCANDIALOG).
struct CScanDialogData {
  std::string device, label;
  std::vector<std::string> modes;
  int mode = 0;
  std::vector<double> resolutions;  // empty: the range below
  double resolutionMin = 0, resolutionMax = 0, resolutionStep = 0;
  double resolution = 0;
  bool hasArea = false, areaInPixels = false;
  double areaMinX = 0, areaMinY = 0, areaMaxX = 0, areaMaxY = 0;
  double left = 0, top = 0, right = 0, bottom = 0;
};

class CTwainWindow {
 public:
  CTwainWindow();
  virtual ~CTwainWindow() = default;
  CTwainWindow(const CTwainWindow&) = delete;
  CTwainWindow& operator=(const CTwainWindow&) = delete;

  // Enables or disables input to the window (the source's dialog owns the
  // user's attention while the source is enabled).
  virtual void EnableWindow(bool enable) {}
  // The next message of the window's event loop, waiting for one when the
  // loop has none; false when the application is quitting.
  virtual bool GetMessage(CTwainMessage* message) { return true; }
  // Handles a message the source did not claim.
  virtual void DispatchMessage(const CTwainMessage& message) {}
  // The source has news: a GetMessage waiting for the next event returns.
  virtual void Wake() {}
  // The selection dialog: the chosen index, or -1 when cancelled. The base
  // class has no dialog and keeps the current source.
  virtual int SelectSource(const std::vector<CTwainSourceEntry>& sources, int current) { return current; }
  // The source's dialog: 1 scan, 0 cancel, -1 no dialog (the base class).
  virtual int SourceDialog(CScanDialogData& dialog) { return -1; }
  // The scanner settings: by default the entries of the section "Scanner"
  // of the process's profile store (none when there is no store); empty
  // when unset.
  virtual std::string GetProfileString(const std::string& key);
  virtual void WriteProfileString(const std::string& key, const std::string& value);

  // The window handle handed to the manager and the source.
  TW_HANDLE Handle() { return &m_handle; }

 private:
  QZN_TWWINDOW m_handle{};
  std::string m_profileValue;  // keeps GetProfile's answer alive for the caller
};

class CTwain {
 public:
  explicit CTwain(CRasterImage* target = nullptr);
  virtual ~CTwain();
  CTwain(const CTwain&) = delete;
  CTwain& operator=(const CTwain&) = delete;

  // 1 when the source manager can be used: its entry point is known, or the
  // module loads, has DSM_Entry and reports its scanner library present. The
  // answer is worked out once and kept.
  int IsAvailable();
  void SetWindow(CTwainWindow* window) { m_window = window; }
  int GetState() const { return m_state; }
  // The manager's selection dialog; 1 when the user's choice succeeded.
  int SelectSource(CTwainWindow* window);
  // Acquires one image into the target; 1 when an image was transferred.
  int Acquire(CTwainWindow* window);

  // Sizes the target for the image: 1 bit (bilevel, photometric 1), 8 bits
  // (grey, photometric 1), 9 to 16 bits a sample (16-bit grey), 24 bits (8
  // bits x 3 planes, photometric 2). Other formats, and images too large to
  // hold, are refused with a message. 0 without a target.
  virtual int BeginImage(int width, int height, int bitsPerPixel, int samplesPerPixel, int quirk);
  // A band of rows, each padded to 4 bytes, at 1, 8 or 24 bits a pixel.
  virtual int PutRows(int x, int y, int columns, int rows, const BYTE* buffer);
  // A band of rows of 9 to 23 bits a pixel, each padded to 4 bytes; samples
  // of 9 to 16 bits are 2 bytes in the machine's order and stored as they are.
  virtual int PutRowsDeep(int x, int y, int columns, int rows, const BYTE* buffer);

  // ---- where the manager comes from ----
  // The module's path; by default "libqzntwain.so" in the program's
  // directory. Setting it forgets the availability answer.
  static void SetManagerPath(const std::string& path);
  static std::string ManagerPath();
  // Uses this entry point as the loaded manager (no module is loaded or
  // unloaded); null goes back to the module. Forgets the availability answer.
  static void UseEntryPoint(DSMENTRYPROC entry);

  // The operation names and condition texts of the error reports.
  static const char* OperationName(int index);
  static const char* ConditionText(int condition);

 protected:
  TW_IMAGEINFO& ImageInfo() { return m_imageInfo; }
  CRasterImage* Target() const { return m_target; }

 private:
  TW_UINT16 CallManager(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 CallSource(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 Call(TW_IDENTITY* dest, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  void ErrorReport(int index);

  int LoadManager();
  void FreeManager();
  int OpenManager();
  int OpenSource();
  int Negotiate();
  int NegotiateTransferCount();
  int NegotiatePixelType();
  int NegotiateMechanism();
  int NegotiateBitDepth();
  int NegotiateCompression();
  int EnableSource();
  void DisableSource();
  void MessageLoop();
  void TransferReady();
  int NativeTransfer();
  int MemoryTransfer();
  int DeliverBlock(const TW_IMAGEMEMXFER& block, const BYTE* buffer, std::int64_t* covered);
  void EndTransfer();
  void ResetTransfers();
  void DropToState(int state);
  void EnableOwner();

  int m_result = 0;
  int m_firstBlock = 1;
  TW_IMAGEINFO m_imageInfo{};
  int m_state = 1;
  int m_savedState = 1;
  TW_IDENTITY m_appId{};
  TW_UINT16 m_returnCode = TWRC_SUCCESS;
  TW_UINT16 m_conditionCode = TWCC_SUCCESS;
  TW_USERINTERFACE m_ui{};
  TW_PENDINGXFERS m_pending{};
  TW_UINT16 m_mechanism = TWSX_NATIVE;
  CTwainWindow* m_window = nullptr;
  CRasterImage* m_target = nullptr;
  int m_quirk = 0;
  bool m_ownerDisabled = false;
  TW_HANDLE m_parentHandle = nullptr;  // what MSG_OPENDSM was given
};

}  // namespace qzn
