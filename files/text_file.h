#pragma once
// A text file's bytes as lines: its encoding, chosen or detected, and its
// lines with the style of their ends. A line ends at CR LF, at a lone CR or
// at a lone LF.
//
// The encoding: a UTF-8 or UTF-16 byte order mark says it; a file that is
// valid UTF-8 and holds non-ASCII characters is UTF-8; any other file is in
// an 8-bit code page, guessed from its letters (Windows-1252 when nothing
// better is known), one byte a character. The user may name the encoding
// instead of the guess.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/encoding.h"
#include "model/file_identity.h"

namespace lm {

inline constexpr std::string_view kUtf16LEMark("\xFF\xFE", 2);
inline constexpr std::string_view kUtf16BEMark("\xFE\xFF", 2);
bool StartsWithUtf16Mark(std::string_view content);

// The text to split and its encoding: the one named, or the one the bytes
// say. UTF-16 is turned into UTF-8 here (into `decoded`); 8-bit text is
// decoded line by line later (`ascii`: it needs none). False when the text
// is not valid in the encoding named or marked.
bool ChooseEncoding(std::string_view content, std::optional<Encoding> named, Encoding& encoding, std::string_view& text,
                    std::string& decoded, bool& ascii);

// Every line of the content, empty ones too, and the style of their ends.
void SplitLines(std::string_view content, std::vector<std::string_view>& lines, LineEnd& style);

// Lines into a file's bytes, a line at a time: each encoded and ended as
// the file's were.
class LineEncoder {
 public:
  LineEncoder(const FileIdentity& identity, std::string& bytes, size_t sizeHint);
  void Add(std::string_view line);
  // False when a character did not fit the encoding.
  bool Finish();

 private:
  Encoding encoding_;
  std::string_view end_;
  std::string& bytes_;
  bool ok_ = true;
};

}  // namespace lm
