#include "formats/subrip/subrip.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "formats/scan.h"
#include "model/entry.h"
#include "model/file_identity.h"
#include "model/limits.h"
#include "model/markup.h"
#include "model/text.h"

namespace lm {

namespace {

// Room in `out` for the entries of `cues` cues.
void ReserveCues(ReadEntries& out, size_t cues) {
  out.entries.reserve(cues);
  out.firstLines.reserve(cues);
  out.shapes.reserve(cues);
}

// A cue's number as nearly every file writes it: digits alone.
bool IsBareNumber(std::string_view line) {
  if (line.empty() || line.size() >= 10) return false;
  for (const char c : line)
    if (c < '0' || c > '9') return false;
  return true;
}

// A cue's number (its byte order mark already taken off), blanks around.
bool IsNumber(std::string_view line) { return IsBareNumber(TrimBlanks(line)); }

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

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A font tag's colour as "RRGGBB", from "#RRGGBB"; empty for anything else
// ("#FF{0}0"), which is no colour.
std::string ColorOf(std::string_view value) {
  value = TrimBlanks(value);
  if (value.size() != 7 || value[0] != '#' || !std::all_of(value.begin() + 1, value.end(), IsHexDigit)) return {};
  return std::string(value.substr(1));
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
      style.color = ColorOf(Attribute(tag, "color"));
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
    return CutTags(text, [](std::string_view s, size_t i) {
      const size_t t = SubRipTagAt(s, i);
      return t > 0 && IsItalicTag(s.substr(i, t)) ? t : 0;
    });
  }

