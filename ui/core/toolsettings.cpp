#include "ui/core/toolsettings.h"

namespace qzn {

CPickedPoint g_pickedPoint;

}  // namespace qzn
