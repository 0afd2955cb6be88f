// Scanning on the desktop: the owner window of an acquisition (the main
// frame) with the source-selection dialog and the source's own dialog
// (device, mode, resolution, area; Scan and Cancel).
#pragma once

#include <vector>

#include <wx/dialog.h>
#include <wx/docview.h>

#include "raster/twain.h"

class wxChoice;
class wxListBox;
class wxSpinCtrlDouble;
class wxStaticText;
class wxCommandEvent;

namespace qzn {

struct CDesktop;

// File > "选择扫描仪..." and "扫描图像..." in the main frame's command table,
// enabled while the source manager can be used.
void RegisterScanCommands(CDesktop& desktop);
// File > "扫描图像...": scans into a new workspace titled kScanNewImageTitle (colour
// images get their display palette); nothing is made when the scan brings
// no image. The new workspace's document, or null.
wxDocument* ScanNewImage(CDesktop& desktop);

class CWxTwainWindow : public CTwainWindow {
 public:
  explicit CWxTwainWindow(wxWindow* owner) : m_owner(owner) {}

  void EnableWindow(bool enable) override;
  // Runs the toolkit's loop until it has handled an event (or a tenth of a
  // second has passed); false when the application is quitting.
  bool GetMessage(CTwainMessage* message) override;
  void Wake() override;
  int SelectSource(const std::vector<CTwainSourceEntry>& sources, int current) override;
  int SourceDialog(CScanDialogData& dialog) override;

 private:
  wxWindow* m_owner;
};

// The selection dialog: the scanners by name and description.
class CSelectSourceDialog : public wxDialog {
 public:
  CSelectSourceDialog(wxWindow* parent, const std::vector<CTwainSourceEntry>& sources, int current);
  int Selection() const;
  wxListBox* List() const { return m_list; }

 private:
  wxListBox* m_list = nullptr;
};

// The source's dialog. Read takes the user's settings into the data; it is
// false (and the data unchanged) while the area is empty.
class CScanSourceDialog : public wxDialog {
 public:
  CScanSourceDialog(wxWindow* parent, const CScanDialogData& data);
  bool Read(CScanDialogData& data) const;

  wxString DeviceText() const;
  wxChoice* ModeChoice() const { return m_mode; }
  wxChoice* ResolutionChoice() const { return m_resolutionList; }
  wxSpinCtrlDouble* ResolutionSpin() const { return m_resolutionSpin; }
  wxSpinCtrlDouble* AreaSpin(int i) const { return m_area[i]; }

 private:
  void OnScan(wxCommandEvent& event);

  std::vector<double> m_resolutions;
  wxStaticText* m_device = nullptr;
  wxChoice* m_mode = nullptr;
  wxChoice* m_resolutionList = nullptr;
  wxSpinCtrlDouble* m_resolutionSpin = nullptr;
  wxSpinCtrlDouble* m_area[4] = {nullptr, nullptr, nullptr, nullptr};
};

}  // namespace qzn
