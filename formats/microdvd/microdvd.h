#pragma once
// Frame-based ".sub" (the MicroDVD kind): one entry per line,
// "{start}{stop}text", frames in braces, "|" between the screen lines.
//
// Style tags: control tags ("{y:i}", "{Y:b,u}", "{c:$0000FF}", "{f:DejaVu
// Sans}", "{s:12}": "{", a control letter, ":", a value, "}") wherever they
// stand, and a "/" that starts a screen line (italics). A tag with a
// lower-case letter styles its screen line, one with an upper-case letter
// the whole entry.
//
// The header: a first entry "{1}{1}23.976" names the file's frame rate; a
// document converted to this format starts with one.
#include <optional>
#include <string_view>

#include "model/format.h"

namespace lm {

const Format& MicroDvd();

// Bytes of the control tag that starts at byte `i`, or 0 when none does.
size_t MicroDvdTagAt(std::string_view s, size_t i);

// A line with the shape of an entry: blanks, "{", a field, "}{", a field,
// "}" (a UTF-8 byte order mark may come first).
bool LooksLikeFrameEntry(std::string_view line);

// "{1}{1}23.976": the frame rate a file names in its first entry.
std::optional<double> FrameRateEntry(std::string_view line);

}  // namespace lm
