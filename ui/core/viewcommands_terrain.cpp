// The vector report. (Elevation grids, DEMs and the drape over the 3D model
// are the 3D window's own commands.)
#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/reportdlg.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

void VectorReport(CQznView& v) { RunVectorReport(v.Document()); }

constexpr ViewCommand kCommands[] = {
    {33110, HasLines, nullptr, VectorReport},
};

}  // namespace

std::span<const ViewCommand> TerrainCommands() { return kCommands; }

}  // namespace qzn::vc
