// The host: everything the core asks of the user and the desktop, in one
// interface. Messages and yes/no questions, file dialogs, the busy cursor
// with mouse capture, the status-bar progress bar, the status text, the
// refresh of the main window's layer control, and the quiet setting of batch
// runs. The desktop window implements it with its toolkit; command-line runs
// use CCommandLineHost (stderr, default answers); tests use CScriptedHost.
//
// The core finds its host through Host(), a process-wide current host that
// main, the window or a test installs (CHostScope). Data classes below the
// document return results; the document, the batch run and the commands
// show them.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace qzn {

class CWnd;     // a window of the desktop; opaque to the core
class CQznDoc;  // the workspace document, for the layer control

// Message box styles and answers, with their Windows values (the code and
// the stored scripts of the tests use them as they are).
enum : unsigned {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_ICONSTOP = 0x10,
  MB_ICONERROR = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONWARNING = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_DEFBUTTON1 = 0x000,
  MB_DEFBUTTON2 = 0x100,
  MB_DEFBUTTON3 = 0x200,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// File dialog flags, with their Windows values: 6 is "hide read-only and
// prompt before overwriting", 4608 "file must exist and multiple selection".
enum : unsigned {
  OFN_OVERWRITEPROMPT = 0x2,
  OFN_HIDEREADONLY = 0x4,
  OFN_ALLOWMULTISELECT = 0x200,
  OFN_PATHMUSTEXIST = 0x800,
  OFN_FILEMUSTEXIST = 0x1000,
};

enum class FileDialogKind { open, save };

// One file dialog as the core asks for it.
struct FileDialogRequest {
  FileDialogKind kind = FileDialogKind::open;
  std::string defaultExtension;  // without the dot ("tif"); empty: none
  std::string fileName;          // the initial name or pattern ("*.tif")
  unsigned flags = 0;            // OFN_* bits
  // Pairs of description and patterns, each ended by '|', the whole ended by
  // a second '|': kTiffFileFilter. SplitFileFilter parses it.
  std::string filter;
};

// The answer of a file dialog.
struct FileDialogResult {
  bool accepted = false;           // false: cancelled
  std::vector<std::string> paths;  // in the order the dialog gives them
  int filterIndex = 1;             // the chosen filter, counted from 1
};

struct FileFilter {
  std::string description;
  std::string patterns;  // ';'-separated, "*.tif;*.bmp"
};
// The pairs of a filter string; a trailing unpaired description is dropped.
std::vector<FileFilter> SplitFileFilter(const std::string& filter);

class IHost {
 public:
  virtual ~IHost() = default;

  // ---- messages and questions --------------------------------------------
  // Shows text (UTF-8) with the MB_* style bits; returns the answer (IDOK,
  // IDYES, IDNO, IDCANCEL).
  virtual int MessageBox(const std::string& text, unsigned style) = 0;

  // ---- file dialogs --------------------------------------------------------
  virtual FileDialogResult AskFiles(const FileDialogRequest& request) = 0;

  // ---- busy cursor and mouse capture of a long operation -----------------
  virtual void BeginWait() {}
  virtual void EndWait() {}
  virtual void CaptureMouse(CWnd*) {}
  virtual void ReleaseMouse(CWnd*) {}

  // ---- the progress bar of the main window's status bar ------------------
  // HasProgressBar() is false where there is no main window (command line):
  // the progress calls are then never made.
  virtual bool HasProgressBar() const { return false; }
  virtual void ProgressBegin() {}
  virtual void ProgressRange(std::int64_t low, std::int64_t high) {}
  virtual void ProgressPos(std::int64_t pos) {}
  virtual void ProgressEnd() {}

  // ---- status text and the layer control ----------------------------------
  virtual void SetStatusText(const std::string& text) {}
  // The layers of doc changed: the main window refills its layer control.
  virtual void UpdateLayerBar(CQznDoc* doc) {}

  // ---- whether anyone is there to answer ----------------------------------
  // False where nobody can answer a question (a command-line run): the code
  // that would ask takes the default answer and says what it did instead.
  virtual bool CanAsk() const { return true; }

  // ---- quiet ---------------------------------------------------------------
  // Batch runs are quiet: the messages of reading and vectorising are not
  // shown, the side-file questions count as yes and vectorising keeps no
  // copy of the image. The code that would show such a message asks
  // IsQuiet(); the host shows whatever it is given.
  bool IsQuiet() const { return m_quiet; }
  void SetQuiet(bool quiet) { m_quiet = quiet; }

