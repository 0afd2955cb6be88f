#include "ui/core/ocrdlg.h"

#include "app/charlist.h"
#include "platform/host.h"
#include "resources/messages_ocrdialogs.h"
#include "resources/messages_viewcommands.h"

namespace qzn {

namespace text = res::text;

void COcrTrainDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kCharacter, character);
  DDV_MaxChars(dx, character, 1);
}

int COcrTrainDlg::Code() const {
  if (character.empty()) return -1;
  // One UTF-8 sequence; anything malformed is no character.
  const auto* s = reinterpret_cast<const unsigned char*>(character.data());
  const std::size_t n = character.size();
  const int length = s[0] < 0x80             ? 1
                     : (s[0] & 0xE0) == 0xC0 ? 2
                     : (s[0] & 0xF0) == 0xE0 ? 3
                     : (s[0] & 0xF8) == 0xF0 ? 4
                                             : 0;
  if (length == 0 || n < static_cast<std::size_t>(length)) return -1;
  std::uint32_t cp = length == 1 ? s[0] : s[0] & (0x7F >> length);
  for (int k = 1; k < length; ++k) {
    if ((s[k] & 0xC0) != 0x80) return -1;
    cp = (cp << 6) | (s[k] & 0x3F);
  }
  return static_cast<int>(cp);
}

COcrSignatureDlg::COcrSignatureDlg(CCharList* set) : m_set(set) {
  if (m_set) description = m_set->m_strDescription;
}

void COcrSignatureDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kDescription, description);
  DDV_MaxChars(dx, description, kMaxDescription);
}

void COcrSignatureDlg::Fill(IDialogControls& c) {
  c.ResetContent(kList);
  if (!m_set) return;
  for (const CChar* ch : *m_set) c.AddString(kList, CharCodeText(ch->m_nCode));
}

void COcrSignatureDlg::OnInitDialog(IDialogControls& c) {
  Fill(c);
  c.SetFocus(kList);
}

void COcrSignatureDlg::OnDelete(IDialogControls& c) {
  const int sel = c.GetCurSel(kList);
  if (!m_set || sel < 0 || sel >= m_set->GetCount()) {
    AfxMessageBox(text::kChooseCharacterToDelete, MB_OK | MB_ICONINFORMATION);
    return;
  }
  m_set->RemoveAt(sel);
  c.DeleteString(kList, sel);
}

namespace {

FileDialogRequest OcrFileRequest(FileDialogKind kind, const CCharList& set) {
  FileDialogRequest request;
  request.kind = kind;
  request.defaultExtension = "ocr";
  request.fileName = set.m_strFileName;
  request.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  request.filter = text::kOcrFilter;
  return request;
}

}  // namespace

void COcrSignatureDlg::OnLoad(IDialogControls& c) {
  if (!m_set) return;
  const std::string path = AskFilePath(OcrFileRequest(FileDialogKind::open, *m_set));
  if (!path.empty() && !m_set->ReadFile(path)) AfxMessageBox(text::kLoadOcrError, MB_OK | MB_ICONERROR);
  // The list and the description show the set as it now is.
  description = m_set->m_strDescription;
  Fill(c);
  c.SetText(kDescription, description);
}

void COcrSignatureDlg::OnSave(IDialogControls& c) {
  if (!m_set) return;
  const std::string path = AskFilePath(OcrFileRequest(FileDialogKind::save, *m_set));
  if (path.empty() || !UpdateData(c, true)) return;
  m_set->m_strDescription = description;
  if (!m_set->WriteFile(path)) AfxMessageBox(text::kSaveOcrError, MB_OK | MB_ICONERROR);
}

void COcrSignatureDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kDelete: OnDelete(c); break;
    case kLoad: OnLoad(c); break;
    case kSave: OnSave(c); break;
    default: break;
  }
}

bool COcrSignatureDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  if (m_set && m_set->m_strDescription != description) {
    m_set->m_strDescription = description;
    m_set->m_nModified = 1;
  }
  return true;
}

}  // namespace qzn
