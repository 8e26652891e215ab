#include "pipeline/clear_list.h"

#include "pipeline/items_image.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "ui/list_control.h"

namespace vx {

// Deleting the rows does not empty the stored image, which a later duplicate removal reads:
// both are emptied.
void ClearListCommand() {
  SetTitle(kTitleClearing);
  next_row = 0;
  DeleteAllRows(超级列表框1);
  InstallItems(超级列表框1, nullptr);  // the empty image
  SetTitle(kTitle);
}

}  // namespace vx
