// The document commands: their table, their enablers and their runners. The
// options come as a parsed script line; every runner reports what really
// happened (0 when required options are missing, the command does not apply
// to the image or its operation failed), so the batch log and the script
// editor can say which line failed.
#include "app/doccommands.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <optional>

#include "app/qzndoc.h"
#include "app/vertexreducer.h"
#include "model/helpers.h"
#include "platform/textfile.h"
#include "raster/filters.h"
#include "raster/imaging.h"
#include "raster/tiffio.h"
#include "resources/messages_common.h"

namespace qzn {

namespace {

// ---- options ------------------------------------------------------------------

bool Has(const CScriptLine& line, const char* word) { return line.options.find(word) != std::string::npos; }

// The n-th argument (from 0) as a number, when it is one.
std::optional<double> Number(const CScriptLine& line, std::size_t n) {
  double v = 0.0;
  if (n < line.tokens.size() && ParseDouble(line.tokens[n], v)) return v;
  return std::nullopt;
}

// The first `count` arguments as integers (truncated), or nothing unless
// all of them are numbers.
std::optional<std::vector<int>> Integers(const CScriptLine& line, std::size_t count) {
  std::vector<int> out;
  for (std::size_t i = 0; i < count; ++i) {
    const auto v = Number(line, i);
    if (!v || std::fabs(*v) > 2147483647.0) return std::nullopt;
    out.push_back(static_cast<int>(*v));
  }
  return out;
}

int IntOr(const CScriptLine& line, std::size_t n, int fallback) {
  const auto v = Number(line, n);
  return v && std::fabs(*v) <= 2147483647.0 ? static_cast<int>(*v) : fallback;
}

// The layer of that name, added and named when there is none; null when the
// table cannot grow.
CLayer* FindOrAddLayer(CLayerList& layers, const std::string& name) {
  if (layers.HasLayerName(name)) return layers.FindLayerByName(name);
  CLayer* layer = layers.AddLayer();
  if (layer) {
    layer->m_strName = name;
    layers.m_nModified = 1;
  }
  return layer;
}

std::string LayerNameArgument(const CScriptLine& line) {
  return line.tokens.empty() ? std::string("Unknown") : line.tokens[0];
}

const RECT kWholeImage{0, 0, 0, 0};

// Ranges of script numbers whose commands have no dialog of their own, or
// whose dialog gives the value another way.
// Rectangles in image pixels (ImageSetROI, ImageCrop): any int.
constexpr CValueRange kCoordinateRange{-2147483647, 2147483647, true};
// The rotation dialog turns by 0 to 360 degrees to the left or to the right.
constexpr CValueRange kRotationRange{-360, 360, false};
// The shortest line deleted: no longer than the longest the dialog allows.
constexpr CValueRange kShortestLengthRange{0, 100000, true};

std::string RangeNumber(double v, bool whole) {
  if (whole) return std::to_string(static_cast<long long>(v));
  char text[64];
  const auto end = std::to_chars(text, text + sizeof text, v).ptr;
  return std::string(text, end);
}

// ---- enablers -------------------------------------------------------------------

bool Always(const CQznDoc&) { return true; }
// The image commands need pixels to work on.
bool HasImage(const CQznDoc& doc) { return doc.m_image.HasPixels(); }

// ---- image commands ---------------------------------------------------------------

int ImageConvert(CQznDoc& doc, const CScriptLine& line) {
  if (Has(line, "GREYSCALE") || Has(line, "GRAYSCALE")) {
    if (doc.IsRgbImage()) return doc.ConvertRgbToGrey();
    if (doc.IsPaletteImage()) return doc.ConvertPaletteToGrey();
    if (doc.IsBilevelImage()) return doc.ConvertBilevelToGrey();
    return doc.IsGreyImage() ? 1 : 0;  // already what was asked for
  }
  if (Has(line, "BILEVEL")) {
    if (doc.IsGreyImage()) return doc.ConvertGreyToBilevel(kWholeImage);
    return doc.IsBilevelImage() ? 1 : 0;
  }
  if (Has(line, "COLOR8")) {
    if (doc.IsRgbImage()) return doc.ConvertRgbToPalette();
    return doc.IsPaletteImage() ? 1 : 0;
  }
  return 0;  // no target, or one the command does not know
}

int ImageSetRoi(CQznDoc& doc, const CScriptLine& line) {
  const auto v = Integers(line, 4);
  return v ? doc.AddRoiRect(RECT{(*v)[0], (*v)[1], (*v)[2], (*v)[3]}) : 0;
}

int ImageFlip(CQznDoc& doc, const CScriptLine& line) {
  if (Has(line, "VERT")) return doc.FlipImage(1);
  if (Has(line, "HOR")) return doc.FlipImage(0);
  return 0;
}

int ImageTranspose(CQznDoc& doc, const CScriptLine&) { return doc.TransposeImage(); }

int ImageNegate(CQznDoc& doc, const CScriptLine&) { return doc.NegateImage(); }

int ImageRotate(CQznDoc& doc, const CScriptLine& line) {
  const auto angle = Number(line, 0);
  return angle ? doc.RotateImage(static_cast<float>(*angle)) : 0;
}

// A pixel filter of the image that changes it in place; the image counts as
// modified when it did.
template <class Filter>
int FilterImage(CQznDoc& doc, Filter filter) {
  if (!filter(doc.m_image)) return 0;
  doc.SetImageModified(1);
  return 1;
}

int ImageDespeckle(CQznDoc& doc, const CScriptLine&) {
  if (doc.IsBilevelImage()) return FilterImage(doc, [](CRasterImage& img) { return Despeckle(img); });
  return doc.MedianFilter();
}

int MapPixels(CQznDoc& doc, const CScriptLine& line) {
  const auto v = Integers(line, 3);
  return v ? doc.MapPixelRange((*v)[0], (*v)[1], (*v)[2]) : 0;
}

int ImageSmooth(CQznDoc& doc, const CScriptLine& line) {
  if (doc.IsBilevelImage()) return FilterImage(doc, [](CRasterImage& img) { return SmoothBilevel(img); });
  if (Has(line, "MEDIAN")) return doc.MedianFilter();
  if (Has(line, "AVERAGE") && (doc.IsGreyImage() || doc.IsRgbImage()))
    return FilterImage(doc, [](CRasterImage& img) { return MeanFilter(img); });
  return 0;
}

int ImageCrop(CQznDoc& doc, const CScriptLine& line) {
  const auto v = Integers(line, 4);
  return v ? doc.CropImage(RECT{(*v)[0], (*v)[1], (*v)[2], (*v)[3]}) : 0;
}

int ImageResample(CQznDoc& doc, const CScriptLine& line) {
  const auto factor = Number(line, 1);
  if (line.tokens.empty() || !factor) return 0;
  return doc.ResampleImage(Has(line, "UP") ? 1 : 0, TruncInt(*factor));
}

int ImageRemoveBackground(CQznDoc& doc, const CScriptLine& line) { return doc.RemoveBackground(IntOr(line, 0, 20)); }

int ImageEdge(CQznDoc& doc, const CScriptLine& line) {
  if (!doc.IsGreyImage()) return 0;
  const int done = Has(line, "SOBEL") ? SobelFilter(doc.m_image) : GradientMagnitude(doc.m_image);
  if (done) doc.SetImageModified(1);
  return done ? 1 : 0;
}

int ImagePropagate(CQznDoc& doc, const CScriptLine&) {
  const int rows = PropagateEdges(doc.m_image, 3);
  const int columns = PropagateEdges2(doc.m_image, 3);
  if (rows || columns) doc.SetImageModified(1);
  return rows && columns ? 1 : 0;
}

int SaveImage(CQznDoc& doc, const CScriptLine& line) {
  if (Has(line, "GEOTIFF")) doc.PutGeoreferenceIntoImage();
  const bool overwrite = Has(line, "OVERWRITE");
  std::string path = doc.m_paths[CQznDoc::kPathImage];
  if (path.empty()) return 0;
  if (!overwrite) {
    CFilePath p(path);
    path = p.GetDirectory() + p.GetNamePart() + "_0.tif";
  }
  if (!WriteTiffImage(path, doc.m_image, doc.IsBilevelImage() ? 4 : 1)) return 0;
  if (overwrite) doc.m_nImageModified = 0;
  return 1;
}

int ImageSetThresh(CQznDoc& doc, const CScriptLine& line) {
  doc.m_nThreshLow = IntOr(line, 0, 0);
  doc.m_nThreshHigh = IntOr(line, 1, 150);
  return 1;
}

int LoadColorFeature(CQznDoc& doc, const CScriptLine& line) {
  std::string path = line.rest;
  if (path.size() >= 2 && path.front() == '"') {
    const std::size_t close = path.find('"', 1);
    path = path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  } else if (!line.tokens.empty()) {
    path = line.tokens[0];
  }
  if (path.empty()) return 0;
  if (!doc.m_colorClasses.ReadFile(path)) return 0;
  doc.SetSettingsModified();
  return 1;
}

int ImageClassification(CQznDoc& doc, const CScriptLine& line) {
  if (!doc.IsRgbImage() && !doc.IsPaletteImage()) return 0;
  const int classes = IntOr(line, 0, 5), iterations = IntOr(line, 1, 10);
  return FilterImage(doc, [&](CRasterImage& img) { return ImageCluster(&img, classes, iterations); });
}

int Vectorize(CQznDoc& doc, const CScriptLine& line) {
  return doc.Vectorize(kWholeImage, Has(line, "THRESH") ? 1 : 0, Has(line, "BOUND") ? 1 : 0,
                       doc.m_roi.IsEmpty() ? 0 : 1, Has(line, "CAD") ? 1 : 0);
}

// ---- line and layer commands ----------------------------------------------------------

int LineSmooth(CQznDoc& doc, const CScriptLine& line) {
  const auto tolerance = Number(line, 0);
  CVertexReducer reducer;
  reducer.ReduceChainList(doc.m_lines, tolerance ? *tolerance : 1.0);
  doc.SetLinesModified(1);
  return 1;
}

int BSpline(CQznDoc& doc, const CScriptLine& line) {
  const int done = doc.m_lines.SmoothBSplineAll(1, IntOr(line, 0, 2));
  doc.SetLinesModified(1);
  return done ? 1 : 0;
}

int LineSnap(CQznDoc& doc, const CScriptLine& line) {
  const auto distance = Number(line, 0);
  if (!distance) return 0;
  doc.SnapLines(TruncInt(*distance));
  doc.SetLinesModified(1);
  return 1;
}

int LineDelete(CQznDoc& doc, const CScriptLine& line) {
  const auto low = Number(line, 0);
  if (!low) return 0;
  const auto high = Number(line, 1);
  if (high)
    doc.DeleteShortLines(TruncInt(*low), TruncInt(*high), kWholeImage, FALSE);
  else
    doc.DeleteShortLines(0, TruncInt(*low), kWholeImage, FALSE);
  doc.SetLinesModified(1);
  return 1;
}

int SetCurLayer(CQznDoc& doc, const CScriptLine& line) {
  const std::string name = LayerNameArgument(line);
  if (!FindOrAddLayer(doc.m_layers, name)) return 0;
  doc.SetCurrentLayer(name);
  doc.m_layers.m_nModified = 1;
  UpdateLayerBar(&doc);
  return 1;
}

int SetLayer(CQznDoc& doc, const CScriptLine& line) {
  const CLayer* layer = FindOrAddLayer(doc.m_layers, LayerNameArgument(line));
  doc.m_lines.SetAttributes(layer ? layer->m_nID : 0, layer ? layer->m_color : RGB(0, 255, 0), 0, kWholeImage);
  doc.SetLinesModified(1);
  UpdateLayerBar(&doc);
  return 1;
}

int CreatePolygons(CQznDoc& doc, const CScriptLine& line) {
  return doc.CreatePolygons(static_cast<float>(IntOr(line, 0, 2)), TRUE) ? 1 : 0;
}

}  // namespace

bool InRange(double value, const CValueRange& range) {
  if (range.whole) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) return false;
    value = std::trunc(value);
  }
  return value >= range.low && value <= range.high;
}

