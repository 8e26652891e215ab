// SHA-256: the scalar code on one large buffer, then Sha256Digests at every level the processor
// has, scalar among them: ns per message for phone numbers (11 bytes) and for lengths of 0 to 100
// bytes, MB/s for 1 MiB messages. ns_per_message counts the wall time, cpu_ns_per_message the
// thread's processor time (steadier where other programs share the cores).
#include <benchmark/benchmark.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/message_sets.h"
#include "runtime/sha256.h"
#include "runtime/sha256_lanes.h"

namespace {

void Sha256LargeBuffer(benchmark::State& state) {
  std::vector<unsigned char> buffer(1 << 20);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<unsigned char>(i * 131);
  unsigned char digest[32];
  for (auto _ : state) {
    vx::Sha256Digest(buffer.data(), buffer.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(buffer.size()));
}
BENCHMARK(Sha256LargeBuffer)->Unit(benchmark::kMicrosecond);

double ThreadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// Lengths of 0 to 100 bytes, evenly drawn.
std::vector<size_t> MixedLengths(size_t count) {
  std::vector<size_t> lengths;
  uint64_t seed = 0x9E3779B97F4A7C15ULL;
  for (size_t i = 0; i < count; ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    lengths.push_back((seed >> 33) % 101);
  }
  return lengths;
}

constexpr vx::Sha256Level kLevels[] = {vx::Sha256Level::kScalar, vx::Sha256Level::kAvx2,
                                       vx::Sha256Level::kShaNi, vx::Sha256Level::kAvx512};
constexpr vx::Sha256Level kMostPreferred = vx::Sha256Level::kAvx512;

void DigestMessages(benchmark::State& state, vx::Sha256Level level,
                    const vx::bench::MessageSet* set) {
  vx::CapSha256Level(level);
  std::unique_ptr<unsigned char[][32]> digests(new unsigned char[set->messages.size()][32]);
  auto start = std::chrono::steady_clock::now();
  double start_cpu = ThreadSeconds();
  for (auto _ : state) {
    vx::Sha256Digests(set->messages.data(), set->messages.size(), digests.get());
    benchmark::DoNotOptimize(digests.get());
    benchmark::ClobberMemory();
  }
  double cpu = ThreadSeconds() - start_cpu;
  std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
  vx::CapSha256Level(kMostPreferred);
  auto messages = static_cast<double>(state.iterations() * set->messages.size());
  state.counters["ns_per_message"] = elapsed.count() / messages;
  state.counters["cpu_ns_per_message"] = 1e9 * cpu / messages;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(set->total_length));
}

void RegisterLevelBenchmarks() {
  using vx::bench::MakeMessageSet;
  using vx::bench::MessageSet;
  static const MessageSet phones = MakeMessageSet(std::vector<size_t>(1 << 16, 11), 1);
  static const MessageSet mixed = MakeMessageSet(MixedLengths(1 << 16), 2);
  static const MessageSet large = MakeMessageSet(std::vector<size_t>(32, 1 << 20), 3);
  static const MessageSet one_large = MakeMessageSet(std::vector<size_t>(1, 1 << 20), 4);
  for (vx::Sha256Level level : kLevels) {
    vx::CapSha256Level(level);
    bool available = vx::Sha256LevelInUse() == level;
    vx::CapSha256Level(kMostPreferred);
    if (!available) continue;
    std::string name = std::string("Sha256Digests/") + vx::Sha256LevelName(level);
    benchmark::RegisterBenchmark((name + "/phone_11_bytes").c_str(), DigestMessages, level,
                                 &phones);
    benchmark::RegisterBenchmark((name + "/mixed_0_to_100_bytes").c_str(), DigestMessages, level,
                                 &mixed);
    benchmark::RegisterBenchmark((name + "/32_messages_of_1_MiB").c_str(), DigestMessages, level,
                                 &large)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((name + "/one_message_of_1_MiB").c_str(), DigestMessages, level,
                                 &one_large)
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RegisterLevelBenchmarks();
  std::printf("Sha256Digests prefers here: %s\n", vx::Sha256LevelName(vx::Sha256LevelInUse()));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
