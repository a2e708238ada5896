#pragma once
// One input file through a command, as the desktop program's load, fix and
// save do it.
#include <set>
#include <string>

#include "cli/options.h"

namespace lm::cli {

class Runner {
 public:
  explicit Runner(const Options& options) : options_(options) {}
  // The exit status for this file; error lines go to standard error.
  int Run(const std::string& input);

 private:
  const Options& options_;
  // Folder output: the files written so far, so that two inputs of the same
  // name do not overwrite one another.
  std::set<std::string> written_;
};

}  // namespace lm::cli
