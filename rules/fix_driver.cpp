// "Fix text automatic": three passes of the fix walk, the too-long search,
// the long-entry re-break and the display.
#include <algorithm>
#include <cstdint>

#include "model/navigation.h"
#include "rules/natural_breaks.h"
#include "rules/rules.h"
#include "rules/rules_util.h"

namespace lm {

using namespace rules;

namespace {

constexpr int kPasses = 3;
constexpr const char* kFault = "Some shit";

// B = 1 and at most one dash: a two-line text whose first line has as many
// characters as a screen line holds or more, or whose second line is too
// long for one, is joined and broken again near its middle. `len` and `bar`
// (the 1-based position of the "|") are in characters.
bool NeedsRebalance(int len, int bar, const Profile& profile) {
  if (len > profile.WalkJoinMax() || bar == 0) return false;
  return bar - 1 >= profile.ScreenLineChars() || len - bar > profile.ScreenLineChars();
}

// The rules with natural breaks. Dashes are dialogue dashes only (a hyphen
// inside a word is none); a line is re-broken only when it does not fit; two
// speakers get a line each.
bool FixEntryNaturally(Document& doc, int p, const EntryShape& s) {
  const int most = doc.RuleProfile().ScreenLineChars();
  // Most entries fit: judged on their shape, without a look at the text.
  const bool pairFits = s.textBreaks == 1 && s.firstBar - 1 <= most && s.textChars - s.firstBar <= most;
  if (s.textBreaks > 2 || (s.textBreaks == 0 && s.textChars <= most)) return true;
  const std::string_view text = std::string_view(doc.List1.Item(p)).substr(s.textAt);
  // Without a visible "-" only a text beyond ASCII can hold a dialogue dash (an en or em dash).
  const bool mayHoldDashes = s.textDashes > 0 || !IsAscii(text);
  if (pairFits && !mayHoldDashes) return true;
  const int dashes = mayHoldDashes ? natural::DialogueDashes(text, doc.TextMarkup()) : 0;
  if (s.textBreaks == 2) {
    if (dashes != 2 && dashes != 0) return true;
    doc.CurrentIndex = p;
    doc.EntryLine.assign(doc.List1.Item(p));
    if (dashes == 2) {
      JoinDialogueLine(doc);
    } else {
      RebreakThreeLines(doc);
    }
    return true;
  }
  if (s.textBreaks == 0) {
    if (dashes > 2) return true;
  } else if (dashes == 2) {
    // Each speaker on a line of their own, when both fit one.
    const size_t bar = text.find(kBreak);
    const size_t next = bar + 1 + LinePrefixAt(text, bar + 1, doc.TextMarkup());
    const std::string_view rest = text.substr(std::min(next, text.size()), 3);
    if (!rest.empty() && (rest[0] == kDash || rest == "\xE2\x80\x93" || rest == "\xE2\x80\x94")) return true;
  } else if (pairFits || dashes > 2 || s.textChars > doc.RuleProfile().WalkJoinMax()) {
    return true;
  }
  doc.CurrentIndex = p;
  doc.DecomposeEntry();
  if (s.textBreaks == 1) {
    JoinLines(doc);
    if (doc.EntryText.find(kBreak) != std::string::npos) return true;
  }
  BreakNearMiddle(doc);
  return true;
}

// Applies the rules to the entry at `p`. Most entries need none: they are
// judged on the shape kept with them, and nothing is copied or decomposed.
// False on an entry the 16-bit counts cannot cover, which ends the walk.
bool FixEntry(Document& doc, int p) {
  // Counted once over the entry as stored; not refreshed after a rewrite.
  const EntryShape s = doc.List1.Shape(p);
  if (!s.decomposable) return false;
  // A line without times of its own is no entry to fix.
  if (!s.full) return true;
  if (doc.RuleProfile().breaks == BreakStyle::Natural) return FixEntryNaturally(doc, p, s);
  if (s.breaks == 2 && (s.dashes == 2 || s.dashes == 0)) {
    doc.CurrentIndex = p;
    doc.EntryLine.assign(doc.List1.Item(p));
    if (s.dashes == 2) {
      JoinDialogueLine(doc);
    } else {
      RebreakThreeLines(doc);
    }
    return true;  // with B = 2 no rule below applies in this pass
  }
  const bool single = s.breaks == 0 && s.dashes == 0;
  const bool pair = s.breaks == 1 && s.dashes <= 1;
  if (!single && !pair) return true;
  const Profile& profile = doc.RuleProfile();
  if (single ? s.textChars < profile.WalkSplitMin() || s.textChars > profile.WalkSplitMax()
             : !NeedsRebalance(s.textChars, s.firstBar, profile))
    return true;
  doc.CurrentIndex = p;
  doc.DecomposeEntry();
  if (pair) {
    JoinLines(doc);
    // A join refused (it would change what the screen shows) leaves the
    // pair as it is: its break stays the break.
    if (doc.EntryText.find(kBreak) != std::string::npos) return true;
  }
  BreakNearMiddle(doc);
  return true;
}

// The re-break may have divided the entry the grid showed and used the
// decomposed fields as scratch: show the entry the user is left on, the one
// found or else the last, selected.
void ShowFinalEntry(Document& doc, bool found) {
  if (found) {
    ShowEntry(doc, doc.CurrentIndex);
    return;
  }
  const int last = doc.List1.Count() - 1;
  if (last < 0) return;
  doc.SetListIndex(last);
  ShowEntry(doc, last);
}

// The fix walk over the entries written after edit `since` (0: all of
// them): an entry a whole walk saw and did not write is not written again.
// False when the walk ended before the end of the list.
bool FixEntriesWrittenAfter(Document& doc, std::uint64_t since) {
  doc.CurrentIndex = 0;
  for (int p = 0; !doc.List1.Item(p).empty(); ++p) {
    // Most entries are passed over on their shape alone, so the text of
    // the few the rules rewrite is not in the cache: asked for some entries
    // ahead (those the walk looks at), it has arrived by then.
    if (doc.List1.WrittenAt(p + 6) > since) {
      const std::string& ahead = doc.List1.Item(p + 6);
      __builtin_prefetch(ahead.data());
      __builtin_prefetch(ahead.data() + 64);
    }
    doc.CurrentIndex = p;
    if (doc.List1.WrittenAt(p) > since && !FixEntry(doc, p)) {
      doc.Message(kFault);
      return false;
    }
    if (p + 1 > kInt16Max) return false;
  }
  doc.CurrentIndex = doc.List1.Count();
  return true;
}

}  // namespace

void FixEntries(Document& doc) { FixEntriesWrittenAfter(doc, 0); }

void Fixlines_Click(Document& doc) {
  if (doc.NoDocument()) return;
  doc.FixCount = 0;
  doc.BreakLanguage = Document::kLanguageUnsettled;  // the text may be another since the last run
  int leftWhole = 0;
  // After the first pass each walk looks again only at what was written
  // since the walk before it: every rule reads its own entry alone.
  std::uint64_t walked = 0;
  DivisionPass divided;
  for (int pass = 1; pass <= kPasses; ++pass) {
    const std::uint64_t walkStart = doc.List1.EditCount();
    walked = FixEntriesWrittenAfter(doc, walked) ? walkStart : 0;
    doc.CurrentIndex = 0;
    SeekTooLong(doc);
    const DivisionPass division{doc.List1.EditCount(), doc.List1.Count()};
    leftWhole = RebreakLongEntries(doc, pass == kPasses, divided);  // the last pass's are those left
    divided = division;
  }
  std::string said = doc.FixCount > 0 ? "I just fixed " + std::to_string(doc.FixCount) + " lines, for You"
                                      : std::string("No new changes");
  // Not a word would otherwise say why these stay too long.
  if (leftWhole > 0)
    said += "\n" + std::to_string(leftWhole) + (leftWhole == 1 ? " entry is" : " entries are") +
            " still too long and could not be divided: a document holds at most " + std::to_string(kInt16Max) +
            " entries";
  doc.Message(said);
  ShowFinalEntry(doc, SeekTooLong(doc));
}

}  // namespace lm
