#include "formats/sbv/sbv.h"

#include <algorithm>
#include <charconv>
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

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

size_t PastBlanks(std::string_view s, size_t i) {
  while (i < s.size() && IsBlankChar(s[i])) ++i;
  return i;
}

// The end of the time that starts at `i`: a sign, digits, ":" and ".".
size_t TimeEnd(std::string_view s, size_t i) {
  if (i < s.size() && s[i] == '-') ++i;
  while (i < s.size() && ((s[i] >= '0' && s[i] <= '9') || s[i] == ':' || s[i] == '.')) ++i;
  return i;
}

// "H:MM:SS.mmm" exactly, as YouTube writes it: what the probe counts, so
// that SubViewer's hundredths ("00:00:01.00,00:00:03.00") keep their name.
bool IsUsualTime(std::string_view field) {
  scan::Scan c(field);
  return c.Digits() && c.Char(':') && c.Digits(2, 2) && c.Char(':') && c.Digits(2, 2) && c.Char('.') &&
         c.Digits(3, 3) && c.AtEnd();
}

// Text lines a cue is expected to have at most, for the probe.
constexpr int kCueTextLines = 8;

using cue_lines::EachLine;
using cue_lines::HeadAt;

class Times final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  std::optional<int64_t> Parse(std::string_view field) const override { return ParseSubRipTime(field); }
  std::string Format(int64_t units) const override { return FormatSbvTime(units); }
};

const Times& TheTimes() {
  static const Times times;
  return times;
}

// The entry a cue was read as: its times as written, its text lines with
// "|" between them (a "|" of theirs a character).
void EntryAsRead(const SourceCue& cue, std::string& out) {
  const std::string_view timing(cue.timing);
  out.clear();
  out += '{';
  out += timing.substr(cue.startAt, cue.startLength);
  out += "}{";
  out += timing.substr(cue.stopAt, cue.stopLength);
  out += '}';
  for (const char c : cue.text) {
    if (c == '|') {
      out += kLiteralBar;
    } else {
      out += c == '\n' ? '|' : c;
    }
  }
}

std::string TimeField(std::string_view field, std::string_view was) {
  field = TrimBlanks(field);
  if (field == was || IsUsualTime(field)) return std::string(field);
  const std::optional<int64_t> ms = ParseSubRipTime(field);
  return ms ? FormatSbvTime(*ms) : std::string(field);
}

class SbvFormat final : public Format {
 public:
  std::string_view Id() const override { return "sbv"; }
  std::string_view Name() const override { return "YouTube SBV"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return TheTimes(); }
  const StyleDialect& Dialect() const override { return PlainText(); }
  bool BarIsText() const override { return true; }
  // YouTube takes UTF-8 alone.
  Encoding PlainTextEncoding() const override { return Encoding::Utf8; }

  // How much of the sample the cues explain: timing lines and the text
  // lines after each, a few a cue. Decisive when that is at least half.
  Fit Probe(const std::vector<std::string_view>& lines) const override {
    const size_t sample = std::min(lines.size(), scan::kSampleLines);
    size_t covered = 0, timings = 0;
    int sinceTiming = -1;  // text lines since the last timing line; -1: none yet
    for (size_t i = 0; i < sample; ++i) {
      std::string_view start, stop;
      if (ParseSbvTimingLine(scan::Head(lines, i), start, stop) && IsUsualTime(start) && IsUsualTime(stop)) {
        ++covered;
        ++timings;
        sinceTiming = 0;
      } else if (sinceTiming >= 0 && ++sinceTiming <= kCueTextLines) {
        ++covered;
      }
    }
    if (timings == 0) return {};
    return {static_cast<double>(covered) / static_cast<double>(sample), covered * 2 >= sample};
  }

