// SDL files read into the workspace: marker records become points, polyline
// records lines, polygon records one closed line a ring; the texts of the
// records go to the attribute file beside the SDL file.
#pragma once

#include <string>

#include "model/maptransform.h"

namespace qzn {

class CQznDoc;

// Reads the SDL file, converting file coordinates into pixels through
// toPixels, and appends what it read to the workspace's points and lines;
// then writes the records' IDs and texts to the attribute file beside it
// (the SDL file's name with ".sda"; remembered as the workspace's attribute
// file when none is). 1 when read. 0 after a failure it has shown ("不能打开
// 这个文件。" for a file that cannot be opened, "SDL 文件读取错误。" for one that
// ends inside a record or holds a coordinate that cannot be a pixel,
// kOutOfMemory): the workspace is then as it was. An attribute file that cannot
// be written does not stop the import.
int ImportSdl(CQznDoc& doc, const std::string& path, const MapTransform& toPixels);

// The record line of an SDL file: the type letter, a quoted name, a quoted ID,
// an optional quoted second text and the vertex count. False when it is not
// such a line (the count, or the ID, cannot be read).
struct SdlRecord {
  char type = 0;
  std::string first;
  long long id = 0;
  std::string second;
  long long count = 0;
};
bool ParseSdlRecord(std::string_view line, SdlRecord& record);

}  // namespace qzn
