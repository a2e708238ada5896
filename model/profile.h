#pragma once
// The rules' limits: how many screen lines of how many characters an entry
// may have, and every threshold of the rules derived from those two. The
// thresholds come in pairs that look alike but differ on purpose; keep them
// apart. The fields after them are unset by default and no rule of the
// default profile reads them.
#include <optional>
#include <string>

namespace lm {

// Where the rules break a line: at the first space from just before the
// middle (the rules as they always were), or at the space a subtitler would
// choose among those where both lines fit (after punctuation, before a
// conjunction, never after an article, ...).
enum class BreakStyle { Middle, Natural };

// The languages whose function words natural breaks know, by ISO 639-1 code,
// in the order of the word lists.
inline constexpr const char* kBreakLanguages[] = {"en", "fr", "de", "es", "it", "pt", "nl", "sv",
                                                  "da", "no", "fi", "pl", "cs", "ro", "ru"};
inline constexpr int kBreakLanguageCount = sizeof kBreakLanguages / sizeof kBreakLanguages[0];

struct Profile {
  std::string name = "classic";
  int charactersPerLine = 41;
  int lines = 2;
  std::optional<double> charactersPerSecond;
  std::optional<double> minDuration, maxDuration;  // seconds
  std::optional<int> minGapFrames;
  BreakStyle breaks = BreakStyle::Middle;
  // The text's language for natural breaks, an index into kBreakLanguages;
  // -1: guessed from the document's text.
  int language = -1;

  // A screen line may hold this many characters (one more is too long).
  int ScreenLineChars() const { return charactersPerLine; }
  // The characters of the screen lines together.
  int ScreenChars() const { return lines * charactersPerLine; }
  // The fix walk splits single lines of WalkSplitMin ... WalkSplitMax
  // characters and joins and breaks again texts of two lines up to
  // WalkJoinMax.
  int WalkSplitMin() const { return charactersPerLine + 1; }
  int WalkSplitMax() const { return ScreenChars() - 3; }
  int WalkJoinMax() const { return ScreenChars() - 2; }
  // The re-break divides texts of RebreakMin characters and more, below
  // RebreakLimit.
  int RebreakMin() const { return ScreenChars() + 1; }
  int RebreakLimit() const { return 2 * ScreenChars(); }
  // The too-long search flags texts of two lines of this many characters.
  int SeekTooLongTotal() const { return ScreenChars() + 2; }
};

}  // namespace lm
