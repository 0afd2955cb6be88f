// The workspace document: one raster image and everything digitised from it
// (lines, points, control points, text blocks, cross marks, OCR characters,
// notes, layers, the world file, colour classes), the opening of images and
// projects with the spatial-reference files found beside them, the questions
// before unsaved work is lost, the saving of the image, automatic
// vectorisation and the batch line export.
//
// The document reaches the user only through the host (platform/host.h:
// messages, questions, file dialogs, busy cursor, the layer control); it
// never needs a window, so the command line and tests drive it as they are.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/charlist.h"
#include "app/vectorexports.h"
#include "georef/controlpt.h"
#include "georef/tfw.h"
#include "georef/triangle.h"
#include "model/box.h"
#include "model/chainlist.h"
#include "model/layer.h"
#include "model/maptransform.h"
#include "model/note.h"
#include "model/ptlist.h"
#include "platform/reportgrid.h"
#include "platform/wintypes.h"
#include "raster/colorfeature.h"
#include "raster/rasterimage.h"

namespace qzn {

// The colours the view draws nodes and end points in when the user asks for
// them (the "display pair" of the project file).
struct CDisplayPair {
  COLORREF nodeColor = 250;
  COLORREF endColor = 250;
};

// What the line-edit tool leaves for the next one; kept in the project file.
struct CLineToolSettings {
  int autoTrace = 1;        // follow raster lines between clicks where the image suits it
  int snap = 0;             // snap new and moved vertices
  int snapToEndPoints = 0;  // only to line ends (0: to any node)
  int snapDistance = 20;    // image pixels
};

class CPolygonFiller;
class CQznDoc {
 public:
  // The nine stored paths, in their stored order.
  enum PathIndex : int {
    kPathVector = 0,
    kPathPoint,
    kPathControlPoints,
    kPathImage,
    kPathProject,
    kPathSpare1,
    kPathSpare2,
    kPathAttributes,
    kPathWorldFile,
    kPathCount
  };

  CQznDoc();
  ~CQznDoc();
  CQznDoc(const CQznDoc&) = delete;
  CQznDoc& operator=(const CQznDoc&) = delete;

  // ---- members, in declaration order --------------------------------------
  int m_nSpare = 0;
  int m_nImageModified = 0;
  CChainList m_lines;
  CChainList m_hiddenLines;
  CPtList m_points;
  CPtList m_hiddenPoints;
  CControlPtList m_controlPts;
  CBoxList m_textBlocks;
  CBoxList m_crossMarks;
  CCharList m_chars;
  CNoteList m_notes;
  CNoteList m_hiddenNotes;
  CTriangleList m_triangles;
  CTfw m_tfw;
  int m_nTfwModified = 0;  // the world-file record keeps no flag of its own
  // Set when a georeference that came with the image, a side file or the
  // project was refused (not finite, beyond any map, not invertible,
  // damaged GeoTIFF keys): the user has been told, the workspace has none.
  int m_nGeorefRefused = 0;
  CLayerList m_layers;
  RECT m_extent{0, 0, 511, 511};
  RECT m_workRect{0, 0, 0, 0};
  CChainList m_roi;  // region-of-interest polygons; never saved
  int m_nVersion = 3;
  CRasterImage m_image;
  float m_fFactor = 1.0f;
  int m_nThreshHigh = 0;  // 0: no user threshold
  int m_nThreshLow = 0;
  std::string m_paths[kPathCount];
  // The ID colour files last read or written for the lines and the points
  // (the ID colour dialog proposes them). Not stored.
  std::string m_lineColorFile, m_pointColorFile;
  // The export dialogs' last georeference choice, a GeorefKind (-1 none);
  // read through RememberedGeoref, as the project keeps 16 bits of it.
  int m_nSpareWord = -1;
  CDisplayPair m_display;
  // The settings saved with the project that belong to no list of their
  // own (node and end-point colours, colour classes) changed since the
  // project was read or written: unsaved work like a modified list.
  int m_nSettingsModified = 0;
  CLineToolSettings m_lineTool;
  int m_nDecimalIDs = 1;
  CColorFeatureArray m_colorClasses;

  // ---- framework document state --------------------------------------------
  const std::string& GetPathName() const { return m_strPathName; }
  void SetPathName(const std::string& path) { m_strPathName = path; }
  bool IsModified() const { return m_bModified; }
  void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

