#pragma once
// Entry text is held as UTF-8 whatever the file's encoding (see encoding.h),
// and every rule counts characters (code points), never bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lm {

// The last `n` (< 8) bytes at `p` as a word, the rest zero: the word-wise
// scans below end with it instead of a loop over single bytes.
// Put together from fixed-size loads: a copy of a variable size would be a
// call to the library for every line.
inline std::uint64_t TailWord(const char* p, size_t n) {
  std::uint64_t word = 0;
  unsigned shift = 0;
  if (n & 4) {
    std::uint32_t four;
    std::memcpy(&four, p, 4);
    word = four;
    p += 4;
    shift = 32;
  }
  if (n & 2) {
    std::uint16_t two;
    std::memcpy(&two, p, 2);
    word |= static_cast<std::uint64_t>(two) << shift;
    p += 2;
    shift += 16;
  }
  if (n & 1) word |= static_cast<std::uint64_t>(static_cast<unsigned char>(*p)) << shift;
  return word;
}

// Eight bytes at a time: it runs over every entry of every pass. A view of
// eight bytes or more ends with its last eight, which may overlap the word
// before: a byte read twice changes nothing here.
inline bool IsAscii(std::string_view s) {
  const char* p = s.data();
  const size_t n = s.size();
  std::uint64_t any = 0, word;
  if (n < 8) {
    any = TailWord(p, n);
  } else {
    for (size_t i = 0; i + 8 <= n; i += 8) {
      std::memcpy(&word, p + i, 8);
      any |= word;
    }
    std::memcpy(&word, p + n - 8, 8);
    any |= word;
  }
  return (any & 0x8080808080808080ULL) == 0;
}

// The offset of the first byte beyond ASCII at or after `from`, or s.size().
inline size_t FindNonAscii(std::string_view s, size_t from) {
  const size_t n = s.size();
  size_t i = from;
  for (std::uint64_t word; i + 8 <= n; i += 8) {
    std::memcpy(&word, s.data() + i, 8);
    if (const std::uint64_t high = word & 0x8080808080808080ULL)
      return i + static_cast<size_t>(__builtin_ctzll(high) / 8);
  }
  for (; i < n; ++i)
    if (static_cast<unsigned char>(s[i]) >= 0x80) return i;
  return n;
}

// The top bit of each byte of `word` equal to `c`, exactly.
inline std::uint64_t MatchMask(std::uint64_t word, char c) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const std::uint64_t x = word ^ (0x0101010101010101ULL * static_cast<unsigned char>(c));
  return ~(((x & kLow7) + kLow7) | x | kLow7);
}

// Nonzero in its top bits (0x80 of some byte) when a byte of `word` is `c`;
// cheaper than MatchMask where only "any" matters, and the top bits of the
// results of several words may be OR-ed before they are looked at.
inline std::uint64_t AnyMatch(std::uint64_t word, char c) {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
  return (x - kOnes) & ~x;
}

// One in each byte of `word` equal to `c`, zero elsewhere: summed word
// after word into byte lanes (up to 255 words), then added up by SumLanes.
inline std::uint64_t OnesWhere(std::uint64_t word, char c) { return MatchMask(word, c) >> 7; }

// The sum of the eight byte lanes of `lanes`.
inline int SumLanes(std::uint64_t lanes) {
  const std::uint64_t pairs = (lanes & 0x00FF00FF00FF00FFULL) + ((lanes >> 8) & 0x00FF00FF00FF00FFULL);
  return static_cast<int>((pairs * 0x0001000100010001ULL) >> 48);
}

// Bytes of `word` equal to `c`, counted exactly: one bit at the top of each
// matching byte, summed by one multiplication.
inline int CountInWord(std::uint64_t word, char c) {
  return static_cast<int>((OnesWhere(word, c) * 0x0101010101010101ULL) >> 56);
}

// The bytes of `s` a word at a time, the last one padded with zero bytes:
// `each(word)` for every word, `flush()` after every 255 words and at the
// end, so that byte lanes summed over words never overflow.
template <class Each, class Flush>
inline void ForEachWord(std::string_view s, Each each, Flush flush) {
  const char* p = s.data();
  size_t n = s.size();
  int words = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    each(word);
    if (++words == 255) {
      flush();
      words = 0;
    }
  }
  each(TailWord(p, n));
  flush();
}

