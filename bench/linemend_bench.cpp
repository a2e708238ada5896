// Load, "Fix text automatic" and save on generated documents of growing size,
// each next to a plain copy of the same file made in the same run, without
// and with style markup on every line; and the undo of the fix with what its
// history costs; the fix with natural breaks against middle ones; and every
// format's file opened and saved.
//
//   build/linemend_bench
//
// "ratio" is the time of load + fix + save over that of the plain copy. The
// Process benchmarks time `linemend fix` as a whole process against this
// program's own plain copy run as a process of its own.
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "files/file_io.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "model/document.h"
#include "model/time_notation.h"
#include "rules/rules.h"

namespace {

// A realistic mix: short entries, long single lines, three-line entries,
// broken dialogue, two-line entries too long for the screen, and fitting ones.
// `tagged`: every screen line starts with an italic tag or a "/", every third
// entry with a colour tag for the whole entry.
std::string Tagged(const std::string& text, int i) {
  std::string out = i % 3 == 0 ? "{C:$0000FF}" : "";
  size_t start = 0;
  for (int line = 0;; ++line) {
    const size_t bar = text.find('|', start);
    out += line % 2 == 0 ? "{y:i}" : "/";
    out.append(text, start, bar == std::string::npos ? std::string::npos : bar - start + 1);
    if (bar == std::string::npos) return out;
    start = bar + 1;
  }
}

std::vector<std::string> MakeDocument(int entries, bool tagged = false) {
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
    const std::string text = kTexts[kind(rng)];
    lines.push_back("{" + std::to_string(start) + "}{" + std::to_string(start + 50) + "}" +
                    (tagged ? Tagged(text, i) : text));
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

// What a plain copy program does with the file: read it, split it into its
// lines, write each back with CR LF.
void PlainCopy(const std::string& in, const std::string& out) {
  std::FILE* f = std::fopen(in.c_str(), "rb");
  std::string content;
  char buf[1 << 16];
  for (size_t got; f && (got = std::fread(buf, 1, sizeof buf, f)) > 0;) content.append(buf, got);
  if (f) std::fclose(f);
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(std::count(content.begin(), content.end(), '\r')) + 1);
  size_t start = 0;
  while (start < content.size()) {
    size_t end = content.find('\r', start);
    if (end == std::string::npos) end = content.size();
    if (end > start) lines.emplace_back(content, start, end - start);
    start = end + 2;
  }
  std::string bytes;
  bytes.reserve(content.size() + 2);
  for (const auto& l : lines) {
    bytes += l;
    bytes += "\r\n";
  }
  f = std::fopen(out.c_str(), "wb");
  if (f) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

bool LoadFixSave(const BenchFiles& files, const std::string& out, lm::Document& doc) {
  doc.KeepHistory(false);  // as the command line runs it
  doc.Begin("Open");
  const bool loaded = static_cast<bool>(lm::LoadSubtitleFile(doc, files.folder, "in.sub", nullptr));
  doc.Commit();
  if (!loaded) return false;
  doc.Begin("Fix text automatic");
  lm::Fixlines_Click(doc);
  doc.Commit();
  return lm::WriteDocument(doc, out).ok();
}

// The document sizes every benchmark runs on, and how their cost is fitted.
void DocumentSizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)
      ->Arg(8000)
      ->Arg(24000)  // grows to about 28400 entries: room for every division
      ->Arg(32767)  // full from the start: no division fits
      ->Unit(benchmark::kMillisecond)
      ->UseManualTime()
      ->Complexity(benchmark::oN);
}

void LoadFixSave(benchmark::State& state, bool tagged) {
  const int entries = static_cast<int>(state.range(0));
  BenchFiles files;
  const std::string in = files.folder + "/in.sub", out = files.folder + "/out.sub";
  if (!lm::WriteSubtitleFile(in, MakeDocument(entries, tagged), lm::Encoding::Windows1252).ok()) {
    state.SkipWithError("cannot write the input file");
    return;
  }
  std::vector<double> copies, runs;
  for (int i = 0; i < 21; ++i) {
    const auto t = std::chrono::steady_clock::now();
    PlainCopy(in, files.folder + "/copy.sub");
    copies.push_back(Seconds(t));
  }
  int resulting = 0;
  for (auto _ : state) {
    lm::Document doc;
    const auto t = std::chrono::steady_clock::now();
    if (!LoadFixSave(files, out, doc)) {
      state.SkipWithError("load, fix or save failed");
      return;
    }
    const double took = Seconds(t);
    state.SetIterationTime(took);
    runs.push_back(took);
    resulting = doc.List1.Count();
  }
  state.SetComplexityN(entries);
  state.counters["entries_after"] = resulting;
  state.counters["copy_ms"] = Median(copies) * 1000;
  state.counters["ratio"] = Median(runs) / Median(copies);
}
void BM_LoadFixSave(benchmark::State& state) { LoadFixSave(state, false); }
void BM_LoadFixSaveTagged(benchmark::State& state) { LoadFixSave(state, true); }
BENCHMARK(BM_LoadFixSave)->Apply(DocumentSizes);
BENCHMARK(BM_LoadFixSaveTagged)->Apply(DocumentSizes);

