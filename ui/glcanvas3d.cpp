#include "ui/glcanvas3d.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glx.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <string>

#include <wx/dcclient.h>
#include <wx/gdicmn.h>

#include "app/qzndoc.h"
#include "model/helpers.h"
#include "platform/host.h"
#include "resources/messages_view3d.h"
#include "terrain/colorramp.h"
#include "terrain/opengldoc.h"
#include "ui/core/qznview.h"
#include "ui/dialogs3d.h"
#include "ui/mainframe.h"

namespace qzn {

namespace {

// Constants of OpenGL 1.2 and of framebuffer objects, which the 1.1 headers
// may lack.
constexpr GLenum kTextureMaxLevel = 0x813D;
constexpr GLenum kFramebuffer = 0x8D40;
constexpr GLenum kRenderbuffer = 0x8D41;
constexpr GLenum kColourAttachment0 = 0x8CE0;
constexpr GLenum kDepthAttachment = 0x8D00;
constexpr GLenum kFramebufferComplete = 0x8CD5;
constexpr GLenum kRgba8 = 0x8058;
constexpr GLenum kDepthComponent16 = 0x81A5;
constexpr GLenum kDepthComponent24 = 0x81A6;
constexpr GLenum kDepthComponent32 = 0x81A7;

// The largest texture page of the drape's tiles, and what all pages of one
// drape may take; beyond it every cell keeps a texture of its own.
constexpr int kPageSideLimit = 4096;
constexpr std::int64_t kAtlasBudget = std::int64_t{256} << 20;

// Framebuffer objects are no part of OpenGL 1.1: their entry points come
// from the driver, as OpenGL 3.0 or one of the two extensions names them.
struct CFramebufferApi {
  using GenFn = void (*)(GLsizei, GLuint*);
  using DeleteFn = void (*)(GLsizei, const GLuint*);
  using BindFn = void (*)(GLenum, GLuint);
  using StorageFn = void (*)(GLenum, GLenum, GLsizei, GLsizei);
  using AttachFn = void (*)(GLenum, GLenum, GLenum, GLuint);
  using CheckFn = GLenum (*)(GLenum);
  GenFn genFramebuffers = nullptr, genRenderbuffers = nullptr;
  DeleteFn deleteFramebuffers = nullptr, deleteRenderbuffers = nullptr;
  BindFn bindFramebuffer = nullptr, bindRenderbuffer = nullptr;
  StorageFn renderbufferStorage = nullptr;
  AttachFn framebufferRenderbuffer = nullptr;
  CheckFn checkFramebufferStatus = nullptr;

  bool Load() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    const std::string ext = extensions ? extensions : "";
    std::string suffix;
    if ((version && std::atoi(version) >= 3) || ext.find("GL_ARB_framebuffer_object") != std::string::npos)
      suffix = "";
    else if (ext.find("GL_EXT_framebuffer_object") != std::string::npos)
      suffix = "EXT";
    else
      return false;
    auto get = [&](const char* name) {
      const std::string full = std::string(name) + suffix;
      return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(full.c_str()));
    };
    genFramebuffers = reinterpret_cast<GenFn>(get("glGenFramebuffers"));
    genRenderbuffers = reinterpret_cast<GenFn>(get("glGenRenderbuffers"));
    deleteFramebuffers = reinterpret_cast<DeleteFn>(get("glDeleteFramebuffers"));
    deleteRenderbuffers = reinterpret_cast<DeleteFn>(get("glDeleteRenderbuffers"));
    bindFramebuffer = reinterpret_cast<BindFn>(get("glBindFramebuffer"));
    bindRenderbuffer = reinterpret_cast<BindFn>(get("glBindRenderbuffer"));
    renderbufferStorage = reinterpret_cast<StorageFn>(get("glRenderbufferStorage"));
    framebufferRenderbuffer = reinterpret_cast<AttachFn>(get("glFramebufferRenderbuffer"));
    checkFramebufferStatus = reinterpret_cast<CheckFn>(get("glCheckFramebufferStatus"));
    return genFramebuffers && genRenderbuffers && deleteFramebuffers && deleteRenderbuffers && bindFramebuffer &&
           bindRenderbuffer && renderbufferStorage && framebufferRenderbuffer && checkFramebufferStatus;
  }
};

void SetTileParameters() {
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
}

