#include "cli/check.h"

#include <cstdio>

#include "cli/output.h"
#include "formats/subtitle_file.h"
#include "model/markup.h"
#include "model/profiles.h"
#include "model/text.h"
#include "rules/profile_rules.h"
#include "rules/rules.h"

namespace lm::cli {

namespace {

std::string Shown(const std::string& input) { return input == "-" ? "(standard input)" : input; }

// JSON text of a string; bytes that are not UTF-8 (a file name can hold
// anything) become U+FFFD.
void PutJsonString(std::string& out, std::string_view s) {
  out += '"';
  for (size_t i = 0; i < s.size();) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\u%04x", c);
        out += hex;
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    const size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (n > 1 && i + n <= s.size() && IsValidUtf8(s.substr(i, n))) {
      out.append(s.substr(i, n));
      i += n;
    } else {
      out += "\\ufffd";
      ++i;
    }
  }
  out += '"';
}

// A time in seconds, for every format alike (frames at the document's
// frame rate); null when the entry has none.
void PutJsonSeconds(std::string& out, const TimeNotation& notation, bool has, std::string_view field) {
  const std::optional<int64_t> units = has ? notation.Parse(field) : std::nullopt;
  if (!units) {
    out += "null";
    return;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.3f", static_cast<double>(notation.ToMilliseconds(*units)) / 1000.0);
  out += buf;
}

// The lengths of a text's screen lines, as a JSON list.
void PutJsonLengths(std::string& out, std::string_view text, const StyleDialect& markup) {
  const std::vector<int> lengths = ScreenLineLengths(text, markup);
  out += '[';
  for (size_t i = 0; i < lengths.size(); ++i) {
    if (i) out += ',';
    out += std::to_string(lengths[i]);
  }
  out += ']';
}

// The entry's text, or the line as it was for one without fields, in UTF-8
// with each "|" that is a character as "|".
std::string ShownText(const std::string& line) {
  EntryFields fields;
  return ShowLiteralBars(SplitFullEntry(line, fields) ? fields.text : WithoutUnreadMark(line));
}

class Checker {
 public:
  Checker(Document& doc, const std::string& input, const Options& options, bool named)
      : doc_(doc), input_(input), json_(options.json), named_(named) {}

  int Run() {
    if (!IsClassic(doc_.RuleProfile())) return RunProfile();
    const std::vector<int> found = TooLong();
    if (json_) {
      PutRecord(Record(found, nullptr));
    } else {
      for (const int index : found) PutRecord(AsInFile(index));
      PutNoTimes();
    }
    return found.empty() ? kOk : kTooLong;
  }

 private:
  // Against a profile other than classic: every rule the profile has, one
  // problem a line ("FILE:N: reading speed 23.4 > 17 cps: text"), or in the
  // JSON record's "problems".
  int RunProfile() {
    const ProfileCheck check = CheckProfile(doc_);
    if (json_) {
      // The entries still too long for the profile's screen lines, as
      // without one: the record keeps its shape.
      const std::vector<int> found = TooLong();
      PutRecord(Record(found, &check));
      return check.problems.empty() && found.empty() ? kOk : kTooLong;
    }
    // A profile's problems always name their file.
    const std::string file = Shown(input_) + ":";
    for (const Problem& p : check.problems)
      PutRecord(file + std::to_string(LineOf(p.entry)) + ": " + DescribeProblem(p) + ": " +
                ShownText(doc_.List1.Item(p.entry)) + "\n");
    for (const int index : check.untimed)
      PutRecord(file + std::to_string(LineOf(index)) + ": no times: " + ShownText(doc_.List1.Item(index)) + "\n");
    return check.problems.empty() ? kOk : kTooLong;
  }

  // The entries still too long for the screen lines, as Ctrl+N finds them.
  std::vector<int> TooLong() {
    std::vector<int> found;
    doc_.Begin("Check");
    doc_.CurrentIndex = 0;
    while (SeekTooLong(doc_)) {
      found.push_back(doc_.CurrentIndex);
      ++doc_.CurrentIndex;  // below the list size, which fits 16 bits
    }
    doc_.Commit();
    return found;
  }

  // Lines without times are no entries to fix: listed apart.
  std::vector<int> Untimed() const {
    std::vector<int> untimed;
    for (int index = 0; index < doc_.List1.Count(); ++index)
      if (!doc_.List1.Shape(index).full && !IsFormatLine(doc_.List1.Item(index))) untimed.push_back(index);
    return untimed;
  }

  // The file's line the entry starts on, where its format tells; else its
  // place in the list.
  int LineOf(int index) const {
    const std::uint32_t line = doc_.FileLine(index);
    return line ? static_cast<int>(line) : index + 1;
  }

  std::string Prefix(int line, char separator) const {
    std::string prefix;
    if (named_) {
      prefix = Shown(input_);
      prefix += separator;
    }
    prefix += std::to_string(line);
    prefix += separator;
    prefix += ' ';
    return prefix;
  }

  // The entry as the file holds it, a line of output for each of its lines
  // (grep's habit: "N:" before the first, "N-" before the others).
  std::string AsInFile(int index) {
    if (!fileLines_) fileLines_ = DocumentFileLines(doc_);
    const std::vector<std::string_view> lines = fileLines_->Of(index);
    if (lines.empty()) return Prefix(LineOf(index), ':') + ShowLiteralBars(doc_.List1.Item(index)) + "\n";
    std::string record;
    const int first = LineOf(index);
    for (size_t k = 0; k < lines.size(); ++k) {
      record += Prefix(first + static_cast<int>(k), k == 0 ? ':' : '-');
      record += lines[k];
      record += '\n';
    }
    return record;
  }

  void PutNoTimes() {
    for (const int index : Untimed())
      PutRecord(Prefix(LineOf(index), ':') +
                "no times: " + ShowLiteralBars(std::string(WithoutUnreadMark(doc_.List1.Item(index)))) + "\n");
  }

  // The file's record: path, format, encoding, the entries that are not the
  // file's own header, and what was found.
  std::string Record(const std::vector<int>& found, const ProfileCheck* check) {
    const TimeNotation notation = doc_.Notation();
    const Format& format = *doc_.Identity().format;
    int entries = 0;
    for (int index = 0; index < doc_.List1.Count(); ++index)
      entries += format.IsHeaderEntry(index, doc_.List1.Item(index)) ? 0 : 1;
    std::string out = "{\"path\":";
    PutJsonString(out, input_);
    out += ",\"format\":";
    PutJsonString(out, format.Name());
    out += ",\"encoding\":";
    PutJsonString(out, EncodingName(doc_.FileEncoding()));
    out += ",\"entries\":" + std::to_string(entries) + ",\"tooLong\":[";
    for (size_t k = 0; k < found.size(); ++k) {
      const std::string& line = doc_.List1.Item(found[k]);
      EntryFields fields;
      const bool split = SplitEntryLine(line, fields);
      out += k ? ",{" : "{";
      out +=
          "\"entry\":" + std::to_string(found[k] + 1) + ",\"line\":" + std::to_string(LineOf(found[k])) + ",\"start\":";
      PutJsonSeconds(out, notation, split && fields.hasStart, fields.start);
      out += ",\"stop\":";
      PutJsonSeconds(out, notation, split && fields.hasStop, fields.stop);
      out += ",\"lines\":";
      PutJsonLengths(out, split ? std::string_view(fields.text) : std::string_view(line), doc_.TextMarkup());
      out += '}';
    }
    out += "],\"noTimes\":[";
    const std::vector<int> untimed = check ? check->untimed : Untimed();
    for (size_t k = 0; k < untimed.size(); ++k) {
      const std::string& line = doc_.List1.Item(untimed[k]);
      EntryFields fields;
      out += k ? ",{" : "{";
      out += "\"entry\":" + std::to_string(untimed[k] + 1) + ",\"line\":" + std::to_string(LineOf(untimed[k])) +
             ",\"lines\":";
      PutJsonLengths(out, SplitFullEntry(line, fields) ? std::string_view(fields.text) : WithoutUnreadMark(line),
                     doc_.TextMarkup());
      out += '}';
    }
    out += ']';
    if (check) {
      out += ",\"profile\":";
      PutJsonString(out, doc_.RuleProfile().name);
      out += ",\"problems\":[";
      for (size_t k = 0; k < check->problems.size(); ++k) {
        const Problem& p = check->problems[k];
        out += k ? ",{" : "{";
        out += "\"entry\":" + std::to_string(p.entry + 1) + ",\"line\":" + std::to_string(LineOf(p.entry)) +
               ",\"rule\":\"" + std::string(RuleName(p.rule)) + "\",\"value\":" + FormatNumber(p.value, 3) +
               ",\"limit\":" + FormatNumber(p.limit, 3) + '}';
      }
      out += ']';
    }
    out += "}\n";
    return out;
  }

  Document& doc_;
  const std::string& input_;
  const bool json_;
  const bool named_;
  std::optional<DocumentLines> fileLines_;  // the file's lines, once an entry is shown as it stands
};

}  // namespace

int CheckDocument(Document& doc, const std::string& input, const Options& options, bool named) {
  return Checker(doc, input, options, named).Run();
}

void CheckRefused(const std::string& input, const std::string& why, const Options& options) {
  if (!options.json) return;
  std::string out = "{\"path\":";
  PutJsonString(out, input);
  out += ",\"error\":";
  PutJsonString(out, why);
  out += "}\n";
  PutRecord(out);
}

void CheckEmpty(const std::string& input, const Options& options) {
  if (!options.json) return;
  std::string out = "{\"path\":";
  PutJsonString(out, input);
  out += ",\"format\":null,\"encoding\":null,\"entries\":0,\"tooLong\":[],\"noTimes\":[]}\n";
  PutRecord(out);
}

}  // namespace lm::cli
