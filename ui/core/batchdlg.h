// The batch vectorise dialog and the script editor. The batch dialog holds
// a list of images and the run's settings and starts the batch run
// (app/batchrun.h); the script editor edits a batch script line by line,
// opens and saves ".cmd" files and can apply the script to the open
// workspace.
#pragma once

#include <string>
#include <vector>

#include "ui/core/dataexchange.h"

namespace qzn {

class CQznView;

// Dialog 121 kBatchTitle.
class CBatchVectorizeDlg : public CDialogModel {
 public:
  enum : int {
    kId = 121,
    kImages = 121,
    kStatus = 125,
    kAdd = 122,
    kDelete = 123,
    kHelp = 112,
    kCentreLine = 134,
    kOutline = 135,
    kOutputFirst = 173,
    kLogBrowse = 186,
    kLogPath = 187,
    kSource = 223,
    kEditScript = 3
  };

  std::vector<std::string> images;  // the list, in its order
  std::vector<std::string> script;  // run on every image when not empty
  int vectorKind = 0;               // 0 centre lines, 1 outlines
  int outputType = 0;               // 0 GEN, 1 DXF, 2 MIF, 3 SHP, 4 project
  std::string logPath = "batch.log";
  std::string sourceType;  // kSourceMap at first
  int imagesDone = 0;      // after the run: the images written

  CBatchVectorizeDlg();

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  // kStart: the batch run over the list, then the dialog ends.
  bool OnOK(IDialogControls& c) override;

  // Adds the paths not yet in the list (compared without regard to case).
  void AddImages(const std::vector<std::string>& paths, IDialogControls& c);

 private:
  void OnAdd(IDialogControls& c);
  void OnDelete(IDialogControls& c);
  void OnLogBrowse(IDialogControls& c);
};

// Dialog 162 kScriptTitle.
class CBatchScriptDlg : public CDialogModel {
 public:
  enum : int {
    kId = 162,
    kCommands = 247,
    kScript = 248,
    kSyntax = 251,
    kEdit = 252,
    kApply = 253,
    kAdd = 122,
    kInsert = 123,
    kRemove = 124,
    kOpen = 142,
    kSaveAs = 143
  };

  // The script edited (replaced on OK only; may be none) and the view the
  // script may be applied to (may be none).
  CBatchScriptDlg(std::vector<std::string>* script, CQznView* view) : m_script(script), m_view(view) {}

  std::vector<std::string> lines;  // the script list as it stands
  bool modified = false;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange&) override {}
  void OnInitDialog(IDialogControls& c) override;
  void OnSelChange(int id, IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;

  // The example line and the syntax text the editor shows for a command of
  // its list (a comment line stands for itself).
  static std::string Example(const std::string& command);
  static std::string Syntax(const std::string& command);

 private:
  void FillScript(IDialogControls& c);
  void OnOpen(IDialogControls& c);
  // False when cancelled or not written.
  bool OnSaveAs();
  void OnApply();
  // Asks whether to save a changed script; runs Save as on Yes.
  void OfferToSave();

  std::vector<std::string>* m_script;
  CQznView* m_view;
};

// The main frame's "批量矢量化...": the batch dialog.
void OnBatchVectorize();
// The view's "批量脚本": the script editor over the view's workspace.
void OnBatchScript(CQznView& view);

}  // namespace qzn
