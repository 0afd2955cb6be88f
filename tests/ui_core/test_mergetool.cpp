// The merge image tool headless: the second image floats 20 pixels in,
// follows the whole drag (slow drags at a high zoom included), is pasted by
// any key or dropped by Esc, and its picture never grows past the window.
#include <gtest/gtest.h>

#include "raster/tiffio.h"
#include "tests/support/testutil.h"
#include "tool_test_util.h"
#include "ui/core/mergetool.h"

using namespace qzn;

namespace {

struct MergeTool : tooltest::ToolTest {
  qzntest::TempDir dir;
  std::string second;

  void SetUp() override {
    ToolTest::SetUp();
    // A 60 x 40 grey image of value 9.
    auto small = viewtest::MakeDoc(60, 40, viewtest::Kind::kGrey);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 60; ++x) small->m_image.GetRow(y, 0)[x] = 9;
    second = dir.file("second.tif");
    ASSERT_EQ(WriteTiffImage(second, small->m_image, 0), 1);
  }
  CMergeImageTool* Open() {
    services.fileAnswers.push_back({second});
    EXPECT_TRUE(Command(cmd::kMergeOpen));
    EXPECT_EQ(view->editMode, EditMode::kMergeImage);
    return Tool<CMergeImageTool>();
  }
  BYTE At(int x, int y) const { return doc->m_image.GetRow(y, 0)[x]; }
};

}  // namespace

TEST_F(MergeTool, AKeyPastesWhereTheDragLeftItAndEscDropsIt) {
  CMergeImageTool* t = Open();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->FloatingRect(), (RECT{20, 20, 80, 60}));
  ASSERT_NE(t->Picture(), nullptr);
  EXPECT_LE(t->Picture()->width, 400);
  // Zoomed in four times, each one-pixel move is a quarter image pixel.
  view->scaleX = view->scaleY = 4.0;
  Down(100, 100);
  for (int i = 1; i <= 40; ++i) Move(100 + i, 100);
  Up(140, 100);
  view->scaleX = view->scaleY = 1.0;
  EXPECT_EQ(t->FloatingRect(), (RECT{30, 20, 90, 60}));
  Key('p');
  EXPECT_EQ(view->editMode, EditMode::kDefault);
  EXPECT_EQ(At(30, 20), 9);
  EXPECT_EQ(At(89, 59), 9);
  EXPECT_NE(At(29, 20), 9);

  // Esc: the image stays as it was.
  const BYTE before = At(120, 120);
  t = Open();
  Drag({50, 50}, {150, 150});
  Key(27);
  EXPECT_EQ(view->editMode, EditMode::kDefault);
  EXPECT_EQ(At(120, 120), before);
}

TEST_F(MergeTool, AFileThatCannotBeReadLeavesTheMode) {
  services.fileAnswers.push_back({dir.file("missing.tif")});
  EXPECT_TRUE(Command(cmd::kMergeOpen));
  EXPECT_EQ(view->editMode, EditMode::kDefault);
}
