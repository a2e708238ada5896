// WebVTT times, timing lines, cue settings, the text of cues (tags and
// character references) and the style dialect.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "formats/scan.h"
#include "formats/webvtt/webvtt.h"
#include "model/text.h"
#include "model/time_notation.h"

namespace lm {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsAlnum(char c) { return IsLetter(c) || IsDigit(c); }

size_t PastBlanks(std::string_view s, size_t i) {
  while (i < s.size() && IsBlankChar(s[i])) ++i;
  return i;
}

// The end of the time that starts at `i`: digits and separators.
size_t TimeEnd(std::string_view s, size_t i) {
  while (i < s.size() && (IsDigit(s[i]) || s[i] == ':' || s[i] == '.' || s[i] == ',')) ++i;
  return i;
}

// The names of the references kReferenced stands for, in its order.
constexpr std::string_view kReferenceNames[] = {"amp;", "lt;", "gt;", "nbsp;", "lrm;", "rlm;"};
static_assert(sizeof kReferenceNames / sizeof kReferenceNames[0] == kReferences);

// The reference named after the "&" at byte `i`, or -1.
int NamedAt(std::string_view s, size_t i) {
  for (int k = 0; k < kReferences; ++k)
    if (s.compare(i + 1, kReferenceNames[k].size(), kReferenceNames[k]) == 0) return k;
  return -1;
}

// Every word a setting, "name:value".
bool AreSettings(std::string_view s) {
  bool any = false;
  for (size_t i = 0; i < s.size();) {
    i = PastBlanks(s, i);
    if (i >= s.size()) break;
    size_t j = i;
    while (j < s.size() && (IsLetter(s[j]) || s[j] == '-')) ++j;
    if (j == i || j >= s.size() || s[j] != ':') return false;
    while (j < s.size() && !IsBlankChar(s[j])) ++j;
    any = true;
    i = j;
  }
  return any;
}

// The value of the setting `name` ("line" in "line:0 align:start"), or
// nothing.
std::optional<std::string_view> Setting(std::string_view settings, std::string_view name) {
  for (size_t i = 0; i < settings.size();) {
    i = PastBlanks(settings, i);
    size_t j = i;
    while (j < settings.size() && !IsBlankChar(settings[j])) ++j;
    const std::string_view word = settings.substr(i, j - i);
    if (word.size() > name.size() && word.compare(0, name.size(), name) == 0 && word[name.size()] == ':')
      return word.substr(name.size() + 1);
    i = j;
  }
  return std::nullopt;
}

// A number with an optional sign and fraction at the start of `s` (its
// whole part); nothing when there is none.
std::optional<int> LeadingNumber(std::string_view s, bool& percent) {
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  int64_t whole;
  if (scan::CountDigits(s, i, 6, whole) < 1) return std::nullopt;
  while (i < s.size() && (IsDigit(s[i]) || s[i] == '.')) ++i;
  percent = i < s.size() && s[i] == '%';
  return static_cast<int>(negative ? -whole : whole);
}

// Thirds of the screen: 0 none given, 1 the first (top, left), 2 the middle,
// 3 the last (bottom, right).
int ThirdOfPercent(int p) { return p < 34 ? 1 : p > 66 ? 3 : 2; }

}  // namespace

std::optional<int64_t> ParseWebVttTime(std::string_view field) {
  const std::string_view s = TrimBlanks(field);
  size_t i = 0;
  int64_t first, second, third = 0, fraction = 0;
  if (scan::CountDigits(s, i, 15, first) < 1 || i >= s.size() || s[i++] != ':') return std::nullopt;
  if (scan::CountDigits(s, i, 2, second) < 1) return std::nullopt;
  const bool hours = i < s.size() && s[i] == ':';
  if (hours) {
    ++i;
    if (scan::CountDigits(s, i, 2, third) < 1) return std::nullopt;
  }
  if (i < s.size() && (s[i] == '.' || s[i] == ',')) {
    ++i;
    const int digits = scan::CountDigits(s, i, 3, fraction);
    if (digits < 1) return std::nullopt;
    for (int d = digits; d < 3; ++d) fraction *= 10;  // ".5" is 500 ms
  }
  if (i != s.size()) return std::nullopt;
  if (first > std::numeric_limits<int64_t>::max() / 3600000 - 2) return std::nullopt;
  const int64_t h = hours ? first : 0, m = hours ? second : first, sec = hours ? third : second;
  return ((h * 60 + m) * 60 + sec) * 1000 + fraction;
}

std::string FormatWebVttTime(int64_t milliseconds) { return FormatTime(milliseconds, '.'); }

