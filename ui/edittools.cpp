#include "ui/edittools.h"

#include <algorithm>

#include <wx/button.h>
#include <wx/colordlg.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "platform/host.h"
#include "resources/messages_tools.h"
#include "ui/commands.h"
#include "ui/core/contrastdlgs.h"
#include "ui/core/editcommands.h"
#include "ui/core/iddlgs.h"
#include "ui/core/qznview.h"
#include "ui/core/tooldlgs.h"
#include "ui/dialogs.h"
#include "ui/imagewindow.h"
#include "ui/wxresources.h"
#include "widgets/wxtext.h"

namespace qzn {

namespace {

std::function<bool(ToolDialog&)>& Script() {
  static std::function<bool(ToolDialog&)> script;
  return script;
}

bool RunColourDialog(wxWindow* parent, ColourValues& v) {
  wxColourData data;
  data.SetColour(wxColour(GetRValue(v.colour), GetGValue(v.colour), GetBValue(v.colour)));
  wxColourDialog dlg(parent, &data);
  if (dlg.ShowModal() != wxID_OK) return false;
  const wxColour c = dlg.GetColourData().GetColour();
  v.colour = RGB(c.Red(), c.Green(), c.Blue());
  return true;
}

// The records whose dialogs have a model run on it: the values go in, and
// back out on OK.
bool RunOnModel(ToolDialog& dialog) {
  switch (dialog.id) {
    case kDlgCurrentId: {
      auto& v = static_cast<CurrentIdValues&>(dialog);
      CCurrentIDDlg m;
      m.autoIncrement = v.autoIncrement;
      m.currentId = v.currentId;
      m.increment = v.increment;
      if (DoModal(m) != IDOK) return false;
      v.autoIncrement = m.autoIncrement;
      v.currentId = m.currentId;
      v.increment = m.increment;
      return true;
    }
    case kDlgContourValues: {
      auto& v = static_cast<ContourValues&>(dialog);
      CContourValueDlg m;
      m.countText = v.countText;
      m.start = v.start;
      m.increment = v.increment;
      if (DoModal(m) != IDOK) return false;
      v.start = m.start;
      v.increment = m.increment;
      return true;
    }
    case kDlgPixelValue: {
      auto& v = static_cast<PixelValueValues&>(dialog);
      CPixelValueDlg m;
      m.value = static_cast<BYTE>(std::clamp(v.value, 0, 255));
      if (DoModal(m) != IDOK) return false;
      v.value = m.value;
      return true;
    }
    case kDlgBinaryValue: {
      auto& v = static_cast<BinaryValueValues&>(dialog);
      CBinaryValueDlg m;
      m.value = v.value ? 1 : 0;
      m.zeroIsBlack = v.zeroIsBlack;
      if (DoModal(m) != IDOK) return false;
      v.value = m.value;
      return true;
    }
    default: return false;
  }
}

// A label whose text the dialog's model sets when it opens.
wxStaticText* MakeWideLabel(wxWindow* parent, int id) {
  wxStaticText* label = MakeLabel(parent, "", id);
  label->SetMinSize(wxSize(320, -1));
  return label;
}

CModelDialog* MakeDrawPixelValueDialog(wxWindow* parent, CDrawPixelValueDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(res::text::kDrawValueTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  body->Add(MakeWideLabel(d, CDrawPixelValueDlg::kTypeText), 0, wxEXPAND | wxBOTTOM, 6);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new CColourSwatch(d, CDrawPixelValueDlg::kSwatch, wxSize(40, 24)), 0, wxRIGHT, 8);
  row->Add(MakeWideLabel(d, CDrawPixelValueDlg::kValueText), 1, wxALIGN_CENTER_VERTICAL | wxRIGHT, 8);
  row->Add(new wxButton(d, CDrawPixelValueDlg::kDefine, U8(res::text::kDrawValueDefine)), 0);
  body->Add(row, 0, wxEXPAND | wxBOTTOM, 8);
  body->Add(LabelledRow(d, res::text::kDrawValuePenLabel, MakeEdit(d, CDrawPixelValueDlg::kPenSize, 60)));
  return FinishDialog(d, body, DialogButtons(d));
}

CModelDialog* MakeMapPixelValueDialog(wxWindow* parent, CMapPixelValueDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(res::text::kMapPixelTitle));
  auto* grid = new wxFlexGridSizer(2, 6, 8);
  for (auto [label, id] : {std::pair{res::text::kMapPixelMinimum, int{CMapPixelValueDlg::kMinimum}},
                           std::pair{res::text::kMapPixelMaximum, int{CMapPixelValueDlg::kMaximum}},
                           std::pair{res::text::kMapPixelValue, int{CMapPixelValueDlg::kValue}}}) {
    grid->Add(MakeLabel(d, label), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(MakeEdit(d, id, 60));
  }
  return FinishDialog(d, grid, DialogButtons(d));
}

CModelDialog* MakeDeleteTextLinesDialog(wxWindow* parent, CDeleteTextLinesDlg& model) {
  auto* d = new CModelDialog(parent, model, U8(res::text::kDeleteTextLinesTitle));
  auto* body = new wxBoxSizer(wxVERTICAL);
  body->Add(MakeWideLabel(d, CDeleteTextLinesDlg::kQuestion), 0, wxEXPAND | wxBOTTOM, 8);
  body->Add(MakeRadio(d, CDeleteTextLinesDlg::kInside, res::text::kDeleteTextLinesInside, true), 0, wxBOTTOM, 4);
  body->Add(MakeRadio(d, CDeleteTextLinesDlg::kCrossing, res::text::kDeleteTextLinesCrossing));
  return FinishDialog(d, body, DialogButtons(d));
}

}  // namespace

void SetToolDialogScript(std::function<bool(ToolDialog&)> script) { Script() = std::move(script); }

bool RunToolDialog(wxWindow* parent, ToolDialog& dialog) {
  if (Script()) return Script()(dialog);
  switch (dialog.id) {
    case kDlgColour: return RunColourDialog(parent, static_cast<ColourValues&>(dialog));
    case kDlgCurrentId:
    case kDlgContourValues:
    case kDlgPixelValue:
    case kDlgBinaryValue: return RunOnModel(dialog);
    default: return false;  // a dialog the window does not have yet
  }
}

std::unique_ptr<INoteDialog> CreateNoteDialog(wxWindow* view) {
  auto* window = dynamic_cast<CImageWindow*>(view);
  if (!window) return nullptr;
  return std::make_unique<CNoteDlg>(window->View());
}

void RegisterEditToolCommands() {
  static bool done = false;
  if (done) return;
  done = true;
  RegisterEditTools();
  RegisterDialogWindow(&MakeDrawPixelValueDialog);
  RegisterDialogWindow(&MakeMapPixelValueDialog);
  RegisterDialogWindow(&MakeDeleteTextLinesDialog);
  std::vector<int> marked;
  for (int id : EditCommandIds())
    if (EditCommandHasCheckMark(id)) marked.push_back(id);
  MarkCheckCommands(marked);
  AddViewCommandRegistrar([](CCommandTable& table, CQznView& view) {
    for (int id : EditCommandIds()) {
      CommandHandler h;
      h.run = [&view, id] { RunEditCommand(view, id); };
      h.enabled = [&view, id] { return GetEditCommandState(view, id).enabled; };
      if (EditCommandHasCheckMark(id)) h.checked = [&view, id] { return GetEditCommandState(view, id).checked; };
      table.Add(id, std::move(h));
    }
  });
}

}  // namespace qzn
