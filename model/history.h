#pragma once
// The undo history: one step per user command that changed the entry list.
// A step keeps only what changed, as runs of old and new lines at their
// positions, so its memory is in proportion to the change.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace lm {

// A run of lines replaced: `oldLines` stood at `oldIndex` before the step,
// `newLines` stand at `newIndex` after it.
struct Hunk {
  int oldIndex = 0, newIndex = 0;
  std::vector<std::string> oldLines, newLines;
  std::vector<std::uint64_t> oldIds, newIds;
};

// Where the user was: the list's selection and the current entry.
struct Cursor {
  int selection = -1;
  int current = 0;
};

struct Step {
  std::string name;
  std::vector<Hunk> hunks;
  Cursor before, after;
  std::uint64_t serial = 0;
  std::size_t Bytes() const;
};

class History {
 public:
  static constexpr std::size_t kMaxSteps = 100;
  static constexpr std::size_t kMaxBytes = 256u << 20;

  void Push(Step step);
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  const Step& NextUndo() const { return undo_.back(); }
  const Step& NextRedo() const { return redo_.back(); }
  // Moves the newest step to the redo side, or back.
  void Undone();
  void Redone();

  // Forgets every step (a new document); the state now is the saved one.
  void Reset();
  void MarkSaved() { saved_ = State(); }
  // The state now differs from the one last loaded or saved.
  bool Dirty() const { return State() != saved_; }
  std::size_t Bytes() const { return bytes_; }
  std::size_t Steps() const { return undo_.size() + redo_.size(); }

 private:
  // Every state has its own serial: that of the step that led to it.
  std::uint64_t State() const { return undo_.empty() ? base_ : undo_.back().serial; }

  std::deque<Step> undo_, redo_;
  std::uint64_t lastSerial_ = 0, base_ = 0, saved_ = 0;
  std::size_t bytes_ = 0;
};

}  // namespace lm
