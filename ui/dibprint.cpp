#include "ui/dibprint.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dcps.h>
#include <wx/docview.h>
#include <wx/filename.h>
#include <wx/paper.h>
#include <wx/print.h>
#include <wx/sizer.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#include "platform/atomicfile.h"
#include "platform/textfile.h"
#include "resources/messages_print.h"
#include "resources/messages_widgets.h"
#include "ui/capture.h"
#include "ui/pagesetup.h"
#include "ui/wxtext.h"
#include "widgets/titlebar.h"

namespace qzn {

namespace {

// The print command a job to a printer goes through, and the query of the
// system's default printer.
constexpr const char kPrintCommand[] = "lpr";
constexpr const char kPrinterQuery[] = "lpstat";
// The name shown for a job to a file: what the file holds.
constexpr const char kFilePrinterName[] = "PostScript";
constexpr const char kPdfPrinterName[] = "PDF";
// Turns the page description into PDF for a file named .pdf.
constexpr const char kPdfMaker[] = "gs";

bool IsPdfName(const std::string& path) { return Upper(std::filesystem::path(path).extension().string()) == ".PDF"; }

CPrintJobRecord g_lastJob;
std::function<void(CPrintCancelDialog&, PrintStage)> g_observer;
bool g_printing = false;  // one job at a time

bool OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string_view rest(path);
  while (true) {
    const std::size_t colon = rest.find(':');
    const std::string dir(rest.substr(0, colon));
    std::error_code ec;
    const std::filesystem::path candidate = std::filesystem::path(dir.empty() ? "." : dir) / program;
    if (std::filesystem::is_regular_file(candidate, ec) && ::access(candidate.c_str(), X_OK) == 0) return true;
    if (colon == std::string_view::npos) return false;
    rest.remove_prefix(colon + 1);
  }
}

// The system's default printer as the print system reports it ("system
// default destination: NAME"); empty when there is none or no print system.
std::string SystemDefaultPrinter() {
  if (!OnPath(kPrinterQuery)) return {};
  wxArrayString output, errors;
  wxExecuteEnv env;
  wxGetEnvMap(&env.env);
  env.env["LC_ALL"] = "C";  // the answer's wording is parsed
  // The command line form collects the output; it splits the words itself
  // (no shell is involved).
  if (wxExecute(wxString(kPrinterQuery) + " -d", output, errors, wxEXEC_SYNC | wxEXEC_NOEVENTS, &env) != 0) return {};
  for (const wxString& line : output) {
    const int colon = line.Find(':');
    if (line.StartsWith("system default destination") && colon != wxNOT_FOUND)
      return FromWx(line.Mid(static_cast<size_t>(colon) + 1).Trim(true).Trim(false));
  }
  return {};
}

// The end of a PostScript page is the last thing written: a file without it
// lost its end (a full disk).
bool PageDescriptionComplete(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  char tail[512];
  std::size_t n = 0;
  if (std::fseek(f, -static_cast<long>(sizeof tail), SEEK_END) != 0) std::rewind(f);
  n = std::fread(tail, 1, sizeof tail, f);
  std::fclose(f);
  return std::string_view(tail, n).find("showpage") != std::string_view::npos;
}

// The window that has the focus owns the dialog, unless it is on its way
// out (the dialog of the job before, destroyed once the program is idle):
// the dialog would go with it.
wxWindow* DialogOwner() {
  wxWindow* focus = wxWindow::FindFocus();
  wxWindow* owner = focus ? wxGetTopLevelParent(focus) : nullptr;
  if (owner && (dynamic_cast<CPrintCancelDialog*>(owner) || wxTheApp->IsScheduledForDestruction(owner) ||
                owner->IsBeingDeleted()))
    owner = nullptr;
  return owner ? owner : (wxTheApp ? wxTheApp->GetTopWindow() : nullptr);
}

// The picture on the page, where PrintDibPage placed it.
class CDibPrintout : public wxPrintout {
 public:
  CDibPrintout(const CDib& dib, int topShift)
      : wxPrintout(U8(res::text::kPrintDocumentName)), m_dib(dib), m_topShift(topShift) {}

