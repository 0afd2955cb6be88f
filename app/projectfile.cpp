// The project file: the document's archive layout, saving with a backup of
// the previous file, and loading that changes the workspace only when the
// whole file was read.
#include "app/projectfile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <memory>
#include <new>
#include <system_error>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "model/layer.h"
#include "platform/atomicfile.h"
#include "platform/host.h"
#include "resources/messages_app.h"
#include "resources/messages_common.h"

namespace qzn {

namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(fs::path(path), ec);
}

void WriteRect(CArchive& ar, const RECT& r) { ar << r.left << r.top << r.right << r.bottom; }
void ReadRect(CArchive& ar, RECT& r) { ar >> r.left >> r.top >> r.right >> r.bottom; }

// A stored extent no workspace can have: its sides out of order, or a width
// or height beyond the int range (an extent with top INT32_MIN made the
// workspace's size overflow).
struct CBadExtent : CArchiveException {
  CBadExtent() : CArchiveException(badCount, "extent") {}
};

void CheckExtent(const RECT& r) {
  const std::int64_t w = static_cast<std::int64_t>(r.right) - r.left + 1;
  const std::int64_t h = static_cast<std::int64_t>(r.bottom) - r.top + 1;
  if (w < 1 || h < 1 || w > INT32_MAX || h > INT32_MAX) throw CBadExtent();
}

// A stored number no workspace can hold: a coordinate that is not finite
// or lies beyond the pixels (a line's bounds and every drawing are whole
// pixels), an ID, value, factor or colour statistic that is not finite.
// Such a file is refused whole, as a damaged one. (The world file and the
// control points are checked after loading, and refused as a reference
// without refusing the project.)
struct CBadNumber : CArchiveException {
  CBadNumber() : CArchiveException(badCount, "number") {}
};

void CheckLines(const CChainList& lines) {
  if (!std::isfinite(lines.m_fCurrentID) || !std::isfinite(lines.m_fIDIncrement) || !lines.IsInPixelRange())
    throw CBadNumber();
  for (const CChain* c : lines)
    if (c && !std::isfinite(c->m_fID)) throw CBadNumber();
}

void CheckPoints(const CPtList& points) {
  if (!std::isfinite(points.m_fNextID) || !std::isfinite(points.m_fIDIncrement)) throw CBadNumber();
  for (const CPointRec* p : points)
    if (p && (!InPixelRange(p->x) || !InPixelRange(p->y) || !std::isfinite(p->value))) throw CBadNumber();
}

void CheckNumbers(const CQznDoc& doc) {
  if (!std::isfinite(doc.m_fFactor)) throw CBadNumber();
  CheckLines(doc.m_lines);
  CheckLines(doc.m_hiddenLines);
  CheckPoints(doc.m_points);
  CheckPoints(doc.m_hiddenPoints);
  for (std::int64_t i = 0; i < doc.m_colorClasses.GetSize(); ++i) {
    const float* v = doc.m_colorClasses.GetAt(i).Data();
    for (int k = 0; k < 6; ++k)
      if (!std::isfinite(v[k])) throw CBadNumber();
  }
}

// ---- handing a loaded workspace over --------------------------------------

void MoveIDColors(CIDColorList& to, CIDColorList& from) {
  to.DeleteAll();
  to.AdoptAll(from);
  to.m_nModified = 0;
}

void TakeLines(CChainList& to, CChainList& from) {
  to.DeleteAll();
  to.AdoptAll(from);
  to.m_fIDIncrement = from.m_fIDIncrement;
  to.m_nAutoIncrement = from.m_nAutoIncrement;
  to.m_fCurrentID = from.m_fCurrentID;
  to.m_nPolygonsBuilt = from.m_nPolygonsBuilt;
  to.m_nTolerance = from.m_nTolerance;
  to.m_nCurrentWidth = from.m_nCurrentWidth;
  MoveIDColors(to.m_idColors, from.m_idColors);
  to.m_nModified = 0;
}

void TakePoints(CPtList& to, CPtList& from) {
  to.DeleteAll();
  to.AdoptAll(from);
  MoveIDColors(to.m_idColors, from.m_idColors);
  to.m_fNextID = from.m_fNextID;
  to.m_fIDIncrement = from.m_fIDIncrement;
  to.m_nAutoIncrement = from.m_nAutoIncrement;
  to.m_nPointSize = from.m_nPointSize;
  to.m_defaultColor = from.m_defaultColor;
  to.m_pLabelFont = std::move(from.m_pLabelFont);
  to.m_labelColor = from.m_labelColor;
  to.m_nModified = 0;
}

