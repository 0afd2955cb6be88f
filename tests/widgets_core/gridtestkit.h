// A table without a window for the tests: it records what it asks of the
// window (notifications, repaints, clipboard, edit boxes) and measures text
// with a fixed pitch of 7 x 14 pixels a character.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "widgets/core/gridmodel.h"

namespace qzntest {

using namespace qzn;

// Records drawing calls as text lines and measures with a fixed pitch.
class CRecordingPainter : public IGridPainter {
 public:
  std::vector<std::string> calls;
  CGridFont font;
  bool monochrome = false;

  void Save() override {}
  void Restore() override {}
  void SetTextColor(COLORREF c) override { calls.push_back("textcolor " + Hex(c)); }
  void SetFont(const CGridFont& f) override { font = f; }
  void FillRect(const RECT& r, COLORREF c) override { calls.push_back("fill " + Rect(r) + " " + Hex(c)); }
  void Line(POINT a, POINT b, COLORREF c) override {
    calls.push_back("line " + std::to_string(a.x) + " " + std::to_string(a.y) + " " + std::to_string(b.x) + " " +
                    std::to_string(b.y));
  }
  void InvertRect(const RECT& r) override { calls.push_back("invert " + Rect(r)); }
  void DrawText(const std::string& t, const RECT& r, unsigned format) override {
    calls.push_back("text " + Rect(r) + " " + std::to_string(format) + " " + t);
  }
  SIZE GetTextExtent(const std::string& t) override { return SIZE{7 * static_cast<int>(t.size()), 14}; }
  SIZE CalcTextRect(const std::string& t, int width, unsigned) override { return GetTextExtent(t); }
  bool IsMonochrome() const override { return monochrome; }
  void SetMapping(SIZE, SIZE) override {}
  void SetWindowOrg(POINT p) override { org = p; }
  POINT GetWindowOrg() const override { return org; }
  POINT org{};

  bool Has(const std::string& prefix) const {
    for (const std::string& c : calls)
      if (c.rfind(prefix, 0) == 0) return true;
    return false;
  }
  static std::string Hex(COLORREF c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "#%06x", static_cast<unsigned>(c));
    return buf;
  }
  static std::string Rect(const RECT& r) {
    return std::to_string(r.left) + " " + std::to_string(r.top) + " " + std::to_string(r.right) + " " +
           std::to_string(r.bottom);
  }
};

struct CNotice {
  int code, row, col;
  bool operator==(const CNotice&) const = default;
};

class CTestGrid;

// The edit box: keeps what it was opened with; the test ends it.
class CFakeEdit : public IGridEditWindow {
 public:
  CFakeEdit(CTestGrid* grid, int row, int col, std::string text, int ch)
      : grid(grid), row(row), col(col), text(std::move(text)), firstChar(ch) {}
  void SendChar(int ch) override { chars.push_back(ch); }
  void EndEdit() override;
  void Paste() override { pasted = true; }

  CTestGrid* grid;
  int row, col;
  std::string text;
  int firstChar;
  std::vector<int> chars;
  bool pasted = false;
  bool ended = false;
  int exitKey = 0;
};

class CTestGrid : public CGridModel {
 public:
  explicit CTestGrid(int rows = 0, int cols = 0, int fixedRows = 0, int fixedCols = 0)
      : CGridModel(rows, cols, fixedRows, fixedCols) {}

  std::vector<CNotice> notices;
  std::map<int, long> answers;  // code -> answer
  int invalidations = 0;
  int commands = 0;
  std::string clipboard;
  bool clipboardHasText = false;
  std::vector<std::unique_ptr<CFakeEdit>> edits;
  bool timer = false;
  bool measure = true;

  CFakeEdit* LastEdit() { return edits.empty() ? nullptr : edits.back().get(); }
  bool Noticed(int code) const {
    for (const CNotice& n : notices)
      if (n.code == code) return true;
    return false;
  }
  // Fills every cell with "r<row>c<col>".
  void FillNames() {
    for (int r = 0; r < GetRowCount(); ++r)
      for (int c = 0; c < GetColumnCount(); ++c) SetItemText(r, c, "r" + std::to_string(r) + "c" + std::to_string(c));
  }
  // Centre of a cell on screen.
  POINT Centre(int row, int col) const {
    RECT r;
    GetCellRect(row, col, r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  }

 protected:
  void InvalidateRect(const RECT&) override { ++invalidations; }
  void InvalidateAll() override { ++invalidations; }
  long SendMessageToParent(int row, int col, int code) override {
    notices.push_back(CNotice{code, row, col});
    auto it = answers.find(code);
    return it == answers.end() ? 0 : it->second;
  }
  void PostCommandToParent() override { ++commands; }
  void SetAutoScrollTimer(bool on) override { timer = on; }
  IGridEditWindow* CreateInPlaceEdit(const RECT&, CGridEditAlign, int, int row, int col, const std::string& text,
                                     int ch) override {
    edits.push_back(std::make_unique<CFakeEdit>(this, row, col, text, ch));
    return edits.back().get();
  }
  std::unique_ptr<IGridPainter> CreateMeasurePainter() override {
    return measure ? std::make_unique<CRecordingPainter>() : nullptr;
  }
  bool SetClipboardText(const std::string& t) override {
    clipboard = t;
    clipboardHasText = true;
    return true;
  }
  bool GetClipboardText(std::string& t) const override {
    t = clipboard;
    return clipboardHasText;
  }
  bool ClipboardHasText() const override { return clipboardHasText; }
  std::string GetPrintTitle() const override { return "QZN 报告"; }
  std::string GetApplicationTitle() const override { return "QZN for Windows"; }
};

inline void CFakeEdit::EndEdit() {
  if (ended) return;
  ended = true;
  grid->OnEndInPlaceEdit(row, col, text, exitKey);
}

}  // namespace qzntest