  bool HasPage(int page) override { return page == 1; }
  void GetPageInfo(int* minPage, int* maxPage, int* from, int* to) override { *minPage = *maxPage = *from = *to = 1; }
  void Place(const DibPagePlacement& placement) { m_placement = placement; }
  bool OnPrintPage(int) override {
    wxDC* dc = GetDC();
    if (!dc) return false;
    RECT drawn = m_placement.drawn;
    OffsetRect(drawn, 0, -m_topShift);
    return DrawDib(*dc, drawn, &m_dib, m_placement.source, nullptr) != 0;
  }

 private:
  const CDib& m_dib;
  int m_topShift;
  DibPagePlacement m_placement{};
};

// The toolkit's PostScript page is the paper's height in whole points,
// counted up from the paper's bottom edge: on paper whose height is not a
// whole number of points (A4: 841.89) everything would sit up to a point
// below the paper's top. The picture is drawn that fraction higher (in
// device pixels), so the page's origin is the paper's top-left corner.
int PageTopShift(const wxDC& dc, const wxPrintData& data) {
  const wxPrintPaperType* paper =
      wxThePrintPaperDatabase ? wxThePrintPaperDatabase->FindPaperType(data.GetPaperId()) : nullptr;
  // The paper's size in tenths of a millimetre.
  wxSize tenths = paper ? paper->GetSize() : data.GetPaperSize() * 10;
  if (data.GetOrientation() == wxLANDSCAPE) tenths = wxSize(tenths.y, tenths.x);
  if (tenths.y <= 0) return 0;
  const double points = tenths.y / 10.0 * 72.0 / 25.4;
  const double lost = points - std::floor(points);
  return static_cast<int>(std::lround(lost * dc.GetResolution() / 72.0));
}

}  // namespace

wxPrintData& DefaultPrintData() {
  if (wxDocManager* manager = wxDocManager::GetDocumentManager())
    return manager->GetPageSetupDialogData().GetPrintData();
  static wxPrintData own;
  return own;
}

// ---- the printer ---------------------------------------------------------------------

CPrinterDc::~CPrinterDc() {
  m_dc.reset();  // closes the page description
  // A job to a file that was not delivered: the atomic file removes it.
  if (!m_delivered && OwnTemp()) std::remove(m_temp.c_str());
}

bool CPrinterDc::Deliver() {
  if (m_delivered || m_temp.empty()) return false;
  m_dc.reset();
  bool ok = PageDescriptionComplete(m_temp);
  if (m_toFile) {
    // The page description was written into the atomic file's temporary
    // file by name (or turned into PDF there): committing syncs it and moves
    // it into place.
    if (ok && m_pdf) {
      const std::string output = "-sOutputFile=" + m_file->TempPath();
      const char* const argv[] = {kPdfMaker,           "-q",           "-dSAFER",      "-dBATCH", "-dNOPAUSE",
                                  "-sDEVICE=pdfwrite", output.c_str(), m_temp.c_str(), nullptr};
      ok = wxExecute(argv, wxEXEC_SYNC | wxEXEC_NOEVENTS) == 0;
    }
    ok = ok && m_file->Commit();
    if (!ok) m_file->Abort();
  } else if (ok) {
    const std::string title = res::text::kPrintDocumentName;
    const char* const argv[] = {kPrintCommand, "-P", m_name.c_str(), "-T", title.c_str(), m_temp.c_str(), nullptr};
    ok = wxExecute(argv, wxEXEC_SYNC | wxEXEC_NOEVENTS) == 0;
  }
  if (OwnTemp()) std::remove(m_temp.c_str());
  m_delivered = ok;
  return ok;
}

