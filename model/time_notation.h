#pragma once
// How the two fields between an entry's braces are read and written: whole
// frames, or a clock time in milliseconds ("00:01:02,500"), as the format of
// the document says (its TimeSyntax). Every rule that does arithmetic on
// them (the frame buttons, Split Line, the re-break's halving) goes through
// the document's TimeNotation, which also carries the document's frame rate,
// so the rules never learn which format they work on.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lm {

inline constexpr double kDefaultFrameRate = 25.0;

// How a format writes an entry's times. Units are frames or milliseconds.
class TimeSyntax {
 public:
  virtual ~TimeSyntax() = default;
  virtual bool InFrames() const = 0;
  // A whole field (blanks around allowed) as units; nothing for anything else.
  virtual std::optional<int64_t> Parse(std::string_view field) const = 0;
  virtual std::string Format(int64_t units) const = 0;
  // Format(units) into `out`, which has room for `room` bytes: the end of
  // what was written, or nothing when it needs more room. A syntax that
  // writes its times itself makes no string for each.
  virtual char* FormatInto(int64_t units, char* out, size_t room) const {
    const std::string s = Format(units);
    if (s.size() > room) return nullptr;
    return s.copy(out, s.size()) + out;
  }
};

// Whole frame numbers: "150".
const TimeSyntax& FrameNumbers();

class TimeNotation {
 public:
  TimeNotation(const TimeSyntax& syntax, double frameRate) : syntax_(&syntax), frameRate_(frameRate) {}

  bool InFrames() const { return syntax_->InFrames(); }
  bool InMilliseconds() const { return !InFrames(); }
  double FrameRate() const { return frameRate_; }
  const TimeSyntax& Syntax() const { return *syntax_; }
  std::optional<int64_t> Parse(std::string_view field) const { return syntax_->Parse(field); }
  std::string Format(int64_t units) const { return syntax_->Format(units); }
  // `frames` frames in units, to the nearest millisecond; nothing when it
  // does not fit.
  std::optional<int64_t> FromFrames(int64_t frames) const;
  // Units in milliseconds and back, to the nearest, at the frame rate.
  int64_t ToMilliseconds(int64_t units) const;
  int64_t FromMilliseconds(int64_t milliseconds) const;
  // The characters the field would have written in frames at the frame rate
  // (the field as it is when it is not a time): what a rule that measures a
  // whole entry line counts for it.
  int FrameFieldChars(std::string_view field) const;

 private:
  const TimeSyntax* syntax_;
  double frameRate_;
};

// "HH:MM:SS,mmm" (hours 1 or more digits, "," or "." before 1 to 3 digits of
// milliseconds, blanks around allowed) as milliseconds.
std::optional<int64_t> ParseTime(std::string_view field);
// `separator` stands before the milliseconds.
std::string FormatTime(int64_t milliseconds, char separator = ',');
// FormatTime into `out`, which has room for kMostTimeChars; the end of what
// was written.
inline constexpr size_t kMostTimeChars = 32;
char* FormatTimeTo(char* out, int64_t milliseconds, char separator = ',');

// Frames to milliseconds and back at a frame rate, to the nearest.
int64_t FramesToMilliseconds(int64_t frames, double frameRate);
int64_t MillisecondsToFrames(int64_t milliseconds, double frameRate);

// A frame rate as people write it ("25", "23.976", "29,97"); nothing for one
// that is not a positive number.
std::optional<double> ParseFrameRate(std::string_view text);
std::string FormatFrameRate(double frameRate);

}  // namespace lm
