#include "ui/core/palettedlg.h"

#include <algorithm>
#include <cstdio>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/rasterimage.h"
#include "resources/messages_imagedlgs.h"
#include "ui/core/qznview.h"

namespace qzn {

// ---- files -------------------------------------------------------------------------

bool ReadPaletteFile(const std::string& path, ViewPalette& palette) {
  CTextFileReader in;
  if (!in.Open(path)) return false;
  ViewPalette read = palette;
  std::string line;
  for (std::size_t i = 0; i < read.size() && in.ReadLine(line); ++i) {
    int r = 0, g = 0, b = 0;
    if (std::sscanf(line.c_str(), "%d%d%d", &r, &g, &b) != 3) continue;
    read[i].red = static_cast<BYTE>(r & 0xFF);
    read[i].green = static_cast<BYTE>(g & 0xFF);
    read[i].blue = static_cast<BYTE>(b & 0xFF);
  }
  if (in.Error()) return false;
  palette = read;
  return true;
}

bool WritePaletteFile(const std::string& path, const ViewPalette& palette) {
  CTextFileWriter out;
  if (!out.Open(path)) return false;
  for (const PaletteEntry& e : palette) out.Printf("%d %d %d\n", e.red, e.green, e.blue);
  if (out.Error()) {
    out.Abort();
    return false;
  }
  return out.Close();
}

void ImageDisplayPalette(const CRasterImage& image, ViewPalette& palette) {
  ViewPalette own;
  CreateImagePalette(image, own);
  if (image.bitsPerSample == 1) {
    // The two colours the view shows, over a ramp for the rest.
    for (int i = 0; i < 256; ++i) {
      const BYTE v = static_cast<BYTE>(i);
      palette[static_cast<std::size_t>(i)] = PaletteEntry{v, v, v, kPaletteReserved};
    }
    palette[0] = own[0];
    palette[1] = own[1];
    return;
  }
  palette = own;
}

// ---- the dialog ----------------------------------------------------------------------

void CPaletteDlg::SetEntries(const PaletteEntry* source, int count) {
  count = std::clamp(count, 0, 256);
  for (int i = 0; i < count; ++i) entries[static_cast<std::size_t>(i)] = source[i];
}

void CPaletteDlg::DoDataExchange(CDataExchange& dx) { DDX_Text(dx, kRangeText, rangeText); }

RECT CPaletteDlg::CellRect(int row, int column) const {
  const double w = (frame.right - frame.left + 1) / 16.0;
  const double h = (frame.bottom - frame.top + 1) / 16.0;
  const double x = frame.left + column * w;
  const double y = frame.top + row * h;
  return RECT{static_cast<std::int32_t>(x), static_cast<std::int32_t>(y), static_cast<std::int32_t>(x + w),
              static_cast<std::int32_t>(y + h)};
}

bool CPaletteDlg::BeginDrag(POINT p) {
  selection = RECT{};
  dragging = p.x >= frame.left && p.x <= frame.right && p.y >= frame.top && p.y <= frame.bottom;
  m_anchor = p;
  return dragging;
}

void CPaletteDlg::DragTo(POINT p) {
  if (!dragging) return;
  p.x = std::clamp<std::int32_t>(p.x, frame.left, frame.right);
  p.y = std::clamp<std::int32_t>(p.y, frame.top, frame.bottom);
  // Dragged in any direction, the rectangle is the same.
  selection =
      RECT{std::min(m_anchor.x, p.x), std::min(m_anchor.y, p.y), std::max(m_anchor.x, p.x), std::max(m_anchor.y, p.y)};
}

void CPaletteDlg::EndDrag(POINT p) {
  DragTo(p);
  dragging = false;
}

std::vector<int> CPaletteDlg::SelectedEntries() const {
  std::vector<int> out;
  if (selection.right <= selection.left || selection.bottom <= selection.top) return out;
  for (int r = 0; r < 16; ++r)
    for (int col = 0; col < 16; ++col) {
      const RECT cell = CellRect(r, col);
      if (std::max(cell.left, selection.left) < std::min(cell.right, selection.right) &&
          std::max(cell.top, selection.top) < std::min(cell.bottom, selection.bottom))
        out.push_back(r * 16 + col);
    }
  return out;
}

void CPaletteDlg::OnClicked(int id, IDialogControls& c) {
  switch (id) {
    case kPick: {
      const std::vector<int> cells = SelectedEntries();
      if (cells.empty()) {
        AfxMessageBox(res::text::kDrawRectangleToPickColour, MB_OK | MB_ICONINFORMATION);
        return;
      }
      COLORREF chosen = 0;
      if (!c.ChooseColor(nullptr, chosen)) return;
      for (int i : cells) {
        PaletteEntry& e = entries[static_cast<std::size_t>(i)];
        e.red = GetRValue(chosen);
        e.green = GetGValue(chosen);
        e.blue = GetBValue(chosen);
      }
      c.Redraw(kGrid);
      return;
    }
    case kApply:
      if (view) view->SetDisplayPalette(entries.data(), 256);
      return;
    case kRestore: {
      CQznDoc* doc = view ? view->Document() : nullptr;
      if (!doc || !doc->m_image.pixels) return;
      ImageDisplayPalette(doc->m_image, entries);
      c.Redraw(kGrid);
      return;
    }
    case kOpen:
    case kSave: {
      FileDialogRequest r;
      r.kind = id == kOpen ? FileDialogKind::open : FileDialogKind::save;
      r.defaultExtension = "pal";
      r.flags = OFN_HIDEREADONLY | (id == kOpen ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
      r.filter = res::text::kPaletteFileFilter;
      const std::string path = AskFilePath(r);
      if (path.empty()) return;
      const bool done = id == kOpen ? ReadPaletteFile(path, entries) : WritePaletteFile(path, entries);
      if (!done) {
        AfxMessageBox(res::text::kPaletteFileError, MB_OK | MB_ICONSTOP);
        return;
      }
      if (id == kOpen) c.Redraw(kGrid);
      return;
    }
    default: return;
  }
}

}  // namespace qzn
