#include "formats/subrip/subrip.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <string>

#include "formats/scan.h"
#include "model/entry.h"
#include "model/file_identity.h"
#include "model/limits.h"
#include "model/markup.h"
#include "model/text.h"

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

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string LowerName(std::string_view tag) {
  const size_t from = tag[1] == '/' ? 2 : 1;
  size_t to = from;
  while (to < tag.size() && std::isalpha(static_cast<unsigned char>(tag[to]))) ++to;
  std::string name(tag.substr(from, to - from));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

// The value of `name="…"` (or unquoted) in a tag, or empty.
std::string_view Attribute(std::string_view tag, std::string_view name) {
  for (size_t at = 0; at + name.size() < tag.size(); ++at) {
    if (!EqualsNoCase(tag.substr(at, name.size()), name)) continue;
    size_t i = at + name.size();
    while (i < tag.size() && tag[i] == ' ') ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && tag[i] == ' ') ++i;
    const bool quoted = i < tag.size() && (tag[i] == '"' || tag[i] == '\'');
    const char end = quoted ? tag[i++] : ' ';
    size_t j = i;
    while (j < tag.size() && tag[j] != end && tag[j] != '>') ++j;
    return tag.substr(i, j - i);
  }
  return {};
}

// An italic tag, opening or closing: "<i>", "</I>".
bool IsItalicTag(std::string_view tag) {
  return (tag.size() == 3 || (tag.size() == 4 && tag[1] == '/')) &&
         (tag[tag.size() - 2] == 'i' || tag[tag.size() - 2] == 'I');
}

class Dialect final : public StyleDialect {
 public:
  Dialect() : StyleDialect("{<", false, false) {}

  size_t TagAt(std::string_view s, size_t i) const override { return SubRipTagAt(s, i); }

  void Apply(std::string_view tag, Style& style) const override {
    if (tag.size() < 3) return;
    if (tag[0] == '{') {
      // "{\an8}": the place on the screen; other overrides have no neutral form.
      if (tag.size() == 6 && tag[1] == '\\' && tag[2] == 'a' && tag[3] == 'n' && tag[4] >= '1' && tag[4] <= '9')
        style.position = tag[4] - '0';
      return;
    }
    const bool closing = tag[1] == '/';
    const std::string name = LowerName(tag);
    if (name == "i") style.italic = !closing;
    if (name == "b") style.bold = !closing;
    if (name == "u") style.underline = !closing;
    if (name == "s") style.strike = !closing;
    if (name == "font") {
      style.color.clear();
      style.font.clear();
      style.size = 0;
      if (closing) return;
      const size_t hash = tag.find('#');
      if (hash != std::string_view::npos && hash + 7 <= tag.size() - 1)
        style.color = std::string(tag.substr(hash + 1, 6));
      style.font = std::string(Attribute(tag, "face"));
      const std::string_view size = Attribute(tag, "size");
      int points = 0;
      if (!size.empty() &&
          std::from_chars(size.data(), size.data() + size.size(), points).ptr == size.data() + size.size() &&
          points > 0 && points < 1000)
        style.size = points;
    }
  }

  // The tags open where the text is cut, in the order they were opened.
  void CloseSpansAt(std::string_view joined, size_t at, std::string& first, std::string& second) const override {
    std::vector<std::string> open;
    for (size_t i = joined.find('<'); i < at && i != std::string_view::npos; i = joined.find('<', i + 1)) {
      const size_t t = SubRipTagAt(joined, i);
      if (t == 0 || i + t > at) continue;
      const std::string_view tag = joined.substr(i, t);
      const std::string name = LowerName(tag);
      if (tag[1] != '/') {
        open.emplace_back(tag);
        continue;
      }
      for (size_t k = open.size(); k-- > 0;) {
        if (LowerName(open[k]) == name) {
          open.erase(open.begin() + static_cast<long>(k));
          break;
        }
      }
    }
    std::string reopen;
    for (const std::string& tag : open) reopen += tag;
    for (size_t k = open.size(); k-- > 0;) first += "</" + LowerName(open[k]) + ">";
    second.insert(0, reopen);
  }

  bool HasItalicTags(std::string_view text) const override {
    for (const char* tag : {"<i>", "<I>", "</i>", "</I>"})
      if (text.find(tag) != std::string_view::npos) return true;
    return false;
  }

