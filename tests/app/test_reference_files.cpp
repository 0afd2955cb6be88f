// Loading and saving the workspace's spatial reference: control points and
// the world file replace each other only after the new file was read and
// found usable; a declined question or a failed read keeps both as they were.
#include <gtest/gtest.h>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "platform/textfile.h"
#include "tests/support/testutil.h"

namespace {

using namespace qzn;
using qzntest::TempDir;

const char* kPoints = "0 0 1000 2000\n10 0 1010 2000\n0 10 1000 1990\n10 10 1010 1990\n";
const char* kWorldFile = "2\n0\n0\n-2\n500\n600\n";

struct References {
  int terms;
  double c;
  std::int64_t points;
};
References Of(const CQznDoc& doc) { return {doc.m_tfw.m_nTerms, doc.m_tfw.m_C, doc.m_controlPts.GetCount()}; }
bool operator==(const References& a, const References& b) {
  return a.terms == b.terms && a.c == b.c && a.points == b.points;
}
std::ostream& operator<<(std::ostream& os, const References& r) {
  return os << "{terms " << r.terms << ", C " << r.c << ", points " << r.points << "}";
}

class ReferenceFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    cpt = dir.file("a.cpt");
    tfw = dir.file("a.tfw");
    qzntest::WriteFileText(cpt, kPoints);
    qzntest::WriteFileText(tfw, kWorldFile);
    qzntest::WriteFileText(dir.file("bad.cpt"), "nan 1 2 3\n");
    qzntest::WriteFileText(dir.file("bad.tfw"), "1\n0\n0\n");
  }
  void WithWorldFile() {
    doc.m_tfw.m_A = 1;
    doc.m_tfw.m_E = -1;
    doc.m_tfw.m_C = 77;
    doc.m_tfw.m_nTerms = 3;
  }
  void WithTwoPoints() {
    *doc.m_controlPts.AddNew() = CControlPt(1, 1, 5, 5);
    *doc.m_controlPts.AddNew() = CControlPt(2, 1, 6, 5);
  }

  CScriptedHost host;
  CHostScope scope{&host};
  CQznDoc doc;
  TempDir dir;
  std::string cpt, tfw;
};

TEST_F(ReferenceFiles, ControlPointsReplaceTheWorldFile) {
  WithWorldFile();
  host.answers.push_back(IDNO);
  EXPECT_EQ(doc.LoadControlPoints(cpt), 1);
  EXPECT_EQ(Of(doc), (References{3, 77, 0}));
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"TFW 数据将被控制点取代，继续吗?"});

  // Yes, but the file holds no usable point: the world file stays.
  for (const std::string& bad : {dir.file("bad.cpt"), dir.file("missing.cpt")}) {
    SCOPED_TRACE(bad);
    host.messages.clear();
    host.answers.push_back(IDYES);
    EXPECT_EQ(doc.LoadControlPoints(bad), 0);
    EXPECT_EQ(Of(doc), (References{3, 77, 0}));
    ASSERT_EQ(host.messages.size(), 2u);  // the question, then one failure
  }
  EXPECT_EQ(host.messages[1].text, "读取控制点文件出错。");

  host.answers.push_back(IDYES);
  EXPECT_EQ(doc.LoadControlPoints(cpt), 1);
  EXPECT_EQ(Of(doc), (References{0, 0, 4}));
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathControlPoints], cpt);
}

TEST_F(ReferenceFiles, ExistingPointsAreReplacedOrKept) {
  WithTwoPoints();
  host.answers.push_back(IDNO);  // keep them: the file's points are added
  EXPECT_EQ(doc.LoadControlPoints(cpt), 1);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"移除现有的控制点吗?"});
  EXPECT_EQ(doc.m_controlPts.GetCount(), 6);
  host.answers.push_back(IDYES);
  EXPECT_EQ(doc.LoadControlPoints(cpt), 1);
  EXPECT_EQ(doc.m_controlPts.GetCount(), 4);
  // Yes to removing them, then a file that cannot be used: they stay.
  host.answers.push_back(IDYES);
  EXPECT_EQ(doc.LoadControlPoints(dir.file("bad.cpt")), 0);
  EXPECT_EQ(doc.m_controlPts.GetCount(), 4);
}

TEST_F(ReferenceFiles, WorldFileReplacesControlPoints) {
  WithTwoPoints();
  host.answers.push_back(IDNO);
  EXPECT_EQ(doc.LoadWorldFile(tfw), 1);
  EXPECT_EQ(Of(doc), (References{0, 0, 2}));
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"这新的 TFW 数据将被控制点取代，继续吗?"});

  const struct {
    std::string path;
    std::string message;
  } failures[] = {
      {dir.file("bad.tfw"), "空间参照无效, 没有使用: " + dir.file("bad.tfw") + " (需要六个数值)"},
      {dir.file("missing.tfw"), "读取控制点文件出错。"},
  };
  for (const auto& f : failures) {
    SCOPED_TRACE(f.path);
    host.messages.clear();
    host.answers.push_back(IDYES);
    EXPECT_EQ(doc.LoadWorldFile(f.path), 0);
    EXPECT_EQ(Of(doc), (References{0, 0, 2}));
    EXPECT_EQ(host.Texts(), (std::vector<std::string>{"这新的 TFW 数据将被控制点取代，继续吗?", f.message}));
  }

  host.answers.push_back(IDYES);
  EXPECT_EQ(doc.LoadWorldFile(tfw), 1);
  EXPECT_EQ(Of(doc), (References{3, 500, 0}));
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathWorldFile], tfw);
}

TEST_F(ReferenceFiles, SavingControlPoints) {
  WithTwoPoints();
  const std::string out = dir.file("saved.cpt");
  EXPECT_EQ(doc.SaveControlPoints(out), 1);
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathControlPoints], out);
  CQznDoc back;
  EXPECT_EQ(back.LoadControlPoints(out), 1);
  EXPECT_EQ(back.m_controlPts.GetCount(), 2);

  EXPECT_EQ(doc.SaveControlPoints(dir.file("no/such/folder/x.cpt")), 0);
  EXPECT_EQ(host.Texts(), std::vector<std::string>{"保存控制点出错。"});
  EXPECT_EQ(doc.m_paths[CQznDoc::kPathControlPoints], out);
}

}  // namespace
