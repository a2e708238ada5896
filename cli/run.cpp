#include "cli/run.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "cli/check.h"
#include "cli/output.h"
#include "commands/command_table.h"
#include "commands/session.h"
#include "files/file_io.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "model/document.h"
#include "model/limits.h"
#include "model/profiles.h"
#include "model/text.h"
#include "rules/profile_rules.h"
#include "rules/rules.h"

namespace lm::cli {

namespace {

// What there is to say about a file, on standard error.
void Tell(const std::string& path, const std::string& what) {
  if (!what.empty()) std::cerr << "linemend: " << path << ": " << what << "\n";
}

// Load: an empty file that check passes over.
constexpr int kNothing = -1;

int Fail(const std::string& path, const std::string& why) {
  Tell(path, why);
  return kError;
}

// What a file name reads as in messages: standard input has none.
std::string Shown(const std::string& input) { return input == "-" ? "(standard input)" : input; }

// Standard input ("-") or another stream whole: Ok, or why it could not be
// had.
LoadResult ReadStream(const std::string& input, std::string& content) {
  LoadResult result;
  // A FIFO nobody writes to reads as empty instead of waiting for ever.
  FILE* stream = stdin;
  if (input != "-") {
    const int fd = ::open(input.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    stream = fd >= 0 ? ::fdopen(fd, "rb") : nullptr;
    if (fd >= 0 && !stream) ::close(fd);
  }
  if (!stream) {
    result.status = ReadStatus::CannotOpen;
    result.error = errno;
    return result;
  }
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) {
    content.append(buffer, n);
    if (static_cast<long long>(content.size()) > kMaxFileBytes) {
      result.status = ReadStatus::TooLarge;
      break;
    }
  }
  if (result && std::ferror(stream)) {
    result.status = ReadStatus::CannotRead;
    result.error = errno;
  }
  if (stream != stdin) std::fclose(stream);
  return result;
}

// Loads the file the way the Open dialog's load does, without writing the
// remembered-folder file; a failure says why, as the window does.
int Load(Document& doc, const std::string& input, const Options& options) {
  LoadResult loaded;
  std::string content;
  doc.Begin("Open");
  if (input != "-") loaded = LoadSubtitlePath(doc, input, options.encoding);
  // Standard input, a pipe, a device, a process substitution: read as a
  // stream, as far as it goes.
  if (input == "-" || loaded.status == ReadStatus::NotAFile) {
    loaded = ReadStream(input, content);
    if (loaded) loaded = LoadSubtitleText(doc, content, input, options.encoding);
  }
  doc.Commit();
  if (!loaded && options.command == CommandId::Check) {
    // Nothing in an empty file is too long: `check a.sub /dev/null` names
    // the file as grep does.
    if (loaded.status == ReadStatus::Empty) {
      CheckEmpty(input, options);
      return kNothing;
    }
    CheckRefused(input, LoadFailureReason(loaded), options);
  }
  if (!loaded) return Fail(Shown(input), LoadFailureReason(loaded));
  if (options.frameRate) doc.SetFrameRate(*options.frameRate);
  return kOk;
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// Room for the text written back, the room the file's bytes were read
// into (RoomToRead), made while that memory is free in one piece: what a
// fix allocates would otherwise break it up, and the text would need memory
// the system must clear.
std::string RoomForText(const Document& doc) {
  std::string room;
  const long long size = doc.DiskStamp().exists ? doc.DiskStamp().size : 0;
  if (size > 0 && size <= kMaxFileBytes) room.reserve(RoomToRead(static_cast<size_t>(size)));
  return room;
}

int WriteFailure(const std::string& path, const WriteResult& result) {
  if (result.status == WriteStatus::ReadOnly) return Fail(path, "File is read-only, not written");
  if (result.status == WriteStatus::Changed) return Fail(path, "has changed on disk since it was read, not written");
  return Fail(path, "Cannot write the file: " + result.Reason());
}

}  // namespace

int Runner::Run(const std::string& input) {
  document_.reset();  // one document at a time, however many files
  document_ = std::make_unique<Document>();
  Document& doc = *document_;
  doc.KeepHistory(false);  // nothing is undone here
  if (const int status = Load(doc, input, options_); status != kOk) return status == kNothing ? kOk : status;
  for (const std::string& note : doc.FileNotes()) Tell(Shown(input), note);

  // With several files each line says which it is about.
  const std::string prefix = options_.inputs.size() > 1 ? Shown(input) + ": " : "";
  std::ostream& say = options_.output == Output::Stdout ? std::cerr : std::cout;

  if (options_.profile) doc.SetProfile(*options_.profile);
  if (options_.breaks) {
    Profile profile = doc.RuleProfile();
    profile.breaks = *options_.breaks;
    doc.SetProfile(std::move(profile));
  }
  if (options_.command == CommandId::Check)
    return CheckDocument(doc, input, options_, options_.inputs.size() > 1 || options_.withFileName);
  std::string room = options_.output == Output::None ? std::string() : RoomForText(doc);

  // The command's routine, as the window runs it.
  if (options_.toFrameRate) {
    doc.Begin("Frame rate");
    ChangeFrameRate(doc, *options_.toFrameRate);
    doc.Commit();
  }
  // Its report is told once the result is written: a failed write reports
  // no fix that was not saved.
  const CommandRow& row = CommandOf(options_.command);
  std::vector<std::string> report;
  if (row.routine) {
    doc.Begin(UndoName(row));
    row.routine(doc);
    report = doc.Commit().messages;
  } else if (options_.command == CommandId::Shift) {
    doc.Begin(UndoName(row));
    int held = 0;
    const int moved = ShiftTimes(doc, *options_.shiftBy, &held);
    doc.Commit();
    report.push_back(std::to_string(moved) + (moved == 1 ? " entry" : " entries") + " moved" +
                     (held ? ", " + std::to_string(held) + (held == 1 ? " time" : " times") + " held at 0" : ""));
  }

  // Written in another encoding than it was read in, when asked.
  const bool recoded = options_.outputEncoding && *options_.outputEncoding != doc.FileEncoding();
  if (recoded && options_.output != Output::None) doc.SetFileEncoding(*options_.outputEncoding);
  const Format& own = *doc.Identity().format;
  const Format& wanted = options_.format ? *options_.format : own;
  int status = kOk;
  switch (options_.output) {
    case Output::Stdout: {
      std::string bytes = std::move(room);
      std::string why, note;
      if (!EncodeDocument(doc, &wanted, bytes, &why, &note)) return Fail(Shown(input), why);
      Tell(Shown(input), note);
      if (!PutRecord(bytes)) return Fail("(standard output)", std::strerror(OutputError()));
      break;
    }
    case Output::File: {
      const std::string& path = options_.outputPath;
      const WriteResult result =
          WriteDocument(doc, path, options_.format ? options_.format : &FormatForPath(path, own), std::move(room));
      if (!result.ok()) return WriteFailure(path, result);
      Tell(Shown(input), result.note);
      break;
    }
    case Output::Folder: {
      // Under its own name and in its own format, unless another is asked for.
      const size_t cut = input.find_last_of('/');
      std::string name = cut == std::string::npos ? input : input.substr(cut + 1);
      if (options_.format) name = WithExtension(name, *options_.format);
      const std::string path = JoinFolder(options_.outputPath, name);
      if (!written_.insert(path).second)
        return Fail(input, "not written: " + path + " was already written from another input of that name");
      const WriteResult result = WriteDocument(doc, path, &wanted, std::move(room));
      if (!result.ok()) return WriteFailure(path, result);
      Tell(Shown(input), result.note);
      break;
    }
    case Output::InPlace: {
      // As the window's Save: nothing of anyone else's is written over.
      if (!doc.Changed() && !recoded) break;
      // Looked at before the work of encoding, and again just before the
      // file is replaced: another program's change meanwhile is not lost.
      if (StampOf(input) != doc.DiskStamp()) return WriteFailure(input, {WriteStatus::Changed});
      const WriteResult result = WriteDocumentOver(doc, input, nullptr, doc.DiskStamp(), std::move(room));
      if (!result.ok()) return WriteFailure(input, result);
      break;
    }
    case Output::None:
      break;
  }
  for (const std::string& text : report) say << prefix << text << "\n";
  if (options_.command == CommandId::FixText && doc.List1.Valid(doc.CurrentIndex)) {
    say << prefix << "still too long: entry " << doc.CurrentIndex + 1 << "\n";
    status = kTooLong;
  }
  // Its report says how many entries still break the profile.
  if (options_.command == CommandId::FixTiming && !CheckProfile(doc).problems.empty()) status = kTooLong;
  return status;
}

}  // namespace lm::cli
