// The project file (".prj"): the layout version written, and how the image a
// project names is found again. The reading and writing themselves are the
// document's (CQznDoc::Serialize, ReadProject, SaveProject).
#pragma once

#include <string>

namespace qzn {

// The layout version every save writes.
constexpr int kProjectVersion = 8;

// The image a project names, looked for as stored, then (with a Windows
// path's drive letter and backslashes taken apart) its file name in the
// project's own folder, the letter case of the name not counting. Empty
// when it is nowhere.
std::string FindProjectImage(const std::string& projectPath, const std::string& storedImagePath);

// The backup name of a project file: its extension replaced by ".pbk".
std::string ProjectBackupPath(const std::string& projectPath);

}  // namespace qzn
