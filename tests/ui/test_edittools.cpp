// The edit tools in the window, as a user meets them: each tool's mode
// entered from its menu command, one gesture made with wx mouse and key
// events, the feedback looked at in the window's picture, and Undo from the
// menu where the tool has it. Pictures of the feedback go to
// build/artifacts/tools-*.png.
#include <filesystem>

#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include "raster/tiffio.h"
#include "platform/textfile.h"
#include "ui/core/dataexchange.h"
#include "tests/ui/gui_test_util.h"
#include "ui/dialogs.h"
#include "ui/core/cptool.h"
#include "ui/core/toolhelpers.h"
#include "ui/core/toolsettings.h"
#include "ui/core/controlptdlg.h"
#include "georef/controlpt.h"
#include "resources/commands.h"
#include "resources/toolcommands.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/tool_test_util.h"
#include "ui/app.h"
#include "ui/core/linetool.h"
#include "ui/core/mergetool.h"
#include "ui/edittools.h"
#include "ui/imagewindow.h"
#include "ui/mainframe.h"
#include "ui/wxhost.h"
#include "ui/wxresources.h"

using namespace qzn;
using qzntest::TempDir;

namespace {

void Pump(int rounds = 10) {
  for (int i = 0; i < rounds; ++i) {
    wxTheApp->Yield(true);
    wxMilliSleep(2);
  }
}

class EditTools : public ::testing::Test {
 protected:
  static inline CWxHost* host = nullptr;
  static inline TempDir* dir = nullptr;
  static inline std::string scan;

  static void SetUpTestSuite() {
    dir = new TempDir;
    setenv("XDG_CONFIG_HOME", dir->path().c_str(), 1);
    wxInitAllImageHandlers();
    host = new CWxHost;
    host->scripted = true;
    SetHost(host);
    CDesktop* d = CreateDesktop();
    d->frame->SetSize(0, 0, 1280, 800);
    d->frame->Show();
    Pump(20);
    auto doc = viewtest::MakeDoc(401, 301, viewtest::Kind::kGrey, 1);
    tooltest::DrawStrokes(doc->m_image);
    scan = dir->file("strokes.tif");
    ASSERT_EQ(WriteTiffImage(scan, doc->m_image, 0), 1);
  }
  static void TearDownTestSuite() {
    SetToolDialogScript(nullptr);
    DestroyDesktop();
    Pump();
    SetHost(nullptr);
    delete host;
    delete dir;
    unsetenv("XDG_CONFIG_HOME");
  }
  void SetUp() override {
    host->fileAnswers.push_back({scan});
    ASSERT_TRUE(MainFrame()->Dispatch(cmd::kFileOpen));
    Pump();
    w = MainFrame()->ActiveImageWindow();
    ASSERT_NE(w, nullptr);
    doc = w->View().Document();
    doc->m_nThreshHigh = 128;  // the tracer follows the strokes
  }
  void TearDown() override {
    SetToolDialogScript(nullptr);
    host->answers.assign(4, IDNO);  // nothing saved
    Desktop()->manager->CloseDocuments(true);
    Pump();
    host->messages.clear();
    host->answers.clear();
    host->fileAnswers.clear();
  }

