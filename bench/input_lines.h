// Input files for the benchmarks, the same on every platform (the native benchmarks and the
// end-to-end driver under Wine make them alike): lines ended by CR LF, drawn by a fixed seed.
#pragma once

#include <cstdint>
#include <string>

namespace vx::bench {

// Eleven-digit phone numbers ("1" and ten digits); after the first line, one line in ten
// repeats an earlier line.
std::string PhoneLines(int64_t lines);

// Lines as users bring them: phone numbers, GBK Chinese names and words, account and note
// fields joined by "----", ASCII IDs and e-mail addresses, and empty lines (one in twenty-five);
// one line in five repeats an earlier line.
std::string MixedLines(int64_t lines);

}  // namespace vx::bench
