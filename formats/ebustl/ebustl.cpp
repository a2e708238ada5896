#include "formats/ebustl/ebustl.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <ctime>

#include "files/charset.h"
#include "model/entry.h"
#include "model/file_identity.h"
#include "model/limits.h"
#include "model/markup.h"
#include "model/profile.h"
#include "model/text.h"

namespace lm {

namespace {

// What a kept record is, in its SourceCue's `stopAt`.
enum Record : std::uint32_t { kSubtitle = 0, kGsi = 1, kTrailing = 2 };

constexpr unsigned char kLastBlock = 0xFF, kUserData = 0xFE, kPadding = 0x8F;
constexpr int kTeletextRows = 23;

// ------------------------------------------------------------ the GSI block

// Where each field stands in the block, and how long it is.
struct GsiField {
  size_t at, length;
};
constexpr GsiField kCpn{0, 3}, kDfc{3, 8}, kDsc{11, 1}, kCct{12, 2}, kLc{14, 2}, kOpt{16, 32}, kOet{48, 32},
    kCd{224, 6}, kRd{230, 6}, kRn{236, 2}, kTnb{238, 5}, kTns{243, 5}, kTng{248, 3}, kMnc{251, 2}, kMnr{253, 2},
    kTcs{255, 1}, kTcp{256, 8}, kTcf{264, 8}, kTnd{272, 1}, kDsn{273, 1};

std::string_view FieldOf(std::string_view gsi, GsiField f) { return gsi.substr(f.at, f.length); }

void SetField(std::string& gsi, GsiField f, std::string_view value) {
  std::string v(value.substr(0, f.length));
  v.resize(f.length, ' ');
  gsi.replace(f.at, f.length, v);
}

// Decimal digits, blanks around allowed.
std::optional<int> NumberOf(std::string_view field) {
  field = TrimBlanks(field);
  if (field.empty() || field.size() > 9) return std::nullopt;
  int n = 0;
  for (const char c : field) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string Digits(int value, size_t width) {
  std::string s = std::to_string(std::max(0, value));
  if (s.size() < width) s.insert(0, width - s.size(), '0');
  return s.substr(s.size() - width);
}

// "251025": today, as the block writes dates.
std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  return Digits(tm.tm_year % 100, 2) + Digits(tm.tm_mon + 1, 2) + Digits(tm.tm_mday, 2);
}

// The header's text in the block's code page, for the header entry only:
// the block itself is always written back from its bytes.
std::string HeaderText(std::string_view field, std::string_view codePage) {
  field = TrimBlanks(field);
  while (!field.empty() && (field.back() == '\0' || field.back() == ' ')) field.remove_suffix(1);
  if (IsAscii(field)) return std::string(field);
  const std::string name = "CP" + std::string(TrimBlanks(codePage).empty() ? "850" : TrimBlanks(codePage));
  iconv_t cd = ::iconv_open("UTF-8", name.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = ::iconv_open("UTF-8", "CP850");
  std::string out(field.size() * 4, '\0');
  char* inp = const_cast<char*>(field.data());
  char* outp = out.data();
  size_t inLeft = field.size(), outLeft = out.size();
  const bool ok =
      cd != reinterpret_cast<iconv_t>(-1) && ::iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1);
  if (cd != reinterpret_cast<iconv_t>(-1)) ::iconv_close(cd);
  if (!ok) {
    std::string ascii(field);
    for (char& c : ascii)
      if (static_cast<unsigned char>(c) >= 0x80) c = '?';
    return ascii;
  }
  out.resize(static_cast<size_t>(outp - out.data()));
  return out;
}

struct Gsi {
  std::string_view raw;
  double frameRate = kDefaultFrameRate;
  bool rateNamed = false;
  int table = 0;
  bool tableKnown = true;
  int mnc = 0, mnr = kTeletextRows;

  explicit Gsi(std::string_view block) : raw(block) {
    if (const std::optional<double> rate = DiskFormatRate(FieldOf(raw, kDfc))) frameRate = *rate, rateNamed = true;
    const std::optional<int> cct = NumberOf(FieldOf(raw, kCct));
    tableKnown = cct && *cct >= 0 && *cct <= 4;
    table = tableKnown ? *cct : 0;
    mnc = NumberOf(FieldOf(raw, kMnc)).value_or(0);
    const int rows = NumberOf(FieldOf(raw, kMnr)).value_or(0);
    mnr = rows > 0 ? rows : kTeletextRows;
  }
  // The frames a second of its time codes count.
  int Nominal() const { return static_cast<int>(std::ceil(frameRate - 0.01)); }

