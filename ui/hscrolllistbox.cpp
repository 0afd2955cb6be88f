#include "ui/hscrolllistbox.h"

#include <algorithm>

#include <wx/dcclient.h>

#include "ui/wxtext.h"

namespace qzn {

namespace {

// Tabs expanded to the next stop (the last stop repeats its step).
int TextWidth(wxWindow* w, const std::string& text, const std::vector<int>& stops) {
  wxClientDC dc(w);
  dc.SetFont(w->GetFont());
  int x = 0;
  std::size_t tab = 0, start = 0;
  for (;;) {
    const std::size_t at = text.find('\t', start);
    x += dc.GetTextExtent(U8(text.substr(start, at == std::string::npos ? std::string::npos : at - start))).x;
    if (at == std::string::npos) break;
    const int step = stops.empty() ? 8 : stops.back() > 0 ? stops.back() : 8;
    int next = tab < stops.size() ? stops[tab] : ((x / step) + 1) * step;
    if (next <= x) next = ((x / step) + 1) * step;
    x = next;
    ++tab;
    start = at + 1;
  }
  return x;
}

}  // namespace

CHScrollListBox::CHScrollListBox(wxWindow* parent, int id, const wxPoint& pos, const wxSize& size)
    : wxListBox(parent, id, pos, size, 0, nullptr, wxLB_SINGLE | wxLB_HSCROLL),
      m_extent([this](const std::string& t, const std::vector<int>& stops) { return TextWidth(this, t, stops); }) {}

int CHScrollListBox::AddString(const std::string& utf8) { return InsertString(static_cast<int>(m_items.size()), utf8); }

int CHScrollListBox::InsertString(int index, const std::string& utf8) {
  const int at = std::clamp(index, 0, static_cast<int>(m_items.size()));
  Insert(U8(utf8), static_cast<unsigned>(at));
  m_items.insert(m_items.begin() + at, utf8);
  m_extent.Inserted(static_cast<std::size_t>(at), utf8);
  return at;
}

void CHScrollListBox::DeleteString(int index) {
  if (index < 0 || index >= static_cast<int>(m_items.size())) return;
  Delete(static_cast<unsigned>(index));
  m_items.erase(m_items.begin() + index);
  m_extent.Deleted(static_cast<std::size_t>(index));
}

void CHScrollListBox::SetTabStops(const std::vector<int>& dialogUnits) {
  wxClientDC dc(this);
  dc.SetFont(GetFont());
  m_extent.SetTabStops(dialogUnits, dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz").x);
  if (!m_extent.suspended) RecalcExtent();
}

void CHScrollListBox::RecalcExtent() { m_extent.Recalc(m_items); }

}  // namespace qzn
