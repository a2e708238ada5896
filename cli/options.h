#pragma once
// The command line of linemend: commands, options and what they ask for.
#include <optional>
#include <string>
#include <vector>

#include "commands/command_table.h"
#include "model/encoding.h"
#include "model/format.h"
#include "model/profile.h"
#include "rules/rules.h"

namespace lm::cli {

// Exit statuses; over several files the worst one wins.
inline constexpr int kOk = 0;
inline constexpr int kTooLong = 1;  // an entry still too long after fix, or found by check
inline constexpr int kError = 2;

// Where the documents go.
enum class Output {
  None,     // check
  File,     // -o FILE, one input
  Stdout,   // -o -
  Folder,   // -o DIR/: each under its own name
  InPlace,  // -i: back into each input
};

struct Options {
  CommandId command = CommandId::Check;
  std::vector<std::string> inputs;  // "-" is standard input
  Output output = Output::None;
  std::string outputPath;          // File, Folder
  const Format* format = nullptr;  // --format
  std::optional<Encoding> encoding;
  // What the output is written in, when not the file's own.
  std::optional<Encoding> outputEncoding;
  // shift: how far.
  std::optional<TimeOffset> shiftBy;
  // convert, fix: the frame rate the output is for.
  std::optional<double> toFrameRate;
  std::optional<double> frameRate;
  bool json = false;
  // check -H: every line names its file, even of one.
  bool withFileName = false;
  // --profile NAME|FILE, read by LoadProfileOption; none: classic.
  std::string profileName;
  std::optional<Profile> profile;
  // --breaks: the break style, over the profile's.
  std::optional<BreakStyle> breaks;
};

// The help text: the commands from the command table, the formats from
// the registry.
std::string Usage();

enum class Parsed { Run, Help, Version, Error };
// Reads the arguments (without the program name) into `options`; Error
// leaves the one-line reason in `error`.
Parsed ParseArguments(const std::vector<std::string>& args, Options& options, std::string& error);
// Reads the profile --profile names into options.profile; false with why in
// `error` ("mine.txt: line 3: unknown key 'colour'").
bool LoadProfileOption(Options& options, std::string& error);

}  // namespace lm::cli
