// The re-break of entries whose text is too long for two screen lines: the
// text is cut near its middle into two entries, each broken once more, and
// the frame range is halved between them.
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "fixing/fixing.h"
#include "fixing/fixing_util.h"

namespace lm {

using namespace fixing;

namespace {

// A frame field read as a number: leading blanks skipped, reading stops at
// the first character that cannot continue the number; no digits reads as 0.
double FrameValue(const std::string& field) {
  size_t i = field.find_first_not_of(" \t");
  if (i == std::string::npos) return 0;
  const size_t begin = i;
  if (field[i] == '+' || field[i] == '-') ++i;
  bool digits = false;
  auto skipDigits = [&] {
    while (i < field.size() && field[i] >= '0' && field[i] <= '9') {
      ++i;
      digits = true;
    }
  };
  skipDigits();
  if (i < field.size() && field[i] == '.') {
    ++i;
    skipDigits();
  }
  if (!digits) return 0;
  return std::strtod(field.substr(begin, i - begin).c_str(), nullptr);
}

// Breaks a half at the first space from its middle onwards, if there is one.
// A half shorter than two characters has no middle to search from.
bool BreakHalf(std::string& half) {
  const int middle = static_cast<int>(half.size()) / 2;
  if (middle < 1) return false;
  const int p = FirstSpaceFrom(half, middle);
  if (p != 0) half[static_cast<size_t>(p - 1)] = kBreak;
  return true;
}

// The joined text J of a text selected for division, or nothing.
std::optional<std::string> JoinedTextToDivide(const std::string& text) {
  const int len = static_cast<int>(text.size());
  if (len >= kRebreakLimit) return std::nullopt;
  const size_t last = text.rfind(kBreak);
  bool partTooLong = false;
  if (last != std::string::npos) {
    const int before = static_cast<int>(last);
    const int after = len - before - 1;
    partTooLong = before > kScreenLineChars || after > kScreenLineChars;
  }
  if (!partTooLong && len < kRebreakMin) return std::nullopt;
  if (CountChar(text, kDash) >= 2) return std::nullopt;  // dialogue
  // Without a "|" there is nothing to join and the text is not cut.
  if (last == std::string::npos) return std::nullopt;
  return ReplacedAt(text, static_cast<int>(last) + 1, kSpace);
}

}  // namespace

bool SplitEntryInTwo(const std::string& joined, const std::string& start,
                     const std::string& stop, std::string& first, std::string& second) {
  const int len = static_cast<int>(joined.size());
  const int cut = FirstSpaceFrom(joined, len / 2);
  if (cut == 0) return false;
  // The second half keeps the space it was cut at.
  std::string a = joined.substr(0, static_cast<size_t>(cut - 1));
  std::string b = joined.substr(static_cast<size_t>(cut - 1));
  if (!BreakHalf(a) || !BreakHalf(b)) return false;

  const double s = FrameValue(start);
  const double e = FrameValue(stop);
  const double mid = s + std::floor((e - s) / 2);
  if (!std::isfinite(mid) || !std::isfinite(mid + 1)) return false;
  first = "{" + start + "}{" + FormatFrameNumber(mid) + "}" + a;
  second = "{" + FormatFrameNumber(mid + 1) + "}{" + stop + "}" + b;
  return true;
}

bool DivideLongEntry(const std::string& line, std::string& first, std::string& second) {
  // An entry that cannot be decomposed, or that does not supply its own
  // fields, is left alone rather than rebuilt from another entry's fields.
  if (!CanDecompose(line) || !SuppliesAllFields(line)) return false;
  EntryFields fields;
  if (!SplitEntryLine(line, fields)) return false;
  const std::optional<std::string> joined = JoinedTextToDivide(fields.text);
  if (!joined) return false;
  return SplitEntryInTwo(*joined, fields.start, fields.stop, first, second);
}

// One linear pass equal to the walk over the first N positions in which each
// division rewrites the entry in place and inserts its second half right
// behind it, where it is examined next. Insertions one by one would make the
// pass quadratic, so the new list is built aside and committed at once.
void RebreakLongEntries(Document& doc) {
  const EntryList& list = doc.List1;
  const int examinations = list.Count();
  const int selected = list.ListIndex();

  std::vector<std::string> lines;
  std::vector<std::uint64_t> ids;
  int newSelection = -1;
  int total = examinations;  // entries in the list at this point of the walk
  bool divided = false;

  // The second half of the latest division, next in line before the
  // remaining original entries.
  std::optional<std::string> pending;
  int next = 0;  // the next original entry
  std::string first, second;

  auto keepOriginal = [&](int index, std::string line) {
    if (index == selected) newSelection = static_cast<int>(lines.size());
    lines.push_back(std::move(line));
    ids.push_back(list.Id(index));
  };
  auto keepNew = [&](std::string line) {
    lines.push_back(std::move(line));
    ids.push_back(0);  // a fresh identity
  };

  for (int exam = 0; exam < examinations; ++exam) {
    const bool fromPending = pending.has_value();
    const int index = fromPending ? -1 : next++;
    const std::string& line = fromPending ? *pending : list.Item(index);
    const bool divide =
        total < EntryList::kMaxEntries && DivideLongEntry(line, first, second);
    if (divide && !divided) {
      // Nothing is built until the first division: most passes divide none.
      divided = true;
      lines.reserve(static_cast<size_t>(examinations) + 64);
      ids.reserve(lines.capacity());
      for (int i = 0; i < index; ++i) keepOriginal(i, list.Item(i));
    }
    if (!divided) continue;
    if (!divide) {
      if (fromPending) {
        keepNew(std::move(*pending));
        pending.reset();
      } else {
        keepOriginal(index, line);
      }
      continue;
    }
    ++total;
    CountFix(doc);
    if (fromPending) {
      keepNew(std::move(first));
    } else {
      keepOriginal(index, std::move(first));
    }
    pending = std::move(second);
  }
  if (!divided) return;

  if (pending) keepNew(std::move(*pending));
  for (; next < list.Count(); ++next) keepOriginal(next, list.Item(next));
  doc.List1.AssignWithIds(std::move(lines), std::move(ids), newSelection);
}

}  // namespace lm
