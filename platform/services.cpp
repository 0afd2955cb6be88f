#include "platform/services.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace {

CQuietServices& DefaultServices() {
  static CQuietServices quiet;
  return quiet;
}

std::atomic<IUserServices*> g_services{nullptr};

constexpr unsigned kTypeMask = 0xF;
constexpr unsigned kDefButtonMask = 0xF00;

// A message box with more than one button asks something; only those take an
// answer from a test's queue, so informational boxes cannot eat the answers.
bool IsQuestion(unsigned style) { return (style & kTypeMask) != MB_OK; }

}  // namespace

IUserServices& Services() {
  IUserServices* s = g_services.load(std::memory_order_acquire);
  return s ? *s : DefaultServices();
}

IUserServices* SetServices(IUserServices* services) {
  IUserServices* prev = g_services.exchange(services, std::memory_order_acq_rel);
  return prev ? prev : &DefaultServices();
}

int AfxMessageBox(const std::string& text, unsigned style) {
  return Services().MessageBox(text, style);
}

int DefaultAnswer(unsigned style) {
  const unsigned def = style & kDefButtonMask;
  switch (style & kTypeMask) {
    case MB_YESNO:
      return def == MB_DEFBUTTON2 ? IDNO : IDYES;
    case MB_YESNOCANCEL:
      return def == MB_DEFBUTTON2 ? IDNO : def == MB_DEFBUTTON3 ? IDCANCEL : IDYES;
    case MB_OKCANCEL:
      return def == MB_DEFBUTTON2 ? IDCANCEL : IDOK;
    default:
      return IDOK;
  }
}

int CQuietServices::MessageBox(const std::string& text, unsigned style) {
  if (!m_silent) {
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
  }
  return DefaultAnswer(style);
}

int CScriptedServices::MessageBox(const std::string& text, unsigned style) {
  int answer = DefaultAnswer(style);
  if (IsQuestion(style) && !answers.empty()) {
    answer = answers.front();
    answers.pop_front();
  }
  messages.push_back(Message{text, style, answer});
  return answer;
}

void CScriptedServices::BeginWait() {
  ++waitDepth;
  maxWaitDepth = std::max(maxWaitDepth, waitDepth);
}

// An unbalanced EndWait lets the depth go below zero so a test sees it.
void CScriptedServices::EndWait() { --waitDepth; }

// Releasing takes back the most recent capture of that window; captures left
// over after an operation show a capture that was never released.
void CScriptedServices::ReleaseMouse(CWnd* w) {
  auto it = std::find(captures.rbegin(), captures.rend(), w);
  if (it != captures.rend()) captures.erase(std::next(it).base());
}