  // The client point of an image point.
  POINT At(float x, float y) const { return w->View().ImageToClientPixel(CFPoint(x, y)); }
  void Mouse(wxEventType type, POINT p, bool left = true) {
    wxMouseEvent e(type);
    e.SetEventObject(w);
    e.SetId(w->GetId());
    e.m_x = p.x;
    e.m_y = p.y;
    e.m_leftDown = left && type != wxEVT_LEFT_UP;
    w->GetEventHandler()->ProcessEvent(e);
  }
  void Click(POINT p) {
    Mouse(wxEVT_LEFT_DOWN, p);
    Mouse(wxEVT_LEFT_UP, p);
  }
  void Drag(POINT a, POINT b, int steps = 5) {
    Mouse(wxEVT_LEFT_DOWN, a);
    for (int i = 1; i <= steps; ++i)
      Mouse(wxEVT_MOTION, POINT{a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps});
    Mouse(wxEVT_LEFT_UP, b);
  }
  void Char(int ch) {
    wxKeyEvent e(wxEVT_CHAR);
    e.SetEventObject(w);
    e.m_keyCode = ch;
    e.m_uniChar = static_cast<wxChar>(ch);
    w->GetEventHandler()->ProcessEvent(e);
  }
  // Whether the menu shows the command enabled, as the frame decides it.
  static bool Enabled(int id) {
    wxUpdateUIEvent e(WxId(id));
    MainFrame()->ProcessWindowEvent(e);
    return e.GetEnabled();
  }
  bool Menu(int id) {
    const bool ran = MainFrame()->Dispatch(id);
    Pump(3);
    return ran;
  }
  // The picture as it is painted now, saved for looking at.
  wxImage Picture(const std::string& name) {
    Pump(3);
    const wxImage img = w->Snapshot();
    const std::string out = std::string(QZN_BINARY_DIR) + "/artifacts/tools-" + name + ".png";
    std::filesystem::create_directories(std::filesystem::path(out).parent_path());
    EXPECT_TRUE(img.SaveFile(out, wxBITMAP_TYPE_PNG));
    return img;
  }
  // Pixels that differ between two pictures.
  static long Differ(const wxImage& a, const wxImage& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return -1;
    long n = 0;
    const unsigned char *p = a.GetData(), *q = b.GetData();
    for (long i = 0; i < long(a.GetWidth()) * a.GetHeight() * 3; i += 3)
      n += p[i] != q[i] || p[i + 1] != q[i + 1] || p[i + 2] != q[i + 2];
    return n;
  }

  CImageWindow* w = nullptr;
  CQznDoc* doc = nullptr;
};

}  // namespace

TEST_F(EditTools, LineToolTracesAStrokeShowsItsRubberSegmentAndUndoes) {
  ASSERT_TRUE(Menu(cmd::kEditLineTool));
  ASSERT_EQ(w->View().editMode, EditMode::kLineEdit);
  auto* tool = dynamic_cast<CLineEditTool*>(w->View().Tool());
  ASSERT_NE(tool, nullptr);
  ASSERT_TRUE(tool->AutoTrace());
  const wxImage before = Picture("line-empty");
  Click(At(60, 200));
  Click(At(100, 200));  // traced on to the stroke's end
  Mouse(wxEVT_MOTION, At(200, 60), false);
  const wxImage rubber = Picture("line-rubber");
  EXPECT_GT(Differ(before, rubber), 100);  // the line drawn and the rubber segment
  Char('x');
  ASSERT_EQ(doc->m_lines.GetCount(), 1);
  EXPECT_GT(doc->m_lines.GetHead()->Points().back().x, 235.0f);
  // The line shown inverted while it is pressed in "加亮线段".
  ASSERT_TRUE(Menu(cmd::kLineShow));
  Mouse(wxEVT_LEFT_DOWN, At(150, 200));
  const wxImage shown = Picture("line-highlighted");
  Mouse(wxEVT_LEFT_UP, At(150, 200));
  const wxImage after = Picture("line-drawn");
  EXPECT_GT(Differ(after, shown), 50);
  ASSERT_TRUE(Menu(cmd::kEditUndo));
  EXPECT_EQ(doc->m_lines.GetCount(), 0);
  // The context menu lists the tool's commands, its sub-mode checked.
  w->View().Tool()->UpdateMenu();
  const auto& items = w->View().Tool()->Popup();
  EXPECT_TRUE(std::any_of(items.begin(), items.end(),
                          [](const ContextMenuItem& i) { return i.id == cmd::kLineShow && i.checked; }));
  ASSERT_TRUE(Menu(cmd::kEditLineTool));
  EXPECT_EQ(w->View().editMode, EditMode::kDefault);
}

// One smoke per other tool: its mode entered from the menu, one gesture
// with wx events, the result in the document (and in the picture where the
// tool shows feedback), Undo from the menu where the tool has it.
TEST_F(EditTools, PointToolAddsAPointAndUndoes) {
  ASSERT_TRUE(Menu(cmd::kEditPointTool));
  ASSERT_EQ(w->View().editMode, EditMode::kPointEdit);
  Click(At(120, 150));
  ASSERT_EQ(doc->m_points.GetCount(), 1);
  Picture("point-added");
  ASSERT_TRUE(Menu(cmd::kEditUndo));
  EXPECT_EQ(doc->m_points.GetCount(), 0);
}

