// What the digest benchmarks share: messages laid end to end in one buffer of random digits, the
// sets of them that every level is timed on, and the figures printed per message.
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/hashed_message.h"

namespace vx::bench {

struct MessageSet {
  std::string bytes;
  std::vector<HashedMessage> messages;
  size_t total_length = 0;
};

inline MessageSet MakeMessageSet(const std::vector<size_t>& lengths, uint64_t seed) {
  MessageSet set;
  for (size_t length : lengths) set.total_length += length;
  set.bytes.resize(set.total_length);
  for (char& byte : set.bytes) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    byte = static_cast<char>('0' + (seed >> 33) % 10);
  }
  const auto* next = reinterpret_cast<const unsigned char*>(set.bytes.data());
  for (size_t length : lengths) {
    set.messages.push_back({next, length});
    next += length;
  }
  return set;
}

inline double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Calls digest_all() once an iteration, which digests every message of `set`. ns_per_message
// counts the wall time, cpu_ns_per_message the thread's processor time (steadier where other
// programs share the cores).
inline void TimeDigests(benchmark::State& state, const MessageSet& set,
                        const std::function<void()>& digest_all) {
  auto start = std::chrono::steady_clock::now();
  double start_cpu = ThreadSeconds();
  for (auto _ : state) {
    digest_all();
    benchmark::ClobberMemory();
  }
  double cpu = ThreadSeconds() - start_cpu;
  std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
  auto messages = static_cast<double>(state.iterations() * set.messages.size());
  state.counters["ns_per_message"] = elapsed.count() / messages;
  state.counters["cpu_ns_per_message"] = 1e9 * cpu / messages;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(set.total_length));
}

// Registers `prefix` + "/phone_11_bytes", "/mixed_0_to_100_bytes", "/32_messages_of_1_MiB" and
// "/one_message_of_1_MiB", each timing its set with `time`. `mixed` lives as long as the
// program.
inline void RegisterMessageSetBenchmarks(
    const std::string& prefix, const MessageSet* mixed,
    const std::function<void(benchmark::State&, const MessageSet&)>& time) {
  static const MessageSet phones = MakeMessageSet(std::vector<size_t>(1 << 16, 11), 1);
  static const MessageSet large = MakeMessageSet(std::vector<size_t>(32, 1 << 20), 3);
  static const MessageSet one_large = MakeMessageSet(std::vector<size_t>(1, 1 << 20), 4);
  auto timing = [time](const MessageSet* set) {
    return [time, set](benchmark::State& state) { time(state, *set); };
  };
  benchmark::RegisterBenchmark((prefix + "/phone_11_bytes").c_str(), timing(&phones));
  benchmark::RegisterBenchmark((prefix + "/mixed_0_to_100_bytes").c_str(), timing(mixed));
  benchmark::RegisterBenchmark((prefix + "/32_messages_of_1_MiB").c_str(), timing(&large))
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark((prefix + "/one_message_of_1_MiB").c_str(), timing(&one_large))
      ->Unit(benchmark::kMillisecond);
}

}  // namespace vx::bench
