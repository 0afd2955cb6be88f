// The workspace document and its image view inside wx's document manager:
// each workspace opens in a tab of the main window (MDI on GTK is tabbed).
#pragma once

#include <memory>

#include <wx/docmdi.h>
#include <wx/docview.h>

#include "app/qzndoc.h"

namespace qzn {

class CImageWindow;

class CWxDocument : public wxDocument {
 public:
  CWxDocument();
  ~CWxDocument() override;
  CQznDoc& Doc() { return *m_doc; }

  bool OnNewDocument() override;
  bool OnOpenDocument(const wxString& path) override;
  // Asks about unsaved work once per close: the toolkit asks the document
  // on each of its close paths (the view's close, the manager's, the last
  // view going), and the first answer holds for the rest of that close.
  bool OnSaveModified() override;
  // A close that goes on although the user refused it (the session ends)
  // marks the document unmodified: it is not asked about again.
  void Modify(bool modified) override;
  bool IsModified() const override;
  // The tab's title carries a `*` exactly while IsModified holds; the lists
  // change their flags without telling the toolkit, so the frame asks each
  // document when it idles.
  void ShowModifiedMark();
  bool DeleteContents() override;

 private:
  // Sets the flag until the window is idle again: one close runs in one
  // event, so the flag covers exactly the rest of that close.
  void HoldForThisClose(bool& flag);

  std::unique_ptr<CQznDoc> m_doc;
  bool m_closeAnswered = false;
  bool m_closeRefused = false;
  bool m_markShown = false;
  wxDECLARE_DYNAMIC_CLASS(CWxDocument);
};

class CWxView : public wxView {
 public:
  bool OnCreate(wxDocument* doc, long flags) override;
  void OnDraw(wxDC*) override {}
  bool OnClose(bool deleteWindow) override;
  // The document is about to drop its contents, before its views go: the
  // view's tools let go of every line, point or note they hold, so that
  // nothing they do when they are deleted touches what is gone.
  void OnClosingDocument() override;
  void OnActivateView(bool activate, wxView* activeView, wxView* deactiveView) override;
  // The first update is the view's initial update (the document is open by
  // then); later ones rebuild its display from the document.
  void OnUpdate(wxView* sender, wxObject* hint) override;
  CImageWindow* Window() const { return m_window; }

 private:
  CImageWindow* m_window = nullptr;
  bool m_initialised = false;
  wxDECLARE_DYNAMIC_CLASS(CWxView);
};

// Untitled workspaces are "Qzn1", "Qzn2", ...
class CQznDocManager : public wxDocManager {
 public:
  wxString MakeNewDocumentName() override;
};

// The workspace template's registration.
wxDocTemplate* RegisterWorkspaceTemplate(wxDocManager* manager);

}  // namespace qzn
