#include "tests/e2e/vextorin_program.h"

#include "tests/e2e/actions.h"
#include "tests/e2e/report.h"
#include "tests/e2e/window_lookup.h"

namespace vx::e2e {

bool StartProgram(const RunSettings& settings, Program* program) {
  program->settings = &settings;
  if (!Step(program->target.Start(settings.program), "program starts", "%s",
            settings.program.c_str())) {
    return false;
  }
  WindowQuery query;
  query.pid = program->target.pid();
  query.class_name = "VextorinWindow";
  program->window = WaitForWindow(query, 20000);
  program->list =
      program->window ? FindDescendant(program->window, kListId, "SysListView32") : nullptr;
  return Step(program->list != nullptr, "main window and its list appear");
}

POINT RowPoint(Program& program, int row) {
  RECT rect = {};
  if (!ReadListRowRect(program.target, program.list, row, &rect)) return {-1, -1};
  return {rect.left + 100, (rect.top + rect.bottom) / 2};
}

}  // namespace vx::e2e