int NextPowerOfTwo(int v) {
  int p = 1;
  while (p < v && p < (1 << 30)) p <<= 1;
  return p;
}

int Log2(int v) {
  int l = 0;
  while ((1 << (l + 1)) <= v) ++l;
  return l;
}

}  // namespace

// ---- the renderer ---------------------------------------------------------------------

// What a frame draws, with the data it keeps between frames: the surface's
// vertices and colours, the index list of its quadrilaterals, and the
// drape's textures.
class C3DRenderer {
 public:
  CFramebufferApi fbo;
  bool fboLoaded = false;
  GLuint framebuffer = 0, colourBuffer = 0, depthBuffer = 0;
  int fbWidth = 0, fbHeight = 0;
  GLenum depthFormat = kDepthComponent24;
  bool uploadEveryFrame = false;

  void InitState();
  void RenderSurface(COpenGLView& view);
  void Release();
  void ReleaseDrape();
  void ReleaseOffscreen();
  std::int64_t TextureCount() const {
    std::int64_t n = static_cast<std::int64_t>(m_pages.size());
    for (const CCellTexture& c : m_cells) n += c.own != 0;
    return n;
  }

 private:
  struct CSurfaceKey {
    const COpenGLDoc* doc = nullptr;
    const float* heights = nullptr;
    int columns = 0, rows = 0;
    float cellSize = 0, range = 0, verticalScale = 0;
    bool operator==(const CSurfaceKey&) const = default;
  };
  struct CDrapeKey {
    const CQznDoc* doc = nullptr;
    const void* pixels = nullptr;
    std::int64_t width = 0, height = 0;
    int bits = 0, planes = 0;
    RECT imageRect{}, bounds{};
    SIZE tile{};
    int columns = 0, rows = 0;
    bool operator==(const CDrapeKey& o) const {
      return doc == o.doc && pixels == o.pixels && width == o.width && height == o.height && bits == o.bits &&
             planes == o.planes && imageRect == o.imageRect && bounds == o.bounds && tile.cx == o.tile.cx &&
             tile.cy == o.tile.cy && columns == o.columns && rows == o.rows;
    }
  };
  // Where a cell's texture lives: a place on a page of tiles, a texture of
  // its own (a tile cut by the image's edge), or none (drawn by colour).
  struct CCellTexture {
    int page = -1;
    float u0 = 0, v0 = 0, du = 1, dv = 1;
    GLuint own = 0;
  };
  struct CPage {
    GLuint texture = 0;
    std::vector<int> cells;
  };

  void UpdateSurface(const COpenGLDoc& doc, float verticalScale, int rampType);
  void DrawColoured();
  void DrawDraped(COpenGLView& view);
  void BuildDrape(COpenGLView& view, const CDrapeKey& key);
  void Corner(int c, int r, float u, float v, bool colour) const;
  void Quad(int cell, float u0, float v0, float du, float dv, bool colour) const;
  int ColumnsOfCells() const { return m_surface.columns - 1; }

  CSurfaceKey m_surfaceKey;
  C3DSurface m_surface;
  int m_rampType = -1;
  std::vector<CRampColor> m_ramp;
  std::vector<float> m_colours;
  std::vector<GLuint> m_indices;
  int m_indexColumns = 0, m_indexRows = 0;

  CDrapeKey m_drapeKey;
  bool m_drapeBuilt = false;
  std::vector<CCellTexture> m_cells;
  std::vector<CPage> m_pages;
  std::vector<float> m_batch;
};

void C3DRenderer::InitState() {
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  SetTileParameters();
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClearDepth(5.0);  // taken as 1.0, the far end
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  glEnable(GL_NORMALIZE);
  fboLoaded = fbo.Load();
  GLint depthBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  // The off-screen frame keeps the window's depth, so it hides what the
  // window hides.
  depthFormat = depthBits >= 32 ? kDepthComponent32 : depthBits > 16 ? kDepthComponent24 : kDepthComponent16;
}

void C3DRenderer::Release() {
  ReleaseDrape();
  ReleaseOffscreen();
}

void C3DRenderer::ReleaseOffscreen() {
  if (fboLoaded) {
    fbo.bindFramebuffer(kFramebuffer, 0);
    if (framebuffer) fbo.deleteFramebuffers(1, &framebuffer);
    if (colourBuffer) fbo.deleteRenderbuffers(1, &colourBuffer);
    if (depthBuffer) fbo.deleteRenderbuffers(1, &depthBuffer);
  }
  framebuffer = colourBuffer = depthBuffer = 0;
  fbWidth = fbHeight = 0;
}

