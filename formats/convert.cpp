#include "formats/convert.h"

#include <algorithm>
#include <array>

#include "files/charset.h"
#include "model/entry.h"
#include "model/text.h"

namespace lm {

namespace {
// A broken bar where the encoding has one; else a slash, which inside a
// line is no markup.
std::string BarStandIn(const Format& target, Encoding encoding) {
  if (target.BarIsText()) return std::string(kLiteralBar);
  constexpr std::string_view kBrokenBar = "\xC2\xA6";
  return CanHold(encoding, kBrokenBar) ? std::string(kBrokenBar) : "/";
}

// Text no dialect reads anything but characters and line breaks in: no
// tag, entity, escape or slash, no literal bar or teletext code. Most
// entries are such text, and stay as they are.
bool IsPlainText(std::string_view text) {
  static constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> special{};
    // Private use (teletext codes) starts with 0xEE, the literal bar and
    // other specials with 0xEF.
    for (const unsigned char c : {'<', '>', '{', '}', '[', ']', '\\', '&', '/', '\xEE', '\xEF'}) special[c] = true;
    return special;
  }();
  bool any = false;
  for (const char c : text) any |= kSpecial[static_cast<unsigned char>(c)];
  return !any;
}

std::string ConvertField(std::string_view field, const std::optional<int64_t>& units, const TimeNotation& from,
                         const TimeNotation& to) {
  if (!units) return std::string(TrimBlanks(field));  // kept as it is rather than lost
  if (from.InFrames() == to.InFrames()) return to.Format(*units);
  return to.Format(to.FromMilliseconds(from.ToMilliseconds(*units)));
}
}  // namespace

std::string ConvertEntry(std::string_view line, const TimeNotation& from, const TimeNotation& to,
                         const StyleDialect& fromTags, const StyleDialect& toTags, std::string_view barStandIn,
                         bool* timed, Style* lost) {
  EntryFields f;
  if (timed) *timed = true;
  if (!SplitFullEntry(line, f)) return std::string(line);
  const std::optional<int64_t> start = from.Parse(f.start), stop = from.Parse(f.stop);
  if (timed) *timed = start && stop;
  if (IsPlainText(f.text)) {
    if (lost) *lost = {};
    return BuildEntryLine(ConvertField(f.start, start, from, to), ConvertField(f.stop, stop, from, to), f.text);
  }
  const std::vector<StyledLine> neutral = fromTags.ToNeutral(f.text);
  std::string text = toTags.FromNeutral(neutral);
  if (lost) {
    *lost = {};
    // Read back as the target reads it: what is missing then was lost. Only
    // for styled entries, which are few.
    const bool styled = std::any_of(neutral.begin(), neutral.end(), [](const StyledLine& l) { return l.style.Any(); });
    if (styled) {
      const std::vector<StyledLine> kept = toTags.ToNeutral(text);
      for (size_t i = 0; i < neutral.size(); ++i)
        lost->Add(neutral[i].style.LostIn(i < kept.size() ? kept[i].style : Style()));
    }
  }
  if (barStandIn != kLiteralBar && text.find(kLiteralBar) != std::string::npos) {
    std::string out;
    for (size_t i = 0;;) {
      const size_t at = text.find(kLiteralBar, i);
      out.append(text, i, at == std::string::npos ? std::string::npos : at - i);
      if (at == std::string::npos) break;
      out += barStandIn;
      i = at + kLiteralBar.size();
    }
    text = std::move(out);
  }
  return BuildEntryLine(ConvertField(f.start, start, from, to), ConvertField(f.stop, stop, from, to), text);
}

DocumentFeed::DocumentFeed(const Document& doc, const Format& target, Encoding encoding)
    : doc_(doc),
      from_(doc.ReadFormat()),
      to_(target),
      converted_(&from_ != &to_),
      fromTimes_(doc.Notation()),
      toTimes_(target.Times(), doc.Identity().frameRate),
      barStandIn_(BarStandIn(target, encoding)) {}

const std::string* DocumentFeed::Line(int k) {
  const std::string& line = doc_.List1.Item(k);
  if (!converted_) return &line;
  if (from_.IsHeaderEntry(k, line)) return nullptr;
  bool timed = true;
  Style lost;
  line_ = ConvertEntry(line, fromTimes_, toTimes_, from_.Dialect(), to_.Dialect(), barStandIn_, &timed, &lost);
  if (!timed) untimed_.push_back(k);
  if (lost.Any()) {
    ++lostEntries_;
    lost_.Add(lost);
  }
  return &line_;
}

}  // namespace lm
