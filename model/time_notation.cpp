#include "model/time_notation.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "model/entry.h"
#include "model/text.h"

namespace lm {

namespace {
// Digits at `i`, at most `most` of them (0: any number): their value, and
// how many there were.
int ReadDigits(std::string_view s, size_t& i, int most, int64_t& value) {
  int n = 0;
  value = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9' && (most == 0 || n < most)) {
    if (value > (std::numeric_limits<int64_t>::max() - 9) / 10) return -1;
    value = value * 10 + (s[i++] - '0');
    ++n;
  }
  return n;
}

bool Fits(double x) { return std::isfinite(x) && std::fabs(x) < 9.0e18; }
}  // namespace

std::optional<int64_t> ParseTime(std::string_view field) {
  const std::string_view s = TrimBlanks(field);
  size_t i = 0;
  int64_t h, m, sec, ms;
  if (ReadDigits(s, i, 0, h) < 1 || i >= s.size() || s[i++] != ':') return std::nullopt;
  if (ReadDigits(s, i, 2, m) < 1 || i >= s.size() || s[i++] != ':') return std::nullopt;
  if (ReadDigits(s, i, 2, sec) < 1 || i >= s.size() || (s[i] != ',' && s[i] != '.')) return std::nullopt;
  ++i;
  const int digits = ReadDigits(s, i, 3, ms);
  if (digits < 1 || i != s.size() || m > 59 || sec > 59) return std::nullopt;
  for (int d = digits; d < 3; ++d) ms *= 10;  // "1,5" is 1.500 s
  if (h > std::numeric_limits<int64_t>::max() / 3600000 - 1) return std::nullopt;
  return ((h * 60 + m) * 60 + sec) * 1000 + ms;
}

std::string FormatTime(int64_t milliseconds, char separator) {
  if (milliseconds < 0) milliseconds = 0;
  // Written a digit at a time: it runs for every cue written.
  char buf[40];
  char* p = buf;
  const int64_t hours = milliseconds / 3600000;
  if (hours < 10) *p++ = '0';
  p = std::to_chars(p, buf + 20, hours).ptr;
  auto two = [&](int64_t v) {
    *p++ = static_cast<char>('0' + v / 10);
    *p++ = static_cast<char>('0' + v % 10);
  };
  *p++ = ':';
  two(milliseconds / 60000 % 60);
  *p++ = ':';
  two(milliseconds / 1000 % 60);
  *p++ = separator;
  const int64_t ms = milliseconds % 1000;
  *p++ = static_cast<char>('0' + ms / 100);
  two(ms % 100);
  return std::string(buf, p);
}

int64_t FramesToMilliseconds(int64_t frames, double frameRate) {
  const double ms = std::round(static_cast<double>(frames) * 1000.0 / frameRate);
  return Fits(ms) ? static_cast<int64_t>(ms)
                  : (ms < 0 ? std::numeric_limits<int64_t>::min() / 2 : std::numeric_limits<int64_t>::max() / 2);
}

int64_t MillisecondsToFrames(int64_t milliseconds, double frameRate) {
  const double frames = std::round(static_cast<double>(milliseconds) * frameRate / 1000.0);
  return Fits(frames) ? static_cast<int64_t>(frames) : std::numeric_limits<int64_t>::max() / 2;
}

namespace {
class Frames final : public TimeSyntax {
 public:
  bool InFrames() const override { return true; }
  std::optional<int64_t> Parse(std::string_view field) const override { return ParseFrameNumber(field); }
  std::string Format(int64_t units) const override { return FormatFrameNumber(units); }
};
}  // namespace

const TimeSyntax& FrameNumbers() {
  static const Frames frames;
  return frames;
}

std::optional<int64_t> TimeNotation::FromFrames(int64_t frames) const {
  if (InFrames()) return frames;
  const double ms = std::round(static_cast<double>(frames) * 1000.0 / frameRate_);
  if (!Fits(ms)) return std::nullopt;
  return static_cast<int64_t>(ms);
}

int64_t TimeNotation::ToMilliseconds(int64_t units) const {
  return InFrames() ? FramesToMilliseconds(units, frameRate_) : units;
}

int64_t TimeNotation::FromMilliseconds(int64_t milliseconds) const {
  return InFrames() ? MillisecondsToFrames(milliseconds, frameRate_) : milliseconds;
}

int TimeNotation::FrameFieldChars(std::string_view field) const {
  if (!InFrames()) {
    if (const std::optional<int64_t> ms = Parse(field))
      return static_cast<int>(FormatFrameNumber(MillisecondsToFrames(*ms, frameRate_)).size());
  }
  return CharCount(field);
}

std::optional<double> ParseFrameRate(std::string_view text) {
  std::string s(TrimBlanks(text));
  for (char& c : s)
    if (c == ',') c = '.';
  if (s.empty() || s.size() > 32) return std::nullopt;
  // Not strtod: the reading must not depend on the user's locale.
  double value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, std::chars_format::fixed);
  if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(value) || value <= 0 || value > 1000)
    return std::nullopt;
  return value;
}

std::string FormatFrameRate(double frameRate) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, frameRate, std::chars_format::fixed, 3);
  std::string s(buf, result.ptr);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace lm
