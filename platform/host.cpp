#include "platform/host.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace qzn {

namespace {

CCommandLineHost& DefaultHost() {
  static CCommandLineHost host;
  return host;
}

std::atomic<IHost*> g_host{nullptr};

constexpr unsigned kTypeMask = 0xF;
constexpr unsigned kDefButtonMask = 0xF00;

// A message box with more than one button asks something; only those take an
// answer from a test's queue, so informational boxes cannot eat the answers.
bool IsQuestion(unsigned style) { return (style & kTypeMask) != MB_OK; }

}  // namespace

IHost& Host() {
  IHost* h = g_host.load(std::memory_order_acquire);
  return h ? *h : DefaultHost();
}

IHost* SetHost(IHost* host) {
  IHost* prev = g_host.exchange(host, std::memory_order_acq_rel);
  return prev ? prev : &DefaultHost();
}

namespace {
thread_local CHeldMessages* t_held = nullptr;
}  // namespace

CHeldMessages* HoldMessages(CHeldMessages* hold) {
  CHeldMessages* previous = t_held;
  t_held = hold;
  return previous;
}

void ShowHeldMessages(const CHeldMessages& held) {
  for (const CHeldMessage& m : held) AfxMessageBox(m.text, m.style);
}

int AfxMessageBox(const std::string& text, unsigned style) {
  if (t_held) {
    t_held->push_back(CHeldMessage{text, style});
    return IDOK;
  }
  return Host().MessageBox(text, style);
}

std::string AskFilePath(const FileDialogRequest& request) {
  FileDialogResult result = Host().AskFiles(request);
  if (!result.accepted || result.paths.empty()) return std::string();
  return result.paths.front();
}

std::vector<FileFilter> SplitFileFilter(const std::string& filter) {
  std::vector<FileFilter> out;
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start < filter.size()) {
    const std::size_t bar = filter.find('|', start);
    if (bar == std::string::npos) {
      parts.push_back(filter.substr(start));
      break;
    }
    if (bar == start) break;  // "||": the end of the list
    parts.push_back(filter.substr(start, bar - start));
    start = bar + 1;
  }
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) out.push_back(FileFilter{parts[i], parts[i + 1]});
  return out;
}

int DefaultAnswer(unsigned style) {
  const unsigned def = style & kDefButtonMask;
  switch (style & kTypeMask) {
    case MB_YESNO: return def == MB_DEFBUTTON2 ? IDNO : IDYES;
    case MB_YESNOCANCEL: return def == MB_DEFBUTTON2 ? IDNO : def == MB_DEFBUTTON3 ? IDCANCEL : IDYES;
    case MB_OKCANCEL: return def == MB_DEFBUTTON2 ? IDCANCEL : IDOK;
    default: return IDOK;
  }
}

int CCommandLineHost::MessageBox(const std::string& text, unsigned style) {
  // One line per message, so a batch log stays one message a line: line
  // breaks inside the text become spaces and trailing ones are dropped.
  std::string line;
  line.reserve(text.size());
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line.push_back(' ');
    } else {
      line.push_back(c);
    }
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  std::fprintf(stderr, "qzn: %s\n", line.c_str());
  std::fflush(stderr);
  return DefaultAnswer(style);
}

// Nobody is there to choose a file: the dialog is cancelled, as a user
// cancelling it would, and the caller goes its cancelled way.
FileDialogResult CCommandLineHost::AskFiles(const FileDialogRequest&) { return FileDialogResult{}; }

int CScriptedHost::MessageBox(const std::string& text, unsigned style) {
  int answer = DefaultAnswer(style);
  if (IsQuestion(style) && !answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  messages.push_back(Message{text, style, answer});
  return answer;
}

FileDialogResult CScriptedHost::AskFiles(const FileDialogRequest& request) {
  fileDialogs.push_back(request);
  FileDialogResult result;
  if (fileAnswers.empty()) return result;
  result.paths = std::move(fileAnswers.front());
  fileAnswers.pop_front();
  // A single-selection dialog gives at most one path.
  if (!(request.flags & OFN_ALLOWMULTISELECT) && result.paths.size() > 1) result.paths.resize(1);
  result.accepted = !result.paths.empty();
  return result;
}

void CScriptedHost::BeginWait() {
  ++waitDepth;
  maxWaitDepth = std::max(maxWaitDepth, waitDepth);
}

// An unbalanced EndWait lets the depth go below zero so a test sees it.
void CScriptedHost::EndWait() { --waitDepth; }

// Releasing takes back the most recent capture of that window; captures left
// over after an operation show a capture that was never released.
void CScriptedHost::ReleaseMouse(CWnd* w) {
  auto it = std::find(captures.rbegin(), captures.rend(), w);
  if (it != captures.rend()) captures.erase(std::next(it).base());
}

std::vector<std::string> CScriptedHost::Texts() const {
  std::vector<std::string> out;
  out.reserve(messages.size());
  for (const Message& m : messages) out.push_back(m.text);
  return out;
}

}  // namespace qzn
