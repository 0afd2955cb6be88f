// The 3D window: a tab of the main window titled k3DViewTitle with its own menu
// (文件 and 视图) and the OpenGL canvas of the one open 3D document. Also
// the commands that lead to it: the main window's 打开 3D 文件 and the image
// view's grid, DEM and drape commands.
#pragma once

#include <memory>
#include <string>

#include <wx/mdi.h>

#include "ui/commands.h"

namespace qzn {

class C3DCanvas;
class COpenGLDoc;
class COpenGLView;
class CQznDoc;
struct C3DPicture;
struct CDesktop;

class C3DFrame : public wxMDIChildFrame {
 public:
  C3DFrame(wxMDIParentFrame* parent, std::unique_ptr<COpenGLDoc> doc);
  ~C3DFrame() override;

  C3DCanvas* Canvas() const { return m_canvas; }
  COpenGLDoc& Doc() { return *m_doc; }
  CCommandTable& Commands() { return m_commands; }
  // Runs one of the window's commands when it is enabled.
  bool Dispatch(int id) { return m_commands.Run(id); }

  // 复制: the window's picture to the clipboard.
  void OnEditCopy();
  // 保存窗口到文件: the window's picture as a BMP file.
  void OnSaveWindow();

 private:
  void OnMenu(wxCommandEvent& e);
  void OnUpdateUI(wxUpdateUIEvent& e);
  void OnActivate(wxActivateEvent& e);
  // The picture of the window, or a message why there is none.
  bool CapturePicture(C3DPicture& picture);

  std::unique_ptr<COpenGLDoc> m_doc;
  C3DCanvas* m_canvas = nullptr;
  CCommandTable m_commands;
};

// Opens a grid (.grd) or DEM (.dem) file in the 3D window: 1 when it opened.
// Only one 3D document is open at a time; a second is refused with a
// message, as is a file the document cannot read (it says why).
int Open3DView(const std::string& path);
// The open 3D window, or null.
C3DFrame* Current3DFrame();
COpenGLView* Find3DView();
// A workspace is closing: the 3D window stops draping its image.
void Forget3DDrapeSource(const CQznDoc* doc);

// The main window's 打开 3D 文件 and the image view's 3D commands.
void Register3DCommands(CDesktop& desktop);

}  // namespace qzn
