#pragma once
// The open document and the state every command shares.
//
// Every change of the entry list happens inside a command: Begin, the
// routine runs on the shared fields, Commit. The command records what it
// changed, which becomes one step of the undo history, and collects what the
// user is to see afterwards: the entry to show in the grid and the messages.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/entry.h"
#include "model/entry_list.h"
#include "model/file_identity.h"
#include "model/format.h"
#include "model/history.h"
#include "model/profile.h"
#include "model/text.h"

namespace lm {

struct ListChange {
  enum Kind { Set, Insert, Remove, Reset } kind = Set;
  int first = 0;
  int count = 0;
};

// How the core tells a front end what changed.
class DocumentObserver {
 public:
  virtual ~DocumentObserver() = default;
  // Around every change of the entry list, as it happens.
  virtual void EntriesAboutToChange(const ListChange&) {}
  virtual void EntriesChanged(const ListChange&) {}
  // At the end of every command: the selection, the textline, the file path,
  // Changed and the history may have moved.
  virtual void CommandEnded() {}
};

// What the character grid is to show once a command ends.
struct GridRequest {
  enum Kind { Keep, Show, Clear } kind = Keep;
  int index = -1;  // Show: the entry at this position
};

struct CommandResult {
  std::vector<std::string> messages;  // in the order the command gave them
};

class Document {
 public:
  Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // ---- the fields the routines share, as they did in the old program
  int CurrentIndex = 0;
  std::string EntryLine;
  std::string StartFrame;
  std::string StopFrame;
  std::string EntryText;
  int FixCount = 0;
  // Natural breaks: the language of the text as a fix run took it (an index
  // into kBreakLanguages, -1: none known), or kLanguageUnsettled until then.
  static constexpr int kLanguageUnsettled = -2;
  int BreakLanguage = kLanguageUnsettled;
  // The entry the fields were last decomposed from (0: none).
  std::uint64_t DecomposedId = 0;

  // ---- the entry list, read-only; changed through the edits below
  const EntryList& List1;

  // ---- the textline: the frame pair "{start}{stop}" of the entry shown
  const std::string& Text1() const { return text1_; }
  void SetText1(std::string_view value) { text1_.assign(value); }

  // ---- the open file
  bool NoDocument() const { return !loaded_; }
  const std::string& FilePath() const { return filePath_; }
  const std::string& FileName() const { return fileName_; }
  Encoding FileEncoding() const { return identity_.encoding; }
  // The encoding and line ends the file was read with and is written with.
  const FileIdentity& Identity() const { return identity_; }
  // The format the entries were read in: what their fields and style tags
  // are.
  const Format& ReadFormat() const { return *identity_.readAs; }
  // How the frame fields are read and written (frames, or times), at the
  // document's frame rate.
  TimeNotation Notation() const { return TimeNotation(identity_.readAs->Times(), identity_.frameRate); }
  // The style tags the entries' text carries.
  const StyleDialect& TextMarkup() const { return list_.TextMarkup(); }
  // The frame rate between frames and times, and the format written next.
  void SetFrameRate(double frameRate) { identity_.frameRate = frameRate; }
  void SetFormat(const Format& format) { identity_.format = &format; }
  void SetFileEncoding(Encoding encoding) { identity_.encoding = encoding; }  // written next, without rereading
  // The limits the rules keep the entries in.
  const Profile& RuleProfile() const { return profile_; }
  void SetProfile(Profile profile) { profile_ = std::move(profile); }
  // 1 while the document differs from the file it was loaded from or last
  // saved to (undoing back to that state makes it 0 again), or while text
  // typed into the grid waits to be written back.
  int Changed() const { return typed_ || unrecorded_ || history_.Dirty() ? 1 : 0; }
  // After a successful Save As: the document now lives in `path`.
  void SetFilePath(std::string path);
  // What reading the file had to say about it ("3 lines could not be read
  // as cues"), for the status line; a new document starts without.
  const std::vector<std::string>& FileNotes() const { return fileNotes_; }
  void SetFileNotes(std::vector<std::string> notes) { fileNotes_ = std::move(notes); }
  // The file as it was when read or last written: a file that differs now
  // was changed by someone else.
  const FileStamp& DiskStamp() const { return diskStamp_; }
  void SetDiskStamp(FileStamp stamp) { diskStamp_ = stamp; }
  // After a successful Save: the state now is the saved one.
  void MarkSaved();
  // A character was typed into the grid; the typing is written back later.
  void MarkTyped() { typed_ = true; }
  void TypingWrittenBack() { typed_ = false; }

  // ---- the command boundary
  void Begin(std::string_view name);
  CommandResult Commit();
  bool InCommand() const { return depth_ > 0; }

