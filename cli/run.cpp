#include "cli/run.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "commands/command_table.h"
#include "commands/session.h"
#include "formats/registry.h"
#include "formats/subtitle_file.h"
#include "model/document.h"
#include "model/limits.h"
#include "model/markup.h"
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

int Fail(const std::string& path, const std::string& why) {
  Tell(path, why);
  return kError;
}

// What a file name reads as in messages: standard input has none.
std::string Shown(const std::string& input) { return input == "-" ? "(standard input)" : input; }

// Standard input whole: Ok, or why it could not be had.
LoadResult ReadStandardInput(std::string& content) {
  char buffer[1 << 16];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    content.append(buffer, n);
    if (static_cast<long long>(content.size()) > kMaxFileBytes) return {ReadStatus::TooLarge, {}, {}};
  }
  LoadResult result;
  if (std::ferror(stdin)) {
    result.status = ReadStatus::CannotRead;
    result.error = errno;
  }
  return result;
}

// Loads the file the way the Open dialog's load does, without writing the
// remembered-folder file; a failure says why, as the window does.
int Load(Document& doc, const std::string& input, const Options& options) {
  LoadResult loaded;
  std::string content;
  if (input == "-") loaded = ReadStandardInput(content);
  doc.Begin("Open");
  if (input != "-") {
    loaded = LoadSubtitlePath(doc, input, options.encoding);
  } else if (loaded) {
    loaded = LoadSubtitleText(doc, content, input, options.encoding);
  }
  doc.Commit();
  if (!loaded) return Fail(Shown(input), LoadFailureReason(loaded));
  if (options.frameRate) doc.SetFrameRate(*options.frameRate);
  return kOk;
}

std::string JoinFolder(const std::string& folder, const std::string& name) {
  return folder.back() == '/' ? folder + name : folder + "/" + name;
}

int WriteFailure(const std::string& path, const WriteResult& result) {
  if (result.status == WriteStatus::ReadOnly) return Fail(path, "File is read-only, not written");
  if (result.status == WriteStatus::Changed) return Fail(path, "has changed on disk since it was read, not written");
  return Fail(path, "Cannot write the file: " + result.Reason());
}

// JSON text of a string; bytes that are not UTF-8 (a file name can hold
// anything) become U+FFFD.
void PutJsonString(std::ostream& out, const std::string& s) {
  out << '"';
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if (c == '"' || c == '\\') {
        out << '\\' << c;
      } else if (c < 0x20) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\u%04x", c);
        out << hex;
      } else {
        out << c;
      }
      ++i;
      continue;
    }
    size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (n > 1 && i + n <= s.size() && IsValidUtf8(std::string_view(s).substr(i, n))) {
      out.write(s.data() + i, static_cast<std::streamsize>(n));
      i += n;
    } else {
      out << "\\ufffd";
      ++i;
    }
  }
  out << '"';
}

// A frame field as a number, a time as text; null when the entry has none.
void PutJsonTime(std::ostream& out, const Document& doc, bool has, std::string_view field) {
  const TimeNotation notation = doc.Notation();
  const std::optional<int64_t> units = has ? notation.Parse(field) : std::nullopt;
  if (!units) {
    out << "null";
  } else if (notation.InMilliseconds()) {
    out << '"' << notation.Format(*units) << '"';
  } else {
    out << *units;
  }
}

// The lengths of a line's screen lines, as a JSON list.
void PutJsonLengths(std::ostream& out, std::string_view text, const StyleDialect& markup) {
  const std::vector<int> lengths = ScreenLineLengths(text, markup);
  out << '[';
  for (size_t i = 0; i < lengths.size(); ++i) out << (i ? "," : "") << lengths[i];
  out << ']';
}

// The entry's text, or the line as it was for one without fields, in UTF-8
// with each "|" that is a character as "|".
std::string ShownText(const std::string& line) {
  EntryFields fields;
  return ShowLiteralBars(SplitFullEntry(line, fields) ? fields.text : WithoutUnreadMark(line));
}