  // A span holds nothing when only blanks, line breaks, overrides and
  // spans that hold nothing stand between its tags: its two tags go, what
  // they held stays (a blank may part two words). One pass, the cuts
  // collected and made at the end.
  std::string WithoutEmptySpans(std::string_view text) const override {
    if (text.find('<') == std::string_view::npos) return std::string(text);
    return WithoutEmptyNamedSpans(text, [](std::string_view s, size_t i) {
      SpanTag tag;
      tag.length = SubRipTagAt(s, i);
      if (tag.length > 0 && s[i] == '<') {
        tag.span = true;
        tag.closing = s[i + 1] == '/';
        tag.name = LowerName(s.substr(i, tag.length));
      }
      return tag;
    });
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
  std::optional<int64_t> Parse(std::string_view field) const override { return ParseSubRipTime(field); }
  std::string Format(int64_t units) const override { return FormatSubRipTime(units); }
  char* FormatInto(int64_t units, char* out, size_t room) const override {
    return room >= kMostSubRipTimeChars ? FormatSubRipTimeTo(out, units) : TimeSyntax::FormatInto(units, out, room);
  }
};

const Times& TheTimes() {
  static const Times times;
  return times;
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

#if defined(__SSE2__)
// Whether each of the sixteen bytes at `p` lies between the bytes at its
// place in `low` and `high`.
inline bool BytesWithin(const char* p, const char (&low)[16], const char (&high)[16]) {
  const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(low));
  const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(high));
  const __m128i ok = _mm_and_si128(_mm_cmpeq_epi8(_mm_max_epu8(v, lo), v), _mm_cmpeq_epi8(_mm_min_epu8(v, hi), v));
  return _mm_movemask_epi8(ok) == 0xFFFF;
}
#endif

// Whether an entry line starts "{HH:MM:SS,mmm}{HH:MM:SS,mmm}".
bool StartsWithWrittenFields(std::string_view line) {
#if defined(__SSE2__)
  // Bytes 0-15, then 12-27.
  static constexpr char kLowA[16] = {'{', '0', '0', ':', '0', '0', ':', '0', '0', ',', '0', '0', '0', '}', '{', '0'};
  static constexpr char kHighA[16] = {'{', '9', '9', ':', '5', '9', ':', '5', '9', ',', '9', '9', '9', '}', '{', '9'};
  static constexpr char kLowB[16] = {'0', '}', '{', '0', '0', ':', '0', '0', ':', '0', '0', ',', '0', '0', '0', '}'};
  static constexpr char kHighB[16] = {'9', '}', '{', '9', '9', ':', '5', '9', ':', '5', '9', ',', '9', '9', '9', '}'};
  return line.size() >= 28 && BytesWithin(line.data(), kLowA, kHighA) && BytesWithin(line.data() + 12, kLowB, kHighB);
#else
  return line.size() >= 28 && line[0] == '{' && line[13] == '}' && line[14] == '{' && line[27] == '}' &&
         IsWrittenTime(line.substr(1, 12)) && IsWrittenTime(line.substr(15, 12));
#endif
}

// The fields of an entry line whose times are both as the writer writes
// them, "{HH:MM:SS,mmm}{HH:MM:SS,mmm}text": as SplitFullEntry cuts it, told
// at fixed places.
bool WrittenFields(std::string_view line, EntryFields& f) {
  if (line.size() > static_cast<size_t>(kInt16Max) || !StartsWithWrittenFields(line)) return false;
  f.hasStart = f.hasStop = true;
  f.start = line.substr(1, 12);
  f.stop = line.substr(15, 12);
  f.text = line.substr(28);
  return true;
}

// The places of `separator` in `text`, the screen lines' breaks, into `at`
// (room for `most`): how many; -1 when there are more, or, `noMark`, when
// the text may hold a literal bar (a byte 0xEF). One pass, sixteen bytes at
// a time where the machine can: it runs over the text of every cue written
// whole.
template <char separator, bool noMark>
[[gnu::always_inline]] inline int BreaksIn(std::string_view text, uint32_t* at, int most) {
  const char* const s = text.data();
  const size_t n = text.size();
  int count = 0;
  size_t i = 0;
  // A mark looked for only where it matters.
  constexpr char mark = noMark ? kLiteralBar[0] : separator;
#if defined(__SSE2__)
  const auto take = [&](unsigned mask, size_t base) {
    for (; mask != 0; mask &= mask - 1) {
      if (count == most) return false;
      at[count++] = static_cast<uint32_t>(base + static_cast<size_t>(__builtin_ctz(mask)));
    }
    return true;
  };
  const __m128i breaks = _mm_set1_epi8(separator), marks = _mm_set1_epi8(mark);
  const auto block = [&](size_t from, unsigned& found) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + from));
    found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, breaks)));
    if constexpr (noMark) return _mm_movemask_epi8(_mm_cmpeq_epi8(b, marks)) == 0;
    return true;
  };
  unsigned found;
  for (; i + 16 <= n; i += 16)
    if (!block(i, found) || !take(found, i)) return -1;
  if (i < n && n >= 16) {
    // The last block ends where the text does; the bytes it shares with
    // the one before are told already.
    if (!block(n - 16, found) || !take(found >> (i - (n - 16)), i)) return -1;
    i = n;
  }
#endif
  for (; i < n; ++i) {
    if (s[i] == separator) {
      if (count == most) return -1;
      at[count++] = static_cast<uint32_t>(i);
    } else if (s[i] == mark) {
      return -1;
    }
  }
  return count;
}

// The cues' numbers as text, counted up a digit at a time rather than
// written out for every cue.
class CueNumbers {
 public:
  // The number the next cue takes.
  std::string_view Next() const { return {text_ + kRoom - size_, static_cast<size_t>(size_)}; }
  // The next number is taken: the one after it is next.
  void Take() {
    int i = kRoom - 1;
    while (i >= kRoom - size_ && text_[i] == '9') text_[i--] = '0';
    if (i >= kRoom - size_) {
      ++text_[i];
    } else {
      text_[i] = '1';
      ++size_;
    }
  }

 private:
  static constexpr int kRoom = 12;  // more digits than an int has
  char text_[kRoom] = {'0', '0', '0', '0', '0', '0', '0', '0', '0', '0', '0', '1'};
  int size_ = 1;
};

