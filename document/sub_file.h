#pragma once
// Subtitle files: frame-based ".sub" (one entry per line; empty lines are
// skipped) and SubRip (see subrip.h). A line ends at CR LF, at a lone CR or
// at a lone LF. A file keeps its format, line-end style and encoding when it
// is written back (see file_identity.h).
//
// The encoding: a UTF-8 or UTF-16 byte order mark says it; a file that is
// valid UTF-8 and holds non-ASCII characters is UTF-8; any other file is in
// an 8-bit code page, guessed from its letters (Windows-1252 when nothing
// better is known), one byte a character. The user may name the encoding
// instead of the guess.
//
// Only frame-based text and SubRip are taken: a file whose lines are mostly
// not "{…}{…}" entries and that is not SubRip (SubViewer …), or that holds
// binary data, is refused before anything changes, saying what it looks like.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "file_identity.h"
#include "file_io.h"

namespace lm {

enum class ReadStatus {
  Ok,
  CannotOpen,
  CannotRead,
  TooManyLines,
  TooLarge,
  NotFrameBased,  // other subtitles, other text, binary data
  NotInEncoding,  // not valid in the encoding the user named (or its mark says)
  NoEntry,        // read, but no entry to start on
};

struct SubtitleFile {
  std::vector<std::string> lines;  // UTF-8, an entry each
  std::vector<SourceCue> sources;  // SubRip: the cue of each entry
  FileIdentity identity;
  FileStamp stamp;  // the file as it was read
  // NotFrameBased: what the file looks like ("SubViewer", "binary data");
  // empty when it looks like nothing known.
  std::string looksLike;
};

// The non-empty lines of file content, as they are (no decoding), and the
// style of their ends.
ReadStatus SplitSubtitleLines(std::string_view content, std::vector<std::string>& lines,
                              LineEnd* style = nullptr);
// A file is read by what it holds: frame-based text, or SubRip. `encoding`:
// read in this encoding instead of the one detected; `frameRate`: the frame
// rate of the document unless a frame-based file names its own.
ReadStatus ParseSubtitleFile(std::string_view content, SubtitleFile& file,
                             std::optional<Encoding> encoding = std::nullopt,
                             double frameRate = kDefaultFrameRate);
ReadStatus ReadSubtitleFile(const std::string& path, SubtitleFile& file,
                            std::optional<Encoding> encoding = std::nullopt,
                            double frameRate = kDefaultFrameRate);

// The file's bytes for the entries: each line encoded, then its line end.
bool EncodeSubtitleFile(const std::vector<std::string>& entries, const FileIdentity& identity,
                        std::string& bytes);
WriteResult WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries,
                              const FileIdentity& identity);
// The document's file bytes, in its format or in `format`; false when a
// character does not fit the file's encoding.
bool EncodeDocument(const Document& doc, std::optional<SubtitleFormat> format, std::string& bytes);
// The document to `path`, as the file it was read from, in its format or in
// `format` (frames and times converted at the document's frame rate).
WriteResult WriteDocument(const Document& doc, const std::string& path,
                          std::optional<SubtitleFormat> format = std::nullopt);
// The format a file name asks for: ".srt" SubRip, ".sub" frame-based, else
// `otherwise`.
SubtitleFormat FormatForPath(const std::string& path, SubtitleFormat otherwise);

// The folder and the name joined with one separator ("c:\" + "a.sub" gives
// "c:\a.sub", "/subs" + "a.sub" gives "/subs/a.sub").
std::string ComposeFilePath(const std::string& folder, const std::string& name);

struct LoadResult {
  ReadStatus status = ReadStatus::Ok;
  std::string looksLike;       // NotFrameBased
  Encoding encoding{};         // NotInEncoding: the encoding tried
  explicit operator bool() const { return status == ReadStatus::Ok; }
};
// What the window says when a load of `fileName` fails: "File Corrupt!",
// unless the file was refused for what it is.
std::string LoadFailureMessage(const LoadResult& result, const std::string& fileName);

// The load once a file is chosen (inside a command): the remembered folder
// is written (rememberFolder may fail the load), the file read, and only
// then does it replace the document; entry 0 becomes current, decomposed and
// shown. A load that fails leaves the open document as it was.
LoadResult LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                            const std::function<bool()>& rememberFolder,
                            std::optional<Encoding> encoding = std::nullopt,
                            double frameRate = kDefaultFrameRate);

// The load of subtitle text that is not in a file (standard input); `path`
// is what the document is called.
LoadResult LoadSubtitleText(Document& doc, std::string_view content, const std::string& path,
                            std::optional<Encoding> encoding = std::nullopt,
                            double frameRate = kDefaultFrameRate);

// The load of the file at `path` with no folder to remember: the reload of
// the file last opened or of the open file in another encoding, and the
// command line's. Leaves the open document as it was when it fails.
LoadResult LoadSubtitlePath(Document& doc, const std::string& path,
                            std::optional<Encoding> encoding = std::nullopt,
                            double frameRate = kDefaultFrameRate);

}  // namespace lm