// "Fix text automatic" alone, in memory, with natural breaks, on the
// documents above; "over_middle" is its time over that of the same fix with
// middle breaks (at most 2 is the aim).
double FixOnce(const std::vector<std::string>& lines, lm::BreakStyle style) {
  lm::Document doc;
  doc.KeepHistory(false);
  doc.Begin("Open");
  doc.Load(std::vector<std::string>(lines), "/nowhere.sub", lm::Encoding::Windows1252);
  doc.Commit();
  lm::Profile profile;
  profile.breaks = style;
  doc.SetProfile(profile);
  const auto t = std::chrono::steady_clock::now();
  doc.Begin("Fix text automatic");
  lm::Fixlines_Click(doc);
  doc.Commit();
  return Seconds(t);
}

void FixBreaks(benchmark::State& state, bool tagged) {
  const std::vector<std::string> lines = MakeDocument(static_cast<int>(state.range(0)), tagged);
  // The two styles in turn, so that both meet the same state of the
  // machine (caches, the heap, the clock's pace).
  std::vector<double> middle, natural;
  for (auto _ : state) {
    middle.push_back(FixOnce(lines, lm::BreakStyle::Middle));
    const double took = FixOnce(lines, lm::BreakStyle::Natural);
    state.SetIterationTime(took);
    natural.push_back(took);
  }
  state.SetComplexityN(state.range(0));
  state.counters["middle_ms"] = Median(middle) * 1000;
  state.counters["over_middle"] = Median(natural) / Median(middle);
}
void BM_FixNaturalBreaks(benchmark::State& state) { FixBreaks(state, false); }
void BM_FixNaturalBreaksTagged(benchmark::State& state) { FixBreaks(state, true); }
BENCHMARK(BM_FixNaturalBreaks)->Apply(DocumentSizes);
BENCHMARK(BM_FixNaturalBreaksTagged)->Apply(DocumentSizes);

// Undo and redo of the whole fix, and the memory the step keeps next to the
// document's own.
void BM_UndoRedoFix(benchmark::State& state) {
  const int entries = static_cast<int>(state.range(0));
  lm::Document doc;
  doc.Begin("Open");
  doc.Load(MakeDocument(entries), "/nowhere.sub", lm::Encoding::Windows1252);
  doc.Commit();
  doc.Begin("Fix text automatic");
  lm::Fixlines_Click(doc);
  doc.Commit();
  size_t documentBytes = 0;
  for (const auto& l : doc.List1.Items()) documentBytes += sizeof(std::string) + l.size();
  for (auto _ : state) {
    const auto t = std::chrono::steady_clock::now();
    doc.Begin("Undo");
    doc.Undo();
    doc.Commit();
    state.SetIterationTime(Seconds(t));
    state.PauseTiming();
    doc.Begin("Redo");
    doc.Redo();
    doc.Commit();
    state.ResumeTiming();
  }
  state.SetComplexityN(entries);
  state.counters["history_kb"] = static_cast<double>(doc.history().Bytes()) / 1024;
  state.counters["document_kb"] = static_cast<double>(documentBytes) / 1024;
}
BENCHMARK(BM_UndoRedoFix)->Apply(DocumentSizes);

// Runs a program to its end: its time in seconds, or -1 when it failed.
double RunProcess(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const auto t = std::chrono::steady_clock::now();
  // Its messages would drown the benchmark's table.
  posix_spawn_file_actions_t quiet;
  ::posix_spawn_file_actions_init(&quiet);
  ::posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  const int spawned = ::posix_spawn(&pid, argv[0], &quiet, nullptr, argv.data(), environ);
  ::posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return -1;
  int status = 0;
  if (::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1) return -1;
  return Seconds(t);
}

