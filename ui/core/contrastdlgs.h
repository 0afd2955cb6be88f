// The dialogs that set how the image shows and what the image edit tool
// draws: the contrast (the view's grey window moved live with two bars),
// the two display colours of a 1-bit image, and the drawing value of a
// 1-bit, colour or grey image.
#pragma once

#include <string>

#include "platform/wintypes.h"
#include "ui/core/dataexchange.h"
#include "ui/core/displaybitmap.h"

namespace qzn {

class CQznView;

// Where a step of a bar over the grey values 0..255 moves a value: line
// up/down by 1, page up/down by 20, the thumb's position, the top (0) and
// the bottom (255); false for the steps that move nothing (thumb tracking,
// the end of a scroll). The caller holds the result in its range.
bool StepGreyBar(int code, int position, int& value);

// Dialog 109 kContrastTitle. Each step of a bar hands the pair to the view,
// which shows it at once; the low value never passes the high one.
class CContrastDlg : public CDialogModel {
 public:
  enum : int { kId = 109, kLowBar = 111, kHighBar = 112 };
  int low = 0;
  int high = 255;
  CQznView* view = nullptr;

  void Set(CQznView* v, int lowValue, int highValue);
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnScroll(int id, int code, int position, IDialogControls& c) override;
  bool PlaceAtCorner() const override { return false; }
};

// Dialog 161 kImageColorTitle: the foreground and background colours of a
// 1-bit image, read from entries 0 and 1 of the view's palette.
class CImageColorDlg : public CDialogModel {
 public:
  enum : int { kId = 161, kForeground = 243, kBackground = 244, kForeSwatch = 245, kBackSwatch = 246 };
  COLORREF foreground = 0;
  COLORREF background = 0;

  // With zero black (photometric 1) entry 0 is the foreground, else entry 1.
  CImageColorDlg(const ViewPalette& palette, int photometric);
  // The two colours back into entries 0 and 1 (flags: reserved).
  void StoreInto(ViewPalette& palette) const;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  bool PlaceAtCorner() const override { return false; }

 private:
  int m_photometric;
};

// Dialog 133 kBinaryValueTitle: 0 or 1, shown with the colour it stands for.
class CBinaryValueDlg : public CDialogModel {
 public:
  enum : int { kId = 133, kText = 106, kInvert = 180 };
  std::string text;
  BYTE value = 0;
  int zeroIsBlack = 0;  // the image's photometric code

  // kBinaryZeroBlack / kBinaryOneWhite with zero black, else kBinaryZeroWhite / kBinaryOneBlack.
  std::string ValueText() const;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
};

// Dialog 134 kColorPixelValueTitle.
class CColorPixelValueDlg : public CDialogModel {
 public:
  enum : int { kId = 134, kRed = 126, kGreen = 127, kBlue = 128 };
  BYTE green = 0, blue = 0, red = 0;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// Dialog 135 kPixelValueTitle.
class CPixelValueDlg : public CDialogModel {
 public:
  enum : int { kId = 135, kValue = 182 };
  BYTE value = 0;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

}  // namespace qzn
