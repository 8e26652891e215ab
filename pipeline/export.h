// Export: the command "4导出结果", which writes every row as a line of the export file.
#pragma once

namespace vx {

// The handler of "4导出结果". With an empty "32位MD5" in the first row it says that there is
// nothing to export. Otherwise it proposes the current date-time followed by
// "导出的MD5加密结果.txt" in the save dialog, which offers the file types of ExportType and opens
// on the one chosen last, and writes one line per row of the type chosen (pipeline/export_lines.h),
// bytes as the cells hold them. The lines go to a temporary file beside the chosen one, which
// takes its place only when every line is written; so the chosen path holds either the complete
// export or what it held before. Reports the elapsed milliseconds, or that the file could not be
// written (the title then stays).
void ExportResults();

}  // namespace vx
