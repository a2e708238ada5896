#pragma once
// MPL2 (".txt", also ".mpl"): one entry per line, "[604][640]text", the
// start and the stop in deciseconds between brackets, "|" between the
// screen lines. The entry's fields keep the numbers as the file writes them
// ("{604}{640}text"); their units are milliseconds, so a time moved by the
// frame buttons or cut by Split Line is written to the nearest decisecond.
// A stop left empty ("[604][]") is the next entry's start, within five
// seconds (see line_entries.h), and is written once its entry changes.
//
// Style: a "/" that starts a screen line sets it in italics; there are no
// other tags.
#include <cstddef>
#include <string_view>

#include "model/format.h"

namespace lm {

const Format& Mpl2();

// The "[start][stop]" that starts an MPL2 line: its two fields (views into
// `line`, the stop possibly empty) and where the text begins.
bool ParseMpl2Timing(std::string_view line, std::string_view& start, std::string_view& stop, size_t& textAt);

}  // namespace lm