TEST_F(EditTools, ControlPointDialogShowsTheStatusBarsNumbersInFieldsWideEnough) {
  // Zoomed, so a click lies between image pixels.
  ASSERT_TRUE(Menu(cmd::kViewZoomIn));
  ASSERT_TRUE(Menu(cmd::kEditControlPointTool));
  // A point picked for the next control point (as from another image).
  ASSERT_TRUE(Menu(cmd::kCpPick));
  Click(POINT{333, 217});
  ASSERT_TRUE(g_pickedPoint.pending);
  ASSERT_TRUE(Menu(cmd::kCpNew));
  auto decimals = [](const std::string& t) {
    const auto dot = t.find('.');
    return dot == std::string::npos ? 0 : static_cast<int>(t.size() - dot - 1);
  };
  std::string texts[4];
  guitest::WhenShown<CModelDialog>([&](CModelDialog& d) {
    const int ids[4] = {CControlPtDlg::kImageX, CControlPtDlg::kImageY, CControlPtDlg::kMapX, CControlPtDlg::kMapY};
    for (int i = 0; i < 4; ++i) {
      texts[i] = d.Controls().GetText(ids[i]);
      EXPECT_LE(decimals(texts[i]), 4) << texts[i];
    }
    guitest::CheckDialogLayout(d, "control-point");
    guitest::SaveDialogPicture(d, "control-point");
    // A UTM northing with the status bar's four decimals fits its field.
    for (int id : ids) {
      auto* edit = dynamic_cast<wxTextCtrl*>(d.FindWindow(id));
      ASSERT_NE(edit, nullptr);
      EXPECT_LT(edit->GetTextExtent("4412345.1234").x + 12, edit->GetClientSize().x);
    }
    guitest::Click(d, wxID_OK);
  });
  Click(POINT{301, 199});
  ASSERT_EQ(doc->m_controlPts.GetCount(), 1);
  const CControlPt& cp = *doc->m_controlPts.GetHead();
  // What was stored is what was shown, which is what the status bar showed.
  double x = 0, y = 0;
  w->View().CursorCoordsAt(POINT{301, 199}, x, y);
  EXPECT_EQ(cp.m_imageX, CoordinateAsShown(x));
  EXPECT_EQ(cp.m_imageY, CoordinateAsShown(y));
  EXPECT_EQ(FormatC("%.4f", cp.m_imageX), FormatC("%.4f", x));
  w->View().CursorCoordsAt(POINT{333, 217}, x, y);
  EXPECT_EQ(FormatC("%.4f", cp.m_mapX), FormatC("%.4f", x));
  EXPECT_EQ(texts[2], FormatNumber(cp.m_mapX));
}

TEST_F(EditTools, ControlPointToolMovesAPoint) {
  doc->m_controlPts.AddNew()->m_imageX = 100;
  ASSERT_TRUE(Menu(cmd::kEditControlPointTool));
  ASSERT_EQ(w->View().editMode, EditMode::kControlPoint);
  ASSERT_TRUE(Menu(cmd::kCpMove));
  Drag(At(100, 0), At(150, 60));
  EXPECT_NEAR(doc->m_controlPts.GetHead()->m_imageX, 150.0, 1.0);
  EXPECT_NEAR(doc->m_controlPts.GetHead()->m_imageY, 60.0, 1.0);
}

TEST_F(EditTools, AnnotationToolMovesANoteShowingItsFrame) {
  doc->m_notes.AddNote(RECT{80, 140, 160, 170}, "注释");
  ASSERT_TRUE(Menu(cmd::kEditNoteTool));
  ASSERT_EQ(w->View().editMode, EditMode::kAnnotation);
  ASSERT_TRUE(Menu(cmd::kNoteMove));
  const wxImage before = Picture("note-before");
  Mouse(wxEVT_LEFT_DOWN, At(120, 155));
  Mouse(wxEVT_MOTION, At(140, 175));
  const wxImage moving = Picture("note-moving");
  EXPECT_GT(Differ(before, moving), 50);  // the frame, inverted
  Mouse(wxEVT_LEFT_UP, At(140, 175));
  EXPECT_NEAR(doc->m_notes.GetHead()->m_rect.left, 100, 1);
}

