#include "formats/ssa/ssa.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "formats/scan.h"
#include "formats/ssa/overrides.h"
#include "model/entry.h"
#include "model/file_identity.h"
#include "model/limits.h"
#include "model/text.h"

namespace lm {

namespace {

constexpr std::string_view kNoBreakSpace = "\xC2\xA0";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

class Times final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  std::optional<int64_t> Parse(std::string_view field) const override { return ParseSsaTime(field); }
  std::string Format(int64_t units) const override { return FormatSsaTime(units); }
};

const Times& TheTimes() {
  static const Times times;
  return times;
}

// ------------------------------------------------------------ the script's lines

enum class Section { None, Info, Styles, Events, Data, Other };

// "[Events]": the section it opens; nothing for a line that opens none.
std::optional<Section> SectionOf(std::string_view trimmed) {
  if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return std::nullopt;
  const std::string_view inside = TrimBlanks(trimmed.substr(1, trimmed.size() - 2));
  if (EqualsNoCase(inside, "script info")) return Section::Info;
  if (EqualsNoCase(inside, "v4+ styles") || EqualsNoCase(inside, "v4 styles") || EqualsNoCase(inside, "v4 styles+"))
    return Section::Styles;
  if (EqualsNoCase(inside, "events")) return Section::Events;
  if (EqualsNoCase(inside, "fonts") || EqualsNoCase(inside, "graphics")) return Section::Data;
  return Section::Other;
}

// Event lines that are no entry: kept as they are.
bool IsOtherEvent(std::string_view trimmed) {
  for (const std::string_view kind : {"comment:", "picture:", "sound:", "movie:", "command:"})
    if (StartsWithNoCase(trimmed, kind)) return true;
  return false;
}
bool IsComment(std::string_view trimmed) {
  return !trimmed.empty() && (trimmed[0] == ';' || trimmed.substr(0, 2) == "!:");
}

constexpr std::string_view kDialogue = "dialogue:";
// Encoded lines of a font or a picture held in one entry: some 20 000
// characters, well within what an entry may hold.
constexpr size_t kDataLinesPerEntry = 256;

// Which fields of an event line hold what, as its section's "Format:" line
// names them; the usual ten fields until one does.
struct EventFields {
  int count = 10, start = 1, stop = 2;
};

// "Format: Layer, Start, End, Style, …, Text": the Text field is the last,
// whatever it is called.
void ReadEventFormat(std::string_view value, EventFields& fields) {
  EventFields read;
  read.count = 0;
  read.start = read.stop = -1;
  for (size_t from = 0;; ++read.count) {
    const size_t comma = value.find(',', from);
    const std::string_view name =
        TrimBlanks(value.substr(from, comma == std::string_view::npos ? std::string_view::npos : comma - from));
    if (EqualsNoCase(name, "start")) read.start = read.count;
    if (EqualsNoCase(name, "end")) read.stop = read.count;
    if (comma == std::string_view::npos) {
      ++read.count;
      break;
    }
    from = comma + 1;
  }
  // A Format line without the times names no fields an entry can be read by.
  if (read.start >= 0 && read.stop >= 0 && read.count > std::max(read.start, read.stop) + 1) fields = read;
}

// An event line's two times (views into `line`) and where its Text field
// starts; false when it has too few fields or its times are no times.
bool ReadEvent(std::string_view line, size_t from, const EventFields& fields, std::string_view& start,
               std::string_view& stop, size_t& textAt) {
  int field = 0;
  size_t at = from;
  for (; field < fields.count - 1; ++field) {
    const size_t comma = line.find(',', at);
    if (comma == std::string_view::npos) return false;
    const std::string_view value = TrimBlanks(line.substr(at, comma - at));
    if (field == fields.start) start = value;
    if (field == fields.stop) stop = value;
    at = comma + 1;
  }
  textAt = at;
  return ParseSsaTime(start) && ParseSsaTime(stop);
}

// A Text field as entry text: "\N" breaks the screen line, "|" is a
// character, "\h" a no-break space.
void AppendEntryText(std::string& out, std::string_view field) {
  size_t from = 0;
  for (size_t i = FindEither(field, 0, '\\', '|'); i < field.size(); i = FindEither(field, i, '\\', '|')) {
    std::string_view replacement;
    size_t length = 1;
    if (field[i] == '|') {
      replacement = kLiteralBar;
    } else if (i + 1 < field.size() && (field[i + 1] == 'N' || field[i + 1] == 'h')) {
      replacement = field[i + 1] == 'N' ? std::string_view("|") : kNoBreakSpace;
      length = 2;
    } else {
      ++i;
      continue;
    }
    out.append(field.substr(from, i - from));
    out += replacement;
    i += length;
    from = i;
  }
  out.append(field.substr(from));
}

// Entry text as a Text field again; a no-break space as "\h" when
// `hardSpaces`.
void AppendFieldText(std::string& out, std::string_view text, bool hardSpaces) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '|') {
      out += "\\N";
    } else if (c == kLiteralBar[0] && text.compare(i, kLiteralBar.size(), kLiteralBar) == 0) {
      out += '|';
      i += kLiteralBar.size() - 1;
    } else if (hardSpaces && c == kNoBreakSpace[0] && text.compare(i, kNoBreakSpace.size(), kNoBreakSpace) == 0) {
      out += "\\h";
      ++i;
    } else {
      out += c;
    }
  }
}

