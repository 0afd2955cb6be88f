#include "ui/core/viewcommands.h"

#include <algorithm>
#include <filesystem>
#include <unordered_map>

#include "model/helpers.h"
#include "platform/canvas.h"
#include "platform/textfile.h"
#include "ui/core/displaybitmap.h"
#include "ui/core/viewcommands_common.h"

namespace qzn {

namespace {

IViewServices* g_services = nullptr;

}  // namespace

void SetViewServices(IViewServices* services) { g_services = services; }
IViewServices* ViewServices() { return g_services; }

const std::vector<ViewCommand>& ViewCommands() {
  static const std::vector<ViewCommand> all = [] {
    std::vector<ViewCommand> v;
    for (auto part : {vc::ExchangeCommands(), vc::ImageCommands(), vc::LineCommands(), vc::LineDialogCommands(),
                      vc::PointLayerCommands(), vc::GeorefCommands(), vc::PrintCommands(), vc::DisplayCommands(),
                      vc::IdAndDisplayDialogCommands(), vc::TerrainCommands()})
      v.insert(v.end(), part.begin(), part.end());
    return v;
  }();
  return all;
}

const ViewCommand* FindViewCommand(int id) {
  static const std::unordered_map<int, const ViewCommand*> byId = [] {
    std::unordered_map<int, const ViewCommand*> m;
    for (const ViewCommand& c : ViewCommands()) m.emplace(c.id, &c);
    return m;
  }();
  const auto it = byId.find(id);
  return it == byId.end() ? nullptr : it->second;
}

bool IsViewCommandEnabled(const CQznView& view, int id) {
  const ViewCommand* c = FindViewCommand(id);
  return c && c->run && (!c->enabled || c->enabled(view));
}

bool IsViewCommandChecked(const CQznView& view, int id) {
  const ViewCommand* c = FindViewCommand(id);
  return c && c->checked && c->checked(view);
}

bool RunViewCommand(CQznView& view, int id) {
  if (!IsViewCommandEnabled(view, id)) return false;
  FindViewCommand(id)->run(view);
  return true;
}

bool RenderViewPicture(CQznView& view, RgbBitmap& out) {
  const int w = std::max<int>(view.clientSize.cx, 1), h = std::max<int>(view.clientSize.cy, 1);
  std::unique_ptr<CRasterCanvas> dc;
  try {
    dc = std::make_unique<CRasterCanvas>(w, h, RGB(255, 255, 255));
  } catch (const std::bad_alloc&) {
    return false;
  }
  const RgbBitmap& disp = view.DisplayBitmap();
  if (view.flags.image && !disp.empty()) dc->PutPicture(disp.rgb.data(), disp.width, disp.height);
  view.DrawOverlays(*dc, RECT{0, 0, w, h});
  out.width = w;
  out.height = h;
  out.rgb = dc->Pixels();
  return true;
}

namespace vc {

// ---- state ---------------------------------------------------------------------------------

bool HasDoc(const CQznView& v) { return v.Document() != nullptr; }
bool HasImage(const CQznView& v) { return HasDoc(v) && v.Document()->m_image.HasPixels(); }
bool IsGrey(const CQznView& v) { return HasDoc(v) && v.Document()->IsGreyImage(); }
bool IsRgb(const CQznView& v) { return HasDoc(v) && v.Document()->IsRgbImage(); }
bool IsPalette(const CQznView& v) { return HasDoc(v) && v.Document()->IsPaletteImage(); }
bool IsClassified(const CQznView& v) { return HasDoc(v) && v.Document()->IsClassifiedImage(); }
bool IsBilevel(const CQznView& v) { return HasImage(v) && v.Document()->m_image.bitsPerSample == 1; }
bool HasLines(const CQznView& v) { return HasDoc(v) && !v.Document()->m_lines.IsEmpty(); }
bool HasPoints(const CQznView& v) { return HasDoc(v) && !v.Document()->m_points.IsEmpty(); }
bool HasNotes(const CQznView& v) { return HasDoc(v) && !v.Document()->m_notes.IsEmpty(); }
bool HasBlocks(const CQznView& v) { return HasDoc(v) && !v.Document()->m_textBlocks.IsEmpty(); }
bool HasCrossMarks(const CQznView& v) { return HasDoc(v) && !v.Document()->m_crossMarks.IsEmpty(); }
bool HasChars(const CQznView& v) { return HasDoc(v) && !v.Document()->m_chars.IsEmpty(); }
bool NoLinesAnywhere(const CQznView& v) {
  return !HasDoc(v) || (v.Document()->m_lines.IsEmpty() && v.Document()->m_hiddenLines.IsEmpty());
}
bool NoPointsAnywhere(const CQznView& v) {
  return !HasDoc(v) || (v.Document()->m_points.IsEmpty() && v.Document()->m_hiddenPoints.IsEmpty());
}
std::int64_t ControlPointCount(const CQznView& v) { return HasDoc(v) ? v.Document()->m_controlPts.GetCount() : 0; }
bool WorldFileActive(const CQznView& v) { return HasDoc(v) && v.Document()->m_tfw.m_nTerms != 0; }
bool InMode(const CQznView& v, EditMode mode) { return v.editMode == mode; }

void SettleTools(CQznView& v) {
  if (CEditTool* tool = v.Tool()) tool->FinishAndDrop();
}

// ---- refresh -------------------------------------------------------------------------------

void RenderAndRepaint(CQznView& v, bool reset, bool overview) {
  if (v.RenderDisplayBuffer(reset)) v.PaintDisplayBuffer();
  if (overview) v.UpdateOverview();
  v.Refresh();
}

void RenderWithPalette(CQznView& v, bool reset) {
  if (v.RenderDisplayBuffer(reset)) {
    v.BuildPalette();
    v.PaintDisplayBuffer();
  }
  v.UpdateOverview();
  v.Refresh();
}

void ReallocateDisplay(CQznView& v) {
  if (v.AllocDisplayBuffer(true)) {
    v.BuildPalette();
    v.PaintDisplayBuffer();
  }
  v.Refresh();
}

void OverviewAndFullView(CQznView& v) {
  v.UpdateOverview();
  v.OnViewFullView();
}

// ---- file dialogs ----------------------------------------------------------------------------

std::string WithoutExtension(const std::string& path) {
  if (path.empty()) return {};
  CFilePath p(path);
  return p.GetDrivePart() + p.GetDirPart() + p.GetNamePart();
}

std::string WithExtension(const std::string& path, const std::string& extension) {
  return WithoutExtension(path) + "." + extension;
}

std::string UpperExtension(const std::string& path) {
  CFilePath p(path);
  std::string ext = p.GetExtPart();
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return Upper(ext);
}

std::string ImageStem(const CQznDoc& doc) { return WithoutExtension(doc.m_paths[CQznDoc::kPathImage]); }

FileDialogRequest FileRequest(FileDialogKind kind, const char* extension, const std::string& name, unsigned flags,
                              const char* filter) {
  FileDialogRequest r;
  r.kind = kind;
  r.defaultExtension = extension;
  r.fileName = name;
  r.flags = flags;
  r.filter = filter;
  return r;
}

}  // namespace vc

}  // namespace qzn
