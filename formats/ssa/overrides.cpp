// Override blocks: "{" and "}" around commands ("\i1\an8"), anything else
// inside being a comment the renderers do not show. Blocks style what
// follows them until another block sets the same again, over "\N" too, so
// the dialect is one of spans. A block that switches drawing on ("\p1")
// makes what follows vector commands up to the block that switches it off:
// the whole drawing is one tag, and a text that is only a drawing has
// nothing a rule could change.
#include "formats/ssa/overrides.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/ssa/ssa.h"
#include "model/text.h"

namespace lm::ssa {

namespace {

// A tag never runs over a screen line, and a drawing is at most the text it
// stands in: longer than any entry text can be.
constexpr size_t kLongestTag = size_t{1} << 18;

// Command names, each before the shorter ones it starts with ("fscx" before
// "fs", "iclip" before "i").
constexpr std::string_view kNames[] = {
    "alpha", "iclip", "clip", "blur", "bord", "xbord", "ybord", "xshad", "yshad", "shad", "fscx", "fscy", "fsp",
    "fs",    "fn",    "frx",  "fry",  "frz",  "fr",    "fax",   "fay",   "fe",    "fade", "fad",  "move", "org",
    "pos",   "pbo",   "an",   "be",   "kf",   "ko",    "k",     "K",     "1c",    "2c",   "3c",   "4c",   "1a",
    "2a",    "3a",    "4a",   "c",    "a",    "b",     "i",     "u",     "s",     "p",    "q",    "r",    "t",
};

// One command of a block: "\i1", "\c&H0000FF&", "\t(0,500,\fs30)".
struct Command {
  std::string_view name;   // empty for one of no known name
  std::string_view value;  // what follows the name
  std::string_view whole;  // from the backslash to the next command
};

// The commands of a block's inside, in order. A value in parentheses runs to
// its closing one (a "\t" holds commands of its own).
template <class Each>
void ForEachCommand(std::string_view inside, Each each) {
  for (size_t i = inside.find('\\'); i != std::string_view::npos;) {
    const size_t nameAt = i + 1;
    std::string_view name;
    for (const std::string_view n : kNames) {
      if (inside.compare(nameAt, n.size(), n) == 0) {
        name = n;
        break;
      }
    }
    const size_t valueAt = std::min(nameAt + name.size(), inside.size());
    size_t end = inside.size();
    if (valueAt < inside.size() && inside[valueAt] == '(') {
      int depth = 0;
      for (size_t j = valueAt; j < inside.size(); ++j) {
        if (inside[j] == '(') ++depth;
        if (inside[j] == ')' && --depth == 0) {
          end = j + 1;
          break;
        }
      }
    } else {
      end = std::min(inside.find('\\', valueAt), inside.size());
    }
    each(Command{name, inside.substr(valueAt, end - valueAt), inside.substr(i, end - i)});
    i = inside.find('\\', end);
  }
}

// The number a value starts with (blanks before it allowed).
std::optional<int> IntValue(std::string_view value) {
  size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  int n = 0, digits = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9' && digits < 9; ++i, ++digits)
    n = n * 10 + (value[i] - '0');
  if (digits == 0) return std::nullopt;
  return n;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "&HBBGGRR&" (leading zeros, the "&"s and an alpha byte before it optional)
// as "RRGGBB"; empty for anything else.
std::string ColorOf(std::string_view value) {
  value = TrimBlanks(value);
  size_t i = 0;
  if (i < value.size() && value[i] == '&') ++i;
  if (i < value.size() && (value[i] == 'H' || value[i] == 'h')) ++i;
  std::uint32_t n = 0;
  int digits = 0;
  for (; i < value.size() && HexDigit(value[i]) >= 0 && digits < 8; ++i, ++digits)
    n = n << 4 | static_cast<std::uint32_t>(HexDigit(value[i]));
  if (digits == 0 || (i < value.size() && value[i] != '&')) return {};
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string rgb;
  for (const int shift : {0, 8, 16}) {
    const std::uint32_t byte = (n >> shift) & 0xFF;
    rgb += kHex[byte >> 4];
    rgb += kHex[byte & 0xF];
  }
  return rgb;
}

// The older alignment codes (1-3 bottom, +4 top, +8 middle) as keypad
// positions.
int PositionOfLegacy(int a) {
  static constexpr int kPositions[12] = {0, 1, 2, 3, 0, 7, 8, 9, 0, 4, 5, 6};
  return a > 0 && a < 12 ? kPositions[a] : 0;
}

void ResetStyle(Style& style) {
  const int position = style.position;  // a reset leaves the event where it is
  style = Style();
  style.position = position;
}

void ApplyCommand(const Command& c, Style& style) {
  const std::string_view n = c.name;
  if (n.empty()) return;
  const std::optional<int> v = IntValue(c.value);
  if (n == "i") {
    style.italic = v == 1;
  } else if (n == "b") {
    style.bold = v && (*v == 1 || *v >= 700);  // a weight
  } else if (n == "u") {
    style.underline = v == 1;
  } else if (n == "s") {
    style.strike = v == 1;
  } else if (n == "c" || n == "1c") {
    if (TrimBlanks(c.value).empty()) {
      style.color.clear();  // the style's own again
    } else if (std::string rgb = ColorOf(c.value); !rgb.empty()) {
      style.color = std::move(rgb);
    }
  } else if (n == "fn") {
    style.font = std::string(TrimBlanks(c.value));
  } else if (n == "fs") {
    if (TrimBlanks(c.value).empty()) style.size = 0;
    if (v && *v > 0 && *v < 1000) style.size = *v;  // not "+2": relative sizes have no neutral form
  } else if (n == "an" || n == "a") {
    // The first one places the event.
    const int position = !v ? 0 : n == "an" ? (*v >= 1 && *v <= 9 ? *v : 0) : PositionOfLegacy(*v);
    if (style.position == 0) style.position = position;
  } else if (n == "r") {
    ResetStyle(style);
  }
}

// Whether drawing is on after a block's commands, `on` before them.
bool DrawingAfter(std::string_view inside, bool on) {
  if (inside.find("\\p") == std::string_view::npos) return on;
  ForEachCommand(inside, [&](const Command& c) {
    if (c.name != "p") return;
    if (const std::optional<int> v = IntValue(c.value)) on = *v > 0;
  });
  return on;
}

// The block at `i` ("{", no "{" or "|" before its "}"): its length, or 0.
size_t BlockAt(std::string_view s, size_t i) {
  for (size_t j = i + 1; j < s.size(); ++j) {
    const char c = s[j];
    if (c == '}') return j - i + 1;
    if (c == '{' || c == '|') return 0;
  }
  return 0;
}

// Calls each(inside) for every block of a tag.
template <class Each>
void ForEachBlock(std::string_view tag, Each each) {
  for (size_t i = tag.find('{'); i != std::string_view::npos;) {
    const size_t close = tag.find('}', i);
    if (close == std::string_view::npos) return;
    each(tag.substr(i + 1, close - i - 1));
    i = tag.find('{', close);
  }
}

bool IsDrawingTag(std::string_view tag) {
  const size_t block = tag.empty() || tag[0] != '{' ? 0 : BlockAt(tag, 0);
  return block > 0 && DrawingAfter(tag.substr(1, block - 2), false);
}

bool IsHexColor(std::string_view rgb) {
  if (rgb.size() != 6) return false;
  for (const char c : rgb)
    if (HexDigit(c) < 0) return false;
  return true;
}

// What a command carries into the second half of a divided event: the key
// of the setting it makes, or nothing for one that acts once (karaoke,
// moves, fades, transforms) or resets.
std::string_view CarryKey(std::string_view name) {
  if (name.empty() || name == "k" || name == "K" || name == "kf" || name == "ko" || name == "t" || name == "move" ||
      name == "fad" || name == "fade" || name == "p" || name == "pbo" || name == "r")
    return {};
  if (name == "1c") return "c";
  if (name == "a") return "an";
  if (name == "fr") return "frz";
  return name;
}

// Settings of the event as a whole: the first one counts.
bool FirstWins(std::string_view key) { return key == "an" || key == "pos" || key == "org"; }

class Overrides final : public StyleDialect {
 public:
  Overrides() : StyleDialect("{\\", false, false, kLongestTag) {}

  size_t TagAt(std::string_view s, size_t i) const override { return SsaTagAt(s, i); }

  void Apply(std::string_view tag, Style& style) const override {
    ForEachBlock(tag, [&](std::string_view inside) {
      ForEachCommand(inside, [&](const Command& c) { ApplyCommand(c, style); });
    });
  }

  // The second half opens with the settings in force at the cut (the last
  // of each kind, the first of those that place the event); the first
  // closes the toggles left on.
  void CloseSpansAt(std::string_view joined, size_t at, std::string& first, std::string& second) const override {
    struct Setting {
      std::string_view key, whole;
    };
    std::vector<Setting> settings;
    for (size_t i = joined.find('{'); i < at && i != std::string_view::npos;) {
      const size_t t = SsaTagAt(joined, i);
      if (t == 0 || i + t > at) {
        i = joined.find('{', i + 1);
        continue;
      }
      ForEachBlock(joined.substr(i, t), [&](std::string_view inside) {
        ForEachCommand(inside, [&](const Command& c) {
          if (c.name == "r") {
            std::vector<Setting> kept;
            for (const Setting& s : settings)
              if (FirstWins(s.key)) kept.push_back(s);
            settings = std::move(kept);
            return;
          }
          const std::string_view key = CarryKey(c.name);
          if (key.empty()) return;
          for (Setting& s : settings) {
            if (s.key != key) continue;
            if (!FirstWins(key)) s.whole = c.whole;
            return;
          }
          settings.push_back({key, c.whole});
        });
      });
      i = joined.find('{', i + t);
    }
    if (settings.empty()) return;
    std::string reopen = "{", close;
    for (const Setting& s : settings) {
      reopen += s.whole;
      const bool toggle = s.key == "i" || s.key == "b" || s.key == "u" || s.key == "s";
      if (!toggle) continue;
      Style style;
      ApplyCommand(Command{s.key, s.whole.substr(1 + s.key.size()), s.whole}, style);
      if (style.italic || style.bold || style.underline || style.strike) close += "\\" + std::string(s.key) + "0";
    }
    reopen += '}';
    if (!close.empty()) first += "{" + close + "}";
    second.insert(0, reopen);
  }

  bool HasItalicTags(std::string_view text) const override {
    for (size_t p = text.find("\\i"); p != std::string_view::npos; p = text.find("\\i", p + 1)) {
      const char c = p + 2 < text.size() ? text[p + 2] : '\0';
      if (c == '\0' || (c >= '0' && c <= '9') || c == '\\' || c == '}') return true;
    }
    return false;
  }

  // Every "\i" command goes; a block left with nothing in it goes with it.
  // A drawing is left as it is.
  int CutItalicTags(std::string& text) const override {
    if (!HasItalicTags(text)) return 0;
    std::string out;
    out.reserve(text.size());
    int cuts = 0;
    size_t from = 0;  // copied up to here
    for (size_t i = text.find('{'); i != std::string::npos;) {
      const size_t t = SsaTagAt(text, i);
      if (t == 0 || IsDrawingTag(std::string_view(text).substr(i, t))) {
        i = text.find('{', i + (t ? t : 1));
        continue;
      }
      const std::string_view inside = std::string_view(text).substr(i + 1, t - 2);
      std::string kept;
      size_t keptFrom = 0;
      int here = 0;
      ForEachCommand(inside, [&](const Command& c) {
        if (c.name != "i") return;
        const size_t at = static_cast<size_t>(c.whole.data() - inside.data());
        kept.append(inside.substr(keptFrom, at - keptFrom));
        keptFrom = at + c.whole.size();
        ++here;
      });
      if (here > 0) {
        kept.append(inside.substr(keptFrom));
        out.append(text, from, i - from);
        if (!kept.empty()) out += "{" + kept + "}";
        from = i + t;
        cuts += here;
      }
      i = text.find('{', i + t);
    }
    if (cuts == 0) return 0;
    out.append(text, from, std::string::npos);
    text = std::move(out);
    return cuts;
  }

  // Each screen line takes the style the blocks so far leave at its first
  // character. A soft break shows as the blank it is in the usual wrap
  // styles; "\{" is a brace.
  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    Style style;
    std::vector<StyledLine> out;
    for (const std::string_view line : ScreenLines(text)) {
      StyledLine styled{style, {}};
      styled.text.reserve(line.size());
      for (size_t i = 0; i < line.size();) {
        const size_t start = line.find_first_of("{\\", i);
        styled.text.append(line.substr(i, start == std::string_view::npos ? std::string_view::npos : start - i));
        if (start == std::string_view::npos) break;
        const size_t t = SsaTagAt(line, start);
        if (t == 0) {
          const bool escaped = line[start] == '\\' && start + 1 < line.size() && line[start + 1] == '{';
          styled.text += line[start + (escaped ? 1 : 0)];
          i = start + (escaped ? 2 : 1);
          continue;
        }
        const std::string_view tag = line.substr(start, t);
        if (tag == "\\n") {
          styled.text += ' ';
        } else {
          Apply(tag, style);
          if (styled.text.empty()) styled.style = style;  // blocks before the first character
        }
        i = start + t;
      }
      out.push_back(std::move(styled));
    }
    return out;
  }

  // A block where a line's style differs from the one before it, with only
  // what changed; the position in the first.
  std::string FromNeutral(const std::vector<StyledLine>& lines) const override {
    std::string out;
    Style now;
    for (size_t k = 0; k < lines.size(); ++k) {
      if (k > 0) out += '|';
      const Style& s = lines[k].style;
      std::string block;
      if (k == 0 && s.position > 0) block += "\\an" + std::to_string(s.position);
      if (!lines[k].text.empty()) {
        Toggle(block, "i", now.italic, s.italic);
        Toggle(block, "b", now.bold, s.bold);
        Toggle(block, "u", now.underline, s.underline);
        Toggle(block, "s", now.strike, s.strike);
        const std::string color = IsHexColor(s.color) ? s.color : std::string();
        if (color != now.color) {
          block += "\\c";
          if (!color.empty()) block += "&H" + color.substr(4, 2) + color.substr(2, 2) + color.substr(0, 2) + "&";
          now.color = color;
        }
        // A name that would end the command or the block cannot be written.
        const std::string font = s.font.find_first_of("\\{}|") == std::string::npos ? s.font : std::string();
        if (font != now.font) {
          block += "\\fn" + font;
          now.font = font;
        }
        if (s.size != now.size) {
          block += "\\fs" + (s.size > 0 ? std::to_string(s.size) : std::string());
          now.size = s.size;
        }
      }
      if (!block.empty()) out += "{" + block + "}";
      // A brace of the text would open a block.
      for (const char c : lines[k].text) {
        if (c == '{') out += '\\';
        out += c;
      }
    }
    return out;
  }

 private:
  static void Toggle(std::string& block, const char* name, bool& now, bool wanted) {
    if (now == wanted) return;
    block += std::string("\\") + name + (wanted ? "1" : "0");
    now = wanted;
  }
};

}  // namespace

const StyleDialect& Dialect() {
  static const Overrides dialect;
  return dialect;
}

bool DrawingOnly(std::string_view text) {
  bool drawing = false;
  for (size_t i = 0; i < text.size();) {
    const size_t t = SsaTagAt(text, i);
    if (t > 0) {
      drawing |= IsDrawingTag(text.substr(i, t));
      i += t;
      continue;
    }
    const char c = text[i++];
    if (c != ' ' && c != '\t' && c != '|') return false;
  }
  return drawing;
}

}  // namespace lm::ssa

namespace lm {

size_t SsaTagAt(std::string_view s, size_t i) {
  const size_t n = s.size();
  if (i >= n) return 0;
  if (s[i] == '\\') return i + 1 < n && s[i + 1] == 'n' ? 2 : 0;
  if (s[i] != '{' || (i > 0 && s[i - 1] == '\\')) return 0;  // "\{" is a brace
  const size_t block = ssa::BlockAt(s, i);
  if (block == 0 || !ssa::DrawingAfter(s.substr(i + 1, block - 2), false)) return block;
  // A drawing runs to the block that ends it, or to the end of its line.
  for (size_t j = i + block;;) {
    const size_t k = s.find_first_of("{|", j);
    if (k == std::string_view::npos) return n - i;
    if (s[k] == '|') return k - i;
    const size_t next = ssa::BlockAt(s, k);
    if (next == 0) {
      j = k + 1;
      continue;
    }
    if (!ssa::DrawingAfter(s.substr(k + 1, next - 2), true)) return k + next - i;
    j = k + next;
  }
}

}  // namespace lm
