// The projection list of the MIF export: one record a line, a quoted name, a
// comma and the parameters of a MapInfo "CoordSys Earth Projection" clause,
// made from our own tables: longitude/latitude on the common datums, every
// UTM zone north and south on WGS 84, and the State Plane zones that the
// State Plane conversion handles (transverse Mercator and Lambert conformal
// conic, NAD 83 and NAD 27). The user copies a record into the MIF
// parameters dialog, which builds the clause from it.
#pragma once

#include <string>

namespace qzn {

// The list's file name, kept beside the program.
inline constexpr const char kProjectionListFile[] = "mapinfo.txt";

// The whole list, lines ended by a line feed.
std::string ProjectionListText();

// Writes the list to the path in full or not at all; false on failure.
bool WriteProjectionList(const std::string& path);

// The list beside the program when it is there; else one written into the
// folder given (the user's own), which is made when missing. Empty when
// neither can be had.
std::string FindOrWriteProjectionList(const std::string& programDir, const std::string& fallbackDir);

}  // namespace qzn
