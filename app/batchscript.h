// The batch script language: a plain-text list of commands, one a line, run
// on a workspace by CQznDoc::RunMacroCommand (the batch run and the script
// editor). Scripts are ".cmd" files in the Chinese code page; a line that
// begins with ";" is a comment.
//
// A line is a command word and blank-separated arguments. The command word
// is compared, without regard to case, with the names of the document's
// commands (app/doccommands.h); a first word that is none of them is taken
// for the first command whose keyword it contains ("ImageSmoothing" is
// ImageSmooth, "MapPixel" is MapPixels), so older spellings keep working.
// Arguments never choose the command.
#pragma once

#include <string>
#include <vector>

namespace qzn {

enum class CScriptCommand {
  none = 0,  // a comment, an empty line or no command: ignored
  unknown,   // a first word that names no command
  imageConvert,
  imageSetRoi,
  imageFlip,
  imageTranspose,
  imageNegate,
  imageRotate,
  imageDespeckle,
  mapPixels,
  imageSmooth,
  imageCrop,
  imageResample,
  imageRemoveBackground,
  imageEdge,
  imagePropagate,
  saveImage,
  imageSetThresh,
  loadColorFeature,
  imageClassification,
  vectorize,
  lineSmooth,
  bSpline,
  lineSnap,
  lineDelete,
  setCurLayer,
  setLayer,
  createPolygons,
};

// One script line taken apart: the command, the upper-cased text after the
// command word (for the option words) and the argument tokens as written.
struct CScriptLine {
  CScriptCommand command = CScriptCommand::none;
  std::string options;              // upper-cased arguments
  std::string rest;                 // the arguments as written, trimmed
  std::vector<std::string> tokens;  // blank-separated arguments
};

CScriptLine ParseScriptLine(const std::string& line);

// The command names in the order the script editor offers them.
const std::vector<std::string>& ScriptCommandNames();

}  // namespace qzn