  // A timing line starts a cue wherever it stands; the lines after it up to
  // a blank line are its text. Any other line is kept as a line that could
  // not be read.
  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    const size_t n = lines.size();
    std::vector<std::string>& entries = out.entries;
    std::vector<SourceCue>& sources = out.sources;
    entries.reserve(n / 3 + 1);
    sources.reserve(n / 3 + 1);
    std::string blanks;  // the blank lines since the last entry, each ended by "\n"
    size_t unread = 0, firstUnread = 0;
    bool inCue = false, firstText = false;
    for (size_t i = 0; i < n; ++i) {
      const std::string_view line = lines[i];
      if (IsBlankLine(line)) {
        blanks += line;
        blanks += '\n';
        inCue = false;
        continue;
      }
      std::string_view start, stop;
      if (ParseSbvTimingLine(line.substr(LeadingMark(line, i == 0)), start, stop)) {
        SourceCue cue;
        cue.timing = std::move(blanks);
        blanks.clear();
        const size_t lineAt = cue.timing.size();
        cue.timing += line;
        cue.startAt = static_cast<std::uint32_t>(lineAt + static_cast<size_t>(start.data() - line.data()));
        cue.startLength = static_cast<std::uint32_t>(start.size());
        cue.stopAt = static_cast<std::uint32_t>(lineAt + static_cast<size_t>(stop.data() - line.data()));
        cue.stopLength = static_cast<std::uint32_t>(stop.size());
        entries.push_back(BuildEntryLine(start, stop, ""));
        sources.push_back(std::move(cue));
        out.firstLines.push_back(static_cast<std::uint32_t>(i + 1));
        inCue = firstText = true;
        continue;
      }
      if (inCue) {
        std::string& entry = entries.back();
        if (!firstText) {
          entry += '|';
          sources.back().text += '\n';
        }
        firstText = false;
        for (const char c : line) {
          if (c == '|') {
            entry += kLiteralBar;
          } else {
            entry += c;
          }
        }
        sources.back().text += line;
        continue;
      }
      std::string entry;
      entry.reserve(kUnreadLine.size() + line.size());
      entry += kUnreadLine;
      entry += line;
      entries.push_back(std::move(entry));
      sources.emplace_back().timing = std::move(blanks);
      blanks.clear();
      out.firstLines.push_back(static_cast<std::uint32_t>(i + 1));
      if (unread++ == 0) firstUnread = i + 1;
    }
    out.finalBlank = !blanks.empty();
    if (unread > 0) out.notes.push_back(UnreadLinesNote(unread, firstUnread));
    return entries.size() <= static_cast<size_t>(kInt16Max);
  }

  // An untouched cue from the bytes it was read from; any other entry from
  // its line, its times as the file had them while they stand, else as
  // "H:MM:SS.mmm". Lines that could not be read are written as they were,
  // an entry without times as its bare line; blank lines stand where they
  // stood, and one parts a cue from a line that is no cue.
  void Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const override {
    const bool converted = entries.Converted();
    const int count = entries.Count();
    bool wrote = false, previousCue = false;
    std::string expected, part;
    for (int k = 0; k < count; ++k) {
      const std::string* entry = entries.Line(k);
      if (!entry) continue;
      const std::string& line = *entry;
      const SourceCue* was = converted ? nullptr : entries.Cue(k);
      EntryFields f;
      const bool timed =
          !IsKeptLine(line) && SplitFullEntry(line, f) && ParseSubRipTime(f.start) && ParseSubRipTime(f.stop);
      const std::string_view wasTiming = was ? std::string_view(was->timing) : std::string_view();
      const size_t headAt = HeadAt(wasTiming);
      if (was && headAt > 0) {
        EachLine(wasTiming.substr(0, headAt - 1), emit);
      } else if (wrote && (!was || (previousCue && !timed))) {
        emit({});
      }
      previousCue = timed;
      wrote = true;
      if (!timed) {
        if (IsKeptLine(line)) {
          emit(AsKept(line));
        } else if (!line.empty()) {
          part = ShowLiteralBars(line);
          emit(part);
        }
        continue;
      }
      const bool fromCue = was && was->startLength > 0;
      const std::string_view timingLine = wasTiming.substr(headAt);
      if (fromCue) {
        EntryAsRead(*was, expected);
        if (expected == line) {
          emit(timingLine);
          if (!was->text.empty()) EachLine(was->text, emit);
          continue;
        }
      }
      const std::string_view wasStart = fromCue ? wasTiming.substr(was->startAt, was->startLength) : "";
      const std::string_view wasStop = fromCue ? wasTiming.substr(was->stopAt, was->stopLength) : "";
      if (fromCue && TrimBlanks(f.start) == wasStart && TrimBlanks(f.stop) == wasStop) {
        emit(timingLine);
      } else {
        part = TimeField(f.start, wasStart);
        part += ',';
        part += TimeField(f.stop, wasStop);
        emit(part);
      }
      // A text line of nothing but blanks would end the cue.
      for (const std::string_view screenLine : ScreenLines(f.text)) {
        if (IsBlankLine(screenLine)) continue;
        part = ShowLiteralBars(screenLine);
        emit(part);
      }
    }
    if (wrote && identity.finalBlank) emit({});
  }

 private:
  const std::vector<std::string_view> extensions_{"sbv"};
  const std::vector<std::string_view> mimeTypes_{"text/x-sbv", "text/sbv"};
};

}  // namespace

const Format& YouTubeSbv() {
  static const SbvFormat format;
  return format;
}

bool ParseSbvTimingLine(std::string_view line, std::string_view& start, std::string_view& stop) {
  const size_t startAt = PastBlanks(line, 0);
  const size_t startEnd = TimeEnd(line, startAt);
  size_t i = PastBlanks(line, startEnd);
  if (startEnd == startAt || i >= line.size() || line[i] != ',') return false;
  const size_t stopAt = PastBlanks(line, i + 1);
  const size_t stopEnd = TimeEnd(line, stopAt);
  if (PastBlanks(line, stopEnd) != line.size()) return false;
  const std::string_view first = line.substr(startAt, startEnd - startAt);
  const std::string_view second = line.substr(stopAt, stopEnd - stopAt);
  if (!ParseSubRipTime(first) || !ParseSubRipTime(second)) return false;
  start = first;
  stop = second;
  return true;
}

std::string FormatSbvTime(int64_t milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  char buf[40];
  char* p = std::to_chars(buf, buf + 20, milliseconds / 3600000).ptr;
  auto two = [&](int64_t v) {
    *p++ = static_cast<char>('0' + v / 10);
    *p++ = static_cast<char>('0' + v % 10);
  };
  *p++ = ':';
  two(milliseconds / 60000 % 60);
  *p++ = ':';
  two(milliseconds / 1000 % 60);
  *p++ = '.';
  const int64_t ms = milliseconds % 1000;
  *p++ = static_cast<char>('0' + ms / 100);
  two(ms % 100);
  return std::string(buf, p);
}

}  // namespace lm
