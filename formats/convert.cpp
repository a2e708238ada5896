#include "formats/convert.h"

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "files/charset.h"
#include "model/entry.h"
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
  const char* const end = p + text.size();
  const auto is = [](__m128i b, char c) { return _mm_cmpeq_epi8(b, _mm_set1_epi8(c)); };
  for (; end - p >= 16; p += 16) {
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i special = _mm_or_si128(
        _mm_or_si128(_mm_or_si128(_mm_or_si128(is(b, '<'), is(b, '>')), _mm_or_si128(is(b, '{'), is(b, '}'))),
                     _mm_or_si128(_mm_or_si128(is(b, '['), is(b, ']')), _mm_or_si128(is(b, '\\'), is(b, '&')))),
        _mm_or_si128(is(b, '/'), is(_mm_and_si128(b, _mm_set1_epi8('\xFE')), '\xEE')));
    if (_mm_movemask_epi8(special) != 0) return false;
  }
  return IsPlainTextByBytes(std::string_view(p, static_cast<size_t>(end - p)));
#else
  return IsPlainTextByBytes(text);
#endif
}

namespace {
std::string ConvertField(std::string_view field, const std::optional<int64_t>& units, const TimeNotation& from,
                         const TimeNotation& to) {
  if (!units) return std::string(TrimBlanks(field));  // kept as it is rather than lost
  if (from.InFrames() == to.InFrames()) return to.Format(*units);
  return to.Format(to.FromMilliseconds(from.ToMilliseconds(*units)));
}

// "{" start "}{" stop "}" text, into `out` (its room kept from entry to entry).
void BuildInto(std::string& out, std::string_view start, std::string_view stop, std::string_view text) {
  out.clear();
  out.reserve(start.size() + stop.size() + text.size() + 4);
  out += '{';
  out += start;
  out += "}{";
  out += stop;
  out += '}';
  out += text;
}

// ConvertEntry, into `out`.
void ConvertEntryInto(std::string_view line, const TimeNotation& from, const TimeNotation& to,
                      const StyleDialect& fromTags, const StyleDialect& toTags, std::string_view barStandIn,
                      bool* timed, Style* lost, std::string& out) {
  EntryFields f;
  if (timed) *timed = true;
  if (!SplitFullEntry(line, f)) {
    out.assign(line);
    return;
  }
  const std::optional<int64_t> start = from.Parse(f.start), stop = from.Parse(f.stop);
  if (timed) *timed = start && stop;
  if (IsPlainText(f.text)) {
    if (lost) *lost = {};
    // The text is a view into `line`, which `out` is not.
    BuildInto(out, ConvertField(f.start, start, from, to), ConvertField(f.stop, stop, from, to), f.text);
    return;
  }
  const std::vector<StyledLine> neutral = fromTags.ToNeutral(f.text);
  std::string text = toTags.FromNeutral(neutral);
  if (lost) {
    *lost = {};
    // Read back as the target reads it: what is missing then was lost. Only
    // for styled entries, which are few.
    const bool styled = std::any_of(neutral.begin(), neutral.end(), [](const StyledLine& l) { return l.style.Any(); });
    if (styled) {
      const std::vector<StyledLine> kept = toTags.ToNeutral(text);
      for (size_t i = 0; i < neutral.size(); ++i)
        lost->Add(neutral[i].style.LostIn(i < kept.size() ? kept[i].style : Style()));
    }
  }
  if (barStandIn != kLiteralBar && text.find(kLiteralBar) != std::string::npos) {
    std::string shown;
    for (size_t i = 0;;) {
      const size_t at = text.find(kLiteralBar, i);
      shown.append(text, i, at == std::string::npos ? std::string::npos : at - i);
      if (at == std::string::npos) break;
      shown += barStandIn;
      i = at + kLiteralBar.size();
    }
    text = std::move(shown);
  }
  BuildInto(out, ConvertField(f.start, start, from, to), ConvertField(f.stop, stop, from, to), text);
}
}  // namespace

std::string ConvertEntry(std::string_view line, const TimeNotation& from, const TimeNotation& to,
                         const StyleDialect& fromTags, const StyleDialect& toTags, std::string_view barStandIn,
                         bool* timed, Style* lost) {
  std::string out;
  ConvertEntryInto(line, from, to, fromTags, toTags, barStandIn, timed, lost, out);
  return out;
}

DocumentFeed::DocumentFeed(const Document& doc, const Format& target, Encoding encoding)
    : doc_(doc),
      from_(doc.ReadFormat()),
      to_(target),
      converted_(&from_ != &to_),
      fromTimes_(doc.Notation()),
      toTimes_(target.Times(), doc.Identity().frameRate),
      barStandIn_(BarStandIn(target, encoding)) {}

const std::string* DocumentFeed::Line(int k) {
  const std::string& line = doc_.List1.Item(k);
  if (!converted_) return &line;
  if (from_.IsHeaderEntry(k, line)) return nullptr;
  bool timed = true;
  Style lost;
  ConvertEntryInto(line, fromTimes_, toTimes_, from_.Dialect(), to_.Dialect(), barStandIn_, &timed, &lost, line_);
  if (!timed) untimed_.push_back(k);
  if (lost.Any()) {
    ++lostEntries_;
    lost_.Add(lost);
  }
  return &line_;
}

}  // namespace lm
