// The elevation grid of a 3D window: read from an ESRI ASCII grid (.grd) or
// a USGS DEM (.dem), its heights made relative to the lowest valid height,
// and written out as a 3D model (DXF 3DFACE, binary STL, VRML 2.0, XYZ).
//
// This is the data of the 3D document without any window: the 3D view reads
// the columns, rows, cell size, heights and height range from it, and its
// model-export command calls ExportModel.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace qzn {

// A grid as a file holds it: heights row-major (column c of row r at
// r x columns + c), with the cells that hold no height marked.
struct CElevationGrid {
  int columns = 0;
  int rows = 0;
  float lowerLeftX = 0.0f;
  float lowerLeftY = 0.0f;
  float cellSize = 0.0f;
  float noData = -9999.0f;
  std::vector<float> heights;
  std::vector<std::uint8_t> missing;  // 1: NODATA or void, or never filled
};

// What a reader tells its caller besides the grid.
struct CGridReadStatus {
  std::string error;  // why the file was refused (the 3D document shows it)
  std::string info;   // the DEM header's description, to show the user
};

// True when a header value read as a double keeps a finite value as the
// grid's float (tiny values may become 0): corners and cell sizes beyond
// the float range are damage.
inline bool FitsFloat(double v) { return std::isfinite(static_cast<float>(v)); }

// File readers; false with the reason in status. The grid is filled only on
// success; they show nothing themselves.
bool ReadAsciiGridFile(const std::string& path, CElevationGrid& grid, CGridReadStatus& status);
bool ReadUsgsDemFile(const std::string& path, CElevationGrid& grid, CGridReadStatus& status);

class COpenGLDoc {
 public:
  COpenGLDoc() = default;
  virtual ~COpenGLDoc() = default;
  COpenGLDoc(const COpenGLDoc&) = delete;
  COpenGLDoc& operator=(const COpenGLDoc&) = delete;

  // Reads a ".grd" or ".dem" file (by extension, in any case), makes the
  // heights relative to the lowest valid one (missing cells take it too) and
  // sets the height range and the title. 1 when the grid was read; 0 leaves
  // the document as it was. An unknown extension, a grid without a single
  // valid height and a grid under 2 x 2 cells are refused with a message;
  // other failures only set GetErrorText().
  int OnOpenDocument(const std::string& path);

  // The raw readers: the file's heights as they are, without the range. 1 or
  // 0. The DEM reader shows the file's header for information (also when the
  // profiles then fail) and kDemNoMemory when the heights cannot be had.
  int ReadAsciiGrid(const std::string& path);
  int ReadUsgsDem(const std::string& path);

  // ---- model export (the exports never change the document) ----
  // By the upper-cased extension: "XYZ", "WRL" (VRML), "STL", anything else
  // DXF. 1 on success, 0 on failure.
  int ExportModel(const std::string& path) const;
  int ExportDxf(const std::string& path) const;
  // Shows kStlOpenError when the file cannot be created.
  int ExportStl(const std::string& path) const;
  int ExportVrml(const std::string& path) const;
  int ExportXyz(const std::string& path) const;

  float GetHeight(int column, int row) const {
    return m_heights[static_cast<std::size_t>(row) * static_cast<std::size_t>(m_nColumns) +
                     static_cast<std::size_t>(column)];
  }
  const std::string& GetTitle() const { return m_title; }
  const std::string& GetErrorText() const { return m_error; }

  // ---- the grid, read by the 3D view ----
  int m_nColumns = 0;
  int m_nRows = 0;
  float m_fLowerLeftX = 0.0f;
  float m_fLowerLeftY = 0.0f;
  float m_fCellSize = 0.0f;
  float m_fNoData = -9999.0f;
  std::vector<float> m_heights;
  float m_fHeightRange = 0.0f;
  // The factor the model exports apply to heights; the 3D view copies its
  // vertical scale into it.
  float m_fExportScale = 1.0f;

 private:
  void Assign(CElevationGrid&& grid);
  // Reads by kind (0 grid, 1 DEM), showing what the reader asks to show.
  bool Read(int kind, const std::string& path, CElevationGrid& grid);
  int Fail(std::string text, bool tellUser) const;

  std::string m_title;
  mutable std::string m_error;
};

}  // namespace qzn
