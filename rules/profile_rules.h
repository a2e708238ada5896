#pragma once
// The profile's rules over a whole document: what each entry breaks (a
// line too long, too many lines, reading too fast, too short or too long on
// screen, too close to the next entry or over it), and the timing fix.
//
// Times go through the document's TimeNotation, so frames and clock times
// are judged alike: a duration is stop - start, a gap the next entry's start
// - stop; frames are read at the document's frame rate. The reading speed
// is the visible characters of the screen lines, spaces and punctuation
// included, style tags and line breaks not, over the seconds on screen. The
// next entry is the next one in the list that has times. Lines without
// times (kept lines, and entries whose fields are no times) and the
// format's header entry are no entries to judge.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/document.h"

namespace lm {

enum class Rule { LineLength, Lines, ReadingSpeed, MinDuration, MaxDuration, Gap, Overlap };
// "line-length", "lines", "reading-speed", "min-duration", "max-duration",
// "gap", "overlap".
std::string_view RuleName(Rule rule);

// Values and limits: characters (line-length, lines), characters a second,
// seconds (durations, and the overlap, whose limit is 0), frames (gap).
struct Problem {
  int entry = 0;  // 0-based
  Rule rule = Rule::LineLength;
  double value = 0, limit = 0;
};

struct ProfileCheck {
  std::vector<Problem> problems;  // by entry, then in the order of Rule
  std::vector<int> untimed;       // entries with text but no times to judge
};

// One pass over the document against its profile.
ProfileCheck CheckProfile(const Document& doc);
// How many entries break the profile.
int EntriesBreaking(const ProfileCheck& check);

// What the window shows of an entry: its times in seconds and its reading
// speed; nothing for an entry without times.
struct EntryTiming {
  double start = 0, stop = 0, duration = 0;
  std::optional<double> charactersPerSecond;  // none when nothing is on screen for a time
};
std::optional<EntryTiming> TimingOf(const Document& doc, int index);

// "reading speed 23.4 > 17 cps"
std::string DescribeProblem(const Problem& problem);
// A number as the reports write it: at most `decimals` decimals, no
// trailing zeros ("17", "0.833").
std::string FormatNumber(double value, int decimals);

// "Fix timing": lengthens each entry too short, or read too fast, into the
// free time before the next entry, keeping the minimum gap (never beyond
// the longest duration); brings the gap to an entry that starts too soon
// after (or before) this one ends to the minimum by moving this entry's
// end, as long as it stays after its start. No start moves and no overlap
// is made. Returns how many entries changed.
int FixTiming(Document& doc);
// The menu command: FixTiming, then says how many entries changed and how
// many still break the profile.
void Fixtiming_Click(Document& doc);

}  // namespace lm
