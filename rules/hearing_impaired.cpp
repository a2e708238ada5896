// "Remove hearing impaired text": cuts the italic tags, every remark in
// brackets or parentheses and the speaker labels in capitals that start a
// screen line, keeping what is spoken; an entry with nothing spoken left is
// deleted.
//
// One rewrite counts one: each italic tag, each remark (an outermost pair and
// whatever overlaps it), each label, and an entry deleted whole (whatever it
// held). What a cut leaves to tidy (its blanks, a screen line it left empty
// or holding a dash, the dash of the one speaker left, spans left empty) is
// part of that cut.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "model/navigation.h"
#include "rules/rules.h"
#include "rules/rules_util.h"

namespace lm {

using namespace rules;

namespace {

constexpr const char* kFault = "Some shit";
// More words before a colon are a sentence, not a name.
constexpr int kMaxLabelWords = 4;

enum class Case { None, Capital, Small };

// Upper-case pairs laid out as capital then small.
Case Alternating(char32_t c, bool capitalEven) { return ((c % 2 == 0) == capitalEven) ? Case::Capital : Case::Small; }

// The letter case of a code point, for the scripts of the encodings the
// program reads (Latin, Greek, Cyrillic); caseless letters and everything
// else are None. The core holds no Unicode tables, and a label needs only
// "no small letter".
Case CaseOf(char32_t c) {
  if (c < 0x80) return c >= 'A' && c <= 'Z' ? Case::Capital : c >= 'a' && c <= 'z' ? Case::Small : Case::None;
  if (c == 0xB5 || c == 0xDF) return Case::Small;
  if (c >= 0xC0 && c <= 0xDE) return c == 0xD7 ? Case::None : Case::Capital;
  if (c >= 0xE0 && c <= 0xFF) return c == 0xF7 ? Case::None : Case::Small;
  if (c >= 0x100 && c <= 0x137) return Alternating(c, true);
  if (c == 0x138 || c == 0x149 || c == 0x17F) return Case::Small;
  if (c >= 0x139 && c <= 0x148) return Alternating(c, false);
  if (c >= 0x14A && c <= 0x177) return Alternating(c, true);
  if (c == 0x178) return Case::Capital;
  if (c >= 0x179 && c <= 0x17E) return Alternating(c, false);
  if (c >= 0x218 && c <= 0x21B) return Alternating(c, true);  // Romanian comma letters
  if (c == 0x1A0 || c == 0x1AF) return Case::Capital;         // Vietnamese horned letters
  if (c == 0x1A1 || c == 0x1B0) return Case::Small;
  if (c == 0x386 || (c >= 0x388 && c <= 0x38F && c != 0x38B && c != 0x38D)) return Case::Capital;
  if (c >= 0x391 && c <= 0x3AB) return c == 0x3A2 ? Case::None : Case::Capital;
  if (c == 0x390 || (c >= 0x3AC && c <= 0x3CE)) return Case::Small;
  if (c >= 0x400 && c <= 0x42F) return Case::Capital;
  if (c >= 0x430 && c <= 0x45F) return Case::Small;
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x52F))
    return Alternating(c, true);
  if (c == 0x4C0) return Case::Capital;
  if (c >= 0x4C1 && c <= 0x4CE) return Alternating(c, false);
  if (c == 0x4CF) return Case::Small;
  if ((c >= 0x1E00 && c <= 0x1E95) || (c >= 0x1EA0 && c <= 0x1EFF)) return Alternating(c, true);
  if (c == 0x1E9E) return Case::Capital;
  return Case::None;
}

bool IsBlank(char32_t c) { return c == ' ' || c == '\t'; }

// What may follow a cut with no blank before it.
bool IsClosingPunctuation(char32_t c) { return c == ',' || c == '.' || c == '!' || c == '?' || c == ';' || c == ':'; }

// A visible character or a stretch of markup of the text. A character `gone`
// is left out of the result; `cut` marks the remarks' and labels' own
// characters, which the tidying of blanks looks for.
struct Unit {
  size_t begin, end;
  char32_t c;  // 0 for markup
  bool gone = false, cut = false;
  bool visible() const { return c != 0; }
};

// A screen line: units [first, last), without the "|" that ends it.
struct Line {
  size_t first, last;
  bool touched = false;  // a remark or label was cut in it
  bool dropped = false;
};

