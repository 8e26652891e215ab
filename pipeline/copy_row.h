// Copying a row: Ctrl+C in the list puts the selected row on the clipboard.
#pragma once

namespace vx {

// Puts the selected row on the clipboard as one line in the export's form: its "文本", then,
// when both digest cells are filled, "----", the 32-digit MD5, "----" and the 16-digit MD5; then
// CR LF. The cells are read as they are at that moment, also while the MD5 pass writes them.
// With no row selected the clipboard stays as it was.
void CopySelectedRow();

}  // namespace vx
