// Layers: every line, point and annotation carries a layer ID; the layer table
// gives each layer a name, visibility, a width, a pen style, a fill pattern and
// a colour. One layer is current (new data goes to it) and layer "0" always
// exists.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/archive.h"
#include "platform/wintypes.h"
#include "resources/messages_common.h"
#include "resources/messages_model.h"

namespace qzn {

// Resolution unit names as the document gives them.
using res::text::kUnitCentimetre;
using res::text::kUnitInch;
using res::text::kUnitPixel;

class CLayer : public CObject {
  QZN_DECLARE_SERIAL(CLayer)

 public:
  enum : int { kVisible = 1, kCurrent = 2, kMarked = 4 };
  // The widest line a layer gives its lines: a layer's width becomes its
  // lines' width word, whose higher bits are the snap marks (CChain).
  static constexpr int kMaxWidth = 0xFFF;

  int m_nID = 0;
  int m_nFlags = kVisible;  // other bits are kept as they are
  int m_nWidth = 1;         // image pixels, 1 to kMaxWidth
  int m_nFill = 0;          // 0..5 hatch styles (HS_*), 6 and above solid
  int m_nPenStyle = 0;
  COLORREF m_color = 64000;
  std::string m_strName = res::text::kUntitled;

  CLayer() = default;
  CLayer(const CLayer& o) : CObject() { Copy(o); }
  CLayer& operator=(const CLayer& o) {
    Copy(o);
    return *this;
  }
  ~CLayer() override = default;

  virtual void Copy(const CLayer& o);

  void SetCurrent(BOOL on) { m_nFlags = on ? (m_nFlags | kCurrent) : (m_nFlags & ~kCurrent); }
  void SetMarked(BOOL on) { m_nFlags = on ? (m_nFlags | kMarked) : (m_nFlags & ~kMarked); }
  // Hiding a layer also ends its being current.
  void SetVisible(BOOL on) { m_nFlags = on ? (m_nFlags | kVisible) : (m_nFlags & ~(kVisible | kCurrent)); }
  int IsVisible() const { return m_nFlags & kVisible; }
  int IsCurrent() const { return m_nFlags & kCurrent; }
  int IsMarked() const { return m_nFlags & kMarked; }
  std::string GetName() const { return m_strName; }

  // Width in the document's unit: pixels, or divided by the scale (pixels per
  // unit) for inch and centimetre; a scale that is not positive counts as 1.
  // Set, it is rounded to pixels and held to 1..kMaxWidth.
  float GetWidth(float scale, const std::string& unit) const;
  void SetWidth(float scale, float value, const std::string& unit);
  // Width given in a layer file's unit word (CENT, INCH or MM) for a document
  // in the given unit. False, and the width unchanged, for a width that is
  // not a finite number or comes to more than kMaxWidth pixels: a damaged
  // file.
  bool SetWidthConverted(float scale, float width, const std::string& fileUnit, const std::string& unit);

  // int32 ID, flags, width, fill, pen style, uint32 colour, archive string name.
  void Serialize(CArchive& ar) override;
};

// Case-insensitive name comparison (ASCII letters fold; multibyte characters
// have no case and compare as they are).
bool LayerNamesEqual(const std::string& a, const std::string& b);

// What lines and points take from a layer an import puts them on: the ID,
// the colour and the pen style.
struct CLayerLook {
  int id = 0;
  COLORREF color = RGB(0, 255, 0);
  int penStyle = 0;
};

class CLayerList : public CObject {
  QZN_DECLARE_SERIAL(CLayerList)

 public:
  static constexpr const char* kLayerZero = "0";

  int m_nModified = 0;
  std::vector<CLayer> m_layers;

  // One layer: "0", ID 0, visible and current, green.
  CLayerList();
  ~CLayerList() override = default;

  std::int64_t GetCount() const { return static_cast<std::int64_t>(m_layers.size()); }
  CLayer& GetAt(std::int64_t i) { return m_layers[static_cast<std::size_t>(i)]; }
  const CLayer& GetAt(std::int64_t i) const { return m_layers[static_cast<std::size_t>(i)]; }
  void RemoveAll() { m_layers.clear(); }

  // Appends a layer with the next unused ID, the palette colour of that ID
  // and the name "图层<ID>"; the pointer is valid until the table changes.
  CLayer* AddLayer();
  int GetUnusedID() const;
  void FixDuplicateIDs();
  // The first match, else the first layer; null only for an empty table.
  CLayer* FindLayerByID(int id);
  const CLayer* FindLayerByID(int id) const;
  CLayer* FindLayerByName(const std::string& name);
  BOOL HasLayerName(const std::string& name) const;
  COLORREF GetLayerColor(int id) const;
  void GetLayerName(std::string& out, int id) const;
  CLayer* GetCurrentLayer();
  int GetCurrentLayerID() const;
  // The current layer's look; the defaults (ID 0, green, solid) when none is
  // current.
  CLayerLook GetCurrentLook() const;
  BOOL GetCurrentLayerName(std::string& out) const;
  void SetCurrentLayer(const std::string& name);
  int GetMarkedLayerIDs(std::vector<int>& ids) const;
  BOOL DeleteLayerByName(const std::string& name);
  BOOL DeleteLayerByID(int id);
  void ReplaceWhiteColors();
  // Layer "0" present (added in front when missing), exactly one current
  // layer (the first flagged, else "0"), and that one visible.
  void MakeSound() { MakeSound(m_layers); }

  static COLORREF PaletteColor(int id);

  // uint32 count, then the layers. A loaded table always holds layer "0" and
  // exactly one current, visible layer; a damaged table (cut short, or a
  // layer width outside 1..kMaxWidth) throws and leaves this one as it was.
  void Serialize(CArchive& ar) override;
  // The layer definition text file: a first line with the word LAYERS and a
  // count, then "name red green blue width unit" lines. FALSE (table
  // unchanged) when the file cannot be opened (with a message), or quietly
  // when it is not a whole layer text file (it may be the stored table; a
  // text file with fewer lines than its count, or a line that does not
  // parse or gives a width no layer can have, is not taken in part).
  BOOL LoadLayerFile(const std::string& path, float scale, const std::string& unit);

 private:
  // Layer "0" present, exactly one current layer, and that one visible.
  static void MakeSound(std::vector<CLayer>& layers);
};

}  // namespace qzn
