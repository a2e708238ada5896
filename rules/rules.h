#pragma once
// Automatic text fixing: the joining and splitting rules, the re-break of
// entries too long for two screen lines, the too-long search and the removal
// of hearing-impaired text. Every procedure works on the shared document
// state inside a command; messages go through Document::Message. Lengths and
// positions count characters; the limits are the document's profile.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/document.h"

namespace lm {

// Joining and splitting rules, on the entry at CurrentIndex.
void JoinLines(Document& doc);
void BreakNearMiddle(Document& doc);
void BreakBeforeMiddle(Document& doc);
void JoinDialogueLine(Document& doc);
void RebreakThreeLines(Document& doc);
// Turns the first space of EntryLine at or after the 1-based character
// position `start` into "|" and writes the entry back; false when there is
// no such space.
bool PlaceBreakFrom(Document& doc, int start);

// Divides entries too long for two screen lines into two entries. With
// `countLeftWhole`, returns how many could have been divided but were left
// whole because the list holds as many entries as a document can (0
// otherwise). A pass examines the first entries of the list, as many as it
// held when the pass began (a half is examined right after its division).
// `last`: what an earlier pass examined, whose entries unchanged since are
// not divided now either.
struct DivisionPass {
  std::uint64_t edit = 0;  // the list's EditCount when it began
  int examined = 0;        // the entries it examined: the list's first
};
int RebreakLongEntries(Document& doc, bool countLeftWhole = false, const DivisionPass& last = {});

// The division of one entry line as the re-break makes it: true, with the two
// new lines, when the entry is selected and can be cut; false otherwise.
// `language`: the text's, for natural breaks (-1: none known).
bool DivideLongEntry(std::string_view line, const TimeNotation& notation, const StyleDialect& markup,
                     const Profile& profile, std::string& first, std::string& second, int language = -1);
// Cuts the joined text near its middle into two entries with halved frame
// ranges; false when there is no place to cut or the frames do not fit.
bool SplitEntryInTwo(std::string_view joined, std::string_view start, std::string_view stop,
                     const TimeNotation& notation, const StyleDialect& markup, std::string& first, std::string& second);

// Whether an entry of this shape breaks the screen rules: more lines than
// the profile has, or a line too long for it. A line without times of its
// own is no entry and breaks none.
bool EntryTooLong(const EntryShape& s, const Profile& profile);

// Stops on the next entry from CurrentIndex on that breaks the screen rules;
// true when one was found. Lines without times are passed over.
bool SeekTooLong(Document& doc);

// One fix walk over the whole list.
void FixEntries(Document& doc);

// Menu commands.
void Fixlines_Click(Document& doc);
void Tolong_Click(Document& doc);
void Nextline_Click(Document& doc);
void Rmhi_Click(Document& doc);
void RemoveHearingImpaired(Document& doc);

// An offset for ShiftTimes: "+1.5" or "-00:00:02,000" (seconds), "+12f"
// (frames); nothing for anything else.
struct TimeOffset {
  int64_t amount = 0;  // milliseconds, or frames
  bool frames = false;
};
std::optional<TimeOffset> ParseTimeOffset(std::string_view text);
// Moves the times of every entry that has them by `offset`, frames and
// milliseconds converted at the document's frame rate; a time that would
// fall before 0 becomes 0. Returns how many entries moved; `stopped` counts
// the times held at 0.
int ShiftTimes(Document& doc, const TimeOffset& offset, int* stopped = nullptr);
// The document is for `frameRate` from now on, every entry showing at the
// same moment: frame numbers are renumbered (and a header entry naming the
// old rate names the new one); times stay as they are. Returns the entries
// renumbered.
int ChangeFrameRate(Document& doc, double frameRate);

}  // namespace lm