// The first line of a file read in an 8-bit code page may start with the
// letters that page made of a UTF-8 byte order mark.
std::string_view WithoutMark(std::string_view line, bool first) {
  if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) return line.substr(kByteOrderMark.size());
  if (!first) return line;
  size_t i = 0;
  while (i < line.size() && i < 9 && static_cast<unsigned char>(line[i]) >= 0x80) ++i;
  return i > 0 && i < line.size() && line[i] == '[' ? line.substr(i) : line;
}

// Every line of the script: Dialogue lines as entries with their source
// (the empty lines before them, the bytes before the Text field, the Text
// field), every other line as a kept line with the empty lines before it.
void ReadScript(const std::vector<std::string_view>& lines, ReadEntries& out) {
  const size_t n = lines.size();
  out.entries.reserve(n);
  out.sources.reserve(n);
  EventFields fields;
  Section section = Section::None;
  size_t blanks = 0, unread = 0, firstUnread = 0;
  size_t dataLines = 0;  // in the entry before, when it is encoded data
  bool first = true;
  std::string entry;
  for (size_t i = 0; i < n; ++i) {
    const std::string_view line = lines[i];
    if (line.empty()) {
      ++blanks;
      continue;
    }
    const std::string_view unmarked = WithoutMark(line, first);
    first = false;
    const std::string_view trimmed = TrimBlanks(unmarked);
    const size_t lead = static_cast<size_t>(trimmed.data() - line.data());
    SourceCue cue;
    cue.timing.assign(blanks, '\n');
    blanks = 0;
    std::string_view mark = kFormatLine;
    bool data = false;
    if (const std::optional<Section> opened = SectionOf(trimmed)) {
      section = *opened;
    } else if (StartsWithNoCase(trimmed, kDialogue)) {
      std::string_view start, stop;
      size_t textAt = 0;
      if (ReadEvent(line, lead + kDialogue.size(), fields, start, stop, textAt)) {
        const auto offset = [&](std::string_view field) {
          return static_cast<std::uint32_t>(cue.timing.size() + static_cast<size_t>(field.data() - line.data()));
        };
        cue.startAt = offset(start);
        cue.startLength = static_cast<std::uint32_t>(start.size());
        cue.stopAt = offset(stop);
        cue.stopLength = static_cast<std::uint32_t>(stop.size());
        cue.timing.append(line.substr(0, textAt));
        cue.text.assign(line.substr(textAt));
        entry.clear();
        entry.reserve(start.size() + stop.size() + 4 + cue.text.size() + 8);
        entry += '{';
        entry += start;
        entry += "}{";
        entry += stop;
        entry += '}';
        AppendEntryText(entry, cue.text);
        out.entries.push_back(entry);
        out.sources.push_back(std::move(cue));
        out.firstLines.push_back(static_cast<std::uint32_t>(i + 1));
        dataLines = 0;
        continue;
      }
      mark = kUnreadLine;
    } else if ((section == Section::Events || section == Section::None) && StartsWithNoCase(trimmed, "format:")) {
      ReadEventFormat(trimmed.substr(7), fields);
    } else if (section == Section::Events) {
      if (!IsOtherEvent(trimmed) && !IsComment(trimmed) && !trimmed.empty()) mark = kUnreadLine;
    } else if (section == Section::None) {
      if (!IsOtherEvent(trimmed) && !IsComment(trimmed) && !trimmed.empty()) mark = kUnreadLine;
    } else if (section == Section::Data && !StartsWithNoCase(trimmed, "fontname:") &&
               !StartsWithNoCase(trimmed, "filename:")) {
      // A font's or a picture's encoded lines, a few hundred to an entry:
      // one embedded font is thousands of lines, more than a document holds.
      if (cue.timing.empty() && dataLines > 0 && dataLines < kDataLinesPerEntry) {
        out.entries.back() += '\n';
        out.entries.back() += line;
        ++dataLines;
        continue;
      }
      data = true;
    }
    dataLines = data ? 1 : 0;
    if (mark == kUnreadLine && unread++ == 0) firstUnread = i + 1;
    std::string kept;
    kept.reserve(mark.size() + line.size());
    kept += mark;
    kept += line;
    out.entries.push_back(std::move(kept));
    out.sources.push_back(std::move(cue));
    out.firstLines.push_back(static_cast<std::uint32_t>(i + 1));
  }
  out.finalBlank = blanks > 0;
  if (unread > 0) out.notes.push_back(UnreadLinesNote(unread, firstUnread, "an event", "events"));
}

