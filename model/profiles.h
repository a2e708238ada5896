#pragma once
// The broadcasters' profiles the program knows by name, with the published
// figures they were taken from, and profile files: "key = value" lines that
// name the same limits for a channel of the user's own.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/profile.h"

namespace lm {

struct BuiltInProfile {
  Profile profile;
  const char* title;   // what the profile is, in a few words
  const char* source;  // where its figures were published
};

// classic first: the rules as they always were, the default.
const std::vector<BuiltInProfile>& BuiltInProfiles();
// The built-in profile of that name, or nothing.
const Profile* FindBuiltInProfile(std::string_view name);
// "classic, netflix, …"
std::string BuiltInProfileNames(std::string_view separator);

// Whether the profile is the classic one: today's rules and output.
inline bool IsClassic(const Profile& profile) { return profile.name == "classic"; }
// Whether any figure beyond the screen lines is set.
inline bool HasTimingFigures(const Profile& p) {
  return p.charactersPerSecond || p.minDuration || p.maxDuration || p.minGapFrames;
}

// "middle" or "natural"; nothing for another name.
std::optional<BreakStyle> ParseBreakStyle(std::string_view name);
const char* BreakStyleName(BreakStyle style);
// The index of a language code ("fr", any case) in kBreakLanguages; -1 when
// natural breaks do not know it.
int BreakLanguageOfCode(std::string_view code);
// "en, fr, de, …"
std::string BreakLanguageCodes();

// Reads the text of a profile file into `out`, named `name`: one
// "key = value" a line, blank lines and lines starting with "#" aside. Keys
// not given keep the classic values. False, with "line N: why" in `error`,
// on an unknown key, a bad value or a key given twice.
bool ParseProfile(std::string_view text, std::string name, Profile& out, std::string& error);

}  // namespace lm
