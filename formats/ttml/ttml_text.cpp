// TTML times, the tags of entries (the paragraph tag and inline markup),
// the style dialect, and an entry's text back into a paragraph's markup.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "formats/ttml/ttml.h"
#include "model/text.h"
#include "model/time_notation.h"

namespace lm {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '-' || c == '.' || c == ':'; }
bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view LocalName(std::string_view name) {
  const size_t colon = name.rfind(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Digits at `i` as a number with their count; a fraction after "." as its
// value.
bool Number(std::string_view s, size_t& i, double& value, int& digits) {
  value = 0;
  digits = 0;
  while (i < s.size() && IsDigit(s[i])) {
    value = value * 10 + (s[i++] - '0');
    ++digits;
  }
  return digits > 0;
}

double Fraction(std::string_view s, size_t& i) {
  double value = 0, scale = 0.1;
  if (i < s.size() && s[i] == '.') {
    for (++i; i < s.size() && IsDigit(s[i]); ++i, scale /= 10) value += (s[i] - '0') * scale;
  }
  return value;
}

int64_t Rounded(double ms) { return static_cast<int64_t>(std::llround(ms)); }

// The elements whose tags stand in an entry's text.
bool IsInlineElement(std::string_view local) {
  return local == "span" || local == "p" || local == "br" || local == "set" || local == "metadata";
}

// Calls `each(name, value)` for the attributes of a tag ("<span a="v">").
template <class Each>
void ForEachAttribute(std::string_view tag, Each each) {
  size_t i = 1;
  while (i < tag.size() && IsNameChar(tag[i])) ++i;
  while (i < tag.size()) {
    while (i < tag.size() && (IsSpace(tag[i]) || tag[i] == '/')) ++i;
    const size_t name = i;
    while (i < tag.size() && IsNameChar(tag[i])) ++i;
    if (i == name) return;
    const std::string_view attribute = tag.substr(name, i - name);
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && IsSpace(tag[i])) ++i;
    if (i >= tag.size() || (tag[i] != '"' && tag[i] != '\'')) return;
    const char quote = tag[i++];
    const size_t end = tag.find(quote, i);
    if (end == std::string_view::npos) return;
    each(attribute, tag.substr(i, end - i));
    i = end + 1;
  }
}

bool HasWord(std::string_view value, std::string_view word) {
  for (size_t at = value.find(word); at != std::string_view::npos; at = value.find(word, at + 1)) {
    const bool before = at == 0 || IsSpace(value[at - 1]);
    const bool after = at + word.size() == value.size() || IsSpace(value[at + word.size()]);
    if (before && after) return true;
  }
  return false;
}

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A colour as "RRGGBB"; white, the colour of every subtitle that names
// none, is none.
std::string ColorOf(std::string_view value) {
  value = TrimBlanks(value);
  static const std::pair<std::string_view, std::string_view> kNamed[] = {
      {"black", "000000"},  {"silver", "C0C0C0"},  {"gray", "808080"},    {"maroon", "800000"}, {"red", "FF0000"},
      {"purple", "800080"}, {"fuchsia", "FF00FF"}, {"magenta", "FF00FF"}, {"green", "008000"},  {"lime", "00FF00"},
      {"olive", "808000"},  {"yellow", "FFFF00"},  {"navy", "000080"},    {"blue", "0000FF"},   {"teal", "008080"},
      {"aqua", "00FFFF"},   {"cyan", "00FFFF"}};
  std::string hex;
  if (!value.empty() && value[0] == '#' && (value.size() == 7 || value.size() == 9) &&
      std::all_of(value.begin() + 1, value.end(), IsHexDigit)) {
    hex = std::string(value.substr(1, 6));
    for (char& c : hex) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
  } else {
    for (const auto& [name, code] : kNamed)
      if (EqualsNoCase(value, name)) hex = std::string(code);
  }
  return hex == "FFFFFF" ? std::string() : hex;
}

bool IsItalicValue(std::string_view v) { return v == "italic" || v == "oblique"; }

}  // namespace

