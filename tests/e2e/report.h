// Step results of an end-to-end run: one PASS or FAIL line per step, then a summary.
#pragma once

namespace vx::e2e {

// Prints "PASS name" or "FAIL name: detail" (a printf format) and counts the step; returns
// `passed`, so that a scenario can stop where later steps depend on this one.
bool Step(bool passed, const char* name, const char* detail_format, ...)
    __attribute__((format(printf, 3, 4)));
bool Step(bool passed, const char* name);

// Prints a line that is not a step (timings, paths).
void Note(const char* format, ...) __attribute__((format(printf, 1, 2)));

int FailedSteps();

// Begins attempt `number` of `count` at a scenario: the counts start again, and every attempt but
// the last prints its failures as "MISS", so that only the last attempt can fail the run.
void BeginAttempt(int number, int count);

// Prints the counts and the run's duration; returns the process exit code (1 on any failure).
int FinishReport();

// Milliseconds since the run started.
double ElapsedMilliseconds();

}  // namespace vx::e2e
