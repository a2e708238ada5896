#pragma once
// The command line of linemend: commands, options and what they ask for.
#include <optional>
#include <string>
#include <vector>

#include "document/encoding.h"
#include "document/file_identity.h"

namespace lm::cli {

// Exit statuses; over several files the worst one wins.
inline constexpr int kOk = 0;
inline constexpr int kTooLong = 1;  // an entry still too long after fix, or found by check
inline constexpr int kError = 2;

enum class Command { Fix, RemoveHi, Check, Convert };

// Where the documents go.
enum class Output {
  None,     // check
  File,     // -o FILE, one input
  Stdout,   // -o -
  Folder,   // -o DIR/: each under its own name
  InPlace,  // -i: back into each input
};

struct Options {
  Command command = Command::Check;
  std::vector<std::string> inputs;  // "-" is standard input
  Output output = Output::None;
  std::string outputPath;  // File, Folder
  std::optional<SubtitleFormat> format;
  std::optional<Encoding> encoding;
  std::optional<double> frameRate;
  bool json = false;
};

extern const char* const kUsage;

enum class Parsed { Run, Help, Version, Error };
// Reads the arguments (without the program name) into `options`; Error
// leaves the one-line reason in `error`.
Parsed ParseArguments(const std::vector<std::string>& args, Options& options, std::string& error);

}  // namespace lm::cli
