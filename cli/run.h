#pragma once
// One input file through a command, as the desktop program's load, fix and
// save do it.
#include <memory>
#include <set>
#include <string>

#include "cli/options.h"
#include "model/document.h"

namespace lm::cli {

class Runner {
 public:
  explicit Runner(const Options& options) : options_(options) {}
  // The exit status for this file; error lines go to standard error.
  int Run(const std::string& input);
  // The last document is left for the process's end to free: freeing its
  // entries one by one costs more than fixing them.
  void LeaveLastDocument() { (void)document_.release(); }

 private:
  const Options& options_;
  // Folder output: the files written so far, so that two inputs of the same
  // name do not overwrite one another.
  std::set<std::string> written_;
  std::unique_ptr<Document> document_;
};

}  // namespace lm::cli
