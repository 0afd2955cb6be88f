#include "ui/core/toolsettings.h"

namespace qzn {

double g_autoTraceTolerance = 1.0;
CPickedPoint g_pickedPoint;

}  // namespace qzn