void C3DRenderer::ReleaseDrape() {
  for (CPage& p : m_pages)
    if (p.texture) glDeleteTextures(1, &p.texture);
  for (CCellTexture& c : m_cells)
    if (c.own) glDeleteTextures(1, &c.own);
  m_pages.clear();
  m_cells.clear();
  m_drapeBuilt = false;
  m_drapeKey = CDrapeKey{};
}

void C3DRenderer::UpdateSurface(const COpenGLDoc& doc, float verticalScale, int rampType) {
  const CSurfaceKey key{
      &doc, doc.m_heights.data(), doc.m_nColumns, doc.m_nRows, doc.m_fCellSize, doc.m_fHeightRange, verticalScale};
  const bool rebuilt = !(key == m_surfaceKey);
  if (rebuilt) {
    BuildSurface(doc, verticalScale, m_surface);
    m_surfaceKey = key;
  }
  if (rebuilt || rampType != m_rampType) {
    m_ramp = BuildColorRamp(256, static_cast<RampType>(rampType));
    m_rampType = rampType;
    m_colours.resize(m_surface.rampEntry.size() * 3);
    for (std::size_t i = 0; i < m_surface.rampEntry.size(); ++i)
      std::memcpy(&m_colours[3 * i], m_ramp[m_surface.rampEntry[i]].data(), 3 * sizeof(float));
  }
}

void C3DRenderer::DrawColoured() {
  const int cols = m_surface.columns, rows = m_surface.rows;
  if (cols < 2 || rows < 2) return;
  if (m_indexColumns != cols || m_indexRows != rows) {
    // Every quadrilateral (c, r), (c + 1, r), (c + 1, r + 1), (c, r + 1),
    // row by row: one list for one drawing call.
    m_indices.clear();
    m_indices.reserve(static_cast<std::size_t>(cols - 1) * static_cast<std::size_t>(rows - 1) * 4);
    for (int r = 0; r + 1 < rows; ++r)
      for (int c = 0; c + 1 < cols; ++c) {
        const GLuint a = static_cast<GLuint>(r) * static_cast<GLuint>(cols) + static_cast<GLuint>(c);
        const GLuint d = a + static_cast<GLuint>(cols);
        m_indices.insert(m_indices.end(), {a, a + 1, d + 1, d});
      }
    m_indexColumns = cols;
    m_indexRows = rows;
  }
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, 0, m_surface.positions.data());
  glColorPointer(3, GL_FLOAT, 0, m_colours.data());
  // One call for the whole surface; only a list longer than a call can
  // count is split, on a quadrilateral's boundary.
  constexpr std::size_t kMaxCall = std::size_t{1} << 30;
  for (std::size_t at = 0; at < m_indices.size(); at += kMaxCall) {
    const std::size_t n = std::min(kMaxCall, m_indices.size() - at);
    glDrawElements(GL_QUADS, static_cast<GLsizei>(n), GL_UNSIGNED_INT, m_indices.data() + at);
  }
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
}

void C3DRenderer::Corner(int c, int r, float u, float v, bool colour) const {
  const std::size_t i =
      static_cast<std::size_t>(r) * static_cast<std::size_t>(m_surface.columns) + static_cast<std::size_t>(c);
  glTexCoord2f(u, v);
  if (colour) glColor3fv(&m_colours[3 * i]);
  glVertex3fv(&m_surface.positions[3 * i]);
}

void C3DRenderer::Quad(int cell, float u0, float v0, float du, float dv, bool colour) const {
  const int c = cell % ColumnsOfCells(), r = cell / ColumnsOfCells();
  Corner(c, r, u0, v0, colour);
  Corner(c + 1, r, u0 + du, v0, colour);
  Corner(c + 1, r + 1, u0 + du, v0 + dv, colour);
  Corner(c, r + 1, u0, v0 + dv, colour);
}

