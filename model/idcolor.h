// Display colours by ID range. Lines and points carry a numeric ID (a contour
// height, a class code); new lines and the colour-by-ID commands look the
// colour up here. The chain list and the point list each hold one table.
#pragma once

#include <string>

#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

// One range of IDs, both ends inclusive.
class CIDColor : public CObject {
  QZN_DECLARE_SERIAL(CIDColor)

 public:
  int m_nLow = 0;
  int m_nHigh = 0;
  COLORREF m_color = RGB(0, 255, 0);

  CIDColor() = default;
  CIDColor(int low, int high, COLORREF color) : m_nLow(low), m_nHigh(high), m_color(color) {}
  // int32 low, int32 high, uint32 colour.
  void Serialize(CArchive& ar) override;
};

// Ranges in order; they may overlap and the first match wins. An empty table
// colours everything green.
class CIDColorList : public CObject, public COwningList<CIDColor> {
  QZN_DECLARE_SERIAL(CIDColorList)

 public:
  static constexpr std::uint16_t kTag = 1111;
  static constexpr COLORREF kDefaultColor = RGB(0, 255, 0);

  int m_nModified = 0;

  CIDColorList() = default;
  ~CIDColorList() override;

  COLORREF GetColor(int id) const;
  // The range between a and b (either order), ends included, takes the
  // colour; older ranges are trimmed or split around it.
  void SetRangeColor(int a, int b, COLORREF color);
  // Appends a default range (0, 0, green); null when memory runs out.
  CIDColor* AddNew();
  void DeleteAll();
  void Copy(const CIDColorList& source);

  // uint16 tag 1111, uint32 count, 12 bytes a range. Loading a table whose tag
  // is not 1111 reads the tag only and keeps the table.
  void Serialize(CArchive& ar) override;

  // The ".clr" text file: "low high colour" a line, colour as the decimal
  // COLORREF. Both return FALSE, without a message and with the table
  // unchanged, when the file cannot be written or read.
  BOOL SaveText(const std::string& path);
  BOOL LoadText(const std::string& path);
};

}  // namespace qzn
