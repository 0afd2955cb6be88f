// Dialogs without a window, for tests of dialog logic and of the commands
// that open dialogs: FakeControls keeps every control's state by id, and
// ScriptedDialogs runs each modal dialog on fake controls through a script
// (fill the controls, press buttons) instead of showing it.
#pragma once

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/host.h"
#include "ui/core/dataexchange.h"

namespace qzntest {

using qzn::COLORREF;

struct FakeControls : qzn::IDialogControls {
  std::map<int, std::string> text;
  std::map<int, bool> check, enabled;
  std::map<int, std::vector<std::string>> items;
  std::map<int, std::vector<int>> selection;  // per list, in list order
  std::map<int, std::pair<int, int>> scrollRange;
  std::map<int, int> scrollPos;
  std::map<int, COLORREF> swatch;
  std::map<int, int> redraws;
  int focus = 0;
  // Answers of the colour dialog: a colour, or cancelled when empty. The
  // initial colour of each request (or none) is recorded.
  std::deque<COLORREF> colorAnswers;
  std::vector<std::optional<COLORREF>> colorRequests;

  std::string GetText(int id) const override { return text.count(id) ? text.at(id) : std::string(); }
  void SetText(int id, const std::string& s) override { text[id] = s; }
  bool GetCheck(int id) const override { return check.count(id) && check.at(id); }
  void SetCheck(int id, bool c) override { check[id] = c; }
  void Enable(int id, bool e) override { enabled[id] = e; }
  bool IsEnabled(int id) const override { return !enabled.count(id) || enabled.at(id); }
  void SetFocus(int id) override { focus = id; }

  void ResetContent(int id) override {
    items[id].clear();
    selection[id].clear();
  }
  int AddString(int id, const std::string& s) override {
    items[id].push_back(s);
    return static_cast<int>(items[id].size()) - 1;
  }
  int InsertString(int id, int index, const std::string& s) override {
    auto& v = items[id];
    if (index < 0 || index > static_cast<int>(v.size())) index = static_cast<int>(v.size());
    v.insert(v.begin() + index, s);
    for (int& sel : selection[id])
      if (sel >= index) ++sel;  // a selected item moves with its text
    return index;
  }
  void DeleteString(int id, int index) override {
    auto& v = items[id];
    if (index < 0 || index >= static_cast<int>(v.size())) return;
    v.erase(v.begin() + index);
    std::vector<int> kept;
    for (int s : selection[id])
      if (s != index) kept.push_back(s > index ? s - 1 : s);
    selection[id] = kept;
  }
  int GetCount(int id) const override { return items.count(id) ? static_cast<int>(items.at(id).size()) : 0; }
  std::string GetItemText(int id, int index) const override {
    if (!items.count(id) || index < 0 || index >= GetCount(id)) return {};
    return items.at(id)[static_cast<std::size_t>(index)];
  }
  int GetCurSel(int id) const override {
    return selection.count(id) && !selection.at(id).empty() ? selection.at(id).front() : -1;
  }
  void SetCurSel(int id, int index) override {
    selection[id].clear();
    if (index >= 0 && index < GetCount(id)) selection[id].push_back(index);
  }
  std::vector<int> GetSelItems(int id) const override {
    return selection.count(id) ? selection.at(id) : std::vector<int>{};
  }
  void SetSel(int id, int index, bool on) override {
    auto& s = selection[id];
    s.erase(std::remove(s.begin(), s.end(), index), s.end());
    if (on && index >= 0 && index < GetCount(id)) {
      s.push_back(index);
      std::sort(s.begin(), s.end());
    }
  }

  void SetScrollRange(int id, int low, int high) override { scrollRange[id] = {low, high}; }
  void SetScrollPos(int id, int p) override { scrollPos[id] = p; }
  int GetScrollPos(int id) const override { return scrollPos.count(id) ? scrollPos.at(id) : 0; }

  void SetSwatch(int id, COLORREF c) override { swatch[id] = c; }
  void Redraw(int id) override { ++redraws[id]; }
  bool ChooseColor(const COLORREF* initial, COLORREF& chosen) override {
    colorRequests.push_back(initial ? std::optional<COLORREF>(*initial) : std::nullopt);
    if (colorAnswers.empty()) return false;
    chosen = colorAnswers.front();
    colorAnswers.pop_front();
    return true;
  }
};

// What a scripted dialog does once its controls are filled: change them,
// click, press OK (the model's OnOK; a refused OK keeps the script going)
// and finally give the dialog's result.
using DialogScript = std::function<int(qzn::CDialogModel&, FakeControls&)>;

// Presses OK as the window does: the result is IDOK when the model accepts,
// else the dialog stays open (0).
inline int PressOK(qzn::CDialogModel& m, FakeControls& c) { return m.OnOK(c) ? qzn::IDOK : 0; }
inline int PressCancel(qzn::CDialogModel& m, FakeControls& c) {
  m.OnCancel(c);
  return qzn::IDCANCEL;
}

class ScriptedDialogs : public qzn::IDialogRunner {
 public:
  std::deque<DialogScript> scripts;  // none left: the dialog is cancelled
  std::vector<int> shown;            // the ids of the dialogs run
  std::vector<std::unique_ptr<FakeControls>> modeless;

  ScriptedDialogs() : m_previous(qzn::GetDialogRunner()) { qzn::SetDialogRunner(this); }
  ~ScriptedDialogs() override { qzn::SetDialogRunner(m_previous); }

  int DoModal(qzn::CDialogModel& m) override {
    shown.push_back(m.DialogId());
    FakeControls c;
    m.InitDialog(c);
    if (m.cannotRun) return qzn::IDCANCEL;
    if (scripts.empty()) return PressCancel(m, c);
    DialogScript s = std::move(scripts.front());
    scripts.pop_front();
    const int r = s(m, c);
    return r == 0 ? PressCancel(m, c) : r;
  }

  struct Modeless : qzn::IModelessDialog {
    FakeControls* c;
    int* focusOwner;
    qzn::IDialogControls& Controls() override { return *c; }
    void FocusOwner() override { ++*focusOwner; }
  };
  int ownerFocused = 0;
  std::unique_ptr<qzn::IModelessDialog> CreateModeless(qzn::CDialogModel& m) override {
    shown.push_back(m.DialogId());
    modeless.push_back(std::make_unique<FakeControls>());
    m.InitDialog(*modeless.back());
    auto d = std::make_unique<Modeless>();
    d->c = modeless.back().get();
    d->focusOwner = &ownerFocused;
    return d;
  }

 private:
  qzn::IDialogRunner* m_previous;
};

}  // namespace qzntest
