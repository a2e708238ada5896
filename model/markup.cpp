#include "model/markup.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "model/text.h"

namespace lm {

namespace {

// The start of the screen line that holds byte `at`.
size_t LineStartOf(std::string_view s, size_t at, size_t textAt) {
  if (at <= textAt) return textAt;
  const void* bar = ::memrchr(s.data() + textAt, '|', at - textAt);
  return bar ? static_cast<size_t>(static_cast<const char*>(bar) - s.data()) + 1 : textAt;
}

bool IsTagStart(const StyleDialect& d, char c) { return d.TagStarts().find(c) != std::string_view::npos; }

// Of the markup that starts the line at byte `start`: the tags that style
// the whole entry (`entry`) or those that do not, and its "/" when `slash`,
// in their order.
std::string SelectPrefix(std::string_view s, size_t start, const StyleDialect& d, bool entry, bool slash) {
  std::string out;
  bool seenSlash = false;
  for (size_t j = start; j < s.size();) {
    if (const size_t t = d.TagAt(s, j)) {
      if (d.StylesEntry(s.substr(j, t)) == entry) out.append(s.data() + j, t);
      j += t;
    } else if (!seenSlash && d.SlashItalic() && s[j] == '/') {
      seenSlash = true;
      if (slash) out += '/';
      ++j;
    } else {
      break;
    }
  }
  return out;
}

size_t Find(std::string_view s, char c, size_t from, size_t to) {
  if (from >= to) return to;
  const void* p = std::memchr(s.data() + from, c, to - from);
  return p ? static_cast<size_t>(static_cast<const char*>(p) - s.data()) : to;
}

// Where markup may begin inside a line: one of the dialect's tag starts.
size_t FindTagStart(std::string_view s, size_t from, size_t to, const StyleDialect& d) {
  size_t best = to;
  for (const char c : d.TagStarts()) best = std::min(best, Find(s, c, from, best));
  return best;
}

// The markup that starts a line at byte `i`; `tags` counts its tags (each
// holds exactly one tag start).
size_t PrefixAt(std::string_view s, size_t i, int& tags, const StyleDialect& d) {
  size_t j = i;
  bool slash = false;
  while (j < s.size()) {
    if (const size_t t = d.TagAt(s, j)) {
      j += t;
      ++tags;
    } else if (s[j] == '/' && !slash && d.SlashItalic()) {
      slash = true;
      ++j;
    } else {
      break;
    }
  }
  return j - i;
}

// Calls mark(begin, end) for each stretch of markup of `text`, in order, and
// bar(at) for each line break. Markup starts a line or begins at a tag start
// inside one (a tag never holds a "|"), so a line is searched for tag starts
// only while some of the text's `braces` are not accounted for (-1: not
// known). `barAt` holds the offsets of the first `kept` breaks where they
// are known.
template <class Mark, class Bar>
void WalkMarkup(std::string_view text, int braces, const std::uint32_t* barAt, int kept, int bars,
                const StyleDialect& d, Mark mark, Bar bar) {
  const size_t n = text.size();
  for (int line = 0, start = 0;; ++line) {
    size_t i = static_cast<size_t>(start);
    int tags = 0;
    if (const size_t prefix = PrefixAt(text, i, tags, d)) {
      mark(i, i + prefix);
      i += prefix;
      if (braces > 0) braces -= tags;
    }
    const size_t lineEnd = line < kept ? barAt[line] : (bars >= 0 && line >= bars) ? n : Find(text, '|', i, n);
    for (size_t j = braces != 0 ? FindTagStart(text, i, lineEnd, d) : lineEnd; j < lineEnd;
         j = braces != 0 ? FindTagStart(text, j + 1, lineEnd, d) : lineEnd) {
      if (const size_t t = d.TagAt(text, j)) {
        mark(j, j + t);
        j += t - 1;
      }
      if (braces > 0) --braces;
    }
    if (lineEnd >= n) return;
    bar(lineEnd);
    start = static_cast<int>(lineEnd + 1);
  }
}

// The dialect's (one or two) tag starts, for the word-wise scans.
struct Starts {
  explicit Starts(const StyleDialect& d)
      : first(d.TagStarts().empty() ? '\0' : d.TagStarts()[0]),
        second(d.TagStarts().size() > 1 ? d.TagStarts()[1] : '\0') {}
  char first, second;  // '\0': none
};

}  // namespace

bool SlashStartsALine(std::string_view s) {
  if (s.empty()) return false;
  if (s[0] == '/') return true;
  for (size_t bar = s.find('|'); bar != std::string_view::npos; bar = s.find('|', bar + 1))
    if (bar + 1 < s.size() && s[bar + 1] == '/') return true;
  return false;
}

bool MayHoldMarkup(std::string_view s, const StyleDialect& d) {
  for (const char c : d.TagStarts())
    if (s.find(c) != std::string_view::npos) return true;
  return d.SlashItalic() && SlashStartsALine(s);
}

size_t LinePrefixAt(std::string_view s, size_t i, const StyleDialect& d) {
  int tags = 0;
  return PrefixAt(s, i, tags, d);
}

namespace {
#ifdef __SSE2__
// Sixteen bytes at a time; a text that does not end on a block ends with the
// last sixteen bytes, the lanes read before masked off. Shorter texts are
// left to the words.
template <int kStarts>
bool ScanBlocks(std::string_view text, char first, char second, TextFacts& f) {
  const size_t n = text.size();
  if (n < 16) return false;
  // 16 - k zero bytes, then ones: loaded from `kLanes + k`, the last k lanes.
  alignas(16) static constexpr char kLanes[32] = {0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
                                                  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
  const __m128i zero = _mm_setzero_si128(), dash = _mm_set1_epi8('-'), bar = _mm_set1_epi8('|');
  const __m128i firstStart = _mm_set1_epi8(first), secondStart = _mm_set1_epi8(second);
  const __m128i belowLead = _mm_set1_epi8(static_cast<char>(0xC0));  // signed: 0x80..0xBF are below it
  __m128i high = zero, dashLanes = zero, braceLanes = zero, moreLanes = zero;
  const auto flush = [&] {
    const auto sum = [&](__m128i lanes) {
      const __m128i s = _mm_sad_epu8(lanes, zero);
      return _mm_cvtsi128_si32(s) + _mm_extract_epi16(s, 4);
    };
    f.dashes += sum(dashLanes);
    f.braces += sum(braceLanes);
    f.continuations += sum(moreLanes);
    dashLanes = braceLanes = moreLanes = zero;
  };
  const auto block = [&](size_t at, __m128i lanes, unsigned laneBits) {
    const __m128i v = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at)), lanes);
    high = _mm_or_si128(high, v);
    dashLanes = _mm_sub_epi8(dashLanes, _mm_cmpeq_epi8(v, dash));
    if constexpr (kStarts >= 1) braceLanes = _mm_sub_epi8(braceLanes, _mm_cmpeq_epi8(v, firstStart));
    if constexpr (kStarts >= 2) braceLanes = _mm_sub_epi8(braceLanes, _mm_cmpeq_epi8(v, secondStart));
    moreLanes = _mm_sub_epi8(moreLanes, _mm_cmplt_epi8(v, belowLead));
    unsigned bars = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, bar))) & laneBits;
    for (; bars; bars &= bars - 1) {
      ++f.bars;
      if (f.kept < TextFacts::kBarsKept)
        f.barAt[f.kept++] = static_cast<std::uint32_t>(at + static_cast<size_t>(__builtin_ctz(bars)));
    }
  };
  const __m128i all = _mm_cmpeq_epi8(zero, zero);
  size_t at = 0;
  for (int inLanes = 0; at + 16 <= n; at += 16) {
    block(at, all, 0xFFFF);
    if (++inLanes == 255) {  // a byte lane holds at most 255
      flush();
      inLanes = 0;
    }
  }
  if (const size_t rest = n - at) {
    // Masked lanes are zero bytes, which match nothing counted.
    block(n - 16, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kLanes + rest)), 0xFFFFu << (16 - rest) & 0xFFFF);
  }
  flush();
  f.ascii = _mm_movemask_epi8(high) == 0;
  return true;
}
#endif