void C3DRenderer::BuildDrape(COpenGLView& view, const CDrapeKey& key) {
  ReleaseDrape();
  CWaitCapture wait;
  const COpenGLDoc& doc = *view.Document();
  const CQznDoc& image = *view.drapeDoc;
  const CDrapePlan plan = PlanDrape(doc, view.imageRect, key.bounds);
  m_cells.assign(plan.tiles.size(), CCellTexture{});
  std::vector<BYTE> pixels;
  auto read = [&](const RECT& r) {
    pixels.resize(static_cast<std::size_t>(RectWidth(r)) * static_cast<std::size_t>(RectHeight(r)) * 3);
    return image.GetImageRectRgb(r, pixels.data()) != 0;
  };

  // The tiles' mip-mapped textures are made by GLU from each tile, in a
  // scratch texture: its levels are what the tile's own texture would hold.
  GLuint scratch = 0;
  glGenTextures(1, &scratch);
  glBindTexture(GL_TEXTURE_2D, scratch);
  GLint side = 0, sideY = 0;
  {
    std::vector<BYTE> blank(static_cast<std::size_t>(std::max<long>(plan.tile.cx, 1)) *
                                static_cast<std::size_t>(std::max<long>(plan.tile.cy, 1)) * 3,
                            0);
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, plan.tile.cx, plan.tile.cy, GL_RGB, GL_UNSIGNED_BYTE, blank.data());
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &side);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &sideY);
  }
  GLint maxTexture = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTexture);
  const int pageLimit = std::min(kPageSideLimit, std::max<int>(maxTexture, 64));
  // Tiles of one size share pages: each tile sits in a block twice its
  // size, repeated so that sampling at its edges wraps round as in a
  // texture of its own, at every mip level.
  const int block = 2 * side;
  const int perRow = block > 0 && side == sideY ? pageLimit / block : 0;
  std::vector<int> shared;
  for (std::size_t i = 0; i < plan.tiles.size(); ++i) {
    const RECT& t = plan.tiles[i];
    if (IsRectEmpty(t)) continue;
    if (perRow > 0 && RectWidth(t) == plan.tile.cx && RectHeight(t) == plan.tile.cy) shared.push_back(int(i));
  }
  const std::int64_t perPage = std::int64_t{perRow} * perRow;
  std::int64_t atlasBytes = 0;
  if (perPage > 0 && !shared.empty()) {
    const std::int64_t pages = (static_cast<std::int64_t>(shared.size()) + perPage - 1) / perPage;
    atlasBytes = pages * std::int64_t{pageLimit} * pageLimit * 4 * 4 / 3;
    if (pages == 1) {
      const int n = NextPowerOfTwo(block * static_cast<int>(std::ceil(std::sqrt(double(shared.size())))));
      atlasBytes = std::int64_t{n} * n * 4 * 4 / 3;
    }
  }
  if (atlasBytes > kAtlasBudget) shared.clear();

  // Tiles of their own: cut by the image's edge, or too many to share pages.
  std::vector<char> onPage(plan.tiles.size(), 0);
  for (int i : shared) onPage[static_cast<std::size_t>(i)] = 1;
  for (std::size_t i = 0; i < plan.tiles.size(); ++i) {
    const RECT& t = plan.tiles[i];
    if (IsRectEmpty(t) || onPage[i] || !read(t)) continue;
    glGenTextures(1, &m_cells[i].own);
    glBindTexture(GL_TEXTURE_2D, m_cells[i].own);
    SetTileParameters();
    gluBuild2DMipmaps(GL_TEXTURE_2D, 3, RectWidth(t), RectHeight(t), GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  }

  const int levels = Log2(std::max(side, 1));
  std::vector<BYTE> level;
  for (std::size_t first = 0; first < shared.size(); first += static_cast<std::size_t>(perPage)) {
    const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(perPage), shared.size() - first);
    const int across = static_cast<int>(std::ceil(std::sqrt(double(count))));
    const int pageSide = std::min(pageLimit, NextPowerOfTwo(across * block));
    const int blocksAcross = pageSide / block;
    std::vector<std::vector<BYTE>> buffers(static_cast<std::size_t>(levels) + 1);
    for (int l = 0; l <= levels; ++l) {
      const std::size_t s = static_cast<std::size_t>(std::max(pageSide >> l, 1));
      buffers[static_cast<std::size_t>(l)].assign(s * s * 3, 0);
    }
    CPage page;
    for (std::size_t k = 0; k < count; ++k) {
      const int cell = shared[first + k];
      const int bx = static_cast<int>(k) % blocksAcross, by = static_cast<int>(k) / blocksAcross;
      CCellTexture& ct = m_cells[static_cast<std::size_t>(cell)];
      ct.page = static_cast<int>(m_pages.size());
      ct.u0 = static_cast<float>(bx * block + side / 2) / static_cast<float>(pageSide);
      ct.v0 = static_cast<float>(by * block + side / 2) / static_cast<float>(pageSide);
      ct.du = ct.dv = static_cast<float>(side) / static_cast<float>(pageSide);
      page.cells.push_back(cell);
      if (!read(plan.tiles[static_cast<std::size_t>(cell)])) continue;
      glBindTexture(GL_TEXTURE_2D, scratch);
      gluBuild2DMipmaps(GL_TEXTURE_2D, 3, plan.tile.cx, plan.tile.cy, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
      for (int l = 0; l <= levels; ++l) {
        const int s = std::max(side >> l, 1);
        level.resize(static_cast<std::size_t>(s) * s * 3);
        glGetTexImage(GL_TEXTURE_2D, l, GL_RGB, GL_UNSIGNED_BYTE, level.data());
        const int ps = std::max(pageSide >> l, 1);
        const int ox = (bx * block) >> l, oy = (by * block) >> l;
        BYTE* out = buffers[static_cast<std::size_t>(l)].data();
        // The block holds the tile moved by half its size, repeated: the
        // middle of the block is the tile, its border the wrapped edges.
        for (int y = 0; y < 2 * s; ++y) {
          const int ty = (y - s / 2 + s) % s;
          for (int x = 0; x < 2 * s; ++x) {
            const int tx = (x - s / 2 + s) % s;
            std::memcpy(out + (static_cast<std::size_t>(oy + y) * ps + static_cast<std::size_t>(ox + x)) * 3,
                        level.data() + (static_cast<std::size_t>(ty) * s + static_cast<std::size_t>(tx)) * 3, 3);
          }
        }
      }
    }
    glGenTextures(1, &page.texture);
    glBindTexture(GL_TEXTURE_2D, page.texture);
    SetTileParameters();
    glTexParameteri(GL_TEXTURE_2D, kTextureMaxLevel, levels);
    for (int l = 0; l <= levels; ++l) {
      const int ps = std::max(pageSide >> l, 1);
      glTexImage2D(GL_TEXTURE_2D, l, 3, ps, ps, 0, GL_RGB, GL_UNSIGNED_BYTE,
                   buffers[static_cast<std::size_t>(l)].data());
    }
    m_pages.push_back(std::move(page));
  }
  glDeleteTextures(1, &scratch);
  glBindTexture(GL_TEXTURE_2D, 0);
  m_drapeKey = key;
  m_drapeBuilt = true;
}

