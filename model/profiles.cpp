#include "model/profiles.h"

#include <charconv>
#include <cmath>
#include <optional>

#include "model/text.h"

namespace lm {

namespace {

Profile Netflix() {
  Profile p;
  p.name = "netflix";
  p.charactersPerLine = 42;
  p.lines = 2;
  p.charactersPerSecond = 17;
  p.minDuration = 5.0 / 6.0;
  p.maxDuration = 7;
  p.minGapFrames = 2;
  p.breaks = BreakStyle::Natural;
  return p;
}

Profile Teletext() {
  Profile p;
  p.name = "teletext";
  p.charactersPerLine = 37;
  p.lines = 2;
  p.breaks = BreakStyle::Natural;
  return p;
}

Profile Bbc() {
  Profile p;
  p.name = "bbc";
  p.charactersPerLine = 37;
  p.lines = 2;
  // 180 words a minute, the top of the BBC's range, at the 5.1 characters a
  // word (spaces counted) of Netflix's own pair of figures, 200 words a
  // minute for 17 characters a second.
  p.charactersPerSecond = 15.3;
  p.breaks = BreakStyle::Natural;
  return p;
}

const std::vector<BuiltInProfile> kBuiltIn = {
    {Profile(), "2 lines of 41 characters, the rules as they always were", "Tornak Linemend"},
    {Netflix(), "Netflix, general requirements for adult programmes",
     "Netflix Timed Text Style Guide: General Requirements (5/6 s to 7 s, 2 frames between subtitles, 2 lines) "
     "and English Template (42 characters a line, 17 characters a second for adults)"},
    {Teletext(), "a teletext service: rows of 40 bytes, 3 of them control codes",
     "BBC Subtitle Guidelines, 3.1 Line length (37 characters in teletext) and 3.3 Number of lines (2)"},
    {Bbc(), "BBC subtitles for broadcast and online",
     "BBC Subtitle Guidelines: 3.1 (37 characters a line for both platforms), 3.3 (2 lines), 4 Timing "
     "(160-180 words a minute)"},
};

enum class Key {
  CharactersPerLine,
  Lines,
  CharactersPerSecond,
  MinDuration,
  MaxDuration,
  MinGapFrames,
  Breaks,
  Language
};
constexpr struct {
  Key key;
  const char* name;
} kKeys[] = {
    {Key::CharactersPerLine, "characters-per-line"},
    {Key::Lines, "lines"},
    {Key::CharactersPerSecond, "characters-per-second"},
    {Key::MinDuration, "min-duration"},
    {Key::MaxDuration, "max-duration"},
    {Key::MinGapFrames, "min-gap-frames"},
    {Key::Breaks, "breaks"},
    {Key::Language, "language"},
};
constexpr size_t kKeyCount = sizeof kKeys / sizeof kKeys[0];

std::string KeyNames() {
  std::string names;
  for (const auto& k : kKeys) names += (names.empty() ? "" : ", ") + std::string(k.name);
  return names;
}

// A number as people write it in a settings file, whatever the locale:
// "17", "15.3", or a fraction such as "5/6".
std::optional<double> ReadNumber(std::string_view s) {
  const auto plain = [](std::string_view t) -> std::optional<double> {
    double v = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
    if (t.empty() || error != std::errc() || end != t.data() + t.size() || !std::isfinite(v) || v < 0)
      return std::nullopt;
    return v;
  };
  const size_t slash = s.find('/');
  if (slash == std::string_view::npos) return plain(s);
  const std::optional<double> over = plain(TrimBlanks(s.substr(0, slash)));
  const std::optional<double> under = plain(TrimBlanks(s.substr(slash + 1)));
  if (!over || !under || *under == 0) return std::nullopt;
  return *over / *under;
}

std::optional<int> ReadWhole(std::string_view s, int least, int most) {
  int v = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || error != std::errc() || end != s.data() + s.size() || v < least || v > most) return std::nullopt;
  return v;
}

// Sets the key from its value; the reason for a bad value otherwise.
std::string Apply(Key key, const char* name, std::string_view value, Profile& p) {
  const std::string quoted = " '" + std::string(value) + "'";
  switch (key) {
    case Key::CharactersPerLine:
    case Key::Lines: {
      const int most = key == Key::Lines ? 9 : 255;
      const std::optional<int> v = ReadWhole(value, 1, most);
      if (!v) return std::string(name) + " is a whole number from 1 to " + std::to_string(most) + ", not" + quoted;
      (key == Key::Lines ? p.lines : p.charactersPerLine) = *v;
      return "";
    }
    case Key::MinGapFrames: {
      const std::optional<int> v = ReadWhole(value, 0, 1000);
      if (!v) return std::string(name) + " is a whole number of frames from 0 to 1000, not" + quoted;
      p.minGapFrames = *v;
      return "";
    }
    case Key::CharactersPerSecond: {
      const std::optional<double> v = ReadNumber(value);
      if (!v || *v <= 0 || *v > 1000)
        return std::string(name) + " is a number above 0 up to 1000 (\"17\", \"15.3\"), not" + quoted;
      p.charactersPerSecond = *v;
      return "";
    }
    case Key::MinDuration:
    case Key::MaxDuration: {
      const bool least = key == Key::MinDuration;
      const std::optional<double> v = ReadNumber(value);
      if (!v || (!least && *v == 0) || *v > 3600)
        return std::string(name) + " is a number of seconds " + (least ? "from 0" : "above 0") +
               " up to 3600 (\"1.5\", \"5/6\"), not" + quoted;
      (least ? p.minDuration : p.maxDuration) = *v;
      return "";
    }
    case Key::Breaks: {
      const std::optional<BreakStyle> style = ParseBreakStyle(value);
      if (!style)
        return std::string(name) + " is 'middle' (near the middle of the text) or 'natural' (where a subtitler " +
               "would break), not" + quoted;
      p.breaks = *style;
      return "";
    }
    case Key::Language: {
      const int language = BreakLanguageOfCode(value);
      if (language < 0) return std::string(name) + " is one of " + BreakLanguageCodes() + ", not" + quoted;
      p.language = language;
      return "";
    }
  }
  return "";
}

}  // namespace

