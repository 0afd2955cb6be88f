// A workspace for driving the edit tools headless: a small generated scan
// (white, with black strokes the tracer can follow) shown at scale 1, so a
// client pixel is the image pixel of the same number, with lines, points,
// notes, text blocks, crossing marks and a second layer.
#pragma once

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resources/commands.h"
#include "resources/toolcommands.h"
#include "ui/core/editcommands.h"
#include "view_test_util.h"

namespace tooltest {

using namespace qzn;

// Black strokes, three pixels wide, on white: a horizontal one across at
// y = 200 from x = 40 to 250 (alone), and a cross of a horizontal (y = 100,
// x 40..360) and a vertical (x = 330, y 20..280) stroke.
inline void DrawStrokes(CRasterImage& img) {
  for (int y = 0; y < img.height; ++y) std::memset(img.GetRow(y, 0), 255, static_cast<std::size_t>(img.width));
  auto box = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) img.GetRow(y, 0)[x] = 0;
  };
  box(40, 199, 250, 201);
  box(40, 99, 360, 101);
  box(329, 20, 331, 280);
}

inline CChain* AddLine(CQznDoc& doc, std::initializer_list<CFPoint> pts, float id = 0.0f, int layer = 0) {
  CChain* c = doc.m_lines.NewChain();
  for (const CFPoint& p : pts) c->AddPoint(p.x, p.y);
  c->m_fID = id;
  c->m_nLayer = layer;
  c->CalcBounds();
  return c;
}

inline std::vector<CFPoint> Vertices(const CChain* c) {
  return std::vector<CFPoint>(c->Points().begin(), c->Points().end());
}

struct ToolTest : ::testing::Test {
  CScriptedHost services;
  CHostScope scope{&services};
  viewtest::FakeWindow window;
  std::unique_ptr<CQznDoc> doc;
  std::unique_ptr<CQznView> view;

  static void SetUpTestSuite() { RegisterEditTools(); }

  // A 401 x 301 grey scan (0 black) with a threshold for tracing, two
  // layers ("0" current, and "1"), shown in a 400 x 300 window at scale 1.
  void SetUp() override {
    doc = viewtest::MakeDoc(401, 301, viewtest::Kind::kGrey, 1);
    DrawStrokes(doc->m_image);
    doc->m_nThreshLow = 0;
    doc->m_nThreshHigh = 128;
    doc->m_layers.AddLayer();
    doc->m_lines.SetTolerance(401, 301);
    window.client = {400, 300};
    view = std::make_unique<CQznView>(doc.get(), &window);
    view->OnInitialUpdate();
    ASSERT_DOUBLE_EQ(view->scaleX, 1.0);
    ASSERT_DOUBLE_EQ(view->scaleY, 1.0);
  }
  void TearDown() override { view.reset(); }

  void Down(int x, int y, unsigned flags = 0) { view->OnLButtonDown(kMkLButton | flags, POINT{x, y}); }
  void Move(int x, int y, bool button = true) { view->OnMouseMove(button ? unsigned{kMkLButton} : 0u, POINT{x, y}); }
  void Up(int x, int y) { view->OnLButtonUp(0, POINT{x, y}); }
  void Click(int x, int y) {
    Down(x, y);
    Up(x, y);
  }
  void Drag(POINT a, POINT b, int steps = 4) {
    Down(a.x, a.y);
    for (int i = 1; i <= steps; ++i) Move(a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps);
    Up(b.x, b.y);
  }
  void Key(unsigned ch) { view->OnChar(ch, 1, 0); }
  bool Command(int id) { return RunEditCommand(*view, id); }
  template <class T>
  T* Tool() {
    return dynamic_cast<T*>(view->Tool());
  }
  // The texts of the messages shown so far.
  std::vector<std::string> Messages() const {
    std::vector<std::string> m;
    for (const auto& r : services.messages) m.push_back(r.text);
    return m;
  }
};

}  // namespace tooltest
