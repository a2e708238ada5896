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

Style Style::LostIn(const Style& kept) const {
  Style lost;
  lost.italic = italic && !kept.italic;
  lost.bold = bold && !kept.bold;
  lost.underline = underline && !kept.underline;
  lost.strike = strike && !kept.strike;
  if (!color.empty() && color != kept.color) lost.color = color;
  if (!font.empty() && font != kept.font) lost.font = font;
  if (size && size != kept.size) lost.size = size;
  if (position && position != kept.position) lost.position = position;
  return lost;
}

std::string Style::Names() const {
  std::string out;
  auto name = [&out](bool set, const char* what) {
    if (set) out += (out.empty() ? "" : ", ") + std::string(what);
  };
  name(italic, "italics");
  name(bold, "bold");
  name(underline, "underline");
  name(strike, "strike-through");
  name(!color.empty(), "colour");
  name(!font.empty(), "font");
  name(size != 0, "size");
  name(position != 0, "position");
  return out;
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