void TakeControlPoints(CControlPtList& to, CControlPtList& from) {
  to.RemoveAll();
  to.AdoptAll(from);
  // The fit belongs to the points it was made from.
  for (int i = 0; i < 4; ++i) {
    to.m_xRow[i] = from.m_xRow[i];
    to.m_yRow[i] = from.m_yRow[i];
  }
  to.m_nType = from.m_nType;
  to.m_coordSys = from.m_coordSys;
  to.m_nModified = 0;
}

void TakeBoxes(CBoxList& to, CBoxList& from) {
  to.RemoveAll();
  to.AdoptAll(from);
  to.m_color = from.m_color;
  to.m_nPenWidth = from.m_nPenWidth;
  to.m_strFileName = std::move(from.m_strFileName);
  to.m_nModified = 0;
}

void TakeNotes(CNoteList& to, CNoteList& from) {
  to.DeleteAll();
  to.AdoptAll(from);
  to.m_textColor = from.m_textColor;
  to.m_strFileName = std::move(from.m_strFileName);
  to.m_pFont = std::move(from.m_pFont);
  to.m_nModified = 0;
}

// Deletes the lines with fewer than two vertices: nothing can draw, pick or
// export them.
void DeleteDegenerateLines(CChainList& lines) {
  for (POSITION pos = lines.GetHeadPosition(); pos;) {
    const POSITION at = pos;
    const CChain* c = lines.GetNext(pos);
    if (!c || c->GetCount() < 2) lines.RemoveAt(at);
  }
}

// A second name for the file (a hard link, else a copy) at a fresh
// temporary path beside it; empty when it cannot be made. A project reached
// through a symbolic link is kept by the file the link points to.
std::string StageCopy(const std::string& path) {
  std::error_code linkError;
  const fs::path real = fs::is_symlink(path, linkError) ? fs::canonical(path, linkError) : fs::path(path);
  if (linkError) return std::string();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string staged =
        path + ".bak" + std::to_string(static_cast<long>(getpid())) + "_" + std::to_string(attempt);
    if (::link(real.c_str(), staged.c_str()) == 0) return staged;
    if (errno == EEXIST) continue;
    std::error_code ec;
    if (fs::copy_file(real, staged, fs::copy_options::none, ec)) return staged;
    if (ec == std::errc::file_exists) continue;
    fs::remove(staged, ec);
    return std::string();
  }
  return std::string();
}

}  // namespace

std::string ProjectBackupPath(const std::string& projectPath) {
  CFilePath p(projectPath);
  return p.GetDirectory() + p.GetNamePart() + ".pbk";
}

std::string FindProjectImage(const std::string& projectPath, const std::string& storedImagePath) {
  if (storedImagePath.empty()) return std::string();
  if (IsRegularFile(storedImagePath)) return storedImagePath;
  CFilePath stored(storedImagePath);
  const std::string name = stored.GetFileName(true);
  if (name.empty()) return std::string();
  CFilePath project(projectPath);
  std::string folder = project.GetDirectory();
  if (folder.empty()) folder = ".";
  const std::string beside = (fs::path(folder) / name).string();
  if (IsRegularFile(beside)) return beside;
  // The Windows program did not keep the case of names; a folder holds few
  // enough files to look through.
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    if (LayerNamesEqual(candidate, name) && IsRegularFile(it->path().string())) return it->path().string();
  }
  return std::string();
}

// ---- the layout -------------------------------------------------------------

// The twelve member sets, in their stored order, each in its own layout.
void CQznDoc::SerializeMemberSets(CArchive& ar) {
  CObject* const sets[] = {&m_lines, &m_points, &m_controlPts,  &m_textBlocks,   &m_crossMarks,  &m_chars,
                           &m_notes, &m_tfw,    &m_hiddenLines, &m_hiddenPoints, &m_hiddenNotes, &m_layers};
  for (CObject* set : sets) set->Serialize(ar);
}