bool IsStrictWebVttTime(std::string_view s) {
  // "[hh…:]mm:ss.ttt", minutes and seconds below 60.
  const size_t dot = s.size() >= 4 ? s.size() - 4 : std::string_view::npos;
  if (dot == std::string_view::npos || s[dot] != '.' || !std::all_of(s.begin() + dot + 1, s.end(), IsDigit))
    return false;
  auto sixty = [](std::string_view two) {
    return two.size() == 2 && two[0] >= '0' && two[0] <= '5' && IsDigit(two[1]);
  };
  const std::string_view clock = s.substr(0, dot);
  if (clock.size() < 5 || clock[clock.size() - 3] != ':' || !sixty(clock.substr(clock.size() - 2)) ||
      !sixty(clock.substr(clock.size() - 5, 2)))
    return false;
  if (clock.size() == 5) return true;
  const std::string_view hours = clock.substr(0, clock.size() - 6);
  return clock[clock.size() - 6] == ':' && hours.size() >= 2 && std::all_of(hours.begin(), hours.end(), IsDigit);
}

bool ParseWebVttTimingLine(std::string_view line, std::string_view& start, std::string_view& stop,
                           std::string_view& settings) {
  const size_t startAt = PastBlanks(line, 0);
  const size_t startEnd = TimeEnd(line, startAt);
  if (startEnd == startAt) return false;
  size_t i = PastBlanks(line, startEnd);
  if (line.compare(i, 3, "-->") != 0) return false;
  const size_t stopAt = PastBlanks(line, i + 3);
  const size_t stopEnd = TimeEnd(line, stopAt);
  // Settings follow after a blank.
  if (stopEnd < line.size() && !IsBlankChar(line[stopEnd])) return false;
  const std::string_view first = line.substr(startAt, startEnd - startAt);
  const std::string_view second = line.substr(stopAt, stopEnd - stopAt);
  if (!ParseWebVttTime(first) || !ParseWebVttTime(second)) return false;
  start = first;
  stop = second;
  settings = TrimBlanks(line.substr(stopEnd));
  return true;
}

size_t WebVttTagAt(std::string_view s, size_t i) {
  // Players hide every tag, known or not: a "<" and a name (a letter, or
  // the digit of a timestamp) up to the ">" on the same screen line.
  constexpr size_t kMaxTag = 256;
  const size_t n = s.size();
  if (i + 2 >= n || s[i] != '<') return 0;
  size_t j = i + 1;
  if (s[j] == '/') ++j;
  if (j >= n || !IsAlnum(s[j])) return 0;
  for (; j < n && j < i + kMaxTag; ++j) {
    const char c = s[j];
    if (c == '>') return j - i + 1;
    if (c == '<' || c == '|' || c == '\n' || c == '\r') return 0;
  }
  return 0;
}

bool IsSettingsTag(std::string_view tag) {
  return tag.size() > 3 && tag[0] == '<' && IsLetter(tag[1]) && AreSettings(tag.substr(1, tag.size() - 2));
}

std::string SettingsTag(std::string_view settings) {
  settings = TrimBlanks(settings);
  if (settings.empty() || settings.size() > 200 || settings.find_first_of("<>|") != std::string_view::npos ||
      !IsLetter(settings[0]) || !AreSettings(settings))
    return {};
  std::string tag;
  tag.reserve(settings.size() + 2);
  tag += '<';
  tag += settings;
  tag += '>';
  return tag;
}

int SettingsPosition(std::string_view settings) {
  int row = 0, column = 0;
  if (const auto line = Setting(settings, "line")) {
    const std::string_view value = line->substr(0, line->find(','));
    bool percent = false;
    if (const std::optional<int> n = LeadingNumber(value, percent))
      row = percent ? ThirdOfPercent(*n) : *n >= 0 ? 1 : 3;
  }
  if (const auto align = Setting(settings, "align")) {
    if (*align == "start" || *align == "left") column = 1;
    if (*align == "end" || *align == "right") column = 3;
  }
  if (column == 0) {
    bool percent = false;
    if (const auto position = Setting(settings, "position"))
      if (const std::optional<int> n = LeadingNumber(*position, percent); n && percent) column = ThirdOfPercent(*n);
  }
  if (row == 0) row = 3;
  if (column == 0) column = 2;
  const int position = (3 - row) * 3 + column;
  return position == 2 ? 0 : position;
}

std::string_view PositionSettings(int position) {
  static constexpr std::string_view kSettings[] = {
      "",
      "align:left",
      "",
      "align:right",
      "line:50%,center align:left",
      "line:50%,center",
      "line:50%,center align:right",
      "line:0 align:left",
      "line:0",
      "line:0 align:right",
  };
  return position >= 1 && position <= 9 ? kSettings[position] : std::string_view();
}