  std::string Describe(int subtitles) const {
    std::string out(kFormatLine);
    out += "EBU STL " + std::string(TrimBlanks(FieldOf(raw, kDfc))) + " (" + FormatFrameRate(frameRate) + " fps), ";
    out += tableKnown ? std::string(TableName(table)) : "code table \"" + std::string(FieldOf(raw, kCct)) + "\"";
    const char dsc = raw[kDsc.at];
    out += dsc == '0' ? ", open subtitles" : dsc == '1' ? ", teletext level 1" : dsc == '2' ? ", teletext level 2" : "";
    if (mnc > 0) out += ", " + std::to_string(mnc) + " characters a row";
    out += ", " + std::to_string(mnr) + " rows, " + std::to_string(subtitles) +
           (subtitles == 1 ? " subtitle" : " subtitles");
    const std::string_view lc = TrimBlanks(FieldOf(raw, kLc));
    if (!lc.empty() && lc != "00") out += ", language " + std::string(lc);
    const std::string title = HeaderText(FieldOf(raw, kOpt), FieldOf(raw, kCpn));
    if (!title.empty()) out += ": " + title;
    const std::string episode = HeaderText(FieldOf(raw, kOet), FieldOf(raw, kCpn));
    if (!episode.empty()) out += (title.empty() ? ": " : ", ") + episode;
    return out;
  }
};

// ------------------------------------------------------------ TTI blocks

struct Tti {
  std::string_view raw;
  unsigned SubtitleNumber() const {
    return static_cast<unsigned char>(raw[1]) | static_cast<unsigned char>(raw[2]) << 8;
  }
  unsigned char ExtensionNumber() const { return static_cast<unsigned char>(raw[3]); }
  int64_t Frames(size_t at, int nominal) const {
    auto b = [&](size_t i) { return static_cast<int64_t>(static_cast<unsigned char>(raw[at + i])); };
    return ((b(0) * 60 + b(1)) * 60 + b(2)) * nominal + b(3);
  }
  int64_t In(int nominal) const { return Frames(5, nominal); }
  int64_t Out(int nominal) const { return Frames(9, nominal); }
  int VerticalPosition() const { return static_cast<unsigned char>(raw[13]); }
  int Justification() const { return static_cast<unsigned char>(raw[14]); }
  bool Comment() const { return raw[15] != 0; }
  std::string_view TextField() const { return raw.substr(16, kTextFieldBytes); }
};

// The keypad position (1-9) a vertical position and justification give: the
// upper half of the rows is the top.
int PlacementOf(int vp, int jc, int rows) {
  const bool top = vp > 0 && vp * 2 <= rows;
  const int column = jc == 1 ? 1 : jc == 3 ? 3 : 2;
  return (top ? 6 : 0) + column;
}

// The placement a text's mark gives it (2, bottom centre, without one).
int PlacementInText(std::string_view text) {
  for (size_t i = text.find('\xEE'); i != std::string_view::npos; i = text.find('\xEE', i + 1)) {
    const std::string_view tag = text.substr(i, 3);
    for (int p = 1; p <= 9; ++p)
      if (tag == PlacementMark(p)) return p;
  }
  return 2;
}

void PutTimecode(std::string& block, size_t at, int64_t frames, int nominal) {
  frames = std::max<int64_t>(0, frames);
  const int64_t perHour = int64_t{3600} * nominal;
  const int64_t hours = std::min<int64_t>(frames / perHour, 255);
  frames -= hours * perHour;
  frames = std::min<int64_t>(frames, perHour - 1);
  block[at] = static_cast<char>(hours);
  block[at + 1] = static_cast<char>(frames / (60 * nominal));
  block[at + 2] = static_cast<char>(frames / nominal % 60);
  block[at + 3] = static_cast<char>(frames % nominal);
}

// "HHMMSSFF".
std::string TimecodeText(int64_t frames, int nominal) {
  std::string block(4, '\0');
  PutTimecode(block, 0, frames, nominal);
  std::string out;
  for (const char c : block) out += Digits(static_cast<unsigned char>(c), 2);
  return out;
}

std::string JoinedText(const std::vector<Tti>& blocks) {
  std::string out;
  out.reserve(blocks.size() * kTextFieldBytes);
  for (const Tti& b : blocks) out += b.TextField();
  return out;
}

// ------------------------------------------------------------ writing

struct Group {
  std::string bytes;  // its blocks
  bool subtitle = true;
};

// A subtitle's (or a comment's) blocks: the text field cut into pieces of
// 112 bytes, never between a diacritic and its letter.
bool BuildBlocks(std::string_view header16, std::string_view field, bool latin, std::string& out) {
  std::vector<std::string_view> pieces;
  for (size_t from = 0; from < field.size() || pieces.empty();) {
    size_t n = std::min(kTextFieldBytes, field.size() - from);
    if (latin && n == kTextFieldBytes) {
      const unsigned char last = static_cast<unsigned char>(field[from + n - 1]);
      if (last >= 0xC1 && last <= 0xCF) --n;
    }
    pieces.push_back(field.substr(from, n));
    from += n;
  }
  if (pieces.size() > 0xF0) return false;  // extension numbers end at 0xEF
  for (size_t k = 0; k < pieces.size(); ++k) {
    std::string block(header16);
    block[3] = static_cast<char>(k + 1 == pieces.size() ? kLastBlock : k);
    block += pieces[k];
    block.resize(kTtiBytes, static_cast<char>(kPadding));
    out += block;
  }
  return true;
}

std::string FreshGsi(double frameRate, int table, int mnc, int nominal, int64_t firstIn) {
  std::string gsi(kGsiBytes, ' ');
  SetField(gsi, kCpn, "850");
  SetField(gsi, kDfc, DiskFormatCode(frameRate));
  // Teletext rows hold 40 characters; longer rows are open subtitles.
  SetField(gsi, kDsc, mnc <= 40 ? "1" : "0");
  SetField(gsi, kCct, Digits(table, 2));
  SetField(gsi, kLc, "00");
  const std::string today = Today();
  SetField(gsi, kCd, today);
  SetField(gsi, kRd, today);
  SetField(gsi, kRn, "00");
  SetField(gsi, kTng, "001");
  SetField(gsi, kMnc, Digits(mnc, 2));
  SetField(gsi, kMnr, Digits(kTeletextRows, 2));
  SetField(gsi, kTcs, "1");
  SetField(gsi, kTcp, "00000000");
  SetField(gsi, kTcf, TimecodeText(firstIn, nominal));
  SetField(gsi, kTnd, "1");
  SetField(gsi, kDsn, "1");
  return gsi;
}

class EbuStlFormat final : public Format {
 public:
  std::string_view Id() const override { return "stl"; }
  std::string_view Name() const override { return "EBU STL"; }
  const std::vector<std::string_view>& Extensions() const override { return extensions_; }
  const std::vector<std::string_view>& MimeTypes() const override { return mimeTypes_; }
  const TimeSyntax& Times() const override { return FrameNumbers(); }
  const StyleDialect& Dialect() const override { return TeletextDialect(); }
  bool BarIsText() const override { return true; }
  // What its entries are written in as another format's file.
  Encoding PlainTextEncoding() const override { return Encoding::Utf8; }

