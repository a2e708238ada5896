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
  const size_t bar = s.rfind('|', at - 1);
  return bar == std::string_view::npos || bar < textAt ? textAt : bar + 1;
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

bool MayHoldMarkup(std::string_view s) {
  return std::memchr(s.data(), '{', s.size()) || std::memchr(s.data(), '/', s.size());
}

Visible::Visible(std::string_view s, size_t plainUpTo) {
  plainUpTo = std::min(plainUpTo, s.size());
  const bool markup = MayHoldMarkup(s.substr(plainUpTo));
  identity_ = !markup && IsAscii(s);
  if (identity_) {
    count_ = static_cast<int>(s.size());
    return;
  }
  starts_.reserve(s.size() + 1);
  size_t i = 0;
  while (i < plainUpTo) {
    starts_.push_back(static_cast<std::uint32_t>(i));
    i = PastChar(s, i);
  }
  bool lineStart = true;
  while (i < s.size()) {
    if (markup && lineStart) {
      i += LinePrefixAt(s, i);
      lineStart = false;
      continue;
    }
    if (markup) {
      if (const size_t t = TagAt(s, i)) {
        i += t;
        continue;
      }
    }
    starts_.push_back(static_cast<std::uint32_t>(i));
    lineStart = s[i] == '|';
    i = PastChar(s, i);
  }
  count_ = static_cast<int>(starts_.size());
  starts_.push_back(static_cast<std::uint32_t>(s.size()));
}

int Visible::At(size_t b) const {
  if (identity_) return b < static_cast<size_t>(count_) ? static_cast<int>(b) : -1;
  const auto end = starts_.begin() + count_;
  const auto it = std::lower_bound(starts_.begin(), end, b);
  return it != end && *it == b ? static_cast<int>(it - starts_.begin()) : -1;
}

int Visible::Before(size_t b) const {
  if (identity_) return static_cast<int>(std::min(b, static_cast<size_t>(count_)));
  return static_cast<int>(std::lower_bound(starts_.begin(), starts_.begin() + count_, b) - starts_.begin());
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
  const std::string_view prefix = s.substr(start, LinePrefixAt(s, start));
  return Select(prefix, [](char letter) { return !IsUpper(letter); }, true);
}

std::string EntryMarkup(std::string_view text) {
  const std::string_view prefix = text.substr(0, LinePrefixAt(text, 0));
  return Select(prefix, [](char letter) { return IsUpper(letter); }, false);
}

std::string BreakLineAt(std::string_view s, size_t at, size_t textAt) {
  std::string out(s.substr(0, at));
  out += '|';
  out += CarriedMarkup(s, at, textAt);
  out.append(s.substr(at + 1));
  return out;
}

std::string JoinLineAt(std::string_view s, size_t at, size_t textAt) {
  std::string out(s.substr(0, at));
  out += ' ';
  if (at < textAt) {
    out.append(s.substr(at + 1));
    return out;
  }
  const size_t next = at + 1;
  const size_t length = LinePrefixAt(s, next);
  const std::string_view prefix = s.substr(next, length);
  if (prefix != CarriedMarkup(s, at, textAt)) out += MidLineMarkup(prefix);
  out.append(s.substr(next + length));
  return out;
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

std::string JoinAllLines(std::string_view text) {
  std::string out(text);
  for (size_t p = out.find('|'); p != std::string::npos; p = out.find('|', p + 1)) out = JoinLineAt(out, p);
  return out;
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
