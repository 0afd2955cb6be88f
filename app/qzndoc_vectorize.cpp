// Automatic vectorisation: the line pixels are chosen (a grey range, a
// colour, colour classes or the set pixels of a bilevel image), optionally
// cut to the region-of-interest polygons, and then either the outlines of
// the line-pixel regions are traced or the regions are thinned to skeletons
// and the skeletons followed.
//
// Centre lines of grey, palette, class and bilevel images are traced in a
// separate mask of one bit a pixel, made from the image in one pass: the
// image is only read, so the window keeps its image without a copy, and the
// thinning and the walk work on an eighth of the bytes. A quiet (batch)
// document ends with the image as binarising it in place would have left
// it; since the traced rectangle ends all clear, its pages are given back
// to the system as soon as the mask is made, which is what keeps a
// command-line conversion within twice the image's size.
//
// The other ways (outlines, colour images, class borders) binarise the image
// in place. An interactive document keeps a copy of the first plane (the
// only one these steps change) in memory, or in an unnamed temporary file
// when memory is short, and puts it back afterwards; without a copy nothing
// is done. A quiet document keeps no copy: the image stays binarised.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/qzndoc.h"
#include "app/regiontracer.h"
#include "app/skeletontracer.h"
#include "platform/host.h"
#include "raster/binarize.h"
#include "raster/imaging.h"
#include "raster/polyfill.h"
#include "raster/thin.h"
#include "resources/messages_app.h"

