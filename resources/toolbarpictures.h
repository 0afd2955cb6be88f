// The pictures of the toolbar buttons: small SVG drawings, one file each in
// resources/toolbar/, carried in the program as text (made into
// toolbar_pictures.cpp at build time). Drawn on a 16 x 16 grid so they are
// sharp at 16 pixels and scale cleanly to 24 and 32.
#pragma once

#include <span>

namespace qzn::res {

struct ToolbarPictureFile {
  const char* name;  // the file's name without ".svg"
  const char* svg;   // its text, UTF-8
};

// Every picture file, ordered by name.
std::span<const ToolbarPictureFile> ToolbarPictureFiles();

// The name of the picture of a toolbar button's command; null for a command
// that has none.
const char* ToolbarPictureName(int commandId);

// The SVG text of that picture; null for none.
const char* ToolbarPicture(int commandId);

}  // namespace qzn::res
