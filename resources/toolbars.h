// The two toolbars: button command ids in order, 0 for a separator. A
// button's tooltip is its command's menu text (CommandText); its picture is
// ToolbarPicture(id) (resources/toolbarpictures.h).
#pragma once

#include <span>
#include <string>

namespace qzn::res {

enum : int { kToolBarBasic = 2, kToolBarView = 163 };

// Buttons of a toolbar resource; empty for an unknown one.
std::span<const int> ToolbarButtons(int resourceId);

// A button's tooltip: its command's menu text without mnemonic and shortcut,
// or the text of a command no menu holds (the context help).
std::string ButtonTip(int command);

// What the context help says of a button: the prompt its command shows in
// the status bar, or its tooltip where the command has no prompt.
std::string ButtonPrompt(int command);

// The view toolbar's entry (index from 0, separators counted) that holds the
// current-layer combo (command id cmd::kLayerCombo) while the bar lies
// horizontally; lying vertically it is a narrow separator and the combo is
// hidden.
constexpr int kLayerComboSlot = 28;
constexpr int kLayerComboWidth = 142;  // pixels, horizontal
constexpr int kLayerComboSlotVertical = 27;

}  // namespace qzn::res
