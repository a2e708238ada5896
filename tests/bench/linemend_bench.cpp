// Load, "Fix text automatic" and save on generated documents of growing size;
// the time per entry should stay flat.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/sub_file.h"
#include "fixing/fixing.h"

namespace {

// A realistic mix: short entries, long single lines, three-line entries,
// broken dialogue, two-line entries too long for the screen, and fitting ones.
std::vector<std::string> MakeDocument(int entries) {
  static const char* const kTexts[] = {
      "Short one",
      "Yes.",
      "This is a rather long subtitle line that needs a break",
      "We never thought that the river would rise this high in spring",
      "First line|second line|third line here",
      "-Where are you going?|-Out to the|garden.",
      "We have been walking for hours and hours|along the river bank and nobody has seen a "
      "single boat",
      "This first line is definitely much longer than allowed|and this second line is also "
      "longer than it should be",
      "Fine|lines",
      "Aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
      "{y:i}I told you already|we are not going back there",
  };
  constexpr int kKinds = sizeof kTexts / sizeof kTexts[0];
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> kind(0, kKinds - 1);
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(entries));
  for (int i = 0; i < entries; ++i) {
    const int start = 100 + i * 60;
    lines.push_back("{" + std::to_string(start) + "}{" + std::to_string(start + 50) + "}" +
                    kTexts[kind(rng)]);
  }
  return lines;
}

struct BenchFiles {
  std::string folder;
  BenchFiles() {
    char name[] = "/tmp/linemend-bench-XXXXXX";
    folder = ::mkdtemp(name);
  }
  ~BenchFiles() { std::system(("rm -rf '" + folder + "'").c_str()); }
};

// The document sizes every benchmark runs on, and how their cost is fitted.
void DocumentSizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)
      ->Arg(8000)
      ->Arg(24000)  // grows to about 28400 entries: room for every division
      ->Arg(32767)  // full from the start: no division fits
      ->Unit(benchmark::kMillisecond)
      ->Complexity(benchmark::oN);
}

void BM_LoadFixSave(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  BenchFiles files;
  const std::string name = "in.sub";
  const std::string out = files.folder + "/out.sub";
  if (!lm::WriteSubtitleFile(files.folder + "/" + name, MakeDocument(entries)).ok()) {
    state.SkipWithError("cannot write the input file");
    return;
  }
  int resulting = 0;
  for (auto _ : state) {
    lm::Document doc;
    if (!lm::LoadSubtitleFile(doc, files.folder, name, nullptr)) {
      state.SkipWithError("load failed");
      return;
    }
    lm::Fixlines_Click(doc);
    if (!lm::WriteSubtitleFile(out, doc.List1.Items()).ok()) {
      state.SkipWithError("save failed");
      return;
    }
    resulting = doc.List1.Count();
    benchmark::DoNotOptimize(doc.FixCount);
  }
  state.SetComplexityN(entries);
  state.SetItemsProcessed(state.iterations() * entries);
  state.counters["entries_after"] = resulting;
  state.counters["per_entry"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * entries,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_LoadFixSave)
    ->Apply(DocumentSizes);

// The command alone, without the file work.
void BM_FixOnly(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  const std::vector<std::string> lines = MakeDocument(entries);
  for (auto _ : state) {
    state.PauseTiming();
    lm::Document doc;
    doc.List1.Assign(lines);
    doc.List1.SetListIndex(0);
    doc.CurrentIndex = 0;
    doc.DecomposeEntry();
    state.ResumeTiming();
    lm::Fixlines_Click(doc);
    benchmark::DoNotOptimize(doc.FixCount);
  }
  state.SetComplexityN(entries);
  state.SetItemsProcessed(state.iterations() * entries);
}
BENCHMARK(BM_FixOnly)
    ->Apply(DocumentSizes);

}  // namespace

BENCHMARK_MAIN();