// A cue appended to a file's text whole: its number, its timing line
// (`timingSize` bytes, written by `timing`), the screen lines of `text`
// split at `separator` without those of nothing but blanks, each line ended
// with `end`, and a blank line after it (`blankAfter`). What the cue's
// lines would be, emitted one by one. False, with nothing appended, for
// text split at "|" that may hold a literal bar, or text too long for the
// cue's buffer: such a cue is emitted line by line.
template <char separator, typename Timing>
bool AppendCue(std::string& out, std::string_view end, std::string_view number, size_t timingSize,
               const Timing& timing, std::string_view text, bool blankAfter) {
  constexpr size_t kRoom = 512;
  constexpr int kMostBreaks = 64;
  // The text, a line end for each break and the lines around it.
  if (timingSize + text.size() * (1 + end.size()) + 64 > kRoom || end.empty() || end.size() > 2) return false;
  uint32_t breaks[kMostBreaks];
  const int count = BreaksIn<separator, separator == '|'>(text, breaks, kMostBreaks);
  if (count < 0) return false;
  char buffer[kRoom];
  std::memcpy(buffer, number.data(), number.size());
  char* p = buffer + number.size();
  // Line ends of a fixed size, copied without a call.
  const char ends[2] = {end[0], end.size() > 1 ? end[1] : '\0'};
  const size_t endSize = end.size();
  const auto putEnd = [&] {
    std::memcpy(p, ends, 2);
    p += endSize;
  };
  putEnd();
  p = timing(p);
  putEnd();
  size_t from = 0;
  for (int k = 0; k <= count; ++k) {
    const size_t to = k < count ? breaks[k] : text.size();
    const std::string_view piece = text.substr(from, to - from);
    if (!IsBlankLine(piece)) {
      std::memcpy(p, piece.data(), piece.size());
      p += piece.size();
      putEnd();
    }
    from = to + 1;
  }
  if (blankAfter) putEnd();
  out.append(buffer, static_cast<size_t>(p - buffer));
  return true;
}

