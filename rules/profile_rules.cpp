// The profile's checks over the whole document, and the timing fix.
#include "rules/profile_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "model/markup.h"
#include "model/navigation.h"

namespace lm {

namespace {

// Values at a limit are within it: times in frames and milliseconds, read
// as seconds, carry a little of the floating point's noise.
constexpr double kSlack = 1e-6;

// An entry to judge, as one pass over the list finds it.
struct Judged {
  int index = 0;
  bool timed = false;
  int64_t start = 0, stop = 0;  // in the notation's units
  int chars = 0;                // visible, without the line breaks
  int longest = 0;              // the longest screen line
  int lines = 0;
};

// False for what is no entry to judge: a line of the file's structure, the
// format's header, a line without fields of its own (`untimed`).
bool JudgeOne(const Document& doc, const TimeNotation& notation, int i, Judged& out, bool& untimed) {
  const std::string& line = doc.List1.Item(i);
  untimed = false;
  if (IsFormatLine(line) || doc.ReadFormat().IsHeaderEntry(i, line)) return false;
  EntryFields f;
  if (!doc.List1.Shape(i).full || !SplitFullEntry(line, f)) {
    untimed = true;
    return false;
  }
  out = Judged();
  out.index = i;
  const std::vector<int> lengths = ScreenLineLengths(f.text, doc.TextMarkup());
  out.lines = static_cast<int>(lengths.size());
  for (const int n : lengths) {
    out.chars += n;
    out.longest = std::max(out.longest, n);
  }
  const std::optional<int64_t> start = notation.Parse(f.start), stop = notation.Parse(f.stop);
  untimed = !start || !stop;
  if (!untimed) {
    out.timed = true;
    out.start = *start;
    out.stop = *stop;
  }
  return true;
}

std::vector<Judged> JudgeAll(const Document& doc, std::vector<int>* untimedOut) {
  const TimeNotation notation = doc.Notation();
  std::vector<Judged> all;
  all.reserve(static_cast<size_t>(doc.List1.Count()));
  Judged j;
  bool untimed = false;
  for (int i = 0; i < doc.List1.Count(); ++i) {
    if (JudgeOne(doc, notation, i, j, untimed)) all.push_back(j);
    if (untimed && untimedOut) untimedOut->push_back(i);
  }
  return all;
}

double UnitsPerSecond(const TimeNotation& n) { return n.InFrames() ? n.FrameRate() : 1000.0; }
double Seconds(const TimeNotation& n, int64_t units) { return static_cast<double>(units) / UnitsPerSecond(n); }
double InFrames(const TimeNotation& n, int64_t units) {
  return n.InFrames() ? static_cast<double>(units) : static_cast<double>(units) * n.FrameRate() / 1000.0;
}
// The fewest whole units that last at least `seconds`.
int64_t UnitsAtLeast(const TimeNotation& n, double seconds) {
  return static_cast<int64_t>(std::ceil(seconds * UnitsPerSecond(n) - kSlack));
}

// Each timed entry's next timed entry's start, if there is one.
std::vector<std::optional<int64_t>> NextStarts(const std::vector<Judged>& all) {
  std::vector<std::optional<int64_t>> next(all.size());
  std::optional<int64_t> following;
  for (size_t k = all.size(); k-- > 0;) {
    next[k] = following;
    if (all[k].timed) following = all[k].start;
  }
  return next;
}

}  // namespace

std::string_view RuleName(Rule rule) {
  switch (rule) {
    case Rule::LineLength:
      return "line-length";
    case Rule::Lines:
      return "lines";
    case Rule::ReadingSpeed:
      return "reading-speed";
    case Rule::MinDuration:
      return "min-duration";
    case Rule::MaxDuration:
      return "max-duration";
    case Rule::Gap:
      return "gap";
    case Rule::Overlap:
      return "overlap";
  }
  return "";
}

ProfileCheck CheckProfile(const Document& doc) {
  ProfileCheck out;
  const Profile& p = doc.RuleProfile();
  const TimeNotation notation = doc.Notation();
  const std::vector<Judged> all = JudgeAll(doc, &out.untimed);
  const std::vector<std::optional<int64_t>> next = NextStarts(all);
  for (size_t k = 0; k < all.size(); ++k) {
    const Judged& e = all[k];
    const auto add = [&](Rule rule, double value, double limit) {
      out.problems.push_back({e.index, rule, value, limit});
    };
    if (e.longest > p.charactersPerLine) add(Rule::LineLength, e.longest, p.charactersPerLine);
    if (e.lines > p.lines) add(Rule::Lines, e.lines, p.lines);
    if (!e.timed) continue;
    const double seconds = Seconds(notation, e.stop - e.start);
    if (p.charactersPerSecond && seconds > 0 && e.chars / seconds > *p.charactersPerSecond + kSlack)
      add(Rule::ReadingSpeed, e.chars / seconds, *p.charactersPerSecond);
    if (p.minDuration && seconds < *p.minDuration - kSlack) add(Rule::MinDuration, seconds, *p.minDuration);
    if (p.maxDuration && seconds > *p.maxDuration + kSlack) add(Rule::MaxDuration, seconds, *p.maxDuration);
    if (!next[k]) continue;
    const int64_t gap = *next[k] - e.stop;
    if (gap < 0) {
      add(Rule::Overlap, Seconds(notation, -gap), 0);
    } else if (p.minGapFrames && InFrames(notation, gap) < *p.minGapFrames - kSlack) {
      add(Rule::Gap, InFrames(notation, gap), *p.minGapFrames);
    }
  }
  return out;
}

int EntriesBreaking(const ProfileCheck& check) {
  int entries = 0;
  for (size_t k = 0; k < check.problems.size(); ++k)
    entries += k == 0 || check.problems[k].entry != check.problems[k - 1].entry;
  return entries;
}

std::optional<EntryTiming> TimingOf(const Document& doc, int index) {
  const TimeNotation notation = doc.Notation();
  Judged e;
  bool untimed = false;
  if (!doc.List1.Valid(index) || !JudgeOne(doc, notation, index, e, untimed) || !e.timed) return std::nullopt;
  EntryTiming t;
  t.start = Seconds(notation, e.start);
  t.stop = Seconds(notation, e.stop);
  t.duration = t.stop - t.start;
  if (t.duration > 0) t.charactersPerSecond = e.chars / t.duration;
  return t;
}

std::string FormatNumber(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  std::string s = buf;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::string DescribeProblem(const Problem& problem) {
  // A value over its limit never reads as the limit itself.
  const auto shown = [&](int decimals) {
    std::string value = FormatNumber(problem.value, decimals);
    for (int more = decimals + 1; more <= 3 && value == FormatNumber(problem.limit, 3); ++more)
      value = FormatNumber(problem.value, more);
    return value;
  };
  const std::string limit = FormatNumber(problem.limit, 3);
  switch (problem.rule) {
    case Rule::LineLength:
      return "line length " + shown(0) + " > " + limit;
    case Rule::Lines:
      return shown(0) + " lines > " + limit;
    case Rule::ReadingSpeed:
      return "reading speed " + shown(1) + " > " + limit + " cps";
    case Rule::MinDuration:
      return "duration " + shown(3) + " s < " + limit + " s";
    case Rule::MaxDuration:
      return "duration " + shown(3) + " s > " + limit + " s";
    case Rule::Gap:
      return "gap " + shown(2) + " < " + limit + (problem.limit == 1 ? " frame" : " frames");
    case Rule::Overlap:
      return "overlaps the next entry by " + shown(3) + " s";
  }
  return "";
}

int FixTiming(Document& doc) {
  const Profile& p = doc.RuleProfile();
  const TimeNotation notation = doc.Notation();
  const std::vector<Judged> all = JudgeAll(doc, nullptr);
  const std::vector<std::optional<int64_t>> next = NextStarts(all);
  // The gap in units, never less than the frames it stands for.
  const int64_t gap = !p.minGapFrames       ? 0
                      : notation.InFrames() ? *p.minGapFrames
                                            : UnitsAtLeast(notation, *p.minGapFrames / notation.FrameRate());
  std::vector<Document::Rewrite> rewrites;
  for (size_t k = 0; k < all.size(); ++k) {
    const Judged& e = all[k];
    if (!e.timed) continue;
    int64_t stop = e.stop;
    // The latest end that keeps the gap to the next entry.
    const std::optional<int64_t> latest = next[k] ? std::optional<int64_t>(*next[k] - gap) : std::nullopt;
    if (latest && stop > *latest && *latest > e.start) stop = *latest;
    double wanted = p.minDuration.value_or(0);
    if (p.charactersPerSecond) wanted = std::max(wanted, e.chars / *p.charactersPerSecond);
    if (p.maxDuration) wanted = std::min(wanted, *p.maxDuration);
    if (wanted > 0) {
      int64_t longer = e.start + UnitsAtLeast(notation, wanted);
      if (latest) longer = std::min(longer, *latest);
      stop = std::max(stop, longer);
    }
    if (stop == e.stop || stop < 0) continue;  // no time before the start of the film is written
    EntryFields f;
    SplitFullEntry(doc.List1.Item(e.index), f);
    rewrites.push_back(Document::Rewrite::Into(e.index, BuildEntryLine(f.start, notation.Format(stop), f.text)));
  }
  const int changed = static_cast<int>(rewrites.size());
  doc.RewriteEntries(std::move(rewrites));
  return changed;
}

void Fixtiming_Click(Document& doc) {
  if (doc.NoDocument()) return;
  const int changed = FixTiming(doc);
  const int breaking = EntriesBreaking(CheckProfile(doc));
  const auto entries = [](int n) { return std::to_string(n) + (n == 1 ? " entry" : " entries"); };
  std::string said = changed > 0 ? "Fixed the timing of " + entries(changed) : std::string("No timing changes");
  const std::string& name = doc.RuleProfile().name;
  said += breaking == 0 ? "; every entry meets the " + name + " profile"
                        : "; " + entries(breaking) + (breaking == 1 ? " still breaks" : " still break") + " the " +
                              name + " profile";
  doc.Message(said);
  // The entry shown may have new times.
  const int shown = doc.List1.ListIndex();
  if (doc.List1.Valid(shown)) ShowEntry(doc, shown);
}

}  // namespace lm
