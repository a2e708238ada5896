#include "model/history.h"

namespace lm {

std::size_t Step::Bytes() const {
  std::size_t n = sizeof(Step) + name.size();
  for (const Hunk& h : hunks) {
    n += sizeof(Hunk) + (h.oldIds.size() + h.newIds.size()) * sizeof(std::uint64_t);
    for (const auto& l : h.oldLines) n += sizeof(std::string) + l.size();
    for (const auto& l : h.newLines) n += sizeof(std::string) + l.size();
  }
  return n;
}

void History::Push(Step step) {
  for (const Step& s : redo_) bytes_ -= s.Bytes();
  redo_.clear();
  step.serial = ++lastSerial_;
  bytes_ += step.Bytes();
  undo_.push_back(std::move(step));
  // The oldest steps go first; the newest is always kept.
  while (undo_.size() > 1 && (undo_.size() > kMaxSteps || bytes_ > kMaxBytes)) {
    base_ = undo_.front().serial;
    bytes_ -= undo_.front().Bytes();
    undo_.pop_front();
  }
}

void History::Undone() {
  redo_.push_back(std::move(undo_.back()));
  undo_.pop_back();
}

void History::Redone() {
  undo_.push_back(std::move(redo_.back()));
  redo_.pop_back();
}

void History::Reset() {
  undo_.clear();
  redo_.clear();
  bytes_ = 0;
  base_ = saved_ = ++lastSerial_;
}

}  // namespace lm