void ApplyTtmlStyle(std::string_view name, std::string_view value, Style& style) {
  {
    if (name == "fontStyle") style.italic = IsItalicValue(value);
    if (name == "fontWeight") style.bold = value == "bold";
    if (name == "textDecoration") {
      if (HasWord(value, "underline")) style.underline = true;
      if (HasWord(value, "noUnderline")) style.underline = false;
      if (HasWord(value, "lineThrough")) style.strike = true;
      if (HasWord(value, "noLineThrough")) style.strike = false;
      if (value == "none") style.underline = style.strike = false;
    }
    if (name == "color") style.color = ColorOf(value);
    if (name == "fontFamily" && value.find_first_of("\"<>|") == std::string_view::npos) style.font = std::string(value);
    // The regions a fresh document defines, and what the reader found a
    // region to be.
    // Bottom centre is where every subtitle goes that names no place.
    if (name == "region") style.position = value == "top" ? 8 : value == "bottom" ? 0 : style.position;
    if (name == "displayAlign") style.position = value == "before" ? 8 : 0;
  }
}

namespace {

// What a tag's attributes set in the neutral style.
void ApplyAttributes(std::string_view tag, Style& style) {
  ForEachAttribute(
      tag, [&](std::string_view name, std::string_view value) { ApplyTtmlStyle(LocalName(name), value, style); });
}

struct TagView {
  std::string_view tag, local;
  bool closing = false, selfClosing = false;
};

TagView ViewTag(std::string_view tag) {
  TagView v{tag, {}, tag.size() > 1 && tag[1] == '/', tag.size() > 2 && tag[tag.size() - 2] == '/'};
  size_t i = v.closing ? 2 : 1, j = i;
  while (j < tag.size() && IsNameChar(tag[j])) ++j;
  v.local = LocalName(tag.substr(i, j - i));
  return v;
}

bool IsItalicSpan(const TagView& v) {
  if (v.closing || v.local != "span") return false;
  bool italic = false;
  ForEachAttribute(v.tag, [&](std::string_view name, std::string_view value) {
    if (LocalName(name) == "fontStyle" && IsItalicValue(value)) italic = true;
  });
  return italic;
}

// The tags of `text` as [at, length) with what they are, a tag at a time.
template <class Each>
void ForEachTag(std::string_view text, Each each) {
  for (size_t i = text.find('<'); i != std::string_view::npos;) {
    const size_t t = TtmlDialect().TagAt(text, i);
    if (t == 0) {
      i = text.find('<', i + 1);
      continue;
    }
    each(i, t, ViewTag(text.substr(i, t)));
    i = text.find('<', i + t);
  }
}

class Dialect final : public StyleDialect {
 public:
  Dialect() : StyleDialect("<", false, false, 512) {}

  size_t TagAt(std::string_view s, size_t i) const override {
    const size_t n = s.size();
    if (i + 2 >= n || s[i] != '<') return 0;
    size_t j = i + 1;
    if (s[j] == '/') ++j;
    const size_t name = j;
    while (j < n && IsNameChar(s[j])) ++j;
    if (j == name || !IsLetter(s[name]) || !IsInlineElement(LocalName(s.substr(name, j - name)))) return 0;
    if (j >= n || (s[j] != '>' && s[j] != '/' && !IsSpace(s[j]))) return 0;
    char quote = 0;
    for (; j < n && j < i + LongestTag(); ++j) {
      const char c = s[j];
      if (quote) {
        if (c == quote) quote = 0;
        if (c == '|' || c == '<') return 0;
        continue;
      }
      if (c == '"' || c == '\'') quote = c;
      if (c == '>') return j - i + 1;
      if (c == '<' || c == '|') return 0;
    }
    return 0;
  }

  // A closing tag ends what its span set, the spans around it included: the
  // walks that need nesting keep their own stack (ToNeutral).
  void Apply(std::string_view tag, Style& style) const override {
    const TagView v = ViewTag(tag);
    if (v.closing) {
      if (v.local == "span") style.italic = style.bold = style.underline = style.strike = false, style.color.clear();
      return;
    }
    ApplyAttributes(tag, style);
  }

  // The spans open at the cut, closed at the end of `first` and opened again
  // at the start of `second`; the paragraph tag goes with both halves.
  void CloseSpansAt(std::string_view joined, size_t at, std::string& first, std::string& second) const override {
    std::vector<std::string_view> open;
    std::string_view paragraph;
    ForEachTag(joined.substr(0, at), [&](size_t i, size_t, const TagView& v) {
      if (v.local == "p" && !v.closing) {
        if (i == 0) paragraph = v.tag;
        return;
      }
      if (v.selfClosing || v.local == "br") return;
      if (!v.closing) {
        open.push_back(v.tag);
      } else if (!open.empty()) {
        open.pop_back();
      }
    });
    std::string reopen(paragraph);
    for (const std::string_view tag : open) reopen += tag;
    for (size_t k = open.size(); k-- > 0;) first += "</" + std::string(ViewTagName(open[k])) + ">";
    second.insert(0, reopen);
  }

