#pragma once
// Shared by the formats' probes: a cursor over the start of a line for the
// timing patterns, and the sample of lines a probe looks at. Hand written:
// a regular expression library costs more to set up than a file of
// thousands of cues takes to read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "model/text.h"

namespace lm::scan {

// Each step takes what it names or fails, leaving the cursor where it
// stopped.
class Scan {
 public:
  explicit Scan(std::string_view s) : s_(s) {}
  bool Digits(size_t min = 1, size_t max = std::string_view::npos) {
    size_t n = 0;
    while (n < max && i_ < s_.size() && s_[i_] >= '0' && s_[i_] <= '9') ++i_, ++n;
    return n >= min;
  }
  bool Char(char c) { return i_ < s_.size() && s_[i_] == c ? (++i_, true) : false; }
  bool OneOf(char a, char b) { return Char(a) || Char(b); }
  bool Text(std::string_view t) {
    if (s_.substr(i_, t.size()) != t) return false;
    i_ += t.size();
    return true;
  }
  void Blanks() {
    while (i_ < s_.size() && std::strchr(" \t\r\n\v\f", s_[i_]) && s_[i_] != '\0') ++i_;
  }
  bool AtEnd() const { return i_ == s_.size(); }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

// H:MM:SS then one of the separators and the fraction.
inline bool Clock(Scan& c, char sep1, char sep2) {
  return c.Digits() && c.Char(':') && c.Digits(2, 2) && c.Char(':') && c.Digits(2, 2) && c.OneOf(sep1, sep2) &&
         c.Digits();
}

// Between `least` and `most` digits at `i`: their value, or -1.
inline int64_t ReadDigits(std::string_view s, size_t& i, size_t least, size_t most) {
  const size_t from = i;
  int64_t value = 0;
  while (i < s.size() && i - from < most && s[i] >= '0' && s[i] <= '9') value = value * 10 + (s[i++] - '0');
  return i - from >= least ? value : -1;
}

// Up to `most` digits at `i`, their value in `value`: how many there were.
inline int CountDigits(std::string_view s, size_t& i, int most, int64_t& value) {
  int n = 0;
  value = 0;
  for (; n < most && i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i, ++n) value = value * 10 + (s[i] - '0');
  return n;
}

// "H:MM:SS" as real files write it, in milliseconds: hours of any number of
// digits, minutes and seconds of one or two (60 to 99 carried on, as
// players count them), then one of `fractionMarks` and one to three digits
// or nothing, and a leading "-" for a time before the film starts; blanks
// around are no part of it.
inline std::optional<int64_t> ReadLenientClock(std::string_view field, std::string_view fractionMarks) {
  const std::string_view s = TrimBlanks(field);
  size_t i = 0;
  const bool negative = !s.empty() && s[0] == '-';
  if (negative) ++i;
  int64_t hours, minutes, seconds, fraction = 0;
  if (CountDigits(s, i, 15, hours) < 1 || i >= s.size() || s[i++] != ':') return std::nullopt;
  if (CountDigits(s, i, 2, minutes) < 1 || i >= s.size() || s[i++] != ':') return std::nullopt;
  if (CountDigits(s, i, 2, seconds) < 1) return std::nullopt;
  if (i < s.size() && fractionMarks.find(s[i]) != std::string_view::npos) {
    ++i;
    const int digits = CountDigits(s, i, 3, fraction);
    if (digits < 1) return std::nullopt;
    for (int d = digits; d < 3; ++d) fraction *= 10;  // "1,5" is 1.500 s
  }
  if (i != s.size()) return std::nullopt;
  // Minutes and seconds add less than two hours' worth.
  if (hours > std::numeric_limits<int64_t>::max() / 3600000 - 2) return std::nullopt;
  const int64_t ms = ((hours * 60 + minutes) * 60 + seconds) * 1000 + fraction;
  return negative ? -ms : ms;
}

// "H:MM:SS" at `i`, minutes and seconds of one or two digits below 60: the
// time in seconds, or -1.
inline int64_t ReadClockSeconds(std::string_view s, size_t& i) {
  const int64_t hours = ReadDigits(s, i, 1, 6);
  if (hours < 0 || i >= s.size() || s[i++] != ':') return -1;
  const int64_t minutes = ReadDigits(s, i, 1, 2);
  if (minutes < 0 || minutes > 59 || i >= s.size() || s[i++] != ':') return -1;
  const int64_t seconds = ReadDigits(s, i, 1, 2);
  if (seconds < 0 || seconds > 59) return -1;
  return (hours * 60 + minutes) * 60 + seconds;
}

// Enough lines to be sure; a refused file is read no further.
inline constexpr size_t kSampleLines = 400;

// The head of line `i` of a sample as the timing patterns see it: without
// a byte order mark on the first line and the blanks around, at most 80
// bytes.
inline std::string_view Head(const std::vector<std::string_view>& lines, size_t i) {
  std::string_view line = lines[i];
  if (i == 0 && line.substr(0, kByteOrderMark.size()) == kByteOrderMark) line.remove_prefix(kByteOrderMark.size());
  return TrimBlanks(line);
}

// The share of the sample's lines that `timing` takes.
template <class Timing>
double ShareOf(const std::vector<std::string_view>& lines, Timing timing) {
  const size_t sample = std::min(lines.size(), kSampleLines);
  size_t count = 0;
  for (size_t i = 0; i < sample; ++i)
    if (timing(Scan(Head(lines, i).substr(0, 80)))) ++count;
  return sample == 0 ? 0.0 : static_cast<double>(count) / static_cast<double>(sample);
}

}  // namespace lm::scan
