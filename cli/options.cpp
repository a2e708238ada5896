#include "cli/options.h"

#include <algorithm>
#include <sys/stat.h>

#include "files/profile_file.h"
#include "formats/registry.h"
#include "model/profile.h"
#include "model/profiles.h"
#include "model/time_notation.h"

namespace lm::cli {

namespace {
// "{lines}" and "{chars}" as the default profile has them.
std::string WithLimits(std::string text) {
  const Profile profile;
  for (auto [key, value] :
       {std::pair<std::string, int>{"{lines}", profile.lines}, {"{chars}", profile.charactersPerLine}})
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key))
      text.replace(at, key.size(), std::to_string(value));
  return text;
}

// Each line of `text` after the first indented by `indent` blanks.
std::string Indented(const std::string& text, size_t indent) {
  std::string out;
  for (const char c : text) {
    out += c;
    if (c == '\n') out.append(indent, ' ');
  }
  return out;
}

}  // namespace

std::string Usage() {
  std::string commands;
  for (const CommandRow& row : Commands()) {
    if (*row.cliName == '\0') continue;
    std::string name = row.cliName;
    name.resize(std::max<size_t>(name.size() + 1, 12), ' ');
    commands += "  " + name + Indented(WithLimits(row.cliHelp), 14) + "\n";
  }
  // One line a format: its id for --format, its name and its extensions.
  std::string formatTable;
  for (const Format* f : Formats()) {
    std::string row = "    " + std::string(f->Id());
    row.resize(std::max<size_t>(row.size() + 1, 17), ' ');
    row += std::string(f->Name());
    row.resize(std::max<size_t>(row.size() + 1, 36), ' ');
    for (size_t e = 0; e < f->Extensions().size(); ++e) row += (e ? ", ." : ".") + std::string(f->Extensions()[e]);
    formatTable += row + "\n";
  }
  return "Usage: linemend COMMAND [OPTIONS] FILE...\n"
         "\n"
         "Commands:\n" +
         commands +
         "\n"
         "Options:\n"
         "  -o, --output OUT   the output file; \"-\" is standard output; a folder\n"
         "                     (ending in \"/\", or an existing one) takes each input\n"
         "                     under its own name\n"
         "  -i, --in-place     rewrite each input file in its own encoding and line\n"
         "                     ends; refused when the file changed meanwhile or is\n"
         "                     read-only\n" +
         "  --format ID        the output format (see the formats below); default:\n"
         "                     the one the output file's extension names (a name\n"
         "                     the input's own format also takes keeps it), else\n"
         "                     the input's format\n" +
         "  --fps N            the frame rate between frames and times: 23.976, 25,\n"
         "                     29.97 … (default: the frame rate a file names, as a\n"
         "                     \"{1}{1}23.976\" first entry, else 25)\n"
         "  --encoding NAME    read (and write) in this encoding instead of the one\n"
         "                     detected: UTF-8, Windows-1250 … Windows-1258,\n"
         "                     ISO-8859-2, -5, -7, -9, -13, -15, KOI8-R, KOI8-U,\n"
         "                     IBM852, IBM866, Big5, GB18030, Shift_JIS, EUC-JP,\n"
         "                     ISO-2022-JP, EUC-KR (also cp1250, latin2, gbk …)\n"
         "  --by OFFSET        shift: seconds with a sign (+1.5, -0.25,\n"
         "                     -00:00:02,000) or frames (+12f); a time that would\n"
         "                     fall before 0 becomes 0\n"
         "  --to-fps N         convert, fix: renumber the frames of a frame-based\n"
         "                     file for this frame rate, every entry showing at\n"
         "                     the same moment (times stay as they are)\n"
         "  --output-encoding NAME\n"
         "                     write in this encoding (the same names), reading\n"
         "                     in the one detected or named by --encoding\n"
         "  --json             check: one JSON object a line for each file, written\n"
         "                     whole: path, format, encoding, entries (the file's\n"
         "                     header not counted), and tooLong, a list of {entry,\n"
         "                     line, start, stop, lines} (start and stop are\n"
         "                     seconds for every format, frames counted at the\n"
         "                     frame rate; line is the file's line the entry\n"
         "                     starts on; lines counts the visible characters of\n"
         "                     each screen line); a file that cannot be checked\n"
         "                     gets {path, error}\n"
         "  -H, --with-filename\n"
         "                     check: start each line with \"FILE:\", also for one\n"
         "                     file\n"
         "  --profile P        check, fix: the rules of the profile P, a built-in\n"
         "                     one (" +
         BuiltInProfileNames(", ") +
         ") or a profile\n"
         "                     file (see below); default: classic\n" +
         "  --breaks STYLE     fix: where a line is broken, over the profile's:\n"
         "                     middle (the first space from just before the\n"
         "                     middle) or natural (where a subtitler would: after\n"
         "                     punctuation, before a conjunction, never after an\n"
         "                     article; the language guessed from the text)\n" +
         "  --timing           fix: fix the timing instead of the text: lengthen\n"
         "                     entries too short or read too fast into the free\n"
         "                     time before the next, keeping the gap; bring gaps\n"
         "                     below the minimum to it by moving the earlier end\n"
         "  -V, --version      print the version\n"
         "  -h, --help         show this help\n"
         "\n"
         "Formats (ID, name, extensions), each file read as what it holds, whatever\n"
         "its name; anything else is refused:\n" +
         formatTable +
         "\n"
         " FILE \"-\" is standard input (with -o FILE or\n"
         "-o -). Messages go to standard output, or to standard error when the\n"
         "output is standard output; check prints each entry still too long as\n"
         "the file holds it, in UTF-8: \"N: <line>\" for its first line and\n"
         "\"N- <line>\" for the others, N being the line's number in the file (so\n"
         "that an editor jumps to it), \"FILE:N: \" and \"FILE-N- \" for several\n"
         "files or with -H. An empty file has nothing too long. One bad file\n"
         "does not stop the others.\n"
         "\n"
         "With a profile other than classic, check prints one problem a line,\n"
         "\"FILE:N: reading speed 23.4 > 17 cps: text\", and --json adds\n"
         "\"problems\": [{entry, rule, value, limit}], rule one of line-length,\n"
         "lines, reading-speed, min-duration, max-duration, gap, overlap.\n"
         "A profile file has one \"key = value\" a line (\"#\" starts a comment):\n"
         "characters-per-line, lines, characters-per-second (visible characters,\n"
         "spaces included, over seconds on screen), min-duration and\n"
         "max-duration (seconds, \"5/6\" allowed), min-gap-frames, breaks\n"
         "(middle or natural), language (natural breaks: " +
         BreakLanguageCodes() +
         ";\n"
         "guessed from the text when left out); what it leaves out is as in classic.\n"
         "\n"
         "Exit status: 0 done; 1 an entry is still too long (fix, check) or\n"
         "breaks the profile (check --profile, fix --timing); 2 an error. Over\n"
         "several files, the worst.\n"
         "\n"
         "Examples:\n"
         "  linemend fix - -o - < in.sub > out.sub\n"
         "  linemend fix *.sub -o fixed/\n"
         "  linemend convert film.sub -o film.srt --fps 23.976\n"
         "  linemend check --json *.srt\n"
         "  linemend check --profile netflix film.srt\n"
         "  linemend fix --timing --profile netflix film.srt -o timed.srt\n";
}

