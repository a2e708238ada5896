#pragma once
// Subtitle files read into documents and documents written into files. A
// file is read by what it holds, whatever its name: the format whose probe
// fits best (see registry.h), in its encoding (see files/text_file.h). A
// file keeps its format, line-end style and encoding when it is written
// back (see model/file_identity.h). A file that is none of the formats, or
// that holds binary data, is refused before anything changes, saying what
// it looks like.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/file_io.h"
#include "model/document.h"
#include "model/file_identity.h"

namespace lm {

enum class ReadStatus {
  Ok,
  CannotOpen,  // with the errno
  CannotRead,  // with the errno
  Folder,      // the path names a folder
  NotAFile,    // a FIFO, a socket or a device
  Empty,       // no bytes, or nothing but line ends
  TooManyLines,
  TooLarge,
  Unrecognised,   // other subtitles, other text, binary data
  NotInEncoding,  // not valid in the encoding the user named (or its mark says)
  NoEntry,        // read, but no entry to start on
  NotRemembered,  // the file was chosen, but its folder could not be remembered
};

struct SubtitleFile {
  std::vector<std::string> lines;  // UTF-8, an entry each
  std::vector<SourceCue> sources;  // the entry each was read from, for formats that keep them
  std::vector<std::uint32_t> firstLines;  // the file's line each entry starts on, where known
  std::vector<EntryShape> shapes;         // none, or each entry's, as its reader found it
  FileIdentity identity;
  FileStamp stamp;  // the file as it was read
  // Unrecognised: what the file looks like ("SubViewer", "binary data");
  // empty when it looks like nothing known.
  std::string looksLike;
  // What reading had to say about the file, shown with the document.
  std::vector<std::string> notes;
  int error = 0;  // CannotOpen, CannotRead: the errno
};

// `encoding`: read in this encoding instead of the one detected;
// `frameRate`: the frame rate of the document unless the file names its
// own; `path`: the file's name, whose extension breaks a tie between
// formats.
ReadStatus ParseSubtitleFile(std::string_view content, SubtitleFile& file,
                             std::optional<Encoding> encoding = std::nullopt, double frameRate = kDefaultFrameRate,
                             const std::string& path = {});
ReadStatus ReadSubtitleFile(const std::string& path, SubtitleFile& file,
                            std::optional<Encoding> encoding = std::nullopt, double frameRate = kDefaultFrameRate);

// The file's bytes for the entries, in the identity's format; false when a
// character does not fit the file's encoding.
bool EncodeSubtitleFile(const std::vector<std::string>& entries, const FileIdentity& identity, std::string& bytes);
WriteResult WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries,
                              const FileIdentity& identity);
// The document's file bytes, in its format or in `format` (frames and
// times converted at the document's frame rate). False, with the reason in
// `why`, when a character does not fit the file's encoding, or when
// entries converted to another format have times that cannot be read
// (nothing invalid is written: a conversion is all or nothing).
// `note`: what the conversion left out ("3 entries lost bold, which …
// cannot hold"), or nothing.
bool EncodeDocument(const Document& doc, const Format* format, std::string& bytes, std::string* why = nullptr,
                    std::string* note = nullptr);
// The document's lines as its file holds them, in UTF-8 and without line
// ends; `entryAt[k]`: the first of them written for entry k.
struct DocumentLines {
  std::vector<std::string> lines;
  std::vector<size_t> entryAt;
  // The lines of entry k, without the blank ones around them.
  std::vector<std::string_view> Of(int k) const;
};
DocumentLines DocumentFileLines(const Document& doc);
// The document to `path`, as the file it was read from, in its format or in
// `format`; its bytes made in `room`, whose room is kept.
WriteResult WriteDocument(const Document& doc, const std::string& path, const Format* format = nullptr,
                          std::string room = {});

// The folder and the name joined with one separator ("c:\" + "a.sub" gives
// "c:\a.sub", "/subs" + "a.sub" gives "/subs/a.sub").
std::string ComposeFilePath(const std::string& folder, const std::string& name);

struct LoadResult {
  LoadResult(ReadStatus s = ReadStatus::Ok, std::string like = {}, Encoding e = {}, std::vector<std::string> n = {})
      : status(s), looksLike(std::move(like)), encoding(e), notes(std::move(n)) {}
  ReadStatus status = ReadStatus::Ok;
  std::string looksLike;  // Unrecognised
  Encoding encoding{};    // NotInEncoding: the encoding tried
  std::vector<std::string> notes;  // Ok: what reading had to say about the file
  int error = 0;                   // CannotOpen, CannotRead: the errno
  explicit operator bool() const { return status == ReadStatus::Ok; }
  // Refused for what the file is, not for a failure to read it.
  bool Refused() const { return status == ReadStatus::Unrecognised || status == ReadStatus::NotInEncoding; }
};
// Why a file was refused, for both front ends: that it is none of the
// formats (NoneOfTheFormats) and what it looks like, or "cannot be read as
// UTF-8"; empty for a failure that is not a refusal.
std::string RefusalReason(const LoadResult& result);
// Why a load failed, as the command line says it after the file's name:
// the system's words for an errno ("No such file or directory"), "is a
// folder", "is empty", a refusal (RefusalReason), or "File Corrupt!" for a
// file whose first line cannot be read as an entry.
std::string LoadFailureReason(const LoadResult& result);
// What the window says when a load of the file at `path` fails: "Cannot
// open PATH: No such file or directory", "NAME is a folder.", "NAME is
// neither … (it looks like SubViewer).", "NAME cannot be read as UTF-8.",
// or "File Corrupt!" (see LoadFailureReason).
std::string LoadFailureMessage(const LoadResult& result, const std::string& path);

// The load once a file is chosen (inside a command): the remembered folder
// is written (rememberFolder may fail the load), the file read, and only
// then does it replace the document; entry 0 becomes current, decomposed and
// shown. A load that fails leaves the open document as it was.
LoadResult LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                            const std::function<bool()>& rememberFolder,
                            std::optional<Encoding> encoding = std::nullopt, double frameRate = kDefaultFrameRate);

// The load of subtitle text that is not in a file (standard input); `path`
// is what the document is called.
LoadResult LoadSubtitleText(Document& doc, std::string_view content, const std::string& path,
                            std::optional<Encoding> encoding = std::nullopt, double frameRate = kDefaultFrameRate);

// The load of the file at `path` with no folder to remember: the reload of
// the file last opened or of the open file in another encoding, and the
// command line's. Leaves the open document as it was when it fails.
LoadResult LoadSubtitlePath(Document& doc, const std::string& path, std::optional<Encoding> encoding = std::nullopt,
                            double frameRate = kDefaultFrameRate);

}  // namespace lm
