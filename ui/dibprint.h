// Printing a DIB on the default printer: one page, the picture placed by the
// print option (PlaceDibOnPage) inside the page set-up's margins
// (ui/pagesetup.h), with a modeless cancel dialog whose Cancel stops the job
// before the document ends. Printing and capturing a window or a screen
// rectangle first capture it (ui/capture.h).
//
// A job writes a PostScript page through the toolkit's PostScript device
// context into a temporary file. Printing to a file puts that file (turned
// into PDF for a name ending in .pdf) in place of the target only when the
// document ended; printing to a printer hands it to the system's print
// command (lpr) and removes it. A cancelled or failed
// job leaves nothing behind and sends nothing.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <wx/cmndata.h>
#include <wx/dc.h>
#include <wx/dialog.h>
#include <wx/stattext.h>
#include <wx/window.h>

#include "platform/wintypes.h"
#include "raster/dib.h"

namespace qzn {

class CAtomicFile;

// The print settings every job uses: the document manager's page set-up
// data once there is a manager (so the framework's printer set-up edits
// them), the program's own before. A print data in file mode with a file
// name prints to that file; otherwise jobs go to the printer it names, or
// to the system's default printer.
wxPrintData& DefaultPrintData();

// An open printer.
class CPrinterDc {
 public:
  ~CPrinterDc();
  CPrinterDc(const CPrinterDc&) = delete;
  CPrinterDc& operator=(const CPrinterDc&) = delete;

  wxDC& Dc() { return *m_dc; }
  // The printer's name and where its output goes (the file, or the print
  // command), as the cancel dialog shows them.
  const std::string& Name() const { return m_name; }
  const std::string& Port() const { return m_port; }
  bool ToFile() const { return m_toFile; }
  // Device pixels to draw higher than the page's origin for it to be the
  // paper's top edge (the toolkit's page is a little shorter than A4).
  int TopShift() const { return m_topShift; }
  // Once the document has ended: puts the file in place or sends it to the
  // printer. False when the page description is incomplete (the disk was
  // full) or cannot be delivered. Without it the output is discarded.
  bool Deliver();

 private:
  friend std::unique_ptr<CPrinterDc> OpenDefaultPrinterDc();
  CPrinterDc() = default;
  std::unique_ptr<wxDC> m_dc;
  std::string m_name, m_port;
  bool m_toFile = false;
  std::string m_target;                 // the file printed to
  std::string m_temp;                   // the page description being written
  std::unique_ptr<CAtomicFile> m_file;  // printing to a file: the temporary beside it
  bool m_delivered = false;
  int m_topShift = 0;
  bool m_pdf = false;  // printing to a file named .pdf
  // The page description is a temporary file of its own (not the atomic
  // file's), removed once the job is over.
  bool OwnTemp() const { return !m_temp.empty() && (!m_toFile || m_pdf); }
};

// The default printer (DefaultPrintData), or none: a file mode without a
// file name, or no printer named and no system default printer or print
// command to reach one.
std::unique_ptr<CPrinterDc> OpenDefaultPrinterDc();

// The modeless dialog shown while a job runs: the document (401), the
// printer (402), what is being done (403) and Cancel. Cancel, Esc or
// closing it asks the job to stop; the job ends it.
class CPrintCancelDialog : public wxDialog {
 public:
  enum : int { kDocumentText = 401, kPrinterText = 402, kStateText = 403 };
  CPrintCancelDialog(wxWindow* owner, const std::string& title, const std::string& printer, const std::string& port);
  void ShowSending();
  bool CancelRequested() const { return m_cancelled; }
  wxString Text(int id) const;

 private:
  void OnCancel(wxCommandEvent& e);
  void OnClose(wxCloseEvent& e);
  bool m_cancelled = false;
};

// The document text of the dialog: kPrintingFormat with the title cut to 31
// characters (never inside a character).
std::string PrintingText(const std::string& title);

// Prints the DIB on one page of the default printer under the title. 0 when
// printed or cancelled by the user; otherwise the DIB error code: 20 no DIB,
// 21 a block that is not a readable DIB, 6 no printer, 9 the picture cannot
// be drawn (nothing to place, e.g. option 3 with a factor below 1, or
// margins that leave nothing of the paper), 11 the document cannot be
// started (the output cannot be written), 17 it cannot be finished or
// delivered. Nothing is printed on any failure.
int PrintDibPage(const CDib* dib, int option, int xFactor, int yFactor, const std::string& title);
// Captures the window (CaptureWindowDib) and prints it: 20 without a window,
// 21 when the capture fails, else as PrintDibPage.
int PrintWindowImage(wxWindow* window, int kind, int option, int xFactor, int yFactor, const std::string& title);
// Reads the screen rectangle (CaptureRectDib) and prints it: 6 when the
// screen cannot be read, 21 when the capture fails, else as PrintDibPage.
int PrintScreenImage(const RECT& screenRect, int option, int xFactor, int yFactor, const std::string& title);

// How the last job went, for those who look after it (tests, the log).
struct CPrintJobRecord {
  bool documentStarted = false, pageStarted = false, documentEnded = false, cancelled = false;
  int pageWidth = 0, pageHeight = 0, ppiX = 0, ppiY = 0;  // the paper in device pixels
  RECT printable{};                                       // the paper less the page set-up's margins
  DibPagePlacement placement{};
  std::string output;  // the file written, or the printer
  int code = 0;
};
const CPrintJobRecord& LastPrintJob();

// Stages of a job at which the cancel dialog is live (the job lets the
// dialog handle its events there).
enum class PrintStage { kDialogShown, kPageStarted, kPageDrawn };
// Called at each stage with the dialog (tests press Cancel or photograph
// it); empty for none.
void SetPrintStageObserver(std::function<void(CPrintCancelDialog&, PrintStage)> observer);

}  // namespace qzn
