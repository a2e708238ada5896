// The text of EBU STL subtitles: the character code tables, the teletext
// control codes as tags, and the dialect that gives them their meaning.
#include <iconv.h>

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "formats/ebustl/ebustl.h"
#include "model/text.h"

namespace lm {

namespace {

constexpr char32_t kControlBase = 0xE000;
constexpr char32_t kPlacementBase = 0xE100;
// A byte the table leaves undefined, as the files layer keeps them.
constexpr char32_t kKeptByte = 0x10FF00;

constexpr unsigned char kItalicOn = 0x80, kItalicOff = 0x81, kUnderlineOn = 0x82, kUnderlineOff = 0x83, kBoxOn = 0x84,
                        kBoxOff = 0x85, kBreak = 0x8A, kUnused = 0x8F, kDoubleHeight = 0x0D;

bool IsControlByte(unsigned char b) { return b < 0x20 || (b >= 0x80 && b <= 0x8E && b != kBreak); }

// ------------------------------------------------------------ code tables

// ISO 6937's non-spacing diacritics, which stand before their letter, and
// the combining marks they are.
constexpr std::pair<unsigned char, char32_t> kDiacritics[] = {
    {0xC1, 0x0300}, {0xC2, 0x0301}, {0xC3, 0x0302}, {0xC4, 0x0303}, {0xC5, 0x0304}, {0xC6, 0x0306}, {0xC7, 0x0307},
    {0xC8, 0x0308}, {0xCA, 0x030A}, {0xCB, 0x0327}, {0xCD, 0x030B}, {0xCE, 0x0328}, {0xCF, 0x030C}};

struct CodeTable {
  std::array<char32_t, 256> single{};                 // 0: not defined
  std::array<std::array<char32_t, 128>, 16> pairs{};  // 0xC0-0xCF before 0x00-0x7F
  std::unordered_map<char32_t, std::uint16_t> bytes;  // one byte, or two (first << 8 | second)
  bool diacritics = false;
};

// The one character `in` converts to, or 0.
char32_t ConvertOne(iconv_t cd, const char* in, size_t length) {
  char out[16];
  char* inp = const_cast<char*>(in);
  char* outp = out;
  size_t inLeft = length, outLeft = sizeof out;
  ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (::iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) return 0;
  if (::iconv(cd, nullptr, nullptr, &outp, &outLeft) == static_cast<size_t>(-1)) return 0;
  const std::string_view utf8(out, static_cast<size_t>(outp - out));
  if (utf8.empty() || !IsValidUtf8(utf8)) return 0;
  size_t i = 0;
  const char32_t c = NextCodePoint(utf8, i);
  return i == utf8.size() ? c : 0;
}

std::unique_ptr<CodeTable> BuildTable(int table) {
  static constexpr const char* kNames[] = {"ISO_6937", "ISO-8859-5", "ISO-8859-6", "ISO-8859-7", "ISO-8859-8"};
  auto t = std::make_unique<CodeTable>();
  t->diacritics = table == 0;
  for (unsigned b = 0x20; b < 0x7F; ++b) t->single[b] = b;
  const iconv_t cd = ::iconv_open("UTF-8", kNames[table]);
  if (cd != reinterpret_cast<iconv_t>(-1)) {
    for (unsigned b = 0x20; b <= 0xFF; ++b) {
      if (b >= 0x7F && b < 0xA0) continue;
      const char byte = static_cast<char>(b);
      if (const char32_t c = ConvertOne(cd, &byte, 1)) t->single[b] = c;
    }
    if (t->diacritics)
      for (const auto& [mark, combining] : kDiacritics)
        for (unsigned letter = 0x41; letter < 0x7B; ++letter) {
          const char pair[2] = {static_cast<char>(mark), static_cast<char>(letter)};
          t->pairs[mark - 0xC0][letter] = ConvertOne(cd, pair, 2);
        }
    ::iconv_close(cd);
  }
  if (t->diacritics) {
    // The EBU's Latin table sets these where ISO 6937 leaves them open.
    if (!t->single[0xA4]) t->single[0xA4] = U'$';
    if (!t->single[0xA6]) t->single[0xA6] = U'#';
    for (const auto& [mark, combining] : kDiacritics) t->single[mark] = 0;
  }
  for (unsigned b = 0x20; b <= 0xFF; ++b)
    if (t->single[b] && !IsControlByte(static_cast<unsigned char>(b))) t->bytes.emplace(t->single[b], b);
  for (unsigned mark = 0; mark < 16; ++mark)
    for (unsigned letter = 0; letter < 128; ++letter)
      if (const char32_t c = t->pairs[mark][letter])
        t->bytes.emplace(c, static_cast<std::uint16_t>((0xC0 + mark) << 8 | letter));
  return t;
}

const CodeTable& Table(int table) {
  static std::once_flag once[5];
  static std::unique_ptr<CodeTable> tables[5];
  const int t = table >= 0 && table < 5 ? table : 0;
  std::call_once(once[t], [t] { tables[t] = BuildTable(t); });
  return *tables[t];
}

// The combining mark's ISO 6937 diacritic, or 0.
unsigned char DiacriticFor(char32_t combining) {
  for (const auto& [mark, c] : kDiacritics)
    if (c == combining) return mark;
  return 0;
}

// ------------------------------------------------------------ tags

// The tag's code: a control byte (0-0xFF) or a placement (0x101-0x109); -1
// for none. Each is three bytes of UTF-8: EE 80 80-9F, EE 82 80-8E, EE 84
// 81-89.
int CodeAt(std::string_view s, size_t i) {
  if (i + 2 >= s.size() || static_cast<unsigned char>(s[i]) != 0xEE) return -1;
  const unsigned char b1 = static_cast<unsigned char>(s[i + 1]), b2 = static_cast<unsigned char>(s[i + 2]);
  if (b1 == 0x80 && b2 >= 0x80 && b2 <= 0x9F) return b2 - 0x80;
  if (b1 == 0x82 && b2 >= 0x80 && b2 <= 0x8E && b2 != 0x8A) return b2;
  if (b1 == 0x84 && b2 >= 0x81 && b2 <= 0x89) return 0x100 + (b2 - 0x80);
  return -1;
}
int CodeOf(std::string_view tag) { return tag.size() == 3 ? CodeAt(tag, 0) : -1; }

constexpr const char* kColours[8] = {"000000", "FF0000", "00FF00", "FFFF00", "0000FF", "FF00FF", "00FFFF", ""};

// The teletext colour nearest "RRGGBB": each of red, green and blue on or
// off.
unsigned char ColourCode(const std::string& rgb) {
  auto on = [&](size_t at) { return std::stoi(rgb.substr(at, 2), nullptr, 16) >= 0x80; };
  if (rgb.size() != 6 || rgb.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return 7;
  return static_cast<unsigned char>((on(0) ? 1 : 0) | (on(2) ? 2 : 0) | (on(4) ? 4 : 0));
}

// What is open at byte `at` of a text.
struct State {
  bool italic = false, underline = false, box = false, doubleHeight = false;
  int colour = -1, placement = 0;
};
State StateAt(std::string_view s, size_t at) {
  State st;
  for (size_t i = 0; i < at && i < s.size();) {
    if (s[i] == '|') {
      st.colour = -1;
      st.doubleHeight = false;
      ++i;
      continue;
    }
    const int code = CodeAt(s, i);
    if (code < 0) {
      ++i;
      continue;
    }
    if (code <= 7) st.colour = code;
    if (code == kDoubleHeight) st.doubleHeight = true;
    if (code == 0x0C) st.doubleHeight = false;
    if (code == kItalicOn || code == kItalicOff) st.italic = code == kItalicOn;
    if (code == kUnderlineOn || code == kUnderlineOff) st.underline = code == kUnderlineOn;
    if (code == kBoxOn || code == kBoxOff) st.box = code == kBoxOn;
    if (code > 0x100 && st.placement == 0) st.placement = code - 0x100;
    i += 3;
  }
  return st;
}

class Dialect final : public StyleDialect {
 public:
  Dialect() : StyleDialect("\xEE", false, false, 3) {}

  size_t TagAt(std::string_view s, size_t i) const override { return EbuStlTagAt(s, i); }

  void Apply(std::string_view tag, Style& style) const override {
    const int code = CodeOf(tag);
    if (code < 0) return;
    if (code <= 7) style.color = kColours[code];
    if (code == kItalicOn || code == kItalicOff) style.italic = code == kItalicOn;
    if (code == kUnderlineOn || code == kUnderlineOff) style.underline = code == kUnderlineOn;
    if (code > 0x100) style.position = code - 0x100;
  }

  // Italics, underline and boxing are closed in the first part and opened
  // again in the second, with the placement; a cut inside a row carries
  // its colour and height too.
  void CloseSpansAt(std::string_view joined, size_t at, std::string& first, std::string& second) const override {
    const State st = StateAt(joined, at);
    std::string open;
    if (st.placement) open += PlacementMark(st.placement);
    const bool inRow = at < joined.size() && joined[at] != '|';
    if (inRow && st.doubleHeight) open += ControlMark(kDoubleHeight);
    if (inRow && st.colour >= 0) open += ControlMark(static_cast<unsigned char>(st.colour));
    if (st.box) open += ControlMark(kBoxOn), first += ControlMark(kBoxOff);
    if (st.italic) open += ControlMark(kItalicOn);
    if (st.underline) open += ControlMark(kUnderlineOn), first += ControlMark(kUnderlineOff);
    if (st.italic) first += ControlMark(kItalicOff);
    second.insert(0, open);
  }

  bool HasItalicTags(std::string_view text) const override {
    return text.find(ControlMark(kItalicOn)) != std::string_view::npos ||
           text.find(ControlMark(kItalicOff)) != std::string_view::npos;
  }

  int CutItalicTags(std::string& text) const override {
    if (!HasItalicTags(text)) return 0;
    return CutTags(text, [](std::string_view s, size_t i) -> size_t {
      const int code = CodeAt(s, i);
      return code == kItalicOn || code == kItalicOff ? 3 : 0;
    });
  }

  // An italic, underline or box span with nothing but blanks, breaks and
  // other tags inside loses its two tags.
  std::string WithoutEmptySpans(std::string_view text) const override {
    if (text.find('\xEE') == std::string_view::npos) return std::string(text);
    struct Open {
      size_t at;
      int code;
      bool holds;
    };
    std::vector<Open> open;
    std::vector<std::pair<size_t, size_t>> cuts;  // the tags to drop
    for (size_t i = 0; i < text.size();) {
      const int code = CodeAt(text, i);
      if (code < 0) {
        const char c = text[i++];
        if (c != ' ' && c != '|')
          for (Open& o : open) o.holds = true;
        continue;
      }
      if (code == kItalicOn || code == kUnderlineOn || code == kBoxOn) {
        open.push_back({i, code, false});
      } else if (code == kItalicOff || code == kUnderlineOff || code == kBoxOff) {
        for (size_t k = open.size(); k-- > 0;) {
          if (open[k].code != code - 1) continue;
          if (!open[k].holds) cuts.emplace_back(open[k].at, open[k].at + 3), cuts.emplace_back(i, i + 3);
          open.erase(open.begin() + static_cast<long>(k));
          break;
        }
      }
      i += 3;
    }
    return WithoutRanges(text, std::move(cuts));
  }

  // A screen line takes the style at its first character: italics and
  // underline as the lines before leave them, its own row's colour.
  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    std::vector<StyledLine> out;
    Style carried;
    bool firstLine = true;
    for (const std::string_view line : ScreenLines(text)) {
      Style style;
      style.italic = carried.italic;
      style.underline = carried.underline;
      StyledLine styled{style, {}};
      styled.text.reserve(line.size());
      for (size_t i = 0; i < line.size();) {
        if (const size_t t = EbuStlTagAt(line, i)) {
          Apply(line.substr(i, t), style);
          if (!firstLine) style.position = 0;
          if (styled.text.empty()) styled.style = style;
          i += t;
          continue;
        }
        styled.text += line[i++];
      }
      carried = style;
      firstLine = false;
      out.push_back(std::move(styled));
    }
    return out;
  }

  std::string FromNeutral(const std::vector<StyledLine>& lines) const override {
    std::string out;
    for (size_t k = 0; k < lines.size(); ++k) {
      if (k > 0) out += '|';
      const Style& s = lines[k].style;
      if (k == 0 && s.position > 0 && s.position != 2) out += PlacementMark(s.position);
      if (lines[k].text.empty()) continue;
      if (!s.color.empty()) {
        const unsigned char colour = ColourCode(s.color);
        if (colour != 7) out += ControlMark(colour);
      }
      if (s.italic) out += ControlMark(kItalicOn);
      if (s.underline) out += ControlMark(kUnderlineOn);
      out += lines[k].text;
      if (s.underline) out += ControlMark(kUnderlineOff);
      if (s.italic) out += ControlMark(kItalicOff);
    }
    return out;
  }
};

void AppendKept(std::string& out, unsigned char b, size_t& kept) {
  AppendUtf8(out, kKeptByte + b);
  ++kept;
}

}  // namespace

std::string ControlMark(unsigned char code) {
  std::string out;
  AppendUtf8(out, kControlBase + code);
  return out;
}

std::string PlacementMark(int position) {
  std::string out;
  AppendUtf8(out, kPlacementBase + static_cast<char32_t>(position));
  return out;
}

size_t EbuStlTagAt(std::string_view s, size_t i) { return CodeAt(s, i) >= 0 ? 3 : 0; }

const StyleDialect& TeletextDialect() {
  static const Dialect dialect;
  return dialect;
}

DecodedText DecodeTextField(std::string_view bytes, int table) {
  const CodeTable& t = Table(table);
  DecodedText out;
  std::string& text = out.text;
  text.reserve(bytes.size() + 16);
  // A break is written only after a row that shows something: rows of
  // nothing but control codes (a double-height row's second) run on into
  // the next.
  int rowChars = 0;
  size_t lastBreak = std::string::npos;
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == kUnused) continue;
    if (b == kBreak) {
      if (rowChars == 0) continue;
      out.longestRow = std::max(out.longestRow, rowChars);
      lastBreak = text.size();
      text += '|';
      rowChars = 0;
      continue;
    }
    if (IsControlByte(b)) {
      AppendUtf8(text, kControlBase + b);
      continue;
    }
    ++rowChars;
    char32_t c = 0;
    if (t.diacritics && b >= 0xC1 && b <= 0xCF && i + 1 < bytes.size()) {
      const unsigned char letter = static_cast<unsigned char>(bytes[i + 1]);
      if (letter < 0x80 && (c = t.pairs[b - 0xC0][letter])) ++i;
    }
    if (!c) c = t.single[b];
    if (!c) {
      AppendKept(text, b, out.keptBytes);
    } else if (c == U'|') {
      text += kLiteralBar;
    } else {
      AppendUtf8(text, c);
    }
  }
  out.longestRow = std::max(out.longestRow, rowChars);
  // A last row of nothing but control codes keeps them at the end of the
  // row before.
  if (rowChars == 0 && lastBreak != std::string::npos) text.erase(lastBreak, 1);
  return out;
}

