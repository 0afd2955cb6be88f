// The OCR character set of a workspace: trained character signatures.
//
// A signature (CChar) is a small square grid sampled over a glyph's box on the
// image: on grey and bilevel images each cell is 1 where the pixel is line
// ink and 0 elsewhere, on colour images the low byte of the pixel value. A
// glyph is recognised as the signature whose grid agrees with it best.
//
// Codes are Unicode code points (the archive keeps them in 16 bits; -1 is a
// signature without a code). The set stores itself in the project file and in
// ".ocr" text files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/ownedlist.h"
#include "model/ptrlist.h"
#include "platform/archive.h"
#include "platform/wintypes.h"

namespace qzn {

class CQznDoc;

class CChar : public CObject {
  QZN_DECLARE_SERIAL(CChar)

 public:
  int m_nCode = -1;
  int m_nWidth = 0;                 // grid width, 0 without a grid
  int m_nHeight = 0;                // grid height
  std::unique_ptr<BYTE[]> m_pGrid;  // width x height cells, row by row

  CChar() = default;
  ~CChar() override = default;
  CChar(CChar&&) = default;
  CChar& operator=(CChar&&) = default;

  bool HasGrid() const { return m_pGrid && m_nWidth > 0 && m_nHeight > 0; }
  std::int64_t CellCount() const { return static_cast<std::int64_t>(m_nWidth) * m_nHeight; }
  // A new zeroed grid of that size (none for a non-positive size); false when
  // memory runs out, both sizes then 0.
  bool AllocGrid(int width, int height);

  // Samples the glyph rectangle of the document's image into a width x
  // height grid and takes the code. 0 unless width = height > 0, without an
  // image (kOcrNeedsTraining) or when memory runs out.
  int Sample(CQznDoc* doc, const RECT& rc, int code, int width, int height);
  // (matches - mismatches) / (matches + mismatches) over the cells set in
  // either grid: 1 for equal grids, -1 when nothing is set in both or
  // everything differs; 0 when either has no grid or the sizes differ.
  float Similarity(const CChar& other) const;

  // 16-bit code, int32 width, int32 height, width x height grid bytes.
  void Serialize(CArchive& ar) override;
};

// The largest grid a set or file may ask for; a file asking for more is
// damaged, not an OCR set.
constexpr std::int64_t kMaxCharGridCells = 1024 * 1024;

class CCharList : public CObject, public COwningList<CChar> {
  QZN_DECLARE_SERIAL(CCharList)

 public:
  static constexpr const char* kFileHeader = "QZN OCR 文件";

  int m_nModified = 0;
  int m_nGridWidth = 32;
  int m_nGridHeight = 32;
  std::string m_strFileName;  // the last .ocr file read or written
  std::string m_strDescription;

  CCharList() = default;
  ~CCharList() override;

  // Appends an empty signature and sets modified; null out of memory.
  CChar* AddNew();
  // AddNew, then Sample at the set's grid size. The new signature, or null
  // when it could not be sampled (it is then removed again).
  CChar* AddSample(CQznDoc* doc, const RECT& rc, int code);
  // Removes and deletes the signature at that index; sets modified. False
  // for an index out of range.
  bool RemoveAt(std::int64_t index);
  // Takes over the signatures and settings of other, which is left empty.
  void TakeFrom(CCharList& other);

  // The code of the most similar signature (the earlier one on ties); -1
  // when the sample has no grid, its size differs from the set's, or nothing
  // scores above -1.
  int FindBest(const CChar& sample) const;

  // The ".ocr" text file. Reading replaces the set only when the whole file
  // was read; 1 or 0, with a message on failure.
  int ReadFile(const std::string& path);
  int WriteFile(const std::string& path);

  // The object list of signatures, int32 grid width, int32 grid height, file
  // name, description. Loading replaces the set when the whole record was
  // read; both directions clear modified.
  void Serialize(CArchive& ar) override;
};

// A code as the UTF-8 text of one character ('?' for a code that is no
// character).
std::string CharCodeText(int code);

}  // namespace qzn
