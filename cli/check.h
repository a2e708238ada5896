#pragma once
// linemend check: what is still wrong in a loaded document, as lines a
// person (or an editor jumping to a line) reads, or one JSON record a file.
#include <string>

#include "cli/options.h"
#include "model/document.h"

namespace lm::cli {

// `named`: each line says which file it is about. The exit status: kOk,
// or kTooLong when anything was found.
int CheckDocument(Document& doc, const std::string& input, const Options& options, bool named);
// The record of a file that could not be checked, `why` it was refused.
void CheckRefused(const std::string& input, const std::string& why, const Options& options);
// The record of an empty file: nothing in it is too long.
void CheckEmpty(const std::string& input, const Options& options);

}  // namespace lm::cli
