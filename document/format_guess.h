#pragma once
// Telling what a subtitle text is from its lines, so that a file that is not
// frame-based is refused with a word on what it is instead of being mangled.
#include <string>
#include <string_view>
#include <vector>

namespace lm {

// A line with the shape of a frame-based entry: blanks, "{", a field, "}{",
// a field, "}" (a UTF-8 byte order mark may come first).
bool LooksLikeFrameEntry(std::string_view line);

// Frame-based text: at least half of the non-empty lines (those given) are
// entries. A real file with a header, a corrupt frame or a few stray lines
// passes; SubRip, SubViewer and other text do not.
bool IsFrameBased(const std::vector<std::string_view>& lines);

// What other text looks like: "SubRip", "SubViewer", "WebVTT",
// "SubStation Alpha", "MPL2", "TMPlayer", or "" when nothing known.
std::string GuessTextFormat(const std::vector<std::string_view>& lines);

// What binary content looks like: "VobSub image data" for MPEG, else
// "binary data"; "" for content that is text.
std::string GuessBinary(std::string_view content);

}  // namespace lm
