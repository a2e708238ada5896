#include "markup.h"

#include <algorithm>
#include <cstring>

#include "text.h"

namespace lm {

namespace {
constexpr size_t kMaxTagValue = 64;

bool IsControlLetter(char c) { return c != '\0' && std::strchr("yYcCfFsSpPhH", c) != nullptr; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

size_t PastChar(std::string_view s, size_t i) {
  ++i;
  while (i < s.size() && IsContinuation(static_cast<unsigned char>(s[i]))) ++i;
  return i;
}

// The start of the screen line that holds byte `at`.
size_t LineStartOf(std::string_view s, size_t at, size_t textAt) {
  if (at <= textAt) return textAt;
  const void* bar = ::memrchr(s.data() + textAt, '|', at - textAt);
  return bar ? static_cast<size_t>(static_cast<const char*>(bar) - s.data()) + 1 : textAt;
}

// The tags of `prefix` that `keep` accepts by their letter, and its "/"
// when `slash`, in their order.
template <class Keep>
std::string Select(std::string_view prefix, Keep keep, bool slash) {
  std::string out;
  for (size_t i = 0; i < prefix.size();) {
    if (const size_t t = TagAt(prefix, i)) {
      if (keep(prefix[i + 1])) out.append(prefix, i, t);
      i += t;
    } else {
      if (slash) out += prefix[i];  // the "/"
      ++i;
    }
  }
  return out;
}
}  // namespace

bool SlashStartsALine(std::string_view s) {
  if (s.empty()) return false;
  if (s[0] == '/') return true;
  for (size_t bar = s.find('|'); bar != std::string_view::npos; bar = s.find('|', bar + 1))
    if (bar + 1 < s.size() && s[bar + 1] == '/') return true;
  return false;
}

size_t TagAt(std::string_view s, size_t i) {
  if (i + 3 >= s.size() || s[i] != '{' || !IsControlLetter(s[i + 1]) || s[i + 2] != ':') return 0;
  const size_t end = std::min(s.size(), i + 3 + kMaxTagValue + 1);
  for (size_t j = i + 3; j < end; ++j) {
    const char c = s[j];
    if (c == '}') return j - i + 1;
    if (c == '{' || c == '|' || c == '\r' || c == '\n') return 0;
  }
  return 0;
}

size_t LinePrefixAt(std::string_view s, size_t i) {
  size_t j = i;
  bool slash = false;
  while (j < s.size()) {
    if (const size_t t = TagAt(s, j)) {
      j += t;
    } else if (!slash && s[j] == '/') {
      slash = true;
      ++j;
    } else {
      break;
    }
  }
  return j - i;
}

VisibleCounts CountVisible(std::string_view text) {
  VisibleCounts c;
  const size_t n = text.size();
  size_t i = LinePrefixAt(text, 0);
  while (i < n) {
    const char ch = text[i];
    if (ch == '{') {
      if (const size_t t = TagAt(text, i)) {
        i += t;
        continue;
      }
    }
    ++c.chars;
    if (ch == '-') ++c.dashes;
    if (ch == '|') {
      ++c.bars;
      if (c.firstBar == 0) c.firstBar = c.chars;
      c.lastBar = c.chars;
      i += 1 + LinePrefixAt(text, i + 1);
      continue;
    }
    i = static_cast<unsigned char>(ch) < 0x80 ? i + 1 : PastChar(text, i);
  }
  return c;
}

namespace {
// Whether the text is all ASCII, and whether it may hold markup, in one pass.
void Classify(std::string_view s, bool& ascii, bool& markup) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  const char* p = s.data();
  size_t n = s.size();
  std::uint64_t high = 0, marks = 0;
  for (; n >= 8; p += 8, n -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    high |= word;
    marks |= AnyMatch(word, '{') | AnyMatch(word, '/');
  }
  const std::uint64_t tail = TailWord(p, n);
  high |= tail;
  marks |= AnyMatch(tail, '{') | AnyMatch(tail, '/');
  ascii = (high & kHigh) == 0;
  // Neither "{" nor "/" is the usual case; which of them it is matters only
  // where there is one.
  markup = (marks & kHigh) != 0 && (s.find('{') != std::string_view::npos || SlashStartsALine(s));
}
}  // namespace

Visible::Visible(std::string_view s, size_t plainUpTo) {
  plainUpTo = std::min(plainUpTo, s.size());
  bool ascii, markup;
  Classify(s.substr(plainUpTo), ascii, markup);
  if (plainUpTo > 0 && ascii) ascii = IsAscii(s.substr(0, plainUpTo));
  identity_ = !markup && ascii;
  if (identity_) {
    count_ = static_cast<int>(s.size());
    return;
  }
  // At most one start a byte, and the end.
  if (s.size() + 1 <= sizeof local_ / sizeof local_[0]) {
    starts_ = local_;
  } else {
    heap_.resize(s.size() + 1);
    starts_ = heap_.data();
  }
  int n = 0;
  size_t i = 0;
  while (i < plainUpTo) {
    starts_[n++] = static_cast<std::uint32_t>(i);
    i = PastChar(s, i);
  }
  bool lineStart = true;
  while (i < s.size()) {
    if (markup && lineStart) {
      i += LinePrefixAt(s, i);
      lineStart = false;
      continue;
    }
    if (markup && s[i] == '{') {
      if (const size_t t = TagAt(s, i)) {
        i += t;
        continue;
      }
    }
    starts_[n++] = static_cast<std::uint32_t>(i);
    lineStart = s[i] == '|';
    i = static_cast<unsigned char>(s[i]) < 0x80 ? i + 1 : PastChar(s, i);
  }
  count_ = n;
  starts_[n] = static_cast<std::uint32_t>(s.size());
}

int Visible::At(size_t b) const {
  if (identity_) return b < static_cast<size_t>(count_) ? static_cast<int>(b) : -1;
  const std::uint32_t* end = starts_ + count_;
  const std::uint32_t* it = std::lower_bound(static_cast<const std::uint32_t*>(starts_), end, b);
  return it != end && *it == b ? static_cast<int>(it - starts_) : -1;
}

int Visible::Before(size_t b) const {
  if (identity_) return static_cast<int>(std::min(b, static_cast<size_t>(count_)));
  return static_cast<int>(std::lower_bound(starts_, starts_ + count_, b) - starts_);
}

int FindVisibleFrom(std::string_view s, const Visible& v, char c, int from) {
  if (from < 1) from = 1;
  if (from > v.size()) return 0;
  for (size_t byte = v.Byte(from - 1);;) {
    const size_t p = s.find(c, byte);
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

std::string CarriedMarkup(std::string_view s, size_t at, size_t textAt) {
  if (at < textAt) return {};
  const size_t start = LineStartOf(s, at, textAt);
  if (start >= s.size() || (s[start] != '{' && s[start] != '/')) return {};
  const std::string_view prefix = s.substr(start, LinePrefixAt(s, start));
  return Select(prefix, [](char letter) { return !IsUpper(letter); }, true);
}

std::string EntryMarkup(std::string_view text) {
  if (text.empty() || (text[0] != '{' && text[0] != '/')) return {};
  const std::string_view prefix = text.substr(0, LinePrefixAt(text, 0));
  return Select(prefix, [](char letter) { return IsUpper(letter); }, false);
}

void BreakLineAt(std::string& s, size_t at, size_t textAt) {
  const std::string carried = CarriedMarkup(s, at, textAt);
  s[at] = '|';
  if (!carried.empty()) s.insert(at + 1, carried);
}

void JoinLineAt(std::string& s, size_t at, size_t textAt) {
  s[at] = ' ';
  if (at < textAt) return;
  const size_t next = at + 1;
  const size_t length = LinePrefixAt(s, next);
  if (length == 0) return;
  const std::string prefix = s.substr(next, length);
  s.replace(next, length, prefix == CarriedMarkup(s, at, textAt) ? std::string() : MidLineMarkup(prefix));
}

std::string MidLineMarkup(std::string_view markup) {
  if (markup.find('/') == std::string_view::npos) return std::string(markup);
  std::string out;
  for (size_t i = 0; i < markup.size();) {
    if (const size_t t = TagAt(markup, i)) {
      out.append(markup, i, t);
      i += t;
    } else {
      if (markup[i] == '/') {
        out += "{y:i}";
      } else {
        out += markup[i];
      }
      ++i;
    }
  }
  return out;
}

void JoinAllLines(std::string& text) {
  for (size_t p = text.find('|'); p != std::string::npos; p = text.find('|', p + 1)) JoinLineAt(text, p);
}

bool IsItalicMarkup(std::string_view markup) {
  for (size_t i = 0; i < markup.size();) {
    if (const size_t t = TagAt(markup, i)) {
      const std::string_view value = markup.substr(i + 3, t - 4);
      if ((markup[i + 1] == 'y' || markup[i + 1] == 'Y') && value.find('i') != std::string_view::npos)
        return true;
      i += t;
    } else {
      if (markup[i] == '/') return true;
      ++i;
    }
  }
  return false;
}

}  // namespace lm