// Counts are summed in byte lanes, word after word, and added up at the
// end: no multiplication a word. A "/" is looked for only where a line
// starts (MayHoldMarkup). One instance for each number of tag starts, so
// that the loop over the words holds no test of its own.
template <int kStarts>
TextFacts Scan(std::string_view text, char first, char second) {
  TextFacts f;
#ifdef __SSE2__
  if (ScanBlocks<kStarts>(text, first, second, f)) return f;
#endif
  std::uint64_t high = 0, braceLanes = 0, dashLanes = 0, moreLanes = 0;
  size_t at = 0;
  ForEachWord(
      text,
      [&](std::uint64_t word) {
        high |= word;
        dashLanes += OnesWhere(word, '-');
        if constexpr (kStarts >= 1) braceLanes += OnesWhere(word, first);
        if constexpr (kStarts >= 2) braceLanes += OnesWhere(word, second);
        moreLanes += (word & ~(word << 1) & 0x8080808080808080ULL) >> 7;  // 10xxxxxx
        if (std::uint64_t bars = MatchMask(word, '|')) {
          f.bars += CountInWord(word, '|');
          for (; bars && f.kept < TextFacts::kBarsKept; bars &= bars - 1)
            f.barAt[f.kept++] = static_cast<std::uint32_t>(at + static_cast<size_t>(__builtin_ctzll(bars) / 8));
        }
        at += 8;
      },
      [&] {
        f.dashes += SumLanes(dashLanes);
        f.braces += SumLanes(braceLanes);
        f.continuations += SumLanes(moreLanes);
        dashLanes = braceLanes = moreLanes = 0;
      });
  f.ascii = (high & 0x8080808080808080ULL) == 0;
  return f;
}
}  // namespace

