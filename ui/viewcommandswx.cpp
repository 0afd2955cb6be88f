#include "ui/viewcommandswx.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include <wx/app.h>
#include <wx/clipbrd.h>
#include <wx/colordlg.h>
#include <wx/dcgraph.h>
#include <wx/dcmemory.h>
#include <wx/dcprint.h>
#include <wx/filefn.h>
#include <wx/fontdlg.h>
#include <wx/print.h>
#include <wx/printdlg.h>
#include <wx/settings.h>
#include <wx/utils.h>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "resources/messages_window.h"
#include "ui/app.h"
#include "ui/commands.h"
#include "ui/core/displaybitmap.h"
#include "ui/core/qznview.h"
#include "ui/core/viewdialogs.h"
#include "ui/dialogs.h"
#include "ui/docview.h"
#include "ui/mainframe.h"
#include "ui/pagesetup.h"
#include "ui/wxcanvas.h"
#include "ui/wxresources.h"
#include "ui/wxtext.h"

namespace qzn {

namespace {

wxWindow* Parent() { return wxTheApp ? wxTheApp->GetTopWindow() : nullptr; }

wxImage ToImage(const RgbBitmap& b) {
  wxImage image(b.width, b.height, false);
  if (image.IsOk() && !b.empty()) std::memcpy(image.GetData(), b.rgb.data(), b.rgb.size());
  return image;
}

wxPrintDialogData& PrintData() {
  static wxPrintDialogData data;
  return data;
}

// The height of the title's line on paper, in points: a 13-point heading.
constexpr double kTitlePoints = 16.0;

// The units the page is drawn in, per inch of paper, whatever the device.
constexpr double kPageUnitsPerInch = 600.0;

// A page of the printer (or of the preview) in its device units.
class CWxPrintPage : public IPrintPage {
 public:
  CWxPrintPage(wxDC& dc, int thinnestPen) : m_dc(dc), m_canvas(dc) { m_canvas.SetThinnestPen(thinnestPen); }
  CCanvas& Canvas() override { return m_canvas; }
  void StretchPicture(const RgbBitmap& picture, SIZE source, const RECT& dest) override {
    const int sw = std::min<int>(source.cx, picture.width), sh = std::min<int>(source.cy, picture.height);
    const int dw = dest.right - dest.left, dh = dest.bottom - dest.top;
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
    wxImage image = ToImage(picture);
    if (!image.IsOk()) return;
    if (sw != picture.width || sh != picture.height) image = image.GetSubImage(wxRect(0, 0, sw, sh));
    // The printer scales the screen's pixels: the bitmap goes at its own
    // size under a user scale rather than being enlarged in memory first.
    // It spans dest's device pixels and one more on each side, so it covers
    // the frame drawn along dest's edge under it whole, the frame's pen (a
    // device pixel) included: placed in the enlarged units it landed up to
    // one of the screen's pixels short and left the frame showing on one
    // side.
    const int left = m_dc.LogicalToDeviceX(dest.left) - 1, top = m_dc.LogicalToDeviceY(dest.top) - 1;
    const int right = m_dc.LogicalToDeviceX(dest.right) + 1, bottom = m_dc.LogicalToDeviceY(dest.bottom) + 1;
    double ox = 1, oy = 1;
    m_dc.GetUserScale(&ox, &oy);
    // The device's pixels per logical unit besides the user scale.
    constexpr wxCoord kProbe = 1 << 16;
    const double otherX = m_dc.LogicalToDeviceXRel(kProbe) / (ox * kProbe);
    const double otherY = m_dc.LogicalToDeviceYRel(kProbe) / (oy * kProbe);
    const wxPoint origin = m_dc.GetDeviceOrigin(), logicalOrigin = m_dc.GetLogicalOrigin();
    m_dc.SetLogicalOrigin(0, 0);
    m_dc.SetDeviceOrigin(left, top);
    m_dc.SetUserScale(static_cast<double>(right - left) / (sw * otherX),
                      static_cast<double>(bottom - top) / (sh * otherY));
    m_dc.DrawBitmap(wxBitmap(image), 0, 0, false);
    m_dc.SetUserScale(ox, oy);
    m_dc.SetDeviceOrigin(origin.x, origin.y);
    m_dc.SetLogicalOrigin(logicalOrigin.x, logicalOrigin.y);
  }
  void ClipTo(const RECT& r) override {
    m_dc.DestroyClippingRegion();
    if (r.right > r.left && r.bottom > r.top) m_dc.SetClippingRegion(r.left, r.top, r.right - r.left, r.bottom - r.top);
  }

