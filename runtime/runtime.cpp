#include "runtime/runtime.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/files.h"
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
std::atomic<UnitNameLookup> unit_name_lookup{nullptr};
std::vector<ExitRoutine> exit_routines;
char program_directory[260];
char program_file_name[260];

[[noreturn]] void ExitOnUiThread(int32_t code) {
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

void AppendLocation(std::string& text, int32_t where1, int32_t where2) {
  char numbers[32];
  std::snprintf(numbers, sizeof numbers, "\r\n%d, %d", where1, where2);
  text += numbers;
  UnitNameLookup lookup = unit_name_lookup.load();
  if (IsWindowId(where1) && lookup) {
    UnitNames names = lookup(where1, where2);
    if (!names.window) {
      text += kWindowNotFound;
    } else {
      text.append("\r\n\"").append(names.window).append("\"");
      if (names.unit) {
        text.append("\r\n\"").append(names.unit).append("\"");
      } else {
        text += kUnitNotFound;
      }
    }
  }
  text += "\r\n";
}

std::string RuntimeErrorText(int32_t code, const char* message, int32_t where1, int32_t where2) {
  std::string text = kRuntimeErrorHeading;
  if (code != 0) text.append(kErrorCodeLabel).append(std::to_string(code)).append("\r\n");
  if (message && *message) text.append(kErrorMessageLabel).append(message).append("\r\n");
  AppendLocation(text, where1, where2);
  return text;
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
  return CopyText(RuntimeErrorText(code, message, where1, where2).c_str());
}

void ReportRuntimeError(int32_t code, const char* message, int32_t where1, int32_t where2) {
  // Built without the runtime heap: the error may be that the heap is exhausted.
  std::string text = RuntimeErrorText(code, message, where1, where2);
  PlatformMessageBox(text.c_str(), kErrorCaption, kMbIconError);
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

}  // namespace vx