void CQznDoc::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    WriteRect(ar, m_extent);
    WriteRect(ar, m_workRect);
    ar << static_cast<std::int32_t>(kProjectVersion) << m_fFactor
       << static_cast<std::int32_t>(static_cast<std::uint32_t>(m_nThreshHigh & 0xFFFF) |
                                    (static_cast<std::uint32_t>(m_nThreshLow) << 16));
    for (const std::string& p : m_paths) ar.WriteString(p);
    ar << static_cast<std::uint16_t>(m_nSpareWord);
    ar << static_cast<std::int32_t>(m_display.nodeColor) << static_cast<std::int32_t>(m_display.endColor);
    SerializeMemberSets(ar);
    CIDColorList lineColors, pointColors;
    lineColors.Copy(m_lines.m_idColors);
    lineColors.Serialize(ar);
    pointColors.Copy(m_points.m_idColors);
    pointColors.Serialize(ar);
    // The end-point setting is stored twice; the later copy is the one read.
    ar << static_cast<std::int32_t>(m_lineTool.snapToEndPoints) << static_cast<std::int32_t>(m_lineTool.autoTrace)
       << static_cast<std::int32_t>(m_lineTool.snap) << static_cast<std::int32_t>(m_lineTool.snapToEndPoints)
       << static_cast<std::int32_t>(m_lineTool.snapDistance);
    ar << static_cast<std::int32_t>(m_nDecimalIDs);
    m_colorClasses.SerializeTagged(ar);
  } else {
    ReadRect(ar, m_extent);
    CheckExtent(m_extent);
    ReadRect(ar, m_workRect);
    std::int32_t version = 0, threshold = 0;
    ar >> version >> m_fFactor >> threshold;
    m_nThreshHigh = static_cast<int>(static_cast<std::uint32_t>(threshold) & 0xFFFF);
    m_nThreshLow = static_cast<int>(static_cast<std::uint32_t>(threshold) >> 16);
    for (std::string& p : m_paths) p = ar.ReadString();
    std::uint16_t spare = 0;
    ar >> spare;
    m_nSpareWord = spare;
    if (version < 3 && !Host().IsQuiet()) AfxMessageBox(res::text::kOldProjectVersion, MB_OK | MB_ICONEXCLAMATION);
    if (version >= 4) {
      std::int32_t a = 0, b = 0;
      ar >> a >> b;
      m_display.nodeColor = static_cast<COLORREF>(a);
      m_display.endColor = static_cast<COLORREF>(b);
    }
    if (version >= 3) {
      // The stored tables replace the point lists' default ID colours.
      m_points.m_idColors.DeleteAll();
      m_hiddenPoints.m_idColors.DeleteAll();
      SerializeMemberSets(ar);
    }
    if (version >= 5) {
      // The same tables again: they replace what the lists brought rather
      // than being added to it, so a table does not grow with every load.
      CIDColorList lineColors, pointColors;
      lineColors.Serialize(ar);
      pointColors.Serialize(ar);
      MoveIDColors(m_lines.m_idColors, lineColors);
      MoveIDColors(m_points.m_idColors, pointColors);
    }
    if (version >= 6) {
      std::int32_t v[5] = {};
      for (std::int32_t& x : v) ar >> x;
      m_lineTool.autoTrace = v[1];
      m_lineTool.snap = v[2];
      m_lineTool.snapToEndPoints = v[3];
      m_lineTool.snapDistance = v[4];
    }
    if (version >= 7) {
      std::int32_t d = 0;
      ar >> d;
      m_nDecimalIDs = d;
    }
    if (version >= 8) m_colorClasses.SerializeTagged(ar);
    CheckNumbers(*this);
  }
  m_nVersion = 3;
  m_lines.m_nModified = m_points.m_nModified = m_controlPts.m_nModified = 0;
  m_textBlocks.m_nModified = m_crossMarks.m_nModified = m_chars.m_nModified = 0;
  m_notes.m_nModified = m_nTfwModified = m_layers.m_nModified = 0;
  m_hiddenLines.m_nModified = m_hiddenPoints.m_nModified = m_hiddenNotes.m_nModified = 0;
  m_nSettingsModified = 0;
}

void CQznDoc::TakeProjectData(CQznDoc& from) {
  m_extent = from.m_extent;
  m_workRect = from.m_workRect;
  m_fFactor = from.m_fFactor;
  m_nThreshHigh = from.m_nThreshHigh;
  m_nThreshLow = from.m_nThreshLow;
  for (int i = 0; i < kPathCount; ++i) m_paths[i] = std::move(from.m_paths[i]);
  m_nSpareWord = from.m_nSpareWord;
  m_display = from.m_display;
  TakeLines(m_lines, from.m_lines);
  TakePoints(m_points, from.m_points);
  TakeControlPoints(m_controlPts, from.m_controlPts);
  TakeBoxes(m_textBlocks, from.m_textBlocks);
  TakeBoxes(m_crossMarks, from.m_crossMarks);
  m_chars.TakeFrom(from.m_chars);
  TakeNotes(m_notes, from.m_notes);
  m_tfw = from.m_tfw;
  TakeLines(m_hiddenLines, from.m_hiddenLines);
  TakePoints(m_hiddenPoints, from.m_hiddenPoints);
  TakeNotes(m_hiddenNotes, from.m_hiddenNotes);
  m_layers.m_layers = std::move(from.m_layers.m_layers);
  m_layers.m_nModified = 0;
  m_lineTool = from.m_lineTool;
  m_nDecimalIDs = from.m_nDecimalIDs;
  m_colorClasses = from.m_colorClasses;
  m_nVersion = from.m_nVersion;
  m_nTfwModified = 0;
}

// ---- saving -------------------------------------------------------------------

