#include "formats/subviewer/subviewer.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "formats/line_entries.h"
#include "formats/scan.h"
#include "formats/subrip/subrip.h"
#include "model/limits.h"
#include "model/text.h"

namespace lm {

namespace {

using scan::ReadDigits;

// "H:MM:SS" at `i`: the time in milliseconds, or -1.
int64_t Clock(std::string_view s, size_t& i) {
  const int64_t seconds = scan::ReadClockSeconds(s, i);
  return seconds < 0 ? -1 : seconds * 1000;
}

// "H:MM:SS.cc" at `i`, the fraction in one to three digits: milliseconds, or -1.
int64_t ClockWithFraction(std::string_view s, size_t& i) {
  const int64_t whole = Clock(s, i);
  if (whole < 0 || i >= s.size() || s[i++] != '.') return -1;
  const size_t from = i;
  int64_t fraction = ReadDigits(s, i, 1, 3);
  if (fraction < 0) return -1;
  for (size_t d = i - from; d < 3; ++d) fraction *= 10;
  return whole + fraction;
}

// Milliseconds rounded to `step` (a power of ten) and written "HH:MM:SS.mmm"
// without the digits below it; a time before the start is the start.
std::string Written(int64_t milliseconds, int64_t step, size_t cut) {
  const int64_t rounded = milliseconds <= 0 ? 0 : (milliseconds + step / 2) / step * step;
  std::string s = FormatTime(rounded, '.');
  s.resize(s.size() - cut);
  return s;
}

class CentisecondTimes final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  std::optional<int64_t> Parse(std::string_view field) const override {
    const std::string_view s = TrimBlanks(field);
    size_t i = 0;
    const int64_t ms = ClockWithFraction(s, i);
    if (ms < 0 || i != s.size()) return std::nullopt;
    return ms;
  }
  std::string Format(int64_t units) const override { return Written(units, 10, 1); }
};

class SecondTimes final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  std::optional<int64_t> Parse(std::string_view field) const override {
    const std::string_view s = TrimBlanks(field);
    size_t i = 0;
    const int64_t ms = Clock(s, i);
    if (ms < 0 || i != s.size()) return std::nullopt;
    return ms;
  }
  std::string Format(int64_t units) const override { return Written(units, 1000, 4); }
};

const CentisecondTimes& Centiseconds() {
  static const CentisecondTimes times;
  return times;
}

const SecondTimes& Seconds() {
  static const SecondTimes times;
  return times;
}

// A line of the file's own structure: a header tag, with its value after
// it or not ("[DELAY]0", "[COLF]&HFFFFFF,[STYLE]bd"), or a "****" line.
bool IsStructureLine(std::string_view line) {
  static constexpr std::array<std::string_view, 17> kTags = {
      "INFORMATION", "END INFORMATION", "TITLE", "AUTHOR", "SOURCE", "PRG",  "FILEPATH", "DELAY", "CD TRACK",
      "COMMENT",     "SUBTITLE",        "COLF",  "STYLE",  "SIZE",   "FONT", "BEGIN",    "END"};
  line = TrimBlanks(line);
  if (line.substr(0, 2) == "**") return true;
  if (line.empty() || line[0] != '[') return false;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return false;
  const std::string_view name = line.substr(1, close - 1);
  return std::any_of(kTags.begin(), kTags.end(), [&](std::string_view tag) { return EqualsNoCase(name, tag); });
}

// How much of a sample of non-empty lines the structure explains: the
// header's lines, the timing lines, and the two lines after either (a
// header value, a cue's text). Decisive when that is half the sample.
template <class IsTiming>
Fit ProbeStructure(const std::vector<std::string_view>& lines, IsTiming isTiming) {
  const size_t sample = std::min(lines.size(), scan::kSampleLines);
  size_t covered = 0, timings = 0;
  int since = -1;  // lines since the last timing or structure line; -1: none yet
  for (size_t i = 0; i < sample; ++i) {
    const std::string_view line = scan::Head(lines, i);
    if (isTiming(line)) {
      ++timings;
      ++covered;
      since = 0;
    } else if (IsStructureLine(line)) {
      ++covered;
      since = 0;
    } else if (since >= 0 && ++since <= 2) {
      ++covered;
    }
  }
  if (timings == 0) return {};
  return {static_cast<double>(covered) / static_cast<double>(sample), covered * 2 >= sample};
}

// A line without the byte order mark that may start the file.
std::string_view Unmarked(const std::vector<std::string_view>& lines, size_t i) {
  return lines[i].substr(LeadingMark(lines[i], i == 0));
}

// The offset of a view into line `i` from the line's start.
std::uint32_t At(const std::vector<std::string_view>& lines, size_t i, std::string_view part) {
  return static_cast<std::uint32_t>(part.data() - lines[i].data());
}

