#pragma once
// Reading and writing ".sub" files: one entry per line, 8-bit text, every
// byte one character. Lines end at CR LF or at a lone CR; a lone LF is an
// ordinary character. Empty lines are skipped. Entries are written each
// followed by CR LF.
#include <functional>
#include <string>
#include <vector>

#include "document.h"
#include "file_io.h"

namespace lm {

// A file with more lines than this (empty lines included) cannot be loaded.
inline constexpr int kMaxFileLines = 32767;
// Larger files are refused rather than read into memory; a real subtitle file
// is a few hundred kilobytes.
inline constexpr long long kMaxFileBytes = 64LL * 1024 * 1024;

enum class ReadStatus { Ok, CannotOpen, CannotRead, TooManyLines, TooLarge };

// Splits file content into its non-empty lines.
ReadStatus SplitSubtitleLines(const std::string& content, std::vector<std::string>& lines);
ReadStatus ReadSubtitleFile(const std::string& path, std::vector<std::string>& lines);

// Writes every entry followed by CR LF. The file is written beside the target
// and renamed over it, so a failure never leaves a truncated file behind. An
// existing file without write permission is not replaced (ReadOnly).
WriteResult WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries);


// The folder and the name joined with one separator ("c:\" + "a.sub" gives
// "c:\a.sub", "/subs" + "a.sub" gives "/subs/a.sub").
std::string ComposeFilePath(const std::string& folder, const std::string& name);
// The part of a path after its last separator.
std::string FileNameOf(const std::string& path);

// The load once a file is chosen: the document is emptied, the remembered
// folder written (rememberFolder may fail the load), the file read, entry 0
// made current, decomposed and shown. A load that fails leaves no document
// loaded, so no later Save can write a partial copy over the file.
bool LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                      const std::function<bool()>& rememberFolder);

// The reload of the file last opened. Fails silently; a failed reload leaves
// the open document as it was.
bool ReloadSubtitleFile(Document& doc, const std::string& path);

}  // namespace lm
