#include "formats/subtitle_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "files/charset.h"
#include "files/text_file.h"
#include "formats/convert.h"
#include "formats/recognised.h"
#include "formats/registry.h"
#include "model/limits.h"
#include "model/navigation.h"

namespace lm {

namespace {
// A file of records (see Format::Binary): its bytes are its entries, in no
// encoding and with no line ends; one named is not asked for.
ReadStatus ReadRecords(const Format& format, std::string_view content, SubtitleFile& file) {
  ReadEntries read;
  if (!format.ReadBytes(content, read)) return ReadStatus::TooManyLines;
  if (read.entries.empty()) return ReadStatus::Empty;
  file.lines = std::move(read.entries);
  file.sources = std::move(read.sources);
  file.notes = std::move(read.notes);
  file.identity.encoding = format.PlainTextEncoding();
  file.identity.finalBlank = read.finalBlank;
  if (read.frameRate) {
    file.identity.frameRate = *read.frameRate;
    file.identity.frameRateFromFile = true;
  }
  file.identity.format = file.identity.readAs = &format;
  return ReadStatus::Ok;
}
}  // namespace

ReadStatus ParseSubtitleFile(std::string_view content, SubtitleFile& file, std::optional<Encoding> named,
                             double frameRate, const std::string& path) {
  file.lines.clear();
  file.sources.clear();
  file.firstLines.clear();
  file.shapes.clear();
  file.looksLike.clear();
  file.notes.clear();
  file.identity = FileIdentity();
  file.identity.frameRate = frameRate;
  if (const Format* records = BinaryFormatOf(content)) return ReadRecords(*records, content, file);
  std::string decoded;
  std::string_view text;
  // UTF-16 and UTF-32 are full of NUL bytes; their text is told once decoded.
  const bool wide = WideUnicodeMark(content).has_value() || (named && IsWideUnicode(*named));
  // NUL bytes padding the end of a file are a fault of its download, not
  // its text; NULs inside it still mean binary data.
  if (!wide) {
    size_t padding = 0;
    while (padding < content.size() && content[content.size() - 1 - padding] == '\0') ++padding;
    if (padding > 0 && padding < content.size()) {
      content.remove_suffix(padding);
      file.notes.push_back(std::to_string(padding) + (padding == 1 ? " NUL byte" : " NUL bytes") +
                           " at the end of the file were left out");
    }
  }
  // Binary data is told before any guessing about its letters.
  if (!wide) {
    file.looksLike = GuessBinary(content);
    if (!file.looksLike.empty()) return ReadStatus::Unrecognised;
  }
  ChosenEncoding chosen;
  if (!ChooseEncoding(content, named, chosen, text, decoded)) {
    file.identity.encoding = named ? *named : chosen.encoding;
    return ReadStatus::NotInEncoding;
  }
  if (wide) {
    file.looksLike = GuessBinary(text);
    if (!file.looksLike.empty()) return ReadStatus::Unrecognised;
  }
  // The formats are told by the non-empty lines, nearly always by the
  // first of them; else by them all: the lines themselves when none is
  // empty, or a copy without them, freed before the entries are made so
  // that they take its room.
  HeadDetection head;
  {
    std::vector<std::string_view> first;
    SplitFirstLines(text, kHeadLines, first);
    if (first.empty()) return ReadStatus::Empty;
    // Fewer lines than a head are the whole text.
    if (first.size() < kHeadLines) {
      head.decided = DetectFormat(first, path);
    } else {
      head = DetectFormatFromHead(first, path);
    }
  }
  // A format that reads its text in pieces is handed them one by one:
  // their lines, held a piece at a time, are still in the cache when read.
  ReadEntries read;
  std::unique_ptr<PieceReader> pieces;
  if (head.decided && head.decided->format) pieces = head.decided->format->ReadInPieces(read, text.size());
  std::vector<std::string_view> all;
  LineEndCounts ends;
  if (!pieces) SplitLines(text, all, ends);
  Detection found;
  if (head.decided) {
    found = std::move(*head.decided);
  } else if (std::none_of(all.begin(), all.end(), [](std::string_view line) { return line.empty(); })) {
    found = DetectFormat(head, all, path);
  } else {
    std::vector<std::string_view> filled;
    filled.reserve(all.size());
    for (const std::string_view line : all)
      if (!line.empty()) filled.push_back(line);
    found = DetectFormat(head, filled, path);
  }
  if (!found.format) {
    file.looksLike = found.looksLike;
    return ReadStatus::Unrecognised;
  }
  // Plain ASCII says nothing of its encoding: it is read in the one its
  // format's files are written in, so that what is typed into it later is
  // saved so.
  const Encoding encoding = chosen.ascii ? found.format->PlainTextEncoding() : chosen.encoding;
  file.identity.encoding = encoding;
  if (chosen.keptBytes > 0)
    file.notes.push_back(std::to_string(chosen.keptBytes) +
                         (chosen.keptBytes == 1 ? " byte that cannot be read as " : " bytes that cannot be read as ") +
                         EncodingName(encoding) +
                         (chosen.keptBytes == 1 ? " is kept as it is" : " are kept as they are"));
  // 8-bit text is decoded a line at a time, only where it is not ASCII,
  // into buffers that the entries are made from.
  if (pieces) {
    constexpr size_t kPieceBytes = 256 * 1024;
    size_t linesBefore = 0;
    for (size_t from = 0; from < text.size();) {
      const size_t to = PieceEnd(text, from, kPieceBytes);
      const std::string_view piece = text.substr(from, to - from);
      SplitLines(piece, all, ends);
      std::vector<std::unique_ptr<char[]>> lineText;
      if (chosen.byLine) lineText = DecodeLinesBeyondAscii(encoding, piece, all);
      if (!pieces->Read(all, linesBefore, to == text.size())) return ReadStatus::TooManyLines;
      linesBefore += all.size();
      from = to;
    }
  } else {
    std::vector<std::unique_ptr<char[]>> lineText;
    if (chosen.byLine) lineText = DecodeLinesBeyondAscii(encoding, text, all);
    if (!found.format->Read(all, read)) return ReadStatus::TooManyLines;
  }
  file.identity.lineEnd = ends.Style();
  file.lines = std::move(read.entries);
  file.sources = std::move(read.sources);
  if (read.firstLines.size() == file.lines.size()) file.firstLines = std::move(read.firstLines);
  if (read.shapes.size() == file.lines.size()) file.shapes = std::move(read.shapes);
  file.notes.insert(file.notes.end(), read.notes.begin(), read.notes.end());
  file.identity.finalBlank = read.finalBlank;
  if (read.frameRate) {
    file.identity.frameRate = *read.frameRate;
    file.identity.frameRateFromFile = true;
  }
  file.identity.format = file.identity.readAs = found.format;
  return ReadStatus::Ok;
}

namespace {
// ReadSubtitleFile, the file's bytes left in `content`.
ReadStatus ReadSubtitleFileKeeping(const std::string& path, SubtitleFile& file, std::optional<Encoding> named,
                                   double frameRate, std::string& content) {
  file.lines.clear();
  file.error = 0;
  const FileReadResult read = ReadWholeFile(path, content, kMaxFileBytes, &file.stamp);
  file.error = read.error;
  switch (read.status) {
    case FileRead::Ok:
      break;
    case FileRead::CannotOpen:
      return ReadStatus::CannotOpen;
    case FileRead::Folder:
      return ReadStatus::Folder;
    case FileRead::NotRegular:
      return ReadStatus::NotAFile;
    case FileRead::TooLarge:
      return ReadStatus::TooLarge;
    case FileRead::CannotRead:
      return ReadStatus::CannotRead;
  }
  return ParseSubtitleFile(content, file, named, frameRate, path);
}
}  // namespace

ReadStatus ReadSubtitleFile(const std::string& path, SubtitleFile& file, std::optional<Encoding> named,
                            double frameRate) {
  std::string content;
  return ReadSubtitleFileKeeping(path, file, named, frameRate, content);
}

namespace {
// The identity's format, or the default one for an identity without.
FileIdentity Completed(FileIdentity identity) {
  if (identity.format == &NoFormat()) identity.format = &DefaultFormat();
  if (identity.readAs == &NoFormat()) identity.readAs = identity.format;
  return identity;
}
}  // namespace

namespace {
// "entries 3, 7 and 12", at most ten of them named.
std::string EntriesNamed(const std::vector<int>& entries) {
  std::string out = entries.size() == 1 ? "entry " : "entries ";
  const size_t named = std::min<size_t>(entries.size(), 10);
  for (size_t i = 0; i < named; ++i)
    out += (i == 0 ? "" : i + 1 == named && named == entries.size() ? " and " : ", ") + std::to_string(entries[i] + 1);
  if (named < entries.size()) out += " and " + std::to_string(entries.size() - named) + " more";
  return out;
}

// Why a conversion is not written: entries whose times cannot be read.
std::string Untimed(const DocumentFeed& feed, const Format& format) {
  return EntriesNamed(feed.Untimed()) + (feed.Untimed().size() == 1 ? " has" : " have") +
         " no times that can be written as " + std::string(format.Name());
}

// What a conversion left out.
void Converted(const DocumentFeed& feed, const Format& format, std::string* note) {
  if (!note || feed.LostStyleEntries() == 0) return;
  const int n = feed.LostStyleEntries();
  *note = std::to_string(n) + (n == 1 ? " entry lost " : " entries lost ") + feed.LostStyles().Names() + ", which a " +
          std::string(format.Name()) + " file cannot hold";
}
}  // namespace

bool EncodeDocument(const Document& doc, const Format* format, std::string& bytes, std::string* why,
                    std::string* note) {
  FileIdentity identity = Completed(doc.Identity());
  if (format) identity.format = format;
  if (identity.format->Binary()) {
    DocumentFeed feed(doc, *identity.format, identity.encoding);
    std::string reason;
    const bool written = identity.format->WriteBytes(feed, identity, bytes, reason);
    if (written && feed.Untimed().empty()) {
      Converted(feed, *identity.format, note);
      return true;
    }
    bytes.clear();
    if (why) *why = (written ? Untimed(feed, *identity.format) : reason) + ", not written";
    return false;
  }
  // Room for what an entry grows by in the file (a cue's number, a
  // converted entry's timing line and tags), rather too much than too
  // little: a text that outgrows its room is copied whole. Not much more,
  // though: room that fits where the file's bytes were needs no memory the
  // system must clear.
  const size_t more = &doc.ReadFormat() == identity.format ? identity.format->BytesAroundEntry() : 48;
  size_t total = 256;  // a header
  for (const auto& e : doc.List1.Items()) total += e.size() + more;
  LineEncoder encoder(identity, bytes, total);
  DocumentFeed feed(doc, *identity.format, identity.encoding);
  feed.TellBetween(encoder);
  const auto add = [&](std::string_view line) { encoder.Add(line); };
  identity.format->Write(feed, identity, LineSink(add, encoder.Text(), encoder.End()));
  if (!feed.Untimed().empty()) {
    bytes.clear();
    if (why) *why = Untimed(feed, *identity.format) + ", not written";
    return false;
  }
  if (!encoder.Finish()) {
    if (why) {
      const std::string notHeld = NotHeldReason(identity.encoding, encoder.NotHeld());
      *why = (notHeld.empty() ? std::string("a character does not fit ") + EncodingName(identity.encoding) : notHeld) +
             ", not written";
    }
    return false;
  }
  Converted(feed, *identity.format, note);
  return true;
}

namespace {
// A document's entries, noting how many lines were written when the writer
// first asked for each.
class CountingFeed final : public EntryFeed {
 public:
  CountingFeed(EntryFeed& feed, DocumentLines& out) : feed_(feed), out_(out) {
    out_.entryAt.assign(static_cast<size_t>(feed.Count()) + 1, kNone);
  }
  int Count() const override { return feed_.Count(); }
  const std::string* Line(int k) override {
    size_t& at = out_.entryAt[static_cast<size_t>(k)];
    if (at == kNone) at = out_.lines.size();
    return feed_.Line(k);
  }
  const SourceCue* Cue(int k) const override { return feed_.Cue(k); }
  bool Converted() const override { return feed_.Converted(); }
  static constexpr size_t kNone = static_cast<size_t>(-1);

