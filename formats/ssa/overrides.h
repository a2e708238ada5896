#pragma once
// The override tags of SubStation Alpha text as a style dialect, shared by
// the two formats of this folder.
#include <string_view>

#include "model/style.h"

namespace lm::ssa {

// `numpad`: positions are written "\an1".."\an9" (v4.00+); otherwise as the
// older "\a" codes (v4.00). Both are read either way.
const StyleDialect& Dialect(bool numpad);

// Entry text holding a drawing and nothing visible but blanks and line
// breaks: no other format can show it.
bool DrawingOnly(std::string_view text);

}  // namespace lm::ssa
