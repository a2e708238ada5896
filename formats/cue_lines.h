#pragma once
// Shared by the cue formats whose SourceCue keeps, in `timing`, the blank
// lines that stood before the cue (each followed by "\n") and then the
// cue's own head lines (WebVTT, SBV).
#include <cstddef>
#include <string_view>

#include "model/text.h"

namespace lm::cue_lines {

// Where the head of a SourceCue's `timing` starts: past the blank lines
// before it (nothing left for a kept line).
inline size_t HeadAt(std::string_view timing) {
  for (size_t at = 0;;) {
    const size_t end = timing.find('\n', at);
    if (end == std::string_view::npos || !IsBlankLine(timing.substr(at, end - at))) return at;
    at = end + 1;
  }
}

// `emit` for each line of `lines` ("\n" between them).
template <class Emit>
void EachLine(std::string_view lines, const Emit& emit) {
  for (size_t at = 0;;) {
    const size_t end = lines.find('\n', at);
    emit(lines.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at));
    if (end == std::string_view::npos) return;
    at = end + 1;
  }
}

}  // namespace lm::cue_lines