TextFacts ScanText(std::string_view text, const StyleDialect& d) {
  const Starts starts(d);
  if (starts.second) return Scan<2>(text, starts.first, starts.second);
  if (starts.first) return Scan<1>(text, starts.first, '\0');
  return Scan<0>(text, '\0', '\0');
}

bool MayHoldMarkup(std::string_view text, const TextFacts& f, const StyleDialect& d) {
  if (f.braces > 0) return true;
  if (text.empty() || !d.SlashItalic()) return false;
  if (text[0] == '/') return true;
  if (f.bars > f.kept) return SlashStartsALine(text);
  for (int k = 0; k < f.kept; ++k)
    if (f.barAt[k] + 1 < text.size() && text[f.barAt[k] + 1] == '/') return true;
  return false;
}

VisibleCounts CountVisible(std::string_view text, const TextFacts& facts, const StyleDialect& d) {
  VisibleCounts c;
  const bool ascii = facts.ascii;
  int markupChars = 0, markupDashes = 0;
  auto charsBefore = [&](size_t b) { return ascii ? static_cast<int>(b) : CharCount(text.substr(0, b)); };
  WalkMarkup(
      text, facts.braces, facts.barAt, facts.kept, facts.bars, d,
      [&](size_t b, size_t e) {
        markupChars += ascii ? static_cast<int>(e - b) : CharCount(text.substr(b, e - b));
        if (facts.dashes > 0)
          for (size_t k = b; k < e; ++k) markupDashes += text[k] == '-';
      },
      [&](size_t at) {
        ++c.bars;
        c.lastBar = charsBefore(at) - markupChars + 1;
        if (c.firstBar == 0) c.firstBar = c.lastBar;
      });
  c.chars = charsBefore(text.size()) - markupChars;
  c.dashes = facts.dashes - markupDashes;
  return c;
}