std::optional<std::string> EncodeTextField(std::string_view text, int table, bool doubleBreaks,
                                           std::vector<std::string>* notHeld) {
  if (!IsValidUtf8(text)) return std::nullopt;
  const CodeTable& t = Table(table);
  std::string out;
  out.reserve(text.size() + 8);
  bool fits = true;
  auto put = [&](char32_t c, std::string_view shown) {
    const auto found = t.bytes.find(c);
    if (found == t.bytes.end()) {
      fits = false;
      if (notHeld && std::find(notHeld->begin(), notHeld->end(), shown) == notHeld->end()) notHeld->emplace_back(shown);
      return;
    }
    if (found->second > 0xFF) out += static_cast<char>(found->second >> 8);
    out += static_cast<char>(found->second & 0xFF);
  };
  for (size_t i = 0; i < text.size();) {
    const int code = CodeAt(text, i);
    if (code >= 0) {
      if (code < 0x100) out += static_cast<char>(code);
      i += 3;
      continue;
    }
    if (text[i] == '|') {
      out += static_cast<char>(kBreak);
      if (doubleBreaks) out += static_cast<char>(kBreak);
      ++i;
      continue;
    }
    if (text[i] == '\t') {
      out += ' ';
      ++i;
      continue;
    }
    const size_t from = i;
    const char32_t c = NextCodePoint(text, i);
    const std::string_view shown = text.substr(from, i - from);
    if (c >= kKeptByte && c <= kKeptByte + 0xFF) {
      out += static_cast<char>(c - kKeptByte);
    } else if (c == 0xFDD0) {  // kLiteralBar
      put(U'|', "|");
    } else if (c >= kFirstReference && c < kFirstReference + kReferences) {
      put(kReferenced[c - kFirstReference], shown);
    } else if (t.bytes.count(c)) {
      put(c, shown);
    } else if (t.diacritics && DiacriticFor(c) && !out.empty() && out.back() >= 'A' && out.back() <= 'z') {
      // A letter and a combining mark: the diacritic stands before it.
      const char letter = out.back();
      out.back() = static_cast<char>(DiacriticFor(c));
      out += letter;
    } else {
      put(c, shown);
    }
  }
  if (!fits) return std::nullopt;
  return out;
}

bool TableHolds(int table, std::string_view text) { return EncodeTextField(text, table, false).has_value(); }

std::string_view TableName(int table) {
  static constexpr std::string_view kNames[] = {"Latin", "Latin/Cyrillic", "Latin/Arabic", "Latin/Greek",
                                                "Latin/Hebrew"};
  return table >= 0 && table < 5 ? kNames[table] : "Latin";
}

}  // namespace lm