// A timing line as it stands, for AppendCue.
struct TimingAsRead {
  std::string_view line;
  char* operator()(char* p) const {
    std::memcpy(p, line.data(), line.size());
    return p + line.size();
  }
};

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

  Fit Probe(const std::vector<std::string_view>& lines) const override { return ProbeCues(lines); }

  bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const override {
    ParseSubRip(lines, out);
    return out.entries.size() <= static_cast<size_t>(kInt16Max);
  }

  // At an empty line the reader is between cues: what it carries on is
  // the sources' and the unread lines' count.
  std::unique_ptr<PieceReader> ReadInPieces(ReadEntries& out, size_t textBytes) const override {
    class Pieces final : public PieceReader {
     public:
      Pieces(ReadEntries& out, size_t textBytes) : out_(out) {
        // As many as the whole text's lines, some 24 bytes each, would have
        // room made for, room for the fix to divide entries into, but no
        // more than a document holds: room made is memory the system
        // clears once something near it is used.
        ReserveCues(out_, std::min(textBytes / 72, static_cast<size_t>(kInt16Max)));
      }
      bool Read(const std::vector<std::string_view>& lines, size_t firstLine, bool last) override {
        piece_.firstLine = firstLine;
        piece_.last = last;
        ParseSubRip(lines, out_, piece_);
        return out_.entries.size() <= static_cast<size_t>(kInt16Max);
      }

     private:
      ReadEntries& out_;
      SubRipPiece piece_;
    };
    return std::make_unique<Pieces>(out, textBytes);
  }

  // Cues numbered 1…n; an untouched cue from the bytes it was read from, a
  // cue whose text alone changed with its timing line, any other with its
  // times as "HH:MM:SS,mmm"; a converted document's times as its fields
  // give them. An entry without times (a line that could not be read, one
  // that supplies no fields, one whose times are no times) is written as
  // its bare line, numbered not, followed by a blank line unless it had
  // none in the file: it reads back as itself, a line that could not be
  // read.
  void Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const override {
    const bool converted = entries.Converted();
    CueNumbers number;
    const int last = entries.Count() - 1;
    std::string part, timingLine;  // their room kept from cue to cue
    auto emitShown = [&](std::string_view piece) {
      if (piece.find(kLiteralBar) == std::string_view::npos) return emit(piece);
      part = ShowLiteralBars(piece);
      emit(part);
    };
    auto emitText = [&](std::string_view text, char separator) {
      // A line of nothing but blanks would end the cue.
      for (size_t from = 0;;) {
        const size_t end = text.find(separator, from);
        const std::string_view piece =
            text.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
        if (!IsBlankLine(piece)) separator == '|' ? emitShown(piece) : emit(piece);
        if (end == std::string_view::npos) return;
        from = end + 1;
      }
    };
    std::string* const text = emit.Text();
    for (int k = 0; k <= last; ++k) {
      const std::string* entry = entries.Line(k);
      if (!entry) continue;
      const std::string& line = *entry;
      const bool blankAfter = k < last || identity.finalBlank;
      EntryFields f;
      // Times as this writer writes them are written as they stand, unread.
      const bool written = WrittenFields(line, f);
      const SourceCue* was = converted ? nullptr : entries.Cue(k);
      if (was && was->timing.empty()) was = nullptr;  // a line that could not be read, since rewritten
      if (written && !was && text) {
        // The times as WrittenFields found them, twelve bytes each, copied
        // at that size.
        const auto times = [&](char* p) {
          std::memcpy(p, f.start.data(), 12);
          std::memcpy(p + 12, " --> ", 5);
          std::memcpy(p + 17, f.stop.data(), 12);
          return p + 29;
        };
        if (AppendCue<'|'>(*text, emit.End(), number.Next(), 29, times, f.text, blankAfter)) {
          number.Take();
          continue;
        }
      }
      std::optional<int64_t> start, stop;
      if (written) {
        start = stop = 0;  // not asked for
      } else if (SplitFullEntry(line, f)) {
        start = ParseSubRipTime(f.start), stop = ParseSubRipTime(f.stop);
      }
      if (!start || !stop) {
        if (IsUnreadLine(line)) {
          emit(WithoutUnreadMark(line));
        } else if (!line.empty()) {
          emitShown(line);
        }
        // Lines that were no cue read back the same with or without blanks
        // between them: they keep the file's layout.
        const SourceCue* cue = converted ? nullptr : entries.Cue(k);
        if (blankAfter && !line.empty() && (!cue || cue->blankAfter)) emit({});
        continue;
      }
      // A cue as it was read, or its text alone changed: appended whole
      // where the sink takes that.
      const bool asRead = was && IsCueAsRead(*was, line);
      const std::string_view wasTiming = was ? std::string_view(was->timing) : std::string_view();
      const bool timingAsRead = was && !asRead &&
                                wasTiming.substr(was->startAt, was->startLength) == TrimBlanks(f.start) &&
                                wasTiming.substr(was->stopAt, was->stopLength) == TrimBlanks(f.stop);
      const TimingAsRead timing{wasTiming};
      if (text &&
          (asRead
               ? AppendCue<'\n'>(*text, emit.End(), number.Next(), wasTiming.size(), timing, was->text, blankAfter)
               : timingAsRead &&
                     AppendCue<'|'>(*text, emit.End(), number.Next(), wasTiming.size(), timing, f.text, blankAfter))) {
        number.Take();
        continue;
      }
      emit(number.Next());
      number.Take();
      if (asRead) {
        emit(was->timing);
        if (!was->text.empty()) emitText(was->text, '\n');
        if (blankAfter) emit({});
        continue;
      }
      if (timingAsRead) {
        emit(wasTiming);
      } else {
        // A time as written is its own format.
        const auto as = [](std::string_view field, int64_t ms) {
          return IsWrittenTime(field) ? std::string(field) : FormatSubRipTime(ms);
        };
        timingLine.assign(as(f.start, *start)).append(" --> ").append(as(f.stop, *stop));
        emit(timingLine);
      }
      emitText(f.text, '|');
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
  // The name ends the tag or a blank starts its attributes: "<i-am>" and
  // "<b2>" are text.
  if (j >= n || (s[j] != '>' && s[j] != ' ' && s[j] != '\t')) return 0;
  for (; j < n && j < i + kMaxTag; ++j) {
    if (s[j] == '>') return j - i + 1;
    if (s[j] == '<' || s[j] == '|') return 0;
  }
  return 0;
}

namespace {
// Text lines a cue is expected to have at most, for the probe: beyond them
// a timing line explains no more of the text.
constexpr int kCueTextLines = 8;

// The note on lines kept without being read: how many, and where the first
// stands, so that they can be found in the file.
}  // namespace

Fit ProbeCues(const std::vector<std::string_view>& lines) {
  const size_t sample = std::min(lines.size(), scan::kSampleLines);
  auto line = [&](size_t i) { return lines[i].substr(LeadingMark(lines[i], i == 0)); };
  auto timingAt = [&](size_t i) {
    std::string_view start, stop;
    return i < lines.size() && ParseTimingLine(line(i), start, stop);
  };
  size_t covered = 0, timings = 0;
  int sinceTiming = -1;  // text lines since the last timing line; -1: none yet
  bool next = sample > 0 && timingAt(0);
  for (size_t i = 0; i < sample; ++i) {
    const bool here = next;
    next = timingAt(i + 1);
    if (here) {
      ++covered;
      ++timings;
      sinceTiming = 0;
    } else if (next && IsNumber(line(i))) {
      ++covered;
    } else if (sinceTiming >= 0 && ++sinceTiming <= kCueTextLines) {
      ++covered;
    }
  }
  if (timings == 0) return {};
  return {static_cast<double>(covered) / static_cast<double>(sample), covered * 2 >= sample};
}

namespace {
// A timing line the writer would write as it is from the times alone.
bool IsWrittenTiming(std::string_view line, std::string_view start, std::string_view stop) {
  return line.size() == 29 && start.data() == line.data() && stop.data() == line.data() + 17 &&
         line.substr(12, 5) == " --> " && IsWrittenTime(start) && IsWrittenTime(stop);
}
}  // namespace

namespace {
// "HH:MM:SS,mmm --> HH:MM:SS,mmm" and nothing more: a timing line as the
// writer writes it, which ParseTimingLine takes at once. Told in two
// blocks of sixteen bytes where the machine can, each byte between the
// bounds its place allows.
bool IsWrittenTimingLine(std::string_view line) {
  if (line.size() != 29) return false;
#if defined(__SSE2__)
  // Bytes 0-15, then 13-28.
  static constexpr char kLowA[16] = {'0', '0', ':', '0', '0', ':', '0', '0', ',', '0', '0', '0', ' ', '-', '-', '>'};
  static constexpr char kHighA[16] = {'9', '9', ':', '5', '9', ':', '5', '9', ',', '9', '9', '9', ' ', '-', '-', '>'};
  static constexpr char kLowB[16] = {'-', '-', '>', ' ', '0', '0', ':', '0', '0', ':', '0', '0', ',', '0', '0', '0'};
  static constexpr char kHighB[16] = {'-', '-', '>', ' ', '9', '9', ':', '5', '9', ':', '5', '9', ',', '9', '9', '9'};
  return BytesWithin(line.data(), kLowA, kHighA) && BytesWithin(line.data() + 13, kLowB, kHighB);
#else
  return line.substr(12, 5) == " --> " && IsWrittenTime(line.substr(0, 12)) && IsWrittenTime(line.substr(17, 12));
#endif
}

// A line that is a cue's text and nothing else, told by its first byte: a
// letter, a tag, anything beyond ASCII but a mark's first byte. A blank, a
// digit or a sign may start a timing line or a number.
bool IsPlainlyText(std::string_view line) {
  if (line.empty()) return false;
  const auto c = static_cast<unsigned char>(line[0]);
  return c > ':' && c != 0xEF;
}

// Whether a line is a timing line, and its times, asked of the lines in
// order: every question is about this line or the next, so two slots hold
// each answer until it is asked for the last time.
class TimingLines {
 public:
  struct Timing {
    size_t at = static_cast<size_t>(-1);
    bool is = false;
    std::string_view line, start, stop;  // the line without its mark
  };
  // `first`: the lines start the file, so that its first may carry a mark.
  TimingLines(const std::vector<std::string_view>& lines, bool first) : lines_(lines), first_(first) {}

  const Timing& At(size_t i) {
    Timing& t = slots_[i & 1];
    if (t.at == i) return t;
    t.at = i;
    t.is = false;
    if (i >= lines_.size()) return t;
    t.line = Unmarked(i);
    // A timing line starts with its time, after blanks: a sign, a digit or
    // a separator. Text lines are passed over on their first byte.
    size_t k = 0;
    while (k < t.line.size() && (t.line[k] == ' ' || t.line[k] == '\t')) ++k;
    if (k == t.line.size()) return t;
    const char c = t.line[k];
    if ((c >= '0' && c <= '9') || c == '-' || c == ':' || c == ',' || c == '.')
      t.is = ParseTimingLine(t.line, t.start, t.stop);
    return t;
  }
  bool IsTiming(size_t i) { return At(i).is; }
  // A cue starts at a timing line, or at a number right before one.
  bool CueAt(size_t i) { return IsTiming(i) || (IsTiming(i + 1) && IsNumber(Unmarked(i))); }

  // The line without a byte order mark before it, which is no part of it.
  std::string_view Unmarked(size_t i) const {
    const std::string_view line = lines_[i];
    if (i == 0 && first_) return line.substr(LeadingMark(line, true));
    return !line.empty() && line[0] == '\xEF' ? line.substr(LeadingMark(line, false)) : line;
  }

 private:
  const std::vector<std::string_view>& lines_;
  const bool first_;
  Timing slots_[2];
};
}  // namespace

void ParseSubRip(const std::vector<std::string_view>& lines, ReadEntries& out) {
  out.entries.clear();
  out.sources.clear();
  out.firstLines.clear();
  out.shapes.clear();
  ReserveCues(out, std::min(lines.size() / 3, static_cast<size_t>(kInt16Max)));
  SubRipPiece whole;
  ParseSubRip(lines, out, whole);
}

void ParseSubRip(const std::vector<std::string_view>& lines, ReadEntries& out, SubRipPiece& piece) {
  const size_t n = lines.size();
  TimingLines timing(lines, piece.firstLine == 0);
  std::vector<std::string>& entries = out.entries;
  std::vector<SourceCue>& sources = out.sources;
  // The entry's shape is worked out while its bytes are in the cache.
  // `usual`: the entry's fields are the twelve bytes of each time of a
  // usual cue, which hold neither "-" nor "|", and times under 100 hours
  // whose middle is one.
  const auto add = [&](std::string&& entry, size_t firstLine, bool usual) {
    if (usual && entry.size() <= static_cast<size_t>(kInt16Max)) {
      out.shapes.push_back(ShapeOfFull(entry, 28, 0, 0, TheDialect()));
      out.shapes.back().halvable = true;
    } else {
      out.shapes.push_back(ShapeOf(entry, TheDialect()));
    }
    entries.push_back(std::move(entry));
    out.firstLines.push_back(static_cast<std::uint32_t>(piece.firstLine + firstLine));
  };
  // Most cues are written back from their entries alone, byte for byte:
  // sources are kept only from the first one that is not (those before it
  // as they would be written).
  const auto keep = [&](SourceCue&& cue) {
    if (sources.empty()) {
      sources.reserve(n / 3);
      sources.resize(entries.size());
    }
    sources.push_back(std::move(cue));
  };
  for (size_t i = 0; i < n;) {
    if (IsBlankLine(lines[i])) {
      ++i;
      continue;
    }
    // Nearly every cue is a number and a timing line as the writer
    // writes them: told without the lenient reading.
    const bool usual = i + 1 < n && IsBareNumber(lines[i]) && IsWrittenTimingLine(lines[i + 1]);
    if (!usual && !timing.CueAt(i)) {
      // No part of a cue: kept as it is, never glued to the cue before.
      std::string entry;
      entry.reserve(kUnreadLine.size() + lines[i].size());
      entry += kUnreadLine;
      entry += lines[i];
      const bool blankAfter = i + 1 >= n || IsBlankLine(lines[i + 1]);
      if (!blankAfter || !sources.empty()) {
        SourceCue cue;
        cue.blankAfter = blankAfter;
        keep(std::move(cue));
      }
      add(std::move(entry), i + 1, false);
      if (piece.unread++ == 0) piece.firstUnread = piece.firstLine + i + 1;
      ++i;
      continue;
    }
    const size_t t = usual || !timing.IsTiming(i) ? i + 1 : i;
    std::string_view line, start, stop;
    if (usual) {
      line = lines[t], start = line.substr(0, 12), stop = line.substr(17, 12);
    } else {
      const TimingLines::Timing& at = timing.At(t);
      line = at.line, start = at.start, stop = at.stop;
    }
    size_t j = t + 1;
    size_t room = start.size() + stop.size() + 4;
    bool plain = true;  // no "|", nor the first byte of a literal bar
    for (; j < n && (IsPlainlyText(lines[j]) || (!IsBlankLine(lines[j]) && !timing.CueAt(j))); ++j) {
      room += lines[j].size() + 1;
      plain = plain && !HoldsEither(lines[j], '|', kLiteralBar[0]);
    }
    const size_t end = j;
    std::string entry;
    // A literal-bar character in the text would be written back as "|":
    // such a cue keeps its text lines.
    bool literal = false;
    if (plain) {
      // The text lines as they are, put together where they fit on the
      // stack and copied once, else in the entry's room, zeroed first.
      constexpr size_t kOnStack = 512;
      char stack[kOnStack];
      if (room > kOnStack) entry.resize(room);
      char* const from = room > kOnStack ? entry.data() : stack;
      char* to = from;
      const auto put = [&](std::string_view piece) {
        std::memcpy(to, piece.data(), piece.size());
        to += piece.size();
      };
      *to++ = '{';
      put(start);
      put("}{");
      put(stop);
      *to++ = '}';
      for (j = t + 1; j < end; ++j) {
        if (j > t + 1) *to++ = '|';
        put(lines[j]);
      }
      const auto size = static_cast<size_t>(to - from);
      if (from == stack) {
        entry.assign(stack, size);
      } else {
        entry.resize(size);
      }
    } else {
      entry = BuildEntryLine(start, stop, {}, room);
      for (j = t + 1; j < end; ++j) {
        if (j > t + 1) entry += '|';
        AppendText(entry, lines[j]);
        literal = literal || lines[j].find(kLiteralBar) != std::string_view::npos;
      }
    }
    const bool needed = literal || (!usual && !IsWrittenTiming(line, start, stop));
    if (needed || !sources.empty()) {
      SourceCue cue;
      if (needed) {
        cue.timing = std::string(line);
        cue.startAt = static_cast<std::uint32_t>(start.data() - line.data());
        cue.startLength = static_cast<std::uint32_t>(start.size());
        cue.stopAt = static_cast<std::uint32_t>(stop.data() - line.data());
        cue.stopLength = static_cast<std::uint32_t>(stop.size());
      }
      if (literal) {
        for (size_t k = t + 1; k < end; ++k) {
          if (k > t + 1) cue.text += '\n';
          cue.text += lines[k];
        }
      }
      keep(std::move(cue));
    }
    add(std::move(entry), i + 1, usual);
    i = end;
  }
  if (!piece.last) return;
  out.finalBlank = n > 0 && IsBlankLine(lines.back());
  if (piece.unread > 0) out.notes.push_back(UnreadLinesNote(piece.unread, piece.firstUnread));
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
