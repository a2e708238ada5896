#include "model/entry.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "model/limits.h"
#include "model/markup.h"
#include "model/text.h"

namespace lm {

namespace {
// Past the character that starts at byte `i`: the decomposition drops the
// characters around the first "}" unseen, and drops them whole.
inline size_t PastChar(std::string_view s, size_t i) {
  if (i >= s.size()) return s.size();
  if (static_cast<unsigned char>(s[i]) < 0x80) return i + 1;
  ++i;
  while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  return i;
}

// Where the first and the second "}" of the line end each field.
inline std::string_view Between(std::string_view s, size_t from, size_t to) {
  return std::string_view(s.data() + from, to - from);
}
}  // namespace

bool CanDecompose(std::string_view line) {
  if (!line.empty() && line.front() == '}') return false;
  return line.size() <= static_cast<size_t>(kInt16Max) || CharCount(line) <= kInt16Max;
}

bool SplitEntryLine(std::string_view line, EntryFields& f) {
  if (!CanDecompose(line)) return false;
  if (IsKeptLine(line)) return true;  // no fields at all
  std::string_view rest = line;
  const size_t p = FindNear(line, '}');
  if (p != std::string_view::npos) {
    f.hasStart = true;
    f.start = Between(line, PastChar(line, 0), p);
    // The "}" and the character behind it are dropped unseen.
    rest = Between(line, PastChar(line, p + 1), line.size());
  }
  const size_t q = FindNear(rest, '}');
  if (q != std::string_view::npos) {
    f.hasStop = true;
    f.stop = Between(rest, 0, q);
    f.text = Between(rest, q + 1, rest.size());
  }
  return true;
}

bool SplitFullEntry(std::string_view line, EntryFields& fields) {
  return SplitEntryLine(line, fields) && fields.hasStart && fields.hasStop;
}

bool SuppliesAllFields(std::string_view line) {
  if (IsKeptLine(line)) return false;
  const size_t p = line.find('}');
  if (p == std::string_view::npos || p + 2 > line.size()) return false;
  return line.find('}', PastChar(line, p + 1)) != std::string_view::npos;
}

EntryShape ShapeOf(std::string_view line, const StyleDialect& markup) {
  EntryShape s;
  s.known = true;
  s.decomposable = CanDecompose(line);
  EntryFields f;
  s.full = s.decomposable && SplitFullEntry(line, f);
  if (!s.full) {
    CountBytes(line, '-', s.dashes, '|', s.breaks);
    return s;
  }
  // The text is counted once; the frame fields before it are short.
  const auto textAt = static_cast<size_t>(f.text.data() - line.data());
  // Fields seldom hold either: asked before they are counted.
  const std::string_view fields = line.substr(0, textAt);
  int frameDashes = 0, frameBreaks = 0;
  if (HoldsEither(fields, '-', '|')) CountBytes(fields, '-', frameDashes, '|', frameBreaks);
  return ShapeOfFull(line, textAt, frameDashes, frameBreaks, markup);
}

EntryShape ShapeOfFull(std::string_view line, size_t textAt, int frameDashes, int frameBreaks,
                       const StyleDialect& markup) {
  EntryShape s;
  s.known = s.decomposable = s.full = true;
  const std::string_view text = line.substr(textAt);
  s.textAt = static_cast<std::uint32_t>(textAt);
  const TextFacts facts = ScanText(text, markup);
  s.textDashes = facts.dashes;
  s.textBreaks = facts.bars;
  if (!MayHoldMarkup(text, facts, markup)) {
    s.textChars = static_cast<int>(text.size()) - facts.continuations;
    if (facts.bars > 0) {
      const size_t first = facts.barAt[0];
      const size_t last = facts.bars <= facts.kept ? facts.barAt[facts.bars - 1] : text.rfind('|');
      s.firstBar = (facts.ascii ? static_cast<int>(first) : CharCount(text.substr(0, first))) + 1;
      s.lastBar = last == first ? s.firstBar
                                : (facts.ascii ? static_cast<int>(last) : CharCount(text.substr(0, last))) + 1;
    }
  } else {
    // Markup counts zero, and a "-" inside a tag is no dialogue dash.
    const VisibleCounts c = CountVisible(text, facts, markup);
    s.textChars = c.chars;
    s.textDashes = c.dashes;
    s.firstBar = c.firstBar;
    s.lastBar = c.lastBar;
  }
  s.dashes = frameDashes + s.textDashes;
  s.breaks = frameBreaks + s.textBreaks;
  return s;
}

std::string BuildEntryLine(std::string_view start, std::string_view stop, std::string_view text, size_t room) {
  std::string line;
  line.reserve(std::max(room, start.size() + stop.size() + text.size() + 4));
  line += '{';
  line += start;
  line += "}{";
  line += stop;
  line += '}';
  line += text;
  return line;
}

void PutFieldsBefore(std::string& text, std::string_view start, std::string_view stop) {
  const size_t n = start.size() + stop.size() + 4;
  text.insert(0, n, '{');
  char* p = text.data();
  std::memcpy(p + 1, start.data(), start.size());
  p[1 + start.size()] = '}';
  std::memcpy(p + 3 + start.size(), stop.data(), stop.size());
  p[n - 1] = '}';
}

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads an optional sign and digits from `i`; nothing on overflow.
std::optional<int64_t> ReadNumber(std::string_view s, size_t& i, bool& digits) {
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  // Accumulated as a negative number so that the smallest value fits too.
  int64_t value = 0;
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  digits = false;
  for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
    const int d = s[i] - '0';
    if (value < (kMin + d) / 10) return std::nullopt;
    value = value * 10 - d;
    digits = true;
  }
  if (!negative) {
    if (value == kMin) return std::nullopt;
    value = -value;
  }
  return value;
}
}  // namespace

std::optional<int64_t> ParseFrameNumber(std::string_view field) {
  size_t i = 0;
  while (i < field.size() && IsBlank(field[i])) ++i;
  bool digits = false;
  std::optional<int64_t> value = ReadNumber(field, i, digits);
  while (i < field.size() && IsBlank(field[i])) ++i;
  if (!value || !digits || i != field.size()) return std::nullopt;
  return value;
}

std::string FormatFrameNumber(int64_t value) { return std::to_string(value); }

std::optional<int64_t> AddFrames(int64_t a, int64_t b) {
  int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) return std::nullopt;
  return sum;
}

std::optional<int64_t> MiddleFrame(int64_t s, int64_t e) {
  const __int128 span = static_cast<__int128>(e) - s;
  // Halved towards minus infinity.
  const __int128 half = span >= 0 ? span / 2 : -((-span + 1) / 2);
  const __int128 mid = s + half;
  if (mid < std::numeric_limits<int64_t>::min() || mid >= std::numeric_limits<int64_t>::max()) return std::nullopt;
  return static_cast<int64_t>(mid);
}

}  // namespace lm