// ------------------------------------------------------------ writing

// The empty lines a source has before its line.
size_t BlanksOf(const SourceCue& cue) {
  size_t b = 0;
  while (b < cue.timing.size() && cue.timing[b] == '\n') ++b;
  return b;
}

// A source that is an event (a kept line's holds its empty lines alone).
bool IsEvent(const SourceCue* cue) { return cue && cue->startLength > 0; }

std::string_view StartOf(const SourceCue& cue) {
  return std::string_view(cue.timing).substr(cue.startAt, cue.startLength);
}
std::string_view StopOf(const SourceCue& cue) {
  return std::string_view(cue.timing).substr(cue.stopAt, cue.stopLength);
}

// The header a script made from another format's entries starts with: one
// style, "Default", that every event uses. Written as v4.00+, which every
// renderer in use reads, whether the file is called ".ass" or ".ssa".
void WriteHeader(const LineSink& emit) {
  emit("[Script Info]");
  emit("ScriptType: v4.00+");
  emit("PlayResX: 384");
  emit("PlayResY: 288");
  emit({});
  emit("[V4+ Styles]");
  emit(
      "Format: Name, Fontname, Fontsize, PrimaryColour, SecondaryColour, OutlineColour, BackColour, Bold, Italic, "
      "Underline, StrikeOut, ScaleX, ScaleY, Spacing, Angle, BorderStyle, Outline, Shadow, Alignment, MarginL, "
      "MarginR, MarginV, Encoding");
  emit("Style: Default,Arial,20,&H00FFFFFF,&H000000FF,&H00000000,&H00000000,0,0,0,0,100,100,0,0,1,2,2,2,10,10,10,1");
  emit({});
  emit("[Events]");
  emit("Format: Layer, Start, End, Style, Name, MarginL, MarginR, MarginV, Effect, Text");
}

class Writer {
 public:
  Writer(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit)
      : entries_(entries), identity_(identity), emit_(emit) {}

  void Write() {
    const int count = entries_.Count();
    // A document read from a script keeps its own header; one made
    // otherwise (converted, or entries given without a file) gets one.
    const SourceCue* fields = nullptr;  // what an entry without fields of its own takes
    bool read = false;
    if (!entries_.Converted()) {
      for (int k = 0; k < count && !IsEvent(fields); ++k) {
        const SourceCue* cue = entries_.Cue(k);
        read |= cue != nullptr;
        if (IsEvent(cue)) fields = cue;
      }
    }
    if (!read) WriteHeader(emit_);
    for (int k = 0; k < count; ++k) {
      const std::string* entry = entries_.Line(k);
      if (!entry) continue;
      const SourceCue* cue = read ? entries_.Cue(k) : nullptr;
      if (cue)
        for (size_t b = BlanksOf(*cue); b > 0; --b) emit_({});
      WriteEntry(*entry, cue, fields);
    }
    if (read && identity_.finalBlank) emit_({});
  }

