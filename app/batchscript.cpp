// The batch script interpreter and the ".cmd" script files. The commands
// themselves, with their enablers and runners, are the document's command
// table (app/doccommands.h).
#include "app/batchscript.h"

#include <algorithm>

#include "app/doccommands.h"
#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_app.h"

namespace qzn {

CScriptLine ParseScriptLine(const std::string& text) {
  CScriptLine line;
  const std::string trimmed = Trim(text);
  if (trimmed.empty() || text[0] == ';' || trimmed[0] == ';') return line;
  std::size_t end = 0;
  while (end < trimmed.size() && !IsBlank(trimmed[end])) ++end;
  line.rest = Trim(std::string_view(trimmed).substr(end));
  line.options = Upper(line.rest);
  line.tokens = SplitBlanks(line.rest);
  const CDocCommand* command = FindDocumentCommand(std::string_view(trimmed).substr(0, end));
  line.command = command ? command->id : CScriptCommand::unknown;
  return line;
}

const std::vector<std::string>& ScriptCommandNames() {
  static const std::vector<std::string> names = [] {
    std::vector<const CDocCommand*> commands;
    for (const CDocCommand& c : DocumentCommands()) commands.push_back(&c);
    std::sort(commands.begin(), commands.end(),
              [](const CDocCommand* a, const CDocCommand* b) { return a->editorOrder < b->editorOrder; });
    std::vector<std::string> out;
    for (const CDocCommand* c : commands) out.emplace_back(c->name);
    return out;
  }();
  return names;
}

// ---- running one line -----------------------------------------------------------

int CQznDoc::RunMacroCommand(const std::string& text, std::string* refusal) {
  const CScriptLine line = ParseScriptLine(text);
  // Comments, empty lines and words that name no command are passed over.
  const CDocCommand* command = FindDocumentCommand(line.command);
  return command ? RunDocumentCommand(*this, *command, line, refusal) : 1;
}

// ---- script files -----------------------------------------------------------------

int CQznDoc::ReadMacroFile(std::vector<std::string>& script, const std::string& path) {
  CTextFileReader file;
  if (!file.Open(path)) {
    AfxMessageBox(res::text::kMacroOpenError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  int count = 0;
  std::string line;
  while (file.ReadLine(line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    script.push_back(line);
    ++count;
  }
  return count;
}

int CQznDoc::WriteMacroFile(const std::vector<std::string>& script, const std::string& path) {
  CTextFileWriter file;
  if (file.Open(path)) {
    for (const std::string& line : script) file.WriteLine(line);
    if (!file.Error() && file.Close()) return 1;
    file.Abort();
  }
  AfxMessageBox(res::text::kMacroSaveError, MB_OK | MB_ICONSTOP);
  return 0;
}

}  // namespace qzn
