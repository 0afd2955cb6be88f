#include "ui/wxhost.h"

#include <filesystem>

#include <wx/dcscreen.h>
#include <wx/filedlg.h>
#include <wx/msgdlg.h>  // before the generic dialog, which builds on its base

#include <wx/generic/msgdlgg.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stockitem.h>
#include <wx/utils.h>

#include "resources/strings.h"
#include "ui/mainframe.h"
#include "ui/wxtext.h"
#include "widgets/titlebar.h"

namespace qzn {

namespace text = res::text;

std::string WxWildcard(const std::string& filter) {
  std::string out;
  for (const FileFilter& f : SplitFileFilter(filter)) {
    if (!out.empty()) out += '|';
    out += f.description + '|' + f.patterns;
  }
  return out;
}

namespace {

// The desktop's own message box sizes itself to the message alone, so a
// short question leaves too little title bar for the program's name ("QZ…
// ws"). This one is drawn by the toolkit (with its stock buttons in the
// user's language) and is at least as wide as its title needs.
class CMessageBox : public wxGenericMessageDialog {
 public:
  using wxGenericMessageDialog::wxGenericMessageDialog;

 protected:
  void AddMessageDialogDetails(wxSizer* sizer) override { sizer->Add(TitleBarWidth(GetTitle()), 0); }
};

}  // namespace

int CWxHost::MessageBox(const std::string& text, unsigned style) {
  messages.push_back(text);
  if (scripted) {
    if (answers.empty() || (style & 0xF) == MB_OK) return DefaultAnswer(style);
    const int a = answers.front();
    answers.pop_front();
    return a;
  }
  long wxStyle = 0;
  switch (style & 0xF) {
    case MB_OKCANCEL: wxStyle = wxOK | wxCANCEL; break;
    case MB_YESNO: wxStyle = wxYES_NO; break;
    case MB_YESNOCANCEL: wxStyle = wxYES_NO | wxCANCEL; break;
    default: wxStyle = wxOK; break;
  }
  switch (style & 0xF0) {
    case MB_ICONSTOP: wxStyle |= wxICON_ERROR; break;
    case MB_ICONQUESTION: wxStyle |= wxICON_QUESTION; break;
    case MB_ICONEXCLAMATION: wxStyle |= wxICON_WARNING; break;
    case MB_ICONINFORMATION: wxStyle |= wxICON_INFORMATION; break;
    default: break;
  }
  if ((style & 0xF00) == MB_DEFBUTTON2) wxStyle |= (style & 0xF) == MB_OKCANCEL ? wxCANCEL_DEFAULT : wxNO_DEFAULT;
  CMessageBox dlg(MainFrame(), U8(text), U8(res::LoadString(res::kStrAppTitle)), wxStyle);
  switch (dlg.ShowModal()) {
    case wxID_YES: return IDYES;
    case wxID_NO: return IDNO;
    case wxID_CANCEL: return IDCANCEL;
    default: return IDOK;
  }
}

FileDialogResult CWxHost::AskFiles(const FileDialogRequest& request) {
  fileDialogs.push_back(request);
  FileDialogResult result;
  if (scripted) {
    if (fileAnswers.empty()) return result;
    result.paths = fileAnswers.front();
    fileAnswers.pop_front();
    result.accepted = !result.paths.empty();
    return result;
  }
  long style = request.kind == FileDialogKind::save ? wxFD_SAVE : wxFD_OPEN;
  if (request.flags & OFN_OVERWRITEPROMPT && request.kind == FileDialogKind::save) style |= wxFD_OVERWRITE_PROMPT;
  if (request.flags & OFN_FILEMUSTEXIST && request.kind == FileDialogKind::open) style |= wxFD_FILE_MUST_EXIST;
  if (request.flags & OFN_ALLOWMULTISELECT && request.kind == FileDialogKind::open) style |= wxFD_MULTIPLE;
  const bool pattern = request.fileName.find('*') != std::string::npos;
  std::string dir, name;
  if (!pattern && !request.fileName.empty()) {
    const std::filesystem::path p(request.fileName);
    dir = p.parent_path().string();
    name = p.filename().string();
  }
  // The dialog is the desktop's: its title in the desktop's language too.
  const wxString title =
      wxGetStockLabel(request.kind == FileDialogKind::save ? wxID_SAVEAS : wxID_OPEN, wxSTOCK_WITHOUT_ELLIPSIS);
  wxFileDialog dlg(MainFrame(), title, U8(dir), U8(name), U8(WxWildcard(request.filter)), style);
  // Once its modal loop runs the dialog asks to be the active window: a
  // window manager may otherwise map it under the main window when both come
  // up together (the open dialog at start), leaving a main window that takes
  // no input and a dialog nobody sees.
  dlg.CallAfter([&dlg] { dlg.Raise(); });
  if (dlg.ShowModal() != wxID_OK) return result;
  wxArrayString paths;
  if (style & wxFD_MULTIPLE)
    dlg.GetPaths(paths);
  else
    paths.Add(dlg.GetPath());
  for (const wxString& p : paths) {
    std::string path = FromWx(p);
    // A name typed without an extension gets the default one.
    if (request.kind == FileDialogKind::save && !request.defaultExtension.empty() &&
        !std::filesystem::path(path).has_extension()) {
      std::string ext = request.defaultExtension;
      if (ext.rfind("*.", 0) == 0) ext.erase(0, 2);
      path += "." + ext;
    }
    result.paths.push_back(path);
  }
  result.accepted = !result.paths.empty();
  result.filterIndex = dlg.GetFilterIndex() + 1;
  return result;
}

void CWxHost::BeginWait() {
  if (m_waitDepth++ == 0) wxBeginBusyCursor();
}

void CWxHost::EndWait() {
  if (m_waitDepth == 0) return;  // unbalanced: ignored
  if (--m_waitDepth == 0) wxEndBusyCursor();
}

bool CWxHost::HasProgressBar() const { return MainFrame() != nullptr; }
void CWxHost::ProgressBegin() {
  if (CMainFrame* f = MainFrame()) f->ProgressBegin();
}
void CWxHost::ProgressRange(std::int64_t low, std::int64_t high) {
  if (CMainFrame* f = MainFrame()) f->ProgressRange(low, high);
}
void CWxHost::ProgressPos(std::int64_t pos) {
  if (CMainFrame* f = MainFrame()) f->ProgressPos(pos);
}
void CWxHost::ProgressEnd() {
  if (CMainFrame* f = MainFrame()) f->ProgressEnd();
}

void CWxHost::SetStatusText(const std::string& text) {
  if (CMainFrame* f = MainFrame()) f->SetMessageText(text);
}

void CWxHost::UpdateLayerBar(CQznDoc* doc) {
  if (CMainFrame* f = MainFrame()) f->LayerCombo()->FillLayers(doc);
}

}  // namespace qzn
