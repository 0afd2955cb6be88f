// Workspaces for the project file tests: one with every kind of data the
// project keeps, and a little-endian byte writer for laying out expected
// files by hand.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/qzndoc.h"
#include "model/chain.h"

using namespace qzn;

namespace projfix {

// Little-endian bytes, written field by field.
struct Bytes {
  std::vector<std::uint8_t> b;
  Bytes& u8(unsigned v) {
    b.push_back(static_cast<std::uint8_t>(v));
    return *this;
  }
  Bytes& u16(unsigned v) { return u8(v & 0xFF).u8((v >> 8) & 0xFF); }
  Bytes& u32(std::uint32_t v) { return u16(v & 0xFFFF).u16(v >> 16); }
  Bytes& i32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
  Bytes& f32(float v) {
    std::uint32_t u;
    std::memcpy(&u, &v, 4);
    return u32(u);
  }
  Bytes& f64(double v) {
    std::uint64_t u;
    std::memcpy(&u, &v, 8);
    return u32(static_cast<std::uint32_t>(u)).u32(static_cast<std::uint32_t>(u >> 32));
  }
  // A short string: one length byte and the code page 936 bytes.
  Bytes& str(const std::string& gbk) {
    u8(static_cast<unsigned>(gbk.size()));
    b.insert(b.end(), gbk.begin(), gbk.end());
    return *this;
  }
  Bytes& rect(int l, int t, int r, int bt) { return i32(l).i32(t).i32(r).i32(bt); }
  // A new class record: tag 0xFFFF, schema 1, the name.
  Bytes& newClass(const std::string& name) {
    u16(0xFFFF).u16(1).u16(static_cast<unsigned>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
    return *this;
  }
};

inline CChain* AddLine(CChainList& list, int layer, float id, std::vector<CFPoint> pts, RECT bounds) {
  CChain* c = list.NewChain();
  for (const CFPoint& p : pts) c->AddPoint(p.x, p.y);
  c->m_nLayer = layer;
  c->m_fID = id;
  c->m_color = RGB(10, 20, 30);
  c->m_rcBounds = bounds;
  return c;
}

// Every kind of data, small: lines on two layers and a hidden one, points
// shown and hidden, notes shown and hidden, two linked text blocks, a cross
// mark, two control points, the world file, an OCR signature, colour classes,
// ID colour ranges and every setting.
inline void FillEveryKind(CQznDoc& doc) {
  doc.m_extent = RECT{0, 0, 99, 79};
  doc.m_workRect = RECT{5, 6, 50, 60};
  doc.m_fFactor = 1.5f;
  doc.m_nThreshLow = 20;
  doc.m_nThreshHigh = 180;
  doc.m_paths[CQznDoc::kPathImage] = "/maps/图1.tif";
  doc.m_paths[CQznDoc::kPathVector] = "out.gen";
  doc.m_display.nodeColor = 300;
  doc.m_display.endColor = 40;
  doc.m_lineTool.autoTrace = 2;
  doc.m_lineTool.snap = 3;
  doc.m_lineTool.snapToEndPoints = 4;
  doc.m_lineTool.snapDistance = 25;
  doc.m_nDecimalIDs = 0;

  CLayer* road = doc.m_layers.AddLayer();
  road->m_strName = "道路";
  CLayer* water = doc.m_layers.AddLayer();
  water->m_strName = "水系";
  water->SetVisible(FALSE);

  doc.m_lines.m_idColors.SetRangeColor(100, 200, RGB(0, 0, 255));
  doc.m_lines.m_fCurrentID = 5.0f;
  AddLine(doc.m_lines, 1, 100.0f, {{1, 2}, {3, 4}}, RECT{0, 1, 5, 6});
  AddLine(doc.m_lines, 2, 0.5f, {{10, 10}, {20, 10}, {20, 20}}, RECT{9, 9, 21, 21});
  AddLine(doc.m_hiddenLines, 2, 7.0f, {{30, 30}, {40, 35}}, RECT{29, 29, 41, 36});

  doc.m_points.m_idColors.SetRangeColor(1, 9, RGB(9, 9, 9));
  CPointRec* p = doc.m_points.AddPoint(11.5f, 12.5f, 321.0f, 5, RGB(1, 2, 3));
  p->layer = 1;
  doc.m_hiddenPoints.AddPoint(60.0f, 61.0f, -2.0f, 7, RGB(4, 5, 6))->layer = 2;

  for (int i = 0; i < 2; ++i) {
    CControlPt* cp = doc.m_controlPts.AddNew();
    cp->m_imageX = 10.0 * i;
    cp->m_imageY = 20.0 * i;
    cp->m_mapX = 500000.0 + i;
    cp->m_mapY = 4000000.5 - i;
  }

  CBox* a = doc.m_textBlocks.AddBox(RECT{10, 40, 20, 52}, 0);
  CBox* b = doc.m_textBlocks.AddBox(RECT{22, 40, 31, 52}, -1);
  a->m_pNext = b;
  b->m_pPrev = a;
  doc.m_crossMarks.AddBox(RECT{70, 70, 76, 76}, 0);

  doc.m_chars.m_nGridWidth = doc.m_chars.m_nGridHeight = 2;
  doc.m_chars.m_strDescription = "数字";
  CChar* c = doc.m_chars.AddNew();
  c->AllocGrid(2, 2);
  c->m_pGrid[1] = 1;
  c->m_pGrid[2] = 1;
  c->m_nCode = '7';

  CNote* n = doc.m_notes.AddNote(RECT{10, 40, 31, 52}, "高程 17");
  n->m_nID = 1;
  n->m_nAngle = 30;
  doc.m_hiddenNotes.AddNote(RECT{1, 1, 9, 9}, "x")->m_nID = 2;

  doc.m_tfw.m_nTerms = 3;
  doc.m_tfw.m_A = 2.5;
  doc.m_tfw.m_B = 0.0;
  doc.m_tfw.m_C = 500000.0;
  doc.m_tfw.m_D = 0.0;
  doc.m_tfw.m_E = -2.5;
  doc.m_tfw.m_F = 4000000.0;

  CColorFeature f;
  f.meanRed = 200.0f;
  f.sdRed = 3.0f;
  f.meanGreen = 30.0f;
  f.sdGreen = 4.0f;
  f.meanBlue = 20.0f;
  f.sdBlue = 5.0f;
  doc.m_colorClasses.Add(f);
}

// The bytes of one stored line (after its object tag).
inline void LineRecord(Bytes& x, RECT bounds, float id, int layer, const std::vector<CFPoint>& pts) {
  x.i32(98765432).rect(bounds.left, bounds.top, bounds.right, bounds.bottom);
  x.u16(1).u16(0).f32(id).u32(RGB(10, 20, 30)).i32(layer);
  x.u16(static_cast<unsigned>(pts.size()));
  for (const CFPoint& p : pts) x.f32(p.x).f32(p.y);
}

// The settings tail of a line list after its lines.
inline void LineListTail(Bytes& x, float currentID, std::vector<std::array<std::uint32_t, 3>> ranges) {
  x.u16(55555).f32(0.0f).u16(0).f32(currentID).u16(0).u16(50).u16(1);
  x.u16(1111).u32(static_cast<std::uint32_t>(ranges.size()));
  for (auto& r : ranges) x.u32(r[0]).u32(r[1]).u32(r[2]);
}

}  // namespace projfix
