#include "model/time_notation.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
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

// std::round(x) (halves away from zero) as a whole number, when that is
// finite and below 9e18 in size: without the call the compiler makes for std::round on the x86-64
// baseline, and without a branch on the fraction, which is as good as
// random. Every time converted is rounded. Truncated, a double below 2^52
// leaves an exact fraction; from 2^52 on every double is whole.
inline bool RoundedFits(double x, int64_t& rounded) {
  if (!(std::fabs(x) < 9.0e18)) return false;  // NaN and infinities too
  const int64_t whole = static_cast<int64_t>(x);
  const double fraction = x - static_cast<double>(whole);
  rounded = whole + (fraction >= 0.5) - (fraction <= -0.5);
  return true;
}
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
  char buf[kMostTimeChars];
  return std::string(buf, FormatTimeTo(buf, milliseconds, separator));
}

namespace {
// "00" to "99".
constexpr std::array<char, 200> kTwoDigits = [] {
  std::array<char, 200> digits{};
  for (int i = 0; i < 100; ++i) {
    digits[2 * i] = static_cast<char>('0' + i / 10);
    digits[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return digits;
}();
}  // namespace

char* FormatTimeTo(char* p, int64_t milliseconds, char separator) {
  if (milliseconds < 0) milliseconds = 0;
  // Written two digits at a time, each unit split off the one below in 32
  // bits: it runs for every cue written. Hours take at most 13 digits.
  const auto two = [&](uint32_t v) {
    std::memcpy(p, &kTwoDigits[2 * v], 2);
    p += 2;
  };
  const int64_t hours = milliseconds / 3600000;
  if (hours < 100) {
    two(static_cast<uint32_t>(hours));
  } else {
    p = std::to_chars(p, p + 20, hours).ptr;
  }
  const auto rest = static_cast<uint32_t>(milliseconds - hours * 3600000);
  const uint32_t seconds = rest / 1000, ms = rest % 1000;
  *p++ = ':';
  two(seconds / 60);
  *p++ = ':';
  two(seconds % 60);
  *p++ = separator;
  *p++ = static_cast<char>('0' + ms / 100);
  two(ms % 100);
  return p;
}

int64_t FramesToMilliseconds(int64_t frames, double frameRate) {
  const double ms = static_cast<double>(frames) * 1000.0 / frameRate;
  int64_t rounded;
  if (RoundedFits(ms, rounded)) return rounded;
  return ms < 0 ? std::numeric_limits<int64_t>::min() / 2 : std::numeric_limits<int64_t>::max() / 2;
}

int64_t MillisecondsToFrames(int64_t milliseconds, double frameRate) {
  int64_t rounded;
  return RoundedFits(static_cast<double>(milliseconds) * frameRate / 1000.0, rounded)
             ? rounded
             : std::numeric_limits<int64_t>::max() / 2;
}

namespace {
class Frames final : public TimeSyntax {
 public:
  bool InFrames() const override { return true; }
  std::optional<int64_t> Parse(std::string_view field) const override {
    // Nearly every field is bare digits, which cannot overflow below 19.
    if (field.empty() || field.size() > 18) return ParseFrameNumber(field);
    int64_t value = 0;
    for (const char c : field) {
      if (c < '0' || c > '9') return ParseFrameNumber(field);
      value = value * 10 + (c - '0');
    }
    return value;
  }
  std::string Format(int64_t units) const override { return FormatFrameNumber(units); }
  char* FormatInto(int64_t units, char* out, size_t room) const override {
    const std::to_chars_result written = std::to_chars(out, out + room, units);
    return written.ec == std::errc() ? written.ptr : nullptr;
  }
};
}  // namespace

const TimeSyntax& FrameNumbers() {
  static const Frames frames;
  return frames;
}

std::optional<int64_t> TimeNotation::FromFrames(int64_t frames) const {
  if (InFrames()) return frames;
  int64_t ms;
  if (!RoundedFits(static_cast<double>(frames) * 1000.0 / frameRate_, ms)) return std::nullopt;
  return ms;
}

int64_t TimeNotation::ToMilliseconds(int64_t units) const {
  return InFrames() ? FramesToMilliseconds(units, frameRate_) : units;
}

int64_t TimeNotation::FromMilliseconds(int64_t milliseconds) const {
  return InFrames() ? MillisecondsToFrames(milliseconds, frameRate_) : milliseconds;
}

int TimeNotation::FrameFieldChars(std::string_view field) const {
  if (!InFrames()) {
    if (const std::optional<int64_t> ms = Parse(field)) {
      // The characters FormatFrameNumber writes: a sign, then the digits.
      const int64_t frames = MillisecondsToFrames(*ms, frameRate_);
      int chars = frames < 0 ? 2 : 1;
      for (uint64_t rest = frames < 0 ? 0 - static_cast<uint64_t>(frames) : static_cast<uint64_t>(frames); rest >= 10;
           rest /= 10)
        ++chars;
      return chars;
    }
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
