// The main window's layout: what the window is and holds when it is created. Constant data of
// the program; the window runtime builds the window from it at start-up.
#pragma once

#include "ui/layout.h"

namespace vx {

// The centred 636 x 486 window titled "Vextorin", its list 超级列表框1 with the four columns, the
// dialogs 通用对话框_txt (save) and 通用对话框1 (open), and the hidden popup menu 菜单 with its ten
// entries. The shell's handlers (app/shell.h) answer the window's created and close-query events,
// files dropped on it, and the list's right click and menu key; Ctrl+C in the list copies the
// selected row. An entry without a command handler runs nothing when chosen.
const WindowLayout& MainWindowLayout();

}  // namespace vx