Visible::Visible(std::string_view s, size_t plainUpTo, const StyleDialect& d) : end_(s.size()) {
  plainUpTo = std::min(plainUpTo, s.size());
  const std::string_view text = s.substr(plainUpTo);
  // Most text has neither a tag start nor a "/" and is ASCII: one byte a
  // visible character, found in one quick pass.
  const Starts starts(d);
  const bool slashes = d.SlashItalic();
  bool anyHigh = false, anyTag = false, anySlash = false, scanned = false;
#ifdef __SSE2__
  if (text.size() >= 16) {
    // Sixteen bytes at a time, the last block ending where the text does;
    // a start the dialect lacks is the other one again, and what is
    // looked for in vain is not asked for at the end.
    const __m128i first = _mm_set1_epi8(starts.first);
    const __m128i second = _mm_set1_epi8(starts.second ? starts.second : starts.first);
    const __m128i slash = _mm_set1_epi8('/');
    __m128i high = _mm_setzero_si128(), tags = high, slashed = high;
    const auto block = [&](size_t at) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
      high = _mm_or_si128(high, v);
      tags = _mm_or_si128(tags, _mm_or_si128(_mm_cmpeq_epi8(v, first), _mm_cmpeq_epi8(v, second)));
      slashed = _mm_or_si128(slashed, _mm_cmpeq_epi8(v, slash));
    };
    for (size_t at = 0; at + 16 <= text.size(); at += 16) block(at);
    block(text.size() - 16);
    anyHigh = _mm_movemask_epi8(high) != 0;
    anyTag = starts.first && _mm_movemask_epi8(tags) != 0;
    anySlash = slashes && _mm_movemask_epi8(slashed) != 0;
    scanned = true;
  }
#endif
  if (!scanned) {
    std::uint64_t high = 0, tags = 0, slash = 0;
    ForEachWord(
        text,
        [&](std::uint64_t word) {
          high |= word;
          if (starts.first) tags |= AnyMatch(word, starts.first);
          if (starts.second) tags |= AnyMatch(word, starts.second);
          if (slashes) slash |= AnyMatch(word, '/');
        },
        [] {});
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    anyHigh = (high & kHigh) != 0;
    anyTag = (tags & kHigh) != 0;
    anySlash = (slash & kHigh) != 0;
  }
  const bool ascii = !anyHigh && (plainUpTo == 0 || IsAscii(s.substr(0, plainUpTo)));
  const bool marked = anyTag || (anySlash && SlashStartsALine(text));
  if (!marked && ascii) {
    mode_ = Mode::Identity;
    count_ = static_cast<int>(s.size());
    return;
  }
  stretches_ = stretchLocal_;
  const int room = static_cast<int>(sizeof stretchLocal_ / sizeof stretchLocal_[0]);
  size_t markupBytes = 0;
  if (marked) {
    WalkMarkup(
        text, anyTag ? -1 : 0, nullptr, 0, -1, d,
        [&](size_t b, size_t e) {
          if (stretchCount_ == room && stretches_ == stretchLocal_) {
            stretchHeap_.assign(stretchLocal_, stretchLocal_ + room);
            stretches_ = nullptr;
          }
          const Stretch stretch{static_cast<std::uint32_t>(plainUpTo + b), static_cast<std::uint32_t>(plainUpTo + e)};
          if (stretches_) {
            stretches_[stretchCount_] = stretch;
          } else {
            stretchHeap_.push_back(stretch);
          }
          ++stretchCount_;
          markupBytes += e - b;
        },
        [](size_t) {});
    if (!stretches_) stretches_ = stretchHeap_.data();
  }
  if (ascii) {
    mode_ = Mode::Stretches;
    count_ = static_cast<int>(s.size() - markupBytes);
    return;
  }
  mode_ = Mode::Table;
  // At most one start a byte, and the end.
  if (s.size() + 1 <= sizeof startLocal_ / sizeof startLocal_[0]) {
    starts_ = startLocal_;
  } else {
    startHeap_.resize(s.size() + 1);
    starts_ = startHeap_.data();
  }
  int n = 0;
  size_t i = 0;
  for (int k = 0; k <= stretchCount_; ++k) {
    const size_t gapEnd = k < stretchCount_ ? stretches_[k].begin : s.size();
#ifdef __SSE2__
    // Sixteen bytes of ASCII (nearly every block, even of accented text)
    // are sixteen starts in a row, stored at once.
    const __m128i belowLead = _mm_set1_epi8(static_cast<char>(0xC0));  // signed: 0x80..0xBF are below it
    const __m128i lanes = _mm_setr_epi32(0, 1, 2, 3), four = _mm_set1_epi32(4);
    for (; i + 16 <= gapEnd; i += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + i));
      if (_mm_movemask_epi8(_mm_cmplt_epi8(v, belowLead)) != 0) {
        // A continuation byte among them: a byte at a time, every place
        // written and kept only for a start.
        for (size_t j = i; j < i + 16; ++j) {
          starts_[n] = static_cast<std::uint32_t>(j);
          n += (static_cast<unsigned char>(s[j]) & 0xC0) != 0x80;
        }
        continue;
      }
      __m128i at = _mm_add_epi32(_mm_set1_epi32(static_cast<int>(i)), lanes);
      for (int q = 0; q < 4; ++q, at = _mm_add_epi32(at, four))
        _mm_storeu_si128(reinterpret_cast<__m128i*>(starts_ + n + 4 * q), at);
      n += 16;
    }
