#pragma once
// ".sub" files: one entry per line. Lines end at CR LF or at a lone CR; a
// lone LF is an ordinary character. Empty lines are skipped. Entries are
// written each followed by CR LF.
//
// A file that is valid UTF-8 and holds non-ASCII characters, or that starts
// with a UTF-8 byte order mark, is UTF-8; any other file is Windows-1252,
// one byte a character. A file keeps its encoding (and its mark) on saving.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "document.h"
#include "file_io.h"

namespace lm {

enum class ReadStatus { Ok, CannotOpen, CannotRead, TooManyLines, TooLarge };

struct SubtitleFile {
  std::vector<std::string> lines;  // UTF-8
  Encoding encoding = Encoding::Windows1252;
};

// The non-empty lines of file content, as they are (no decoding).
ReadStatus SplitSubtitleLines(std::string_view content, std::vector<std::string>& lines);
ReadStatus ParseSubtitleFile(std::string_view content, SubtitleFile& file);
ReadStatus ReadSubtitleFile(const std::string& path, SubtitleFile& file);

// The file's bytes for the entries: each line encoded, then CR LF.
bool EncodeSubtitleFile(const std::vector<std::string>& entries, Encoding encoding,
                        std::string& bytes);
WriteResult WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries,
                              Encoding encoding);
// The document's entries to `path`, in the document's encoding.
WriteResult WriteDocument(const Document& doc, const std::string& path);

// The folder and the name joined with one separator ("c:\" + "a.sub" gives
// "c:\a.sub", "/subs" + "a.sub" gives "/subs/a.sub").
std::string ComposeFilePath(const std::string& folder, const std::string& name);

// The load once a file is chosen (inside a command): the remembered folder
// is written (rememberFolder may fail the load), the file read, and only
// then does it replace the document; entry 0 becomes current, decomposed and
// shown. A load that fails leaves the open document as it was.
bool LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                      const std::function<bool()>& rememberFolder);

// The reload of the file last opened; fails silently, like the load leaving
// the open document as it was.
bool ReloadSubtitleFile(Document& doc, const std::string& path);

}  // namespace lm
