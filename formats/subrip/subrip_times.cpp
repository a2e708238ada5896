// SubRip times and timing lines as real files write them. The readers in
// use keep cues that a strict reading would lose, so this one takes what
// they take: hours of any number of digits, minutes and seconds of one or
// two ("0:0:5,000"), 60 to 99 of either carried into the next unit as
// players count them ("00:00:60,000" is a minute), the fraction after ",",
// "." or ":" in one to three digits or none at all ("00:00:01"), a leading
// "-" for a time before the film starts, and an arrow however it was typed
// ("-->", "->", "- >", "-- >", "—>").
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "formats/scan.h"
#include "formats/subrip/subrip.h"
#include "model/text.h"
#include "model/time_notation.h"

namespace lm {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Bytes of the dash at `i` of an arrow: "-", or "–", "—", "−" as word
// processors turn it.
size_t DashAt(std::string_view s, size_t i) {
  if (i < s.size() && s[i] == '-') return 1;
  const std::string_view three = s.substr(i, 3);
  return three == "\xE2\x80\x93" || three == "\xE2\x80\x94" || three == "\xE2\x88\x92" ? 3 : 0;
}

// The end of the time that starts at `i`: a sign, digits and separators.
size_t TimeEnd(std::string_view s, size_t i) {
  if (i < s.size() && s[i] == '-') ++i;
  while (i < s.size() && (IsDigit(s[i]) || s[i] == ':' || s[i] == ',' || s[i] == '.')) ++i;
  return i;
}

size_t PastBlanks(std::string_view s, size_t i) {
  while (i < s.size() && IsBlank(s[i])) ++i;
  return i;
}

constexpr int kMostDashes = 3;

}  // namespace

bool IsWrittenTime(std::string_view t) {
  const auto digit = [&](size_t i) { return IsDigit(t[i]); };
  return t.size() == 12 && digit(0) && digit(1) && t[2] == ':' && t[3] >= '0' && t[3] <= '5' && digit(4) &&
         t[5] == ':' && t[6] >= '0' && t[6] <= '5' && digit(7) && t[8] == ',' && digit(9) && digit(10) && digit(11);
}

std::optional<int64_t> ParseSubRipTime(std::string_view field) {
  // Nearly every time is written so: read without the lenient walk.
  if (IsWrittenTime(field)) {
    const auto two = [&](size_t i) { return (field[i] - '0') * 10 + (field[i + 1] - '0'); };
    return ((two(0) * 60 + two(3)) * 60 + two(6)) * int64_t{1000} + (field[9] - '0') * 100 + two(10);
  }
  return scan::ReadLenientClock(field, ",.:");
}

std::string FormatSubRipTime(int64_t milliseconds) {
  char buf[kMostSubRipTimeChars];
  return std::string(buf, FormatSubRipTimeTo(buf, milliseconds));
}

char* FormatSubRipTimeTo(char* out, int64_t milliseconds) {
  if (milliseconds >= 0) return FormatTimeTo(out, milliseconds);
  const int64_t before =
      milliseconds == std::numeric_limits<int64_t>::min() ? std::numeric_limits<int64_t>::max() : -milliseconds;
  *out = '-';
  return FormatTimeTo(out + 1, before);
}

bool ParseTimingLine(std::string_view line, std::string_view& start, std::string_view& stop) {
  // "00:00:01,000 --> 00:00:02,500", as nearly every line is written, with
  // position coordinates or not.
  if (line.size() >= 29 && (line.size() == 29 || IsBlank(line[29])) && line.substr(12, 5) == " --> " &&
      IsWrittenTime(line.substr(0, 12)) && IsWrittenTime(line.substr(17, 12))) {
    start = line.substr(0, 12);
    stop = line.substr(17, 12);
    return true;
  }
  const size_t startAt = PastBlanks(line, 0);
  const size_t startEnd = TimeEnd(line, startAt);
  if (startEnd == startAt) return false;
  size_t i = PastBlanks(line, startEnd);
  int dashes = 0;
  for (size_t d; (d = DashAt(line, i)) != 0 && dashes < kMostDashes; ++dashes) i = PastBlanks(line, i + d);
  if (dashes == 0 || i >= line.size() || line[i] != '>') return false;
  const size_t stopAt = PastBlanks(line, i + 1);
  const size_t stopEnd = TimeEnd(line, stopAt);
  // Position coordinates or other words may follow, after a blank.
  if (stopEnd < line.size() && !IsBlank(line[stopEnd])) return false;
  const std::string_view first = line.substr(startAt, startEnd - startAt);
  const std::string_view second = line.substr(stopAt, stopEnd - stopAt);
  if (!ParseSubRipTime(first) || !ParseSubRipTime(second)) return false;
  start = first;
  stop = second;
  return true;
}

size_t LeadingMark(std::string_view line, bool first) {
  if (line.substr(0, kByteOrderMark.size()) == kByteOrderMark) return kByteOrderMark.size();
  if (!first) return 0;
  // The mark of a file read in an 8-bit code page (or saved again in UTF-8
  // from one) arrives as three letters of that page, "ï»¿", before the
  // first digit.
  size_t i = 0;
  for (int chars = 0; chars < 3; ++chars) {
    if (i >= line.size() || static_cast<unsigned char>(line[i]) < 0xC0) return 0;
    ++i;
    while (i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) ++i;
  }
  return i < line.size() && (IsDigit(line[i]) || line[i] == '-') ? i : 0;
}

}  // namespace lm
