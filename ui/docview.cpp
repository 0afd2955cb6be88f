#include "ui/docview.h"

#include <wx/mdi.h>
#include <wx/sizer.h>

#include "platform/host.h"
#include "resources/commands.h"
#include "resources/messages_window.h"
#include "resources/strings.h"
#include "ui/frame3d.h"
#include "ui/imagewindow.h"
#include "ui/keyswindow.h"
#include "ui/mainframe.h"
#include "ui/wxtext.h"

namespace qzn {

namespace text = res::text;

wxIMPLEMENT_DYNAMIC_CLASS(CWxDocument, wxDocument);
wxIMPLEMENT_DYNAMIC_CLASS(CWxView, wxView);

CWxDocument::CWxDocument() : m_doc(std::make_unique<CQznDoc>()) {}
CWxDocument::~CWxDocument() { Forget3DDrapeSource(m_doc.get()); }

bool CWxDocument::OnNewDocument() {
  if (!wxDocument::OnNewDocument()) return false;
  if (!m_doc->OnNewDocument()) return false;
  UpdateAllViews();
  return true;
}

bool CWxDocument::OnOpenDocument(const wxString& path) {
  // The document reads into temporaries and keeps what it had on failure;
  // it reports its own failures through the host.
  if (!m_doc->OnOpenDocument(FromWx(path))) return false;
  SetFilename(path, true);
  Modify(false);
  UpdateAllViews();
  return true;
}

bool CWxDocument::OnSaveModified() {
  // Once the user has let the workspace go (saved, or answered No), the
  // same close does not ask again; a cancelled question asks next time.
  if (m_closeAnswered) return true;
  if (!m_doc->SaveModified()) {
    HoldForThisClose(m_closeRefused);
    return false;
  }
  HoldForThisClose(m_closeAnswered);
  return true;
}

void CWxDocument::Modify(bool modified) {
  wxDocument::Modify(modified);
  if (!modified && m_closeRefused) HoldForThisClose(m_closeAnswered);
}

void CWxDocument::HoldForThisClose(bool& flag) {
  flag = true;
  // Queued on the document itself: a document deleted by the close takes
  // the call with it.
  CallAfter([&flag] { flag = false; });
}

// What the close question asks about, and so what the tab's `*` shows: the
// data and settings saved with the project, and the image.
bool CWxDocument::IsModified() const { return m_doc->IsDataModified() || m_doc->m_nImageModified != 0; }

void CWxDocument::ShowModifiedMark() {
  const bool modified = IsModified();
  if (modified == m_markShown) return;
  m_markShown = modified;
  if (wxView* v = GetFirstView()) v->OnChangeFilename();
}

bool CWxDocument::DeleteContents() {
  m_doc->DeleteContents();
  return true;
}

bool CWxView::OnCreate(wxDocument* doc, long) {
  CMainFrame* parent = MainFrame();
  if (!parent) return false;
  // The tab hands the keys to its image and takes no text itself.
  auto* frame = new CKeysWindow<wxDocMDIChildFrame>(doc, this, parent, wxID_ANY, doc->GetUserReadableName());
  SetFrame(frame);
  m_window = new CImageWindow(frame, &static_cast<CWxDocument*>(doc)->Doc());
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(m_window, 1, wxEXPAND);
  frame->SetSizer(sizer);
  // The File menu's close command closes this tab's workspace, asking first about unsaved work.
  m_window->Commands().Add(cmd::kFileClose, [doc] {
    if (wxDocManager* m = doc->GetDocumentManager()) m->CloseDocument(doc);
  });
  // The tab itself takes the focus when it is shown; it belongs to the image.
  frame->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
    if (m_window)
      m_window->SetFocus();
    else
      e.Skip();
  });
  frame->Show(true);
  // The tab fills the client area: the view starts at the size it has.
  frame->Layout();
  return true;
}

void CWxView::OnActivateView(bool activate, wxView*, wxView*) {
  if (!activate || !m_window) return;
  if (CMainFrame* f = MainFrame()) f->OnTabShown(m_window);
  Host().UpdateLayerBar(m_window->View().Document());
  // A tab shown is a tab to work in: the keys go to its image, once the tab
  // is the notebook's current page. The activation comes from inside the
  // notebook's page switch, and while a page is not yet its current one the
  // notebook answers a focus entering it by switching to that page and
  // focusing the page itself, in the middle of the image's focus change:
  // the window then keeps the image as its focus with the links from the
  // page down to the image cut, so closing the tab leaves the window a
  // focus that no longer exists, which the next focus change or key reads.
  m_window->CallAfter([w = m_window] { w->SetFocus(); });
}

void CWxView::OnUpdate(wxView*, wxObject*) {
  if (!m_window) return;
  if (!m_initialised) {
    m_initialised = true;
    m_window->View().OnInitialUpdate();
    m_window->ShowOverview(true);
    if (CMainFrame* f = MainFrame()) f->ShowOnlyOverviewOf(m_window);
    Host().UpdateLayerBar(m_window->View().Document());
    m_window->SetFocus();
    return;
  }
  m_window->View().OnViewFullView();
}

wxString CQznDocManager::MakeNewDocumentName() {
  static int count = 0;
  return wxString::Format("Qzn%d", ++count);
}

void CWxView::OnClosingDocument() {
  if (m_window) m_window->View().SettleTools();
}

bool CWxView::OnClose(bool deleteWindow) {
  if (!wxView::OnClose(deleteWindow)) return false;
  Activate(false);
  if (deleteWindow) {
    wxWindow* frame = GetFrame();
    SetFrame(nullptr);
    m_window = nullptr;
    if (frame) frame->Destroy();
  }
  return true;
}

wxDocTemplate* RegisterWorkspaceTemplate(wxDocManager* manager) {
  // Every file goes to the workspace: the document finds an image's type by
  // its first bytes and reports what it cannot read itself.
  return new wxDocTemplate(manager, U8(text::kDocumentTypeName), "*.*", "", "tif", "QznDoc", "QznView",
                           CLASSINFO(CWxDocument), CLASSINFO(CWxView));
}

}  // namespace qzn
