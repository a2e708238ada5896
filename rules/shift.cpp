// Moving every entry's times by one offset, in the document's own notation.
#include <cmath>

#include "model/entry.h"
#include "model/time_notation.h"
#include "rules/rules.h"

namespace lm {

std::optional<TimeOffset> ParseTimeOffset(std::string_view text) {
  text = TrimBlanks(text);
  if (text.empty()) return std::nullopt;
  const bool negative = text.front() == '-';
  if (text.front() == '-' || text.front() == '+') text.remove_prefix(1);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  TimeOffset offset;
  if (text.back() == 'f') {
    text.remove_suffix(1);
    const std::optional<int64_t> frames = ParseFrameNumber(text);
    if (!frames || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    offset = {*frames, true};
  } else if (text.find(':') != std::string_view::npos) {
    const std::optional<int64_t> ms = ParseTime(text);
    if (!ms) return std::nullopt;
    offset.amount = *ms;
  } else {
    // Seconds, with a point or a comma before their fraction.
    double seconds = 0, scale = 0;
    for (const char c : text) {
      if (c == '.' || c == ',') {
        if (scale != 0) return std::nullopt;
        scale = 1;
      } else if (c >= '0' && c <= '9') {
        if (scale != 0) scale /= 10;
        seconds = scale != 0 ? seconds + (c - '0') * scale : seconds * 10 + (c - '0');
      } else {
        return std::nullopt;
      }
      if (seconds > 1e12) return std::nullopt;
    }
    offset.amount = static_cast<int64_t>(std::llround(seconds * 1000));
  }
  if (negative) offset.amount = -offset.amount;
  return offset;
}

int ShiftTimes(Document& doc, const TimeOffset& offset, int* stopped) {
  const TimeNotation notation = doc.Notation();
  // The offset in the document's own units.
  const std::optional<int64_t> units =
      offset.frames ? (offset.amount < 0 ? notation.FromFrames(-offset.amount) : notation.FromFrames(offset.amount))
                    : std::optional<int64_t>(notation.FromMilliseconds(offset.amount));
  if (!units) return 0;
  const int64_t by = offset.frames && offset.amount < 0 ? -*units : *units;
  int moved = 0, held = 0;
  std::vector<Document::Rewrite> rewrites;
  for (int i = 0; i < doc.List1.Count(); ++i) {
    const std::string& line = doc.List1.Item(i);
    EntryFields f;
    if (!doc.List1.Shape(i).full || !SplitFullEntry(line, f)) continue;
    if (doc.ReadFormat().IsHeaderEntry(i, line)) continue;  // a frame rate, no time
    const std::optional<int64_t> start = notation.Parse(f.start), stop = notation.Parse(f.stop);
    if (!start || !stop) continue;
    auto moveTime = [&](int64_t t) {
      const std::optional<int64_t> to = AddFrames(t, by);
      if (!to || *to < 0) {
        ++held;
        return int64_t{0};
      }
      return *to;
    };
    const int64_t a = moveTime(*start), b = moveTime(*stop);
    rewrites.push_back(Document::Rewrite::Into(i, BuildEntryLine(notation.Format(a), notation.Format(b), f.text)));
    ++moved;
  }
  if (!rewrites.empty()) doc.RewriteEntries(std::move(rewrites));
  if (stopped) *stopped = held;
  return moved;
}

int ChangeFrameRate(Document& doc, double frameRate) {
  const TimeNotation notation = doc.Notation();
  const double from = notation.FrameRate();
  std::vector<Document::Rewrite> rewrites;
  if (notation.InFrames() && from != frameRate) {
    for (int i = 0; i < doc.List1.Count(); ++i) {
      const std::string& line = doc.List1.Item(i);
      EntryFields f;
      if (!doc.List1.Shape(i).full || !SplitFullEntry(line, f)) continue;
      if (doc.ReadFormat().IsHeaderEntry(i, line)) {
        if (ParseFrameRate(f.text))
          rewrites.push_back(Document::Rewrite::Into(i, BuildEntryLine(f.start, f.stop, FormatFrameRate(frameRate))));
        continue;
      }
      const std::optional<int64_t> start = notation.Parse(f.start), stop = notation.Parse(f.stop);
      if (!start || !stop) continue;
      auto renumber = [&](int64_t frame) {
        return notation.Format(MillisecondsToFrames(FramesToMilliseconds(frame, from), frameRate));
      };
      rewrites.push_back(Document::Rewrite::Into(i, BuildEntryLine(renumber(*start), renumber(*stop), f.text)));
    }
  }
  const int renumbered = static_cast<int>(rewrites.size());
  if (!rewrites.empty()) doc.RewriteEntries(std::move(rewrites));
  doc.SetFrameRate(frameRate);
  return renumbered;
}

}  // namespace lm
