// linemend: the automatic fixing of Tornak Linemend from the command line,
// built from the same core as the desktop program.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sys/mman.h>

#include "cli/options.h"
#include "cli/output.h"
#include "cli/run.h"
#include "model/version.h"

namespace {
// Everything written to standard output got there, or the program says why
// and fails: a report cut short by a full disk is no success.
int Finished(int status) {
  std::cout.flush();
  const int error = lm::cli::OutputError() ? lm::cli::OutputError() : std::cout ? 0 : errno ? errno : EIO;
  if (error == 0) return status;
  std::cerr << "linemend: (standard output): " << std::strerror(error) << "\n";
  return lm::cli::kError;
}

// The heap made ready for a whole document at once, in 2 MiB pages where
// the system grants them: a large document would otherwise be faulted in
// some thousands of 4 KiB pages, each zeroed on its own, which cost more
// than reading the file. The pages are only reserved here; what is never
// touched costs nothing.
void ReserveHeap() {
  constexpr std::size_t kHeap = 64 << 20, kLarge = 2 << 20, kWord = sizeof(std::size_t);
  const auto start = reinterpret_cast<std::uintptr_t>(sbrk(0));
  // Freed, the block stays the heap's (the trim threshold is above it).
  void* block = std::malloc(kHeap);
  if (!block) return;
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic push
// Its address is taken before it is freed; the compiler may move that after.
#pragma GCC diagnostic ignored "-Wuse-after-free"
#endif
  // It began where the free heap does, behind its header of two words.
  const std::uintptr_t top = reinterpret_cast<std::uintptr_t>(block) - 2 * kWord;
  std::free(block);
#if defined(__GNUC__) && !defined(__clang__) && __GNUC__ >= 12
#pragma GCC diagnostic pop
#endif
  const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const std::uintptr_t from = (start + kLarge - 1) & ~(kLarge - 1);
  if (end <= from) return;
  (void)madvise(reinterpret_cast<void*>(from), end - from, MADV_HUGEPAGE);
  // Below the first large page the heap has only small ones, up to 2 MiB
  // of them where the heap happens to start: what was allocated first, the
  // file's bytes, was faulted in there page by page. That stretch is held
  // by a block never used (the holder's header and the next block's take
  // three words), so that the heap's next block starts on the large page.
  // Stored where the compiler must store it: a block nobody reads would
  // not be allocated at all.
  static void* volatile holder = nullptr;
  if (top + kLarge >= start && top + 64 < from) holder = std::malloc(from - top - 3 * kWord);
  (void)holder;
}
}  // namespace

int main(int argc, char** argv) {
  using namespace lm::cli;
  // A run lives a moment: the file's buffers come from the heap and are
  // reused once freed, rather than mapped, zeroed and unmapped each, and the
  // heap grows in large steps.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
  mallopt(M_TOP_PAD, 16 << 20);
  Options options;
  std::string error;
  switch (ParseArguments(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case Parsed::Help:
      std::cout << Usage();
      return Finished(kOk);
    case Parsed::Version:
      std::cout << "linemend " << lm::kVersion << "\n";
      return Finished(kOk);
    case Parsed::Error:
      std::cerr << "linemend: " << error << " (see linemend --help)\n";
      return kError;
    case Parsed::Run:
      break;
  }
  if (!LoadProfileOption(options, error)) {
    std::cerr << "linemend: " << error << "\n";
    return kError;
  }

  // A file-size limit makes a write fail with an error instead of ending
  // the program, so the temporary file is cleaned up and the error reported;
  // a closed pipe on standard output is an error of that output alone.
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);

  ReserveHeap();
  Runner runner(options);
  int worst = kOk;
  for (const std::string& input : options.inputs) worst = std::max(worst, runner.Run(input));
  runner.LeaveLastDocument();
  return Finished(worst);
}
