// The palette dialog: the 256 display colours of an 8-bit image as a 16 x 16
// grid of cells. The user drags a rectangle over cells and gives them one
// colour, tries the palette on the view (kApply), goes back to the image's
// own (kRestorePalette), and reads or writes ".pal" files. The palette only changes
// how the view shows the pixels: trying it remaps the display, the image is
// not rendered again.
#pragma once

#include <string>
#include <vector>

#include "platform/wintypes.h"
#include "ui/core/dataexchange.h"
#include "ui/core/displaybitmap.h"

namespace qzn {

class CQznView;
class CRasterImage;

// ".pal": text in the Chinese code page, line i giving entry i as three
// whole numbers, red, green and blue. Reading takes at most 256 lines; a
// line that starts with three numbers sets its entry (each number's low 8
// bits, flags kept), any other line leaves its entry as it was and still
// counts. The palette is replaced only when the file was read to its end.
bool ReadPaletteFile(const std::string& path, ViewPalette& palette);
// Writes exactly 256 lines "r g b", whole or not at all.
bool WritePaletteFile(const std::string& path, const ViewPalette& palette);
// The image's own display palette, all 256 entries: for a 1-bit image a
// grey ramp with entries 0 and 1 its two display colours.
void ImageDisplayPalette(const CRasterImage& image, ViewPalette& palette);

// Dialog 208 kPaletteTitle.
class CPaletteDlg : public CDialogModel {
 public:
  enum : int {
    kId = 208,
    kApply = 117,
    kOpen = 142,
    kSave = 143,
    kRestore = 367,
    kGrid = 1015,
    kPick = 1173,
    kRangeText = 1174
  };
  std::string rangeText;  // about the image's values, given by the caller
  ViewPalette entries{};
  CQznView* view = nullptr;

  explicit CPaletteDlg(CQznView* view = nullptr) : view(view) {}
  void SetEntries(const PaletteEntry* source, int count);

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnClicked(int id, IDialogControls& c) override;

  // ---- the grid, in the grid control's own pixels ----
  // The grid's area (left, top, right, bottom, all inside): the window sets
  // it from the control's size before painting and on each press.
  RECT frame{0, 0, 255, 255};
  // The cell of row r and column c (0..15), right and bottom outside.
  RECT CellRect(int row, int column) const;
  // The dragged rectangle (ordered; empty when none).
  RECT selection{};
  bool dragging = false;
  // A press inside the grid starts a new rectangle (the old one goes); a
  // press outside only drops the old one. True when dragging began.
  bool BeginDrag(POINT p);
  // The rectangle follows the pointer, held inside the grid.
  void DragTo(POINT p);
  void EndDrag(POINT p);
  // The entries whose cells meet the selection (a single pixel is enough).
  std::vector<int> SelectedEntries() const;

 private:
  POINT m_anchor{};
};

}  // namespace qzn
