// The menus as data: every item is a command id with its menu path, the
// levels joined by " > " ("文件(&F) > 打开图像或方案(&O)...\tCtrl+O"); "&"
// marks the mnemonic and "\t" starts the shortcut shown beside the text. A
// separator is id 0 with "-" as its last level. ui/ turns the tables into
// the toolkit's menus; nothing here knows the toolkit.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qzn::res {

struct MenuItem {
  int id;
  const char* path;
};

// The main window's menu bar, in display order.
std::span<const MenuItem> MainMenu();

// The 3D window's menu bar (resource 167).
std::span<const MenuItem> View3DMenu();

// The context-menu resources of the tools (209 and 210: the default tool's).
// Empty for an unknown resource.
std::span<const MenuItem> ContextMenu(int resourceId);
enum : int { kMenuDefaultImage = 209, kMenuDefaultLines = 210 };
// The edit tools' menus (resources/toolmenus.cpp): annotation 193, line 194,
// control point 195, point 196, image 197, text block 198, merge 205,
// angle 206.
enum : int {
  kMenuNoteTool = 193,
  kMenuLineTool = 194,
  kMenuControlPointTool = 195,
  kMenuPointTool = 196,
  kMenuImageTool = 197,
  kMenuTextBlockTool = 198,
  kMenuMergeTool = 205,
  kMenuAngleTool = 206
};
std::span<const MenuItem> ToolContextMenu(int resourceId);

// The levels of a path ("a > b > c" -> {"a", "b", "c"}).
std::vector<std::string> SplitMenuPath(std::string_view path);

// The last level of the first menu path of a command, without its shortcut
// ("\t...") part; empty when no menu holds the command. Toolbars use it as
// their tooltip.
std::string CommandText(int id);

// The text without "&" mnemonics, the "\t" shortcut and a trailing "...".
std::string PlainText(std::string_view text);

}  // namespace qzn::res
