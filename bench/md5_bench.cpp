// MD5 throughput on a large buffer, the cost of one scalar digest of a short message, and
// Md5Digests at every level the processor has: ns per message for phone numbers and for mixed
// lengths, MB/s for 1 MiB messages.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/digest_benchmarks.h"
#include "runtime/md5.h"
#include "runtime/md5_lanes.h"

namespace {

void Md5LargeBuffer(benchmark::State& state) {
  std::vector<unsigned char> buffer(1 << 20);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<unsigned char>(i * 131);
  unsigned char digest[16];
  for (auto _ : state) {
    vx::Md5Digest(buffer.data(), buffer.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(buffer.size()));
}
BENCHMARK(Md5LargeBuffer)->Unit(benchmark::kMicrosecond);

// One message at a time, as the lanes digest a message of their own.
void Md5OneMessage(benchmark::State& state) {
  std::string message(static_cast<size_t>(state.range(0)), '7');
  unsigned char digest[16];
  for (auto _ : state) {
    vx::Md5Digest(message.data(), message.size(), digest);
    benchmark::DoNotOptimize(digest);
  }
}
BENCHMARK(Md5OneMessage)->Arg(11)->Arg(55);

// Lines of 0 to 100 bytes, one in 256 of 1,000 to 5,000.
std::vector<size_t> MixedLengths(size_t count) {
  std::vector<size_t> lengths;
  uint64_t seed = 0x9E3779B97F4A7C15ULL;
  for (size_t i = 0; i < count; ++i) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    uint64_t value = seed >> 33;
    lengths.push_back(value % 256 == 0 ? 1000 + value / 256 % 4001 : value % 101);
  }
  return lengths;
}

void RegisterLevelBenchmarks() {
  static const vx::bench::MessageSet mixed = vx::bench::MakeMessageSet(MixedLengths(1 << 16), 2);
  vx::CapMd5Level(vx::Md5Level::kAvx512);
  vx::Md5Level highest = vx::Md5LevelInUse();
  for (vx::Md5Level level : {vx::Md5Level::kScalar, vx::Md5Level::kAvx2, vx::Md5Level::kAvx512}) {
    if (static_cast<int>(level) > static_cast<int>(highest)) break;
    auto time = [level](benchmark::State& state, const vx::bench::MessageSet& set) {
      vx::CapMd5Level(level);
      std::unique_ptr<unsigned char[][16]> digests(new unsigned char[set.messages.size()][16]);
      vx::bench::TimeDigests(state, set, [&] {
        vx::Md5Digests(set.messages.data(), set.messages.size(), digests.get());
      });
      vx::CapMd5Level(vx::Md5Level::kAvx512);
    };
    vx::bench::RegisterMessageSetBenchmarks(std::string("Md5Digests/") + vx::Md5LevelName(level),
                                            &mixed, time);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RegisterLevelBenchmarks();
  std::printf("Md5Digests levels here: up to %s\n", vx::Md5LevelName(vx::Md5LevelInUse()));
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
