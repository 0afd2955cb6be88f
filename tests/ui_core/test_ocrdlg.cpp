// The OCR dialogs: one whole character entered for training, and the
// character set listed by character, deleted from, loaded, saved and
// described.
#include <gtest/gtest.h>

#include "app/charlist.h"
#include "resources/messages_viewcommands.h"
#include "resources/messages_ocrdialogs.h"
#include "tests/support/testutil.h"
#include "tests/ui_core/dialog_test_util.h"
#include "ui/core/ocrdlg.h"

using namespace qzn;
namespace text = res::text;

namespace {

void AddChars(CCharList& set, std::initializer_list<int> codes) {
  for (int code : codes) {
    CChar* ch = set.AddNew();
    ch->m_nCode = code;
    ASSERT_TRUE(ch->AllocGrid(set.m_nGridWidth, set.m_nGridHeight));
    ch->m_pGrid[code % 32] = 1;
  }
}

struct Ocr : qzntest::DialogFixture {
  qzntest::TempDir dir;
};

}  // namespace

TEST_F(Ocr, TrainingTakesOneWholeCharacter) {
  struct Case {
    const char* typed;
    bool accepted;
    int code;
  } cases[] = {
      {"中", true, 0x4E2D},  {"A", true, 'A'}, {"", true, -1},
      {"𠀀", true, 0x20000}, {"ab", false, 0}, {"中文", false, 0},
  };
  for (const Case& k : cases) {
    COcrTrainDlg dlg;
    qzntest::FakeControls t;
    dlg.InitDialog(t);
    EXPECT_EQ(t.focus, COcrTrainDlg::kCharacter);
    t.text[COcrTrainDlg::kCharacter] = k.typed;
    EXPECT_EQ(dlg.OnOK(t), k.accepted) << k.typed;
    if (k.accepted) {
      EXPECT_EQ(dlg.Code(), k.code) << k.typed;
    }
  }
}

TEST_F(Ocr, SignaturesAreListedAsCharactersAndDeletedOnlyWhenChosen) {
  CCharList set;
  AddChars(set, {'A', 0x4E2D, 0x20000});
  COcrSignatureDlg dlg(&set);
  dlg.InitDialog(c);
  EXPECT_EQ(c.items[COcrSignatureDlg::kList], (std::vector<std::string>{"A", "中", "𠀀"}));
  EXPECT_EQ(c.focus, COcrSignatureDlg::kList);
  dlg.OnClicked(COcrSignatureDlg::kDelete, c);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{text::kChooseCharacterToDelete});
  EXPECT_EQ(set.GetCount(), 3);
  qzntest::Choose(dlg, c, COcrSignatureDlg::kList, 1);
  dlg.OnClicked(COcrSignatureDlg::kDelete, c);
  EXPECT_EQ(c.items[COcrSignatureDlg::kList], (std::vector<std::string>{"A", "𠀀"}));
  ASSERT_EQ(set.GetCount(), 2);
  EXPECT_EQ(set.GetTail()->m_nCode, 0x20000);
}

TEST_F(Ocr, SaveLoadAndCloseKeepTheDescription) {
  CCharList set;
  set.m_strDescription = "old";
  AddChars(set, {'1', '2'});
  COcrSignatureDlg dlg(&set);
  dlg.InitDialog(c);
  EXPECT_EQ(c.GetText(COcrSignatureDlg::kDescription), "old");
  const std::string path = dir.file("digits.ocr");
  c.text[COcrSignatureDlg::kDescription] = "数字 1 和 2";
  host.fileAnswers = {{path}};
  dlg.OnClicked(COcrSignatureDlg::kSave, c);
  EXPECT_EQ(set.m_strDescription, "数字 1 和 2");

  // Another set in the dialog: loading replaces its list and description.
  CCharList other;
  AddChars(other, {'x', 'y', 'z'});
  COcrSignatureDlg load(&other);
  qzntest::FakeControls l;
  load.InitDialog(l);
  host.fileAnswers = {{path}};
  load.OnClicked(COcrSignatureDlg::kLoad, l);
  EXPECT_EQ(l.items[COcrSignatureDlg::kList], (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(l.GetText(COcrSignatureDlg::kDescription), "数字 1 和 2");

  // A damaged file: the set stays, and the dialog shows it as it is.
  qzntest::WriteFileText(dir.file("bad.ocr"), "not an OCR file\n");
  host.messages.clear();
  l.text[COcrSignatureDlg::kDescription] = "typed, not kept";
  host.fileAnswers = {{dir.file("bad.ocr")}};
  load.OnClicked(COcrSignatureDlg::kLoad, l);
  ASSERT_FALSE(host.messages.empty());
  EXPECT_EQ(host.messages.back().text, text::kLoadOcrError);
  EXPECT_EQ(l.items[COcrSignatureDlg::kList], (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(l.GetText(COcrSignatureDlg::kDescription), "数字 1 和 2");

  // Closing keeps a typed description in the set, saved or not.
  l.text[COcrSignatureDlg::kDescription] = "edited";
  ASSERT_TRUE(load.OnOK(l));
  EXPECT_EQ(other.m_strDescription, "edited");
  l.text[COcrSignatureDlg::kDescription] = std::string(256, 'd');
  EXPECT_FALSE(load.OnOK(l));  // too long: refused, the dialog stays
  EXPECT_EQ(other.m_strDescription, "edited");
}
