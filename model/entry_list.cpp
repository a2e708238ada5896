#include "model/entry_list.h"

#include <utility>

namespace lm {

const std::string& EntryList::Empty() {
  static const std::string kEmpty;
  return kEmpty;
}

int EntryList::IndexOfId(std::uint64_t id, int hint) const {
  if (id == 0) return -1;
  if (Valid(hint) && ids_[static_cast<size_t>(hint)] == id) return hint;
  for (int i = 0; i < Count(); ++i)
    if (ids_[static_cast<size_t>(i)] == id) return i;
  return -1;
}

void EntryList::Set(int index, std::string line, std::uint64_t id) {
  items_[static_cast<size_t>(index)] = std::move(line);
  ids_[static_cast<size_t>(index)] = id;
  shapes_[static_cast<size_t>(index)] = EntryShape();
  written_[static_cast<size_t>(index)] = ++edits_;
}

void EntryList::Insert(int index, std::string line, std::uint64_t id) {
  items_.insert(items_.begin() + index, std::move(line));
  ids_.insert(ids_.begin() + index, id);
  shapes_.insert(shapes_.begin() + index, EntryShape());
  written_.insert(written_.begin() + index, ++edits_);
  if (selected_ >= index) ++selected_;
}

void EntryList::Remove(int index, int count) {
  items_.erase(items_.begin() + index, items_.begin() + index + count);
  ids_.erase(ids_.begin() + index, ids_.begin() + index + count);
  shapes_.erase(shapes_.begin() + index, shapes_.begin() + index + count);
  written_.erase(written_.begin() + index, written_.begin() + index + count);
  if (selected_ >= index + count) {
    selected_ -= count;
  } else if (selected_ >= index) {
    selected_ = -1;
  }
}

void EntryList::Replace(std::vector<std::string> lines, std::vector<std::uint64_t> ids, int selection,
                        std::vector<EntryShape> shapes) {
  items_ = std::move(lines);
  ids_ = std::move(ids);
  shapes_ = std::move(shapes);
  shapes_.reserve(items_.capacity());
  shapes_.resize(items_.size());
  written_.clear();
  written_.reserve(items_.capacity());
  written_.assign(items_.size(), ++edits_);
  Select(selection);
}

}  // namespace lm
