#include "formats/line_entries.h"

#include <utility>

#include "model/text.h"

namespace lm::line_entries {

namespace {

// The lines a cue was read from, each as a view into its `timing`.
std::vector<std::string_view> Parts(const SourceCue& cue) {
  std::vector<std::string_view> parts;
  const std::string_view all = cue.timing;
  for (size_t from = 0;;) {
    const size_t end = all.find('\n', from);
    parts.push_back(all.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from));
    if (end == std::string_view::npos) return parts;
    from = end + 1;
  }
}

}  // namespace

int64_t UnwrittenStop(int64_t start, std::optional<int64_t> nextStart) {
  if (nextStart && *nextStart >= start && *nextStart - start <= kLongestUnwritten) return *nextStart;
  return start + kLongestUnwritten;
}

std::uint32_t OffsetIn(const std::vector<std::string_view>& lines, size_t from, size_t line, size_t at) {
  size_t offset = at;
  for (size_t i = from; i < line; ++i) offset += lines[i].size() + 1;
  return static_cast<std::uint32_t>(offset);
}

Span KeptSpan(size_t line, std::string_view mark) {
  Span span;
  span.from = line;
  span.to = line + 1;
  span.mark = mark;
  return span;
}

void Collect(const std::vector<std::string_view>& lines, std::vector<Span>& spans, const TimeSyntax& times,
             ReadEntries& out) {
  const size_t n = lines.size();
  // A line no span covers is one the reader could not read: kept as it was.
  std::vector<Span> all;
  all.reserve(spans.size() + 16);
  size_t next = 0;
  auto keepUpTo = [&](size_t end) {
    for (; next < end; ++next)
      if (!IsBlankLine(lines[next])) all.push_back(KeptSpan(next, kUnreadLine));
  };
  for (Span& span : spans) {
    keepUpTo(span.from);
    all.push_back(std::move(span));
    next = all.back().to;
  }
  keepUpTo(n);
  spans.clear();

  // The stops the file does not write, from the next entry's start: last to first.
  std::optional<int64_t> nextStart;
  for (size_t k = all.size(); k-- > 0;) {
    Span& span = all[k];
    if (!span.mark.empty()) continue;
    const std::optional<int64_t> start = times.Parse(span.start);
    if (span.stop.empty()) span.stop = times.Format(start ? UnwrittenStop(*start, nextStart) : 0);
    if (start) nextStart = start;
  }

  out.entries.clear();
  out.sources.clear();
  out.firstLines.clear();
  out.entries.reserve(all.size());
  out.sources.reserve(all.size());
  size_t unread = 0, firstUnread = 0;
  for (size_t k = 0; k < all.size(); ++k) {
    const Span& span = all[k];
    // Its lines, the blank ones after it (and before the first) with them.
    const size_t begin = k == 0 ? 0 : span.from;
    const size_t end = k + 1 < all.size() ? all[k + 1].from : n;
    SourceCue cue;
    size_t bytes = 0;
    for (size_t i = begin; i < end; ++i) bytes += lines[i].size() + 1;
    cue.timing.reserve(bytes);
    for (size_t i = begin; i < end; ++i) {
      if (i > begin) cue.timing += '\n';
      cue.timing += lines[i];
    }
    cue.blankAfter = end > span.to;
    std::string entry;
    if (span.mark.empty()) {
      const std::uint32_t lead = OffsetIn(lines, begin, span.from, 0);
      cue.startAt = lead + span.startAt;
      cue.startLength = span.startLength;
      cue.stopAt = lead + span.stopAt;
      cue.stopLength = span.stopLength;
      entry = BuildEntryLine(span.start, span.stop, span.text);
    } else {
      entry.reserve(span.mark.size() + lines[span.from].size());
      entry += span.mark;
      entry += lines[span.from];
      if (span.mark == kUnreadLine && unread++ == 0) firstUnread = span.from + 1;
    }
    cue.text = entry;
    out.entries.push_back(std::move(entry));
    out.sources.push_back(std::move(cue));
    out.firstLines.push_back(static_cast<std::uint32_t>(span.from + 1));
  }
  out.finalBlank = n > 0 && IsBlankLine(lines.back());
  if (unread > 0) out.notes.push_back(UnreadLinesNote(unread, firstUnread));
}

void Write(EntryFeed& feed, const TimeSyntax& times, int blanksAfter,
           const std::function<void(const Timed&, const LineSink&)>& rebuild, const LineSink& emit) {
  const int count = feed.Count();
  const bool converted = feed.Converted();
  // Held for the look ahead to the next entry's start: the feed's line is
  // valid only until the next is asked for.
  struct Held {
    bool present = false;
    std::string line;
    EntryFields fields;
    std::optional<int64_t> start, stop;
  };
  std::vector<Held> held(static_cast<size_t>(count));
  for (int k = 0; k < count; ++k) {
    Held& h = held[static_cast<size_t>(k)];
    const std::string* line = feed.Line(k);
    if (!line) continue;
    h.present = true;
    h.line = *line;
  }
  for (Held& h : held) {
    if (!h.present || !SplitFullEntry(h.line, h.fields)) continue;
    h.start = times.Parse(h.fields.start);
    h.stop = times.Parse(h.fields.stop);
  }
  std::vector<std::optional<int64_t>> nextStart(held.size());
  for (size_t k = held.size(); k-- > 0;) {
    if (k + 1 < held.size())
      nextStart[k] = held[k + 1].start && held[k + 1].stop ? held[k + 1].start : nextStart[k + 1];
  }

  std::string shown;
  for (size_t k = 0; k < held.size(); ++k) {
    const Held& h = held[k];
    if (!h.present) continue;
    const bool timed = h.start && h.stop;
    const SourceCue* cue = converted ? nullptr : feed.Cue(static_cast<int>(k));
    std::vector<std::string_view> parts;
    if (cue) {
      parts = Parts(*cue);
      const bool stopHolds = cue->stopLength > 0 || !timed || UnwrittenStop(*h.start, nextStart[k]) == *h.stop;
      if (cue->text == h.line && stopHolds) {
        for (const std::string_view part : parts) emit(part);
        continue;
      }
    }
    size_t first = 0, last = parts.size();
    while (first < last && IsBlankLine(parts[first])) emit(parts[first++]);
    while (last > first && IsBlankLine(parts[last - 1])) --last;
    if (IsKeptLine(h.line)) {
      emit(AsKept(h.line));
    } else if (!timed) {
      if (!h.line.empty()) {
        shown = ShowLiteralBars(h.line);
        emit(shown);
      }
    } else {
      rebuild(Timed{h.fields, *h.start, *h.stop, nextStart[k]}, emit);
    }
    if (cue) {
      for (size_t i = last; i < parts.size(); ++i) emit(parts[i]);
    } else {
      for (int b = 0; b < blanksAfter; ++b) emit({});
    }
  }
}

std::vector<std::string> ShownScreenLines(std::string_view text) {
  std::vector<std::string> out;
  for (const std::string_view line : ScreenLines(text)) out.push_back(ShowLiteralBars(line));
  return out;
}

}  // namespace lm::line_entries