  bool HasItalicTags(std::string_view text) const override {
    bool any = false;
    ForEachTag(text, [&](size_t, size_t, const TagView& v) { any = any || IsItalicSpan(v); });
    return any;
  }

  // An italic span loses both its tags, whatever else it set.
  int CutItalicTags(std::string& text) const override {
    std::vector<std::pair<size_t, size_t>> cuts;
    std::vector<std::pair<size_t, size_t>> open;  // the tag, or length 0 for a span kept
    ForEachTag(text, [&](size_t i, size_t t, const TagView& v) {
      if (v.local != "span" || v.selfClosing) return;
      if (!v.closing) {
        open.emplace_back(i, IsItalicSpan(v) ? t : 0);
        return;
      }
      if (open.empty()) return;
      if (open.back().second > 0) {
        cuts.push_back(open.back());
        cuts.emplace_back(i, t);
      }
      open.pop_back();
    });
    // An italic span left open in the text still goes.
    for (const auto& o : open)
      if (o.second > 0) cuts.push_back(o);
    if (cuts.empty()) return 0;
    std::vector<std::pair<size_t, size_t>> ranges;
    for (const auto& [at, length] : cuts) ranges.emplace_back(at, at + length);
    text = WithoutRanges(text, std::move(ranges));
    return static_cast<int>(cuts.size());
  }

  std::string WithoutEmptySpans(std::string_view text) const override {
    if (text.find('<') == std::string_view::npos) return std::string(text);
    struct Open {
      size_t at, length;
      bool holds;
    };
    std::vector<Open> open;
    std::vector<std::pair<size_t, size_t>> cuts;
    size_t last = 0;
    auto holds = [&](size_t from, size_t to) {
      for (size_t i = from; i < to; ++i)
        if (text[i] != ' ' && text[i] != '\t' && text[i] != '|') return true;
      return false;
    };
    ForEachTag(text, [&](size_t i, size_t t, const TagView& v) {
      if (!open.empty() && holds(last, i)) open.back().holds = true;
      last = i + t;
      if (v.local != "span" || v.selfClosing) return;
      if (!v.closing) {
        open.push_back({i, t, false});
        return;
      }
      if (open.empty()) return;
      const Open o = open.back();
      open.pop_back();
      if (!o.holds) {
        cuts.emplace_back(o.at, o.at + o.length);
        cuts.emplace_back(i, i + t);
      } else if (!open.empty()) {
        open.back().holds = true;
      }
    });
    return WithoutRanges(text, std::move(cuts));
  }

