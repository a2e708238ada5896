#include "formats/mpl2/mpl2.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>
#include <vector>

#include "formats/line_entries.h"
#include "formats/scan.h"
#include "formats/subrip/subrip.h"
#include "model/limits.h"
#include "model/text.h"

namespace lm {

namespace {

constexpr int kMostDigits = 15;

size_t PastBlanks(std::string_view s, size_t i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return i;
}

// A sign and digits at `i`: their end, or `i` when there are none.
size_t NumberEnd(std::string_view s, size_t i) {
  size_t j = i < s.size() && s[i] == '-' ? i + 1 : i;
  const size_t digits = j;
  while (j < s.size() && s[j] >= '0' && s[j] <= '9') ++j;
  return j == digits ? i : j;
}

class Times final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  std::optional<int64_t> Parse(std::string_view field) const override {
    const std::string_view s = TrimBlanks(field);
    const bool negative = !s.empty() && s[0] == '-';
    const std::string_view digits = s.substr(negative ? 1 : 0);
    if (digits.empty() || digits.size() > kMostDigits || digits[0] < '0' || digits[0] > '9') return std::nullopt;
    int64_t tenths = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), tenths);
    if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return (negative ? -tenths : tenths) * 100;
  }
  // To the nearest decisecond.
  std::string Format(int64_t units) const override {
    const bool negative = units < 0;
    const int64_t magnitude =
        negative ? (units == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -units)
                 : units;
    const int64_t tenths = magnitude / 100 + (magnitude % 100 >= 50 ? 1 : 0);
    return (negative && tenths > 0 ? "-" : "") + std::to_string(tenths);
  }
};

const Times& TheTimes() {
  static const Times times;
  return times;
}

// Only a line-start "/": line-scoped, no tags.
class Dialect final : public StyleDialect {
 public:
  Dialect() : StyleDialect("", true, true) {}
  size_t TagAt(std::string_view, size_t) const override { return 0; }
  void Apply(std::string_view, Style&) const override {}
  // The "/" is no tag: remove-hi leaves it, as it does in frame-based files.
  bool HasItalicTags(std::string_view) const override { return false; }
  int CutItalicTags(std::string&) const override { return 0; }

  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    std::vector<StyledLine> out;
    for (const std::string_view line : ScreenLines(text)) {
      StyledLine styled;
      styled.style.italic = !line.empty() && line[0] == '/';
      styled.text = std::string(line.substr(styled.style.italic ? 1 : 0));
      out.push_back(std::move(styled));
    }
    return out;
  }

  std::string FromNeutral(const std::vector<StyledLine>& lines) const override {
    std::string out;
    for (size_t k = 0; k < lines.size(); ++k) {
      if (k > 0) out += '|';
      if (lines[k].style.italic && !lines[k].text.empty()) out += '/';
      out += lines[k].text;
    }
    return out;
  }
};

const Dialect& TheDialect() {
  static const Dialect dialect;
  return dialect;
}

class Mpl2Format final : public Format {
 public:
  std::string_view Id() const override { return "mpl2"; }
  std::string_view Name() const override { return "MPL2"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return TheTimes(); }
  const StyleDialect& Dialect() const override { return TheDialect(); }
  bool BarIsText() const override { return false; }
  // The format's files are mostly Polish.
  Encoding PlainTextEncoding() const override { return Encoding::Windows1250; }

  // At least half of the lines start "[start][stop]": nothing else does.
  Fit Probe(const std::vector<std::string_view>& lines) const override {
    const size_t sample = std::min(lines.size(), scan::kSampleLines);
    size_t timed = 0;
    for (size_t i = 0; i < sample; ++i) {
      std::string_view start, stop;
      size_t textAt;
      if (ParseMpl2Timing(scan::Head(lines, i), start, stop, textAt)) ++timed;
    }
    if (timed == 0) return {};
    return {static_cast<double>(timed) / static_cast<double>(sample), timed * 2 >= sample};
  }

  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    std::vector<line_entries::Span> spans;
    spans.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      const size_t mark = LeadingMark(lines[i], i == 0);
      const std::string_view line = lines[i].substr(mark);
      std::string_view start, stop;
      size_t textAt;
      if (!ParseMpl2Timing(line, start, stop, textAt)) continue;
      line_entries::Span& span = spans.emplace_back();
      span.from = i;
      span.to = i + 1;
      span.start = std::string(start);
      span.stop = std::string(stop);
      span.text = std::string(line.substr(textAt));
      span.startAt = static_cast<std::uint32_t>(mark + (start.data() - line.data()));
      span.startLength = static_cast<std::uint32_t>(start.size());
      span.stopAt = static_cast<std::uint32_t>(mark + (stop.data() - line.data()));
      span.stopLength = static_cast<std::uint32_t>(stop.size());
    }
    line_entries::Collect(lines, spans, TheTimes(), out);
    out.finalBlank = true;  // no blank line ends an entry here: a SubRip file made of it ends with one
    return out.entries.size() <= static_cast<size_t>(kInt16Max);
  }

  // An entry as "[start][stop]text", the times as its fields write them.
  void Write(EntryFeed& entries, const FileIdentity&, const LineSink& emit) const override {
    std::string line;
    line_entries::Write(
        entries, TheTimes(), 0,
        [&line](const line_entries::Timed& t, const LineSink& out) {
          line.clear();
          line += '[';
          line += TrimBlanks(t.fields.start);
          line += "][";
          line += TrimBlanks(t.fields.stop);
          line += ']';
          line += t.fields.text;
          out(line);
        },
        emit);
  }

 private:
  const std::vector<std::string_view> extensions_{"txt", "mpl"};
  const std::vector<std::string_view> mimeTypes_{"text/x-mpl2"};
};

}  // namespace

const Format& Mpl2() {
  static const Mpl2Format format;
  return format;
}

bool ParseMpl2Timing(std::string_view line, std::string_view& start, std::string_view& stop, size_t& textAt) {
  size_t i = PastBlanks(line, 0);
  if (i >= line.size() || line[i] != '[') return false;
  const size_t startAt = PastBlanks(line, i + 1);
  const size_t startEnd = NumberEnd(line, startAt);
  if (startEnd == startAt) return false;
  i = PastBlanks(line, startEnd);
  if (line.substr(i, 2) != "][") return false;
  const size_t stopAt = PastBlanks(line, i + 2);
  const size_t stopEnd = NumberEnd(line, stopAt);
  i = PastBlanks(line, stopEnd);
  if (i >= line.size() || line[i] != ']') return false;
  const std::string_view first = line.substr(startAt, startEnd - startAt);
  const std::string_view second = line.substr(stopAt, stopEnd - stopAt);
  if (!TheTimes().Parse(first) || (!second.empty() && !TheTimes().Parse(second))) return false;
  start = first;
  stop = second;
  textAt = i + 1;
  return true;
}

}  // namespace lm