constexpr size_t kNone = SIZE_MAX;

class Cutter {
 public:
  Cutter(std::string_view text, const StyleDialect& markup) : text_(text), markup_(markup) {
    const Visible v(text, 0, markup);
    const int n = v.size();
    size_t at = 0;
    for (int i = 0; i <= n; ++i) {
      const size_t b = i < n ? v.Byte(i) : text.size();
      if (b > at) units_.push_back({at, b, 0});
      if (i == n) break;
      const size_t next = i + 1 < n ? v.Byte(i + 1) : text.size();
      size_t e = b;
      const char32_t c = NextCodePoint(text, e);
      e = std::min(e, next);
      // A NUL is a character too; 0 marks markup.
      units_.push_back({b, e, c == 0 ? char32_t{0xFFFD} : c});
      at = e;
    }
    size_t from = 0;
    for (size_t u = 0; u <= units_.size(); ++u) {
      if (u == units_.size() || units_[u].c == '|') {
        lines_.push_back({from, u});
        from = u + 1;
      }
    }
  }

  // The number of remarks and labels cut.
  int Cut() {
    int cuts = CutRemarks();
    // "MAN: WOMAN:": each label goes.
    for (Line& line : lines_)
      for (size_t from = line.first; (from = CutLabel(line, from)) != kNone;) ++cuts;
    for (Line& line : lines_) line.touched = Touched(line);
    return cuts;
  }

  // Nothing but blanks, dashes and markup is left.
  bool NothingSpoken() const {
    for (const Unit& u : units_)
      if (u.visible() && !u.gone && u.c != '|' && u.c != kDash && !IsBlank(u.c)) return false;
    return true;
  }

  // The text with the cuts made and tidied.
  std::string Result() {
    for (Line& line : lines_) TidyBlanks(line);
    bool anyDropped = false;
    for (Line& line : lines_) {
      line.dropped = line.touched && OnlyDashes(line);
      anyDropped |= line.dropped;
    }
    if (anyDropped) DropLoneSpeakerDash();
    return Assemble();
  }

 private:
  // Every matched "[…]" and "(…)", across screen lines too (a break inside
  // stays and the lines are tidied on their own); nested and overlapping
  // pairs go with the outermost. Unmatched brackets stay.
  int CutRemarks() {
    const size_t n = units_.size();
    std::vector<size_t> closeOf(n, kNone), squares, rounds;
    for (size_t u = 0; u < n; ++u) {
      const char32_t c = units_[u].c;
      if (c == '[') squares.push_back(u);
      if (c == '(') rounds.push_back(u);
      std::vector<size_t>* open = c == ']' ? &squares : c == ')' ? &rounds : nullptr;
      if (open && !open->empty()) {
        closeOf[open->back()] = u;
        open->pop_back();
      }
    }
    int cuts = 0;
    size_t until = 0;  // the current remark runs up to here
    bool inside = false;
    for (size_t u = 0; u < n; ++u) {
      if (closeOf[u] != kNone) {
        if (!inside) ++cuts;
        until = inside ? std::max(until, closeOf[u]) : closeOf[u];
        inside = true;
      }
      if (!inside) continue;
      Unit& unit = units_[u];
      if (unit.visible() && unit.c != '|') {
        unit.gone = unit.cut = true;
      } else if (!unit.visible() && markup_.LineScoped() && !AtLineStart(u)) {
        // A tag inside a line styles nothing there but the remark; left
        // behind, it could come to start the line and style all of it.
        unit.gone = true;
      }
      if (u == until) inside = false;
    }
    return cuts;
  }

  // Only markup stands before unit `u` in its screen line.
  bool AtLineStart(size_t u) const {
    while (u > 0 && !units_[u - 1].visible()) --u;
    return u == 0 || units_[u - 1].c == '|';
  }