// The same document as SubRip cues: a number, a timing line, the text's
// lines, a blank line.
std::vector<std::string> AsSubRip(const std::vector<std::string>& entries) {
  std::vector<std::string> lines;
  lines.reserve(entries.size() * 5);
  int number = 0;
  for (const std::string& entry : entries) {
    const size_t first = entry.find('}'), second = entry.find('}', first + 2);
    const long start = std::stol(entry.substr(1, first - 1)),
               stop = std::stol(entry.substr(first + 2, second - first - 2));
    lines.push_back(std::to_string(++number));
    lines.push_back(lm::FormatTime(start * 40) + " --> " + lm::FormatTime(stop * 40));
    std::string text = entry.substr(second + 1);
    for (size_t from = 0;;) {
      const size_t bar = text.find('|', from);
      lines.push_back(text.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
      if (bar == std::string::npos) break;
      from = bar + 1;
    }
    lines.emplace_back();
  }
  return lines;
}

enum class Kind { Plain, Tagged, SubRip };

void Process(benchmark::State& state, Kind kind) {
  const int entries = static_cast<int>(state.range(0));
  BenchFiles files;
  const std::string in = files.folder + (kind == Kind::SubRip ? "/in.srt" : "/in.sub");
  std::vector<std::string> lines = MakeDocument(entries, kind == Kind::Tagged);
  if (kind == Kind::SubRip) lines = AsSubRip(lines);
  if (!lm::WriteSubtitleFile(in, lines, lm::Encoding::Windows1252).ok()) {
    state.SkipWithError("cannot write the input file");
    return;
  }
  std::vector<double> copies, runs;
  for (int i = 0; i < 21; ++i)
    copies.push_back(RunProcess({"/proc/self/exe", "--plain-copy", in, files.folder + "/copy.sub"}));
  for (auto _ : state) {
    const double took =
        RunProcess({LINEMEND_CLI, "fix", in, "-o", files.folder + (kind == Kind::SubRip ? "/out.srt" : "/out.sub")});
    if (took < 0 || Median(copies) < 0) {
      state.SkipWithError("a process failed");
      return;
    }
    state.SetIterationTime(took);
    runs.push_back(took);
  }
  state.counters["copy_ms"] = Median(copies) * 1000;
  state.counters["ratio"] = Median(runs) / Median(copies);
}
void BM_ProcessFix(benchmark::State& state) { Process(state, Kind::Plain); }
void BM_ProcessFixTagged(benchmark::State& state) { Process(state, Kind::Tagged); }
void BM_ProcessFixSubRip(benchmark::State& state) { Process(state, Kind::SubRip); }
BENCHMARK(BM_ProcessFix)->Arg(8000)->Arg(32767)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ProcessFixTagged)->Arg(8000)->Arg(32767)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_ProcessFixSubRip)->Arg(8000)->Arg(32767)->Unit(benchmark::kMillisecond)->UseManualTime();

// Every format's file of the same generated text, opened and saved as it
// is: what reading and writing each format costs, which grows with the
// file's size alone.
void ReadWriteFormat(benchmark::State& state, const lm::Format* format) {
  const int entries = static_cast<int>(state.range(0));
  BenchFiles files;
  lm::Document source;
  source.KeepHistory(false);
  source.Load(MakeDocument(entries), files.folder + "/made.sub",
              lm::FileIdentity(lm::Encoding::Utf8, lm::LineEnd::CrLf, &lm::DefaultFormat()));
  std::string bytes;
  const std::string ext(format->Extensions().front());
  const std::string in = files.folder + "/in." + ext, out = files.folder + "/out." + ext;
  if (!lm::EncodeDocument(source, format, bytes) || !lm::WriteFileSafely(in, bytes).ok()) {
    state.SkipWithError("cannot write the input file");
    return;
  }
  for (auto _ : state) {
    lm::Document doc;
    doc.KeepHistory(false);
    const auto t = std::chrono::steady_clock::now();
    doc.Begin("Open");
    const bool loaded = static_cast<bool>(lm::LoadSubtitlePath(doc, in));
    doc.Commit();
    if (!loaded || !lm::WriteDocument(doc, out).ok()) {
      state.SkipWithError("open or save failed");
      return;
    }
    state.SetIterationTime(Seconds(t));
  }
  state.SetComplexityN(entries);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
  // The plain copy the Process benchmarks time, run as a process.
  if (argc == 4 && std::string(argv[1]) == "--plain-copy") {
    PlainCopy(argv[2], argv[3]);
    return 0;
  }
  for (const lm::Format* format : lm::Formats())
    benchmark::RegisterBenchmark(("BM_ReadWrite/" + std::string(format->Id())).c_str(), ReadWriteFormat, format)
        ->Arg(8000)
        ->Arg(32767)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Complexity(benchmark::oN);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