void AppendCueText(std::string& entry, std::string_view line) {
  if (line.find_first_of("|&") == std::string_view::npos) {
    entry += line;
    return;
  }
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '|') {
      entry += kLiteralBar;
    } else if (const int k = c == '&' ? NamedAt(line, i) : -1; k >= 0) {
      entry += ReferenceMark(k);
      i += kReferenceNames[k].size();
    } else {
      entry += c;
    }
  }
}

void AppendFileText(std::string& out, std::string_view text) {
  size_t tagEnd = 0;  // the ">" that ends the tag being written is its own
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (const int k = ReferenceAt(text, i); k >= 0) {
      out += '&';
      out += kReferenceNames[k];
      i += 2;
    } else if (text.compare(i, kLiteralBar.size(), kLiteralBar) == 0) {
      out += '|';
      i += kLiteralBar.size() - 1;
    } else if (c == '<' && i >= tagEnd) {
      // A "<" that starts no tag would hide what follows it.
      const size_t t = WebVttTagAt(text, i);
      if (t > 0) {
        tagEnd = i + t;
        out += c;
      } else {
        out += "&lt;";
      }
    } else if (c == '>' && i + 1 != tagEnd && out.size() >= 2 && out.compare(out.size() - 2, 2, "--") == 0) {
      out += "&gt;";  // "-->" in a cue's text would end it
    } else {
      out += c;
    }
  }
}

// ------------------------------------------------------------ the dialect

namespace {

// The name of a tag: "c" of "<c.red>", "v" of "</v>", "lang" of "<lang en>".
std::string_view TagName(std::string_view tag) {
  const size_t from = tag[1] == '/' ? 2 : 1;
  size_t to = from;
  while (to < tag.size() && tag[to] != '.' && tag[to] != '>' && !IsBlankChar(tag[to])) ++to;
  return tag.substr(from, to - from);
}

bool IsClosing(std::string_view tag) { return tag[1] == '/'; }

// The tags that open and close spans; the others (timestamps, settings,
// unknown tags) style nothing.
bool IsSpan(std::string_view tag) {
  static constexpr std::string_view kSpans[] = {"c", "i", "b", "u", "v", "lang", "ruby", "rt"};
  const std::string_view name = TagName(tag);
  return std::find(std::begin(kSpans), std::end(kSpans), name) != std::end(kSpans) && !IsSettingsTag(tag);
}

bool IsItalicTag(std::string_view tag) { return TagName(tag) == "i"; }

// The colour classes players know, as "RRGGBB".
constexpr std::pair<std::string_view, std::string_view> kColours[] = {
    {"white", "FFFFFF"},  {"lime", "00FF00"},    {"cyan", "00FFFF"}, {"red", "FF0000"},
    {"yellow", "FFFF00"}, {"magenta", "FF00FF"}, {"blue", "0000FF"}, {"black", "000000"},
};

bool SameHex(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
         });
}

// The colour of the first colour class of "<c.yellow.bg_black>", or empty.
std::string_view ColourOf(std::string_view tag) {
  size_t i = 1 + TagName(tag).size();
  while (i < tag.size() && tag[i] == '.') {
    size_t j = i + 1;
    while (j < tag.size() && tag[j] != '.' && tag[j] != '>' && !IsBlankChar(tag[j])) ++j;
    const std::string_view name = tag.substr(i + 1, j - i - 1);
    for (const auto& [colour, hex] : kColours)
      if (name == colour) return hex;
    i = j;
  }
  return {};
}

std::string_view ClassOf(std::string_view hex) {
  for (const auto& [colour, value] : kColours)
    if (SameHex(hex, value)) return colour;
  return {};
}

class Dialect final : public StyleDialect {
 public:
  Dialect() : StyleDialect("<", false, false) {}

  size_t TagAt(std::string_view s, size_t i) const override { return WebVttTagAt(s, i); }

  void Apply(std::string_view tag, Style& style) const override {
    if (IsSettingsTag(tag)) {
      style.position = SettingsPosition(tag.substr(1, tag.size() - 2));
      return;
    }
    const std::string_view name = TagName(tag);
    const bool on = !IsClosing(tag);
    if (name == "i") style.italic = on;
    if (name == "b") style.bold = on;
    if (name == "u") style.underline = on;
    if (name == "c") style.color = on ? std::string(ColourOf(tag)) : std::string();
  }

