// Point features: spot heights, labelled positions, digitised points. A point
// is a small plain record (float position in image pixels, float value,
// colour, marker size, layer); the list owns its records and carries what new
// points get, its own ID colour table, the font and colour of value labels
// and a modified flag. The document keeps one list of points on shown layers
// and one of points on hidden layers.
//
// The record and list operations live in ptlist.cpp, the point text files
// and exchange-format writers in ptfile.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/fpoint.h"
#include "model/idcolor.h"
#include "model/maptransform.h"
#include "model/logfont.h"
#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

class CCanvas;
class CLayerList;
class CNoteList;
class CTextFileWriter;
class CViewTransform;
class IAttributeLookup;
class IMapTransform;

struct CPointRec {
  float x = 0.0f;      // column in image pixels
  float y = 0.0f;      // row in image pixels, downwards
  float value = 0.0f;  // ID or elevation, shown as the label
  COLORREF color = RGB(255, 0, 0);
  int size = 7;  // the cross has a half-length of (size + 1) / 2 client pixels
  int layer = 0;

  // The integer pixel every rectangle test uses: each coordinate + 0.5,
  // truncated toward zero.
  POINT Rounded() const;

  // A cross in the record's colour, the value as a label at (cx + 2, cy + 2)
  // when showLabel is set ("%.2f" with labelAsFloat, else the truncated
  // integer). The caller selects the label font and colour. Returns 1.
  int Draw(CCanvas& dc, const CViewTransform& view, int showLabel, int labelAsFloat) const;
  // Printing: the client position scaled as trunc((c - offset) * scale),
  // with a cross ten times as large.
  int DrawPrint(CCanvas& dc, const CViewTransform& view, float scaleX, float scaleY, int offsetX, int offsetY,
                int showLabel, int labelAsFloat) const;
};
static_assert(sizeof(CPointRec) == 24);

class CPtList : public CObject, public COwningList<CPointRec> {
  QZN_DECLARE_SERIAL(CPtList)

 public:
  static constexpr std::int32_t kMarker = 99999992;

  CIDColorList m_idColors;  // one range 0..0 in red
  float m_fNextID = 0.0f;
  float m_fIDIncrement = 0.0f;
  int m_nAutoIncrement = 0;
  int m_nPointSize = 7;
  COLORREF m_defaultColor = RGB(255, 0, 0);
  int m_nModified = 0;  // not stored
  // What the last import did with the list (not stored): kImportedFromMap
  // when its points came from map coordinates, kKeptExisting when the user
  // chose to keep the points that were there.
  enum : int { kImportedFromMap = 1, kKeptExisting = 2 };
  int m_nImportMark = 0;
  std::unique_ptr<LOGFONT> m_pLabelFont;  // null until a font is set or loaded
  COLORREF m_labelColor = RGB(0, 0, 0);

  CPtList();
  ~CPtList() override;

  // ---- creating points: each appends, sets modified, returns the record or
  // null when memory runs out ----
  CPointRec* AddPoint(float x, float y, float value, int size, COLORREF color);
  // With auto-increment the next ID first grows by the increment.
  CPointRec* AddNext(const CFPoint& p);
  CPointRec* AddNew();                       // (0, 0, 0.0, colour 250, size 1, layer 0)
  CPointRec* AddCopy(const CPointRec& rec);  // layer 0

  // ---- finding and removing ----
  // Nearest by float squared distance, the first on ties; null when empty.
  POSITION FindNearestNode(const CFPoint& p) const;
  CPointRec* GetNearest(const CFPoint& p) const;
  // Deletes the nearest record and returns its truncated position; (0, 0)
  // and nothing changed for an empty list.
  POINT RemoveNearest(const CFPoint& p);
  // Hands every record whose rounded position lies in rc over to other.
  void MoveInRect(const RECT& rc, CPtList& other);
  BOOL IsLayerEmpty(int layer) const;
  void DeleteAll();  // deletes the records, clears modified
  void DetachAll();  // forgets the records, clears modified

  // ---- values, colours and layers ----
  COLORREF GetColorForID(int id) const { return m_idColors.GetColor(id); }
  void ApplyIDColors();
  int SetIDInRect(float value, const RECT& rc);
  void SetLayerInRect(int layer, const RECT& rc);
  void ChangeLayer(int source, int target, COLORREF color, int copy);
  void ApplyLayerColors(const CLayerList& layers, int all);
  void SetLayerColor(int layer, COLORREF color);
  int NumberPoints(int start, int step, int zeroOnly);
  void ScaleValues(float a, float b);
  // Each point takes the integer written in the first annotation that holds
  // it, else in the annotation whose centre is nearest. Returns 1.
  int ValuesFromNotes(const CNoteList& notes);

  // ---- geometry of the whole list ----
  CFRect GetBounds() const;
  RECT GetBoundsInt() const;
  // True when every position is a finite number within the int range (see
  // InPixelRange) and every value finite: what an import checks before it
  // takes the points.
  bool IsInPixelRange() const;
  void FlipVertical(const RECT& extent);
  void FlipHorizontal(const RECT& extent);
  void SwapXY();
  // (p - offset) x scale, worked out in double; modified untouched.
  void ScaleAll(double offsetX, double offsetY, double scaleX, double scaleY);

  // Crosses in the default colour for rendering vectors into an image.
  int DrawToBitmap(CCanvas& dc, float scaleX, float scaleY, int offsetX, int offsetY) const;

  void Serialize(CArchive& ar) override;

  // ---- point files and exchange formats (ptfile.cpp) ----
  // Writers take the export's map transform (model/maptransform.h) and
  // return 0 when a point cannot be mapped (nothing of it is written).
  // WriteGenerate opens its own file: 0 also when it cannot be written, an
  // existing file then untouched; the others write into an open file.
  int WriteGenerate(const std::string& path, int integerID, const qzn::MapTransform& map = {}) const;
  int WriteDxf(CTextFileWriter& file, const qzn::MapTransform& map, int z, const CLayerList& layers) const;
  int WriteMif(CTextFileWriter& file, const qzn::MapTransform& map = {}) const;
  int WriteXyz(CTextFileWriter& file, const qzn::MapTransform& map = {}) const;
  int WriteSdl(CTextFileWriter& file, const IAttributeLookup* attributes, const qzn::MapTransform& map = {}) const;

  // Polynomial rows c (x) and d (y) of type 3 or 4 map file coordinates to
  // pixels.
  // Readers append points of the list's size in red on layer 0; 0 when the
  // file cannot be read (or the triangulation cannot transform), else 1.
  int ReadXYZ(const std::string& path);
  int ReadXYZPolynomial(const std::string& path, const double* c, const double* d, int type);
  int ReadXYZTriangulated(const std::string& path, const IMapTransform& tri);
  int ReadXYZSimple(const std::string& path);

 private:
  int ReadValueXY(const std::string& path, int mode, const double* c, const double* d, int type,
                  const IMapTransform* tri);
};

}  // namespace qzn
