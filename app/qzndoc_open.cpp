// Opening images and projects, the side files beside an image, the
// questions before unsaved work is lost and the saving of the image.
#include <algorithm>
#include <cstdio>

#include "app/qzndoc.h"
#include "app/projectfile.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/imagefile.h"
#include "raster/imaging.h"
#include "raster/jpegpng.h"
#include "raster/gifread.h"
#include "raster/rlcraw.h"
#include "raster/tiffio.h"
#include "resources/messages_app.h"
#include "resources/messages_common.h"
#include "resources/messages_georef.h"

namespace qzn {

namespace {

// The path with its own extension replaced (ext with its dot).
std::string WithExtension(const std::string& path, const char* ext) {
  CFilePath p(path);
  return p.GetDirectory() + p.GetNamePart() + ext;
}

std::string FileNameOf(const std::string& path) {
  CFilePath p(path);
  return p.GetFileName(true);
}

// The open dialog for an image a project names but that cannot be found.
FileDialogRequest OpenImageDialog(const std::string& fileName) {
  FileDialogRequest r;
  r.kind = FileDialogKind::open;
  r.defaultExtension = "tif";
  r.fileName = fileName;
  r.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  r.filter = res::text::kImageFileFilter;
  return r;
}

// A save dialog that asks before overwriting.
FileDialogRequest SaveDialog(const char* extension, const std::string& fileName, const char* filter) {
  FileDialogRequest r;
  r.kind = FileDialogKind::save;
  r.defaultExtension = extension;
  r.fileName = fileName;
  r.flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  r.filter = filter;
  return r;
}

bool FileExists(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// An 8-bit palette image whose colours are all grey (r = g = b) is a grey
// scan: BMP, GIF and PNG files and palette TIFFs from common tools keep grey
// scans so, often with only the grey levels the scan uses. It becomes a
// grey image showing the same picture: each pixel takes its entry's grey
// level (black is zero). A rising ramp is that already; a falling ramp
// becomes white-is-zero, its values kept. The file is not touched.
void PaletteGreyToGrey(CRasterImage& img) {
  if (!img.HasPixels() || img.bitsPerSample != 8 || img.planes != 1 || img.photometric != kPhotometricPalette ||
      !img.HasPalette())
    return;
  bool rising = true, falling = true;
  for (int i = 0; i < 256; ++i) {
    if (img.red[i] != img.green[i] || img.red[i] != img.blue[i]) return;
    rising = rising && img.red[i] == i;
    falling = falling && img.red[i] == 255 - i;
  }
  if (!rising && !falling) {
    BYTE grey[256];
    std::copy(img.red, img.red + 256, grey);
    BYTE* p = img.pixels;
    const std::int64_t n = img.GetRowBytes() * static_cast<std::int64_t>(img.height);
    for (std::int64_t i = 0; i < n; ++i) p[i] = grey[p[i]];
  }
  img.photometric = falling && !rising ? kPhotometricMinIsWhite : kPhotometricMinIsBlack;
  img.FreePalette();
}

// A yes/no question of opening. Where nobody can answer it (a command-line
// run) it is not asked: its default answer, yes, is taken, and the caller
// says what it did (Done).
int Answer(const std::string& question) {
  if (!Host().CanAsk()) return IDYES;
  return AfxMessageBox(question, MB_YESNO | MB_ICONQUESTION);
}

void Done(const std::string& what) {
  if (!Host().CanAsk()) AfxMessageBox(what, MB_OK | MB_ICONINFORMATION);
}

}  // namespace

// ---- reading an image -------------------------------------------------------

void CQznDoc::TurnToOrientation(int orientation) {
  // Orientations 5 to 8 store the picture's columns as rows: a transpose
  // first, then the mirror that 1 to 4 need.
  if (orientation >= 5 && orientation <= 8) {
    if (!qzn::TransposeImage(&m_image)) return;
    orientation -= 4;
  }
  const int w = m_image.width, h = m_image.height;
  if (orientation == 2 || orientation == 3) MirrorInPlace(&m_image, 0, 0, w, h, 0);
  if (orientation == 3 || orientation == 4) MirrorInPlace(&m_image, 0, 0, w, h, 1);
}

int CQznDoc::ReadImage(const std::string& path) {
  CImageReadOutcome outcome;
  if (!ReadImageByType(path, m_image, outcome)) {
    // A missing file and an unknown type are said even in a quiet run.
    const bool always = outcome.missing || outcome.type == kImageTypeUnknown;
    if (!outcome.message.empty() && (always || !Host().IsQuiet())) AfxMessageBox(outcome.message, MB_OK | MB_ICONSTOP);
    return 0;
  }
  if (outcome.type != kImageTypeTiff) return 1;
  if (outcome.orientation > 1 && outcome.orientation <= 8 && Answer(res::text::kAskFixOrientation) == IDYES) {
    TurnToOrientation(outcome.orientation);
    Done(res::text::kOrientationFixed);
  }
  if (!(m_controlPts.GetCount() >= 4 && m_tfw.m_nTerms == 3)) {
    if (m_image.geoRasterType == kGeoKeysDamaged) {
      RefuseGeoreference(path, res::text::kGeoTiffKeysDamaged);
      return 1;
    }
    SetupWorldTransform(1);
    AcceptGeoreference(path);
  }
  return 1;
}

int CQznDoc::LoadImageFile(const std::string& path) {
  m_paths[kPathImage] = path;
  const int loaded = ReadImage(path);
  if (loaded) PaletteGreyToGrey(m_image);
  return loaded;
}

// ---- opening ------------------------------------------------------------------

int CQznDoc::OnOpenDocument(const std::string& path) {
  CWaitCapture wait;
  m_nGeorefRefused = 0;
  if (!HasFileExtension(path, ".PRJ")) {
    if (!LoadImageFile(path)) {
      AfxMessageBox(res::text::kImageFileReadError, MB_OK | MB_ICONSTOP);
      return 0;
    }
  } else {
    // The project reader says what is wrong with the file (no project at
    // all, a damaged one, one it cannot open); a second box saying only
    // that reading failed would add nothing.
    if (!ReadProject(path)) return 0;
    AcceptGeoreference(path);
    std::string image = m_paths[kPathImage];
    if (!image.empty()) {
      // A project moved together with its image, or written on Windows,
      // finds it beside itself.
      const std::string found = FindProjectImage(path, image);
      image = !found.empty() ? found : AskFilePath(OpenImageDialog(FileNameOf(image)));
    }
    if (!image.empty() && !LoadImageFile(image)) AfxMessageBox(res::text::kImageReadError, MB_OK | MB_ICONSTOP);
  }
  LoadSpatialReference(path);
  Frequency24to8(&m_image);
  if (m_image.HasPixels()) m_extent = RECT{0, 0, m_image.width - 1, m_image.height - 1};
  m_lines.SetTolerance(m_extent.right - m_extent.left + 1, m_extent.bottom - m_extent.top + 1);
  UpdateLayerBar(this);
  SetPathName(path);
  SetModifiedFlag(true);
  return 1;
}

int CQznDoc::LoadSpatialReference(const std::string& path) {
  if (m_controlPts.GetCount() > 3 || m_tfw.m_nTerms != 0) return 1;
  // A quiet run takes the file without a word; a run nobody can answer
  // takes it and says so once it is loaded.
  auto take = [&](const char* question, const char* used, const std::string& file,
                  int (CQznDoc::*load)(const std::string&)) {
    const bool quiet = Host().IsQuiet();
    if (!quiet && Answer(question + FileNameOf(file)) == IDNO) return 1;
    const int loaded = (this->*load)(file);
    if (loaded && !quiet) Done(used + FileNameOf(file));
    return loaded;
  };
  const std::string cpt = WithExtension(path, ".cpt");
  if (FileExists(cpt))
    return take(res::text::kAskControlPointFile, res::text::kUsedControlPointFile, cpt, &CQznDoc::LoadControlPoints);
  const std::string tfw = WithExtension(path, ".tfw");
  if (FileExists(tfw)) return take(res::text::kAskWorldFile, res::text::kUsedWorldFile, tfw, &CQznDoc::LoadWorldFile);
  const std::string tab = WithExtension(path, ".tab");
  if (FileExists(tab)) return take(res::text::kAskTabFile, res::text::kUsedTabFile, tab, &CQznDoc::LoadTabFile);
  return 1;
}

namespace {

const char* GeorefFaultText(GeorefFault fault) {
  switch (fault) {
    case GeorefFault::notFinite: return res::text::kGeorefNotFinite;
    case GeorefFault::outOfRange: return res::text::kGeorefOutOfRange;
    default: return res::text::kGeorefSingular;
  }
}

}  // namespace

int CQznDoc::LoadControlPoints(const std::string& path) {
  const bool worldFile = m_tfw.m_nTerms != 0;
  if (worldFile && AfxMessageBox(res::text::kAskControlPointsReplaceWorldFile, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return 1;
  const bool append =
      !m_controlPts.IsEmpty() && AfxMessageBox(res::text::kAskRemoveControlPoints, MB_YESNO | MB_ICONQUESTION) != IDYES;
  // Read aside: the workspace's references change only when the file gave
  // usable points.
  CControlPtList read;
  if (!read.Load(path, 1)) return 0;  // the reader has said why
  if (read.IsEmpty()) return RefuseReferenceFile(path, res::text::kNoControlPointsRead);
  if (const GeorefFault fault = read.Check(); fault != GeorefFault::none)
    return RefuseReferenceFile(path, GeorefFaultText(fault));
  if (worldFile) {
    m_tfw.Reset();
    m_nTfwModified = 1;
  }
  if (!append) m_controlPts.RemoveAll();
  m_controlPts.AdoptAll(read);
  m_controlPts.m_nModified = 1;
  m_paths[kPathControlPoints] = path;
  return 1;
}

int CQznDoc::LoadWorldFile(const std::string& path) {
  const bool points = !m_controlPts.IsEmpty();
  if (points && AfxMessageBox(res::text::kAskWorldFileReplacesControlPoints, MB_YESNO | MB_ICONQUESTION) != IDYES)
    return 1;
  CTfw read;
  if (!read.Read(path)) {
    // A file that cannot be opened has been reported by the reader; one that
    // opens holds no six numbers.
    CTextFileReader probe;
    if (!probe.Open(path)) return 0;
    return RefuseReferenceFile(path, res::text::kWorldFileUnreadable);
  }
  if (const GeorefFault fault = read.Check(); fault != GeorefFault::none)
    return RefuseReferenceFile(path, GeorefFaultText(fault));
  if (points) m_controlPts.RemoveAll();
  m_tfw = read;
  m_paths[kPathWorldFile] = path;
  m_nTfwModified = 1;
  return 1;
}

int CQznDoc::SaveControlPoints(const std::string& path) {
  if (!m_controlPts.Save(path)) {
    AfxMessageBox(res::text::kSaveControlPointsError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  m_paths[kPathControlPoints] = path;
  return 1;
}

int CQznDoc::LoadTabFile(const std::string& path) {
  const int r = m_controlPts.LoadTab(path, 0);
  if (!r) return 0;
  if (m_controlPts.IsEmpty()) return RefuseGeoreference(path, res::text::kNoControlPointsRead);
  return AcceptGeoreference(path);
}

int CQznDoc::LoadControlPointTable(const std::string& path) {
  CControlPtList read;
  if (!read.LoadTab(path, 1)) return 0;  // the reader has said why
  if (read.IsEmpty()) return RefuseReferenceFile(path, res::text::kNoControlPointsRead);
  if (const GeorefFault fault = read.Check(); fault != GeorefFault::none)
    return RefuseReferenceFile(path, GeorefFaultText(fault));
  m_controlPts.RemoveAll();
  m_controlPts.AdoptAll(read);
  m_controlPts.m_nModified = 1;
  return 1;
}

int CQznDoc::AcceptGeoreference(const std::string& source) {
  GeorefFault fault = m_tfw.Check();
  if (fault == GeorefFault::none) fault = m_controlPts.Check();
  if (fault == GeorefFault::none) return 1;
  return RefuseGeoreference(source, GeorefFaultText(fault));
}

int CQznDoc::RefuseGeoreference(const std::string& source, const char* reason) {
  m_tfw.Reset();
  m_controlPts.RemoveAll();
  m_nTfwModified = 0;
  m_nGeorefRefused = 1;
  // Said even in a quiet run: lines written without it would be in pixels.
  AfxMessageBox(FormatC(res::text::kGeoreferenceRefusedFormat, source.c_str(), reason), MB_OK | MB_ICONSTOP);
  return 0;
}

int CQznDoc::RefuseReferenceFile(const std::string& source, const char* reason) {
  m_nGeorefRefused = 1;
  AfxMessageBox(FormatC(res::text::kGeoreferenceRefusedFormat, source.c_str(), reason), MB_OK | MB_ICONSTOP);
  return 0;
}

// ---- unsaved work -------------------------------------------------------------

int CQznDoc::SaveDataIfModified() {
  if (!IsDataModified()) return 1;
  const int answer = AfxMessageBox(res::text::kAskSaveData, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDNO) return 1;
  if (answer == IDCANCEL) return 0;
  if (!m_paths[kPathProject].empty()) return SaveProject(m_paths[kPathProject]);
  const std::string start =
      m_image.HasPixels() && !m_paths[kPathImage].empty() ? WithExtension(m_paths[kPathImage], ".prj") : "*.prj";
  const std::string chosen = AskFilePath(SaveDialog("prj", start, res::text::kProjectFileFilter));
  if (chosen.empty()) return 0;
  return SaveProject(chosen);
}

int CQznDoc::SaveImageIfModified() {
  if (!m_nImageModified) return 1;
  if (AfxMessageBox(res::text::kAskSaveImage, MB_YESNO | MB_ICONQUESTION) != IDYES) return 1;
  const std::string chosen = AskFilePath(
      SaveDialog("tif", m_paths[kPathImage].empty() ? "*.tif" : m_paths[kPathImage], res::text::kTiffFileFilter));
  if (chosen.empty()) return 0;
  if (!OnSaveDocument(chosen)) {
    AfxMessageBox(res::text::kSaveImageError, MB_OK | MB_ICONEXCLAMATION);
    return 0;
  }
  return 1;
}

// ---- saving the image ---------------------------------------------------------

int CQznDoc::OnSaveDocument(const std::string& path) {
  if (HasFileExtension(path, ".JPG")) {
    if (!IsGreyImage() && !IsRgbImage()) {
      AfxMessageBox(res::text::kJpegOnlyGreyOrRgb, MB_OK | MB_ICONSTOP);
      return 0;
    }
    if (!WriteJpegFile(path, 50, m_image)) {
      AfxMessageBox(res::text::kJpegSaveError, MB_OK | MB_ICONSTOP);
      return 0;
    }
  } else if (HasFileExtension(path, ".PNG")) {
    if (!WritePngFile(path, m_image)) {
      AfxMessageBox(res::text::kPngSaveError, MB_OK | MB_ICONSTOP);
      return 0;
    }
  } else {
    if ((m_controlPts.GetCount() > 3 || m_tfw.m_nTerms != 0) &&
        AfxMessageBox(res::text::kAskSaveGeoTiff, MB_YESNO | MB_ICONQUESTION) == IDYES)
      PutGeoreferenceIntoImage();  // a rotated world file goes as the model transformation
    const int compression = IsBilevelImage() ? 4 : IsPaletteImage() ? 32773 : 1;
    if (!WriteTiffImage(path, m_image, compression)) {
      AfxMessageBox(res::text::kSaveFileError, MB_OK | MB_ICONEXCLAMATION);
      return 0;
    }
  }
  m_paths[kPathImage] = path;
  m_nImageModified = 0;
  return 1;
}

}  // namespace qzn
