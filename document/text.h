#pragma once
// Entry text is held as UTF-8 whatever the file's encoding (see encoding.h),
// and every rule counts characters (code points), never bytes.
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoding.h"

namespace lm {

// Eight bytes at a time: it runs over every entry of every pass.
inline bool IsAscii(std::string_view s) {
  const char* p = s.data();
  size_t n = s.size();
  std::uint64_t any = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    any |= word;
  }
  for (; n > 0; ++p, --n) any |= static_cast<unsigned char>(*p);
  return (any & 0x8080808080808080ULL) == 0;
}

// Bytes of `word` equal to `c`, eight at a time, counted exactly.
inline int CountInWord(std::uint64_t word, char c) {
  constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
  const std::uint64_t x = word ^ (0x0101010101010101ULL * static_cast<unsigned char>(c));
  const std::uint64_t zero = ~(((x & kLow7) + kLow7) | x | kLow7);
  // One bit at the top of each matching byte: summed by one multiplication.
  return static_cast<int>(((zero >> 7) * 0x0101010101010101ULL) >> 56);
}

// How many times the ASCII characters `a` and `b` occur, in one pass.
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
  for (; n > 0; ++p, --n) {
    countA += *p == a;
    countB += *p == b;
  }
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

}  // namespace lm
