// linemend: the automatic fixing of Tornak Linemend from the command line,
// built from the same core as the desktop program.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "document/document.h"
#include "document/sub_file.h"
#include "fixing/fixing.h"

namespace {

constexpr int kOk = 0;
constexpr int kFound = 1;
constexpr int kFailure = 2;

const char* const kUsage =
    "Usage:\n"
    "  linemend fix IN -o OUT          fix the text automatically\n"
    "  linemend remove-hi IN -o OUT    remove hearing-impaired text\n"
    "  linemend check IN               list the entries still too long\n"
    "  linemend convert IN -o OUT      write IN in the format OUT's extension names\n"
    "  linemend --help                 show this help\n"
    "\n"
    "IN is a frame-based (.sub) or a SubRip (.srt) file, told by what it holds.\n"
    "OUT is written as SubRip when it ends in .srt, frame-based when it ends in\n"
    ".sub, otherwise in the format IN was read in; frames and times are\n"
    "converted at the frame rate.\n"
    "\n"
    "Options:\n"
    "  --fps N           the frame rate: 23.976, 24, 25, 29.97, 30, 50, 59.94, 60\n"
    "                    or any positive number (default: a frame-based file's own\n"
    "                    \"{1}{1}23.976\" first entry, else 25)\n"
    "  --encoding NAME   read (and write) the file in this encoding instead of the\n"
    "                    one detected: UTF-8, Windows-1250 … Windows-1258,\n"
    "                    ISO-8859-2, -5, -7, -9, -13, -15, KOI8-R, KOI8-U, IBM852,\n"
    "                    IBM866 (also cp1250, latin2 …)\n"
    "\n"
    "fix and remove-hi print the command's messages, one a line, and fix then\n"
    "names the first entry still too long (\"still too long: entry N\").\n"
    "check prints \"N: <entry>\" for every entry that breaks the screen rules\n"
    "(at most 2 lines of at most 41 characters) and exits with 1 when there\n"
    "is one, in UTF-8 whatever the file's encoding. Entries are counted from 1.\n"
    "Errors exit with 2; a file that is neither frame-based nor SubRip is\n"
    "refused.\n";

struct Options {
  std::string command;
  std::string input;
  std::string output;
  std::optional<lm::Encoding> encoding;
  std::optional<double> frameRate;
};

int UsageError(const std::string& why) {
  std::cerr << "linemend: " << why << "\n" << kUsage;
  return kFailure;
}

int Fail(const std::string& path, const std::string& why) {
  std::cerr << "linemend: " << path << ": " << why << "\n";
  return kFailure;
}

bool IsChoosable(lm::Encoding e) {
  const auto& list = lm::ChoosableEncodings();
  return std::find(list.begin(), list.end(), e) != list.end();
}

// Parses the arguments; returns -1 when the command is to run, otherwise the
// exit status.
int ParseArguments(int argc, char** argv, Options& options) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (const auto& a : args)
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return kOk;
    }
  if (args.empty()) return UsageError("no command given");
  options.command = args[0];
  if (options.command != "fix" && options.command != "remove-hi" && options.command != "check" &&
      options.command != "convert")
    return UsageError("unknown command '" + options.command + "'");
  bool haveOutput = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output") {
      if (haveOutput) return UsageError("more than one output file");
      if (i + 1 >= args.size() || args[i + 1].empty()) return UsageError(a + " needs a file name");
      options.output = args[++i];
      haveOutput = true;
    } else if (a == "--encoding" || a.rfind("--encoding=", 0) == 0) {
      std::string name;
      if (a == "--encoding") {
        if (i + 1 >= args.size()) return UsageError("--encoding needs a name");
        name = args[++i];
      } else {
        name = a.substr(std::string("--encoding=").size());
      }
      options.encoding = lm::EncodingFromName(name);
      if (!options.encoding || !IsChoosable(*options.encoding))
        return UsageError("unknown encoding '" + name + "'");
    } else if (a == "--fps" || a.rfind("--fps=", 0) == 0) {
      std::string rate;
      if (a == "--fps") {
        if (i + 1 >= args.size()) return UsageError("--fps needs a frame rate");
        rate = args[++i];
      } else {
        rate = a.substr(std::string("--fps=").size());
      }
      options.frameRate = lm::ParseFrameRate(rate);
      if (!options.frameRate) return UsageError("not a frame rate: '" + rate + "'");
    } else if (a.size() > 1 && a[0] == '-') {
      return UsageError("unknown option '" + a + "'");
    } else if (options.input.empty()) {
      if (a.empty()) return UsageError("empty input file name");
      options.input = a;
    } else {
      return UsageError("more than one input file");
    }
  }
  if (options.input.empty()) return UsageError("no input file given");
  const bool needsOutput = options.command != "check";
  if (needsOutput && !haveOutput) return UsageError(options.command + " needs -o OUT");
  if (!needsOutput && haveOutput) return UsageError("check writes no file");
  return -1;
}

