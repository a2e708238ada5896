#include "formats/microdvd/microdvd.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include "model/entry.h"
#include "model/file_identity.h"
#include "model/limits.h"
#include "model/markup.h"
#include "model/text.h"

namespace lm {

namespace {

// A tag's value holds at most 64 characters; the bound in bytes (four a
// UTF-8 character at most) ends the search for a runaway brace's "}".
constexpr size_t kMaxTagValue = 64;
constexpr size_t kMaxTagValueBytes = 4 * kMaxTagValue;
// "{", the letter, ":", the value, "}".
constexpr size_t kLongestTag = 3 + kMaxTagValueBytes + 1;
constexpr std::string_view kItalicTag = "{y:i}";

bool IsControlLetter(char c) {
  switch (c) {
    case 'y':
    case 'Y':
    case 'c':
    case 'C':
    case 'f':
    case 'F':
    case 's':
    case 'S':
    case 'p':
    case 'P':
    case 'h':
    case 'H':
      return true;
    default:
      return false;
  }
}

class Dialect final : public StyleDialect {
 public:
  Dialect() : StyleDialect("{", true, true, kLongestTag) {}

  size_t TagAt(std::string_view s, size_t i) const override { return MicroDvdTagAt(s, i); }
  bool StylesEntry(std::string_view tag) const override { return tag[1] >= 'A' && tag[1] <= 'Z'; }
  std::string_view SlashTag() const override { return kItalicTag; }

  void Apply(std::string_view tag, Style& style) const override {
    const char letter = static_cast<char>(std::tolower(static_cast<unsigned char>(tag[1])));
    const std::string_view value = tag.substr(3, tag.size() - 4);
    if (letter == 'y') {
      for (char c : value) {
        const char v = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        style.italic |= v == 'i';
        style.bold |= v == 'b';
        style.underline |= v == 'u';
        style.strike |= v == 's';
      }
    } else if (letter == 'c' && value.size() == 7 && value[0] == '$') {
      // Colours are written blue, green, red.
      style.color = std::string(value.substr(5, 2)) + std::string(value.substr(3, 2)) + std::string(value.substr(1, 2));
    } else if (letter == 'f' && !value.empty()) {
      style.font = std::string(value);
    } else if (letter == 's') {
      int size = 0;
      for (char c : value) {
        if (c < '0' || c > '9' || size > 999) return;
        size = size * 10 + (c - '0');
      }
      style.size = size;
    }
  }

  bool HasItalicTags(std::string_view text) const override { return text.find(kItalicTag) != std::string_view::npos; }

  // Cuts every "{y:i}" met while testing the first L - 5 positions of the
  // text (L its length in characters before the walk; the bound is not
  // recomputed). After a cut the test goes on one position further in the
  // shortened text, so a tag at the very end, or one that moves onto the
  // position just tested, stays. Built in one pass: erasing in place would
  // be quadratic in the tags.
  int CutItalicTags(std::string& text) const override {
    if (text.find(kItalicTag) == std::string::npos) return 0;
    const int bound = CharCount(text) - static_cast<int>(kItalicTag.size());
    const size_t n = text.size();
    std::string out;
    out.reserve(n);
    size_t read = 0;
    int cuts = 0;
    for (int tested = 0; tested < bound && read < n; ++tested) {
      if (text.compare(read, kItalicTag.size(), kItalicTag) == 0) {
        read += kItalicTag.size();
        ++cuts;
        if (read >= n) break;
      }
      out += NextChar(text, read);
    }
    out.append(text, read, std::string::npos);
    text = std::move(out);
    return cuts;
  }