TEST_F(EditTools, TextBlockToolAddsABlock) {
  doc->m_lines.NewChain()->AddPoint(1, 1);  // the mode wants lines
  ASSERT_TRUE(Menu(cmd::kEditTextBlockTool));
  ASSERT_EQ(w->View().editMode, EditMode::kTextBlock);
  Drag(At(60, 20), At(120, 60));
  ASSERT_EQ(doc->m_textBlocks.GetCount(), 1);
  Picture("block-added");
}

TEST_F(EditTools, RegionToolDrawsARectangle) {
  ASSERT_TRUE(Menu(cmd::kRoiRectangle));
  ASSERT_EQ(w->View().editMode, EditMode::kRoi);
  Drag(At(60, 20), At(160, 90));
  ASSERT_EQ(doc->m_roi.GetCount(), 1);
  Picture("roi-rectangle");
}

TEST_F(EditTools, ImageToolFillsAndUndoes) {
  ASSERT_TRUE(Menu(cmd::kEditImageTool));
  ASSERT_EQ(w->View().editMode, EditMode::kImageEdit);
  SetToolDialogScript([](ToolDialog& d) {
    if (auto* v = dynamic_cast<PixelValueValues*>(&d)) v->value = 128;
    return true;
  });
  ASSERT_TRUE(Menu(cmd::kImageFill));
  const wxImage before = Picture("image-before");
  Click(At(10, 10));
  EXPECT_EQ(doc->m_image.GetRow(10, 0)[10], 128);
  const wxImage filled = Picture("image-filled");
  EXPECT_GT(Differ(before, filled), 1000);
  ASSERT_TRUE(Menu(cmd::kEditUndo));
  EXPECT_EQ(doc->m_image.GetRow(10, 0)[10], 255);
}

TEST_F(EditTools, AngleToolReportsTheAngleAndEscLeaves) {
  ASSERT_TRUE(Menu(cmd::kAngleCheck));
  ASSERT_EQ(w->View().editMode, EditMode::kAngle);
  Click(At(100, 100));
  Mouse(wxEVT_MOTION, At(200, 100), false);
  Click(At(200, 100));
  Mouse(wxEVT_MOTION, At(100, 20), false);
  Picture("angle-arms");
  Click(At(100, 20));
  ASSERT_FALSE(host->messages.empty());
  EXPECT_EQ(host->messages.back(), "角度是 90.000000 度。");
  Char(27);
  Pump(3);
  EXPECT_EQ(w->View().editMode, EditMode::kDefault);
}

TEST_F(EditTools, MergeToolFloatsAPictureAndEscDropsIt) {
  host->fileAnswers.push_back({scan});
  ASSERT_TRUE(Menu(cmd::kMergeOpen));
  ASSERT_EQ(w->View().editMode, EditMode::kMergeImage);
  const wxImage floating = Picture("merge-floating");
  Drag(At(100, 100), At(130, 110));
  auto* tool = dynamic_cast<CMergeImageTool*>(w->View().Tool());
  ASSERT_NE(tool, nullptr);
  EXPECT_NEAR(tool->FloatingRect().left, 50, 1);
  const wxImage moved = Picture("merge-moved");
  EXPECT_GT(Differ(floating, moved), 100);
  std::vector<BYTE> image(doc->m_image.GetPlane(0), doc->m_image.GetPlane(0) + doc->m_image.GetPlaneBytes());
  Char(27);
  Pump(3);
  EXPECT_EQ(w->View().editMode, EditMode::kDefault);
  EXPECT_TRUE(std::equal(image.begin(), image.end(), doc->m_image.GetPlane(0)));
}

