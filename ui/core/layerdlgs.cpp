#include "ui/core/layerdlgs.h"

#include <algorithm>
#include <new>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "resources/messages_common.h"
#include "resources/messages_imagedlgs.h"
#include "ui/core/qznview.h"

namespace qzn {

// ---- line type and fill pattern ---------------------------------------------------

void CLineTypeDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kSolid, kDash, kDot, kDashDot, kDashDotDot}, penStyle);
  DDX_Text(dx, kWidth, width);
  DDV_MinMaxFloat(dx, width, 1e-9f, 1000.0f);
  DDX_Text(dx, kUnit, unit);
}

void CHatchFillDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Radio(dx, {kFirst, kFirst + 1, kFirst + 2, kFirst + 3, kFirst + 4, kFirst + 5, kFirst + 6}, pattern);
}

// ---- the layer manager --------------------------------------------------------------

CLayerManageDlg::CLayerManageDlg() { working.RemoveAll(); }

void CLayerManageDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Text(dx, kName, name);
  DDV_MaxChars(dx, name, kNameChars);
}

void CLayerManageDlg::OnInitDialog(IDialogControls& c) {
  if (!doc) return;
  working.m_layers = doc->m_layers.m_layers;
  Fill(c);
}

void CLayerManageDlg::Fill(IDialogControls& c) {
  c.ResetContent(kList);
  for (const CLayer& l : working.m_layers) c.AddString(kList, l.m_strName);
  c.Redraw(kList);
}

void CLayerManageDlg::Apply() {
  if (!doc) return;
  doc->ApplyLayerVisibility(working);
  m_applied = true;
  if (view) view->Refresh();
}

std::vector<int> CLayerManageDlg::Selection(IDialogControls& c, bool tell) const {
  std::vector<int> rows;
  for (int i : c.GetSelItems(kList))
    if (i >= 0 && i < static_cast<int>(working.m_layers.size())) rows.push_back(i);
  if (rows.empty() && tell) AfxMessageBox(res::text::kSelectLayerFirst, MB_OK);
  return rows;
}

void CLayerManageDlg::OnClicked(int id, IDialogControls& c) {
  if (id == kAdd) return AddLayer(c);
  if (id != kOnOff && id != kDelete && id != kCurrent && id != kColour && id != kLock && id != kLineType && id != kFill)
    return;
  // Colour, line type and fill tell the user when no row is chosen; the
  // other buttons do nothing then.
  const auto rows = Selection(c, id == kColour || id == kLineType || id == kFill);
  if (rows.empty()) return;
  switch (id) {
    case kOnOff:
      for (int i : rows) working.GetAt(i).SetVisible(!working.GetAt(i).IsVisible());
      Apply();
      break;
    case kDelete: DeleteLayers(rows); break;
    case kCurrent:
      if (rows.size() != 1) return;
      working.SetCurrentLayer(working.GetAt(rows[0]).m_strName);
      break;
    case kColour: {
      COLORREF colour = 0;
      if (!c.ChooseColor(nullptr, colour)) return;
      for (int i : rows) working.GetAt(i).m_color = colour;
      Apply();
      break;
    }
    case kLock:
      for (int i : rows) working.GetAt(i).SetMarked(!working.GetAt(i).IsMarked());
      break;
    case kLineType: SetLineType(rows); break;
    default: SetFill(rows); break;
  }
  Fill(c);
}

