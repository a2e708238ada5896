#include "text.h"

#include <algorithm>

namespace lm {
namespace {
// 0x80..0x9F of Windows-1252. The five unassigned bytes keep their C1 code
// points so that they survive a round trip.
constexpr char32_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes one character at `i` of valid UTF-8 and moves past it.
char32_t NextCodePoint(std::string_view s, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
  char32_t cp = c & (0x3F >> more);
  while (more-- > 0 && i < s.size()) cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  return cp;
}

std::optional<unsigned char> Windows1252Byte(char32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<unsigned char>(cp);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == cp) return static_cast<unsigned char>(0x80 + i);
  return std::nullopt;
}
}  // namespace

int CharCount(std::string_view s) {
  if (IsAscii(s)) return static_cast<int>(s.size());
  int continuations = 0;
  for (unsigned char c : s) continuations += IsContinuation(c);
  return static_cast<int>(s.size()) - continuations;
}

Chars::Chars(std::string_view s) : ascii_(IsAscii(s)), count_(0) {
  if (ascii_) {
    count_ = static_cast<int>(s.size());
    return;
  }
  starts_.reserve(s.size() + 1);
  for (size_t i = 0; i < s.size(); ++i)
    if (!IsContinuation(static_cast<unsigned char>(s[i]))) starts_.push_back(static_cast<uint32_t>(i));
  count_ = static_cast<int>(starts_.size());
  starts_.push_back(static_cast<uint32_t>(s.size()));
}

int Chars::At(size_t b) const {
  if (ascii_) return static_cast<int>(b);
  return static_cast<int>(std::lower_bound(starts_.begin(), starts_.end(), b) - starts_.begin());
}

std::string_view NextChar(std::string_view s, size_t& i) {
  const size_t start = i++;
  while (i < s.size() && IsContinuation(static_cast<unsigned char>(s[i]))) ++i;
  return s.substr(start, i - start);
}

bool IsValidUtf8(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      ++i;
      continue;
    }
    int more;
    char32_t min;
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1, min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2, min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3, min = 0x10000;
    } else {
      return false;
    }
    if (n - i <= static_cast<size_t>(more)) return false;  // cut short
    char32_t cp = c & (0x3F >> more);
    for (int k = 1; k <= more; ++k) {
      const unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if (!IsContinuation(d)) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += static_cast<size_t>(more) + 1;
  }
  return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string DecodeWindows1252(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (unsigned char b : bytes) AppendUtf8(out, b >= 0x80 && b <= 0x9F ? kHigh[b - 0x80] : b);
  return out;
}

std::optional<std::string> EncodeWindows1252(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    auto b = Windows1252Byte(NextCodePoint(utf8, i));
    if (!b) return std::nullopt;
    out += static_cast<char>(*b);
  }
  return out;
}

bool Windows1252CanHold(std::string_view utf8) {
  size_t i = 0;
  while (i < utf8.size())
    if (!Windows1252Byte(NextCodePoint(utf8, i))) return false;
  return true;
}

}  // namespace lm