namespace qzn {

// ---- the image backup ---------------------------------------------------------

bool CQznDoc::BackupImage() {
  DropBackup();
  if (!m_image.HasPixels()) return false;
  const std::int64_t bytes = m_image.GetPlaneBytes();
  m_backup.reset(new (std::nothrow) BYTE[static_cast<std::size_t>(bytes)]);
  if (m_backup) {
    std::memcpy(m_backup.get(), m_image.pixels, static_cast<std::size_t>(bytes));
    return true;
  }
  // tmpfile() is private: unlinked at once, gone when closed or at exit.
  m_backupFile = std::tmpfile();
  if (m_backupFile && m_image.WriteRaw(m_backupFile) && std::fflush(m_backupFile) == 0 && !std::ferror(m_backupFile))
    return true;
  DropBackup();
  return false;
}

bool CQznDoc::RestoreImage() {
  bool ok = false;
  if (m_backup && m_image.HasPixels()) {
    std::memcpy(m_image.pixels, m_backup.get(), static_cast<std::size_t>(m_image.GetPlaneBytes()));
    ok = true;
  } else if (m_backupFile) {
    ok = m_image.ReadRaw(m_backupFile) != 0;
  }
  DropBackup();
  return ok;
}

void CQznDoc::DropBackup() {
  m_backup.reset();
  if (m_backupFile) std::fclose(m_backupFile);
  m_backupFile = nullptr;
}

// ---- the driver -----------------------------------------------------------------

bool CQznDoc::VectorizesInPlace(int outline) const {
  if (outline || !m_image.HasPixels()) return true;
  const bool bytes = m_image.bitsPerSample == 8 && m_image.planes == 1 &&
                     (m_image.IsGrey() || m_image.IsPaletteColor() || m_image.IsSeparated());
  return !(bytes || m_image.IsBilevel());
}

int CQznDoc::Vectorize(const RECT& sample, int useUserThreshold, int outline, int roi, int straighten) {
  const bool backedUp = !Host().IsQuiet() && m_image.HasPixels() && VectorizesInPlace(outline);
  if (backedUp && !BackupImage()) {
    // Tracing consumes the image; without a copy the user's image would be
    // lost, so nothing is traced.
    AfxMessageBox(res::text::kNoSpaceForImageCopy, MB_OK | MB_ICONSTOP);
    return 0;
  }
  int result = VectorizeRect(sample, useUserThreshold, outline, m_extent, roi);
  const RECT all{0, 0, 0, 0};
  m_lines.DeleteSmallInRect(0, 1, all, TRUE);
  if (straighten) m_lines.SmoothInRect(1.0f, all);
  if (backedUp && !RestoreImage()) {
    AfxMessageBox(res::text::kReloadImageAfterVectorize, MB_OK | MB_ICONEXCLAMATION);
    result = 0;
  }
  return result;
}

int CQznDoc::VectorizeRect(const RECT& sample, int useUserThreshold, int outline, const RECT& area, int roi) {
  if (!m_image.HasPixels()) return 0;
  // Clip the area to the image: the extent may be wider than a later image.
  RECT rc{std::max(area.left, 0), std::max(area.top, 0), std::min(area.right, m_image.width - 1),
          std::min(area.bottom, m_image.height - 1)};
  if (rc.right < rc.left || rc.bottom < rc.top) return 0;
  const int width = rc.right - rc.left + 1;
  const int height = rc.bottom - rc.top + 1;

  std::int32_t key = 0;
  if (IsGreyImage()) {
    if (!(useUserThreshold && m_nThreshHigh != 0) && !AutoThreshold(rc.left, rc.top, width, height)) return 0;
    key = PackGreyRange(m_nThreshLow, m_nThreshHigh);
  }

  std::unique_ptr<CPolygonFiller> filler;
  if (roi && !m_roi.IsEmpty()) {
    filler = std::make_unique<CPolygonFiller>(m_image.height);
    if (!filler->AddChains(m_roi)) return 0;
  }
  auto applyRoi = [&] { return !filler || filler->MaskBilevel(m_image); };

  const bool sampleEmpty = sample.left == sample.right || sample.top == sample.bottom;
  CColorFeature feature{};
  bool featureFilled = false;
  bool centreLine = !outline;
  BYTE table[256] = {};
  // The line pixels by grey range, palette table or sampled colour.
  auto lineFeature = [&] {
    if (GetRegionFeature(m_image, sample, key, table, &feature)) return true;
    if (!Host().IsQuiet()) AfxMessageBox(res::text::kVectorizeError, MB_OK | MB_ICONSTOP);
    return false;
  };
  if (!VectorizesInPlace(outline)) {
    if (!lineFeature()) return 0;
    CRasterImage mask;
    if (!MakeLineMask(m_image, rc, table, mask)) return 0;
    return TraceMaskCentreLines(mask, rc, filler.get());
  }
  if (m_image.bitsPerSample == 8 && m_image.planes == 1 &&
      (m_image.photometric == kPhotometricPalette || m_image.photometric == kPhotometricSeparated) && sampleEmpty &&
      outline) {
    // The borders between colour regions are traced as centre lines.
    if (!MakeEdgeMask(m_image, rc)) return 0;
    centreLine = true;
  } else if (IsRgbImage() && !m_colorClasses.IsEmpty()) {
    if (!ClassifyByColorFeatures(m_image, rc, m_colorClasses)) return 0;
  } else {
    if (!lineFeature()) return 0;
    featureFilled = IsRgbImage();
    if (!Binarize(m_image, rc, &feature, table)) return 0;
  }

  if (!centreLine) {
    // Outline ID: the sampled colour for RGB images, else the line list's
    // current ID.
    int id = static_cast<int>(m_lines.m_fCurrentID);
    if (featureFilled)
      id = static_cast<int>(feature.meanRed) * 65536 + static_cast<int>(feature.meanGreen) * 256 +
           static_cast<int>(feature.meanBlue);
    if (!applyRoi()) return 0;
    CChainList traced;
    CRegionTracer tracer(m_image.pixels, m_image.width, m_image.height, m_image.bitsPerSample, traced);
    tracer.Trace(id);
    const CLayer* layer = m_layers.GetCurrentLayer();
    const int layerId = m_layers.GetCurrentLayerID();
    traced.SetAttributes(layerId, m_layers.GetLayerColor(layerId), layer ? layer->m_nPenStyle : 0, RECT{0, 0, 0, 0});
    if (!traced.IsEmpty()) {
      m_lines.AdoptAll(traced);
      SetLinesModified(1);
    }
  } else {
    if (!applyRoi()) return 0;
    if (m_image.bitsPerSample == 8)
      DrawRectOutline8(m_image.pixels, m_image.GetRowBytes(), rc, 0);
    else if (m_image.bitsPerSample == 1)
      DrawRectOutline1(m_image.pixels, m_image.width, rc, 0);
    if (!Thin(m_image, rc)) return 0;
    if (m_image.bitsPerSample == 8) {
      DrawRectOutline8(m_image.pixels, m_image.GetRowBytes(), rc, 0);
      TraceSkeleton8Bit(rc.left, rc.top, width, height);
    } else if (m_image.bitsPerSample == 1) {
      DrawRectOutline1(m_image.pixels, m_image.width, rc, 0);
      TraceSkeleton1Bit(rc.left, rc.top, width, height);
    }
  }
  SetLinesModified(1);
  return 1;
}

int CQznDoc::TraceMaskCentreLines(CRasterImage& mask, const RECT& rc, CPolygonFiller* roi) {
  // A quiet run leaves the image as the in-place way would: the rectangle
  // holds what is left of the mask (nothing, once traced), and with a region
  // of interest everything outside its polygons is cleared. Clearing now
  // gives the rectangle's memory back while the lines are made.
  const bool quiet = Host().IsQuiet();
  if (quiet) ClearRect(m_image, rc);
  struct CLeaveImage {
    CQznDoc& doc;
    const CRasterImage& mask;
    const RECT& rc;
    CPolygonFiller* roi;
    bool quiet;
    ~CLeaveImage() {
      if (!quiet) return;
      MarkMaskPixels(mask, rc, doc.m_image);
      if (roi) roi->MaskBilevel(doc.m_image);
    }
  } leave{*this, mask, rc, roi, quiet};

  if (roi && !roi->MaskBilevel(mask)) return 0;
  DrawRectOutline1(mask.pixels, mask.width, rc, 0);
  if (!Thin(mask, rc)) return 0;
  DrawRectOutline1(mask.pixels, mask.width, rc, 0);
  CSkeletonTracer tracer(mask, m_lines, m_layers);
  tracer.Trace1Bit(rc.left, rc.top, rc.right - rc.left + 1, rc.bottom - rc.top + 1);
  SetLinesModified(1);
  return 1;
}

int CQznDoc::TraceSkeleton1Bit(int left, int top, int width, int height) {
  CSkeletonTracer tracer(m_image, m_lines, m_layers);
  return tracer.Trace1Bit(left, top, width, height);
}

int CQznDoc::TraceSkeleton8Bit(int left, int top, int width, int height) {
  CSkeletonTracer tracer(m_image, m_lines, m_layers);
  return tracer.Trace8Bit(left, top, width, height);
}

}  // namespace qzn