// The offset of the first `c` in `s` at or after `from`, or npos:
// std::string_view::find, the bytes near `from` looked at before the C
// library is asked, as what is looked for (a space, a field's end) is
// mostly a few bytes away.
inline size_t FindNear(std::string_view s, char c, size_t from = 0) {
  const size_t near = std::min(s.size(), from + 16);
  for (size_t i = from; i < near; ++i)
    if (s[i] == c) return i;
  return near >= s.size() ? std::string_view::npos : s.find(c, near);
}

// The offset of the last `c` in `s` at or before `upTo`, or npos:
// std::string_view::rfind, through the C library's search of many bytes at
// a time rather than a byte at a time.
inline size_t FindLast(std::string_view s, char c, size_t upTo = std::string_view::npos) {
  const size_t n = upTo < s.size() ? upTo + 1 : s.size();
  const void* at = n == 0 ? nullptr : ::memrchr(s.data(), c, n);
  return at ? static_cast<size_t>(static_cast<const char*>(at) - s.data()) : std::string_view::npos;
}

// The offset of the first `a` or `b` in `s` at or after `from`, or s.size().
inline size_t FindEither(std::string_view s, size_t from, char a, char b) {
  const char* p = s.data();
  const size_t n = s.size();
  size_t i = from;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, p + i, 8);
    const std::uint64_t mask = MatchMask(word, a) | MatchMask(word, b);
    // Little-endian: the lowest set bit is the first match.
    if (mask) return i + static_cast<size_t>(__builtin_ctzll(mask) / 8);
  }
  for (; i < n; ++i)
    if (p[i] == a || p[i] == b) return i;
  return n;
}

// Whether `s` holds a byte `a` or `b` (neither NUL): sixteen bytes at a
// time where the machine can, the last block overlapping the one before;
// eight at a time otherwise, and for a line shorter than a block.
inline bool HoldsEither(std::string_view s, char a, char b) {
  const char* p = s.data();
  const size_t n = s.size();
#if defined(__SSE2__)
  if (n >= 16) {
    const __m128i as = _mm_set1_epi8(a), bs = _mm_set1_epi8(b);
    const auto any = [&](size_t at) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + at));
      return _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, as), _mm_cmpeq_epi8(v, bs))) != 0;
    };
    for (size_t i = 0; i + 16 <= n; i += 16)
      if (any(i)) return true;
    return any(n - 16);
  }
#endif
  const auto any = [&](std::uint64_t word) { return AnyMatch(word, a) | AnyMatch(word, b); };
  std::uint64_t found = 0, word;
  if (n < 8) {
    found = any(TailWord(p, n));
  } else {
    for (size_t i = 0; i + 8 <= n; i += 8) {
      std::memcpy(&word, p + i, 8);
      found |= any(word);
    }
    std::memcpy(&word, p + n - 8, 8);
    found |= any(word);
  }
  return (found & 0x8080808080808080ULL) != 0;
}

// How many times the ASCII characters `a` and `b` (not NUL) occur, in one
// pass.
inline void CountBytes(std::string_view s, char a, int& countA, char b, int& countB) {
  const char* p = s.data();
  size_t n = s.size();
  countA = countB = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    countA += CountInWord(word, a);
    countB += CountInWord(word, b);
  }
  // The zero bytes of the tail match neither.
  const std::uint64_t tail = TailWord(p, n);
  countA += CountInWord(tail, a);
  countB += CountInWord(tail, b);
}

inline int CountByte(std::string_view s, char c) {
  int n, unused;
  CountBytes(s, c, n, c, unused);
  return n;
}

// Number of characters of valid UTF-8 text.
int CharCount(std::string_view s);

// Character positions of one text mapped to byte offsets. ASCII text (nearly
// every subtitle) needs no table: a character is a byte.
class Chars {
 public:
  explicit Chars(std::string_view s);
  int size() const { return count_; }
  // Byte offset of the 0-based character position `i` (size() gives the end).
  size_t Byte(int i) const { return ascii_ ? static_cast<size_t>(i) : starts_[static_cast<size_t>(i)]; }
  // Character position of the character that starts at byte `b`.
  int At(size_t b) const;

