#pragma once
// SubRip (".srt"): cues of a number, a timing line
// "00:01:02,500 --> 00:01:04,000" (position coordinates may follow) and text
// lines, with a blank line between cues. A cue is one entry,
// "{00:01:02,500}{00:01:04,000}line one|line two", so every rule works on
// it as on a frame-based entry; the fields keep the times as the file
// wrote them.
//
// And the conversion between the two formats: frames and times at a frame
// rate, and the style tags each understands.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"

namespace lm {

// "{1}{1}23.976": the frame rate a frame-based file names in its first entry.
std::optional<double> FrameRateEntry(std::string_view line);

// A SubRip timing line: its two times as written, and what follows them.
bool ParseTimingLine(std::string_view line, std::string_view& start, std::string_view& stop);

// The cues of SubRip text lines (UTF-8; blank lines included) as entry
// lines and the cues they came from. Odd shapes found in real files are
// taken: missing or wrong numbers, extra blank lines, no blank line before
// the next number, a cue without text. `finalBlank`: the file ended its
// last cue with a blank line.
void ParseSubRip(const std::vector<std::string_view>& lines, std::vector<std::string>& entries,
                 std::vector<SourceCue>& sources, bool& finalBlank);

using LineSink = std::function<void(std::string_view line)>;

// The document written as SubRip, a line at a time: cues numbered 1…n, an
// untouched cue from the bytes it was read from, a converted document's
// times from its frames at its frame rate.
void WriteSubRip(const Document& doc, const LineSink& emit);
// A document read as SubRip written frame-based: a frame-rate first entry,
// then each cue's times as frames.
void WriteMicroDvdFromSubRip(const Document& doc, const LineSink& emit);

// Style tags from one format to the other, a screen line at a time: italic,
// bold, underline and colour carry over; what the other format has no
// word for is left out.
std::string MicroDvdTextToSubRip(std::string_view text);
std::string SubRipTextToMicroDvd(std::string_view text);

}  // namespace lm
