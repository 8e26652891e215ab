// Resource ids shared by vextorin.rc and the code that loads the resources.
#pragma once

#define VX_ICON_ID 1