 private:
  // `fields`: the event before it, else the first one, which an entry
  // without fields of its own takes.
  void WriteEntry(const std::string& line, const SourceCue* cue, const SourceCue*& fields) {
    EntryFields f;
    std::optional<int64_t> start, stop;
    if (SplitFullEntry(line, f)) start = ParseSsaTime(f.start), stop = ParseSsaTime(f.stop);
    if (!start || !stop) {
      // Without times: as it is, to be read back as a line that is no event.
      if (IsKeptLine(line)) {
        // Encoded data is held a few hundred lines to an entry.
        const std::string_view kept = AsKept(line);
        for (size_t from = 0;;) {
          const size_t end = kept.find('\n', from);
          emit_(kept.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
          if (end == std::string_view::npos) break;
          from = end + 1;
        }
      } else if (!line.empty()) {
        part_ = ShowLiteralBars(line);
        emit_(part_);
      }
      return;
    }
    const bool own = IsEvent(cue);
    if (own) fields = cue;
    if (own && StartOf(*cue) == TrimBlanks(f.start) && StopOf(*cue) == TrimBlanks(f.stop)) {
      part_.clear();
      AppendEntryText(part_, cue->text);
      if (part_ == f.text) {
        part_.assign(cue->timing, BlanksOf(*cue), std::string::npos);
        part_ += cue->text;
        emit_(part_);
        return;
      }
    }
    part_.clear();
    if (fields) {
      const SourceCue& from = *fields;
      const std::string_view timing = std::string_view(from.timing).substr(BlanksOf(from));
      const size_t skip = from.timing.size() - timing.size();
      // The two times in their order in the line, each kept as written while
      // it is unmoved.
      struct Field {
        size_t at, length;
        std::string_view was, now;
        int64_t units;
      } times[2] = {{from.startAt - skip, from.startLength, StartOf(from), TrimBlanks(f.start), *start},
                    {from.stopAt - skip, from.stopLength, StopOf(from), TrimBlanks(f.stop), *stop}};
      if (times[1].at < times[0].at) std::swap(times[0], times[1]);
      size_t copied = 0;
      for (const Field& t : times) {
        part_.append(timing.substr(copied, t.at - copied));
        if (own && t.was == t.now) {
          part_ += t.was;
        } else {
          part_ += FormatSsaTime(t.units);
        }
        copied = t.at + t.length;
      }
      part_.append(timing.substr(copied));
    } else {
      part_ += "Dialogue: 0,";
      part_ += FormatSsaTime(*start);
      part_ += ',';
      part_ += FormatSsaTime(*stop);
      part_ += ",Default,,0,0,0,,";
    }
    // A script that writes its no-break spaces as they are keeps them so.
    const bool hardSpaces =
        !own || cue->text.find(kNoBreakSpace) == std::string::npos || cue->text.find("\\h") != std::string::npos;
    AppendFieldText(part_, f.text, hardSpaces);
    emit_(part_);
  }

  EntryFeed& entries_;
  const FileIdentity& identity_;
  const LineSink& emit_;
  std::string part_;
};

// ------------------------------------------------------------ what a text is

// "Title: Film", "PlayResX: 384": a name before a colon.
bool IsNamedValue(std::string_view t) {
  const size_t colon = t.find(':');
  if (colon == 0 || colon == std::string_view::npos || colon > 64) return false;
  if (!((t[0] >= 'A' && t[0] <= 'Z') || (t[0] >= 'a' && t[0] <= 'z'))) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = t[i];
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || IsDigit(c) || c == ' ' || c == '_' ||
                    c == '-' || c == '.' || c == '(' || c == ')' || c == '+' || c == '/';
    if (!ok) return false;
  }
  return true;
}

// What the first lines of a text hold of a script.
struct Survey {
  size_t sample = 0, explained = 0, events = 0;
  bool openedByHeader = false;  // its first line opens a section of a script
  std::optional<Section> firstSection;
};

