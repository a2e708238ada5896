#pragma once
// A document's entries as a format's writer is to write them: as they are
// when the document was read in that format, else converted from the
// format it was read in: times through both formats' notations at the
// document's frame rate (to the nearest millisecond or frame), style tags
// through the neutral set, the other format's header left out.
#include <string>
#include <vector>

#include "model/document.h"
#include "model/entry.h"

namespace lm {

// One entry line from one format to another (see ConvertEntry), with what
// is asked of the two notations for every entry asked once.
class EntryConversion {
 public:
  // Holds references to all it is given.
  EntryConversion(const TimeNotation& from, const TimeNotation& to, const StyleDialect& fromTags,
                  const StyleDialect& toTags, std::string_view barStandIn);
  // ConvertEntry, into `out` (its room kept from entry to entry).
  void Into(std::string_view line, bool* timed, Style* lost, std::string& out) const;

 private:
  // Units of the source's notation in the target's.
  int64_t Converted(int64_t units) const;
  char* FieldInto(std::string_view field, const std::optional<int64_t>& units, char* out, size_t room) const;
  void Build(const EntryFields& f, const std::optional<int64_t>& start, const std::optional<int64_t>& stop,
             std::string_view text, std::string& out) const;

  const TimeNotation& from_;
  const TimeNotation& to_;
  const StyleDialect& fromTags_;
  const StyleDialect& toTags_;
  std::string_view barStandIn_;
  const bool fromFrames_, toFrames_;
  const bool fromFrameNumbers_;  // FrameNumbers()
  const int64_t msPerFrame_;     // 0: not a whole number
};

class LineEncoder;

class DocumentFeed final : public EntryFeed {
 public:
  DocumentFeed(const Document& doc, const Format& target, Encoding encoding);
  // The lines written are `encoder`'s: it is told when the writer asks for
  // an entry, all before it being written (see LineEncoder::Between).
  void TellBetween(LineEncoder& encoder) { between_ = &encoder; }
  int Count() const override { return doc_.List1.Count(); }
  const std::string* Line(int k) override;
  const SourceCue* Cue(int k) const override { return converted_ ? nullptr : doc_.Source(k); }
  bool Converted() const override { return converted_; }
  const Profile* RuleProfile() const override { return &doc_.RuleProfile(); }
  // The entries converted so far whose times could not be read, counted
  // from 0.
  const std::vector<int>& Untimed() const { return untimed_; }
  // How many entries converted so far lost a style the target cannot hold,
  // and which styles.
  int LostStyleEntries() const { return lostEntries_; }
  const Style& LostStyles() const { return lost_; }

 private:
  const Document& doc_;
  const Format& from_;
  const Format& to_;
  const bool converted_;
  const TimeNotation fromTimes_, toTimes_;
  // What a "|" that is a character becomes where "|" breaks lines.
  std::string barStandIn_;
  const EntryConversion conversion_;
  std::string line_;
  LineEncoder* between_ = nullptr;
  std::vector<int> untimed_;
  int lostEntries_ = 0;
  Style lost_;
};

// One entry line from one format to another (see DocumentFeed); a line
// without times stays as it is. `timed`: false when the line has fields
// whose times cannot be read. `lost`: the styles the target's tags could not
// hold.
std::string ConvertEntry(std::string_view line, const TimeNotation& from, const TimeNotation& to,
                         const StyleDialect& fromTags, const StyleDialect& toTags, std::string_view barStandIn,
                         bool* timed = nullptr, Style* lost = nullptr);

// Text no dialect reads anything but characters and line breaks in (no tag,
// entity, escape, slash, literal bar or teletext code): its entry is
// converted with the text as it is.
bool IsPlainText(std::string_view text);

}  // namespace lm
