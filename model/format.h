#pragma once
// A subtitle file format, as the rest of the program sees it. Each format
// lives in a folder of its own under formats/ and implements this; the
// formats' registry lists them. The model, the rules, the grid and the
// commands never ask which format a document is: where they need something
// of it (how its times are written, what its style tags are) they ask the
// document's format through this interface.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "model/encoding.h"
#include "model/entry.h"
#include "model/style.h"
#include "model/text.h"
#include "model/time_notation.h"

namespace lm {

struct FileIdentity;
struct Profile;

// An entry as the file held it, for a format that is more than one line an
// entry: written back from these bytes for as long as its entry is the line
// it was read as.
struct SourceCue {
  std::string timing;  // the timing line, position coordinates and all
  std::string text;    // the text lines, separated by "\n"
  // Where the two times stand in `timing`.
  std::uint32_t startAt = 0, startLength = 0, stopAt = 0, stopLength = 0;
  // A blank line followed it in the file: lines that were no cue keep their
  // places as they were.
  bool blankAfter = true;
};

// How well a text fits a format.
struct Fit {
  double score = 0;       // 0: not at all; 1: entirely
  bool decisive = false;  // the text is this format: no other need be asked
};

// What a reader makes of a file's lines.
struct ReadEntries {
  std::vector<std::string> entries;  // entry lines, "{start}{stop}text"
  std::vector<SourceCue> sources;    // none, or one for each entry
  bool finalBlank = true;            // a blank line after the last entry
  std::optional<double> frameRate;   // the file names its own
  // The file's line (from 1) each entry starts on, where the reader tells:
  // what check prints, so that an editor jumps to the entry.
  std::vector<std::uint32_t> firstLines;
  // None, or what the rules see of each entry (ShapeOf in the format's
  // style tags), worked out by a reader that knows where each entry's
  // fields end, while the entry is at hand: the fix need not read every
  // entry's text again for it.
  std::vector<EntryShape> shapes;
  // What the reader has to tell about the file ("3 lines could not be read
  // as cues"): shown with the document.
  std::vector<std::string> notes;
};

// The note a reader gives on lines it kept as they were: "3 lines could not
// be read as cues and are kept as they were (line 1 first)". `one` and
// `many` name what they could not be read as: "a cue", "cues".
std::string UnreadLinesNote(size_t count, size_t firstLine, std::string_view one = "a cue",
                            std::string_view many = "cues");

// The entries a writer writes, in the writer's own times and style tags
// (converted when the document was read in another format).
class EntryFeed {
 public:
  virtual ~EntryFeed() = default;
  virtual int Count() const = 0;
  // The entry line at `k`, valid until the next call; nothing for an entry
  // to leave out (another format's header).
  virtual const std::string* Line(int k) = 0;
  // The entry as it was read, when it was read in the writer's format.
  virtual const SourceCue* Cue(int k) const = 0;
  // The entries were read in another format.
  virtual bool Converted() const = 0;
  // The limits the document's rules keep its lines in, for a format whose
  // file names them (characters a row); nothing when not known.
  virtual const Profile* RuleProfile() const { return nullptr; }
};

// Where a writer's lines go: called with each line, without its end. It
// does not own what it calls, which outlives it (a sink is made for one
// Write). A sink onto a file's text (Text()) also takes whole lines appended
// to that text directly, each followed by End(): a writer of many short
// lines then makes no call for each.
class LineSink {
 public:
  template <typename F, typename = std::enable_if_t<!std::is_same_v<std::decay_t<F>, LineSink> &&
                                                    std::is_invocable_v<const F&, std::string_view>>>
  LineSink(const F& f)  // NOLINT: made from a lambda where a writer is called
      : object_(&f), call_([](const void* o, std::string_view line) { (*static_cast<const F*>(o))(line); }) {}
  // The same calls, and lines appended to `text` may bypass them.
  template <typename F>
  LineSink(const F& f, std::string& text, std::string_view end) : LineSink(f) {
    text_ = &text;
    end_ = end;
  }
  void operator()(std::string_view line) const { call_(object_, line); }
  // The text lines may be appended to, or nothing: then each is called.
  std::string* Text() const { return text_; }
  std::string_view End() const { return end_; }

