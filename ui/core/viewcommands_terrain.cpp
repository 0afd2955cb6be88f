// The vector report and the batch script editor. (Elevation grids, DEMs and
// the drape over the 3D model are the 3D window's own commands.)
#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/batchdlg.h"
#include "ui/core/reportdlg.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

void VectorReport(CQznView& v) { RunVectorReport(v.Document()); }

// The editor's apply runs the script over the workspace: the current tool
// lets go of the data before the editor opens.
void BatchScript(CQznView& v) {
  SettleTools(v);
  OnBatchScript(v);
}

constexpr ViewCommand kCommands[] = {
    {cmd::kVectorReport, HasLines, nullptr, VectorReport},
    {cmd::kVectorBatchScript, HasImage, nullptr, BatchScript},
};

}  // namespace

std::span<const ViewCommand> TerrainCommands() { return kCommands; }

}  // namespace qzn::vc
