// Small numeric helpers shared by the line sources, and the vertex part of
// joining two lines.
#pragma once

namespace qzn {

class CChain;

// The vertices of CChain::JoinChain without the bounds refresh, for callers
// that join many pieces onto lines and refresh the bounds once at the end.
// With takeOther the other line, which the caller deletes afterwards, may
// lose its vertices. False when memory ran out: the message is shown and both
// lines are as they were.
bool JoinVertices(CChain& line, CChain* other, int pairing, bool takeOther);

}  // namespace qzn
