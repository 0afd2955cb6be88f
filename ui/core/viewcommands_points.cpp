// Points, text blocks, OCR characters, notes and layers: the commands over
// whole lists and their side files.
#include <stdexcept>

#include "model/helpers.h"
#include "platform/archive.h"
#include "platform/atomicfile.h"
#include "app/georeference.h"
#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/ocrdlg.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

namespace text = res::text;
constexpr unsigned kQuestion = MB_YESNO | MB_ICONQUESTION;
constexpr unsigned kSaveFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;                      // 6
constexpr unsigned kOpenFlags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;  // 4102

bool PointsNotEditing(const CQznView& v) { return HasPoints(v) && !InMode(v, EditMode::kPointEdit); }
bool HasAttributeFile(const CQznView& v) {
  return HasDoc(v) && !v.Document()->m_paths[CQznDoc::kPathAttributes].empty();
}
bool FewLayers(const CQznView& v) { return HasDoc(v) && v.Document()->m_layers.GetCount() < 2; }
bool CanLoadOcr(const CQznView& v) { return HasBlocks(v) && HasImage(v); }
bool CanLoadNotes(const CQznView& v) { return HasImage(v) || HasLines(v) || HasPoints(v); }

void DeleteAllPoints(CQznView& v) {
  if (AfxMessageBox(text::kAskDeleteAllPoints, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  SettleTools(v);
  CPtList& points = Doc(v).m_points;
  points.DeleteAll();
  points.m_nModified = 1;  // the deletion is unsaved work
  v.Refresh();
}

void DeleteTextBlocks(CQznView& v) {
  CBoxList& blocks = Doc(v).m_textBlocks;
  const RECT band = v.rubberBand;
  const bool all = IsRectEmpty(band);
  if (AfxMessageBox(all ? text::kAskClearAllTextBlocks : text::kAskClearTextBlocksInArea, kQuestion) != IDYES) return;
  SettleTools(v);
  if (all)
    blocks.RemoveAll();
  else
    blocks.DeleteInRect(band);
  blocks.m_nModified = 1;
  v.Refresh();
}

void EditAttributeFile(CQznView& v) {
  if (IViewServices* s = ViewServices()) s->OpenInEditor(Doc(v).m_paths[CQznDoc::kPathAttributes]);
}

// ---- side files ------------------------------------------------------------------------------

// The name a load proposes: the list's own file, else the image's name with
// the file kind's extension, else a pattern of it.
std::string LoadName(const CQznDoc& d, const std::string& own, const char* extension) {
  if (!own.empty()) return own;
  if (!d.m_paths[CQznDoc::kPathImage].empty()) return WithExtension(d.m_paths[CQznDoc::kPathImage], extension);
  return std::string("*.") + extension;
}
// The name a save proposes: the list's own file, else the image's name.
std::string SaveName(const CQznDoc& d, const std::string& own) { return own.empty() ? ImageStem(d) : own; }

std::string AskLoad(const CQznDoc& d, const std::string& own, const char* extension, const char* filter) {
  return AskFilePath(FileRequest(FileDialogKind::open, extension, LoadName(d, own, extension), kOpenFlags, filter));
}
std::string AskSave(const CQznDoc& d, const std::string& own, const char* extension, const char* filter) {
  return AskFilePath(FileRequest(FileDialogKind::save, extension, SaveName(d, own), kSaveFlags, filter));
}

void LoadTextBlocks(CQznView& v) {
  CBoxList& blocks = Doc(v).m_textBlocks;
  const std::string path = AskLoad(Doc(v), blocks.m_strFileName, "blk", text::kTextBlockFilter);
  if (path.empty()) return;
  SettleTools(v);
  if (!blocks.ReadTextFile(path)) AfxMessageBox(text::kLoadTextBlocksError, MB_OK | MB_ICONSTOP);
  v.flags.textBlocks = true;
  v.Refresh();
}

void SaveTextBlocks(CQznView& v) {
  CBoxList& blocks = Doc(v).m_textBlocks;
  const std::string path = AskSave(Doc(v), blocks.m_strFileName, "blk", text::kTextBlockFilter);
  if (path.empty()) return;
  if (!blocks.WriteTextFile(path)) AfxMessageBox(text::kSaveTextBlocksError, MB_OK | MB_ICONSTOP);
}

void LoadOcr(CQznView& v) {
  CCharList& chars = Doc(v).m_chars;
  const std::string path = AskLoad(Doc(v), chars.m_strFileName, "ocr", text::kOcrFilter);
  if (path.empty()) return;
  if (!chars.ReadFile(path)) AfxMessageBox(text::kLoadOcrError, MB_OK | MB_ICONSTOP);
}

void SaveOcr(CQznView& v) {
  CCharList& chars = Doc(v).m_chars;
  const std::string path = AskSave(Doc(v), chars.m_strFileName, "ocr", text::kOcrFilter);
  if (path.empty()) return;
  if (!chars.WriteFile(path)) AfxMessageBox(text::kSaveOcrError, MB_OK | MB_ICONSTOP);
}

// The map-to-image rows of the workspace in the note reader's layout, five
// terms an axis: x, y, (unused), x y, constant. False without a reference.
bool NoteImportRows(const CQznDoc& d, double* cx, double* cy) {
  const bool world = d.m_tfw.m_nTerms != 0;
  CGeoreference georef;
  if (georef.Prepare(d, world ? GeorefKind::worldFile : GeorefKind::bilinear, kMapToImage) != CGeoreference::ok)
    return false;
  const double *x = georef.Map().XRow(), *y = georef.Map().YRow();
  // The affine rows' constant is their third term, the bilinear rows' fourth.
  const double rx[5] = {x[0], x[1], 0.0, world ? 0.0 : x[2], world ? x[2] : x[3]};
  const double ry[5] = {y[0], y[1], 0.0, world ? 0.0 : y[2], world ? y[2] : y[3]};
  std::copy(rx, rx + 5, cx);
  std::copy(ry, ry + 5, cy);
  return true;
}

void LoadNotes(CQznView& v) {
  CQznDoc& d = Doc(v);
  const std::string path = AskLoad(d, d.m_notes.m_strFileName, "nts", text::kNotesFilter);
  if (path.empty()) return;
  SettleTools(v);
  int ok = 0;
  if (d.m_controlPts.GetCount() >= 4 || d.m_tfw.m_nTerms != 0) {
    // Notes in map coordinates, placed through the workspace's reference.
    double cx[5] = {1, 0, 0, 0, 0}, cy[5] = {0, 1, 0, 0, 0};
    ok = NoteImportRows(d, cx, cy) && d.m_notes.ImportText(path, cx, cy);
  } else {
    ok = d.m_notes.LoadFile(path);
  }
  if (!ok) AfxMessageBox(text::kLoadNotesError, MB_OK | MB_ICONSTOP);
  v.flags.annotations = true;
  v.Refresh();
}

void SaveNotes(CQznView& v) {
  CNoteList& notes = Doc(v).m_notes;
  const std::string path = AskSave(Doc(v), notes.m_strFileName, "nts", text::kNotesFilter);
  if (path.empty()) return;
  if (!notes.SaveFile(path)) AfxMessageBox(text::kSaveNotesError, MB_OK | MB_ICONSTOP);
}

// ---- layer files ------------------------------------------------------------------------------

std::string AskLayerFile(FileDialogKind kind) {
  return AskFilePath(FileRequest(kind, "lay", std::string(), OFN_HIDEREADONLY, text::kLayerFileFilter));
}

// The layer table as stored in projects, written whole beside the old file
// and put in its place only when complete.
void SaveLayers(CQznView& v) {
  const std::string path = AskLayerFile(FileDialogKind::save);
  if (path.empty()) return;
  CLayerList& layers = Doc(v).m_layers;
  const int modified = layers.m_nModified;
  std::vector<std::uint8_t> bytes;
  try {
    CArchive ar;
    layers.Serialize(ar);
    bytes = ar.GetBuffer();
  } catch (const std::exception&) {
    bytes.clear();
  }
  layers.m_nModified = modified;  // writing a copy saves nothing of the project
  CAtomicFile file;
  if (bytes.empty() || !file.Open(path) || !file.Write(bytes.data(), bytes.size()) || !file.Commit()) {
    file.Abort();
    AfxMessageBox(text::kLayerFileOpenError, MB_OK);
  }
}

// A layer definition text file, else a stored layer table; anything else is
// refused and the layers stay.
void LoadLayers(CQznView& v) {
  const std::string path = AskLayerFile(FileDialogKind::open);
  if (path.empty()) return;
  CQznDoc& d = Doc(v);
  if (d.m_layers.LoadLayerFile(path, d.m_image.xResolution, d.GetUnitName())) {
    d.m_layers.m_nModified = 1;
    UpdateLayerBar(&d);
    return;
  }
  CLayerList read;
  try {
    std::unique_ptr<CArchive> ar = CArchive::OpenForLoad(path);
    read.Serialize(*ar);
    if (ar->BytesLeft() != 0) throw std::runtime_error("bytes after the layer table");
  } catch (const std::exception&) {
    AfxMessageBox(text::kLayerFileOpenError, MB_OK);
    return;
  }
  d.m_layers.m_layers.swap(read.m_layers);
  d.m_layers.m_nModified = 1;
  UpdateLayerBar(&d);
}

void OcrSignatures(CQznView& v) {
  COcrSignatureDlg dlg(&Doc(v).m_chars);
  DoModal(dlg);
}

constexpr ViewCommand kCommands[] = {
    {cmd::kEditDeletePoints, PointsNotEditing, nullptr, DeleteAllPoints},
    {cmd::kEditDeleteTextBlocks, HasBlocks, nullptr, DeleteTextBlocks},
    {cmd::kEditAttributeFile, HasAttributeFile, nullptr, EditAttributeFile},
    {cmd::kFileSaveLayers, HasDoc, nullptr, SaveLayers},
    {cmd::kFileLoadLayers, FewLayers, nullptr, LoadLayers},
    {cmd::kFileLoadTextBlocks, HasLines, nullptr, LoadTextBlocks},
    {cmd::kFileSaveTextBlocks, HasBlocks, nullptr, SaveTextBlocks},
    {cmd::kFileLoadOcr, CanLoadOcr, nullptr, LoadOcr},
    {cmd::kFileSaveOcr, HasChars, nullptr, SaveOcr},
    {cmd::kEditOcrSignatures, HasChars, nullptr, OcrSignatures},
    {cmd::kFileLoadRecords, CanLoadNotes, nullptr, LoadNotes},
    {cmd::kFileSaveRecords, HasNotes, nullptr, SaveNotes},
};

}  // namespace

std::span<const ViewCommand> PointLayerCommands() { return kCommands; }

}  // namespace qzn::vc
