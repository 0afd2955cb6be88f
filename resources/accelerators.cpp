#include "resources/accelerators.h"

#include "resources/commands.h"

namespace qzn::res {

namespace {
constexpr int kCtrl = kAccVirtKey | kAccControl;
constexpr Accelerator kAccelerators[] = {
    {kCtrl, 'N', cmd::kFileNew},
    {kCtrl, 'O', cmd::kFileOpen},
    {kCtrl, 'P', cmd::kFilePrint},
    {kCtrl, 'Z', cmd::kEditUndo},
    {kCtrl, 'C', cmd::kEditCopy},
    {kAccVirtKey, kVkF2, cmd::kViewZoomIn},
    {kAccVirtKey, kVkF3, cmd::kViewZoomOut},
    {kAccVirtKey, kVkF4, cmd::kViewContrast},
    {kAccVirtKey, kVkF5, cmd::kViewFullView},
    {kAccVirtKey, kVkF6, cmd::kViewPreviousView},
};
}  // namespace

std::span<const Accelerator> DefaultAccelerators() { return kAccelerators; }

}  // namespace qzn::res
