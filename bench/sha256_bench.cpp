// SHA-256: the scalar code on one large buffer, then Sha256Digests at every level the processor
// has, scalar among them: ns per message for phone numbers (11 bytes) and for lengths of 0 to 100
// bytes, MB/s for 1 MiB messages.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/digest_benchmarks.h"
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

void RegisterLevelBenchmarks() {
  static const vx::bench::MessageSet mixed = vx::bench::MakeMessageSet(MixedLengths(1 << 16), 2);
  for (vx::Sha256Level level : kLevels) {
    vx::CapSha256Level(level);
    bool available = vx::Sha256LevelInUse() == level;
    vx::CapSha256Level(kMostPreferred);
    if (!available) continue;
    auto time = [level](benchmark::State& state, const vx::bench::MessageSet& set) {
      vx::CapSha256Level(level);
      std::unique_ptr<unsigned char[][32]> digests(new unsigned char[set.messages.size()][32]);
      vx::bench::TimeDigests(state, set, [&] {
        vx::Sha256Digests(set.messages.data(), set.messages.size(), digests.get());
      });
      vx::CapSha256Level(kMostPreferred);
    };
    vx::bench::RegisterMessageSetBenchmarks(
        std::string("Sha256Digests/") + vx::Sha256LevelName(level), &mixed, time);
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
