// Text blocks: axis-aligned rectangles in image pixels around map lettering,
// found among the small lines the vectoriser made or drawn by the user.
// Blocks of one label are linked into a simple chain (previous/next) in
// reading order. Every operation keeps the links two-sided (a's next is b
// exactly when b's previous is a) and acyclic; the stored forms rely on it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

class CCanvas;
class CChainList;
class CViewTransform;

class CBox : public CObject {
  QZN_DECLARE_SERIAL(CBox)

 public:
  int m_nType = 0;  // 0 found by detection, -1 drawn by the user
  RECT m_rect{};
  CBox* m_pPrev = nullptr;  // borrowed, same list
  CBox* m_pNext = nullptr;

  CBox() = default;
  CBox(const RECT& rc, int type) : m_nType(type), m_rect(rc) {}
  ~CBox() override = default;

  // int32 type, then the rectangle as four int32.
  void Serialize(CArchive& ar) override;
};

// Borrowed blocks: a selection.
using CBoxPtrList = CPtrListT<CBox*>;

class CBoxList : public CObject, public COwningList<CBox> {
  QZN_DECLARE_SERIAL(CBoxList)

 public:
  static constexpr const char* kFileHeader = "QZN 文本块文件";

  COLORREF m_color = RGB(255, 0, 0);
  int m_nModified = 0;
  int m_nPenWidth = 1;
  std::string m_strFileName;

  CBoxList() = default;
  ~CBoxList() override;

  CBox* AddBox(const RECT& rc, int type);  // no links; null out of memory
  CBox* AddNew();
  void RemoveAll();  // deletes every block, clears modified

  POSITION FindPosAtPoint(POINT p) const;
  CBox* FindAtPoint(POINT p, POSITION& pos) const;
  // Unlinks, removes and deletes the block; its rectangle, or an empty one
  // for a null position.
  RECT RemoveAt(POSITION pos);
  RECT DeleteAtPoint(POINT p);
  void DeleteInRect(const RECT& rc);

  // Blocks meeting the box around the segment whose centres lie within ten
  // segment lengths of the start, nearest first, appended to out.
  std::int64_t CollectAlongSegment(CBoxPtrList& out, POINT start, POINT end) const;
  // Chains the selected blocks in selection order.
  static void LinkAll(const CBoxPtrList& selection);
  // Cuts every link of the selected blocks.
  static void UnlinkAll(const CBoxPtrList& selection);

  // Blocks around the lines no larger than a character (w x h), merged,
  // filtered by size and linked into words; appended to this list.
  std::int64_t DetectText(int w, int h, const CChainList& chains);
  // Crossing marks: small lines merged while they fit a w x h mark.
  std::int64_t MergeSmallBoxes(int w, int h, const CChainList& chains);
  // Joins the unlinked sides of neighbouring blocks; 0 for an empty list.
  int LinkNeighbours();

  int Draw(CCanvas& dc, const CViewTransform& view, const RECT& clip) const;

  void Serialize(CArchive& ar) override;
  int ReadTextFile(const std::string& path);
  int WriteTextFile(const std::string& path);

  // The blocks chain by chain: each head in list order followed by the
  // blocks along its next links; every block exactly once.
  std::vector<CBox*> ChainOrder() const;
};

// The linking step of detection on blocks given in list order.
void LinkNeighbourBoxes(const std::vector<CBox*>& boxes);

}  // namespace qzn