  // Each screen line takes the style its spans give its first character.
  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    std::vector<Style> stack(1);
    std::vector<StyledLine> out;
    for (const std::string_view line : ScreenLines(text)) {
      StyledLine styled{stack.back(), {}};
      styled.text.reserve(line.size());
      for (size_t i = 0; i < line.size();) {
        if (const size_t t = line[i] == '<' ? TagAt(line, i) : 0) {
          const TagView v = ViewTag(line.substr(i, t));
          if (v.closing) {
            if (v.local == "span" && stack.size() > 1) stack.pop_back();
          } else if (v.local == "p") {
            ApplyAttributes(v.tag, stack.front());
            if (stack.size() == 1) stack.back() = stack.front();
          } else if (v.local == "span" && !v.selfClosing) {
            stack.push_back(stack.back());
            ApplyAttributes(v.tag, stack.back());
          }
          if (styled.text.empty()) styled.style = stack.back();
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
    if (!lines.empty() && lines.front().style.position >= 7) out += "<p region=\"top\">";
    for (size_t k = 0; k < lines.size(); ++k) {
      if (k > 0) out += '|';
      const Style& s = lines[k].style;
      std::string attributes;
      if (s.italic) attributes += " tts:fontStyle=\"italic\"";
      if (s.bold) attributes += " tts:fontWeight=\"bold\"";
      if (s.underline || s.strike)
        attributes += std::string(" tts:textDecoration=\"") +
                      (s.underline && s.strike ? "underline lineThrough"
                       : s.underline           ? "underline"
                                               : "lineThrough") +
                      "\"";
      if (!s.color.empty()) attributes += " tts:color=\"#" + s.color + "\"";
      if (!s.font.empty() && s.font.find_first_of("\"&<>|") == std::string::npos)
        attributes += " tts:fontFamily=\"" + s.font + "\"";
      if (!attributes.empty() && !lines[k].text.empty()) out += "<span" + attributes + ">";
      for (const char c : lines[k].text) {
        if (c == '&') {
          out += ReferenceMark(0);
        } else if (c == '<') {
          out += ReferenceMark(1);
        } else if (c == '>') {
          out += ReferenceMark(2);
        } else {
          out += c;
        }
      }
      if (!attributes.empty() && !lines[k].text.empty()) out += "</span>";
    }
    return out;
  }

 private:
  static std::string_view ViewTagName(std::string_view tag) {
    size_t j = 1;
    while (j < tag.size() && IsNameChar(tag[j])) ++j;
    return tag.substr(1, j - 1);
  }
};

}  // namespace

const StyleDialect& TtmlDialect() {
  static const Dialect dialect;
  return dialect;
}

std::optional<int64_t> ParseTtmlTime(std::string_view value, const TtmlRates& rates) {
  const std::string_view s = TrimBlanks(value);
  size_t i = 0;
  double first;
  int digits;
  if (!Number(s, i, first, digits)) return std::nullopt;
  if (i < s.size() && s[i] == ':') {
    // Clock time: hours, minutes, seconds, then a fraction or frames.
    double minutes, seconds;
    ++i;
    if (!Number(s, i, minutes, digits) || digits != 2 || i >= s.size() || s[i++] != ':') return std::nullopt;
    if (!Number(s, i, seconds, digits) || digits != 2) return std::nullopt;
    double ms = ((first * 60 + minutes) * 60 + seconds) * 1000;
    if (i < s.size() && s[i] == '.') {
      ms += Fraction(s, i) * 1000;
    } else if (i < s.size() && s[i] == ':') {
      double frames;
      ++i;
      if (!Number(s, i, frames, digits)) return std::nullopt;
      double sub = 0;
      if (i < s.size() && s[i] == '.') {
        ++i;
        if (!Number(s, i, sub, digits)) return std::nullopt;
      }
      ms += (frames + sub / rates.subFrameRate) * 1000 / rates.frameRate;
    }
    if (i != s.size() || ms > 1e15) return std::nullopt;
    return Rounded(ms);
  }
  const double count = first + Fraction(s, i);
  const std::string_view metric = s.substr(i);
  double ms;
  if (metric == "h") {
    ms = count * 3600000;
  } else if (metric == "m") {
    ms = count * 60000;
  } else if (metric == "s") {
    ms = count * 1000;
  } else if (metric == "ms") {
    ms = count;
  } else if (metric == "f") {
    ms = count * 1000 / rates.frameRate;
  } else if (metric == "t") {
    ms = count * 1000 / rates.tickRate;
  } else {
    return std::nullopt;
  }
  if (ms > 1e15) return std::nullopt;
  return Rounded(ms);
}

std::string FormatTtmlTime(int64_t milliseconds, std::string_view like, const TtmlRates& rates) {
  if (milliseconds < 0) milliseconds = 0;
  like = TrimBlanks(like);
  auto endsWith = [&](std::string_view tail) {
    return like.size() > tail.size() && like.substr(like.size() - tail.size()) == tail &&
           IsDigit(like[like.size() - tail.size() - 1]);
  };
  if (endsWith("ms")) return std::to_string(milliseconds) + "ms";
  if (endsWith("f")) return std::to_string(Rounded(milliseconds * rates.frameRate / 1000)) + "f";
  if (endsWith("t")) return std::to_string(Rounded(milliseconds * rates.tickRate / 1000)) + "t";
  if (endsWith("s") || endsWith("m") || endsWith("h")) {
    std::string out = std::to_string(milliseconds / 1000);
    if (const int64_t ms = milliseconds % 1000; ms > 0) {
      char fraction[5];
      std::snprintf(fraction, sizeof fraction, ".%03d", static_cast<int>(ms));
      out += fraction;
      while (out.back() == '0') out.pop_back();
    }
    return out + "s";
  }
  if (std::count(like.begin(), like.end(), ':') == 3) {
    // Hours, minutes, seconds and frames, at the document's frame rate.
    const int64_t rate = std::max<int64_t>(1, Rounded(std::ceil(rates.frameRate)));
    int64_t frames = Rounded(milliseconds * rates.frameRate / 1000);
    int64_t seconds = static_cast<int64_t>(std::floor(frames / rates.frameRate));
    int64_t frame = frames - Rounded(std::ceil(seconds * rates.frameRate - 1e-9));
    if (frame >= rate) frame = rate - 1;
    if (frame < 0) frame = 0;
    char out[48];
    std::snprintf(out, sizeof out, "%02lld:%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60),
                  static_cast<long long>(frame));
    return out;
  }
  return FormatTime(milliseconds, '.');
}

bool FindElementSpan(std::string_view s, size_t at, ElementSpan& span) {
  // Past a tag from its "<", quoted values and all; false when it never ends.
  auto pastTag = [&](size_t i, bool& selfClosing) {
    char quote = 0;
    for (++i; i < s.size(); ++i) {
      const char c = s[i];
      if (quote) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>') {
        selfClosing = s[i - 1] == '/';
        return i + 1;
      }
    }
    return std::string_view::npos;
  };
  auto past = [&](size_t i, std::string_view end) {
    const size_t found = s.find(end, i);
    return found == std::string_view::npos ? found : found + end.size();
  };
  bool selfClosing = false;
  size_t i = pastTag(at, selfClosing);
  if (i == std::string_view::npos) return false;
  span.contentAt = i;
  if (selfClosing) {
    span.closeAt = span.end = i;
    span.selfClosing = true;
    return true;
  }
  span.selfClosing = false;
  for (int depth = 1; i != std::string_view::npos;) {
    const size_t lt = s.find('<', i);
    if (lt == std::string_view::npos) return false;
    const std::string_view rest = s.substr(lt);
    if (rest.substr(0, 4) == "<!--") {
      i = past(lt + 4, "-->");
    } else if (rest.substr(0, 9) == "<![CDATA[") {
      i = past(lt + 9, "]]>");
    } else if (rest.substr(0, 2) == "<?") {
      i = past(lt + 2, "?>");
    } else if (rest.substr(0, 2) == "</") {
      i = past(lt + 2, ">");
      if (--depth == 0 && i != std::string_view::npos) {
        span.closeAt = lt;
        span.end = i;
        return true;
      }
    } else {
      bool closes = false;
      i = pastTag(lt, closes);
      if (!closes) ++depth;
    }
  }
  return false;
}

std::string_view LeadingParagraphTag(std::string_view text) {
  if (text.empty() || text[0] != '<') return {};
  const size_t t = TtmlDialect().TagAt(text, 0);
  if (t == 0) return {};
  const TagView v = ViewTag(text.substr(0, t));
  return v.local == "p" && !v.closing ? text.substr(0, t) : std::string_view();
}

std::string ParagraphAttributes(std::string_view tag) {
  std::string out;
  ForEachAttribute(tag, [&](std::string_view name, std::string_view value) {
    if (LocalName(name) == "displayAlign") return;
    out += ' ';
    out += name;
    out += "=\"";
    out += value;
    out += '"';
  });
  return out;
}

std::string TtmlMarkup(std::string_view text) {
  text.remove_prefix(LeadingParagraphTag(text).size());
  std::string out;
  out.reserve(text.size() + 16);
  std::vector<std::string_view> open;  // qualified names of the spans open
  auto name = [](std::string_view tag, size_t from) {
    size_t j = from;
    while (j < tag.size() && IsNameChar(tag[j])) ++j;
    return tag.substr(from, j - from);
  };
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '<') {
      if (const size_t t = TtmlDialect().TagAt(text, i)) {
        const std::string_view tag = text.substr(i, t);
        const TagView v = ViewTag(tag);
        i += t;
        if (v.local == "p") continue;  // no paragraph inside a paragraph
        if (!v.closing) {
          out += tag;
          if (!v.selfClosing && v.local != "br") open.push_back(name(tag, 1));
          continue;
        }
        const std::string_view closing = name(tag, 2);
        const auto match = std::find(open.rbegin(), open.rend(), closing);
        if (match == open.rend()) continue;  // nothing of its name is open
        while (open.back() != closing) {
          out += "</" + std::string(open.back()) + ">";
          open.pop_back();
        }
        out += "</" + std::string(closing) + ">";
        open.pop_back();
        continue;
      }
      out += "&lt;";
      ++i;
      continue;
    }
    if (const int k = ReferenceAt(text, i); k >= 0) {
      static const char* const kWritten[] = {"&amp;", "&lt;", "&gt;", "&#160;", "&#8206;", "&#8207;"};
      out += kWritten[k];
      i += 3;
      continue;
    }
    if (text.compare(i, kLiteralBar.size(), kLiteralBar) == 0) {
      out += '|';
      i += kLiteralBar.size();
      continue;
    }
    switch (c) {
      case '|':
        out += "<br/>";
        break;
      case '&':
        out += "&amp;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        // Control characters have no place in XML.
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
    ++i;
  }
  for (size_t k = open.size(); k-- > 0;) out += "</" + std::string(open[k]) + ">";
  return out;
}

}  // namespace lm
