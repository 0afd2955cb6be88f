// A window without a toolkit for the image view, and small generated scans.
#pragma once

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/qzndoc.h"
#include "platform/host.h"
#include "ui/core/qznview.h"

using namespace qzn;

namespace viewtest {

struct FakeWindow : qzn::IViewWindow {
  SIZE client{400, 300};
  int invalidations = 0;
  std::vector<RECT> strips;
  std::vector<RECT> rects;  // partial repaints
  // Answers the tools' dialogs (none: every dialog is cancelled); the ids
  // of the dialogs asked, in order.
  std::function<bool(qzn::ToolDialog&)> dialogs;
  std::vector<int> dialogIds;
  std::function<std::unique_ptr<qzn::INoteDialog>()> noteDialog;
  bool escape = false;
  int hRange = -1, hPos = -1, vRange = -1, vPos = -1;
  int captures = 0, releases = 0;
  std::vector<qzn::ContextMenuItem> menu;
  std::string status;
  int overviewChanges = 0;

  SIZE GetClientSize() const override { return client; }
  void InvalidateAll() override { ++invalidations; }
  void InvalidateStrips(const std::vector<RECT>& s) override { strips.insert(strips.end(), s.begin(), s.end()); }
  void SetScrollBars(int hr, int hp, int vr, int vp) override {
    hRange = hr;
    hPos = hp;
    vRange = vr;
    vPos = vp;
  }
  void CaptureMouse() override { ++captures; }
  void ReleaseMouse() override { ++releases; }
  void ShowContextMenu(const std::vector<qzn::ContextMenuItem>& items, POINT) override { menu = items; }
  void SetStatusText(const std::string& s) override { status = s; }
  void OverviewChanged() override { ++overviewChanges; }
  void InvalidateRect(const RECT& r) override { rects.push_back(r); }
  bool RunDialog(qzn::ToolDialog& d) override {
    dialogIds.push_back(d.id);
    return dialogs ? dialogs(d) : false;
  }
  std::unique_ptr<qzn::INoteDialog> CreateNoteDialog() override { return noteDialog ? noteDialog() : nullptr; }
  bool IsEscapeDown() const override { return escape; }
};

enum class Kind { kGrey, kBilevel, kRgb, kPalette };

// A document holding a generated scan: a grey ramp across, a 1-bit
// checkerboard, an RGB gradient or a palette image; its extent is the image.
inline std::unique_ptr<CQznDoc> MakeDoc(int w, int h, Kind kind, int photometric = 1) {
  auto doc = std::make_unique<CQznDoc>();
  CRasterImage& img = doc->m_image;
  img.Init();
  img.width = w;
  img.height = h;
  img.planes = kind == Kind::kRgb ? 3 : 1;
  img.bitsPerSample = kind == Kind::kBilevel ? 1 : 8;
  img.photometric = kind == Kind::kRgb ? 2 : kind == Kind::kPalette ? 3 : photometric;
  EXPECT_TRUE(img.AllocPixels());
  for (int p = 0; p < img.planes; ++p)
    for (int y = 0; y < h; ++y) {
      BYTE* row = img.GetRow(y, p);
      if (kind == Kind::kBilevel) {
        for (int x = 0; x < w; ++x)
          if (((x / 8) + (y / 8)) % 2) row[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
      } else {
        for (int x = 0; x < w; ++x) row[x] = static_cast<BYTE>((x * 255 / std::max(w - 1, 1) + p * 60 + y) & 0xFF);
      }
    }
  if (kind == Kind::kPalette) {
    EXPECT_TRUE(img.AllocPalette());
    for (int i = 0; i < 256; ++i) {
      img.red[i] = static_cast<BYTE>(i);
      img.green[i] = static_cast<BYTE>(255 - i);
      img.blue[i] = 128;
    }
  }
  doc->ResetExtent();
  return doc;
}

}  // namespace viewtest
