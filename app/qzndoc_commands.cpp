// The image commands of the workspace: filters, depth and colour
// conversions and the geometric operations.
//
// A geometric operation moves pixels, so everything that names image
// positions moves with them: the control points' image side, the world
// file's terms and the region-of-interest polygons are carried over exactly
// where the move is exact (flip, transpose, crop, resample), and rotated with
// the image otherwise; the region of interest is dropped where it cannot be
// carried exactly (rotation, warping, crop, transpose). The triangulation is
// built from the control points, so it is dropped whenever they move. The
// lines stay where they are: they are the user's work, not part of the image.
//
// Every command that changes the pixels marks the image modified. A failed
// step leaves the image as it was; the workspace is adjusted only after the
// image operation succeeded.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "app/qzndoc.h"
#include "georef/rectify.h"
#include "platform/host.h"
#include "raster/binarize.h"
#include "raster/depthconv.h"
#include "raster/filters.h"
#include "raster/imaging.h"
#include "raster/resample.h"
#include "resources/messages_app.h"

namespace qzn {

namespace {

// GeoTIFF data read with the image describes the old pixel grid; once the
// workspace's georeference has moved with the pixels, the image's copy is
// rewritten from it, so a later save cannot write a stale georeference.
void RefreshImageGeoreference(CQznDoc& doc) {
  const CRasterImage& img = doc.m_image;
  if (img.tiePointCount > 0 || img.pixelScaleValid || img.modelTransformationValid) doc.PutGeoreferenceIntoImage();
}

// After the image changed its size or orientation: the extent is the whole
// image again, picking follows the new size, the work rectangle no longer
// means anything, and the image is modified.
void FitWorkspaceToImage(CQznDoc& doc, bool dropRoi) {
  RefreshImageGeoreference(doc);
  doc.ResetExtent();
  doc.m_lines.SetTolerance(doc.m_image.width, doc.m_image.height);
  doc.m_workRect = RECT{0, 0, 0, 0};
  if (dropRoi) doc.m_roi.DeleteAll();
  doc.SetImageModified(1);
}

// The control points' image side was rewritten by `move`.
template <class Move>
void MoveControlPoints(CQznDoc& doc, Move move) {
  if (doc.m_controlPts.IsEmpty()) return;
  for (POSITION pos = doc.m_controlPts.GetHeadPosition(); pos;) move(*doc.m_controlPts.GetNext(pos));
  doc.m_controlPts.m_nModified = 1;
  doc.m_triangles.RemoveAll();
}

void WorldFileChanged(CQznDoc& doc) { doc.m_nTfwModified = 1; }

// A new pixel block of the image's size for `bits` and `planes`; a message
// names the conversion's memory shortage when it cannot be had.
std::unique_ptr<BYTE[]> ConversionBlock(const CRasterImage& img, int bits, int planes) {
  auto block = AllocImageBlock(bits, planes, img.width, img.height);
  if (!block) AfxMessageBox(res::text::kNoSpaceToConvert, MB_OK | MB_ICONSTOP);
  return block;
}

// The image becomes one plane of `bits` with the photometric code; the
// colour cache goes, and the palette too unless the new pixels index it.
void InstallPlane(CQznDoc& doc, std::unique_ptr<BYTE[]> block, int bits, std::int32_t photometric, bool keepPalette) {
  CRasterImage& img = doc.m_image;
  img.planes = 1;
  img.bitsPerSample = bits;
  img.photometric = photometric;
  img.SetPixelBlock(std::move(block));
  if (!keepPalette) img.FreePalette();
  img.FreeColorCache();
  doc.SetImageModified(1);
}

// Packs a decision per pixel of plane 0 into a 1-bit block: `isLine` pixels
// get the bit `lineBit`, all others its opposite; first pixel in the high
// bit, rows of (width + 7) / 8 bytes, the unused bits at a row's end
// background.
template <class IsLine>
std::unique_ptr<BYTE[]> PackBilevel(const CRasterImage& img, int lineBit, IsLine isLine) {
  auto block = AllocImageBlock(1, 1, img.width, img.height);
  if (!block) return block;
  const std::int64_t rowBytes = ImageRowBytes(img.width, 1);
  const BYTE background = lineBit ? 0x00 : 0xFF;
  for (std::int64_t y = 0; y < img.height; ++y) {
    const BYTE* src = img.GetRow(static_cast<int>(y));
    BYTE* dst = block.get() + y * rowBytes;
    std::memset(dst, background, static_cast<std::size_t>(rowBytes));
    for (std::int64_t x = 0; x < img.width; ++x)
      if (isLine(src[x])) dst[x >> 3] ^= static_cast<BYTE>(0x80 >> (x & 7));
  }
  return block;
}

}  // namespace

// ---- filters ----------------------------------------------------------------------

int CQznDoc::NegateImage() {
  if (!m_image.HasPixels() || IsRgbImage()) return 0;
  CImageArea area{0, 0, m_image.width, m_image.height, 0};
  if (!qzn::NegateImage(&m_image, &area)) return 0;
  SetImageModified(1);
  return 1;
}

int CQznDoc::MedianFilter() {
  if (!m_image.HasPixels() || m_image.photometric == kPhotometricPalette) return 0;
  if (m_image.bitsPerSample == 1) {
    if (!SmoothBilevel(m_image)) return 0;
    SetImageModified(1);
    return 1;
  }
  if (m_image.bitsPerSample != 8) return 0;
  for (int plane = 0; plane < m_image.planes; ++plane) {
    CImageArea area{0, 0, m_image.width, m_image.height, plane};
    if (!MedianFilterInPlace(&m_image, &area, 3, 3)) return 0;
    SetImageModified(1);
  }
  return 1;
}

int CQznDoc::RemoveBackground(int size) {
  if (!IsGreyImage()) return 0;
  if (!BackCorrect(&m_image, size, size)) return 0;
  SetImageModified(1);
  return 1;
}

int CQznDoc::MapPixelRange(int low, int high, int value) {
  if (!IsGreyImage() && !IsPaletteImage() && !IsClassifiedImage()) return 0;
  BYTE table[256];
  for (int v = 0; v < 256; ++v) table[v] = static_cast<BYTE>(v);
  const BYTE to = static_cast<BYTE>(std::clamp(value, 0, 255));
  for (int v = std::max(low, 0); v <= std::min(high, 255); ++v) table[v] = to;
  BYTE* p = m_image.GetPlane(0);
  const std::int64_t n = m_image.GetPlaneBytes();
  for (std::int64_t i = 0; i < n; ++i) p[i] = table[p[i]];
  SetImageModified(1);
  return 1;
}

int CQznDoc::SegmentImage() {
  if (!IsGreyImage()) return 0;
  CImageArea area{0, 0, m_image.width, m_image.height, 0};
  if (!MedianFilterInPlace(&m_image, &area, 3, 3)) {
    AfxMessageBox(res::text::kSmoothError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  SetImageModified(1);
  if (!GradientMagnitude(m_image)) {
    AfxMessageBox(res::text::kEdgeDetectError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  if (!PropagateEdges(m_image, 3) || !PropagateEdges2(m_image, 3)) {
    AfxMessageBox(res::text::kEdgeError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  if (!qzn::NegateImage(&m_image, &area)) {
    AfxMessageBox(res::text::kNegateError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  return 1;
}

// ---- geometry ---------------------------------------------------------------------

int CQznDoc::FlipImage(int direction) {
  if (!m_image.HasPixels()) return 0;
  const int w = m_image.width, h = m_image.height;
  if (!MirrorInPlace(&m_image, 0, 0, w, h, direction ? 1 : 0)) return 0;
  // Column (or row) v of the new image is last - v of the old one.
  const int last = direction ? h - 1 : w - 1;
  MoveControlPoints(*this, [&](CControlPt& p) {
    double& v = direction ? p.m_imageY : p.m_imageX;
    v = last - v;
  });
  if (HasGeoref(GeorefKind::worldFile)) {
    double& xTerm = direction ? m_tfw.m_B : m_tfw.m_A;
    double& yTerm = direction ? m_tfw.m_E : m_tfw.m_D;
    m_tfw.m_C += xTerm * last;
    m_tfw.m_F += yTerm * last;
    xTerm = -xTerm;
    yTerm = -yTerm;
    WorldFileChanged(*this);
  }
  const RECT all{0, 0, w - 1, h - 1};
  if (direction)
    m_roi.FlipVertical(all);
  else
    m_roi.FlipHorizontal(all);
  RefreshImageGeoreference(*this);
  SetImageModified(1);
  return 1;
}

int CQznDoc::TransposeImage() {
  if (!m_image.HasPixels()) return 0;
  if (!qzn::TransposeImage(&m_image)) return 0;
  MoveControlPoints(*this, [](CControlPt& p) { std::swap(p.m_imageX, p.m_imageY); });
  if (HasGeoref(GeorefKind::worldFile)) {
    std::swap(m_tfw.m_A, m_tfw.m_B);
    std::swap(m_tfw.m_D, m_tfw.m_E);
    WorldFileChanged(*this);
  }
  FitWorkspaceToImage(*this, true);
  return 1;
}

int CQznDoc::CropImage(const RECT& rect) {
  if (!m_image.HasPixels()) return 0;
  // Only the part over the image is cropped; the new image's origin, which
  // the georeference moves to, is that part's corner.
  const auto clip = [](std::int64_t v, int size) { return static_cast<int>(std::clamp<std::int64_t>(v, 0, size)); };
  const int left = clip(std::min(rect.left, rect.right), m_image.width);
  const int top = clip(std::min(rect.top, rect.bottom), m_image.height);
  const int w = clip(std::max(rect.left, rect.right), m_image.width) - left;
  const int h = clip(std::max(rect.top, rect.bottom), m_image.height) - top;
  if (w <= 0 || h <= 0) return 0;
  if (!qzn::CropImage(&m_image, left, top, w, h)) return 0;
  if (!m_controlPts.IsEmpty()) {
    m_controlPts.OffsetImageCoords(left, top);
    m_controlPts.m_nModified = 1;
    m_triangles.RemoveAll();
  }
  if (HasGeoref(GeorefKind::worldFile) && m_tfw.AdjustForCrop(left, top, left + w, top + h)) WorldFileChanged(*this);
  FitWorkspaceToImage(*this, true);
  return 1;
}

int CQznDoc::RotateImage(float angle) {
  if (!m_image.HasPixels() || !std::isfinite(angle)) return 0;
  const RECT old{0, 0, m_image.width - 1, m_image.height - 1};
  if (!qzn::RotateImage(&m_image, angle)) {
    AfxMessageBox(res::text::kNoSpaceToRotate, MB_OK | MB_ICONSTOP);
    return 0;
  }
  const RECT now{0, 0, m_image.width - 1, m_image.height - 1};
  // Both georeferences move: keeping one and not the other would leave the
  // workspace with two disagreeing transforms.
  if (!m_controlPts.IsEmpty()) {
    m_controlPts.RotateImageCoords(angle, old.left, old.top, old.right, old.bottom, now.left, now.top, now.right,
                                   now.bottom);
    m_controlPts.m_nModified = 1;
    m_triangles.RemoveAll();
  }
  if (HasGeoref(GeorefKind::worldFile) &&
      m_tfw.AdjustForRotate(angle, old.left, old.top, old.right, old.bottom, now.left, now.top, now.right, now.bottom))
    WorldFileChanged(*this);
  FitWorkspaceToImage(*this, true);
  return 1;
}

int CQznDoc::WarpImage(int method) {
  if (!m_image.HasPixels() || m_controlPts.GetCount() <= 3) {
    AfxMessageBox(res::text::kTooFewControlPoints, MB_OK | MB_ICONSTOP);
    return 0;
  }
  if (!RectifyImage(&m_image, m_controlPts, method)) {
    AfxMessageBox(res::text::kWarpError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  m_controlPts.m_nModified = 1;
  m_triangles.RemoveAll();
  // The new grid is the map grid: a world file follows the rewritten points.
  if (HasGeoref(GeorefKind::worldFile)) {
    double x[3], y[3];
    if (m_controlPts.FitTransform(x, y, kAffinePolynomial, kImageToMap)) {
      m_tfw.m_A = x[0], m_tfw.m_B = x[1], m_tfw.m_C = x[2];
      m_tfw.m_D = y[0], m_tfw.m_E = y[1], m_tfw.m_F = y[2];
      WorldFileChanged(*this);
    }
  }
  FitWorkspaceToImage(*this, true);
  return 1;
}

int CQznDoc::ResampleImage(int enlarge, int factor) {
  if (!m_image.HasPixels()) return 0;
  if (factor < 3) factor = 2;
  const int shrink = enlarge ? 0 : 1;
  if (!ResizeImage(&m_image, shrink, factor)) return 0;
  if (!m_controlPts.IsEmpty()) {
    m_controlPts.ScaleImageCoords(factor, shrink);
    m_controlPts.m_nModified = 1;
    m_triangles.RemoveAll();
  }
  if (HasGeoref(GeorefKind::worldFile)) {
    // Fewer, larger pixels cover the same ground.
    m_tfw.AdjustForResize(factor, shrink);
    WorldFileChanged(*this);
  }
  const float s = enlarge ? static_cast<float>(factor) : 1.0f / static_cast<float>(factor);
  m_roi.ScaleAll(0.0f, 0.0f, s, s);
  FitWorkspaceToImage(*this, false);
  return 1;
}

// ---- conversions ----------------------------------------------------------------

int CQznDoc::ConvertRgbToPalette() {
  if (!IsRgbImage()) return 0;
  if ((!m_image.colorCache || !m_image.HasPalette()) && !Frequency24to8(&m_image)) {
    AfxMessageBox(res::text::kNoSpaceToConvert, MB_OK | MB_ICONSTOP);
    return 0;
  }
  auto block = ConversionBlock(m_image, 8, 1);
  if (!block) return 0;
  const BYTE* r = m_image.GetPlane(0);
  const BYTE* g = m_image.GetPlane(1);
  const BYTE* b = m_image.GetPlane(2);
  const std::int64_t n = m_image.GetPlaneBytes();
  for (std::int64_t i = 0; i < n; ++i) block[i] = m_image.colorCache[CRasterImage::ColorCacheIndex(r[i], g[i], b[i])];
  InstallPlane(*this, std::move(block), 8, kPhotometricPalette, true);
  return 1;
}

namespace {

// trunc(0.299 r) + trunc(0.587 g) + trunc(0.114 b), each product through a
// 256-entry table.
struct CGreyWeights {
  BYTE r[256], g[256], b[256];
  CGreyWeights() {
    for (int v = 0; v < 256; ++v) {
      r[v] = static_cast<BYTE>(0.299 * v);
      g[v] = static_cast<BYTE>(0.587 * v);
      b[v] = static_cast<BYTE>(0.114 * v);
    }
  }
};

}  // namespace

int CQznDoc::ConvertRgbToGrey() {
  if (!IsRgbImage()) return 0;
  auto block = ConversionBlock(m_image, 8, 1);
  if (!block) return 0;
  static const CGreyWeights w;
  const BYTE* r = m_image.GetPlane(0);
  const BYTE* g = m_image.GetPlane(1);
  const BYTE* b = m_image.GetPlane(2);
  const std::int64_t n = m_image.GetPlaneBytes();
  for (std::int64_t i = 0; i < n; ++i) block[i] = static_cast<BYTE>(w.r[r[i]] + w.g[g[i]] + w.b[b[i]]);
  InstallPlane(*this, std::move(block), 8, kPhotometricMinIsBlack, false);
  return 1;
}

int CQznDoc::ConvertPaletteToGrey() {
  if (!IsPaletteImage()) return 0;
  BYTE table[256];
  for (int i = 0; i < 256; ++i) {
    BYTE r = 0, g = 0, b = 0;
    if (m_image.HasPalette()) m_image.GetPaletteColor(i, &r, &g, &b);
    table[i] = static_cast<BYTE>(0.299 * r + 0.587 * g + 0.114 * b);
  }
  // In place: one plane of indices becomes one plane of grey values.
  BYTE* p = m_image.GetPlane(0);
  const std::int64_t n = m_image.GetPlaneBytes();
  for (std::int64_t i = 0; i < n; ++i) p[i] = table[p[i]];
  m_image.photometric = kPhotometricMinIsBlack;
  m_image.FreePalette();
  m_image.FreeColorCache();
  SetImageModified(1);
  return 1;
}

int CQznDoc::ConvertGreyToBilevel(const RECT& rect) {
  if (!IsGreyImage()) return 0;
  BYTE table[256] = {};
  if (rect.left == rect.right || rect.top == rect.bottom) {
    int low = 0, high = 0;
    if (m_nThreshHigh == 0) m_nThreshLow = 0;  // no user pair: compute and keep one
    if (!GetThreshold(low, high)) return 0;
    MakeRangeTable(PackGreyRange(low, high), table);
  } else {
    const RECT r{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
                 std::max(rect.top, rect.bottom)};
    if (!GetRegionGreyRange(m_image, r, table)) return 0;
  }
  // Line pixels take the image's black: the clear bit where 0 is black,
  // the set bit where 0 is white.
  const int lineBit = m_image.photometric == kPhotometricMinIsWhite ? 1 : 0;
  auto block = PackBilevel(m_image, lineBit, [&](BYTE v) { return table[v] != 0; });
  if (!block) {
    AfxMessageBox(res::text::kNoSpaceToConvert, MB_OK | MB_ICONSTOP);
    return 0;
  }
  InstallPlane(*this, std::move(block), 1, m_image.photometric, false);
  return 1;
}

int CQznDoc::ConvertBilevelToGrey() {
  if (!IsBilevelImage()) return 0;
  if (!BilevelToGrey(&m_image)) return 0;
  SetImageModified(1);
  return 1;
}

int CQznDoc::ExtractClassToBilevel(const RECT& rect) {
  if (!IsClassifiedImage() && !IsPaletteImage()) return 0;
  if (rect.left == rect.right || rect.top == rect.bottom) return 0;
  const int value = TDGetPixel(&m_image, (rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2, 0);
  // Photometric 1: the class's pixels become black (clear bits).
  auto block = PackBilevel(m_image, 0, [&](BYTE v) { return v == value; });
  if (!block) return 0;
  InstallPlane(*this, std::move(block), 1, kPhotometricMinIsBlack, false);
  return 1;
}

// ---- georeference into the image ------------------------------------------------

void CQznDoc::PutGeoreferenceIntoImage() {
  SetupWorldTransform(0);
  CRasterImage& img = m_image;
  img.modelTransformationValid = 0;
  if (m_controlPts.GetCount() >= 4) {
    img.pixelScaleValid = 0;  // one scale cannot describe a set of tie points
    return;
  }
  if (m_tfw.m_nTerms != 3 || (m_tfw.m_B == 0.0 && m_tfw.m_D == 0.0)) return;
  img.FreeTiePoints();
  img.tiePointCount = 0;
  img.pixelScaleValid = 0;
  // Raster space puts the image's top-left corner at (0, 0), half a pixel
  // before the centre of the first pixel that the world file describes,
  // unless pixels are points (SetupWorldTransform has set the raster type).
  const double half = img.geoRasterType == 2 ? 0.0 : 0.5;
  double* m = img.modelTransformation;
  std::fill(m, m + 16, 0.0);
  m[0] = m_tfw.m_A;
  m[1] = m_tfw.m_B;
  m[3] = m_tfw.m_C - half * (m_tfw.m_A + m_tfw.m_B);
  m[4] = m_tfw.m_D;
  m[5] = m_tfw.m_E;
  m[7] = m_tfw.m_F - half * (m_tfw.m_D + m_tfw.m_E);
  m[15] = 1.0;
  img.modelTransformationValid = 1;
}

// ---- the 3D view's copy -----------------------------------------------------------

int CQznDoc::GetImageRectRgb(const RECT& rect, BYTE* buffer) const {
  if (!buffer || !m_image.HasPixels()) return 0;
  const RECT r{std::min(rect.left, rect.right), std::min(rect.top, rect.bottom), std::max(rect.left, rect.right),
               std::max(rect.top, rect.bottom)};
  // Right and bottom are excluded, so they may lie one past the extent.
  if (r.left < m_extent.left || r.top < m_extent.top || r.right > m_extent.right + 1 || r.bottom > m_extent.bottom + 1)
    return 0;
  if (r.left < 0 || r.top < 0 || r.right > m_image.width || r.bottom > m_image.height) return 0;
  const CRasterImage& img = m_image;
  BYTE* out = buffer;
  if (img.bitsPerSample == 1) {
    const BYTE forSet = img.photometric != kPhotometricMinIsWhite ? 255 : 20;
    const BYTE forClear = img.photometric != kPhotometricMinIsWhite ? 20 : 255;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const BYTE v = img.GetBit(x, y) ? forSet : forClear;
        *out++ = v, *out++ = v, *out++ = v;
      }
  } else if (IsRgbImage()) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        *out++ = img.GetPlaneByte(x, y, 0);
        *out++ = img.GetPlaneByte(x, y, 1);
        *out++ = img.GetPlaneByte(x, y, 2);
      }
  } else if (IsGreyImage()) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        BYTE v = img.GetByte(x, y);
        if (img.photometric == kPhotometricMinIsWhite) v = static_cast<BYTE>(255 - v);
        *out++ = v, *out++ = v, *out++ = v;
      }
  } else if (IsPaletteImage()) {
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        BYTE cr = 0, cg = 0, cb = 0;
        if (img.HasPalette()) img.GetPaletteColor(img.GetByte(x, y), &cr, &cg, &cb);
        *out++ = cr, *out++ = cg, *out++ = cb;
      }
  }
  return 1;
}

}  // namespace qzn
