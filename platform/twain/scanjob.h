// One scan of a SANE device turned into TWAIN rows: padded to 4 bytes, 0 is
// black at 1 bit (SANE's 1 is black), R, G, B at 24 bits, 16-bit samples in
// the machine's order. Three-pass frames and images of unknown height are
// read whole when the scan starts; others are read as the rows are asked for.
#pragma once

#include <sane/sane.h>
#include <sys/types.h>

#include <cstdint>
#include <vector>

#include "platform/twain/sanelib.h"
#include "platform/twain/twaindefs.h"

namespace qzn::twain {

// TWAIN's condition code for a SANE status.
TW_UINT16 ConditionOf(SANE_Status status);

class ScanJob {
 public:
  ScanJob(SaneLibrary& sane, SANE_Handle handle) : m_sane(sane), m_handle(handle) {}
  ~ScanJob();
  ScanJob(const ScanJob&) = delete;
  ScanJob& operator=(const ScanJob&) = delete;

  // Starts the device and learns the image's size. TWRC_SUCCESS, or
  // TWRC_FAILURE with the condition when nothing can be transferred.
  TW_UINT16 Start(TW_UINT16* condition);

  // Up to maxRows rows into out, outStride bytes apart. TWRC_SUCCESS when
  // more rows follow, TWRC_XFERDONE with the last ones, TWRC_CANCEL, or
  // TWRC_FAILURE with the condition (also for a device that ends early).
  TW_UINT16 Read(std::uint8_t* out, std::int64_t outStride, std::int64_t maxRows, std::int64_t* rows,
                 TW_UINT16* condition);

  std::int32_t Width() const { return m_width; }
  std::int32_t Height() const { return m_height; }
  int BitsPerSample() const { return m_depth; }
  int Samples() const { return m_samples; }
  int BitsPerPixel() const { return m_depth * m_samples; }
  TW_UINT16 PixelType() const { return m_pixelType; }
  std::int64_t Stride() const { return m_stride; }
  std::int64_t Delivered() const { return m_delivered; }

 private:
  SANE_Status ReadLine(bool last);
  void LetBackendThreadsSettle() const;
  void Convert(const std::uint8_t* line, std::uint8_t* out, int channel) const;
  void ReadWhole();

  SaneLibrary& m_sane;
  SANE_Handle m_handle;
  bool m_started = false;
  SANE_Parameters m_params{};
  std::int32_t m_width = 0, m_height = 0;
  int m_depth = 8, m_samples = 1;
  TW_UINT16 m_pixelType = TWPT_GRAY;
  std::int64_t m_stride = 0;
  bool m_whole = false;
  std::vector<std::uint8_t> m_image;  // whole image, m_stride a row
  TW_UINT16 m_deferred = TWRC_SUCCESS, m_deferredCondition = TWCC_SUCCESS;
  std::vector<std::uint8_t> m_line;
  std::int64_t m_delivered = 0;
  std::vector<pid_t> m_threadsBefore;  // the process's threads before the scan started
};

}  // namespace qzn::twain
