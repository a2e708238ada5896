#include "cli/output.h"

#include <unistd.h>

#include <cerrno>
#include <iostream>

namespace lm::cli {

namespace {
int failed = 0;
}

bool PutRecord(std::string_view bytes) {
  if (failed) return false;
  // What went through the stream before must stand before this.
  std::cout.flush();
  while (!bytes.empty()) {
    const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed = n < 0 ? errno : EIO;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

int OutputError() { return failed; }

}  // namespace lm::cli
