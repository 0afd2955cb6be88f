#include "ui/core/batchdlg.h"

#include <algorithm>

#include "app/batchrun.h"
#include "app/batchscript.h"
#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_app.h"
#include "resources/messages_batchdialogs.h"
#include "resources/messages_tabledialogs.h"
#include "ui/core/qznview.h"
#include "ui/core/viewcommands_common.h"

namespace qzn {

namespace text = res::text;

namespace {

void Info(const std::string& t) { AfxMessageBox(t, MB_OK | MB_ICONINFORMATION); }

}  // namespace

// ---- batch vectorise -------------------------------------------------------------------

CBatchVectorizeDlg::CBatchVectorizeDlg() : sourceType(text::kSourceMap) {}

void CBatchVectorizeDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kCentreLine, kOutline}, vectorKind);
  DDX_Radio(dx, {kOutputFirst, kOutputFirst + 1, kOutputFirst + 2, kOutputFirst + 3, kOutputFirst + 4}, outputType);
  DDX_Text(dx, kLogPath, logPath);
  DDX_Text(dx, kSource, sourceType);
}

void CBatchVectorizeDlg::OnInitDialog(IDialogControls& c) {
  c.ResetContent(kSource);
  c.AddString(kSource, text::kSourceMap);
  c.AddString(kSource, text::kSourceCad);
  c.SetText(kSource, sourceType);
  c.ResetContent(kImages);
  for (const std::string& path : images) c.AddString(kImages, path);
  c.SetText(kStatus, text::kBatchStatusIdle);
}

void CBatchVectorizeDlg::AddImages(const std::vector<std::string>& paths, IDialogControls& c) {
  for (const std::string& path : paths) {
    const std::string key = Upper(path);
    if (std::any_of(images.begin(), images.end(), [&](const std::string& p) { return Upper(p) == key; })) continue;
    images.push_back(path);
    c.AddString(kImages, path);
  }
}

void CBatchVectorizeDlg::OnAdd(IDialogControls& c) {
  // The toolkit's own multi-select dialog hands back every chosen path,
  // however many: no name buffer to run out of.
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.defaultExtension = "tif";
  request.fileName = "*.tif";
  request.flags = OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT;
  request.filter = text::kImageFileFilter;
  const FileDialogResult result = Host().AskFiles(request);
  if (result.accepted) AddImages(result.paths, c);
}

void CBatchVectorizeDlg::OnDelete(IDialogControls& c) {
  const int sel = c.GetCurSel(kImages);
  if (sel < 0 || sel >= static_cast<int>(images.size())) return Info(text::kChooseFileToRemove);
  images.erase(images.begin() + sel);
  c.DeleteString(kImages, sel);
}

void CBatchVectorizeDlg::OnLogBrowse(IDialogControls& c) {
  FileDialogRequest request;
  request.kind = FileDialogKind::save;
  request.defaultExtension = "log";
  request.fileName = c.GetText(kLogPath);
  request.flags = OFN_HIDEREADONLY;
  request.filter = text::kLogFileFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) return;
  logPath = path;
  c.SetText(kLogPath, path);
}

void CBatchVectorizeDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kAdd: OnAdd(c); break;
    case kDelete: OnDelete(c); break;
    case kLogBrowse: OnLogBrowse(c); break;
    case kHelp: {
      std::string help;
      for (const char* piece : text::kBatchHelpPieces) help += piece;
      Info(help);
      break;
    }
    case kEditScript: {
      CBatchScriptDlg editor(&script, nullptr);
      DoModal(editor);
      break;
    }
    default: break;
  }
}

bool CBatchVectorizeDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  CBatchSettings settings;
  settings.images = images;
  settings.script = script;
  settings.vectorKind = vectorKind;
  settings.outputType = outputType;
  settings.logPath = logPath;
  settings.sourceType = sourceType;
  c.SetText(kStatus, text::kBatchProcessing);
  imagesDone = RunBatch(settings, [&c](std::size_t i) { c.SetCurSel(kImages, static_cast<int>(i)); });
  return true;
}

void OnBatchVectorize() {
  CBatchVectorizeDlg dlg;
  DoModal(dlg);
}

// ---- script editor ---------------------------------------------------------------------

namespace {

const text::ScriptCommandHelp* FindHelp(const std::string& command) {
  for (const text::ScriptCommandHelp& h : text::kScriptCommandHelp)
    if (command == h.name) return &h;
  return nullptr;
}

}  // namespace

std::string CBatchScriptDlg::Example(const std::string& command) {
  const text::ScriptCommandHelp* h = FindHelp(command);
  return h && h->example ? h->example : command;
}