 private:
  const void* object_;
  void (*call_)(const void*, std::string_view);
  std::string* text_ = nullptr;
  std::string_view end_;
};

// The reader of one text that is handed the text's lines a piece at a
// time (Format::ReadInPieces).
class PieceReader {
 public:
  virtual ~PieceReader() = default;
  // The lines of the next piece, decoded; `firstLine`: the file's lines
  // before it; `last`: it ends the file. False when the text holds more
  // entries than a document can.
  virtual bool Read(const std::vector<std::string_view>& lines, size_t firstLine, bool last) = 0;
};

class Format {
 public:
  virtual ~Format() = default;

  // ---- what it is called
  // Short and unique, the usual extension: what --format takes.
  virtual std::string_view Id() const = 0;
  // As sentences, reports and the status line name it.
  virtual std::string_view Name() const = 0;
  // The file name extensions without the dot, lower case, the usual one
  // first (it is given to converted files).
  virtual const std::vector<std::string_view>& Extensions() const = 0;
  // Its own MIME type first, then others its files are taken for.
  virtual const std::vector<std::string_view>& MimeTypes() const = 0;

  // ---- what the rules and the grid ask
  virtual const TimeSyntax& Times() const = 0;
  virtual const StyleDialect& Dialect() const = 0;
  // A "|" in the file's text is a character, not a screen-line break: the
  // format breaks lines its own way (see kLiteralBar).
  virtual bool BarIsText() const = 0;
  // The encoding a file of plain ASCII is read as, and so written in once
  // it holds more than ASCII.
  virtual Encoding PlainTextEncoding() const = 0;
  // At most what writing one of its own entries back as it was read puts
  // around the entry's line, as a rule (its number, timing line, line
  // ends): the room made for the text written.
  virtual size_t BytesAroundEntry() const { return 24; }

  // ---- files
  // The non-empty lines of a text, as they are (undecoded). A probe reads
  // at most the first kHeadLines of them, unless ProbesEveryLine.
  virtual Fit Probe(const std::vector<std::string_view>& lines) const = 0;
  // A probe that reads every line: whether the fit holds for the whole
  // text is told only by all of it. ProbeHead gives, from the first
  // kHeadLines lines, the fit Probe gives when it holds; when it does not,
  // Probe fits not at all.
  virtual bool ProbesEveryLine() const { return false; }
  virtual Fit ProbeHead(const std::vector<std::string_view>& head) const { return Probe(head); }
  // Every line of the file, empty ones too, decoded. False when the file
  // holds more entries than a document can.
  virtual bool Read(const std::vector<std::string_view>& lines, ReadEntries& out) const = 0;
  // A format whose reading of a text cut just after an empty line is the
  // reading of its pieces one after another: a reader into `out` of a text
  // of `textBytes` that takes the pieces, so that the lines of the whole
  // text are never held at once; nothing for a format that reads its text
  // whole (Read).
  virtual std::unique_ptr<PieceReader> ReadInPieces(ReadEntries& out, size_t textBytes) const {
    (void)out, (void)textBytes;
    return nullptr;
  }
  virtual void Write(EntryFeed& entries, const FileIdentity& identity, const LineSink& emit) const = 0;
  // ---- files of records, not lines
  // A format whose files are fixed-size records of bytes, with no encoding
  // and no line ends of their own: its files are probed, read and written
  // whole through the three below, never as lines (Probe, Read and Write
  // are then never asked).
  virtual bool Binary() const { return false; }
  virtual Fit ProbeBytes(std::string_view content) const {
    (void)content;
    return {};
  }
  // False when the file holds more entries than a document can.
  virtual bool ReadBytes(std::string_view content, ReadEntries& out) const {
    (void)content, (void)out;
    return false;
  }
  // False, with the reason in `why`, when the entries cannot be written
  // (a character the file's code table does not hold).
  virtual bool WriteBytes(EntryFeed& entries, const FileIdentity& identity, std::string& out, std::string& why) const {
    (void)entries, (void)identity, (void)out, (void)why;
    return false;
  }

  // An entry that is the format's own header (a frame rate, say, or any line
  // of the file's structure, kFormatLine): it has no place in another
  // format.
  virtual bool IsHeaderEntry(int index, std::string_view line) const {
    (void)index;
    return IsFormatLine(line);
  }
};

// The non-empty lines a probe reads at most, but one that ProbesEveryLine
// (more than any probe's sample of the first lines and the line after it).
inline constexpr size_t kHeadLines = 512;

// What a document is before any file is read: plain text, frame numbers,
// nothing to read or write.
const Format& NoFormat();

}  // namespace lm
