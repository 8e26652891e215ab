// Window details read from inside the target through the probe DLL.
#include "tests/e2e/actions.h"
#include "tests/e2e/target_probe.h"

namespace vx::e2e {

bool ReadWindowDetails(TargetProcess& target, const std::string& probe_dll, HWND window,
                       WindowDetails* details) {
  uintptr_t reader = target.LoadExport(probe_dll, kReadWindowExport);
  if (!reader) return false;
  WindowProbe probe = {};
  probe.window = window;
  RemoteBlock block(target, sizeof probe);
  DWORD result = 1;
  if (!block.address() || !target.Write(block.address(), &probe, sizeof probe) ||
      !target.CallRemote(reader, block.address(), &result) || result != 0 ||
      !target.Read(block.address(), &probe, sizeof probe)) {
    return false;
  }
  *details = {probe.class_style,       probe.has_brush != 0, probe.arrow_cursor != 0,
              probe.default_font != 0, probe.big_icon_size,  probe.small_icon_size};
  return true;
}

}  // namespace vx::e2e
