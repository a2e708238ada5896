#include "formats/convert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "files/charset.h"
#include "files/text_file.h"
#include "model/entry.h"
#include "model/limits.h"
#include "model/text.h"

namespace lm {

namespace {
// A broken bar where the encoding has one; else a slash, which inside a
// line is no markup.
std::string BarStandIn(const Format& target, Encoding encoding) {
  if (target.BarIsText()) return std::string(kLiteralBar);
  constexpr std::string_view kBrokenBar = "\xC2\xA6";
  return CanHold(encoding, kBrokenBar) ? std::string(kBrokenBar) : "/";
}

// IsPlainText a byte at a time. Most entries are such text, and stay as
// they are.
bool IsPlainTextByBytes(std::string_view text) {
  static constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> special{};
    // Private use (teletext codes) starts with 0xEE, the literal bar and
    // other specials with 0xEF.
    for (const unsigned char c : {'<', '>', '{', '}', '[', ']', '\\', '&', '/', '\xEE', '\xEF'}) special[c] = true;
    return special;
  }();
  bool any = false;
  for (const char c : text) any |= kSpecial[static_cast<unsigned char>(c)];
  return !any;
}

}  // namespace

// Sixteen bytes at a time where the machine can: it runs over the text of
// every entry converted.
bool IsPlainText(std::string_view text) {
#if defined(__SSE2__)
  const char* p = text.data();
  const size_t n = text.size();
  if (n < 16) return IsPlainTextByBytes(text);
  const auto is = [](__m128i b, char c) { return _mm_cmpeq_epi8(b, _mm_set1_epi8(c)); };
  const auto with = [](__m128i b, char bits) { return _mm_or_si128(b, _mm_set1_epi8(bits)); };
  const auto special = [&](const char* at) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
    // Pairs a bit apart in one comparison each: "[" and "{" (0x20),
    // "]" and "}" (0x20), "<" and ">" (0x02), 0xEE and 0xEF (0x01).
    const __m128i lower = with(b, 0x20);
    const __m128i found =
        _mm_or_si128(_mm_or_si128(_mm_or_si128(is(lower, '{'), is(lower, '}')), is(with(b, 0x02), '>')),
                     _mm_or_si128(_mm_or_si128(is(b, '\\'), is(b, '&')), _mm_or_si128(is(b, '/'), is(with(b, 0x01), '\xEF'))));
    return _mm_movemask_epi8(found) != 0;
  };
  // The last block ends where the text does, over bytes already told.
  const char* const last = p + n - 16;
  for (; p < last; p += 16)
    if (special(p)) return false;
  return !special(last);
#else
  return IsPlainTextByBytes(text);
#endif
}

namespace {
// SplitFullEntry, walking the fields of a line that starts "{" and has an
// ASCII character behind its first "}" (nearly every line) rather than
// searching them: they are short. `digits`: the fields' values too, where
// both are 1 to 18 digits and nothing else (frame numbers as written), else
// nothing in `start`; the walk reads them on the way.
bool SplitFields(std::string_view line, EntryFields& f, bool digits, std::optional<int64_t>& start,
                 std::optional<int64_t>& stop) {
  const size_t n = line.size();
  if (n == 0 || n > static_cast<size_t>(kInt16Max) || line[0] != '{') return SplitFullEntry(line, f);
  const char* const s = line.data();
  // Unsigned: a field of other bytes makes a value that is not used.
  uint64_t a = 0, b = 0;
  bool onlyDigits = true;
  size_t p = 1;
  for (; p < n && s[p] != '}'; ++p) {
    const unsigned d = static_cast<unsigned char>(s[p]) - unsigned{'0'};
    onlyDigits &= d < 10;
    a = a * 10 + d;
  }
  if (p + 1 >= n || static_cast<unsigned char>(s[p + 1]) >= 0x80) return SplitFullEntry(line, f);
  size_t q = p + 2;
  for (; q < n && s[q] != '}'; ++q) {
    const unsigned d = static_cast<unsigned char>(s[q]) - unsigned{'0'};
    onlyDigits &= d < 10;
    b = b * 10 + d;
  }
  if (q >= n) return false;  // no second "}": SplitFullEntry finds none either
  f.hasStart = f.hasStop = true;
  f.start = std::string_view(s + 1, p - 1);
  f.stop = std::string_view(s + p + 2, q - p - 2);
  f.text = std::string_view(s + q + 1, n - q - 1);
  const auto length = [](std::string_view field) { return !field.empty() && field.size() <= 18; };
  if (digits && onlyDigits && length(f.start) && length(f.stop)) {
    start = static_cast<int64_t>(a);
    stop = static_cast<int64_t>(b);
  }
  return true;
}
}  // namespace

namespace {
// The milliseconds a frame lasts, where a whole rate divides a second in
// whole ones (25: 40); else 0. Frames below kExactFrames times 1000 are
// exact in a double, and so is their quotient by such a rate: rounded, as
// FramesToMilliseconds rounds it, it is the product.
constexpr int64_t kExactFrames = int64_t{1} << 42;
int64_t WholeMillisecondsPerFrame(double frameRate) {
  if (!(frameRate >= 1 && frameRate <= 1000) || frameRate != std::floor(frameRate)) return 0;
  const auto rate = static_cast<int64_t>(frameRate);
  return 1000 % rate == 0 ? 1000 / rate : 0;
}
}  // namespace

