#pragma once
// A text file's bytes as lines: its encoding, chosen or detected, and its
// lines with the style of their ends. A line ends at CR LF, at a lone CR or
// at a lone LF.
//
// The encoding: a UTF-8, UTF-16 or UTF-32 byte order mark says it; a file
// that is valid UTF-8 and holds non-ASCII characters is UTF-8; ISO-2022-JP
// is told by its escape sequences; a file of plain ASCII takes its format's
// encoding (see Format::PlainTextEncoding); any other file is in an East
// Asian encoding or an 8-bit code page, guessed from its letters
// (Windows-1252 when nothing better is known). The user may name the
// encoding instead of the guess.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/encoding.h"
#include "model/file_identity.h"

namespace lm {

inline constexpr std::string_view kUtf16LEMark("\xFF\xFE", 2);
inline constexpr std::string_view kUtf16BEMark("\xFE\xFF", 2);
inline constexpr std::string_view kUtf32LEMark("\xFF\xFE\0\0", 4);
inline constexpr std::string_view kUtf32BEMark("\0\0\xFE\xFF", 4);
// The UTF-16 or UTF-32 encoding a byte order mark at the start names.
std::optional<Encoding> WideUnicodeMark(std::string_view content);

// What ChooseEncoding found.
struct ChosenEncoding {
  Encoding encoding = Encoding::Windows1252;
  // Plain ASCII, neither named nor marked: it needs no decoding, and is
  // read in its format's plain text encoding.
  bool ascii = false;
  // 8-bit text, decoded a line at a time later (only where it is not ASCII).
  bool byLine = false;
  // Bytes of an East Asian file kept as they are (see DecodeMultiByte).
  size_t keptBytes = 0;
};

// The text to split and its encoding: the one named, or the one the bytes
// say. Unicode other than UTF-8 and the East Asian encodings are turned
// into UTF-8 here, whole (into `decoded`), before the text is split into
// lines. False when the text is not valid in the encoding named or marked.
bool ChooseEncoding(std::string_view content, std::optional<Encoding> named, ChosenEncoding& chosen,
                    std::string_view& text, std::string& decoded);

// Every line of the content, empty ones too, and the style of their ends.
void SplitLines(std::string_view content, std::vector<std::string_view>& lines, LineEnd& style);
// The ends of the lines of a text split in pieces, counted piece after
// piece: the style is the whole text's.
struct LineEndCounts {
  long lf = 0, crlf = 0, cr = 0;  // lone LF, CR LF, lone CR
  LineEnd Style() const { return lf > 0 && crlf == 0 && cr == 0 ? LineEnd::Lf : LineEnd::CrLf; }
};
void SplitLines(std::string_view content, std::vector<std::string_view>& lines, LineEndCounts& ends);
// Where a piece of the text from `from` ends that is at least `least`
// bytes long: just after the next empty line from there, or the text's
// end. Pieces so cut are split into the lines the whole text is.
size_t PieceEnd(std::string_view content, size_t from, size_t least);
// The first `most` non-empty lines of the content (all of them when it
// holds fewer), cut as SplitLines cuts them.
void SplitFirstLines(std::string_view content, size_t most, std::vector<std::string_view>& nonEmpty);

// Lines into a file's bytes: each ended as the file's were, and the whole
// encoded when it is complete. Until then the bytes are the text in UTF-8,
// which a writer may append ended lines to itself (Text(), End()).
class LineEncoder {
 public:
  LineEncoder(const FileIdentity& identity, std::string& bytes, size_t sizeHint);
  void Add(std::string_view line) {
    bytes_ += line;
    bytes_ += end_;
  }
  std::string& Text() { return bytes_; }
  std::string_view End() const { return end_; }
  // Called between lines, all written so far being whole: an 8-bit page is
  // applied to the text so far in place once a piece of it is there, while
  // the piece is still in the cache, rather than to the whole at the end.
  void Between() {
    if (inPieces_ && bytes_.size() - encoded_ >= kPiece) EncodePiece();
  }
  // False when a character did not fit the encoding (the bytes are then
  // no file); NotHeld names them.
  bool Finish();
  const std::vector<std::string>& NotHeld() const { return notHeld_; }

 private:
  static constexpr size_t kPiece = 32 << 10;
  void EncodePiece();

  Encoding encoding_;
  std::string_view end_;
  std::string& bytes_;
  std::vector<std::string> notHeld_;
  // The bytes before encoded_ are in the page; failedAt_: where a
  // character the page does not hold stands, once one was met.
  bool inPieces_;
  size_t encoded_ = 0;
  std::optional<size_t> failedAt_;
};

}  // namespace lm
