// The main window's layout: what the window is and holds when it is created. Constant data of
// the program; the window runtime builds the window from it at start-up.
#pragma once

#include "ui/layout.h"

namespace vx {

// The centred 636 x 486 window titled "Vextorin", its list 超级列表框1 with the four columns, the
// dialogs 通用对话框_txt (save) and 通用对话框1 (open), and the hidden popup menu 菜单 with its ten
// entries. The handlers of the shell and the pipeline are bound by the program's entry; here they
// are null.
const WindowLayout& MainWindowLayout();

// The texts of the layout that the user sees.
namespace main_window_texts {
inline constexpr char kTitle[] = "Vextorin";
inline constexpr char kNumberHeader[] = "序号";
inline constexpr char kTextHeader[] = "文本";
inline constexpr char kMd5Header[] = "32位MD5";
inline constexpr char kShortMd5Header[] = "16位MD5";
inline constexpr char kTextFileFilter[] = "文本文件(*.txt)|*.txt";
inline constexpr char kTextFileExtension[] = "txt";
inline constexpr char kMenuCaption[] = "菜单";
inline constexpr char kSeparatorCaption[] = "-";
inline constexpr char kImportCaption[] = "1导入文本";
inline constexpr char kRemoveDuplicatesCaption[] = "2去重复项";
inline constexpr char kStartPassCaption[] = "3开始加密";
inline constexpr char kExportCaption[] = "4导出结果";
inline constexpr char kClearListCaption[] = "清空列表";
inline constexpr char kUnavailableCaption[] = "菜单暂时不可用";
}  // namespace main_window_texts

}  // namespace vx
