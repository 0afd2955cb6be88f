#include "model/logfont.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "model/writerlinks.h"
#include "platform/archive.h"
#include "platform/textfile.h"

namespace qzn {

void WriteFontRecord(CArchive& ar, const LOGFONT& f) {
  ar << f.lfHeight << f.lfWidth << f.lfEscapement << f.lfOrientation << f.lfWeight << f.lfItalic << f.lfUnderline
     << f.lfStrikeOut << f.lfCharSet << f.lfOutPrecision << f.lfClipPrecision << f.lfQuality << f.lfPitchAndFamily;
  ar.Write(f.lfFaceName, sizeof f.lfFaceName);
}

void ReadFontRecord(CArchive& ar, LOGFONT& font) {
  LOGFONT f;  // all 60 bytes or nothing
  ar >> f.lfHeight >> f.lfWidth >> f.lfEscapement >> f.lfOrientation >> f.lfWeight >> f.lfItalic >> f.lfUnderline >>
      f.lfStrikeOut >> f.lfCharSet >> f.lfOutPrecision >> f.lfClipPrecision >> f.lfQuality >> f.lfPitchAndFamily;
  ar.Read(f.lfFaceName, sizeof f.lfFaceName);
  font = f;
}

CFont MakeCanvasFont(const LOGFONT& f) {
  CFont font;
  // A damaged record's -2^31 has no positive counterpart: the largest height.
  font.height = f.lfHeight < 0 ? (f.lfHeight == INT32_MIN ? INT32_MAX : -f.lfHeight) : f.lfHeight;
  font.escapement = f.lfEscapement;
  font.weight = f.lfWeight;
  font.faceName = GbkToUtf8(std::string(f.lfFaceName, strnlen(f.lfFaceName, sizeof f.lfFaceName)));
  return font;
}

}  // namespace qzn