int CQznDoc::BackupProjectFile(const std::string& path) {
  if (!IsRegularFile(path)) return 1;
  const std::string staged = StageCopy(path);
  if (staged.empty()) return 0;
  std::error_code ec;
  fs::rename(staged, ProjectBackupPath(path), ec);
  if (ec) fs::remove(staged, ec);
  return ec ? 0 : 1;
}

int CQznDoc::SaveProject(const std::string& path) {
  const std::string target = path.empty() ? m_paths[kPathProject] : path;
  if (target.empty()) return 0;
  if (!path.empty()) m_paths[kPathProject] = path;
  CWaitCapture wait;

  // The whole project is laid out in memory first; the file on disk is
  // replaced only by a complete, synced copy, and the previous file becomes
  // the ".pbk" only once the new one is in place.
  // Laying the project out clears the modified flags; a save that then
  // fails must leave the changes marked unsaved.
  int* const flags[] = {
      &m_lines.m_nModified,      &m_points.m_nModified,      &m_controlPts.m_nModified,   &m_textBlocks.m_nModified,
      &m_crossMarks.m_nModified, &m_chars.m_nModified,       &m_notes.m_nModified,        &m_nTfwModified,
      &m_layers.m_nModified,     &m_hiddenLines.m_nModified, &m_hiddenPoints.m_nModified, &m_hiddenNotes.m_nModified};
  int kept[std::size(flags)];
  for (std::size_t i = 0; i < std::size(flags); ++i) kept[i] = *flags[i];
  auto fail = [&](const char* text) {
    for (std::size_t i = 0; i < std::size(flags); ++i) *flags[i] = kept[i];
    AfxMessageBox(text, MB_OK | MB_ICONSTOP);
    return 0;
  };
  std::vector<std::uint8_t> bytes;
  try {
    CArchive ar;
    Serialize(ar);
    bytes = ar.GetBuffer();
  } catch (const std::bad_alloc&) {
    return fail(res::text::kErrorNoMemory);
  }
  CAtomicFile file;
  if (!file.Open(target) || !file.Write(bytes.data(), bytes.size())) {
    file.Abort();
    return fail(res::text::kCannotSaveProject);
  }
  std::string staged;
  // A project saved under its backup's own name keeps no backup: putting the
  // old file there would replace the new one.
  if (IsRegularFile(target) && ProjectBackupPath(target) != target) {
    staged = StageCopy(target);
    if (staged.empty()) {
      // Without a backup the previous project would be gone for good.
      file.Abort();
      return fail(res::text::kCannotSaveProject);
    }
  }
  std::error_code ec;
  if (!file.Commit()) {
    if (!staged.empty()) fs::remove(staged, ec);
    return fail(res::text::kCannotSaveProject);
  }
  if (!staged.empty()) {
    fs::rename(staged, ProjectBackupPath(target), ec);
    if (ec) fs::remove(staged, ec);
  }
  return 1;
}

// ---- loading ------------------------------------------------------------------

int CQznDoc::ReadProject(const std::string& path) {
  const std::string target = path.empty() ? m_paths[kPathProject] : path;
  if (target.empty()) return 0;
  CWaitCapture wait;

  std::unique_ptr<CArchive> ar;
  try {
    ar = CArchive::OpenForLoad(target);
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kErrorNoMemory, MB_OK | MB_ICONSTOP);
    return 0;
  } catch (const std::exception&) {
    AfxMessageBox(res::text::kCannotOpenProject, MB_OK | MB_ICONSTOP);
    return 0;
  }
  // Read into a workspace of its own: a damaged file changes nothing here.
  std::unique_ptr<CQznDoc> loaded;
  try {
    loaded = std::make_unique<CQznDoc>();
    loaded->Serialize(*ar);
  } catch (const std::bad_alloc&) {
    AfxMessageBox(res::text::kErrorNoMemory, MB_OK | MB_ICONSTOP);
    return 0;
  } catch (const CBadExtent&) {
    AfxMessageBox(res::text::kInvalidProjectExtent, MB_OK | MB_ICONSTOP);
    return 0;
  } catch (const CArchiveException&) {
    AfxMessageBox(res::text::kInvalidProjectFile, MB_OK | MB_ICONSTOP);
    return 0;
  } catch (const std::exception&) {
    AfxMessageBox(res::text::kCannotReadProjectFile, MB_OK | MB_ICONSTOP);
    return 0;
  }
  loaded->m_layers.FixDuplicateIDs();
  DeleteDegenerateLines(loaded->m_lines);
  DeleteDegenerateLines(loaded->m_hiddenLines);
  TakeProjectData(*loaded);
  m_paths[kPathProject] = target;
  m_lines.m_nModified = m_hiddenLines.m_nModified = 0;
  return 1;
}

}  // namespace qzn