  // Each screen line's style is that of the markup starting it, with the
  // entry's own; tags inside a line have no neutral form.
  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    const Style entry = PrefixStyle(text.substr(0, LinePrefixAt(text, 0, *this)), true);
    std::vector<StyledLine> out;
    for (const std::string_view line : ScreenLines(text)) {
      const size_t prefix = LinePrefixAt(line, 0, *this);
      StyledLine styled{PrefixStyle(line.substr(0, prefix), false), {}};
      styled.style.Add(entry);
      styled.text.reserve(line.size() - prefix);
      // The runs between tags, a run at a time.
      for (size_t i = prefix; i < line.size();) {
        const size_t brace = line.find('{', i);
        styled.text.append(line.substr(i, brace == std::string_view::npos ? std::string_view::npos : brace - i));
        if (brace == std::string_view::npos) break;
        const size_t t = MicroDvdTagAt(line, brace);
        if (t == 0) styled.text += '{';
        i = brace + (t ? t : 1);
      }
      out.push_back(std::move(styled));
    }
    return out;
  }

  std::string FromNeutral(const std::vector<StyledLine>& lines) const override {
    std::string out;
    for (size_t k = 0; k < lines.size(); ++k) {
      if (k > 0) out += '|';
      if (!lines[k].text.empty()) out += Open(lines[k].style) + lines[k].text;
    }
    return out;
  }

 private:
  // The markup starting a line or the entry (`entryOnly`), as a style.
  Style PrefixStyle(std::string_view prefix, bool entryOnly) const {
    Style style;
    for (size_t i = 0; i < prefix.size();) {
      if (const size_t t = MicroDvdTagAt(prefix, i)) {
        if (!entryOnly || StylesEntry(prefix.substr(i, t))) Apply(prefix.substr(i, t), style);
        i += t;
      } else {
        if (!entryOnly) style.italic = true;  // the "/"
        ++i;
      }
    }
    return style;
  }

  static std::string Open(const Style& s) {
    std::string out;
    std::string y;
    for (auto [on, v] : {std::pair{s.italic, 'i'}, {s.bold, 'b'}, {s.underline, 'u'}, {s.strike, 's'}}) {
      if (!on) continue;
      if (!y.empty()) y += ',';
      y += v;
    }
    if (!y.empty()) out += "{y:" + y + "}";
    if (s.color.size() == 6) out += "{c:$" + s.color.substr(4, 2) + s.color.substr(2, 2) + s.color.substr(0, 2) + "}";
    if (!s.font.empty() && s.font.size() <= kMaxTagValueBytes && CharCount(s.font) <= static_cast<int>(kMaxTagValue) &&
        s.font.find_first_of("{}|") == std::string::npos)
      out += "{f:" + s.font + "}";
    if (s.size > 0) out += "{s:" + std::to_string(s.size) + "}";
    return out;
  }
};

const Dialect& TheDialect() {
  static const Dialect dialect;
  return dialect;
}

bool IsFrameBased(const std::vector<std::string_view>& lines) {
  const size_t n = lines.size();
  size_t entries = 0;
  for (size_t i = 0; i < n; ++i) {
    if (LooksLikeFrameEntry(lines[i]) && ++entries * 2 >= n) return true;
    // The lines left could not make half of them entries any more.
    if ((entries + (n - i - 1)) * 2 < n) return false;
  }
  return entries * 2 >= n;
}

class MicroDvdFormat final : public Format {
 public:
  std::string_view Id() const override { return "sub"; }
  std::string_view Name() const override { return "frame-based"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  // File managers take some of these files for SubViewer.
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return FrameNumbers(); }
  const StyleDialect& Dialect() const override { return TheDialect(); }
  bool BarIsText() const override { return false; }
  // The 8-bit code page of the files this format comes in.
  Encoding PlainTextEncoding() const override { return Encoding::Windows1252; }
  // Its line end.
  size_t BytesAroundEntry() const override { return 2; }

