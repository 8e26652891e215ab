// MD5 throughput on a large buffer, and the cost of one digest of a short message including its
// result text (what the MD5 pass pays per row).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "runtime/md5.h"
#include "runtime/values.h"

namespace {

void Md5LargeBuffer(benchmark::State& state) {
  std::vector<unsigned char> buffer(1 << 20);
  for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<unsigned char>(i * 131);
  char hex[32];
  for (auto _ : state) {
    vx::Md5Hex(buffer.data(), buffer.size(), hex);
    benchmark::DoNotOptimize(hex);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(buffer.size()));
}
BENCHMARK(Md5LargeBuffer)->Unit(benchmark::kMicrosecond);

// GetDataDigest allocates its 33-byte result on the runtime heap, as the MD5 pass uses it.
void Md5DigestText(benchmark::State& state) {
  std::string message(static_cast<size_t>(state.range(0)), '7');
  vx::OwnedByteData data(vx::MakeByteData(message.data(), static_cast<int64_t>(message.size())));
  for (auto _ : state) {
    vx::Text digest = vx::GetDataDigest(data.get());
    benchmark::DoNotOptimize(digest);
    vx::FreeBlock(digest);
  }
}
BENCHMARK(Md5DigestText)->Arg(11)->Arg(55);

// The digest alone, into the caller's buffer: the part of the above that is not allocation.
void Md5HexOnly(benchmark::State& state) {
  std::string message(static_cast<size_t>(state.range(0)), '7');
  char hex[32];
  for (auto _ : state) {
    vx::Md5Hex(message.data(), message.size(), hex);
    benchmark::DoNotOptimize(hex);
  }
}
BENCHMARK(Md5HexOnly)->Arg(11)->Arg(55);

}  // namespace

BENCHMARK_MAIN();