  // ---- list edits; outside a command each is a command of its own
  void SetItem(int index, std::string line);
  void InsertItem(int index, std::string line);
  void RemoveItem(int index);
  // Rewrites many entries in one pass over the list, for walks that would be
  // quadratic inserting or removing one by one. Each rewrite names an entry
  // of the list as it is (in rising order, each once) and what takes its
  // place: no line removes it; the first keeps its identity, the others are
  // new entries right behind it. The selection follows the list-box rules.
  struct Rewrite {
    int index = 0;
    std::vector<std::string> lines;
    // What is known of the last line's shape, in the document's style tags
    // (a rewrite that worked it out hands it on).
    EntryShape lastShape;
    // The lines moved in (a braced list of them would be copied).
    static Rewrite Into(int index, std::string line) {
      Rewrite r{index, {}, {}};
      r.lines.push_back(std::move(line));
      return r;
    }
    static Rewrite Into(int index, std::string first, std::string second) {
      Rewrite r{index, {}, {}};
      r.lines.reserve(2);
      r.lines.push_back(std::move(first));
      r.lines.push_back(std::move(second));
      return r;
    }
  };
  void RewriteEntries(std::vector<Rewrite> rewrites);
  void SetListIndex(int index);

  // ---- the routines of the entry model
  // Cuts the entry at CurrentIndex into StartFrame, StopFrame and EntryText,
  // rebuilds EntryLine and shows the frame pair in the textline. Returns
  // false, changing nothing, for a line that cannot be decomposed.
  bool DecomposeEntry();
  // "{" StartFrame "}{" StopFrame "}" EntryText
  std::string RebuildLine() const;
  std::string FramePair() const;

  // ---- what the user sees when the command ends
  void ShowInGrid(int index) { grid_ = {GridRequest::Show, index}; }
  void ClearGrid() { grid_ = {GridRequest::Clear, -1}; }
  void Message(std::string text) { messages_.push_back(std::move(text)); }
  const GridRequest& PendingGridRequest() const { return grid_; }

  // ---- whole documents (inside a command)
  // A new document: the history starts afresh and the state is the saved one.
  // `shapes`: none, or each line's ShapeOf in the style tags of the format
  // it was read as (identity.readAs).
  void Load(std::vector<std::string> lines, std::string path, FileIdentity identity,
            std::vector<SourceCue> sources = {}, std::vector<std::uint32_t> firstLines = {},
            std::vector<EntryShape> shapes = {});
  // The cue the entry at `index` was read from, whatever the entry has
  // become since; nothing for an entry that was not read from a cue.
  const SourceCue* Source(int index) const;
  // The file's line (from 1) the entry at `index` was read from; 0 for an
  // entry added since, or when the file's format does not tell.
  std::uint32_t FileLine(int index) const;
  // Changes with every Load: windows bound to one document can tell that it
  // is gone.
  std::uint64_t Generation() const { return generation_; }

  // ---- undo and redo (inside a command)
  bool CanUndo() const { return history_.CanUndo(); }
  bool CanRedo() const { return history_.CanRedo(); }
  std::string UndoName() const { return CanUndo() ? history_.NextUndo().name : std::string(); }
  std::string RedoName() const { return CanRedo() ? history_.NextRedo().name : std::string(); }
  bool Undo() { return Replay(false); }
  bool Redo() { return Replay(true); }
  const History& history() const { return history_; }
  // A front end that never undoes (the command line) keeps no history; the
  // commands run the same. Changed then only says whether any command
  // changed the list since the load.
  void KeepHistory(bool keep) { keepHistory_ = keep; }

  void SetObserver(DocumentObserver* observer) { observer_ = observer; }

 private:
  struct Original {
    std::string line;
    bool removed = false;
  };

  void Notify(ListChange::Kind kind, int first, int count, bool before);
  // Before the first edit of a command: where every entry stood.
  void StartRecording();
  // The entry `id` is about to change; keeps its line as it was at Begin.
  void Touch(std::uint64_t id, const std::string& line, bool removed);
  std::vector<Hunk> CollectHunks();
  void Apply(const Step& step, bool forward);
  // Undoes the newest step, or redoes the one undone last (`forward`).
  bool Replay(bool forward);
  void ResetState();
  std::uint64_t NewId() { return ++lastId_; }

  EntryList list_;
  std::string text1_;
  bool loaded_ = false;
  std::string filePath_;
  std::string fileName_;
  FileIdentity identity_;
  Profile profile_;
  FileStamp diskStamp_;
  std::vector<std::string> fileNotes_;
  bool typed_ = false;
  bool keepHistory_ = true;
  bool unrecorded_ = false;  // changed while keeping no history
  std::uint64_t generation_ = 0;
  History history_;
  std::uint64_t lastId_ = 0;
  // The cues of the file read, by entry identity from firstSourceId_ on.
  std::vector<SourceCue> sources_;
  std::vector<std::uint32_t> firstLines_;  // by the same identities
  std::uint64_t firstSourceId_ = 0;
  DocumentObserver* observer_ = nullptr;

  // The command under way.
  int depth_ = 0;  // a command run from inside another is part of it
  std::string commandName_;
  Cursor before_;
  bool recording_ = false;
  bool replaying_ = false;       // undo and redo are not recorded
  bool newDocument_ = false;     // a load or close: no step
  std::uint64_t watermark_ = 0;  // ids above it were made by this command
  std::vector<std::uint64_t> baseIds_;
  std::unordered_map<std::uint64_t, Original> originals_;
  GridRequest grid_;
  std::vector<std::string> messages_;
};

// The file name part of a path (after its last "/" or "\").
std::string FileNameOf(const std::string& path);

}  // namespace lm
