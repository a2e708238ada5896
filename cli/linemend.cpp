// linemend: the automatic fixing of Tornak Linemend from the command line,
// built from the same core as the desktop program.
#include <algorithm>
#include <csignal>
#include <iostream>

#include "cli/options.h"
#include "cli/run.h"
#include "model/version.h"

int main(int argc, char** argv) {
  using namespace lm::cli;
  Options options;
  std::string error;
  switch (ParseArguments(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
    case Parsed::Help:
      std::cout << Usage();
      return kOk;
    case Parsed::Version:
      std::cout << "linemend " << lm::kVersion << "\n";
      return kOk;
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

  Runner runner(options);
  int worst = kOk;
  for (const std::string& input : options.inputs) worst = std::max(worst, runner.Run(input));
  std::cout.flush();
  return worst;
}
