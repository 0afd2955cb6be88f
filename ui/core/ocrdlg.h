// The OCR dialogs: the character a glyph box stands for (training), and the
// trained characters of the workspace's set, with its description, loaded
// from and saved to ".ocr" files. Characters are whole characters (a Chinese
// character is one), never bytes.
#pragma once

#include <string>

#include "ui/core/dataexchange.h"

namespace qzn {

class CCharList;

// Dialog 142 kOcrTrainTitle.
class COcrTrainDlg : public CDialogModel {
 public:
  enum : int { kId = 142, kCharacter = 190 };
  std::string character;  // at most one character (UTF-8)

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override { c.SetFocus(kCharacter); }
  // The code point of the character; -1 when none was entered.
  int Code() const;
};

// Dialog 141 kOcrSignatureTitle.
class COcrSignatureDlg : public CDialogModel {
 public:
  enum : int { kId = 141, kList = 188, kDescription = 193, kDelete = 123, kLoad = 191, kSave = 143 };
  static constexpr int kMaxDescription = 255;

  // The set is borrowed; the description starts as the set's.
  explicit COcrSignatureDlg(CCharList* set);
  std::string description;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  // kOcrClose: the description typed goes into the set.
  bool OnOK(IDialogControls& c) override;

 private:
  void Fill(IDialogControls& c);
  void OnDelete(IDialogControls& c);
  void OnLoad(IDialogControls& c);
  void OnSave(IDialogControls& c);

  CCharList* m_set;
};

}  // namespace qzn
