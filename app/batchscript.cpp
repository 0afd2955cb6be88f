// The batch script interpreter and the ".cmd" script files.
//
// Every command reports what really happened: a command whose required
// arguments are missing, that does not apply to the image, or whose
// operation failed returns 0, so the batch log and the script editor can
// say which line failed.
#include "app/batchscript.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <optional>

#include "app/qzndoc.h"
#include "app/vertexreducer.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "raster/filters.h"
#include "raster/imaging.h"
#include "raster/tiffio.h"
#include "resources/messages_app.h"

namespace qzn {

namespace {

struct CCommandEntry {
  CScriptCommand command;
  const char* keyword;  // what an older spelling of the word must contain
  const char* name;     // the command word
};

// In the order the keywords are tried: a longer keyword that contains a
// shorter one comes first (LINESMOOTH before IMAGESMOOTH can match,
// SETCURLAYER before SETLAYER).
constexpr CCommandEntry kCommands[] = {
    {CScriptCommand::imageConvert, "IMAGECONVERT", "ImageConvert"},
    {CScriptCommand::imageSetRoi, "IMAGESETROI", "ImageSetROI"},
    {CScriptCommand::imageFlip, "IMAGEFLIP", "ImageFlip"},
    {CScriptCommand::imageTranspose, "IMAGETRANSPOSE", "ImageTranspose"},
    {CScriptCommand::imageNegate, "IMAGENEGATE", "ImageNegate"},
    {CScriptCommand::imageRotate, "IMAGEROTATE", "ImageRotate"},
    {CScriptCommand::imageDespeckle, "IMAGEDESPECKLE", "ImageDespeckle"},
    {CScriptCommand::mapPixels, "MAPPIXEL", "MapPixels"},
    {CScriptCommand::imageSmooth, "IMAGESMOOTH", "ImageSmooth"},
    {CScriptCommand::imageCrop, "IMAGECROP", "ImageCrop"},
    {CScriptCommand::imageResample, "IMAGERESAMPLE", "ImageResample"},
    {CScriptCommand::imageRemoveBackground, "BACKGROUND", "ImageRemoveBackground"},
    {CScriptCommand::imageEdge, "EDGE", "ImageEdge"},
    {CScriptCommand::imagePropagate, "PROPAGATE", "ImagePropagate"},
    {CScriptCommand::saveImage, "SAVEIMAGE", "SaveImage"},
    {CScriptCommand::imageSetThresh, "SETTHRESH", "ImageSetThresh"},
    {CScriptCommand::loadColorFeature, "LOADCOLOR", "LoadColorFeature"},
    {CScriptCommand::imageClassification, "CLASSIF", "ImageClassification"},
    {CScriptCommand::vectorize, "VECTORIZ", "Vectorize"},
    {CScriptCommand::lineSmooth, "LINESMOOTH", "LineSmooth"},
    {CScriptCommand::bSpline, "BSPLINE", "BSpline"},
    {CScriptCommand::lineSnap, "SNAP", "LineSnap"},
    {CScriptCommand::lineDelete, "LINEDELETE", "LineDelete"},
    {CScriptCommand::setCurLayer, "SETCURLAYER", "SetCurLayer"},
    {CScriptCommand::setLayer, "SETLAYER", "SetLayer"},
    {CScriptCommand::createPolygons, "POLYGON", "CreatePolygons"},
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  std::size_t b = 0, e = s.size();
  while (b < e && IsBlank(s[b])) ++b;
  while (e > b && IsBlank(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::vector<std::string> SplitBlanks(const std::string& s) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && IsBlank(s[i])) ++i;
    std::size_t j = i;
    while (j < s.size() && !IsBlank(s[j])) ++j;
    if (j > i) out.push_back(s.substr(i, j - i));
    i = j;
  }
  return out;
}

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

// A number as an int, truncated; beyond the int range, the nearest end of it.
int ClampToInt(double v) {
  return static_cast<int>(std::clamp(v, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
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

}  // namespace

CScriptLine ParseScriptLine(const std::string& text) {
  CScriptLine line;
  const std::string trimmed = Trim(text);
  if (trimmed.empty() || text[0] == ';' || trimmed[0] == ';') return line;
  std::size_t end = 0;
  while (end < trimmed.size() && !IsBlank(trimmed[end])) ++end;
  const std::string word = Upper(trimmed.substr(0, end));
  line.rest = Trim(trimmed.substr(end));
  line.options = Upper(line.rest);
  line.tokens = SplitBlanks(line.rest);
  line.command = CScriptCommand::unknown;
  for (const CCommandEntry& e : kCommands)
    if (word == Upper(e.name)) {
      line.command = e.command;
      return line;
    }
  for (const CCommandEntry& e : kCommands)
    if (word.find(e.keyword) != std::string::npos) {
      line.command = e.command;
      return line;
    }
  return line;
}

const std::vector<std::string>& ScriptCommandNames() {
  static const std::vector<std::string> names = {
      "ImageSetROI",         "ImageFlip",     "ImageTranspose", "ImageNegate",    "ImageRotate",
      "ImageDespeckle",      "ImageSmooth",   "ImageCrop",      "ImageResample",  "ImageRemoveBackground",
      "ImageEdge",           "ImagePropagate", "ImageSetThresh", "LoadColorFeature", "ImageClassification",
      "ImageConvert",        "MapPixels",     "SaveImage",      "SetCurLayer",    "Vectorize",
      "LineSmooth",          "BSpline",       "LineSnap",       "LineDelete",     "SetLayer",
      "CreatePolygons"};
  return names;
}

// ---- running one line -----------------------------------------------------------

int CQznDoc::RunMacroCommand(const std::string& text) {
  const CScriptLine line = ParseScriptLine(text);
  const RECT none{0, 0, 0, 0};
  switch (line.command) {
    case CScriptCommand::none:
    case CScriptCommand::unknown:
      return 1;

    case CScriptCommand::imageConvert:
      if (Has(line, "GREYSCALE") || Has(line, "GRAYSCALE")) {
        if (IsRgbImage()) return ConvertRgbToGrey();
        if (IsPaletteImage()) return ConvertPaletteToGrey();
        if (IsBilevelImage()) return ConvertBilevelToGrey();
        return IsGreyImage() ? 1 : 0;  // already what was asked for
      }
      if (Has(line, "BILEVEL")) {
        if (IsGreyImage()) return ConvertGreyToBilevel(none);
        return IsBilevelImage() ? 1 : 0;
      }
      if (Has(line, "COLOR8")) {
        if (IsRgbImage()) return ConvertRgbToPalette();
        return IsPaletteImage() ? 1 : 0;
      }
      return 0;  // no target, or one the command does not know

    case CScriptCommand::imageSetRoi: {
      const auto v = Integers(line, 4);
      return v ? AddRoiRect(RECT{(*v)[0], (*v)[1], (*v)[2], (*v)[3]}) : 0;
    }

    case CScriptCommand::imageFlip:
      if (Has(line, "VERT")) return FlipImage(1);
      if (Has(line, "HOR")) return FlipImage(0);
      return 0;

    case CScriptCommand::imageTranspose:
      return TransposeImage();

    case CScriptCommand::imageNegate:
      return NegateImage();

    case CScriptCommand::imageRotate: {
      const auto angle = Number(line, 0);
      return angle ? RotateImage(static_cast<float>(*angle)) : 0;
    }

    case CScriptCommand::imageDespeckle:
      if (IsBilevelImage()) {
        if (!Despeckle(m_image)) return 0;
        SetImageModified(1);
        return 1;
      }
      return MedianFilter();

    case CScriptCommand::mapPixels: {
      const auto v = Integers(line, 3);
      return v ? MapPixelRange((*v)[0], (*v)[1], (*v)[2]) : 0;
    }

    case CScriptCommand::imageSmooth:
      if (IsBilevelImage()) {
        if (!SmoothBilevel(m_image)) return 0;
        SetImageModified(1);
        return 1;
      }
      if (Has(line, "MEDIAN")) return MedianFilter();
      if (Has(line, "AVERAGE") && (IsGreyImage() || IsRgbImage())) {
        if (!MeanFilter(m_image)) return 0;
        SetImageModified(1);
        return 1;
      }
      return 0;

    case CScriptCommand::imageCrop: {
      const auto v = Integers(line, 4);
      return v ? CropImage(RECT{(*v)[0], (*v)[1], (*v)[2], (*v)[3]}) : 0;
    }

    case CScriptCommand::imageResample: {
      const auto factor = Number(line, 1);
      if (line.tokens.empty() || !factor) return 0;
      return ResampleImage(Has(line, "UP") ? 1 : 0, static_cast<int>(std::clamp(*factor, 0.0, 65536.0)));
    }

    case CScriptCommand::imageRemoveBackground:
      return RemoveBackground(IntOr(line, 0, 20));

    case CScriptCommand::imageEdge: {
      if (!IsGreyImage()) return 0;
      const int done = Has(line, "SOBEL") ? SobelFilter(m_image) : GradientMagnitude(m_image);
      if (done) SetImageModified(1);
      return done ? 1 : 0;
    }

    case CScriptCommand::imagePropagate: {
      const int rows = PropagateEdges(m_image, 3);
      const int columns = PropagateEdges2(m_image, 3);
      if (rows || columns) SetImageModified(1);
      return rows && columns ? 1 : 0;
    }

    case CScriptCommand::saveImage: {
      if (!m_image.HasPixels()) return 0;
      if (Has(line, "GEOTIFF")) PutGeoreferenceIntoImage();
      const bool overwrite = Has(line, "OVERWRITE");
      std::string path = m_paths[kPathImage];
      if (path.empty()) return 0;
      if (!overwrite) {
        CFilePath p(path);
        path = p.GetDirectory() + p.GetNamePart() + "_0.tif";
      }
      if (!WriteTiffImage(path, m_image, IsBilevelImage() ? 4 : 1)) return 0;
      if (overwrite) m_nImageModified = 0;
      return 1;
    }

    case CScriptCommand::imageSetThresh:
      m_nThreshLow = IntOr(line, 0, 0);
      m_nThreshHigh = IntOr(line, 1, 150);
      return 1;

    case CScriptCommand::loadColorFeature: {
      std::string path = line.rest;
      if (path.size() >= 2 && path.front() == '"') {
        const std::size_t close = path.find('"', 1);
        path = path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
      } else if (!line.tokens.empty()) {
        path = line.tokens[0];
      }
      if (path.empty()) return 0;
      return m_colorClasses.ReadFile(path) ? 1 : 0;
    }

    case CScriptCommand::imageClassification: {
      if (!IsRgbImage() && !IsPaletteImage()) return 0;
      if (!ImageCluster(&m_image, IntOr(line, 0, 5), IntOr(line, 1, 10))) return 0;
      SetImageModified(1);
      return 1;
    }

    case CScriptCommand::vectorize:
      return Vectorize(none, Has(line, "THRESH") ? 1 : 0, Has(line, "BOUND") ? 1 : 0, m_roi.IsEmpty() ? 0 : 1,
                       Has(line, "CAD") ? 1 : 0);

    case CScriptCommand::lineSmooth: {
      const auto tolerance = Number(line, 0);
      CVertexReducer reducer;
      reducer.ReduceChainList(m_lines, tolerance ? *tolerance : 1.0);
      SetLinesModified(1);
      return 1;
    }

    case CScriptCommand::bSpline: {
      const int done = m_lines.SmoothBSplineAll(1, IntOr(line, 0, 2));
      SetLinesModified(1);
      return done ? 1 : 0;
    }

    case CScriptCommand::lineSnap: {
      const auto distance = Number(line, 0);
      if (!distance) return 0;
      SnapLines(ClampToInt(*distance));
      SetLinesModified(1);
      return 1;
    }

    case CScriptCommand::lineDelete: {
      const auto low = Number(line, 0);
      if (!low) return 0;
      const auto high = Number(line, 1);
      if (high)
        DeleteShortLines(ClampToInt(*low), ClampToInt(*high), none, FALSE);
      else
        DeleteShortLines(0, ClampToInt(*low), none, FALSE);
      SetLinesModified(1);
      return 1;
    }

    case CScriptCommand::setCurLayer: {
      const std::string name = LayerNameArgument(line);
      if (!FindOrAddLayer(m_layers, name)) return 0;
      SetCurrentLayer(name);
      m_layers.m_nModified = 1;
      UpdateLayerBar(this);
      return 1;
    }

    case CScriptCommand::setLayer: {
      const CLayer* layer = FindOrAddLayer(m_layers, LayerNameArgument(line));
      m_lines.SetAttributes(layer ? layer->m_nID : 0, layer ? layer->m_color : RGB(0, 255, 0), 0, none);
      SetLinesModified(1);
      UpdateLayerBar(this);
      return 1;
    }

    case CScriptCommand::createPolygons:
      return CreatePolygons(static_cast<float>(IntOr(line, 0, 2)), TRUE) ? 1 : 0;
  }
  return 1;
}

// ---- script files -----------------------------------------------------------------

int CQznDoc::ReadMacroFile(std::vector<std::string>& script, const std::string& path) {
  CTextFileReader file;
  if (!file.Open(path)) {
    AfxMessageBox(res::text::kMacroOpenError, MB_OK | MB_ICONSTOP);
    return 0;
  }
  int count = 0;
  std::string line;
  while (file.ReadLine(line)) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
    script.push_back(line);
    ++count;
  }
  return count;
}

int CQznDoc::WriteMacroFile(const std::vector<std::string>& script, const std::string& path) {
  CTextFileWriter file;
  if (file.Open(path)) {
    for (const std::string& line : script) file.WriteLine(line);
    if (!file.Error() && file.Close()) return 1;
    file.Abort();
  }
  AfxMessageBox(res::text::kMacroSaveError, MB_OK | MB_ICONSTOP);
  return 0;
}

}  // namespace qzn
