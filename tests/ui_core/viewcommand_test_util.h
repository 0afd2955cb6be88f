// The view commands without a window: a view over a generated workspace, a
// host that answers questions and file dialogs from a script, and services
// that record what the window would have done.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/profile.h"
#include "ui/core/displaybitmap.h"
#include "ui/core/viewcommands.h"
#include "view_test_util.h"

namespace viewtest {

struct FakeServices : qzn::IViewServices {
  std::vector<std::string> calls;
  qzn::RgbBitmap clipboard;
  bool colourAnswer = true;
  COLORREF colour = RGB(1, 2, 3);
  bool fontAnswer = true;
  qzn::LOGFONT font{};
  COLORREF fontColour = RGB(4, 5, 6);
  qzn::LOGFONT fontOffered{};
  bool fontOfferedHas = false;
  qzn::LOGFONT windowFont{};
  std::vector<std::string> edited;

  bool RenderView(qzn::CQznView& view, qzn::RgbBitmap& out) override {
    calls.push_back("render");
    return qzn::RenderViewPicture(view, out);
  }
  bool CopyToClipboard(const qzn::RgbBitmap& picture) override {
    calls.push_back("clipboard");
    clipboard = picture;
    return true;
  }
  bool ChooseColor(COLORREF, COLORREF& chosen) override {
    calls.push_back("colour");
    if (colourAnswer) chosen = colour;
    return colourAnswer;
  }
  bool ChooseFont(qzn::LOGFONT& f, COLORREF& c, bool has) override {
    calls.push_back("font");
    fontOffered = f;
    fontOfferedHas = has;
    if (!fontAnswer) return false;
    f = font;
    c = fontColour;
    return true;
  }
  qzn::LOGFONT WindowFont() override { return windowFont; }
  bool OpenInEditor(const std::string& path) override {
    edited.push_back(path);
    return true;
  }
  void Print(qzn::CQznView&) override { calls.push_back("print"); }
  void PrintPreview(qzn::CQznView&) override { calls.push_back("preview"); }
  void PrintSetup() override { calls.push_back("setup"); }
  void PrintWindow(qzn::CQznView&) override { calls.push_back("print window"); }
  void DocumentRenamed(qzn::CQznView&) override { calls.push_back("renamed"); }
};

// Installs the services for a scope.
struct ServicesScope {
  explicit ServicesScope(qzn::IViewServices* s) { qzn::SetViewServices(s); }
  ~ServicesScope() { qzn::SetViewServices(nullptr); }
};

// A profile in a file of its own for a scope.
struct ProfileScope {
  std::unique_ptr<qzn::CProfileStore> store;
  explicit ProfileScope(const std::string& path) : store(std::make_unique<qzn::CProfileStore>(path)) {
    qzn::SetProfile(store.get());
  }
  ~ProfileScope() { qzn::SetProfile(nullptr); }
};

// A line through the vertices, on layer 0, appended to the list.
inline qzn::CChain* AddLine(qzn::CChainList& list, std::initializer_list<std::pair<float, float>> pts,
                            float id = 0.0f) {
  qzn::CChain* c = list.NewChain();
  for (auto [x, y] : pts) c->AddPoint(x, y);
  c->m_fID = id;
  c->CalcBounds();
  return c;
}

}  // namespace viewtest