  // The spans open where the text is cut, in the order they were opened;
  // the second part keeps the cue's settings too.
  void CloseSpansAt(std::string_view joined, size_t at, std::string& first, std::string& second) const override {
    std::vector<std::string_view> open;
    for (size_t i = joined.find('<'); i < at && i != std::string_view::npos; i = joined.find('<', i + 1)) {
      const size_t t = WebVttTagAt(joined, i);
      if (t == 0 || i + t > at) continue;
      const std::string_view tag = joined.substr(i, t);
      if (!IsSpan(tag)) continue;
      if (!IsClosing(tag)) {
        open.push_back(tag);
        continue;
      }
      for (size_t k = open.size(); k-- > 0;) {
        if (TagName(open[k]) == TagName(tag)) {
          open.erase(open.begin() + static_cast<long>(k));
          break;
        }
      }
    }
    std::string reopen;
    if (const size_t t = WebVttTagAt(joined, 0); t > 0 && IsSettingsTag(joined.substr(0, t)))
      reopen.append(joined.substr(0, t));
    for (const std::string_view tag : open) reopen.append(tag);
    for (size_t k = open.size(); k-- > 0;) {
      first += "</";
      first += TagName(open[k]);
      first += '>';
    }
    second.insert(0, reopen);
  }

  bool HasItalicTags(std::string_view text) const override {
    for (size_t i = text.find('<'); i != std::string_view::npos; i = text.find('<', i + 1))
      if (const size_t t = WebVttTagAt(text, i); t > 0 && IsItalicTag(text.substr(i, t))) return true;
    return false;
  }

  int CutItalicTags(std::string& text) const override {
    if (!HasItalicTags(text)) return 0;
    return CutTags(text, [](std::string_view s, size_t i) {
      const size_t t = s[i] == '<' ? WebVttTagAt(s, i) : 0;
      return t > 0 && IsItalicTag(s.substr(i, t)) ? t : 0;
    });
  }

  // A span holds nothing when only blanks, line breaks, tags that style
  // nothing and spans that hold nothing stand between its tags: its two tags
  // go, what they held stays. One pass, the cuts made at the end.
  std::string WithoutEmptySpans(std::string_view text) const override {
    if (text.find('<') == std::string_view::npos) return std::string(text);
    return WithoutEmptyNamedSpans(text, [](std::string_view s, size_t i) {
      SpanTag tag;
      tag.length = s[i] == '<' ? WebVttTagAt(s, i) : 0;
      const std::string_view text = s.substr(i, tag.length);
      if (tag.length > 0 && IsSpan(text)) {
        tag.span = true;
        tag.closing = IsClosing(text);
        tag.name = std::string(TagName(text));
      }
      return tag;
    });
  }

  // Each screen line takes the style the spans so far leave at its first
  // character; references become the characters they stand for.
  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    Style style;
    std::vector<StyledLine> out;
    for (const std::string_view line : ScreenLines(text)) {
      StyledLine styled{style, {}};
      styled.text.reserve(line.size());
      for (size_t i = 0; i < line.size();) {
        if (const size_t t = line[i] == '<' ? WebVttTagAt(line, i) : 0) {
          Apply(line.substr(i, t), style);
          if (styled.text.empty()) styled.style = style;  // tags before the first character
          i += t;
        } else if (const int k = ReferenceAt(line, i); k >= 0) {
          AppendUtf8(styled.text, kReferenced[k]);
          i += 3;
        } else {
          styled.text += line[i++];
        }
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
      if (k == 0 && !PositionSettings(s.position).empty()) {
        out += '<';
        out += PositionSettings(s.position);
        out += '>';
      }
      if (lines[k].text.empty()) continue;
      const std::string_view colour = ClassOf(s.color);
      if (!colour.empty()) out += "<c." + std::string(colour) + ">";
      if (s.bold) out += "<b>";
      if (s.italic) out += "<i>";
      if (s.underline) out += "<u>";
      AppendEscaped(out, lines[k].text);
      if (s.underline) out += "</u>";
      if (s.italic) out += "</i>";
      if (s.bold) out += "</b>";
      if (!colour.empty()) out += "</c>";
    }
    return out;
  }

 private:
  // Plain text into a cue's: "&" and "<" as references, and the ">" of a
  // "-->", which would end the cue.
  static void AppendEscaped(std::string& out, std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
      const char c = text[i];
      if (c == '&') {
        out += ReferenceMark(0);
      } else if (c == '<') {
        out += ReferenceMark(1);
      } else if (c == '>' && i >= 2 && text.compare(i - 2, 2, "--") == 0) {
        out += ReferenceMark(2);
      } else {
        out += c;
      }
    }
  }
};

}  // namespace

const StyleDialect& WebVttDialect() {
  static const Dialect dialect;
  return dialect;
}

}  // namespace lm
