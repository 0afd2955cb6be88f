// The one road of texts into and out of wx lives with the widgets, below
// the window (widgets/wxtext.h).
#pragma once

#include "widgets/wxtext.h"