std::string CBatchScriptDlg::Syntax(const std::string& command) {
  const text::ScriptCommandHelp* h = FindHelp(command);
  return h && h->syntax ? h->syntax : command;
}

void CBatchScriptDlg::OnInitDialog(IDialogControls& c) {
  c.Enable(kApply, m_view != nullptr);
  c.ResetContent(kCommands);
  c.AddString(kCommands, text::kCommentCommand);
  for (const std::string& name : ScriptCommandNames()) c.AddString(kCommands, name);
  if (m_script) lines = *m_script;
  FillScript(c);
  c.SetFocus(kEdit);
}

void CBatchScriptDlg::FillScript(IDialogControls& c) {
  c.ResetContent(kScript);
  for (const std::string& line : lines) c.AddString(kScript, line);
}

void CBatchScriptDlg::OnSelChange(int id, IDialogControls& c) {
  if (id != kCommands) return;
  const int sel = c.GetCurSel(kCommands);
  if (sel < 0) return;
  const std::string command = c.GetItemText(kCommands, sel);
  c.SetText(kEdit, Example(command));
  c.SetText(kSyntax, Syntax(command));
}

void CBatchScriptDlg::OnOpen(IDialogControls& c) {
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.defaultExtension = "cmd";
  request.fileName = "*.cmd";
  request.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  request.filter = text::kScriptFileFilter;
  const std::string path = AskFilePath(request);
  if (!path.empty()) {
    std::vector<std::string> read;
    if (CQznDoc::ReadMacroFile(read, path) > 0) {
      lines = std::move(read);
      FillScript(c);
    } else {
      AfxMessageBox(text::kScriptReadError, MB_OK | MB_ICONSTOP);
    }
  }
  modified = false;
}

bool CBatchScriptDlg::OnSaveAs() {
  FileDialogRequest request;
  request.kind = FileDialogKind::save;
  request.defaultExtension = "cmd";
  request.fileName = "*.cmd";
  request.flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY;
  request.filter = text::kScriptFileFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) {
    modified = false;
    return false;
  }
  if (!CQznDoc::WriteMacroFile(lines, path)) {
    AfxMessageBox(text::kScriptSaveError, MB_OK | MB_ICONSTOP);
    return false;
  }
  modified = false;
  return true;
}

void CBatchScriptDlg::OnApply() {
  CQznDoc* doc = m_view ? m_view->Document() : nullptr;
  if (!doc) return Info(text::kNoImageForScript);
  if (lines.empty()) return Info(text::kNoCommandsDefined);
  // The lines and the image may change under the current tool.
  vc::SettleTools(*m_view);
  {
    CWaitCapture wait;
    for (const std::string& line : lines) {
      std::string refusal;
      if (!doc->RunMacroCommand(line, &refusal)) {
        std::string message = FormatC(text::kRunLineErrorFormat, line.c_str());
        if (!refusal.empty()) message += "\n" + refusal;
        AfxMessageBox(message, MB_OK | MB_ICONSTOP);
      }
    }
  }
  // The image may have a new size or kind: a new display, the whole
  // workspace shown.
  vc::ReallocateDisplay(*m_view);
  vc::OverviewAndFullView(*m_view);
}

void CBatchScriptDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kAdd:
      lines.push_back(c.GetText(kEdit));
      c.AddString(kScript, lines.back());
      modified = true;
      break;
    case kInsert: {
      const int sel = c.GetCurSel(kScript);
      if (sel < 0 || sel >= static_cast<int>(lines.size())) return Info(text::kChoosePointToInsert);
      const std::string line = c.GetText(kEdit);
      lines.insert(lines.begin() + sel, line);
      c.InsertString(kScript, sel, line);
      modified = true;
      break;
    }
    case kRemove: {
      const int sel = c.GetCurSel(kScript);
      if (sel < 0 || sel >= static_cast<int>(lines.size())) return Info(text::kChooseCommandToRemove);
      lines.erase(lines.begin() + sel);
      c.DeleteString(kScript, sel);
      modified = true;
      break;
    }
    case kOpen: OnOpen(c); break;
    case kSaveAs: OnSaveAs(); break;
    case kApply: OnApply(); break;
    default: break;
  }
}

void CBatchScriptDlg::OfferToSave() {
  if (modified && AfxMessageBox(text::kAskSaveScript, MB_YESNO | MB_ICONQUESTION) == IDYES) OnSaveAs();
}

bool CBatchScriptDlg::OnOK(IDialogControls&) {
  OfferToSave();
  if (m_script) *m_script = lines;
  return true;
}

void CBatchScriptDlg::OnCancel(IDialogControls&) { OfferToSave(); }

void OnBatchScript(CQznView& view) {
  CBatchScriptDlg editor(nullptr, &view);
  DoModal(editor);
}

}  // namespace qzn
