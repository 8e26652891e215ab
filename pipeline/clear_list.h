// Clearing the list: the command "清空列表", and the first step of every import.
#pragma once

namespace vx {

// Empties the list's rows and its items image and sets next_row to 0; the title shows the
// clearing and ends as "Vextorin". The menu and run_state are left alone.
void ClearListCommand();

}  // namespace vx
