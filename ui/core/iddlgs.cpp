#include "ui/core/iddlgs.h"

#include <climits>

#include "app/qzndoc.h"
#include "model/note.h"
#include "platform/host.h"
#include "resources/messages_imagedlgs.h"
#include "ui/core/toolhost.h"

namespace qzn {

// ---- ID display colours -------------------------------------------------------------

CIDColorDlg::CIDColorDlg(const CIDColorList& source, std::string* filePath) : m_path(filePath) {
  ranges.Copy(source);
  // At least one range is always there to show and store into.
  if (ranges.IsEmpty()) ranges.AddNew();
  count = static_cast<int>(ranges.GetCount());
  index = 0;
  ShowRange(nullptr);
}

CIDColor& CIDColorDlg::Current() {
  std::int64_t i = 0;
  for (CIDColor* r : ranges)
    if (i++ == index) return *r;
  return *ranges.GetHead();
}

void CIDColorDlg::ShowRange(IDialogControls* c) {
  const CIDColor& r = Current();
  red = GetRValue(r.m_color);
  green = GetGValue(r.m_color);
  blue = GetBValue(r.m_color);
  low = r.m_nLow;
  high = r.m_nHigh;
  if (!c) return;
  c->SetText(kLow, std::to_string(low));
  c->SetText(kHigh, std::to_string(high));
  c->SetText(kIndex, std::to_string(index + 1));
  c->SetText(kCount, std::to_string(count));
  c->SetSwatch(kSwatch, RGB(red, green, blue));
}

bool CIDColorDlg::StoreRange(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  CIDColor& r = Current();
  r.m_color = RGB(red, green, blue);
  r.m_nLow = low;
  r.m_nHigh = high;
  return true;
}

void CIDColorDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kLow, low);
  DDV_MinMaxInt(dx, low, -INT_MAX, INT_MAX);
  DDX_Text(dx, kHigh, high);
  DDV_MinMaxInt(dx, high, -INT_MAX, INT_MAX);
  dx.controls.SetText(kIndex, std::to_string(index + 1));
  dx.controls.SetText(kCount, std::to_string(count));
}

void CIDColorDlg::OnInitDialog(IDialogControls& c) { c.SetSwatch(kSwatch, RGB(red, green, blue)); }

void CIDColorDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kDefine: {
      if (!UpdateData(c, true)) return;
      const COLORREF now = RGB(red, green, blue);
      COLORREF chosen = now;
      if (!c.ChooseColor(&now, chosen)) return;
      red = GetRValue(chosen);
      green = GetGValue(chosen);
      blue = GetBValue(chosen);
      c.SetSwatch(kSwatch, chosen);  // the range takes it at the next store
      return;
    }
    case kNext:
    case kPrevious: {
      const int to = index + (id == kNext ? 1 : -1);
      if (to < 0 || to >= count) return;
      if (!StoreRange(c)) return;
      index = to;
      ShowRange(&c);
      return;
    }
    case kAdd: {
      if (!StoreRange(c)) return;
      if (!ranges.AddNew()) {
        AfxMessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
        return;
      }
      count = static_cast<int>(ranges.GetCount());
      index = count - 1;
      ShowRange(&c);
      return;
    }
    case kOpen: return Open(c);
    case kSaveAs: return SaveAs(c);
    default: return;
  }
}

void CIDColorDlg::Open(IDialogControls& c) {
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.defaultExtension = "clr";
  request.fileName = "*.clr";
  request.flags = OFN_HIDEREADONLY;
  request.filter = res::text::kColorFileFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) return;
  // Read into a table of its own: a file that cannot be read leaves the
  // dialog's ranges as they were.
  CIDColorList loaded;
  if (!loaded.LoadText(path)) {
    AfxMessageBox(res::text::kColorFileOpenError, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  ranges.Copy(loaded);
  if (ranges.IsEmpty()) ranges.AddNew();
  if (m_path) *m_path = path;
  count = static_cast<int>(ranges.GetCount());
  index = 0;
  ShowRange(&c);
}

void CIDColorDlg::SaveAs(IDialogControls& c) {
  if (!StoreRange(c)) return;
  FileDialogRequest request;
  request.kind = FileDialogKind::save;
  request.defaultExtension = "clr";
  request.fileName = m_path && !m_path->empty() ? *m_path : std::string(".clr");
  request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  request.filter = res::text::kColorFileFilter;
  const std::string path = AskFilePath(request);
  if (path.empty()) return;
  if (!ranges.SaveText(path)) {
    AfxMessageBox(res::text::kColorFileSaveError, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (m_path) *m_path = path;
}

bool CIDColorDlg::OnOK(IDialogControls& c) { return StoreRange(c); }

// ---- ID values ------------------------------------------------------------------------

void CCurrentIDDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Check(dx, kAutoIncrement, autoIncrement);
  DDX_Text(dx, kCurrent, currentId);
  DDX_Text(dx, kIncrement, increment);
}

void CIDRangeDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kStart, startId);
  DDX_Text(dx, kIncrement, increment);
  DDX_Check(dx, kUnlabelledOnly, unlabelledOnly);
}

void CConvertIDDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Check(dx, kLines, lines);
  DDX_Check(dx, kPoints, points);
  DDX_Text(dx, kOffset, offset);
  DDX_Text(dx, kScale, scale);
}

void CContourValueDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kCount, countText);
  DDX_Text(dx, kIncrement, increment);
  DDX_Text(dx, kStart, start);
}

// ---- notes ----------------------------------------------------------------------------

CNoteDlg::CNoteDlg(IToolHost& view) : m_view(view) {
  if (IDialogRunner* runner = GetDialogRunner()) m_window = runner->CreateModeless(*this);
}

CNoteDlg::~CNoteDlg() { m_window.reset(); }

void CNoteDlg::DoDataExchange(CDataExchange& dx) { DDX_Text(dx, kText, text); }

void CNoteDlg::SetNote(CNote* note) {
  m_note = note;
  if (!note) return;
  text = note->m_strText;
  if (m_window) {
    m_window->Controls().SetText(kText, text);
    m_window->Controls().SetFocus(kText);
  }
}

void CNoteDlg::ReleaseNote() {
  m_note = nullptr;
  text.clear();
  if (m_window) m_window->Controls().SetText(kText, text);
}

void CNoteDlg::ReleaseNote(const CNote* note) {
  if (note && note == m_note) ReleaseNote();
}

std::string CNoteDlg::Text() const { return m_window ? m_window->Controls().GetText(kText) : text; }

void CNoteDlg::OnClicked(int id, IDialogControls& c) {
  if (id != kApply) return;
  if (!UpdateData(c, true)) return;
  Apply();
}

void CNoteDlg::Apply() {
  if (!m_note) {
    AfxMessageBox(res::text::kDrawOrPickTextBox, MB_OK | MB_ICONINFORMATION);
    return;
  }
  m_note->m_strText = text;
  if (CQznDoc* doc = m_view.Document()) doc->m_notes.m_nModified = 1;
  if (m_window) m_window->FocusOwner();
  m_view.Refresh();
  ReleaseNote();
}

}  // namespace qzn
