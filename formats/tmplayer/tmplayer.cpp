#include "formats/tmplayer/tmplayer.h"

#include <algorithm>
#include <string>
#include <vector>

#include "formats/line_entries.h"
#include "formats/scan.h"
#include "formats/subrip/subrip.h"
#include "model/limits.h"
#include "model/text.h"

namespace lm {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

using scan::ReadClockSeconds;
using scan::ReadDigits;

class Times final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  std::optional<int64_t> Parse(std::string_view field) const override {
    const std::string_view s = TrimBlanks(field);
    size_t i = 0;
    const int64_t seconds = ReadClockSeconds(s, i);
    if (seconds < 0 || i != s.size()) return std::nullopt;
    return seconds * 1000;
  }
  // "HH:MM:SS" to the nearest second; a time before the start is the start.
  std::string Format(int64_t units) const override {
    const int64_t rounded = units <= 0 ? 0 : (units + 500) / 1000 * 1000;
    std::string s = FormatTime(rounded);
    s.resize(s.size() - 4);
    return s;
  }
};

const Times& TheTimes() {
  static const Times times;
  return times;
}

// A frame time code's last field ("00:00:01:00\t9420", "00:00:01:00 , …"):
// the line is a Scenarist or Spruce caption, not a TMPlayer one.
bool LooksLikeFrameField(std::string_view text) {
  if (text.size() < 2 || !IsDigit(text[0]) || !IsDigit(text[1])) return false;
  if (text.size() == 2 || text[2] == '\t' || text[2] == ',' || text[2] == ';') return true;
  const std::string_view rest = TrimBlanks(text.substr(2));
  return text[2] == ' ' && (rest.empty() || rest[0] == ',');
}

// How the file writes its times, for the entries written anew.
struct Variant {
  char separator = ':';
  bool lineByLine = false;  // "00:01:02,1=" a screen line
};

// The first line of the file that has a time says how it writes them.
Variant VariantOf(const EntryFeed& feed) {
  Variant v;
  if (feed.Converted()) return v;
  for (int k = 0; k < feed.Count(); ++k) {
    const SourceCue* cue = feed.Cue(k);
    if (!cue) continue;
    std::string_view first = cue->timing;
    while (!first.empty()) {
      const size_t end = first.find('\n');
      const std::string_view part = first.substr(0, end);
      if (!IsBlankLine(part)) {
        first = part;
        break;
      }
      first = end == std::string_view::npos ? std::string_view() : first.substr(end + 1);
    }
    TmPlayerTime t;
    if (!ParseTmPlayerLine(first.substr(LeadingMark(first, k == 0)), t)) continue;
    v.separator = t.separator;
    v.lineByLine = t.screenLine > 0;
    return v;
  }
  return v;
}

class TmPlayerFormat final : public Format {
 public:
  std::string_view Id() const override { return "tmplayer"; }
  std::string_view Name() const override { return "TMPlayer"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return TheTimes(); }
  const StyleDialect& Dialect() const override { return PlainText(); }
  bool BarIsText() const override { return false; }
  // The format's files are mostly Polish.
  Encoding PlainTextEncoding() const override { return Encoding::Windows1250; }

