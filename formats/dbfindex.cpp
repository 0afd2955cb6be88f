// Index files of the table engine.
#include "formats/dbfcore.h"

namespace qzn::dbf {

int UpdateIndexes(Table& t, std::int64_t, bool) { return t.firstIndex < 0 ? 0 : -1; }
int CloseIndexes(Table&) { return 0; }
int SelectedIndexTop(Table&, std::int64_t& record) {
  record = 0;
  return 3;
}

}  // namespace qzn::dbf
