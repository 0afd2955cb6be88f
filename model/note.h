// Annotations: free text placed on the map, each a rectangle in image pixels,
// a single-line text, a layer ID and an angle in degrees (counter-clockwise
// on the map). The document keeps one list for shown and one for hidden
// layers; the list carries the text colour, an optional font and the name of
// the last annotation file.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "model/logfont.h"
#include "model/maptransform.h"
#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

class CBoxList;
class CCanvas;
class CCharList;
class CLayerList;
class CQznDoc;
class CTextFileWriter;
class CViewTransform;

class CNote : public CObject {
  QZN_DECLARE_SERIAL(CNote)

 public:
  RECT m_rect{};
  std::string m_strText;
  std::int16_t m_nID = 0;
  std::int16_t m_nAngle = 0;

  CNote() = default;
  CNote(const RECT& rc, const std::string& text) : m_rect(rc), m_strText(text) {}
  ~CNote() override = default;

  // The rectangle's centre in integer halves.
  POINT Centre() const { return POINT{(m_rect.left + m_rect.right) / 2, (m_rect.top + m_rect.bottom) / 2}; }

  // 16 raw rectangle bytes, the text, one 32-bit word: ID low, angle high.
  void Serialize(CArchive& ar) override;
};

// The rectangle turned by -angle about its centre (screen y points down):
// where the text starts, and its outline drawn with the current pen.
POINT RotatedTextOrigin(const RECT& rc, int angle);
void DrawRotatedRect(CCanvas& dc, const RECT& rc, int angle);
// The outline's corners, the first repeated at the end.
std::array<POINT, 5> RotatedRectCorners(const RECT& rc, int angle);

// The box of a text placed at (x, y) where no window measures it: 5 pixels
// a byte of the text as stored (10 for a Chinese character), 20 high; the
// right and bottom held to the int range.
RECT TextBoxAt(int x, int y, const std::string& text);

// The integer a text begins with (blanks, an optional sign, digits), as the
// values of points and lines are read from annotations. False when there is
// none; values beyond the int range saturate.
bool LeadingInt(const std::string& text, int& value);

class CNoteList : public CObject, public COwningList<CNote> {
  QZN_DECLARE_SERIAL(CNoteList)

 public:
  static constexpr const char* kFileHeader = "QZN 注释文件";

  COLORREF m_textColor = RGB(0, 0, 255);
  int m_nModified = 0;
  std::string m_strFileName;
  std::unique_ptr<LOGFONT> m_pFont;

  CNoteList() = default;
  ~CNoteList() override;

  CNote* AddNote(const RECT& rc, const std::string& text);  // ID 0, angle 0; null out of memory
  CNote* AppendCopy(const CNote& note);
  RECT RemoveAt(POSITION pos);  // deletes the note; empty rectangle for a null position
  void DeleteAll();             // deletes every note, clears modified
  // Nearest rectangle centre, the first of equals; null when empty.
  CNote* FindNearest(POINT p, POSITION& pos) const;
  void DeleteInRect(const RECT& rc);
  void ChangeLayer(int from, int to, int copy);
  void FlipVertical(const RECT& extent);
  void FlipHorizontal(const RECT& extent);
  void SwapXY();
  BOOL IsLayerEmpty(int id) const;
  void SetLayerInRect(int id, const RECT& rc);
  // (corner - offset) x scale, worked out in double; modified untouched.
  void ScaleAll(double offsetX, double offsetY, double scaleX, double scaleY);

  // Drawing never changes the list's font: rotation goes into a copy.
  int Draw(CCanvas& dc, const CViewTransform& view, const RECT& clip, int frames) const;
  int DrawPrint(CCanvas& dc, const CViewTransform& view, float scaleX, float scaleY, int offsetX, int offsetY) const;
  int DrawToBitmap(CCanvas& dc, float scaleX, float scaleY, int offsetX, int offsetY) const;

  // The ".nts" file.
  int SaveFile(const std::string& path);
  int LoadFile(const std::string& path);
  // Lines "x y word" in map units, placed through c0 x + c1 y + c3 x y + c4
  // per axis (c2 unused), five coefficients each.
  int ImportText(const std::string& path, const double* cx, const double* cy);

  // DXF TEXT entities and SDL text records through the export's map
  // transform (the export writes what frames them). 0, having written
  // nothing of the failing note, when a corner cannot be mapped.
  int WriteDxf(CTextFileWriter& file, const qzn::MapTransform& map, const CLayerList& layers) const;
  int WriteSdl(CTextFileWriter& file, const qzn::MapTransform& map = {}) const;

  // OCR: every chain of text blocks whose first glyph is recognised with the
  // signatures becomes a note on the current layer (lives with the
  // recognition, in the application library). The number of notes.
  int RecognizeTextBoxes(CQznDoc* doc, CBoxList* boxes, CCharList* chars);

  // Object list form (count, tagged notes; loading appends), text colour,
  // file name, font word 60 or 0 and the font record.
  void Serialize(CArchive& ar) override;
};

}  // namespace qzn
