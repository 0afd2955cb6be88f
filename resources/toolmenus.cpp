// The context menus of the edit tools: each lists the tool's sub-modes,
// then its other commands, then Undo and Done where the tool has them.
#include "resources/commands.h"
#include "resources/menus.h"
#include "resources/toolcommands.h"

namespace qzn::res {

namespace {

using namespace qzn::cmd;

constexpr MenuItem kMenu193[] = {
    {kNoteAdd, "添加"},
    {kNoteDelete, "删除"},
    {kNoteModify, "修改"},
    {kNoteSetLayer, "设置图层(Y)"},
    {kNoteMove, "移动"},
    {kNoteRotate, "旋转"},
    {0, "-"},
    {kEditDone, "完成"},
};

constexpr MenuItem kMenu194[] = {
    {kLineNew, "新建线(N)"},
    {kLineAutoTrace, "自动追踪(T)"},
    {kLineMultiTrace, "多线追踪(M)"},
    {kLineFreehand, "无约束追踪"},
    {kLineRectangle, "新建矩形(R)"},
    {kLineCircle, "新建圆(C)"},
    {kLineSmooth, "平滑线段(S)"},
    {kLineBSpline, "B 样线段(B)"},
    {kLineSetSmoothing, "设置平滑"},
    {0, "-"},
    {kLineAddNode, "添加节点(A)"},
    {kLineMoveNode, "移动节点(N)"},
    {kLineDeleteNode, "删除节点(E)"},
    {0, "-"},
    {kLineSplit, "分割线段(P)"},
    {kLineJoin, "连接线段(J)"},
    {kLineClose, "关闭线段(L)"},
    {kLineCopy, "复制线段(O)"},
    {kLineMove, "移动线段(V)"},
    {kLineDelete, "删除线段(D)"},
    {0, "-"},
    {kLineSnapNodes, "捕捉节点"},
    {kLineSnapEnds, "捕捉端点"},
    {kLineSnapDistance, "捕捉间隔..."},
    {0, "-"},
    {kLineSetId, "设置 ID 值"},
    {kLineAssignId, "分配线段 ID(I)"},
    {kLineShow, "加亮线段(H)"},
    {kLineContour, "等高线标注"},
    {kLineCrossMarks, "交叉点符号"},
    {kLineSetLayer, "设置图层(Y)"},
    {kLinePolygon, "多边形(G)"},
    {0, "-"},
    {kEditUndo, "撤销(U)"},
    {kEditDone, "完成"},
};

constexpr MenuItem kMenu195[] = {
    {kCpNew, "新建"},    {kCpMove, "移动"}, {kCpDelete, "删除"}, {kCpModify, "修改"}, {kCpCheck, "检查"},
    {kCpPick, "拾取点"}, {0, "-"},          {kEditDone, "完成"},
};

constexpr MenuItem kMenu196[] = {
    {kPointNew, "新建"},
    {kPointMove, "移动"},
    {kPointDelete, "删除"},
    {kPointAssignId, "分配 ID"},
    {kPointShowId, "显示 ID 值"},
    {kPointSetLayer, "设置图层(Y)"},
    {0, "-"},
    {kPointSetId, "设置 ID 值"},
    {0, "-"},
    {kEditUndo, "撤销(U)"},
    {kEditDone, "完成"},
};

constexpr MenuItem kMenu197[] = {
    {kImageShowValue, "显示像素值"},
    {kImagePaint, "绘制像素值..."},
    {kImageFill, "填充颜色..."},
    {kImageDrawLine, "画线..."},
    {kImageMapValues, "地图像素值..."},
    {0, "-"},
    {kEditUndo, "撤销(U)"},
    {kEditDone, "完成"},
};

constexpr MenuItem kMenu198[] = {
    {kBlockDeleteLines, "删除文字线"},
    {kBlockRemove, "移除块"},
    {kBlockAdd, "添加块"},
    {kBlockGroup, "组"},
    {kBlockUngroup, "取消组"},
    {kBlockTestOcr, "测试 OCR"},
    {kBlockTrainOcr, "训练 OCR"},
    {0, "-"},
    {kBlockDeleteAll, "全部删除"},
    {kBlockRestore, "恢复所删除的"},
    {0, "-"},
    {kEditDone, "完成"},
};

constexpr MenuItem kMenu205[] = {
    {kMergePaste, "粘贴"},
    {kMergeMerge, "合并"},
    {kMergeCancel, "取消"},
};

constexpr MenuItem kMenu206[] = {
    {kEditDone, "完成"},
};

}  // namespace

std::span<const MenuItem> ToolContextMenu(int resourceId) {
  switch (resourceId) {
    case kMenuNoteTool: return kMenu193;
    case kMenuLineTool: return kMenu194;
    case kMenuControlPointTool: return kMenu195;
    case kMenuPointTool: return kMenu196;
    case kMenuImageTool: return kMenu197;
    case kMenuTextBlockTool: return kMenu198;
    case kMenuMergeTool: return kMenu205;
    case kMenuAngleTool: return kMenu206;
    default: return {};
  }
}

}  // namespace qzn::res