Survey SurveyScript(const std::vector<std::string_view>& lines) {
  Survey s;
  s.sample = std::min(lines.size(), scan::kSampleLines);
  Section section = Section::None;
  bool known = false;  // a section of a script has been opened
  for (size_t i = 0; i < s.sample; ++i) {
    const std::string_view t = scan::Head(lines, i);
    if (const std::optional<Section> opened = SectionOf(t)) {
      section = *opened;
      if (!s.firstSection) s.firstSection = section;
      const bool script = section == Section::Info || section == Section::Styles || section == Section::Events;
      if (i == 0 && script) s.openedByHeader = true;
      known |= section != Section::Other;
      if (known) ++s.explained;
      continue;
    }
    if (StartsWithNoCase(t, kDialogue) || StartsWithNoCase(t, "comment:")) {
      if (std::count(t.begin(), t.end(), ',') >= 2) {
        ++s.explained;
        ++s.events;
      }
      continue;
    }
    if (!known || section == Section::Other) continue;
    if (section == Section::Data || IsComment(t) || IsNamedValue(t)) ++s.explained;
  }
  return s;
}

// A script's own first line is decisive; so is a text most of which is a
// script's (sections of one, or event lines without a header).
Fit ProbeScript(const std::vector<std::string_view>& lines) {
  const Survey s = SurveyScript(lines);
  if (s.explained == 0) return {};
  const double share = static_cast<double>(s.explained) / static_cast<double>(s.sample);
  const bool scriptFirst = s.firstSection && *s.firstSection != Section::Other && *s.firstSection != Section::Data;
  return {s.openedByHeader ? 1.0 : share,
          s.openedByHeader || (s.explained * 2 >= s.sample && (scriptFirst || s.events * 2 >= s.sample))};
}

// One format for both kinds: they are read alike, and a script keeps what
// it is, so that saving one under the other's extension converts nothing.
class Script final : public Format {
 public:
  std::string_view Id() const override { return "ass"; }
  std::string_view Name() const override { return "SubStation Alpha"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  // File managers take both kinds for the first.
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return TheTimes(); }
  const StyleDialect& Dialect() const override { return ssa::Dialect(); }
  bool BarIsText() const override { return true; }
  // What the editors of scripts write.
  Encoding PlainTextEncoding() const override { return Encoding::Utf8; }

  Fit Probe(const std::vector<std::string_view>& lines) const override { return ProbeScript(lines); }

  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    ReadScript(lines, out);
    return out.entries.size() <= static_cast<size_t>(kInt16Max);
  }

  // An untouched entry from the bytes it was read from; a changed one with
  // its own fields and its times as written while they are unmoved; one
  // without fields (a division's second half, a converted entry) with
  // those of the event before it, or the defaults of the header written
  // for it.
  void Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const override {
    Writer(entries, identity, emit).Write();
  }

  // A drawing has no place in another format either.
  bool IsHeaderEntry(int index, std::string_view line) const override {
    (void)index;
    if (IsFormatLine(line)) return true;
    EntryFields f;
    return SplitFullEntry(line, f) && ssa::DrawingOnly(f.text);
  }

 private:
  const std::vector<std::string_view> extensions_{"ass", "ssa"};
  const std::vector<std::string_view> mimeTypes_{"text/x-ssa", "text/x-ass"};
};

}  // namespace

const Format& SubStationAlpha() {
  static const Script format;
  return format;
}

std::optional<int64_t> ParseSsaTime(std::string_view field) { return scan::ReadLenientClock(field, ".,"); }

std::string FormatSsaTime(int64_t milliseconds) {
  if (milliseconds < 0) {
    const int64_t before =
        milliseconds == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -milliseconds;
    return "-" + FormatSsaTime(before);
  }
  const int64_t cs = milliseconds / 10 + (milliseconds % 10 >= 5 ? 1 : 0);
  char text[40];
  std::snprintf(text, sizeof text, "%lld:%02d:%02d.%02d", static_cast<long long>(cs / 360000),
                static_cast<int>(cs / 6000 % 60), static_cast<int>(cs / 100 % 60), static_cast<int>(cs % 100));
  return text;
}

}  // namespace lm
