// The re-break of entries whose text is too long for two screen lines: the
// text is cut near its middle into two entries, each broken once more, and
// the frame range is halved between them. The second entry keeps the
// entry's own style tags and the style of the line it was cut from.
#include <optional>
#include <vector>

#include "rules/natural_breaks.h"
#include "rules/rules.h"
#include "rules/rules_util.h"

namespace lm {

using namespace rules;

namespace {

// Room for the two fields of a half's entry line beyond those of the entry
// it was cut from: braces, and a frame number written out in full.
constexpr size_t kFieldRoom = 4 + 20;

// Breaks a half at the first suitable space from its middle onwards, if
// there is one (BreakFrom). A half shorter than two characters has no middle
// to search from. A half of `plain` text (ASCII without markup) is one byte a
// character. A half that holds the line break a join had to leave keeps that
// one as its break.
bool BreakHalf(std::string& half, bool plain, const StyleDialect& markup, bool holdsKept) {
  if (plain) {
    const size_t middle = half.size() / 2;
    if (middle < 1) return false;
    size_t p = half.find(kSpace, middle - 1);
    while (p != std::string::npos && !BreakKeepsText(half, p, 0, markup)) p = half.find(kSpace, p + 1);
    if (p != std::string::npos) half[p] = kBreak;
    return true;
  }
  const Visible visible(half, 0, markup);
  const int middle = visible.size() / 2;
  if (middle < 1) return false;
  if (holdsKept) return true;
  const int p = BreakFrom(half, visible, middle, 0, markup);
  if (p != 0) BreakLineAt(half, visible.Byte(p - 1), 0, markup);
  return true;
}

// Whether a text of `len` characters, whose last "|" stands at `lastBar`
// (0: none) and which holds `dashes` "-", is divided. Without a "|" there is
// nothing to join and the text is not cut; a dialogue is never divided.
bool Selected(int len, int lastBar, int dashes, const Profile& profile) {
  if (lastBar == 0 || len >= profile.RebreakLimit()) return false;
  const int most = profile.ScreenLineChars();
  const bool partTooLong = lastBar - 1 > most || len - lastBar > most;
  return (partTooLong || len >= profile.RebreakMin()) && dashes < 2;
}

// Cuts `joined` near its middle into two entries. `kept`: the byte of the
// line break the join had to leave (kNoKeptBreak: none). It is the cut when
// it comes before the first suitable space from the middle (where the joined
// space would have been cut); otherwise it stays the break of its half.
bool SplitAt(std::string_view joined, size_t kept, std::string_view start, std::string_view stop,
             const TimeNotation& notation, const StyleDialect& markup, std::string& first, std::string& second) {
  const Visible visible(joined, 0, markup);
  const int cut = BreakFrom(joined, visible, visible.size() / 2, 0, markup, kept, true);
  if (cut == 0) return false;
  // The second half starts its own screen line without the space it was
  // cut at (at the kept break: that line, with its own markup).
  const size_t at = visible.Byte(cut - 1);
  const bool atKept = at == kept;
  // Room for the style each half's second line may carry.
  std::string a, b;
  const size_t fields = start.size() + stop.size() + kFieldRoom;
  a.reserve(fields + at + 32);
  a.append(joined.substr(0, at));
  b.reserve(fields + joined.size() - at + 64);
  b += EntryMarkup(joined, markup);
  if (!atKept) b += CarriedMarkup(joined, at, 0, markup);
  b.append(joined.substr(at + 1));
  markup.CloseSpansAt(joined, at, a, b);
  const bool holds = kept != kNoKeptBreak && !atKept;
  const bool plain = visible.Identity() && kept == kNoKeptBreak;
  if (!BreakHalf(a, plain, markup, holds && kept < at) || !BreakHalf(b, plain, markup, holds && kept > at))
    return false;

  // Frames that are not whole numbers ("10.5", "ab", "") leave the entry
  // undivided rather than be guessed at.
  const std::optional<int64_t> s = notation.Parse(start);
  const std::optional<int64_t> e = notation.Parse(stop);
  if (!s || !e) return false;
  const std::optional<int64_t> mid = MiddleFrame(*s, *e);
  // The second entry starts a frame after the middle.
  const std::optional<int64_t> frame = notation.FromFrames(1);
  const std::optional<int64_t> next = mid && frame ? AddFrames(*mid, *frame) : std::nullopt;
  if (!next) return false;
  PutFieldsBefore(a, start, notation.Format(*mid));
  PutFieldsBefore(b, notation.Format(*next), stop);
  first = std::move(a);
  second = std::move(b);
  return true;
}

// Whether the entry would be divided, were there room: selected, with times
// that can be halved. Judged on its shape and its fields alone, without the
// work of the cut (a text selected always has a place to cut at).
bool WouldDivide(std::string_view line, const EntryShape& s, const TimeNotation& notation, const Profile& profile) {
  const bool selected =
      profile.breaks == BreakStyle::Natural
          ? s.textChars < profile.RebreakLimit() && (EntryTooLong(s, profile) || s.textChars >= profile.RebreakMin())
          : Selected(s.textChars, s.lastBar, s.textDashes, profile);
  if (!s.full || !selected) return false;
  if (s.halvable) return true;
  EntryFields fields;
  SplitEntryLine(line, fields);
  const std::optional<int64_t> start = notation.Parse(fields.start), stop = notation.Parse(fields.stop);
  return start && stop && MiddleFrame(*start, *stop);
}

// A half of a natural division: broken where it does not fit one line.
void BreakHalfNaturally(std::string& half, const StyleDialect& markup, int most, int language) {
  const Visible visible(half, 0, markup);
  if (visible.size() <= most) return;
  const int p = natural::ChooseBreak(half, visible, 0, markup, most, language, natural::Parts::Lines);
  if (p != 0) BreakLineAt(half, visible.Byte(p - 1), 0, markup);
}

// The moment in [s, e] that shares it as `a` to `b`, towards the start;
// nothing when it or the frame after it leaves the 64-bit range.
std::optional<int64_t> SharedFrame(int64_t s, int64_t e, int a, int b) {
  if (a + b <= 0) return MiddleFrame(s, e);
  const __int128 span = static_cast<__int128>(e) - s;
  __int128 part = span * a;
  __int128 share = part / (a + b);
  if (part % (a + b) != 0 && part < 0) --share;  // towards minus infinity
  const __int128 at = s + share;
  if (at < INT64_MIN || at >= INT64_MAX) return std::nullopt;
  return static_cast<int64_t>(at);
}

// The natural division: the text joined whole and cut at a sentence or clause
// end near its middle, or between two speakers when one of them does not fit
// a line; each half broken where it does not fit one line; the time shared by
// the characters each half holds. Selected: a text too long for the screen
// lines, whether or not it holds a "|".
bool DivideNaturally(std::string_view line, const EntryShape& s, const TimeNotation& notation,
                     const StyleDialect& markup, const Profile& profile, int language, std::string& first,
                     std::string& second) {
  if (!s.full || s.textChars >= profile.RebreakLimit()) return false;
  if (!EntryTooLong(s, profile) && s.textChars < profile.RebreakMin()) return false;
  EntryFields fields;
  SplitEntryLine(line, fields);
  // Without a space or a line break there is nowhere to cut.
  if (fields.text.find(kSpace) == std::string_view::npos && fields.text.find(kBreak) == std::string_view::npos)
    return false;
  std::string joined(fields.text);
  if (!JoinAllLines(joined, markup)) return false;
  const int most = profile.ScreenLineChars();
  const Visible visible(joined, 0, markup);
  // ASCII without a visible "-" holds no dialogue dash.
  const int dashes = visible.Identity() && s.textDashes == 0 ? 0 : natural::DialogueDashes(joined, markup);
  if (dashes > 2) return false;
  int cut = 0;
  std::optional<natural::BreakChooser> chooser;
  if (dashes == 2) {
    cut = natural::SpeakerChange(joined, visible, 0, markup);
    // Two speakers who fit a line each are the walk's to break.
    if (cut == 0 || (cut - 1 <= most && visible.size() - cut <= most)) return false;
  } else {
    chooser.emplace(joined, visible, 0, markup, language);
    cut = chooser->Choose(profile.ScreenChars(), natural::Parts::Entries);
    if (cut == 0) return false;
  }
  const size_t at = visible.Byte(cut - 1);
  if (!BreakKeepsText(joined, at, 0, markup, true)) return false;
  std::string a, b;
  const size_t room = fields.start.size() + fields.stop.size() + kFieldRoom;
  a.reserve(room + at + 32);
  a.append(joined, 0, at);
  b.reserve(room + joined.size() - at + 64);
  b += EntryMarkup(joined, markup);
  b += CarriedMarkup(joined, at, 0, markup);
  b.append(joined, at + 1, std::string::npos);
  markup.CloseSpansAt(joined, at, a, b);
  const int charsA = cut - 1, charsB = visible.size() - cut;
  // Where no markup went to either half, the halves are runs of the text as
  // it stands, already read.
  if (chooser && a.size() == at && b.size() == joined.size() - at - 1) {
    if (charsA > most)
      if (const int p = chooser->Choose(0, cut - 1, most, natural::Parts::Lines))
        BreakLineAt(a, visible.Byte(p - 1), 0, markup);
    if (charsB > most)
      if (const int p = chooser->Choose(cut, visible.size(), most, natural::Parts::Lines))
        BreakLineAt(b, visible.Byte(p - 1) - at - 1, 0, markup);
  } else {
    BreakHalfNaturally(a, markup, most, language);
    BreakHalfNaturally(b, markup, most, language);
  }

  const std::optional<int64_t> start = notation.Parse(fields.start);
  const std::optional<int64_t> stop = notation.Parse(fields.stop);
  if (!start || !stop) return false;
  const std::optional<int64_t> mid = SharedFrame(*start, *stop, charsA, charsB);
  const std::optional<int64_t> frame = notation.FromFrames(1);
  const std::optional<int64_t> next = mid && frame ? AddFrames(*mid, *frame) : std::nullopt;
  if (!next) return false;
  PutFieldsBefore(a, fields.start, notation.Format(*mid));
  PutFieldsBefore(b, notation.Format(*next), fields.stop);
  first = std::move(a);
  second = std::move(b);
  return true;
}

// The division of an entry whose shape is known.
bool Divide(std::string_view line, const EntryShape& s, const TimeNotation& notation, const StyleDialect& markup,
            const Profile& profile, std::string& first, std::string& second, int language = -1) {
  if (profile.breaks == BreakStyle::Natural)
    return DivideNaturally(line, s, notation, markup, profile, language, first, second);
  if (!s.full || !Selected(s.textChars, s.lastBar, s.textDashes, profile)) return false;
  EntryFields fields;
  SplitEntryLine(line, fields);
  // J: the text with its last "|" joined, where the join keeps the screen.
  std::string joined(fields.text);
  const size_t bar = FindLast(joined, kBreak);
  const bool kept = !JoinLineAt(joined, bar, 0, markup);
  return SplitAt(joined, kept ? bar : kNoKeptBreak, fields.start, fields.stop, notation, markup, first, second);
}

}  // namespace

bool SplitEntryInTwo(std::string_view joined, std::string_view start, std::string_view stop,
                     const TimeNotation& notation, const StyleDialect& markup, std::string& first,
                     std::string& second) {
  return SplitAt(joined, kNoKeptBreak, start, stop, notation, markup, first, second);
}

bool DivideLongEntry(std::string_view line, const TimeNotation& notation, const StyleDialect& markup,
                     const Profile& profile, std::string& first, std::string& second, int language) {
  // An entry that cannot be decomposed, or that does not supply its own
  // fields, is left alone rather than rebuilt from another entry's fields.
  return Divide(line, ShapeOf(line, markup), notation, markup, profile, first, second, language);
}

// One linear pass equal to the walk over the first N positions in which each
// division rewrites the entry in place and inserts its second half right
// behind it, where it is examined next (and may be divided again).
int RebreakLongEntries(Document& doc, bool countLeftWhole, const DivisionPass& last) {
  const EntryList& list = doc.List1;
  const TimeNotation notation = doc.Notation();
  const StyleDialect& markup = doc.TextMarkup();
  const Profile& profile = doc.RuleProfile();
  const int language = profile.breaks == BreakStyle::Natural ? natural::DocumentLanguage(doc) : -1;
  const int examinations = list.Count();
  int total = examinations;  // entries in the list at this point of the walk
  // A full list divides nothing: only what it leaves whole may be asked.
  if (total >= kInt16Max && !countLeftWhole) return 0;
  std::vector<Document::Rewrite> rewrites;
  // Whether the second half of the latest division is examined next.
  bool halfNext = false;
  int next = 0;  // the next original entry
  std::string first, second;
  int leftWhole = 0;  // for want of room in the list
  for (int exam = 0; exam < examinations; ++exam) {
    const bool half = halfNext;
    const int index = half ? -1 : next++;
    if (total >= kInt16Max) {
      halfNext = false;
      if (countLeftWhole) {
        const std::string_view line = half ? std::string_view(rewrites.back().lines.back()) : list.Item(index);
        leftWhole += WouldDivide(line, half ? ShapeOf(line, markup) : list.Shape(index), notation, profile);
      }
      continue;
    }
    // Not divided when last looked at, and the same still.
    if (!half && index < last.examined && list.WrittenAt(index) <= last.edit) {
      halfNext = false;
      continue;
    }
    // A half left as it is keeps the shape it was judged on.
    EntryShape halfShape;
    if (half) halfShape = ShapeOf(rewrites.back().lines.back(), markup);
    halfNext = half ? Divide(rewrites.back().lines.back(), halfShape, notation, markup, profile, first, second, language)
                    : Divide(list.Item(index), list.Shape(index), notation, markup, profile, first, second, language);
    if (!halfNext) {
      if (half) rewrites.back().lastShape = halfShape;
      continue;
    }
    ++total;
    CountFix(doc);
    if (half) {
      std::vector<std::string>& lines = rewrites.back().lines;
      lines.back() = std::move(first);
      lines.push_back(std::move(second));
    } else {
      rewrites.push_back(Document::Rewrite::Into(index, std::move(first), std::move(second)));
    }
  }
  doc.RewriteEntries(std::move(rewrites));
  return leftWhole;
}

}  // namespace lm
