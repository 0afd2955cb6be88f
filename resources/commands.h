// Command ids of the menus, toolbars, accelerators and context menus. The
// numbers are the ones the project and shortcut files store, so they never
// change; commands that have no stored number yet take one from 34000 up.
#pragma once

namespace qzn::cmd {

enum : int {
  kSeparator = 0,

  // File
  kFileNew = 57600,
  kFileOpen = 57601,
  kFileSaveProject = 33027,
  kFileSaveProjectAs = 57603,
  kFileSaveImageAs = 57604,
  kFileImportVector = 32805,
  kFileImportGeoVector = 32957,
  kFileExportVector = 32804,
  kFileSaveVectorAsImage = 33104,
  kFileSaveWindow = 33064,
  kFileLoadControlPoints = 32824,
  kFileSaveControlPoints = 32823,
  kFileSaveWorldFile = 32879,
  kFileSaveLayers = 33015,
  kFileLoadLayers = 33016,
  kFileLoadTextBlocks = 32928,
  kFileSaveTextBlocks = 32929,
  kFileLoadOcr = 32918,
  kFileSaveOcr = 32917,
  kFileLoadRecords = 32926,
  kFileSaveRecords = 32925,
  kFile3DGrid = 32988,
  kFile3DDem = 33021,
  kFile3DOverlay = 33022,
  kFileOpen3D = 34001,
  kFileRawImage = 34002,
  kFileSelectScanner = 34003,
  kFileScanImage = 34004,
  kFilePrint = 57607,
  kFilePrintPreview = 57609,
  kFilePrintSetup = 57606,
  kFilePrintScreen = 32857,
  kFilePrintWindow = 32858,
  kFileMru1 = 57616,  // the four recent files: 57616 to 57619
  kAppExit = 57665,

  // Edit
  kEditUndo = 57643,
  kEditCopy = 57634,
  kEditDone = 32796,
  kEditLineTool = 32802,
  kEditPointTool = 32859,
  kEditControlPointTool = 32812,
  kEditTextBlockTool = 32887,
  kEditNoteTool = 32921,
  kEditImageTool = 32774,
  kEditDefineLayers = 33011,
  kEditLayerOps = 33013,

  // View
  kViewZoomIn = 32768,
  kViewZoomOut = 32877,
  kViewFullView = 34010,
  kViewPreviousView = 34011,
  kViewOverview = 32985,
  kViewContrast = 32770,
  kViewToolBar = 34012,  // shows or hides the view toolbar ("工具栏")
  kViewViewBar = 34013,  // shows or hides the basic toolbar ("视图栏")
  kViewShortcutKeys = 33111,
  kViewFillPolygons = 32942,
  kOverlayImage = 32838,
  kOverlayRoi = 32896,
  kOverlayLines = 32846,
  kOverlayNodes = 32839,
  kOverlayEndPoints = 32840,
  kOverlayLineIds = 32908,
  kOverlayPoints = 32873,
  kOverlayPointIds = 32907,
  kOverlayControlPoints = 32841,
  kOverlayControlPointIds = 33044,
  kOverlayTriangulation = 32936,
  kOverlayTextBlocks = 32886,
  kOverlayNotes = 32920,
  kOverlayNoteFrames = 33045,
  kOverlayCrossMarks = 32946,

  // Image
  kImageInfo = 32773,
  kImageThreshold = 32829,
  kImageMosaic = 34021,
  kImageComposite = 34022,
  kImageRotate = 32902,

  // Vector
  kVectorAutoVectorize = 32792,
  kLineSetSmoothing = 33043,
  kVectorBatch = 34030,
  kVectorSmooth = 32825,
  kVectorSnap = 32830,
  kVectorDeleteById = 32852,

  // Help
  kAppAbout = 57664,

  // The 3D view's own menu (zoom, copy and the two print commands share
  // the numbers of the main window's)
  k3DSettings = 32989,
  k3DScale = 33097,
  k3DAnimate = 33069,
  k3DLookDown = 33068,  // "俯视": tilt 2 degrees more
  k3DLookUp = 33067,    // "仰视": tilt 2 degrees less
  k3DTurnLeft = 33065,
  k3DTurnRight = 33066,
  k3DSaveWindow = 33024,
  k3DExportModel = 33040,
  kEditCut = 57635,
  kFileClose = 57602,

  // The layer combo of the view toolbar takes the place of button 28.
  kLayerCombo = 4,
};

}  // namespace qzn::cmd
