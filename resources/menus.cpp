#include "resources/menus.h"

#include "resources/commands.h"

namespace qzn::res {

namespace {

using namespace qzn::cmd;

constexpr MenuItem kMainMenu[] = {
    {kFileNew, "文件(&F) > 新建工作空间(&N)\tCtrl+N"},
    {kFileOpen, "文件(&F) > 打开图像或方案(&O)...\tCtrl+O"},
    {kFileRawImage, "文件(&F) > 输入原始图像(&P)..."},
    {kFileOpen3D, "文件(&F) > 打开 3D 文件(&3)..."},
    // A tab has no close box: its workspace closes here, after the same
    // question as closing a document window.
    {kFileClose, "文件(&F) > 关闭(&C)"},
    {0, "文件(&F) > -"},
    {kFileSaveProject, "文件(&F) > 保存方案"},
    {kFileSaveProjectAs, "文件(&F) > 方案另存为(&P)..."},
    {kFileSaveImageAs, "文件(&F) > 图像另存为(&A)..."},
    {kFileSaveWindow, "文件(&F) > 保存窗口..."},
    {0, "文件(&F) > -"},
    {kFileImportVector, "文件(&F) > 输入矢量(&I)..."},
    {kFileImportGeoVector, "文件(&F) > 输入地理坐标矢量(&M)..."},
    {kFileExportVector, "文件(&F) > 输出矢量(&E)..."},
    {kFileSaveVectorAsImage, "文件(&F) > 保存矢量为图像..."},
    {0, "文件(&F) > -"},
    {kFileLoadControlPoints, "文件(&F) > 载入控制点/TFW(&L)..."},
    {kFileSaveControlPoints, "文件(&F) > 保存控制点(&T)..."},
    {kFileSaveWorldFile, "文件(&F) > 保存世界文件(&W)..."},
    {kFileSaveLayers, "文件(&F) > 图层(&L) > 保存图层..."},
    {kFileLoadLayers, "文件(&F) > 图层(&L) > 载入图层..."},
    {32928, "文件(&F) > 字符识别和文本 > 载入文本块..."},
    {32929, "文件(&F) > 字符识别和文本 > 保存文本块..."},
    {32918, "文件(&F) > 字符识别和文本 > 载入 OCR 文件..."},
    {32917, "文件(&F) > 字符识别和文本 > 保存 OCR 文件..."},
    {32926, "文件(&F) > 字符识别和文本 > 载入记录..."},
    {32925, "文件(&F) > 字符识别和文本 > 保存记录..."},
    {32988, "文件(&F) > 3D 数据(&D) > 创建 3D 栅格文件(&C)..."},
    {33021, "文件(&F) > 3D 数据(&D) > 创建 3D 数字高程模型文件(&R)..."},
    {33022, "文件(&F) > 3D 数据(&D) > 三维套合显示..."},
    {0, "文件(&F) > -"},
    {kFilePrint, "文件(&F) > 打印(&R) > 打印(&P)...\tCtrl+P"},
    {kFilePrintPreview, "文件(&F) > 打印(&R) > 打印预览(&V)"},
    {kFilePrintSetup, "文件(&F) > 打印(&R) > 打印设置(&R)..."},
    {kFilePrintScreen, "文件(&F) > 打印(&R) > 打印屏幕"},
    {kFilePrintWindow, "文件(&F) > 打印(&R) > 打印窗口"},
    {0, "文件(&F) > -"},
    {kFileSelectScanner, "文件(&F) > 选择扫描仪..."},
    {kFileScanImage, "文件(&F) > 扫描图像..."},
    {0, "文件(&F) > -"},
    {kAppExit, "文件(&F) > 退出(&X)"},

    {kEditUndo, "编辑(&E) > 撤销(&U)\tCtrl+Z"},
    {kEditCopy, "编辑(&E) > 复制(&C)\tCtrl+C"},
    {kEditDone, "编辑(&E) > 完成"},
    {0, "编辑(&E) > -"},
    {kEditLineTool, "编辑(&E) > 编辑线段 > 编辑线 开/关(&I)"},
    {0, "编辑(&E) > 编辑线段 > -"},
    {32798, "编辑(&E) > 编辑线段 > 新建线(&N)"},
    {32878, "编辑(&E) > 编辑线段 > 自动追踪(&T)"},
    {32977, "编辑(&E) > 编辑线段 > 多线追踪(&M)"},
    {33107, "编辑(&E) > 编辑线段 > 无约束追踪"},
    {33038, "编辑(&E) > 编辑线段 > 新建矩形(&R)"},
    {33037, "编辑(&E) > 编辑线段 > 新建圆(&C)"},
    {33051, "编辑(&E) > 编辑线段 > 平滑线段(&S)"},
    {33061, "编辑(&E) > 编辑线段 > B 样线段(&B)"},
    {33043, "编辑(&E) > 编辑线段 > 设置平滑"},
    {0, "编辑(&E) > 编辑线段 > -"},
    {32818, "编辑(&E) > 编辑线段 > 添加节点(&A)"},
    {32801, "编辑(&E) > 编辑线段 > 移动节点(&N)"},
    {32800, "编辑(&E) > 编辑线段 > 删除节点(&E)"},
    {0, "编辑(&E) > 编辑线段 > -"},
    {32822, "编辑(&E) > 编辑线段 > 分割线段(&P)"},
    {32856, "编辑(&E) > 编辑线段 > 连接线段(&J)"},
    {32880, "编辑(&E) > 编辑线段 > 关闭线段(&L)"},
    {32875, "编辑(&E) > 编辑线段 > 复制线段(&O)"},
    {33036, "编辑(&E) > 编辑线段 > 移动线段(&V)"},
    {32799, "编辑(&E) > 编辑线段 > 删除线段(&D)"},
    {32803, "编辑(&E) > 编辑线段 > 删除所有线段"},
    {0, "编辑(&E) > 编辑线段 > -"},
    {33025, "编辑(&E) > 编辑线段 > 捕捉节点"},
    {33063, "编辑(&E) > 编辑线段 > 捕捉端点"},
    {33077, "编辑(&E) > 编辑线段 > 捕捉间隔..."},
    {0, "编辑(&E) > 编辑线段 > -"},
    {32851, "编辑(&E) > 编辑线段 > 设置 ID 值"},
    {32826, "编辑(&E) > 编辑线段 > 分配线段 ID(&I)"},
    {32843, "编辑(&E) > 编辑线段 > 加亮线段(&H)"},
    {32854, "编辑(&E) > 编辑线段 > 等高线标注"},
    {32943, "编辑(&E) > 编辑线段 > 交叉点符号"},
    {33017, "编辑(&E) > 编辑线段 > 设置图层(&Y)"},
    {33028, "编辑(&E) > 编辑线段 > 多边形(&G)"},
    {kEditPointTool, "编辑(&E) > 编辑点 > 编辑点 开/关"},
    {0, "编辑(&E) > 编辑点 > -"},
    {32860, "编辑(&E) > 编辑点 > 新建"},
    {32861, "编辑(&E) > 编辑点 > 删除"},
    {32865, "编辑(&E) > 编辑点 > 移动"},
    {32866, "编辑(&E) > 编辑点 > 设置 ID 值"},
    {32863, "编辑(&E) > 编辑点 > 分配 ID"},
    {32872, "编辑(&E) > 编辑点 > 显示 ID 值"},
    {33018, "编辑(&E) > 编辑点 > 设置图层"},
    {kEditControlPointTool, "编辑(&E) > 控制点编辑 > 控制点编辑 开/关(&C)"},
    {0, "编辑(&E) > 控制点编辑 > -"},
    {32813, "编辑(&E) > 控制点编辑 > 新建"},
    {32814, "编辑(&E) > 控制点编辑 > 移动"},
    {32815, "编辑(&E) > 控制点编辑 > 删除"},
    {32816, "编辑(&E) > 控制点编辑 > 修改"},
    {33078, "编辑(&E) > 控制点编辑 > 检查"},
    {33079, "编辑(&E) > 控制点编辑 > 拾取点"},
    {33071, "编辑(&E) > 控制点编辑 > 删除所有的控制点"},
    {33072, "编辑(&E) > 控制点编辑 > 删除 TFW 数据"},
    {kEditTextBlockTool, "编辑(&E) > 文本块编辑 > 文本块编辑 开/关"},
    {0, "编辑(&E) > 文本块编辑 > -"},
    {32889, "编辑(&E) > 文本块编辑 > 删除文字线"},
    {32891, "编辑(&E) > 文本块编辑 > 全部删除"},
    {32890, "编辑(&E) > 文本块编辑 > 恢复所删除的"},
    {32912, "编辑(&E) > 文本块编辑 > 添加块"},
    {32892, "编辑(&E) > 文本块编辑 > 移除块"},
    {32913, "编辑(&E) > 文本块编辑 > 组"},
    {32914, "编辑(&E) > 文本块编辑 > 取消组"},
    {32909, "编辑(&E) > 文本块编辑 > 测试 OCR"},
    {32910, "编辑(&E) > 文本块编辑 > 训练 OCR"},
    {kEditNoteTool, "编辑(&E) > 文字注释编辑 > 文字注释编辑 开/关"},
    {0, "编辑(&E) > 文字注释编辑 > -"},
    {32922, "编辑(&E) > 文字注释编辑 > 添加"},
    {32923, "编辑(&E) > 文字注释编辑 > 删除"},
    {32924, "编辑(&E) > 文字注释编辑 > 修改"},
    {33058, "编辑(&E) > 文字注释编辑 > 移动"},
    {33059, "编辑(&E) > 文字注释编辑 > 旋转"},
    {33019, "编辑(&E) > 文字注释编辑 > 设置图层"},
    {kEditImageTool, "编辑(&E) > 图像编辑 > 图像背景 开/关(&I)"},
    {0, "编辑(&E) > 图像编辑 > -"},
    {32899, "编辑(&E) > 图像编辑 > 显示像素值"},
    {32900, "编辑(&E) > 图像编辑 > 绘制像素值..."},
    {33073, "编辑(&E) > 图像编辑 > 填充颜色..."},
    {33103, "编辑(&E) > 图像编辑 > 画线..."},
    {32941, "编辑(&E) > 图像编辑 > 地图像素值..."},
    {0, "编辑(&E) > -"},
    {33098, "编辑(&E) > 删除线..."},
    {32958, "编辑(&E) > 自动线 ID..."},
    {33095, "编辑(&E) > 删除点..."},
    {32959, "编辑(&E) > 自动点 ID..."},
    {32893, "编辑(&E) > 删除文本块"},
    {32919, "编辑(&E) > OCR 签名..."},
    {32939, "编辑(&E) > 文件属性(SDL)..."},
    {0, "编辑(&E) > -"},
    {kEditDefineLayers, "编辑(&E) > 定义图层..."},
    {kEditLayerOps, "编辑(&E) > 图层处理..."},
    {0, "编辑(&E) > -"},
    {32960, "编辑(&E) > 控制点统计表..."},
    {33092, "编辑(&E) > 地理坐标变换 > UTM 和 LL..."},
    {33094, "编辑(&E) > 地理坐标变换 > 洲平面和 LL..."},
    {32937, "编辑(&E) > Delaunay 三角网"},

    {kViewToolBar, "查看(&V) > 工具栏(&T)"},
    {kViewViewBar, "查看(&V) > 视图栏(&B)"},
    {kViewOverview, "查看(&V) > 鸟瞰窗"},
    {0, "查看(&V) > -"},
    {kViewZoomIn, "查看(&V) > 放大(&I)\tF2"},
    {kViewZoomOut, "查看(&V) > 缩小(&O)\tF3"},
    {kViewFullView, "查看(&V) > 全视图(&F)\tF5"},
    {kViewPreviousView, "查看(&V) > 前一视图(&P)\tF6"},
    {0, "查看(&V) > -"},
    {kOverlayImage, "查看(&V) > 覆盖图 > 图像"},
    {kOverlayRoi, "查看(&V) > 覆盖图 > 图像感兴趣区域"},
    {kOverlayLines, "查看(&V) > 覆盖图 > 线段"},
    {kOverlayNodes, "查看(&V) > 覆盖图 > 线段节点"},
    {33052, "查看(&V) > 覆盖图 > 用户的节点颜色"},
    {kOverlayEndPoints, "查看(&V) > 覆盖图 > 线段端点"},
    {33056, "查看(&V) > 覆盖图 > 用户的端点颜色"},
    {kOverlayLineIds, "查看(&V) > 覆盖图 > 线段 ID"},
    {kOverlayPoints, "查看(&V) > 覆盖图 > 点"},
    {kOverlayPointIds, "查看(&V) > 覆盖图 > 点 ID"},
    {kOverlayControlPoints, "查看(&V) > 覆盖图 > 控制点"},
    {kOverlayControlPointIds, "查看(&V) > 覆盖图 > 控制点 ID"},
    {kOverlayTriangulation, "查看(&V) > 覆盖图 > 三角网法"},
    {kOverlayTextBlocks, "查看(&V) > 覆盖图 > 文本块"},
    {kOverlayNotes, "查看(&V) > 覆盖图 > 文本注释"},
    {kOverlayNoteFrames, "查看(&V) > 覆盖图 > 文本注释框"},
    {kOverlayCrossMarks, "查看(&V) > 覆盖图 > 交叉点符号"},
    {kViewFillPolygons, "查看(&V) > 填充多边形..."},
    {0, "查看(&V) > -"},
    {kViewContrast, "查看(&V) > 图像对比(&C)...\tF4"},
    {33085, "查看(&V) > 图像调色板..."},
    {32972, "查看(&V) > 设置图像颜色..."},
    {33020, "查看(&V) > 线段颜色 > 使用图层颜色..."},
    {32821, "查看(&V) > 线段颜色 > 通过 ID 设置线段颜色..."},
    {33053, "查看(&V) > 线段颜色 > 设置注释颜色..."},
    {33057, "查看(&V) > 线段颜色 > 设置端点颜色..."},
    {32881, "查看(&V) > 通过 ID 设置点颜色..."},
    {32904, "查看(&V) > 字体 > 线段 ID 的字体..."},
    {32905, "查看(&V) > 字体 > 点 ID 的字体..."},
    {32930, "查看(&V) > 字体 > 文字注释的字体..."},
    {0, "查看(&V) > -"},
    {32956, "查看(&V) > 地理编码坐标"},
    {33062, "查看(&V) > 页面空白坐标"},
    {33012, "查看(&V) > 调整工作空间大小..."},
    {0, "查看(&V) > -"},
    {kViewShortcutKeys, "查看(&V) > 快捷键..."},

    {kImageInfo, "图像(&I) > 信息(&I)"},
    {0, "图像(&I) > -"},
    {32807, "图像(&I) > 水平翻转(&H)"},
    {32806, "图像(&I) > 垂直翻转(&V)"},
    {32811, "图像(&I) > 倒转(&T)"},
    {kImageRotate, "图像(&I) > 旋转..."},
    {32820, "图像(&I) > 修剪区域(&C)..."},
    {32882, "图像(&I) > 调整大小(&R)..."},
    {32938, "图像(&I) > 变形(&W)..."},
    {0, "图像(&I) > -"},
    {32952, "图像(&I) > 平滑 > 平均滤波器"},
    {32789, "图像(&I) > 平滑 > 中央滤波器"},
    {32808, "图像(&I) > 负片(&N)"},
    {32986, "图像(&I) > 去斑(&D)"},
    {32903, "图像(&I) > 移除背景(&B)"},
    {32790, "图像(&I) > 边线检测 > Sobel 边线检测"},
    {32948, "图像(&I) > 边线检测 > 梯度大小"},
    {32949, "图像(&I) > 边线检测 > 边缘传播"},
    {0, "图像(&I) > -"},
    {32829, "图像(&I) > 设置图像阈值(&E)..."},
    {32833, "图像(&I) > 分级(&L)..."},
    {33109, "图像(&I) > 颜色属性..."},
    {33034, "图像(&I) > 彩色化(&Z)..."},
    {32951, "图像(&I) > 分割(&S)"},
    {32834, "图像(&I) > 转换 > 24 位 RGB -> 调色板"},
    {32835, "图像(&I) > 转换 > 24 位 RGB -> 灰度"},
    {33086, "图像(&I) > 转换 > 8 位调色板 -> 24 位 RGB"},
    {32837, "图像(&I) > 转换 > 8 位调色板 -> 灰度"},
    {32901, "图像(&I) > 转换 > 8 位调色板 -> 1 位单色"},
    {33087, "图像(&I) > 转换 > 灰度 -> 24 位 RGB"},
    {32855, "图像(&I) > 转换 > 灰度 -> 1 位单色"},
    {33070, "图像(&I) > 转换 > 1 位单色 -> 灰度"},
    {0, "图像(&I) > -"},
    {33046, "图像(&I) > 感兴趣区域 (ROI) > 矩形"},
    {33047, "图像(&I) > 感兴趣区域 (ROI) > 圆"},
    {33048, "图像(&I) > 感兴趣区域 (ROI) > 多边形"},
    {33050, "图像(&I) > 按照 ROI 修剪图像"},
    {33049, "图像(&I) > 清除所有 ROI(&O)"},
    {0, "图像(&I) > -"},
    {kImageMosaic, "图像(&I) > 镶嵌(&M)..."},
    {kImageComposite, "图像(&I) > 合成(&F)..."},
    {33080, "图像(&I) > 合并 > 打开图像..."},
    {33081, "图像(&I) > 合并 > 粘贴"},
    {33082, "图像(&I) > 合并 > 合并"},
    {33083, "图像(&I) > 合并 > 取消"},
    {33084, "图像(&I) > 检查角度..."},
    {kEditImageTool, "图像(&I) > 图像像素工具 > 图像像素工具 开/关(&I)"},
    {0, "图像(&I) > 图像像素工具 > -"},
    {32899, "图像(&I) > 图像像素工具 > 显示像素值"},
    {32900, "图像(&I) > 图像像素工具 > 绘制像素值..."},
    {33073, "图像(&I) > 图像像素工具 > 填充颜色..."},
    {33103, "图像(&I) > 图像像素工具 > 画线..."},
    {32941, "图像(&I) > 图像像素工具 > 地图像素值..."},

    {kVectorAutoVectorize, "矢量(&T) > 自动矢量化(&V)..."},
    {kVectorBatch, "矢量(&T) > 批量矢量化..."},
    {32973, "矢量(&T) > 批量脚本"},
    {0, "矢量(&T) > -"},
    {32842, "矢量(&T) > 信息(&I)"},
    {33110, "矢量(&T) > 矢量报告(&R)..."},
    {33102, "矢量(&T) > 十进制 ID"},
    {33105, "矢量(&T) > 转换 ID..."},
    {32992, "矢量(&T) > 调节方向..."},
    {32810, "矢量(&T) > 选择控制点(&P)"},
    {0, "矢量(&T) > -"},
    {kVectorSmooth, "矢量(&T) > 平滑线段(&L)..."},
    {33060, "矢量(&T) > 平滑 B 样线段..."},
    {kVectorSnap, "矢量(&T) > 捕捉线段(&S)..."},
    {33106, "矢量(&T) > 捕捉端点(&E)..."},
    {32832, "矢量(&T) > 按长度删除线段..."},
    {kVectorDeleteById, "矢量(&T) > 按 ID 删除线段(&D)..."},
    {32940, "矢量(&T) > 按类型删除线段(&Y)..."},
    {0, "矢量(&T) > -"},
    {32944, "矢量(&T) > 检测交叉点记号"},
    {32945, "矢量(&T) > 收缩交叉点记号"},
    {32947, "矢量(&T) > 移除交叉点标记"},
    {0, "矢量(&T) > -"},
    {32883, "矢量(&T) > 创建多边形层(&L)..."},
    {33029, "矢量(&T) > 样条曲线"},
    {32954, "矢量(&T) > 多边形标注和点..."},
    {33033, "矢量(&T) > 捕捉多边形..."},
    {0, "矢量(&T) > -"},
    {32885, "矢量(&T) > 检测文本块(&T)"},
    {32916, "矢量(&T) > 转换为文本注释（OCR）"},
    {33101, "矢量(&T) > 分开文本线段..."},
    {32931, "矢量(&T) > 应用注释到线段"},
    {32953, "矢量(&T) > 应用注释到点"},

    {kAppAbout, "帮助(&H) > 关于 QZN(&A)..."},
};

// The tabs of the main window have no close box: 文件 > 关闭 closes the 3D
// window, so another grid can be opened.
constexpr MenuItem kMenu167[] = {
    {kFilePrintScreen, "文件(&F) > 打印屏幕"},
    {kFilePrintWindow, "文件(&F) > 打印窗口"},
    {0, "文件(&F) > -"},
    {k3DSaveWindow, "文件(&F) > 保存窗口到文件(&F)..."},
    {k3DExportModel, "文件(&F) > 输出 3D 模型(&M)..."},
    {0, "文件(&F) > -"},
    {kFileClose, "文件(&F) > 关闭(&C)"},
    {k3DSettings, "视图(V) > 3D 设置(&3)"},
    {k3DScale, "视图(V) > 比例(&S)..."},
    {k3DAnimate, "视图(V) > 活动(&A)"},
    {0, "视图(V) > -"},
    {k3DLookDown, "视图(V) > 俯视(&D)"},
    {k3DLookUp, "视图(V) > 仰视(&U)"},
    {k3DTurnLeft, "视图(V) > 左视(&L)"},
    {k3DTurnRight, "视图(V) > 右视(&R)"},
    {0, "视图(V) > -"},
    {kViewZoomIn, "视图(V) > 放大(&I)\tF2"},
    {kViewZoomOut, "视图(V) > 缩小(&O)\tF3"},
    {0, "视图(V) > -"},
    {kEditCopy, "视图(V) > 复制(&C)\tCtrl+C"},
};

constexpr MenuItem kMenu209[] = {
    {kEditDefineLayers, "定义图层..."},
    {kEditImageTool, "编辑图像(&E)"},
    {33048, "感兴趣的区域(&R)"},
    {0, "-"},
    {kVectorAutoVectorize, "自动矢量化(&V)..."},
};

constexpr MenuItem kMenu210[] = {
    {kEditLineTool, "编辑线段(&L)"},    {kEditControlPointTool, "定义控制点(&C)"}, {0, "-"},
    {kVectorSmooth, "平滑线段(&L)..."}, {kVectorSnap, "捕捉线段(&N)..."},          {0, "-"},
    {kFileSaveProject, "保存方案(&P)"}, {kFileExportVector, "输出矢量(&E)..."},
};

}  // namespace

std::span<const MenuItem> MainMenu() { return kMainMenu; }
std::span<const MenuItem> View3DMenu() { return kMenu167; }

std::span<const MenuItem> ContextMenu(int resourceId) {
  switch (resourceId) {
    case kMenuDefaultImage: return kMenu209;
    case kMenuDefaultLines: return kMenu210;
    default: return ToolContextMenu(resourceId);
  }
}

std::vector<std::string> SplitMenuPath(std::string_view path) {
  std::vector<std::string> levels;
  constexpr std::string_view kJoin = " > ";
  for (;;) {
    const auto at = path.find(kJoin);
    levels.emplace_back(path.substr(0, at));
    if (at == std::string_view::npos) break;
    path.remove_prefix(at + kJoin.size());
  }
  return levels;
}

std::string CommandText(int id) {
  if (id == 0) return {};
  for (const MenuItem& m : kMainMenu) {
    if (m.id != id) continue;
    std::string last = SplitMenuPath(m.path).back();
    const auto tab = last.find('\t');
    if (tab != std::string::npos) last.resize(tab);
    return last;
  }
  return {};
}

std::string PlainText(std::string_view text) {
  std::string out;
  const auto tab = text.find('\t');
  if (tab != std::string_view::npos) text = text.substr(0, tab);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '(' && i + 3 < text.size() + 0 && text[i + 1] == '&' && text[i + 3] == ')') {
      i += 3;  // "(&X)": the mnemonic in brackets goes with its brackets
      continue;
    }
    if (text[i] == '&') continue;
    out += text[i];
  }
  while (out.size() >= 3 && out.compare(out.size() - 3, 3, "...") == 0) out.resize(out.size() - 3);
  return out;
}

}  // namespace qzn::res
