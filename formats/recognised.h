#pragma once
// Subtitle formats told apart but not read yet, so that a file in one of
// them is refused with a word on what it is instead of being mangled, and
// content that is not text at all.
#include <string>
#include <string_view>
#include <vector>

#include "model/format.h"

namespace lm {

struct Recogniser {
  const char* name;  // as the refusal names it: "SubViewer"
  Fit (*probe)(const std::vector<std::string_view>& lines);
};
const std::vector<Recogniser>& Recognisers();

// What binary content looks like: "VobSub image data" for MPEG, else
// "binary data"; "" for content that is text.
std::string GuessBinary(std::string_view content);

}  // namespace lm
