#include "ui/wxresources.h"

#include <map>
#include <memory>
#include <set>
#include <string>

#include <wx/image.h>

#include "resources/accelerators.h"
#include "resources/images.h"
#include "resources/toolbarpictures.h"
#include "ui/wxtext.h"

namespace qzn {

wxMenuBar* BuildMenuBar() { return BuildMenuBar(res::MainMenu()); }

wxAcceleratorTable MenuAccelerators(std::span<const res::MenuItem> items) {
  std::vector<wxAcceleratorEntry> entries;
  for (const res::MenuItem& item : items) {
    const std::string last = res::SplitMenuPath(item.path).back();
    if (item.id == 0 || last.find('\t') == std::string::npos) continue;
    std::unique_ptr<wxAcceleratorEntry> e(wxAcceleratorEntry::Create(U8(last)));
    if (e) entries.emplace_back(e->GetFlags(), e->GetKeyCode(), WxId(item.id));
  }
  return wxAcceleratorTable(static_cast<int>(entries.size()), entries.data());
}

wxMenuBar* BuildMenuBar(std::span<const res::MenuItem> items) {
  auto* bar = new wxMenuBar;
  std::map<std::string, wxMenu*> menus;  // by path prefix
  for (const res::MenuItem& item : items) {
    const std::vector<std::string> levels = res::SplitMenuPath(item.path);
    std::string prefix;
    wxMenu* parent = nullptr;
    for (std::size_t i = 0; i + 1 < levels.size(); ++i) {
      prefix += levels[i] + " > ";
      auto it = menus.find(prefix);
      if (it == menus.end()) {
        auto* m = new wxMenu;
        if (parent)
          parent->AppendSubMenu(m, U8(levels[i]));
        else
          bar->Append(m, U8(levels[i]));
        it = menus.emplace(prefix, m).first;
      }
      parent = it->second;
    }
    if (!parent) continue;
    if (item.id == 0)
      parent->AppendSeparator();
    else if (IsCheckCommand(item.id))
      parent->AppendCheckItem(WxId(item.id), U8(levels.back()));
    else
      parent->Append(WxId(item.id), U8(levels.back()));
  }
  return bar;
}

namespace {
std::set<int>& CheckCommands() {
  static std::set<int> ids;
  return ids;
}
}  // namespace

void MarkCheckCommands(const std::vector<int>& ids) { CheckCommands().insert(ids.begin(), ids.end()); }

bool IsCheckCommand(int id) { return CheckCommands().count(id) != 0; }

wxMenu* BuildPopupMenu(const std::vector<ContextMenuItem>& items) {
  auto* menu = new wxMenu;
  for (const ContextMenuItem& i : items) {
    if (i.id == 0) {
      menu->AppendSeparator();
      continue;
    }
    wxMenuItem* item = i.checked ? menu->AppendCheckItem(WxId(i.id), U8(i.text)) : menu->Append(WxId(i.id), U8(i.text));
    if (i.checked) item->Check(true);
    if (!i.enabled) item->Enable(false);
  }
  return menu;
}

namespace {

wxImage Picture(const char* const* rows, int size) {
  wxImage img(size, size);
  img.InitAlpha();
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const std::int32_t c = res::PictureColour(rows[y][x]);
      if (c < 0) {
        img.SetRGB(x, y, 255, 255, 255);
        img.SetAlpha(x, y, 0);
      } else {
        img.SetRGB(x, y, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
        img.SetAlpha(x, y, 255);
      }
    }
  return img;
}

}  // namespace

wxBitmapBundle ToolBitmap(int id) {
  const char* svg = res::ToolbarPicture(id);
  if (!svg) return wxBitmapBundle();
  return wxBitmapBundle::FromSVG(svg, wxSize(kToolPictureSize, kToolPictureSize));
}

wxCursor MakeCursor(int id) {
  const res::CursorImage& c = res::Cursor(id);
  wxImage img = Picture(c.rows, 32);
  img.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_X, c.hotX);
  img.SetOption(wxIMAGE_OPTION_CUR_HOTSPOT_Y, c.hotY);
  return wxCursor(img);
}

int WxKeyOfVirtualKey(int vk) {
  if (vk >= res::kVkF1 && vk < res::kVkF1 + 24) return WXK_F1 + (vk - res::kVkF1);
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return vk;
  return 0;
}

wxAcceleratorTable DefaultAcceleratorTable() {
  std::vector<wxAcceleratorEntry> entries;
  for (const res::Accelerator& a : res::DefaultAccelerators()) {
    int flags = wxACCEL_NORMAL;
    if (a.flags & res::kAccControl) flags |= wxACCEL_CTRL;
    if (a.flags & res::kAccShift) flags |= wxACCEL_SHIFT;
    if (a.flags & res::kAccAlt) flags |= wxACCEL_ALT;
    const int key = WxKeyOfVirtualKey(a.key);
    if (key) entries.emplace_back(flags, key, WxId(a.id));
  }
  return wxAcceleratorTable(static_cast<int>(entries.size()), entries.data());
}

}  // namespace qzn