void C3DRenderer::DrawDraped(COpenGLView& view) {
  if (!view.drapeDoc) return;
  const COpenGLDoc& doc = *view.Document();
  const int cols = m_surface.columns, rows = m_surface.rows;
  if (cols < 2 || rows < 2) return;
  const bool colour = view.colourOverlay != 0;
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, colour ? GL_MODULATE : GL_DECAL);
  const RECT bounds = DrapeBounds(*view.drapeDoc);
  const int cells = (cols - 1) * (rows - 1);
  // A cell without a tile on the image is drawn in its height's colour.
  auto plain = [&](int cell) {
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_QUADS);
    Quad(cell, 0, 0, 1, 1, true);
    glEnd();
    glEnable(GL_TEXTURE_2D);
  };

  if (uploadEveryFrame) {
    const CDrapePlan plan = PlanDrape(doc, view.imageRect, bounds);
    std::vector<BYTE> pixels;
    glBindTexture(GL_TEXTURE_2D, 0);
    SetTileParameters();
    for (int cell = 0; cell < cells; ++cell) {
      const RECT& t = plan.tiles[static_cast<std::size_t>(cell)];
      pixels.resize(static_cast<std::size_t>(std::max(RectWidth(t), 0)) *
                    static_cast<std::size_t>(std::max(RectHeight(t), 0)) * 3);
      if (IsRectEmpty(t) || !view.drapeDoc->GetImageRectRgb(t, pixels.data())) {
        plain(cell);
        continue;
      }
      gluBuild2DMipmaps(GL_TEXTURE_2D, 3, RectWidth(t), RectHeight(t), GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
      glBegin(GL_QUADS);
      Quad(cell, 0, 0, 1, 1, colour);
      glEnd();
    }
    return;
  }

  const CQznDoc& image = *view.drapeDoc;
  const CDrapeKey key{&image,
                      image.m_image.pixels,
                      image.m_image.width,
                      image.m_image.height,
                      image.m_image.bitsPerSample,
                      image.m_image.planes,
                      view.imageRect,
                      bounds,
                      GetTileSize(view.imageRect, doc),
                      cols,
                      rows};
  if (!m_drapeBuilt || !(key == m_drapeKey)) BuildDrape(view, key);

  // A page's cells in vertex arrays, a bounded batch at a time: texture
  // coordinate, colour and position of each corner (the decal mode of a
  // frame without the colour overlay ignores the colour).
  constexpr std::size_t kBatchCells = 16384;
  constexpr std::size_t kFloatsPerCorner = 8;
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  for (const CPage& page : m_pages) {
    glBindTexture(GL_TEXTURE_2D, page.texture);
    for (std::size_t at = 0; at < page.cells.size(); at += kBatchCells) {
      const std::size_t n = std::min(kBatchCells, page.cells.size() - at);
      m_batch.resize(n * 4 * kFloatsPerCorner);
      float* out = m_batch.data();
      for (std::size_t k = 0; k < n; ++k) {
        const int cell = page.cells[at + k];
        const CCellTexture& t = m_cells[static_cast<std::size_t>(cell)];
        const int c = cell % ColumnsOfCells(), r = cell / ColumnsOfCells();
        const float corners[4][4] = {{float(c), float(r), t.u0, t.v0},
                                     {float(c + 1), float(r), t.u0 + t.du, t.v0},
                                     {float(c + 1), float(r + 1), t.u0 + t.du, t.v0 + t.dv},
                                     {float(c), float(r + 1), t.u0, t.v0 + t.dv}};
        for (const auto& k4 : corners) {
          const std::size_t i = static_cast<std::size_t>(k4[1]) * static_cast<std::size_t>(m_surface.columns) +
                                static_cast<std::size_t>(k4[0]);
          out[0] = k4[2];
          out[1] = k4[3];
          std::memcpy(out + 2, &m_colours[3 * i], 3 * sizeof(float));
          std::memcpy(out + 5, &m_surface.positions[3 * i], 3 * sizeof(float));
          out += kFloatsPerCorner;
        }
      }
      constexpr GLsizei stride = kFloatsPerCorner * sizeof(float);
      glTexCoordPointer(2, GL_FLOAT, stride, m_batch.data());
      glColorPointer(3, GL_FLOAT, stride, m_batch.data() + 2);
      glVertexPointer(3, GL_FLOAT, stride, m_batch.data() + 5);
      glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(n * 4));
    }
  }
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  for (int cell = 0; cell < cells && cell < static_cast<int>(m_cells.size()); ++cell) {
    const CCellTexture& t = m_cells[static_cast<std::size_t>(cell)];
    if (t.page >= 0) continue;
    if (!t.own) {
      plain(cell);
      continue;
    }
    glBindTexture(GL_TEXTURE_2D, t.own);
    glBegin(GL_QUADS);
    Quad(cell, 0, 0, 1, 1, colour);
    glEnd();
  }
  glBindTexture(GL_TEXTURE_2D, 0);
}