  // "<i>" and "</i>" are cut wherever they stand.
  int CutItalicTags(std::string& text) const override {
    std::string out;
    out.reserve(text.size());
    int cuts = 0;
    for (size_t i = 0; i < text.size();) {
      const size_t t = SubRipTagAt(text, i);
      if (t > 0 && IsItalicTag(std::string_view(text).substr(i, t))) {
        i += t;
        ++cuts;
        continue;
      }
      out += text[i++];
    }
    text = std::move(out);
    return cuts;
  }

  // Each screen line takes the style the spans so far leave at its first
  // character.
  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    Style style;
    std::vector<StyledLine> out;
    for (const std::string_view line : ScreenLines(text)) {
      StyledLine styled{style, {}};
      styled.text.reserve(line.size());
      // The runs between tags, a run at a time.
      for (size_t i = 0; i < line.size();) {
        const size_t start = line.find_first_of("{<", i);
        styled.text.append(line.substr(i, start == std::string_view::npos ? std::string_view::npos : start - i));
        if (start == std::string_view::npos) break;
        const size_t t = SubRipTagAt(line, start);
        if (t == 0) {
          styled.text += line[start];
          i = start + 1;
          continue;
        }
        Apply(line.substr(start, t), style);
        if (styled.text.empty()) styled.style = style;  // tags before the first character
        i = start + t;
      }
      out.push_back(std::move(styled));
    }
    return out;
  }

  std::string FromNeutral(const std::vector<StyledLine>& lines) const override {
    std::string out;
    for (size_t k = 0; k < lines.size(); ++k) {
      if (k > 0) out += '|';
      const Style& s = lines[k].style;
      if (k == 0 && s.position > 0) out += "{\\an" + std::to_string(s.position) + "}";
      if (!lines[k].text.empty()) out += Open(s) + lines[k].text + Close(s);
    }
    return out;
  }

 private:
  static bool AnyFont(const Style& s) { return !s.color.empty() || !s.font.empty() || s.size > 0; }

  static std::string Open(const Style& s) {
    std::string out;
    if (AnyFont(s)) {
      out += "<font";
      if (!s.color.empty()) out += " color=\"#" + s.color + "\"";
      if (!s.font.empty() && s.font.find_first_of("\"<>|") == std::string::npos) out += " face=\"" + s.font + "\"";
      if (s.size > 0) out += " size=\"" + std::to_string(s.size) + "\"";
      out += ">";
    }
    if (s.bold) out += "<b>";
    if (s.italic) out += "<i>";
    if (s.underline) out += "<u>";
    if (s.strike) out += "<s>";
    return out;
  }

  static std::string Close(const Style& s) {
    std::string out;
    if (s.strike) out += "</s>";
    if (s.underline) out += "</u>";
    if (s.italic) out += "</i>";
    if (s.bold) out += "</b>";
    if (AnyFont(s)) out += "</font>";
    return out;
  }
};

const Dialect& TheDialect() {
  static const Dialect dialect;
  return dialect;
}

class Times final : public TimeSyntax {
 public:
  bool InFrames() const override { return false; }
  std::optional<int64_t> Parse(std::string_view field) const override { return ParseTime(field); }
  std::string Format(int64_t units) const override { return FormatTime(units); }
};

const Times& TheTimes() {
  static const Times times;
  return times;
}

bool SubRipTiming(scan::Scan c) {
  if (!scan::Clock(c, ',', '.')) return false;
  c.Blanks();
  if (!c.Text("-->")) return false;
  c.Blanks();
  return scan::Clock(c, ',', '.');
}

// A text line into the entry: a "|" in it is a character.
void AppendText(std::string& entry, std::string_view line) {
  if (std::memchr(line.data(), '|', line.size()) == nullptr) {
    entry += line;
    return;
  }
  for (const char c : line) {
    if (c == '|') {
      entry += kLiteralBar;
    } else {
      entry += c;
    }
  }
}

class SubRipFormat final : public Format {
 public:
  std::string_view Id() const override { return "srt"; }
  std::string_view Name() const override { return "SubRip"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return TheTimes(); }
  const StyleDialect& Dialect() const override { return TheDialect(); }
  bool BarIsText() const override { return true; }
  // The web's files, and most players read them so.
  Encoding PlainTextEncoding() const override { return Encoding::Utf8; }

