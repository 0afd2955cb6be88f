// The window's host: message boxes, questions and file dialogs with wx, the
// busy cursor, the status bar's message pane and progress gauge, and the
// layer combo. File dialogs and questions can be scripted (tests, and the
// start-up dialog in them): while a script is set the dialogs are not shown
// and the scripted answers are given instead.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include <wx/string.h>

#include "platform/host.h"

namespace qzn {

class CWxHost : public IHost {
 public:
  int MessageBox(const std::string& text, unsigned style) override;
  FileDialogResult AskFiles(const FileDialogRequest& request) override;
  void BeginWait() override;
  void EndWait() override;
  bool HasProgressBar() const override;
  void ProgressBegin() override;
  void ProgressRange(std::int64_t low, std::int64_t high) override;
  void ProgressPos(std::int64_t pos) override;
  void ProgressEnd() override;
  void SetStatusText(const std::string& text) override;
  void UpdateLayerBar(CQznDoc* doc) override;

  // Scripting: while `scripted` is set, message boxes answer from `answers`
  // (the default button's answer once it is empty) and file dialogs from
  // `fileAnswers` (cancelled once it is empty); both are recorded.
  bool scripted = false;
  std::deque<int> answers;
  std::deque<std::vector<std::string>> fileAnswers;
  std::vector<std::string> messages;
  std::vector<FileDialogRequest> fileDialogs;

 private:
  int m_waitDepth = 0;
};

// The toolkit's wildcard of a file filter ("desc|*.a;*.b|...").
std::string WxWildcard(const std::string& filter);

}  // namespace qzn
