// The dialogs of the image commands that take numbers: resampling with the
// new size shown as the factor changes, background removal, colour
// classification, and the image's properties with its scan resolution.
#pragma once

#include <cstdint>
#include <string>

#include "resources/messages_common.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class CRasterImage;

// Dialog 129 kResampleTitle. Sizes are 64-bit and count every plane, so a
// large colour scan shows the bytes it really takes.
class CResampleDlg : public CDialogModel {
 public:
  enum : int {
    kId = 129,
    kColumns = 155,
    kRows = 156,
    kSize = 157,
    kNewColumns = 158,
    kNewRows = 159,
    kNewSize = 160,
    kDown = 161,
    kUp = 162,
    kFactor = 163,
    kFactorArrows = 164
  };
  std::int64_t columns = 0, rows = 0, size = 0;
  std::int64_t newColumns = 0, newRows = 0, newSize = 0;
  int bitsPerSample = 8;  // 1: packed bits
  int planes = 1;
  int direction = 0;  // 0 down, 1 up
  unsigned factor = 2;

  // The image's layout; the new size starts as the current one, then is
  // computed for the factor.
  void Set(std::int64_t width, std::int64_t height, int bits, int planeCount);
  void Recompute();
  // Bytes of an image of that width and height in this layout.
  std::int64_t ImageBytes(std::int64_t width, std::int64_t height) const;

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;
  void OnScroll(int id, int code, int position, IDialogControls& c) override;
  bool PlaceAtCorner() const override { return false; }

 private:
  void Show(IDialogControls& c) const;
};

// Dialog 187 kRemoveBackgroundTitle.
class CRemoveBackgroundDlg : public CDialogModel {
 public:
  enum : int { kId = 187, kSize = 345 };
  unsigned size = 20;  // pixels
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  bool PlaceAtCorner() const override { return false; }
};

// Dialog 119 kColorClassifyTitle.
class CColorClassifyDlg : public CDialogModel {
 public:
  enum : int { kId = 119, kColours = 120, kIterations = 121 };
  unsigned colours = 5;
  unsigned iterations = 10;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
};

// Dialog 189 kImageInfoTitle. Only with kApplyResolution checked are the
// resolution and unit taken back.
class CImageInfoDlg : public CDialogModel {
 public:
  enum : int {
    kId = 189,
    kColumns = 338,
    kRows = 339,
    kBits = 352,
    kType = 354,
    kResolution = 355,
    kUnit = 356,
    kApply = 357,
    kPlanes = 1062
  };
  bool apply = false;
  std::string unit = res::text::kUnitPixel;
  unsigned bitsPerPixel = 0;
  unsigned columns = 0;
  unsigned planes = 0;
  float resolution = 0.0f;
  unsigned rows = 0;
  std::string typeText;
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  bool PlaceAtCorner() const override { return false; }
};

// The kind of an image as the information dialog names it.
std::string ImageTypeText(const CRasterImage& image);

}  // namespace qzn
