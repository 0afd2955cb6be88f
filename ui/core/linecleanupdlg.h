// The line clean-up dialogs: remove lines by length or node count, delete
// lines by type, smooth lines and B-spline smoothing. Each lets the user try
// the operation before committing to it: kApply runs it on the workspace's
// lines at once (saving a copy of every line the first time), kButtonCancel gives
// the copy back, kButtonOk keeps the result (running the operation when it was
// not applied yet).
//
// Lines are never lost on the way: an operation runs only once a complete
// copy exists, and when the copy cannot be made the user is told and nothing
// changes. Cancel gives back exactly the lines that were there when the first
// apply ran, with the lines' modified flag as it was.
#pragma once

#include "model/chainlist.h"
#include "platform/wintypes.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class CQznDoc;
class CQznView;

// The workspace's shown lines as they were before an operation, to give
// back on Cancel.
class CSavedLines {
 public:
  // Copies the lines; false (nothing held) when memory runs out.
  bool Save(const CChainList& lines);
  bool Held() const { return m_held; }
  // The list's lines deleted, the copy moved back in its order and the
  // list's modified and polygons-built flags as they were; nothing without a
  // copy. True when lines were given back.
  bool Restore(CChainList& lines);
  // Forgets the copy (deleting its lines).
  void Drop();
  std::int64_t Count() const { return m_copy.GetCount(); }

 private:
  CChainList m_copy;
  int m_nModified = 0;
  int m_nPolygonsBuilt = 0;
  bool m_held = false;
};

// What the apply-then-decide dialogs share: the view they work in, the saved
// copy and the repaint.
class CApplyLinesDlg : public CDialogModel {
 public:
  explicit CApplyLinesDlg(CQznView* view);
  CQznView* View() const { return m_view; }
  CQznDoc* Document() const;
  const CSavedLines& Saved() const { return m_saved; }

 protected:
  // Saves the copy the first time (under the busy cursor); false when there
  // is no workspace, or when the copy cannot be made (the message shown).
  bool SaveOnce(const char* noMemoryText);
  // Gives the copy back and repaints; true when it was given back.
  bool RestoreSaved();
  void Repaint();

  CQznView* m_view;
  CSavedLines m_saved;
};

// Dialog 118 kRemoveLinesTitle: lines whose length (or node count) lies between the
// minimum and the maximum are deleted, in the selected area or everywhere.
class CRemoveLinesDlg : public CApplyLinesDlg {
 public:
  enum : int {
    kId = 118,
    kMaximum = 113,
    kMinimum = 169,
    kByLength = 170,
    kByNodes = 171,
    kInArea = 148,
    kApply = 117
  };
  // The area is the view's rubber band (empty: none drawn).
  CRemoveLinesDlg(CQznView* view, const RECT& area);

  unsigned maximum = 4;  // 1..100000
  unsigned minimum = 0;
  int measure = 0;  // 0 length, 1 node count
  bool inArea = false;
  RECT area{};
  bool applied = false;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  void OnChange(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;
  void OnApply(IDialogControls& c);

 private:
  RECT ChosenArea() const;
};

// Dialog 151 kDeleteByTypeTitle: open lines, closed lines and duplicates. With
// a rectangle drawn, kOnlyInRectangle (set at first) limits the open and
// closed lines deleted to those meeting it; cleared, every line of the kind
// goes.
class CDeleteByTypeDlg : public CApplyLinesDlg {
 public:
  enum : int { kId = 151, kOpen = 207, kClosed = 227, kDuplicates = 228, kInRect = 229, kApply = 117 };
  CDeleteByTypeDlg(CQznView* view, const RECT& rect);

  bool openLines = false, closedLines = false, inRect = false, duplicates = false;
  RECT rect{};

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;
  void OnApply(IDialogControls& c);

 private:
  void ReadChecks(IDialogControls& c);
  void Delete();
};

// Dialog 111 kSmoothLinesTitle: vertex reduction at a tolerance (pixels), stored as
// the workspace's smoothing tolerance.
class CSmoothLinesDlg : public CApplyLinesDlg {
 public:
  enum : int { kId = 111, kThreshold = 113, kInArea = 148, kHelp = 112, kApply = 117 };
  // The tolerance starts at the workspace's.
  CSmoothLinesDlg(CQznView* view, const RECT& area);

  float threshold = 0.0f;  // 0..1000
  bool applied = false;
  RECT area{};
  bool inArea = false;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  void OnChange(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;
  void OnApply(IDialogControls& c);

 private:
  RECT ChosenArea() const;
  float m_savedTolerance = 0.0f;  // the workspace's, given back on Cancel
};

// Dialog 199 kBSplineTitle: every line replaced by a B-spline through its
// nodes with the given number of nodes added between each two.
class CBSplineDlg : public CApplyLinesDlg {
 public:
  enum : int { kId = 199, kNodes = 361, kApply = 3 };
  explicit CBSplineDlg(CQznView* view);

  unsigned nodes = 2;  // 2..100
  bool applied = false;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool OnOK(IDialogControls& c) override;
  void OnCancel(IDialogControls& c) override;
  // False when the smoothing could not be done (the lines are then as before).
  bool OnApply(IDialogControls& c);
};

// An integer as the dialog's edit field holds it, read as a signed number;
// 0 for a text that is not one (as the original controls read them).
long long ReadSignedInt(const IDialogControls& c, int id);

}  // namespace qzn
