#pragma once
// Style markup in entry text, which the screen does not show: MicroDVD
// control tags ("{y:i}", "{Y:b,u}", "{c:$0000FF}", "{f:DejaVu Sans}",
// "{s:12}" …: "{", a control letter, ":", a value, "}") wherever they stand,
// and a "/" that starts a screen line (italic).
//
// Every length, threshold and middle position of the rules counts visible
// characters only ("|" counts, as it always has); markup counts zero, and no
// cut or break falls inside it. A tag with a lower-case letter styles its
// screen line, one with an upper-case letter the whole entry.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text.h"

namespace lm {

// Whose style tags the text carries: MicroDVD's (tags, and "/" starting a
// line, styled line by line) or SubRip's ("<i>…</i>" spans, which run over
// line breaks within a cue). Every function below takes the text's.
enum class Markup { MicroDvd, SubRip };

// Bytes of the control tag that starts at byte `i`, or 0 when none does.
size_t TagAt(std::string_view s, size_t i);
// Bytes of the SubRip tag at byte `i` ("<i>", "</b>", "<font color=…>",
// or an override such as "{\an8}"), or 0.
size_t SubRipTagAt(std::string_view s, size_t i);
size_t MarkupTagAt(std::string_view s, size_t i, Markup markup);
// Bytes of the markup that starts a screen line at byte `i`: tags, and (for
// MicroDVD) at most one "/", in any order.
size_t LinePrefixAt(std::string_view s, size_t i, Markup markup = Markup::MicroDvd);
// Whether a "/" starts one of the text's screen lines.
bool SlashStartsALine(std::string_view s);
// Text without a "{", and without a "/" starting a line (SubRip: without a
// "<"), holds no markup; most text is such.
inline bool MayHoldMarkup(std::string_view s, Markup markup = Markup::MicroDvd) {
  if (s.find('{') != std::string_view::npos) return true;
  return markup == Markup::SubRip ? s.find('<') != std::string_view::npos : SlashStartsALine(s);
}

// What one pass over a text finds, a word at a time.
struct TextFacts {
  static constexpr int kBarsKept = 4;
  bool ascii = true;
  int dashes = 0, bars = 0, braces = 0;
  int kept = 0;  // breaks whose offsets are in barAt
  std::uint32_t barAt[kBarsKept];
};
// `braces` counts where a tag may start: "{" (and "<" for SubRip).
TextFacts ScanText(std::string_view text, Markup markup = Markup::MicroDvd);
// MayHoldMarkup, from what the scan found.
bool MayHoldMarkup(std::string_view text, const TextFacts& facts, Markup markup = Markup::MicroDvd);

// What the rules count in a text: visible characters, visible dashes, line
// breaks, and the 1-based visible positions of the first and last break
// (0: none).
struct VisibleCounts {
  int chars = 0, dashes = 0, bars = 0, firstBar = 0, lastBar = 0;
};
VisibleCounts CountVisible(std::string_view text, const TextFacts& facts, Markup markup = Markup::MicroDvd);

// The visible characters of a text, with their byte offsets. The first
// `plainUpTo` bytes (an entry's frame fields) hold no markup; the text after
// them starts a screen line.
class Visible {
 public:
  explicit Visible(std::string_view s, size_t plainUpTo = 0, Markup markup = Markup::MicroDvd);
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
std::vector<int> ScreenLineLengths(std::string_view text, Markup markup = Markup::MicroDvd);

// 1-based visible position of the first visible `c` at or after visible
// position `from`, or 0.
int FindVisibleFrom(std::string_view s, const Visible& v, char c, int from);
// 1-based visible position of the last visible `c` at or before `to`, or 0.
int FindVisibleUpTo(std::string_view s, const Visible& v, char c, int to);

// The line-scoped markup a screen line broken from the line holding byte
// `at` starts with: the lower-case tags and the "/" that start that line.
std::string CarriedMarkup(std::string_view s, size_t at, size_t textAt = 0, Markup markup = Markup::MicroDvd);
// The entry-scoped (upper-case) tags among the markup that starts the text.
std::string EntryMarkup(std::string_view text, Markup markup = Markup::MicroDvd);

// The space at byte `at` becomes a line break; the new screen line starts
// with the markup CarriedMarkup gives, so an italic line stays italic.
void BreakLineAt(std::string& s, size_t at, size_t textAt = 0, Markup markup = Markup::MicroDvd);
// The line break at byte `at` becomes a space. The markup that started the
// next line goes when it repeats what the joined line carries; otherwise it
// stays where it is, its "/" turned into an italic tag ("/" inside a line
// would show).
void JoinLineAt(std::string& s, size_t at, size_t textAt = 0, Markup markup = Markup::MicroDvd);
// Markup moved inside a line: its "/" (which would show there) becomes an
// italic tag.
std::string MidLineMarkup(std::string_view markup);
// Every line break of the text joined, first to last.
void JoinAllLines(std::string& text, Markup markup = Markup::MicroDvd);
// A cue divided at byte `at` of `joined` into `first` and `second`: SubRip
// spans open there are closed at the end of the first and opened again at
// the start of the second, so an italic span stays italic in both.
void CloseSpansAt(std::string_view joined, size_t at, std::string& first, std::string& second, Markup markup);

// Whether markup at the start of a screen line makes it italic: a "/", or a
// "y" tag whose value holds "i".
bool IsItalicMarkup(std::string_view markup);

}  // namespace lm