  // ---- life cycle ------------------------------------------------------------
  // Frees the image's memory and deletes every line.
  void DeleteContents();
  // Extent (0, 0, 2047, 2047) and the hit tolerance for it. 1.
  int OnNewDocument();
  // Opens an image, or a project and the image it names; offers the side
  // files; sets the extent. 1 or 0.
  int OnOpenDocument(const std::string& path);
  // Saves the image (only) by the path's extension: JPEG, PNG, else TIFF.
  int OnSaveDocument(const std::string& path);
  // Both questions below; true to go on closing.
  int SaveModified();
  int SaveDataIfModified();
  int SaveImageIfModified();
  // Any set but the image modified, or the settings above.
  bool IsDataModified() const;
  // Marks the settings modified (and the framework document).
  void SetSettingsModified();

  // ---- images and side files -----------------------------------------------
  // Reads an image by content (RLC by its own extension) into the image;
  // the image is replaced only when the whole file was read. 1 or 0.
  int LoadImageFile(const std::string& path);
  // Offers the control-point, world or MapInfo table file beside path.
  int LoadSpatialReference(const std::string& path);
  // The control-point file: when the world file is active, asks whether the
  // points are to replace it (No: 1, nothing changed); with points already
  // there, whether to remove them (No appends). The file is read aside; only
  // when its points are read and usable is the world file dropped and are
  // the points taken. 1 when taken or declined; 0 after a failure, said once
  // (kControlPointFileReadError, or why the points cannot be used), with both
  // references as they were.
  int LoadControlPoints(const std::string& path);
  // The world file: with control points there, asks whether the world file
  // is to replace them (No: 1, nothing changed). Read aside; the points go
  // only when the world file was read and is usable. 1 when taken or
  // declined; 0 after a failure, said once, both references as they were.
  int LoadWorldFile(const std::string& path);
  // Writes the control-point file; on success the path becomes the
  // workspace's control-point file. 0, after kSaveControlPointsError, when it cannot
  // be written.
  int SaveControlPoints(const std::string& path);
  // Drops the world file and the control points when either holds a fault,
  // tells the user which file (source) and why, and marks the refusal.
  // 1 when nothing was wrong.
  int AcceptGeoreference(const std::string& source);
  // The refusal itself: no world file, no control points, the message with
  // the file and the reason. 0.
  int RefuseGeoreference(const std::string& source, const char* reason);
  // A reference file read to replace the workspace's is not used: the
  // message with the file and the reason; the workspace keeps what it had. 0.
  int RefuseReferenceFile(const std::string& source, const char* reason);
  // Control points from a MapInfo raster table, checked as a side file.
  int LoadTabFile(const std::string& path);
  // A MapInfo raster table the user chose: read aside; its points replace
  // the workspace's only when the table gave usable ones. 1 when taken; 0
  // after a failure, said once, with the control points as they were.
  int LoadControlPointTable(const std::string& path);

  int ResetExtent();
  int SetExtent(const RECT& rect);
  // The extent, and the lines' hit tolerance for its size.
  void SetExtentAndTolerance(const RECT& extent);

  // ---- georeference ----------------------------------------------------------
  // direction 1: from the image's GeoTIFF data into the world file or the
  // control points; 0: from the workspace into the image's GeoTIFF data.
  void SetupWorldTransform(int direction);
  // Bilinear image-to-map fit of the control points into the rows (4 each).
  int FitControlPointTransform(double* xRow, double* yRow) const;
  // Whether the workspace has what the kind needs: 4 or more control points
  // (bilinear, triangulation) or a world file with terms; never for none.
  bool HasGeoref(GeorefKind kind) const;
  // The workspace's own georeference, the one its batch exports to map
  // coordinates, the vector report and the status bar use: the bilinear fit
  // of 4 or more control points, else the world file; none without either.
  GeorefKind GeorefInUse() const;
  // The image-to-map transform of that georeference (CGeoreference): a
  // bilinear or affine polynomial, never a triangulation, so the value
  // stands alone; pixels without a georeference or when its fit fails.
  MapTransform GetMapTransform() const;
  // A georeference in use.
  bool IsGeoreferenced() const;
  // The export dialogs' last choice; none when the stored word holds no kind.
  GeorefKind RememberedGeoref() const;
  void RememberGeoref(GeorefKind kind) { m_nSpareWord = static_cast<int>(kind); }

  // ---- image kinds -------------------------------------------------------------
  bool IsGreyImage() const;
  bool IsPaletteImage() const;
  bool IsClassifiedImage() const;
  bool IsRgbImage() const;
  bool IsBilevelImage() const;

