// The open and save dialogs on Win32: the request as the portable code prepared it, passed to
// GetOpenFileNameA or GetSaveFileNameA.
#include <windows.h>

#include <commdlg.h>

#include "ui/window_backend.h"
#include "ui/window_win32.h"

namespace vx {

namespace {

constexpr size_t kPathBufferSize = 260;

const char* OrNull(const std::string& text) {
  return text.empty() ? nullptr : text.c_str();
}

}  // namespace

bool BackendShowFileDialog(const FileDialogRequest& request, std::string* chosen_path,
                           int32_t* chosen_filter) {
  char path[kPathBufferSize] = "";
  request.file_name.copy(path, sizeof path - 1);  // the portable code cut it to fit
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = win32::frame.window;  // modal to the main window
  dialog.lpstrFilter = OrNull(request.filter);
  dialog.nFilterIndex = static_cast<DWORD>(request.filter_index);
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.lpstrDefExt = OrNull(request.default_extension);
  dialog.lpstrTitle = OrNull(request.title);
  dialog.lpstrInitialDir = OrNull(request.initial_directory);
  dialog.Flags = request.flags;
  BOOL confirmed = request.save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
  if (!confirmed) return false;
  *chosen_path = path;
  *chosen_filter = static_cast<int32_t>(dialog.nFilterIndex);
  return true;
}

}  // namespace vx
