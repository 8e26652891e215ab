// The end-to-end scenarios. Each one starts its program, acts on it step by step and reports
// every step (report.h); vx_e2e runs the one named on its command line.
#pragma once

#include <string>

namespace vx::e2e {

struct RunSettings {
  std::string program;      // Windows path of the program under test
  std::string probe_dll;    // Windows path of the probe DLL
  std::string output_dir;   // Windows path of the folder for screenshots and files
  std::string import_tool;  // path of ImageMagick's `import`, for screenshots
};

// Vextorin's main window: title, frame, placement, icons, moving, and the close question.
void MainWindowScenario(const RunSettings& settings);

// Vextorin's list and popup menu before any import: the list's styles, columns and colours, the
// menu that a right click anywhere in the list opens, and that closing it runs nothing.
void ListMenuScenario(const RunSettings& settings);

// The typical run through the real window: import a GBK file with repeats and empty lines,
// remove the repeats, run the MD5 pass, export and compare the file with the driver's own
// digests; then the same on two million lines, with the working titles, the busy menu, and the
// close question answered No and then Yes in the middle of a pass.
void BatchRunScenario(const RunSettings& settings);

// The ways to the commands beside a right click: Shift+F10 and the menu key, with the arrows and
// Enter; typing a number to find its row; Ctrl+C on the selected row, also during a pass; files
// dropped on the window, also while the busy menu is shown.
void ConveniencesScenario(const RunSettings& settings);

// Vextorin at 96, 144 and 192 DPI: the window, the list, its columns, the font and the popup
// menu's place scaled to the DPI, the manifest's DPI awareness, and a move to a screen of
// another DPI.
void DpiScenario(const RunSettings& settings);
// Sets the prefix's DPI to 96 for the programs started from now on: a run of DpiScenario that
// was cut short may have left another.
void ResetPrefixDpi();

// A benchmark rather than a test (no CTest test runs it): a million phone numbers through the
// real window, printing each command's time, the right click's time to the menu, and how fast
// the list repaints during the MD5 pass; the job itself is still checked.
void WineBenchScenario(const RunSettings& settings);

// A soak rather than a test: fifty rounds of import, duplicate removal, MD5 pass, export and
// clearing over a million lines, printing the working set after each round; the last round's
// must be within 10% of the first's, and every export byte-identical to the first.
void WineSoakScenario(const RunSettings& settings);

// The driver's own actions against the stand-in program: list cells, popup menu reading and
// choosing, the open dialog and the exit code.
void StandInScenario(const RunSettings& settings);

}  // namespace vx::e2e