 private:
  bool m_quiet = false;
};

// The host of the running process. Never null: until something else is
// installed it is a CCommandLineHost writing to stderr.
IHost& Host();
// Installs a host (not owned) and returns the previous one; null restores
// the default command-line host.
IHost* SetHost(IHost* host);

// Scope that installs a host and puts the previous one back.
class CHostScope {
 public:
  explicit CHostScope(IHost* host) : m_prev(SetHost(host)) {}
  ~CHostScope() { SetHost(m_prev); }
  CHostScope(const CHostScope&) = delete;
  CHostScope& operator=(const CHostScope&) = delete;

 private:
  IHost* m_prev;
};

// Scope that makes the current host quiet (or not) and restores its setting.
class CQuietScope {
 public:
  explicit CQuietScope(bool quiet = true) : m_host(Host()), m_prev(m_host.IsQuiet()) { m_host.SetQuiet(quiet); }
  ~CQuietScope() { m_host.SetQuiet(m_prev); }
  CQuietScope(const CQuietScope&) = delete;
  CQuietScope& operator=(const CQuietScope&) = delete;

 private:
  IHost& m_host;
  bool m_prev;
};

// Shows a message through the current host; the familiar spelling.
int AfxMessageBox(const std::string& text, unsigned style = MB_OK | MB_ICONEXCLAMATION);

// Message boxes asked for by work running on worker threads are held, in
// order, and shown afterwards on the thread that waits for the work (the
// window may only be used from its own thread). While a thread has a hold
// installed, AfxMessageBox on it records the message and returns IDOK.
struct CHeldMessage {
  std::string text;
  unsigned style;
};
using CHeldMessages = std::vector<CHeldMessage>;
// Installs hold (null: none) for the calling thread; returns the previous one.
CHeldMessages* HoldMessages(CHeldMessages* hold);
// Shows held messages through the host, in order.
void ShowHeldMessages(const CHeldMessages& held);
// Asks the current host for one path: the first chosen path, or empty when
// the dialog was cancelled.
std::string AskFilePath(const FileDialogRequest& request);

// The answer of the default button of a message box of that style: a
// command-line run answers so.
int DefaultAnswer(unsigned style);

// Command-line runs: each message is one line on stderr ("qzn: " and the
// text, line breaks turned into spaces); nobody can answer, so the code
// that knows it asks nothing (CanAsk), and a question that still comes gets
// the answer of its default button; file dialogs are cancelled; there is no
// progress bar.
class CCommandLineHost : public IHost {
 public:
  int MessageBox(const std::string& text, unsigned style) override;
  bool CanAsk() const override { return false; }
  FileDialogResult AskFiles(const FileDialogRequest& request) override;
};

// For tests: records every message, file dialog and progress call; answers
// questions from a queue (the default button's answer once it is empty) and
// file dialogs from another (cancelled once it is empty).
class CScriptedHost : public IHost {
 public:
  struct Message {
    std::string text;
    unsigned style;
    int answer;
  };
  std::vector<Message> messages;
  std::deque<int> answers;
  std::vector<FileDialogRequest> fileDialogs;
  // One entry per dialog: the chosen paths; an empty entry cancels.
  std::deque<std::vector<std::string>> fileAnswers;
  bool progressBar = true;
  std::vector<std::int64_t> progressPositions;
  std::int64_t progressLow = 0, progressHigh = 0;
  int progressBegun = 0, progressEnded = 0;
  int waitDepth = 0, maxWaitDepth = 0;
  std::vector<CWnd*> captures;
  std::string statusText;
  std::vector<CQznDoc*> layerBarUpdates;

  int MessageBox(const std::string& text, unsigned style) override;
  FileDialogResult AskFiles(const FileDialogRequest& request) override;
  void BeginWait() override;
  void EndWait() override;
  void CaptureMouse(CWnd* w) override { captures.push_back(w); }
  void ReleaseMouse(CWnd* w) override;
  bool HasProgressBar() const override { return progressBar; }
  void ProgressBegin() override { ++progressBegun; }
  void ProgressRange(std::int64_t low, std::int64_t high) override {
    progressLow = low;
    progressHigh = high;
  }
  void ProgressPos(std::int64_t pos) override { progressPositions.push_back(pos); }
  void ProgressEnd() override { ++progressEnded; }
  void SetStatusText(const std::string& text) override { statusText = text; }
  void UpdateLayerBar(CQznDoc* doc) override { layerBarUpdates.push_back(doc); }

  // The texts of the messages shown so far.
  std::vector<std::string> Texts() const;
};

}  // namespace qzn
