// The window's string table: the texts that have a resource id. The
// window's other texts are in messages_window.h.
#pragma once

#include "resources/messages_common.h"  // the unit names, among others

namespace qzn::res {

// The string table. Null for an unknown id.
const char* LoadString(int id);
enum : int {
  kStrAppTitle = 57344,        // the application title ("QZN for Windows")
  kStrDocTemplate = 3,         // the workspace template's description
  kStrCoordinatePane = 32874,  // sizes the status bar's coordinate pane
  kStrDefaultLayer = 59143,    // the name of layer "0"
};

}  // namespace qzn::res
