#include "formats/webvtt/webvtt.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "formats/cue_lines.h"
#include "formats/scan.h"
#include "formats/subrip/subrip.h"
#include "model/entry.h"
#include "model/file_identity.h"
#include "model/limits.h"
#include "model/text.h"

namespace lm {

namespace {

// Bytes of a byte order mark before the header: the mark, or the three
// letters an 8-bit code page made of it.
size_t HeaderMark(std::string_view line) {
  if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) return kByteOrderMark.size();
  size_t i = 0;
  for (int chars = 0; chars < 3; ++chars) {
    if (i >= line.size() || static_cast<unsigned char>(line[i]) < 0xC0) return 0;
    ++i;
    while (i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) ++i;
  }
  return line.compare(i, 6, "WEBVTT") == 0 ? i : 0;
}

bool IsHeader(std::string_view line) { return line.compare(HeaderMark(line), 6, "WEBVTT") == 0; }

// The first line of a NOTE, STYLE or REGION block.
bool IsBlockStart(std::string_view line) {
  if (line.compare(0, 4, "NOTE") == 0) return line.size() == 4 || line[4] == ' ' || line[4] == '\t';
  const std::string_view word = TrimBlanks(line);
  return word == "STYLE" || word == "REGION";
}

using cue_lines::EachLine;
using cue_lines::HeadAt;

class Times final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  std::optional<int64_t> Parse(std::string_view field) const override { return ParseWebVttTime(field); }
  std::string Format(int64_t units) const override { return FormatWebVttTime(units); }
};

const Times& TheTimes() {
  static const Times times;
  return times;
}

// What an entry is in the file, for the blank lines that must part it from
// the entry before.
enum class Kind { Cue, CueWithId, Structure, Unread };

// What reading makes of the lines written so far, as far as the next line
// is concerned: the state the reader is in, and whether the last line, read
// as no cue's, would become the identifier of a cue whose timing line came
// right after it. An entry that would not read as itself right after them
// gets a blank line before it.
class Lookout {
 public:
  // An entry of `kind` with no blank line before it reads as itself: a
  // timing line starts a cue anywhere but right after a line it would make
  // an identifier of; an identifier and a line that is no cue's run on from
  // lines that were none, a block's lines from its first.
  bool RunsOn(Kind kind) const {
    switch (kind) {
      case Kind::Cue:
        return !couldBeId_;
      case Kind::CueWithId:
      case Kind::Unread:
        return in_ == In::Unread;
      case Kind::Structure:
        return in_ == In::Header || in_ == In::Block;
    }
    return false;
  }
  void Blank() {
    in_ = In::Nothing;
    couldBeId_ = false;
  }
  void Cue() {
    in_ = In::Cue;
    couldBeId_ = false;
    first_ = false;
  }
  // A line read as no cue's.
  void Kept(std::string_view text) {
    const bool arrow = text.find("-->") != std::string_view::npos;
    if (in_ == In::Nothing) {
      const bool header = first_ && IsHeader(text);
      in_ = header ? In::Header : IsBlockStart(text) ? In::Block : In::Unread;
      couldBeId_ = !header && !arrow;
    } else {
      couldBeId_ = in_ == In::Unread && !arrow;
    }
    first_ = false;
  }

 private:
  enum class In { Nothing, Header, Block, Unread, Cue } in_ = In::Nothing;
  bool couldBeId_ = false;
  bool first_ = true;
};

class WebVttFormat final : public Format {
 public:
  std::string_view Id() const override { return "vtt"; }
  std::string_view Name() const override { return "WebVTT"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return TheTimes(); }
  const StyleDialect& Dialect() const override { return WebVttDialect(); }
  bool BarIsText() const override { return true; }
  // Players read nothing else.
  Encoding PlainTextEncoding() const override { return Encoding::Utf8; }

  // The header says it. A file without one fits as far as its lines are
  // timing lines with "." before the fraction (those with "," are SubRip's).
  Fit Probe(const std::vector<std::string_view>& lines) const override {
    if (lines.empty()) return {};
    if (scan::Head(lines, 0).substr(0, 6) == "WEBVTT") return {1.0, true};
    const size_t sample = std::min(lines.size(), scan::kSampleLines);
    size_t timings = 0;
    for (size_t i = 0; i < sample; ++i) {
      std::string_view start, stop, settings;
      if (ParseWebVttTimingLine(scan::Head(lines, i), start, stop, settings) &&
          start.find('.') != std::string_view::npos)
        ++timings;
    }
    return {static_cast<double>(timings) / static_cast<double>(sample), false};
  }

  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override;
  void Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const override;

 private:
  const std::vector<std::string_view> extensions_{"vtt"};
  const std::vector<std::string_view> mimeTypes_{"text/vtt"};
};

