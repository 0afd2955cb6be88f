// Colour classes of RGB maps: each class is the mean and standard deviation
// of red, green and blue over a rectangle the user marked. Vectorising an RGB
// image keeps the pixels that fall inside a class's +-2 sd box.
//
// The document keeps one CColorFeatureArray, stores it in the project file
// behind the tag 1000 and exchanges it with ".clf" text files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/wintypes.h"

namespace qzn {

class CArchive;
class CRasterImage;

// 24 bytes, six float32, in this order (also the order of the stored layouts).
struct CColorFeature {
  float meanRed = 0.0f;
  float sdRed = 0.0f;
  float meanGreen = 0.0f;
  float sdGreen = 0.0f;
  float meanBlue = 0.0f;
  float sdBlue = 0.0f;

  const float* Data() const { return &meanRed; }
  float* Data() { return &meanRed; }
  bool operator==(const CColorFeature& o) const;
};
static_assert(sizeof(CColorFeature) == 24);

// Inclusive sample bounds of one channel: low = (int)(mean - 2 sd - 0.5),
// high = (int)(mean + 2 sd + 0.5), truncated toward zero. A sample v matches
// when low <= v <= high. Non-finite values give a range that matches nothing.
struct CChannelRange {
  int low = 1;
  int high = 0;
};
CChannelRange ChannelRange(float mean, float sd);
// True when (r, g, b) lies inside the feature's three ranges.
bool MatchesColorFeature(const CColorFeature& f, int r, int g, int b);

class CColorFeatureArray {
 public:
  static constexpr std::int32_t kArchiveTag = 1000;

  std::int64_t GetSize() const { return static_cast<std::int64_t>(m_items.size()); }
  bool IsEmpty() const { return m_items.empty(); }
  const CColorFeature& GetAt(std::int64_t i) const { return m_items[static_cast<std::size_t>(i)]; }
  CColorFeature& ElementAt(std::int64_t i) { return m_items[static_cast<std::size_t>(i)]; }
  void SetAt(std::int64_t i, const CColorFeature& f) { m_items[static_cast<std::size_t>(i)] = f; }
  // Appends and returns the new element's index.
  std::int64_t Add(const CColorFeature& f);
  void RemoveAt(std::int64_t i, std::int64_t count = 1);
  void RemoveAll() { m_items.clear(); }
  const std::vector<CColorFeature>& Items() const { return m_items; }

  // The array alone: its count (16 bits, or 0xFFFF + 32 bits) and count x 24
  // bytes of raw floats. Loading replaces the array only when the whole
  // record was read; a damaged archive throws CArchiveException.
  void Serialize(CArchive& ar);
  // Storing writes the int32 1000 and the array; loading reads an int32 and
  // then the array only when it is 1000 (else the array stays as it was).
  void SerializeTagged(CArchive& ar);

  // ".clf" text file: a first line containing "#QZN COLOR", then one feature a
  // line ("%f%f%f%f%f%f"); other lines are skipped. Returns 1 when the header
  // matched. The array is replaced only then; on failure (0: file cannot be
  // opened, or wrong header) it keeps what it held.
  int ReadFile(const std::string& path);
  // Writes "#QZN COLOR FEATURE FILE" and one "%f %f %f %f %f %f" line per
  // feature. 1, or 0 when the file cannot be written (the old file stays).
  int WriteFile(const std::string& path) const;

 private:
  std::vector<CColorFeature> m_items;
};

// Writes 1 into plane 0 of every pixel of the inclusive rectangle (clipped to
// the image) whose colour matches any of the features, else 0; planes 1 and 2
// are only read. With no features at all the whole first plane is cleared.
// Result 1, or 0 for an image that is not RGB.
int ClassifyByColorFeatures(CRasterImage& image, const RECT& inclusiveRect, const CColorFeatureArray& features);
// The same over a plain list of features (Binarize passes one).
int ClassifyByColorFeatures(CRasterImage& image, const RECT& inclusiveRect, const CColorFeature* features,
                            std::int64_t count);

}  // namespace qzn