EntryConversion::EntryConversion(const TimeNotation& from, const TimeNotation& to, const StyleDialect& fromTags,
                                 const StyleDialect& toTags, std::string_view barStandIn)
    : from_(from),
      to_(to),
      fromTags_(fromTags),
      toTags_(toTags),
      barStandIn_(barStandIn),
      fromFrames_(from.InFrames()),
      toFrames_(to.InFrames()),
      fromFrameNumbers_(&from.Syntax() == &FrameNumbers()),
      msPerFrame_(WholeMillisecondsPerFrame(from.FrameRate())) {}

int64_t EntryConversion::Converted(int64_t units) const {
  if (fromFrames_ && !toFrames_ && msPerFrame_ != 0 && units < kExactFrames && units > -kExactFrames)
    return units * msPerFrame_;
  if (fromFrames_ == toFrames_) return units;
  const int64_t ms = fromFrames_ ? FramesToMilliseconds(units, from_.FrameRate()) : units;
  return toFrames_ ? MillisecondsToFrames(ms, to_.FrameRate()) : ms;
}

char* EntryConversion::FieldInto(std::string_view field, const std::optional<int64_t>& units, char* out,
                                 size_t room) const {
  if (units) return to_.Syntax().FormatInto(Converted(*units), out, room);
  const std::string_view kept = TrimBlanks(field);  // kept as it is rather than lost
  if (kept.size() > room) return nullptr;
  std::memcpy(out, kept.data(), kept.size());
  return out + kept.size();
}

// "{" start "}{" stop "}" text, into `out` (its room kept from entry to
// entry): the fields written into a buffer of their own, the line made of
// it and the text at once.
void EntryConversion::Build(const EntryFields& f, const std::optional<int64_t>& start,
                            const std::optional<int64_t>& stop, std::string_view text, std::string& out) const {
  constexpr size_t kRoom = 64;
  char fields[2 * kRoom + 4];
  char* p = fields;
  *p++ = '{';
  if ((p = FieldInto(f.start, start, p, kRoom))) {
    *p++ = '}';
    *p++ = '{';
    p = FieldInto(f.stop, stop, p, kRoom);
  }
  if (p) {
    *p++ = '}';
    out.assign(fields, p);
  } else {
    // A field kept as it is that is longer than the room.
    const auto field = [&](std::string_view written, const std::optional<int64_t>& units) {
      return units ? to_.Format(Converted(*units)) : std::string(TrimBlanks(written));
    };
    out.assign("{").append(field(f.start, start)).append("}{").append(field(f.stop, stop)).append("}");
  }
  out += text;
}

void EntryConversion::Into(std::string_view line, bool* timed, Style* lost, std::string& out) const {
  EntryFields f;
  if (timed) *timed = true;
  std::optional<int64_t> start, stop;
  if (!SplitFields(line, f, fromFrameNumbers_, start, stop)) {
    out.assign(line);
    return;
  }
  if (!start) start = from_.Parse(f.start), stop = from_.Parse(f.stop);
  if (timed) *timed = start && stop;
  if (IsPlainText(f.text)) {
    if (lost) *lost = {};
    // The text is a view into `line`, which `out` is not.
    Build(f, start, stop, f.text, out);
    return;
  }
  const std::vector<StyledLine> neutral = fromTags_.ToNeutral(f.text);
  std::string text = toTags_.FromNeutral(neutral);
  if (lost) {
    *lost = {};
    // Read back as the target reads it: what is missing then was lost. Only
    // for styled entries, which are few.
    const bool styled = std::any_of(neutral.begin(), neutral.end(), [](const StyledLine& l) { return l.style.Any(); });
    if (styled) {
      const std::vector<StyledLine> kept = toTags_.ToNeutral(text);
      for (size_t i = 0; i < neutral.size(); ++i)
        lost->Add(neutral[i].style.LostIn(i < kept.size() ? kept[i].style : Style()));
    }
  }
  if (barStandIn_ != kLiteralBar && text.find(kLiteralBar) != std::string::npos) {
    std::string shown;
    for (size_t i = 0;;) {
      const size_t at = text.find(kLiteralBar, i);
      shown.append(text, i, at == std::string::npos ? std::string::npos : at - i);
      if (at == std::string::npos) break;
      shown += barStandIn_;
      i = at + kLiteralBar.size();
    }
    text = std::move(shown);
  }
  Build(f, start, stop, text, out);
}

std::string ConvertEntry(std::string_view line, const TimeNotation& from, const TimeNotation& to,
                         const StyleDialect& fromTags, const StyleDialect& toTags, std::string_view barStandIn,
                         bool* timed, Style* lost) {
  std::string out;
  EntryConversion(from, to, fromTags, toTags, barStandIn).Into(line, timed, lost, out);
  return out;
}

DocumentFeed::DocumentFeed(const Document& doc, const Format& target, Encoding encoding)
    : doc_(doc),
      from_(doc.ReadFormat()),
      to_(target),
      converted_(&from_ != &to_),
      fromTimes_(doc.Notation()),
      toTimes_(target.Times(), doc.Identity().frameRate),
      barStandIn_(BarStandIn(target, encoding)),
      conversion_(fromTimes_, toTimes_, from_.Dialect(), to_.Dialect(), barStandIn_) {}

const std::string* DocumentFeed::Line(int k) {
  if (between_) between_->Between();
  const std::string& line = doc_.List1.Item(k);
  if (!converted_) return &line;
  if (from_.IsHeaderEntry(k, line)) return nullptr;
  bool timed = true;
  Style lost;
  conversion_.Into(line, &timed, &lost, line_);
  if (!timed) untimed_.push_back(k);
  if (lost.Any()) {
    ++lostEntries_;
    lost_.Add(lost);
  }
  return &line_;
}

}  // namespace lm