  // Never asked: the file is read as records.
  Fit Probe(const std::vector<std::string_view>&) const override { return {}; }
  bool Read(const std::vector<std::string_view>&, ReadEntries&) const override { return true; }
  void Write(EntryFeed&, const FileIdentity&, const LineSink&) const override {}

  bool Binary() const override { return true; }

  // The disk format code after a code page number of three characters.
  Fit ProbeBytes(std::string_view content) const override {
    if (content.size() >= kGsiBytes && content.substr(3, 3) == "STL" && content[8] == '.') return {1.0, true};
    return {};
  }

  bool ReadBytes(std::string_view content, ReadEntries& out) const override;
  bool WriteBytes(EntryFeed& entries, const FileIdentity& identity, std::string& out, std::string& why) const override;

 private:
  const std::vector<std::string_view> extensions_{"stl"};
  const std::vector<std::string_view> mimeTypes_{"application/x-ebu-stl"};
};

bool EbuStlFormat::ReadBytes(std::string_view content, ReadEntries& out) const {
  const Gsi gsi(content.substr(0, kGsiBytes));
  const size_t blocks = (content.size() - kGsiBytes) / kTtiBytes;
  const size_t trailing = (content.size() - kGsiBytes) % kTtiBytes;
  // Extension blocks make fewer entries than blocks; the count is told at the end.
  const size_t most = std::min(blocks, static_cast<size_t>(kInt16Max)) + 2;
  out.entries.reserve(most);
  out.sources.reserve(most);
  out.entries.emplace_back();  // the header, once the subtitles are counted
  SourceCue& header = out.sources.emplace_back();
  header.timing = std::string(gsi.raw);
  header.stopAt = kGsi;
  header.startLength = static_cast<std::uint32_t>(blocks);
  out.frameRate = gsi.frameRate;
  const int nominal = gsi.Nominal();

  size_t kept = 0, longRows = 0, firstLong = 0;
  int subtitles = 0;
  std::vector<Tti> group;
  for (size_t k = 0; k < blocks;) {
    if (out.entries.size() > static_cast<size_t>(kInt16Max)) return false;
    group.clear();
    group.push_back({content.substr(kGsiBytes + k * kTtiBytes, kTtiBytes)});
    ++k;
    const bool userData = group.front().ExtensionNumber() == kUserData;
    // Extension blocks of the same subtitle follow until its last.
    while (!userData && group.back().ExtensionNumber() != kLastBlock && k < blocks) {
      const Tti next{content.substr(kGsiBytes + k * kTtiBytes, kTtiBytes)};
      if (next.SubtitleNumber() != group.front().SubtitleNumber() || next.ExtensionNumber() == kUserData) break;
      group.push_back(next);
      ++k;
    }
    SourceCue cue;
    cue.timing.reserve(group.size() * kTtiBytes);
    for (const Tti& b : group) cue.timing += b.raw;
    const Tti& first = group.front();
    std::string line;
    if (userData) {
      line = std::string(kFormatLine) + "user data block " + std::to_string(first.SubtitleNumber());
    } else {
      const DecodedText text = DecodeTextField(JoinedText(group), gsi.table);
      kept += text.keptBytes;
      if (first.Comment()) {
        line = std::string(kFormatLine) + "comment " + std::to_string(first.SubtitleNumber()) + ": " +
               ShowLiteralBars(text.text);
      } else {
        ++subtitles;
        if (gsi.mnc > 0 && text.longestRow > gsi.mnc && longRows++ == 0) firstLong = out.entries.size();
        const int placement = PlacementOf(first.VerticalPosition(), first.Justification(), gsi.mnr);
        line = BuildEntryLine(std::to_string(first.In(nominal)), std::to_string(first.Out(nominal)),
                              (placement == 2 ? std::string() : PlacementMark(placement)) + text.text);
      }
    }
    cue.text = line;
    out.entries.push_back(std::move(line));
    out.sources.push_back(std::move(cue));
  }
  if (trailing > 0) {
    out.entries.push_back(std::string(kUnreadLine) + std::to_string(trailing) + " bytes after the last block");
    SourceCue& cue = out.sources.emplace_back();
    cue.timing = std::string(content.substr(content.size() - trailing));
    cue.text = out.entries.back();
    cue.stopAt = kTrailing;
    out.notes.push_back(std::to_string(trailing) + " bytes after the last whole block are kept as they were");
  }
  if (out.entries.size() > static_cast<size_t>(kInt16Max)) return false;
  out.entries.front() = gsi.Describe(subtitles);
  out.sources.front().text = out.entries.front();
  if (!gsi.rateNamed)
    out.notes.push_back("the disk format code \"" + std::string(FieldOf(gsi.raw, kDfc)) +
                        "\" names no frame rate: " + FormatFrameRate(gsi.frameRate) + " fps is taken");
  if (!gsi.tableKnown)
    out.notes.push_back("the character code table \"" + std::string(FieldOf(gsi.raw, kCct)) +
                        "\" is none of 00-04: the text is read as Latin");
  if (kept > 0)
    out.notes.push_back(std::to_string(kept) + (kept == 1 ? " byte that the " : " bytes that the ") +
                        std::string(TableName(gsi.table)) + " code table does not define " +
                        (kept == 1 ? "is kept as it is" : "are kept as they are"));
  if (longRows > 0)
    out.notes.push_back(std::to_string(longRows) + (longRows == 1 ? " subtitle has" : " subtitles have") +
                        " a row longer than the file's " + std::to_string(gsi.mnc) + " characters (MNC; entry " +
                        std::to_string(firstLong + 1) + (longRows == 1 ? ")" : " first)"));
  return true;
}

bool EbuStlFormat::WriteBytes(EntryFeed& entries, const FileIdentity& identity, std::string& out,
                              std::string& why) const {
  const int count = entries.Count();
  const bool converted = entries.Converted();
  auto cueOf = [&](int k) { return converted ? nullptr : entries.Cue(k); };
  int gsiAt = -1;
  for (int k = 0; k < count && gsiAt < 0; ++k)
    if (const SourceCue* c = cueOf(k); c && c->stopAt == kGsi && c->timing.size() == kGsiBytes) gsiAt = k;
  std::optional<Gsi> gsi;
  if (gsiAt >= 0) gsi.emplace(cueOf(gsiAt)->timing);
  // The document's rate, which --to-fps may have changed since the file
  // named its own.
  const double frameRate = identity.frameRate;
  const bool newRate = gsi && std::abs(gsi->frameRate - frameRate) > 1e-6;
  const int nominal = static_cast<int>(std::ceil(frameRate - 0.01));
  const int rows = gsi ? gsi->mnr : kTeletextRows;

  // Each entry is asked for once: a converted one is converted then.
  std::vector<std::string> lines(static_cast<size_t>(count));
  std::vector<bool> present(static_cast<size_t>(count), false);
  for (int k = 0; k < count; ++k)
    if (const std::string* line = entries.Line(k)) lines[k] = *line, present[k] = true;

  // A new file takes the first code table that holds every text.
  int table = gsi ? gsi->table : 0;
  if (!gsi) {
    std::vector<bool> holds(5, true);
    for (int k = 0; k < count; ++k) {
      if (!present[k] || IsAscii(lines[k])) continue;
      for (int t = 0; t < 5; ++t) holds[t] = holds[t] && TableHolds(t, AsKept(lines[k]));
    }
    const auto found = std::find(holds.begin(), holds.end(), true);
    table = found == holds.end() ? 0 : static_cast<int>(found - holds.begin());
  }

  std::vector<Group> groups;
  groups.reserve(static_cast<size_t>(count));
  std::vector<std::string> notHeld;
  std::vector<int> tooLong;
  std::string trailing;
  bool rebuilt = false;
  int64_t firstIn = -1;
  for (int k = 0; k < count; ++k) {
    if (k == gsiAt || !present[k]) continue;
    const std::string& line = lines[k];
    const SourceCue* was = cueOf(k);
    if (was && was->stopAt == kGsi) continue;  // a second header has no place
    if (was && was->stopAt == kTrailing) {
      trailing += was->timing;  // after every block, whatever came after it since
      continue;
    }
    if (was && !was->timing.empty() && (line == was->text || IsKeptLine(was->text))) {
      // As the file held it; a kept record stays as it was.
      groups.push_back({was->timing, !IsKeptLine(was->text)});
      if (groups.back().subtitle && firstIn < 0) firstIn = Tti{was->timing}.In(nominal);
      continue;
    }
    rebuilt = true;
    const bool source = was && was->stopAt == kSubtitle && was->timing.size() >= kTtiBytes;
    const Tti sourceBlock{source ? std::string_view(was->timing) : std::string_view()};
    std::string header(16, '\0');
    if (source) header.assign(sourceBlock.raw.substr(0, 16));
    EntryFields f;
    std::optional<int64_t> in, stop;
    if (!IsKeptLine(line) && SplitFullEntry(line, f)) in = ParseFrameNumber(f.start), stop = ParseFrameNumber(f.stop);
    std::string_view text = f.text;
    bool comment = !in || !stop;
    std::string commentText;
    if (comment) {
      // No times: kept as a comment, which no player shows.
      commentText = std::string(AsKept(line));
      text = commentText;
      in = stop = 0;
    }
    header[15] = comment ? 1 : 0;
    PutTimecode(header, 5, *in, nominal);
    PutTimecode(header, 9, *stop, nominal);
    if (!comment) {
      if (firstIn < 0) firstIn = *in;
      const int placement = PlacementInText(text);
      const bool keep =
          source && PlacementOf(sourceBlock.VerticalPosition(), sourceBlock.Justification(), rows) == placement;
      if (!keep) {
        const int lines = static_cast<int>(ScreenLines(text).size());
        const int fromTop = (placement - 1) / 3;  // 0 bottom, 1 middle, 2 top
        const int vp = fromTop == 2 ? 1 : fromTop == 1 ? std::max(1, (rows - lines) / 2) : std::max(1, rows - lines);
        header[13] = static_cast<char>(vp);
        header[14] = static_cast<char>(placement % 3 == 1 ? 1 : placement % 3 == 0 ? 3 : 2);
      }
    }
    // Double-height rows are two apart.
    bool doubled = false;
    for (size_t at = 16; source && at < was->timing.size() && !doubled; at += kTtiBytes)
      doubled = std::string_view(was->timing).substr(at, kTextFieldBytes).find("\x8A\x8A") != std::string_view::npos;
    const std::optional<std::string> field = EncodeTextField(text, table, doubled, &notHeld);
    if (!field) continue;
    Group g{{}, !comment};
    if (!BuildBlocks(header, *field, table == 0, g.bytes)) {
      tooLong.push_back(k + 1);
      continue;
    }
    groups.push_back(std::move(g));
  }
  if (!notHeld.empty()) {
    why = ListCharacters(notHeld) + (notHeld.size() == 1 ? " does" : " do") + " not fit the " +
          std::string(TableName(table)) + " code table of the file";
    return false;
  }
  if (!tooLong.empty()) {
    why = "entry " + std::to_string(tooLong.front()) + " is longer than an EBU STL subtitle can be";
    return false;
  }

  // Subtitle numbers rise: where the file's own no longer do, all are
  // numbered anew.
  size_t blocks = 0;
  int subtitles = 0;
  bool rising = true;
  long last = -1;
  for (const Group& g : groups) {
    blocks += g.bytes.size() / kTtiBytes;
    subtitles += g.subtitle ? 1 : 0;
    const long sn = static_cast<long>(Tti{g.bytes}.SubtitleNumber());
    rising = rising && sn > last;
    last = sn;
  }
  const bool changed = !gsi || rebuilt || newRate || blocks != cueOf(gsiAt)->startLength;
  if (changed && !rising) {
    unsigned sn = gsi && !groups.empty() && Tti{groups.front().bytes}.SubtitleNumber() == 0 ? 0 : 1;
    for (Group& g : groups) {
      for (size_t at = 0; at + kTtiBytes <= g.bytes.size(); at += kTtiBytes) {
        g.bytes[at + 1] = static_cast<char>(sn & 0xFF);
        g.bytes[at + 2] = static_cast<char>(sn >> 8 & 0xFF);
      }
      ++sn;
    }
  }

  std::string block;
  if (gsi) {
    block = std::string(gsi->raw);
    // A file changed in any way says so: its totals and revision.
    if (newRate) SetField(block, kDfc, DiskFormatCode(frameRate));
    if (changed) {
      SetField(block, kTnb, Digits(static_cast<int>(blocks), 5));
      SetField(block, kTns, Digits(subtitles, 5));
      SetField(block, kRd, Today());
      SetField(block, kRn, Digits((NumberOf(FieldOf(block, kRn)).value_or(0) + 1) % 100, 2));
    }
  } else {
    const Profile* profile = entries.RuleProfile();
    const int mnc = std::clamp(profile ? profile->charactersPerLine : 40, 1, 99);
    block = FreshGsi(frameRate, table, mnc, nominal, std::max<int64_t>(0, firstIn));
    SetField(block, kTnb, Digits(static_cast<int>(blocks), 5));
    SetField(block, kTns, Digits(subtitles, 5));
  }
  out.clear();
  out.reserve(kGsiBytes + blocks * kTtiBytes + trailing.size());
  out += block;
  for (const Group& g : groups) out += g.bytes;
  out += trailing;
  return true;
}

}  // namespace

const Format& EbuStl() {
  static const EbuStlFormat format;
  return format;
}

std::optional<double> DiskFormatRate(std::string_view code) {
  code = TrimBlanks(code);
  if (code.size() != 8 || code.substr(0, 3) != "STL" || code[5] != '.') return std::nullopt;
  const std::optional<int> n = NumberOf(code.substr(3, 2));
  if (!n || *n == 0) return std::nullopt;
  // The NTSC rates are named by their whole frames.
  if (*n == 23 || *n == 29 || *n == 47 || *n == 59) return (*n + 1) * 1000.0 / 1001.0;
  return *n;
}

std::string DiskFormatCode(double frameRate) {
  const double whole = std::round(frameRate);
  const int n = std::abs(frameRate - whole) < 0.01 ? static_cast<int>(whole) : static_cast<int>(frameRate);
  return "STL" + Digits(std::clamp(n, 1, 99), 2) + ".01";
}

}  // namespace lm
