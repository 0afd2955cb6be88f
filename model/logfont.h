// The 60-byte font record the point labels and the annotations keep: the
// narrow-character LOGFONT of the Windows API, stored byte for byte in the
// project file. The face name stays in code page 936 as stored; the canvas
// gets a CFont made from it.
#pragma once

#include <cstdint>

#include "platform/canvas.h"

namespace qzn {

class CArchive;

struct LOGFONT {
  std::int32_t lfHeight = 0;
  std::int32_t lfWidth = 0;
  std::int32_t lfEscapement = 0;   // tenths of a degree
  std::int32_t lfOrientation = 0;  // tenths of a degree
  std::int32_t lfWeight = 0;
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 0;
  std::uint8_t lfOutPrecision = 0;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  char lfFaceName[32] = {};  // code page 936, NUL-terminated unless all 32 are used
};
static_assert(sizeof(LOGFONT) == 60);

inline constexpr std::uint16_t kFontRecordBytes = 60;

// The 60 bytes, little-endian.
void WriteFontRecord(CArchive& ar, const LOGFONT& font);
void ReadFontRecord(CArchive& ar, LOGFONT& font);

// The canvas font of a record: the cell height (a negative height counts as
// its magnitude), escapement, weight and the face name in UTF-8.
CFont MakeCanvasFont(const LOGFONT& font);

}  // namespace qzn