  // A speaker label ("MAN:", "JOHN SMITH:", "MAN (whispering):"): capitals,
  // digits, blanks and . ' ’ - & before a colon, starting with a capital
  // after the line's markup, blanks, dashes and remarks, at most
  // kMaxLabelWords words, with no digit after the colon (not "10:30"; a
  // digit cannot start one anyway). Looks from unit `from` on; returns the
  // unit after the label's colon, or kNone.
  size_t CutLabel(const Line& line, size_t from) {
    size_t u = from;
    while (u < line.last && (!units_[u].visible() || units_[u].gone || IsBlank(units_[u].c) || units_[u].c == kDash))
      ++u;
    if (u == line.last || CaseOf(units_[u].c) != Case::Capital) return kNone;
    const size_t start = u;
    int words = 1;
    bool blank = false;
    for (; u < line.last; ++u) {
      const Unit& unit = units_[u];
      if (!unit.visible() || unit.gone) continue;
      const char32_t c = unit.c;
      if (c == ':') break;
      if (IsBlank(c)) {
        blank = true;
        continue;
      }
      if (blank && ++words > kMaxLabelWords) return kNone;
      blank = false;
      const bool name = CaseOf(c) == Case::Capital || (c >= '0' && c <= '9') || c == '.' || c == '\'' || c == 0x2019 ||
                        c == kDash || c == '&';
      if (!name) return kNone;
    }
    if (u == line.last) return kNone;
    for (size_t after = u + 1; after < line.last; ++after) {
      if (!units_[after].visible() || units_[after].gone) continue;
      if (units_[after].c >= '0' && units_[after].c <= '9') return kNone;
      break;
    }
    for (size_t k = start; k <= u; ++k)
      if (units_[k].visible()) units_[k].gone = units_[k].cut = true;
    return u + 1;
  }

  bool Touched(const Line& line) const {
    for (size_t u = line.first; u < line.last; ++u)
      if (units_[u].cut) return true;
    return false;
  }

  // Where a cut was, the blanks around it: none at the line's start or end
  // or before closing punctuation, one between words. Blanks elsewhere are
  // the file's own and stay.
  void TidyBlanks(const Line& line) {
    if (!line.touched) return;
    bool seenWord = false, cutHere = false;
    std::vector<size_t> blanks;
    auto settle = [&](const Unit* next) {
      if (cutHere && !blanks.empty()) {
        const bool keepOne = seenWord && next && !IsClosingPunctuation(next->c);
        for (size_t k = keepOne ? 1 : 0; k < blanks.size(); ++k) units_[blanks[k]].gone = true;
      }
      blanks.clear();
      cutHere = false;
    };
    for (size_t u = line.first; u < line.last; ++u) {
      const Unit& unit = units_[u];
      if (!unit.visible()) continue;
      if (unit.cut) {
        cutHere = true;
      } else if (!unit.gone && IsBlank(unit.c)) {
        blanks.push_back(u);
      } else if (!unit.gone) {
        settle(&unit);
        seenWord = true;
      }
    }
    settle(nullptr);
  }

  bool OnlyDashes(const Line& line) const {
    for (size_t u = line.first; u < line.last; ++u) {
      const Unit& unit = units_[u];
      if (unit.visible() && !unit.gone && unit.c != kDash && !IsBlank(unit.c)) return false;
    }
    return true;
  }

  // The first kept visible character of the line that is not a blank.
  size_t FirstWordUnit(const Line& line) const {
    for (size_t u = line.first; u < line.last; ++u)
      if (units_[u].visible() && !units_[u].gone && !IsBlank(units_[u].c)) return u;
    return kNone;
  }

  // With a line gone, a dash that only the first line left starts belongs
  // to the one speaker left and goes, with the blanks around it. A dash on
  // a later line means a second speaker, whose lines keep theirs.
  void DropLoneSpeakerDash() {
    const Line* first = nullptr;
    for (const Line& line : lines_) {
      if (line.dropped) continue;
      const size_t u = FirstWordUnit(line);
      const bool dash = u != kNone && units_[u].c == kDash;
      if (!first) {
        if (!dash) return;
        first = &line;
      } else if (dash) {
        return;
      }
    }
    if (!first) return;
    size_t u = first->first;
    std::vector<size_t> gone;
    for (; u < first->last && (!units_[u].visible() || units_[u].gone || IsBlank(units_[u].c)); ++u)
      if (units_[u].visible() && !units_[u].gone) gone.push_back(u);
    gone.push_back(u++);  // the dash
    for (; u < first->last && (!units_[u].visible() || units_[u].gone || IsBlank(units_[u].c)); ++u)
      if (units_[u].visible() && !units_[u].gone) gone.push_back(u);
    if (u == first->last) return;  // nothing would be left of the line
    for (size_t k : gone) units_[k].gone = true;
  }

