// The import's buffer work at full size: loading a 200 MB file of 10,000,000 CR LF lines into a
// RapidString and splitting it into 10,000,000 texts. Each benchmark reports its peak resident
// memory (peak_MB, the whole process) and how much it added to what the process held when it
// began (added_MB).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/rapid_string.h"
#include "runtime/values.h"

namespace {

constexpr int32_t kLines = 10000000;
constexpr int32_t kLineLength = 20;  // 18 digits and CR LF

std::string test_file;

// The 200 MB file, written once and removed at the end of the program.
const std::string& TestFile() {
  if (test_file.empty()) {
    test_file = (std::filesystem::temp_directory_path() / "vextorin-bench-lines.txt").string();
    std::ofstream file(test_file, std::ios::binary | std::ios::trunc);
    std::string block;
    char line[32];
    for (int32_t i = 0; i < kLines; ++i) {
      std::snprintf(line, sizeof line, "%018d\r\n", i);
      block += line;
      if (block.size() >= (1 << 20)) {
        file.write(block.data(), static_cast<std::streamsize>(block.size()));
        block.clear();
      }
    }
    file.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  return test_file;
}

// Resident memory from /proc: the peak since the last reset, and the current size, in MB.
double ResidentMegabytes(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  size_t field_length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, field_length, field) == 0) {
      return std::strtod(line.c_str() + field_length + 1, nullptr) / 1024;
    }
  }
  return 0;
}

// Starts a new peak: writing 5 to clear_refs resets the peak resident size (Linux 4.0 on).
double ResetPeakMemory() {
  std::ofstream("/proc/self/clear_refs") << "5";
  return ResidentMegabytes("VmRSS:");
}

void ReportMemory(benchmark::State& state, double resident_at_start) {
  double peak = ResidentMegabytes("VmHWM:");
  state.counters["peak_MB"] = peak;
  state.counters["added_MB"] = peak - resident_at_start;
}

// The baseline: the file read in one call into one malloc block, as any loader must.
void ReadFileBaseline(benchmark::State& state) {
  const std::string& path = TestFile();
  double start = ResetPeakMemory();
  for (auto _ : state) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    std::fseek(file, 0, SEEK_SET);
    auto* bytes = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
    benchmark::DoNotOptimize(std::fread(bytes, 1, static_cast<size_t>(size), file));
    std::fclose(file);
    std::free(bytes);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kLines} * kLineLength);
  ReportMemory(state, start);
}
BENCHMARK(ReadFileBaseline)->Unit(benchmark::kMillisecond)->Iterations(3);

void RapidStringLoadFromFile(benchmark::State& state) {
  const std::string& path = TestFile();
  double start = ResetPeakMemory();
  for (auto _ : state) {
    vx::RapidString text;
    if (!text.LoadFromFile(path.c_str())) state.SkipWithError("LoadFromFile failed");
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kLines} * kLineLength);
  ReportMemory(state, start);
}
BENCHMARK(RapidStringLoadFromFile)->Unit(benchmark::kMillisecond)->Iterations(3);

// The split alone: 10,000,000 fresh texts and their array. Releasing them is not timed.
void RapidStringSplitLines(benchmark::State& state) {
  vx::RapidString text;
  text.LoadFromFile(TestFile().c_str());
  double start = ResetPeakMemory();
  for (auto _ : state) {
    vx::ValueArray lines = text.Split("\r\n");
    state.PauseTiming();
    if (vx::ArrayCount(lines) != kLines) state.SkipWithError("wrong line count");
    vx::FreeArrayOfBlocks(lines);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kLines});
  ReportMemory(state, start);
}
BENCHMARK(RapidStringSplitLines)->Unit(benchmark::kMillisecond)->Iterations(3);

// What the import holds at its peak: the loaded file and its line texts.
void LoadAndSplitLines(benchmark::State& state) {
  const std::string& path = TestFile();
  double start = ResetPeakMemory();
  for (auto _ : state) {
    vx::RapidString text;
    text.LoadFromFile(path.c_str());
    vx::ValueArray lines = text.Split("\r\n");
    state.PauseTiming();
    vx::FreeArrayOfBlocks(lines);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * int64_t{kLines});
  ReportMemory(state, start);
}
BENCHMARK(LoadAndSplitLines)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (!test_file.empty()) std::remove(test_file.c_str());
  return 0;
}
