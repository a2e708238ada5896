#pragma once
// Style tags in entry text. Each format has its own tags; what they mean
// goes through one neutral set (Style), so converting between formats needs
// one pair of converters a format, and how tags behave inside a text (where
// they may start, whether they style a screen line or open a span) is the
// format's dialect, which the markup walks, the rules and the grid ask.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lm {

// The neutral set every format's tags are translated to and from.
struct Style {
  bool italic = false, bold = false, underline = false, strike = false;
  std::string color;  // "RRGGBB", or empty
  std::string font;   // a font family, or empty
  int size = 0;       // in points; 0: not set
  int position = 0;   // 1..9, as on a numeric keypad (8: top centre); 0: not set
  bool Any() const {
    return italic || bold || underline || strike || !color.empty() || !font.empty() || size || position;
  }
  // Everything `other` sets that this style does not.
  void Add(const Style& other);
  // What this style sets that `kept` does not hold as it is.
  Style LostIn(const Style& kept) const;
  // What it sets, as a reader says it: "italics, colour".
  std::string Names() const;
};

// One screen line in neutral form: its style and its visible text (tags
// inside the line have no neutral form and are left out).
struct StyledLine {
  Style style;
  std::string text;
};

class StyleDialect {
 public:
  virtual ~StyleDialect() = default;

  // The ASCII characters a tag may start with ("{", or "{" and "<"): the
  // quick scans look for these bytes only.
  std::string_view TagStarts() const { return tagStarts_; }
  // A "/" that starts a screen line is markup (italics).
  bool SlashItalic() const { return slashItalic_; }
  // Tags at the start of a screen line style that line (and those that
  // StylesEntry names, the whole entry): a line broken off carries them.
  // Otherwise tags open and close spans that run over line breaks.
  bool LineScoped() const { return lineScoped_; }
  // No tag of the dialect is longer (in bytes; 256 unless the dialect says):
  // how far back a check for a tag that a join would complete has to look.
  size_t LongestTag() const { return longestTag_; }

  // Bytes of the tag that starts at byte `i`, or 0 when none does.
  virtual size_t TagAt(std::string_view s, size_t i) const = 0;
  // Line-scoped dialects: the tag styles the whole entry, not its line.
  virtual bool StylesEntry(std::string_view tag) const {
    (void)tag;
    return false;
  }
  // The tag that stands inside a line for a line-start "/" (italics).
  virtual std::string_view SlashTag() const { return {}; }
  // The tag's effect on the style of what follows it.
  virtual void Apply(std::string_view tag, Style& style) const = 0;

  // Span dialects: a text cut at byte `at` of `joined` into `first` and
  // `second` closes the spans open there at the end of `first` and opens
  // them again at the start of `second`.
  virtual void CloseSpansAt(std::string_view joined, size_t at, std::string& first, std::string& second) const {
    (void)joined, (void)at, (void)first, (void)second;
  }

  // Hearing-impaired removal: whether the text holds the dialect's italic
  // tags, and cutting them (the number cut).
  virtual bool HasItalicTags(std::string_view text) const = 0;
  virtual int CutItalicTags(std::string& text) const = 0;
  // The text without spans that a cut has left holding nothing ("<i></i>").
  virtual std::string WithoutEmptySpans(std::string_view text) const { return std::string(text); }

  // Screen lines ("|" between them) to the neutral set and back.
  virtual std::vector<StyledLine> ToNeutral(std::string_view text) const = 0;
  virtual std::string FromNeutral(const std::vector<StyledLine>& lines) const = 0;

 protected:
  StyleDialect(std::string_view tagStarts, bool slashItalic, bool lineScoped, size_t longestTag = 256)
      : tagStarts_(tagStarts), slashItalic_(slashItalic), lineScoped_(lineScoped), longestTag_(longestTag) {}

 private:
  std::string_view tagStarts_;
  bool slashItalic_, lineScoped_;
  size_t longestTag_;
};

// Text without any markup: what a document holds before a file is read.
const StyleDialect& PlainText();

// The screen lines of a text, "|" between them.
std::vector<std::string_view> ScreenLines(std::string_view text);

// For dialects whose spans open and close by name (<i> … </i>): the tag at
// a place (length 0: none there) and the span it opens or closes, if any.
struct SpanTag {
  size_t length = 0;
  bool span = false, closing = false;
  std::string name;
};
// The text without spans that hold nothing: only blanks, line breaks, other
// tags and spans that hold nothing stand between their two tags, which go;
// what they held stays (a blank may part two words). A span left open
// inside another keeps that one: cutting would unbalance them.
std::string WithoutEmptyNamedSpans(std::string_view text,
                                   const std::function<SpanTag(std::string_view, size_t)>& tagAt);
// Cuts each tag `cutAt` finds (the length of the one to cut at a place, 0:
// none there) from `text`, walking it once; how many it cut.
int CutTags(std::string& text, const std::function<size_t(std::string_view, size_t)>& cutAt);
// `text` without the byte ranges [from, to) (in any order, not overlapping).
std::string WithoutRanges(std::string_view text, std::vector<std::pair<size_t, size_t>> ranges);

}  // namespace lm