 private:
  wxDC& m_dc;
  CWxCanvas m_canvas;
};

CWxDocument* DocumentOf(CQznView& view) {
  CDesktop* d = Desktop();
  if (!d || !d->manager) return nullptr;
  for (wxDocument* doc : d->manager->GetDocumentsVector())
    if (auto* w = dynamic_cast<CWxDocument*>(doc); w && &w->Doc() == view.Document()) return w;
  return nullptr;
}

wxString TitleOf(CQznView& view) {
  if (CWxDocument* doc = DocumentOf(view)) return doc->GetUserReadableName();
  return view.Document() ? wxFileNameFromPath(U8(view.Document()->GetPathName())) : wxString();
}

class CWxViewServices : public IViewServices {
 public:
  bool RenderView(CQznView& view, RgbBitmap& out) override {
    const int w = std::max<int>(view.clientSize.cx, 1), h = std::max<int>(view.clientSize.cy, 1);
    wxImage image(w, h, true);
    if (!image.IsOk()) return false;
    image.SetRGB(wxRect(0, 0, w, h), 255, 255, 255);
    const RgbBitmap& disp = view.DisplayBitmap();
    if (view.flags.image && !disp.empty()) image.Paste(ToImage(disp), 0, 0);
    wxBitmap bitmap(image);
    {
      wxMemoryDC dc(bitmap);
      CWxCanvas canvas(dc);
      view.DrawOverlays(canvas, RECT{0, 0, w, h});
    }
    const wxImage drawn = bitmap.ConvertToImage();
    out.width = w;
    out.height = h;
    out.rgb.assign(drawn.GetData(), drawn.GetData() + static_cast<std::size_t>(w) * h * 3);
    return true;
  }

  bool CopyToClipboard(const RgbBitmap& picture) override {
    wxClipboardLocker lock;
    if (!lock) return false;
    wxTheClipboard->Clear();
    return wxTheClipboard->SetData(new wxBitmapDataObject(wxBitmap(ToImage(picture))));
  }

  bool ChooseColor(COLORREF initial, COLORREF& chosen) override {
    wxColourData data;
    data.SetColour(ToWx(initial));
    wxColourDialog dialog(Parent(), &data);
    if (dialog.ShowModal() != wxID_OK) return false;
    const wxColour c = dialog.GetColourData().GetColour();
    chosen = RGB(c.Red(), c.Green(), c.Blue());
    return true;
  }

  bool ChooseFont(LOGFONT& font, COLORREF& colour, bool hasFont) override {
    wxFontData data;
    data.EnableEffects(true);
    if (hasFont) data.SetInitialFont(ToWxFont(font));
    data.SetColour(ToWx(colour));
    wxFontDialog dialog(Parent(), data);
    if (dialog.ShowModal() != wxID_OK) return false;
    const wxFontData& got = dialog.GetFontData();
    font = ToLogFont(got.GetChosenFont(), font);
    const wxColour c = got.GetColour();
    if (c.IsOk()) colour = RGB(c.Red(), c.Green(), c.Blue());
    return true;
  }

  LOGFONT WindowFont() override { return ToLogFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT), LOGFONT{}); }

  bool OpenInEditor(const std::string& path) override {
    // An argument list, no shell: the path reaches the opener as it is. An
    // asynchronous start succeeds before the child looks for its program, so
    // a desktop without the opener is found here and told to the caller.
    wxPathList searchPath;
    searchPath.AddEnvList("PATH");
    const wxString opener = searchPath.FindAbsoluteValidPath("xdg-open"), file = U8(path);
    if (opener.empty()) return false;
    const wchar_t* argv[] = {opener.wc_str(), file.wc_str(), nullptr};
    return wxExecute(argv, wxEXEC_ASYNC) > 0;
  }

  void Print(CQznView& view) override {
    wxPrinter printer(&PrintData());
    CViewPrintout printout(view, TitleOf(view));
    if (!printer.Print(Parent(), &printout, true) && wxPrinter::GetLastError() == wxPRINTER_ERROR)
      AfxMessageBox(res::text::kPrintFailed, MB_OK | MB_ICONSTOP);
    else
      PrintData() = printer.GetPrintDialogData();
  }

  void PrintPreview(CQznView& view) override {
    auto* preview = new wxPrintPreview(new CViewPrintout(view, TitleOf(view)), new CViewPrintout(view, TitleOf(view)),
                                       &PrintData());
    if (!preview->IsOk()) {
      delete preview;
      AfxMessageBox(res::text::kPrintFailed, MB_OK | MB_ICONSTOP);
      return;
    }
    auto* frame = new wxPreviewFrame(preview, Parent(), U8(res::text::kPrintPreviewTitle));
    frame->InitializeWithModality(wxPreviewFrame_AppModal);
    frame->Show();
  }

