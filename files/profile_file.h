#pragma once
// A profile chosen by the user: a built-in one by its name, or a profile
// file of "key = value" lines (see model/profiles.h).
#include <string>

#include "model/profile.h"

namespace lm {

// The built-in profile `nameOrPath` names, else the profile file at that
// path, named by the path. False, with why in `error` ("mine.txt: line 3:
// unknown key 'colour'"), when it is neither or the file is refused.
bool LoadProfile(const std::string& nameOrPath, Profile& out, std::string& error);

}  // namespace lm
