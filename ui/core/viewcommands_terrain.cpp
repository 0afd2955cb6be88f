// Elevation grids and DEMs from the lines and points, the image draped over
// the 3D model, the vector report and the batch script editor.
#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

constexpr ViewCommand kCommands[] = {
    {0, nullptr, nullptr, nullptr},
};

}  // namespace

std::span<const ViewCommand> TerrainCommands() { return std::span<const ViewCommand>(kCommands).first(0); }

}  // namespace qzn::vc