  Fit Probe(const std::vector<std::string_view>& lines) const override {
    return {scan::ShareOf(lines, SubRipTiming), false};
  }

  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    ParseSubRip(lines, out.entries, out.sources, out.finalBlank);
    return out.entries.size() <= static_cast<size_t>(kInt16Max);
  }

  // Cues numbered 1…n; an untouched cue from the bytes it was read from, a
  // cue whose text alone changed with its timing line; a converted
  // document's times as its fields give them.
  void Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const override {
    const bool converted = entries.Converted();
    int number = 0;
    const int last = entries.Count() - 1;
    char numberText[16];
    std::string part;
    auto emitText = [&](std::string_view text, char separator) {
      // An empty line would end the cue.
      for (size_t from = 0;;) {
        const size_t end = text.find(separator, from);
        const std::string_view piece =
            text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
        if (!piece.empty()) {
          if (separator == '|' && piece.find(kLiteralBar) != std::string_view::npos) {
            part = ShowLiteralBars(piece);
            emit(part);
          } else {
            emit(piece);
          }
        }
        if (end == std::string_view::npos) return;
        from = end + 1;
      }
    };
    for (int k = 0; k <= last; ++k) {
      const std::string* entry = entries.Line(k);
      if (!entry) continue;
      const std::string& line = *entry;
      const auto [end, error] = std::to_chars(numberText, numberText + sizeof numberText, ++number);
      emit(std::string_view(numberText, static_cast<size_t>(end - numberText)));
      const bool blankAfter = k < last || identity.finalBlank;
      const SourceCue* was = converted ? nullptr : entries.Cue(k);
      if (was && IsCueAsRead(*was, line)) {
        emit(was->timing);
        if (!was->text.empty()) emitText(was->text, '\n');
        if (blankAfter) emit({});
        continue;
      }
      EntryFields f;
      std::string start = "00:00:00,000", stop = start;
      std::string_view text = line;
      if (SplitFullEntry(line, f)) {
        auto time = [&](std::string_view field) {
          if (converted) return std::string(field);
          const std::optional<int64_t> ms = ParseTime(field);
          return ms ? FormatTime(*ms) : std::string(TrimBlanks(field));  // kept as it is rather than lost
        };
        start = time(f.start);
        stop = time(f.stop);
        text = f.text;
      }
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

 private:
  const std::vector<std::string_view> extensions_{"srt"};
  const std::vector<std::string_view> mimeTypes_{"application/x-subrip"};
};

}  // namespace

const Format& SubRip() {
  static const SubRipFormat format;
  return format;
}

size_t SubRipTagAt(std::string_view s, size_t i) {
  constexpr size_t kMaxTag = 80;
  const size_t n = s.size();
  if (i + 2 >= n) return 0;
  if (s[i] == '{' && s[i + 1] == '\\') {
    for (size_t j = i + 2; j < n && j < i + kMaxTag; ++j) {
      if (s[j] == '}') return j - i + 1;
      if (s[j] == '{' || s[j] == '|') return 0;
    }
    return 0;
  }
  if (s[i] != '<') return 0;
  size_t j = i + 1;
  if (s[j] == '/') ++j;
  const size_t name = j;
  while (j < n && std::isalpha(static_cast<unsigned char>(s[j]))) ++j;
  const std::string_view word = s.substr(name, j - name);
  if (!EqualsNoCase(word, "i") && !EqualsNoCase(word, "b") && !EqualsNoCase(word, "u") && !EqualsNoCase(word, "s") &&
      !EqualsNoCase(word, "font"))
    return 0;
  for (; j < n && j < i + kMaxTag; ++j) {
    if (s[j] == '>') return j - i + 1;
    if (s[j] == '<' || s[j] == '|') return 0;
  }
  return 0;
}

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
        AppendText(entries.back(), lines[i]);
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
      AppendText(entry, lines[j]);
      cue.text += lines[j];
    }
    entries.push_back(std::move(entry));
    sources.push_back(std::move(cue));
    i = j;
  }
  finalBlank = n > 0 && IsBlank(lines.back());
}

bool IsCueAsRead(const SourceCue& cue, std::string_view line) {
  const std::string_view start = std::string_view(cue.timing).substr(cue.startAt, cue.startLength);
  const std::string_view stop = std::string_view(cue.timing).substr(cue.stopAt, cue.stopLength);
  const size_t textAt = start.size() + stop.size() + 4;
  if (line.size() < textAt + cue.text.size() || line[0] != '{' || line.substr(1, start.size()) != start ||
      line.substr(1 + start.size(), 2) != "}{" || line.substr(3 + start.size(), stop.size()) != stop ||
      line[textAt - 1] != '}')
    return false;
  size_t j = textAt;
  for (const char c : cue.text) {
    if (c == '|') {
      if (line.compare(j, kLiteralBar.size(), kLiteralBar) != 0) return false;
      j += kLiteralBar.size();
      continue;
    }
    if (j >= line.size() || line[j] != (c == '\n' ? '|' : c)) return false;
    ++j;
  }
  return j == line.size();
}

}  // namespace lm
