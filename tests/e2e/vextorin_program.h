// Vextorin as the scenarios that run its commands see it: the process, its main window and its
// list, started and found as a user would find them.
#pragma once

#include <windows.h>

#include "tests/e2e/scenarios.h"
#include "tests/e2e/target_process.h"

namespace vx::e2e {

constexpr int kListId = 3;  // the list's control id is its unit id

struct Program {
  TargetProcess target;
  HWND window = nullptr;
  HWND list = nullptr;
  const RunSettings* settings = nullptr;
  int clicks = 0;

  // Where the next right click on the list goes: each time somewhere else, so that two clicks
  // never make a double click.
  POINT NextClickPoint() {
    POINT at = {60 + 37 * (clicks % 9), 60 + 29 * (clicks % 11)};
    ++clicks;
    return at;
  }
};

// Starts the program and waits for its main window and list, each a checked step; false when
// one of them failed.
bool StartProgram(const RunSettings& settings, Program* program);

// The middle of `row` in the list's client coordinates, or {-1, -1}.
POINT RowPoint(Program& program, int row);

}  // namespace vx::e2e