// Every line before the first for which `isTiming` holds is the header's.
template <class IsTiming>
size_t KeepHeader(const std::vector<std::string_view>& lines, IsTiming isTiming,
                  std::vector<line_entries::Span>& spans) {
  size_t first = 0;
  while (first < lines.size() && !isTiming(Unmarked(lines, first))) ++first;
  for (size_t i = 0; i < first; ++i)
    if (!IsBlankLine(lines[i])) spans.push_back(line_entries::KeptSpan(i, kFormatLine));
  return first;
}

// ------------------------------------------------------------ SubViewer 2

bool IsSubViewer2Timing(std::string_view line) {
  std::string_view start, stop;
  return ParseSubViewer2Timing(line, start, stop);
}

// As the probe counts them: hundredths, as the format writes its times.
// Milliseconds ("0:00:01.000,0:00:03.000") are YouTube's SBV, which the
// reader still takes from a file already known to be SubViewer.
bool IsTypicalSubViewer2Timing(std::string_view line) {
  std::string_view start, stop;
  if (!ParseSubViewer2Timing(line, start, stop)) return false;
  const size_t dot = start.find_last_of(".,");
  return dot == std::string_view::npos || TrimBlanks(start.substr(dot + 1)).size() < 3;
}

// A text line into the entry: "[br]" breaks it, a "|" is a character.
void AppendSubViewer2Text(std::string& entry, std::string_view line) {
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '|') {
      entry += kLiteralBar;
    } else if (line[i] == '[' && EqualsNoCase(line.substr(i, 4), "[br]")) {
      entry += '|';
      i += 3;
    } else {
      entry += line[i];
    }
  }
}

class SubViewer2Format final : public Format {
 public:
  std::string_view Id() const override { return "subviewer"; }
  std::string_view Name() const override { return "SubViewer 2"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return Centiseconds(); }
  const StyleDialect& Dialect() const override { return PlainText(); }
  bool BarIsText() const override { return true; }
  Encoding PlainTextEncoding() const override { return Encoding::Windows1252; }

  Fit Probe(const std::vector<std::string_view>& lines) const override {
    // Its header says what it is, whatever its times look like.
    if (!lines.empty() && EqualsNoCase(TrimBlanks(lines.front()), "[INFORMATION]")) return {1.0, true};
    return ProbeStructure(lines, IsTypicalSubViewer2Timing);
  }

  // A cue is its timing line and the lines up to a blank one or the next
  // timing line; outside cues, lines of the structure are kept as such.
  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    const size_t n = lines.size();
    std::vector<line_entries::Span> spans;
    spans.reserve(n / 2 + 16);
    for (size_t i = KeepHeader(lines, IsSubViewer2Timing, spans); i < n;) {
      const std::string_view line = Unmarked(lines, i);
      std::string_view start, stop;
      if (!ParseSubViewer2Timing(line, start, stop)) {
        if (IsStructureLine(line)) spans.push_back(line_entries::KeptSpan(i, kFormatLine));
        ++i;
        continue;
      }
      line_entries::Span& span = spans.emplace_back();
      span.from = i;
      span.start = std::string(start);
      span.stop = std::string(stop);
      span.startAt = At(lines, i, start);
      span.startLength = static_cast<std::uint32_t>(start.size());
      span.stopAt = At(lines, i, stop);
      span.stopLength = static_cast<std::uint32_t>(stop.size());
      size_t j = i + 1;
      for (; j < n && !IsBlankLine(lines[j]) && !IsSubViewer2Timing(lines[j]); ++j) {
        if (j > i + 1) span.text += '|';
        AppendSubViewer2Text(span.text, lines[j]);
      }
      span.to = j;
      i = j;
    }
    line_entries::Collect(lines, spans, Centiseconds(), out);
    return out.entries.size() <= static_cast<size_t>(kInt16Max);
  }

  void Write(EntryFeed& entries, const FileIdentity&, const LineSink& emit) const override {
    if (entries.Converted()) {
      for (const std::string_view line : {"[INFORMATION]", "[TITLE]", "[AUTHOR]", "[SOURCE]", "[PRG]", "[FILEPATH]",
                                          "[DELAY]0", "[CD TRACK]0", "[COMMENT]", "[END INFORMATION]", "[SUBTITLE]"})
        emit(line);
    }
    std::string line;
    line_entries::Write(
        entries, Centiseconds(), 1,
        [&line](const line_entries::Timed& t, const LineSink& out) {
          line.assign(TrimBlanks(t.fields.start));
          line += ',';
          line += TrimBlanks(t.fields.stop);
          out(line);
          line.clear();
          const std::vector<std::string> screen = line_entries::ShownScreenLines(t.fields.text);
          for (size_t k = 0; k < screen.size(); ++k) line += (k ? "[br]" : "") + screen[k];
          if (!line.empty()) out(line);
        },
        emit);
  }

 private:
  const std::vector<std::string_view> extensions_{"sub"};
  const std::vector<std::string_view> mimeTypes_{"text/x-subviewer"};
};