const std::vector<BuiltInProfile>& BuiltInProfiles() { return kBuiltIn; }

std::optional<BreakStyle> ParseBreakStyle(std::string_view name) {
  if (name == "middle") return BreakStyle::Middle;
  if (name == "natural") return BreakStyle::Natural;
  return std::nullopt;
}

const char* BreakStyleName(BreakStyle style) { return style == BreakStyle::Natural ? "natural" : "middle"; }

int BreakLanguageOfCode(std::string_view code) {
  for (int i = 0; i < kBreakLanguageCount; ++i)
    if (EqualsNoCase(code, kBreakLanguages[i])) return i;
  return -1;
}

std::string BreakLanguageCodes() {
  std::string codes;
  for (const char* c : kBreakLanguages) codes += (codes.empty() ? "" : ", ") + std::string(c);
  return codes;
}

const Profile* FindBuiltInProfile(std::string_view name) {
  for (const BuiltInProfile& b : kBuiltIn)
    if (b.profile.name == name) return &b.profile;
  return nullptr;
}

std::string BuiltInProfileNames(std::string_view separator) {
  std::string names;
  for (const BuiltInProfile& b : kBuiltIn) names += (names.empty() ? "" : std::string(separator)) + b.profile.name;
  return names;
}

bool ParseProfile(std::string_view text, std::string name, Profile& out, std::string& error) {
  if (text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  Profile p;
  p.name = std::move(name);
  int givenOn[kKeyCount] = {};
  int number = 0;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    at = end + 1;
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanks(line);
    if (line.empty() || line.front() == '#') continue;
    const auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return fail("'" + std::string(line) + "' is not 'key = value'");
    const std::string_view key = TrimBlanks(line.substr(0, equals));
    const std::string_view value = TrimBlanks(line.substr(equals + 1));
    size_t k = 0;
    while (k < kKeyCount && key != kKeys[k].name) ++k;
    if (k == kKeyCount) return fail("unknown key '" + std::string(key) + "' (the keys are " + KeyNames() + ")");
    if (givenOn[k])
      return fail(std::string(kKeys[k].name) + " is given twice (first on line " + std::to_string(givenOn[k]) + ")");
    givenOn[k] = number;
    const std::string why = Apply(kKeys[k].key, kKeys[k].name, value, p);
    if (!why.empty()) return fail(why);
    if (p.minDuration && p.maxDuration && *p.maxDuration < *p.minDuration)
      return fail("max-duration is shorter than min-duration");
  }
  out = std::move(p);
  return true;
}

}  // namespace lm
