// The batch run: a list of images converted without interaction. Each image
// is opened in a fresh quiet workspace (side files beside it are read as the
// open finds them), run through the batch script or vectorised with the
// run's settings, and written beside the image under its name as a vector
// file or a project. A log file records every step.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "app/vectorexports.h"
#include "resources/messages_app.h"

namespace qzn {

// What the batch run writes for each image: a batch export of the lines (the
// same numbers) or, in the place of XYZ, the project.
enum : int {
  kBatchOutputGenerate = kExportGenerate,  // ARC generate text, ".GEN"
  kBatchOutputDxf = kExportDxf,            // ".DXF"
  kBatchOutputMif = kExportMif,            // MapInfo MIF/MID, ".MIF"
  kBatchOutputShape = kExportShape,        // ArcView shapefile, ".SHP"
  kBatchOutputProject = 4,                 // the workspace's project file, ".PRJ"
};

struct CBatchSettings {
  std::vector<std::string> images;
  // Script lines run on every image; empty: vectorise with the settings below.
  std::vector<std::string> script;
  int vectorKind = 0;  // 0 centre lines, 1 outlines
  int outputType = kBatchOutputGenerate;
  std::string logPath = "batch.log";               // empty is taken as "batch.log"
  std::string sourceType = res::text::kSourceMap;  // kSourceCad straightens the lines
};

// The extension (with its dot) the output type gives the image's name.
const char* BatchOutputExtension(int outputType);

// Runs the batch; onImage, when given, is told the index of each image as
// its turn comes (the dialog selects the entry). Ends with the message
// naming the number of images written and the log. Returns that number.
int RunBatch(const CBatchSettings& settings, const std::function<void(std::size_t)>& onImage = {});

}  // namespace qzn
