#include "ui/core/lineundo.h"

#include <algorithm>
#include <new>

#include "model/chain_internal.h"

namespace qzn {

namespace {

// A copy of the line's attributes and vertices; null when memory runs out.
std::unique_ptr<CChain> CopyOf(const CChain* line) {
  try {
    auto copy = std::make_unique<CChain>(line);
    if (!copy->CopyFrom(line)) return nullptr;
    copy->m_nPenStyle = line->m_nPenStyle;
    return copy;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void Report(std::vector<const CChain*>* deleted, const CChain* line) {
  if (deleted) deleted->push_back(line);
}

}  // namespace

CLineUndoRecord::~CLineUndoRecord() = default;  // copies and removed delete their lines

void CLineUndoRecord::SaveChain(const CChain* line) {
  std::unique_ptr<CChain> copy = CopyOf(line);
  if (!copy) return;
  try {
    lines.push_back(const_cast<CChain*>(line));
    copies.Adopt(copy.release());
    kind = kChanged;
  } catch (const std::bad_alloc&) {
    lines.clear();
  }
}

void CLineUndoRecord::SaveAddedChain(CChain* line) {
  try {
    lines.push_back(line);
    kind = kAdded;
  } catch (const std::bad_alloc&) {
  }
}

void CLineUndoRecord::SaveDeletedChain(CChain* line) {
  // Owned from here on whatever happens: the caller has taken it out.
  copies.Adopt(line);
  kind = kDeleted;
}

void CLineUndoRecord::SaveChainList(CChainList& from) {
  copies.AdoptAll(from);
  kind = kDeletedMany;
}

void CLineUndoRecord::SaveChainAndList(CChain* line, CChain* absorbed) {
  removed.Adopt(absorbed);
  std::unique_ptr<CChain> copy = CopyOf(line);
  if (!copy) return;
  try {
    lines.push_back(line);
    copies.Adopt(copy.release());
    kind = kJoined;
  } catch (const std::bad_alloc&) {
    lines.clear();
  }
}

void CLineUndoRecord::SaveSplit(std::unique_ptr<CChain> copy, CChain* line, CChain* part) {
  if (!copy) return;
  try {
    lines = {line, part};
    copies.Adopt(copy.release());
    kind = kSplit;
  } catch (const std::bad_alloc&) {
    lines.clear();
  }
}

void CLineUndoRecord::SaveChainId(CChain* line) {
  try {
    lines.push_back(line);
    savedId = line->m_fID;
    savedColour = line->m_color;
    kind = kIdGiven;
  } catch (const std::bad_alloc&) {
  }
}

void CLineUndoRecord::SaveIds(const std::vector<CChain*>& selection) {
  if (selection.empty()) return;
  try {
    savedIds.reserve(selection.size());
    for (const CChain* c : selection) savedIds.push_back(c->m_fID);
    lines = selection;
    kind = kIdsGiven;
  } catch (const std::bad_alloc&) {
    savedIds.clear();
    lines.clear();
  }
}

void CLineUndoRecord::SaveLastAdded(const CChainList& list, std::int64_t n) {
  if (n <= 0 || list.GetCount() < n) return;
  try {
    POSITION pos = list.GetTailPosition();
    for (std::int64_t i = 0; i < n && pos; ++i) lines.push_back(list.GetPrev(pos));
    kind = kTraced;
  } catch (const std::bad_alloc&) {
    lines.clear();
  }
}

void CLineUndoRecord::SaveCut(int cutKind, const CObList& changed, CObList& removedLines) {
  // The lines taken out are the record's before anything can fail.
  while (!removedLines.IsEmpty()) removed.Adopt(static_cast<CChain*>(removedLines.RemoveHead()));
  try {
    for (CObject* o : changed) lines.push_back(static_cast<CChain*>(o));
    kind = cutKind;
  } catch (const std::bad_alloc&) {
    lines.clear();
  }
}

bool CLineUndoRecord::Mentions(const CChain* line) const {
  if (std::find(lines.begin(), lines.end(), line) != lines.end()) return true;
  return copies.Find(line) || removed.Find(line);
}

void CLineUndoRecord::Apply(CChainList& target, std::vector<const CChain*>* deleted) {
  switch (kind) {
    case kChanged:
      if (!lines.empty() && !copies.IsEmpty()) lines[0]->CopyFrom(copies.GetHead());
      break;
    case kAdded:
      if (!lines.empty()) {
        Report(deleted, lines[0]);
        target.DeleteChain(lines[0]);
        lines.clear();
      }
      break;
    case kDeleted:
      if (!copies.IsEmpty()) target.Adopt(copies.DetachHead());
      break;
    case kDeletedMany: target.AdoptAll(copies); break;
    case kJoined:
      target.AdoptAll(removed);
      if (!lines.empty() && !copies.IsEmpty()) lines[0]->CopyFrom(copies.GetHead());
      break;
    case kSplit:
      if (lines.size() == 2 && !copies.IsEmpty()) {
        lines[0]->CopyFrom(copies.GetHead());
        Report(deleted, lines[1]);
        target.DeleteChain(lines[1]);
      }
      lines.clear();
      break;
    case kIdGiven:
      if (!lines.empty()) {
        lines[0]->m_fID = savedId;
        lines[0]->m_color = savedColour;
      }
      break;
    case kVerticesCut:
    case kMarksShrunk: {
      target.AdoptAll(removed);
      POSITION pos = copies.GetHeadPosition();
      for (CChain* line : lines) {
        if (!pos) break;
        line->CopyFrom(copies.GetNext(pos));
      }
      break;
    }
    case kIdsGiven:
      for (std::size_t i = 0; i < lines.size() && i < savedIds.size(); ++i) {
        lines[i]->m_fID = savedIds[i];
        lines[i]->m_color = target.m_idColors.GetColor(TruncInt(savedIds[i]));
      }
      break;
    case kTraced:
      for (CChain* line : lines) {
        Report(deleted, line);
        target.DeleteChain(line);
      }
      lines.clear();
      break;
    default: return;
  }
  target.m_nModified = 1;
}

}  // namespace qzn
