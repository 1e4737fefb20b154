#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "transport/FrameReassembler.h"

namespace {

std::string frame(const std::string& body) { return "\x01" + std::to_string(body.size()) + "\x03" + body + "\x02"; }

void BM_LargeFrameIn1KiBChunks(benchmark::State& state) {
  const std::string stream = frame(std::string(4u << 20, 'x'));
  size_t frames = 0;
  td::FrameReassembler r([&](std::string_view) { ++frames; });
  for (auto _ : state) {
    for (size_t pos = 0; pos < stream.size(); pos += 1024) r.feed(std::string_view(stream).substr(pos, 1024));
  }
  benchmark::DoNotOptimize(frames);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
}
BENCHMARK(BM_LargeFrameIn1KiBChunks);

void BM_TenThousandSmallFramesInOneChunk(benchmark::State& state) {
  std::string stream;
  for (int i = 0; i < 10000; ++i) stream += frame("10=1019\x03" "1013=" + std::to_string(i) + "\x03" "52=20240102030405\x03");
  size_t frames = 0;
  td::FrameReassembler r([&](std::string_view f) { frames += f.size(); });
  for (auto _ : state) r.feed(stream);
  benchmark::DoNotOptimize(frames);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * stream.size()));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 10000));
}
BENCHMARK(BM_TenThousandSmallFramesInOneChunk);

}  // namespace
