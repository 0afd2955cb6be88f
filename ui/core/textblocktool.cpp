#include "ui/core/textblocktool.h"

#include <cstdio>
#include <new>

#include "app/charlist.h"
#include "platform/archive.h"
#include "platform/host.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_tools.h"
#include "resources/toolcommands.h"
#include "ui/core/ocrdlg.h"
#include "ui/core/tooldlgs.h"
#include "ui/core/toolhelpers.h"

namespace qzn {

namespace {

using namespace res::text;

constexpr int kSlotSegment = kSlotToolFirstFree;

}  // namespace

CTextBlockTool::CTextBlockTool(IToolHost& h, CQznDoc* doc)
    : CEditTool(h, res::kCursorAdd), m_doc(doc), m_blocks(doc->m_textBlocks), m_lines(doc->m_lines) {
  RebuildMenu(res::kMenuTextBlockTool);
}

CTextBlockTool::~CTextBlockTool() {
  // The lines not given back were lettering: they go with the tool.
  EndDrag();
  host.Feedback().Clear(kSlotToolBand);
}

void CTextBlockTool::SetSubMode(int subMode, int cursor, const char* status) {
  m_subMode = subMode;
  cursorId = cursor;
  if (status) host.SetStatusText(status);
}

void CTextBlockTool::EndDrag() {
  if (m_drag.active) m_drag.End();
  host.Feedback().Clear(kSlotSegment);
}

void CTextBlockTool::KeepRemoved(CObList& lines) {
  while (!lines.IsEmpty()) {
    CChain* line = static_cast<CChain*>(lines.RemoveHead());
    try {
      m_removed.Adopt(line);
    } catch (const std::bad_alloc&) {
      // The line is deleted: it could not be kept for Restore.
    }
  }
}

void CTextBlockTool::OnLButtonDown(POINT p, unsigned) {
  const POINT ip = ClientToImagePixel(host, p);
  POSITION pos = nullptr;
  switch (m_subMode) {
    case kDeleteLines: {
      CBox* box = m_blocks.FindAtPoint(ip, pos);
      if (!box) {
        host.MessageBox(kBlockClickToDelete, MB_OK | MB_ICONINFORMATION);
        return;
      }
      CObList moved;
      m_lines.MoveInsideRect(box->m_rect, &moved, TRUE);
      KeepRemoved(moved);
      m_blocks.RemoveAt(pos);
      m_blocks.m_nModified = 1;
      host.Refresh();
      return;
    }
    case kRemoveBlock: {
      if (!m_blocks.FindAtPoint(ip, pos)) {
        host.MessageBox(kBlockClickToRemove, MB_OK | MB_ICONINFORMATION);
        return;
      }
      m_blocks.RemoveAt(pos);
      m_blocks.m_nModified = 1;
      host.Refresh();
      return;
    }
    case kAddBlock:
    case kGroup:
    case kUngroup:
      m_drag.Begin(p.x, p.y, true, nullptr, &host);
      m_drag.ClipToClient();
      return;
    case kTestOcr: {
      CBox* box = m_blocks.FindAtPoint(ip, pos);
      if (!box) {
        host.MessageBox(kBlockClickToSelect, MB_OK | MB_ICONINFORMATION);
        return;
      }
      CCharList& set = m_doc->m_chars;
      CChar sample;
      int code = -1;
      if (sample.Sample(m_doc, box->m_rect, -1, set.m_nGridWidth, set.m_nGridHeight)) code = set.FindBest(sample);
      if (code < 0) {
        host.SetStatusText(kBlockNotRecognised);
        return;
      }
      std::string ch;
      AppendUtf8(ch, static_cast<std::uint32_t>(code));
      char text[128];
      std::snprintf(text, sizeof text, kBlockRecognisedFormat, ch.c_str());
      host.SetStatusText(text);
      return;
    }
    case kTrainOcr: {
      CBox* box = m_blocks.FindAtPoint(ip, pos);
      if (!box) {
        host.MessageBox(kBlockClickToSelect, MB_OK | MB_ICONINFORMATION);
        return;
      }
      COcrTrainDlg dlg;
      if (DoModal(dlg) != IDOK) return;
      // The code is the whole character; an empty entry adds nothing, nor
      // does one beyond the 16-bit codes an OCR file keeps.
      const int code = dlg.Code();
      if (code < 0 || code > 0xFFFF) return;
      m_doc->m_chars.AddSample(m_doc, box->m_rect, code);
      return;
    }
    default: return;
  }
}

void CTextBlockTool::OnMouseMove(POINT p, unsigned) {
  if (!m_drag.active) return;
  m_drag.Move(p.x, p.y);
  if (m_subMode == kAddBlock) {
    RECT r{m_drag.start.x, m_drag.start.y, p.x, p.y};
    NormalizeRect(r);
    host.Feedback().Set(kSlotToolBand, FeedbackShape::Frame(r));
  } else {
    host.Feedback().Set(kSlotSegment, FeedbackShape::Line(m_drag.start, p));
  }
  host.RefreshFeedback();
  m_drag.Commit();
}

void CTextBlockTool::ReleaseSegment(POINT p) {
  const POINT a = ClientToImagePixel(host, m_drag.start), b = ClientToImagePixel(host, p);
  CBoxPtrList met;
  m_blocks.CollectAlongSegment(met, a, b);
  if (met.GetCount() < 2) {
    host.MessageBox(kBlockChooseTwo, MB_OK | MB_ICONINFORMATION);
    return;
  }
  if (m_subMode == kGroup)
    CBoxList::LinkAll(met);
  else
    CBoxList::UnlinkAll(met);
  m_blocks.m_nModified = 1;
  host.Refresh();
}

void CTextBlockTool::OnLButtonUp(POINT p, unsigned) {
  if (!m_drag.active) return;
  const POINT start = m_drag.start;
  m_drag.End();
  host.Feedback().Clear(kSlotToolBand);
  host.Feedback().Clear(kSlotSegment);
  host.RefreshFeedback();
  if (m_subMode != kAddBlock) {
    m_drag.start = start;
    ReleaseSegment(p);
    return;
  }
  RECT r = host.Transform().ClientToImage(RECT{start.x, start.y, p.x, p.y});
  NormalizeRect(r);
  if (IsRectEmpty(r)) return;
  if (!m_blocks.AddBox(r, -1)) return;
  m_blocks.m_nModified = 1;
  RECT dirty = r;
  InflateRect(dirty, m_blocks.m_nPenWidth + 1, m_blocks.m_nPenWidth + 1);
  host.RefreshImageRect(dirty);
}

void CTextBlockTool::OnCaptureLost() {
  if (m_drag.active) OnLButtonUp(m_drag.current, 0);
}

void CTextBlockTool::Undo() {
  if (m_removed.IsEmpty()) return;
  CChain* line = m_removed.DetachTail();
  try {
    m_lines.Adopt(line);
  } catch (const std::bad_alloc&) {
    return;
  }
  m_lines.m_nModified = 1;
  RECT dirty = line->m_rcBounds;
  const int margin = 4 * std::max(line->GetPenWidth(), 1);
  InflateRect(dirty, margin, margin);
  host.RefreshImageRect(dirty);
}

void CTextBlockTool::FinishAndDrop() {
  if (m_drag.active) OnLButtonUp(m_drag.current, 0);
  EndDrag();
  m_removed.DeleteAll();
  host.RefreshFeedback();
}

void CTextBlockTool::DeleteAllTextLines() {
  const RECT band = host.GetRubberBand();
  CDeleteTextLinesDlg v;
  v.question = IsRectEmpty(band) ? kDeleteTextLinesAskAll : kDeleteTextLinesAskInRect;
  if (DoModal(v) != IDOK) return;
  CObList moved;
  m_lines.MoveLinesInBoxes(band, &moved, &m_blocks, v.choice ? TRUE : FALSE);
  KeepRemoved(moved);
  m_blocks.m_nModified = 1;
  host.Refresh();
}

bool CTextBlockTool::IsChecked(int id) const {
  switch (id) {
    case cmd::kBlockDeleteLines: return m_subMode == kDeleteLines;
    case cmd::kBlockRemove: return m_subMode == kRemoveBlock;
    case cmd::kBlockAdd: return m_subMode == kAddBlock;
    case cmd::kBlockGroup: return m_subMode == kGroup;
    case cmd::kBlockUngroup: return m_subMode == kUngroup;
    case cmd::kBlockTestOcr: return m_subMode == kTestOcr;
    case cmd::kBlockTrainOcr: return m_subMode == kTrainOcr;
    default: return false;
  }
}

bool CTextBlockTool::IsItemEnabled(int id) const {
  if (id == cmd::kBlockRestore) return CanUndo();
  return true;
}

void CTextBlockTool::UpdateMenu() { RebuildMenu(res::kMenuTextBlockTool); }

bool CTextBlockTool::OnCommand(int id) {
  using namespace cmd;
  switch (id) {
    case kBlockDeleteLines: SetSubMode(kDeleteLines, res::kCursorDelete, kBlockDeleteLinesStatus); return true;
    case kBlockDeleteAll:
      host.SetStatusText(kBlockDeleteAllStatus);
      DeleteAllTextLines();
      return true;
    case kBlockRemove: {
      const RECT band = host.GetRubberBand();
      if (!IsRectEmpty(band) && host.MessageBox(kBlockAskRemoveInRect, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        m_blocks.DeleteInRect(band);
        m_blocks.m_nModified = 1;
        host.Refresh();
      }
      SetSubMode(kRemoveBlock, res::kCursorRemoveMark, kBlockRemoveStatus);
      return true;
    }
    case kBlockTestOcr: SetSubMode(kTestOcr, res::kCursorPick, nullptr); return true;
    case kBlockTrainOcr: SetSubMode(kTrainOcr, res::kCursorAdd, nullptr); return true;
    case kBlockAdd: SetSubMode(kAddBlock, res::kCursorAdd, nullptr); return true;
    case kBlockGroup: SetSubMode(kGroup, res::kCursorAdd, nullptr); return true;
    case kBlockUngroup: SetSubMode(kUngroup, res::kCursorDelete, nullptr); return true;
    case kBlockRestore:
    case kEditUndo: Undo(); return true;
    default: return false;
  }
}

}  // namespace qzn
