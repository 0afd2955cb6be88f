// The two toolbars: button command ids in order, 0 for a separator. A
// button's tooltip is its command's menu text (CommandText); its picture is
// ToolbarPicture(id) (resources/toolbarpictures.h).
#pragma once

#include <span>

namespace qzn::res {

enum : int { kToolBarBasic = 2, kToolBarView = 163 };

// Buttons of a toolbar resource; empty for an unknown one.
std::span<const int> ToolbarButtons(int resourceId);

// The view toolbar's entry (index from 0, separators counted) that holds the
// current-layer combo (command id cmd::kLayerCombo) while the bar lies
// horizontally; lying vertically it is a narrow separator and the combo is
// hidden.
constexpr int kLayerComboSlot = 28;
constexpr int kLayerComboWidth = 142;  // pixels, horizontal
constexpr int kLayerComboSlotVertical = 27;

}  // namespace qzn::res