 private:
  bool ascii_;
  int count_;
  std::vector<uint32_t> starts_;  // one per character, then the end
};

// The character that starts at byte `i`, as its UTF-8 bytes; moves `i` past it.
std::string_view NextChar(std::string_view s, size_t& i);

bool IsValidUtf8(std::string_view s);
void AppendUtf8(std::string& out, char32_t cp);
// Writes the UTF-8 bytes of `cp` (at most four) at `out`; past them.
char* WriteUtf8(char* out, char32_t cp);
// The code point of the UTF-8 character at `i` (valid UTF-8); moves `i` past it.
char32_t NextCodePoint(std::string_view s, size_t& i);

// A "|" that is a character, in a format where "|" breaks no line: U+FDD0,
// a noncharacter, so never text of a file's own. It is shown and written as
// "|" and counts as one character.
inline constexpr std::string_view kLiteralBar = "\xEF\xB7\x90";
// What starts the entry line of a line a reader could not read as an
// entry (U+FDD1, a noncharacter): the line is kept, as it was, as an entry
// without times, which no rule changes and which is written back as it was.
inline constexpr std::string_view kUnreadLine = "\xEF\xB7\x91";
inline bool IsUnreadLine(std::string_view line) { return line.substr(0, kUnreadLine.size()) == kUnreadLine; }
// The line as the file held it.
inline std::string_view WithoutUnreadMark(std::string_view line) {
  return IsUnreadLine(line) ? line.substr(kUnreadLine.size()) : line;
}
// What starts the entry line of a line of the file's own structure that is
// no entry: a header, a section, a style or a comment block (U+FDD2, a
// noncharacter). It is shown and written back as it was, no rule changes it,
// and it has no place in a file of another format.
inline constexpr std::string_view kFormatLine = "\xEF\xB7\x92";
inline bool IsFormatLine(std::string_view line) { return line.substr(0, kFormatLine.size()) == kFormatLine; }
// A line of either kind: kept as it was, without fields.
inline bool IsKeptLine(std::string_view line) { return IsUnreadLine(line) || IsFormatLine(line); }
// A kept line as the file held it; any other line as it is.
inline std::string_view AsKept(std::string_view line) {
  return IsKeptLine(line) ? line.substr(kUnreadLine.size()) : line;
}

// A character the file writes as a character reference (WebVTT's "&amp;",
// "&lt;", "&gt;", "&nbsp;", "&lrm;", "&rlm;"): in the entry, one noncharacter
// each, U+FDD3 on, in the order of kReferenced. It counts as the one
// character it shows in every rule, no cut or edit leaves half of it, and the
// writer gives the file the reference back; it is shown as the character.
inline constexpr char32_t kFirstReference = 0xFDD3;
inline constexpr char32_t kReferenced[] = {U'&', U'<', U'>', 0xA0, 0x200E, 0x200F};
inline constexpr int kReferences = sizeof kReferenced / sizeof kReferenced[0];
// The mark of reference `k`, as UTF-8 (always three bytes, "\xEF\xB7" and a
// byte from 0x93).
inline std::string ReferenceMark(int k) { return {'\xEF', '\xB7', static_cast<char>(0x93 + k)}; }
// The reference whose mark starts at byte `i`, or -1.
inline int ReferenceAt(std::string_view s, size_t i) {
  if (i + 2 >= s.size() || s[i] != '\xEF' || s[i + 1] != '\xB7') return -1;
  const int k = static_cast<unsigned char>(s[i + 2]) - 0x93;
  return k >= 0 && k < kReferences ? k : -1;
}

// The text with each kLiteralBar as "|" and each reference mark as the
// character it stands for: as the screen shows it.
std::string ShowLiteralBars(std::string_view s);

// The UTF-8 byte order mark.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// Without the blanks (spaces and tabs) at either end.
std::string_view TrimBlanks(std::string_view s);
// A line of nothing but blanks (or nothing at all).
inline bool IsBlankLine(std::string_view line) {
  for (const char c : line)
    if (c != ' ' && c != '\t') return false;
  return true;
}
// ASCII letters compared without case.
bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view s, std::string_view prefix);

}  // namespace lm
