// The texts the batch pipeline shows and writes: window titles, message boxes, the export's lines.
#pragma once

namespace vx {

// Every status title is "Vextorin", five blanks and a status; "条" is followed by three blanks.
inline constexpr char kTitle[] = "Vextorin";
inline constexpr char kTitleClearing[] = "Vextorin     数据清除中...";
inline constexpr char kTitleImporting[] = "Vextorin     导入中...";
inline constexpr char kTitleImportedBefore[] = "Vextorin     成功导入：";
inline constexpr char kTitleImportedAfter[] = "条   请去重后再加密";
inline constexpr char kTitleRemovingDuplicates[] = "Vextorin     重复数据去重中...";
inline constexpr char kTitleRemainingBefore[] = "Vextorin     剩余数据：";
inline constexpr char kTitleRemainingAfter[] = "条";
inline constexpr char kTitlePassRunningBefore[] = "Vextorin     成功导入：";
inline constexpr char kTitlePassRunningAfter[] = "条   MD5加密中...";
inline constexpr char kTitlePassCompleteBefore[] = "Vextorin     加密完成：";
inline constexpr char kTitlePassCompleteAfter[] = "条   请右键导出结果";
inline constexpr char kTitleExportedBefore[] = "Vextorin     加密完成：";
inline constexpr char kTitleExportedAfter[] = "条   该数据已导出";

// An export line is "文本", "32位MD5" and "16位MD5" with the separator between them and the line
// end after them; Ctrl+C copies a row in the same form.
inline constexpr char kExportSeparator[] = "----";
inline constexpr char kExportLineEnd[] = "\r\n";

// The states of the MD5 pass that run_state refers to.
inline constexpr char kRunStateWorking[] = "工作";
inline constexpr char kRunStateStopped[] = "停止";

inline constexpr char kMessageCaption[] = "温馨提示";
inline constexpr char kNothingToExport[] = "暂无可导出数据！";
inline constexpr char kExportSucceededBefore[] = "导出成功！共耗时:";
inline constexpr char kExportSucceededAfter[] = "毫秒";
inline constexpr char kExportFailed[] = "导出失败！文件无法写入：";
inline constexpr char kImportFailed[] = "导入失败！文件无法读取：";
inline constexpr char kImportTooLarge[] = "导入失败！数据量超出上限。";

inline constexpr char kExportFileNameSuffix[] = "导出的MD5加密结果.txt";
// The export dialog's file types, in the order of ExportType (pipeline/export_lines.h).
inline constexpr char kExportFileFilter[] =
    "文本文件(*.txt)|*.txt|仅32位MD5，每行一个(*.txt)|*.txt|仅16位MD5，每行一个(*.txt)|*.txt|"
    "仅SHA-256，每行一个(*.txt)|*.txt";

}  // namespace vx