std::unique_ptr<CPrinterDc> OpenDefaultPrinterDc() {
  const wxPrintData& settings = DefaultPrintData();
  std::unique_ptr<CPrinterDc> printer(new CPrinterDc);
  if (settings.GetPrintMode() == wxPRINT_MODE_FILE) {
    printer->m_target = FromWx(settings.GetFilename());
    if (printer->m_target.empty()) return nullptr;
    printer->m_toFile = true;
    printer->m_name = kFilePrinterName;
    printer->m_port = printer->m_target;
    // The page is written into an atomic file's temporary file beside the
    // target, which takes the target's place only once delivered.
    printer->m_file = std::make_unique<CAtomicFile>();
    if (!printer->m_file->Open(printer->m_target)) return nullptr;
    // A file named .pdf gets PDF, made from the page description by
    // Ghostscript; without it there is no way to write one.
    printer->m_pdf = IsPdfName(printer->m_target);
    if (printer->m_pdf) {
      printer->m_name = kPdfPrinterName;
      if (!OnPath(kPdfMaker)) return nullptr;
      const wxString temp = wxFileName::CreateTempFileName("qzn-print");
      if (temp.empty()) return nullptr;
      printer->m_temp = FromWx(temp);
    } else {
      printer->m_temp = printer->m_file->TempPath();
    }
  } else {
    printer->m_name = FromWx(settings.GetPrinterName());
    if (printer->m_name.empty()) printer->m_name = SystemDefaultPrinter();
    if (printer->m_name.empty() || !OnPath(kPrintCommand)) return nullptr;
    printer->m_port = kPrintCommand;
    const wxString temp = wxFileName::CreateTempFileName("qzn-print");
    if (temp.empty()) return nullptr;
    printer->m_temp = FromWx(temp);
  }
  wxPrintData data(settings);
  data.SetPrintMode(wxPRINT_MODE_FILE);
  data.SetFilename(U8(printer->m_temp));
  printer->m_dc = std::make_unique<wxPostScriptDC>(data);
  if (!printer->m_dc->IsOk()) return nullptr;
  printer->m_topShift = PageTopShift(*printer->m_dc, data);
  return printer;
}

// ---- the cancel dialog --------------------------------------------------------------------

std::string PrintingText(const std::string& title) {
  wxString cut = U8(title);
  if (cut.length() > 31) cut.Truncate(31);
  return FormatC(res::text::kPrintingFormat, FromWx(cut).c_str());
}

CPrintCancelDialog::CPrintCancelDialog(wxWindow* owner, const std::string& title, const std::string& printer,
                                       const std::string& port)
    : wxDialog(owner, wxID_ANY, U8(res::text::kPrintDialogTitle)) {
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  // The document line is shown whole (its title is at most 31
  // characters); a long printer line (a file's path) is shortened in its
  // middle, where the file's name stays readable.
  const int widest = FromDIP(480);
  auto text = [&](int id, const std::string& s, long ellipsize) {
    auto* t = new wxStaticText(this, id, U8(s), wxDefaultPosition, wxDefaultSize,
                               wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE | ellipsize);
    t->SetMinSize(wxSize(std::clamp(t->GetBestSize().x, FromDIP(320), ellipsize ? widest : 4 * widest), -1));
    sizer->Add(t, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, FromDIP(10));
  };
  text(kDocumentText, PrintingText(title), 0);
  text(kPrinterText, FormatC(res::text::kPrinterOnPortFormat, printer.c_str(), port.c_str()), wxST_ELLIPSIZE_MIDDLE);
  text(kStateText, std::string(), 0);
  auto* cancel = new wxButton(this, wxID_CANCEL, U8(res::text::kKeysCancel));
  sizer->Add(cancel, 0, wxALIGN_CENTRE | wxALL, FromDIP(10));
  SetSizerAndFit(sizer);
  FitTitleBar(*this);
  SetEscapeId(wxID_CANCEL);
  Bind(wxEVT_BUTTON, &CPrintCancelDialog::OnCancel, this);
  Bind(wxEVT_CLOSE_WINDOW, &CPrintCancelDialog::OnClose, this);
  if (owner) CentreOnParent();
  cancel->SetFocus();
}

void CPrintCancelDialog::ShowSending() {
  if (wxWindow* t = FindWindow(kStateText)) t->SetLabel(U8(res::text::kSendingBitmap));
}

wxString CPrintCancelDialog::Text(int id) const {
  const wxWindow* t = FindWindow(id);
  return t ? t->GetLabel() : wxString();
}

void CPrintCancelDialog::OnCancel(wxCommandEvent&) {
  m_cancelled = true;
  Hide();
}

void CPrintCancelDialog::OnClose(wxCloseEvent&) {
  m_cancelled = true;
  Hide();
}

// ---- printing ---------------------------------------------------------------------------

const CPrintJobRecord& LastPrintJob() { return g_lastJob; }

void SetPrintStageObserver(std::function<void(CPrintCancelDialog&, PrintStage)> observer) {
  g_observer = std::move(observer);
}