  void PrintSetup() override {
    PageSetupData().SetPrintData(PrintData().GetPrintData());
    wxPageSetupDialog dialog(Parent(), &PageSetupData());
    if (dialog.ShowModal() != wxID_OK) return;
    PageSetupData() = dialog.GetPageSetupData();
    PrintData().SetPrintData(PageSetupData().GetPrintData());
  }

  void PrintWindow(CQznView& view) override { Print(view); }

  void DocumentRenamed(CQznView& view) override {
    CWxDocument* doc = DocumentOf(view);
    if (!doc || !view.Document()) return;
    doc->SetFilename(U8(view.Document()->GetPathName()), true);
    doc->SetTitle(wxFileNameFromPath(doc->GetFilename()));
    doc->UpdateAllViews();
  }
};

// ---- the crop and workspace dialogs ---------------------------------------------

wxSizer* RectFields(wxWindow* d, const char* left, const char* top, const char* right, const char* bottom) {
  auto* grid = new wxFlexGridSizer(2, 4, 4, 4);
  grid->Add(MakeLabel(d, left), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, kRectLeftId));
  grid->Add(MakeLabel(d, top), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, kRectTopId));
  grid->Add(MakeLabel(d, right), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, kRectRightId));
  grid->Add(MakeLabel(d, bottom), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(MakeEdit(d, kRectBottomId));
  return grid;
}

