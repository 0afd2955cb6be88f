#include "widgets/core/gridpainter.h"

namespace qzn {

namespace {

class CHeadlessDesktop : public IGridDesktop {
 public:
  COLORREF SysColor(int index) const override {
    switch (index) {
      case COLOR_WINDOW: return RGB(255, 255, 255);
      case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
      case COLOR_HIGHLIGHT: return RGB(0, 0, 128);
      case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
      case COLOR_BTNFACE: return RGB(192, 192, 192);
      case COLOR_BTNSHADOW: return RGB(128, 128, 128);
      case COLOR_GRAYTEXT: return RGB(128, 128, 128);
      case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
      case COLOR_3DDKSHADOW: return RGB(0, 0, 0);
      case COLOR_3DLIGHT: return RGB(223, 223, 223);
      case COLOR_INFOTEXT: return RGB(0, 0, 0);
      case COLOR_INFOBK: return RGB(255, 255, 225);
      default: return RGB(0, 0, 0);
    }
  }
  CGridFont MessageFont() const override { return CGridFont{}; }
  int WheelScrollLines() const override { return 3; }
  unsigned DoubleClickTime() const override { return 500; }
  int ScrollBarWidth() const override { return 16; }
  int ScrollBarHeight() const override { return 16; }
  std::unique_ptr<IGridPainter> ScreenPainter() const override { return nullptr; }
};

const CHeadlessDesktop g_headless;
const IGridDesktop* g_desktop = &g_headless;

}  // namespace

const IGridDesktop& GridDesktop() { return *g_desktop; }

void SetGridDesktop(const IGridDesktop* desktop) { g_desktop = desktop ? desktop : &g_headless; }

}  // namespace qzn
