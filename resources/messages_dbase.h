// Texts of the dBASE table engine, its key expressions and index files: the
// message of each error code and the pieces its reports are made of. See
// messages_common.h for the conventions.
#pragma once

namespace qzn::res::text {

struct DbfCodeText {
  int code;
  const char* text;
};

// The message of each error code, searched in this order.
inline constexpr DbfCodeText kDbfErrorTexts[] = {
    {100, "创建文件"},
    {120, "打开文件"},
    {140, "从文件读取"},
    {150, "寻找文件位置"},
    {160, "写入到文件"},
    {180, "结束文件"},
    {190, "移除文件"},
    {200, "文件不是一个数据库:"},
    {240, "不打开数据库"},
    {260, "记录长度太长"},
    {270, "未被承认的 Field"},
    {300, "建造索引文件"},
    {310, "结束索引文件"},
    {320, "文件不是一个索引文件"},
    {330, "索引文件数据不足"},
    {335, "索引文件记录不存在"},
    {340, "键不是唯一的"},
    {350, "键评估合理结果"},
    {360, "键长度或类型已改变"},
    {370, "键长度超过 100 个字符"},
    {380, "用非索引文件寻找数据库"},
    {595, "在表达式中参数的错误数"},
    {400, "锁定文件"},
    {450, "解锁一个文件"},
    {500, "当评估表达式时不查找数据库"},
    {510, "执行无效的表达式"},
    {520, "期望 \",\" 或 \")\" 当评估表达式时"},
    {530, "表达式没有完成"},
    {515, "非法的数据"},
    {540, "当评估表达式时溢出"},
    {550, "参数或者算子有错误的类型"},
    {560, "在表达式中缺少右括弧"},
    {570, "在表达式中未被承认的功能"},
    {575, "在表达式中未被承认的算子"},
    {580, "在表达式中未被承认值"},
    {590, "在表达式中未被承认字串"},
    {600, "用编辑器编辑备忘录文件"},
    {620, "备忘录文件矛盾"},
    {640, "备忘录文件条目超过 32767字节"},
    {700, "非法窗口参考数"},
    {840, "关联数据库"},
    {820, "没有控制数据库"},
    {800, "非法关联数据库"},
    {900, "内存不足"},
    {920, "内存分配错误"},
    {950, "覆盖内存"},
    {1000, "没有足够的内存分类"},
    {1010, "在分类中太多记录"},
};

// The first line of every report, before the code.
inline constexpr const char kDbfErrorNumber[] = "错误数: ";
// Pieces that follow the message.
inline constexpr const char kDbfTooManyFields[] = "太多 Fields";
inline constexpr const char kDbfRecordLabel[] = "记录: ";
inline constexpr const char kDbfRecordCountLabel[] = "记录数:";
inline constexpr const char kDbfBufferFile[] = "缓冲器文件:";
inline constexpr const char kDbfErrno[] = "errno";
inline constexpr const char kDbfSyntax[] = "语法:";
inline constexpr const char kDbfOperation[] = "功能:";
inline constexpr const char kDbfExpressionLabel[] = "Expression";
inline constexpr const char kDbfFunctionLabel[] = "Function";
// The routine that found memory or a list inconsistent (950, 920).
inline constexpr const char kDbfPoolCreate[] = "PoolCreate()";
inline constexpr const char kDbfIndexRemove[] = "IndexRemove";

}  // namespace qzn::res::text
