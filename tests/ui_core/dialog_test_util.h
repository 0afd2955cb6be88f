// A workspace with generated lines in a headless view, for the dialogs that
// change the lines: lines made from vertex lists, and the lines read back by
// value so a test sees exactly what a user would.
#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ui_core/fake_dialogs.h"
#include "view_test_util.h"

namespace qzntest {

struct LineValue {
  int layer = 0;
  float id = 0.0f;
  std::vector<qzn::CFPoint> points;
  bool operator==(const LineValue& o) const {
    if (layer != o.layer || id != o.id || points.size() != o.points.size()) return false;
    for (std::size_t i = 0; i < points.size(); ++i)
      if (points[i].x != o.points[i].x || points[i].y != o.points[i].y) return false;
    return true;
  }
  friend std::ostream& operator<<(std::ostream& os, const LineValue& v) {
    os << "{layer " << v.layer << " id " << v.id << ":";
    for (const auto& p : v.points) os << " (" << p.x << "," << p.y << ")";
    return os << "}";
  }
};

inline std::vector<LineValue> Lines(const qzn::CChainList& list) {
  std::vector<LineValue> out;
  for (const qzn::CChain* c : list) out.push_back({c->m_nLayer, c->m_fID, {c->m_points.begin(), c->m_points.end()}});
  return out;
}

inline qzn::CChain* AddLine(qzn::CChainList& list, std::initializer_list<qzn::CFPoint> pts, int layer = 0,
                            float id = 0.0f) {
  qzn::CChain* c = list.NewChain();
  for (const qzn::CFPoint& p : pts) c->AddPoint(p.x, p.y);
  c->m_nLayer = layer;
  c->m_fID = id;
  c->CalcBounds();
  return c;
}

// What a user does in a dialog: types into an edit field, chooses an entry
// of a list; the model hears of it as from the window.
inline void Type(qzn::CDialogModel& model, FakeControls& c, int id, const std::string& text) {
  c.text[id] = text;
  model.OnChange(id, c);
}
inline void Choose(qzn::CDialogModel& model, FakeControls& c, int id, int index) {
  c.SetCurSel(id, index);
  model.OnSelChange(id, c);
}

// A 400 x 300 grey workspace shown in a headless view; the host answers.
struct DialogFixture : ::testing::Test {
  qzn::CScriptedHost host;
  qzn::CHostScope scope{&host};
  viewtest::FakeWindow window;
  std::unique_ptr<qzn::CQznDoc> doc = viewtest::MakeDoc(400, 300, viewtest::Kind::kGrey);
  std::unique_ptr<qzn::CQznView> view = std::make_unique<qzn::CQznView>(doc.get(), &window);
  FakeControls c;

  qzn::CChainList& lines() { return doc->m_lines; }
};

}  // namespace qzntest
