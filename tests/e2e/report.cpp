#include "tests/e2e/report.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>

namespace vx::e2e {

namespace {
int passed_steps = 0;
int failed_steps = 0;
const char* failure_word = "FAIL";
const ULONGLONG run_start = GetTickCount64();
}  // namespace

bool Step(bool passed, const char* name, const char* detail_format, ...) {
  (passed ? passed_steps : failed_steps)++;
  std::printf("%s %s: ", passed ? "PASS" : failure_word, name);
  va_list arguments;
  va_start(arguments, detail_format);
  std::vprintf(detail_format, arguments);
  va_end(arguments);
  std::printf("\n");
  std::fflush(stdout);
  return passed;
}

bool Step(bool passed, const char* name) {
  (passed ? passed_steps : failed_steps)++;
  std::printf("%s %s\n", passed ? "PASS" : failure_word, name);
  std::fflush(stdout);
  return passed;
}

void Note(const char* format, ...) {
  std::printf("     ");
  va_list arguments;
  va_start(arguments, format);
  std::vprintf(format, arguments);
  va_end(arguments);
  std::printf("\n");
  std::fflush(stdout);
}

int FailedSteps() {
  return failed_steps;
}

void BeginAttempt(int number, int count) {
  passed_steps = failed_steps = 0;
  failure_word = number < count ? "MISS" : "FAIL";
  if (number > 1) Note("attempt %d of %d", number, count);
}

int FinishReport() {
  std::printf("%d steps: %d passed, %d failed (%.0f ms)\n", passed_steps + failed_steps,
              passed_steps, failed_steps, ElapsedMilliseconds());
  std::fflush(stdout);
  return failed_steps == 0 && passed_steps > 0 ? 0 : 1;
}

double ElapsedMilliseconds() {
  return static_cast<double>(GetTickCount64() - run_start);
}

}  // namespace vx::e2e