#endif
    for (; i < gapEnd; ++i) {
      starts_[n] = static_cast<std::uint32_t>(i);
      n += (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
    }
    if (k < stretchCount_) i = stretches_[k].end;
  }
  count_ = n;
  starts_[n] = static_cast<std::uint32_t>(s.size());
}

size_t Visible::ByteAcrossMarkup(int i) const {
  size_t b = static_cast<size_t>(i);
  for (int k = 0; k < stretchCount_ && stretches_[k].begin <= b; ++k) b += stretches_[k].end - stretches_[k].begin;
  return b;
}

int Visible::At(size_t b) const {
  switch (mode_) {
    case Mode::Identity:
      return b < static_cast<size_t>(count_) ? static_cast<int>(b) : -1;
    case Mode::Stretches: {
      if (b >= end_) return -1;
      size_t before = 0;
      for (int k = 0; k < stretchCount_ && stretches_[k].begin <= b; ++k) {
        if (b < stretches_[k].end) return -1;
        before += stretches_[k].end - stretches_[k].begin;
      }
      return static_cast<int>(b - before);
    }
    case Mode::Table:
      break;
  }
  const std::uint32_t* end = starts_ + count_;
  const std::uint32_t* it = std::lower_bound(static_cast<const std::uint32_t*>(starts_), end, b);
  return it != end && *it == b ? static_cast<int>(it - starts_) : -1;
}

std::vector<int> ScreenLineLengths(std::string_view text, const StyleDialect& d) {
  const Visible v(text, 0, d);
  std::vector<int> lengths(1, 0);
  for (int i = 0; i < v.size(); ++i) {
    if (text[v.Byte(i)] == '|') {
      lengths.push_back(0);
    } else {
      ++lengths.back();
    }
  }
  return lengths;
}

int FindVisibleFrom(std::string_view s, const Visible& v, char c, int from) {
  if (from < 1) from = 1;
  if (from > v.size()) return 0;
  for (size_t byte = v.Byte(from - 1);;) {
    const size_t p = FindNear(s, c, byte);
    if (p == std::string_view::npos) return 0;
    const int i = v.At(p);
    if (i >= 0) return i + 1;
    byte = p + 1;
  }
}

int FindVisibleUpTo(std::string_view s, const Visible& v, char c, int to) {
  if (to < 1 || v.size() == 0) return 0;
  to = std::min(to, v.size());
  for (size_t byte = v.Byte(to - 1);;) {
    const size_t p = s.rfind(c, byte);
    if (p == std::string_view::npos) return 0;
    const int i = v.At(p);
    if (i >= 0) return i + 1;
    if (p == 0) return 0;
    byte = p - 1;
  }
}

