// Shared by the control-point, triangulation, world-file and table tests:
// building lists and running Python oracles (numpy, scipy, pyproj, GDAL).
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>

#include "georef/controlpt.h"
#include "tests/support/testutil.h"

using namespace qzn;

namespace georeftest {

struct Pt {
  double ix, iy, mx, my;
};

inline void Fill(CControlPtList& list, std::initializer_list<Pt> pts) {
  for (const Pt& p : pts) {
    CControlPt* c = list.AddNew();
    c->m_imageX = p.ix, c->m_imageY = p.iy, c->m_mapX = p.mx, c->m_mapY = p.my;
  }
}

inline const std::string& Python() { return qzntest::Python(); }

inline bool HavePython(const std::string& imports) {
  return qzntest::RunCommand(Python() + " -c '" + imports + "' >/dev/null 2>&1") == 0;
}

// Runs the script (written to dir) and returns its standard output; the exit
// status goes to *status.
inline std::string RunPython(const qzntest::TempDir& dir, const std::string& script, int* status) {
  const std::string file = dir.file("oracle.py");
  qzntest::WriteFileText(file, script);
  std::string out;
  *status = qzntest::RunCommand(Python() + " '" + file + "' 2>&1", &out);
  return out;
}

}  // namespace georeftest

#define QZN_REQUIRE_PYTHON(imports) QZN_REQUIRE_ORACLE(georeftest::HavePython(imports), "python3 with " << imports)
