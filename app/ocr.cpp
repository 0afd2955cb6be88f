// OCR of map lettering: the text blocks of the workspace, chained into words,
// are sampled glyph by glyph, matched against the character signatures and
// turned into annotations on the current layer.
#include <unordered_set>
#include <vector>

#include "app/charlist.h"
#include "app/qzndoc.h"
#include "model/box.h"
#include "model/note.h"
#include "platform/host.h"
#include "resources/messages_app.h"

namespace qzn {

namespace {

// The code of the glyph in the block, -1 when nothing matches.
int RecogniseGlyph(CQznDoc* doc, const CCharList& chars, const CBox& box) {
  CChar sample;
  if (!sample.Sample(doc, box.m_rect, -1, chars.m_nGridWidth, chars.m_nGridHeight)) return -1;
  return chars.FindBest(sample);
}

}  // namespace

int CNoteList::RecognizeTextBoxes(CQznDoc* doc, CBoxList* boxes, CCharList* chars) {
  if (!doc || !boxes || !chars) return 0;
  if (!doc->m_image.HasPixels()) {
    AfxMessageBox(res::text::kOcrNeedsTraining, MB_OK | MB_ICONERROR);
    return 0;
  }
  const int layer = doc->m_layers.GetCurrentLayerID();
  // The blocks whose glyph became a character: only their lines go and only
  // they are removed, so a glyph that was not read stays on the map, with
  // its block, for another try after more training.
  std::unordered_set<const CBox*> recognised;

  const std::int64_t total = boxes->GetCount();
  for (CBox* head : *boxes) {
    if (!head || head->m_pPrev) continue;
    const int code = RecogniseGlyph(doc, *chars, *head);
    if (code < 0) continue;
    CNote* note = AddNote(head->m_rect, std::string());
    if (!note) break;
    note->m_nID = static_cast<std::int16_t>(layer);
    note->m_strText += CharCodeText(code);
    recognised.insert(head);
    // The links are acyclic; the count bounds the walk all the same.
    std::int64_t steps = 0;
    for (CBox* glyph = head->m_pNext; glyph && ++steps < total; glyph = glyph->m_pNext) {
      const int c = RecogniseGlyph(doc, *chars, *glyph);
      if (c < 0) continue;
      note->m_strText += CharCodeText(c);
      RECT joined;
      UnionRect(joined, note->m_rect, glyph->m_rect);
      note->m_rect = joined;
      recognised.insert(glyph);
    }
  }

  if (!recognised.empty()) {
    // Take the recognised blocks out of the workspace's list (links kept, so
    // removing each one below splices its word together around it).
    CBoxList done;
    for (POSITION pos = boxes->GetHeadPosition(); pos;) {
      const POSITION at = pos;
      CBox* b = boxes->GetNext(pos);
      if (recognised.count(b)) boxes->TransferTo(at, done);
    }
    CObList lines;
    doc->m_lines.MoveLinesInBoxes(doc->m_extent, &lines, &done, FALSE);
    for (CObject* line : lines) delete line;
    lines.RemoveAll();
    // Blocks outside the extent were left by the move.
    while (!done.IsEmpty()) done.RemoveAt(done.GetHeadPosition());
    boxes->m_nModified = 1;
  }
  m_nModified = 1;
  return static_cast<int>(GetCount());
}

}  // namespace qzn