std::string RangeMessage(const CValueRange& range) {
  std::string text = range.whole ? res::text::kDxIntRange : res::text::kDxNumberRange;
  for (const auto& [mark, value] : {std::pair{"%1", range.low}, std::pair{"%2", range.high}}) {
    const std::size_t at = text.find(mark);
    if (at != std::string::npos) text.replace(at, 2, RangeNumber(value, range.whole));
  }
  return text;
}

std::string OutOfRangeMessage(const CDocCommand& command, const CScriptLine& options) {
  for (const CScriptNumber& n : command.numbers) {
    const auto v = Number(options, n.argument);
    if (v && !InRange(*v, n.range)) return RangeMessage(n.range);
  }
  return {};
}

const std::vector<CDocCommand>& DocumentCommands() {
  // The numbers of the commands that take a rectangle or three grey values.
  const std::vector<CScriptNumber> rectangle = {
      {0, kCoordinateRange}, {1, kCoordinateRange}, {2, kCoordinateRange}, {3, kCoordinateRange}};
  const std::vector<CScriptNumber> greyValues = {{0, kGreyValueRange}, {1, kGreyValueRange}, {2, kGreyValueRange}};
  // In the order the keywords are tried: where a word could contain two
  // keywords, the one listed first wins (LINESMOOTH before IMAGESMOOTH,
  // SETCURLAYER before SETLAYER). Each with the numbers a script line gives
  // it and their ranges.
  // clang-format off
  static const std::vector<CDocCommand> commands = {
      {CScriptCommand::imageConvert, "ImageConvert", "IMAGECONVERT", HasImage, ImageConvert, 15, {}},
      {CScriptCommand::imageSetRoi, "ImageSetROI", "IMAGESETROI", Always, ImageSetRoi, 0, rectangle},
      {CScriptCommand::imageFlip, "ImageFlip", "IMAGEFLIP", HasImage, ImageFlip, 1, {}},
      {CScriptCommand::imageTranspose, "ImageTranspose", "IMAGETRANSPOSE", HasImage, ImageTranspose, 2, {}},
      {CScriptCommand::imageNegate, "ImageNegate", "IMAGENEGATE", HasImage, ImageNegate, 3, {}},
      {CScriptCommand::imageRotate, "ImageRotate", "IMAGEROTATE", HasImage, ImageRotate, 4, {{0, kRotationRange}}},
      {CScriptCommand::imageDespeckle, "ImageDespeckle", "IMAGEDESPECKLE", HasImage, ImageDespeckle, 5, {}},
      {CScriptCommand::mapPixels, "MapPixels", "MAPPIXEL", HasImage, MapPixels, 16, greyValues},
      {CScriptCommand::imageSmooth, "ImageSmooth", "IMAGESMOOTH", HasImage, ImageSmooth, 6, {}},
      {CScriptCommand::imageCrop, "ImageCrop", "IMAGECROP", HasImage, ImageCrop, 7, rectangle},
      {CScriptCommand::imageResample, "ImageResample", "IMAGERESAMPLE", HasImage, ImageResample, 8,
       {{1, kResampleFactorRange}}},
      {CScriptCommand::imageRemoveBackground, "ImageRemoveBackground", "BACKGROUND", HasImage, ImageRemoveBackground,
       9, {{0, kBackgroundSizeRange}}},
      {CScriptCommand::imageEdge, "ImageEdge", "EDGE", HasImage, ImageEdge, 10, {}},
      {CScriptCommand::imagePropagate, "ImagePropagate", "PROPAGATE", HasImage, ImagePropagate, 11, {}},
      {CScriptCommand::saveImage, "SaveImage", "SAVEIMAGE", HasImage, SaveImage, 17, {}},
      {CScriptCommand::imageSetThresh, "ImageSetThresh", "SETTHRESH", Always, ImageSetThresh, 12,
       {{0, kGreyValueRange}, {1, kGreyValueRange}}},
      {CScriptCommand::loadColorFeature, "LoadColorFeature", "LOADCOLOR", Always, LoadColorFeature, 13, {}},
      {CScriptCommand::imageClassification, "ImageClassification", "CLASSIF", HasImage, ImageClassification, 14,
       {{0, kClassColoursRange}, {1, kClassIterationsRange}}},
      {CScriptCommand::vectorize, "Vectorize", "VECTORIZ", HasImage, Vectorize, 19, {}},
      {CScriptCommand::lineSmooth, "LineSmooth", "LINESMOOTH", Always, LineSmooth, 20, {{0, kSmoothToleranceRange}}},
      {CScriptCommand::bSpline, "BSpline", "BSPLINE", Always, BSpline, 21, {{0, kBSplineNodesRange}}},
      {CScriptCommand::lineSnap, "LineSnap", "SNAP", Always, LineSnap, 22, {{0, kSnapDistanceRange}}},
      {CScriptCommand::lineDelete, "LineDelete", "LINEDELETE", Always, LineDelete, 23,
       {{0, kShortestLengthRange}, {1, kLineLengthRange}}},
      {CScriptCommand::setCurLayer, "SetCurLayer", "SETCURLAYER", Always, SetCurLayer, 18, {}},
      {CScriptCommand::setLayer, "SetLayer", "SETLAYER", Always, SetLayer, 24, {}},
      {CScriptCommand::createPolygons, "CreatePolygons", "POLYGON", Always, CreatePolygons, 25,
       {{0, kPolygonGapRange}}},
  };
  // clang-format on
  return commands;
}

const CDocCommand* FindDocumentCommand(std::string_view word) {
  const std::string upper = Upper(std::string(word));
  for (const CDocCommand& c : DocumentCommands())
    if (upper == Upper(c.name)) return &c;
  for (const CDocCommand& c : DocumentCommands())
    if (upper.find(c.keyword) != std::string::npos) return &c;
  return nullptr;
}

const CDocCommand* FindDocumentCommand(CScriptCommand id) {
  for (const CDocCommand& c : DocumentCommands())
    if (c.id == id) return &c;
  return nullptr;
}

int RunDocumentCommand(CQznDoc& doc, const CDocCommand& command, const CScriptLine& options, std::string* refusal) {
  // A number beyond what the command's dialog allows is refused before
  // anything runs, and said.
  const std::string outOfRange = OutOfRangeMessage(command, options);
  if (!outOfRange.empty()) {
    if (refusal) *refusal = outOfRange;
    return 0;
  }
  if (!command.enabled(doc)) return 0;
  return command.run(doc, options);
}

}  // namespace qzn