  // Frame-based text: at least half of the non-empty lines are entries. A
  // real file with a header, a corrupt frame or a few stray lines passes;
  // other subtitles and other text do not. The score, the share of entries
  // among the first lines, weighs it against another format that is sure
  // too (another format's cues whose text lines have the shape of entries).
  Fit Probe(const std::vector<std::string_view>& lines) const override {
    if (!IsFrameBased(lines)) return {};
    return ProbeHead(lines);
  }
  // Whether half of the lines are entries is told by all of them.
  bool ProbesEveryLine() const override { return true; }
  Fit ProbeHead(const std::vector<std::string_view>& lines) const override {
    constexpr size_t kSample = 400;
    const size_t sample = std::min(lines.size(), kSample);
    size_t entries = 0;
    for (size_t i = 0; i < sample; ++i) entries += LooksLikeFrameEntry(lines[i]) ? 1 : 0;
    return {sample == 0 ? 1.0 : static_cast<double>(entries) / static_cast<double>(sample), true};
  }

  // Each non-empty line is an entry; the lines are counted, empty ones too.
  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    if (lines.size() > static_cast<size_t>(kInt16Max)) return false;
    out.entries.reserve(lines.size());
    out.firstLines.reserve(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].empty()) continue;
      out.entries.emplace_back(lines[i]);
      out.firstLines.push_back(static_cast<std::uint32_t>(i + 1));
    }
    if (!out.entries.empty()) out.frameRate = FrameRateEntry(out.entries.front());
    return true;
  }

  void Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const override {
    if (entries.Converted()) emit("{1}{1}" + FormatFrameRate(identity.frameRate));
    const int count = entries.Count();
    std::string* const text = emit.Text();
    if (!text) {
      for (int k = 0; k < count; ++k)
        if (const std::string* line = entries.Line(k)) emit(*line);
      return;
    }
    // Each line appended as emitting it would, without a call for each.
    const std::string_view end = emit.End();
    for (int k = 0; k < count; ++k) {
      if (const std::string* line = entries.Line(k)) {
        text->append(*line);
        for (const char c : end) text->push_back(c);
      }
    }
  }

  bool IsHeaderEntry(int index, std::string_view line) const override {
    return index == 0 && FrameRateEntry(line).has_value();
  }

 private:
  const std::vector<std::string_view> extensions_{"sub"};
  const std::vector<std::string_view> mimeTypes_{"text/x-microdvd"};
};

}  // namespace

const Format& MicroDvd() {
  static const MicroDvdFormat format;
  return format;
}

size_t MicroDvdTagAt(std::string_view s, size_t i) {
  // The characters that end a tag's value: its "}", or one a tag never holds.
  static constexpr std::array<bool, 256> kEnds = [] {
    std::array<bool, 256> ends{};
    for (unsigned char c : {'}', '{', '|', '\r', '\n'}) ends[c] = true;
    return ends;
  }();
  const size_t n = s.size();
  if (i + 3 >= n || s[i] != '{' || s[i + 2] != ':' || !IsControlLetter(s[i + 1])) return 0;
  const size_t end = std::min(n, i + kLongestTag);
  size_t chars = 0;
  for (size_t j = i + 3; j < end; ++j) {
    const unsigned char c = static_cast<unsigned char>(s[j]);
    if (kEnds[c]) return c == '}' ? j - i + 1 : 0;
    if ((c & 0xC0) != 0x80 && ++chars > kMaxTagValue) return 0;
  }
  return 0;
}

bool LooksLikeFrameEntry(std::string_view line) {
  // Run on every line of every file read: a plain scan, the fields are short.
  const char* p = line.data();
  const char* const end = p + line.size();
  if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) p += kByteOrderMark.size();
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  if (p == end || *p++ != '{') return false;
  while (p < end && *p != '}') ++p;
  if (end - p < 2 || p[1] != '{') return false;
  for (p += 2; p < end; ++p)
    if (*p == '}') return true;
  return false;
}

std::optional<double> FrameRateEntry(std::string_view line) {
  EntryFields f;
  if (!SplitFullEntry(line, f) || ParseFrameNumber(f.start) != 1 || ParseFrameNumber(f.stop) != 1) return std::nullopt;
  return ParseFrameRate(f.text);
}

}  // namespace lm