  int GetThreshold(int& low, int& high);
  int GetTraceKey(int x, int y);
  int GetPixelValue(int x, int y, int& value) const;
  std::string GetUnitName() const;
  void SetUnitName(const std::string& name);

  void SetLinesModified(int flag);
  void SetImageModified(int flag);

  // ---- lines and layers --------------------------------------------------------
  // Reduces the vertices of every line (an empty rectangle) or of the lines
  // meeting the rectangle, at the tolerance in pixels.
  void SmoothLines(float tolerance, const RECT& rc);
  void SnapLines(int distance);
  // Closed polygons built from the lines of the current layer replace the
  // lines when at least one was built. The builder's result.
  int CreatePolygons(float closingTolerance, BOOL keepUnclosed);
  void DeleteShortLines(int low, int high, const RECT& rc, BOOL byVertexCount);
  void SetCurrentLayer(const std::string& name);
  void GetLayerName(int id, char* buffer, int size) const;
  void ApplyLayerVisibility(const CLayerList& layers);

  // ---- vectorisation ---------------------------------------------------------
  // Traces the image into new lines: centre lines, or region outlines.
  // Centre lines of a grey, palette, class or bilevel image are found in a
  // separate one-bit mask, so the image is only read (a quiet document ends
  // with the image as binarising in place would leave it); the other ways
  // binarise the image in place, and unless the document is quiet it is
  // backed up first and restored afterwards. 1 on success, 0 on failure.
  int Vectorize(const RECT& sample, int useUserThreshold, int outline, int roi, int straighten);
  int VectorizeRect(const RECT& sample, int useUserThreshold, int outline, const RECT& area, int roi);
  int TraceSkeleton1Bit(int left, int top, int width, int height);
  int TraceSkeleton8Bit(int left, int top, int width, int height);

  // ---- vector export (qzndoc_export.cpp) ------------------------------------
  // The writers of the exchange formats are installed by main
  // (app/vectorexports.h); the document hands these calls to them. Exports
  // never change the lines, points or notes, and write their files in full
  // or not at all.
  //
  // The view's export command, the format chosen by the type code of the
  // file's extension. 1 on success and after Cancel, 0 after a failure
  // already reported (the view then adds kSaveVectorFileError).
  int SaveVectorFile(const std::string& path, int typeCode);
  // Batch exports without dialogs, of a BatchExportType: ARC generate
  // (written here, also without installed writers), DXF, MIF/MID, shapefile,
  // XYZ. ExportLines writes image pixels, ExportLinesGeo map coordinates
  // through the workspace's georeference (0 without one). The point exports
  // write the point file for kExportGenerate.
  int ExportLines(const std::string& path, int type);
  int ExportLinesGeo(const std::string& path, int type);
  int ExportPointLayer(const std::string& path, int type);
  int ExportPointLayerGeo(const std::string& path, int type);

  // ---- vector import (qzndoc_import.cpp) ------------------------------------
  // Every import reads the whole file aside first: the lines, points, notes,
  // layers, extent and side files change only after a successful read, and
  // the questions that remove existing lines or points act only then. A
  // failure is said once and returns 0.
  //
  // A vector file in image pixels, the reader chosen by the extension (".PNT"
  // and ".XYZ" points, ".SDL", ".SHP", ".MIF", ".DXF", anything else ARC
  // generate lines, which replace the lines with `replace` set). Afterwards
  // lines of fewer than two vertices are deleted; without an image the
  // extent becomes the data's (offering to scale data far too small or too
  // large for the display); the path becomes the last vector file. Through
  // the installed readers (app/vectorimports.h).
  int ImportVectors(const std::string& path, int replace);
  // A vector file in map coordinates, converted into pixels through the
  // workspace's control points (bilinear, or their triangulation) or world
  // file; a workspace without four control points or a world file first
  // loads the reference file (".tfw" a world file, else control points).
  int ImportGeoVectors(const std::string& path, const std::string& reference, GeorefKind kind);
  // A point file (".XYZ" "x y value" lines, else "value x y"), asking first
  // whether the existing points are to be removed. The points take the
  // current layer and its colour; the path becomes the last point file. Its
  // failure message is kPointFileReadError, or kPointLayerReadError when the vector
  // import reads the file.
  int ImportPoints(const std::string& path, bool fromVectorImport = false);
  // An ARC generate line file; its lines take the current layer, its colour
  // and style, and replace the existing lines with `replace` set. 0 (nothing
  // said: the vector import says it) when the file cannot be read whole.
  int ImportGenerateLines(const std::string& path, int replace);
  void SetVectorFilePath(const std::string& path) { m_paths[kPathVector] = path; }
  // The transform of the last georeferenced import.
  GeorefKind m_importTransform = GeorefKind::bilinear;

