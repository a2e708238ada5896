#include "subrip.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "entry.h"
#include "markup.h"
#include "text.h"

namespace lm {

namespace {

bool IsBlank(std::string_view line) { return TrimBlanks(line).empty(); }

bool IsNumber(std::string_view line) {
  line = TrimBlanks(line);
  // A byte order mark may stand before the first number.
  if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) line.remove_prefix(kByteOrderMark.size());
  return !line.empty() && line.size() < 10 &&
         std::all_of(line.begin(), line.end(), [](char c) { return c >= '0' && c <= '9'; });
}


// ------------------------------------------------------------ style tags

struct Style {
  bool italic = false, bold = false, underline = false, strike = false;
  std::string color;  // "RRGGBB", or empty
  bool Any() const { return italic || bold || underline || strike || !color.empty(); }
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

// A MicroDVD tag's effect on a style: "{y:i,b}", "{c:$BBGGRR}".
void ApplyMicroDvdTag(std::string_view tag, Style& style) {
  const char letter = static_cast<char>(std::tolower(tag[1]));
  const std::string_view value = tag.substr(3, tag.size() - 4);
  if (letter == 'y') {
    for (char c : value) {
      const char v = static_cast<char>(std::tolower(c));
      style.italic |= v == 'i';
      style.bold |= v == 'b';
      style.underline |= v == 'u';
      style.strike |= v == 's';
    }
  } else if (letter == 'c' && value.size() == 7 && value[0] == '$') {
    // MicroDVD writes colours blue, green, red.
    style.color = std::string(value.substr(5, 2)) + std::string(value.substr(3, 2)) + std::string(value.substr(1, 2));
  }
}

// The MicroDVD markup starting a line or the entry, as a style.
Style MicroDvdPrefixStyle(std::string_view prefix, bool upperOnly) {
  Style style;
  for (size_t i = 0; i < prefix.size();) {
    if (const size_t t = TagAt(prefix, i)) {
      if (!upperOnly || std::isupper(static_cast<unsigned char>(prefix[i + 1]))) ApplyMicroDvdTag(prefix.substr(i, t), style);
      i += t;
    } else {
      if (!upperOnly) style.italic = true;  // the "/"
      ++i;
    }
  }
  return style;
}

std::string SubRipOpen(const Style& s) {
  std::string out;
  if (!s.color.empty()) out += "<font color=\"#" + s.color + "\">";
  if (s.bold) out += "<b>";
  if (s.italic) out += "<i>";
  if (s.underline) out += "<u>";
  if (s.strike) out += "<s>";
  return out;
}

std::string SubRipClose(const Style& s) {
  std::string out;
  if (s.strike) out += "</s>";
  if (s.underline) out += "</u>";
  if (s.italic) out += "</i>";
  if (s.bold) out += "</b>";
  if (!s.color.empty()) out += "</font>";
  return out;
}

// A SubRip tag's effect on the style of what follows it.
void ApplySubRipTag(std::string_view tag, Style& style) {
  if (tag.size() < 3 || tag[0] != '<') return;  // "{\an8}" and the like: position only
  const bool closing = tag[1] == '/';
  std::string_view name = tag.substr(closing ? 2 : 1, tag.size() - (closing ? 3 : 2));
  const size_t blank = name.find(' ');
  const std::string_view word = name.substr(0, blank);
  if (EqualsNoCase(word, "i")) style.italic = !closing;
  if (EqualsNoCase(word, "b")) style.bold = !closing;
  if (EqualsNoCase(word, "u")) style.underline = !closing;
  if (EqualsNoCase(word, "s")) style.strike = !closing;
  if (EqualsNoCase(word, "font")) {
    style.color.clear();
    if (closing) return;
    const size_t hash = name.find('#');
    if (hash != std::string_view::npos && hash + 7 <= name.size()) style.color = std::string(name.substr(hash + 1, 6));
  }
}

std::string MicroDvdOpen(const Style& s) {
  std::string out;
  std::string y;
  for (auto [on, v] : {std::pair{s.italic, 'i'}, {s.bold, 'b'}, {s.underline, 'u'}, {s.strike, 's'}}) {
    if (!on) continue;
    if (!y.empty()) y += ',';
    y += v;
  }
  if (!y.empty()) out += "{y:" + y + "}";
  if (s.color.size() == 6) out += "{c:$" + s.color.substr(4, 2) + s.color.substr(2, 2) + s.color.substr(0, 2) + "}";
  return out;
}

}  // namespace

std::optional<double> FrameRateEntry(std::string_view line) {
  EntryFields f;
  if (!SplitFullEntry(line, f) || ParseFrameNumber(f.start) != 1 || ParseFrameNumber(f.stop) != 1)
    return std::nullopt;
  return ParseFrameRate(f.text);
}

// ------------------------------------------------------------ reading

bool ParseTimingLine(std::string_view line, std::string_view& start, std::string_view& stop) {
  const size_t arrow = line.find("-->");
  if (arrow == std::string_view::npos) return false;
  start = TrimBlanks(line.substr(0, arrow));
  std::string_view rest = TrimBlanks(line.substr(arrow + 3));
  stop = rest.substr(0, rest.find_first_of(" \t"));
  return ParseTime(start).has_value() && ParseTime(stop).has_value();
}

void ParseSubRip(const std::vector<std::string_view>& lines, std::vector<std::string>& entries,
                 std::vector<SourceCue>& sources, bool& finalBlank) {
  const size_t n = lines.size();
  // Which lines are timing lines, worked out once: the rest is decided on
  // these.
  struct Timing {
    bool is = false;
    std::string_view start, stop;
  };
  std::vector<Timing> timing(n);
  for (size_t i = 0; i < n; ++i)
    if (lines[i].find("-->") != std::string_view::npos)
      timing[i].is = ParseTimingLine(lines[i], timing[i].start, timing[i].stop);
  auto timingAt = [&](size_t i) { return i < n && timing[i].is; };
  // A cue starts at a timing line, or at a number right before one.
  auto cueAt = [&](size_t i) { return timingAt(i) || (timingAt(i + 1) && IsNumber(lines[i])); };
  entries.clear();
  sources.clear();
  entries.reserve(n / 3);
  sources.reserve(n / 3);
  for (size_t i = 0; i < n;) {
    if (IsBlank(lines[i])) {
      ++i;
      continue;
    }
    if (!cueAt(i)) {
      // A stray line between cues is kept as text of the cue before it.
      if (!entries.empty()) {
        entries.back() += "|";
        entries.back() += lines[i];
        sources.back().text += "\n";
        sources.back().text += lines[i];
      }
      ++i;
      continue;
    }
    const size_t t = timingAt(i) ? i : i + 1;
    SourceCue cue;
    cue.timing = std::string(lines[t]);
    const std::string_view start = timing[t].start, stop = timing[t].stop;
    cue.startAt = static_cast<std::uint32_t>(start.data() - lines[t].data());
    cue.startLength = static_cast<std::uint32_t>(start.size());
    cue.stopAt = static_cast<std::uint32_t>(stop.data() - lines[t].data());
    cue.stopLength = static_cast<std::uint32_t>(stop.size());
    std::string entry = BuildEntryLine(start, stop, "");
    size_t j = t + 1;
    for (bool first = true; j < n && !IsBlank(lines[j]) && !cueAt(j); ++j, first = false) {
      if (!first) {
        entry += '|';
        cue.text += '\n';
      }
      entry += lines[j];
      cue.text += lines[j];
    }
    entries.push_back(std::move(entry));
    sources.push_back(std::move(cue));
    i = j;
  }
  finalBlank = n > 0 && IsBlank(lines.back());
}

// ------------------------------------------------------------ writing

void WriteSubRip(const Document& doc, const LineSink& emit) {
  const FileIdentity& identity = doc.Identity();
  const bool fromFrames = identity.readAs == SubtitleFormat::MicroDvd;
  const EntryList& list = doc.List1;
  int number = 0;
  const int last = list.Count() - 1;
  char numberText[16];
  auto emitText = [&](std::string_view text, char separator) {
    // An empty line would end the cue.
    for (size_t from = 0;;) {
      const size_t end = text.find(separator, from);
      const std::string_view part = text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
      if (!part.empty()) emit(part);
      if (end == std::string_view::npos) return;
      from = end + 1;
    }
  };
  for (int k = 0; k <= last; ++k) {
    const std::string& line = list.Item(k);
    if (fromFrames && k == 0 && FrameRateEntry(line)) continue;
    const auto [end, error] = std::to_chars(numberText, numberText + sizeof numberText, ++number);
    emit(std::string_view(numberText, static_cast<size_t>(end - numberText)));
    const bool blankAfter = k < last || identity.finalBlank;
    if (const SourceCue* cue = fromFrames ? nullptr : doc.Source(k)) {
      emit(cue->timing);
      if (!cue->text.empty()) emitText(cue->text, '\n');
      if (blankAfter) emit({});
      continue;
    }
    EntryFields f;
    std::string start = "00:00:00,000", stop = start, text(line);
    if (SplitFullEntry(line, f)) {
      auto time = [&](std::string_view field) {
        const std::optional<int64_t> units = fromFrames ? ParseFrameNumber(field) : ParseTime(field);
        if (!units) return std::string(TrimBlanks(field));  // kept as it is rather than lost
        return FormatTime(fromFrames ? FramesToMilliseconds(*units, identity.frameRate) : *units);
      };
      start = time(f.start);
      stop = time(f.stop);
      text = fromFrames ? MicroDvdTextToSubRip(f.text) : std::string(f.text);
    }
    // A cue whose text alone changed keeps its timing line, position and all.
    const SourceCue* was = fromFrames ? nullptr : doc.Source(k, false);
    const std::string_view wasTiming = was ? std::string_view(was->timing) : std::string_view();
    if (was && wasTiming.substr(was->startAt, was->startLength) == TrimBlanks(f.start) &&
        wasTiming.substr(was->stopAt, was->stopLength) == TrimBlanks(f.stop)) {
      emit(wasTiming);
    } else {
      emit(start + " --> " + stop);
    }
    emitText(text, '|');
    if (blankAfter) emit({});
  }
}

void WriteMicroDvdFromSubRip(const Document& doc, const LineSink& emit) {
  const FileIdentity& identity = doc.Identity();
  const EntryList& list = doc.List1;
  emit("{1}{1}" + FormatFrameRate(identity.frameRate));
  for (int k = 0; k < list.Count(); ++k) {
    const std::string& line = list.Item(k);
    EntryFields f;
    if (!SplitFullEntry(line, f)) {
      emit(line);
      continue;
    }
    auto frames = [&](std::string_view field) {
      const std::optional<int64_t> ms = ParseTime(field);
      return ms ? FormatFrameNumber(MillisecondsToFrames(*ms, identity.frameRate)) : std::string(TrimBlanks(field));
    };
    emit(BuildEntryLine(frames(f.start), frames(f.stop), SubRipTextToMicroDvd(f.text)));
  }
}

// ------------------------------------------------------------ style tags

std::string MicroDvdTextToSubRip(std::string_view text) {
  const Style entry = MicroDvdPrefixStyle(text.substr(0, LinePrefixAt(text, 0)), true);
  std::string out;
  size_t start = 0;
  for (bool first = true;; first = false) {
    const size_t bar = text.find('|', start);
    const std::string_view line = text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    const size_t prefix = LinePrefixAt(line, 0);
    Style style = MicroDvdPrefixStyle(line.substr(0, prefix), false);
    style.italic |= entry.italic;
    style.bold |= entry.bold;
    style.underline |= entry.underline;
    style.strike |= entry.strike;
    if (style.color.empty()) style.color = entry.color;
    // The visible text; tags inside the line have no SubRip word.
    std::string body;
    for (size_t i = prefix; i < line.size();) {
      if (const size_t t = TagAt(line, i)) {
        i += t;
      } else {
        body += line[i++];
      }
    }
    if (!first) out += '|';
    if (!body.empty()) out += SubRipOpen(style) + body + SubRipClose(style);
    if (bar == std::string_view::npos) return out;
    start = bar + 1;
  }
}

std::string SubRipTextToMicroDvd(std::string_view text) {
  Style style;  // as the tags so far leave it
  std::string out;
  size_t start = 0;
  for (bool first = true;; first = false) {
    const size_t bar = text.find('|', start);
    const std::string_view line = text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    std::string body;
    bool seenText = false;
    Style lineStyle = style;
    for (size_t i = 0; i < line.size();) {
      if (const size_t t = SubRipTagAt(line, i)) {
        ApplySubRipTag(line.substr(i, t), style);
        if (!seenText) lineStyle = style;
        i += t;
      } else {
        seenText = true;
        body += line[i++];
      }
    }
    if (!first) out += '|';
    if (!body.empty()) out += MicroDvdOpen(lineStyle) + body;
    if (bar == std::string_view::npos) return out;
    start = bar + 1;
  }
}

}  // namespace lm