TEST_F(EditTools, TracingOnBlankPaperKeepsTheViewAndEveryUndoStepShows) {
  CQznView& v = w->View();
  v.cursorImageX = 200;
  v.cursorImageY = 150;
  ASSERT_TRUE(Menu(cmd::kViewZoomIn));
  ASSERT_TRUE(Menu(cmd::kEditLineTool));
  auto* tool = dynamic_cast<CLineEditTool*>(v.Tool());
  ASSERT_NE(tool, nullptr);
  ASSERT_TRUE(tool->AutoTrace());
  const RECT shown = v.visibleRect;
  // Clicks on the paper well inside the view: each vertex where it was
  // clicked, the view where it was.
  for (const CFPoint p : {CFPoint(150, 150), CFPoint(200, 170), CFPoint(250, 130)}) {
    Click(At(p.x, p.y));
    ASSERT_EQ(doc->m_lines.GetCount(), 1);
    const CFPoint last = doc->m_lines.GetHead()->Points().back();
    EXPECT_NEAR(last.x, p.x, 1.5);
    EXPECT_NEAR(last.y, p.y, 1.5);
    EXPECT_TRUE(v.visibleRect == shown) << p.x << "," << p.y;
  }
  // Near the edge too: nothing was followed, so the picture stays under the
  // cursor and the next click lands where the user aims.
  const CFPoint edge(static_cast<float>(shown.left + 4), 150.0f);
  Click(At(edge.x, edge.y));
  EXPECT_TRUE(v.visibleRect == shown);
  EXPECT_NEAR(doc->m_lines.GetHead()->Points().back().x, edge.x, 1.5);
  EXPECT_EQ(doc->m_lines.GetHead()->GetCount(), 4);
  // A click on a stroke is traced on along it; where the trace ends outside
  // the inner part of the view, the view follows it.
  Click(At(200, 100));
  const CFPoint end = doc->m_lines.GetHead()->Points().back();
  EXPECT_GT(end.x, shown.right - RectWidth(shown) / 8);
  EXPECT_FALSE(v.visibleRect == shown);
  Char('x');
  // One Undo takes the line away, and then there is nothing to undo.
  EXPECT_TRUE(Enabled(cmd::kEditUndo));
  ASSERT_TRUE(Menu(cmd::kEditUndo));
  EXPECT_EQ(doc->m_lines.GetCount(), 0);
  EXPECT_FALSE(Enabled(cmd::kEditUndo));
  // Freehand: clicks without a drag draw nothing and leave no step; a drag
  // draws a line that one Undo takes away.
  ASSERT_TRUE(Menu(cmd::kLineFreehand));
  Click(At(150, 150));
  Click(At(160, 150));
  EXPECT_EQ(doc->m_lines.GetCount(), 0);
  EXPECT_FALSE(Enabled(cmd::kEditUndo));
  Drag(At(120, 140), At(180, 160));
  EXPECT_EQ(doc->m_lines.GetCount(), 1);
  EXPECT_TRUE(Enabled(cmd::kEditUndo));
  ASSERT_TRUE(Menu(cmd::kEditUndo));
  EXPECT_EQ(doc->m_lines.GetCount(), 0);
  EXPECT_FALSE(Enabled(cmd::kEditUndo));
  EXPECT_TRUE(host->messages.empty());
}

TEST_F(EditTools, SetLayerIsGreyWhileLayerZeroIsTheOnlyLayer) {
  // The menu's word, as the main window decides it, follows the tool's.
  for (const auto& [tool, setLayer] :
       {std::pair{cmd::kEditLineTool, cmd::kLineSetLayer}, std::pair{cmd::kEditPointTool, cmd::kPointSetLayer},
        std::pair{cmd::kEditNoteTool, cmd::kNoteSetLayer}}) {
    ASSERT_TRUE(Menu(tool));
    ASSERT_EQ(doc->m_layers.GetCount(), 1);
    EXPECT_FALSE(Enabled(setLayer)) << setLayer;
    const CLayer* added = doc->m_layers.AddLayer();
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(Enabled(setLayer)) << setLayer;
    doc->m_layers.DeleteLayerByID(added->m_nID);
    ASSERT_TRUE(Menu(tool));
  }
}