void C3DRenderer::RenderSurface(COpenGLView& view) {
  const COpenGLDoc* doc = view.Document();
  if (!doc) return;
  UpdateSurface(*doc, view.verticalScale, FrameRampType(view));
  if (!view.DrapeMode()) {
    glDisable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    DrawColoured();
    return;
  }
  view.UpdateTileSize();
  DrawDraped(view);
}

// ---- the canvas -------------------------------------------------------------------------

namespace {

wxGLAttributes CanvasAttributes() {
  // Double-buffered RGBA with a depth buffer; 24 depth bits where the
  // display has them (picks and hidden surfaces are finer than with 16).
  wxGLAttributes deep;
  deep.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
  if (wxGLCanvas::IsDisplaySupported(deep)) return deep;
  wxGLAttributes plain;
  plain.PlatformDefaults().RGBA().DoubleBuffer().Depth(16).EndList();
  return plain;
}

}  // namespace

C3DCanvas::C3DCanvas(wxWindow* parent, COpenGLDoc* doc)
    : wxGLCanvas(parent, CanvasAttributes(), wxID_ANY, wxDefaultPosition, wxDefaultSize,
                 wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE),
      m_view(std::make_unique<COpenGLView>(doc, this)),
      m_renderer(std::make_unique<C3DRenderer>()),
      m_timer(this, COpenGLView::kRotationTimer) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  m_context = std::make_unique<wxGLContext>(this);
  Bind(wxEVT_PAINT, &C3DCanvas::OnPaint, this);
  Bind(wxEVT_SIZE, &C3DCanvas::OnSize, this);
  Bind(wxEVT_LEFT_DOWN, &C3DCanvas::OnLeftDown, this);
  Bind(wxEVT_TIMER, &C3DCanvas::OnTimer, this, COpenGLView::kRotationTimer);
}

