// The dialogs of the image edit tool and the text-block tool: the drawing
// value and pen (102), the grey range mapped to a new value (152) and which
// lines of the text blocks go (204).
#pragma once

#include <functional>
#include <string>

#include "platform/wintypes.h"
#include "ui/core/dataexchange.h"
#include "ui/core/displaybitmap.h"

namespace qzn {

class CQznDoc;

// Dialog 102 kDrawValueTitle: the drawing value (red, green, blue; the
// value of a one-plane image sits in all three), the colour it shows as,
// and the pen size.
class CDrawPixelValueDlg : public CDialogModel {
 public:
  enum : int { kId = 102, kTypeText = 176, kValueText = 106, kPenSize = 175, kSwatch = 178, kDefine = 131 };
  // Asks one value of a one-plane image (kDrawValueDefine on a grey, palette or
  // classified image: dialog 135; on a 1-bit image: dialog 133); false
  // when cancelled.
  using AskValue = std::function<bool(int& value)>;

  CDrawPixelValueDlg(const CQznDoc& doc, const ViewPalette& palette, AskValue askValue);
  BYTE value[3] = {0, 0, 0};
  COLORREF swatch = 0;
  int penSize = 4;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override;
  void OnClicked(int id, IDialogControls& c) override;
  // A pen larger than a quarter of the image's width or height is refused
  // with its message and the dialog stays open.
  bool OnOK(IDialogControls& c) override;

 private:
  void Describe(IDialogControls& c);

  const CQznDoc& m_doc;
  const ViewPalette& m_palette;
  AskValue m_askValue;
};

// Dialog 152 kMapPixelTitle: minimum, new value and maximum, each a byte.
class CMapPixelValueDlg : public CDialogModel {
 public:
  enum : int { kId = 152, kMinimum = 129, kValue = 130, kMaximum = 131 };
  int minimum = 0, value = 0, maximum = 0;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// Dialog 204 kDeleteTextLinesTitle: the question, and which lines go (0
// those inside the blocks, 1 those crossing them).
class CDeleteTextLinesDlg : public CDialogModel {
 public:
  enum : int { kId = 204, kQuestion = 366, kInside = 364, kCrossing = 365 };
  std::string question;
  int choice = 0;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnInitDialog(IDialogControls& c) override { c.SetText(kQuestion, question); }
};

}  // namespace qzn
