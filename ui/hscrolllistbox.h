// A list box whose items can be scrolled sideways when they are wider than
// the box (image paths, command names with their keys). GTK scrolls the
// list itself; the box keeps the width bookkeeping so callers can ask for
// the extent and set tab stops in dialog units.
#pragma once

#include <string>
#include <vector>

#include <wx/listbox.h>

#include "ui/core/hscrolllist.h"

namespace qzn {

class CHScrollListBox : public wxListBox {
 public:
  CHScrollListBox(wxWindow* parent, int id, const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);
  int AddString(const std::string& utf8);
  int InsertString(int index, const std::string& utf8);
  void DeleteString(int index);
  void SetTabStops(const std::vector<int>& dialogUnits);
  void Suspend(bool on) { m_extent.suspended = on; }
  void RecalcExtent();
  int GetHorizontalExtent() const { return m_extent.Extent(); }

 private:
  std::vector<std::string> m_items;
  CHScrollExtent m_extent;
};

}  // namespace qzn
