// The joining and splitting rules the fix walk applies to the current entry.
// A break carries the style of the line it cuts to the new line; a join
// drops the style the joined line repeats. A join that would change what the
// screen shows is not made (JoinLineAt): that line break stays the break.
#include "rules/natural_breaks.h"
#include "rules/rules.h"
#include "rules/rules_util.h"

namespace lm {

using namespace rules;

void JoinLines(Document& doc) { JoinAllLines(doc.EntryText, doc.TextMarkup()); }

namespace {
void WriteTextBrokenAt(Document& doc, const Visible& visible, int p) {
  std::string line = doc.FramePair();
  const size_t textAt = line.size();
  if (visible.Identity()) {  // no markup: no style to carry
    line += doc.EntryText;
    line[textAt + static_cast<size_t>(p - 1)] = kBreak;
  } else {
    // Room for the style the new line may carry.
    line.reserve(textAt + doc.EntryText.size() + 32);
    line += doc.EntryText;
    BreakLineAt(line, textAt + visible.Byte(p - 1), textAt, doc.TextMarkup());
  }
  WriteLineAtCurrent(doc, std::move(line));
}

bool Natural(const Document& doc) { return doc.RuleProfile().breaks == BreakStyle::Natural; }

// The natural break of EntryText. Two speakers keep a line each; when one of
// them does not fit a line the entry is left for the division.
void BreakNaturally(Document& doc) {
  if (doc.EntryText.find(kSpace) == std::string::npos) return;  // nowhere to break
  const StyleDialect& markup = doc.TextMarkup();
  const Visible visible(doc.EntryText, 0, markup);
  const int most = doc.RuleProfile().ScreenLineChars();
  if (natural::DialogueDashes(doc.EntryText, markup) == 2) {
    const int p = natural::SpeakerChange(doc.EntryText, visible, 0, markup);
    if (p != 0 && p - 1 <= most && visible.size() - p <= most) WriteTextBrokenAt(doc, visible, p);
    return;
  }
  const int p = natural::ChooseBreak(doc.EntryText, visible, 0, markup, most, natural::DocumentLanguage(doc),
                                     natural::Parts::Lines);
  if (p != 0) WriteTextBrokenAt(doc, visible, p);
}
}  // namespace

void BreakNearMiddle(Document& doc) {
  if (Natural(doc)) {
    BreakNaturally(doc);
    return;
  }
  const Visible visible(doc.EntryText, 0, doc.TextMarkup());
  const int len = visible.size();
  // Forward from just before the middle; when nothing is found the backward
  // rule is deliberately not tried.
  const int p = BreakFrom(doc.EntryText, visible, len / 2 - 1, 0, doc.TextMarkup());
  if (p == 0) return;
  if (p - 1 >= doc.RuleProfile().ScreenLineChars()) {
    BreakBeforeMiddle(doc);
    return;
  }
  WriteTextBrokenAt(doc, visible, p);
}

void BreakBeforeMiddle(Document& doc) {
  if (Natural(doc)) {
    BreakNaturally(doc);
    return;
  }
  const Visible visible(doc.EntryText, 0, doc.TextMarkup());
  const int len = visible.size();
  const int p = BreakUpTo(doc.EntryText, visible, len / 2, 0, doc.TextMarkup());
  if (p == 0) return;
  if (len - p >= doc.RuleProfile().ScreenLineChars()) return;  // the second line would not fit
  WriteTextBrokenAt(doc, visible, p);
}

void JoinDialogueLine(Document& doc) {
  std::string& line = doc.EntryLine;
  const size_t textAt = TextStart(line);
  const size_t n = line.size();
  // The break inside a speaker's line is the one whose next line does not
  // start with a dash (its style markup aside); a break at the very end
  // counts as well.
  for (size_t i = 0; i < n; ++i) {
    if (line[i] != kBreak) continue;
    const size_t next = i + 1 + (i >= textAt ? LinePrefixAt(line, i + 1, doc.TextMarkup()) : 0);
    if (next == n || line[next] != kDash) {
      if (JoinLineAt(line, i, textAt, doc.TextMarkup())) WriteLineAtCurrent(doc, line);
      return;
    }
  }
}

namespace {
// How many characters more the line's two fields would have written in
// frames than they have as they stand (fewer: negative).
int MoreCharsInFrames(const Document& doc, std::string_view line) {
  EntryFields f;
  if (!SplitFullEntry(line, f)) return 0;
  const TimeNotation notation = doc.Notation();
  return notation.FrameFieldChars(f.start) - CharCount(f.start) + notation.FrameFieldChars(f.stop) - CharCount(f.stop);
}

// PlaceBreakFrom on EntryLine whose text starts at `textAt`.
bool PlaceBreakFrom(Document& doc, int start, size_t textAt, const Visible& visible) {
  const int p = BreakFrom(doc.EntryLine, visible, start, textAt, doc.TextMarkup());
  if (p == 0) return false;
  BreakLineAt(doc.EntryLine, visible.Byte(p - 1), textAt, doc.TextMarkup());
  doc.SetItem(doc.CurrentIndex, doc.EntryLine);
  return true;
}
}  // namespace

void RebreakThreeLines(Document& doc) {
  std::string& line = doc.EntryLine;
  const size_t textAt = TextStart(line);
  bool kept = false, joined = false;  // a join refused: its break is the entry's one break
  size_t search = std::string::npos;
  for (int round = 0; round < 2; ++round) {
    const size_t last = FindLast(line, kBreak, search);
    if (last == std::string::npos) break;
    const bool made = JoinLineAt(line, last, textAt, doc.TextMarkup());
    kept |= !made;
    joined |= made;
    if (last == 0) break;
    search = last - 1;
  }
  if (kept) {
    if (joined) WriteLineAtCurrent(doc, line);
    return;
  }
  const Visible visible(line, textAt, doc.TextMarkup());
  if (Natural(doc)) {
    const int p = natural::ChooseBreak(line, visible, textAt, doc.TextMarkup(), doc.RuleProfile().ScreenLineChars(),
                                       natural::DocumentLanguage(doc), natural::Parts::Lines);
    if (p == 0) return;
    BreakLineAt(line, visible.Byte(p - 1), textAt, doc.TextMarkup());
    WriteLineAtCurrent(doc, line);
    return;
  }
  // The middle is taken over the whole entry string, frames included, as it
  // stands in frames: a cue's two times count as the frame numbers they are.
  const int more = MoreCharsInFrames(doc, line);
  if (PlaceBreakFrom(doc, (visible.size() + more + 7) / 2 - more, textAt, visible)) CountFix(doc);
}

bool PlaceBreakFrom(Document& doc, int start) {
  const size_t textAt = TextStart(doc.EntryLine);
  return PlaceBreakFrom(doc, start, textAt, Visible(doc.EntryLine, textAt, doc.TextMarkup()));
}

}  // namespace lm
