// The end-point index that merges chains of lines whose ends meet: every
// line's two ends in a table sorted by point key, each end linked to the one
// other end it meets, and each linked chain of lines merged into one line.
#pragma once

#include <cstdint>
#include <vector>

#include "model/chainlist.h"

namespace qzn {

class CEndpointSnapper {
 public:
  struct Entry {
    std::int64_t key = 0;          // MakePointKey of the rounded end vertex
    std::int64_t vertexCount = 0;  // the line's vertex count when indexed
    CChain* line = nullptr;
    std::int64_t partner = -1;  // entry of the line's other end
    std::int64_t lineIndex = 0;
    int used = 0;
    std::int64_t link = -1;  // the entry this end is joined to
    int end = 0;             // 0 first vertex, 1 last vertex
    POINT at{};              // the rounded end vertex
  };

  static constexpr int kAnyLayer = -1;

  // Works on the lines of one layer of the list, or on all of them.
  explicit CEndpointSnapper(CChainList* list, int layer = kAnyLayer) : m_list(list), m_nLayer(layer) {}
  virtual ~CEndpointSnapper() = default;
  CEndpointSnapper(const CEndpointSnapper&) = delete;
  CEndpointSnapper& operator=(const CEndpointSnapper&) = delete;

  // Indexes the lines of 2 or more vertices (of the layer). FALSE when
  // memory runs out.
  BOOL BuildEndpoints();
  // Links ends that meet exactly one other end within the tolerance (with
  // sameID only ends of lines of equal ID; without collectAll the first end
  // found decides) and replaces each linked chain of lines by one merged
  // line appended to the list. 0 when memory runs out (the list unchanged),
  // else 1.
  int Run(int tolerance, BOOL sameID, BOOL collectAll);

  const std::vector<Entry>& Entries() const { return m_table; }

 private:
  CChainList* m_list;
  int m_nLayer;
  std::vector<Entry> m_table;
  int m_nSameID = 0;
  std::int64_t m_nLines = 0;
  std::vector<POSITION> m_positions;  // by line index
};

}  // namespace qzn