CModelDialog* MakeCropAreaDialog(wxWindow* parent, CCropAreaDlg& model) {
  namespace t = res::text;
  auto* d = new CModelDialog(parent, model, U8(t::kCropAreaTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  body->Add(MakeLabel(d, t::kCropAreaPrompt), 0, wxALL, 6);
  body->Add(RectFields(d, t::kCropLeft, t::kCropTop, t::kCropRight, t::kCropBottom), 0, wxALL, 6);
  return FinishDialog(d, body);
}

CModelDialog* MakeWorkspaceDialog(wxWindow* parent, CWorkspaceDlg& model) {
  namespace t = res::text;
  auto* d = new CModelDialog(parent, model, U8(t::kWorkspaceTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  body->Add(MakeLabel(d, t::kWorkspacePrompt), 0, wxALL, 6);
  body->Add(RectFields(d, t::kWorkspaceLeft, t::kWorkspaceTop, t::kWorkspaceRight, t::kWorkspaceBottom), 0, wxALL, 6);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(body, 0, wxALL, 2);
  top->Add(MakeButtonRow(d, {{wxID_OK, t::kButtonOk},
                             {wxID_CANCEL, t::kButtonCancel},
                             {CWorkspaceDlg::kDefault, t::kWorkspaceDefault}}),
           0, wxEXPAND | wxALL, 4);
  d->SetSizer(top);
  d->Finish();
  return d;
}

std::function<bool()> Check(bool (*f)(const CQznView&), CQznView& v) {
  if (!f) return {};
  return [f, &v] { return f(v); };
}

}  // namespace

wxFont ToWxFont(const LOGFONT& f) {
  const int height = f.lfHeight == INT32_MIN ? INT32_MAX : std::abs(f.lfHeight);
  // The record counts pixels at 96 to the inch; the toolkit's fonts count
  // points, in fractions, so a size comes back to the same pixels.
  wxFontInfo info = height > 0 ? wxFontInfo(std::min(height, 10000) * 72.0 / 96.0) : wxFontInfo();
  if (f.lfWeight > 0) info.Weight(std::clamp<int>(f.lfWeight, 1, 1000));
  info.Italic(f.lfItalic != 0).Underlined(f.lfUnderline != 0).Strikethrough(f.lfStrikeOut != 0);
  const std::string face = GbkToUtf8(std::string(f.lfFaceName, strnlen(f.lfFaceName, sizeof f.lfFaceName)));
  if (!face.empty()) info.FaceName(U8(face));
  return wxFont(info);
}

LOGFONT ToLogFont(const wxFont& font, const LOGFONT& base) {
  LOGFONT f = base;
  if (!font.IsOk()) return f;
  f.lfHeight = -std::max(1, static_cast<int>(std::lround(font.GetFractionalPointSize() * 96.0 / 72.0)));
  f.lfWidth = 0;
  f.lfWeight = font.GetNumericWeight();
  f.lfItalic = font.GetStyle() != wxFONTSTYLE_NORMAL;
  f.lfUnderline = font.GetUnderlined();
  f.lfStrikeOut = font.GetStrikethrough();
  // The face in code page 936, cut to whole characters within 31 bytes.
  std::string face = Utf8ToGbk(FromWx(font.GetFaceName()));
  if (face.size() > sizeof f.lfFaceName - 1) {
    std::size_t n = 0;
    while (n < face.size()) {
      const std::size_t step = static_cast<unsigned char>(face[n]) >= 0x80 ? 2 : 1;
      if (n + step > sizeof f.lfFaceName - 1) break;
      n += step;
    }
    face.resize(n);
  }
  std::memset(f.lfFaceName, 0, sizeof f.lfFaceName);
  std::memcpy(f.lfFaceName, face.data(), face.size());
  return f;
}

CViewPrintout::CViewPrintout(CQznView& view, const wxString& title) : wxPrintout(title), m_view(view) {}

namespace {

// A font whose lines are kTitlePoints high on paper, whatever the device's
// resolution: the toolkit sizes fonts for the screen, which on a printer
// gives text a few points high. The page's units are kPageUnitsPerInch.
wxFont TitleFont(wxDC& dc) {
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.SetFractionalPointSize(kTitlePoints);
  constexpr double kUnitsPerPoint = kPageUnitsPerInch / 72.0;
  dc.SetFont(font);
  const int measured = dc.GetCharHeight();
  if (measured > 0) font.SetFractionalPointSize(kTitlePoints * kTitlePoints * kUnitsPerPoint / measured);
  return font;
}

// The user scale that makes the page's units kPageUnitsPerInch on the
// printout's device: the printer's pixels when printing, the preview's
// bitmap when previewing (the printout knows the paper in the printer's
// pixels either way).
wxRealPoint PageScale(const wxPrintout& printout, const wxDC& dc) {
  int pageW = 0, pageH = 0, ppiX = 0, ppiY = 0;
  printout.GetPageSizePixels(&pageW, &pageH);
  printout.GetPPIPrinter(&ppiX, &ppiY);
  const wxSize device = dc.GetSize();
  if (pageW <= 0 || pageH <= 0 || ppiX <= 0 || ppiY <= 0 || device.x <= 0 || device.y <= 0) return wxRealPoint(1, 1);
  return wxRealPoint(static_cast<double>(device.x) * ppiX / (pageW * kPageUnitsPerInch),
                     static_cast<double>(device.y) * ppiY / (pageH * kPageUnitsPerInch));
}

}  // namespace

bool CViewPrintout::OnPrintPage(int page) {
  wxDC* dc = GetDC();
  if (page != 1 || !dc) return false;
  // The page is drawn in units of 1/600 inch on every device. It draws some
  // things in its own units (a pen's width, the mark at a line's start); in
  // the device's pixels they came out a different size in the preview (its
  // pixels are the screen's, some 70 an inch at 70 %) than on paper (300 or
  // 600 an inch), so the preview showed what the page did not.
  const wxRealPoint scale = PageScale(*this, *dc);
  dc->SetUserScale(scale.x, scale.y);
  const wxRect area = PrintableArea(*this);
  // The desktop's printer context puts every text at the paper's corner,
  // wherever it is asked for; drawn through the toolkit's vector graphics on
  // the same page, texts land where they belong. Those graphics start from
  // the printer's scale as it stands: they are made at 1 and given the
  // page's scale themselves.
  std::unique_ptr<wxGCDC> vector;
  if (auto* printer = dynamic_cast<wxPrinterDC*>(dc)) {
    printer->SetUserScale(1, 1);
    vector = std::make_unique<wxGCDC>(*printer);
    if (vector->IsOk()) dc = vector.get();
    dc->SetUserScale(scale.x, scale.y);
  }
  dc->SetFont(TitleFont(*dc));
  dc->SetTextForeground(*wxBLACK);
  // A pen is at least one pixel of the device wide, as a printer draws one.
  CWxPrintPage printed(*dc, static_cast<int>(std::ceil(1.0 / std::min(scale.x, scale.y))));
  PrintViewPage(m_view, printed, RECT{area.x, area.y, area.x + area.width, area.y + area.height}, FromWx(GetTitle()));
  return true;
}

void CViewPrintout::GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) {
  *minPage = *maxPage = *pageFrom = *pageTo = 1;
}

void RegisterViewCommandTable() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  static CWxViewServices services;
  SetViewServices(&services);
  RegisterDialogWindow(&MakeCropAreaDialog);
  RegisterDialogWindow(&MakeWorkspaceDialog);
  // The window's own switches carry check marks too.
  std::vector<int> marked{cmd::kViewOverview, cmd::kViewToolBar, cmd::kViewViewBar};
  for (const ViewCommand& c : ViewCommands())
    if (c.checked) marked.push_back(c.id);
  MarkCheckCommands(marked);
  AddViewCommandRegistrar([](CCommandTable& t, CQznView& v) {
    for (const ViewCommand& c : ViewCommands()) {
      // A part of the window that owns a command (the edit tools, the
      // captures, the 3D view) registers it itself; its handler stays.
      if (t.Find(c.id)) continue;
      const ViewCommand* command = &c;
      t.Add(
          c.id, [command, &v] { RunViewCommand(v, command->id); }, Check(c.enabled, v), Check(c.checked, v));
    }
  });
}

}  // namespace qzn