// Lines into entries, in one pass over the lines with their timing lines
// found first. Blocks are told apart as players tell them: a timing line
// starts a cue wherever it stands (ending a cue's text, a header or a
// block), the line right before one is the cue's identifier when it stands
// first in its block, and a block's first line says whether it is a NOTE,
// STYLE or REGION block; what is none of these is kept as a line that could
// not be read.
bool WebVttFormat::Read(const std::vector<std::string_view>& lines, ReadEntries& out) const {
  const size_t n = lines.size();
  struct Timing {
    bool is = false;
    std::string_view start, stop, settings;
  };
  std::vector<Timing> timing(n);
  for (size_t i = 0; i < n; ++i) {
    const std::string_view line = lines[i].substr(LeadingMark(lines[i], i == 0));
    timing[i].is = ParseWebVttTimingLine(line, timing[i].start, timing[i].stop, timing[i].settings);
  }
  std::vector<std::string>& entries = out.entries;
  std::vector<SourceCue>& sources = out.sources;
  entries.reserve(n / 3 + 1);
  sources.reserve(n / 3 + 1);
  enum class In { Nothing, Header, Block, Unread, Cue } in = In::Nothing;
  std::string blanks;  // the blank lines since the last entry, each ended by "\n"
  size_t unread = 0, firstUnread = 0;
  bool firstText = false;
  auto keep = [&](size_t i, std::string_view mark) {
    std::string entry;
    entry.reserve(mark.size() + lines[i].size());
    entry += mark;
    entry += lines[i];
    entries.push_back(std::move(entry));
    sources.emplace_back().timing = std::move(blanks);
    blanks.clear();
    out.firstLines.push_back(static_cast<std::uint32_t>(i + 1));
  };
  // The cue whose timing line is line `t`, its identifier line `id` (or none).
  auto startCue = [&](size_t t, const std::string_view* id) {
    SourceCue cue;
    cue.timing = std::move(blanks);
    blanks.clear();
    if (id) {
      cue.timing += *id;
      cue.timing += '\n';
    }
    const size_t lineAt = cue.timing.size();
    cue.timing += lines[t];
    const Timing& times = timing[t];
    cue.startAt = static_cast<std::uint32_t>(lineAt + static_cast<size_t>(times.start.data() - lines[t].data()));
    cue.startLength = static_cast<std::uint32_t>(times.start.size());
    cue.stopAt = static_cast<std::uint32_t>(lineAt + static_cast<size_t>(times.stop.data() - lines[t].data()));
    cue.stopLength = static_cast<std::uint32_t>(times.stop.size());
    entries.push_back(BuildEntryLine(times.start, times.stop, SettingsTag(times.settings)));
    sources.push_back(std::move(cue));
    out.firstLines.push_back(static_cast<std::uint32_t>(id ? t : t + 1));
    firstText = true;
    in = In::Cue;
  };
  for (size_t i = 0; i < n; ++i) {
    const std::string_view line = lines[i];
    if (IsBlankLine(line)) {
      blanks += line;
      blanks += '\n';
      in = In::Nothing;
      continue;
    }
    if (timing[i].is) {
      startCue(i, nullptr);
      continue;
    }
    switch (in) {
      case In::Cue:
        if (!firstText) {
          entries.back() += '|';
          sources.back().text += '\n';
        }
        AppendCueText(entries.back(), line);
        sources.back().text += line;
        firstText = false;
        continue;
      case In::Header:
      case In::Block:
        keep(i, kFormatLine);
        continue;
      case In::Nothing:
      case In::Unread:
        break;
    }
    if (in == In::Nothing && entries.empty() && IsHeader(line)) {
      keep(i, kFormatLine);
      in = In::Header;
      continue;
    }
    if (in == In::Nothing || in == In::Unread) {
      if (i + 1 < n && timing[i + 1].is && line.find("-->") == std::string_view::npos) {
        startCue(i + 1, &line);
        ++i;
        continue;
      }
    }
    if (in == In::Nothing && IsBlockStart(line)) {
      keep(i, kFormatLine);
      in = In::Block;
      continue;
    }
    keep(i, kUnreadLine);
    if (unread++ == 0) firstUnread = i + 1;
    in = In::Unread;
  }
  out.finalBlank = !blanks.empty();
  if (unread > 0) out.notes.push_back(UnreadLinesNote(unread, firstUnread));
  return entries.size() <= static_cast<size_t>(kInt16Max);
}

// The entry line a cue was read as, built into `out`: its times as written,
// its settings as the tag, its text lines with references marked.
void EntryAsRead(const SourceCue& cue, std::string& out) {
  const std::string_view timing(cue.timing);
  const std::string_view head = timing.substr(HeadAt(timing));
  const std::string_view timingLine = head.substr(head.find('\n') == std::string_view::npos ? 0 : head.find('\n') + 1);
  std::string_view start, stop, settings;
  ParseWebVttTimingLine(timingLine.substr(LeadingMark(timingLine, true)), start, stop, settings);
  out.clear();
  out += '{';
  out += timing.substr(cue.startAt, cue.startLength);
  out += "}{";
  out += timing.substr(cue.stopAt, cue.stopLength);
  out += '}';
  out += SettingsTag(settings);
  bool first = true;
  EachLine(cue.text, [&](std::string_view line) {
    if (!first) out += '|';
    first = false;
    AppendCueText(out, line);
  });
}

