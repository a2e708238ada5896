#include "model/format.h"

namespace lm {

namespace {
class None final : public Format {
 public:
  std::string_view Id() const override { return {}; }
  std::string_view Name() const override { return {}; }
  const std::vector<std::string_view>& Extensions() const override {
    static const std::vector<std::string_view> none;
    return none;
  }
  const std::vector<std::string_view>& MimeTypes() const override { return Extensions(); }
  const TimeSyntax& Times() const override { return FrameNumbers(); }
  const StyleDialect& Dialect() const override { return PlainText(); }
  bool BarIsText() const override { return false; }
  Encoding PlainTextEncoding() const override { return Encoding::Windows1252; }
  Fit Probe(const std::vector<std::string_view>&) const override { return {}; }
  bool Read(const std::vector<std::string_view>&, ReadEntries&) const override { return false; }
  void Write(EntryFeed&, const FileIdentity&, const LineSink&) const override {}
};
}  // namespace

const Format& NoFormat() {
  static const None none;
  return none;
}

std::string UnreadLinesNote(size_t count, size_t firstLine, std::string_view one, std::string_view many) {
  return std::to_string(count) + (count == 1 ? " line" : " lines") + " could not be read as " +
         std::string(count == 1 ? one : many) + " and " + (count == 1 ? "is" : "are") + " kept as " +
         (count == 1 ? "it was" : "they were") + " (line " + std::to_string(firstLine) + (count == 1 ? ")" : " first)");
}

}  // namespace lm