namespace {

bool IsChoosable(Encoding e) {
  const auto& list = ChoosableEncodings();
  return std::find(list.begin(), list.end(), e) != list.end();
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

Parsed ParseArguments(const std::vector<std::string>& args, Options& options, std::string& error) {
  for (const auto& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") return Parsed::Help;
    if (a == "--version" || a == "-V") return Parsed::Version;
  }
  const auto fail = [&error](std::string why) {
    error = std::move(why);
    return Parsed::Error;
  };
  if (args.empty()) return fail("no command given");
  const CommandRow* command = CommandNamed(args[0]);
  if (!command) return fail("unknown command '" + args[0] + "'");
  options.command = command->id;

  bool haveOutput = false, inPlace = false, filesOnly = false, timing = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (filesOnly || a == "-" || a.empty() || a[0] != '-') {
      if (a.empty()) return fail("an empty file name");
      options.inputs.push_back(a);
      continue;
    }
    if (a == "--") {
      filesOnly = true;
      continue;
    }
    // "--name=VALUE", or "--name VALUE" (and "-o VALUE") for the options that take one.
    std::string option = a, value;
    const size_t equals = a.rfind("--", 0) == 0 ? a.find('=') : std::string::npos;
    if (equals != std::string::npos) {
      option = a.substr(0, equals);
      value = a.substr(equals + 1);
    }
    const bool takesValue = option == "-o" || option == "--output" || option == "--encoding" || option == "--fps" ||
                            option == "--format" || option == "--profile" || option == "--output-encoding" ||
                            option == "--by" || option == "--to-fps" || option == "--breaks";
    if (!takesValue && equals != std::string::npos) return fail("unknown option '" + a + "'");
    if (takesValue && equals == std::string::npos) {
      if (i + 1 >= args.size()) return fail(a + " needs a value");
      value = args[++i];
    }
    if (option == "-o" || option == "--output") {
      if (haveOutput) return fail("more than one output");
      if (value.empty()) return fail("-o needs a file name");
      options.outputPath = value;
      haveOutput = true;
    } else if (option == "--in-place" || option == "-i") {
      inPlace = true;
    } else if (option == "-H" || option == "--with-filename") {
      options.withFileName = true;
    } else if (option == "--json") {
      options.json = true;
    } else if (option == "--timing") {
      timing = true;
    } else if (option == "--profile") {
      if (!options.profileName.empty()) return fail("more than one --profile");
      if (value.empty()) return fail("--profile needs a name or a file");
      options.profileName = value;
    } else if (option == "--breaks") {
      if (options.breaks) return fail("more than one --breaks");
      options.breaks = ParseBreakStyle(value);
      if (!options.breaks) return fail("unknown break style '" + value + "' (middle, natural)");
    } else if (option == "--to-fps") {
      options.toFrameRate = ParseFrameRate(value);
      if (!options.toFrameRate) return fail("not a frame rate: '" + value + "'");
    } else if (option == "--by") {
      options.shiftBy = ParseTimeOffset(value);
      if (!options.shiftBy) return fail("not an offset: '" + value + "' (+1.5, -00:00:02,000, +12f)");
    } else if (option == "--output-encoding") {
      options.outputEncoding = EncodingFromName(value);
      if (!options.outputEncoding || !IsChoosable(*options.outputEncoding))
        return fail("unknown encoding '" + value + "'");
    } else if (option == "--encoding") {
      options.encoding = EncodingFromName(value);
      if (!options.encoding || !IsChoosable(*options.encoding)) return fail("unknown encoding '" + value + "'");
    } else if (option == "--fps") {
      options.frameRate = ParseFrameRate(value);
      if (!options.frameRate) return fail("not a frame rate: '" + value + "'");
    } else if (option == "--format") {
      // An id, or an extension ("ssa"): the first format that takes it.
      options.format = FormatById(value);
      if (!options.format) options.format = FormatOfPath("x." + value);
      if (!options.format) return fail("unknown format '" + value + "' (" + FormatIds(", ") + ")");
    } else {
      return fail("unknown option '" + a + "'");
    }
  }

  const std::string& name = args[0];
  if (options.inputs.empty()) return fail(name + " needs a file (\"-\" for standard input)");
  const auto standardInputs = std::count(options.inputs.begin(), options.inputs.end(), "-");
  if (standardInputs > 1) return fail("standard input can be read only once");
  if (options.json && options.command != CommandId::Check) return fail("--json is for check");
  if (options.withFileName && options.command != CommandId::Check) return fail("-H is for check");
  if (timing) {
    if (options.command != CommandId::FixText) return fail("--timing is for fix");
    options.command = CommandId::FixTiming;
  }
  if (!options.profileName.empty() && options.command != CommandId::Check && options.command != CommandId::FixText &&
      options.command != CommandId::FixTiming)
    return fail("--profile is for check and fix");
  if (options.breaks && options.command != CommandId::FixText) return fail("--breaks is for fix");
  if ((options.command == CommandId::Shift) != options.shiftBy.has_value())
    return fail(options.shiftBy ? "--by is for shift" : "shift needs --by OFFSET");
  if (options.toFrameRate && options.command != CommandId::Convert && options.command != CommandId::FixText)
    return fail("--to-fps is for convert and fix");
  if (options.command == CommandId::Check) {
    if (haveOutput || inPlace) return fail("check writes no file");
    if (options.format) return fail("check writes no file; --format is for the other commands");
    return Parsed::Run;
  }
  if (haveOutput && inPlace) return fail("-o and --in-place together");
  if (inPlace) {
    if (options.command == CommandId::Convert) return fail("convert writes a new file: give -o");
    if (options.format) return fail("--in-place keeps each file's format");
    if (standardInputs > 0) return fail("standard input cannot be rewritten in place");
    options.output = Output::InPlace;
    return Parsed::Run;
  }
  if (!haveOutput) return fail(name + " needs -o OUT or --in-place");
  const std::string& out = options.outputPath;
  if (out == "-") {
    if (options.inputs.size() > 1) return fail("-o - takes one input");
    options.output = Output::Stdout;
  } else if (out.back() == '/' || IsFolder(out)) {
    if (standardInputs > 0) return fail("standard input has no name to write under: give -o FILE");
    options.output = Output::Folder;
  } else {
    if (options.inputs.size() > 1) return fail("several files need -o FOLDER/ or --in-place");
    options.output = Output::File;
  }
  return Parsed::Run;
}

bool LoadProfileOption(Options& options, std::string& error) {
  if (options.profileName.empty()) return true;
  Profile profile;
  if (!LoadProfile(options.profileName, profile, error)) return false;
  options.profile = std::move(profile);
  return true;
}

}  // namespace lm::cli
