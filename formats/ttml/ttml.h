#pragma once
// TTML, IMSC 1 Text (".ttml", ".dfxp", ".xml"): an XML document, <tt> with a
// <head> of styles and regions and a <body> of <div>s holding <p begin end>
// paragraphs. The document is read with pugixml; the file is cut into
// pieces that are written back as they were:
// - every <p> is one entry, "{00:00:01.000}{00:00:02.500}line one|line two":
//   its times as clock times in milliseconds whatever notation the file
//   used (frames and ticks need the document's rates), <br/> as "|", the
//   inline markup (<span …>) as tags that count as nothing, "&amp; &lt; &gt;"
//   as one character each (see kReferenced), whitespace collapsed as a
//   player shows it. The paragraph's own styling and its region stand at the
//   start of the text as a tag "<p region=… tts:displayAlign=…>" that carries
//   them through conversion;
// - every other line (the XML declaration, <tt>, the head, <div>, </body>),
//   or the part of a line beside a paragraph, is a line of the file's own
//   structure (kFormatLine); blank lines stay with the piece before them.
// An entry whose line is still the one read is written from its bytes; a
// changed paragraph keeps its start tag (times replaced in the notation the
// file used) and gets its inline markup rebuilt. A document read in another
// format is written fresh as an IMSC 1 Text document.
//
// A file that is not well-formed XML, or has no <tt>, is kept whole, every
// line as it was (kUnreadLine), with a note naming the parser's error.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/format.h"

namespace lm {

const Format& Ttml();
const StyleDialect& TtmlDialect();

// The rates a document's ttp: attributes set for its times.
struct TtmlRates {
  double frameRate = 30;  // effective: ttp:frameRate × ttp:frameRateMultiplier
  double tickRate = 1;
  double subFrameRate = 1;
};

// A time expression as milliseconds: clock times ("00:01:02.500",
// "00:01:02:12" frames, "00:01:02:12.1" subframes) and offsets ("1.5s",
// "1500ms", "2h", "3m", "40f", "1000t"). Nothing for anything else.
std::optional<int64_t> ParseTtmlTime(std::string_view value, const TtmlRates& rates);
// `milliseconds` in the notation of `like` (a time the file held): the same
// metric for offsets (hours and minutes as seconds), frames for a clock time
// with frames, else "HH:MM:SS.mmm".
std::string FormatTtmlTime(int64_t milliseconds, std::string_view like, const TtmlRates& rates);

// Where a paragraph stands in `s`, from the "<" of its start tag: just after
// that tag, its end tag (or the end of the start tag when it closes itself)
// and just after the element. False when the element does not close.
struct ElementSpan {
  size_t contentAt = 0, closeAt = 0, end = 0;
  bool selfClosing = false;
};
bool FindElementSpan(std::string_view s, size_t at, ElementSpan& span);

// An entry's text (after its leading paragraph tag) as a paragraph's
// content: "|" as <br/>, characters escaped, tags kept and balanced so that
// the document stays well-formed.
std::string TtmlMarkup(std::string_view text);
// The attributes of a paragraph tag as they go on a paragraph written anew:
// ` region="top"`; what the reader added for the region's place is left out.
std::string ParagraphAttributes(std::string_view tag);
// A styling attribute (its local name) applied to the neutral style.
void ApplyTtmlStyle(std::string_view name, std::string_view value, Style& style);
// The paragraph tag at the start of an entry's text ("<p …>"), or empty.
std::string_view LeadingParagraphTag(std::string_view text);

}  // namespace lm
