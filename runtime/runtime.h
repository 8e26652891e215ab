// The runtime's start, exit and fatal error report.
#pragma once

#include <cstdint>

#include "runtime/values.h"

namespace vx {

using ExitRoutine = void (*)();

// The first thing the program's entry does: records the UI thread, makes the program's
// directory the current directory and creates the hidden owner window.
void InitializeRuntime();

// Adds `routine` to the routines run once at exit, in registration order (once only).
void RegisterExitRoutine(ExitRoutine routine);

// Ends the program: on the UI thread runs the exit routines, tells the runtime services that
// the program ends and ends the process with `code`. On another thread the exit is handed to
// the UI thread; it returns only when the UI thread has already begun exiting.
void ExitProgram(int32_t code);

// Shows the runtime error box ("运行时出错!" with the code, the message and the location
// `where1`, `where2`), task-modal, on the calling thread and ends the program with exit code -1;
// an exit meanwhile (the window closed during a worker's report) ends with -1 too.
[[noreturn]] void ReportRuntimeError(int32_t code, const char* message, int32_t where1,
                                     int32_t where2);

// The text that ReportRuntimeError shows; fresh, owned by the caller.
char* BuildRuntimeErrorText(int32_t code, const char* message, int32_t where1, int32_t where2);

// Window and unit names for the location line of a runtime error. A null window name means
// that the window is not loaded, a null unit name that the unit was not found.
struct UnitNames {
  const char* window;
  const char* unit;
};
using UnitNameLookup = UnitNames (*)(int32_t window, int32_t unit);
void SetUnitNameLookup(UnitNameLookup lookup);

// True for the id that marks a window in a runtime error's location (bits 24 to 27 = 2).
inline bool IsWindowId(int32_t id) {
  return ((static_cast<uint32_t>(id) >> 24) & 0xF) == 2;
}

bool IsUiThread();
bool ProgramIsExiting();
const char* ProgramDirectory();  // without the trailing separator
const char* ProgramFileName();

// The process's current directory as a fresh text; null when the platform cannot tell it.
Text ReadCurrentDirectory();
// Makes `directory` the current directory; false, changing nothing, when the platform refuses.
bool ChangeCurrentDirectory(const char* directory);

}  // namespace vx
