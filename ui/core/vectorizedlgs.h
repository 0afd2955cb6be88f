// The dialogs on the road from a scan to lines: the options of automatic
// vectorisation, the grey threshold with its live preview on the view, and
// the smoothing of semi-automatic tracing.
#pragma once

#include <string>

#include "resources/messages_app.h"
#include "ui/core/dataexchange.h"

namespace qzn {

class CQznDoc;
class CQznView;

// Dialog 124 kVectorizeButton.
class CVectorizeDlg : public CDialogModel {
 public:
  enum : int { kId = 124, kCentreLines = 134, kOutlines = 135, kUseThreshold = 136, kUseRoi = 174, kSource = 223 };
  // The entries of the source list, in their order.
  static constexpr const char* kSourceMap = res::text::kSourceMap;
  static constexpr const char* kSourceCad = res::text::kSourceCad;

  int method = 0;                   // 0 centre lines (kCentreLines), 1 region outlines (kOutlines)
  std::string source = kSourceMap;  // handed back as it stands, typed or chosen
  bool useThreshold = false;
  bool useRoi = false;

  // With a document, the threshold box starts checked when the document is
  // grey and has a threshold pair, the ROI box when it has ROI polygons;
  // each box is enabled exactly then.
  explicit CVectorizeDlg(CQznDoc* doc = nullptr);
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;

  bool CanUseThreshold() const;
  bool CanUseRoi() const;
  // Whether a source text means a CAD drawing: the text starts with "CAD"
  // in any letter case (the list's kSourceCad); anything else is a map.
  static bool IsCadSource(const std::string& text);

 private:
  CQznDoc* m_doc;
};

// Dialog 114 kThresholdTitle. The two bars move the values live and preview
// the band on the view; typed values count only when OK reads them. The low
// value never exceeds the high one.
class CThresholdDlg : public CDialogModel {
 public:
  enum : int { kId = 114, kHighEdit = 113, kHighBar = 116, kLowBar = 117, kLowEdit = 169 };
  unsigned high = 0;
  unsigned low = 0;
  CQznView* view = nullptr;  // previews the threshold; may be absent

  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  void OnScroll(int id, int code, int position, IDialogControls& c) override;
  // A grey value typed into an edit moves its bar and the preview at once,
  // as the bar would; the text stays as typed (OK checks it).
  void OnChange(int id, IDialogControls& c) override;
};

// Dialog 188 kAutoTraceTitle.
class CAutoTraceDlg : public CDialogModel {
 public:
  enum : int { kId = 188, kSmoothing = 347 };
  double smoothing = 1.0;  // pixels
  int DialogId() const override { return kId; }
  void DoDataExchange(CDataExchange& dx) override;
  bool PlaceAtCorner() const override { return false; }
};

}  // namespace qzn
