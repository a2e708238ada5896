#include "model/style.h"

namespace lm {

void Style::Add(const Style& other) {
  italic |= other.italic;
  bold |= other.bold;
  underline |= other.underline;
  strike |= other.strike;
  if (color.empty()) color = other.color;
  if (font.empty()) font = other.font;
  if (size == 0) size = other.size;
  if (position == 0) position = other.position;
}

std::vector<std::string_view> ScreenLines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t start = 0;;) {
    const size_t bar = text.find('|', start);
    lines.push_back(text.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
    if (bar == std::string_view::npos) return lines;
    start = bar + 1;
  }
}

namespace {
class Plain final : public StyleDialect {
 public:
  Plain() : StyleDialect("", false, true) {}
  size_t TagAt(std::string_view, size_t) const override { return 0; }
  void Apply(std::string_view, Style&) const override {}
  bool HasItalicTags(std::string_view) const override { return false; }
  int CutItalicTags(std::string&) const override { return 0; }
  std::vector<StyledLine> ToNeutral(std::string_view text) const override {
    std::vector<StyledLine> out;
    for (const std::string_view line : ScreenLines(text)) out.push_back({Style(), std::string(line)});
    return out;
  }
  std::string FromNeutral(const std::vector<StyledLine>& lines) const override {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) out += (i ? "|" : "") + lines[i].text;
    return out;
  }
};
}  // namespace

const StyleDialect& PlainText() {
  static const Plain plain;
  return plain;
}

}  // namespace lm
