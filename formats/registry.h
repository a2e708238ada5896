#pragma once
// The formats the program reads and writes, in one list. Everything that
// names or chooses formats reads it: detection, the choice of writer, the
// dialogs' file patterns, the status line, --format, the help text and the
// refusal messages.
//
// To add a format: a folder under formats/ with a Format (see
// model/format.h), and one line in kFormats in registry.cpp.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/format.h"

namespace lm {

// The formats, the one a document without a file is written in first.
const std::vector<const Format*>& Formats();
const Format& DefaultFormat();
const Format* FormatById(std::string_view id);
// The format a file name's extension names, or nothing.
const Format* FormatOfPath(const std::string& path);
// The format a file name asks for, else `otherwise`.
const Format& FormatForPath(const std::string& path, const Format& otherwise);
// The file name with the usual extension of `format` in place of its own.
std::string WithExtension(const std::string& name, const Format& format);

// What a text is: the format whose probe fits it best (a decisive fit wins
// over any other, the best score among decisive ones, unless a recognised
// format's header explains more; the file name's extension breaks ties), or,
// when no format fits, what it looks like ("SAMI"; empty when nothing
// known).
struct Detection {
  const Format* format = nullptr;
  std::string looksLike;
};
Detection DetectFormat(const std::vector<std::string_view>& lines, const std::string& path = {});
// DetectFormat of a text from `head`, its first kHeadLines non-empty lines:
// the probes' fits to them, and the detection when the rest of the text
// cannot change it (no probe that reads every line could win).
struct HeadDetection {
  std::vector<Fit> fits, recognised;  // the formats', the recognised formats'
  std::vector<size_t> open;           // the formats whose fit the whole text tells
  std::optional<Detection> decided;
};
HeadDetection DetectFormatFromHead(const std::vector<std::string_view>& head, const std::string& path = {});
// DetectFormat of the text whose head that was, from its non-empty `lines`:
// only the open probes read them.
Detection DetectFormat(const HeadDetection& head, const std::vector<std::string_view>& lines,
                       const std::string& path = {});

// The format of records (see Format::Binary) whose probe is sure of
// `content`, the file's bytes as they are, or nothing: such a file is read
// before any text is looked for in it.
const Format* BinaryFormatOf(std::string_view content);

// "*.sub *.srt": the file patterns of every format, for the dialogs.
std::string FilePatterns();
// "sub|srt": the ids, for the command line's help.
std::string FormatIds(std::string_view separator);
// "neither a frame-based nor a SubRip subtitle file": what a file that is
// none of the formats is not.
std::string NoneOfTheFormats();
// The MIME types of every format, once each.
std::vector<std::string> MimeTypes();

}  // namespace lm
