#include "entry_list.h"

#include <utility>

namespace lm {

const std::string& EntryList::Item(int index) const {
  static const std::string kEmpty;
  return Valid(index) ? items_[index] : kEmpty;
}

int EntryList::IndexOfId(std::uint64_t id, int hint) const {
  if (id == 0) return -1;
  if (Valid(hint) && ids_[hint] == id) return hint;
  for (int i = 0; i < Count(); ++i)
    if (ids_[i] == id) return i;
  return -1;
}

void EntryList::AddItem(std::string line) { InsertItem(Count(), std::move(line)); }

void EntryList::InsertItem(int index, std::string line) {
  if (index < 0 || index > Count()) return;
  if (observer_) observer_->EntriesAboutToBeInserted(index, 1);
  items_.insert(items_.begin() + index, std::move(line));
  ids_.insert(ids_.begin() + index, NewId());
  if (observer_) observer_->EntriesInserted(index, 1);
  if (selected_ >= index) {
    ++selected_;
    if (observer_) observer_->SelectionChanged(selected_);
  }
  Modified();
}

void EntryList::RemoveItem(int index) {
  if (!Valid(index)) return;
  if (observer_) observer_->EntriesAboutToBeRemoved(index, 1);
  items_.erase(items_.begin() + index);
  ids_.erase(ids_.begin() + index);
  if (observer_) observer_->EntriesRemoved(index, 1);
  if (selected_ == index) {
    selected_ = -1;
    if (observer_) observer_->SelectionChanged(selected_);
  } else if (selected_ > index) {
    --selected_;
    if (observer_) observer_->SelectionChanged(selected_);
  }
  Modified();
}

void EntryList::SetItem(int index, std::string line) {
  // Writing back an unchanged line is no change.
  if (!Valid(index) || items_[index] == line) return;
  items_[index] = std::move(line);
  if (observer_) observer_->EntryChanged(index);
  Modified();
}

void EntryList::Clear() {
  if (items_.empty() && selected_ == -1) return;
  Assign({});
}

void EntryList::Assign(std::vector<std::string> lines) {
  AssignWithIds(std::move(lines), {}, -1);
}

void EntryList::AssignWithIds(std::vector<std::string> lines, std::vector<std::uint64_t> ids,
                              int selection) {
  if (observer_) observer_->EntriesAboutToBeReset();
  ids.resize(lines.size(), 0);
  for (auto& id : ids)
    if (id == 0) id = NewId();
  items_ = std::move(lines);
  ids_ = std::move(ids);
  selected_ = Valid(selection) ? selection : -1;
  if (observer_) {
    observer_->EntriesReset();
    observer_->SelectionChanged(selected_);
  }
  Modified();
}

void EntryList::SetListIndex(int index) {
  int next = Valid(index) ? index : -1;
  if (next == selected_) return;
  selected_ = next;
  if (observer_) observer_->SelectionChanged(selected_);
}

}  // namespace lm
