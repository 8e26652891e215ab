// Export: the command "4导出结果", which writes every row as a line of the export file.
#pragma once

namespace vx {

// The handler of "4导出结果". With an empty "32位MD5" in the first row it says that there is
// nothing to export. Otherwise it proposes the current date-time followed by
// "导出的MD5加密结果.txt" in the save dialog and writes one line per row: the text, "----", the
// 32-digit MD5, "----", the 16-digit MD5 and CR LF, bytes as the cells hold them. The lines go
// to a temporary file beside the chosen one, which takes its place only when every line is
// written; so the chosen path holds either the complete export or what it held before. Reports
// the elapsed milliseconds, or that the file could not be written (the title then stays).
void ExportResults();

}  // namespace vx
