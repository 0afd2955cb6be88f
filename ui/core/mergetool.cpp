#include "ui/core/mergetool.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "model/helpers.h"
#include "platform/host.h"
#include "raster/imagefile.h"
#include "raster/imaging.h"
#include "raster/mosaic.h"
#include "resources/commands.h"
#include "resources/images.h"
#include "resources/messages_app.h"
#include "resources/messages_common.h"
#include "resources/toolcommands.h"
#include "ui/core/toolhelpers.h"

namespace qzn {

namespace {

constexpr int kSlotPicture = kSlotToolFirstFree;
constexpr int kSlotFrame = kSlotToolFirstFree + 1;

// Nearest whole number, held in the int range.
int HeldRound(double v) {
  if (!(v == v)) return 0;
  return SaturateInt32(static_cast<std::int64_t>(std::clamp(std::round(v), -4e9, 4e9)));
}

}  // namespace

CMergeImageTool::CMergeImageTool(IToolHost& h, CQznDoc* doc) : CEditTool(h, res::kCursorCross), m_doc(doc) {
  m_image.Init();
}

CMergeImageTool::~CMergeImageTool() {
  if (m_drag.active) m_drag.End();
  host.Feedback().Clear(kSlotPicture);
  host.Feedback().Clear(kSlotFrame);
  host.RefreshFeedback();
}

bool CMergeImageTool::AskAndOpen() {
  FileDialogRequest request;
  request.kind = FileDialogKind::open;
  request.flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  request.filter = res::text::kImageFileFilter;
  FileDialogResult chosen;
  {
    CWaitCapture wait;
    chosen = Host().AskFiles(request);
  }
  if (!chosen.accepted || chosen.paths.empty()) return false;
  return OpenImage(chosen.paths.front());
}

bool CMergeImageTool::OpenImage(const std::string& path) {
  CRasterImage read;
  read.Init();
  {
    CWaitCapture wait;
    if (!ReadImageFile(path, read) || !read.HasPixels()) return false;
  }
  m_image.Free();
  m_image.MoveFrom(read);
  m_rect =
      RECT{20, 20, SaturateInt32(std::int64_t{m_image.width} + 20), SaturateInt32(std::int64_t{m_image.height} + 20)};
  BuildPicture();
  ShowPicture();
  return true;
}

bool CMergeImageTool::BuildPicture() {
  m_picture.reset();
  if (!m_image.HasPixels()) return false;
  const CViewTransform& t = host.Transform();
  RECT client = t.ImageToClient(m_rect);
  NormalizeRect(client);
  // The client size the whole floating image covers, cut to the client
  // area's own size: memory never grows with the zoom or the image.
  const std::int64_t cw = std::int64_t{client.right} - client.left, ch = std::int64_t{client.bottom} - client.top;
  const SIZE window = host.ClientSize();
  const std::int64_t maxW = std::max<std::int64_t>(4, window.cx), maxH = std::max<std::int64_t>(1, window.cy);
  const int w = static_cast<int>(std::max<std::int64_t>(4, std::clamp<std::int64_t>(cw, 1, maxW) & ~std::int64_t{3}));
  const int h = static_cast<int>(std::clamp<std::int64_t>(ch, 1, maxH));
  if (w <= 0 || h <= 0) return false;
  const bool rgb = m_image.IsRGB();
  std::vector<BYTE> buffer;
  try {
    buffer.resize(static_cast<std::size_t>(DisplayRowBytes(w, rgb ? kDisplayRGB : 0) * h));
  } catch (const std::bad_alloc&) {
    host.MessageBox(res::text::kOutOfMemory, MB_OK | MB_ICONSTOP);
    return false;
  }
  CImageArea area;
  area.width = m_image.width;
  area.height = m_image.height;
  std::int32_t param = 0;
  BYTE map256[256];
  if (GetDisplayBuffer(&m_image, &area, buffer.data(), w, h, nullptr, map256, &param,
                       kDisplayReset | (rgb ? kDisplayRGB : 0)) < 0)
    return false;
  ViewPalette palette{};
  CreateImagePalette(m_image, palette);
  auto bmp = std::make_shared<RgbBitmap>();
  if (!CreateBitmapFromDib(buffer.data(), w, h, rgb, palette, *bmp)) return false;
  m_picture = std::move(bmp);
  return true;
}

void CMergeImageTool::ShowPicture() {
  RECT client = host.Transform().ImageToClient(m_rect);
  NormalizeRect(client);
  if (m_picture) host.Feedback().Set(kSlotPicture, FeedbackShape::Picture(client, m_picture));
  host.Feedback().Set(kSlotFrame, FeedbackShape::Frame(client));
  host.RefreshFeedback();
}

void CMergeImageTool::Draw(CCanvas&) {
  // After a zoom or a scroll the picture stands where its rectangle now
  // shows (the shapes change only when the place did).
  if (!m_image.HasPixels()) return;
  RECT client = host.Transform().ImageToClient(m_rect);
  NormalizeRect(client);
  const auto& shapes = host.Feedback().Shapes();
  const auto it = shapes.find(kSlotFrame);
  if (it == shapes.end() || !(it->second.geometry == client)) ShowPicture();
}

void CMergeImageTool::OnLButtonDown(POINT p, unsigned) {
  if (!m_image.HasPixels()) return;
  m_drag.Begin(p.x, p.y, true, nullptr, &host);
  m_drag.ClipToClient();
  m_pressRect = m_rect;
  m_pressImage = ClientToImageF(host, p);
}

void CMergeImageTool::OnMouseMove(POINT p, unsigned) {
  if (!m_drag.active) return;
  m_drag.Move(p.x, p.y);
  // The whole drag since the press, rounded once.
  const CFPoint ip = ClientToImageF(host, p);
  RECT r = m_pressRect;
  OffsetRect(r, HeldRound(static_cast<double>(ip.x) - m_pressImage.x),
             HeldRound(static_cast<double>(ip.y) - m_pressImage.y));
  if (!(r == m_rect)) {
    m_rect = r;
    ShowPicture();
  }
  m_drag.Commit();
}

void CMergeImageTool::OnLButtonUp(POINT, unsigned) {
  if (m_drag.active) m_drag.End();
}

void CMergeImageTool::OnCaptureLost() { OnLButtonUp(m_drag.current, 0); }

void CMergeImageTool::OnChar(unsigned ch, unsigned, unsigned) {
  host.PostCommand(ch == 8 || ch == 27 ? cmd::kMergeCancel : cmd::kMergePaste);
}

bool CMergeImageTool::OnCommand(int id) {
  switch (id) {
    case cmd::kMergeOpen: return AskAndOpen();
    case cmd::kMergePaste:
    case cmd::kMergeMerge: {
      if (!m_image.HasPixels()) return false;
      int ok;
      {
        CWaitCapture wait;
        ok = PasteImageRegion(&m_doc->m_image, m_image, m_rect, id == cmd::kMergePaste ? 1 : 0);
      }
      if (!ok) return false;
      m_doc->SetImageModified(1);
      return true;
    }
    default: return false;
  }
}

void CMergeImageTool::FinishAndDrop() {
  if (m_drag.active) m_drag.End();
  host.Feedback().Clear(kSlotPicture);
  host.Feedback().Clear(kSlotFrame);
  host.RefreshFeedback();
  m_picture.reset();
  m_image.Free();
}

}  // namespace qzn