// ------------------------------------------------------------ SubViewer 1

bool IsSubViewer1Time(std::string_view line) {
  std::string_view time;
  return ParseSubViewer1Time(line, time);
}

// A line that may be a cue's text: no time, no line of the structure.
bool IsTextLine(std::string_view line) {
  return !IsBlankLine(line) && !IsSubViewer1Time(line) && !IsStructureLine(line);
}

class SubViewer1Format final : public Format {
 public:
  std::string_view Id() const override { return "subviewer1"; }
  std::string_view Name() const override { return "SubViewer 1"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return Seconds(); }
  const StyleDialect& Dialect() const override { return PlainText(); }
  bool BarIsText() const override { return false; }
  Encoding PlainTextEncoding() const override { return Encoding::Windows1252; }

  Fit Probe(const std::vector<std::string_view>& lines) const override {
    return ProbeStructure(lines, IsSubViewer1Time);
  }

  // A cue is its start's time line, the text lines after it and the next
  // time line, its stop; a line of the structure before that ends the cue
  // without one.
  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    const size_t n = lines.size();
    std::vector<line_entries::Span> spans;
    spans.reserve(n / 3 + 16);
    for (size_t i = KeepHeader(lines, IsSubViewer1Time, spans); i < n;) {
      const std::string_view line = Unmarked(lines, i);
      std::string_view start;
      if (!ParseSubViewer1Time(line, start)) {
        if (IsStructureLine(line)) spans.push_back(line_entries::KeptSpan(i, kFormatLine));
        ++i;
        continue;
      }
      line_entries::Span& span = spans.emplace_back();
      span.from = i;
      span.start = std::string(start);
      span.startAt = At(lines, i, start);
      span.startLength = static_cast<std::uint32_t>(start.size());
      size_t last = i, j = i + 1;
      for (; j < n && (IsBlankLine(lines[j]) || IsTextLine(lines[j])); ++j) {
        if (IsBlankLine(lines[j])) continue;
        if (last > i) span.text += '|';
        span.text += lines[j];
        last = j;
      }
      std::string_view stop;
      if (j < n && ParseSubViewer1Time(lines[j], stop)) {
        span.stop = std::string(stop);
        span.stopAt = line_entries::OffsetIn(lines, i, j, At(lines, j, stop));
        span.stopLength = static_cast<std::uint32_t>(stop.size());
        last = j;
      }
      span.to = last + 1;
      i = last + 1;
    }
    line_entries::Collect(lines, spans, Seconds(), out);
    return out.entries.size() <= static_cast<size_t>(kInt16Max);
  }

  void Write(EntryFeed& entries, const FileIdentity&, const LineSink& emit) const override {
    const bool converted = entries.Converted();
    if (converted) {
      for (const std::string_view line :
           {"[TITLE]", "", "[AUTHOR]", "", "[SOURCE]", "", "[PRG]", "", "[FILEPATH]", "", "[DELAY]", "0", "[CD TRACK]",
            "0", "[BEGIN]", "******** START SCRIPT ********"})
        emit(line);
    }
    std::string line;
    line_entries::Write(
        entries, Seconds(), 1,
        [&line](const line_entries::Timed& t, const LineSink& out) {
          line = "[" + std::string(TrimBlanks(t.fields.start)) + "]";
          out(line);
          if (!t.fields.text.empty()) out(t.fields.text);
          line = "[" + std::string(TrimBlanks(t.fields.stop)) + "]";
          out(line);
        },
        emit);
    if (converted) {
      emit("[END]");
      emit("******** END SCRIPT ********");
    }
  }

 private:
  const std::vector<std::string_view> extensions_{"sub"};
  const std::vector<std::string_view> mimeTypes_{"text/x-subviewer"};
};

}  // namespace

const Format& SubViewer2() {
  static const SubViewer2Format format;
  return format;
}

const Format& SubViewer1() {
  static const SubViewer1Format format;
  return format;
}

bool ParseSubViewer2Timing(std::string_view line, std::string_view& start, std::string_view& stop) {
  const std::string_view s = TrimBlanks(line);
  size_t i = 0;
  if (ClockWithFraction(s, i) < 0) return false;
  const size_t startEnd = i;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  if (i >= s.size() || s[i++] != ',') return false;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  const size_t stopAt = i;
  if (ClockWithFraction(s, i) < 0 || i != s.size()) return false;
  start = s.substr(0, startEnd);
  stop = s.substr(stopAt);
  return true;
}

bool ParseSubViewer1Time(std::string_view line, std::string_view& time) {
  const std::string_view s = TrimBlanks(line);
  if (s.size() < 7 || s.front() != '[' || s.back() != ']') return false;
  const std::string_view inside = s.substr(1, s.size() - 2);
  size_t i = 0;
  if (Clock(inside, i) < 0 || i != inside.size()) return false;
  time = inside;
  return true;
}

}  // namespace lm
