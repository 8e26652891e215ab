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
      !block.Call(reader, &result) || result != 0 ||
      !target.Read(block.address(), &probe, sizeof probe)) {
    return false;
  }
  *details = {
      probe.class_style,   probe.has_brush != 0,  probe.arrow_cursor != 0, probe.default_font != 0,
      probe.big_icon_size, probe.small_icon_size, probe.font_height,       probe.dpi};
  return true;
}

bool DropFiles(TargetProcess& target, const std::string& probe_dll, HWND window, POINT client,
               const std::vector<std::string>& paths, bool wide) {
  uintptr_t dropper = target.LoadExport(probe_dll, kDropFilesExport);
  if (!dropper) return false;
  DropProbe probe = {};
  probe.window = window;
  probe.point = client;
  probe.wide = wide;
  size_t used = 0;
  for (const std::string& path : paths) {
    if (used + path.size() + 2 > sizeof probe.paths) return false;
    path.copy(probe.paths + used, path.size());
    used += path.size() + 1;
  }
  RemoteBlock block(target, sizeof probe);
  DWORD result = 1;
  return block.address() && target.Write(block.address(), &probe, sizeof probe) &&
         block.Call(dropper, &result) && result == 0;
}

}  // namespace vx::e2e