  // ---- Image and vector commands (qzndoc_commands.cpp, qzndoc_vectorcmds.cpp,
  // batchscript.cpp) -------------------------------------------------------------
  // Each returns 1 when done and 0 when it does not apply or fails (the
  // workspace is then as it was). Every command that changes the image sets
  // the image-modified flag; geometric ones keep the control points, the
  // world file and the region of interest in register with the image.
  int NegateImage();
  int FlipImage(int direction);  // 0 left-right, 1 top-bottom
  int MedianFilter();
  int TransposeImage();
  int CropImage(const RECT& rect);
  int RotateImage(float angle);
  int WarpImage(int method);
  int ResampleImage(int enlarge, int factor);
  int RemoveBackground(int size);
  int MapPixelRange(int low, int high, int value);
  int SegmentImage();
  int ConvertRgbToPalette();
  int ConvertRgbToGrey();
  int ConvertPaletteToGrey();
  int ConvertGreyToBilevel(const RECT& rect);
  int ConvertBilevelToGrey();
  int ExtractClassToBilevel(const RECT& rect);
  // RGB bytes of the rectangle (right and bottom excluded) for the 3D view.
  int GetImageRectRgb(const RECT& rect, BYTE* buffer) const;
  // The workspace's georeference into the image's GeoTIFF data before it is
  // written: SetupWorldTransform(0), then a world file with rotation terms
  // as the model transformation (a tie point and pixel scale cannot hold them).
  void PutGeoreferenceIntoImage();

  int SplitTextLines();
  int DetectTextBlocks(int width, int height);
  int RecognizeText();
  int DetectCrossMarks(int width, int height);
  int ShrinkCrossMarks(const RECT& rect);
  int AddRoiRect(const RECT& rect);
  void TransformIDs(float a, float b, int lines, int points);
  int BuildVectorReport(IReportGrid* grid) const;

  // The batch script language: one line run on the workspace; scripts read
  // from and written to ".cmd" files. A line refused for a number outside
  // its command's range gives 0 and, in `refusal`, the message saying so.
  int RunMacroCommand(const std::string& line, std::string* refusal = nullptr);
  static int ReadMacroFile(std::vector<std::string>& script, const std::string& path);
  static int WriteMacroFile(const std::vector<std::string>& script, const std::string& path);
  // ---- end of the image and vector commands ------------------------------------

  // ---- the project file (projectfile.cpp) ------------------------------------
  // Reads the project into the workspace; a file that cannot be read whole
  // leaves the workspace as it was. 1 or 0, with a message on failure.
  int ReadProject(const std::string& path);
  // Writes the project completely beside the old file, keeps the old one as
  // ".pbk" and puts the new one in place; any write error fails the save.
  int SaveProject(const std::string& path);
  // Keeps a copy of the existing project file as ".pbk". 1 also when there
  // is none.
  int BackupProjectFile(const std::string& path);
  // The project layout: version 8 written, older versions read.
  void Serialize(CArchive& ar);

 private:
  // Computes the threshold pair from the area's histogram and stores it.
  int AutoThreshold(int left, int top, int width, int height);
  // Turns the image read from a TIFF to the picture its Orientation tag
  // describes (2 to 8; 1 is as stored).
  void TurnToOrientation(int orientation);
  int ReadImage(const std::string& path);
  // Whether vectorising this way changes the image in place (else it works
  // in a separate mask and only reads the image).
  bool VectorizesInPlace(int outline) const;
  // Centre lines of the line-pixel mask of the rectangle (in image pixels),
  // cut to the region of interest when given.
  int TraceMaskCentreLines(CRasterImage& mask, const RECT& rc, CPolygonFiller* roi);
  bool BackupImage();
  bool RestoreImage();
  void DropBackup();
  // Takes the stored members of a workspace read from a project.
  void TakeProjectData(CQznDoc& from);
  void SerializeMemberSets(CArchive& ar);

  std::string m_strPathName;
  bool m_bModified = false;
  // The vectoriser's copy of the image's first plane: in memory, or when
  // memory is short in an unnamed temporary file.
  std::unique_ptr<BYTE[]> m_backup;
  std::FILE* m_backupFile = nullptr;
};

// Refreshes the main frame's layer control for the document through the
// host; nothing in a headless run.
void UpdateLayerBar(CQznDoc* doc);

}  // namespace qzn
