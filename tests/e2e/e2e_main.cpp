// vx_e2e: drives a Windows program as a user would and prints PASS or FAIL for each step.
//   vx_e2e SCENARIO --program EXE --probe DLL --out DIR [--import PATH] [--attempts N]
// Unix paths are mapped through Wine. Exits with 0 when every step of an attempt passed. A
// scenario drives a real window on a shared machine, so CTest gives it a second attempt; the
// first attempt's failures stay in the log as MISS lines.
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/e2e/actions.h"
#include "tests/e2e/report.h"
#include "tests/e2e/scenarios.h"

namespace {

struct NamedScenario {
  const char* name;
  void (*run)(const vx::e2e::RunSettings&);
};

constexpr NamedScenario kScenarios[] = {
    {"main-window", vx::e2e::MainWindowScenario},
    {"list-menu", vx::e2e::ListMenuScenario},
    {"batch-run", vx::e2e::BatchRunScenario},
    {"conveniences", vx::e2e::ConveniencesScenario},
    {"dpi", vx::e2e::DpiScenario},
    {"stand-in", vx::e2e::StandInScenario},
    // A benchmark, run by scripts/run-benchmarks.sh rather than by CTest.
    {"wine-bench", vx::e2e::WineBenchScenario},
    // A soak, run by scripts/run-soak.sh (make soak).
    {"wine-soak", vx::e2e::WineSoakScenario},
};

int Usage() {
  std::fprintf(stderr,
               "usage: vx_e2e SCENARIO --program EXE --probe DLL --out DIR"
               " [--import PATH] [--attempts N]\nscenarios:");
  for (const auto& scenario : kScenarios) std::fprintf(stderr, " %s", scenario.name);
  std::fprintf(stderr, "\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Plain \n on the pipe, so that the output greps the same on Linux.
  _setmode(_fileno(stdout), _O_BINARY);
  if (argc < 2) return Usage();
  vx::e2e::RunSettings settings;
  settings.import_tool = "/usr/bin/import";
  int attempts = 1;
  for (int i = 2; i + 1 < argc; i += 2) {
    std::string value = argv[i + 1];
    if (std::strcmp(argv[i], "--program") == 0) {
      settings.program = vx::e2e::WindowsPath(value);
    } else if (std::strcmp(argv[i], "--probe") == 0) {
      settings.probe_dll = vx::e2e::WindowsPath(value);
    } else if (std::strcmp(argv[i], "--out") == 0) {
      settings.output_dir = vx::e2e::WindowsPath(value);
    } else if (std::strcmp(argv[i], "--import") == 0) {
      settings.import_tool = value;
    } else if (std::strcmp(argv[i], "--attempts") == 0) {
      attempts = std::atoi(value.c_str());
    } else {
      return Usage();
    }
  }
  if (settings.program.empty() || settings.probe_dll.empty() || settings.output_dir.empty() ||
      attempts < 1) {
    return Usage();
  }
  CreateDirectoryA(settings.output_dir.c_str(), nullptr);
  for (const auto& scenario : kScenarios) {
    if (std::strcmp(argv[1], scenario.name) != 0) continue;
    for (int attempt = 1;; ++attempt) {
      vx::e2e::BeginAttempt(attempt, attempts);
      vx::e2e::ResetPrefixDpi();
      scenario.run(settings);
      int code = vx::e2e::FinishReport();
      if (code == 0 || attempt == attempts) return code;
    }
  }
  return Usage();
}
