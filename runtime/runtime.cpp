#include "runtime/runtime.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "runtime/files.h"
#include "runtime/heap.h"
#include "runtime/message_box.h"
#include "runtime/messages.h"
#include "runtime/runtime_platform.h"
#include "runtime/threads.h"
#include "runtime/ui_thread.h"
#include "runtime/values.h"

namespace vx {

namespace {

std::atomic<uint64_t> ui_thread_id{0};
std::atomic<bool> exiting{false};
// Set once a fatal error is being reported: the program then ends with -1, even when the user
// closes the window meanwhile (the report of a worker thread leaves the window usable).
std::atomic<bool> fatal_error{false};
std::atomic<UnitNameLookup> unit_name_lookup{nullptr};
std::vector<ExitRoutine> exit_routines;
char program_directory[260];
char program_file_name[260];

[[noreturn]] void ExitOnUiThread(int32_t code) {
  if (fatal_error.load()) code = -1;
  if (exiting.exchange(true)) PlatformEndProcess(code);  // an exit routine ended the program
  for (ExitRoutine routine : exit_routines) routine();
  NotifyLocksOfProgramEnd();
  NotifyFilesOfProgramEnd();
  PlatformDestroyOwnerWindow();
  PlatformEndProcess(code);
}

void ExitTask(void* context) {
  ExitOnUiThread(*static_cast<int32_t*>(context));
}

// The runtime error's text, built in place: the report must not allocate, since the error may
// be that memory ran out. What does not fit is cut.
class ErrorText {
 public:
  ErrorText() { bytes_[0] = '\0'; }
  ErrorText& operator<<(const char* text) {
    while (*text && length_ + 1 < sizeof bytes_) bytes_[length_++] = *text++;
    bytes_[length_] = '\0';
    return *this;
  }
  ErrorText& operator<<(int32_t number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%d", number);
    return *this << digits;
  }
  const char* text() const { return bytes_; }

 private:
  char bytes_[4096];
  size_t length_ = 0;
};

void AppendLocation(ErrorText& text, int32_t where1, int32_t where2) {
  text << "\r\n" << where1 << ", " << where2;
  UnitNameLookup lookup = unit_name_lookup.load();
  if (IsWindowId(where1) && lookup) {
    UnitNames names = lookup(where1, where2);
    if (!names.window) {
      text << kWindowNotFound;
    } else {
      text << "\r\n\"" << names.window << "\"";
      if (names.unit) {
        text << "\r\n\"" << names.unit << "\"";
      } else {
        text << kUnitNotFound;
      }
    }
  }
  text << "\r\n";
}

void BuildRuntimeErrorText(ErrorText& text, int32_t code, const char* message, int32_t where1,
                           int32_t where2) {
  text << kRuntimeErrorHeading;
  if (code != 0) text << kErrorCodeLabel << code << "\r\n";
  if (message && *message) text << kErrorMessageLabel << message << "\r\n";
  AppendLocation(text, where1, where2);
}

}  // namespace

void InitializeRuntime() {
  ui_thread_id = PlatformCurrentThreadId();
  char path[260];
  PlatformProgramPath(path, sizeof path);
  const char* last = std::strrchr(path, PlatformPathSeparator());
  if (last) {
    size_t directory_length = static_cast<size_t>(last - path);
    std::memcpy(program_directory, path, directory_length);
    program_directory[directory_length] = '\0';
    std::snprintf(program_file_name, sizeof program_file_name, "%s", last + 1);
  } else {
    program_directory[0] = '\0';
    std::snprintf(program_file_name, sizeof program_file_name, "%s", path);
  }
  PlatformSetCurrentDirectory(program_directory);
  PlatformCreateOwnerWindow();
  RecordConstantArea();
}

void RegisterExitRoutine(ExitRoutine routine) {
  for (ExitRoutine known : exit_routines) {
    if (known == routine) return;
  }
  exit_routines.push_back(routine);
}

void ExitProgram(int32_t code) {
  if (IsUiThread()) ExitOnUiThread(code);
  if (exiting.load()) return;
  CallOnUiThread(ExitTask, &code);
  if (!exiting.load()) PlatformEndProcess(code);
}

char* BuildRuntimeErrorText(int32_t code, const char* message, int32_t where1, int32_t where2) {
  ErrorText text;
  BuildRuntimeErrorText(text, code, message, where1, where2);
  return CopyText(text.text());
}

// The box is task-modal, so that on the UI thread it disables the window under it.
void ReportRuntimeError(int32_t code, const char* message, int32_t where1, int32_t where2) {
  fatal_error = true;
  ErrorText text;
  BuildRuntimeErrorText(text, code, message, where1, where2);
  PlatformMessageBox(text.text(), kErrorCaption, kMbIconError | kMbTaskModal);
  ExitProgram(-1);
  PlatformWaitForProcessEnd();  // the UI thread is already ending the process
}

void SetUnitNameLookup(UnitNameLookup lookup) {
  unit_name_lookup = lookup;
}

bool IsUiThread() {
  uint64_t ui = ui_thread_id.load();
  return ui == 0 || ui == PlatformCurrentThreadId();
}

bool ProgramIsExiting() {
  return exiting.load();
}
const char* ProgramDirectory() {
  return program_directory;
}
const char* ProgramFileName() {
  return program_file_name;
}

Text ReadCurrentDirectory() {
  return PlatformCurrentDirectory();
}

bool ChangeCurrentDirectory(const char* directory) {
  return PlatformSetCurrentDirectory(directory ? directory : "");
}

}  // namespace vx