std::string CarriedMarkup(std::string_view s, size_t at, size_t textAt, const StyleDialect& d) {
  // Span tags open and close spans that run over line breaks: no line
  // carries anything.
  if (at < textAt || !d.LineScoped()) return {};
  const size_t start = LineStartOf(s, at, textAt);
  if (start >= s.size() || (!IsTagStart(d, s[start]) && !(d.SlashItalic() && s[start] == '/'))) return {};
  return SelectPrefix(s, start, d, false, true);
}

std::string EntryMarkup(std::string_view text, const StyleDialect& d) {
  if (!d.LineScoped() || text.empty() || (!IsTagStart(d, text[0]) && !(d.SlashItalic() && text[0] == '/'))) return {};
  return SelectPrefix(text, 0, d, true, false);
}

bool BreakKeepsText(std::string_view s, size_t at, size_t textAt, const StyleDialect& d, bool entryCut) {
  const bool entryTags = entryCut && d.LineScoped();
  if (!d.SlashItalic() && !entryTags) return true;
  size_t j = at + 1;
  while (const size_t t = d.TagAt(s, j)) {
    if (entryTags && d.StylesEntry(s.substr(j, t))) return false;
    j += t;
  }
  if (!d.SlashItalic() || j >= s.size() || s[j] != '/') return true;
  // The line's own "/", not one inside a tag's value.
  const std::string carried = CarriedMarkup(s, at, textAt, d);
  for (size_t i = 0; i < carried.size();) {
    if (const size_t t = d.TagAt(carried, i)) {
      i += t;
    } else if (carried[i++] == '/') {
      return true;
    }
  }
  return false;
}

void BreakLineAt(std::string& s, size_t at, size_t textAt, const StyleDialect& d) {
  const std::string carried = CarriedMarkup(s, at, textAt, d);
  s[at] = '|';
  if (!carried.empty()) s.insert(at + 1, carried);
}

namespace {
// Applies what markup (tags, a line-start "/") sets to `style`.
void ApplyMarkup(std::string_view markup, const StyleDialect& d, Style& style) {
  for (size_t i = 0; i < markup.size();) {
    if (const size_t t = d.TagAt(markup, i)) {
      d.Apply(markup.substr(i, t), style);
      i += t;
    } else {
      style.italic |= d.SlashItalic() && markup[i] == '/';
      ++i;
    }
  }
}

// Whether `s` sets everything `part` does, as `part` does.
bool Holds(const Style& s, const Style& part) {
  return (!part.italic || s.italic) && (!part.bold || s.bold) && (!part.underline || s.underline) &&
         (!part.strike || s.strike) && (part.color.empty() || s.color == part.color) &&
         (part.font.empty() || s.font == part.font) && (part.size == 0 || s.size == part.size) &&
         (part.position == 0 || s.position == part.position);
}

// The style of the entry's own tags (those that style all of it), with
// that of the markup starting a screen line.
Style StyleOf(std::string_view s, size_t textAt, std::string_view markup, const StyleDialect& d) {
  Style style;
  ApplyMarkup(EntryMarkup(s.substr(textAt), d), d, style);
  ApplyMarkup(markup, d, style);
  return style;
}

// The style in force at byte `at`, the end of a screen line: the entry's,
// the line's own, and that of the tags inside it, each styling what follows.
Style LineEndStyle(std::string_view s, size_t at, size_t textAt, const StyleDialect& d) {
  const size_t start = LineStartOf(s, at, textAt);
  const size_t prefix = LinePrefixAt(s, start, d);
  Style style = StyleOf(s, textAt, s.substr(start, prefix), d);
  for (size_t j = FindTagStart(s, start + prefix, at, d); j < at; j = FindTagStart(s, j + 1, at, d)) {
    if (const size_t t = d.TagAt(s, j)) {
      d.Apply(s.substr(j, t), style);
      j += t - 1;
    }
  }
  return style;
}

// Whether a tag of `s` holds byte `at`. A tag never holds a "|", so only a
// join can have made it, and it starts at most LongestTag() bytes before.
bool TagHolds(std::string_view s, size_t at, size_t textAt, const StyleDialect& d) {
  const size_t from = std::max(textAt, at > d.LongestTag() ? at - d.LongestTag() : 0);
  for (size_t j = FindTagStart(s, from, at, d); j < at; j = FindTagStart(s, j + 1, at, d))
    if (const size_t t = d.TagAt(s, j); t > 0 && j + t > at) return true;
  return false;
}
}  // namespace

