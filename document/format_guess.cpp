#include "format_guess.h"

#include <algorithm>
#include <cstring>
#include <regex>

namespace lm {

namespace {
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}
}  // namespace

bool LooksLikeFrameEntry(std::string_view line) {
  // Run on every line of every file read: a plain scan, the fields are short.
  const char* p = line.data();
  const char* const end = p + line.size();
  if (line.size() >= 3 && p[0] == '\xEF' && p[1] == '\xBB' && p[2] == '\xBF') p += 3;
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  if (p == end || *p++ != '{') return false;
  while (p < end && *p != '}') ++p;
  if (end - p < 2 || p[1] != '{') return false;
  for (p += 2; p < end; ++p)
    if (*p == '}') return true;
  return false;
}

bool IsFrameBased(const std::vector<std::string_view>& lines) {
  size_t entries = 0;
  for (const std::string_view line : lines)
    if (LooksLikeFrameEntry(line) && ++entries * 2 >= lines.size()) return true;
  return entries * 2 >= lines.size();
}

std::string GuessTextFormat(const std::vector<std::string_view>& lines) {
  // The timing line of each format, tried in this order on every line.
  static const struct {
    const char* name;
    std::regex timing;
  } kFormats[] = {
      {"SubRip", std::regex(R"(^\d+:\d\d:\d\d[,.]\d+\s*-->\s*\d+:\d\d:\d\d[,.]\d+)")},
      {"WebVTT", std::regex(R"(^(\d+:)?\d\d:\d\d\.\d+\s*-->)")},
      {"SubViewer", std::regex(R"(^\d+:\d\d:\d\d\.\d+\s*,\s*\d+:\d\d:\d\d\.\d+$)")},
      {"MPL2", std::regex(R"(^\[\d+\]\[\d*\])")},
      {"TMPlayer", std::regex(R"(^\d+:\d\d:\d\d[:=])")},
  };
  constexpr size_t kKinds = sizeof kFormats / sizeof kFormats[0];
  size_t counts[kKinds] = {};
  // Enough lines to be sure; a refused file is read no further.
  const size_t sample = std::min<size_t>(lines.size(), 400);
  for (size_t i = 0; i < sample; ++i) {
    std::string_view line = lines[i];
    if (i == 0 && line.substr(0, kByteOrderMark.size()) == kByteOrderMark) line.remove_prefix(3);
    const std::string_view t = Trimmed(line);
    if (i == 0 && t.substr(0, 6) == "WEBVTT") return "WebVTT";
    if (t == "[Script Info]") return "SubStation Alpha";
    if (t == "[INFORMATION]") return "SubViewer";
    const std::string head(t.substr(0, 80));
    for (size_t k = 0; k < kKinds; ++k) {
      if (std::regex_search(head, kFormats[k].timing)) {
        ++counts[k];
        break;
      }
    }
  }
  const size_t best = static_cast<size_t>(std::max_element(counts, counts + kKinds) - counts);
  return counts[best] > 0 ? kFormats[best].name : "";
}

std::string GuessBinary(std::string_view content) {
  // An MPEG program stream starts with a pack header; VobSub images are one.
  if (content.substr(0, 4) == std::string_view("\x00\x00\x01\xBA", 4)) return "VobSub image data";
  if (std::memchr(content.data(), '\0', content.size())) return "binary data";
  return "";
}

}  // namespace lm