 private:
  EntryFeed& feed_;
  DocumentLines& out_;
};
}  // namespace

DocumentLines DocumentFileLines(const Document& doc) {
  const FileIdentity identity = Completed(doc.Identity());
  DocumentLines out;
  out.lines.reserve(static_cast<size_t>(doc.List1.Count()) * 2);
  DocumentFeed feed(doc, *identity.format, identity.encoding);
  CountingFeed counting(feed, out);
  identity.format->Write(counting, identity, [&](std::string_view line) { out.lines.emplace_back(line); });
  out.entryAt.back() = out.lines.size();
  // An entry never asked for holds no lines: it ends where the next begins.
  for (size_t k = out.entryAt.size() - 1; k-- > 0;)
    if (out.entryAt[k] == CountingFeed::kNone) out.entryAt[k] = out.entryAt[k + 1];
  return out;
}

std::vector<std::string_view> DocumentLines::Of(int k) const {
  std::vector<std::string_view> of;
  if (k < 0 || static_cast<size_t>(k) + 1 >= entryAt.size()) return of;
  size_t from = entryAt[static_cast<size_t>(k)], to = std::max(from, entryAt[static_cast<size_t>(k) + 1]);
  while (from < to && IsBlankLine(lines[from])) ++from;
  while (to > from && IsBlankLine(lines[to - 1])) --to;
  for (size_t i = from; i < to; ++i) of.emplace_back(lines[i]);
  return of;
}

WriteResult WriteDocument(const Document& doc, const std::string& path, const Format* format, std::string room) {
  std::string bytes = std::move(room);
  std::string why, note;
  if (!EncodeDocument(doc, format, bytes, &why, &note)) return {WriteStatus::Failed, EILSEQ, why};
  WriteResult result = WriteFileSafely(path, bytes);
  if (result.ok()) result.note = std::move(note);
  return result;
}

bool EncodeSubtitleFile(const std::vector<std::string>& entries, const FileIdentity& identity, std::string& bytes) {
  Document doc;
  doc.KeepHistory(false);
  doc.Load(entries, {}, Completed(identity));
  return EncodeDocument(doc, nullptr, bytes);
}

WriteResult WriteSubtitleFile(const std::string& path, const std::vector<std::string>& entries,
                              const FileIdentity& identity) {
  std::string bytes;
  if (!EncodeSubtitleFile(entries, identity, bytes)) return {WriteStatus::Failed, EILSEQ, "not written"};
  return WriteFileSafely(path, bytes);
}

std::string RefusalReason(const LoadResult& result) {
  switch (result.status) {
    case ReadStatus::Unrecognised:
      return NoneOfTheFormats() + (result.looksLike.empty() ? "" : " (it looks like " + result.looksLike + ")");
    case ReadStatus::NotInEncoding:
      return std::string("cannot be read as ") + EncodingName(result.encoding);
    default:
      return {};
  }
}

std::string LoadFailureReason(const LoadResult& result) {
  switch (result.status) {
    case ReadStatus::Ok:
      return {};
    case ReadStatus::CannotOpen:
    case ReadStatus::CannotRead:
      return std::strerror(result.error ? result.error : EIO);
    case ReadStatus::Folder:
      return "is a folder";
    case ReadStatus::NotAFile:
      return "is no ordinary file (a pipe, a socket or a device)";
    case ReadStatus::Empty:
      return "is empty";
    case ReadStatus::TooManyLines:
      return "has more than " + std::to_string(kInt16Max) + " lines, the most a document can hold";
    case ReadStatus::TooLarge:
      return "is larger than " + std::to_string(kMaxFileBytes >> 20) + " MB, the most a subtitle file may be";
    case ReadStatus::Unrecognised:
    case ReadStatus::NotInEncoding:
      return RefusalReason(result);
    case ReadStatus::NoEntry:
      break;
    case ReadStatus::NotRemembered:
      return "was not opened: its folder could not be remembered";
  }
  return "File Corrupt!";
}

std::string LoadFailureMessage(const LoadResult& result, const std::string& path) {
  const std::string name = FileNameOf(path);
  switch (result.status) {
    case ReadStatus::CannotOpen:
      return "Cannot open " + path + ": " + LoadFailureReason(result);
    case ReadStatus::CannotRead:
      return "Cannot read " + path + ": " + LoadFailureReason(result);
    case ReadStatus::NotInEncoding:
      return name + " " + LoadFailureReason(result) + ".";
    case ReadStatus::Unrecognised:
      return name + " is " + LoadFailureReason(result) + ".";
    case ReadStatus::NoEntry:
      return LoadFailureReason(result);
    default:
      return name + " " + LoadFailureReason(result) + ".";
  }
}

namespace {
char SeparatorFor(const std::string& folder) {
  const bool windows = folder.find('\\') != std::string::npos && folder.find('/') == std::string::npos;
  return windows ? '\\' : '/';
}

LoadResult FirstDecomposable(ReadStatus status, const SubtitleFile& file) {
  LoadResult result{status, file.looksLike, file.identity.encoding, file.notes};
  result.error = file.error;
  if (result.status == ReadStatus::Ok && (file.lines.empty() || !CanDecompose(file.lines.front())))
    result.status = ReadStatus::NoEntry;
  return result;
}

// The new document replaces the old; entry 0 becomes current and is shown.
void OpenDocument(Document& doc, SubtitleFile file, const std::string& path) {
  doc.Load(std::move(file.lines), path, file.identity, std::move(file.sources), std::move(file.firstLines),
           std::move(file.shapes));
  doc.SetDiskStamp(file.stamp);
  doc.SetFileNotes(std::move(file.notes));
  SelectEntry(doc, 0);
}
}  // namespace

std::string ComposeFilePath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && (folder.back() == '/' || folder.back() == '\\')) return folder + name;
  return folder + SeparatorFor(folder) + name;
}