C3DCanvas::~C3DCanvas() {
  m_timer.Stop();
  if (m_ready && MakeCurrent()) m_renderer->Release();
}

wxPoint C3DCanvas::ToGlPixels(const wxPoint& p) const {
  const double s = GetContentScaleFactor();
  return wxPoint(static_cast<int>(p.x * s), static_cast<int>(p.y * s));
}

void C3DCanvas::SyncSize() {
  const wxSize size = GetClientSize();
  const wxPoint gl = ToGlPixels(wxPoint(size.x, size.y));
  m_view->OnSize(gl.x, gl.y);
}

bool C3DCanvas::MakeCurrent() {
  if (!m_context || !m_context->IsOK() || !IsShownOnScreen()) return false;
  return SetCurrent(*m_context);
}

bool C3DCanvas::InitOpenGL() {
  if (m_initTried) return m_ready;
  if (!MakeCurrent()) return false;
  m_initTried = true;
  m_renderer->InitState();
  m_ready = glGetError() == GL_NO_ERROR;
  return m_ready;
}

void C3DCanvas::DrawFrame() {
  const auto start = std::chrono::steady_clock::now();
  const CFrameSetup f = m_view->SetupFrame();
  glViewport(f.viewport[0], f.viewport[1], f.viewport[2], f.viewport[3]);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixd(f.projection.data());
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixd(f.modelView.data());
  glPushMatrix();
  m_renderer->RenderSurface(*m_view);
  glPopMatrix();
  glFinish();
  m_lastFrameMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void C3DCanvas::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  if (!InitOpenGL() || !MakeCurrent()) return;
  if (!m_depthWarned && wxDisplayDepth() < 16) {
    // Once per window: a message at every frame would come back at once.
    m_depthWarned = true;
    AfxMessageBox(res::text::kNeed16BitDisplay, MB_OK | MB_ICONEXCLAMATION);
  }
  SyncSize();
  DrawFrame();
  SwapBuffers();
}

void C3DCanvas::OnSize(wxSizeEvent& e) {
  SyncSize();
  Refresh(false);
  e.Skip();
}

void C3DCanvas::OnLeftDown(wxMouseEvent& e) {
  SetFocus();
  const wxPoint p = ToGlPixels(e.GetPosition());
  m_view->OnLButtonDown(p.x, p.y);
  e.Skip();
}

void C3DCanvas::OnTimer(wxTimerEvent&) { m_view->OnTimer(COpenGLView::kRotationTimer); }

void C3DCanvas::Invalidate() { Refresh(false); }

void C3DCanvas::StartTimer(int id, int milliseconds) {
  if (id == COpenGLView::kRotationTimer) m_timer.Start(milliseconds);
}

void C3DCanvas::StopTimer(int id) {
  if (id == COpenGLView::kRotationTimer) m_timer.Stop();
}

bool C3DCanvas::RunDialog(CDialogModel& dialog) { return RunDialogModal(this, dialog); }

void C3DCanvas::CursorMoved() {
  if (CMainFrame* frame = MainFrame()) frame->SetCoordinateText(FormatCoordinates(g_cursorX, g_cursorY));
}

void C3DCanvas::SetUploadEveryFrame(bool every) {
  m_renderer->uploadEveryFrame = every;
  Refresh(false);
}

std::int64_t C3DCanvas::DrapeTextureCount() const { return m_renderer->TextureCount(); }

