// The progress on the main window's task-bar button on Win32, through the shell's ITaskbarList3.
// Where the shell offers no such interface, or never announces the button, nothing is shown and
// nothing else changes.
#include <windows.h>

#include <shobjidl.h>

#include <mutex>

#include "ui/window_backend.h"
#include "ui/window_win32.h"

namespace vx {

namespace {

using win32::frame;

struct Progress {
  uint64_t done = 0;
  uint64_t total = 0;  // 0: none shown
};

// Written by the commands on any thread, taken by the repaint timer on the UI thread.
std::mutex pending_mutex;
Progress pending;
bool pending_changed = false;

// UI thread only: the shell's interface, and what the button shows (or will, once announced).
ITaskbarList3* taskbar = nullptr;
Progress shown;

void Show(const Progress& progress) {
  shown = progress;
  if (!taskbar || !frame.window) return;
  if (progress.total == 0) {
    taskbar->SetProgressState(frame.window, TBPF_NOPROGRESS);
  } else {
    taskbar->SetProgressValue(frame.window, progress.done, progress.total);
  }
}

}  // namespace

namespace win32 {

bool IsTaskbarButtonCreated(UINT message) {
  static const UINT button_created = RegisterWindowMessageA("TaskbarButtonCreated");
  return button_created != 0 && message == button_created;
}

// The shell's interface may be called only once it has announced the button, and again after
// every announcement: a restarted Explorer makes the button anew. COM is initialised on this,
// the UI thread, which uses the interface; a thread that already has COM keeps its own mode.
void TakeTaskbarButton() {
  static bool com_tried = false;
  if (!com_tried) {
    com_tried = true;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  }
  if (!taskbar) {
    void* created = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                &created))) {
      return;
    }
    taskbar = static_cast<ITaskbarList3*>(created);
    if (FAILED(taskbar->HrInit())) {
      ReleaseTaskbarButton();
      return;
    }
  }
  Show(shown);
}

void ReleaseTaskbarButton() {
  if (taskbar) taskbar->Release();
  taskbar = nullptr;
  shown = Progress();
}

void ShowTaskbarProgressChange() {
  Progress latest;
  {
    std::lock_guard<std::mutex> lock(pending_mutex);
    if (!pending_changed) return;
    pending_changed = false;
    latest = pending;
  }
  Show(latest);
}

}  // namespace win32

void BackendSetTaskbarProgress(uint64_t done, uint64_t total) {
  std::lock_guard<std::mutex> lock(pending_mutex);
  pending = {done, total};
  pending_changed = true;
}

}  // namespace vx
