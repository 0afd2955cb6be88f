// What the view commands share: the states their enablers test, the
// display refresh sequences that follow an image operation, and the initial
// names and requests of their file dialogs.
#pragma once

#include <span>
#include <string>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "ui/core/qznview.h"
#include "ui/core/viewcommands.h"

namespace qzn::vc {

// ---- the document's state, as the enablers see it ---------------------------------
inline CQznDoc& Doc(CQznView& v) { return *v.Document(); }
bool HasDoc(const CQznView& v);
bool HasImage(const CQznView& v);
bool IsGrey(const CQznView& v);
bool IsRgb(const CQznView& v);
bool IsPalette(const CQznView& v);
bool IsClassified(const CQznView& v);
bool IsBilevel(const CQznView& v);  // a loaded image of 1 bit a sample
// Lines, points and notes of the visible layers.
bool HasLines(const CQznView& v);
bool HasPoints(const CQznView& v);
bool HasNotes(const CQznView& v);
bool HasBlocks(const CQznView& v);
bool HasCrossMarks(const CQznView& v);
bool HasChars(const CQznView& v);
// No lines (points) at all, hidden layers included: an image operation that
// moves pixels would leave any of them behind.
bool NoLinesAnywhere(const CQznView& v);
bool NoPointsAnywhere(const CQznView& v);
std::int64_t ControlPointCount(const CQznView& v);
bool WorldFileActive(const CQznView& v);
bool InMode(const CQznView& v, EditMode mode);

// A command is about to change data behind the current tool: the tool
// finishes what it is doing and lets go of its undo steps and of every
// object it holds.
void SettleTools(CQznView& v);

// ---- refresh sequences after an image operation ------------------------------------
// Render (`reset`: the display window starts again from the image), paint,
// repaint; the overview first when asked.
void RenderAndRepaint(CQznView& v, bool reset, bool overview = false);
// Render (with reset unless asked otherwise), the palette rebuilt from the
// image, paint, overview, repaint.
void RenderWithPalette(CQznView& v, bool reset = true);
// The display buffer made again (8 and 24 bits need different ones), the
// palette rebuilt, paint; repaint.
void ReallocateDisplay(CQznView& v);
// The overview, then the whole workspace (its size may have changed).
void OverviewAndFullView(CQznView& v);

// ---- file dialogs ------------------------------------------------------------------------
std::string WithoutExtension(const std::string& path);
std::string WithExtension(const std::string& path, const std::string& extension);  // extension without dot
std::string UpperExtension(const std::string& path);                               // without dot
// The image's path without its extension: the dialog opens in the image's
// folder with its name proposed. Empty without an image path.
std::string ImageStem(const CQznDoc& doc);
FileDialogRequest FileRequest(FileDialogKind kind, const char* extension, const std::string& name, unsigned flags,
                              const char* filter);

// ---- the parts of the command table -----------------------------------------------------
std::span<const ViewCommand> ExchangeCommands();
std::span<const ViewCommand> ImageCommands();
std::span<const ViewCommand> LineCommands();
std::span<const ViewCommand> LineDialogCommands();
std::span<const ViewCommand> IdAndDisplayDialogCommands();
std::span<const ViewCommand> PointLayerCommands();
std::span<const ViewCommand> GeorefCommands();
std::span<const ViewCommand> PrintCommands();
std::span<const ViewCommand> DisplayCommands();
std::span<const ViewCommand> TerrainCommands();

}  // namespace qzn::vc