bool C3DCanvas::BindOffscreen(int width, int height) {
  C3DRenderer& r = *m_renderer;
  if (!r.fboLoaded || width <= 0 || height <= 0) return false;
  if (!r.framebuffer || r.fbWidth != width || r.fbHeight != height) {
    if (!r.framebuffer) {
      r.fbo.genFramebuffers(1, &r.framebuffer);
      r.fbo.genRenderbuffers(1, &r.colourBuffer);
      r.fbo.genRenderbuffers(1, &r.depthBuffer);
    }
    r.fbo.bindRenderbuffer(kRenderbuffer, r.colourBuffer);
    r.fbo.renderbufferStorage(kRenderbuffer, kRgba8, width, height);
    r.fbo.bindRenderbuffer(kRenderbuffer, r.depthBuffer);
    r.fbo.renderbufferStorage(kRenderbuffer, r.depthFormat, width, height);
    r.fbo.bindRenderbuffer(kRenderbuffer, 0);
    r.fbo.bindFramebuffer(kFramebuffer, r.framebuffer);
    r.fbo.framebufferRenderbuffer(kFramebuffer, kColourAttachment0, kRenderbuffer, r.colourBuffer);
    r.fbo.framebufferRenderbuffer(kFramebuffer, kDepthAttachment, kRenderbuffer, r.depthBuffer);
    r.fbWidth = width;
    r.fbHeight = height;
  }
  r.fbo.bindFramebuffer(kFramebuffer, r.framebuffer);
  if (r.fbo.checkFramebufferStatus(kFramebuffer) != kFramebufferComplete) {
    r.fbo.bindFramebuffer(kFramebuffer, 0);
    return false;
  }
  return true;
}

void C3DCanvas::UnbindOffscreen() {
  if (m_renderer->fboLoaded) m_renderer->fbo.bindFramebuffer(kFramebuffer, 0);
}

bool C3DCanvas::ReadDepth(int x, int y, float& depth) {
  if (!InitOpenGL() || !MakeCurrent()) return false;
  SyncSize();
  const bool offscreen = BindOffscreen(m_view->clientWidth, m_view->clientHeight);
  if (!offscreen) {
    // A driver without framebuffer objects: the window's back buffer, drawn
    // and read but not shown. The window was just clicked, so the point
    // under the pointer is the window's own.
    glDrawBuffer(GL_BACK);
    glReadBuffer(GL_BACK);
  }
  DrawFrame();
  glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
  if (offscreen) UnbindOffscreen();
  return glGetError() == GL_NO_ERROR;
}

void C3DCanvas::DisableOffscreen() {
  if (!InitOpenGL() || !MakeCurrent()) return;
  m_renderer->ReleaseOffscreen();
  m_renderer->fboLoaded = false;
}

namespace {

bool ReadPicture(int width, int height, C3DPicture& picture) {
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
  if (glGetError() != GL_NO_ERROR) return false;
  // GL rows run from the bottom up.
  picture.width = width;
  picture.height = height;
  picture.rgb.resize(rows.size());
  const std::size_t stride = static_cast<std::size_t>(width) * 3;
  for (int y = 0; y < height; ++y)
    std::memcpy(picture.rgb.data() + stride * static_cast<std::size_t>(y),
                rows.data() + stride * static_cast<std::size_t>(height - 1 - y), stride);
  return true;
}

}  // namespace

wxImage C3DCanvas::RenderClientImage() {
  C3DPicture picture;
  if (!Capture(picture) || picture.width <= 0 || picture.height <= 0) return wxImage();
  wxImage image(picture.width, picture.height, false);
  std::copy(picture.rgb.begin(), picture.rgb.end(), image.GetData());
  return image;
}

bool C3DCanvas::Capture(C3DPicture& picture) {
  if (!InitOpenGL() || !MakeCurrent()) return false;
  SyncSize();
  if (!BindOffscreen(m_view->clientWidth, m_view->clientHeight)) return false;
  DrawFrame();
  const bool ok = ReadPicture(m_view->clientWidth, m_view->clientHeight, picture);
  UnbindOffscreen();
  return ok;
}

bool C3DCanvas::ReadBackBuffer(C3DPicture& picture) {
  if (!InitOpenGL() || !MakeCurrent()) return false;
  SyncSize();
  glDrawBuffer(GL_BACK);
  glReadBuffer(GL_BACK);
  DrawFrame();
  return ReadPicture(m_view->clientWidth, m_view->clientHeight, picture);
}

}  // namespace qzn
