// Script loading and stepping, and archive lookup.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "script/Lexer.h"
#include "script/Runtime.h"
#include "storage/ArchiveFile.h"
#include "tools/writers/ArchiveWriter.h"

namespace {

// About 1 MB of comment and label lines, 100,000 of them.
std::vector<uint8_t> commentScript() {
  std::string text = "N";
  for (int i = 0; i < 50000; ++i) {
    text += "; a comment line of moderate length, as scripts have them\r\n";
    text += "@label" + std::to_string(i) + "\r\n";
  }
  while (text.size() < (1u << 20)) text += "; padding\r\n";
  return std::vector<uint8_t>(text.begin(), text.end());
}

void BM_LoadAndStepCommentLines(benchmark::State& st) {
  const auto bytes = commentScript();
  kobre::Runtime runtime;
  for (auto _ : st) {
    kobre::Lexer lexer(&runtime);
    lexer.LoadFromBytes(bytes, "scr\\bench.scr", &runtime.gameState, true);
    int steps = 0;
    while (lexer.Step()) ++steps;
    benchmark::DoNotOptimize(steps);
  }
  st.SetBytesProcessed(static_cast<int64_t>(st.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_LoadAndStepCommentLines)->Unit(benchmark::kMillisecond);

void BM_ArchiveFindLastOf5000(benchmark::State& st) {
  kobre::writers::ArchiveWriter w;
  for (int i = 0; i < 5000; ++i) w.add("pic" + std::to_string(i) + ".bmp", "x");
  const auto image = w.build(true);
  kobre::ArchiveFile a;
  if (!a.open(std::make_unique<kobre::MemoryFile>(image), true)) st.SkipWithError("archive");
  for (auto _ : st) benchmark::DoNotOptimize(a.find("cg\\PIC4999.bmp"));
}
BENCHMARK(BM_ArchiveFindLastOf5000);

}  // namespace
