// What the core asks of the user and the desktop: message boxes, yes/no
// questions, the busy cursor with mouse capture, the status-bar progress bar
// and the status text. The GUI installs its own implementation; the command
// line and batch runs use CQuietServices; tests use CScriptedServices.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

class CWnd;  // a window of the GUI; opaque to the core

// Message box styles and answers, with their Windows values.
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

class IUserServices {
 public:
  virtual ~IUserServices() = default;

  // Shows text (UTF-8) with the Windows style bits; returns the answer (IDOK,
  // IDYES, IDNO, IDCANCEL).
  virtual int MessageBox(const std::string& text, unsigned style) = 0;

  // The busy cursor and the mouse capture of a long operation.
  virtual void BeginWait() {}
  virtual void EndWait() {}
  virtual void CaptureMouse(CWnd*) {}
  virtual void ReleaseMouse(CWnd*) {}

  // The progress bar of the main window's status bar. HasProgressBar() is
  // false where there is no main window (batch runs): the progress calls are
  // then never made.
  virtual bool HasProgressBar() const { return false; }
  virtual void ProgressBegin() {}
  virtual void ProgressRange(std::int64_t low, std::int64_t high) {}
  virtual void ProgressPos(std::int64_t pos) {}
  virtual void ProgressEnd() {}

  virtual void SetStatusText(const std::string& text) {}
};

// The services of the running process. Never null: until something else is
// installed it is a CQuietServices writing to stderr.
IUserServices& Services();
// Installs services (not owned) and returns the previous ones; null restores
// the default quiet services.
IUserServices* SetServices(IUserServices* services);

// Scope that installs services and puts the previous ones back.
class CServicesScope {
 public:
  explicit CServicesScope(IUserServices* s) : m_prev(SetServices(s)) {}
  ~CServicesScope() { SetServices(m_prev); }
  CServicesScope(const CServicesScope&) = delete;
  CServicesScope& operator=(const CServicesScope&) = delete;

 private:
  IUserServices* m_prev;
};

// Shows a message through the current services; the familiar spelling.
int AfxMessageBox(const std::string& text, unsigned style = MB_OK | MB_ICONEXCLAMATION);

// Command-line and batch runs: messages go to stderr (one line each, prefixed
// "qzn: "), questions get the answer of their default button (yes for a
// yes/no question unless MB_DEFBUTTON2 makes it no), and there is no progress
// bar. Quiet(true) also drops the messages.
class CQuietServices : public IUserServices {
 public:
  int MessageBox(const std::string& text, unsigned style) override;
  void SetSilent(bool silent) { m_silent = silent; }

 private:
  bool m_silent = false;
};

// For tests: records every message and every progress call, and answers
// questions from a queue (the default button's answer once the queue is empty).
class CScriptedServices : public IUserServices {
 public:
  struct Message {
    std::string text;
    unsigned style;
    int answer;
  };
  std::vector<Message> messages;
  std::deque<int> answers;
  bool progressBar = true;
  std::vector<std::int64_t> progressPositions;
  std::int64_t progressLow = 0, progressHigh = 0;
  int progressBegun = 0, progressEnded = 0;
  int waitDepth = 0, maxWaitDepth = 0;
  std::vector<CWnd*> captures;
  std::string statusText;

  int MessageBox(const std::string& text, unsigned style) override;
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
};

// The answer a quiet run gives to a message box of that style.
int DefaultAnswer(unsigned style);
