# Writes the toolbar pictures (resources/toolbar/*.svg) into one C++ source as
# text, so the program carries them and finds them by name without files
# beside it. Run as: cmake -DOUT=<file.cpp> -DDIR=<folder of .svg> -P <this>.
file(GLOB _svgs ${DIR}/*.svg)
list(SORT _svgs)
set(_body "")
foreach(_svg IN LISTS _svgs)
  get_filename_component(_name ${_svg} NAME_WE)
  file(READ ${_svg} _text)
  string(FIND "${_text}" ")svg\"" _clash)
  if(NOT _clash EQUAL -1)
    message(FATAL_ERROR "${_svg} holds the text that ends a raw string")
  endif()
  string(APPEND _body "    {\"${_name}\", R\"svg(${_text})svg\"},\n")
endforeach()
set(_out "// Made at build time from resources/toolbar/*.svg: edit those files, not this one.
#include \"resources/toolbarpictures.h\"

namespace qzn::res {

namespace {
constexpr ToolbarPictureFile kFiles[] = {
${_body}};
}  // namespace

std::span<const ToolbarPictureFile> ToolbarPictureFiles() { return kFiles; }

}  // namespace qzn::res
")
# Rewritten only when it changes, so an unchanged picture set builds nothing.
set(_old "")
if(EXISTS ${OUT})
  file(READ ${OUT} _old)
endif()
if(NOT _old STREQUAL _out)
  file(WRITE ${OUT} "${_out}")
endif()
