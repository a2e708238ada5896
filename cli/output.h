#pragma once
// Standard output for reports: each record (a JSON object, an entry's lines)
// goes out whole in one write, so that records of several runs appending to
// one file never interleave, and a failed write is remembered for the exit
// status.
#include <string_view>

namespace lm::cli {

// False (and the failure remembered) when the bytes did not all get out.
bool PutRecord(std::string_view bytes);
// The errno of the first failed write, or 0.
int OutputError();

}  // namespace lm::cli
