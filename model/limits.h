#pragma once
// Limits shared by the whole program.

namespace lm {

// Counts, lengths and positions were 16-bit signed integers: a document holds
// at most this many entries, an entry line at most this many characters, a
// file that is loaded at most this many lines, and the fix counter stops here.
inline constexpr int kInt16Max = 32767;

// Larger files are refused rather than read into memory; a real subtitle file
// is a few hundred kilobytes.
inline constexpr long long kMaxFileBytes = 64LL * 1024 * 1024;

}  // namespace lm
