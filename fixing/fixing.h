#pragma once
// Automatic text fixing: the joining and splitting rules, the re-break of
// entries too long for two screen lines, the too-long search and the removal
// of hearing-impaired text. Every procedure works on the shared document
// state; messages go through Document::Message.
#include "document/document.h"

namespace lm {

// Joining and splitting rules, on the entry at CurrentIndex.
void JoinLines(Document& doc);
void BreakNearMiddle(Document& doc);
void BreakBeforeMiddle(Document& doc);
void JoinDialogueLine(Document& doc);
void RebreakThreeLines(Document& doc);
void PlaceBreakFrom(Document& doc, int start);

// Divides entries too long for two screen lines into two entries.
void RebreakLongEntries(Document& doc);

// Stops on the next entry from CurrentIndex on that breaks the screen rules;
// true when one was found.
bool SeekTooLong(Document& doc);

// One fix walk over the whole list.
void FixEntries(Document& doc);

// Menu commands.
void Fixlines_Click(Document& doc);
void Tolong_Click(Document& doc);
void Nextline_Click(Document& doc);
void Rmhi_Click(Document& doc);
void RemoveHearingImpaired(Document& doc);

}  // namespace lm
