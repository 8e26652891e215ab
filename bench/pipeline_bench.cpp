// The whole job on the headless window, as a user runs it: import a file of lines (11-digit
// phone numbers, or the mixed lines of bench/input_lines.h), remove duplicates, run the MD5 pass
// to its completion title, export. Runs the program's own handlers through the popup menu and
// prints, per stage, the wall time and the peak memory of the process during that stage (the
// peak is reset before each stage where Linux allows it, else it is the peak so far). Ends with
// one line per stage and size: `bench <stage> <lines> <seconds> <peak_MiB>`.
//
// Usage: pipeline_bench [--input phones|mixed] [--marks] [--export-types] [lines...]
//   (default: phones, 1000000 10000000). --marks prints each stage's start and end on
//   CLOCK_MONOTONIC, for `perf record -k CLOCK_MONOTONIC` and `perf report --time START,END`.
//   --export-types then exports the digested rows once more in each of the export dialog's file
//   types, as stages `export-type1` to `export-type4` (the job's own export is type 1).
// Or: pipeline_bench --file PATH --out DIR LINES
//   imports the file at PATH instead of making one (LINES only names the run) and leaves the
//   export in DIR, as ../shared/yardstick/compare.sh runs it.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bench/input_lines.h"
#include "pipeline/pipeline_state.h"
#include "pipeline/pipeline_texts.h"
#include "runtime/runtime.h"
#include "ui/list_control.h"
#include "ui/units.h"
#include "ui/window_headless.h"

namespace {

using Clock = std::chrono::steady_clock;

struct StageResult {
  const char* stage;
  int64_t lines;
  double seconds;
  double peak_mib;
};

// VmHWM of /proc/self/status, in MiB.
double PeakMib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atof(line.c_str() + 6) / 1024.0;
  }
  return 0;
}

bool ResetPeak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear);
}

bool print_marks = false;
bool export_types = false;

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

void WriteInput(const std::string& bytes, const std::string& path) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void Choose(vx::UnitRef entry) {
  vx::headless::RightClick(vx::超级列表框1);
  if (!vx::headless::ChooseFromPopup(entry)) {
    std::fprintf(stderr, "the popup does not offer entry %d\n", entry.unit);
    std::exit(1);
  }
  vx::headless::Pump();
}

std::string LastTitle() {
  std::vector<vx::headless::TitleChange> titles = vx::headless::TitleChanges();
  return titles.empty() ? std::string() : titles.back().title;
}

template <typename Stage>
StageResult Measure(const char* name, int64_t lines, Stage&& stage) {
  bool reset = ResetPeak();
  double mark = MonotonicSeconds();
  Clock::time_point start = Clock::now();
  stage();
  double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  StageResult result{name, lines, seconds, PeakMib()};
  std::printf("  %-7s %7.3f s   peak %7.0f MiB%s   title: %s\n", name, seconds, result.peak_mib,
              reset ? "" : " (so far)", LastTitle().c_str());
  if (print_marks) std::printf("  marks %s %.6f,%.6f\n", name, mark, MonotonicSeconds());
  std::fflush(stdout);
  return result;
}

// The job on `given_input` when it is not empty, else on a file of `lines` lines made in
// `directory`; the export goes to `output_directory`, or to `directory` and is removed.
std::vector<StageResult> RunJob(bool mixed, int64_t lines, const std::string& directory,
                                const std::string& given_input,
                                const std::string& output_directory) {
  std::string input = given_input.empty() ? directory + "/input.txt" : given_input;
  std::string output = (output_directory.empty() ? directory : output_directory) + "/export.txt";
  if (given_input.empty()) {
    std::string bytes = mixed ? vx::bench::MixedLines(lines) : vx::bench::PhoneLines(lines);
    WriteInput(bytes, input);
    std::printf("%lld %s lines, %lld bytes of input\n", static_cast<long long>(lines),
                mixed ? "mixed" : "phone", static_cast<long long>(bytes.size()));
  } else {
    std::printf("%s\n", input.c_str());
  }
  vx::LoadStartWindow(vx::MainWindowLayout());

  std::vector<StageResult> results;
  results.push_back(Measure("import", lines, [&] {
    vx::headless::ConfirmNextFileDialog(input);
    Choose(vx::kImportEntry);
  }));
  results.push_back(Measure("dedupe", lines, [&] { Choose(vx::kRemoveDuplicatesEntry); }));
  results.push_back(Measure("pass", lines, [&] {
    Choose(vx::kStartPassEntry);
    while (vx::CompareText(vx::run_state.load(), vx::kRunStateStopped) != 0 ||
           LastTitle().rfind(vx::kTitlePassCompleteBefore, 0) != 0) {
      vx::headless::Pump();
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
  }));
  results.push_back(Measure("export", lines, [&] {
    vx::headless::ConfirmNextFileDialog(output, 1);
    Choose(vx::kExportEntry);
  }));
  StageResult total{"total", lines, 0, 0};
  for (const StageResult& stage : results) {
    total.seconds += stage.seconds;
    total.peak_mib = std::max(total.peak_mib, stage.peak_mib);
  }
  results.push_back(total);
  if (export_types) {
    static const char* const kTypeStages[] = {"export-type1", "export-type2", "export-type3",
                                              "export-type4"};
    for (int32_t type = 1; type <= 4; ++type) {
      std::string typed = output + ".type" + std::to_string(type);
      results.push_back(Measure(kTypeStages[type - 1], lines, [&] {
        vx::headless::ConfirmNextFileDialog(typed, type);
        Choose(vx::kExportEntry);
      }));
      std::remove(typed.c_str());
    }
  }

  std::printf(
      "  rows after removal: %d; export file: %lld bytes\n", vx::GetRowCount(vx::超级列表框1),
      static_cast<long long>(std::ifstream(output, std::ios::ate | std::ios::binary).tellg()));
  Choose(vx::kClearListEntry);
  if (given_input.empty()) std::remove(input.c_str());
  if (output_directory.empty()) std::remove(output.c_str());
  return results;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int64_t> sizes;
  bool mixed = false;
  std::string given_input, output_directory;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--marks") == 0) {
      print_marks = true;
    } else if (std::strcmp(argv[i], "--export-types") == 0) {
      export_types = true;
    } else if (std::strcmp(argv[i], "--input") == 0 && i + 1 < argc) {
      mixed = std::strcmp(argv[++i], "mixed") == 0;
    } else if (std::strcmp(argv[i], "--file") == 0 && i + 1 < argc) {
      given_input = argv[++i];
    } else if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
      output_directory = argv[++i];
    } else {
      sizes.push_back(std::atoll(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {1000000, 10000000};

  vx::InitializeRuntime();
  char directory[] = "/tmp/vextorin-bench-XXXXXX";
  if (!mkdtemp(directory)) {
    std::perror("mkdtemp");
    return 1;
  }
  double load[3] = {0, 0, 0};
  if (getloadavg(load, 3) == 3) {
    std::printf("load average before: %.2f %.2f %.2f\n", load[0], load[1], load[2]);
  }

  std::vector<StageResult> all;
  for (int64_t lines : sizes) {
    for (const StageResult& result :
         RunJob(mixed, lines, directory, given_input, output_directory)) {
      all.push_back(result);
    }
  }
  rmdir(directory);
  for (const StageResult& result : all) {
    std::printf("bench %s %lld %.3f %.0f\n", result.stage, static_cast<long long>(result.lines),
                result.seconds, result.peak_mib);
  }
  return 0;
}