bool JoinLineAt(std::string& s, size_t at, size_t textAt, const StyleDialect& d) {
  if (at < textAt) {
    s[at] = ' ';
    return true;
  }
  // Text without a tag start or a "/" starting a line holds no markup that
  // a join could carry or break: the break becomes a space.
  if (!MayHoldMarkup(std::string_view(s).substr(textAt), d)) {
    s[at] = ' ';
    return true;
  }
  const size_t next = at + 1;
  std::string prefix, replacement;
  if (d.LineScoped()) {
    const size_t length = LinePrefixAt(s, next, d);
    const std::string carried = CarriedMarkup(s, at, textAt, d);
    prefix = s.substr(next, length);
    bool keep = prefix != carried;
    const size_t text = next + length;
    if (text < s.size() && s[text] != '|') {
      // The next line's text, styled by its own markup, continues in the
      // style in force where the joined line ends, with that markup after
      // it when it stays: that may not add to its style.
      const Style own = StyleOf(s, textAt, prefix, d);
      Style after = LineEndStyle(s, at, textAt, d);
      keep = keep || !Holds(own, after);
      if (keep) ApplyMarkup(prefix, d, after);
      if (!Holds(own, after)) return false;
    }
    if (keep) replacement = MidLineMarkup(prefix, d);
  }
  s[at] = ' ';
  if (!prefix.empty()) s.replace(next, prefix.size(), replacement);
  if (!d.TagStarts().empty() && TagHolds(s, at, textAt, d)) {
    s.replace(next, replacement.size(), prefix);
    s[at] = '|';
    return false;
  }
  return true;
}

std::string MidLineMarkup(std::string_view markup, const StyleDialect& d) {
  if (!d.SlashItalic() || markup.find('/') == std::string_view::npos) return std::string(markup);
  std::string out;
  bool atMarkup = true;  // after the start, a tag or a "/" taken for italics
  for (size_t i = 0; i < markup.size();) {
    if (const size_t t = d.TagAt(markup, i)) {
      out.append(markup, i, t);
      i += t;
      atMarkup = true;
    } else {
      if (markup[i] == '/' && atMarkup) {
        out += d.SlashTag();
      } else {
        out += markup[i];
        atMarkup = false;
      }
      ++i;
    }
  }
  return out;
}

bool JoinAllLines(std::string& text, const StyleDialect& d) {
  if (!MayHoldMarkup(text, d)) {
    std::replace(text.begin(), text.end(), '|', ' ');
    return true;
  }
  bool all = true;
  for (size_t p = text.find('|'); p != std::string::npos; p = text.find('|', p + 1)) all &= JoinLineAt(text, p, 0, d);
  return all;
}

bool IsItalicMarkup(std::string_view markup, const StyleDialect& d) {
  for (size_t i = 0; i < markup.size();) {
    if (const size_t t = d.TagAt(markup, i)) {
      Style style;
      d.Apply(markup.substr(i, t), style);
      if (style.italic) return true;
      i += t;
    } else {
      if (d.SlashItalic() && markup[i] == '/') return true;
      ++i;
    }
  }
  return false;
}

void FollowItalic(std::string_view markup, const StyleDialect& d, bool& italic) {
  Style style;
  style.italic = italic;
  for (size_t i = 0; i < markup.size();) {
    const size_t t = d.TagAt(markup, i);
    if (t == 0) {
      ++i;
      continue;
    }
    d.Apply(markup.substr(i, t), style);
    i += t;
  }
  italic = style.italic;
}

}  // namespace lm
