#include "tests/fuzz/fuzz_support.h"
#include "ui/layout.h"
#include "ui/list_control.h"
#include "ui/units.h"

namespace vx::fuzzing {

// Only what the list needs: the window, the list and an empty menu; no handlers.
void LoadListWindow() {
  WindowLayout layout{};
  layout.window = 启动窗口;
  layout.name = "启动窗口";
  layout.title = "Vextorin";
  layout.width = 636;
  layout.height = 486;
  layout.list.unit = 超级列表框1;
  layout.list.name = "超级列表框1";
  layout.menu.unit = 菜单;
  layout.menu.hidden = true;
  LoadStartWindow(layout);
}

std::string ListImage() {
  OwnedByteData image(ReadListItems(超级列表框1));
  VX_FUZZ_CHECK(!image || image->length > 0, "an empty image is not null");
  return BytesOf(image.get());
}

}  // namespace vx::fuzzing
