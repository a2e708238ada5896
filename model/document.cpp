#include "model/document.h"

#include <algorithm>
#include <utility>

#include "model/limits.h"
#include "model/navigation.h"

namespace lm {

namespace {
// Runs a lone list edit made outside any command as a command of its own, so
// that it is recorded like every other change; inside one it is part of it.
class OwnCommand {
 public:
  explicit OwnCommand(Document& doc) : doc_(doc) { doc_.Begin("Edit"); }
  ~OwnCommand() { doc_.Commit(); }

 private:
  Document& doc_;
};

void AppendFramePair(std::string& out, const std::string& start, const std::string& stop) {
  out += '{';
  out += start;
  out += "}{";
  out += stop;
  out += '}';
}
}  // namespace

Document::Document() : List1(list_) { history_.Reset(); }

void Document::SetFilePath(std::string path) {
  fileName_ = FileNameOf(path);
  filePath_ = std::move(path);
}

void Document::MarkSaved() {
  history_.MarkSaved();
  unrecorded_ = false;
}

// ------------------------------------------------------------ commands

void Document::Begin(std::string_view name) {
  if (depth_++ > 0) return;
  commandName_.assign(name);
  before_ = {list_.ListIndex(), CurrentIndex};
  recording_ = replaying_ = newDocument_ = false;
  watermark_ = lastId_;
  grid_ = {};
}

CommandResult Document::Commit() {
  CommandResult result;
  if (depth_ == 0 || --depth_ > 0) return result;
  if (recording_) {
    std::vector<Hunk> hunks = CollectHunks();
    if (!hunks.empty()) {
      Step step;
      step.name = commandName_;
      step.hunks = std::move(hunks);
      step.before = before_;
      step.after = {list_.ListIndex(), CurrentIndex};
      history_.Push(std::move(step));
    }
  }
  recording_ = false;
  baseIds_.clear();
  originals_.clear();
  result.messages = std::move(messages_);
  messages_.clear();
  if (observer_) observer_->CommandEnded();
  return result;
}

void Document::Notify(ListChange::Kind kind, int first, int count, bool before) {
  if (!observer_) return;
  const ListChange change{kind, first, count};
  if (before) {
    observer_->EntriesAboutToChange(change);
  } else {
    observer_->EntriesChanged(change);
  }
}

void Document::StartRecording() {
  if (!keepHistory_ && !newDocument_) unrecorded_ = true;
  if (recording_ || replaying_ || newDocument_ || !keepHistory_) return;
  recording_ = true;
  baseIds_ = list_.Ids();
}

void Document::Touch(std::uint64_t id, const std::string& line, bool removed) {
  if (!recording_ || id > watermark_) return;
  auto [it, first] = originals_.try_emplace(id);
  if (first) it->second.line = line;
  if (removed) it->second.removed = true;
}

// The entries kept from the start of the command keep their order, so one
// walk over the ids as they were and as they are finds every changed run.
std::vector<Hunk> Document::CollectHunks() {
  std::vector<Hunk> hunks;
  const std::vector<std::uint64_t>& base = baseIds_;
  const std::vector<std::uint64_t>& now = list_.Ids();
  const std::vector<std::string>& items = list_.Items();
  size_t i = 0, j = 0;
  bool open = false;
  auto hunk = [&]() -> Hunk& {
    if (!open) {
      hunks.emplace_back();
      hunks.back().oldIndex = static_cast<int>(i);
      hunks.back().newIndex = static_cast<int>(j);
      open = true;
    }
    return hunks.back();
  };
  while (i < base.size() || j < now.size()) {
    if (j < now.size() && now[j] > watermark_) {
      Hunk& h = hunk();
      h.newLines.push_back(items[j]);
      h.newIds.push_back(now[j]);
      ++j;
      continue;
    }
    if (i >= base.size()) break;  // cannot happen: every entry is accounted for
    auto original = originals_.find(base[i]);
    const bool touched = original != originals_.end();
    if (touched && original->second.removed) {
      Hunk& h = hunk();
      h.oldLines.push_back(std::move(original->second.line));
      h.oldIds.push_back(base[i]);
      ++i;
      continue;
    }
    if (j >= now.size() || now[j] != base[i]) break;  // cannot happen either
    if (touched && original->second.line != items[j]) {
      Hunk& h = hunk();
      h.oldLines.push_back(std::move(original->second.line));
      h.oldIds.push_back(base[i]);
      h.newLines.push_back(items[j]);
      h.newIds.push_back(now[j]);
    } else {
      open = false;
    }
    ++i;
    ++j;
  }
  return hunks;
}

// ------------------------------------------------------------ list edits

void Document::SetItem(int index, std::string line) {
  if (!list_.Valid(index)) return;
  // Writing back an unchanged line is no change, but a write all the same.
  if (list_.Item(index) == line) {
    list_.MarkWritten(index);
    return;
  }
  OwnCommand command(*this);
  StartRecording();
  const std::uint64_t id = list_.Id(index);
  Touch(id, list_.Item(index), false);
  Notify(ListChange::Set, index, 1, true);
  list_.Set(index, std::move(line), id);
  Notify(ListChange::Set, index, 1, false);
}

void Document::InsertItem(int index, std::string line) {
  if (index < 0 || index > list_.Count() || list_.Count() >= kInt16Max) return;
  OwnCommand command(*this);
  StartRecording();
  Notify(ListChange::Insert, index, 1, true);
  list_.Insert(index, std::move(line), NewId());
  Notify(ListChange::Insert, index, 1, false);
}

void Document::RemoveItem(int index) {
  if (!list_.Valid(index)) return;
  OwnCommand command(*this);
  StartRecording();
  Touch(list_.Id(index), list_.Item(index), true);
  Notify(ListChange::Remove, index, 1, true);
  list_.Remove(index, 1);
  Notify(ListChange::Remove, index, 1, false);
}

// In place, so that walks that rewrite the list pass after pass take no
// fresh memory: one pass forward drops the removed entries and rewrites the
// kept ones, one pass backward opens room for the new ones.
void Document::RewriteEntries(std::vector<Rewrite> rewrites) {
  if (rewrites.empty()) return;
  OwnCommand command(*this);
  StartRecording();
  Notify(ListChange::Reset, 0, 0, true);
  auto& items = list_.items_;
  auto& ids = list_.ids_;
  auto& shapes = list_.shapes_;
  auto& written = list_.written_;
  const std::uint64_t edit = ++list_.edits_;
  const size_t count = items.size();
  const int selected = list_.ListIndex();
  int selection = -1;
  struct Behind {  // new entries behind the kept entry at `at`: lines 1.. of a rewrite
    size_t at;
    Rewrite* rewrite;
  };
  // The shape of a rewrite's line `k`: its last one's may be known.
  const auto shapeOf = [](const Rewrite& r, size_t k) { return k + 1 == r.lines.size() ? r.lastShape : EntryShape(); };
  std::vector<Behind> behind;
  size_t kept = 0, added = 0, next = 0;
  for (size_t i = 0; i < count; ++i) {
    Rewrite* r = next < rewrites.size() && rewrites[next].index == static_cast<int>(i) ? &rewrites[next++] : nullptr;
    if (r && r->lines.empty()) {
      Touch(ids[i], items[i], true);
      continue;
    }
    if (r && items[i] != r->lines.front()) {
      Touch(ids[i], items[i], false);
      items[i] = std::move(r->lines.front());
      shapes[i] = shapeOf(*r, 0);
      written[i] = edit;
    }
    if (static_cast<int>(i) == selected) selection = static_cast<int>(kept + added);
    if (kept != i) {
      items[kept] = std::move(items[i]);
      ids[kept] = ids[i];
      shapes[kept] = shapes[i];
      written[kept] = written[i];
    }
    if (r && r->lines.size() > 1) {
      behind.push_back({kept, r});
      added += r->lines.size() - 1;
    }
    ++kept;
  }
  const size_t total = kept + added;
  // A list that outgrows its room gets what it needs and an eighth more,
  // not twice its size: a fix that divides entries needs little more.
  const size_t room = total + total / 8;
  if (total > items.capacity()) items.reserve(room);
  if (total > ids.capacity()) ids.reserve(room);
  if (total > shapes.capacity()) shapes.reserve(room);
  if (total > written.capacity()) written.reserve(room);
  items.resize(total);
  ids.resize(total);
  shapes.resize(total);
  written.resize(total);
  size_t to = total, from = kept;
  for (auto b = behind.rbegin(); b != behind.rend(); ++b) {
    while (from > b->at + 1) {
      --from, --to;
      items[to] = std::move(items[from]);
      ids[to] = ids[from];
      shapes[to] = shapes[from];
      written[to] = written[from];
    }
    for (size_t k = b->rewrite->lines.size() - 1; k >= 1; --k) {
      --to;
      items[to] = std::move(b->rewrite->lines[k]);
      ids[to] = NewId();
      shapes[to] = shapeOf(*b->rewrite, k);
      written[to] = edit;
    }
  }
  list_.Select(selection);
  Notify(ListChange::Reset, 0, 0, false);
}

void Document::SetListIndex(int index) { list_.Select(index); }

// ------------------------------------------------------------ entry model

bool Document::DecomposeEntry() {
  const std::string& line = list_.Item(CurrentIndex);
  EntryFields f;
  if (!SplitEntryLine(line, f)) return false;
  // Assigned in place: a walk over thousands of entries allocates nothing.
  if (f.hasStart) StartFrame.assign(f.start);
  if (f.hasStop) {
    StopFrame.assign(f.stop);
    EntryText.assign(f.text);
  }
  if (list_.Valid(CurrentIndex)) DecomposedId = list_.Id(CurrentIndex);
  EntryLine.clear();
  AppendFramePair(EntryLine, StartFrame, StopFrame);
  EntryLine += EntryText;
  text1_.clear();
  AppendFramePair(text1_, StartFrame, StopFrame);
  return true;
}

std::string Document::FramePair() const {
  std::string pair;
  AppendFramePair(pair, StartFrame, StopFrame);
  return pair;
}

std::string Document::RebuildLine() const { return BuildEntryLine(StartFrame, StopFrame, EntryText); }

// ------------------------------------------------------------ documents

void Document::ResetState() {
  CurrentIndex = 0;
  EntryLine.clear();
  StartFrame.clear();
  StopFrame.clear();
  EntryText.clear();
  DecomposedId = 0;
  text1_.clear();
  typed_ = unrecorded_ = false;
  ++generation_;
  history_.Reset();
  if (InCommand()) {
    newDocument_ = true;
    recording_ = false;
  }
}

void Document::Load(std::vector<std::string> lines, std::string path, FileIdentity identity,
                    std::vector<SourceCue> sources, std::vector<std::uint32_t> firstLines,
                    std::vector<EntryShape> shapes) {
  OwnCommand command(*this);
  ResetState();
  // The entries' other vectors get the room the reader made for them, which
  // a fix that divides entries grows into.
  std::vector<std::uint64_t> ids;
  ids.reserve(lines.capacity());
  ids.resize(lines.size());
  firstSourceId_ = lastId_ + 1;
  for (auto& id : ids) id = NewId();
  sources_ = std::move(sources);
  firstLines_ = std::move(firstLines);
  Notify(ListChange::Reset, 0, 0, true);
  // Shapes are worked out in the dialect of the format the lines were read in.
  list_.Replace(std::move(lines), std::move(ids), -1, std::move(shapes));
  list_.dialect_ = &identity.readAs->Dialect();
  Notify(ListChange::Reset, 0, 0, false);
  loaded_ = true;
  diskStamp_ = {};
  fileNotes_.clear();
  SetFilePath(std::move(path));
  identity_ = identity;
}

// ------------------------------------------------------------ undo

namespace {
constexpr size_t kInPlaceHunks = 16;
}  // namespace

void Document::Apply(const Step& step, bool forward) {
  // Small steps are applied entry by entry, from the last run to the first so
  // that the earlier positions stay valid; large ones rebuild the list in one
  // linear pass.
  if (step.hunks.size() <= kInPlaceHunks) {
    for (auto h = step.hunks.rbegin(); h != step.hunks.rend(); ++h) {
      const int at = forward ? h->oldIndex : h->newIndex;
      const int present = static_cast<int>((forward ? h->oldLines : h->newLines).size());
      const auto& lines = forward ? h->newLines : h->oldLines;
      const auto& ids = forward ? h->newIds : h->oldIds;
      const int wanted = static_cast<int>(lines.size());
      const int common = std::min(present, wanted);
      for (int k = 0; k < common; ++k) {
        Notify(ListChange::Set, at + k, 1, true);
        list_.Set(at + k, lines[static_cast<size_t>(k)], ids[static_cast<size_t>(k)]);
        Notify(ListChange::Set, at + k, 1, false);
      }
      if (present > common) {
        Notify(ListChange::Remove, at + common, present - common, true);
        list_.Remove(at + common, present - common);
        Notify(ListChange::Remove, at + common, present - common, false);
      } else if (wanted > common) {
        Notify(ListChange::Insert, at + common, wanted - common, true);
        list_.InsertRange(at + common, lines, ids, static_cast<size_t>(common));
        Notify(ListChange::Insert, at + common, wanted - common, false);
      }
    }
    return;
  }
  std::vector<std::string> items;
  std::vector<std::uint64_t> ids;
  const std::vector<std::string>& now = list_.Items();
  const std::vector<std::uint64_t>& nowIds = list_.Ids();
  items.reserve(now.size() + 64);
  ids.reserve(now.size() + 64);
  size_t pos = 0;
  for (const Hunk& h : step.hunks) {
    const size_t at = static_cast<size_t>(forward ? h.oldIndex : h.newIndex);
    for (; pos < at; ++pos) {
      items.push_back(std::move(list_.items_[pos]));
      ids.push_back(nowIds[pos]);
    }
    const auto& lines = forward ? h.newLines : h.oldLines;
    const auto& lineIds = forward ? h.newIds : h.oldIds;
    items.insert(items.end(), lines.begin(), lines.end());
    ids.insert(ids.end(), lineIds.begin(), lineIds.end());
    pos += (forward ? h.oldLines : h.newLines).size();
  }
  for (; pos < now.size(); ++pos) {
    items.push_back(std::move(list_.items_[pos]));
    ids.push_back(nowIds[pos]);
  }
  Notify(ListChange::Reset, 0, 0, true);
  list_.Replace(std::move(items), std::move(ids), -1);
  Notify(ListChange::Reset, 0, 0, false);
}

namespace {
void RestoreCursor(Document& doc, const Cursor& cursor) {
  doc.SetListIndex(cursor.selection);
  doc.CurrentIndex = cursor.current;
  ShowEntry(doc, doc.List1.Valid(cursor.current) ? cursor.current : doc.List1.ListIndex());
}
}  // namespace

bool Document::Replay(bool forward) {
  if (forward ? !CanRedo() : !CanUndo()) return false;
  OwnCommand command(*this);
  replaying_ = true;
  recording_ = false;
  const Step& step = forward ? history_.NextRedo() : history_.NextUndo();
  Apply(step, forward);
  const Cursor cursor = forward ? step.after : step.before;
  if (forward) {
    history_.Redone();
  } else {
    history_.Undone();
  }
  RestoreCursor(*this, cursor);
  return true;
}

const SourceCue* Document::Source(int index) const {
  const std::uint64_t id = list_.Id(index);
  if (id < firstSourceId_ || id - firstSourceId_ >= sources_.size()) return nullptr;
  return &sources_[static_cast<size_t>(id - firstSourceId_)];
}

std::uint32_t Document::FileLine(int index) const {
  const std::uint64_t id = list_.Id(index);
  if (id < firstSourceId_ || id - firstSourceId_ >= firstLines_.size()) return 0;
  return firstLines_[static_cast<size_t>(id - firstSourceId_)];
}

std::string FileNameOf(const std::string& path) {
  const size_t cut = path.find_last_of("/\\");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace lm
