#include "model/text.h"

#include <algorithm>

namespace lm {
namespace {
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }
}  // namespace

int CharCount(std::string_view s) {
  // Bytes less the continuation bytes (10xxxxxx), sixteen at a time where
  // the machine can, the last block masked to the bytes not yet counted;
  // eight at a time otherwise: each block's are summed in byte lanes.
  size_t continuations = 0;
#if defined(__SSE2__)
  if (s.size() >= 16) {
    const __m128i belowLead = _mm_set1_epi8(static_cast<char>(0xC0));  // signed: 0x80..0xBF are below it
    const __m128i zero = _mm_setzero_si128();
    __m128i lanes = zero;
    const auto flush = [&] {
      const __m128i sums = _mm_sad_epu8(lanes, zero);
      continuations += static_cast<size_t>(_mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4));
      lanes = zero;
    };
    size_t at = 0;
    for (int inLanes = 0; at + 16 <= s.size(); at += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + at));
      lanes = _mm_sub_epi8(lanes, _mm_cmplt_epi8(v, belowLead));
      if (++inLanes == 255) {  // a byte lane holds at most 255
        flush();
        inLanes = 0;
      }
    }
    flush();
    if (const size_t rest = s.size() - at) {
      // The last sixteen bytes, of which the first were counted already.
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + s.size() - 16));
      unsigned more = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(v, belowLead))) >> (16 - rest);
      // Its bits counted without the instruction the baseline machine may lack.
      more = more - ((more >> 1) & 0x5555u);
      more = (more & 0x3333u) + ((more >> 2) & 0x3333u);
      more = (more + (more >> 4)) & 0x0F0Fu;
      continuations += (more + (more >> 8)) & 0x1Fu;
    }
    return static_cast<int>(s.size() - continuations);
  }
#endif
  std::uint64_t lanes = 0;
  ForEachWord(
      s, [&](std::uint64_t word) { lanes += (word & ~(word << 1) & 0x8080808080808080ULL) >> 7; },
      [&] {
        continuations += static_cast<size_t>(SumLanes(lanes));
        lanes = 0;
      });
  return static_cast<int>(s.size() - continuations);
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
  // ASCII runs are passed over word by word.
  while ((i = FindNonAscii(s, i)) < n) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
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

char32_t NextCodePoint(std::string_view s, size_t& i) {
  const unsigned char c = static_cast<unsigned char>(s[i++]);
  if (c < 0x80) return c;
  int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : 1;
  char32_t cp = c & (0x3F >> more);
  while (more-- > 0 && i < s.size() && IsContinuation(static_cast<unsigned char>(s[i])))
    cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
  return cp;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

char* WriteUtf8(char* out, char32_t cp) {
  if (cp < 0x80) {
    *out++ = static_cast<char>(cp);
  } else if (cp < 0x800) {
    *out++ = static_cast<char>(0xC0 | (cp >> 6));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    *out++ = static_cast<char>(0xE0 | (cp >> 12));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    *out++ = static_cast<char>(0xF0 | (cp >> 18));
    *out++ = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    *out++ = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (cp & 0x3F));
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
  char bytes[4];
  out.append(bytes, static_cast<size_t>(WriteUtf8(bytes, cp) - bytes));
}

std::string ShowLiteralBars(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  // Both marks start with the same two bytes.
  for (size_t i = 0;;) {
    size_t at = s.find("\xEF\xB7", i);
    while (at != std::string_view::npos && s.compare(at, kLiteralBar.size(), kLiteralBar) != 0 &&
           ReferenceAt(s, at) < 0)
      at = s.find("\xEF\xB7", at + 1);
    out.append(s.substr(i, at == std::string_view::npos ? std::string_view::npos : at - i));
    if (at == std::string_view::npos) return out;
    const int reference = ReferenceAt(s, at);
    if (reference < 0) {
      out += '|';
    } else {
      AppendUtf8(out, kReferenced[reference]);
    }
    i = at + kLiteralBar.size();
  }
}

namespace {
char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (LowerAscii(s[i]) != LowerAscii(prefix[i])) return false;
  return true;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && StartsWithNoCase(a, b); }

}  // namespace lm
