// Makes mapinfo.txt, the projection list that the MIF parameters dialog
// opens for the user to copy a coordinate-system record from, out of the
// program's own projection tables.
// Usage: qzn_make_projection_list OUTPUT.txt
#include <cstdio>

#include "formats/projectionlist.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: qzn_make_projection_list OUTPUT.txt\n", stderr);
    return 2;
  }
  if (!qzn::WriteProjectionList(argv[1])) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