// check against a profile other than classic: every rule the profile has,
// one problem a line ("FILE:N: reading speed 23.4 > 17 cps: text"), or in
// the JSON record's "problems".
int CheckProfileOf(Document& doc, const std::string& input, bool json) {
  const ProfileCheck check = CheckProfile(doc);
  const std::string file = Shown(input);
  if (!json) {
    for (const Problem& p : check.problems) {
      std::cout << file << ':' << p.entry + 1 << ": " << DescribeProblem(p) << ": "
                << ShownText(doc.List1.Item(p.entry)) << "\n";
    }
    for (const int index : check.untimed)
      std::cout << file << ':' << index + 1 << ": no times: " << ShownText(doc.List1.Item(index)) << "\n";
    return check.problems.empty() ? kOk : kTooLong;
  }
  // The entries still too long for the profile's screen lines, as without
  // one: the record keeps its shape.
  std::ostringstream tooLong;
  doc.Begin("Check");
  doc.CurrentIndex = 0;
  for (bool first = true; SeekTooLong(doc); first = false) {
    const std::string& line = doc.List1.Item(doc.CurrentIndex);
    EntryFields fields;
    const bool split = SplitEntryLine(line, fields);
    tooLong << (first ? "" : ",") << "{\"entry\":" << doc.CurrentIndex + 1 << ",\"start\":";
    PutJsonTime(tooLong, doc, split && fields.hasStart, fields.start);
    tooLong << ",\"stop\":";
    PutJsonTime(tooLong, doc, split && fields.hasStop, fields.stop);
    tooLong << ",\"lines\":";
    PutJsonLengths(tooLong, split ? fields.text : line, doc.TextMarkup());
    tooLong << '}';
    ++doc.CurrentIndex;
  }
  doc.Commit();
  std::cout << "{\"path\":";
  PutJsonString(std::cout, input);
  std::cout << ",\"format\":\"" << doc.Identity().format->Name() << "\",\"encoding\":\""
            << EncodingName(doc.FileEncoding()) << "\",\"entries\":" << doc.List1.Count() << ",\"tooLong\":["
            << tooLong.str() << "],\"noTimes\":[";
  for (size_t k = 0; k < check.untimed.size(); ++k) {
    const std::string& line = doc.List1.Item(check.untimed[k]);
    EntryFields fields;
    std::cout << (k ? "," : "") << "{\"entry\":" << check.untimed[k] + 1 << ",\"lines\":";
    PutJsonLengths(std::cout, SplitFullEntry(line, fields) ? fields.text : WithoutUnreadMark(line), doc.TextMarkup());
    std::cout << '}';
  }
  std::cout << "],\"profile\":";
  PutJsonString(std::cout, doc.RuleProfile().name);
  std::cout << ",\"problems\":[";
  for (size_t k = 0; k < check.problems.size(); ++k) {
    const Problem& p = check.problems[k];
    std::cout << (k ? "," : "") << "{\"entry\":" << p.entry + 1 << ",\"rule\":\"" << RuleName(p.rule)
              << "\",\"value\":" << FormatNumber(p.value, 3) << ",\"limit\":" << FormatNumber(p.limit, 3) << '}';
  }
  std::cout << "]}\n";
  return check.problems.empty() && tooLong.str().empty() ? kOk : kTooLong;
}

}  // namespace

int Runner::Run(const std::string& input) {
  Document doc;
  doc.KeepHistory(false);  // nothing is undone here
  if (const int status = Load(doc, input, options_); status != kOk) return status;
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
  if (options_.command == CommandId::Check && !IsClassic(doc.RuleProfile()))
    return CheckProfileOf(doc, input, options_.json);
  if (options_.command == CommandId::Check) {
    std::ostringstream json;
    bool found = false;
    doc.Begin("Check");
    doc.CurrentIndex = 0;
    while (SeekTooLong(doc)) {
      const int index = doc.CurrentIndex;
      const std::string& line = doc.List1.Item(index);
      if (options_.json) {
        EntryFields fields;
        const bool split = SplitEntryLine(line, fields);
        json << (found ? "," : "") << "{\"entry\":" << index + 1 << ",\"start\":";
        PutJsonTime(json, doc, split && fields.hasStart, fields.start);
        json << ",\"stop\":";
        PutJsonTime(json, doc, split && fields.hasStop, fields.stop);
        json << ",\"lines\":[";
        const std::vector<int> lengths = ScreenLineLengths(split ? fields.text : line, doc.TextMarkup());
        for (size_t i = 0; i < lengths.size(); ++i) json << (i ? "," : "") << lengths[i];
        json << "]}";
      } else {
        std::cout << (prefix.empty() ? "" : Shown(input) + ":") << index + 1 << ": ";
        const std::string shown = ShowLiteralBars(line);
        std::cout.write(shown.data(), static_cast<std::streamsize>(shown.size()));
        std::cout << "\n";
      }
      found = true;
      ++doc.CurrentIndex;  // below the list size, which fits 16 bits
    }
    doc.Commit();
    // Lines without times are no entries to fix: listed apart, as they are.
    std::ostringstream noTimes;
    for (int index = 0, listed = 0; index < doc.List1.Count(); ++index) {
      if (doc.List1.Shape(index).full || IsFormatLine(doc.List1.Item(index))) continue;
      const std::string_view line = WithoutUnreadMark(doc.List1.Item(index));
      if (options_.json) {
        noTimes << (listed++ ? "," : "") << "{\"entry\":" << index + 1 << ",\"lines\":[";
        const std::vector<int> lengths = ScreenLineLengths(line, doc.TextMarkup());
        for (size_t i = 0; i < lengths.size(); ++i) noTimes << (i ? "," : "") << lengths[i];
        noTimes << "]}";
      } else {
        const std::string shown = ShowLiteralBars(line);
        std::cout << (prefix.empty() ? "" : Shown(input) + ":") << index + 1 << ": no times: ";
        std::cout.write(shown.data(), static_cast<std::streamsize>(shown.size()));
        std::cout << "\n";
      }
    }
    if (options_.json) {
      std::cout << "{\"path\":";
      PutJsonString(std::cout, input);
      std::cout << ",\"format\":\"" << doc.Identity().format->Name() << "\",\"encoding\":\""
                << EncodingName(doc.FileEncoding()) << "\",\"entries\":" << doc.List1.Count() << ",\"tooLong\":["
                << json.str() << "],\"noTimes\":[" << noTimes.str() << "]}\n";
    }
    return found ? kTooLong : kOk;
  }

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
      std::string bytes;
      std::string why, note;
      if (!EncodeDocument(doc, &wanted, bytes, &why, &note)) return Fail(Shown(input), why);
      Tell(Shown(input), note);
      std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      std::cout.flush();
      if (!std::cout) return Fail("(standard output)", "Cannot write");
      break;
    }
    case Output::File: {
      const std::string& path = options_.outputPath;
      const WriteResult result =
          WriteDocument(doc, path, options_.format ? options_.format : &FormatForPath(path, own));
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
      const WriteResult result = WriteDocument(doc, path, &wanted);
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
      const WriteResult result = WriteDocumentOver(doc, input, nullptr, doc.DiskStamp());
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
