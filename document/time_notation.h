#pragma once
// How the two fields between an entry's braces are read and written: whole
// frames in a frame-based file, times in milliseconds ("00:01:02,500") in a
// SubRip one. Every rule that does arithmetic on them (the frame buttons,
// Split Line, the re-break's halving) goes through here, so the rules never
// learn which format they work on.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lm {

inline constexpr double kDefaultFrameRate = 25.0;

class TimeNotation {
 public:
  static TimeNotation Frames() { return TimeNotation(false, kDefaultFrameRate); }
  static TimeNotation Milliseconds(double frameRate) { return TimeNotation(true, frameRate); }

  bool InMilliseconds() const { return milliseconds_; }
  double FrameRate() const { return frameRate_; }
  // A whole field (blanks around allowed) as units: frames, or milliseconds;
  // nothing for anything else.
  std::optional<int64_t> Parse(std::string_view field) const;
  // Units as a field: "150", or "00:00:00,150".
  std::string Format(int64_t units) const;
  // `frames` frames in units, to the nearest millisecond; nothing when it
  // does not fit.
  std::optional<int64_t> FromFrames(int64_t frames) const;

 private:
  TimeNotation(bool milliseconds, double frameRate) : milliseconds_(milliseconds), frameRate_(frameRate) {}
  bool milliseconds_;
  double frameRate_;
};

// "HH:MM:SS,mmm" (hours 1 or more digits, "," or "." before 1 to 3 digits of
// milliseconds, blanks around allowed) as milliseconds.
std::optional<int64_t> ParseTime(std::string_view field);
std::string FormatTime(int64_t milliseconds);

// Frames to milliseconds and back at a frame rate, to the nearest.
int64_t FramesToMilliseconds(int64_t frames, double frameRate);
int64_t MillisecondsToFrames(int64_t milliseconds, double frameRate);

// A frame rate as people write it ("25", "23.976", "29,97"); nothing for one
// that is not a positive number.
std::optional<double> ParseFrameRate(std::string_view text);
std::string FormatFrameRate(double frameRate);

}  // namespace lm