// Loads the file the way the Open dialog's load does, without writing the
// remembered-folder file.
int Load(lm::Document& doc, const std::string& input, std::optional<lm::Encoding> encoding) {
  if (!lm::FileExists(input)) return Fail(input, "No such file");
  if (::access(input.c_str(), R_OK) != 0) return Fail(input, "Permission denied");
  const size_t cut = input.find_last_of('/');
  const std::string folder = cut == std::string::npos ? "." : input.substr(0, cut + 1);
  const std::string name = cut == std::string::npos ? input : input.substr(cut + 1);
  doc.Begin("Open");
  lm::LoadResult loaded{lm::ReadStatus::NoEntry, {}, {}};
  if (!name.empty()) loaded = lm::LoadSubtitleFile(doc, folder, name, nullptr, encoding);
  doc.Commit();
  switch (loaded.status) {
    case lm::ReadStatus::Ok:
      return -1;
    case lm::ReadStatus::NotFrameBased:
      return Fail(input, "neither a frame-based nor a SubRip subtitle file" +
                             (loaded.looksLike.empty() ? "" : " (looks like " + loaded.looksLike + ")"));
    case lm::ReadStatus::NotInEncoding:
      return Fail(input, std::string("cannot be read as ") + lm::EncodingName(loaded.encoding));
    default:
      return Fail(input, "File Corrupt!");
  }
}

int Save(const lm::Document& doc, const std::string& output) {
  const lm::WriteResult result =
      lm::WriteDocument(doc, output, lm::FormatForPath(output, doc.Identity().format));
  switch (result.status) {
    case lm::WriteStatus::Ok:
      return kOk;
    case lm::WriteStatus::ReadOnly:
      return Fail(output, "File is read-only, not written");
    case lm::WriteStatus::BadName:
    case lm::WriteStatus::Failed:
      break;
  }
  return Fail(output, "Cannot write the file: " + result.Reason());
}

void WriteEntryLine(int number, const std::string& line) {
  std::cout << number << ": ";
  std::cout.write(line.data(), static_cast<std::streamsize>(line.size()));
  std::cout << "\n";
}

int Check(lm::Document& doc) {
  bool found = false;
  doc.Begin("Check");
  doc.CurrentIndex = 0;
  while (lm::SeekTooLong(doc)) {
    found = true;
    WriteEntryLine(doc.CurrentIndex + 1, doc.List1.Item(doc.CurrentIndex));
    ++doc.CurrentIndex;  // below the list size, which fits 16 bits
  }
  doc.Commit();
  return found ? kFound : kOk;
}

void PrintMessages(const lm::CommandResult& result) {
  for (const std::string& text : result.messages) std::cout << text << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (int status = ParseArguments(argc, argv, options); status >= 0) return status;

  // A file-size limit makes the write fail with an error instead of ending
  // the program, so the temporary file is cleaned up and the error reported.
  std::signal(SIGXFSZ, SIG_IGN);

  lm::Document doc;
  doc.KeepHistory(false);  // nothing is undone here
  if (int status = Load(doc, options.input, options.encoding); status >= 0) return status;
  if (options.frameRate) doc.SetFrameRate(*options.frameRate);

  if (options.command == "check") return Check(doc);
  if (options.command == "convert") return Save(doc, options.output);

  doc.Begin(options.command);
  if (options.command == "fix") {
    lm::Fixlines_Click(doc);
  } else {
    lm::Rmhi_Click(doc);
  }
  PrintMessages(doc.Commit());
  const int status = Save(doc, options.output);
  if (status == kOk && options.command == "fix" && doc.List1.Valid(doc.CurrentIndex))
    std::cout << "still too long: entry " << doc.CurrentIndex + 1 << "\n";
  std::cout.flush();
  return status;
}