  // The kept lines, "|" between them. A dropped line's markup goes with it
  // where tags style screen lines (the entry's own tags stay at its start);
  // where they open spans it stays, in order, before the next kept line's
  // text, so every span still closes.
  std::string Assemble() const {
    std::string out, pending;
    if (markup_.LineScoped() && lines_.front().dropped) pending = EntryMarkup(text_, markup_);
    bool any = false;
    for (const Line& line : lines_) {
      if (line.dropped) {
        if (!markup_.LineScoped())
          for (size_t u = line.first; u < line.last; ++u)
            if (!units_[u].visible()) pending.append(text_.substr(units_[u].begin, units_[u].end - units_[u].begin));
        continue;
      }
      if (any) out += kBreak;
      any = true;
      out += pending;
      pending.clear();
      for (size_t u = line.first; u < line.last; ++u)
        if (!units_[u].gone) out.append(text_.substr(units_[u].begin, units_[u].end - units_[u].begin));
    }
    out += pending;
    return out;
  }

  std::string_view text_;
  const StyleDialect& markup_;
  std::vector<Unit> units_;
  std::vector<Line> lines_;
};

// Something a cut may take: a bracket, a parenthesis or a label's colon.
bool MayHoldRemarks(std::string_view text) { return text.find_first_of("[(:") != std::string_view::npos; }

// The entry's text as the cuts leave it; false when nothing spoken is left
// and the entry goes.
bool CutText(Document& doc, std::string& text) {
  const StyleDialect& markup = doc.TextMarkup();
  const int italics = markup.CutItalicTags(text);
  int cuts = 0;
  if (MayHoldRemarks(text)) {
    Cutter cutter(text, markup);
    cuts = cutter.Cut();
    if (cuts > 0) {
      if (cutter.NothingSpoken()) {
        CountFix(doc);
        return false;
      }
      text = markup.WithoutEmptySpans(cutter.Result());
    }
  }
  for (int k = italics + cuts; k > 0; --k) CountFix(doc);
  return true;
}

// One walk over the document, every change made at once at its end. False
// on an entry the 16-bit counts cannot cover: what was done before it
// stays done, and CurrentIndex names it.
bool CutRemarksAndTags(Document& doc) {
  const EntryList& list = doc.List1;
  const StyleDialect& markup = doc.TextMarkup();
  std::vector<Document::Rewrite> rewrites;
  int deleted = 0;
  for (int i = 0; i < list.Count(); ++i) {
    const EntryShape& s = list.Shape(i);
    if (!s.decomposable) {
      doc.RewriteEntries(std::move(rewrites));
      doc.CurrentIndex = i - deleted;
      return false;
    }
    if (!s.full) continue;  // no times: no entry
    const std::string& line = list.Item(i);
    const std::string_view text = std::string_view(line).substr(s.textAt);
    if (!markup.HasItalicTags(text) && !MayHoldRemarks(text)) continue;
    EntryFields f;
    if (!SplitFullEntry(line, f)) continue;
    std::string cut(f.text);
    if (!CutText(doc, cut)) {
      rewrites.push_back({i, {}, {}});
      ++deleted;
    } else if (cut != f.text) {
      rewrites.push_back(Document::Rewrite::Into(i, BuildEntryLine(f.start, f.stop, cut)));
    }
  }
  doc.RewriteEntries(std::move(rewrites));
  return true;
}

}  // namespace

void RemoveHearingImpaired(Document& doc) {
  doc.FixCount = 0;
  if (!CutRemarksAndTags(doc)) {
    doc.Message(kFault);
    return;
  }
  doc.SetListIndex(0);
  if (doc.FixCount == 0) {
    doc.Message("No new changes");
  } else {
    doc.Message("I fixed " + std::to_string(doc.FixCount) + " lines for You");
  }
  doc.CurrentIndex = 0;
  // With every entry deleted there is nothing left to show or edit.
  ShowEntry(doc, 0);
}

void Rmhi_Click(Document& doc) {
  if (doc.NoDocument()) return;
  RemoveHearingImpaired(doc);
}

}  // namespace lm