int PrintDibPage(const CDib* dib, int option, int xFactor, int yFactor, const std::string& title) {
  g_lastJob = CPrintJobRecord();
  auto done = [](int code) {
    g_lastJob.code = code;
    return code;
  };
  if (!dib) return done(20);
  DibLayout layout;
  if (!GetDibLayout(*dib, layout) || g_printing) return done(21);
  std::unique_ptr<CPrinterDc> printer = OpenDefaultPrinterDc();
  if (!printer) return done(6);
  wxDC& dc = printer->Dc();
  const wxSize page = dc.GetSize(), ppi = dc.GetPPI();
  g_lastJob.pageWidth = page.x, g_lastJob.pageHeight = page.y, g_lastJob.ppiX = ppi.x, g_lastJob.ppiY = ppi.y;
  g_lastJob.output = printer->ToFile() ? printer->Port() : printer->Name();

  // The page is the whole paper, its origin at the paper's top-left corner;
  // the picture goes inside the page set-up's margins.
  CDibPrintout printout(*dib, printer->TopShift());
  printout.SetDC(&dc);
  printout.SetPPIPrinter(ppi.x, ppi.y);
  const wxSize screenPpi = wxGetDisplayPPI();
  printout.SetPPIScreen(screenPpi.x, screenPpi.y);
  printout.SetPageSizePixels(page.x, page.y);
  printout.SetPaperRectPixels(wxRect(0, 0, page.x, page.y));
  int mmW = 0, mmH = 0;
  dc.GetSizeMM(&mmW, &mmH);
  printout.SetPageSizeMM(mmW, mmH);
  const wxRect area = PrintableArea(printout);
  g_lastJob.printable =
      RECT{area.GetLeft(), area.GetTop(), area.GetLeft() + area.GetWidth(), area.GetTop() + area.GetHeight()};
  // A picture that cannot be placed (or margins that leave no paper) would
  // print an empty page.
  DibPagePlacement placement;
  if (!PlaceDibOnPage(layout.width, layout.height, option, xFactor, yFactor, g_lastJob.printable, ppi.x, ppi.y,
                      placement))
    return done(9);
  g_lastJob.placement = placement;
  printout.Place(placement);

  g_printing = true;
  struct Busy {
    ~Busy() { g_printing = false; }
  } busy;
  // The dialog is the one window that takes input while the job runs.
  auto* dialog = new CPrintCancelDialog(DialogOwner(), title, printer->Name(), printer->Port());
  struct DestroyLater {
    wxWeakRef<CPrintCancelDialog> d;
    ~DestroyLater() {
      if (d) d->Destroy();
    }
  } destroy{dialog};
  dialog->Show();
  wxWindowDisabler others(dialog);
  auto cancelled = [&](PrintStage stage) {
    if (g_observer) g_observer(*dialog, stage);
    if (wxTheApp) wxTheApp->Yield(true);
    g_lastJob.cancelled = dialog->CancelRequested();
    return g_lastJob.cancelled;
  };
  if (cancelled(PrintStage::kDialogShown)) return done(0);

  printout.OnPreparePrinting();
  printout.OnBeginPrinting();
  struct EndPrinting {
    wxPrintout& p;
    ~EndPrinting() { p.OnEndPrinting(); }
  } endPrinting{printout};

  if (!printout.OnBeginDocument(1, 1)) return done(11);
  g_lastJob.documentStarted = true;
  dc.StartPage();
  g_lastJob.pageStarted = true;
  dialog->ShowSending();
  if (cancelled(PrintStage::kPageStarted)) return done(0);
  if (!printout.OnPrintPage(1)) return done(9);
  if (cancelled(PrintStage::kPageDrawn)) return done(0);
  dc.EndPage();
  printout.OnEndDocument();
  g_lastJob.documentEnded = true;
  return done(printer->Deliver() ? 0 : 17);
}

int PrintWindowImage(wxWindow* window, int kind, int option, int xFactor, int yFactor, const std::string& title) {
  if (!window) return 20;
  std::unique_ptr<CDib, void (*)(HDIB)> dib(CaptureWindowDib(window, kind), FreeDib);
  if (!dib) return 21;
  return PrintDibPage(dib.get(), option, xFactor, yFactor, title);
}

int PrintScreenImage(const RECT& screenRect, int option, int xFactor, int yFactor, const std::string& title) {
  if (!ScreenCanBeRead()) return 6;
  std::unique_ptr<CDib, void (*)(HDIB)> dib(CaptureRectDib(screenRect), FreeDib);
  if (!dib) return 21;
  return PrintDibPage(dib.get(), option, xFactor, yFactor, title);
}

}  // namespace qzn