  // At least half of the lines start with a TMPlayer time. A time whose
  // text is a frame number ("00:00:01:00\t…") is another format's time
  // code and counts for nothing.
  Fit Probe(const std::vector<std::string_view>& lines) const override {
    const size_t sample = std::min(lines.size(), scan::kSampleLines);
    size_t timed = 0;
    for (size_t i = 0; i < sample; ++i) {
      const std::string_view line = scan::Head(lines, i);
      TmPlayerTime t;
      if (ParseTmPlayerLine(line, t) && !LooksLikeFrameField(line.substr(t.textAt))) ++timed;
    }
    if (timed == 0) return {};
    return {static_cast<double>(timed) / static_cast<double>(sample), timed * 2 >= sample};
  }

  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    std::vector<line_entries::Span> spans;
    spans.reserve(lines.size());
    // The entry that no line has ended yet, and its start.
    long open = -1;
    int64_t openStart = 0;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (IsBlankLine(lines[i])) continue;
      const size_t mark = LeadingMark(lines[i], i == 0);
      const std::string_view line = lines[i].substr(mark);
      TmPlayerTime t;
      if (!ParseTmPlayerLine(line, t)) {
        open = -1;  // kept as it was: what follows is no longer next to the entry
        continue;
      }
      const int64_t start = *TheTimes().Parse(t.time);
      const std::string_view text = line.substr(t.textAt);
      const std::uint32_t timeAt = static_cast<std::uint32_t>(mark + (t.time.data() - line.data()));
      if (open >= 0 && t.screenLine > 1 && start == openStart) {
        line_entries::Span& span = spans[static_cast<size_t>(open)];
        span.text += '|';
        span.text += text;
        span.to = i + 1;
        continue;
      }
      if (IsBlankLine(text)) {
        if (open < 0) {
          spans.push_back(line_entries::KeptSpan(i, kFormatLine));
          continue;
        }
        line_entries::Span& span = spans[static_cast<size_t>(open)];
        span.stop = std::string(t.time);
        span.stopAt = line_entries::OffsetIn(lines, span.from, i, timeAt);
        span.stopLength = static_cast<std::uint32_t>(t.time.size());
        span.to = i + 1;
        open = -1;
        continue;
      }
      line_entries::Span& span = spans.emplace_back();
      span.from = i;
      span.to = i + 1;
      span.start = std::string(t.time);
      span.text = std::string(text);
      span.startAt = timeAt;
      span.startLength = static_cast<std::uint32_t>(t.time.size());
      open = static_cast<long>(spans.size() - 1);
      openStart = start;
    }
    line_entries::Collect(lines, spans, TheTimes(), out);
    out.finalBlank = true;  // no blank line ends an entry here: a SubRip file made of it ends with one
    return out.entries.size() <= static_cast<size_t>(kInt16Max);
  }

  // An entry as its start and text, its times as its fields write them,
  // in the way the file writes them (a converted document: "00:01:02:"),
  // then its stop as a time without text unless the next entry's start
  // gives it back when read. A stop after the next start cannot be written:
  // that entry ends it. An entry without text reads back as such a stop.
  void Write(EntryFeed& entries, const FileIdentity&, const LineSink& emit) const override {
    const Variant v = VariantOf(entries);
    const std::string separator(1, v.separator);
    std::string line;
    line_entries::Write(
        entries, TheTimes(), 0,
        [&](const line_entries::Timed& t, const LineSink& out) {
          const std::string_view start = TrimBlanks(t.fields.start);
          // An empty first screen line would read back as a stop: such a
          // text is written on one line.
          if (v.lineByLine && !t.fields.text.empty() && t.fields.text[0] != '|') {
            const std::vector<std::string> screen = line_entries::ShownScreenLines(t.fields.text);
            for (size_t k = 0; k < screen.size(); ++k) {
              line.assign(start);
              line += "," + std::to_string(k + 1) + "=" + screen[k];
              out(line);
            }
          } else {
            line.assign(start);
            line += v.lineByLine ? "=" : separator;
            line += t.fields.text;
            out(line);
          }
          // The fields hold whole seconds.
          if (line_entries::UnwrittenStop(t.start, t.nextStart) == t.stop) return;
          const bool overlaps = t.nextStart && *t.nextStart >= t.start && *t.nextStart < t.stop;
          if (overlaps) return;
          line.assign(TrimBlanks(t.fields.stop));
          line += v.lineByLine ? ",1=" : separator;
          out(line);
        },
        emit);
  }

 private:
  const std::vector<std::string_view> extensions_{"txt"};
  const std::vector<std::string_view> mimeTypes_{"text/x-tmplayer"};
};

}  // namespace

const Format& TmPlayer() {
  static const TmPlayerFormat format;
  return format;
}

bool ParseTmPlayerLine(std::string_view line, TmPlayerTime& out) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  const size_t from = i;
  if (ReadClockSeconds(line, i) < 0 || i >= line.size()) return false;
  const size_t end = i;
  int screenLine = 0;
  if (line[i] == ',') {
    ++i;
    const int64_t n = ReadDigits(line, i, 1, 2);
    if (n < 1 || i >= line.size() || line[i] != '=') return false;
    screenLine = static_cast<int>(n);
  } else if (line[i] != ':' && line[i] != '=') {
    return false;
  }
  out.time = line.substr(from, end - from);
  out.separator = line[i];
  out.screenLine = screenLine;
  out.textAt = i + 1;
  return true;
}

}  // namespace lm
