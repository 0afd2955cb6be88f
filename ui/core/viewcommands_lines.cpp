// The line commands of the Edit and Vector menus: deleting, numbering and
// counting lines, decimal IDs, crossing marks, splitting a layer at its
// crossings, text blocks, OCR and the notes' numbers.
#include "model/helpers.h"
#include "platform/textfile.h"
#include "model/polygonbuilder.h"
#include "resources/commands.h"
#include "resources/messages_viewcommands.h"
#include "ui/core/viewcommands_common.h"

namespace qzn::vc {

namespace {

namespace text = res::text;
constexpr unsigned kQuestion = MB_YESNO | MB_ICONQUESTION;

bool NotEditingLines(const CQznView& v) { return !InMode(v, EditMode::kLineEdit); }
bool LinesNotEditing(const CQznView& v) { return HasLines(v) && NotEditingLines(v); }
bool CrossMarksNotEditing(const CQznView& v) { return HasCrossMarks(v) && NotEditingLines(v); }
bool CanRecognizeText(const CQznView& v) { return HasImage(v) && HasBlocks(v) && HasChars(v) && NotEditingLines(v); }
bool CanSplitTextLines(const CQznView& v) { return LinesNotEditing(v) && HasBlocks(v); }
bool CanApplyNotesToLines(const CQznView& v) { return LinesNotEditing(v) && HasNotes(v); }
bool CanApplyNotesToPoints(const CQznView& v) { return HasNotes(v) && HasPoints(v); }
bool DecimalIds(const CQznView& v) { return HasDoc(v) && v.Document()->m_nDecimalIDs != 0; }

void DeleteAllLines(CQznView& v) {
  if (AfxMessageBox(text::kAskDeleteAllLines, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) return;
  SettleTools(v);
  CChainList& lines = Doc(v).m_lines;
  lines.DeleteAll();
  lines.m_nModified = 1;  // the deletion is unsaved work
  v.Refresh();
}

void LineStatistics(CQznView& v) {
  int mean = 0;
  const int count = Doc(v).m_lines.GetStatistics(mean);
  AfxMessageBox(FormatC(text::kLineCountFormat, static_cast<long>(count)) + FormatC(text::kMeanNodesFormat, mean),
                MB_OK | MB_ICONINFORMATION);
}

void ToggleDecimalIds(CQznView& v) {
  CQznDoc& d = Doc(v);
  d.m_nDecimalIDs = d.m_nDecimalIDs ? 0 : 1;
  if (v.flags.lineIds || v.flags.pointIds) v.Refresh();
}

void DetectCrossMarks(CQznView& v) {
  const RECT band = v.rubberBand;
  if (IsRectEmpty(band)) {
    AfxMessageBox(text::kDrawRectAroundCrossing, MB_OK);
    return;
  }
  CQznDoc& d = Doc(v);
  {
    CWaitCapture wait;
    d.DetectCrossMarks(RectWidth(band), RectHeight(band));
  }
  if (!d.m_crossMarks.IsEmpty()) v.flags.crossMarks = true;
  v.Refresh();
}

void ShrinkCrossMarks(CQznView& v) {
  const RECT band = v.rubberBand;
  const char* question = IsRectEmpty(band) ? text::kAskShrinkAllCrossings : text::kAskShrinkCrossingsInArea;
  if (AfxMessageBox(question, kQuestion) != IDYES) return;
  SettleTools(v);
  int ok = 0;
  {
    CWaitCapture wait;
    ok = Doc(v).ShrinkCrossMarks(band);
  }
  if (ok) v.Refresh();
}

void RemoveCrossMarks(CQznView& v) {
  if (AfxMessageBox(text::kAskRemoveCrossMarks, kQuestion) != IDYES) return;
  CBoxList& marks = Doc(v).m_crossMarks;
  marks.RemoveAll();
  marks.m_nModified = 1;
  v.flags.crossMarks = false;
  v.Refresh();
}

// The lines of the current layer cut where they cross each other, on the
// layer with its colour, style and width.
void SplitLayerAtCrossings(CQznView& v) {
  CQznDoc& d = Doc(v);
  const CLayer* layer = d.m_layers.GetCurrentLayer();
  const int id = layer ? layer->m_nID : 0;
  const COLORREF colour = layer ? layer->m_color : d.m_layers.GetLayerColor(0);
  const int style = layer ? layer->m_nPenStyle : 0;
  const int width = layer ? layer->m_nWidth : 1;
  SettleTools(v);
  CWaitCapture wait;
  CObList moved;
  d.m_lines.MoveLayerTo(id, &moved);
  CChainList input, output;
  for (POSITION pos = moved.GetHeadPosition(); pos;) input.Adopt(static_cast<CChain*>(moved.GetNext(pos)));
  CPolygonBuilder builder(&input, &output, 10, 1, id);
  builder.SplitAtIntersections();
  output.RecalcBounds();
  output.SetAttributes(id, colour, style, RECT{});
  for (CChain* c : output) c->m_nWidth = width;
  d.m_lines.AdoptAll(output);
  d.m_lines.AdoptAll(input);  // whatever the builder left behind stays a line
  d.m_lines.m_nModified = 1;
  v.Refresh();
}

void DetectTextBlocks(CQznView& v) {
  const RECT band = v.rubberBand;
  if (IsRectEmpty(band)) {
    AfxMessageBox(text::kDrawRectAroundCharacter, MB_OK | MB_ICONINFORMATION);
    return;
  }
  int ok = 0;
  {
    CWaitCapture wait;
    ok = Doc(v).DetectTextBlocks(RectWidth(band), RectHeight(band));
  }
  if (!ok) return;
  v.SetRubberBand(RECT{});
  v.flags.textBlocks = true;
  v.Refresh();
}

void RecognizeText(CQznView& v) {
  int ok = 0;
  {
    CWaitCapture wait;
    ok = Doc(v).RecognizeText();
  }
  if (!ok) return;
  v.flags.annotations = true;
  v.Refresh();
}

void SplitTextLines(CQznView& v) {
  if (AfxMessageBox(text::kAskSplitTextLines, kQuestion) != IDYES) return;
  SettleTools(v);
  CQznDoc& d = Doc(v);
  if (!d.SplitTextLines()) return;
  UpdateLayerBar(&d);
  v.Refresh();
}

void ApplyNotesToLines(CQznView& v) {
  CQznDoc& d = Doc(v);
  SettleTools(v);
  CWaitCapture wait;
  d.m_lines.ApplyNotesAsIDs(&d.m_notes);
  d.m_lines.m_nModified = 1;
  v.Refresh();
}

void ApplyNotesToPoints(CQznView& v) {
  CQznDoc& d = Doc(v);
  SettleTools(v);
  d.m_points.ValuesFromNotes(d.m_notes);
  v.Refresh();
}

constexpr ViewCommand kCommands[] = {
    {cmd::kEditDeleteLines, LinesNotEditing, nullptr, DeleteAllLines},
    {cmd::kVectorLineStatistics, HasLines, nullptr, LineStatistics},
    {cmd::kVectorDecimalIds, HasDoc, DecimalIds, ToggleDecimalIds},
    {cmd::kVectorDetectCrossMarks, HasLines, nullptr, DetectCrossMarks},
    {cmd::kVectorShrinkCrossMarks, CrossMarksNotEditing, nullptr, ShrinkCrossMarks},
    {cmd::kVectorRemoveCrossMarks, CrossMarksNotEditing, nullptr, RemoveCrossMarks},
    {cmd::kVectorSplitLayerAtCrossings, LinesNotEditing, nullptr, SplitLayerAtCrossings},
    {cmd::kVectorDetectTextBlocks, LinesNotEditing, nullptr, DetectTextBlocks},
    {cmd::kVectorRecognizeText, CanRecognizeText, nullptr, RecognizeText},
    {cmd::kVectorSplitTextLines, CanSplitTextLines, nullptr, SplitTextLines},
    {cmd::kVectorNotesToLines, CanApplyNotesToLines, nullptr, ApplyNotesToLines},
    {cmd::kVectorNotesToPoints, CanApplyNotesToPoints, nullptr, ApplyNotesToPoints},
};

}  // namespace

std::span<const ViewCommand> LineCommands() { return kCommands; }

}  // namespace qzn::vc
