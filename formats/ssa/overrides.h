#pragma once
// The override tags of SubStation Alpha text as a style dialect.
#include <string_view>

#include "model/style.h"

namespace lm::ssa {

// Positions are read as "\an1".."\an9" and as the older "\a" codes, and
// written as the first.
const StyleDialect& Dialect();

// Entry text holding a drawing and nothing visible but blanks and line
// breaks: no other format can show it.
bool DrawingOnly(std::string_view text);

}  // namespace lm::ssa