void CLayerManageDlg::AddLayer(IDialogControls& c) {
  if (!UpdateData(c, true)) return;
  if (name.empty()) {
    AfxMessageBox(res::text::kEnterLayerName, MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  if (working.HasLayerName(name)) {
    AfxMessageBox(FormatC(res::text::kLayerExistsFormat, name.c_str()), MB_OK | MB_ICONEXCLAMATION);
    return;
  }
  CLayer* layer = nullptr;
  try {
    layer = working.AddLayer();
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
    return;
  }
  layer->m_strName = name;
  const std::string added = name;
  name.clear();
  working.SetCurrentLayer(added);
  Fill(c);
  UpdateData(c, false);
}

void CLayerManageDlg::DeleteLayers(const std::vector<int>& rows) {
  if (!doc) return;
  // Nothing is deleted while any chosen layer still holds something, shown
  // or hidden.
  for (int i : rows) {
    const int id = working.GetAt(i).m_nID;
    if (!doc->m_lines.IsLayerEmpty(id) || !doc->m_points.IsLayerEmpty(id) || !doc->m_notes.IsLayerEmpty(id)) {
      AfxMessageBox(res::text::kLayerNotEmpty, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
  }
  for (int i : rows) {
    const int id = working.GetAt(i).m_nID;
    if (!doc->m_hiddenLines.IsLayerEmpty(id) || !doc->m_hiddenPoints.IsLayerEmpty(id) ||
        !doc->m_hiddenNotes.IsLayerEmpty(id)) {
      AfxMessageBox(res::text::kLayerNotEmpty, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
  }
  std::vector<std::string> names;
  for (int i : rows) names.push_back(working.GetAt(i).m_strName);
  // Layer "0" and the current layer stay.
  for (const std::string& n : names) working.DeleteLayerByName(n);
}

void CLayerManageDlg::SetLineType(const std::vector<int>& rows) {
  // Widths are shown in the unit the view shows coordinates in.
  std::string unit = res::text::kUnitPixel;
  float scale = 1.0f;
  if (view && view->cursorKind == kCoordPage && doc) {
    unit = doc->GetUnitName();
    scale = doc->m_image.xResolution;
  }
  const CLayer& first = working.GetAt(rows[0]);
  CLineTypeDlg dlg;
  dlg.penStyle = first.m_nPenStyle;
  dlg.width = first.GetWidth(scale, unit);
  dlg.unit = unit;
  if (DoModal(dlg) != IDOK) return;
  for (int i : rows) {
    CLayer& l = working.GetAt(i);
    l.m_nPenStyle = dlg.penStyle;
    l.SetWidth(scale, dlg.width, unit);
  }
  Apply();
}

void CLayerManageDlg::SetFill(const std::vector<int>& rows) {
  CHatchFillDlg dlg;
  dlg.pattern = working.GetAt(rows[0]).m_nFill;
  if (DoModal(dlg) != IDOK) return;
  for (int i : rows) working.GetAt(i).m_nFill = dlg.pattern;
}

namespace {

bool SameLayer(const CLayer& a, const CLayer& b) {
  return a.m_nID == b.m_nID && a.m_nFlags == b.m_nFlags && a.m_nWidth == b.m_nWidth && a.m_nFill == b.m_nFill &&
         a.m_nPenStyle == b.m_nPenStyle && a.m_color == b.m_color && a.m_strName == b.m_strName;
}

}  // namespace

bool CLayerManageDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  if (!doc) return true;
  if (!working.GetCurrentLayer()) {
    const auto visible =
        std::find_if(working.m_layers.begin(), working.m_layers.end(), [](const CLayer& l) { return l.IsVisible(); });
    if (visible == working.m_layers.end()) {
      AfxMessageBox(res::text::kNoCurrentLayer, MB_OK | MB_ICONEXCLAMATION);
      return false;
    }
    working.SetCurrentLayer(visible->m_strName);
  }
  // The new table is made whole before the old one goes.
  std::vector<CLayer> fresh;
  try {
    fresh = working.m_layers;
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
    return false;
  }
  const bool changed =
      !std::equal(fresh.begin(), fresh.end(), doc->m_layers.m_layers.begin(), doc->m_layers.m_layers.end(), SameLayer);
  doc->m_layers.m_layers.swap(fresh);
  if (changed) doc->m_layers.m_nModified = 1;
  UpdateLayerBar(doc);
  doc->ApplyLayerVisibility(doc->m_layers);
  if (view) view->Refresh();
  return true;
}

void CLayerManageDlg::OnCancel(IDialogControls&) {
  // The table is kept; what the buttons showed on the drawing goes back in
  // line with it.
  if (!m_applied || !doc) return;
  doc->ApplyLayerVisibility(doc->m_layers);
  m_applied = false;
  if (view) view->Refresh();
}

// ---- layer operation ------------------------------------------------------------------

void CLayerOperationDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Check(dx, kLines, lines);
  DDX_Check(dx, kPoints, points);
  DDX_Check(dx, kNotes, notes);
  DDX_Radio(dx, {kCopy, kMove}, operation);
}

void CLayerOperationDlg::OnInitDialog(IDialogControls& c) {
  if (!doc) return;
  // Both lists in table order, so a row is an index into the table.
  for (const CLayer& l : doc->m_layers.m_layers) {
    c.AddString(kTarget, l.m_strName);
    c.AddString(kSources, l.m_strName);
  }
}

bool CLayerOperationDlg::OnOK(IDialogControls& c) {
  if (!UpdateData(c, true)) return false;
  if (!doc) return true;
  const std::vector<int> sources = c.GetSelItems(kSources);
  const int target = c.GetCurSel(kTarget);
  const auto count = doc->m_layers.GetCount();
  if (sources.empty() || target < 0 || target >= count) return false;
  const int targetId = doc->m_layers.GetAt(target).m_nID;
  const BOOL copy = operation == 0;
  for (int row : sources) {
    if (row < 0 || row >= count) continue;
    const CLayer& source = doc->m_layers.GetAt(row);
    if (source.m_nID == targetId) continue;
    if (lines) {
      doc->m_lines.ChangeLayer(source.m_nID, targetId, source.m_color, copy);
      doc->m_hiddenLines.ChangeLayer(source.m_nID, targetId, source.m_color, copy);
    }
    if (points) {
      doc->m_points.ChangeLayer(source.m_nID, targetId, source.m_color, copy);
      doc->m_hiddenPoints.ChangeLayer(source.m_nID, targetId, source.m_color, copy);
    }
    if (notes) {
      doc->m_notes.ChangeLayer(source.m_nID, targetId, copy);
      doc->m_hiddenNotes.ChangeLayer(source.m_nID, targetId, copy);
    }
  }
  // The objects changed layer: the workspace has unsaved work.
  if (lines) doc->m_lines.m_nModified = 1;
  if (points) doc->m_points.m_nModified = 1;
  if (notes) doc->m_notes.m_nModified = 1;
  doc->ApplyLayerVisibility(doc->m_layers);
  return true;
}

// ---- layer colour ------------------------------------------------------------------------

void CLayerColorDlg::DoDataExchange(CDataExchange& dx) { DDX_Radio(dx, {kCurrentOnly, kOthers, kAll}, choice); }

// ---- rows of the layer list ----------------------------------------------------------------

LayerRowColumns LayerColumns(int left, int w) {
  LayerRowColumns c;
  c.name = left + 2;
  c.swatch = left + 20 * w + 5;
  c.state = c.swatch + 11 * w;
  c.line = c.state + 11 * w;
  c.lineLength = 6 * w;
  return c;
}

std::string LayerStateText(const CLayer& layer) {
  std::string s = layer.IsVisible() ? res::text::kLayerOn : res::text::kLayerOff;
  if (layer.IsVisible() && layer.IsCurrent()) s += res::text::kLayerCurrentMark;
  if (layer.IsMarked()) s += res::text::kLayerLockedMark;
  return s;
}

void DrawLayerRow(CCanvas& dc, const CLayer& layer, const RECT& item, int charWidth, bool selected, COLORREF highlight,
                  COLORREF highlightText) {
  const COLORREF back = selected ? highlight : RGB(255, 255, 255);
  dc.SelectPen(CPen{PS_SOLID, 1, back});
  dc.SelectBrush(CBrush{BS_SOLID, 0, back});
  dc.Rectangle(item.left, item.top, item.right, item.bottom);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(selected ? highlightText : RGB(0, 0, 0));
  const LayerRowColumns col = LayerColumns(item.left, charWidth);
  dc.TextOut(col.name, item.top + 3, layer.m_strName);
  // The fill: a hatch of the layer's pattern in its colour, or solid.
  if (layer.m_nFill >= 0 && layer.m_nFill < 6)
    dc.SelectBrush(CBrush{BS_HATCHED, layer.m_nFill, layer.m_color});
  else
    dc.SelectBrush(CBrush{BS_SOLID, 0, layer.m_color});
  dc.SelectPen(CPen{PS_SOLID, 1, RGB(0, 0, 0)});
  dc.Rectangle(col.swatch, item.top + 2, col.swatch + 25, item.bottom - 2);
  dc.TextOut(col.state, item.top + 3, LayerStateText(layer));
  const int middle = (item.top + item.bottom) / 2;
  dc.SelectPen(CPen{layer.m_nPenStyle, std::max(layer.m_nWidth, 1), layer.m_color});
  dc.MoveTo(col.line, middle);
  dc.LineTo(col.line + col.lineLength, middle);
}

}  // namespace qzn