// A time field as the timing line writes it: as the file had it, as it
// stands when players read it so, else in the usual form.
std::string TimeField(std::string_view field, std::string_view was) {
  field = TrimBlanks(field);
  if (field == was || IsStrictWebVttTime(field)) return std::string(field);
  const std::optional<int64_t> ms = ParseWebVttTime(field);
  return ms ? FormatWebVttTime(*ms) : std::string(field);
}

// A cue an untouched entry is written from as it was read; any other entry
// from its line: its times, the settings its text starts with on the timing
// line (the identifier and the blank lines before it kept from the cue it
// was read as), its screen lines as text lines. Lines of the file's own
// structure and lines that could not be read are written as they were; an
// entry without times as its bare line. A blank line parts entries where
// reading would otherwise join them. A document of another format, or
// without a header of its own, gets a plain "WEBVTT" one.
void WebVttFormat::Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const {
  const bool converted = entries.Converted();
  const int count = entries.Count();
  bool wrote = false, headed = false;
  Lookout lookout;
  std::string expected, part;
  for (int k = 0; k < count; ++k) {
    const std::string* entry = entries.Line(k);
    if (!entry || entry->empty()) continue;
    const std::string& line = *entry;
    const SourceCue* was = converted ? nullptr : entries.Cue(k);
    if (!headed) {
      headed = true;
      const bool header = IsFormatLine(line) && IsHeader(AsKept(line));
      if (!header && (converted || !was)) {
        emit("WEBVTT");
        lookout.Kept("WEBVTT");
        wrote = true;
      }
    }
    EntryFields f;
    const bool timed =
        !IsKeptLine(line) && SplitFullEntry(line, f) && ParseWebVttTime(f.start) && ParseWebVttTime(f.stop);
    const bool fromCue = was && was->startLength > 0;
    const std::string_view wasTiming = was ? std::string_view(was->timing) : std::string_view();
    const size_t headAt = HeadAt(wasTiming);
    const std::string_view head = wasTiming.substr(headAt);
    const size_t idEnd = fromCue ? head.rfind('\n') : std::string_view::npos;
    Kind kind = Kind::Unread;
    if (timed) kind = idEnd != std::string_view::npos ? Kind::CueWithId : Kind::Cue;
    if (IsFormatLine(line)) kind = Kind::Structure;

    // The blank lines before it.
    if (was && headAt > 0) {
      EachLine(wasTiming.substr(0, headAt - 1), emit);
      lookout.Blank();
    } else if (wrote && (was == nullptr || !lookout.RunsOn(kind))) {
      emit({});
      lookout.Blank();
    }
    wrote = true;

    if (!timed) {
      const std::string_view kept = IsKeptLine(line) ? AsKept(line) : (part = ShowLiteralBars(line));
      emit(kept);
      lookout.Kept(kept);
      continue;
    }
    lookout.Cue();
    if (fromCue) {
      EntryAsRead(*was, expected);
      if (expected == line) {
        EachLine(head, emit);
        if (!was->text.empty()) EachLine(was->text, emit);
        continue;
      }
    }
    std::string_view text = f.text, settings;
    if (const size_t t = WebVttTagAt(text, 0); t > 0 && IsSettingsTag(text.substr(0, t))) {
      settings = text.substr(1, t - 2);
      text.remove_prefix(t);
    }
    std::string_view wasStart, wasStop, wasSettings;
    bool keptTiming = false;
    if (fromCue) {
      const std::string_view timingLine = head.substr(idEnd == std::string_view::npos ? 0 : idEnd + 1);
      ParseWebVttTimingLine(timingLine.substr(LeadingMark(timingLine, true)), wasStart, wasStop, wasSettings);
      // Settings no tag could carry stay as they were.
      if (settings.empty() && SettingsTag(wasSettings).empty()) settings = wasSettings;
      if (idEnd != std::string_view::npos) emit(head.substr(0, idEnd));
      keptTiming = TrimBlanks(f.start) == wasStart && TrimBlanks(f.stop) == wasStop && settings == wasSettings;
      if (keptTiming) emit(timingLine);
    }
    if (!keptTiming) {
      part = TimeField(f.start, wasStart);
      part += " --> ";
      part += TimeField(f.stop, wasStop);
      if (!settings.empty()) {
        part += ' ';
        part += settings;
      }
      emit(part);
    }
    // A text line of nothing but blanks would end the cue.
    for (const std::string_view screenLine : ScreenLines(text)) {
      part.clear();
      AppendFileText(part, screenLine);
      if (!IsBlankLine(part)) emit(part);
    }
  }
  if (!headed) {
    emit("WEBVTT");
    wrote = true;
  }
  if (wrote && identity.finalBlank) emit({});
}

}  // namespace

const Format& WebVtt() {
  static const WebVttFormat format;
  return format;
}

}  // namespace lm