LoadResult LoadSubtitleFile(Document& doc, const std::string& folder, const std::string& fileName,
                            const std::function<bool()>& rememberFolder, std::optional<Encoding> named,
                            double frameRate) {
  if (rememberFolder && !rememberFolder()) return {ReadStatus::NotRemembered, {}, {}};
  return LoadSubtitlePath(doc, ComposeFilePath(folder, fileName), named, frameRate);
}

LoadResult LoadSubtitleText(Document& doc, std::string_view content, const std::string& path,
                            std::optional<Encoding> named, double frameRate) {
  SubtitleFile file;
  LoadResult result = FirstDecomposable(ParseSubtitleFile(content, file, named, frameRate, path), file);
  if (result) OpenDocument(doc, std::move(file), path);
  return result;
}

LoadResult LoadSubtitlePath(Document& doc, const std::string& path, std::optional<Encoding> named, double frameRate) {
  if (path.empty()) {
    LoadResult none{ReadStatus::CannotOpen, {}, {}};
    none.error = ENOENT;
    return none;
  }
  SubtitleFile file;
  // The file's bytes are freed once the document is made: what the document
  // needs on loading is then not put in their place, which the text written
  // back (about as long) fits instead of memory the system must clear.
  std::string content;
  LoadResult result = FirstDecomposable(ReadSubtitleFileKeeping(path, file, named, frameRate, content), file);
  if (result) OpenDocument(doc, std::move(file), path);
  return result;
}

}  // namespace lm
