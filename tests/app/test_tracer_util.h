// Lines as integer vertex lists, for the tracer tests.
#pragma once

#include <string>
#include <vector>

#include "model/chain.h"
#include "model/chainlist.h"
#include "platform/wintypes.h"

using namespace qzn;

namespace tracefix {

using Line = std::vector<POINT>;

inline Line Vertices(const CChain& c) {
  Line out;
  for (const CFPoint& p : c.Points()) out.push_back(POINT{static_cast<int>(p.x), static_cast<int>(p.y)});
  return out;
}

inline std::vector<Line> Lines(const CChainList& list) {
  std::vector<Line> out;
  for (POSITION pos = list.GetHeadPosition(); pos;) out.push_back(Vertices(*list.GetNext(pos)));
  return out;
}

// "(x,y)(x,y)..." a line, for failure messages.
inline std::string Show(const std::vector<Line>& lines) {
  std::string s;
  for (const Line& l : lines) {
    for (const POINT& p : l) s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    s += "\n";
  }
  return s;
}

// A tracer whose line list runs out of memory after `allowed` lines.
template <class Tracer>
class Starved : public Tracer {
 public:
  using Tracer::Tracer;
  int allowed = 0;

 protected:
  CChain* NewChain() override { return allowed-- > 0 ? Tracer::NewChain() : nullptr; }
};

}  // namespace tracefix
