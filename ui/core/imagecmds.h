// The view commands that exist to run the option dialogs of vectorising and
// of the image: automatic vectorisation, the threshold with its preview, the
// tracing smoothing and the image information. Each re-checks its enabler.
// They ask their questions through the host and open their dialogs through
// DoModal, so they run headless.
#pragma once

namespace qzn {

class CQznView;

// Vector > 自动矢量化(&V)...: an image is loaded and the view is not in line
// editing (EditMode::kLineEdit).
bool CanAutoVectorize(const CQznView& view);
void OnVectorAutoVectorize(CQznView& view);

// Image > 设置图像阈值(&E)...: a grey image.
bool CanSetThreshold(const CQznView& view);
// True when the threshold was confirmed with OK.
bool OnImageThreshold(CQznView& view);

// The line tool's "设置平滑": the line tool itself (not a parked stand-in) is
// current in line editing.
bool CanSetSmoothing(const CQznView& view);
void OnSetSmoothing(CQznView& view);

// Image > 信息(&I): an image is loaded.
bool CanShowImageInfo(const CQznView& view);
void OnImageInfo(CQznView& view);

}  // namespace qzn
