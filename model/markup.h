#pragma once
// Style markup in entry text, which the screen does not show: the tags of
// the text's dialect (see style.h) wherever they stand, and, where the
// dialect says so, a "/" that starts a screen line (italics).
//
// Every length, threshold and middle position of the rules counts visible
// characters only ("|" counts, as it always has); markup counts zero, and no
// cut or break falls inside it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/style.h"
#include "model/text.h"

namespace lm {

// Bytes of the markup that starts a screen line at byte `i`: tags, and at
// most one "/" where that is italics, in any order.
size_t LinePrefixAt(std::string_view s, size_t i, const StyleDialect& dialect);
// Whether a "/" starts one of the text's screen lines.
bool SlashStartsALine(std::string_view s);
// Text without a character a tag may start with, and without a line-start
// "/" where that is markup, holds no markup; most text is such.
bool MayHoldMarkup(std::string_view s, const StyleDialect& dialect);

// What one pass over a text finds, a word at a time.
struct TextFacts {
  static constexpr int kBarsKept = 4;
  bool ascii = true;
  int dashes = 0, bars = 0, braces = 0;
  int continuations = 0;  // UTF-8 continuation bytes: the text's characters are its bytes less these
  int kept = 0;  // breaks whose offsets are in barAt
  std::uint32_t barAt[kBarsKept];
};
// `braces` counts where a tag may start (the dialect's tag starts).
TextFacts ScanText(std::string_view text, const StyleDialect& dialect);
// MayHoldMarkup, from what the scan found.
bool MayHoldMarkup(std::string_view text, const TextFacts& facts, const StyleDialect& dialect);

// What the rules count in a text: visible characters, visible dashes, line
// breaks, and the 1-based visible positions of the first and last break
// (0: none).
struct VisibleCounts {
  int chars = 0, dashes = 0, bars = 0, firstBar = 0, lastBar = 0;
};
VisibleCounts CountVisible(std::string_view text, const TextFacts& facts, const StyleDialect& dialect);

// The visible characters of a text, with their byte offsets. The first
// `plainUpTo` bytes (an entry's frame fields) hold no markup; the text after
// them starts a screen line.
class Visible {
 public:
  Visible(std::string_view s, size_t plainUpTo, const StyleDialect& dialect);
  Visible(const Visible&) = delete;
  Visible& operator=(const Visible&) = delete;
  int size() const { return count_; }
  // One byte a visible character: ASCII without markup.
  bool Identity() const { return mode_ == Mode::Identity; }
  // Byte offset of the 0-based visible character `i`; size() gives the end.
  size_t Byte(int i) const {
    if (mode_ == Mode::Identity) return static_cast<size_t>(i);
    if (mode_ == Mode::Table) return starts_[i];
    return ByteAcrossMarkup(i);
  }
  // The visible character that starts at byte `b`, or -1 when `b` is inside
  // markup or a character.
  int At(size_t b) const;

 private:
  struct Stretch {
    std::uint32_t begin, end;  // bytes of markup
  };
  size_t ByteAcrossMarkup(int i) const;

  // Identity: one byte a character. Stretches: ASCII, and the markup
  // stretches are skipped. Table: a start for each character.
  enum class Mode { Identity, Stretches, Table } mode_;
  int count_ = 0;
  size_t end_ = 0;
  // In place for an entry of ordinary length, so that the walks allocate
  // nothing.
  Stretch* stretches_ = nullptr;
  int stretchCount_ = 0;
  Stretch stretchLocal_[16];
  std::vector<Stretch> stretchHeap_;
  std::uint32_t* starts_ = nullptr;  // Table: one per character, then the end
  std::uint32_t startLocal_[192];
  std::vector<std::uint32_t> startHeap_;
};

// The visible characters of each screen line of a text ("|" between them).
std::vector<int> ScreenLineLengths(std::string_view text, const StyleDialect& dialect);

// 1-based visible position of the first visible `c` at or after visible
// position `from`, or 0.
int FindVisibleFrom(std::string_view s, const Visible& v, char c, int from);
// 1-based visible position of the last visible `c` at or before `to`, or 0.
int FindVisibleUpTo(std::string_view s, const Visible& v, char c, int to);

// The line-scoped markup a screen line broken from the line holding byte
// `at` starts with: the tags that start that line and style it (not the
// whole entry), and its "/".
std::string CarriedMarkup(std::string_view s, size_t at, size_t textAt, const StyleDialect& dialect);
// The entry-scoped tags among the markup that starts the text.
std::string EntryMarkup(std::string_view text, const StyleDialect& dialect);

// Whether a break at the space at byte `at` keeps the text as the screen
// shows it: not where the next visible character is a "/" that would then
// start the new line in a dialect whose line-start "/" is markup (unless the
// line carries a "/" of its own, after which a second one shows). A cut that
// starts a new entry (`entryCut`) does not go before a tag that styles the
// whole entry either: there it would style all of the new entry.
bool BreakKeepsText(std::string_view s, size_t at, size_t textAt, const StyleDialect& dialect, bool entryCut = false);
// The space at byte `at` becomes a line break; the new screen line starts
// with the markup CarriedMarkup gives, so an italic line stays italic.
void BreakLineAt(std::string& s, size_t at, size_t textAt, const StyleDialect& dialect);
// The line break at byte `at` becomes a space. The markup that started the
// next line goes when it repeats what the joined line carries; otherwise it
// stays where it is, its "/" turned into the dialect's tag ("/" inside a
// line would show). A join that would change what the screen shows is not
// made (false, `s` unchanged): one that completes a tag out of visible text,
// and, where tags style screen lines, one whose next line does not style its
// text with all the joined line carries (no tag ends a style inside a line,
// so a plain line joined to an italic one would turn italic).
bool JoinLineAt(std::string& s, size_t at, size_t textAt, const StyleDialect& dialect);
// Markup moved inside a line: its "/" (which would show there) becomes the
// dialect's italic tag. Only a "/" that stands as markup, at the start or
// next to the dialect's tags, is one; what is no markup of the dialect
// ("{\an/8}" where that is text) is kept as it is.
std::string MidLineMarkup(std::string_view markup, const StyleDialect& dialect);
// Every line break of the text joined, first to last; false when a break
// stays because JoinLineAt refused it.
bool JoinAllLines(std::string& text, const StyleDialect& dialect);

// Whether markup makes what follows it italic: a line-start "/", or a tag
// that sets italics.
bool IsItalicMarkup(std::string_view markup, const StyleDialect& dialect);
// The italics after the tags of `markup`, `italic` before them (spans).
void FollowItalic(std::string_view markup, const StyleDialect& dialect, bool& italic);

}  // namespace lm
