// The line tool's undo: every change to the shown lines is recorded before
// it is made, in a bounded list that the tool owns. Undo applies the newest
// record to the line list and discards it. A record holds copies of changed
// lines, pointers to lines it changes (still the list's), and the lines the
// change took out of the list (then the record's), so each kind of change
// can be reversed exactly.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/chainlist.h"
#include "platform/wintypes.h"
#include "ui/core/undolist.h"

namespace qzn {

class CLineUndoRecord {
 public:
  enum Kind : int {
    kNone = 0,
    kChanged = 1,       // one line changed: copies holds its old state
    kAdded = 2,         // lines[0] was added
    kDeleted = 3,       // copies holds the line taken out
    kDeletedMany = 4,   // copies hold the lines taken out
    kJoined = 5,        // copies: the dragged line's old state; removed: the absorbed line
    kSplit = 6,         // copies: the old state of lines[0]; lines[1] is the new part
    kIdGiven = 7,       // lines[0] had savedId and savedColour
    kVerticesCut = 8,   // lines[i] was copies[i]; removed were taken out
    kIdsGiven = 9,      // lines[i] had savedIds[i]
    kMarksShrunk = 10,  // as kVerticesCut
    kTraced = 11,       // lines were added by a trace, newest first
  };

  ~CLineUndoRecord();

  int kind = kNone;
  CChainList copies;           // owned
  std::vector<CChain*> lines;  // borrowed: still the document's
  CChainList removed;          // owned: taken out of the document's list
  float savedId = 0.0f;
  COLORREF savedColour = 0;
  std::vector<float> savedIds;

  // The fillings, one per kind. Each leaves the kind at kNone when a copy
  // cannot be made (the change then goes ahead without undo).
  void SaveChain(const CChain* line);                                        // kChanged
  void SaveAddedChain(CChain* line);                                         // kAdded
  void SaveDeletedChain(CChain* line);                                       // kDeleted: the record owns line
  void SaveChainList(CChainList& lines);                                     // kDeletedMany: takes every line of it
  void SaveChainAndList(CChain* line, CChain* absorbed);                     // kJoined: the record owns absorbed
  void SaveSplit(std::unique_ptr<CChain> copy, CChain* line, CChain* part);  // kSplit
  void SaveChainId(CChain* line);                                            // kIdGiven
  void SaveIds(const std::vector<CChain*>& selection);                       // kIdsGiven
  void SaveLastAdded(const CChainList& list, std::int64_t n);                // kTraced
  // Kinds 8 and 10: what CChainList::EraseVerticesInRect or
  // InsertPointInRect put into copies, changed and removed.
  void SaveCut(int cutKind, const CObList& changed, CObList& removedLines);

  // Whether the record refers to the line (borrowed or owned).
  bool Mentions(const CChain* line) const;
  // Applies the record to the target list. Lines it deletes from the list
  // are reported in deleted (they are gone afterwards).
  void Apply(CChainList& target, std::vector<const CChain*>* deleted);
};

// Undo(lines, &deleted) applies the newest record; Forget(line) drops the
// records of a line about to be deleted without undo.
using CLineUndoList = CBoundedUndo<CLineUndoRecord>;

}  // namespace qzn
